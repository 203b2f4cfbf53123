#pragma once
// Regular expressions with the host's `re` meaning, on PCRE2 (UTF, UCP, newline LF).
//
// A Regex takes a pattern written in the host's syntax and flags given beside it.
// The translation of the constructs where PCRE2 means something else (\s, \w, \b,
// ignore-case i, \Z, {,n}, ...) is done once, in translate_pattern. Subjects must be
// valid UTF-8 (text from decode_text_mode or from the host); offsets are bytes.
// A search that stops on an engine limit raises PatternError, never "no match".
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace core {

enum ReFlags : unsigned {
    RE_NONE = 0,
    RE_IGNORECASE = 1u << 0,
    RE_MULTILINE = 1u << 1,
    RE_DOTALL = 1u << 2,
};

class Match {
public:
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);
    // Byte offsets of group g in the subject; npos when the group did not take part.
    std::size_t start(int g = 0) const { return ov()[2 * g]; }
    std::size_t end(int g = 0) const { return ov()[2 * g + 1]; }
    bool has(int g) const { return g >= 0 && g < groups_plus_one() && ov()[2 * g] != npos; }
    // The group's text; empty when it did not take part (test with has()).
    std::string_view group(int g = 0) const {
        return has(g) ? subject_.substr(ov()[2 * g], ov()[2 * g + 1] - ov()[2 * g]) : std::string_view();
    }
    std::optional<std::string_view> opt_group(int g) const {
        if (!has(g)) return std::nullopt;
        return group(g);
    }
    int groups_plus_one() const { return static_cast<int>(count_ / 2); }
    std::string_view subject() const { return subject_; }

    Match(std::string_view subject, const std::vector<std::size_t>& ov) : Match(subject, ov.data(), ov.size()) {}
    // `count` offsets (start and end of each group in turn), copied.
    Match(std::string_view subject, const std::size_t* ov, std::size_t count) : subject_(subject), count_(count) {
        if (count <= kInline)
            std::copy(ov, ov + count, inline_.begin());
        else
            heap_.assign(ov, ov + count);
    }

private:
    // A match of a few groups costs no allocation: the patterns here have at most five.
    static constexpr std::size_t kInline = 16;
    const std::size_t* ov() const { return count_ <= kInline ? inline_.data() : heap_.data(); }
    std::string_view subject_;
    std::size_t count_ = 0;
    std::array<std::size_t, kInline> inline_{};
    std::vector<std::size_t> heap_;
};

class Regex {
public:
    Regex(std::string_view pattern, unsigned flags = RE_NONE);
    ~Regex();
    Regex(Regex&&) noexcept;
    Regex& operator=(Regex&&) noexcept;
    Regex(const Regex&) = delete;
    Regex& operator=(const Regex&) = delete;

    // re.search from byte offset pos (in the whole subject, so ^ and look-behind see it).
    // An offset inside a character searches from the next one; match() finds nothing there.
    std::optional<Match> search(std::string_view subject, std::size_t pos = 0) const;
    // re.match: anchored at byte offset pos.
    std::optional<Match> match(std::string_view subject, std::size_t pos = 0) const;
    // re.fullmatch.
    std::optional<Match> fullmatch(std::string_view subject) const;
    // re.finditer: calls f for each match, left to right, with the host's empty-match
    // rule. When f returns false the iteration stops.
    void for_each(std::string_view subject, const std::function<bool(const Match&)>& f) const;
    std::vector<Match> finditer(std::string_view subject) const;
    // re.sub with a template: \1..\99, \g<n>, \g<name> and the escapes \n \t \\ etc.
    std::string sub(std::string_view repl, std::string_view subject, std::size_t count = 0) const;
    // re.sub with a function.
    std::string sub_fn(const std::function<std::string(const Match&)>& f, std::string_view subject,
                       std::size_t count = 0) const;
    // re.split: pieces, and the groups between them when the pattern has groups
    // (nullopt for a group that did not take part).
    std::vector<std::optional<std::string>> split(std::string_view subject, std::size_t maxsplit = 0) const;

    int group_count() const;                       // number of capture groups
    int group_index(std::string_view name) const;  // -1 when there is no such name
    const std::string& pattern() const { return pattern_; }
    unsigned flags() const { return flags_; }

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    std::string pattern_;
    unsigned flags_;
};

// The PCRE2 pattern text for a host pattern (exposed for tests).
std::string translate_pattern(std::string_view pattern, unsigned flags);

}  // namespace core

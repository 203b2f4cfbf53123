#pragma once
// The one toolkit of both builders' bounded-time pattern walks (extractors, summary,
// keywords): literal tests, row starts and remembered forward searches. Each call costs what it
// reads; a NextOf whose queries never move backwards costs linear time in all.
#include <cstddef>
#include <string_view>

#include "core/text.hpp"

namespace graph_kit::bounded {

inline constexpr std::size_t npos = std::string_view::npos;

// True when `word` is written at byte offset pos of s.
inline bool at(std::string_view s, std::size_t pos, std::string_view word) {
    return pos <= s.size() && s.substr(pos, word.size()) == word;
}

// Byte offset just past the run of the host's white space that starts at `pos`.
inline std::size_t skip_space(std::string_view s, std::size_t pos) { return core::space_end(s, pos); }

// Whether the character at byte offset i is the host's white space.
inline bool space_at(std::string_view s, std::size_t i) { return i < s.size() && core::is_space(core::next_cp(s, i)); }

// The offset after the character at i.
inline std::size_t after_cp(std::string_view s, std::size_t i) {
    core::next_cp(s, i);
    return i;
}

// The first row start at or after pos (0, or an offset just after a "\n"): where a
// multi-line ^ matches; npos when there is none.
inline std::size_t next_row_start(std::string_view s, std::size_t pos) {
    if (pos > s.size()) return npos;
    if (pos == 0 || s[pos - 1] == '\n') return pos;
    const std::size_t nl = s.find('\n', pos);
    return nl == npos ? npos : nl + 1;
}

// The row start after the first "\n" at or after pos; npos when there is none.
inline std::size_t row_start_after(std::string_view s, std::size_t pos) {
    const std::size_t nl = s.find('\n', pos);
    return nl == npos ? npos : nl + 1;
}

// The first byte at or after a position that is one of a fixed set of ASCII characters,
// or npos; remembered while the queries move forward (a later query up to the last
// answer has the same answer).
class NextOf {
public:
    NextOf(std::string_view s, std::string_view chars) : s_(s), chars_(chars) {}
    std::size_t from(std::size_t pos) {
        if (asked_ <= pos && pos <= found_) return found_;
        asked_ = pos;
        found_ = pos < s_.size() ? s_.find_first_of(chars_, pos) : npos;
        return found_;
    }

private:
    std::string_view s_, chars_;
    std::size_t asked_ = 1, found_ = 0;  // empty cache: asked_ > found_
};

}  // namespace graph_kit::bounded

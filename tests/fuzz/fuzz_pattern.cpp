// The builder's own patterns over arbitrary decoded text: iteration, substitution and
// split keep the host's rules, and an entry with a bounded-time routine yields exactly
// the matches of its compiled pattern. Input: a pattern's label and "\n", or one byte
// that picks the pattern; the rest is the file's bytes (pattern_pick.hpp).
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/errors.hpp"
#include "core/pattern.hpp"
#include "core/text.hpp"
#include "graph/vorlane/patterns.hpp"
#include "tests/fuzz/fuzz_common.hpp"
#include "tests/fuzz/pattern_pick.hpp"

namespace {

struct Entry {
    vorlane::PatternSpec spec;
    std::unique_ptr<core::Regex> re;
};

const std::vector<Entry>& entries() {
    static const std::vector<Entry> all = [] {
        std::vector<Entry> out;
        for (const auto& spec : vorlane::all_patterns())
            out.push_back({spec, std::make_unique<core::Regex>(spec.text, spec.flags)});
        return out;
    }();
    return all;
}

// Offsets of all groups of one match (npos where a group did not take part).
using Spans = std::vector<std::size_t>;

Spans spans_of(const core::Match& m) {
    Spans s;
    for (int g = 0; g < m.groups_plus_one(); ++g) {
        s.push_back(m.has(g) ? m.start(g) : core::Match::npos);
        s.push_back(m.has(g) ? m.end(g) : core::Match::npos);
    }
    return s;
}

bool on_boundary(std::string_view s, std::size_t at) {
    return at == s.size() || (at < s.size() && (static_cast<unsigned char>(s[at]) & 0xC0) != 0x80);
}

// The compared subject of a bounded routine is capped: the compiled pattern may need
// more than linear time on the inputs the routine exists for.
constexpr std::size_t kCompareBytes = 2048;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const auto specs = vorlane::all_patterns();
    const auto& table = entries();
    if (table.empty()) return 0;
    const auto [index, bytes] = fuzz::pick_pattern(specs, fuzz::as_view(data, size));
    const Entry& e = table[index];
    const std::string text = core::decode_text_mode(bytes);
    const std::string label(e.spec.label);

    std::vector<Spans> found;
    try {
        e.re->for_each(text, [&](const core::Match& m) {
            found.push_back(spans_of(m));
            return true;
        });
    } catch (const core::PatternError& err) {
        FUZZ_CHECK(false, label + ": " + err.what());
    }

    // The host's iteration: left to right, no overlap, no empty match where one ended.
    std::size_t prev_end = 0, prev_start = core::Match::npos;
    bool prev_empty = false;
    const int groups = e.re->group_count();
    for (const Spans& s : found) {
        FUZZ_CHECK(s.size() == static_cast<std::size_t>(2 * (groups + 1)), label);
        FUZZ_CHECK(s[0] >= prev_end && s[0] <= s[1] && s[1] <= text.size(), label);
        FUZZ_CHECK(!(prev_empty && s[0] == s[1] && s[0] == prev_start), label + ": repeated empty match");
        for (std::size_t k = 0; k < s.size(); k += 2) {
            if (s[k] == core::Match::npos) {
                FUZZ_CHECK(s[k + 1] == core::Match::npos, label);
                continue;
            }
            FUZZ_CHECK(s[k] <= s[k + 1] && s[k + 1] <= text.size(), label + ": group outside the subject");
            FUZZ_CHECK(on_boundary(text, s[k]) && on_boundary(text, s[k + 1]), label + ": cut inside a character");
        }
        prev_empty = s[0] == s[1];
        prev_start = s[0];
        prev_end = s[1];
    }
    const auto first = e.re->search(text);
    FUZZ_CHECK(first.has_value() == !found.empty(), label + ": search and iteration disagree");
    if (first) FUZZ_CHECK(spans_of(*first) == found.front(), label + ": search and first match differ");

    if (e.spec.find_all && text.size() <= kCompareBytes) {
        std::vector<Spans> bounded;
        e.spec.find_all(text, [&](const core::Match& m) {
            bounded.push_back(spans_of(m));
            return true;
        });
        FUZZ_CHECK(bounded == found, label + ": bounded routine and pattern disagree");
    } else if (e.spec.find_all) {
        std::size_t n = 0;
        e.spec.find_all(text, [&](const core::Match&) { return ++n, true; });
    }

    // Substitution and split agree with the matches.
    std::string expect_sub, expect_fn;
    std::vector<std::string> expect_pieces;
    std::size_t at = 0;
    for (const Spans& s : found) {
        const std::string gap = text.substr(at, s[0] - at);
        const std::string whole = text.substr(s[0], s[1] - s[0]);
        const std::string g1 = groups >= 1 && s[2] != core::Match::npos ? text.substr(s[2], s[3] - s[2]) : "";
        expect_sub += gap + "[" + whole + "|" + g1 + "]";
        expect_fn += gap + std::to_string(core::cp_len(whole));
        expect_pieces.push_back(gap);
        at = s[1];
    }
    expect_sub += text.substr(at);
    expect_fn += text.substr(at);
    expect_pieces.push_back(text.substr(at));

    const std::string tmpl = groups >= 1 ? "[\\g<0>|\\1]" : "[\\g<0>|]";
    FUZZ_CHECK(e.re->sub(tmpl, text) == expect_sub, label + ": sub");
    FUZZ_CHECK(
        e.re->sub_fn([](const core::Match& m) { return std::to_string(core::cp_len(m.group())); }, text) == expect_fn,
        label + ": sub_fn");
    const auto pieces = e.re->split(text);
    FUZZ_CHECK(pieces.size() == expect_pieces.size() * (groups + 1) - groups, label + ": split length");
    for (std::size_t i = 0; i < expect_pieces.size(); ++i) {
        const auto& p = pieces[i * (groups + 1)];
        FUZZ_CHECK(p.has_value() && *p == expect_pieces[i], label + ": split piece");
    }
    return 0;
}

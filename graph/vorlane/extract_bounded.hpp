#pragma once
// Shared pieces of the Rust, Ruby, Java-family, C#, PHP and C/C++ extractors: the frame
// of fixed-span records and the bounded-time searches that stand in for the patterns
// whose plain backtracking search grows faster than linear on long runs of blanks or
// line breaks. Each routine yields exactly the matches of its pattern, in order. The
// compiled tables and the general toolkit are the kit's, named here for the extractors.
#include <algorithm>
#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

#include "core/pattern.hpp"
#include "core/text.hpp"
#include "graph/kit/bounded_search.hpp"
#include "graph/kit/frame.hpp"
#include "graph/kit/pattern_table.hpp"
#include "graph/vorlane/patterns.hpp"

namespace vorlane::bounded {

using graph_kit::bounded::after_cp;
using graph_kit::bounded::at;
using graph_kit::bounded::attempt_regex;
using graph_kit::bounded::CompiledTable;
using graph_kit::bounded::next_row_start;
using graph_kit::bounded::NextOf;
using graph_kit::bounded::npos;
using graph_kit::bounded::row_start_after;
using graph_kit::bounded::skip_space;
using graph_kit::bounded::space_at;

// The frame of an extractor whose records span a fixed number of rows below their start
// (clamped to the last row) and have confidence "high".
class SpanFrame : public graph_kit::SymbolFrame {
public:
    SpanFrame(std::string_view content, std::string_view file_path, std::int64_t span)
        : SymbolFrame(content, file_path), span_(span) {}
    void add_sym(std::string_view name, std::int64_t line_no, std::string_view sym_type, bool exported) {
        add(name, line_no, fixed_span_end(line_no, span_), sym_type, "high", exported);
    }

private:
    std::int64_t span_;
};

// The match that begins at a row start whose leading blanks end at `blanks_end`, if any.
using Attempt = std::function<std::optional<core::Match>(std::size_t line_start, std::size_t blanks_end)>;

// Matches of a multi-line pattern "^\s*T" ("^\s+T" when `needs_blank`) whose tail T
// cannot begin with white space. From every row start inside one run of white space the
// leading blanks end at the same offset, where T alone decides, so after a failed start
// the rest of the run is passed over instead of being tried row by row.
void scan_blank_led_rows(std::string_view s, bool needs_blank, const Attempt& attempt, const MatchFn& f);

// scan_blank_led_rows with the whole pattern (an attempt_regex) tried at each start.
void find_blank_led(const core::Regex& attempt, bool needs_blank, std::string_view s, const MatchFn& f);

// Pattern texts joined at compile time, so that a table can hold a whole pattern while
// a routine uses a piece of it.
template <const std::string_view&... Parts>
struct Joined {
    static constexpr auto storage = [] {
        std::array<char, (Parts.size() + ...)> a{};
        std::size_t i = 0;
        ((std::copy(Parts.begin(), Parts.end(), a.begin() + i), i += Parts.size()), ...);
        return a;
    }();
    static constexpr std::string_view value{storage.data(), storage.size()};
};

// "\s+", then an identifier that `name` matches (anchored, greedy, made of characters that
// are neither blanks nor "("), then "\s*\(", at pos: the one way that part can match, as a
// match from pos to just past the "(" whose group 1 is the identifier.
std::optional<core::Match> blank_name_paren(std::string_view s, std::size_t pos, const core::Regex& name);

// A lazy run of characters other than `stops` that ends at a closing character, followed
// by a tail whose outcome depends only on where it starts: "[^;{]*?>" and what follows it.
// The engine tries each closing character in turn, up to the first stop character, which
// costs the rest of the text per attempt when none fits. Here the closing characters
// whose tail holds and the stop characters are listed once, in one walk on the first
// query; each query is then two binary searches.
class LazyClose {
public:
    using Tail = std::function<std::optional<core::Match>(std::size_t pos)>;
    LazyClose(std::string_view s, char close, std::string_view stops, Tail tail)
        : s_(s), close_(close), stops_(stops), tail_(std::move(tail)) {}
    // The tail's match after the first closing character at or after `from` and before the
    // first stop character at or after `from` whose tail holds, or nothing.
    std::optional<core::Match> first(std::size_t from);

private:
    std::string_view s_;
    char close_;
    std::string_view stops_;
    Tail tail_;
    bool listed_ = false;
    std::vector<std::size_t> good_, stop_at_;
};

// True when `needle` occurs among the n characters of s that begin at byte offset pos.
bool within_window(std::string_view s, std::size_t pos, std::size_t n, std::string_view needle);

}  // namespace vorlane::bounded

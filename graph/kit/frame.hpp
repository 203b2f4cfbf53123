#pragma once
// What every symbol extractor of both builders shares: rows, first-wins records, name
// keywords, block ends, the TypeScript name classifier. A frame costs one split of the
// text into rows; each record costs its name's keywords and its rows' hash.
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

#include "core/records.hpp"
#include "graph/kit/patterns.hpp"

namespace graph_kit {

using Lines = std::vector<std::string_view>;
using Symbols = std::vector<core::SymbolRecord>;

// The frame's own patterns, in the order of its table.
std::vector<PatternSpec> frame_patterns();

std::vector<std::string> split_camel(std::string_view name);
std::vector<std::string> name_keywords(std::string_view name);
std::int64_t find_block_end_ts(const Lines& lines, std::int64_t start);
std::int64_t find_block_end_py(const Lines& lines, std::int64_t start);
// (symbol_type, confidence)
std::pair<std::string, std::string> classify_ts(std::string_view name, bool exported);

// Row of a byte offset: the number of "\n" before it. Counts incrementally when the
// offsets it is asked about grow, as they do within one pass.
class RowCounter {
public:
    explicit RowCounter(std::string_view text) : text_(text) {}
    std::int64_t row(std::size_t offset);

private:
    std::string_view text_;
    std::size_t pos_ = 0;
    std::int64_t rows_ = 0;
};

// The state of one extractor call: rows, names seen, records made.
class SymbolFrame {
public:
    SymbolFrame(std::string_view content, std::string_view file_path);
    const Lines& lines() const { return lines_; }
    std::int64_t last_row() const { return static_cast<std::int64_t>(lines_.size()) - 1; }
    bool seen(std::string_view name) const { return seen_.count(std::string(name)) != 0; }
    // Records the name unless it is empty or seen; `line_end` is the block end already
    // worked out by the caller's rule.
    void add(std::string_view name, std::int64_t line_start, std::int64_t line_end, std::string_view symbol_type,
             std::string_view confidence, bool exported);
    // min(line_no + span, rows - 1)
    std::int64_t fixed_span_end(std::int64_t line_no, std::int64_t span) const;
    // find_block_end_ts(lines(), start), with each row's braces counted once per frame.
    std::int64_t block_end_ts(std::int64_t start);
    // find_block_end_py(lines(), start), with the block end of every row found in one
    // pass over the rows per frame: the cost of all starts together is that of one.
    std::int64_t block_end_py(std::int64_t start);
    Symbols take() { return std::move(symbols_); }

private:
    std::string_view file_path_;
    Lines lines_;
    std::unordered_set<std::string> seen_;
    Symbols symbols_;
    std::map<std::pair<std::int64_t, std::int64_t>, std::string> hashes_;  // by (line_start, line_end)
    std::vector<std::pair<std::int64_t, std::int64_t>> braces_;            // (opens, closes) by row
    std::vector<std::int64_t> py_ends_;                                    // indentation block end by row
    std::string_view content_;
    // odd_breaks_[i]: how many of the breaks after rows 0..i-1 are not a single "\n".
    std::vector<std::size_t> odd_breaks_;

    const std::string& body_hash(std::int64_t line_start, std::int64_t line_end);
};

}  // namespace graph_kit

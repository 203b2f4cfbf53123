// Rows and block ends: splitlines cuts the text into rows that hold no row end and
// rebuild the text with their breaks; the brace and indentation block ends agree with
// a direct reading of their rules and stay within the rows, the frame's table of
// indentation block ends agrees with them; RowCounter counts "\n".
// Input: two bytes pick the start row, the rest is the file's bytes.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "core/text.hpp"
#include "graph/kit/frame.hpp"
#include "tests/fuzz/fuzz_common.hpp"

namespace {

using graph_kit::Lines;

// Length of the row end at byte `at`, 0 when none starts there.
std::size_t break_len(std::string_view s, std::size_t at) {
    std::size_t next = at;
    const char32_t c = core::next_cp(s, next);
    if (!core::is_line_break(c)) return 0;
    if (c == '\r' && next < s.size() && s[next] == '\n') ++next;
    return next - at;
}

std::int64_t ref_block_end_ts(const Lines& lines, std::int64_t start) {
    const std::int64_t rows = static_cast<std::int64_t>(lines.size());
    const std::int64_t limit = std::min(start + 400, rows);
    std::int64_t depth = 0;
    bool found_open = false;
    for (std::int64_t i = start; i < limit; ++i) {
        const std::string_view row = lines[i];
        const auto n = [&](char c) {
            const char esc[] = {'\\', c};
            return static_cast<std::int64_t>(std::count(row.begin(), row.end(), c)) -
                   static_cast<std::int64_t>(core::count(row, std::string_view(esc, 2)));
        };
        const std::int64_t opens = n('{'), closes = n('}');
        depth += opens - closes;
        if (opens > 0) found_open = true;
        if (found_open && depth <= 0) return i;
    }
    return std::min(start + 100, rows - 1);
}

// Whether `s` begins with `word` followed by at least one blank; `rest` is past the blanks.
bool word_then_space(std::string_view s, std::string_view word, std::string_view& rest) {
    if (s.substr(0, word.size()) != word) return false;
    const std::string_view after = s.substr(word.size());
    rest = core::lstrip(after);
    return rest.size() < after.size();
}

// `\s*(?:async\s+)?def\s+|class\s+|@` tried at the row's first character.
bool ends_py_block(std::string_view row) {
    std::string_view rest;
    const std::string_view body = core::lstrip(row);
    if (word_then_space(body, "def", rest)) return true;
    std::string_view after_async;
    if (word_then_space(body, "async", after_async) && word_then_space(after_async, "def", rest)) return true;
    return word_then_space(row, "class", rest) || (!row.empty() && row[0] == '@');
}

std::int64_t ref_block_end_py(const Lines& lines, std::int64_t start) {
    const std::int64_t rows = static_cast<std::int64_t>(lines.size());
    if (start + 1 >= rows) return start;
    const auto indent = [](std::string_view row) { return core::cp_len(row) - core::cp_len(core::lstrip(row)); };
    const std::size_t base = indent(lines[start]);
    std::int64_t last = start;
    for (std::int64_t i = start + 1; i < rows; ++i) {
        const std::string_view row = lines[i];
        if (core::strip(row).empty()) continue;
        if (indent(row) <= base && ends_py_block(row)) break;
        last = i;
    }
    return last;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Reader in(data, size);
    const std::uint16_t pick = in.u16();
    const std::string raw = core::decode_utf8_ignore(in.rest());
    // The raw decoded text keeps every kind of row end; the text-mode one is what the
    // extractors see.
    for (const std::string& text : {raw, core::translate_newlines(raw)}) {
        const Lines lines = core::splitlines(text);
        std::size_t pos = 0;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const std::string_view row = lines[i];
            FUZZ_CHECK(row.data() == text.data() + pos, "row " + std::to_string(i) + " is not where the last ended");
            for (std::size_t k = 0; k < row.size();) {
                FUZZ_CHECK(!core::is_line_break(core::next_cp(row, k)), "row end inside a row");
            }
            pos += row.size();
            const std::size_t brk = break_len(text, pos);
            FUZZ_CHECK(brk > 0 || (i + 1 == lines.size() && pos == text.size()), "row not ended by a row end");
            pos += brk;
        }
        FUZZ_CHECK(pos == text.size(), "rows do not cover the text");

        if (lines.empty()) continue;
        const std::int64_t rows = static_cast<std::int64_t>(lines.size());
        const std::int64_t start = pick % rows;
        const std::int64_t ts = graph_kit::find_block_end_ts(lines, start);
        const std::int64_t py = graph_kit::find_block_end_py(lines, start);
        FUZZ_CHECK(ts == ref_block_end_ts(lines, start), "brace block end");
        FUZZ_CHECK(py == ref_block_end_py(lines, start), "indentation block end");
        graph_kit::SymbolFrame frame(text, "f");
        FUZZ_CHECK(frame.block_end_py(start) == py, "the frame's indentation block end");
        FUZZ_CHECK(py >= start && py < rows, "indentation block end outside the rows");
        FUZZ_CHECK(ts >= start && ts < rows, "brace block end outside the rows");
    }

    // Rows of growing offsets: the number of "\n" before each.
    const std::string text = core::decode_text_mode(fuzz::as_view(data, size));
    graph_kit::RowCounter counter(text);
    std::int64_t newlines = 0;
    for (std::size_t at = 0, step = 1 + pick % 7; at <= text.size(); at += step) {
        FUZZ_CHECK(counter.row(at) == newlines, "RowCounter at " + std::to_string(at));
        for (std::size_t k = at; k < std::min(at + step, text.size()); ++k) newlines += text[k] == '\n';
    }
    return 0;
}

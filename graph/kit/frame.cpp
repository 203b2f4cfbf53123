// The extraction frame: rows, first-wins symbol records, name keywords, block ends and
// the TypeScript name classifier.
#include "graph/kit/frame.hpp"

#include <algorithm>
#include <iterator>
#include <stdexcept>

#include "core/hash.hpp"
#include "core/pattern.hpp"
#include "core/text.hpp"

namespace graph_kit {

namespace {

enum : std::size_t { PY_BLOCK_STOP, ROUTE_NAME, CAMEL_LOWER_UPPER, CAMEL_CAPS_WORD };

const PatternSpec& spec(std::size_t i) {
    static const std::vector<PatternSpec> table = frame_patterns();
    return table[i];
}

bool is_ascii_upper(char c) { return c >= 'A' && c <= 'Z'; }
bool is_ascii_lower(char c) { return c >= 'a' && c <= 'z'; }

// Every match of ([A-Z]+)([A-Z][a-z]). From any start inside a run of capitals the greedy
// run reaches the same end, and only its last capital can open the second group, so a
// start matches exactly when at least two capitals of the run lie ahead of it and a
// lower-case letter follows the run; a failed start fails for the rest of its run too.
void find_caps_word(std::string_view s, const MatchFn& f) {
    std::size_t pos = 0;
    while (pos < s.size()) {
        if (!is_ascii_upper(s[pos])) {
            ++pos;
            continue;
        }
        std::size_t run_end = pos;
        while (run_end < s.size() && is_ascii_upper(s[run_end])) ++run_end;
        if (run_end - pos >= 2 && run_end < s.size() && is_ascii_lower(s[run_end])) {
            if (!f(core::Match(s, {pos, run_end + 1, pos, run_end - 1, run_end - 1, run_end + 1}))) return;
            pos = run_end + 1;
        } else {
            pos = run_end;
        }
    }
}

// Every match of ([a-z0-9])([A-Z]): two ASCII characters side by side, the search going
// on after each match (the bytes of other characters never fit either class).
void find_lower_upper(std::string_view s, const MatchFn& f) {
    for (std::size_t pos = 0; pos + 1 < s.size();) {
        const char c = s[pos];
        if ((is_ascii_lower(c) || (c >= '0' && c <= '9')) && is_ascii_upper(s[pos + 1])) {
            if (!f(core::Match(s, {pos, pos + 2, pos, pos + 1, pos + 1, pos + 2}))) return;
            pos += 2;
        } else {
            ++pos;
        }
    }
}

// group 1, a blank and group 2 in place of every match.
std::string join_groups_of(std::string_view s, void (*find_all)(std::string_view, const MatchFn&)) {
    std::string out;
    std::size_t last = 0;
    find_all(s, [&](const core::Match& m) {
        out.append(s.substr(last, m.start() - last));
        out.append(m.group(1));
        out.push_back(' ');
        out.append(m.group(2));
        last = m.end();
        return true;
    });
    out.append(s.substr(last));
    return out;
}

// lines[i] with the host's list indexing (a negative index counts from the end).
std::string_view row_at(const Lines& lines, std::int64_t i) {
    const auto n = static_cast<std::int64_t>(lines.size());
    if (i < 0) i += n;
    if (i < 0 || i >= n) throw std::out_of_range("list index out of range");
    return lines[static_cast<std::size_t>(i)];
}

// len(row) - len(row.lstrip())
std::int64_t indent_of(std::string_view row) {
    // The characters of the stripped prefix alone: the rest of the row is not counted.
    return static_cast<std::int64_t>(core::cp_len(row.substr(0, row.size() - core::lstrip(row).size())));
}

// The code point at code-point index i, or U+0000 when the text is shorter.
char32_t cp_at(std::string_view s, std::size_t i) {
    std::size_t pos = core::cp_advance(s, 0, i);
    if (pos >= s.size()) return 0;
    return core::next_cp(s, pos);
}

}  // namespace

std::vector<PatternSpec> frame_patterns() {
    return {
        {"py_block_stop", R"re(\s*(?:async\s+)?def\s+|class\s+|@)re", core::RE_NONE},
        {"route_name", R"re(^(GET|POST|PUT|PATCH|DELETE|HEAD|OPTIONS)$)re", core::RE_NONE},
        {"camel_lower_upper", R"re(([a-z0-9])([A-Z]))re", core::RE_NONE, find_lower_upper},
        {"camel_caps_word", R"re(([A-Z]+)([A-Z][a-z]))re", core::RE_NONE, find_caps_word},
    };
}

std::vector<std::string> split_camel(std::string_view name) {
    const std::string spaced =
        join_groups_of(join_groups_of(name, spec(CAMEL_LOWER_UPPER).find_all), spec(CAMEL_CAPS_WORD).find_all);
    std::vector<std::string> parts;
    for (std::string_view part : core::split_ws(spaced))
        if (core::cp_len(part) > 2) parts.push_back(core::lower(part));
    return parts;
}

std::vector<std::string> name_keywords(std::string_view name) {
    std::vector<std::string> tokens;
    std::unordered_set<std::string> seen;
    auto add = [&](std::string_view word) {
        std::string w(core::strip_chars(core::lower(word), "_"));
        if (core::cp_len(w) > 2 && seen.insert(w).second) tokens.push_back(std::move(w));
    };
    add(name);
    for (const std::string& part : split_camel(name)) add(part);
    for (std::string_view piece : core::split_sep(name, "_")) add(piece);
    if (tokens.size() > 10) tokens.resize(10);
    return tokens;
}

namespace {

// Net "{" and "}" of a row: the braces less those written after a backslash.
std::pair<std::int64_t, std::int64_t> braces_of(std::string_view row) {
    return {static_cast<std::int64_t>(core::count(row, "{")) - static_cast<std::int64_t>(core::count(row, "\\{")),
            static_cast<std::int64_t>(core::count(row, "}")) - static_cast<std::int64_t>(core::count(row, "\\}"))};
}

// The brace rule over rows start.. (at most 400), with row i's (opens, closes) from braces(i).
template <class Braces>
std::int64_t block_end_by_braces(std::int64_t rows, std::int64_t start, const Braces& braces) {
    const std::int64_t limit = std::min(start + 400, rows);
    std::int64_t depth = 0;
    bool found_open = false;
    for (std::int64_t i = start; i < limit; ++i) {
        const auto [opens, closes] = braces(i);
        depth += opens - closes;
        if (opens > 0) found_open = true;
        if (found_open && depth <= 0) return i;
    }
    return std::min(start + 100, rows - 1);
}

}  // namespace

std::int64_t find_block_end_ts(const Lines& lines, std::int64_t start) {
    return block_end_by_braces(static_cast<std::int64_t>(lines.size()), start,
                               [&](std::int64_t i) { return braces_of(row_at(lines, i)); });
}

namespace {

// Whether `row`, whose text past its leading white space is `rest`, ends the blocks of
// the rows above it at or right of its indentation: the stop pattern tried at the row's
// first character. Its first alternative needs "def" or "async" just past the white
// space, the other two "class" or "@" first, so most rows are settled without it.
bool is_py_stop(std::string_view row, std::string_view rest) {
    static const core::Regex stop(spec(PY_BLOCK_STOP).text, spec(PY_BLOCK_STOP).flags);
    if (rest.substr(0, 3) != "def" && rest.substr(0, 5) != "async" && row.substr(0, 5) != "class" &&
        row.substr(0, 1) != "@")
        return false;
    return stop.match(row).has_value();
}

// The row past its leading white space, and the number of characters before that.
std::pair<std::string_view, std::int64_t> strip_indent(std::string_view row) {
    std::size_t k = 0;
    while (k < row.size() && (row[k] == ' ' || row[k] == '\t')) ++k;
    const bool ascii_end = k == row.size() || (static_cast<unsigned char>(row[k]) < 0x80 &&
                                               !core::is_space(static_cast<unsigned char>(row[k])));
    if (ascii_end) return {row.substr(k), static_cast<std::int64_t>(k)};
    const std::string_view rest = core::lstrip(row);
    return {rest, static_cast<std::int64_t>(core::cp_len(row.substr(0, row.size() - rest.size())))};
}

// find_block_end_py for every row, in one pass up the rows. A row's block ends at the
// last row with content above its next stop row (the first stop row below it indented
// at most as far as it is, or the end of the rows), or at the row itself when none lies
// between. The stop rows below are kept on a stack: a stop row hides every one below it
// that is indented as far or further, being nearer and stopping every row that one
// stops. The indents on the stack so grow towards its top, and a row's next stop row is
// the topmost one indented at most as far as the row: one search of the stack.
std::vector<std::int64_t> py_block_ends(const Lines& lines) {
    struct Stop {
        std::int64_t indent;
        std::int64_t content_above;  // the last row with content above the stop row; -1 until met
    };
    std::vector<Stop> below;
    std::vector<std::int64_t> ends(lines.size());
    std::int64_t last_content = -1;
    for (auto i = static_cast<std::int64_t>(lines.size()); i-- > 0;) {
        const std::string_view row = lines[static_cast<std::size_t>(i)];
        const auto stripped = strip_indent(row);
        const std::string_view rest = stripped.first;
        const std::int64_t indent = stripped.second;
        const auto first_deeper =
            std::partition_point(below.begin(), below.end(), [&](const Stop& s) { return s.indent <= indent; });
        const std::int64_t above =
            first_deeper == below.begin() ? last_content : std::prev(first_deeper)->content_above;
        ends[static_cast<std::size_t>(i)] = std::max(above, i);
        if (rest.empty()) continue;
        if (last_content < 0) last_content = i;
        if (!below.empty() && below.back().content_above < 0) below.back().content_above = i;
        if (is_py_stop(row, rest)) {
            while (!below.empty() && below.back().indent >= indent) below.pop_back();
            below.push_back({indent, -1});
        }
    }
    return ends;
}

}  // namespace

std::int64_t find_block_end_py(const Lines& lines, std::int64_t start) {
    const auto n = static_cast<std::int64_t>(lines.size());
    if (start + 1 >= n) return start;
    const std::int64_t base_indent = indent_of(row_at(lines, start));
    std::int64_t last_content = start;
    for (std::int64_t i = start + 1; i < n; ++i) {
        const std::string_view row = row_at(lines, i);
        // A row of white space only is passed over (its strip() is empty).
        const auto [rest, indent] = strip_indent(row);
        if (rest.empty()) continue;
        if (indent <= base_indent && is_py_stop(row, rest)) break;
        last_content = i;
    }
    return last_content;
}

std::pair<std::string, std::string> classify_ts(std::string_view name, bool exported) {
    static const core::Regex route(spec(ROUTE_NAME).text, spec(ROUTE_NAME).flags);
    if (route.match(name)) return {"api_route", "high"};
    if (name.substr(0, 3) == "use" && core::cp_len(name) > 3 && core::is_upper(cp_at(name, 3))) return {"hook", "high"};
    if (exported) return {"use_case", core::is_upper(cp_at(name, 0)) ? "medium" : "high"};
    return {"utility", "medium"};
}

std::int64_t RowCounter::row(std::size_t offset) {
    offset = std::min(offset, text_.size());
    if (offset < pos_) {
        pos_ = 0;
        rows_ = 0;
    }
    rows_ += static_cast<std::int64_t>(std::count(text_.begin() + static_cast<std::ptrdiff_t>(pos_),
                                                  text_.begin() + static_cast<std::ptrdiff_t>(offset), '\n'));
    pos_ = offset;
    return rows_;
}

SymbolFrame::SymbolFrame(std::string_view content, std::string_view file_path)
    : file_path_(file_path), lines_(core::splitlines(content)), content_(content) {}

void SymbolFrame::add(std::string_view name, std::int64_t line_start, std::int64_t line_end,
                      std::string_view symbol_type, std::string_view confidence, bool exported) {
    if (name.empty() || !seen_.insert(std::string(name)).second) return;
    core::SymbolRecord r;
    r.id = core::symbol_id(file_path_, name);
    r.name = std::string(name);
    r.symbol_type = std::string(symbol_type);
    r.line_start = line_start;
    r.line_end = line_end;
    r.body_hash = body_hash(line_start, line_end);
    r.confidence = std::string(confidence);
    r.exported = exported;
    r.keywords = name_keywords(name);
    symbols_.push_back(std::move(r));
}

const std::string& SymbolFrame::body_hash(std::int64_t line_start, std::int64_t line_end) {
    // Many records of one file can share a row range (every symbol of a one-row file has
    // the same one), and hashing it again each time costs as much as the rows are long.
    auto [it, fresh] = hashes_.try_emplace({line_start, line_end});
    if (!fresh) return it->second;
    const auto n = static_cast<std::int64_t>(lines_.size());
    if (0 <= line_start && line_start <= line_end && line_end < n) {
        if (odd_breaks_.empty()) {
            odd_breaks_.assign(lines_.size(), 0);
            for (std::size_t i = 1; i < lines_.size(); ++i) {
                const char* end = lines_[i - 1].data() + lines_[i - 1].size();
                odd_breaks_[i] = odd_breaks_[i - 1] + (lines_[i].data() == end + 1 && *end == '\n' ? 0 : 1);
            }
        }
        const auto lo = static_cast<std::size_t>(line_start), last = static_cast<std::size_t>(line_end);
        // Rows parted by single "\n"s join to the very bytes of the content that hold them.
        if (odd_breaks_[last] == odd_breaks_[lo]) {
            const char* begin = lines_[lo].data();
            const char* end = lines_[last].data() + lines_[last].size();
            it->second = core::md5_prefix8(content_.substr(static_cast<std::size_t>(begin - content_.data()),
                                                           static_cast<std::size_t>(end - begin)));
            return it->second;
        }
    }
    it->second = core::body_hash(lines_, line_start, line_end);
    return it->second;
}

std::int64_t SymbolFrame::block_end_ts(std::int64_t start) {
    if (braces_.empty() && !lines_.empty()) {
        braces_.reserve(lines_.size());
        for (std::string_view row : lines_) braces_.push_back(braces_of(row));
    }
    const auto n = static_cast<std::int64_t>(lines_.size());
    return block_end_by_braces(n, start, [&](std::int64_t i) {
        if (i < 0) i += n;
        if (i < 0 || i >= n) throw std::out_of_range("list index out of range");
        return braces_[static_cast<std::size_t>(i)];
    });
}

std::int64_t SymbolFrame::block_end_py(std::int64_t start) {
    // A start outside the rows reads them with the host's indexing: the walk of one start.
    if (start < 0 || start >= static_cast<std::int64_t>(lines_.size())) return find_block_end_py(lines_, start);
    if (py_ends_.empty()) py_ends_ = py_block_ends(lines_);
    return py_ends_[static_cast<std::size_t>(start)];
}

std::int64_t SymbolFrame::fixed_span_end(std::int64_t line_no, std::int64_t span) const {
    return std::min(line_no + span, last_row());
}

}  // namespace graph_kit

// The file summary: a lead sentence (the opening doc comment, the first substantial line
// or the path) and a count sentence with up to five declared names.
#include "graph/vorlane/summary.hpp"

#include <algorithm>
#include <array>
#include <iterator>
#include <optional>

#include "core/pattern.hpp"
#include "core/text.hpp"
#include "graph/vorlane/extract_bounded.hpp"
#include "graph/vorlane/patterns.hpp"
#include "graph/vorlane/summary_keywords_finders.hpp"

namespace vorlane {

namespace {

using core::RE_DOTALL;
using core::RE_MULTILINE;
using core::RE_NONE;
using finders::first_group;
using finders::is_one_of;

constexpr std::string_view kPyDoc = R"re(^\s*(?:\'\'\'|""")([^\'\"]{8,200}?)(?:\'\'\'|"""))re";
constexpr std::string_view kBlockDoc = R"re(\s*/\*\*?\s*(.*?)\*/)re";
constexpr std::string_view kPyNames = R"re(^(?:async\s+)?def\s+([A-Za-z_]\w*)|^class\s+([A-Za-z_]\w*))re";
constexpr std::string_view kTsNames =
    R"re((?:export\s+)?(?:async\s+)?function\s+([A-Za-z_]\w*)|(?:export\s+)?class\s+([A-Za-z_]\w*))re";
constexpr std::string_view kRsNames =
    R"re(^(?:pub(?:\s*\([^)]*\))?\s+)?fn\s+([A-Za-z_]\w*)|^(?:pub\s+)?(?:struct|enum|trait)\s+([A-Za-z_]\w*))re";
constexpr std::string_view kJavaNames = R"re((?:class|interface|enum|fun|record)\s+([A-Za-z_]\w*))re";
constexpr std::string_view kCsNames = R"re((?:class|interface|enum|struct|record)\s+([A-Za-z_]\w*))re";
constexpr std::string_view kXamlClass = R"re(x:Class="[\w.]*\.([A-Za-z_]\w*)")re";
constexpr std::string_view kXamlName = R"re(x:Name="([A-Za-z_]\w*)")re";
constexpr std::string_view kRbNames =
    R"re(^\s*(?:def\s+([A-Za-z_]\w*)|class\s+([A-Za-z_]\w*)|module\s+([A-Za-z_]\w*)))re";
constexpr std::string_view kPhpNames = R"re((?:function|class|interface|trait)\s+([A-Za-z_]\w*))re";
constexpr std::string_view kCTypes = R"re(^(?:class|struct|enum|union|namespace)\s+([A-Za-z_]\w*))re";
constexpr std::string_view kCDefs = R"re(^[\w:*&<>\s]+?\s+([A-Za-z_]\w*)\s*\([^;{]*\{)re";
constexpr std::string_view kFinalExt = R"re(\.\w+$)re";

// The table the summary runs from, in one order with its names below: each entry's
// matches come from the table (its bounded routine when it has one), so the
// differential test sees exactly what runs.
enum Entry : std::size_t {
    PY_DOC,
    BLOCK_DOC,
    PY_NAMES,
    TS_NAMES,
    RS_NAMES,
    JAVA_NAMES,
    CS_NAMES,
    XAML_CLASS,
    XAML_NAME,
    RB_NAMES,
    PHP_NAMES,
    C_TYPES,
    C_DEFINITIONS,
    FINAL_EXT,
    ENTRY_COUNT
};

constexpr PatternSpec kTable[] = {
    {"summary.py_doc", kPyDoc, RE_DOTALL},
    {"summary.block_doc", kBlockDoc, RE_DOTALL, &finders::block_comment},
    {"summary.py_names", kPyNames, RE_MULTILINE},
    {"summary.ts_names", kTsNames, RE_MULTILINE},
    {"summary.rs_names", kRsNames, RE_MULTILINE, &finders::rust_items},
    {"summary.java_names", kJavaNames, RE_NONE},
    {"summary.cs_names", kCsNames, RE_NONE},
    {"summary.xaml_class", kXamlClass, RE_NONE},
    {"summary.xaml_name", kXamlName, RE_NONE},
    {"summary.rb_names", kRbNames, RE_MULTILINE, &finders::ruby_names},
    {"summary.php_names", kPhpNames, RE_NONE},
    {"summary.c_types", kCTypes, RE_MULTILINE},
    {"summary.c_definitions", kCDefs, RE_MULTILINE, &finders::c_definitions},
    {"summary.final_ext", kFinalExt, RE_NONE},
};
static_assert(std::size(kTable) == ENTRY_COUNT, "one name per table entry");

const bounded::CompiledTable& table() {
    static const bounded::CompiledTable t(std::vector<PatternSpec>(std::begin(kTable), std::end(kTable)));
    return t;
}

void each(Entry e, std::string_view subject, const MatchFn& f) { table().for_each(e, subject, f); }

constexpr std::size_t kLeadCut = 120;
constexpr std::size_t kSummaryCut = 250;
constexpr std::size_t kMaxNames = 5;
constexpr std::size_t kShownNames = 4;

// sep.join(parts[:count]), all of them by default.
template <typename Parts>
std::string join(const Parts& parts, std::string_view sep, std::size_t count = static_cast<std::size_t>(-1)) {
    std::string out;
    for (std::size_t i = 0; i < std::min(parts.size(), count); ++i) {
        if (i) out += sep;
        out += parts[i];
    }
    return out;
}

// " ".join(text.split())[:120]
std::string squeeze_and_cut(std::string_view text) {
    return std::string(core::cp_prefix(join(core::split_ws(text), " "), kLeadCut));
}

// A lone surrogate (ED A0..BF xx) can reach us only through a file id.
std::size_t last_surrogate_end(std::string_view s) {
    std::size_t end = 0;
    for (std::size_t i = 0; i + 2 < s.size(); ++i)
        if (static_cast<unsigned char>(s[i]) == 0xED && static_cast<unsigned char>(s[i + 1]) >= 0xA0) end = i + 3;
    return end;
}

std::string lead_of(std::string_view content, std::string_view ext, const std::vector<std::string_view>& lines) {
    std::string lead;
    if (ext == ".py") {
        if (auto m = table().re(PY_DOC).search(content)) lead = squeeze_and_cut(m->group(1));
    } else if (is_one_of(ext, {".ts", ".tsx", ".js", ".jsx"})) {
        each(BLOCK_DOC, content, [&](const core::Match& m) {
            if (m.start() == 0) lead = squeeze_and_cut(core::replace(m.group(1), "*", ""));
            return false;
        });
    }
    if (!lead.empty()) return lead;
    for (std::size_t i = 0; i < std::min<std::size_t>(lines.size(), 5); ++i) {
        std::string_view l = core::strip(lines[i]);
        l = core::lstrip_chars(l, "#");
        l = core::lstrip_chars(l, "/");
        l = core::strip(l);
        if (core::cp_len(l) >= 10) return std::string(core::cp_prefix(l, kLeadCut));
    }
    return lead;
}

class Names {
public:
    // Adds a new non-empty name; false once five are held.
    bool add(std::string_view name) {
        if (!name.empty() && !has(name)) names_.emplace_back(name);
        return !full();
    }
    void add_first(std::string_view name) { names_.emplace_back(name); }
    bool has(std::string_view name) const { return std::find(names_.begin(), names_.end(), name) != names_.end(); }
    bool full() const { return names_.size() >= kMaxNames; }
    const std::vector<std::string>& list() const { return names_; }

private:
    std::vector<std::string> names_;
};

std::vector<std::string> names_of(std::string_view content, std::string_view ext) {
    Names names;
    auto take_first_group = [&](const core::Match& m) { return names.add(first_group(m)); };
    if (ext == ".py") {
        each(PY_NAMES, content, [&](const core::Match& m) {
            std::string_view name = first_group(m);
            if (name.starts_with("_")) return true;
            return names.add(name);
        });
    } else if (is_one_of(ext, {".ts", ".tsx", ".js", ".jsx"})) {
        each(TS_NAMES, content, take_first_group);
    } else if (ext == ".rs") {
        each(RS_NAMES, content, take_first_group);
    } else if (ext == ".java" || ext == ".kt") {
        each(JAVA_NAMES, content, take_first_group);
    } else if (ext == ".cs") {
        each(CS_NAMES, content, take_first_group);
    } else if (ext == ".xaml") {
        if (auto m = table().re(XAML_CLASS).search(content)) names.add_first(m->group(1));
        each(XAML_NAME, content, [&](const core::Match& m) {
            if (!names.has(m.group(1))) names.add_first(m.group(1));
            return !names.full();
        });
    } else if (ext == ".rb") {
        each(RB_NAMES, content, take_first_group);
    } else if (ext == ".php") {
        each(PHP_NAMES, content, take_first_group);
    } else if (is_one_of(ext, {".c", ".cpp", ".h", ".hpp"})) {
        each(C_TYPES, content, take_first_group);
        if (!names.full()) {
            each(C_DEFINITIONS, content, [&](const core::Match& m) {
                std::string_view name = m.group(1);
                if (is_one_of(name, {"if", "for", "while", "switch", "return", "sizeof", "catch"})) return true;
                return names.add(name);
            });
        }
    }
    return names.list();
}

std::string domain_of(std::string_view path) {
    const core::Regex& final_ext = table().re(FINAL_EXT);
    // Split at "/" and "\" by hand: a file id may hold lone surrogates, which the
    // pattern layer does not take.
    std::vector<std::string_view> parts;
    std::size_t from = 0;
    for (std::size_t i = 0; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == '/' || path[i] == '\\') {
            std::string_view piece = path.substr(from, i - from);
            if (!piece.empty() && piece != ".") parts.push_back(piece);
            from = i + 1;
        }
    }
    std::vector<std::string_view> kept;
    for (auto part : parts) {
        // A part with a lone surrogate cannot lower-case to one of the words.
        if (last_surrogate_end(part) == 0 &&
            is_one_of(core::lower(part), {"src", "lib", "app", "pkg", "main", "index"}))
            continue;
        kept.push_back(part);
    }
    std::string domain;
    if (!kept.empty()) {
        std::vector<std::string_view> last(kept.end() - std::min<std::size_t>(kept.size(), 2), kept.end());
        domain = core::replace(core::replace(join(last, " "), "_", " "), "-", " ");
    } else if (!parts.empty()) {
        domain = std::string(parts.back());
    }
    // \.\w+$ cannot take in a lone surrogate, so it only needs the text after the last one.
    const std::size_t head = last_surrogate_end(domain);
    domain = domain.substr(0, head) + final_ext.sub("", std::string_view(domain).substr(head));
    return std::string(core::strip(domain));
}

}  // namespace

std::vector<PatternSpec> summary_patterns() { return {std::begin(kTable), std::end(kTable)}; }

std::string make_summary(std::string_view content, std::string_view path, std::string_view ext) {
    const auto lines = core::splitlines(content);
    const std::string lead = lead_of(content, ext, lines);
    const std::vector<std::string> names = names_of(content, ext);
    const std::string domain = domain_of(path);

    std::vector<std::string> parts_out;
    if (!lead.empty()) {
        parts_out.push_back(std::string(core::rstrip_chars(lead, ".")) + ".");
    } else if (!domain.empty()) {
        parts_out.push_back("Handles " + domain + ".");
    }
    if (!names.empty()) {
        std::string names_str = join(names, ", ", kShownNames);
        if (names.size() > kShownNames) names_str += ", ...";
        const char* label = names.size() == 1 ? "function" : "functions/classes";
        parts_out.push_back("Contains " + std::to_string(names.size()) + " " + label + ": " + names_str + ".");
    }
    return std::string(core::cp_prefix(join(parts_out, " "), kSummaryCut));
}

}  // namespace vorlane

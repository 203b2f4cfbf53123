#include "audit/report.hpp"

#include <vector>

#include "audit/code_exts.hpp"
#include "audit/colour.hpp"
#include "audit/score_roadmap.hpp"
#include "audit/values.hpp"
#include "core/paths.hpp"
#include "core/text.hpp"

namespace audit {

namespace {

// 52 heavy horizontal lines.
std::string rule() {
    std::string out;
    for (int i = 0; i < 52; ++i) out += "\xe2\x94\x81";
    return out;
}

constexpr const char* kDot = "\xc2\xb7";        // ·
constexpr const char* kArrow = "\xe2\x86\x92";  // →
constexpr const char* kDash = "\xe2\x80\x94";   // —
constexpr const char* kTimes = "\xc3\x97";      // ×

// The report's lines, and the styles of one run.
class Lines {
public:
    explicit Lines(bool color) : color_(color) {}
    std::string c(std::string_view style, std::string_view text) const { return colour(style, text, color_); }
    std::string h(std::string_view text) const { return c("bold", text); }
    std::string dim(std::string_view text) const { return c("dim", text); }
    void add(std::string line) { lines_.push_back(std::move(line)); }
    // The lines joined by "\n", with no final line break.
    std::string joined() const {
        std::string out;
        for (std::size_t i = 0; i < lines_.size(); ++i) {
            if (i) out += '\n';
            out += lines_[i];
        }
        return out;
    }

private:
    bool color_;
    std::vector<std::string> lines_;
};

// The text of a list item's field, which must be present.
std::string field(const Json& item, std::string_view key) { return py_str(require(item, key)); }

// A list the host would index, TypeError otherwise.
const Json& subscriptable(const Json& v) {
    if (!v.is_array()) throw TypeError(std::string("'") + type_name(v) + "' object is not subscriptable");
    return v;
}

void overview(Lines& L, const std::string& root, const Json& r) {
    const Json& graph = map_or_empty(r, "_graph");
    long long code_files = 0, symbols = 0;
    for (const Json& n : list_or_empty(graph, "nodes")) {
        const Json* kind = find(n, "kind");
        if (equals_text(kind, "file") && is_code_path(as_text(require(n, "id")))) ++code_files;
        if (equals_text(kind, "symbol")) ++symbols;
    }
    const Json& score = require(r, "debt_score");
    const double score_value = as_number(score);
    const char* band = score_band(score_value);

    L.add("");
    L.add(L.h(std::string("Tarvelle Audit ") + kDash + " " + core::paths::name(root)));
    L.add(rule());
    L.add("");
    L.add(L.h("OVERVIEW"));
    L.add("  Code files: " + group_thousands(code_files) + "   Symbols: " + group_thousands(symbols));
    L.add("  Vibe debt:  " + L.c(debt_color(score_value), py_str(score) + "/100  (" + band + ")"));
    L.add("");
}

void test_coverage(Lines& L, const Json& r) {
    const Json& tc = map_or_empty(r, "test_coverage");
    const Json* pct = find(tc, "coverage_pct");
    const std::string pct_text = pct ? py_str(*pct) : "?";
    const char* pct_colour = "red";
    if (pct && is_integer(*pct)) {
        const double p = as_number(*pct);
        pct_colour = p >= 70 ? "green" : p >= 40 ? "yellow" : "red";
    }
    const Json* tested = find(tc, "tested_files");
    const Json* total = find(tc, "total_code_files");
    L.add(L.h("TEST COVERAGE"));
    L.add("  " + L.c(pct_colour, pct_text + "%") + "  (" + (tested ? py_str(*tested) : "0") + "/" +
          (total ? py_str(*total) : "0") + " source files covered)");
    const Json& untested = list_or_empty(tc, "untested");
    if (!untested.empty()) {
        L.add(L.dim("  Largest untested:"));
        for (std::size_t i = 0; i < untested.size() && i < 4; ++i)
            L.add(L.dim(std::string("    ") + kDot + " " + py_str(untested[i])));
    }
    L.add("");
}

// One line per item of each finding section.
std::string dead_export(const Lines& L, const Json& d) {
    return std::string("  ") + kDot + " " + field(d, "file") + ":" + field(d, "line") + "  " +
           L.dim(field(d, "symbol"));
}

std::string cycle(const Lines& L, const Json& cyc) {
    subscriptable(cyc);
    std::string joined;
    for (std::size_t k = 0; k < cyc.size() && k < 4; ++k) {
        if (k) joined += std::string(" ") + kArrow + " ";
        joined += as_text(cyc[k]);
    }
    return std::string("  ") + kDot + " " + L.c("orange", joined);
}

std::string copy_group(const Lines& L, const Json& g) {
    const Json& syms = subscriptable(require(g, "symbols"));
    std::string names;
    for (std::size_t k = 0; k < syms.size() && k < 2; ++k) {
        if (k) names += "  /  ";
        const std::string& file = as_text(require(syms[k], "file"));
        const std::size_t slash = file.rfind('/');
        names += (slash == std::string::npos ? file : file.substr(slash + 1)) + "::" + field(syms[k], "name");
    }
    return std::string("  ") + kDot + " " + field(g, "copies") + kTimes + " duplicate, " + field(g, "lines") +
           " lines " + kDash + " " + L.dim(names);
}

std::string db_route(const Lines&, const Json& d) {
    const Json& lines = subscriptable(require(d, "lines"));
    std::string shown;
    for (std::size_t k = 0; k < lines.size() && k < 3; ++k) shown += (k ? ", " : "") + py_str(lines[k]);
    return std::string("  ") + kDot + " " + field(d, "file") + "  (" + field(d, "count") + " calls, lines " + shown +
           ")";
}

std::string todo(const Lines& L, const Json& t) {
    const std::string& text = as_text(require(t, "text"));
    return std::string("  ") + kDot + " " + field(t, "file") + ":" + field(t, "line") + "  " +
           L.dim(core::cp_prefix(text, 70));
}

std::string unhandled(const Lines& L, const Json& m) {
    return std::string("  ") + kDot + " " + field(m, "file") + ":" + field(m, "line") + "  " +
           L.dim(as_text(require(m, "symbol")) + "()");
}

// A finding section, shown when its list has items: the heading with the count, at most
// `cap` item lines, "... and N more" when `more` and items were left out, an empty line.
struct FindingSection {
    const char* key;
    const char* title;
    const char* unit;  // after the count in the heading
    std::size_t cap;
    bool more;
    std::string (*line)(const Lines&, const Json&);
};

constexpr FindingSection kFindings[] = {
    {"dead_exports", "DEAD EXPORTS", " symbols", 5, true, dead_export},
    {"circular_deps", "CIRCULAR DEPS", " cycle(s)", 3, false, cycle},
    {"copy_paste", "COPY-PASTE", " group(s)", 4, false, copy_group},
    {"db_in_routes", "DB IN ROUTES", " file(s)", 4, false, db_route},
    {"todos", "TODO / FIXME", "", 4, true, todo},
    {"missing_error_handling", "NO ERROR HANDLING", " function(s)", 4, false, unhandled},
};

void finding(Lines& L, const Json& r, const FindingSection& s) {
    const Json& items = list_or_empty(r, s.key);
    if (items.empty()) return;
    L.add(L.h(std::string(s.title) + "  (" + std::to_string(items.size()) + s.unit + ")"));
    for (std::size_t i = 0; i < items.size() && i < s.cap; ++i) L.add(s.line(L, items[i]));
    if (s.more && items.size() > s.cap) L.add(L.dim("  ... and " + std::to_string(items.size() - s.cap) + " more"));
    L.add("");
}

void roadmap(Lines& L, const Json& r) {
    const Json tasks = fix_roadmap(r);
    if (tasks.empty()) return;
    L.add(rule());
    L.add(L.h("FIX ROADMAP"));
    L.add("");
    for (const Json& t : tasks) {
        L.add(L.c("cyan", "  Week " + py_str(t["week"]) + ":  " + py_str(t["label"])));
        L.add(L.dim("           Why: " + py_str(t["why"])));
        const Json& files = t["files"];
        for (std::size_t k = 0; k < files.size() && k < 2; ++k)
            L.add(L.dim(std::string("           ") + kArrow + " " + py_str(files[k])));
        L.add("");
    }
}

}  // namespace

const char* debt_color(double score) { return score < 30 ? "green" : score < 60 ? "yellow" : "red"; }

std::string format_report(const std::string& root, const core::Json& r, bool color) {
    as_map(r);
    Lines L(color);
    overview(L, root, r);
    test_coverage(L, r);
    for (const FindingSection& s : kFindings) finding(L, r, s);
    roadmap(L, r);
    L.add(rule());
    L.add(L.dim("  Run  wendle audit /path --fix  to launch Claude with this context pre-loaded."));
    return L.joined();
}

}  // namespace audit

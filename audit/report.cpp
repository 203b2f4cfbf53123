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

const Json& entry_list(const Json& r, std::string_view key) { return list_or_empty(r, key); }

// The text of a list item's field, which must be present.
std::string field(const Json& item, std::string_view key) { return py_str(require(item, key)); }

}  // namespace

const char* debt_color(double score) { return score < 30 ? "green" : score < 60 ? "yellow" : "red"; }

std::string format_report(const std::string& root, const core::Json& r, bool color) {
    as_map(r);
    auto c = [color](std::string_view style, std::string_view text) { return colour(style, text, color); };
    auto h = [&](std::string_view text) { return c("bold", text); };
    auto dim = [&](std::string_view text) { return c("dim", text); };

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

    std::vector<std::string> L;
    L.push_back("");
    L.push_back(h(std::string("Tarvelle Audit ") + kDash + " " + core::paths::name(root)));
    L.push_back(rule());
    L.push_back("");
    L.push_back(h("OVERVIEW"));
    L.push_back("  Code files: " + group_thousands(code_files) + "   Symbols: " + group_thousands(symbols));
    L.push_back("  Vibe debt:  " + c(debt_color(score_value), py_str(score) + "/100  (" + band + ")"));
    L.push_back("");

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
    L.push_back(h("TEST COVERAGE"));
    L.push_back("  " + c(pct_colour, pct_text + "%") + "  (" + (tested ? py_str(*tested) : "0") + "/" +
                (total ? py_str(*total) : "0") + " source files covered)");
    const Json& untested = list_or_empty(tc, "untested");
    if (!untested.empty()) {
        L.push_back(dim("  Largest untested:"));
        for (std::size_t i = 0; i < untested.size() && i < 4; ++i)
            L.push_back(dim(std::string("    ") + kDot + " " + py_str(untested[i])));
    }
    L.push_back("");

    const Json& dead = entry_list(r, "dead_exports");
    if (!dead.empty()) {
        L.push_back(h("DEAD EXPORTS  (" + std::to_string(dead.size()) + " symbols)"));
        for (std::size_t i = 0; i < dead.size() && i < 5; ++i)
            L.push_back(std::string("  ") + kDot + " " + field(dead[i], "file") + ":" + field(dead[i], "line") + "  " +
                        dim(field(dead[i], "symbol")));
        if (dead.size() > 5) L.push_back(dim("  ... and " + std::to_string(dead.size() - 5) + " more"));
        L.push_back("");
    }

    const Json& cycles = entry_list(r, "circular_deps");
    if (!cycles.empty()) {
        L.push_back(h("CIRCULAR DEPS  (" + std::to_string(cycles.size()) + " cycle(s))"));
        for (std::size_t i = 0; i < cycles.size() && i < 3; ++i) {
            const Json& cyc = cycles[i];
            if (!cyc.is_array()) throw TypeError(std::string("'") + type_name(cyc) + "' object is not subscriptable");
            std::string joined;
            for (std::size_t k = 0; k < cyc.size() && k < 4; ++k) {
                if (k) joined += std::string(" ") + kArrow + " ";
                joined += as_text(cyc[k]);
            }
            L.push_back(std::string("  ") + kDot + " " + c("orange", joined));
        }
        L.push_back("");
    }

    const Json& groups = entry_list(r, "copy_paste");
    if (!groups.empty()) {
        L.push_back(h("COPY-PASTE  (" + std::to_string(groups.size()) + " group(s))"));
        for (std::size_t i = 0; i < groups.size() && i < 4; ++i) {
            const Json& g = groups[i];
            const Json& syms = require(g, "symbols");
            if (!syms.is_array()) throw TypeError(std::string("'") + type_name(syms) + "' object is not subscriptable");
            std::string names;
            for (std::size_t k = 0; k < syms.size() && k < 2; ++k) {
                if (k) names += "  /  ";
                const std::string& file = as_text(require(syms[k], "file"));
                const std::size_t slash = file.rfind('/');
                names += (slash == std::string::npos ? file : file.substr(slash + 1)) + "::" + field(syms[k], "name");
            }
            L.push_back(std::string("  ") + kDot + " " + field(g, "copies") + kTimes + " duplicate, " +
                        field(g, "lines") + " lines " + kDash + " " + dim(names));
        }
        L.push_back("");
    }

    const Json& db = entry_list(r, "db_in_routes");
    if (!db.empty()) {
        L.push_back(h("DB IN ROUTES  (" + std::to_string(db.size()) + " file(s))"));
        for (std::size_t i = 0; i < db.size() && i < 4; ++i) {
            const Json& lines = require(db[i], "lines");
            if (!lines.is_array())
                throw TypeError(std::string("'") + type_name(lines) + "' object is not subscriptable");
            std::string shown;
            for (std::size_t k = 0; k < lines.size() && k < 3; ++k) shown += (k ? ", " : "") + py_str(lines[k]);
            L.push_back(std::string("  ") + kDot + " " + field(db[i], "file") + "  (" + field(db[i], "count") +
                        " calls, lines " + shown + ")");
        }
        L.push_back("");
    }

    const Json& todos = entry_list(r, "todos");
    if (!todos.empty()) {
        L.push_back(h("TODO / FIXME  (" + std::to_string(todos.size()) + ")"));
        for (std::size_t i = 0; i < todos.size() && i < 4; ++i) {
            const std::string& text = as_text(require(todos[i], "text"));
            L.push_back(std::string("  ") + kDot + " " + field(todos[i], "file") + ":" + field(todos[i], "line") +
                        "  " + dim(core::cp_prefix(text, 70)));
        }
        if (todos.size() > 4) L.push_back(dim("  ... and " + std::to_string(todos.size() - 4) + " more"));
        L.push_back("");
    }

    const Json& meh = entry_list(r, "missing_error_handling");
    if (!meh.empty()) {
        L.push_back(h("NO ERROR HANDLING  (" + std::to_string(meh.size()) + " function(s))"));
        for (std::size_t i = 0; i < meh.size() && i < 4; ++i)
            L.push_back(std::string("  ") + kDot + " " + field(meh[i], "file") + ":" + field(meh[i], "line") + "  " +
                        dim(as_text(require(meh[i], "symbol")) + "()"));
        L.push_back("");
    }

    const Json roadmap = fix_roadmap(r);
    if (!roadmap.empty()) {
        L.push_back(rule());
        L.push_back(h("FIX ROADMAP"));
        L.push_back("");
        for (const Json& t : roadmap) {
            L.push_back(c("cyan", "  Week " + py_str(t["week"]) + ":  " + py_str(t["label"])));
            L.push_back(dim("           Why: " + py_str(t["why"])));
            const Json& files = t["files"];
            for (std::size_t k = 0; k < files.size() && k < 2; ++k)
                L.push_back(dim(std::string("           ") + kArrow + " " + py_str(files[k])));
            L.push_back("");
        }
    }

    L.push_back(rule());
    L.push_back(dim("  Run  wendle audit /path --fix  to launch Claude with this context pre-loaded."));

    std::string out;
    for (std::size_t i = 0; i < L.size(); ++i) {
        if (i) out += '\n';
        out += L[i];
    }
    return out;
}

}  // namespace audit

#include "audit/score_roadmap.hpp"

#include <algorithm>
#include <cmath>
#include <unordered_set>
#include <vector>

#include "audit/values.hpp"

namespace audit {

namespace {

// r.get(key, []) and its length.
std::size_t entry_len(const Json& r, std::string_view key) {
    const Json* v = find(r, key);
    return v ? py_len(*v) : 0;
}

const Json& entry_list(const Json& r, std::string_view key) { return list_or_empty(r, key); }

// The coverage value: coverage_pct of test_coverage, 100 when either is absent.
Json coverage_value(const Json& r) {
    const Json& tc = map_or_empty(r, "test_coverage");
    const Json* pct = find(tc, "coverage_pct");
    return pct ? *pct : Json(100);
}

// Distinct values gathered in first-seen order; `files` takes the first four.
struct Gather {
    std::vector<Json> values;
    std::unordered_set<std::string> keys;
    void add(const Json& v) {
        if (keys.insert(hash_key(v)).second) values.push_back(v);
    }
    Json first4() const {
        Json out = Json::array();
        for (std::size_t i = 0; i < values.size() && i < 4; ++i) out.push_back(values[i]);
        return out;
    }
};

Json head(const Json& list, std::size_t n) {
    Json out = Json::array();
    for (std::size_t i = 0; i < list.size() && i < n; ++i) out.push_back(list[i]);
    return out;
}

// A list-like entry's first n items; TypeError when it cannot be sliced.
const Json& sliceable(const Json& v) {
    if (!v.is_array()) throw TypeError(std::string("'") + type_name(v) + "' object is not subscriptable");
    return v;
}

Json task(int week, std::string label, Json files, std::string why) {
    Json t = Json::object();
    t["week"] = week;
    t["label"] = std::move(label);
    t["files"] = std::move(files);
    t["why"] = std::move(why);
    return t;
}

}  // namespace

const char* score_band(double score) { return score < 30 ? "LOW" : score < 60 ? "MEDIUM" : "HIGH"; }

long long debt_score(const core::Json& r) {
    as_map(r);
    const Json cov = coverage_value(r);
    const double coverage = std::max(0.0, 60.0 - as_number(cov));
    const long long dead = std::min<long long>(15, static_cast<long long>(entry_len(r, "dead_exports") / 3));
    const long long cyc = std::min<long long>(10, static_cast<long long>(entry_len(r, "circular_deps") * 2));
    const long long cp = std::min<long long>(10, static_cast<long long>(entry_len(r, "copy_paste") * 2));
    const long long db = std::min<long long>(5, static_cast<long long>(entry_len(r, "db_in_routes")));
    const long long todo = std::min<long long>(5, static_cast<long long>(entry_len(r, "todos") / 4));
    const long long meh = std::min<long long>(5, static_cast<long long>(entry_len(r, "missing_error_handling") / 3));
    const double total = coverage + static_cast<double>(dead + cyc + cp + db + todo + meh);
    return static_cast<long long>(std::trunc(std::min(100.0, total)));
}

core::Json fix_roadmap(const core::Json& r) {
    as_map(r);
    Json tasks = Json::array();
    const Json cov = coverage_value(r);
    const Json& tc = map_or_empty(r, "test_coverage");

    if (as_number(cov) < 50) {
        const Json* untested = find(tc, "untested");
        const Json files = untested ? head(sliceable(*untested), 3) : Json::array();
        tasks.push_back(
            task(1, "Add tests to largest untested modules", files, "Only " + py_str(cov) + "% test coverage"));
    }
    const Json& db = entry_list(r, "db_in_routes");
    if (!db.empty()) {
        Json files = Json::array();
        for (std::size_t i = 0; i < db.size() && i < 3; ++i) files.push_back(require(db[i], "file"));
        tasks.push_back(task(1, "Move DB calls out of route handlers", files,
                             "Direct DB in routes = no separation of concerns, untestable"));
    }
    const Json& cp = entry_list(r, "copy_paste");
    if (!cp.empty()) {
        Gather g;
        for (std::size_t i = 0; i < cp.size() && i < 3; ++i)
            for (const Json& s : sliceable(require(cp[i], "symbols"))) g.add(require(s, "file"));
        tasks.push_back(task(
            2, "Extract duplicated functions to shared util", g.first4(),
            std::to_string(cp.size()) + " duplicate function group(s) \xe2\x80\x94 single bug fix = fix everywhere"));
    }
    const Json& cyc = entry_list(r, "circular_deps");
    if (!cyc.empty()) {
        Gather g;
        for (std::size_t i = 0; i < cyc.size() && i < 2; ++i)
            for (const Json& id : sliceable(cyc[i])) g.add(id);
        tasks.push_back(task(2, "Break circular imports", g.first4(),
                             "Circular deps prevent tree-shaking and cause init-order bugs"));
    }
    const Json& dead = entry_list(r, "dead_exports");
    if (dead.size() >= 5) {
        Gather g;
        for (std::size_t i = 0; i < dead.size() && i < 6; ++i) g.add(require(dead[i], "file"));
        tasks.push_back(task(3, "Remove " + std::to_string(dead.size()) + " dead exports", g.first4(),
                             "Dead code increases bundle size and confuses readers"));
    }
    const Json& meh = entry_list(r, "missing_error_handling");
    if (!meh.empty()) {
        Gather g;
        for (std::size_t i = 0; i < meh.size() && i < 5; ++i) g.add(require(meh[i], "file"));
        tasks.push_back(task(2, "Add error handling to " + std::to_string(meh.size()) + " external call(s)", g.first4(),
                             "Unhandled network/RPC errors cause silent failures in production"));
    }
    return tasks;
}

}  // namespace audit

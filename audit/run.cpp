#include "audit/run.hpp"

#include <algorithm>
#include <cstdlib>
#include <future>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <vector>

#include "audit/circular_deps.hpp"
#include "audit/copy_paste.hpp"
#include "audit/db_in_routes.hpp"
#include "audit/dead_exports.hpp"
#include "audit/error_handling.hpp"
#include "audit/readers.hpp"
#include "audit/score_roadmap.hpp"
#include "audit/test_coverage.hpp"
#include "audit/todos.hpp"
#include "audit/values.hpp"
#include "core/fs.hpp"
#include "core/names.hpp"
#include "core/parallel.hpp"
#include "core/paths.hpp"
#include "core/text.hpp"

namespace audit {

namespace {

// The checks behind CHECK_STEPS, in its order: those over the graph alone, and those
// that also read the project's sources.
using GraphCheck = Json (*)(const Json& graph, const std::string& root, const core::StopFlag* stop);
using SourceCheck = Json (*)(const Json& graph, const SourceReader& read, unsigned threads, const core::StopFlag* stop);
struct CheckEntry {
    std::string_view key;
    GraphCheck over_graph;
    SourceCheck over_sources;
    unsigned weight = 0;  // a source check's part of the thread budget
};
constexpr std::array<CheckEntry, CHECK_STEPS.size()> kChecks = {{
    {"dead_exports",
     [](const Json& g, const std::string&, const core::StopFlag* s) { return check_dead_exports(g, s); }, nullptr},
    {"test_coverage", &check_test_coverage, nullptr},
    {"circular_deps",
     [](const Json& g, const std::string&, const core::StopFlag* s) { return check_circular_deps(g, s); }, nullptr},
    {"copy_paste", [](const Json& g, const std::string&, const core::StopFlag* s) { return check_copy_paste(g, s); },
     nullptr},
    // The route check reads few files; the error-handling check reads every file of a
    // symbol and scans its rows, the longest of the three.
    {"db_in_routes", nullptr, &check_db_in_routes, 1},
    {"todos", nullptr, &check_todos, 1},
    {"missing_error_handling", nullptr, &check_missing_error_handling, 2},
}};

constexpr bool same_order() {
    for (std::size_t i = 0; i < kChecks.size(); ++i)
        if (kChecks[i].key != CHECK_STEPS[i].key) return false;
    return true;
}
static_assert(same_order(), "every step has its check, in the steps' order");

constexpr unsigned kTotalWeight = [] {
    unsigned total = 0;
    for (const CheckEntry& c : kChecks) total += c.weight;
    return total;
}();

// Where each check runs under a thread budget of `budget` (the calling thread counted):
// with one thread all run in order on the calling thread; with two or three the checks
// over the graph run there and one more thread runs the source checks one after another,
// each on the rest of the budget; with more the source checks run side by side, each on
// a thread of its own with its share (by weight) of what the calling thread leaves, one
// each at least.
struct Plan {
    enum class Where { Caller, SourceThread, OwnThread };
    std::array<Where, kChecks.size()> where{};
    std::array<unsigned, kChecks.size()> threads{};
};

Plan plan_for(unsigned budget) {
    Plan p;
    for (std::size_t i = 0; i < kChecks.size(); ++i) {
        p.threads[i] = 1;
        if (!kChecks[i].over_sources || budget <= 1) continue;
        if (budget < 4) {
            p.where[i] = Plan::Where::SourceThread;
            p.threads[i] = budget - 1;
        } else {
            p.where[i] = Plan::Where::OwnThread;
            p.threads[i] = std::max(1u, (budget - 1) * kChecks[i].weight / kTotalWeight);
        }
    }
    return p;
}

Json run_planned(std::size_t i, unsigned threads, const Json& graph, const std::string& root,
                 const core::StopFlag* stop) {
    core::check_stop(stop);
    const CheckEntry& c = kChecks[i];
    if (c.over_graph) return c.over_graph(graph, root, stop);
    // The reader looks for a stop before each file; the walks between files look too.
    return c.over_sources(graph, project_reader(root, stop), threads, stop);
}

}  // namespace

core::Json run_check(std::size_t i, const core::Json& graph, const std::string& root, const core::StopFlag* stop) {
    if (i >= kChecks.size()) throw std::out_of_range("no such check");
    return run_planned(i, core::thread_budget(), graph, root, stop);
}

bool has_graph(const core::Json& graph) { return truthy(graph); }

core::Json run_checks(const core::Json& graph, const std::string& root,
                      const std::function<void(const CheckStep&, bool done)>& progress, const core::StopFlag* stop) {
    // The checks only read the graph and the sources, so those planned for threads of
    // their own start at once; the others run on this thread as their turn comes. The
    // results are taken (and their progress told) in the fixed order. A check that raises
    // ends the run there, once the others have finished (every thread is joined before
    // this returns).
    const Plan plan = plan_for(core::thread_budget());
    std::array<std::promise<Json>, kChecks.size()> results;
    std::array<std::future<Json>, kChecks.size()> pending;
    for (std::size_t i = 0; i < kChecks.size(); ++i) pending[i] = results[i].get_future();
    auto deliver = [&](std::size_t i) {
        try {
            results[i].set_value(run_planned(i, plan.threads[i], graph, root, stop));
        } catch (...) {
            results[i].set_exception(std::current_exception());
        }
    };
    std::vector<std::thread> threads;
    struct Joiner {
        std::vector<std::thread>& threads;
        ~Joiner() {
            for (std::thread& t : threads) t.join();
        }
    } joiner{threads};
    auto start = [&](auto&& body) {
        try {
            threads.emplace_back(std::forward<decltype(body)>(body));
            return true;
        } catch (const std::system_error&) {
            return false;  // no thread to spare: the checks wait for this thread
        }
    };
    std::array<bool, kChecks.size()> started{};
    for (std::size_t i = 0; i < kChecks.size(); ++i)
        if (plan.where[i] == Plan::Where::OwnThread) started[i] = start([&deliver, i] { deliver(i); });
    const bool sharing = std::find(plan.where.begin(), plan.where.end(), Plan::Where::SourceThread) != plan.where.end();
    const bool shared_started = sharing && start([&] {
                                    for (std::size_t i = 0; i < kChecks.size(); ++i)
                                        if (plan.where[i] == Plan::Where::SourceThread) deliver(i);
                                });
    for (std::size_t i = 0; i < kChecks.size(); ++i)
        if (plan.where[i] == Plan::Where::SourceThread) started[i] = shared_started;
    Json r = Json::object();
    for (std::size_t i = 0; i < CHECK_STEPS.size(); ++i) {
        core::check_stop(stop);
        if (progress) progress(CHECK_STEPS[i], false);
        if (!started[i]) deliver(i);
        Json result = pending[i].get();
        core::check_stop(stop);
        r[std::string(CHECK_STEPS[i].key)] = std::move(result);
        if (progress) progress(CHECK_STEPS[i], true);
    }
    r["debt_score"] = debt_score(r);
    return r;
}

core::Json run_audit(core::Json graph, const std::string& root,
                     const std::function<void(const CheckStep&, bool done)>& progress, const core::StopFlag* stop) {
    Json r = Json::object();
    // Room for every key at once: the map's members are copied, not moved, when it
    // grows (their keys are const), and one of them is the whole graph.
    r.get_ref<Json::object_t&>().reserve(CHECK_STEPS.size() + 2);
    r["_graph"] = std::move(graph);
    Json checks;
    try {
        checks = run_checks(r["_graph"], root, progress, stop);
    } catch (...) {
        // The graph, seconds to free when large, need not hold up a stop (or an error,
        // a progress report's included).
        core::keep_for_freeing(std::move(r));
        throw;
    }
    for (auto it = checks.begin(); it != checks.end(); ++it) r[it.key()] = std::move(it.value());
    return r;
}

std::string banner(const std::string& root) {
    return "\nTarvelle Auditor \xe2\x80\x94 " + core::paths::name(root) + "\n";
}

std::string missing_graph_message(const std::string& root) {
    return "No " + std::string(core::names::GRAPH_FILE) + " found in " + root + "/" +
           std::string(core::names::DATA_DIR) + "/\n" +
           "Run `wendle .` first to build the graph, then re-run the audit.\n";
}

std::string progress_start(const CheckStep& step) { return "  " + std::string(step.label) + "...  "; }

std::string closing_lines(const std::string& report_path, const std::string& context_path) {
    return "\n  JSON:    " + report_path + "\n  Context: " + context_path + "\n";
}

std::string resolve_root(std::string_view root_arg) { return core::paths::resolve(core::paths::expand_user(root_arg)); }

std::string report_path(const std::optional<std::string>& out, const std::string& root) {
    if (out && !out->empty()) return core::paths::normalize(*out);
    return core::paths::join(core::paths::join(root, core::names::DATA_DIR), core::names::AUDIT_REPORT_FILE);
}

std::string report_json(const core::Json& results) {
    Json report = Json::object();
    for (const auto& [k, v] : results.items())
        if (k != "_graph") report[k] = v;
    return core::json_dumps_indent(report, 2);
}

std::string write_report(const std::string& path, const core::Json& results) {
    core::fs::make_dirs(core::paths::parent(path));
    const std::string text = report_json(results);
    core::fs::replace_text(path, text);
    return text;
}

namespace {

// Whether a program named by `path` is there. On Windows the path names its program as
// the C runtime reads it: itself when it has an ending, else with one of the endings
// of programs.
bool program_at(const std::string& path, bool runnable_file) {
    const core::fs::FileSystem& fs = core::fs::current();
#ifdef _WIN32
    for (const std::string& file : core::paths::windows_program_files(path))
        if (runnable_file ? fs.stat(file).is_file() : core::fs::exists(file)) return true;
    return false;
#else
    return runnable_file ? fs.stat(path).is_file() && fs.executable(path) : core::fs::exists(path);
#endif
}

}  // namespace

std::optional<std::string> find_wendle(const std::string& module_dir) {
    const std::string beside = core::paths::join(core::paths::join(module_dir, "bin"), "wendle");
    if (program_at(beside, false)) return beside;
    const char* path_env = std::getenv("PATH");
    if (!path_env) return std::nullopt;
    // Relative entries (and the empty one) name the current directory, which is often
    // the audited project itself: a file planted there must not run.
    const auto runnable = [](std::string_view dir, const std::string& candidate) {
        return core::paths::is_absolute(dir) && program_at(candidate, true);
    };
    const auto found = core::paths::search_path(core::paths::fs_decode(path_env), "wendle", runnable);
    if (!found) return std::nullopt;
    return core::paths::normalize(*found);
}

}  // namespace audit

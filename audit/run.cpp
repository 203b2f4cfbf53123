#include "audit/run.hpp"

#include <cstdlib>
#include <future>
#include <stdexcept>

#include "audit/circular_deps.hpp"
#include "audit/copy_paste.hpp"
#include "audit/db_in_routes.hpp"
#include "audit/dead_exports.hpp"
#include "audit/error_handling.hpp"
#include "audit/parallel.hpp"
#include "audit/readers.hpp"
#include "audit/score_roadmap.hpp"
#include "audit/test_coverage.hpp"
#include "audit/todos.hpp"
#include "audit/values.hpp"
#include "core/fs.hpp"
#include "core/paths.hpp"
#include "core/text.hpp"

namespace audit {

core::Json run_check(std::size_t i, const core::Json& graph, const std::string& root, const core::StopFlag* stop) {
    switch (i) {
        case 0:
            return check_dead_exports(graph);
        case 1:
            return check_test_coverage(graph, root);
        case 2:
            return check_circular_deps(graph);
        case 3:
            return check_copy_paste(graph);
        case 4:
            return check_db_in_routes(graph, project_reader(root, stop), default_threads());
        case 5:
            return check_todos(graph, project_reader(root, stop), default_threads());
        case 6:
            return check_missing_error_handling(graph, project_reader(root, stop), default_threads());
        default:
            throw std::out_of_range("no such check");
    }
}

bool has_graph(const core::Json& graph) { return truthy(graph); }

core::Json run_checks(const core::Json& graph, const std::string& root,
                      const std::function<void(const CheckStep&, bool done)>& progress,
                      const core::StopFlag* stop) {
    // The checks only read the graph and the sources, so they all start at once; their
    // results are taken (and their progress told) in the fixed order. A check that
    // raises ends the run there, once the others have finished (the futures join).
    std::array<std::future<Json>, CHECK_STEPS.size()> pending;
    for (std::size_t i = 0; i < CHECK_STEPS.size(); ++i)
        pending[i] =
            std::async(std::launch::async, [&graph, &root, i, stop] { return run_check(i, graph, root, stop); });
    Json r = Json::object();
    for (std::size_t i = 0; i < CHECK_STEPS.size(); ++i) {
        core::check_stop(stop);
        if (progress) progress(CHECK_STEPS[i], false);
        Json result = pending[i].get();
        core::check_stop(stop);
        r[std::string(CHECK_STEPS[i].key)] = std::move(result);
        if (progress) progress(CHECK_STEPS[i], true);
    }
    r["debt_score"] = debt_score(r);
    return r;
}

core::Json run_audit(core::Json graph, const std::string& root,
                     const std::function<void(const CheckStep&, bool done)>& progress,
                     const core::StopFlag* stop) {
    Json r = Json::object();
    r["_graph"] = std::move(graph);
    Json checks = run_checks(r["_graph"], root, progress, stop);
    for (auto it = checks.begin(); it != checks.end(); ++it) r[it.key()] = std::move(it.value());
    return r;
}

std::string banner(const std::string& root) {
    return "\nTarvelle Auditor \xe2\x80\x94 " + core::paths::name(root) + "\n";
}

std::string missing_graph_message(const std::string& root) {
    return "No info_graph.json found in " + root + "/.nimbrel/\n" +
           "Run `wendle .` first to build the graph, then re-run the audit.\n";
}

std::string progress_start(const CheckStep& step) { return "  " + std::string(step.label) + "...  "; }

std::string closing_lines(const std::string& report_path, const std::string& context_path) {
    return "\n  JSON:    " + report_path + "\n  Context: " + context_path + "\n";
}

std::string resolve_root(std::string_view root_arg) { return core::paths::resolve(core::paths::expand_user(root_arg)); }

std::string report_path(const std::optional<std::string>& out, const std::string& root) {
    if (out && !out->empty()) return core::paths::normalize(*out);
    return core::paths::join(core::paths::join(root, ".nimbrel"), "audit_report.json");
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

std::optional<std::string> find_wendle(const std::string& module_dir) {
    const std::string beside = core::paths::join(core::paths::join(module_dir, "bin"), "wendle");
    if (core::fs::exists(beside)) return beside;
    const char* path_env = std::getenv("PATH");
    if (!path_env) return std::nullopt;
#ifdef _WIN32
    constexpr std::string_view list_sep = ";";
#else
    constexpr std::string_view list_sep = ":";
#endif
    for (std::string_view dir : core::split_sep(path_env, list_sep)) {
        // Relative entries (and the empty one) name the current directory, which is often
        // the audited project itself: a file planted there must not run.
        if (!is_absolute_id(dir)) continue;
        const std::string candidate = core::paths::join(core::paths::fs_decode(dir), "wendle");
        const core::fs::FileSystem& fs = core::fs::current();
        if (fs.stat(candidate).is_file() && fs.executable(candidate)) return candidate;
    }
    return std::nullopt;
}

}  // namespace audit

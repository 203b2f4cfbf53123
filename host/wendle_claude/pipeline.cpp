// main and the graph bootstrap: question, project root, graph, retrieval, packing, then
// the dry run's output or the hand-over of the process to the agent's tool.
#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "agent/exec.hpp"
#include "agent/launch.hpp"
#include "agent/launch_text.hpp"
#include "core/fs.hpp"
#include "core/paths.hpp"
#include "host/common/convert.hpp"
#include "host/common/graph_json.hpp"
#include "host/common/imports.hpp"
#include "host/common/streams.hpp"
#include "host/wendle_claude/bindings.hpp"

namespace host::wendle_bind {

namespace {

namespace launch = agent::launch;

double wall_clock() {
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
}

// g.get(key, "?") in text form.
std::string count_text(py::handle g, const char* key) { return text_form(g.attr("get")(key, "?")); }

py::object ensure_graph(py::module_ m, py::object project_root) {
    const py::dict kestil = from_import("tarvelle.kestil", {"GRAPH_JSON", "DATA_DIR"});
    const std::string graph_file = fspath(kestil["GRAPH_JSON"]);
    if (core::fs::exists(graph_file)) return m.attr("load_graph")();

    write_stderr(launch::no_graph_line(text_form(project_root)));
    const double t0 = wall_clock();
    py::object g = m.attr("scan")(project_root);
    core::fs::make_dirs(fspath(kestil["DATA_DIR"]));
    // The retrieval engine's own write: the same bytes, and a reader never meets a
    // half-written graph.
    graph_json::store(graph_file, g);
    const double elapsed = wall_clock() - t0;
    write_stderr(launch::graph_built_line(elapsed, count_text(g, "node_count"), count_text(g, "edge_count")));
    return g;
}

launch::Environment host_environment() {
    launch::Environment env;
    py::object os_environ = py::module_::import("os").attr("environ");
    for (auto kv : os_environ.attr("items")()) {
        auto pair = kv.cast<py::tuple>();
        env.emplace_back(utf8_lenient(pair[0]), utf8_lenient(pair[1]));
    }
    return env;
}

std::optional<std::string> host_path_variable() {
    py::object v = py::module_::import("os").attr("environ").attr("get")("PATH");
    if (v.is_none()) return std::nullopt;
    return utf8_lenient(v);
}

py::object run_main(py::module_ m, py::object argv) {
    py::object args = m.attr("parse_args")(argv);
    std::vector<std::string> words;
    for (auto w : args.attr("query")) words.push_back(utf8_lenient(py::str(w)));
    const std::string question = launch::question(words);
    if (question.empty()) {
        write_stderr(launch::usage_lines());
        return py::int_(1);
    }

    const std::string root_text = core::paths::resolve(fspath(args.attr("project_root")));
    if (!core::fs::is_dir(root_text)) {
        write_stderr(launch::root_missing_line(root_text));
        return py::int_(1);
    }
    py::object root = py::module_::import("pathlib").attr("Path")(to_str(root_text));

    py::object graph;
    try {
        graph = m.attr("_ensure_graph")(root);
    } catch (py::error_already_set& e) {
        if (!e.matches(PyExc_Exception)) throw;
        write_stderr(launch::graph_error_line(text_form(e.value())));
        return py::int_(1);
    }

    const double t0 = wall_clock();
    py::object max_files = args.attr("max_files");
    py::object result = m.attr("retrieve")(graph, to_str(question), py::arg("top_files") = max_files,
                                           py::arg("top_edges") = launch::TOP_EDGES);
    py::object summaries = m.attr("load_summaries")(root);
    py::object context =
        m.attr("pack")(py::arg("retrieve_result") = result, py::arg("summaries") = summaries, py::arg("graph") = graph,
                       py::arg("project_root") = root, py::arg("token_budget") = args.attr("budget"),
                       py::arg("max_files") = max_files);
    const double pack_time = wall_clock() - t0;

    const bool verbose = args.attr("verbose").cast<bool>();
    if (verbose) write_stderr(launch::packed_line(pack_time, text_form(m.attr("estimate_tokens")(context))));
    const std::string context_text = text_form(context);
    if (args.attr("dry_run").cast<bool>()) {
        write_stdout(context_text + "\n");
        return py::int_(0);
    }

    if (!agent::process::find_program(launch::AGENT_PROGRAM, host_path_variable())) {
        write_stderr(launch::missing_agent_lines());
        return py::int_(1);
    }
    launch::AgentSwitches switches;
    switches.model = text_form(args.attr("model"));
    switches.json = args.attr("json").cast<bool>();
    switches.no_permissions = args.attr("no_permissions").cast<bool>();
    switches.no_session = args.attr("no_session").cast<bool>();
    const auto argv_out = launch::argument_vector(launch::full_prompt(context_text, question), switches);
    const auto env = launch::agent_environment(host_environment());
    if (verbose) write_stderr(launch::launching_line(switches.model));

    // The process is replaced without the host's exit handlers: what the host buffered
    // must be out first.
    flush_all();
    const int status = agent::process::replace_process(launch::AGENT_PROGRAM, argv_out, env);
    // Only where the platform starts the tool beside the launcher does this return.
    return py::int_(status);
}

}  // namespace

void bind_pipeline(py::module_& m) {
    // The docstrings are the functions' own, without a generated signature line.
    py::options options;
    options.disable_function_signatures();
    m.def(
        "_ensure_graph", [m](py::object project_root) { return ensure_graph(m, std::move(project_root)); },
        py::arg("project_root"), "Load the graph, building it automatically if it doesn't exist yet.");
    m.def(
        "main", [m](py::object argv) { return run_main(m, std::move(argv)); }, py::arg("argv") = py::none(),
        "The command: question, graph, retrieval, packing, then the agent's tool in this process's place (or the "
        "context on standard output with --dry-run). Returns the exit status when it returns at all.");
}

}  // namespace host::wendle_bind

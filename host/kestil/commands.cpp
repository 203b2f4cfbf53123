// The command-line part of tarvelle.kestil: the action-log reader, the sub-command
// handlers, the parser (the host's own argparse) and main. The handlers look up the
// module's operations and constants when they run, so a caller that replaces one of
// them (scan, load_graph, retrieve, GRAPH_JSON, ...) is obeyed; the texts they print are
// made by the retrieval library.
#include "host/kestil/commands.hpp"

#include <chrono>
#include <climits>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/json.hpp"
#include "host/common/args.hpp"
#include "host/common/convert.hpp"
#include "host/common/graph_json.hpp"
#include "host/common/streams.hpp"
#include "host/kestil/bindings.hpp"
#include "retrieval/action_log.hpp"
#include "retrieval/commands.hpp"

namespace host::kestil_bind {

namespace {

using host::truthy;

// An integer argument as the host's slicing takes it (anything with __index__), held
// to 64 bits: beyond that every cut of a list is the same.
std::int64_t slice_bound(py::handle o) {
    PyObject* index = PyNumber_Index(o.ptr());
    if (!index) throw py::error_already_set();
    py::object owned = py::reinterpret_steal<py::object>(index);
    int overflow = 0;
    const long long v = PyLong_AsLongLongAndOverflow(index, &overflow);
    if (overflow != 0) return overflow > 0 ? INT64_MAX : INT64_MIN;
    if (v == -1 && PyErr_Occurred()) throw py::error_already_set();
    return v;
}

// record.get(key, fallback) as text: a missing member gives `fallback`, a present one
// its text form (null as None). A record that is no mapping has no members.
std::string member_text(py::handle record, const char* key, const char* fallback) {
    py::object value;
    if (PyDict_Check(record.ptr())) {
        PyObject* v = host::dict_item(record.ptr(), py::str(key).ptr());
        if (!v) return fallback;
        value = py::reinterpret_borrow<py::object>(v);
    } else if (py::hasattr(record, "get")) {
        value = record.attr("get")(key, py::none());
        if (value.is_none() && !(py::hasattr(record, "__contains__") && record.contains(key))) return fallback;
    } else {
        return fallback;
    }
    return text_form(value);
}

std::vector<std::string> file_ids(py::handle files) {
    std::vector<std::string> out;
    for (py::handle f : files) out.push_back(member_text(f, "id", "None"));
    return out;
}

std::vector<retrieval::EdgeLine> edge_lines(py::handle edges) {
    std::vector<retrieval::EdgeLine> out;
    for (py::handle e : edges)
        out.push_back({member_text(e, "from", "None"), member_text(e, "rel", "None"), member_text(e, "to", "None")});
    return out;
}

py::object resolved_path(py::handle text) {
    return py::module_::import("pathlib").attr("Path")(text).attr("resolve")();
}

void print_output(const retrieval::CommandOutput& r) {
    if (!r.err.empty()) host::write_stderr(r.err);
    if (!r.out.empty()) host::write_stdout(r.out);
}

int cmd_scan(py::module_ m, py::handle args) {
    py::object root = resolved_path(args.attr("root"));
    if (!host::scan_root_ok(host::fspath(root))) return 1;
    py::object graph = m.attr("scan")(root);
    m.attr("ensure_data_dir")();
    py::object out_arg = args.attr("out");
    py::object out = truthy(out_arg) ? resolved_path(out_arg) : m.attr("GRAPH_JSON");
    // As load_graph stores it: a reader never sees half a graph.
    host::graph_json::store(host::fspath(out), graph);
    host::write_stdout(
        retrieval::scan_report(text_form(graph["node_count"]), text_form(graph["edge_count"]), host::fspath(out)));
    return 0;
}

int cmd_retrieve(py::module_ m, py::handle args) {
    py::object graph = m.attr("load_graph")();
    py::object query = args.attr("query");
    py::object result = m.attr("retrieve")(graph, query, args.attr("top_files"), args.attr("top_edges"));
    py::object files = result.attr("files"), edges = result.attr("edges");
    if (truthy(args.attr("json")))
        host::write_stdout(retrieval::retrieve_json(text_form(query), host::from_py(files), host::from_py(edges)));
    else
        host::write_stdout(retrieval::retrieve_text(text_form(query), file_ids(files), edge_lines(edges)));
    return 0;
}

int cmd_prime(py::module_ m, py::handle args) {
    py::object graph = m.attr("load_graph")();
    std::optional<std::string> env_query;
    py::object env = py::module_::import("os").attr("environ").attr("get")("KESTIL_QUERY");
    if (!env.is_none()) env_query = host::utf8_lenient(env);
    py::object option = args.attr("query");
    const std::string query = retrieval::prime_query(truthy(option) ? text_form(option) : "", env_query);
    py::object result = m.attr("retrieve")(graph, host::to_str(query), args.attr("top_files"), args.attr("top_edges"));
    py::object rows = m.attr("read_action_events")(py::arg("limit") = args.attr("recent_actions"));
    std::vector<retrieval::ActionLine> actions;
    for (py::handle row : rows)
        actions.push_back({member_text(row, "kind", "unknown"), member_text(row, "summary", "")});
    host::write_stdout(
        retrieval::prime_block(query, file_ids(result.attr("files")), edge_lines(result.attr("edges")), actions));
    return 0;
}

int cmd_action_log(py::module_ m, py::handle args) {
    m.attr("ensure_data_dir")();
    const std::string log = host::fspath(m.attr("ACTION_LOG"));
    const std::string kind = text_arg(args.attr("kind"), "cmd_action_log", "kind");
    const std::string summary = text_arg(args.attr("summary"), "cmd_action_log", "summary");
    py::object meta = args.attr("meta");
    const std::string meta_text = truthy(meta) ? text_arg(meta, "cmd_action_log", "meta") : "";
    const retrieval::CommandOutput r =
        retrieval::action_log_command(log, kind, summary, meta_text, std::chrono::system_clock::now());
    print_output(r);
    return r.status;
}

int cmd_stats(py::module_ m, py::handle args) {
    const retrieval::CommandOutput r =
        retrieval::stats_command(host::fspath(m.attr("TOKEN_LOG")), truthy(args.attr("json")));
    print_output(r);
    return r.status;
}

py::object read_action_events(py::module_ m, py::handle limit) {
    const std::int64_t bound = slice_bound(limit);
    const std::vector<core::Json> rows = retrieval::read_action_events(host::fspath(m.attr("ACTION_LOG")), bound);
    py::list out(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) out[i] = host::to_py(rows[i]);
    return out;
}

py::object build_parser(py::module_ m) {
    py::object argparse = py::module_::import("argparse");
    py::object int_type = py::module_::import("builtins").attr("int");
    py::object parser = argparse.attr("ArgumentParser")(py::arg("description") = "Nimbrel starter CLI");
    py::object sub = parser.attr("add_subparsers")(py::arg("dest") = "cmd", py::arg("required") = true);

    py::object scan = sub.attr("add_parser")("scan", py::arg("help") = "Scan project and build info graph");
    scan.attr("add_argument")("--root", py::arg("default") = py::str(m.attr("DEFAULT_ROOT")),
                              py::arg("help") = "Project root to scan");
    scan.attr("add_argument")("--out", py::arg("default") = py::str(m.attr("GRAPH_JSON")),
                              py::arg("help") = "Output graph JSON");
    scan.attr("set_defaults")(py::arg("func") = m.attr("cmd_scan"));

    py::object ret = sub.attr("add_parser")("retrieve", py::arg("help") = "Retrieve relevant files/edges for a query");
    ret.attr("add_argument")("--query", py::arg("required") = true, py::arg("help") = "Natural language task/query");
    ret.attr("add_argument")("--top-files", py::arg("type") = int_type, py::arg("default") = 20);
    ret.attr("add_argument")("--top-edges", py::arg("type") = int_type, py::arg("default") = 40);
    ret.attr("add_argument")("--json", py::arg("action") = "store_true");
    ret.attr("set_defaults")(py::arg("func") = m.attr("cmd_retrieve"));

    py::object prime = sub.attr("add_parser")("prime", py::arg("help") = "Output compact context for Claude hooks");
    prime.attr("add_argument")("--query", py::arg("default") = "", py::arg("help") = "Current query/task");
    prime.attr("add_argument")("--top-files", py::arg("type") = int_type, py::arg("default") = 12);
    prime.attr("add_argument")("--top-edges", py::arg("type") = int_type, py::arg("default") = 20);
    prime.attr("add_argument")("--recent-actions", py::arg("type") = int_type, py::arg("default") = 8);
    prime.attr("set_defaults")(py::arg("func") = m.attr("cmd_prime"));

    py::object action = sub.attr("add_parser")("action", py::arg("help") = "Action graph operations");
    py::object action_sub = action.attr("add_subparsers")(py::arg("dest") = "action_cmd", py::arg("required") = true);
    py::object log = action_sub.attr("add_parser")("log", py::arg("help") = "Append action event");
    log.attr("add_argument")("--kind", py::arg("required") = true, py::arg("help") = "Action kind");
    log.attr("add_argument")("--summary", py::arg("default") = "", py::arg("help") = "Short action summary");
    log.attr("add_argument")("--meta", py::arg("default") = "", py::arg("help") = "JSON object metadata");
    log.attr("set_defaults")(py::arg("func") = m.attr("cmd_action_log"));

    py::object stats = sub.attr("add_parser")("stats", py::arg("help") = "Token usage stats");
    stats.attr("add_argument")("--json", py::arg("action") = "store_true");
    stats.attr("set_defaults")(py::arg("func") = m.attr("cmd_stats"));
    return parser;
}

// Usage errors and help requests leave parse_args as the host's SystemExit (status 2
// and 0) and pass through here untouched; so does any error of a handler.
py::object main_command(py::module_ m) {
    py::object args = m.attr("build_parser")().attr("parse_args")();
    py::object status = args.attr("func")(args);
    // int(status): a bool or any number becomes a plain int.
    PyObject* as_int = PyNumber_Long(status.ptr());
    if (!as_int) throw py::error_already_set();
    return py::reinterpret_steal<py::object>(as_int);
}

}  // namespace

void bind_commands(py::module_& m) {
    py::module_ mod = m;
    m.def(
        "read_action_events", [mod](py::handle limit) { return read_action_events(mod, limit); }, py::arg("limit") = 8,
        "The rows of the action log, the last `limit` of them (0: all; negative: all but the first |limit|).");
    m.def(
        "cmd_scan", [mod](py::handle args) { return cmd_scan(mod, args); }, py::arg("args"),
        "Scan --root, write the graph to --out and report.");
    m.def(
        "cmd_retrieve", [mod](py::handle args) { return cmd_retrieve(mod, args); }, py::arg("args"),
        "Print the files and relations retrieved for --query, as text or JSON.");
    m.def(
        "cmd_prime", [mod](py::handle args) { return cmd_prime(mod, args); }, py::arg("args"),
        "Print the prime block: rules, focus, files, relations and the action trail.");
    m.def(
        "cmd_action_log", [mod](py::handle args) { return cmd_action_log(mod, args); }, py::arg("args"),
        "Append one event to the action log; 2 when --meta is no JSON object.");
    m.def(
        "cmd_stats", [mod](py::handle args) { return cmd_stats(mod, args); }, py::arg("args"),
        "Print the token-usage statistics, as text or JSON.");
    m.def(
        "build_parser", [mod]() { return build_parser(mod); }, "A new parser of the command line.");
    m.def(
        "main", [mod]() { return main_command(mod); }, "Parse sys.argv, run the sub-command, return its status.");
}

}  // namespace host::kestil_bind

// scan, the command (build_parser, main) and the comparison mode.
#include <chrono>

#include "core/fs.hpp"
#include "core/json.hpp"
#include "core/names.hpp"
#include "core/paths.hpp"
#include "graph/vorlane_ast/command.hpp"
#include "graph/vorlane_ast/compare.hpp"
#include "graph/vorlane_ast/scan.hpp"
#include "host/common/args.hpp"
#include "host/common/convert.hpp"
#include "host/common/graph_json.hpp"
#include "host/common/imports.hpp"
#include "host/common/interrupt.hpp"
#include "host/common/streams.hpp"
#include "host/vorlane_ast/bindings.hpp"
#include "host/vorlane_ast/support.hpp"

namespace host::vorlane_ast_bind {

namespace {

namespace paths = core::paths;
namespace cmd = vorlane_ast::command;

// The pattern-based builder's symbols for the files no syntax tree takes, bound through
// the host; callable from any thread.
vorlane_ast::SymbolFallback host_fallback() {
    return [](std::string_view content, std::string_view file_id, std::string_view ext) {
        py::gil_scoped_acquire locked;
        py::object records = fallback_symbols(host::to_str(content), host::to_str(file_id), std::string(ext));
        return symbols_from_py(records);
    };
}

// The graph of the tree under `walk_root`, with the interpreter's lock released; an
// interrupt ends it between files.
core::Json run_scan(py::handle module, const std::string& walk_root, const core::Json& prior) {
    const vorlane_ast::Languages langs = languages_of(module);
    const vorlane_ast::SymbolFallback fallback = host_fallback();
    core::Json graph;
    host::run_interruptible(
        [&](const core::StopFlag& stop) { graph = vorlane_ast::scan(walk_root, prior, langs, fallback, &stop); });
    return graph;
}

py::object scan(py::handle module, py::handle root, py::handle existing_nodes) {
    core::Json prior = nullptr;
    if (!existing_nodes.is_none()) {
        py::object mapping = py::module_::import("collections.abc").attr("Mapping");
        if (!py::isinstance(existing_nodes, mapping))
            throw py::type_error("existing_nodes must be a mapping or None, not " +
                                 std::string(py::str(existing_nodes.get_type().attr("__name__"))));
        if (py::len(existing_nodes) > 0)
            prior = host::from_py(PyDict_Check(existing_nodes.ptr())
                                      ? py::reinterpret_borrow<py::object>(existing_nodes)
                                      : py::dict(py::reinterpret_borrow<py::object>(existing_nodes)));
    }
    core::Json graph = run_scan(module, host::fspath(root), prior);
    graph["root"] = host::utf8_lenient(py::str(root));
    return host::to_py(graph);
}

py::object build_parser() {
    py::object parser = py::module_::import("argparse")
                            .attr("ArgumentParser")(py::arg("description") = "Tarvelle Pro AST graph builder");
    parser.attr("add_argument")("--root", py::arg("default") = host::to_str(cmd::DEFAULT_ROOT),
                                py::arg("help") = "Project root to scan");
    parser.attr("add_argument")("--out", py::arg("default") = host::to_str(cmd::DEFAULT_OUT),
                                py::arg("help") = "Output JSON path");
    parser.attr("add_argument")("--compare", py::arg("action") = "store_true",
                                py::arg("help") = "Compare AST vs regex side-by-side");
    return parser;
}

double now() { return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(); }

void compare(py::handle module, py::handle root, py::handle ast_out, py::handle regex_out) {
    const std::string root_text = host::fspath(root);
    host::write_stdout(vorlane_ast::compare::banner(paths::name(root_text)));

    double t0 = now();
    core::Json ast = run_scan(module, root_text, nullptr);
    ast["root"] = host::utf8_lenient(py::str(root));
    const double ast_seconds = now() - t0;
    const std::string ast_path = host::fspath(ast_out), regex_path = host::fspath(regex_out);
    {
        const std::string text = core::json_dumps_indent(ast, 2);
        py::gil_scoped_release unlocked;
        core::fs::replace_text(ast_path, text);
    }

    core::Json regex;
    double regex_seconds = 0;
    bool have_regex = false;
    try {
        py::object sys_path = py::module_::import("sys").attr("path");
        const std::string here = paths::parent(host::fspath(module.attr("__file__")));
        sys_path.attr("insert")(0, host::to_str(paths::join(here, "src")));
        // A module without `scan` fails the from-import, as a missing module does.
        py::object regex_scan = host::from_import("tarvelle.vorlane", {"scan"})["scan"];
        t0 = now();
        py::object graph = regex_scan(root);
        regex_seconds = now() - t0;
        regex = host::from_py(graph);
        host::graph_json::store(regex_path, graph);
        have_regex = true;
    } catch (py::error_already_set& e) {
        if (!e.matches(PyExc_ImportError)) throw;
        host::write_stdout(vorlane_ast::compare::WARN_NO_REGEX);
        regex_seconds = 0;
    }
    std::optional<vorlane_ast::compare::Side> regex_side;
    if (have_regex) regex_side = vorlane_ast::compare::Side{&regex, regex_seconds};
    host::write_stdout(vorlane_ast::compare::table(
        {&ast, ast_seconds}, regex_side, host::utf8_lenient(py::str(ast_out)), host::utf8_lenient(py::str(regex_out))));
}

void main_command(py::handle module) {
    py::object args = build_parser().attr("parse_args")();
    const std::string root = paths::resolve(host::fspath(args.attr("root")));
    const std::string out = host::fspath(args.attr("out"));
    if (!host::scan_root_ok(root)) host::exit_status(1);
    core::fs::make_dirs(paths::parent(out));
    if (py::bool_(args.attr("compare"))) {
        const std::string regex_out = paths::join(paths::parent(out), core::names::REGEX_GRAPH_FILE);
        module.attr("compare")(host::to_str(root), host::to_str(paths::normalize(out)), host::to_str(regex_out));
        return;
    }
    const vorlane_ast::Languages langs = languages_of(module);
    const vorlane_ast::SymbolFallback fallback = host_fallback();
    std::string report;
    // An interrupt ends the run between files and before anything is written.
    host::run_interruptible([&](const core::StopFlag& stop) { report = cmd::run(root, out, langs, fallback, &stop); });
    host::write_stdout(report);
}

}  // namespace

void bind_scan_command(py::module_& m) {
    py::object mod = m;
    m.def(
        "scan", [mod](py::handle root, py::handle existing_nodes) { return scan(mod, root, existing_nodes); },
        py::arg("root"), py::arg("existing_nodes") = py::none(),
        "The information graph of the project tree under `root`, taking over unchanged files from `existing_nodes`.");
    m.def("build_parser", &build_parser, "The command's argument parser.");
    m.def(
        "compare",
        [mod](py::handle root, py::handle ast_out, py::handle regex_out) { compare(mod, root, ast_out, regex_out); },
        py::arg("root"), py::arg("ast_out"), py::arg("regex_out"),
        "Scans `root` with both builders, writes both graphs and prints their comparison.");
    m.def(
        "main", [mod] { main_command(mod); },
        "The command: scan --root, write the graph to --out and the symbol index beside it (or --compare).");
}

}  // namespace host::vorlane_ast_bind

// The builder's walk, scan and command as host functions, and the module constants
// they use (made first when the module loads).
#include "core/json.hpp"
#include "core/paths.hpp"
#include "graph/vorlane/command.hpp"
#include "graph/vorlane/constants.hpp"
#include "graph/vorlane/extractors.hpp"
#include "graph/vorlane/scan.hpp"
#include "graph/vorlane/walker.hpp"
#include "host/common/args.hpp"
#include "host/common/convert.hpp"
#include "host/common/interrupt.hpp"
#include "host/common/streams.hpp"
#include "host/vorlane/bindings.hpp"

namespace host::vorlane_bind {

namespace {

template <std::size_t N>
py::set to_set(const std::array<std::string_view, N>& names) {
    py::set out;
    for (std::string_view s : names) out.add(to_str(s));
    return out;
}

py::object get_item(py::handle obj, const char* key) {
    PyObject* v = PyObject_GetItem(obj.ptr(), py::str(key).ptr());
    if (!v) throw py::error_already_set();
    return py::reinterpret_steal<py::object>(v);
}

py::object steal(PyObject* o) {
    if (!o) throw py::error_already_set();
    return py::reinterpret_steal<py::object>(o);
}

py::list walk_files(py::handle root) {
    const std::vector<std::string> files = vorlane::walk_files(fspath(root));
    py::object path_cls = py::module_::import("pathlib").attr("Path");
    py::list out(files.size());
    for (std::size_t i = 0; i < files.size(); ++i) out[i] = path_cls(to_str(files[i]));
    return out;
}

py::object scan(py::handle root, py::handle existing_nodes) {
    const std::string walk_root = fspath(root);
    core::Json prior = nullptr;
    if (PyObject_IsTrue(existing_nodes.ptr()) == 1) {
        prior = PyDict_Check(existing_nodes.ptr())
                    ? from_py(existing_nodes)
                    : from_py(py::dict(py::reinterpret_borrow<py::object>(existing_nodes)));
    } else if (PyErr_Occurred()) {
        throw py::error_already_set();
    }
    core::Json graph;
    // The scan touches no host object: other host threads may run meanwhile, and an
    // interrupt ends it.
    run_interruptible([&](const core::StopFlag& stop) {
        vorlane::ScanLimits limits;
        limits.stop = &stop;
        graph = vorlane::scan(walk_root, prior, limits);
    });
    graph["root"] = utf8_lenient(py::str(root));
    return to_py(graph);
}

// The symbol nodes (the module's own Node class) and "contains" edges of `syms`.
void append_symbol_nodes(py::module_ m, py::handle nodes, py::handle edges, py::handle syms, py::handle file_id,
                         py::handle ext) {
    py::object node_cls = m.attr("Node");
    for (py::handle s : py::iter(syms)) {
        py::object id = get_item(s, "id");
        py::object line_start = get_item(s, "line_start");
        py::object line_end = get_item(s, "line_end");
        py::object keywords = get_item(s, "keywords");
        py::object symbol_type = get_item(s, "symbol_type");
        py::object name = get_item(s, "name");
        py::object body_hash = get_item(s, "body_hash");
        py::object confidence = get_item(s, "confidence");
        py::object exported = get_item(s, "exported");
        py::object span = steal(PyNumber_Subtract(line_end.ptr(), line_start.ptr()));
        py::object size = steal(PyNumber_Add(span.ptr(), py::int_(1).ptr()));
        nodes.attr("append")(node_cls(
            py::arg("id") = id, py::arg("kind") = "symbol", py::arg("path") = file_id, py::arg("ext") = ext,
            py::arg("size") = size, py::arg("keywords") = keywords, py::arg("symbol_type") = symbol_type,
            py::arg("name") = name, py::arg("line_start") = line_start, py::arg("line_end") = line_end,
            py::arg("body_hash") = body_hash, py::arg("confidence") = confidence, py::arg("exported") = exported));
        py::dict edge;
        edge["from"] = file_id;
        edge["to"] = id;
        edge["rel"] = "contains";
        edges.attr("append")(edge);
    }
}

void main_command() {
    namespace cmd = vorlane::command;
    py::module_ sys = py::module_::import("sys");
    py::object parser =
        py::module_::import("argparse")
            .attr("ArgumentParser")(py::arg("description") = "Scan project and build information graph JSON.");
    parser.attr("add_argument")("--root", py::arg("default") = to_str(cmd::DEFAULT_ROOT),
                                py::arg("help") = "Project root to scan.");
    parser.attr("add_argument")("--out", py::arg("default") = to_str(cmd::DEFAULT_OUT),
                                py::arg("help") = "Output JSON path.");
    py::object args = parser.attr("parse_args")(sys.attr("argv")[py::slice(1, std::nullopt, std::nullopt)]);
    const std::string root = fspath(args.attr("root"));
    const std::string out = fspath(args.attr("out"));
    if (!host::scan_root_ok(core::paths::resolve(root))) host::exit_status(1);
    std::string report;
    run_interruptible([&](const core::StopFlag& stop) { report = cmd::run(root, out, &stop); });
    write_stdout(report);
}

}  // namespace

void bind_walk_scan(py::module_& m) {
    using namespace vorlane;
    m.attr("SKIP_DIRS") = to_set(SKIP_DIRS);
    m.attr("_CONDITIONAL_SKIP") = to_set(CONDITIONAL_SKIP);
    m.attr("MAX_FILE_BYTES") = py::int_(MAX_FILE_BYTES);
    m.attr("MAX_CONTENT_CHARS") = py::int_(MAX_CONTENT_CHARS);
    m.attr("SYMBOL_EXTS") = to_set(SYMBOL_EXTS);

    m.def(
        "should_scan", [](py::handle path) { return vorlane::should_scan(fspath(path)); }, py::arg("path"),
        "Whether a file path's location and suffix make it a file the builder reads.");
    m.def("walk_files", &walk_files, py::arg("root"),
          "The files under `root` that the builder reads, in walk order (never sorted).");
    m.def("scan", &scan, py::arg("root"), py::arg("existing_nodes") = py::none(),
          "The information graph of the project tree under `root`, taking over unchanged files from "
          "`existing_nodes`.");
    m.def(
        "_extract_symbols_for_file",
        [](py::handle content, py::handle file_id, py::handle ext) {
            return symbols_to_py(vorlane::extract_symbols_for_file(utf8(content), utf8(file_id), utf8(ext)));
        },
        py::arg("content"), py::arg("file_id"), py::arg("ext"), "The symbol records of one file, by its suffix.");
    m.def(
        "_append_symbol_nodes",
        [m](py::handle nodes, py::handle edges, py::handle syms, py::handle file_id, py::handle ext) {
            append_symbol_nodes(m, nodes, edges, syms, file_id, ext);
        },
        py::arg("nodes"), py::arg("edges"), py::arg("syms"), py::arg("file_id"), py::arg("ext"),
        "Appends a symbol node and its \"contains\" edge for each symbol record.");
    m.def("main", &main_command, "The command: scan --root, write the graph to --out and the symbol index beside it.");
}

}  // namespace host::vorlane_bind

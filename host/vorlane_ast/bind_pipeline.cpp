// The walker, summaries, keywords and structural peers of the module, and the peer
// table as the host's compiled patterns.
#include "graph/vorlane_ast/keywords.hpp"
#include "graph/vorlane_ast/peers.hpp"
#include "graph/vorlane_ast/summary.hpp"
#include "graph/vorlane_ast/walker.hpp"
#include "host/common/convert.hpp"
#include "host/vorlane_ast/bindings.hpp"

namespace host::vorlane_ast_bind {

namespace {

py::list walk_files(py::handle root) {
    const std::string r = host::fspath(root);
    std::vector<std::string> files;
    {
        py::gil_scoped_release unlocked;
        files = vorlane_ast::walk_files(r);
    }
    py::object path_cls = py::module_::import("pathlib").attr("Path");
    py::list out(files.size());
    for (std::size_t i = 0; i < files.size(); ++i) out[i] = path_cls(host::to_str(files[i]));
    return out;
}

// The edges hold the caller's own id objects, as a host function building them would.
py::list structural_peer_edges(py::handle file_ids) {
    py::list ids(py::reinterpret_borrow<py::iterable>(file_ids));
    std::vector<std::string> texts;
    texts.reserve(ids.size());
    for (py::handle id : ids) texts.push_back(host::fspath(id));
    std::vector<std::pair<std::size_t, std::size_t>> pairs;
    {
        py::gil_scoped_release unlocked;
        pairs = vorlane_ast::structural_peer_pairs(texts);
    }
    py::list out;
    py::str rel("structural_peer");
    for (const auto& [a, b] : pairs) {
        for (const auto& [from, to] : {std::pair{a, b}, std::pair{b, a}}) {
            py::dict edge;
            edge["from"] = ids[from];
            edge["to"] = ids[to];
            edge["rel"] = rel;
            out.append(edge);
        }
    }
    return out;
}

}  // namespace

void bind_pipeline(py::module_& m) {
    m.def(
        "should_scan", [](py::handle path) { return vorlane_ast::should_scan(host::fspath(path)); }, py::arg("path"),
        "Whether the path names a file of a scanned type outside a virtual environment (a test on the text alone).");
    m.def("walk_files", &walk_files, py::arg("root"),
          "The scanned files under root, as paths built from root as given, in the file system's walk order.");
    m.def(
        "_make_summary",
        [](py::handle content, py::handle path, py::handle ext) {
            const std::string c = host::utf8(content), p = host::utf8_lenient(path), e = host::utf8_lenient(ext);
            std::string s;
            {
                py::gil_scoped_release unlocked;
                s = vorlane_ast::make_summary(c, p, e);
            }
            return host::to_str(s);
        },
        py::arg("content"), py::arg("path"), py::arg("ext"),
        "The one-line summary of a file (at most 250 characters).");
    m.def(
        "extract_keywords",
        [](py::handle content, py::handle ext) {
            const std::string c = host::utf8(content), e = host::utf8_lenient(ext);
            std::vector<std::string> words;
            {
                py::gil_scoped_release unlocked;
                words = vorlane_ast::extract_keywords(c, e);
            }
            return host::to_list(words);
        },
        py::arg("content"), py::arg("ext"), "The search keywords of a file (at most 80).");
    m.def("_structural_peer_edges", &structural_peer_edges, py::arg("file_ids"),
          "The structural_peer edges between convention-paired files of one directory.");

    // The conventions, each pattern compiled by the host with ignore-case, as the set-up
    // makes them once at load; the operations above use the same rows.
    py::object re = py::module_::import("re");
    py::object compile = re.attr("compile");
    py::object ignore_case = re.attr("IGNORECASE");
    py::list table;
    for (const vorlane_ast::PeerRow& r : vorlane_ast::PEER_PAIRS)
        table.append(py::make_tuple(compile(host::to_str(r.x), ignore_case), compile(host::to_str(r.y), ignore_case)));
    m.attr("_PEER_PAIRS") = table;
}

}  // namespace host::vorlane_ast_bind

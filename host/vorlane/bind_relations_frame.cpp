// Relation edges, the extraction frame's routines and the TypeScript and Python extractors.
#include "graph/kit/frame.hpp"
#include "graph/vorlane/extractors.hpp"
#include "graph/vorlane/relations.hpp"
#include "host/common/convert.hpp"
#include "host/vorlane/bindings.hpp"

namespace host::vorlane_bind {

namespace {

// A block end over the host's list of rows.
template <std::int64_t (*BlockEnd)(const graph_kit::Lines&, std::int64_t)>
std::int64_t block_end(py::handle lines, py::handle start) {
    const std::vector<std::string> rows = str_list(lines);
    const graph_kit::Lines views(rows.begin(), rows.end());
    return BlockEnd(views, start.cast<std::int64_t>());
}

}  // namespace

void bind_relations_frame(py::module_& m) {
    m.def(
        "parse_relations",
        [](py::handle path, py::handle text, py::handle root) {
            const std::string content = utf8(text);
            return edges_to_py(vorlane::parse_relations(fspath(path), content, fspath(root)));
        },
        py::arg("path"), py::arg("text"), py::arg("root"),
        "The edges from the file at `path` to what its text imports, requires, includes or references.");
    m.def(
        "_split_camel", [](py::handle name) { return to_list(graph_kit::split_camel(utf8(name))); }, py::arg("name"),
        "The camel-case parts of a name, lower-cased, each longer than 2 characters.");
    m.def(
        "_name_keywords", [](py::handle name) { return to_list(graph_kit::name_keywords(utf8(name))); },
        py::arg("name"), "The keywords of a symbol name: at most 10 lower-case words.");
    m.def("_find_block_end_ts", &block_end<graph_kit::find_block_end_ts>, py::arg("lines"), py::arg("start"),
          "The last row of the brace-delimited block that starts at row `start`.");
    m.def("_find_block_end_py", &block_end<graph_kit::find_block_end_py>, py::arg("lines"), py::arg("start"),
          "The last row of the indentation-delimited block that starts at row `start`.");
    m.def(
        "_classify_ts",
        [](py::handle name, py::handle exported) {
            const auto [sym_type, confidence] = graph_kit::classify_ts(utf8(name), truthy(exported));
            return py::make_tuple(sym_type, confidence);
        },
        py::arg("name"), py::arg("exported"), "The symbol type and confidence of a TypeScript function name.");

    using Extractor = graph_kit::Symbols (*)(std::string_view, std::string_view);
    for (const auto& entry : {std::pair<const char*, Extractor>{"extract_symbols_ts", vorlane::extract_symbols_ts},
                              std::pair<const char*, Extractor>{"extract_symbols_py", vorlane::extract_symbols_py}}) {
        const Extractor extract = entry.second;
        m.def(
            entry.first,
            [extract](py::handle content, py::handle file_path) {
                const std::string text = utf8(content);
                const std::string path = utf8_lenient(py::str(file_path));
                return symbols_to_py(extract(text, path));
            },
            py::arg("content"), py::arg("file_path"));
    }
}

}  // namespace host::vorlane_bind

#pragma once
// The pieces of the vorlane_ast module, each bound in its own file, in the order of the
// module's start-up.
#include <pybind11/pybind11.h>

namespace host::vorlane_ast_bind {

namespace py = pybind11;

// The runtime and grammar attempts: _AST_AVAILABLE, _LANG_*, Language, Parser, TSNode,
// and the warning line when the first attempt fails.
void bind_languages(py::module_& m);
// SKIP_DIRS, MAX_FILE_BYTES, MAX_CONTENT_CHARS, SYMBOL_EXTS.
void bind_constants(py::module_& m);
// The Node record class.
void bind_records(py::module_& m);
// _node_text, _ts_is_exported and the syntax-tree extractors.
void bind_extractors(py::module_& m);
// _extract_symbols, _extract_imports, _parse_relations_regex.
void bind_dispatch(py::module_& m);
// should_scan, walk_files, _make_summary, extract_keywords, _structural_peer_edges and
// _PEER_PAIRS.
void bind_pipeline(py::module_& m);
// scan, main, build_parser, compare.
void bind_scan_command(py::module_& m);

}  // namespace host::vorlane_ast_bind

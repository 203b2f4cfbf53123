#pragma once
// What the module's bindings share: the languages as the module holds them now, text
// arguments as the extractors read them, and records as host lists of maps.
#include <pybind11/pybind11.h>

#include <string>
#include <vector>

#include "core/records.hpp"
#include "graph/vorlane_ast/dispatch.hpp"
#include "host/common/records.hpp"

namespace host::vorlane_ast_bind {

namespace py = pybind11;

// _AST_AVAILABLE, _LANG_TS, _LANG_TSX, _LANG_JS, _LANG_PY and _LANG_GO, read from the
// module's attributes at the time of the call.
vorlane_ast::Languages languages_of(py::handle module);

// A host str as UTF-8 with lone surrogates dropped (what encode("utf-8", "ignore") gives).
std::string utf8_ignore(py::handle s);

// Symbol records returned by a host function, read by key (KeyError for a missing one).
graph_kit::Symbols symbols_from_py(py::handle records);

// The pattern-based builder's symbols of a file: extract_symbols_ts, extract_symbols_py
// and extract_symbols_php bound from "src.tarvelle.vorlane" at this call (the host's own
// from-import, host::from_import); an import error inside (binding or call) gives an
// empty list. The caller holds the interpreter.
py::object fallback_symbols(py::handle content, py::handle file_id, const std::string& ext);

}  // namespace host::vorlane_ast_bind

#include "host/vorlane_ast/support.hpp"

#include "host/common/convert.hpp"
#include "host/common/imports.hpp"
#include "host/tree_sitter/grammar.hpp"

namespace host::vorlane_ast_bind {

namespace {

const TSLanguage* language_pointer(py::handle lang) {
    py::object handle = lang.attr("_handle");
    void* p = PyCapsule_GetPointer(handle.ptr(), tree_sitter_bind::kLanguageCapsule);
    if (!p) throw py::error_already_set();
    return static_cast<const TSLanguage*>(p);
}

py::object attr_or_none(py::handle module, const char* name) { return py::getattr(module, name, py::none()); }

bool is_ts_family(const std::string& ext) { return ext == ".ts" || ext == ".tsx" || ext == ".js" || ext == ".jsx"; }

}  // namespace

vorlane_ast::Languages languages_of(py::handle module) {
    vorlane_ast::Languages l;
    l.ast = py::bool_(attr_or_none(module, "_AST_AVAILABLE"));
    if (l.ast) {
        l.ts = language_pointer(module.attr("_LANG_TS"));
        l.tsx = language_pointer(module.attr("_LANG_TSX"));
        l.js = language_pointer(module.attr("_LANG_JS"));
        l.py = language_pointer(module.attr("_LANG_PY"));
    }
    py::object go = attr_or_none(module, "_LANG_GO");
    if (!go.is_none()) l.go = language_pointer(go);
    return l;
}

std::string utf8_ignore(py::handle s) {
    if (!PyUnicode_Check(s.ptr())) throw py::type_error("expected str");
    Py_ssize_t n = 0;
    if (const char* p = PyUnicode_AsUTF8AndSize(s.ptr(), &n)) return std::string(p, static_cast<std::size_t>(n));
    PyErr_Clear();
    py::object b = py::reinterpret_steal<py::object>(PyUnicode_AsEncodedString(s.ptr(), "utf-8", "ignore"));
    if (!b) throw py::error_already_set();
    return std::string(PyBytes_AS_STRING(b.ptr()), static_cast<std::size_t>(PyBytes_GET_SIZE(b.ptr())));
}

graph_kit::Symbols symbols_from_py(py::handle records) {
    auto get = [](py::handle r, const char* key) {
        PyObject* v = PyObject_GetItem(r.ptr(), py::str(key).ptr());
        if (!v) throw py::error_already_set();
        return py::reinterpret_steal<py::object>(v);
    };
    graph_kit::Symbols out;
    for (py::handle r : py::iter(records)) {
        core::SymbolRecord s;
        s.id = host::utf8_lenient(get(r, "id"));
        s.keywords = host::str_list(get(r, "keywords"));
        s.symbol_type = host::utf8_lenient(get(r, "symbol_type"));
        s.name = host::utf8_lenient(get(r, "name"));
        s.line_start = get(r, "line_start").cast<std::int64_t>();
        s.line_end = get(r, "line_end").cast<std::int64_t>();
        s.body_hash = host::utf8_lenient(get(r, "body_hash"));
        s.confidence = host::utf8_lenient(get(r, "confidence"));
        s.exported = py::bool_(get(r, "exported"));
        out.push_back(std::move(s));
    }
    return out;
}

py::object fallback_symbols(py::handle content, py::handle file_id, const std::string& ext) {
    try {
        // A missing module or name fails the binding with the host's ImportError.
        const py::dict bound = host::from_import("src.tarvelle.vorlane",
                                                 {"extract_symbols_ts", "extract_symbols_py", "extract_symbols_php"});
        if (is_ts_family(ext)) return bound["extract_symbols_ts"](content, file_id);
        if (ext == ".py") return bound["extract_symbols_py"](content, file_id);
    } catch (py::error_already_set& e) {
        if (!e.matches(PyExc_ImportError)) throw;
    }
    return py::list();
}

}  // namespace host::vorlane_ast_bind

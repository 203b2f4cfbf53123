// The module's Node record: the host's dataclass with the graph node's fields, defaults
// and as_dict, made per import like the pattern-based builder's.
#include "host/vorlane_ast/bindings.hpp"

namespace host::vorlane_ast_bind {

namespace {

constexpr const char* kCommonKeys[] = {"id", "kind", "path", "ext", "size", "keywords"};
constexpr const char* kFileKeys[] = {"content", "summary", "file_hash"};
constexpr const char* kSymbolKeys[] = {"symbol_type", "name",       "line_start", "line_end",
                                       "body_hash",   "confidence", "exported"};

py::dict node_as_dict(py::handle self) {
    py::dict d;
    for (const char* k : kCommonKeys) d[k] = self.attr(k);
    const py::object kind = self.attr("kind");
    if (kind.equal(py::str("file")))
        for (const char* k : kFileKeys) d[k] = self.attr(k);
    else
        for (const char* k : kSymbolKeys) d[k] = self.attr(k);
    return d;
}

}  // namespace

void bind_records(py::module_& m) {
    py::module_ b = py::module_::import("builtins");
    py::object str = b.attr("str"), int_ = b.attr("int");
    py::list fields;
    fields.append(py::make_tuple("id", str));
    fields.append(py::make_tuple("kind", str));
    fields.append(py::make_tuple("path", str));
    fields.append(py::make_tuple("ext", str));
    fields.append(py::make_tuple("size", int_));
    fields.append(py::make_tuple("keywords", b.attr("list")[str]));
    for (const char* k : {"content", "summary", "file_hash", "symbol_type", "name"})
        fields.append(py::make_tuple(k, str, ""));
    fields.append(py::make_tuple("line_start", int_, 0));
    fields.append(py::make_tuple("line_end", int_, 0));
    fields.append(py::make_tuple("body_hash", str, ""));
    fields.append(py::make_tuple("confidence", str, ""));
    fields.append(py::make_tuple("exported", b.attr("bool"), false));
    py::dict ns;
    ns["__module__"] = m.attr("__name__");
    py::object cls =
        py::module_::import("dataclasses").attr("make_dataclass")("Node", fields, py::arg("namespace") = ns);
    cls.attr("as_dict") = py::cpp_function(node_as_dict, py::name("as_dict"), py::is_method(cls),
                                           "The node as a map: the common keys, then the file or the symbol keys.");
    m.attr("Node") = cls;
}

}  // namespace host::vorlane_ast_bind

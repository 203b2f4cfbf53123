// The token estimate and the symbol excerpts of one file.
#include <optional>
#include <vector>

#include "host/bundrel/bindings.hpp"
#include "host/common/convert.hpp"
#include "packing/estimate.hpp"
#include "packing/excerpts.hpp"

namespace host::bundrel_bind {

namespace {

std::optional<std::int64_t> row_of(py::handle span, const char* key) {
    if (!is_mapping(span)) return std::nullopt;
    py::object v = mapping_get(span, py::str(key), py::none());
    if (!PyLong_Check(v.ptr())) return std::nullopt;  // absent, or not an integer: the default
    return int_arg(v, "read_symbol_content", key);
}

py::str read_symbol_content(py::object project_root, py::object file_id, py::object functions, py::object max_lines) {
    const char* fn = "read_symbol_content";
    const std::string root = path_arg(project_root, fn, "project_root");
    const std::string fid = text_arg(file_id, fn, "file_id");
    if (!is_mapping(functions)) wrong_kind(functions, fn, "functions", "dict");
    const std::int64_t budget = int_arg(max_lines, fn, "max_lines");
    std::vector<packing::FunctionSpan> spans;
    for (py::handle name : py::iter(functions.attr("items")())) {
        py::tuple item = py::reinterpret_borrow<py::tuple>(name);
        spans.push_back({text_form(item[0]), row_of(item[1], "line_start"), row_of(item[1], "line_end")});
    }
    std::string out;
    {
        py::gil_scoped_release unlocked;
        out = packing::read_symbol_content(root, fid, spans, budget);
    }
    return to_str(out);
}

}  // namespace

void bind_excerpts(py::module_& m) {
    m.def(
        "estimate_tokens",
        [](py::object text) {
            if (!PyUnicode_Check(text.ptr())) wrong_kind(text, "estimate_tokens", "text", "str");
            return packing::estimate_tokens_of_length(static_cast<std::size_t>(PyUnicode_GET_LENGTH(text.ptr())));
        },
        py::arg("text"), "The token estimate of a text: its length in characters divided by 3.2, rounded up.");
    m.def("read_symbol_content", &read_symbol_content, py::arg("project_root"), py::arg("file_id"),
          py::arg("functions"), py::arg("max_lines") = 80,
          "The source rows of up to three functions of one file within a budget of rows, each under a header.");
}

}  // namespace host::bundrel_bind

#include "graph/vorlane/keywords.hpp"
#include "graph/vorlane/summary.hpp"
#include "host/common/convert.hpp"
#include "host/vorlane/bindings.hpp"

namespace host::vorlane_bind {

// The text goes to the pattern layer and must be valid UTF-8 (a lone surrogate raises
// UnicodeEncodeError); the path and the extension come from file names and may hold
// surrogate escapes, which the summary carries through unchanged.
void bind_summary_keywords(py::module_& m) {
    m.def(
        "_make_summary",
        [](py::handle content, py::handle path, py::handle ext) {
            const std::string c = utf8(content), p = utf8_lenient(path), e = utf8_lenient(ext);
            return to_str(vorlane::make_summary(c, p, e));
        },
        py::arg("content"), py::arg("path"), py::arg("ext"));
    m.def(
        "extract_keywords",
        [](py::handle content, py::handle ext) {
            const std::string c = utf8(content), e = utf8_lenient(ext);
            return to_list(vorlane::extract_keywords(c, e));
        },
        py::arg("content"), py::arg("ext"));
}

}  // namespace host::vorlane_bind

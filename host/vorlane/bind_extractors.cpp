#include "graph/vorlane/extractors.hpp"
#include "host/common/convert.hpp"
#include "host/vorlane/bindings.hpp"

namespace host::vorlane_bind {

void bind_extractors(py::module_& m) {
    using Extractor = graph_kit::Symbols (*)(std::string_view, std::string_view);
    const std::pair<const char*, Extractor> extractors[] = {
        {"extract_symbols_rs", vorlane::extract_symbols_rs},
        {"extract_symbols_rb", vorlane::extract_symbols_rb},
        {"extract_symbols_java", vorlane::extract_symbols_java},
        {"extract_symbols_cs", vorlane::extract_symbols_cs},
        {"extract_symbols_php", vorlane::extract_symbols_php},
        {"extract_symbols_c_cpp", vorlane::extract_symbols_c_cpp},
    };
    for (const auto& entry : extractors) {
        const Extractor extract = entry.second;
        m.def(
            entry.first,
            [extract](const py::object& content, const py::object& file_path) {
                const std::string text = utf8(content);
                // The path only prefixes ids; it may hold the surrogate escapes of an
                // undecodable file name.
                const std::string path = utf8_lenient(py::str(file_path));
                return symbols_to_py(extract(text, path));
            },
            py::arg("content"), py::arg("file_path"));
    }
}

}  // namespace host::vorlane_bind

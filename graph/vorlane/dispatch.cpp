#include "graph/vorlane/extractors.hpp"

namespace vorlane {

// One extractor per language family, chosen by the lower-cased suffix.
Symbols extract_symbols_for_file(std::string_view content, std::string_view file_id, std::string_view ext) {
    auto is = [ext](std::initializer_list<std::string_view> set) {
        for (std::string_view s : set)
            if (ext == s) return true;
        return false;
    };
    if (is({".ts", ".tsx", ".js", ".jsx"})) return extract_symbols_ts(content, file_id);
    if (ext == ".py") return extract_symbols_py(content, file_id);
    if (ext == ".rs") return extract_symbols_rs(content, file_id);
    if (is({".java", ".kt", ".kts", ".scala"})) return extract_symbols_java(content, file_id);
    if (ext == ".cs") return extract_symbols_cs(content, file_id);
    if (ext == ".rb") return extract_symbols_rb(content, file_id);
    if (ext == ".php") return extract_symbols_php(content, file_id);
    if (is({".c", ".cpp", ".h", ".hpp"})) return extract_symbols_c_cpp(content, file_id);
    return {};
}

}  // namespace vorlane

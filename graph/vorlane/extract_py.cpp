#include "graph/vorlane/extractors.hpp"
#include "graph/vorlane/patterns.hpp"
namespace vorlane {
std::vector<PatternSpec> py_patterns() { return {}; }
Symbols extract_symbols_py(std::string_view, std::string_view) { return {}; }
}  // namespace vorlane

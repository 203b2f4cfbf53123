#include "graph/vorlane/extractors.hpp"
#include "graph/vorlane/patterns.hpp"
namespace vorlane {
std::vector<PatternSpec> c_cpp_patterns() { return {}; }
Symbols extract_symbols_c_cpp(std::string_view, std::string_view) { return {}; }
}  // namespace vorlane

#include "graph/vorlane/extractors.hpp"
#include "graph/vorlane/patterns.hpp"
namespace vorlane {
std::vector<PatternSpec> java_cs_patterns() { return {}; }
Symbols extract_symbols_java(std::string_view, std::string_view) { return {}; }
Symbols extract_symbols_cs(std::string_view, std::string_view) { return {}; }
}  // namespace vorlane

#include "graph/vorlane/extractors.hpp"
#include "graph/vorlane/patterns.hpp"
namespace vorlane {
std::vector<PatternSpec> rs_rb_patterns() { return {}; }
Symbols extract_symbols_rs(std::string_view, std::string_view) { return {}; }
Symbols extract_symbols_rb(std::string_view, std::string_view) { return {}; }
}  // namespace vorlane

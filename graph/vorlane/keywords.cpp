#include "graph/vorlane/keywords.hpp"
#include "graph/vorlane/patterns.hpp"
namespace vorlane {
std::vector<PatternSpec> keyword_patterns() { return {}; }
std::vector<std::string> extract_keywords(std::string_view, std::string_view) { return {}; }
}  // namespace vorlane

#include "graph/vorlane/relations.hpp"
#include "graph/vorlane/patterns.hpp"
namespace vorlane {
std::vector<PatternSpec> relation_patterns() { return {}; }
std::vector<core::Edge> parse_relations(std::string_view, std::string_view, std::string_view) { return {}; }
std::vector<core::Edge> relations_of(std::string_view, std::string_view, std::string_view) { return {}; }
}  // namespace vorlane

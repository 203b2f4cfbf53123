#include "graph/vorlane/relations.hpp"
namespace vorlane {
std::vector<core::Edge> parse_relations(std::string_view, std::string_view, std::string_view) { return {}; }
std::vector<core::Edge> relations_of(std::string_view, std::string_view, std::string_view) { return {}; }
}  // namespace vorlane

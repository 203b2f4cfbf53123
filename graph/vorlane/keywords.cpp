#include "graph/vorlane/keywords.hpp"
namespace vorlane {
std::vector<std::string> extract_keywords(std::string_view, std::string_view) { return {}; }
}  // namespace vorlane

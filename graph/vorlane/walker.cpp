#include "graph/vorlane/walker.hpp"
namespace vorlane {
bool should_scan(std::string_view) { return false; }
std::vector<std::string> walk_files(std::string_view) { return {}; }
}  // namespace vorlane

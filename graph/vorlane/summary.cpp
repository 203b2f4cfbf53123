#include "graph/vorlane/summary.hpp"
namespace vorlane {
std::string make_summary(std::string_view, std::string_view, std::string_view) { return ""; }
}  // namespace vorlane

#include "graph/vorlane/scan.hpp"
namespace vorlane {
core::Json scan(std::string_view root, const core::Json&) {
    core::Json g = core::Json::object();
    g["root"] = std::string(root);
    return g;
}
}  // namespace vorlane

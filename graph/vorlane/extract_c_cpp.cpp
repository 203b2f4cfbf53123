#include "graph/vorlane/extractors.hpp"
namespace vorlane {
Symbols extract_symbols_c_cpp(std::string_view, std::string_view) { return {}; }
}  // namespace vorlane

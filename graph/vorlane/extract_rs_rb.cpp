#include "graph/vorlane/extractors.hpp"
namespace vorlane {
Symbols extract_symbols_rs(std::string_view, std::string_view) { return {}; }
Symbols extract_symbols_rb(std::string_view, std::string_view) { return {}; }
}  // namespace vorlane

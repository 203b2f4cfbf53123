#include "graph/vorlane/extractors.hpp"
namespace vorlane {
Symbols extract_symbols_java(std::string_view, std::string_view) { return {}; }
Symbols extract_symbols_cs(std::string_view, std::string_view) { return {}; }
}  // namespace vorlane

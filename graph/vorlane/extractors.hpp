#pragma once
// The pattern-based symbol extractors, one per language family, and the dispatch by
// suffix. Each makes its records in one of the kit's SymbolFrames (graph/kit/frame.hpp)
// from its pattern table (patterns.hpp). Each costs what its patterns cost over the
// text: the patterns whose plain search grows faster than linear have bounded routines
// (extract_bounded.hpp).
#include <string_view>

#include "graph/kit/frame.hpp"

namespace vorlane {

// The records of a file, made in the kit's symbol frame.
using graph_kit::Symbols;

Symbols extract_symbols_ts(std::string_view content, std::string_view file_path);
Symbols extract_symbols_py(std::string_view content, std::string_view file_path);
Symbols extract_symbols_rs(std::string_view content, std::string_view file_path);
Symbols extract_symbols_rb(std::string_view content, std::string_view file_path);
Symbols extract_symbols_java(std::string_view content, std::string_view file_path);
Symbols extract_symbols_cs(std::string_view content, std::string_view file_path);
Symbols extract_symbols_php(std::string_view content, std::string_view file_path);
Symbols extract_symbols_c_cpp(std::string_view content, std::string_view file_path);

// The dispatch by lower-cased suffix; an empty list for a suffix without an extractor.
Symbols extract_symbols_for_file(std::string_view content, std::string_view file_id, std::string_view ext);

}  // namespace vorlane

#pragma once
// The written graph and symbol index gathered from every file's rendered result, in
// walk order. Linear in the text; the results' texts are released as they are used.
#include <string_view>
#include <vector>

#include "graph/vorlane/file_result.hpp"
#include "graph/vorlane/scan_types.hpp"

namespace vorlane {

GraphText assemble(std::string_view root, std::vector<FileResult>& results);

}  // namespace vorlane

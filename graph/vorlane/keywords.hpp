#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace vorlane {

// The file's keywords.
std::vector<std::string> extract_keywords(std::string_view content, std::string_view ext);

}  // namespace vorlane

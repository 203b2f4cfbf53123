#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace vorlane {

// The one- or two-sentence summary of a file.
std::string make_summary(std::string_view content, std::string_view path, std::string_view ext);

}  // namespace vorlane

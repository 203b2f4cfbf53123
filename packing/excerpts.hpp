#pragma once
// Symbol excerpts: the source rows of up to three functions of one file under a shared
// row budget, each under a header naming the file, the function and the rows shown.
// One read and one split of the file per call; the result holds at most `max_lines`
// rows plus one header per excerpt.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace packing {

// One function's row range, 0-based and inclusive; absent rows take their defaults
// (first row 0, last row first row + 20).
struct FunctionSpan {
    std::string name;
    std::optional<std::int64_t> line_start, line_end;
};

// The excerpts joined by "\n\n", "" when the file (project_root / file_id) does not
// exist or cannot be read, or when `functions` is empty.
std::string read_symbol_content(const std::string& project_root, const std::string& file_id,
                                const std::vector<FunctionSpan>& functions, std::int64_t max_lines = 80);

// The same over rows already read: the file's text, undecodable bytes dropped, split
// the host's way (str.splitlines).
std::string symbol_excerpts(const std::vector<std::string_view>& rows, const std::string& file_id,
                            const std::vector<FunctionSpan>& functions, std::int64_t max_lines);

}  // namespace packing

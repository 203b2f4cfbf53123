#include "retrieval/json_lines.hpp"

#include "core/errors.hpp"
#include "core/fs.hpp"
#include "core/text.hpp"

namespace retrieval {

std::vector<core::Json> parse_json_lines(std::string_view text) {
    std::vector<core::Json> rows;
    for (std::string_view line : core::splitlines(text)) {
        if (core::strip(line).empty()) continue;
        try {
            rows.push_back(core::json_loads(line, core::Bom::Reject, core::BigInts::Keep));
        } catch (const core::JsonError&) {
            // A cut or foreign line: the log goes on after it.
        }
    }
    return rows;
}

std::vector<core::Json> read_json_lines(const std::string& path) {
    if (!core::fs::exists(path)) return {};
    std::string bytes = core::fs::read_whole(path);
    if (!core::is_valid_utf8(bytes)) throw core::DecodeError(std::move(bytes));
    return parse_json_lines(bytes);
}

}  // namespace retrieval

#include "packing/excerpts.hpp"

#include <algorithm>

#include "core/fs.hpp"
#include "core/paths.hpp"
#include "core/text.hpp"
#include "packing/value.hpp"

namespace packing {

std::string symbol_excerpts(const std::vector<std::string_view>& rows, const std::string& file_id,
                            const std::vector<FunctionSpan>& functions, std::int64_t max_lines) {
    if (functions.empty()) return {};
    std::vector<const FunctionSpan*> order;
    for (const FunctionSpan& f : functions) order.push_back(&f);
    std::stable_sort(order.begin(), order.end(), [](const FunctionSpan* a, const FunctionSpan* b) {
        return a->line_start.value_or(0) < b->line_start.value_or(0);
    });
    if (order.size() > 3) order.resize(3);

    const auto last_row = static_cast<std::int64_t>(rows.size()) - 1;
    std::string out;
    std::int64_t total = 0;
    bool first = true;
    for (const FunctionSpan* f : order) {
        std::int64_t start = f->line_start.value_or(0);
        std::int64_t end = f->line_end ? *f->line_end : add_sat(start, 20);
        start = std::max<std::int64_t>(start, 0);
        end = std::min(end, last_row);
        std::int64_t count = add_sat(add_sat(end, -start), 1);
        if (add_sat(total, count) > max_lines) {
            end = add_sat(start, add_sat(add_sat(max_lines, -total), -1));
            if (end < start) break;
            count = end - start + 1;
        }
        if (!first) out += "\n\n";
        first = false;
        out += "# " + file_id + "::" + f->name + " (lines " + std::to_string(add_sat(start, 1)) + "-" +
               std::to_string(add_sat(end, 1)) + ")\n";
        for (std::int64_t r = start; r <= end; ++r) {
            if (r > start) out += '\n';
            out += rows[static_cast<std::size_t>(r)];
        }
        // An inverted span (its end before its start) shows no rows and takes none of
        // the budget; counting it negative would let later excerpts overrun the budget.
        total = add_sat(total, std::max<std::int64_t>(count, 0));
        if (total >= max_lines) break;
    }
    return out;
}

std::string read_symbol_content(const std::string& project_root, const std::string& file_id,
                                const std::vector<FunctionSpan>& functions, std::int64_t max_lines) {
    const std::string path = core::paths::join(project_root, file_id);
    // A file that cannot be read (missing, a directory, a NUL in its name) is no file here.
    std::string bytes;
    if (core::fs::current().read_file(path, bytes) != 0) return {};
    if (functions.empty()) return {};
    const std::string text = core::decode_utf8_ignore(bytes);
    return symbol_excerpts(core::splitlines(text), file_id, functions, max_lines);
}

}  // namespace packing

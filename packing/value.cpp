#include "packing/value.hpp"

#include <limits>

#include "core/builtins.hpp"

namespace packing {

std::string join_items(const Json& list, std::size_t limit, const char* sep) {
    std::string out;
    std::size_t n = 0;
    for (const Json& item : list) {
        if (n == limit) break;
        if (n++) out += sep;
        if (item.is_string())
            out += item.get_ref<const std::string&>();
        else
            out += display_text(item);
    }
    return out;
}

std::int64_t add_sat(std::int64_t a, std::int64_t b) {
    std::int64_t r = 0;
    if (!core::add_overflow(a, b, &r)) return r;
    return b > 0 ? std::numeric_limits<std::int64_t>::max() : std::numeric_limits<std::int64_t>::min();
}

}  // namespace packing

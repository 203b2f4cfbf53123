#include "packing/value.hpp"

#include <cmath>
#include <limits>

namespace packing {

bool is_set(const Json& v) { return core::truthy(v); }

std::string text_form(const Json& v) {
    switch (v.type()) {
        case Json::value_t::null:
            return "None";
        case Json::value_t::boolean:
            return v.get<bool>() ? "True" : "False";
        case Json::value_t::number_integer:
            return std::to_string(v.get<std::int64_t>());
        case Json::value_t::number_unsigned:
            return std::to_string(v.get<std::uint64_t>());
        case Json::value_t::number_float: {
            const double d = v.get<double>();
            if (std::isnan(d)) return "nan";
            if (std::isinf(d)) return d > 0 ? "inf" : "-inf";
            return core::float_repr(d);
        }
        case Json::value_t::string:
            return v.get<std::string>();
        default:
            return core::is_big_int(v) ? core::big_int_text(v) : core::json_dumps(v);
    }
}

const Json* find(const Json& v, const char* key) {
    if (!v.is_object()) return nullptr;
    const auto it = v.find(key);
    return it == v.end() ? nullptr : &*it;
}

std::optional<std::int64_t> as_int(const Json& v) {
    if (v.is_boolean()) return v.get<bool>() ? 1 : 0;
    if (v.is_number_integer() && !v.is_number_unsigned()) return v.get<std::int64_t>();
    if (v.is_number_unsigned()) {
        const std::uint64_t u = v.get<std::uint64_t>();
        constexpr auto top = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
        return static_cast<std::int64_t>(u > top ? top : u);
    }
    if (core::is_big_int(v))
        return core::big_int_text(v).starts_with('-') ? std::numeric_limits<std::int64_t>::min()
                                                      : std::numeric_limits<std::int64_t>::max();
    return std::nullopt;
}

std::string join_items(const Json& list, std::size_t limit, const char* sep) {
    std::string out;
    std::size_t n = 0;
    for (const Json& item : list) {
        if (n == limit) break;
        if (n++) out += sep;
        if (item.is_string())
            out += item.get_ref<const std::string&>();
        else
            out += text_form(item);
    }
    return out;
}

std::int64_t add_sat(std::int64_t a, std::int64_t b) {
    std::int64_t r = 0;
    if (!__builtin_add_overflow(a, b, &r)) return r;
    return b > 0 ? std::numeric_limits<std::int64_t>::max() : std::numeric_limits<std::int64_t>::min();
}

}  // namespace packing

#include "agent/guard_values.hpp"

#include <cmath>
#include <limits>

#include "core/py_int.hpp"

namespace agent::guard {

std::int64_t host_int(const core::Json& v) {
    using T = core::Json::value_t;
    constexpr auto hi = std::numeric_limits<std::int64_t>::max();
    constexpr auto lo = std::numeric_limits<std::int64_t>::min();
    switch (v.type()) {
        case T::null:
            throw Unusable("int() of None");
        case T::boolean:
            return v.get<bool>() ? 1 : 0;
        case T::number_integer:
            return v.get<std::int64_t>();
        case T::number_unsigned: {
            const auto u = v.get<std::uint64_t>();
            return u > static_cast<std::uint64_t>(hi) ? hi : static_cast<std::int64_t>(u);
        }
        case T::number_float: {
            const double d = v.get<double>();
            if (std::isnan(d) || std::isinf(d)) throw Unusable("int() of a float that is no number");
            const double t = std::trunc(d);
            if (t >= 9223372036854775807.0) return hi;
            if (t <= -9223372036854775808.0) return lo;
            return static_cast<std::int64_t>(t);
        }
        case T::string: {
            const auto r = core::py_int_from_text(v.get_ref<const std::string&>());
            if (!r) throw Unusable("invalid literal for int()");
            return r->value;
        }
        default:
            throw Unusable("int() of a container");
    }
}

}  // namespace agent::guard

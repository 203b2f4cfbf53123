#include "core/value.hpp"

#include <cmath>
#include <limits>

#include "core/errors.hpp"
#include "core/repr.hpp"

namespace core {

const char* py_type_name(const Json& v) {
    switch (v.type()) {
        case Json::value_t::null:
            return "NoneType";
        case Json::value_t::boolean:
            return "bool";
        case Json::value_t::number_integer:
        case Json::value_t::number_unsigned:
            return "int";
        case Json::value_t::number_float:
            return "float";
        case Json::value_t::string:
            return "str";
        case Json::value_t::array:
            return "list";
        case Json::value_t::object:
            return "dict";
        default:
            return is_big_int(v) ? "int" : "object";
    }
}

bool truthy(const Json& v) {
    switch (v.type()) {
        case Json::value_t::null:
            return false;
        case Json::value_t::boolean:
            return v.get<bool>();
        case Json::value_t::number_integer:
            return v.get<std::int64_t>() != 0;
        case Json::value_t::number_unsigned:
            return v.get<std::uint64_t>() != 0;
        case Json::value_t::number_float:
            return v.get<double>() != 0.0;  // NaN is true, as in the host
        case Json::value_t::string:
            return !v.get_ref<const std::string&>().empty();
        case Json::value_t::array:
        case Json::value_t::object:
            return !v.empty();
        default:
            return true;  // a big integer is never zero
    }
}

std::string py_repr(const Json& v) {
    if (v.is_string()) return str_repr(v.get_ref<const std::string&>());
    if (v.is_array()) {
        std::string out = "[";
        bool first = true;
        for (const auto& x : v) {
            if (!first) out += ", ";
            first = false;
            out += py_repr(x);
        }
        return out + "]";
    }
    if (v.is_object()) {
        std::string out = "{";
        bool first = true;
        for (const auto& [k, x] : v.items()) {
            if (!first) out += ", ";
            first = false;
            out += str_repr(k) + ": " + py_repr(x);
        }
        return out + "}";
    }
    return py_str(v);
}

std::string py_str(const Json& v) {
    switch (v.type()) {
        case Json::value_t::null:
            return "None";
        case Json::value_t::boolean:
            return v.get<bool>() ? "True" : "False";
        case Json::value_t::number_integer:
            return std::to_string(v.get<std::int64_t>());
        case Json::value_t::number_unsigned:
            return std::to_string(v.get<std::uint64_t>());
        case Json::value_t::number_float:
            return float_repr(v.get<double>());
        case Json::value_t::string:
            return v.get<std::string>();
        case Json::value_t::array:
        case Json::value_t::object:
            return py_repr(v);
        default:
            return is_big_int(v) ? big_int_text(v) : std::string();
    }
}

std::string display_text(const Json& v) { return v.is_array() || v.is_object() ? json_dumps(v) : py_str(v); }

const Json* member(const Json& v, std::string_view key) {
    if (!v.is_object()) return nullptr;
    const auto it = v.find(key);
    return it == v.end() ? nullptr : &*it;
}

std::optional<std::int64_t> int_value(const Json& v) {
    if (v.is_boolean()) return v.get<bool>() ? 1 : 0;
    if (v.is_number_integer() && !v.is_number_unsigned()) return v.get<std::int64_t>();
    if (v.is_number_unsigned()) {
        const std::uint64_t u = v.get<std::uint64_t>();
        constexpr auto top = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
        return static_cast<std::int64_t>(u > top ? top : u);
    }
    if (is_big_int(v))
        return big_int_text(v).starts_with('-') ? std::numeric_limits<std::int64_t>::min()
                                                : std::numeric_limits<std::int64_t>::max();
    return std::nullopt;
}

std::string hash_key(const Json& v) {
    switch (v.type()) {
        case Json::value_t::string:
            return "s" + v.get_ref<const std::string&>();
        case Json::value_t::null:
            return "z";
        case Json::value_t::array:
        case Json::value_t::object:
            throw TypeError(std::string("unhashable type: '") + py_type_name(v) + "'");
        case Json::value_t::boolean:
            return v.get<bool>() ? "n1" : "n0";
        case Json::value_t::number_unsigned:
            return "n" + std::to_string(v.get<std::uint64_t>());
        case Json::value_t::number_integer:
            return "n" + std::to_string(v.get<std::int64_t>());
        case Json::value_t::number_float: {
            const double d = v.get<double>();
            if (std::isfinite(d) && d == std::floor(d) && std::fabs(d) < 9.2e18)
                return "n" + std::to_string(static_cast<std::int64_t>(d));
            return "f" + float_repr(d);
        }
        default:
            return is_big_int(v) ? "n" + big_int_text(v) : "o";
    }
}

}  // namespace core

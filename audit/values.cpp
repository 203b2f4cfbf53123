#include "audit/values.hpp"

#include "core/errors.hpp"
#include "core/text.hpp"

namespace audit {

namespace {

const Json& empty_list() {
    static const Json v = Json::array();
    return v;
}

const Json& empty_map() {
    static const Json v = Json::object();
    return v;
}

}  // namespace

const Json& as_map(const Json& v) {
    if (!v.is_object()) throw TypeError(std::string("'") + type_name(v) + "' object has no attribute 'get'");
    return v;
}

const Json* find(const Json& m, std::string_view key) { return core::member(as_map(m), key); }

const Json& require(const Json& m, std::string_view key) {
    const Json* v = find(m, key);
    if (!v) throw core::KeyError(std::string(key));
    return *v;
}

const Json& list_or_empty(const Json& m, std::string_view key) {
    const Json* v = find(m, key);
    if (!v) return empty_list();
    if (!v->is_array()) throw TypeError(std::string("'") + type_name(*v) + "' object is not iterable");
    return *v;
}

const Json& map_or_empty(const Json& m, std::string_view key) {
    const Json* v = find(m, key);
    if (!v) return empty_map();
    return as_map(*v);
}

std::string text_or(const Json& m, std::string_view key, std::string_view fallback) {
    const Json* v = find(m, key);
    if (!v) return std::string(fallback);
    return as_text(*v);
}

const std::string& as_text(const Json& v) {
    if (!v.is_string()) throw TypeError(std::string("expected str, bytes or os.PathLike object, not ") + type_name(v));
    return v.get_ref<const std::string&>();
}

bool equals_text(const Json* v, std::string_view text) {
    return v && v->is_string() && v->get_ref<const std::string&>() == text;
}

std::size_t py_len(const Json& v) {
    if (v.is_string()) return core::cp_len(v.get_ref<const std::string&>());
    if (v.is_array() || v.is_object()) return v.size();
    throw TypeError(std::string("object of type '") + type_name(v) + "' has no len()");
}

bool is_number(const Json& v) { return v.is_number() || v.is_boolean(); }

bool is_integer(const Json& v) { return v.is_number_integer(); }

double as_number(const Json& v) {
    if (v.is_boolean()) return v.get<bool>() ? 1.0 : 0.0;
    if (v.is_number_unsigned()) return static_cast<double>(v.get<std::uint64_t>());
    if (v.is_number_integer()) return static_cast<double>(v.get<std::int64_t>());
    if (v.is_number_float()) return v.get<double>();
    throw TypeError(std::string("unsupported operand type: '") + type_name(v) + "'");
}

std::string group_thousands(std::int64_t n) {
    const std::string digits = std::to_string(n < 0 ? -(n + 1) + std::uint64_t{1} : static_cast<std::uint64_t>(n));
    std::string out;
    const std::size_t lead = digits.size() % 3 == 0 ? 3 : digits.size() % 3;
    out.append(digits, 0, lead);
    for (std::size_t i = lead; i < digits.size(); i += 3) out += ',' + digits.substr(i, 3);
    return n < 0 ? "-" + out : out;
}

}  // namespace audit

// JSON text in the host's form: the writer of json.dumps (ensure_ascii on, default
// separators, optional indent) and the reader of json.loads with its dialect and its
// error messages and positions.
#include "core/json.hpp"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <system_error>
#if !defined(__cpp_lib_to_chars)
#include <locale.h>
#include <stdlib.h>

#include <cerrno>
#include <string>
#endif
#include <unordered_map>
#include <utility>

#include "core/text.hpp"

namespace core {

JsonError::JsonError(std::string msg_, std::size_t pos_, std::size_t lineno_, std::size_t colno_)
    : std::runtime_error(msg_ + ": line " + std::to_string(lineno_) + " column " + std::to_string(colno_) + " (char " +
                         std::to_string(pos_) + ")"),
      msg(std::move(msg_)),
      pos(pos_),
      lineno(lineno_),
      colno(colno_) {}

namespace {

// ---------------------------------------------------------------------------
// Writer

constexpr char kHex[] = "0123456789abcdef";

void append_u_escape(std::string& out, unsigned u) {
    const char buf[6] = {'\\', 'u', kHex[(u >> 12) & 15], kHex[(u >> 8) & 15], kHex[(u >> 4) & 15], kHex[u & 15]};
    out.append(buf, 6);
}

void write_string(std::string& out, std::string_view s) {
    out.push_back('"');
    std::size_t run = 0, i = 0;
    while (i < s.size()) {
        const auto b = static_cast<unsigned char>(s[i]);
        if (b >= 0x20 && b < 0x7F && b != '"' && b != '\\') {
            ++i;
            continue;
        }
        out.append(s.data() + run, i - run);
        if (b < 0x80) {
            ++i;
            switch (b) {
                case '"':
                    out += "\\\"";
                    break;
                case '\\':
                    out += "\\\\";
                    break;
                case '\n':
                    out += "\\n";
                    break;
                case '\r':
                    out += "\\r";
                    break;
                case '\t':
                    out += "\\t";
                    break;
                case '\b':
                    out += "\\b";
                    break;
                case '\f':
                    out += "\\f";
                    break;
                default:
                    append_u_escape(out, b);
                    break;
            }
        } else {
            char32_t cp = next_cp(s, i);  // lone surrogates come back as themselves
            if (cp >= 0x10000) {
                cp -= 0x10000;
                append_u_escape(out, 0xD800 + (cp >> 10));
                append_u_escape(out, 0xDC00 + (cp & 0x3FF));
            } else {
                append_u_escape(out, cp);
            }
        }
        run = i;
    }
    out.append(s.data() + run, i - run);
    out.push_back('"');
}

template <typename Int>
void append_int(std::string& out, Int v) {
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
}

void append_float(std::string& out, double d) {
    if (std::isnan(d)) {
        out += "NaN";
        return;
    }
    if (std::isinf(d)) {
        out += d > 0 ? "Infinity" : "-Infinity";
        return;
    }
    // Shortest round-trip digits, read back from the scientific form
    // "[-]d[.ddd]e(+|-)XX" and laid out the way repr(float) does.
    char buf[40];
    const auto r = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::scientific);
    std::string_view sci(buf, static_cast<std::size_t>(r.ptr - buf));
    if (sci.front() == '-') {
        out.push_back('-');
        sci.remove_prefix(1);
    }
    const std::size_t epos = sci.find('e');
    char digits[24];
    std::size_t nd = 0;
    for (char c : sci.substr(0, epos))
        if (c != '.') digits[nd++] = c;
    std::string_view exp_text = sci.substr(epos + 1);
    const bool exp_negative = exp_text.front() == '-';
    exp_text.remove_prefix(1);
    int exp = 0;
    std::from_chars(exp_text.data(), exp_text.data() + exp_text.size(), exp);
    if (exp_negative) exp = -exp;

    if (exp < -4 || exp >= 16) {
        out.push_back(digits[0]);
        if (nd > 1) {
            out.push_back('.');
            out.append(digits + 1, nd - 1);
        }
        out.push_back('e');
        out.push_back(exp < 0 ? '-' : '+');
        const int a = exp < 0 ? -exp : exp;
        if (a < 10) out.push_back('0');
        append_int(out, a);
    } else if (exp < 0) {
        out += "0.";
        out.append(static_cast<std::size_t>(-exp - 1), '0');
        out.append(digits, nd);
    } else {
        const auto int_digits = static_cast<std::size_t>(exp) + 1;
        if (nd <= int_digits) {
            out.append(digits, nd);
            out.append(int_digits - nd, '0');
            out += ".0";
        } else {
            out.append(digits, int_digits);
            out.push_back('.');
            out.append(digits + int_digits, nd - int_digits);
        }
    }
}

void newline_indent(std::string& out, int indent, int level) {
    out.push_back('\n');
    out.append(static_cast<std::size_t>(indent) * static_cast<std::size_t>(level), ' ');
}

void write_value(std::string& out, const Json& v, int indent, int level, const StopFlag* stop);

// An array or object: "[]"/"{}" when empty; otherwise ", " between members in the
// one-line form, or each member on its own indented line with "," after all but the last.
template <typename Members, typename WriteMember>
void write_container(std::string& out, const Members& members, const char* brackets, int indent, int level,
                     const StopFlag* stop, WriteMember write_member) {
    out.push_back(brackets[0]);
    if (!members.empty()) {
        bool first = true;
        for (const auto& m : members) {
            if (indent >= 0) {
                if (!first) out.push_back(',');
                newline_indent(out, indent, level + 1);
            } else if (!first) {
                out += ", ";
            }
            first = false;
            check_stop(stop);
            write_member(m);
        }
        if (indent >= 0) newline_indent(out, indent, level);
    }
    out.push_back(brackets[1]);
}

void write_value(std::string& out, const Json& v, int indent, int level, const StopFlag* stop) {
    switch (v.type()) {
        case Json::value_t::null:
            out += "null";
            return;
        case Json::value_t::boolean:
            out += v.get_ref<const Json::boolean_t&>() ? "true" : "false";
            return;
        case Json::value_t::number_integer:
            append_int(out, v.get_ref<const Json::number_integer_t&>());
            return;
        case Json::value_t::number_unsigned:
            append_int(out, v.get_ref<const Json::number_unsigned_t&>());
            return;
        case Json::value_t::number_float:
            append_float(out, v.get_ref<const Json::number_float_t&>());
            return;
        case Json::value_t::string:
            write_string(out, v.get_ref<const Json::string_t&>());
            return;
        case Json::value_t::array:
            write_container(out, v.get_ref<const Json::array_t&>(), "[]", indent, level, stop,
                            [&](const Json& item) { write_value(out, item, indent, level + 1, stop); });
            return;
        case Json::value_t::object:
            write_container(out, v.get_ref<const Json::object_t&>(), "{}", indent, level, stop,
                            [&](const auto& member) {
                                write_string(out, member.first);
                                out += ": ";
                                write_value(out, member.second, indent, level + 1, stop);
                            });
            return;
        case Json::value_t::binary:
            if (is_big_int(v)) {
                const auto& digits = v.get_binary();
                out.append(digits.begin(), digits.end());
                return;
            }
            break;
        case Json::value_t::discarded:
            break;
    }
    throw std::invalid_argument("json_write: value has no JSON text");
}

// ---------------------------------------------------------------------------
// Reader

// Containers nested deeper than this are refused, as the host refuses them when its
// recursion limit is reached (it stops near 994 levels from a shallow caller).
constexpr int kMaxDepth = 990;

// Above this many members an object keeps a hash index of its keys, so that a large
// object costs linear time while duplicates still land at the first key's place.
constexpr std::size_t kIndexKeysFrom = 16;

#if !defined(__cpp_lib_to_chars)
// The "C" locale for strtod, whatever locale the process runs in.
#ifdef _WIN32
_locale_t make_c_locale() { return _create_locale(LC_NUMERIC, "C"); }
double strtod_c(const char* s, _locale_t c) { return _strtod_l(s, nullptr, c); }
#else
locale_t make_c_locale() { return newlocale(LC_NUMERIC_MASK, "C", nullptr); }
double strtod_c(const char* s, locale_t c) { return strtod_l(s, nullptr, c); }
#endif
#endif

bool is_ws(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The correctly rounded double of a number text of the grammar below; false when it
// lies beyond the double range. A C library that lacks the floating from_chars (libc++
// before 20) has strtod in the "C" locale, exact too, which calls that range an infinity
// or a zero; a subnormal it gives is in range.
bool parse_double(std::string_view num, double& out) {
#if defined(__cpp_lib_to_chars)
    return std::from_chars(num.data(), num.data() + num.size(), out, std::chars_format::general).ec == std::errc();
#else
    static const auto c_locale = make_c_locale();
    const std::string text(num);
    errno = 0;
    out = strtod_c(text.c_str(), c_locale);
    return errno != ERANGE || (out != 0 && !std::isinf(out));
#endif
}

// A number text of the grammar below as a double, rounded correctly; beyond the
// double range it is an infinity or a zero of its sign, as float() gives.
double to_double(std::string_view num) {
    double d = 0;
    if (parse_double(num, d)) return d;
    // Out of range: the sign of the decimal magnitude tells overflow from underflow.
    const bool negative = num.front() == '-';
    if (negative) num.remove_prefix(1);
    std::int64_t magnitude = 0;  // decimal exponent of the first significant digit
    std::size_t i = 0;
    bool seen = false;
    std::int64_t int_digits = 0;
    for (; i < num.size() && is_digit(num[i]); ++i) {
        if (seen || num[i] != '0') {
            seen = true;
            ++int_digits;
        }
    }
    if (seen) {
        magnitude = int_digits - 1;
    } else if (i < num.size() && num[i] == '.') {
        std::int64_t zeros = 0;
        for (++i; i < num.size() && num[i] == '0'; ++i) ++zeros;
        magnitude = -zeros - 1;
    }
    constexpr std::int64_t kHugeExponent = std::int64_t{1} << 40;
    const std::size_t e = num.find_first_of("eE");
    if (e != std::string_view::npos) {
        std::string_view et = num.substr(e + 1);
        const bool eneg = !et.empty() && et.front() == '-';
        if (!et.empty() && (et.front() == '-' || et.front() == '+')) et.remove_prefix(1);
        // Exponents too long for 64 bits are clamped; only the sign of the sum matters.
        std::int64_t ev = 0;
        if (std::from_chars(et.data(), et.data() + et.size(), ev).ec != std::errc()) ev = kHugeExponent;
        if (ev > kHugeExponent) ev = kHugeExponent;
        magnitude += eneg ? -ev : ev;
    }
    const double r_abs = magnitude >= 0 ? HUGE_VAL : 0.0;
    return negative ? -r_abs : r_abs;
}

class Reader {
public:
    Reader(std::string_view s, BigInts big, const StopFlag* stop) : s_(s), n_(s.size()), big_(big), stop_(stop) {}

    Json document() {
        std::size_t i = skip_ws(0);
        Json v = value(i, i);
        i = skip_ws(i);
        if (i != n_) fail("Extra data", i);
        return v;
    }

private:
    std::string_view s_;
    std::size_t n_;
    BigInts big_;
    const StopFlag* stop_;
    int depth_ = 0;

    // Throws with the position in code points, counted as the host counts them.
    [[noreturn]] void fail(const char* msg, std::size_t byte_pos) const {
        std::size_t pos = 0, lineno = 1, last_nl = 0;
        bool any_nl = false;
        for (std::size_t k = 0; k < byte_pos && k < n_; ++k) {
            const auto b = static_cast<unsigned char>(s_[k]);
            if ((b & 0xC0) == 0x80) continue;
            if (b == '\n') {
                ++lineno;
                last_nl = pos;
                any_nl = true;
            }
            ++pos;
        }
        const std::size_t colno = any_nl ? pos - last_nl : pos + 1;
        throw JsonError(msg, pos, lineno, colno);
    }

    std::size_t skip_ws(std::size_t i) const {
        while (i < n_ && is_ws(s_[i])) ++i;
        return i;
    }

    bool literal_at(std::size_t i, std::string_view word) const { return s_.substr(i, word.size()) == word; }

    // One value starting at byte i; `next` receives the byte after it.
    Json value(std::size_t i, std::size_t& next) {
        if (i >= n_) fail("Expecting value", i);
        if (s_[i] == '"') return Json(scan_string(i + 1, next));
        if (s_[i] == '{' || s_[i] == '[') {
            check_stop(stop_);
            if (++depth_ > kMaxDepth)
                fail(s_[i] == '{'
                         ? "maximum recursion depth exceeded while decoding a JSON object from a unicode string"
                         : "maximum recursion depth exceeded while decoding a JSON array from a unicode string",
                     i);
            Json v = s_[i] == '{' ? object(i + 1, next) : array(i + 1, next);
            --depth_;
            return v;
        }
        // The named constants; each starts with its own character.
        static const std::pair<std::string_view, Json> kLiterals[] = {
            {"null", Json(nullptr)},     {"true", Json(true)},         {"false", Json(false)},
            {"NaN", Json(std::nan(""))}, {"Infinity", Json(HUGE_VAL)}, {"-Infinity", Json(-HUGE_VAL)},
        };
        for (const auto& [word, constant] : kLiterals) {
            if (s_[i] == word.front() && literal_at(i, word)) {
                next = i + word.size();
                return constant;
            }
        }
        return number(i, next);
    }

    // -?(0|[1-9]\d*)(\.\d+)?([eE][-+]?\d+)? with ASCII digits; an integer when it has
    // neither fraction nor exponent.
    Json number(std::size_t start, std::size_t& next) {
        std::size_t i = start;
        if (s_[i] == '-') {
            ++i;
            if (i >= n_) fail("Expecting value", start);
        }
        if (s_[i] >= '1' && s_[i] <= '9') {
            ++i;
            while (i < n_ && is_digit(s_[i])) ++i;
        } else if (s_[i] == '0') {
            ++i;
        } else {
            fail("Expecting value", start);
        }
        bool is_float = false;
        if (i + 1 < n_ && s_[i] == '.' && is_digit(s_[i + 1])) {
            is_float = true;
            i += 2;
            while (i < n_ && is_digit(s_[i])) ++i;
        }
        if (i + 1 < n_ && (s_[i] == 'e' || s_[i] == 'E')) {
            const std::size_t e_start = i++;
            if (i + 1 < n_ && (s_[i] == '-' || s_[i] == '+')) ++i;
            while (i < n_ && is_digit(s_[i])) ++i;
            if (is_digit(s_[i - 1]))
                is_float = true;
            else
                i = e_start;
        }
        next = i;
        const std::string_view num = s_.substr(start, i - start);
        if (!is_float) {
            const char* end = num.data() + num.size();
            std::int64_t iv = 0;
            if (std::from_chars(num.data(), end, iv).ec == std::errc()) return Json(iv);
            std::uint64_t uv = 0;
            if (num.front() != '-' && std::from_chars(num.data(), end, uv).ec == std::errc()) return Json(uv);
            if (big_ == BigInts::Keep) return big_int(num);
        }
        return Json(to_double(num));
    }

    // The string whose opening quote lies just before byte `end`.
    std::string scan_string(std::size_t end, std::size_t& next) const {
        const std::size_t begin = end - 1;
        std::string out;
        while (true) {
            std::size_t k = end;
            char c = 0;
            for (; k < n_; ++k) {
                c = s_[k];
                if (c == '"' || c == '\\') break;
                if (static_cast<unsigned char>(c) <= 0x1F) fail("Invalid control character at", k);
            }
            if (k >= n_) fail("Unterminated string starting at", begin);
            out.append(s_.data() + end, k - end);
            ++k;
            if (c == '"') {
                next = k;
                return out;
            }
            if (k == n_) fail("Unterminated string starting at", begin);
            c = s_[k];
            char32_t cp = 0;
            if (c != 'u') {
                end = k + 1;
                switch (c) {
                    case '"':
                    case '\\':
                    case '/':
                        cp = static_cast<char32_t>(c);
                        break;
                    case 'b':
                        cp = '\b';
                        break;
                    case 'f':
                        cp = '\f';
                        break;
                    case 'n':
                        cp = '\n';
                        break;
                    case 'r':
                        cp = '\r';
                        break;
                    case 't':
                        cp = '\t';
                        break;
                    default:
                        fail("Invalid \\escape", end - 2);
                }
            } else {
                ++k;
                end = k + 4;
                if (end >= n_) fail("Invalid \\uXXXX escape", k - 1);
                for (; k < end; ++k) {
                    const int h = hex_value(s_[k]);
                    if (h < 0) fail("Invalid \\uXXXX escape", end - 5);
                    cp = (cp << 4) | static_cast<char32_t>(h);
                }
                // A high surrogate joins a directly following escaped low one.
                if (cp >= 0xD800 && cp <= 0xDBFF && end + 6 < n_ && s_[k] == '\\' && s_[k + 1] == 'u') {
                    k += 2;
                    end += 6;
                    char32_t c2 = 0;
                    for (; k < end; ++k) {
                        const int h = hex_value(s_[k]);
                        if (h < 0) fail("Invalid \\uXXXX escape", end - 5);
                        c2 = (c2 << 4) | static_cast<char32_t>(h);
                    }
                    if (c2 >= 0xDC00 && c2 <= 0xDFFF)
                        cp = 0x10000 + (((cp - 0xD800) << 10) | (c2 - 0xDC00));
                    else
                        end -= 6;
                }
            }
            append_utf8(out, cp);
        }
    }

    // The members of an array or object after its opening bracket, up to the closing
    // one; `read_member` reads one member at byte i and returns the byte after it.
    // Returns the byte after the closing bracket.
    template <typename ReadMember>
    std::size_t members(std::size_t i, char close, ReadMember read_member) {
        i = skip_ws(i);
        if (i < n_ && s_[i] == close) return i + 1;
        while (true) {
            i = skip_ws(read_member(i));
            if (i < n_ && s_[i] == close) return i + 1;
            if (i >= n_ || s_[i] != ',') fail("Expecting ',' delimiter", i);
            i = skip_ws(i + 1);
        }
    }

    // A stop hands what was read so far to the late freeing: a large document half
    // read would otherwise be freed, for seconds, on the way out.
    template <typename Read>
    static Json kept_on_stop(Json container, Read read) {
        try {
            read(container);
        } catch (const Stopped&) {
            keep_for_freeing(std::move(container));
            throw;
        }
        return container;
    }

    Json array(std::size_t i, std::size_t& next) {
        return kept_on_stop(Json::array(), [&](Json& arr) {
            auto& items = arr.get_ref<Json::array_t&>();
            next = members(i, ']', [&](std::size_t k) {
                items.push_back(value(k, k));
                return k;
            });
        });
    }

    Json object(std::size_t i, std::size_t& next) {
        return kept_on_stop(Json::object(), [&](Json& obj) {
            // Members go straight into the underlying vector: the map's own insert would
            // search it linearly for every key.
            auto& fields = static_cast<Json::object_t::Container&>(obj.get_ref<Json::object_t&>());
            std::unordered_map<std::string, std::size_t> index;
            next = members(i, '}', [&](std::size_t k) {
                if (k >= n_ || s_[k] != '"') fail("Expecting property name enclosed in double quotes", k);
                std::string key = scan_string(k + 1, k);
                k = skip_ws(k);
                if (k >= n_ || s_[k] != ':') fail("Expecting ':' delimiter", k);
                k = skip_ws(k + 1);
                Json val = value(k, k);
                put(fields, index, std::move(key), std::move(val));
                return k;
            });
        });
    }

    // A repeated key keeps its first place and takes the new value.
    static void put(Json::object_t::Container& members, std::unordered_map<std::string, std::size_t>& index,
                    std::string&& key, Json&& val) {
        if (members.size() < kIndexKeysFrom) {
            for (auto& m : members) {
                if (m.first == key) {
                    m.second = std::move(val);
                    return;
                }
            }
            members.emplace_back(std::move(key), std::move(val));
            if (members.size() == kIndexKeysFrom)
                for (std::size_t k = 0; k < members.size(); ++k) index.emplace(members[k].first, k);
            return;
        }
        const auto [it, inserted] = index.emplace(key, members.size());
        if (inserted)
            members.emplace_back(std::move(key), std::move(val));
        else
            members[it->second].second = std::move(val);
    }
};

}  // namespace

void json_write_string(std::string& out, std::string_view s) { write_string(out, s); }

void json_write(std::string& out, const Json& v, int indent) { write_value(out, v, indent, 0, nullptr); }

std::string json_dumps(const Json& v, const StopFlag* stop) {
    std::string out;
    write_value(out, v, -1, 0, stop);
    return out;
}

std::string json_dumps_indent(const Json& v, int indent, const StopFlag* stop, std::size_t reserve) {
    std::string out;
    out.reserve(reserve);
    write_value(out, v, indent, 0, stop);
    return out;
}

std::string json_float_text(double d) {
    std::string out;
    append_float(out, d);
    return out;
}

Json big_int(std::string_view decimal) {
    return Json::binary(Json::binary_t::container_type(decimal.begin(), decimal.end()), kBigIntSubtype);
}

bool is_big_int(const Json& v) {
    return v.is_binary() && v.get_binary().has_subtype() && v.get_binary().subtype() == kBigIntSubtype;
}

std::string big_int_text(const Json& v) {
    const auto& digits = v.get_binary();
    return std::string(digits.begin(), digits.end());
}

Json json_loads(std::string_view text, Bom bom, BigInts big, const StopFlag* stop) {
    constexpr std::string_view kBom = "\xEF\xBB\xBF";
    // Stripping takes one mark, as decoding with utf-8-sig does; the reader itself
    // refuses a text that starts with one.
    if (bom == Bom::Strip && text.starts_with(kBom)) text.remove_prefix(kBom.size());
    if (text.starts_with(kBom)) throw JsonError("Unexpected UTF-8 BOM (decode using utf-8-sig)", 0, 1, 1);
    return Reader(text, big, stop).document();
}

namespace {

// Empties `v`, freeing two levels down a member at a time (deeper values go whole, each a
// small part of a large document), with a stop looked for every 1024 members.
void free_level(Json& v, int levels, const StopFlag* stop, std::size_t& freed) {
    auto step = [&](Json& member) {
        if (levels > 1) free_level(member, levels - 1, stop, freed);
        member = Json();
        if ((++freed & 1023) == 0) check_stop(stop);
    };
    if (v.is_array()) {
        auto& items = v.get_ref<Json::array_t&>();
        while (!items.empty()) {
            step(items.back());
            items.pop_back();
        }
    } else if (v.is_object()) {
        auto& members = v.get_ref<Json::object_t&>();
        while (!members.empty()) {
            step(members.back().second);
            members.pop_back();
        }
    }
}

}  // namespace

void free_in_steps(Json&& doc, const StopFlag* stop) {
    Json owned = std::move(doc);
    std::size_t freed = 0;
    try {
        free_level(owned, 2, stop, freed);
    } catch (const Stopped&) {
        keep_for_freeing(std::move(owned));
        throw;
    }
}

}  // namespace core

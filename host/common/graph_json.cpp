#include "host/common/graph_json.hpp"

#include <charconv>
#include <cmath>
#include <cstring>
#include <unordered_map>
#include <unordered_set>

#include "core/errors.hpp"
#include "core/fs.hpp"
#include "core/json.hpp"
#include "core/text.hpp"
#include "host/common/convert.hpp"
#include "host/common/interrupt.hpp"

namespace host::graph_json {

namespace {

// ---------------------------------------------------------------------------
// Reader

struct Decline {};

constexpr int kMaxDepth = 900;  // below the host's default recursion limit

// Length of the leading run of plain string bytes: printable ASCII other than the quote
// and the backslash. Eight bytes at a time.
std::size_t plain_run(const char* p, const char* end) {
    constexpr std::uint64_t kOnes = 0x0101010101010101ull, kHighs = 0x8080808080808080ull;
    const char* start = p;
    while (end - p >= 8) {
        std::uint64_t w;
        std::memcpy(&w, p, 8);
        const std::uint64_t q = w ^ (kOnes * '"'), b = w ^ (kOnes * '\\');
        const std::uint64_t special = ((q - kOnes) & ~q) | ((b - kOnes) & ~b) | (w - kOnes * 0x20) | w;
        if (special & kHighs) break;
        p += 8;
    }
    while (p < end) {
        const auto c = static_cast<unsigned char>(*p);
        if (c == '"' || c == '\\' || c < 0x20 || c >= 0x80) break;
        ++p;
    }
    return static_cast<std::size_t>(p - start);
}

class Reader {
public:
    Reader(const char* p, const char* end) : p_(p), end_(end) {}

    py::object document() {
        skip_ws();
        py::object v = value(0);
        skip_ws();
        if (p_ != end_) throw Decline{};
        return v;
    }

private:
    const char* p_;
    const char* end_;
    // One key object per raw key text (the bytes between the quotes, viewed in place).
    std::unordered_map<std::string_view, py::object> keys_;
    // The same few keys come back in every node and edge: a small direct-mapped cache
    // in front of the memo.
    struct Recent {
        std::string_view raw;
        PyObject* key = nullptr;
    };
    Recent recent_[64];
    std::string buf_;

    void skip_ws() {
        while (p_ < end_ && (*p_ == ' ' || *p_ == '\n' || *p_ == '\r' || *p_ == '\t')) ++p_;
    }

    bool literal(std::string_view word) {
        if (static_cast<std::size_t>(end_ - p_) < word.size() || std::string_view(p_, word.size()) != word)
            return false;
        p_ += word.size();
        return true;
    }

    py::object value(int depth) {
        if (p_ >= end_) throw Decline{};
        switch (*p_) {
            case '"':
                return string();
            case '{':
                return object(depth + 1);
            case '[':
                return array(depth + 1);
            case 't':
                if (literal("true")) return py::bool_(true);
                break;
            case 'f':
                if (literal("false")) return py::bool_(false);
                break;
            case 'n':
                if (literal("null")) return py::none();
                break;
            case 'N':
                if (literal("NaN")) return steal(PyFloat_FromDouble(std::nan("")));
                break;
            case 'I':
                if (literal("Infinity")) return steal(PyFloat_FromDouble(HUGE_VAL));
                break;
            case '-':
                if (literal("-Infinity")) return steal(PyFloat_FromDouble(-HUGE_VAL));
                return number();
            default:
                if (*p_ >= '0' && *p_ <= '9') return number();
        }
        throw Decline{};
    }

    py::object number() {
        const char* start = p_;
        if (*p_ == '-') ++p_;
        if (p_ >= end_) throw Decline{};
        if (*p_ == '0')
            ++p_;
        else if (*p_ >= '1' && *p_ <= '9')
            while (p_ < end_ && *p_ >= '0' && *p_ <= '9') ++p_;
        else
            throw Decline{};
        bool is_float = false;
        if (p_ + 1 < end_ && *p_ == '.' && p_[1] >= '0' && p_[1] <= '9') {
            is_float = true;
            p_ += 2;
            while (p_ < end_ && *p_ >= '0' && *p_ <= '9') ++p_;
        }
        if (p_ < end_ && (*p_ == 'e' || *p_ == 'E')) {
            const char* q = p_ + 1;
            if (q < end_ && (*q == '+' || *q == '-')) ++q;
            if (q < end_ && *q >= '0' && *q <= '9') {
                is_float = true;
                while (q < end_ && *q >= '0' && *q <= '9') ++q;
                p_ = q;
            }
        }
        const std::size_t len = static_cast<std::size_t>(p_ - start);
        if (is_float) {
            double d = 0;
#if defined(__cpp_lib_to_chars)
            const auto r = std::from_chars(start, p_, d);
            // Overflow and underflow: the host's float() gives inf or 0.0; leave it to it.
            if (r.ec != std::errc() || r.ptr != p_) throw Decline{};
#else
            // A C++ library without the floating from_chars (libc++ before 20): the host's
            // own parser, the one float() uses, which also gives inf or 0.0 out of range.
            const std::string text(start, len);
            char* stopped = nullptr;
            d = PyOS_string_to_double(text.c_str(), &stopped, nullptr);
            if (d == -1.0 && PyErr_Occurred()) {
                PyErr_Clear();
                throw Decline{};
            }
            if (stopped != text.c_str() + len) throw Decline{};
#endif
            return steal(PyFloat_FromDouble(d));
        }
        if (len <= 18) {
            long long v = 0;
            std::from_chars(start, p_, v);
            return steal(PyLong_FromLongLong(v));
        }
        const std::string digits(start, len);
        return steal(PyLong_FromString(digits.c_str(), nullptr, 10));
    }

    static int hex4(const char* q) {
        int v = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = q[i];
            v <<= 4;
            if (c >= '0' && c <= '9')
                v |= c - '0';
            else if (c >= 'a' && c <= 'f')
                v |= c - 'a' + 10;
            else if (c >= 'A' && c <= 'F')
                v |= c - 'A' + 10;
            else
                return -1;
        }
        return v;
    }

    // The string starting at the opening quote; p_ ends past the closing one.
    py::object string() {
        const char* start = ++p_;
        bool ascii = true;
        p_ += plain_run(p_, end_);
        while (p_ < end_) {
            const auto b = static_cast<unsigned char>(*p_);
            if (b == '"' || b == '\\' || b < 0x20) break;
            ascii = ascii && b < 0x80;
            ++p_;
        }
        if (p_ >= end_ || static_cast<unsigned char>(*p_) < 0x20) throw Decline{};
        if (*p_ == '"') {
            const std::size_t n = static_cast<std::size_t>(p_ - start);
            ++p_;
            return make_str(start, n, ascii, false);
        }
        // Escapes: decode into the buffer, lone surrogates as their 3-byte form.
        buf_.assign(start, static_cast<std::size_t>(p_ - start));
        bool surrogates = false;
        while (true) {
            if (p_ >= end_) throw Decline{};
            const auto b = static_cast<unsigned char>(*p_);
            if (b == '"') {
                ++p_;
                break;
            }
            if (b < 0x20) throw Decline{};
            if (b != '\\') {
                const char* run = p_;
                unsigned char seen = 0;
                p_ += plain_run(p_, end_);
                while (p_ < end_) {
                    const auto c = static_cast<unsigned char>(*p_);
                    if (c == '"' || c == '\\' || c < 0x20) break;
                    seen |= c;
                    ++p_;
                }
                ascii = ascii && !(seen & 0x80);
                buf_.append(run, static_cast<std::size_t>(p_ - run));
                continue;
            }
            if (p_ + 1 >= end_) throw Decline{};
            const char e = p_[1];
            p_ += 2;
            switch (e) {
                case '"':
                    buf_.push_back('"');
                    break;
                case '\\':
                    buf_.push_back('\\');
                    break;
                case '/':
                    buf_.push_back('/');
                    break;
                case 'b':
                    buf_.push_back('\b');
                    break;
                case 'f':
                    buf_.push_back('\f');
                    break;
                case 'n':
                    buf_.push_back('\n');
                    break;
                case 'r':
                    buf_.push_back('\r');
                    break;
                case 't':
                    buf_.push_back('\t');
                    break;
                case 'u': {
                    if (end_ - p_ < 4) throw Decline{};
                    int cp = hex4(p_);
                    if (cp < 0) throw Decline{};
                    p_ += 4;
                    if (cp >= 0xD800 && cp <= 0xDBFF && end_ - p_ >= 6 && p_[0] == '\\' && p_[1] == 'u') {
                        const int lo = hex4(p_ + 2);
                        if (lo >= 0xDC00 && lo <= 0xDFFF) {
                            cp = 0x10000 + ((cp - 0xD800) << 10) + (lo - 0xDC00);
                            p_ += 6;
                        }
                    }
                    if (cp >= 0xD800 && cp <= 0xDFFF) surrogates = true;
                    if (cp >= 0x80) ascii = false;
                    core::append_utf8(buf_, static_cast<char32_t>(cp));
                    break;
                }
                default:
                    throw Decline{};
            }
        }
        return make_str(buf_.data(), buf_.size(), ascii, surrogates);
    }

    static py::object make_str(const char* s, std::size_t n, bool ascii, bool surrogates) {
        if (ascii) {
            PyObject* o = PyUnicode_New(static_cast<Py_ssize_t>(n), 127);
            if (!o) throw py::error_already_set();
            std::memcpy(PyUnicode_DATA(o), s, n);
            return py::reinterpret_steal<py::object>(o);
        }
        return steal(PyUnicode_DecodeUTF8(s, static_cast<Py_ssize_t>(n), surrogates ? "surrogatepass" : nullptr));
    }

    py::object key() {
        if (p_ >= end_ || *p_ != '"') throw Decline{};
        // The raw text between the quotes names the key: equal texts, equal keys.
        const char* q = p_ + 1;
        while (q < end_ && *q != '"' && *q != '\\') ++q;
        if (q < end_ && *q == '"') {
            const std::string_view raw(p_ + 1, static_cast<std::size_t>(q - p_ - 1));
            const std::size_t slot = raw.empty() ? 0
                                                 : (raw.size() * 7 + static_cast<unsigned char>(raw[0]) * 3 +
                                                    static_cast<unsigned char>(raw.back())) &
                                                       63;
            Recent& r = recent_[slot];
            if (r.key && r.raw == raw) {
                p_ = q + 1;
                return py::reinterpret_borrow<py::object>(r.key);
            }
            auto [known, fresh] = keys_.try_emplace(raw);
            if (!fresh) {
                p_ = q + 1;
                r = {raw, known->second.ptr()};
                return known->second;
            }
            known->second = string();
            r = {raw, known->second.ptr()};
            return known->second;
        }
        return string();
    }

    py::object object(int depth) {
        if (depth > kMaxDepth) throw Decline{};
        ++p_;
        py::object d = steal(PyDict_New());
        skip_ws();
        if (p_ < end_ && *p_ == '}') {
            ++p_;
            return d;
        }
        while (true) {
            skip_ws();
            py::object k = key();
            skip_ws();
            if (p_ >= end_ || *p_ != ':') throw Decline{};
            ++p_;
            skip_ws();
            py::object v = value(depth);
            if (PyDict_SetItem(d.ptr(), k.ptr(), v.ptr()) != 0) throw py::error_already_set();
            skip_ws();
            if (p_ < end_ && *p_ == ',') {
                ++p_;
                continue;
            }
            if (p_ < end_ && *p_ == '}') {
                ++p_;
                return d;
            }
            throw Decline{};
        }
    }

    py::object array(int depth) {
        if (depth > kMaxDepth) throw Decline{};
        ++p_;
        py::object l = steal(PyList_New(0));
        skip_ws();
        if (p_ < end_ && *p_ == ']') {
            ++p_;
            return l;
        }
        while (true) {
            skip_ws();
            py::object v = value(depth);
            if (PyList_Append(l.ptr(), v.ptr()) != 0) throw py::error_already_set();
            skip_ws();
            if (p_ < end_ && *p_ == ',') {
                ++p_;
                continue;
            }
            if (p_ < end_ && *p_ == ']') {
                ++p_;
                return l;
            }
            throw Decline{};
        }
    }
};

// ---------------------------------------------------------------------------
// Writer

class Writer {
public:
    explicit Writer(std::string& out) : out_(out) {}

    void value(PyObject* o, int level) {
        if (PyUnicode_Check(o)) return string(o);
        if (o == Py_None) return out_.append("null"), void();
        if (o == Py_True) return out_.append("true"), void();
        if (o == Py_False) return out_.append("false"), void();
        if (PyLong_Check(o)) return int_text(o);
        if (PyFloat_Check(o)) return out_.append(core::json_float_text(PyFloat_AS_DOUBLE(o))), void();
        if (PyList_Check(o) || PyTuple_Check(o)) return list(o, level);
        if (PyDict_Check(o)) return dict(o, level);
        throw py::type_error(std::string("Object of type ") + type_name(o) + " is not JSON serializable");
    }

private:
    std::string& out_;
    std::unordered_set<PyObject*> markers_;
    std::size_t items_ = 0;

    static std::string type_name(PyObject* o) {
        py::object n = py::reinterpret_borrow<py::object>(reinterpret_cast<PyObject*>(Py_TYPE(o))).attr("__name__");
        return host::utf8_lenient(n);
    }

    void string(PyObject* o) {
        if (PyUnicode_IS_COMPACT_ASCII(o)) {
            core::json_write_string(
                out_, {static_cast<const char*>(PyUnicode_DATA(o)), static_cast<std::size_t>(PyUnicode_GET_LENGTH(o))});
        } else {
            core::json_write_string(out_, host::utf8_lenient(o));
        }
    }

    void int_text(PyObject* o) {
        int overflow = 0;
        const long long v = PyLong_AsLongLongAndOverflow(o, &overflow);
        if (overflow == 0 && !(v == -1 && PyErr_Occurred())) {
            char buf[24];
            const auto r = std::to_chars(buf, buf + sizeof buf, v);
            out_.append(buf, r.ptr);
            return;
        }
        PyErr_Clear();
        PyObject* s = PyLong_Type.tp_repr(o);
        if (!s) throw py::error_already_set();
        out_ += host::utf8(py::reinterpret_steal<py::object>(s));
    }

    void newline(int level) {
        out_.push_back('\n');
        out_.append(static_cast<std::size_t>(2 * level), ' ');
    }

    void enter(PyObject* o) {
        if (!markers_.insert(o).second) throw py::value_error("Circular reference detected");
    }

    void list(PyObject* o, int level) {
        py::object seq = py::reinterpret_steal<py::object>(PySequence_Fast(o, ""));
        if (!seq) throw py::error_already_set();
        const Py_ssize_t n = PySequence_Fast_GET_SIZE(seq.ptr());
        if (n == 0) return out_.append("[]"), void();
        enter(o);
        out_.push_back('[');
        for (Py_ssize_t i = 0; i < n; ++i) {
            if (i) out_.push_back(',');
            newline(level + 1);
            value(PySequence_Fast_GET_ITEM(seq.ptr(), i), level + 1);
            // The host's own encoder runs its signal handlers as it goes: an interrupt
            // ends a long write here too.
            if ((++items_ & 1023) == 0 && PyErr_CheckSignals() != 0) throw py::error_already_set();
        }
        newline(level);
        out_.push_back(']');
        markers_.erase(o);
    }

    void key(PyObject* k) {
        if (PyUnicode_Check(k)) return string(k);
        out_.push_back('"');
        if (PyFloat_Check(k))
            out_ += core::json_float_text(PyFloat_AS_DOUBLE(k));
        else if (k == Py_True)
            out_ += "true";
        else if (k == Py_False)
            out_ += "false";
        else if (k == Py_None)
            out_ += "null";
        else if (PyLong_Check(k))
            int_text(k);
        else
            throw py::type_error("keys must be str, int, float, bool or None, not " + type_name(k));
        out_.push_back('"');
    }

    void dict(PyObject* o, int level) {
        if (PyDict_GET_SIZE(o) == 0) return out_.append("{}"), void();
        enter(o);
        out_.push_back('{');
        PyObject *k, *v;
        Py_ssize_t pos = 0;
        bool first = true;
        while (PyDict_Next(o, &pos, &k, &v)) {
            if (!first) out_.push_back(',');
            first = false;
            newline(level + 1);
            key(k);
            out_ += ": ";
            value(v, level + 1);
        }
        newline(level);
        out_.push_back('}');
        markers_.erase(o);
    }
};

}  // namespace

std::optional<py::object> read(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
    if (!core::is_valid_utf8(bytes)) return std::nullopt;
    try {
        Reader r(bytes.data(), bytes.data() + bytes.size());
        return r.document();
    } catch (const Decline&) {
        return std::nullopt;
    }
}

std::string dumps_indent(py::handle value) {
    std::string out;
    Writer(out).value(value.ptr(), 0);
    return out;
}

namespace {

// The host's own reading of the file, for the cases the fast reader declines: it
// raises the host's exact decoding or parse error, or reads what the host reads.
py::object host_read(const std::string& path) {
    py::object f = py::module_::import("io").attr("open")(to_str(path), "r", py::arg("encoding") = "utf-8-sig");
    py::object text;
    try {
        text = f.attr("read")();
    } catch (...) {
        f.attr("close")();
        throw;
    }
    f.attr("close")();
    return py::module_::import("json").attr("loads")(text);
}

}  // namespace

py::object load(const std::string& path) {
    std::optional<py::object> value;
    {
        core::fs::FileBytes bytes;
        if (const int err = core::fs::current().map_file(path, bytes)) throw core::OsError(err, path);
        value = read(bytes.bytes());
    }
    return value ? *value : host_read(path);
}

void store(const std::string& path, py::handle value) {
    const std::string text = dumps_indent(value);
    // An interrupt during the write keeps the previous file.
    run_interruptible([&](const core::StopFlag& stop) { core::fs::replace_text(path, text, &stop); });
}

}  // namespace host::graph_json

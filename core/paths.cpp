#include "core/paths.hpp"

// The POSIX rules (posixpath, PurePosixPath). A Windows build needs drives, both
// separators, case-insensitive containment and its own link resolution.

#include <cerrno>
#include <optional>
#include <stdexcept>
#include <unordered_map>
#include <utility>
#include <vector>

#include <unicode/uchar.h>

#include "core/errors.hpp"
#include "core/fs.hpp"

namespace core::paths {

namespace {

constexpr std::string_view kSep{&SEP, 1};
constexpr auto npos = std::string_view::npos;

bool isabs(std::string_view p) { return !p.empty() && p.front() == SEP; }

// Decodes one code point of UTF-8 at `i`. Strict mode refuses what the host's strict
// decoder refuses (overlongs, surrogates, beyond U+10FFFF, truncations); lenient mode
// also takes encoded surrogates. On failure `i` is left unchanged.
bool decode_cp(std::string_view s, std::size_t& i, char32_t& cp, bool strict) {
    auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = b(i);
    if (c < 0x80) {
        cp = c;
        ++i;
        return true;
    }
    std::size_t len = 0;
    char32_t min = 0;
    if (c >= 0xC2 && c <= 0xDF)
        len = 2, min = 0x80, cp = c & 0x1F;
    else if (c >= 0xE0 && c <= 0xEF)
        len = 3, min = 0x800, cp = c & 0x0F;
    else if (c >= 0xF0 && c <= 0xF4)
        len = 4, min = 0x10000, cp = c & 0x07;
    else
        return false;
    if (i + len > s.size()) return false;
    for (std::size_t k = 1; k < len; ++k) {
        if ((b(i + k) & 0xC0) != 0x80) return false;
        cp = (cp << 6) | (b(i + k) & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF) return false;
    if (strict && cp >= 0xD800 && cp <= 0xDFFF) return false;
    i += len;
    return true;
}

// repr(str) as the host writes it, for the loop message.
std::string py_repr(std::string_view s) {
    const bool dq = s.find('\'') != npos && s.find('"') == npos;
    const char quote = dq ? '"' : '\'';
    std::string out(1, quote);
    static constexpr char hex[] = "0123456789abcdef";
    auto esc = [&](char kind, char32_t cp, int digits) {
        out += '\\';
        out += kind;
        for (int k = digits - 1; k >= 0; --k) out += hex[(cp >> (4 * k)) & 0xF];
    };
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t start = i;
        char32_t cp = 0;
        if (!decode_cp(s, i, cp, false)) {  // not produced by this layer; keep it visible
            esc('x', static_cast<unsigned char>(s[i++]), 2);
            continue;
        }
        if (cp == '\\' || cp == static_cast<char32_t>(quote)) {
            out += '\\';
            out += static_cast<char>(cp);
        } else if (cp == '\t') {
            out += "\\t";
        } else if (cp == '\n') {
            out += "\\n";
        } else if (cp == '\r') {
            out += "\\r";
        } else if (cp < 0x20 || cp == 0x7F) {
            esc('x', cp, 2);
        } else if (cp < 0x7F) {
            out += static_cast<char>(cp);
        } else {
            const auto t = u_charType(static_cast<UChar32>(cp));
            const bool printable =
                !(t == U_CONTROL_CHAR || t == U_FORMAT_CHAR || t == U_SURROGATE || t == U_PRIVATE_USE_CHAR ||
                  t == U_UNASSIGNED || t == U_LINE_SEPARATOR || t == U_PARAGRAPH_SEPARATOR || t == U_SPACE_SEPARATOR);
            if (printable)
                out.append(s.substr(start, i - start));
            else if (cp <= 0xFF)
                esc('x', cp, 2);
            else if (cp <= 0xFFFF)
                esc('u', cp, 4);
            else
                esc('U', cp, 8);
        }
    }
    out += quote;
    return out;
}

// A pure path split the way pathlib parses it: the root ("", "/" or "//") and the
// components, without empty and "." ones.
struct Parsed {
    std::string_view root;
    std::vector<std::string_view> parts;
};

Parsed parse(std::string_view p) {
    Parsed r;
    if (isabs(p)) {
        std::size_t n = p.find_first_not_of(SEP);
        if (n == npos) n = p.size();
        r.root = p.substr(0, n == 2 ? 2 : 1);
        p.remove_prefix(n);
    }
    while (!p.empty()) {
        std::size_t k = p.find(SEP);
        std::string_view part = p.substr(0, k);
        p = k == npos ? std::string_view{} : p.substr(k + 1);
        if (!part.empty() && part != ".") r.parts.push_back(part);
    }
    return r;
}

std::string compose(std::string_view root, const std::vector<std::string_view>& parts, std::size_t count) {
    std::string out(root);
    for (std::size_t i = 0; i < count; ++i) {
        if (i) out += SEP;
        out += parts[i];
    }
    return out.empty() ? std::string(".") : out;
}

// posixpath.join(a, b)
std::string pjoin(std::string a, std::string_view b) {
    if (isabs(b)) return std::string(b);
    if (!a.empty() && a.back() != SEP) a += SEP;
    a += b;
    return a;
}

// posixpath.split(p)
std::pair<std::string, std::string> psplit(std::string_view p) {
    std::size_t i = p.rfind(SEP);
    i = i == npos ? 0 : i + 1;
    std::string head(p.substr(0, i));
    if (head.find_first_not_of(SEP) != npos)
        while (!head.empty() && head.back() == SEP) head.pop_back();
    return {std::move(head), std::string(p.substr(i))};
}

// posixpath.normpath(p)
std::string normpath(std::string_view p) {
    if (p.empty()) return ".";
    std::size_t initial = 0;
    if (isabs(p)) initial = (p.size() >= 2 && p[1] == SEP && !(p.size() >= 3 && p[2] == SEP)) ? 2 : 1;
    std::vector<std::string_view> comps;
    std::string_view rest = p;
    while (true) {
        std::size_t k = rest.find(SEP);
        std::string_view comp = rest.substr(0, k);
        if (!comp.empty() && comp != ".") {
            if (comp != ".." || (!initial && comps.empty()) || (!comps.empty() && comps.back() == ".."))
                comps.push_back(comp);
            else if (!comps.empty())
                comps.pop_back();
        }
        if (k == npos) break;
        rest.remove_prefix(k + 1);
    }
    std::string out(initial, SEP);
    for (std::size_t i = 0; i < comps.size(); ++i) {
        if (i) out += SEP;
        out += comps[i];
    }
    return out.empty() ? std::string(".") : out;
}

std::string abspath(std::string_view p) { return normpath(isabs(p) ? std::string(p) : pjoin(cwd(), p)); }

std::string read_link(const std::string& path) {
    std::string target;
    const int err = fs::current().read_link(path, target);
    if (err == ELOOP) throw std::runtime_error("Symlink loop from " + py_repr(path));
    if (err != 0) throw OsError(err, path);
    return target;
}

bool is_link(const std::string& path) { return fs::current().lstat(path).is_link(); }

// Resolved links: a link maps to its target once resolved, to nothing while it is
// being resolved (meeting it again then means a loop).
using Seen = std::unordered_map<std::string, std::optional<std::string>>;

struct Joined {
    std::string path;
    bool ok;
};

// Joins `rest` to the already resolved `path`, resolving every link met on the way
// (posixpath._joinrealpath, non-strict). On a loop the unresolved remainder is kept.
Joined join_real(std::string path, std::string_view rest, Seen& seen) {
    if (isabs(rest)) {
        rest.remove_prefix(1);
        path = kSep;
    }
    while (!rest.empty()) {
        std::size_t k = rest.find(SEP);
        std::string_view name = rest.substr(0, k);
        rest = k == npos ? std::string_view{} : rest.substr(k + 1);
        if (name.empty() || name == ".") continue;
        if (name == "..") {
            if (path.empty()) {
                path = "..";
            } else {
                auto [head, tail] = psplit(path);
                path = tail == ".." ? pjoin(pjoin(head, ".."), "..") : head;
            }
            continue;
        }
        std::string next = pjoin(path, name);
        if (!is_link(next)) {
            path = std::move(next);
            continue;
        }
        if (auto it = seen.find(next); it != seen.end()) {
            if (it->second) {
                path = *it->second;
                continue;
            }
            return {pjoin(next, rest), false};
        }
        seen[next] = std::nullopt;
        Joined inner = join_real(path, read_link(next), seen);
        if (!inner.ok) return {pjoin(inner.path, rest), false};
        path = inner.path;
        seen[next] = path;
    }
    return {path, true};
}

}  // namespace

std::string fs_encode(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        std::size_t j = i;
        char32_t cp = 0;
        if (decode_cp(text, j, cp, false) && cp >= 0xDC80 && cp <= 0xDCFF) {
            out += static_cast<char>(cp - 0xDC00);
            i = j;
        } else {
            out += text[i++];
        }
    }
    return out;
}

std::string fs_decode(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        std::size_t j = i;
        char32_t cp = 0;
        if (decode_cp(bytes, j, cp, true)) {
            out.append(bytes.substr(i, j - i));
            i = j;
        } else {  // U+DC80 + byte, as 3 bytes
            const auto b = static_cast<unsigned char>(bytes[i++]);
            out += static_cast<char>(0xED);
            out += static_cast<char>(0xB0 | (b >> 6));
            out += static_cast<char>(0x80 | (b & 0x3F));
        }
    }
    return out;
}

std::string cwd() {
    std::string out;
    if (const int err = fs::current().current_dir(out)) throw OsError(err, "");
    return out;
}

std::string resolve(std::string_view path) {
    const std::string p = normalize(path);
    if (p.find('\0') != npos) throw std::invalid_argument("embedded null byte");
    Seen seen;
    const std::string real = abspath(join_real("", p, seen).path);
    // A loop leaves its links unresolved; the host finds it by a stat of the result.
    if (fs::current().stat(real).err == ELOOP) throw std::runtime_error("Symlink loop from " + py_repr(real));
    return normalize(real);
}

std::string normalize(std::string_view path) {
    const Parsed r = parse(path);
    return compose(r.root, r.parts, r.parts.size());
}

std::string join(std::string_view a, std::string_view b) {
    const Parsed pb = parse(b);
    if (!pb.root.empty()) return compose(pb.root, pb.parts, pb.parts.size());
    Parsed pa = parse(a);
    pa.parts.insert(pa.parts.end(), pb.parts.begin(), pb.parts.end());
    return compose(pa.root, pa.parts, pa.parts.size());
}

std::string name(std::string_view path) {
    const Parsed r = parse(path);
    return r.parts.empty() ? std::string() : std::string(r.parts.back());
}

std::string parent(std::string_view path) {
    const Parsed r = parse(path);
    return compose(r.root, r.parts, r.parts.empty() ? 0 : r.parts.size() - 1);
}

std::string suffix(std::string_view path) {
    const std::string n = name(path);
    const std::size_t i = n.rfind('.');
    return (i != std::string::npos && i > 0 && i + 1 < n.size()) ? n.substr(i) : std::string();
}

std::string to_slash(std::string_view path) {
    std::string out(path);
    if constexpr (SEP != '/')
        for (char& c : out)
            if (c == SEP) c = '/';
    return out;
}

bool is_within(std::string_view path, std::string_view root) {
    const Parsed p = parse(path), r = parse(root);
    if (p.root != r.root || p.parts.size() < r.parts.size()) return false;
    for (std::size_t i = 0; i < r.parts.size(); ++i)
        if (p.parts[i] != r.parts[i]) return false;
    return true;
}

std::optional<std::string> search_path(
    std::string_view value, std::string_view name,
    const std::function<bool(std::string_view entry, const std::string& candidate)>& accept) {
    std::size_t start = 0;
    while (true) {
        const std::size_t k = value.find(SEARCH_PATH_SEP, start);
        const std::string_view entry = value.substr(start, k == npos ? npos : k - start);
        std::string candidate(entry);
        // A separator goes between the two unless the entry ends with one (or, on Windows,
        // is a bare drive, where "C:" and "name" make "C:name").
        const bool joined = entry.empty() || entry.back() == SEP || entry.back() == '/' ||
                            (SEP == '\\' && entry.size() == 2 && entry[1] == ':');
        if (!joined) candidate += SEP;
        candidate += name;
        if (accept(entry, candidate)) return candidate;
        if (k == npos) return std::nullopt;
        start = k + SEARCH_PATH_SEP.size();
    }
}

std::string relpath(std::string_view path, std::string_view start) {
    const std::string ap = abspath(path), as = abspath(start);
    const Parsed p = parse(ap), s = parse(as);
    std::size_t common = 0;
    while (common < p.parts.size() && common < s.parts.size() && p.parts[common] == s.parts[common]) ++common;
    std::vector<std::string_view> out(s.parts.size() - common, "..");
    out.insert(out.end(), p.parts.begin() + static_cast<std::ptrdiff_t>(common), p.parts.end());
    return compose("", out, out.size());
}

}  // namespace core::paths

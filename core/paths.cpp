#include "core/paths.hpp"

// The pure rules of both platforms, POSIX (posixpath, PurePosixPath) and Windows
// (ntpath, PureWindowsPath), and the POSIX resolution of links; Windows resolves in
// paths_windows.cpp.

#include <cerrno>
#include <optional>
#include <stdexcept>
#include <unordered_map>
#include <utility>
#include <vector>

#include <unicode/uchar.h>

#include "core/errors.hpp"
#include "core/fs.hpp"
#include "core/paths_int.hpp"
#include "core/text.hpp"

namespace core::paths {

namespace {

constexpr auto npos = std::string_view::npos;

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
std::string repr_text(std::string_view s) {
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

bool ascii(std::string_view s) {
    for (const char c : s)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

char ascii_lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Component equality under the rule set: exact on POSIX, str.lower() on Windows.
bool part_equal(std::string_view a, std::string_view b, Rules rules) {
    return rules == Rules::posix ? a == b : detail::fold_equal(a, b);
}

// A pure path split the way pathlib parses it: the drive (Windows only, written with
// backslashes), the root ("", "/" or "//" on POSIX, "" or "\" on Windows) and the
// components, without empty and "." ones.
struct Parsed {
    std::string drive;
    std::string_view root;
    std::vector<std::string_view> parts;
};

constexpr std::string_view kNtRoot = "\\";

// _WindowsFlavour.splitroot of `p` (both separators taken alike): fills the drive and the
// root, returns what follows them. The text is read as pathlib reads it after its
// "\\?\UNC\" becomes "\\?\UNC" plus "\\", the share's two leading separators.
std::string_view nt_splitroot(std::string_view p, std::string& drive, std::string_view& root) {
    using detail::nt_sep;
    std::size_t pre = 0;  // the "\\?\" or "\\?\UNC" prefix
    bool unc = false;     // "\\?\UNC\": the part begins with an added separator
    if (p.size() >= 4 && nt_sep(p[0]) && nt_sep(p[1]) && p[2] == '?' && nt_sep(p[3])) {
        pre = 4;
        if (p.size() >= 8 && p.substr(4, 3) == "UNC" && nt_sep(p[7])) pre = 7, unc = true;
    }
    const std::size_t n = p.size() - pre + (unc ? 1 : 0);
    auto at = [&](std::size_t k) { return unc ? (k == 0 ? '\\' : p[pre + k - 1]) : p[pre + k]; };
    auto from = [&](std::size_t k) { return k >= n ? std::string_view{} : p.substr(pre + k - (unc ? 1 : 0)); };
    auto find_sep = [&](std::size_t k) {
        for (; k < n; ++k)
            if (nt_sep(at(k))) return k;
        return npos;
    };
    const char first = n > 0 ? at(0) : '\0', second = n > 1 ? at(1) : '\0', third = n > 2 ? at(2) : '\0';
    auto finish = [&](std::string_view rest) {
        for (char& c : drive)
            if (c == '/') c = '\\';
        return rest;
    };
    if (nt_sep(first) && nt_sep(second) && !nt_sep(third)) {  // a share: \\server\share
        const std::size_t index = find_sep(2);
        if (index != npos) {
            std::size_t index2 = find_sep(index + 1);
            if (index2 != index + 1) {
                if (index2 == npos) index2 = n;
                drive.assign(p.substr(0, pre));
                if (unc)
                    drive.append(p.substr(pre, index2 - 1));
                else if (pre)
                    drive.append(p.substr(pre + 1, index2 - 1));
                else
                    drive.assign(p.substr(0, index2));
                root = kNtRoot;
                return finish(from(index2 + 1));
            }
        }
    }
    drive.assign(p.substr(0, pre));
    std::size_t k = 0;
    char lead = first;
    if (second == ':' && ((first >= 'a' && first <= 'z') || (first >= 'A' && first <= 'Z'))) {
        drive.append(p.substr(pre, 2));
        k = 2;
        lead = third;
    }
    if (nt_sep(lead)) {
        root = kNtRoot;
        while (k < n && nt_sep(at(k))) ++k;
    }
    return finish(from(k));
}

// Splits off the anchor: fills the drive and the root, returns the rest.
std::string_view anchor(std::string_view p, Rules rules, std::string& drive, std::string_view& root) {
    if (rules == Rules::windows) return p.empty() ? p : nt_splitroot(p, drive, root);
    if (!p.empty() && p.front() == '/') {
        std::size_t n = p.find_first_not_of('/');
        if (n == npos) n = p.size();
        root = p.substr(0, n == 2 ? 2 : 1);
        p.remove_prefix(n);
    }
    return p;
}

// The components of what follows the anchor, one at a time, empty and "." ones skipped.
struct Components {
    std::string_view rest;
    Rules rules;
    bool next(std::string_view& part) {
        while (!rest.empty()) {
            const std::size_t k = rules == Rules::windows ? rest.find_first_of("\\/") : rest.find('/');
            part = rest.substr(0, k);
            rest = k == npos ? std::string_view{} : rest.substr(k + 1);
            if (!part.empty() && part != ".") return true;
        }
        return false;
    }
};

Parsed parse(std::string_view p, Rules rules) {
    Parsed r;
    Components it{anchor(p, rules, r.drive, r.root), rules};
    for (std::string_view part; it.next(part);) r.parts.push_back(part);
    return r;
}

std::string compose(std::string_view drive, std::string_view root, const std::vector<std::string_view>& parts,
                    std::size_t count, Rules rules) {
    std::string out(drive);
    out += root;
    for (std::size_t i = 0; i < count; ++i) {
        if (i) out += sep_of(rules);
        out += parts[i];
    }
    return out.empty() ? std::string(".") : out;
}

std::string compose(const Parsed& r, Rules rules) { return compose(r.drive, r.root, r.parts, r.parts.size(), rules); }

// ---- posixpath, for resolution and relpath on POSIX

constexpr char kSep = '/';

bool isabs(std::string_view p) { return !p.empty() && p.front() == kSep; }

// posixpath.join(a, b)
std::string pjoin(std::string a, std::string_view b) {
    if (isabs(b)) return std::string(b);
    if (!a.empty() && a.back() != kSep) a += kSep;
    a += b;
    return a;
}

#ifndef _WIN32
// posixpath.split(p)
std::pair<std::string, std::string> psplit(std::string_view p) {
    std::size_t i = p.rfind(kSep);
    i = i == npos ? 0 : i + 1;
    std::string head(p.substr(0, i));
    if (head.find_first_not_of(kSep) != npos)
        while (!head.empty() && head.back() == kSep) head.pop_back();
    return {std::move(head), std::string(p.substr(i))};
}

#endif

// posixpath.normpath(p)
std::string normpath(std::string_view p) {
    if (p.empty()) return ".";
    std::size_t initial = 0;
    if (isabs(p)) initial = (p.size() >= 2 && p[1] == kSep && !(p.size() >= 3 && p[2] == kSep)) ? 2 : 1;
    std::vector<std::string_view> comps;
    std::string_view rest = p;
    while (true) {
        std::size_t k = rest.find(kSep);
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
    std::string out(initial, kSep);
    for (std::size_t i = 0; i < comps.size(); ++i) {
        if (i) out += kSep;
        out += comps[i];
    }
    return out.empty() ? std::string(".") : out;
}

std::string abspath(std::string_view p) { return normpath(isabs(p) ? std::string(p) : pjoin(cwd(), p)); }

// ntpath.abspath as the host has it where it cannot ask the system (and as the
// system answers for the absolute, normalized paths that callers pass).
std::string nt_abspath(std::string_view p) {
    return detail::nt_normpath(is_absolute(p, Rules::windows) ? std::string(p) : detail::nt_join(cwd(), p));
}

#ifndef _WIN32
std::string read_link(const std::string& path) {
    std::string target;
    const int err = fs::current().read_link(path, target);
    if (err == ELOOP) throw std::runtime_error("Symlink loop from " + repr_text(path));
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
        path = std::string(1, kSep);
    }
    while (!rest.empty()) {
        std::size_t k = rest.find(kSep);
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
#endif

}  // namespace

namespace detail {

std::string py_repr(std::string_view s) { return repr_text(s); }

bool fold_equal(std::string_view a, std::string_view b) {
    if (ascii(a) && ascii(b)) {
        if (a.size() != b.size()) return false;
        for (std::size_t i = 0; i < a.size(); ++i)
            if (ascii_lower(a[i]) != ascii_lower(b[i])) return false;
        return true;
    }
    return lower(a) == lower(b);
}

std::size_t nt_drive_size(std::string_view p) {
    if (p.size() < 2) return 0;
    if (nt_sep(p[0]) && nt_sep(p[1])) {
        // "\\?\UNC\" in any letter case: the share follows it.
        bool unc = p.size() >= 8 && p[2] == '?' && nt_sep(p[3]) && nt_sep(p[7]);
        for (std::size_t i = 0; unc && i < 3; ++i) unc = ascii_lower(p[4 + i]) == "unc"[i];
        std::size_t index = unc ? 8 : 2;
        while (index < p.size() && !nt_sep(p[index])) ++index;
        if (index >= p.size()) return p.size();
        std::size_t index2 = index + 1;
        while (index2 < p.size() && !nt_sep(p[index2])) ++index2;
        return index2;
    }
    return p[1] == ':' ? 2 : 0;
}

std::string nt_join(std::string_view a, std::string_view b) {
    const std::size_t ad = nt_drive_size(a), bd = nt_drive_size(b);
    std::string drive(a.substr(0, ad)), path(a.substr(ad));
    const std::string_view b_drive = b.substr(0, bd), b_path = b.substr(bd);
    if (!b_path.empty() && nt_sep(b_path.front())) {  // b is absolute
        if (!b_drive.empty() || drive.empty()) drive = b_drive;
        path = b_path;
    } else if (!b_drive.empty() && b_drive != drive && !fold_equal(b_drive, drive)) {
        drive = b_drive;  // another drive: a is dropped
        path = b_path;
    } else {
        if (!b_drive.empty()) drive = b_drive;  // the same drive in another letter case
        if (!path.empty() && !nt_sep(path.back())) path += '\\';
        path += b_path;
    }
    // A separator between a share and a relative path.
    if (!path.empty() && !nt_sep(path.front()) && !drive.empty() && drive.back() != ':') return drive + '\\' + path;
    return drive + path;
}

std::string nt_normpath(std::string_view p) {
    std::string text(p);
    for (char& c : text)
        if (c == '/') c = '\\';
    const std::size_t d = nt_drive_size(text);
    std::string prefix = text.substr(0, d);
    std::string_view rest = std::string_view(text).substr(d);
    if (!rest.empty() && rest.front() == '\\') {
        prefix += '\\';
        rest.remove_prefix(rest.find_first_not_of('\\') == npos ? rest.size() : rest.find_first_not_of('\\'));
    }
    const bool rooted = !prefix.empty() && prefix.back() == '\\';
    std::vector<std::string_view> comps;
    while (true) {
        const std::size_t k = rest.find('\\');
        const std::string_view comp = rest.substr(0, k);
        if (comp == "..") {
            if (!comps.empty() && comps.back() != "..")
                comps.pop_back();
            else if (!(comps.empty() && rooted))
                comps.push_back(comp);
        } else if (!comp.empty() && comp != ".") {
            comps.push_back(comp);
        }
        if (k == npos) break;
        rest.remove_prefix(k + 1);
    }
    if (prefix.empty() && comps.empty()) return ".";
    for (std::size_t i = 0; i < comps.size(); ++i) {
        if (i) prefix += '\\';
        prefix += comps[i];
    }
    return prefix;
}

std::pair<std::string, std::string> nt_split(std::string_view p) {
    const std::size_t d = nt_drive_size(p);
    std::size_t i = p.size();
    while (i > d && !nt_sep(p[i - 1])) --i;
    std::size_t keep = i;
    while (keep > d && nt_sep(p[keep - 1])) --keep;
    if (keep == d) keep = i;  // all separators: kept
    return {std::string(p.substr(0, keep)), std::string(p.substr(i))};
}

std::string nt_normcase(std::string_view p) {
    std::string text(p);
    const bool plain = ascii(text);
    for (char& c : text) c = c == '/' ? '\\' : plain ? ascii_lower(c) : c;
    return plain ? text : lower(text);
}

}  // namespace detail

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
#ifdef _WIN32
    if (path.find('\0') != npos) throw std::invalid_argument("stat: embedded null character in path");
    return detail::resolve_windows(normalize(path, Rules::windows));
#else
    const std::string p = normalize(path);
    if (p.find('\0') != npos) throw std::invalid_argument("embedded null byte");
    Seen seen;
    const std::string real = abspath(join_real("", p, seen).path);
    // A loop leaves its links unresolved; the host finds it by a stat of the result.
    if (fs::current().stat(real).err == ELOOP) throw std::runtime_error("Symlink loop from " + repr_text(real));
    return normalize(real);
#endif
}

bool same(std::string_view a, std::string_view b, Rules rules) {
    if (a == b) return true;
    std::string a_drive, b_drive;
    std::string_view a_root, b_root;
    Components ia{anchor(a, rules, a_drive, a_root), rules}, ib{anchor(b, rules, b_drive, b_root), rules};
    if (a_root != b_root || !part_equal(a_drive, b_drive, rules)) return false;
    for (std::string_view pa, pb;;) {
        const bool more_a = ia.next(pa), more_b = ib.next(pb);
        if (more_a != more_b) return false;
        if (!more_a) return true;
        if (!part_equal(pa, pb, rules)) return false;
    }
}

std::string normalize(std::string_view path, Rules rules) { return compose(parse(path, rules), rules); }

std::string join(std::string_view a, std::string_view b, Rules rules) {
    Parsed pb = parse(b, rules);
    // _Flavour.join_parsed_parts: a rooted b replaces a but keeps a's drive when it has
    // none; a b on a drive of its own replaces a unless it is a's drive.
    if (!pb.root.empty() && (rules == Rules::posix || !pb.drive.empty())) return compose(pb, rules);
    Parsed pa = parse(a, rules);
    if (!pb.root.empty()) return compose(pa.drive, pb.root, pb.parts, pb.parts.size(), rules);
    if (!pb.drive.empty() && !part_equal(pb.drive, pa.drive, rules)) return compose(pb, rules);
    pa.parts.insert(pa.parts.end(), pb.parts.begin(), pb.parts.end());
    return compose(pa, rules);
}

std::string name(std::string_view path, Rules rules) {
    const Parsed r = parse(path, rules);
    return r.parts.empty() ? std::string() : std::string(r.parts.back());
}

std::string parent(std::string_view path, Rules rules) {
    const Parsed r = parse(path, rules);
    return compose(r.drive, r.root, r.parts, r.parts.empty() ? 0 : r.parts.size() - 1, rules);
}

std::string suffix(std::string_view path, Rules rules) {
    const std::string n = name(path, rules);
    const std::size_t i = n.rfind('.');
    return (i != std::string::npos && i > 0 && i + 1 < n.size()) ? n.substr(i) : std::string();
}

std::string to_slash(std::string_view path, Rules rules) {
    std::string out(path);
    if (rules == Rules::windows)
        for (char& c : out)
            if (c == '\\') c = '/';
    return out;
}

bool is_within(std::string_view path, std::string_view root, Rules rules) {
    const Parsed p = parse(path, rules), r = parse(root, rules);
    // PurePath.relative_to compares [drive, root, components...] when there is a root,
    // [drive, components...] when there is only a drive.
    if (r.drive.empty() && r.root.empty() && r.parts.empty()) return p.drive.empty() && p.root.empty();
    if (!part_equal(p.drive, r.drive, rules)) return false;
    if (r.root.empty() && r.parts.empty()) return true;  // a bare drive begins its rooted paths too
    if (p.root != r.root || p.parts.size() < r.parts.size()) return false;
    for (std::size_t i = 0; i < r.parts.size(); ++i)
        if (!part_equal(p.parts[i], r.parts[i], rules)) return false;
    return true;
}

std::vector<std::string> windows_program_files(std::string_view path) {
    const std::size_t part = path.find_last_of("\\/:");
    const std::string_view last = part == std::string_view::npos ? path : path.substr(part + 1);
    if (last.find('.') != std::string_view::npos) return {std::string(path)};
    std::vector<std::string> out;
    for (std::string_view ext : {".com", ".exe", ".bat", ".cmd"}) out.push_back(std::string(path) + std::string(ext));
    return out;
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

std::string relpath(std::string_view path, std::string_view start, Rules rules) {
    if (path.empty()) throw std::invalid_argument("no path specified");
    if (rules == Rules::posix) {
        const std::string ap = abspath(path), as = abspath(start);
        const Parsed p = parse(ap, rules), s = parse(as, rules);
        std::size_t common = 0;
        while (common < p.parts.size() && common < s.parts.size() && p.parts[common] == s.parts[common]) ++common;
        std::vector<std::string_view> out(s.parts.size() - common, "..");
        out.insert(out.end(), p.parts.begin() + static_cast<std::ptrdiff_t>(common), p.parts.end());
        return compose("", "", out, out.size(), rules);
    }
    // ntpath.relpath
    const std::string s_abs = nt_abspath(detail::nt_normpath(start)), p_abs = nt_abspath(detail::nt_normpath(path));
    const std::size_t sd = detail::nt_drive_size(s_abs), pd = detail::nt_drive_size(p_abs);
    const std::string_view s_drive = std::string_view(s_abs).substr(0, sd);
    const std::string_view p_drive = std::string_view(p_abs).substr(0, pd);
    if (detail::nt_normcase(s_drive) != detail::nt_normcase(p_drive))
        throw std::invalid_argument("path is on mount " + repr_text(p_drive) + ", start on mount " +
                                    repr_text(s_drive));
    auto components = [](std::string_view rest) {
        std::vector<std::string_view> out;
        while (!rest.empty()) {
            const std::size_t k = rest.find('\\');
            if (k != 0) out.push_back(rest.substr(0, k));
            rest = k == npos ? std::string_view{} : rest.substr(k + 1);
        }
        return out;
    };
    const auto s_list = components(std::string_view(s_abs).substr(sd));
    const auto p_list = components(std::string_view(p_abs).substr(pd));
    std::size_t common = 0;
    while (common < s_list.size() && common < p_list.size() &&
           detail::nt_normcase(s_list[common]) == detail::nt_normcase(p_list[common]))
        ++common;
    if (s_list.size() == common && p_list.size() == common) return ".";
    std::string out;
    bool first = true;
    auto add = [&](std::string_view part) {
        out = first ? std::string(part) : detail::nt_join(out, part);
        first = false;
    };
    for (std::size_t i = common; i < s_list.size(); ++i) add("..");
    for (std::size_t i = common; i < p_list.size(); ++i) add(p_list[i]);
    return out;
}

}  // namespace core::paths

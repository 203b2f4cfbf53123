// Home-directory expansion, the path rule that depends on the user: the environment,
// and on POSIX systems the password database.
#ifdef _WIN32
#include <stdlib.h>
#else
#include <pwd.h>
#include <unistd.h>
#endif

#include <cstdlib>
#include <optional>
#include <stdexcept>
#include <string>

#include "core/paths.hpp"
#include "core/paths_int.hpp"
#ifdef _WIN32
#include "core/wide.hpp"
#endif

namespace core::paths {

namespace {

// os.environ.get(name) as host text.
std::optional<std::string> variable(const char* name) {
#ifdef _WIN32
    const wchar_t* v = ::_wgetenv(wide::from_text(name).c_str());
    if (!v) return std::nullopt;
    return wide::to_text(v);
#else
    const char* v = std::getenv(name);
    if (!v) return std::nullopt;
    return fs_decode(v);
#endif
}

// ntpath.expanduser of a first component "~" or "~name": the home is USERPROFILE, else
// HOMEDRIVE + HOMEPATH; another user's is guessed beside it, when the current one's
// folder bears the current user's name (USERNAME). The component unchanged when there
// is no home to put in its place.
std::string expand_first_nt(const std::string& first) {
    std::string home;
    if (const auto profile = variable("USERPROFILE")) {
        home = *profile;
    } else if (const auto home_path = variable("HOMEPATH")) {
        home = detail::nt_join(variable("HOMEDRIVE").value_or(""), *home_path);
    } else {
        return first;
    }
    if (first != "~") {
        const std::string target = first.substr(1);
        const auto current = variable("USERNAME");
        if (!current || target != *current) {
            auto [dir, base] = detail::nt_split(home);
            if (!current || *current != base) return first;
            home = detail::nt_join(dir, target);
        }
    }
    return home;
}

// posixpath.expanduser of a first component "~" or "~name"; the component unchanged
// when there is no home to put in its place (always for "~name" where the platform
// has no password database).
std::string expand_first_posix(const std::string& first) {
    std::string home;
    if (first == "~") {
        if (const auto h = variable("HOME")) {
            home = *h;
        } else {
#ifdef _WIN32
            return first;
#else
            const passwd* pw = ::getpwuid(::getuid());
            if (!pw || !pw->pw_dir) return first;
            home = fs_decode(pw->pw_dir);
#endif
        }
    } else {
#ifdef _WIN32
        return first;
#else
        const std::string name = fs_encode(std::string_view(first).substr(1));
        if (name.find('\0') != std::string::npos) throw std::invalid_argument("embedded null character");
        const passwd* pw = ::getpwnam(name.c_str());
        if (!pw || !pw->pw_dir) return first;
        home = fs_decode(pw->pw_dir);
#endif
    }
    while (!home.empty() && home.back() == '/') home.pop_back();
    return home.empty() ? std::string(1, '/') : home;
}

}  // namespace

std::string expand_user(std::string_view path, Rules rules) {
    const std::string p = normalize(path, rules);
    // A normalized path that begins with "~" has neither drive nor root.
    if (p.empty() || p.front() != '~') return p;
    const char sep = sep_of(rules);
    const std::size_t k = p.find(sep);
    const std::string first = p.substr(0, k);
    const std::string home = rules == Rules::windows ? expand_first_nt(first) : expand_first_posix(first);
    if (!home.empty() && home.front() == '~') throw std::runtime_error("Could not determine home directory.");
    if (k == std::string::npos) return normalize(home, rules);
    const std::string_view rest = std::string_view(p).substr(k + 1);
    if (rules == Rules::windows) {
        // pathlib parses the home and the remaining components one by one, the last first:
        // a component that names a drive ("C:x") starts the path anew.
        for (std::size_t end = rest.size(); end > 0;) {
            const std::size_t start = rest.rfind(sep, end - 1);
            const std::size_t from = start == std::string_view::npos ? 0 : start + 1;
            const std::string_view part = rest.substr(from, end - from);
            const bool letter =
                !part.empty() && ((part[0] >= 'a' && part[0] <= 'z') || (part[0] >= 'A' && part[0] <= 'Z'));
            if (letter && part.size() >= 2 && part[1] == ':') {
                std::string out(part.substr(0, 2));  // the drive, then what follows it
                std::string_view tail = part.substr(2);
                bool any = false;
                for (std::string_view more = rest.substr(end); true;) {
                    if (!tail.empty() && tail != ".") {
                        if (any) out += sep;
                        out += tail;
                        any = true;
                    }
                    if (more.empty()) break;
                    more.remove_prefix(1);  // the separator
                    const std::size_t next = more.find(sep);
                    tail = more.substr(0, next);
                    more = next == std::string_view::npos ? std::string_view{} : more.substr(next);
                }
                return out;
            }
            end = start == std::string_view::npos ? 0 : start;
        }
    }
    return join(home, rest, rules);
}

}  // namespace core::paths

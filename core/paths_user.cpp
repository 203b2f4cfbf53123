// The path rules that depend on the user and the platform: home-directory expansion
// (the environment and the password database) and path equality.
#ifdef _WIN32
#include <stdlib.h>

#include <optional>
#else
#include <pwd.h>
#include <unistd.h>
#endif

#include <cstdlib>
#include <stdexcept>
#include <string>

#include "core/paths.hpp"
#include "core/text.hpp"
#ifdef _WIN32
#include "core/wide.hpp"
#endif

namespace core::paths {

namespace {

#ifdef _WIN32
// An environment variable as host text; nullopt when it is unset.
std::optional<std::string> variable(const wchar_t* name) {
    const wchar_t* v = ::_wgetenv(name);
    if (!v) return std::nullopt;
    return wide::to_text(v);
}

bool is_sep(char c) { return c == '\\' || c == '/'; }

// ntpath.join(a, b) for the two pieces of a home directory: a drive and a path, or a
// profile folder and a user name.
std::string join_home(const std::string& a, const std::string& b) {
    if (a.empty()) return b;
    if (b.empty()) return a;
    if (is_sep(b.front())) {
        std::string drive = a;
        while (drive.size() > 2 && is_sep(drive.back())) drive.pop_back();
        return drive + b;
    }
    if (is_sep(a.back()) || (a.size() == 2 && a[1] == ':')) return a + b;
    return a + SEP + b;
}

// os.path.expanduser of a first component "~" or "~name", as ntpath does it: the home
// is USERPROFILE, else HOMEDRIVE + HOMEPATH; another user's is guessed beside it, when
// the current one's folder bears the current user's name (USERNAME). The component
// unchanged when there is no home to put in its place.
std::string expand_first(const std::string& first) {
    std::string home;
    if (const auto profile = variable(L"USERPROFILE")) {
        home = *profile;
    } else if (const auto home_path = variable(L"HOMEPATH")) {
        home = join_home(variable(L"HOMEDRIVE").value_or(""), *home_path);
    } else {
        return first;
    }
    if (first != "~") {
        const std::string target = first.substr(1);
        const auto current = variable(L"USERNAME");
        if (!current || target != *current) {
            // ntpath.split of the home: its folder and its last name.
            std::size_t cut = home.size();
            while (cut > 0 && !is_sep(home[cut - 1]) && !(cut == 2 && home[1] == ':')) --cut;
            if (!current || *current != home.substr(cut)) return first;
            std::string dir = home.substr(0, cut);
            std::size_t keep = dir.size();
            while (keep > 0 && is_sep(dir[keep - 1])) --keep;
            if (keep > 0 && !(keep == 2 && dir[1] == ':')) dir.resize(keep);
            home = join_home(dir, target);
        }
    }
    return home;
}
#else
// os.path.expanduser of a first component "~" or "~name"; the component unchanged when
// there is no home to put in its place.
std::string expand_first(const std::string& first) {
    std::string home;
    if (first == "~") {
        if (const char* h = std::getenv("HOME")) {
            home = fs_decode(h);
        } else {
            const passwd* pw = ::getpwuid(::getuid());
            if (!pw || !pw->pw_dir) return first;
            home = fs_decode(pw->pw_dir);
        }
    } else {
        const std::string name = fs_encode(std::string_view(first).substr(1));
        if (name.find('\0') != std::string::npos) throw std::invalid_argument("embedded null character");
        const passwd* pw = ::getpwnam(name.c_str());
        if (!pw || !pw->pw_dir) return first;
        home = fs_decode(pw->pw_dir);
    }
    while (!home.empty() && home.back() == SEP) home.pop_back();
    return home.empty() ? std::string(1, SEP) : home;
}
#endif

}  // namespace

std::string expand_user(std::string_view path) {
    const std::string p = normalize(path);
    if (p.empty() || p.front() != '~') return p;
    const std::size_t k = p.find(SEP);
    const std::string first = p.substr(0, k);
    const std::string home = expand_first(first);
    if (!home.empty() && home.front() == '~') throw std::runtime_error("Could not determine home directory.");
    return k == std::string::npos ? normalize(home) : join(home, std::string_view(p).substr(k + 1));
}

}  // namespace core::paths

namespace core::paths {

#ifdef _WIN32
bool same(std::string_view a, std::string_view b) { return lower(a) == lower(b); }
#else
bool same(std::string_view a, std::string_view b) { return a == b; }
#endif

}  // namespace core::paths

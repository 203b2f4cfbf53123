// The path rules that depend on the user and the platform: home-directory expansion
// (the environment and the password database) and path equality.
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>
#include <string>

#include "core/paths.hpp"
#include "core/text.hpp"

namespace core::paths {

namespace {

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

// Process calls on POSIX systems: the search path walked here, execve for each entry.
#ifndef _WIN32

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "agent/exec.hpp"
#include "core/errors.hpp"
#include "core/fs.hpp"
#include "core/paths.hpp"

extern char** environ;

namespace agent::process {

namespace {

std::string confstr_path() {
    const std::size_t n = ::confstr(_CS_PATH, nullptr, 0);
    if (n == 0) return "/bin:/usr/bin";
    std::string buf(n, '\0');
    ::confstr(_CS_PATH, buf.data(), n);
    buf.resize(n - 1);
    return buf;
}

// An existing entry that may be run and is no directory.
bool runnable(const std::string& path) {
    const core::fs::FileSystem& fs = core::fs::current();
    const core::fs::Status st = fs.stat(path);
    return st.ok() && fs.executable(path) && !st.is_dir();
}

std::vector<char*> pointers(std::vector<std::string>& items) {
    std::vector<char*> out;
    out.reserve(items.size() + 1);
    for (auto& s : items) out.push_back(s.data());
    out.push_back(nullptr);
    return out;
}

}  // namespace

std::optional<std::string> find_program(std::string_view name, std::optional<std::string_view> path_var) {
    if (name.find('/') != std::string_view::npos) {
        const std::string p(name);
        return runnable(p) ? std::optional<std::string>(p) : std::nullopt;
    }
    const std::string value = path_var ? std::string(*path_var) : confstr_path();
    if (value.empty()) return std::nullopt;
    std::set<std::string, std::less<>> seen;
    return core::paths::search_path(value, name, [&](std::string_view dir, const std::string& candidate) {
        return seen.emplace(dir).second && runnable(candidate);
    });
}

Environment current_environment() {
    Environment out;
    for (char** e = environ; e && *e; ++e) {
        const std::string_view entry = *e;
        const std::size_t eq = entry.find('=');
        if (eq == std::string_view::npos) continue;
        out.emplace_back(core::paths::fs_decode(entry.substr(0, eq)), core::paths::fs_decode(entry.substr(eq + 1)));
    }
    return out;
}

int replace_process(std::string_view program, const std::vector<std::string>& argv, const Environment& env) {
    check_handover(argv, env);
    std::vector<std::string> args, vars;
    for (const auto& a : argv) args.push_back(core::paths::fs_encode(a));
    std::optional<std::string> path_value;
    for (const auto& [k, v] : env) {
        vars.push_back(core::paths::fs_encode(k) + "=" + core::paths::fs_encode(v));
        if (k == "PATH") path_value = v;
    }
    std::vector<char*> arg_ptrs = pointers(args), var_ptrs = pointers(vars);
    std::fflush(nullptr);

    const auto attempt = [&](const std::string& file) {
        const std::string raw = core::paths::fs_encode(file);
        ::execve(raw.c_str(), arg_ptrs.data(), var_ptrs.data());
        return errno;
    };
    if (program.find('/') != std::string_view::npos)
        throw core::OsError(attempt(std::string(program)), std::string(program));

    // The host's order: the first error that is not a missing entry wins, else the last.
    std::optional<core::OsError> saved, last;
    core::paths::search_path(path_value ? *path_value : "/bin:/usr/bin", program,
                             [&](std::string_view, const std::string& full) {
                                 const int err = attempt(full);
                                 last.emplace(err, full);
                                 if (err != ENOENT && err != ENOTDIR && !saved) saved.emplace(err, full);
                                 return false;
                             });
    throw saved ? *saved : *last;
}

}  // namespace agent::process

#endif

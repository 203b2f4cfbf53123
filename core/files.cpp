// The host's path tests and directory creation over the file-system layer.
#include "core/files.hpp"

#include <cerrno>
#include <string>

#include "core/errors.hpp"
#include "core/fs.hpp"
#include "core/paths.hpp"

namespace core::files {

namespace {

bool ignored(int err) { return err == ENOENT || err == ENOTDIR || err == EBADF || err == ELOOP; }

// The status of the path, links followed: nullopt-like (not ok) for the errors the host
// ignores and for a name the platform cannot take (NUL); core::OsError for the others.
fs::Status stat_host(std::string_view path) {
    fs::Status st;
    if (path.find('\0') != std::string_view::npos) {
        st.err = ENOENT;
        return st;
    }
    st = fs::current().stat(std::string(path));
    if (st.ok() || ignored(st.err)) return st;
    throw OsError(st.err, std::string(path));
}

}  // namespace

bool exists(std::string_view path) { return stat_host(path).ok(); }

bool is_dir(std::string_view path) { return stat_host(path).is_dir(); }

bool is_link(std::string_view path) {
    return path.find('\0') == std::string_view::npos && fs::current().lstat(std::string(path)).is_link();
}

void make_dirs(std::string_view path) {
    const fs::FileSystem& disk = fs::current();
    const std::string p = paths::normalize(path);
    int err = disk.make_dir(p);
    if (err == 0) return;
    if (err == ENOENT) {
        const std::string up = paths::parent(p);
        if (up != p) {
            make_dirs(up);
            err = disk.make_dir(p);
            if (err == 0) return;
        }
    }
    if (err == EEXIST && disk.stat(p).is_dir()) return;
    throw OsError(err, p);
}

}  // namespace core::files

// The POSIX side of the file layer.
#ifndef _WIN32

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "core/errors.hpp"
#include "core/files.hpp"
#include "core/paths.hpp"

namespace core::files {

namespace {

bool ignored(int err) { return err == ENOENT || err == ENOTDIR || err == EBADF || err == ELOOP; }

// stat() of the path: true with `st` filled, false for the errors the host ignores.
bool stat_host(std::string_view path, struct stat& st) {
    const std::string p = paths::fs_encode(path);
    if (p.find('\0') != std::string::npos) return false;
    if (::stat(p.c_str(), &st) == 0) return true;
    if (ignored(errno)) return false;
    throw OsError(errno, std::string(path));
}

}  // namespace

bool exists(std::string_view path) {
    struct stat st;
    return stat_host(path, st);
}

bool is_dir(std::string_view path) {
    struct stat st;
    return stat_host(path, st) && S_ISDIR(st.st_mode);
}

bool is_link(std::string_view path) {
    const std::string p = paths::fs_encode(path);
    struct stat st;
    return p.find('\0') == std::string::npos && ::lstat(p.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

void make_dirs(std::string_view path) {
    const std::string p = paths::normalize(path);
    const std::string raw = paths::fs_encode(p);
    if (::mkdir(raw.c_str(), 0777) == 0) return;
    int err = errno;
    if (err == ENOENT) {
        const std::string up = paths::parent(p);
        if (up != p) {
            make_dirs(up);
            if (::mkdir(raw.c_str(), 0777) == 0) return;
            err = errno;
        }
    }
    struct stat st;
    if (err == EEXIST && ::stat(raw.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return;
    throw OsError(err, p);
}

}  // namespace core::files

#endif

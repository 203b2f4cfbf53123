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

void write_all(int fd, std::string_view data, const std::string& path) {
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            throw OsError(errno, path);
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
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

void write_text_atomic(std::string_view path, std::string_view text) {
    const std::string target(path);
    const std::string dir = paths::parent(target);
    std::string tmpl = paths::fs_encode(paths::join(dir, "." + paths::name(target) + ".XXXXXX"));
    const int fd = ::mkstemp(tmpl.data());
    if (fd < 0) throw OsError(errno, target);
    try {
        write_all(fd, text, target);
        // The file takes the mode a plain create would give it, not mkstemp's 0600.
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, 0666 & ~mask);
    } catch (...) {
        ::close(fd);
        ::unlink(tmpl.c_str());
        throw;
    }
    if (::close(fd) != 0) {
        const int err = errno;
        ::unlink(tmpl.c_str());
        throw OsError(err, target);
    }
    if (::rename(tmpl.c_str(), paths::fs_encode(target).c_str()) != 0) {
        const int err = errno;
        ::unlink(tmpl.c_str());
        throw OsError(err, target);
    }
}

}  // namespace core::files

#endif

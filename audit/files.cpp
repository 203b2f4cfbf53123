#include "audit/files.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

#include "core/errors.hpp"
#include "core/paths.hpp"

namespace audit::files {

namespace {

bool has_nul(const std::string& path) { return path.find('\0') != std::string::npos; }

std::string native(const std::string& path) { return core::paths::fs_encode(path); }

}  // namespace

bool exists(const std::string& path) {
    if (has_nul(path)) return false;
    struct stat st;
    if (::stat(native(path).c_str(), &st) == 0) return true;
    const int err = errno;
    if (err == ENOENT || err == ENOTDIR || err == EBADF || err == ELOOP) return false;
    throw core::OsError(err, path);
}

int read_bytes(const std::string& path, std::string& out) {
    out.clear();
    if (has_nul(path)) return ENOENT;
    const int fd = ::open(native(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno;
    struct stat st;
    std::size_t cap = 1 << 16;
    if (::fstat(fd, &st) == 0) {
        if (S_ISDIR(st.st_mode)) {
            ::close(fd);
            return EISDIR;
        }
        if (st.st_size > 0) cap = static_cast<std::size_t>(st.st_size) + 1;
    }
    std::size_t used = 0;
    out.resize(cap);
    while (true) {
        if (used == out.size()) out.resize(out.size() * 2);
        const ssize_t n = ::read(fd, out.data() + used, out.size() - used);
        if (n < 0) {
            if (errno == EINTR) continue;
            const int err = errno;
            ::close(fd);
            out.clear();
            return err;
        }
        if (n == 0) break;
        used += static_cast<std::size_t>(n);
    }
    ::close(fd);
    out.resize(used);
    return 0;
}

std::optional<std::uint64_t> size(const std::string& path) {
    if (has_nul(path)) return std::nullopt;
    struct stat st;
    if (::stat(native(path).c_str(), &st) != 0) return std::nullopt;
    return static_cast<std::uint64_t>(st.st_size);
}

void make_dirs(const std::string& path) {
    if (has_nul(path)) throw core::OsError(EINVAL, path);
    const std::string p = core::paths::normalize(path);
    struct stat st;
    if (::stat(native(p).c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) return;
        throw core::OsError(EEXIST, p);
    }
    const std::string up = core::paths::parent(p);
    if (up != p) make_dirs(up);
    if (::mkdir(native(p).c_str(), 0777) != 0 && errno != EEXIST) throw core::OsError(errno, p);
}

void replace_text(const std::string& path, std::string_view text) {
#ifdef _WIN32
    std::string crlf;
    for (char c : text) {
        if (c == '\n') crlf += '\r';
        crlf += c;
    }
    text = crlf;
#endif
    if (has_nul(path)) throw core::OsError(EINVAL, path);
    static std::atomic<unsigned> counter{0};
    const std::string dir = core::paths::parent(path);
    const std::string base = core::paths::name(path);
    std::string tmp;
    int fd = -1;
    for (int attempt = 0; fd < 0; ++attempt) {
        tmp = core::paths::join(dir, "." + base + "." + std::to_string(::getpid()) + "." +
                                         std::to_string(counter.fetch_add(1)) + ".tmp");
        // The mode before the creation mask, as a plain open would create the file.
        fd = ::open(native(tmp).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && (errno != EEXIST || attempt > 100)) throw core::OsError(errno, path);
    }
    auto fail = [&](int err) {
        ::close(fd);
        ::unlink(native(tmp).c_str());
        throw core::OsError(err, path);
    };
    while (!text.empty()) {
        const ssize_t n = ::write(fd, text.data(), text.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            fail(errno);
        }
        text.remove_prefix(static_cast<std::size_t>(n));
    }
    if (::close(fd) != 0) {
        const int err = errno;
        ::unlink(native(tmp).c_str());
        throw core::OsError(err, path);
    }
    if (::rename(native(tmp).c_str(), native(path).c_str()) != 0) {
        const int err = errno;
        ::unlink(native(tmp).c_str());
        throw core::OsError(err, path);
    }
}

}  // namespace audit::files

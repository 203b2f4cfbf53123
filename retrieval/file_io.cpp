#include "retrieval/file_io.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "core/errors.hpp"
#include "core/paths.hpp"

namespace retrieval {

bool path_exists(const std::string& path) {
    struct stat st;
    if (::stat(core::paths::fs_encode(path).c_str(), &st) == 0) return true;
    const int err = errno;
    if (err == ENOENT || err == ENOTDIR || err == EBADF || err == ELOOP) return false;
    throw core::OsError(err, path);
}

std::string read_file(const std::string& path) {
    const int fd = ::open(core::paths::fs_encode(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw core::OsError(errno, path);
    struct stat st;
    std::string out;
    std::size_t cap = 1 << 16;
    if (::fstat(fd, &st) == 0 && st.st_size > 0) cap = static_cast<std::size_t>(st.st_size) + 1;
    out.resize(cap);
    std::size_t used = 0;
    while (true) {
        if (used == out.size()) out.resize(out.size() * 2);
        const ssize_t n = ::read(fd, out.data() + used, out.size() - used);
        if (n < 0) {
            if (errno == EINTR) continue;
            const int err = errno;
            ::close(fd);
            throw core::OsError(err, path);
        }
        if (n == 0) break;
        used += static_cast<std::size_t>(n);
    }
    ::close(fd);
    out.resize(used);
    return out;
}

namespace {

// The path with a link at its end followed (repeatedly), so that the rename replaces
// the link's target; a relative target is taken from the link's directory.
std::string follow_links(std::string path) {
    for (int hops = 0; hops < 40; ++hops) {
        char buf[PATH_MAX];
        const ssize_t n = ::readlink(core::paths::fs_encode(path).c_str(), buf, sizeof buf);
        if (n < 0) return path;
        std::string target = core::paths::fs_decode(std::string_view(buf, static_cast<std::size_t>(n)));
        path = core::paths::join(core::paths::parent(path), target);
    }
    throw core::OsError(ELOOP, path);
}

}  // namespace

void replace_file(const std::string& path, std::string_view data) {
#ifdef _WIN32
    std::string crlf;
    for (char c : data) {
        if (c == '\n') crlf += '\r';
        crlf += c;
    }
    data = crlf;
#endif
    const std::string target = follow_links(path);
    std::string tmpl = core::paths::fs_encode(core::paths::join(core::paths::parent(target),
                                                                "." + core::paths::name(target) + ".XXXXXX"));
    const int fd = ::mkstemp(tmpl.data());
    if (fd < 0) throw core::OsError(errno, path);
    // mkstemp makes the file private; give it the mode a plain create would have.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    auto fail = [&](int err) {
        ::close(fd);
        ::unlink(tmpl.c_str());
        throw core::OsError(err, path);
    };
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            fail(errno);
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    if (::fsync(fd) != 0) fail(errno);
    if (::close(fd) != 0) {
        const int err = errno;
        ::unlink(tmpl.c_str());
        throw core::OsError(err, path);
    }
    if (::rename(tmpl.c_str(), core::paths::fs_encode(target).c_str()) != 0) {
        const int err = errno;
        ::unlink(tmpl.c_str());
        throw core::OsError(err, path);
    }
}

}  // namespace retrieval

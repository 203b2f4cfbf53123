#include "graph/vorlane/scan_io.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "core/errors.hpp"
#include "core/paths.hpp"

namespace vorlane {

int read_file(const std::string& path, std::string& out) {
    out.clear();
    const int fd = ::open(core::paths::fs_encode(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno;
    char buf[1 << 16];
    while (true) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            const int err = errno;
            ::close(fd);
            return err;
        }
        if (n == 0) break;
        out.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return 0;
}

void write_file(const std::string& path, std::string_view data) {
#ifdef _WIN32
    std::string text;
    for (char c : data) {
        if (c == '\n') text += '\r';
        text += c;
    }
    data = text;
#endif
    const int fd = ::open(core::paths::fs_encode(path).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) throw core::OsError(errno, path);
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            const int err = errno;
            ::close(fd);
            throw core::OsError(err, path);
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    if (::close(fd) != 0) throw core::OsError(errno, path);
}

}  // namespace vorlane

#include "graph/vorlane/scan_io.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "core/errors.hpp"
#include "core/paths.hpp"

namespace vorlane {

int read_file(const std::string& path, std::string& out) {
    out.clear();
    const int fd = ::open(core::paths::fs_encode(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno;
    // Read straight into the result, sized by the file's own size; a file that grows
    // meanwhile is read to its end all the same.
    struct stat st;
    std::size_t cap = 1 << 16;
    if (::fstat(fd, &st) == 0 && st.st_size > 0) cap = static_cast<std::size_t>(st.st_size) + 1;
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

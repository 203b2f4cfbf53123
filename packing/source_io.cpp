#include "packing/source_io.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "core/paths.hpp"

namespace packing {

bool path_exists(const std::string& path) {
    struct stat st;
    return ::stat(core::paths::fs_encode(path).c_str(), &st) == 0;
}

int read_whole_file(const std::string& path, std::string& out) {
    out.clear();
    const int fd = ::open(core::paths::fs_encode(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno;
    struct stat st;
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

}  // namespace packing

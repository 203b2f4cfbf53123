#include "retrieval/log_io.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "core/errors.hpp"
#include "core/paths.hpp"

namespace retrieval {

void append_log_text(const std::string& path, std::string_view text) {
#ifdef _WIN32
    std::string native_text;
    for (char c : text) {
        if (c == '\n') native_text += '\r';
        native_text += c;
    }
    text = native_text;
#endif
    const int fd = ::open(core::paths::fs_encode(path).c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
    if (fd < 0) throw core::OsError(errno, path);
    while (!text.empty()) {
        const ssize_t n = ::write(fd, text.data(), text.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            const int err = errno;
            ::close(fd);
            throw core::OsError(err, path);
        }
        text.remove_prefix(static_cast<std::size_t>(n));
    }
    if (::close(fd) != 0) throw core::OsError(errno, path);
}

}  // namespace retrieval

// The POSIX file system: the one place of the libraries that calls the platform.
#ifndef _WIN32

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <mutex>

#include "core/fs.hpp"
#include "core/paths.hpp"

namespace core::fs {

namespace {

using paths::fs_decode;

// The platform's bytes of a path. A NUL inside would make the call see a shorter name,
// so such a path is handed over empty and names nothing (ENOENT).
std::string fs_encode(const std::string& path) {
    if (path.find('\0') != std::string::npos) return std::string();
    return paths::fs_encode(path);
}

Status status_of(const struct stat& st) {
    Status s;
    if (S_ISREG(st.st_mode))
        s.type = Type::File;
    else if (S_ISDIR(st.st_mode))
        s.type = Type::Directory;
    else if (S_ISLNK(st.st_mode))
        s.type = Type::Link;
    else
        s.type = Type::Other;
    s.size = st.st_size > 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
    s.device = static_cast<std::uint64_t>(st.st_dev);
    s.inode = static_cast<std::uint64_t>(st.st_ino);
    return s;
}

Status failed(int err) {
    Status s;
    s.err = err;
    return s;
}

Type entry_type(unsigned char d_type) {
    switch (d_type) {
        case DT_REG:
            return Type::File;
        case DT_DIR:
            return Type::Directory;
        case DT_LNK:
            return Type::Link;
        case DT_UNKNOWN:
            return Type::Unknown;
        default:
            return Type::Other;
    }
}

// Writes all of `data` to `fd`; 0 or the errno. With `stop`, the data goes in pieces
// of a few megabytes, a stop request looked for before each (ECANCELED).
int write_all(int fd, std::string_view data, const StopFlag* stop = nullptr) {
    constexpr std::size_t kPiece = std::size_t{4} << 20;
    while (!data.empty()) {
        if (stop && stop->requested()) return ECANCELED;
        const ssize_t n = ::write(fd, data.data(), stop ? std::min(data.size(), kPiece) : data.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return 0;
}

// The temporary files of the replacement in progress, for the signal handler below.
std::array<std::atomic<const char*>, FileSystem::kMostReplaced> replacing{};

extern "C" void remove_temporary_then_die(int sig) {
    for (const auto& tmp : replacing)
        if (const char* name = tmp.load()) ::unlink(name);
    ::signal(sig, SIG_DFL);
    ::raise(sig);  // delivered when the handler returns: the process ends by the signal
}

// While a replacement's temporary files exist, a terminating signal whose action is
// the default one (SIGINT outside the host, SIGTERM, SIGHUP) removes them before the
// process ends, so no kill leaves a hidden copy of an output behind. Signals with a
// handler of their own (the host's SIGINT) or ignored ones are left alone: they end
// nothing in the window. Replacements take turns, since the handler knows one set.
class TemporaryFileWatch {
public:
    TemporaryFileWatch() : lock_(turn()) {
        struct sigaction remove {};
        remove.sa_handler = remove_temporary_then_die;
        sigemptyset(&remove.sa_mask);
        for (std::size_t i = 0; i < kSignals.size(); ++i) {
            installed_[i] = ::sigaction(kSignals[i], nullptr, &previous_[i]) == 0 &&
                            !(previous_[i].sa_flags & SA_SIGINFO) && previous_[i].sa_handler == SIG_DFL &&
                            ::sigaction(kSignals[i], &remove, nullptr) == 0;
        }
    }
    ~TemporaryFileWatch() {
        for (std::size_t i = 0; i < kSignals.size(); ++i)
            if (installed_[i]) ::sigaction(kSignals[i], &previous_[i], nullptr);
        for (auto& tmp : replacing) tmp.store(nullptr);
    }
    TemporaryFileWatch(const TemporaryFileWatch&) = delete;
    TemporaryFileWatch& operator=(const TemporaryFileWatch&) = delete;

    // Names the temporary file of slot `i` (null: none), whose text must outlive the watch.
    static void watch(std::size_t i, const char* tmp) { replacing[i].store(tmp); }

private:
    static constexpr std::array<int, 3> kSignals{SIGINT, SIGTERM, SIGHUP};
    static std::mutex& turn() {
        static std::mutex m;
        return m;
    }
    std::lock_guard<std::mutex> lock_;
    std::array<struct sigaction, 3> previous_{};
    std::array<bool, 3> installed_{};
};

// Gives the new file of a replacement the owner and permission bits of the file it
// replaces, so rewriting an output never widens who may read it. The owner is kept
// where the process may set it; the bits are set after it, since a change of owner
// clears the set-id bits.
void keep_owner_and_mode(int fd, const std::string& target) {
    struct stat st;
    if (::stat(target.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return;
    if (st.st_uid != ::geteuid() || st.st_gid != ::getegid()) (void)!::fchown(fd, st.st_uid, st.st_gid);
    (void)!::fchmod(fd, st.st_mode & 07777);
}

// Writes `data` to a new file beside `target` (the path text), with the mode and owner
// of the file there (see above), flushed to the device, and names it in `tmp` (the
// platform's bytes) and in slot `slot` of the watch. On failure or a stop (ECANCELED,
// looked for between pieces) no new file is left.
int write_new(const std::string& target, std::string_view data, const StopFlag* stop, std::string& tmp,
              std::size_t slot) {
    static std::atomic<unsigned> counter{0};
    const std::string dir = paths::parent(target), base = paths::name(target), raw_target = fs_encode(target);
    for (int attempt = 0;; ++attempt) {
        tmp = fs_encode(paths::join(
            dir, "." + base + "." + std::to_string(::getpid()) + "." + std::to_string(counter.fetch_add(1)) + ".tmp"));
        TemporaryFileWatch::watch(slot, tmp.c_str());
        // Created with the mode a plain open gives, the creation mask applied.
        const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            const int err = errno;
            TemporaryFileWatch::watch(slot, nullptr);
            if (err == EEXIST && attempt <= 100) continue;
            tmp.clear();
            return err;
        }
        keep_owner_and_mode(fd, raw_target);
        int err = write_all(fd, data, stop);
        if (err == 0 && ::fsync(fd) != 0) err = errno;
        if (::close(fd) != 0 && err == 0) err = errno;
        if (err != 0) {
            ::unlink(tmp.c_str());
            TemporaryFileWatch::watch(slot, nullptr);
            tmp.clear();
        }
        return err;
    }
}

class Posix final : public FileSystem {
public:
    Status stat(const std::string& path) const override {
        struct stat st;
        return ::stat(fs_encode(path).c_str(), &st) == 0 ? status_of(st) : failed(errno);
    }

    Status lstat(const std::string& path) const override {
        struct stat st;
        return ::lstat(fs_encode(path).c_str(), &st) == 0 ? status_of(st) : failed(errno);
    }

    int list_dir(const std::string& path, std::vector<DirEntry>& out, Status& self) const override {
        out.clear();
        DIR* d = ::opendir(fs_encode(path).c_str());
        if (!d) return errno;
        struct stat st;
        self = ::fstat(::dirfd(d), &st) == 0 ? status_of(st) : failed(errno);
        while (true) {
            errno = 0;
            const dirent* e = ::readdir(d);
            if (!e) {
                const int err = errno;
                ::closedir(d);
                if (err != 0) out.clear();
                return err;
            }
            const std::string_view name = e->d_name;
            if (name == "." || name == "..") continue;
            out.push_back({fs_decode(name), entry_type(e->d_type)});
        }
    }

    int read_link(const std::string& path, std::string& target) const override {
        const std::string raw = fs_encode(path);
        std::string buf(256, '\0');
        while (true) {
            const ssize_t n = ::readlink(raw.c_str(), buf.data(), buf.size());
            if (n < 0) return errno;
            if (static_cast<std::size_t>(n) < buf.size()) {
                buf.resize(static_cast<std::size_t>(n));
                target = fs_decode(buf);
                return 0;
            }
            buf.resize(buf.size() * 2);
        }
    }

    int read_file(const std::string& path, std::string& out) const override {
        out.clear();
        const int fd = ::open(fs_encode(path).c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return errno;
        return read_to_end(fd, out);
    }

    int read_regular_file(const std::string& path, std::string& out) const override {
        out.clear();
        const std::string raw = fs_encode(path);
        // Tested before the open, which on a device can itself do something, and again on
        // what was opened (without waiting, should a FIFO have taken the name meanwhile).
        struct stat st;
        if (::stat(raw.c_str(), &st) != 0) return errno;
        if (const int err = not_regular(st)) return err;
        const int fd = ::open(raw.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) return errno;
        if (const int err = ::fstat(fd, &st) != 0 ? errno : not_regular(st)) {
            ::close(fd);
            return err;
        }
        return read_to_end(fd, out);
    }

    int write_file(const std::string& path, std::string_view data) const override {
        return write_opened(path, data, O_TRUNC);
    }

    int append_lines(const std::string& path, std::string_view data) const override {
        const std::string raw = fs_encode(path);
        int fd = ::open(raw.c_str(), O_RDWR | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
        const bool readable = fd >= 0;
        if (!readable) fd = ::open(raw.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
        if (fd < 0) return errno;
        char last = '\n';
        struct stat st;
        if (readable && ::fstat(fd, &st) == 0 && st.st_size > 0 && ::pread(fd, &last, 1, st.st_size - 1) != 1)
            last = '\n';
        std::string joined;
        if (last != '\n') {
            joined.reserve(data.size() + 1);
            joined.append(1, '\n').append(data);
            data = joined;
        }
        const int err = write_all(fd, data);
        if (::close(fd) != 0 && err == 0) return errno;
        return err;
    }

    int replace_files(const std::vector<Replacement>& files, const StopFlag* stop, std::size_t& failed) const override {
        if (files.size() > kMostReplaced) return EINVAL;
        // Each file's target (links followed) and, for a regular or missing one, the new
        // file beside it; anything else that exists there (a device, a FIFO, a socket, a
        // directory) is written in place at the end, as a plain write would: a rename
        // would put a regular file where the device was.
        struct Staged {
            std::string target, raw_target, tmp;
            bool in_place = false;
        };
        std::vector<Staged> staged(files.size());
        const TemporaryFileWatch watch;
        const auto drop = [&](std::size_t from) {
            for (std::size_t i = from; i < staged.size(); ++i)
                if (!staged[i].tmp.empty()) ::unlink(staged[i].tmp.c_str());
        };
        for (std::size_t i = 0; i < files.size(); ++i) {
            failed = i;
            Staged& s = staged[i];
            int err = follow_links(files[i].path, s.target);
            if (err == 0) {
                s.raw_target = fs_encode(s.target);
                struct stat st;
                s.in_place = ::stat(s.raw_target.c_str(), &st) == 0 && !S_ISREG(st.st_mode);
                if (!s.in_place) err = write_new(s.target, files[i].data, stop, s.tmp, i);
            }
            if (err == 0 && stop && stop->requested()) err = ECANCELED;
            if (err != 0) {
                drop(0);
                return err;
            }
        }
        // Past this point only renames and in-place writes remain, in the files' order.
        for (std::size_t i = 0; i < files.size(); ++i) {
            failed = i;
            Staged& s = staged[i];
            const int err = s.in_place ? write_opened(s.target, files[i].data, O_TRUNC)
                            : ::rename(s.tmp.c_str(), s.raw_target.c_str()) != 0 ? errno
                                                                                 : 0;
            if (err != 0) {
                drop(i);
                return err;
            }
            TemporaryFileWatch::watch(i, nullptr);
            s.tmp.clear();
        }
        return 0;
    }

    int map_file(const std::string& path, FileBytes& out) const override {
        const int fd = ::open(fs_encode(path).c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return errno;
        struct stat st;
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
            const auto size = static_cast<std::size_t>(st.st_size);
            // Populated at once: one pass of the kernel instead of a fault per page.
            void* p = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
            if (p != MAP_FAILED) {
                ::close(fd);
                out.hold(std::string_view(static_cast<const char*>(p), size), [p, size] { ::munmap(p, size); });
                return 0;
            }
        }
        ::close(fd);
        return FileSystem::map_file(path, out);
    }

    bool executable(const std::string& path) const override { return ::access(fs_encode(path).c_str(), X_OK) == 0; }

    int make_dir(const std::string& path) const override {
        return ::mkdir(fs_encode(path).c_str(), 0777) == 0 ? 0 : errno;
    }

    int current_dir(std::string& out) const override {
        std::string buf(256, '\0');
        while (::getcwd(buf.data(), buf.size()) == nullptr) {
            if (errno != ERANGE) return errno;
            buf.resize(buf.size() * 2);
        }
        buf.resize(buf.find('\0'));
        out = fs_decode(buf);
        return 0;
    }

private:
    // EISDIR for a directory, EINVAL for any other object that is not a regular file.
    static int not_regular(const struct stat& st) {
        if (S_ISREG(st.st_mode)) return 0;
        return S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    }

    // Reads the open file to its end into `out`, then closes it; 0 or the errno.
    static int read_to_end(int fd, std::string& out) {
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

    static int write_opened(const std::string& path, std::string_view data, int mode) {
        const int fd = ::open(fs_encode(path).c_str(), O_WRONLY | O_CREAT | mode | O_CLOEXEC, 0666);
        if (fd < 0) return errno;
        const int err = write_all(fd, data);
        if (::close(fd) != 0 && err == 0) return errno;
        return err;
    }
};

}  // namespace

const FileSystem& disk() {
    static const Posix posix;
    return posix;
}

}  // namespace core::fs

#endif  // _WIN32

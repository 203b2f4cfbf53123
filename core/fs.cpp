#include "core/fs.hpp"

#include <atomic>
#include <cerrno>
#include <string>
#include <utility>

#include "core/paths.hpp"

namespace core::fs {

namespace {

std::atomic<const FileSystem*> in_force{nullptr};

}  // namespace

int FileSystem::append_lines(const std::string&, std::string_view) const { return ENOSYS; }

int FileSystem::replace_files(const std::vector<Replacement>& files, const StopFlag* stop, std::size_t& failed) const {
    for (failed = 0; failed < files.size(); ++failed) {
        if (stop && stop->requested()) return ECANCELED;
        if (const int err = write_file(files[failed].path, files[failed].data)) return err;
    }
    return 0;
}

int FileSystem::read_regular_file(const std::string& path, std::string& out) const {
    const Status st = stat(path);
    if (!st.ok()) return st.err;
    if (!st.is_file()) return st.is_dir() ? EISDIR : EINVAL;
    return read_file(path, out);
}

int FileSystem::map_file(const std::string& path, FileBytes& out) const {
    std::string data;
    if (const int err = read_file(path, data)) return err;
    out.hold(std::move(data));
    return 0;
}

bool FileSystem::executable(const std::string&) const { return false; }

bool host_passes_over(const Status& st) {
    if (st.err == ENOENT || st.err == ENOTDIR || st.err == EBADF || st.err == ELOOP) return true;
    // ERROR_NOT_READY, ERROR_INVALID_NAME and ERROR_CANT_RESOLVE_FILENAME, by number, so
    // that this file needs no system header; a POSIX status never carries one.
    return st.native == 21 || st.native == 123 || st.native == 1921;
}

int FileSystem::follow_links(std::string path, std::string& out) const {
    for (int hops = 0; hops < 40; ++hops) {
        std::string target;
        if (!lstat(path).is_link() || read_link(path, target) != 0) {
            out = std::move(path);
            return 0;
        }
        path = paths::join(paths::parent(path), target);
    }
    return ELOOP;
}

const FileSystem& current() {
    const FileSystem* fs = in_force.load(std::memory_order_acquire);
    return fs ? *fs : disk();
}

Substitute::Substitute(const FileSystem& fs) : previous_(in_force.exchange(&fs, std::memory_order_acq_rel)) {}

Substitute::~Substitute() { in_force.store(previous_, std::memory_order_release); }

}  // namespace core::fs

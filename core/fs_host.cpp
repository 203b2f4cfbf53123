// The host's file calls (pathlib's meaning) over the file system in force.
#include <cerrno>
#include <string>

#include "core/errors.hpp"
#include "core/fs.hpp"
#include "core/paths.hpp"

namespace core::fs {

namespace {

bool has_nul(const std::string& path) { return path.find('\0') != std::string::npos; }

// stat() as pathlib's tests see it: the status, or a failed one for the failures they pass over.
Status host_stat(const std::string& path) {
    if (has_nul(path)) return Status{ENOENT};
    Status s = current().stat(path);
    if (!s.ok() && !host_passes_over(s)) throw OsError(s.err, path);
    return s;
}

// The text with each line feed written as the platform's line end; `buf` holds it where
// the text has to change.
std::string_view native_text(std::string_view text, [[maybe_unused]] std::string& buf) {
#ifdef _WIN32
    for (char c : text) {
        if (c == '\n') buf += '\r';
        buf += c;
    }
    return buf;
#else
    return text;
#endif
}

}  // namespace

bool exists(const std::string& path) { return host_stat(path).ok(); }

bool is_dir(const std::string& path) { return host_stat(path).is_dir(); }

bool is_link(const std::string& path) { return !has_nul(path) && current().lstat(path).is_link(); }

void make_dirs(const std::string& path) {
    if (has_nul(path)) throw OsError(EINVAL, path);
    const std::string p = paths::normalize(path);
    const FileSystem& fs = current();
    int err = fs.make_dir(p);
    if (err == 0) return;
    if (err == ENOENT) {
        const std::string up = paths::parent(p);
        if (up != p) {
            make_dirs(up);
            err = fs.make_dir(p);
            if (err == 0) return;
        }
    }
    if (err == EEXIST && fs.stat(p).is_dir()) return;
    throw OsError(err, p);
}

std::string read_whole(const std::string& path) {
    std::string out;
    if (const int err = current().read_regular_file(path, out)) throw OsError(err, path);
    return out;
}

void write_text(const std::string& path, std::string_view text) {
    if (has_nul(path)) throw OsError(EINVAL, path);
    std::string buf;
    if (const int err = current().write_file(path, native_text(text, buf))) throw OsError(err, path);
}

void replace_texts(const std::vector<std::pair<std::string, std::string_view>>& files, const StopFlag* stop) {
    std::vector<std::string> bufs(files.size());
    std::vector<FileSystem::Replacement> items;
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (has_nul(files[i].first)) throw OsError(EINVAL, files[i].first);
        items.push_back({files[i].first, native_text(files[i].second, bufs[i])});
    }
    std::size_t failed = 0;
    const int err = current().replace_files(items, stop, failed);
    if (err == ECANCELED && stop && stop->requested()) throw Stopped();
    if (err) throw OsError(err, files[failed].first);
}

void replace_text(const std::string& path, std::string_view text, const StopFlag* stop) {
    replace_texts({{path, text}}, stop);
}

void append_lines(const std::string& path, std::string_view text) {
    if (has_nul(path)) throw OsError(EINVAL, path);
    std::string buf;
    if (const int err = current().append_lines(path, native_text(text, buf))) throw OsError(err, path);
}

}  // namespace core::fs

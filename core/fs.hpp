#pragma once
// Every file-system call of the libraries goes through this one small interface, so a
// platform is one implementation of it (fs_posix.cpp here; a Windows one would sit
// beside it) and a test can stand in for the disk. Paths are text as the host holds
// file names (undecodable bytes carried as surrogate escapes, see paths::fs_encode);
// errors are the standard error numbers of <cerrno> (0 for success). Each call costs
// the one system call it names, a listing one per entry.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/stop.hpp"

namespace core::fs {

enum class Type { Unknown, File, Directory, Link, Other };

struct Status {
    int err = 0;  // 0, or why the call failed (the other fields are then unset)
    // The platform's own code of the failure where it has one beside the errno (the
    // system error code on Windows), else 0.
    std::uint32_t native = 0;
    Type type = Type::Unknown;
    std::uint64_t size = 0;
    // What tells two names of one object apart from two objects.
    std::uint64_t device = 0, inode = 0;
    bool ok() const { return err == 0; }
    bool is_dir() const { return err == 0 && type == Type::Directory; }
    bool is_file() const { return err == 0 && type == Type::File; }
    bool is_link() const { return err == 0 && type == Type::Link; }
    bool same_object(const Status& o) const { return device == o.device && inode == o.inode; }
};

struct DirEntry {
    std::string name;
    // What the listing itself says; Link and Unknown need a stat to know what lies behind.
    Type type = Type::Unknown;
};

// A whole file's bytes for reading, held for the object's lifetime: mapped into memory
// where the platform allows (no copy, which on a graph file of tens of megabytes is a
// sixth of the time to load it), else read.
class FileBytes {
public:
    FileBytes() = default;
    ~FileBytes() {
        if (release_) release_();
    }
    FileBytes(const FileBytes&) = delete;
    FileBytes& operator=(const FileBytes&) = delete;
    std::string_view bytes() const { return view_; }

    // For the file systems that fill it: bytes read, or mapped bytes with what unmaps them.
    void hold(std::string data) {
        copy_ = std::move(data);
        view_ = copy_;
    }
    void hold(std::string_view mapped, std::function<void()> release) {
        view_ = mapped;
        release_ = std::move(release);
    }

private:
    std::string copy_;
    std::string_view view_;
    std::function<void()> release_;
};

class FileSystem {
public:
    virtual ~FileSystem() = default;
    // The object a path names, links followed.
    virtual Status stat(const std::string& path) const = 0;
    // The same without following a final link.
    virtual Status lstat(const std::string& path) const = 0;
    // The entries of a directory ("." and ".." left out) in the platform's own order,
    // read in full: an error part-way gives that error and no entries. `self` is the
    // status of the directory opened.
    virtual int list_dir(const std::string& path, std::vector<DirEntry>& out, Status& self) const = 0;
    // The text a link holds.
    virtual int read_link(const std::string& path, std::string& target) const = 0;
    // The whole content of a file, read to its end.
    virtual int read_file(const std::string& path, std::string& out) const = 0;
    // Creates the file or truncates it, then writes `data` in place (no temporary file).
    virtual int write_file(const std::string& path, std::string_view data) const = 0;
    // Creates one directory; its parent must exist.
    virtual int make_dir(const std::string& path) const = 0;
    // The process's current directory.
    virtual int current_dir(std::string& out) const = 0;

    // The calls below have a plain default so that a stand-in need not provide them.
    // Appends whole lines (`data` ends with a line break) to a line log, created when
    // missing, in one write where the platform allows, so short lines of concurrent
    // appenders do not interleave. When the file does not end with a line feed (an earlier
    // append cut short by a full device or a killed process), a line end goes first (a
    // line feed; on Windows a carriage return and a line feed, or the line feed alone
    // after a carriage return), so the new lines never join the broken one. Costs one
    // extra read of a byte. Default: ENOSYS.
    virtual int append_lines(const std::string& path, std::string_view data) const;
    // Replaces the file with `data` through a new file beside it renamed over it: a
    // reader meets the old or the whole new content, and a failure part-way leaves the
    // old file. A link at `path` is followed (its target is replaced, not the link).
    // Only a regular file or a missing one is replaced so; anything else there (a
    // device, a FIFO, a socket) is written in place, as write_file does, and stays what
    // it is. With `stop`, a stop request is looked for between pieces of the data and
    // before the rename: one seen removes the new file, leaves the old one and gives
    // ECANCELED. Costs a flush to the device.
    int replace_file(const std::string& path, std::string_view data, const StopFlag* stop) const {
        std::size_t failed = 0;
        return replace_files({{path, data}}, stop, failed);
    }
    // replace_file for up to kMostReplaced files that belong together: every new file is
    // written and flushed before the first rename, so a stop or a failure up to then
    // leaves every old file, and past it only the renames (and the in-place writes) are
    // left, done in the files' order. On failure `failed` is the index of the file
    // concerned. Default: ECANCELED on a stop already requested, else write_file for each.
    static constexpr std::size_t kMostReplaced = 4;
    struct Replacement {
        std::string path;
        std::string_view data;
    };
    virtual int replace_files(const std::vector<Replacement>& files, const StopFlag* stop, std::size_t& failed) const;
    // The whole content of a regular file (links followed), as read_file gives it; EISDIR
    // for a directory and EINVAL for any other kind of file, which is never opened: a
    // device or a FIFO can give bytes without end or wait for a writer for ever.
    // Default: stat, then read_file.
    virtual int read_regular_file(const std::string& path, std::string& out) const;
    // The whole content of a file into `out` (filled once). Default: read_file.
    virtual int map_file(const std::string& path, FileBytes& out) const;
    // Whether this process may run the file at `path`. Default: false.
    virtual bool executable(const std::string& path) const;

protected:
    // `path` with a link at its end followed (repeatedly, up to 40 links: ELOOP past
    // that), a relative target taken from the link's directory, so that a rename
    // replaces the link's target.
    int follow_links(std::string path, std::string& out) const;
};

// Whether the host's path tests (Path.exists, .is_dir, .is_file) answer "no" after this
// failure instead of raising: ENOENT, ENOTDIR, EBADF or ELOOP, and on Windows the system
// errors that pathlib passes over as well (a drive not ready, a name the system takes for
// no name, a name it cannot resolve), whatever errno they carry.
bool host_passes_over(const Status& st);

// The platform's own file system.
const FileSystem& disk();

// The file system the libraries use: disk() unless a Substitute is in force.
const FileSystem& current();

// Puts another file system in force for its lifetime (tests); not for use while a
// scan runs on other threads.
class Substitute {
public:
    explicit Substitute(const FileSystem& fs);
    ~Substitute();
    Substitute(const Substitute&) = delete;
    Substitute& operator=(const Substitute&) = delete;

private:
    const FileSystem* previous_;
};

// The host's file calls (pathlib's meaning) over current(). A path holding a NUL names
// no file (the platform would read the name only up to it): the tests answer false, a
// read fails, a write or a directory creation is refused.

// Path(p).exists() / .is_dir(): false for a missing entry, a non-directory on the way,
// a link loop or a NUL in the path; core::OsError for any other failure of the test
// (a directory that may not be searched, for example).
bool exists(const std::string& path);
bool is_dir(const std::string& path);
// Whether the entry itself (not followed) is a symbolic link; false on any failure.
bool is_link(const std::string& path);
// Path(p).mkdir(parents=True, exist_ok=True); core::OsError on failure (EEXIST for an
// existing entry that is not a directory, as the host gives; EINVAL for a NUL).
void make_dirs(const std::string& path);
// The whole bytes of a regular file (FileSystem::read_regular_file); core::OsError on
// failure, a directory (EISDIR) or another kind of file (EINVAL) included.
std::string read_whole(const std::string& path);
// Text-mode writes (a line feed becomes the platform's line end); core::OsError naming
// `path` on failure (EINVAL for a NUL, as make_dirs). write_text is
// FileSystem::write_file (in place), replace_text FileSystem::replace_file,
// append_lines FileSystem::append_lines. A replacement that a stop request ended (see
// there) throws core::Stopped.
void write_text(const std::string& path, std::string_view text);
void replace_text(const std::string& path, std::string_view text, const StopFlag* stop = nullptr);
// replace_text for files that belong together (FileSystem::replace_files): `files` holds
// each path and its text.
void replace_texts(const std::vector<std::pair<std::string, std::string_view>>& files, const StopFlag* stop);
void append_lines(const std::string& path, std::string_view text);

}  // namespace core::fs

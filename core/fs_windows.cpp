// The Windows file system: the one place of the libraries that calls the platform there.
// Every call takes the wide-character form of the API; host text goes over as UTF-16
// (core/wide.hpp). Objects are seen as the host sees them on Windows: a symbolic link is
// a link, a junction or another name-surrogate reparse point is what it stands for in
// a listing and for stat, and the system's error codes become the host's errno values.
#ifdef _WIN32

#include <windows.h>

#include <winioctl.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/fs.hpp"
#include "core/wide.hpp"

namespace core::fs {

namespace {

// Paths at least this long go over in the extended form: below it every call of the
// system takes a path as it is (CreateDirectoryW's limit is MAX_PATH less 12, room for a
// short file name in the folder).
constexpr std::size_t kExtendedFrom = MAX_PATH - 12;

bool starts_with(const std::wstring& s, std::wstring_view head) { return s.compare(0, head.size(), head) == 0; }

// A long path in the extended form the system passes through unchanged, up to 32767
// characters: "\\?\" and the path made absolute and normalised as the system itself
// does it (both separators, "." and "..", the current folder of a relative path),
// "\\?\UNC\" for a share. A path already in a device or extended form is left so.
std::wstring extended(std::wstring p) {
    if (p.size() < kExtendedFrom || starts_with(p, L"\\\\?\\") || starts_with(p, L"\\\\.\\") ||
        starts_with(p, L"\\??\\"))
        return p;
    std::wstring full(p.size() + MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = ::GetFullPathNameW(p.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        if (n == 0) return p;  // the call that uses it will say what is wrong
        if (n < full.size()) {
            full.resize(n);
            break;
        }
        full.resize(n);  // the size needed, its terminating NUL included
    }
    if (starts_with(full, L"\\\\?\\") || starts_with(full, L"\\\\.\\")) return full;
    if (starts_with(full, L"\\\\")) return L"\\\\?\\UNC\\" + full.substr(2);
    if (full.size() >= 2 && full[1] == L':') return L"\\\\?\\" + full;
    return full;
}

// The system's path for a host path. A NUL inside would make the call see a shorter
// name, so such a path is handed over empty and names nothing (ENOENT).
std::wstring native(const std::string& path) {
    if (path.find('\0') != std::string::npos) return std::wstring();
    return extended(wide::from_text(path));
}

// The errno of a system error code, as the host maps it (an OSError's errno on Windows).
// One difference: a name the system cannot resolve (a loop of links) is ELOOP, as on
// POSIX systems, where the host gives EINVAL with that Windows error. The codes after
// which pathlib's tests answer "does not exist" although their errno says otherwise are
// kept beside the errno in a Status (host_passes_over).
int errno_of(DWORD code) {
    switch (code) {
        case ERROR_SUCCESS:
            return 0;
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_DRIVE:
        case ERROR_NO_MORE_FILES:
        case ERROR_BAD_NETPATH:
        case ERROR_BAD_NET_NAME:
        case ERROR_BAD_PATHNAME:
        case ERROR_FILENAME_EXCED_RANGE:
            return ENOENT;
        case ERROR_CANT_RESOLVE_FILENAME:
            return ELOOP;
        case ERROR_BAD_ENVIRONMENT:
            return E2BIG;
        case ERROR_BAD_FORMAT:
        case ERROR_INVALID_STARTING_CODESEG:
        case ERROR_INVALID_STACKSEG:
        case ERROR_INVALID_MODULETYPE:
        case ERROR_INVALID_EXE_SIGNATURE:
        case ERROR_EXE_MARKED_INVALID:
        case ERROR_BAD_EXE_FORMAT:
        case ERROR_ITERATED_DATA_EXCEEDS_64k:
        case ERROR_INVALID_MINALLOCSIZE:
        case ERROR_DYNLINK_FROM_INVALID_RING:
        case ERROR_IOPL_NOT_ENABLED:
        case ERROR_INVALID_SEGDPL:
        case ERROR_AUTODATASEG_EXCEEDS_64k:
        case ERROR_RING2SEG_MUST_BE_MOVABLE:
        case ERROR_RELOC_CHAIN_XEEDS_SEGLIM:
        case ERROR_INFLOOP_IN_RELOC_CHAIN:
            return ENOEXEC;
        case ERROR_INVALID_HANDLE:
        case ERROR_INVALID_TARGET_HANDLE:
        case ERROR_DIRECT_ACCESS_HANDLE:
            return EBADF;
        case ERROR_WAIT_NO_CHILDREN:
        case ERROR_CHILD_NOT_COMPLETE:
            return ECHILD;
        case ERROR_NO_PROC_SLOTS:
        case ERROR_MAX_THRDS_REACHED:
        case ERROR_NESTING_NOT_ALLOWED:
            return EAGAIN;
        case ERROR_ARENA_TRASHED:
        case ERROR_NOT_ENOUGH_MEMORY:
        case ERROR_INVALID_BLOCK:
        case ERROR_NOT_ENOUGH_QUOTA:
            return ENOMEM;
        case ERROR_ACCESS_DENIED:
        case ERROR_CURRENT_DIRECTORY:
        case ERROR_WRITE_PROTECT:
        case ERROR_BAD_UNIT:
        case ERROR_NOT_READY:
        case ERROR_BAD_COMMAND:
        case ERROR_CRC:
        case ERROR_BAD_LENGTH:
        case ERROR_SEEK:
        case ERROR_NOT_DOS_DISK:
        case ERROR_SECTOR_NOT_FOUND:
        case ERROR_OUT_OF_PAPER:
        case ERROR_WRITE_FAULT:
        case ERROR_READ_FAULT:
        case ERROR_GEN_FAILURE:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
        case ERROR_WRONG_DISK:
        case 35:  // no name in the headers
        case ERROR_SHARING_BUFFER_EXCEEDED:
        case ERROR_NETWORK_ACCESS_DENIED:
        case ERROR_CANNOT_MAKE:
        case ERROR_FAIL_I24:
        case ERROR_DRIVE_LOCKED:
        case ERROR_SEEK_ON_DEVICE:
        case ERROR_NOT_LOCKED:
        case ERROR_LOCK_FAILED:
            return EACCES;
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS:
            return EEXIST;
        case ERROR_NOT_SAME_DEVICE:
            return EXDEV;
        case ERROR_DIRECTORY:
            return ENOTDIR;
        case ERROR_TOO_MANY_OPEN_FILES:
            return EMFILE;
        case ERROR_DISK_FULL:
            return ENOSPC;
        case ERROR_BROKEN_PIPE:
        case ERROR_NO_DATA:
            return EPIPE;
        case ERROR_DIR_NOT_EMPTY:
            return ENOTEMPTY;
        case ERROR_NO_UNICODE_TRANSLATION:
            return EILSEQ;
        default:
            return EINVAL;
    }
}

int last_error() { return errno_of(::GetLastError()); }

// A failed status: the errno of the system error code, with the code itself.
Status failed(DWORD code) {
    Status s;
    s.err = errno_of(code);
    s.native = code;
    return s;
}

// A handle closed when it goes out of scope.
class Handle {
public:
    explicit Handle(HANDLE h = INVALID_HANDLE_VALUE) : h_(h) {}
    ~Handle() { reset(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const { return h_; }
    bool valid() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
    void reset(HANDLE h = INVALID_HANDLE_VALUE) {
        if (valid()) ::CloseHandle(h_);
        h_ = h;
    }
    // Closes now; the system's error of the close, or 0.
    int close() {
        const bool ok = !valid() || ::CloseHandle(h_);
        h_ = INVALID_HANDLE_VALUE;
        return ok ? 0 : last_error();
    }

private:
    HANDLE h_;
};

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

HANDLE open_handle(const std::wstring& path, DWORD access, DWORD disposition, DWORD flags = FILE_ATTRIBUTE_NORMAL) {
    return ::CreateFileW(path.c_str(), access, kShareAll, nullptr, disposition, flags, nullptr);
}

bool is_link_tag(DWORD attributes, DWORD tag) {
    return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) && tag == IO_REPARSE_TAG_SYMLINK;
}

Type type_of(DWORD attributes, DWORD tag) {
    if (is_link_tag(attributes, tag)) return Type::Link;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? Type::Directory : Type::File;
}

Status status_of(const BY_HANDLE_FILE_INFORMATION& info, DWORD tag) {
    Status s;
    s.type = type_of(info.dwFileAttributes, tag);
    s.size = (std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
    s.device = info.dwVolumeSerialNumber;
    s.inode = (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
    return s;
}

// What the folder's listing says of an entry, for an object that cannot be opened even
// to read its attributes (a file in use by the system, one the process may not read).
// On failure the listing's own error where it says the entry is not there, else 0.
bool attributes_from_dir(const std::wstring& path, WIN32_FIND_DATAW& found, DWORD& missing) {
    missing = 0;
    const HANDLE h = ::FindFirstFileW(path.c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD code = ::GetLastError();
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND || code == ERROR_NOT_READY ||
            code == ERROR_BAD_NET_NAME)
            missing = code;
        return false;
    }
    ::FindClose(h);
    return true;
}

// Whether a call made on a device or a volume, which keep no such information, failed
// for that reason.
bool unsupported(DWORD code) {
    return code == ERROR_INVALID_PARAMETER || code == ERROR_INVALID_FUNCTION || code == ERROR_NOT_SUPPORTED;
}

// os.stat / os.lstat as the host does them on Windows: the object opened for its
// attributes alone; with `follow` false a name-surrogate reparse point (a symbolic link, a
// junction) is looked at itself and any other reparse point is followed. A reparse point
// the system cannot follow (of a kind no driver handles) is looked at itself, but not when
// it is a link.
Status stat_path(const std::wstring& path, bool follow) {
    DWORD flags = FILE_ATTRIBUTE_NORMAL | FILE_FLAG_BACKUP_SEMANTICS;
    if (!follow) flags |= FILE_FLAG_OPEN_REPARSE_POINT;
    bool unhandled_tag = false;
    Handle h(open_handle(path, FILE_READ_ATTRIBUTES, OPEN_EXISTING, flags));
    if (!h.valid()) {
        const DWORD code = ::GetLastError();
        if (code == ERROR_ACCESS_DENIED || code == ERROR_SHARING_VIOLATION) {
            WIN32_FIND_DATAW found;
            DWORD missing = 0;
            if (!attributes_from_dir(path, found, missing)) return failed(missing ? missing : code);
            const DWORD tag = (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ? found.dwReserved0 : 0;
            // A reparse point that would have to be followed cannot be, from here.
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && (follow || !IsReparseTagNameSurrogate(tag)))
                return failed(code);
            Status s;
            s.type = type_of(found.dwFileAttributes, tag);
            s.size = (std::uint64_t{found.nFileSizeHigh} << 32) | found.nFileSizeLow;
            return s;
        }
        if (code == ERROR_INVALID_PARAMETER) {
            // A console ("\\.\con") opens only for reading or writing.
            h.reset(::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES | GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, flags, nullptr));
        } else if (code == ERROR_CANT_ACCESS_FILE && follow) {
            unhandled_tag = true;
            follow = false;
            flags |= FILE_FLAG_OPEN_REPARSE_POINT;
            h.reset(open_handle(path, FILE_READ_ATTRIBUTES, OPEN_EXISTING, flags));
        }
        if (!h.valid()) return failed(code);
    }
    const DWORD file_type = ::GetFileType(h.get());
    if (file_type != FILE_TYPE_DISK) {
        if (file_type == FILE_TYPE_UNKNOWN && ::GetLastError() != NO_ERROR) return failed(::GetLastError());
        // A device, a pipe or a console: no size, no identity.
        Status s;
        const DWORD attributes = ::GetFileAttributesW(path.c_str());
        s.type = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) ? Type::Directory
                                                                                                  : Type::Other;
        return s;
    }
    DWORD tag = 0;
    if (!follow) {
        FILE_ATTRIBUTE_TAG_INFO tag_info{};
        if (!::GetFileInformationByHandleEx(h.get(), FileAttributeTagInfo, &tag_info, sizeof tag_info)) {
            const DWORD code = ::GetLastError();
            if (!unsupported(code)) return failed(code);
        } else if (tag_info.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
            if (IsReparseTagNameSurrogate(tag_info.ReparseTag)) {
                // Following it failed before, for this link or for what it leads to.
                if (unhandled_tag) return failed(ERROR_CANT_ACCESS_FILE);
                tag = tag_info.ReparseTag;
            } else if (!unhandled_tag) {
                h.reset();
                return stat_path(path, true);
            }
        }
    }
    BY_HANDLE_FILE_INFORMATION info;
    if (!::GetFileInformationByHandle(h.get(), &info)) {
        const DWORD code = ::GetLastError();
        if (!unsupported(code)) return failed(code);
        // A volume or a whole disk ("\\.\C:"): a block device.
        Status s;
        s.type = Type::Other;
        return s;
    }
    return status_of(info, tag);
}

// The reparse data of a link or junction (the layout of the system's
// REPARSE_DATA_BUFFER, which the user-mode headers do not all declare).
struct ReparseData {
    DWORD tag;
    WORD data_length;
    WORD reserved;
    WORD substitute_offset;
    WORD substitute_length;
    WORD print_offset;
    WORD print_length;
};
constexpr std::size_t kMaxReparseData = 16 * 1024;

// Writes all of `data`; 0 or the errno. With `stop`, the data goes in pieces of a few
// megabytes, a stop request looked for before each (ECANCELED).
int write_all(HANDLE h, std::string_view data, const StopFlag* stop = nullptr) {
    const std::size_t piece = stop ? std::size_t{4} << 20 : std::size_t{1} << 30;
    while (!data.empty()) {
        if (stop && stop->requested()) return ECANCELED;
        DWORD written = 0;
        if (!::WriteFile(h, data.data(), static_cast<DWORD>(std::min(data.size(), piece)), &written, nullptr))
            return last_error();
        data.remove_prefix(written);
    }
    return 0;
}

// Whether a failed rename may succeed when tried again: the target is held open by a
// program that did not share it for deletion (a reader, a virus scanner, an indexer).
bool busy(DWORD code) {
    return code == ERROR_SHARING_VIOLATION || code == ERROR_ACCESS_DENIED || code == ERROR_LOCK_VIOLATION ||
           code == ERROR_USER_MAPPED_FILE;
}

class Windows final : public FileSystem {
public:
    Status stat(const std::string& path) const override { return stat_path(native(path), true); }

    Status lstat(const std::string& path) const override { return stat_path(native(path), false); }

    int list_dir(const std::string& path, std::vector<DirEntry>& out, Status& self) const override {
        out.clear();
        const std::wstring dir = native(path);
        self = stat_path(dir, true);
        if (!self.ok()) return self.err;
        if (!self.is_dir()) return ENOTDIR;
        std::wstring pattern = dir;
        if (!pattern.empty() && pattern.back() != L'\\' && pattern.back() != L'/' && pattern.back() != L':')
            pattern += L'\\';
        pattern += L'*';
        WIN32_FIND_DATAW found;
        const HANDLE h =
            ::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0);
        if (h == INVALID_HANDLE_VALUE) {
            // A folder with no entries at all (a drive's root can be one).
            const DWORD code = ::GetLastError();
            return code == ERROR_FILE_NOT_FOUND ? 0 : errno_of(code);
        }
        while (true) {
            const std::wstring_view name = found.cFileName;
            if (name != L"." && name != L"..") {
                const DWORD tag = (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ? found.dwReserved0 : 0;
                out.push_back({wide::to_text(name), type_of(found.dwFileAttributes, tag)});
            }
            if (!::FindNextFileW(h, &found)) {
                const DWORD code = ::GetLastError();
                ::FindClose(h);
                if (code == ERROR_NO_MORE_FILES) return 0;
                out.clear();
                return errno_of(code);
            }
        }
    }

    // os.readlink: the link's or junction's substitute name, a "\??\" prefix written as
    // "\\?\"; EINVAL for anything else.
    int read_link(const std::string& path, std::string& target) const override {
        Handle h(open_handle(native(path), 0, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS));
        if (!h.valid()) return last_error();
        std::string buf(kMaxReparseData, '\0');
        DWORD got = 0;
        if (!::DeviceIoControl(h.get(), FSCTL_GET_REPARSE_POINT, nullptr, 0, buf.data(), static_cast<DWORD>(buf.size()),
                               &got, nullptr))
            return last_error();
        ReparseData head;
        if (got < sizeof head) return EINVAL;
        std::copy_n(buf.data(), sizeof head, reinterpret_cast<char*>(&head));
        std::size_t names = sizeof head;
        if (head.tag == IO_REPARSE_TAG_SYMLINK)
            names += sizeof(ULONG);  // the link's flags come before its names
        else if (head.tag != IO_REPARSE_TAG_MOUNT_POINT)
            return EINVAL;
        const std::size_t start = names + head.substitute_offset;
        if (start + head.substitute_length > got) return EINVAL;
        std::wstring name(head.substitute_length / sizeof(wchar_t), L'\0');
        std::copy_n(buf.data() + start, name.size() * sizeof(wchar_t), reinterpret_cast<char*>(name.data()));
        if (name.size() > 4 && name.compare(0, 4, L"\\??\\") == 0) name[1] = L'\\';
        target = wide::to_text(name);
        return 0;
    }

    int read_file(const std::string& path, std::string& out) const override {
        out.clear();
        Handle h(open_handle(native(path), GENERIC_READ, OPEN_EXISTING));
        if (!h.valid()) return last_error();
        return read_to_end(h, out);
    }

    int read_regular_file(const std::string& path, std::string& out) const override {
        out.clear();
        const std::wstring p = native(path);
        // Tested before the open, which on a device can itself do something, and again on
        // what was opened.
        const Status st = stat_path(p, true);
        if (!st.ok()) return st.err;
        if (!st.is_file()) return st.is_dir() ? EISDIR : EINVAL;
        Handle h(open_handle(p, GENERIC_READ, OPEN_EXISTING));
        if (!h.valid()) return last_error();
        BY_HANDLE_FILE_INFORMATION info;
        if (::GetFileType(h.get()) != FILE_TYPE_DISK) return EINVAL;
        if (!::GetFileInformationByHandle(h.get(), &info)) return last_error();
        if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return EISDIR;
        return read_to_end(h, out);
    }

    int write_file(const std::string& path, std::string_view data) const override {
        return write_opened(native(path), data);
    }

    int append_lines(const std::string& path, std::string_view data) const override {
        const std::wstring p = native(path);
        // Opened for appending only, every write goes to the end in one piece.
        constexpr DWORD kAppend = FILE_APPEND_DATA | SYNCHRONIZE;
        Handle h(open_handle(p, kAppend | GENERIC_READ, OPEN_ALWAYS));
        const bool readable = h.valid();
        if (!readable) h.reset(open_handle(p, kAppend, OPEN_ALWAYS));
        if (!h.valid()) return last_error();
        char last = '\n';
        LARGE_INTEGER size{};
        if (readable && ::GetFileSizeEx(h.get(), &size) && size.QuadPart > 0) {
            OVERLAPPED at{};
            const auto offset = static_cast<std::uint64_t>(size.QuadPart - 1);
            at.Offset = static_cast<DWORD>(offset);
            at.OffsetHigh = static_cast<DWORD>(offset >> 32);
            DWORD got = 0;
            if (!::ReadFile(h.get(), &last, 1, &got, &at) || got != 1) last = '\n';
        }
        // A broken last line is ended with the platform's line end: a carriage return
        // left alone by a cut gets its line feed.
        std::string joined;
        if (last != '\n') {
            joined.reserve(data.size() + 2);
            joined.append(last == '\r' ? "\n" : "\r\n").append(data);
            data = joined;
        }
        const int err = write_all(h.get(), data);
        const int closed = h.close();
        return err ? err : closed;
    }

    int replace_files(const std::vector<Replacement>& files, const StopFlag* stop, std::size_t& failed) const override {
        if (files.size() > kMostReplaced) return EINVAL;
        // Each file's target (links followed) and, for a regular or missing one, the new
        // file beside it, held open until the renames; anything else that exists there (a
        // device, a directory) is written in place at the end, as a plain write would: a
        // rename would put a regular file where the device was.
        struct Staged {
            std::wstring target, tmp;
            Handle h;
            bool marked = false, in_place = false;
            // Removes the new file: closing a marked one does.
            void drop() {
                if (tmp.empty()) return;
                h.close();
                if (!marked) ::DeleteFileW(tmp.c_str());
                tmp.clear();
            }
        };
        std::vector<Staged> staged(files.size());
        const auto drop_all = [&] {
            for (Staged& s : staged) s.drop();
        };
        for (std::size_t i = 0; i < files.size(); ++i) {
            failed = i;
            Staged& s = staged[i];
            std::string target;
            int err = follow_links(files[i].path, target);
            if (err == 0) {
                s.target = native(target);
                const Status st = stat_path(s.target, true);
                s.in_place = st.ok() && !st.is_file();
                if (!s.in_place) err = write_new(s.target, files[i].data, stop, s.tmp, s.h, s.marked);
            }
            if (err == 0 && stop && stop->requested()) err = ECANCELED;
            if (err != 0) {
                drop_all();
                return err;
            }
        }
        // Past this point only renames and in-place writes remain, in the files' order.
        for (std::size_t i = 0; i < files.size(); ++i) {
            failed = i;
            Staged& s = staged[i];
            int err = 0;
            if (s.in_place) {
                err = write_opened(s.target, files[i].data);
            } else {
                if (s.marked && !set_delete_on_close(s.h.get(), false)) err = last_error();
                s.marked = s.marked && err != 0;
                if (err == 0) err = s.h.close();
                if (err == 0) err = rename_over(s.tmp, s.target, i == 0 ? stop : nullptr);
            }
            if (err != 0) {
                drop_all();
                return err;
            }
            s.tmp.clear();
        }
        return 0;
    }

    // Whether this process may run the file: on Windows, any existing one (os.access).
    bool executable(const std::string& path) const override {
        return ::GetFileAttributesW(native(path).c_str()) != INVALID_FILE_ATTRIBUTES;
    }

    int make_dir(const std::string& path) const override {
        return ::CreateDirectoryW(native(path).c_str(), nullptr) ? 0 : last_error();
    }

    int current_dir(std::string& out) const override {
        std::wstring buf(MAX_PATH, L'\0');
        while (true) {
            const DWORD n = ::GetCurrentDirectoryW(static_cast<DWORD>(buf.size()), buf.data());
            if (n == 0) return last_error();
            if (n < buf.size()) {
                buf.resize(n);
                break;
            }
            buf.resize(n);  // the size needed, its terminating NUL included
        }
        out = wide::to_text(buf);
        return 0;
    }

    // map_file keeps the default (a read): a file mapped into memory cannot be replaced
    // or removed on Windows while the mapping lives, and the libraries rewrite the files
    // they load.

private:
    // Reads the open file to its end into `out`; 0 or the errno.
    static int read_to_end(Handle& h, std::string& out) {
        std::size_t cap = 1 << 16;
        LARGE_INTEGER size{};
        if (::GetFileSizeEx(h.get(), &size) && size.QuadPart > 0) cap = static_cast<std::size_t>(size.QuadPart) + 1;
        std::size_t used = 0;
        out.resize(cap);
        while (true) {
            if (used == out.size()) out.resize(out.size() * 2);
            const DWORD want = static_cast<DWORD>(std::min<std::size_t>(out.size() - used, std::size_t{1} << 30));
            DWORD got = 0;
            if (!::ReadFile(h.get(), out.data() + used, want, &got, nullptr)) {
                const DWORD code = ::GetLastError();
                if (code == ERROR_BROKEN_PIPE) break;  // the writing end of a pipe closed: its end
                out.clear();
                return errno_of(code);
            }
            if (got == 0) break;
            used += got;
        }
        out.resize(used);
        return h.close();
    }

    static int write_opened(const std::wstring& path, std::string_view data) {
        Handle h(open_handle(path, GENERIC_WRITE, CREATE_ALWAYS));
        if (!h.valid()) return last_error();
        const int err = write_all(h.get(), data);
        const int closed = h.close();
        return err ? err : closed;
    }

    // Writes `data` to a new file beside `target` (the system's path), flushed to the device,
    // and leaves it open in `h`, named in `tmp`. Marked for deletion while it is written
    // and until it is put in place (`marked`): a process ended meanwhile (even by
    // TerminateProcess) leaves no temporary file, since the system removes it with the
    // last handle. On failure or a stop (ECANCELED, looked for between pieces) no new file
    // is left.
    // The new file is named after the target, in its folder: the two are split where the
    // system splits them (either separator, or a drive's colon).
    static int write_new(const std::wstring& target, std::string_view data, const StopFlag* stop, std::wstring& tmp,
                         Handle& h, bool& marked) {
        static std::atomic<unsigned> counter{0};
        const std::size_t cut = target.find_last_of(L"\\/:") + 1;  // 0 when none
        const std::wstring head = target.substr(0, cut), base = target.substr(cut);
        for (int attempt = 0;; ++attempt) {
            tmp = extended(head + L"." + base + L"." + std::to_wstring(::GetCurrentProcessId()) + L"." +
                           std::to_wstring(counter.fetch_add(1)) + L".tmp");
            h.reset(::CreateFileW(tmp.c_str(), GENERIC_WRITE | DELETE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                  CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
            if (!h.valid()) {
                const DWORD code = ::GetLastError();
                tmp.clear();
                if ((code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS) && attempt <= 100) continue;
                return errno_of(code);
            }
            marked = set_delete_on_close(h.get(), true);
            int err = write_all(h.get(), data, stop);
            if (err == 0 && !::FlushFileBuffers(h.get())) err = last_error();
            if (err != 0) {
                h.close();  // which removes a marked file
                if (!marked) ::DeleteFileW(tmp.c_str());
                tmp.clear();
            }
            return err;
        }
    }

    // Renames the new file over the target, tried again a few times (about a second in
    // all) while another program holds the target open; a stop request ends the waiting.
    // The new file takes the target's attributes, so that rewriting a read-only or hidden
    // output keeps it so (the system refuses to replace a read-only file: its attribute is
    // lifted for the rename and put back on failure).
    static int rename_over(const std::wstring& from, const std::wstring& to, const StopFlag* stop) {
        const DWORD old = ::GetFileAttributesW(to.c_str());
        DWORD kept = 0;
        if (old != INVALID_FILE_ATTRIBUTES) {
            kept = old & kKeptAttributes;
            if (kept & ~FILE_ATTRIBUTE_READONLY) ::SetFileAttributesW(from.c_str(), kept & ~FILE_ATTRIBUTE_READONLY);
            if (old & FILE_ATTRIBUTE_READONLY) ::SetFileAttributesW(to.c_str(), plain(old & ~FILE_ATTRIBUTE_READONLY));
        }
        DWORD pause = 10;
        for (int attempt = 0;; ++attempt) {
            if (::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
                if (kept & FILE_ATTRIBUTE_READONLY) ::SetFileAttributesW(to.c_str(), kept);
                return 0;
            }
            const DWORD code = ::GetLastError();
            const bool again = busy(code) && attempt < 6 && !(stop && stop->requested());
            if (!again) {
                if (old != INVALID_FILE_ATTRIBUTES && (old & FILE_ATTRIBUTE_READONLY))
                    ::SetFileAttributesW(to.c_str(), plain(old));
                return stop && stop->requested() && busy(code) ? ECANCELED : errno_of(code);
            }
            ::Sleep(pause);
            pause *= 2;
        }
    }

    // The attributes a replacement carries over.
    static constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                             FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    // Attributes as SetFileAttributesW takes them: none is FILE_ATTRIBUTE_NORMAL.
    static DWORD plain(DWORD attributes) {
        attributes &= kKeptAttributes;
        return attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
    }

    // Marks an open file for deletion when its last handle closes, or takes the mark back.
    static bool set_delete_on_close(HANDLE h, bool on) {
        FILE_DISPOSITION_INFO info{};
        info.DeleteFile = on ? TRUE : FALSE;
        return ::SetFileInformationByHandle(h, FileDispositionInfo, &info, sizeof info);
    }
};

}  // namespace

const FileSystem& disk() {
    static const Windows windows;
    return windows;
}

}  // namespace core::fs

#endif  // _WIN32

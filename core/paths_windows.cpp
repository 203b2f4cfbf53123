// Path(p).resolve() on Windows, as the host's ntpath.realpath (non-strict) does it: the
// path made absolute against the current drive and folder, the system's final name of
// the longest leading part that exists, links read by hand where the system cannot
// follow them, the rest kept as written, and the "\\?\" that the system's answer
// carries taken off where the shorter name means the same.
#ifdef _WIN32

#include <windows.h>

#include <cerrno>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>

#include "core/fs.hpp"
#include "core/paths.hpp"
#include "core/paths_int.hpp"
#include "core/wide.hpp"

namespace core::paths::detail {

namespace {

constexpr std::string_view kPrefix = "\\\\?\\";
constexpr std::string_view kUncPrefix = "\\\\?\\UNC\\";

bool starts_with(std::string_view s, std::string_view head) { return s.substr(0, head.size()) == head; }

// nt._getfinalpathname: the name the system gives the open object, or its error code.
std::optional<std::string> final_name(const std::string& path, DWORD& error) {
    const HANDLE h =
        ::CreateFileW(wide::from_text(path).c_str(), 0, 0, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        error = ::GetLastError();
        return std::nullopt;
    }
    std::wstring buf(MAX_PATH, L'\0');
    while (true) {
        const DWORD n = ::GetFinalPathNameByHandleW(h, buf.data(), static_cast<DWORD>(buf.size()), VOLUME_NAME_DOS);
        if (n == 0) {
            error = ::GetLastError();
            ::CloseHandle(h);
            return std::nullopt;
        }
        if (n < buf.size()) {
            buf.resize(n);
            break;
        }
        buf.resize(n);  // the size needed, its terminating NUL included
    }
    ::CloseHandle(h);
    error = 0;
    return wide::to_text(buf);
}

// ntpath._readlink_deep: follows links by reading them until one cannot be read, a
// relative target taken against its link's folder.
std::string readlink_deep(std::string path) {
    const fs::FileSystem& disk = fs::disk();
    std::set<std::string> seen;
    while (seen.insert(nt_normcase(path)).second) {
        std::string target;
        if (disk.read_link(path, target) != 0) break;
        if (!is_absolute(target, Rules::windows)) {
            if (!disk.lstat(path).is_link()) break;  // a junction's relative name: not followed
            target = nt_normpath(nt_join(nt_split(path).first, target));
        }
        path = std::move(target);
    }
    return path;
}

// ntpath._getfinalpathname_nonstrict: the final name of the longest leading part that
// the system resolves, the rest joined to it as written.
std::string final_name_nonstrict(std::string path) {
    std::string tail;
    DWORD error = 0;
    while (!path.empty()) {
        if (const auto found = final_name(path, error)) return tail.empty() ? *found : nt_join(*found, tail);
        const std::string linked = readlink_deep(path);
        if (linked != path) return tail.empty() ? linked : nt_join(linked, tail);
        auto [head, name] = nt_split(path);
        if (!head.empty() && name.empty()) return head + tail;
        tail = tail.empty() ? name : nt_join(name, tail);
        path = std::move(head);
    }
    return tail;
}

}  // namespace

std::string resolve_windows(std::string_view normalized) {
    std::string path = nt_normpath(normalized);
    if (nt_normcase(path) == "nul") return "\\\\.\\NUL";
    const bool had_prefix = starts_with(path, kPrefix);
    if (!had_prefix && !is_absolute(path, Rules::windows)) path = nt_join(cwd(), path);
    const fs::FileSystem& fs = fs::current();
    if (&fs != &fs::disk()) {
        // Another file system stands in for the disk: its answers alone, no link of its own.
        std::string out = normalize(path, Rules::windows);
        if (fs.stat(out).err == ELOOP) throw std::runtime_error("Symlink loop from " + py_repr(out));
        return out;
    }
    DWORD initial = 0;
    if (auto found = final_name(path, initial))
        path = std::move(*found);
    else
        path = final_name_nonstrict(path);
    if (!had_prefix && starts_with(path, kPrefix)) {
        const std::string shorter =
            starts_with(path, kUncPrefix) ? "\\\\" + path.substr(kUncPrefix.size()) : path.substr(kPrefix.size());
        DWORD error = 0;
        const auto again = final_name(shorter, error);
        if (again ? *again == path : error == initial) path = shorter;
    }
    std::string out = normalize(path, Rules::windows);
    // A loop of links is found by a stat of the result, as the host does.
    if (fs.stat(out).err == ELOOP) throw std::runtime_error("Symlink loop from " + py_repr(out));
    return out;
}

}  // namespace core::paths::detail

#endif  // _WIN32

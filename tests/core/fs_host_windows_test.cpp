// The Windows counterparts of the host file calls that POSIX systems test with modes,
// signals and devices: a read-only file keeps its attribute through a replacement, a
// process ended while it replaces a file leaves the old or the new file and no temporary
// one, a replacement waits a little for a program that holds the file open, a device is
// written in place, and a junction is what the host makes of it.
#include <gtest/gtest.h>
#include <windows.h>
#include <winioctl.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "core/fs.hpp"
#include "tests/core/host_calls.hpp"
#include "tests/kit/portable.hpp"

namespace {

namespace fs = core::fs;
using host_calls::HostCalls;

std::wstring wide(const std::string& s) { return kit::fs_path(s).wstring(); }

// The writer child of the kill test: this program started again with the file to
// replace in the environment; it replaces it until it is ended.
constexpr const char* kWriterVariable = "TARVELLE_TEST_REPLACE_WRITER";
const bool writer_child = [] {
    const char* target = std::getenv(kWriterVariable);
    if (!target || !*target) return false;
    const std::string big(4 << 20, 'x');
    try {
        for (;;) fs::replace_text(target, big);
    } catch (...) {
    }
    ExitProcess(3);
}();

// Rewriting an output keeps who may read it: a read-only file stays read-only and
// holds the new text.
TEST_F(HostCalls, ReplaceKeepsAReadOnlyFileReadOnly) {
    file("graph.json", "old");
    ASSERT_TRUE(SetFileAttributesW(wide(at("graph.json")).c_str(), FILE_ATTRIBUTE_READONLY));
    fs::replace_text(at("graph.json"), "new");
    const DWORD attributes = GetFileAttributesW(wide(at("graph.json")).c_str());
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(read("graph.json"), "new");
    EXPECT_EQ(names(), std::vector<std::string>{"graph.json"});
    SetFileAttributesW(wide(at("graph.json")).c_str(), FILE_ATTRIBUTE_NORMAL);
}

// A process ended through TerminateProcess while it replaces a file leaves the old or
// the new file and no temporary one. The child replaces the file over and over, so
// almost every end lands while a temporary file exists.
TEST_F(HostCalls, AKillDuringReplaceLeavesNoTemporaryFile) {
    ASSERT_FALSE(writer_child);
    const std::string big(4 << 20, 'x');
    fs::replace_text(at("graph.json"), big);
    wchar_t self[MAX_PATH];
    ASSERT_GT(GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
    const kit::EnvScope env(kWriterVariable, at("graph.json"));
    int kills = 0;
    for (int round = 0; round < 12; ++round) {
        STARTUPINFOW si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        std::wstring cmd = L"\"" + std::wstring(self) + L"\" --gtest_list_tests";
        ASSERT_TRUE(CreateProcessW(self, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
        Sleep(static_cast<DWORD>(20 + 7 * round));
        EXPECT_TRUE(TerminateProcess(pi.hProcess, 9));
        ASSERT_EQ(WaitForSingleObject(pi.hProcess, 60000), WAIT_OBJECT_0);
        DWORD code = 0;
        GetExitCodeProcess(pi.hProcess, &code);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
        EXPECT_EQ(code, 9u) << "round " << round;
        ++kills;
        EXPECT_EQ(names(), std::vector<std::string>{"graph.json"}) << "round " << round;
        EXPECT_EQ(read("graph.json").size(), big.size());
    }
    EXPECT_EQ(kills, 12);
}

// Another program holds the file open without letting it be deleted (as a reader, an
// indexer or a virus scanner does): the rename over it is tried again for a while, so a
// short hold delays the replacement and a long one fails it with the host's error,
// leaving the old content and no temporary file. Where the platform lets the rename
// through (Wine need not refuse it), only the short hold can be checked.
TEST_F(HostCalls, ReplaceWaitsForAProgramThatHoldsTheFileOpen) {
    file("graph.json", "old");
    const auto hold = [&] {
        return CreateFileW(wide(at("graph.json")).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    };
    HANDLE held = hold();
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    std::thread release([held] {
        Sleep(60);
        CloseHandle(held);
    });
    EXPECT_NO_THROW(fs::replace_text(at("graph.json"), "new"));
    release.join();
    EXPECT_EQ(read("graph.json"), "new");
    EXPECT_EQ(names(), std::vector<std::string>{"graph.json"});

    held = hold();
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    try {
        fs::replace_text(at("graph.json"), "newer");
        EXPECT_EQ(read("graph.json"), "newer");  // the platform did not refuse it
    } catch (const core::OsError& e) {
        EXPECT_EQ(e.err, EACCES);
        EXPECT_EQ(read("graph.json"), "new");
    }
    CloseHandle(held);
    EXPECT_EQ(names(), std::vector<std::string>{"graph.json"});
}

// A device name is no file to replace: "nul" in any folder is the null device, written in
// place as a FIFO is on POSIX systems, and no file appears beside it.
TEST_F(HostCalls, ReplaceWritesADeviceInPlace) {
    EXPECT_EQ(fs::disk().stat(at("nul")).type, fs::Type::Other);
    EXPECT_NO_THROW(fs::replace_text(at("nul"), "gone"));
    EXPECT_NO_THROW(fs::write_text(at("nul"), "gone"));
    EXPECT_EQ(names(), std::vector<std::string>{});
}

// Makes a junction (a mount point) at `at` to the folder `target`; false when the platform
// made none.
bool make_junction(const std::string& target, const std::string& at) {
    if (!CreateDirectoryW(wide(at).c_str(), nullptr)) return false;
    HANDLE h = CreateFileW(wide(at).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    const std::wstring substitute = L"\\??\\" + wide(target), print = wide(target);
    // The mount point's reparse data: its header, four offsets and lengths, then both
    // names, each ended by a NUL.
    std::vector<char> buf(8 + 8 + (substitute.size() + print.size() + 2) * sizeof(wchar_t));
    const auto put16 = [&](std::size_t at16, std::size_t v) {
        const auto w = static_cast<WORD>(v);
        std::memcpy(buf.data() + at16, &w, sizeof w);
    };
    const DWORD tag = IO_REPARSE_TAG_MOUNT_POINT;
    std::memcpy(buf.data(), &tag, sizeof tag);
    put16(4, buf.size() - 8);
    put16(8, 0);
    put16(10, substitute.size() * sizeof(wchar_t));
    put16(12, (substitute.size() + 1) * sizeof(wchar_t));
    put16(14, print.size() * sizeof(wchar_t));
    std::memcpy(buf.data() + 16, substitute.c_str(), (substitute.size() + 1) * sizeof(wchar_t));
    std::memcpy(buf.data() + 16 + (substitute.size() + 1) * sizeof(wchar_t), print.c_str(),
                (print.size() + 1) * sizeof(wchar_t));
    DWORD got = 0;
    const BOOL ok = DeviceIoControl(h, FSCTL_SET_REPARSE_POINT, buf.data(), static_cast<DWORD>(buf.size()), nullptr, 0,
                                    &got, nullptr);
    CloseHandle(h);
    const DWORD attributes = GetFileAttributesW(wide(at).c_str());
    return ok && attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// A junction as the host's Windows calls see it: os.lstat gives a folder, not a link
// (is_symlink is false; only a symbolic link is one), os.stat the folder it leads to,
// os.readlink its target in the extended form, and a listing through it that folder's
// entries.
TEST_F(HostCalls, AJunctionIsTheFolderItLeadsTo) {
    file("target/a.py");
    if (!make_junction(at("target"), at("junction"))) GTEST_SKIP() << kit::kNoLinks;
    const fs::FileSystem& disk = fs::disk();
    EXPECT_TRUE(disk.lstat(at("junction")).is_dir());
    EXPECT_FALSE(fs::is_link(at("junction")));
    EXPECT_TRUE(disk.stat(at("junction")).same_object(disk.stat(at("target"))));
    std::string target;
    ASSERT_EQ(disk.read_link(at("junction"), target), 0);
    EXPECT_EQ(target, "\\\\?\\" + at("target"));
    std::vector<fs::DirEntry> entries;
    fs::Status self;
    ASSERT_EQ(disk.list_dir(at("junction"), entries, self), 0);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, "a.py");
    std::vector<fs::DirEntry> top;
    ASSERT_EQ(disk.list_dir(dir, top, self), 0);
    for (const fs::DirEntry& e : top) EXPECT_EQ(e.type, fs::Type::Directory) << e.name;
    RemoveDirectoryW(wide(at("junction")).c_str());
}

}  // namespace

// The Windows counterparts of the host file calls that POSIX systems test with modes and
// signals: a read-only file keeps its attribute through a replacement, and a process
// ended while it replaces a file leaves the old or the new file and no temporary one.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>
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

}  // namespace

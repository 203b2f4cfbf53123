// The program lookup and the hand-over on Windows: the command line as the system and the
// C runtime split it, the search over a real folder tree, and this program started again
// as the child, which reports the arguments and the environment it got, ends with a
// chosen status, or waits for Ctrl-C.
#include <gtest/gtest.h>
#include <windows.h>
// After windows.h, which it builds on.
#include <shellapi.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "agent/exec.hpp"
#include "core/errors.hpp"
#include "core/wide.hpp"
#include "tests/core/scratch_tree.hpp"
#include "tests/kit/portable.hpp"

extern "C" __declspec(dllimport) int __cdecl _configure_wide_argv(int mode);

namespace {

using agent::process::Environment;
using agent::process::find_program;
using agent::process::replace_process;

constexpr const wchar_t* kChildMode = L"AGENT_TEST_CHILD";  // "report" or "ctrl-c"
constexpr const wchar_t* kChildOut = L"AGENT_TEST_OUT";     // the file the child writes

void write_all(const std::wstring& file, const std::string& bytes) {
    const HANDLE h = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD n = 0;
    WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr);
    CloseHandle(h);
}

BOOL WINAPI child_on_ctrl_c(DWORD event) {
    if (event == CTRL_C_EVENT) ExitProcess(42);
    return FALSE;
}

// The child: "report" writes its arguments after the first as the C runtime split them,
// then the variable AGENT_TEST_MARK and whether CLAUDECODE is set, each ended by a NUL, and
// ends with status 7; "ctrl-c" says it is ready and ends with 42 on Ctrl-C, 99 after 10 s.
const bool child = [] {
    const wchar_t* mode = _wgetenv(kChildMode);
    const wchar_t* out = _wgetenv(kChildOut);
    if (!mode || !out) return false;
    const std::wstring m = mode;
    if (m == L"report") {
        _configure_wide_argv(1);
        std::string got;
        for (int i = 1; i < *__p___argc(); ++i) got += core::wide::to_text((*__p___wargv())[i]) + '\0';
        const wchar_t* mark = _wgetenv(L"AGENT_TEST_MARK");
        got += (mark ? core::wide::to_text(mark) : "<unset>") + '\0';
        got += std::string(_wgetenv(L"CLAUDECODE") ? "set" : "unset") + '\0';
        write_all(out, got);
        ExitProcess(7);
    }
    if (m == L"ctrl-c") {
        SetConsoleCtrlHandler(child_on_ctrl_c, TRUE);
        write_all(out, "ready");
        Sleep(10000);
        ExitProcess(99);
    }
    ExitProcess(101);
}();

BOOL WINAPI ignore_ctrl_c(DWORD event) { return event == CTRL_C_EVENT; }

std::string self_path() {
    wchar_t self[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
    return core::wide::to_text(std::wstring_view(self, n));
}

std::vector<std::string> split_nul(const std::string& s) {
    std::vector<std::string> out;
    for (std::size_t start = 0, end; (end = s.find('\0', start)) != std::string::npos; start = end + 1)
        out.push_back(s.substr(start, end - start));
    return out;
}

const std::vector<std::vector<std::string>> kArgumentRows{
    {"claude", "-p", "a b", ""},
    {"claude", "say \"hi\"", "\"", "\"\"", "x\"\"y", "\\\"", "a\\\\\"b c"},
    {"claude", "end\\", "end\\\\", "sp ace\\", "\\\\server\\share\\", "C:\\Program Files\\x"},
    {"claude", "tab\there", "new\nline\n", " ", "\t", "\v"},
    {"C:\\Program Files\\tool\\wendle.exe", "caf\u00e9 \u65e5\u672c", "\U0001F600", "{\"k\": [1, \"v\"]}"},
};

TEST(WindowsCommandLine, TheSystemSplitsItBackIntoTheSameWords) {
    for (const auto& argv : kArgumentRows) {
        const std::wstring line = core::wide::from_text(agent::process::windows_command_line(argv));
        int n = 0;
        LPWSTR* words = CommandLineToArgvW(line.c_str(), &n);
        ASSERT_NE(words, nullptr);
        std::vector<std::string> got;
        for (int i = 0; i < n; ++i) got.push_back(core::wide::to_text(words[i]));
        LocalFree(words);
        EXPECT_EQ(got, argv) << agent::process::windows_command_line(argv);
    }
}

class WindowsExec : public scratch::Tree {};

TEST_F(WindowsExec, TheChildGetsTheWordsTheEnvironmentAndGivesItsStatus) {
    ASSERT_FALSE(child);
    Environment env = agent::process::current_environment();
    env.push_back({"agent_test_child", "report"});  // any case names it
    env.push_back({"AGENT_TEST_OUT", at("out")});
    env.push_back({"agent_test_mark", "old"});
    env.push_back({"AGENT_TEST_MARK", "new \u00e9"});
    for (const auto& row : kArgumentRows) {
        std::vector<std::string> argv = row;
        argv[0] = self_path();
        EXPECT_EQ(replace_process(self_path(), argv, env), 7);
        std::vector<std::string> want(row.begin() + 1, row.end());
        want.push_back("new \u00e9");
        want.push_back("unset");
        EXPECT_EQ(split_nul(read("out")), want);
    }
}

TEST_F(WindowsExec, LooksUpAsTheHostAndRunsBatchPrograms) {
    const kit::EnvScope pathext("PATHEXT", ".COM;.EXE;.BAT;.CMD");
    file("a/claude", "not a program");
    folder("b/claude.exe");
    file("c/claude.CMD", "@exit /b 5\r\n");
    file("d/claude.exe", "");
    const std::string path = at("a") + ";" + at("b") + ";" + at("c") + ";" + at("d");
    EXPECT_EQ(find_program("claude", path), at("c") + "\\claude.CMD");
    EXPECT_EQ(find_program("claude", at("a") + ";" + at("b")), std::nullopt);
    EXPECT_EQ(find_program("claude", ""), std::nullopt);
    {
        const kit::EnvScope only_exe("PATHEXT", ".EXE");
        EXPECT_EQ(find_program("claude", path), at("d") + "\\claude.EXE");  // spelled as PATHEXT has it
    }
    {
        const kit::FolderScope here(at("d"));
        ASSERT_TRUE(here.ok());
        EXPECT_EQ(find_program("claude", at("c")), ".\\claude.EXE");  // the current folder first
    }
    // The PATH of the given environment counts, spelled in any case; a batch program runs
    // through the command interpreter and its status comes back.
    Environment env = agent::process::current_environment();
    env.push_back({"pAtH", at("a") + ";" + at("c")});
    EXPECT_EQ(replace_process("claude", {"claude", "-p", "x"}, env), 5);
    env.push_back({"PATH", at("a")});
    try {
        replace_process("claude", {"claude"}, env);
        ADD_FAILURE() << "no program should have run";
    } catch (const core::OsError& e) {
        EXPECT_EQ(e.err, ENOENT);
    }
}

// A batch program gets '%' and the interpreter's special characters as given.
TEST_F(WindowsExec, BatchArgumentsArriveAsGiven) {
    file("bin/w.cmd", "@echo off\r\n>\"%~2\" echo %1\r\n");
    const std::string arg = "100%PATH% a&b|c<d>e^f";
    Environment env = agent::process::current_environment();
    EXPECT_EQ(replace_process(at("bin/w.cmd"), {"w", arg, at("out")}, env), 0);
    const std::string got = read("out");
    if (kit::wine() && got.find("%PATH%") == std::string::npos)
        GTEST_SKIP() << "Wine's command interpreter expands %PATH% behind the escape that stops the system's: " << got;
    EXPECT_EQ(got, "\"" + arg + "\"\r\n");
}

// Ctrl-C reaches the child through the console they share; this process lets it pass
// while the child runs and reports the child's status.
TEST_F(WindowsExec, CtrlCIsTheChildsToAnswer) {
    const bool allocated = AllocConsole() != 0;
    if (!allocated && GetLastError() != ERROR_ACCESS_DENIED)  // that one: a console is there
        GTEST_SKIP() << "no console to send Ctrl-C in: error " << GetLastError();
    // Should the event reach this process only after the hand-over has ended, this
    // handler, below the hand-over's own, keeps the test alive.
    SetConsoleCtrlHandler(ignore_ctrl_c, TRUE);
    Environment env = agent::process::current_environment();
    env.push_back({"AGENT_TEST_CHILD", "ctrl-c"});
    env.push_back({"AGENT_TEST_OUT", at("ready")});
    // Sent only once the child waits for it: after the child, this process would take it.
    std::thread sender([&] {
        for (int i = 0; i < 160; ++i, Sleep(50))
            if (read("ready") == "ready") {
                Sleep(100);
                GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0);
                return;
            }
    });
    const int status = replace_process(self_path(), {self_path()}, env);
    sender.join();
    Sleep(500);
    SetConsoleCtrlHandler(ignore_ctrl_c, FALSE);
    if (allocated) FreeConsole();
    if (status == 99) GTEST_SKIP() << "console: no Ctrl-C reached the child within 10 s (Wine sends none here)";
    EXPECT_EQ(status, 42);
}

}  // namespace

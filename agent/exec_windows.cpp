// Process calls on Windows, where a process cannot be replaced: the program is started
// in the same console with the same standard handles, waited for, and its exit status
// handed back. Ctrl-C and Ctrl-Break reach the program from the console itself; while it
// runs this process lets them pass, so that it outlives the program and reports its
// status.
#ifdef _WIN32

#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cwchar>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "agent/exec.hpp"
#include "core/errors.hpp"
#include "core/fs.hpp"
#include "core/wide.hpp"

namespace agent::process {

namespace {

// An existing entry that is no folder.
bool program_file(const std::string& path) { return core::fs::exists(path) && !core::fs::is_dir(path); }

std::optional<std::string> first_program(const std::vector<std::string>& files) {
    for (const std::string& f : files)
        if (program_file(f)) return f;
    return std::nullopt;
}

std::string own_variable(const wchar_t* name) {
    const wchar_t* v = ::_wgetenv(name);
    return v ? core::wide::to_text(v) : std::string();
}

// The command interpreter that runs batch programs: COMSPEC, else the system's own.
std::string command_interpreter() {
    std::string spec = own_variable(L"COMSPEC");
    if (!spec.empty()) return spec;
    wchar_t dir[MAX_PATH];
    const UINT n = ::GetSystemDirectoryW(dir, MAX_PATH);
    return (n && n < MAX_PATH ? core::wide::to_text(std::wstring_view(dir, n)) : std::string("C:\\Windows\\System32")) +
           "\\cmd.exe";
}

// The host's errno for what CreateProcessW reported.
int errno_of(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
            return ENOENT;
        case ERROR_BAD_EXE_FORMAT:
        case ERROR_EXE_MACHINE_TYPE_MISMATCH:
        case ERROR_BAD_FORMAT:
            return ENOEXEC;
        case ERROR_FILENAME_EXCED_RANGE:
            return E2BIG;  // the command line is longer than the system takes
        case ERROR_NOT_ENOUGH_MEMORY:
        case ERROR_OUTOFMEMORY:
            return ENOMEM;
        default:
            return EACCES;
    }
}

// Ctrl-C and Ctrl-Break are the running program's to answer: this process takes them as
// handled, so that neither its own handlers nor the default one end it first.
BOOL WINAPI let_program_answer(DWORD event) { return event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT; }

struct ConsoleEventsToProgram {
    ConsoleEventsToProgram() { ::SetConsoleCtrlHandler(let_program_answer, TRUE); }
    ~ConsoleEventsToProgram() { ::SetConsoleCtrlHandler(let_program_answer, FALSE); }
    ConsoleEventsToProgram(const ConsoleEventsToProgram&) = delete;
    ConsoleEventsToProgram& operator=(const ConsoleEventsToProgram&) = delete;
};

}  // namespace

std::optional<std::string> find_program(std::string_view name, std::optional<std::string_view> path_var) {
    return first_program(windows_search_order(name, path_var, own_variable(L"PATHEXT")));
}

Environment current_environment() {
    Environment out;
    wchar_t* block = ::GetEnvironmentStringsW();
    if (!block) return out;
    for (const wchar_t* e = block; *e; e += std::wcslen(e) + 1) {
        const std::wstring_view entry = e;
        // Entries such as "=C:=C:\\" name the drives' current directories: not variables.
        const std::size_t eq = entry.find(L'=', 1);
        if (entry.front() == L'=' || eq == std::wstring_view::npos) continue;
        out.emplace_back(core::wide::to_text(entry.substr(0, eq)), core::wide::to_text(entry.substr(eq + 1)));
    }
    ::FreeEnvironmentStringsW(block);
    return out;
}

int replace_process(std::string_view program, const std::vector<std::string>& argv, const Environment& env) {
    check_handover(argv, env);
    // A program named with a folder is that file (with the runtime's endings when it has
    // none); a bare name is searched on the PATH of `env` with its PATHEXT.
    const std::vector<std::string> files =
        windows_names_folder(program)
            ? windows_program_files(program)
            : windows_search_order(program, env_value(env, "PATH"), env_value(env, "PATHEXT").value_or(""));
    const auto file = first_program(files);
    if (!file) throw core::OsError(ENOENT, std::string(program));

    std::wstring application, command;
    if (windows_is_batch(*file)) {
        const std::string interpreter = command_interpreter();
        application = core::wide::from_text(interpreter);
        command = core::wide::from_text(windows_batch_command_line(interpreter, *file, argv));
    } else {
        application = core::wide::from_text(*file);
        command = core::wide::from_text(windows_command_line(argv));
    }
    std::wstring block = core::wide::from_text(windows_environment_block(env));

    std::fflush(nullptr);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    const ConsoleEventsToProgram events;
    if (!::CreateProcessW(application.c_str(), command.data(), nullptr, nullptr, TRUE, CREATE_UNICODE_ENVIRONMENT,
                          block.data(), nullptr, &si, &pi))
        throw core::OsError(errno_of(::GetLastError()), *file);
    ::CloseHandle(pi.hThread);
    ::WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD status = 1;
    ::GetExitCodeProcess(pi.hProcess, &status);
    ::CloseHandle(pi.hProcess);
    return static_cast<int>(status);
}

}  // namespace agent::process

#endif

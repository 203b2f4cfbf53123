// Process calls on Windows, where a process cannot be replaced: the program is started
// with the same standard handles, waited for, and its exit status handed back.
#ifdef _WIN32

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "agent/exec.hpp"
#include "core/errors.hpp"
#include "core/fs.hpp"
#include "core/paths.hpp"
#include "core/text.hpp"
#include "core/wide.hpp"

namespace agent::process {

namespace {

// shutil.which on Windows: the current directory first, then each entry of the search
// path, each name tried bare and with every ending of PATHEXT.
std::optional<std::string> lookup(std::string_view name, std::string_view path_value, std::string_view pathext) {
    std::vector<std::string_view> exts{""};
    for (std::string_view e : core::split_sep(pathext, ";")) exts.push_back(e);
    std::optional<std::string> found;
    const std::string value = "." + std::string(core::paths::SEARCH_PATH_SEP) + std::string(path_value);
    core::paths::search_path(value, name, [&](std::string_view dir, const std::string&) {
        if (dir.empty()) return false;
        for (std::string_view ext : exts) {
            const std::string candidate = core::paths::join(dir, std::string(name) + std::string(ext));
            if (core::fs::exists(candidate) && !core::fs::is_dir(candidate)) {
                found = candidate;
                return true;
            }
        }
        return false;
    });
    return found;
}

std::string variable(const wchar_t* name) {
    const wchar_t* v = ::_wgetenv(name);
    return v ? core::wide::to_text(v) : std::string();
}

}  // namespace

std::optional<std::string> find_program(std::string_view name, std::optional<std::string_view> path_var) {
    const std::string value = path_var ? std::string(*path_var) : std::string();
    if (path_var && value.empty()) return std::nullopt;
    return lookup(name, value, variable(L"PATHEXT").empty() ? ".COM;.EXE;.BAT;.CMD" : variable(L"PATHEXT"));
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
    std::string path_value, pathext = ".COM;.EXE;.BAT;.CMD";
    std::wstring block;
    for (const auto& [k, v] : env) {
        if (core::upper(k) == "PATH") path_value = v;
        if (core::upper(k) == "PATHEXT") pathext = v;
        block += core::wide::from_text(k + "=" + v);
        block += L'\0';
    }
    block += L'\0';
    const auto file = lookup(program, path_value, pathext);
    if (!file) throw core::OsError(ENOENT, std::string(program));
    std::wstring command = core::wide::from_text(windows_command_line(argv));
    std::fflush(nullptr);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessW(core::wide::from_text(*file).c_str(), command.data(), nullptr, nullptr, TRUE,
                          CREATE_UNICODE_ENVIRONMENT, block.data(), nullptr, &si, &pi))
        throw core::OsError(EACCES, *file);
    ::CloseHandle(pi.hThread);
    ::WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD status = 1;
    ::GetExitCodeProcess(pi.hProcess, &status);
    ::CloseHandle(pi.hProcess);
    return static_cast<int>(status);
}

}  // namespace agent::process

#endif

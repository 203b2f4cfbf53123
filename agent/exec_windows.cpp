// Process calls on Windows, where a process cannot be replaced: the program is started
// with the same standard handles, waited for, and its exit status handed back.
#ifdef _WIN32

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "agent/exec.hpp"
#include "core/errors.hpp"
#include "core/fs.hpp"
#include "core/paths.hpp"
#include "core/text.hpp"

namespace agent::process {

namespace {

std::wstring wide(std::string_view s) {
    if (s.empty()) return {};
    const int n = ::MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), out.data(), n);
    return out;
}

std::string narrow(std::wstring_view s) {
    if (s.empty()) return {};
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), out.data(), n, nullptr, nullptr);
    return out;
}

std::vector<std::string> split_path(std::string_view value) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (true) {
        const std::size_t k = value.find(';', start);
        out.emplace_back(value.substr(start, k == std::string_view::npos ? std::string_view::npos : k - start));
        if (k == std::string_view::npos) return out;
        start = k + 1;
    }
}

std::optional<std::string> lookup(std::string_view name, std::string_view path_value, std::string_view pathext) {
    std::vector<std::string> dirs{"."};
    for (auto& d : split_path(path_value)) dirs.push_back(d);
    std::vector<std::string> exts{""};
    for (auto& e : split_path(pathext)) exts.push_back(e);
    for (const auto& dir : dirs) {
        if (dir.empty()) continue;
        for (const auto& ext : exts) {
            const std::string candidate = core::paths::join(dir, std::string(name) + ext);
            if (core::fs::exists(candidate) && !core::fs::is_dir(candidate)) return candidate;
        }
    }
    return std::nullopt;
}

std::string variable(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

}  // namespace

std::optional<std::string> find_program(std::string_view name, std::optional<std::string_view> path_var) {
    const std::string value = path_var ? std::string(*path_var) : std::string();
    if (path_var && value.empty()) return std::nullopt;
    return lookup(name, value, variable("PATHEXT").empty() ? ".COM;.EXE;.BAT;.CMD" : variable("PATHEXT"));
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
        out.emplace_back(narrow(entry.substr(0, eq)), narrow(entry.substr(eq + 1)));
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
        block += wide(k + "=" + v);
        block += L'\0';
    }
    block += L'\0';
    const auto file = lookup(program, path_value, pathext);
    if (!file) throw core::OsError(ENOENT, std::string(program));
    std::wstring command = wide(windows_command_line(argv));
    std::fflush(nullptr);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessW(wide(*file).c_str(), command.data(), nullptr, nullptr, TRUE, CREATE_UNICODE_ENVIRONMENT,
                          block.data(), nullptr, &si, &pi))
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

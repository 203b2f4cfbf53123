#include "tests/kit/portable.hpp"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <stdexcept>
#include <system_error>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace kit {

namespace fs = std::filesystem;

#ifdef _WIN32
namespace {

std::wstring wide(const std::string& s) {
    if (s.empty()) return {};
    const int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), out.data(), n);
    return out;
}

std::string narrow(const std::wstring& s) {
    if (s.empty()) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), out.data(), n, nullptr, nullptr);
    return out;
}

// Wine's own exports that name a file on either side; null outside Wine.
using UnixNameFn = char*(__cdecl*)(const wchar_t*);
using DosNameFn = wchar_t*(__cdecl*)(const char*);

UnixNameFn unix_name_fn() {
    static const auto fn = reinterpret_cast<UnixNameFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    return fn;
}

DosNameFn dos_name_fn() {
    static const auto fn = reinterpret_cast<DosNameFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_dos_file_name")));
    return fn;
}

// The Windows name of a Unix path, under Wine.
std::string dos_name(const std::string& unix_path) {
    const DosNameFn fn = dos_name_fn();
    if (!fn) return unix_path;
    wchar_t* w = fn(unix_path.c_str());
    if (!w) return unix_path;
    std::string out = narrow(w);
    HeapFree(GetProcessHeap(), 0, w);
    return out;
}

// One argument quoted for a Unix shell.
std::string sh_quote(const std::string& s) {
    std::string out = "'";
    for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// One argument quoted as CommandLineToArgvW splits it.
std::wstring win_quote(const std::wstring& s) {
    if (!s.empty() && s.find_first_of(L" \t\n\v\"") == std::wstring::npos) return s;
    std::wstring out = L"\"";
    std::size_t slashes = 0;
    for (wchar_t c : s) {
        if (c == L'\\') {
            ++slashes;
            continue;
        }
        out.append(c == L'"' ? slashes * 2 + 1 : slashes, L'\\');
        slashes = 0;
        out += c;
    }
    out.append(slashes * 2, L'\\');
    return out + L"\"";
}

// Under Wine: the build machine's interpreter, started through /bin/sh, which writes its
// output and then its exit status into files of a scratch folder; Wine gives no handle of
// a Unix process to wait on, so the status file is awaited.
HostRun run_host_under_wine(const std::vector<std::string>& args, const std::string& cwd) {
    Scratch box("host_run");
    const std::string out = box / "out", status = box / "status";
    std::string line;
    if (!cwd.empty()) line += "cd " + sh_quote(host_path(cwd)) + " || exit 1; ";
    line += "exec >" + sh_quote(host_path(out)) + "; " + sh_quote(PYTHON_EXECUTABLE);
    for (const auto& a : args) line += " " + sh_quote(a);
    line += "; echo $? >" + sh_quote(host_path(status + ".part")) + " && mv " + sh_quote(host_path(status + ".part")) +
            " " + sh_quote(host_path(status));
    const std::string script = box / "run.sh";
    write_file(script, line + "\n");
    const std::wstring shell = wide(dos_name("/bin/sh"));
    std::wstring cmd = win_quote(L"/bin/sh") + L" " + win_quote(wide(host_path(script)));
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(shell.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return {};
    if (pi.hProcess) CloseHandle(pi.hProcess);
    if (pi.hThread) CloseHandle(pi.hThread);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(10);
    while (!fs::exists(fs_path(status))) {
        if (std::chrono::steady_clock::now() > deadline) return {};
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    HostRun run;
    run.status = std::atoi(read_file(status).c_str());
    run.out = read_file(out);
    return run;
}

HostRun run_host_native(const std::vector<std::string>& args, const std::string& cwd) {
    Scratch box("host_run");
    const std::string out = box / "out";
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE file = CreateFileW(wide(out).c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    std::wstring cmd = win_quote(wide(PYTHON_EXECUTABLE));
    for (const auto& a : args) cmd += L" " + win_quote(wide(a));
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = file;
    si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION pi{};
    const std::wstring wcwd = wide(cwd);
    const BOOL started = CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                        cwd.empty() ? nullptr : wcwd.c_str(), &si, &pi);
    CloseHandle(file);
    if (!started) return {};
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    HostRun run;
    run.status = static_cast<int>(code);
    run.out = read_file(out);
    return run;
}

}  // namespace

bool windows() { return true; }

std::vector<std::pair<std::string, bool>> list_names(const std::string& path) {
    std::vector<std::pair<std::string, bool>> out;
    WIN32_FIND_DATAW found;
    const HANDLE h = FindFirstFileW(wide(join(path, "*")).c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return out;
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        std::error_code ec;
        out.emplace_back(narrow(name), fs::is_directory(fs_path(join(path, narrow(name))), ec));
    } while (FindNextFileW(h, &found));
    FindClose(h);
    return out;
}

bool make_fifo(const std::string&) { return false; }
bool lock_folder(const std::string&) { return false; }
std::optional<unsigned> file_mode(const std::string&) { return std::nullopt; }
std::optional<unsigned> plain_create_mode() { return std::nullopt; }
void unlock_folder(const std::string&) {}

bool wine() {
    static const bool under = GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
    return under;
}

fs::path fs_path(const std::string& utf8) { return fs::path(wide(utf8)); }
std::string text(const fs::path& p) { return narrow(p.wstring()); }

std::string join(const std::string& dir, const std::string& rel) {
    std::string r = rel;
    for (char& c : r)
        if (c == '/') c = '\\';
    if (dir.empty()) return r;
    if (r.empty()) return dir;
    return dir + (dir.back() == '\\' || dir.back() == '/' ? "" : "\\") + r;
}

std::string make_scratch(const std::string& stem) {
    static std::atomic<unsigned> counter{0};
    static const unsigned seed = std::random_device{}();
    std::error_code ec;
    const fs::path base = fs::temp_directory_path(ec);
    if (ec) throw std::runtime_error("no temporary folder: " + ec.message());
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path p = base / fs_path(stem + "_" + std::to_string(GetCurrentProcessId()) + "_" +
                                          std::to_string(seed % 100000) + "_" + std::to_string(counter++));
        if (fs::create_directory(p, ec) && !ec) return text(fs::absolute(p).lexically_normal());
    }
    throw std::runtime_error("no scratch folder could be made under " + text(base));
}

// The wide environment, which the libraries and the host read there.
std::optional<std::string> get_env(const std::string& name) {
    const wchar_t* v = _wgetenv(wide(name).c_str());
    if (!v) return std::nullopt;
    return text(fs::path(v));
}
bool set_env(const std::string& name, const std::string& value) {
    // An empty value removes the variable: Windows keeps no empty one.
    return _wputenv_s(wide(name).c_str(), wide(value).c_str()) == 0;
}
bool unset_env(const std::string& name) { return _wputenv_s(wide(name).c_str(), L"") == 0; }

bool make_link(const std::string& target, const std::string& at) {
    const fs::path link = fs_path(at), to = fs_path(target);
    const fs::path resolved = to.is_absolute() ? to : link.parent_path() / to;
    std::error_code ec;
    if (fs::is_directory(resolved, ec))
        fs::create_directory_symlink(to, link, ec);
    else
        fs::create_symlink(to, link, ec);
    if (ec) return false;
    return fs::is_symlink(fs::symlink_status(link, ec)) && !ec;
}

HostRun run_host(const std::vector<std::string>& args, const std::string& cwd) {
    return wine() ? run_host_under_wine(args, cwd) : run_host_native(args, cwd);
}

std::string host_path(const std::string& path) {
    const UnixNameFn fn = unix_name_fn();
    if (!fn || !fs_path(path).is_absolute()) return path;
    char* u = fn(wide(path).c_str());
    if (!u) return path;
    std::string out = u;
    HeapFree(GetProcessHeap(), 0, u);
    return out;
}

std::string local_path(const std::string& host) {
    return wine() && !host.empty() && host[0] == '/' ? dos_name(host) : host;
}

std::string source_path(const std::string& rel) {
    const std::string top = local_path(SOURCE_DIR);
    return rel.empty() ? top : join(top, rel);
}

#else  // POSIX

bool windows() { return false; }

std::vector<std::pair<std::string, bool>> list_names(const std::string& path) {
    std::vector<std::pair<std::string, bool>> out;
    DIR* d = opendir(path.c_str());
    if (!d) return out;
    while (const dirent* e = readdir(d)) {
        const std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        std::error_code ec;
        out.emplace_back(name, fs::is_directory(join(path, name), ec));
    }
    closedir(d);
    return out;
}

std::optional<unsigned> file_mode(const std::string& path) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return std::nullopt;
    return static_cast<unsigned>(st.st_mode & 07777);
}
std::optional<unsigned> plain_create_mode() {
    const mode_t mask = umask(0);
    umask(mask);
    return static_cast<unsigned>(0666 & ~mask);
}

bool make_fifo(const std::string& path) { return mkfifo(path.c_str(), 0644) == 0; }

bool lock_folder(const std::string& path) { return geteuid() != 0 && chmod(path.c_str(), 0) == 0; }
void unlock_folder(const std::string& path) { (void)!chmod(path.c_str(), 0755); }
bool wine() { return false; }

fs::path fs_path(const std::string& utf8) { return fs::path(utf8); }
std::string text(const fs::path& p) { return p.string(); }

std::string join(const std::string& dir, const std::string& rel) {
    if (dir.empty()) return rel;
    if (rel.empty()) return dir;
    return dir + (dir.back() == '/' ? "" : "/") + rel;
}

std::string make_scratch(const std::string& stem) {
    std::string tmpl = "/tmp/" + stem + "_XXXXXX";
    if (!mkdtemp(tmpl.data())) throw std::runtime_error("no scratch folder: " + tmpl);
    char* real = realpath(tmpl.c_str(), nullptr);
    if (!real) return tmpl;
    std::string out = real;
    std::free(real);
    return out;
}

std::optional<std::string> get_env(const std::string& name) {
    const char* v = std::getenv(name.c_str());
    if (!v) return std::nullopt;
    return std::string(v);
}
bool set_env(const std::string& name, const std::string& value) { return setenv(name.c_str(), value.c_str(), 1) == 0; }
bool unset_env(const std::string& name) { return unsetenv(name.c_str()) == 0; }

bool make_link(const std::string& target, const std::string& at) {
    if (symlink(target.c_str(), at.c_str()) != 0) return false;
    std::error_code ec;
    return fs::is_symlink(fs::symlink_status(at, ec)) && !ec;
}

HostRun run_host(const std::vector<std::string>& args, const std::string& cwd) {
    int fds[2];
    if (pipe(fds) != 0) return {};
    std::vector<std::string> argv_text = {PYTHON_EXECUTABLE};
    argv_text.insert(argv_text.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : argv_text) argv.push_back(a.data());
    argv.push_back(nullptr);
    const pid_t child = fork();
    if (child < 0) {
        close(fds[0]);
        close(fds[1]);
        return {};
    }
    if (child == 0) {
        dup2(fds[1], STDOUT_FILENO);
        close(fds[0]);
        close(fds[1]);
        if (!cwd.empty() && chdir(cwd.c_str()) != 0) _exit(127);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(fds[1]);
    HostRun run;
    char buf[65536];
    for (;;) {
        const ssize_t n = read(fds[0], buf, sizeof buf);
        if (n > 0) {
            run.out.append(buf, static_cast<std::size_t>(n));
        } else if (n == 0 || errno != EINTR) {
            break;
        }
    }
    close(fds[0]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

std::string host_path(const std::string& path) { return path; }
std::string local_path(const std::string& host) { return host; }

std::string source_path(const std::string& rel) { return rel.empty() ? SOURCE_DIR : join(SOURCE_DIR, rel); }

#endif

void remove_tree(const std::string& path) {
    fs::path top = fs_path(path);
#ifdef _WIN32
    // In the extended form, which reaches what lies deeper than a plain path's 260
    // characters.
    if (top.is_absolute() && top.native().rfind(L"\\\\", 0) != 0)
        top = fs::path(L"\\\\?\\" + top.lexically_normal().make_preferred().native());
#endif
    std::error_code ec;
    if (fs::remove_all(top, ec) != static_cast<std::uintmax_t>(-1) && !ec) return;
    // Something in it may not be searched or written (a locked folder, a read-only file):
    // open every folder and file to its owner, links not followed, then again.
    fs::permissions(top, fs::perms::owner_all, fs::perm_options::add, ec);
    for (auto it = fs::recursive_directory_iterator(top, fs::directory_options::skip_permission_denied, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        std::error_code ignored;
        if (!it->is_symlink(ignored)) fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    }
    fs::remove_all(top, ec);
}

std::string text_mode(const std::string& text) {
    if (!windows()) return text;
    std::string out;
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

bool write_file(const std::string& path, const std::string& bytes) {
    const fs::path p = fs_path(path);
    std::error_code ec;
    if (p.has_parent_path()) fs::create_directories(p.parent_path(), ec);
    std::ofstream f(p, std::ios::binary);
    f << bytes;
    return static_cast<bool>(f);
}

std::string read_file(const std::string& path) {
    std::ifstream f(fs_path(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

bool make_folders(const std::string& path) {
    std::error_code ec;
    fs::create_directories(fs_path(path), ec);
    return !ec && fs::is_directory(fs_path(path), ec);
}

bool put_env(const std::string& name, const std::optional<std::string>& value) {
    return value ? set_env(name, *value) : unset_env(name);
}

EnvScope::EnvScope(std::string name, const std::optional<std::string>& value)
    : name_(std::move(name)), saved_(get_env(name_)) {
    put_env(name_, value);
}

EnvScope::~EnvScope() { put_env(name_, saved_); }

std::string current_folder() {
    std::error_code ec;
    const fs::path p = fs::current_path(ec);
    return ec ? std::string() : text(p);
}

bool set_current_folder(const std::string& path) {
    std::error_code ec;
    fs::current_path(fs_path(path), ec);
    return !ec;
}

FolderScope::FolderScope(const std::string& path) : saved_(current_folder()), ok_(set_current_folder(path)) {}
FolderScope::~FolderScope() {
    if (ok_) set_current_folder(saved_);
}

bool links_work() {
    static const bool work = [] {
        try {
            Scratch box("links_probe");
            write_file(box / "target", "x");
            return make_link("target", box / "link") && read_file(box / "link") == "x";
        } catch (const std::exception&) {
            return false;
        }
    }();
    return work;
}

}  // namespace kit

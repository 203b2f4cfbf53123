#pragma once
// The suites' one door to the platform: scratch folders, the environment, the current
// folder, links, whole-file reads and writes, and runs of the host interpreter. Every
// suite links it; a test file includes no system header of its own for these.
//
// Paths are UTF-8 text in the platform's own form: on Windows the scratch folder is
// spelled with backslashes and `join` turns the forward slashes of a relative name into
// backslashes, as a user there writes them.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kit {

// The reason a test that needs a link is skipped where the platform makes none.
inline constexpr const char* kNoLinks = "links: this platform did not create the link";

// True on Windows (under Wine as well).
bool windows();
// True when the program runs under Wine.
bool wine();

// A std::filesystem path from UTF-8 text, and back.
std::filesystem::path fs_path(const std::string& utf8);
std::string text(const std::filesystem::path& p);

// `dir` and the relative name `rel` (forward slashes) joined with the platform's separator.
std::string join(const std::string& dir, const std::string& rel);

// A new, empty folder whose name starts with `stem`, absolute and with links resolved.
// Throws std::runtime_error when none can be made.
std::string make_scratch(const std::string& stem);
// Removes `path` and everything under it, whatever the modes or attributes; no error.
void remove_tree(const std::string& path);

// A scratch folder for the life of the object.
class Scratch {
public:
    explicit Scratch(const std::string& stem = "kit") : path_(make_scratch(stem)) {}
    ~Scratch() { remove_tree(path_); }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& rel) const { return join(path_, rel); }

private:
    std::string path_;
};

// `text` as the platform's text mode writes it: each line feed a carriage return and a
// line feed on Windows, unchanged elsewhere.
std::string text_mode(const std::string& text);

// Writes `bytes` at `path` (binary), creating its missing folders. False on failure.
bool write_file(const std::string& path, const std::string& bytes);
// The bytes at `path`, empty when it cannot be read.
std::string read_file(const std::string& path);
// The names in the folder at `path` ("." and ".." left out), each with whether it is a
// folder (links followed), in the order the platform's own listing gives them
// (FindFirstFileW on Windows, readdir elsewhere); empty when it cannot be listed.
std::vector<std::pair<std::string, bool>> list_names(const std::string& path);
// Creates the folder and its missing ancestors. False on failure.
bool make_folders(const std::string& path);

// Makes a FIFO at `path` where the platform has them; false when none was made.
bool make_fifo(const std::string& path);

// Takes every right away from the folder at `path` where the platform has such modes and
// they bind this process (not root); false when nothing was done. unlock_folder undoes it.
bool lock_folder(const std::string& path);
void unlock_folder(const std::string& path);

// The permission bits (07777) of the file at `path` and those a plain create gives (0666
// with the creation mask applied), where files have modes; none on Windows.
std::optional<unsigned> file_mode(const std::string& path);
std::optional<unsigned> plain_create_mode();

// The environment as the libraries see it, host text (UTF-8): on Windows its wide form.
// There an empty value removes the variable.
std::optional<std::string> get_env(const std::string& name);
bool set_env(const std::string& name, const std::string& value);
bool unset_env(const std::string& name);
// set_env with a value, unset_env without one.
bool put_env(const std::string& name, const std::optional<std::string>& value);

// A variable set (or removed, with no value) for the life of the object, then restored.
class EnvScope {
public:
    EnvScope(std::string name, const std::optional<std::string>& value);
    ~EnvScope();
    EnvScope(const EnvScope&) = delete;
    EnvScope& operator=(const EnvScope&) = delete;

private:
    std::string name_;
    std::optional<std::string> saved_;
};

// The current folder.
std::string current_folder();
bool set_current_folder(const std::string& path);

// Enters `path` for the life of the object, then goes back. ok() tells whether it entered.
class FolderScope {
public:
    explicit FolderScope(const std::string& path);
    ~FolderScope();
    FolderScope(const FolderScope&) = delete;
    FolderScope& operator=(const FolderScope&) = delete;
    bool ok() const { return ok_; }

private:
    std::string saved_;
    bool ok_;
};

// Makes a symbolic link at `at` holding `target` and tells whether the platform really
// made one (looked at afterwards: some report success and make nothing).
bool make_link(const std::string& target, const std::string& at);
// Whether this platform makes links at all, found once by making one and looking.
bool links_work();

// The host interpreter's answer: its exit status (-1 when it could not be started or did
// not end normally) and what it wrote to its standard output.
struct HostRun {
    int status = -1;
    std::string out;
};
// Runs the host interpreter with `args` (in `cwd`, when given) and captures its output.
// Arguments that name files must go through host_path(). Under Wine the interpreter is
// the build machine's own: it is started through the Unix shell, its output and exit
// status come back through files, and the run is awaited by looking for the status file.
HostRun run_host(const std::vector<std::string>& args, const std::string& cwd = "");
// `path` as the host interpreter names it: the same text, but under Wine the Unix name
// of the file. A relative name is left as it is (the interpreter runs in the same folder).
std::string host_path(const std::string& path);
// The inverse: a path the host interpreter gave, as this program names it (under Wine
// the Windows name of an absolute Unix path; any other text as it is).
std::string local_path(const std::string& host);
// A path of the source tree (`rel` relative to its top), as this program names it.
std::string source_path(const std::string& rel = "");

}  // namespace kit

// Skips the test where the platform does not make links; placed first in a test that
// lays out links, so that no other check of it runs and counts.
#define KIT_SKIP_WITHOUT_LINKS()                                   \
    do {                                                           \
        if (!::kit::links_work()) GTEST_SKIP() << ::kit::kNoLinks; \
    } while (0)

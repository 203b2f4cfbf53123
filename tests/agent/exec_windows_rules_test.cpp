// The Windows rules of the hand-over, on every platform: the program search against the
// host's own shutil.which run with its Windows branch, the C runtime's endings for a
// program named by path, batch command lines, and environment names in either case.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "agent/exec.hpp"
#include "agent/launch.hpp"
#include "tests/core/host_script.hpp"

namespace {

using namespace agent::process;
using Files = std::vector<std::string>;

// The interpreter's shutil.which, its own code, run as on Windows: ntpath for os.path,
// ';' between entries, the given PATHEXT, sys.platform "win32"; every file it tests is
// recorded and none is there, so the record is its whole order.
constexpr const char* kWhichOnWindows = R"py(import json, ntpath, os, shutil, sys, types
rows = json.load(open(sys.argv[1], encoding="utf-8"))
out = []
for name, path, pathext in rows:
    tried = []
    fake_os = types.SimpleNamespace(
        path=ntpath, pathsep=";", curdir=".", defpath=ntpath.defpath, F_OK=os.F_OK, X_OK=os.X_OK,
        fsencode=os.fsencode, fsdecode=os.fsdecode, environ={},
        getenv=lambda key, default=None, v=pathext: (v if key == "PATHEXT" and v is not None else default))
    g = dict(shutil.__dict__, os=fake_os, sys=types.SimpleNamespace(platform="win32"),
             _access_check=lambda fn, mode: tried.append(fn) and False)
    which = types.FunctionType(shutil.which.__code__, g, "which", shutil.which.__defaults__)
    assert which(name, path=path) is None
    out.append(tried)
json.dump(out, open(sys.argv[2], "w", encoding="utf-8"))
)py";

TEST(WindowsSearchOrder, TriesTheFilesTheHostTriesInItsOrder) {
    const std::vector<std::string> names{"claude",      "claude.EXE", "Claude.Cmd", "claude.",  "x.y.exe",
                                         "dir\\claude", "a/claude",   "C:claude",   "caf\u00e9"};
    const std::vector<std::optional<std::string>> paths{std::nullopt,
                                                        "",
                                                        ";",
                                                        ".",
                                                        "C:\\bin;.;D:\\x",
                                                        "C:\\a;c:/A;C:\\A\\;C:\\a",
                                                        "\\\\srv\\share;\\\\srv\\share\\d;//srv/share/",
                                                        "\\\\?\\UNC\\srv\\sh;\\\\?\\C:\\x;\\\\.\\dev",
                                                        "C:;D:rel;rel\\sub;;",
                                                        ".;.\\;A;a",
                                                        "C:\\\u00dcn\u00ef;c:\\\u00fcn\u00cf"};
    const std::vector<std::string> pathexts{"", ".COM;.EXE", ";;", ".exe;.EXE;.cmd", ".Py;.X.Y", ".\u00c9XE"};
    nlohmann::json rows = nlohmann::json::array();
    for (const auto& n : names)
        for (const auto& p : paths)
            for (const auto& e : pathexts)
                rows.push_back({n, p ? nlohmann::json(*p) : nlohmann::json(nullptr),
                                e.empty() ? nlohmann::json(nullptr) : nlohmann::json(e)});
    const nlohmann::json host = host_script::run_host_script(kWhichOnWindows, rows);
    ASSERT_EQ(host.size(), rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const std::string name = rows[i][0];
        const std::optional<std::string> path =
            rows[i][1].is_null() ? std::nullopt : std::optional<std::string>(rows[i][1].get<std::string>());
        const std::string pathext = rows[i][2].is_null() ? "" : rows[i][2].get<std::string>();
        EXPECT_EQ(windows_search_order(name, path, pathext), host[i].get<Files>()) << rows[i].dump();
    }
}

TEST(WindowsProgramFiles, TheRuntimesEndingsForANameWithout) {
    EXPECT_EQ(windows_program_files("C:\\m\\bin\\wendle"), (Files{"C:\\m\\bin\\wendle.com", "C:\\m\\bin\\wendle.exe",
                                                                  "C:\\m\\bin\\wendle.bat", "C:\\m\\bin\\wendle.cmd"}));
    EXPECT_EQ(windows_program_files("C:\\m.d\\wendle").size(), 4u);  // a dot in a folder is no ending
    EXPECT_EQ(windows_program_files("C:\\m\\wendle.py"), Files{"C:\\m\\wendle.py"});
    EXPECT_EQ(windows_program_files("wendle.EXE"), Files{"wendle.EXE"});
    for (const char* f : {"a.bat", "C:\\x\\A.CMD", "b.Cmd"}) EXPECT_TRUE(windows_is_batch(f)) << f;
    for (const char* f : {"a.exe", "C:\\x.cmd\\a", "bat", "a.cmdx"}) EXPECT_FALSE(windows_is_batch(f)) << f;
    for (const char* n : {"a\\b", "a/b", "C:x", "\\\\s\\h\\x"}) EXPECT_TRUE(windows_names_folder(n)) << n;
    for (const char* n : {"claude", "claude.exe", ".x", "a:"}) EXPECT_EQ(windows_names_folder(n), n[1] == ':') << n;
}

// The interpreter ends its command at a line break and expands %NAME% even inside quotes:
// arguments are quoted for it, a '%' reaches the program as itself, a line break is refused.
TEST(WindowsBatchCommandLine, QuotedForTheInterpreter) {
    const std::string cmd = "C:\\Windows\\System32\\cmd.exe";
    EXPECT_EQ(windows_batch_command_line(cmd, "C:\\p q\\w.cmd", {"w", "C:\\root", "a b", "", "x\\"}),
              cmd + " /e:ON /v:OFF /d /c \"\"C:\\p q\\w.cmd\" C:\\root \"a b\" \"\" \"x\\\\\"\"");
    EXPECT_EQ(windows_batch_command_line(cmd, "w.bat", {"w", "say \"hi\"\\", "100%PATH%", "a&b|c^"}),
              cmd + " /e:ON /v:OFF /d /c \"\"w.bat\" \"say \"\"hi\"\"\\\\\" \"100%%cd:~,%PATH%%cd:~,%\" \"a&b|c^\"\"");
    EXPECT_THROW(windows_batch_command_line(cmd, "w.cmd", {"w", "two\nlines"}), std::invalid_argument);
    EXPECT_THROW(windows_batch_command_line(cmd, "w.cmd", {"w", "cr\r"}), std::invalid_argument);
    EXPECT_THROW(windows_batch_command_line(cmd, "bad\".cmd", {"w"}), std::invalid_argument);
}

TEST(WindowsEnvironment, NamesInEitherCaseAreOneVariable) {
    const Environment env{{"Path", "C:\\a"}, {"HOME", "h"}, {"PATH", "C:\\b"}, {"claudecode", "1"}, {"b", "x"}};
    EXPECT_EQ(env_value(env, "PATH", true), "C:\\b");
    EXPECT_EQ(env_value(env, "path", true), "C:\\b");
    EXPECT_EQ(env_value(env, "Path", false), "C:\\a");
    EXPECT_EQ(env_value(env, "path", false), std::nullopt);
    // The last spelling given wins; the block is sorted by the upper-cased names.
    using namespace std::string_literals;
    EXPECT_EQ(windows_environment_block(env), "b=x\0claudecode=1\0HOME=h\0PATH=C:\\b\0\0"s);
    EXPECT_EQ(windows_environment_block({}), "\0\0"s);
    // The agent's session markers go in any case where names fold, only exactly elsewhere.
    const Environment own{{"ClaudeCode", "1"}, {"claude_code_session", "s"}, {"PATH", "p"}};
    EXPECT_EQ(agent::launch::agent_environment(own, true), (Environment{{"PATH", "p"}}));
    EXPECT_EQ(agent::launch::agent_environment(own, false), own);
}

}  // namespace

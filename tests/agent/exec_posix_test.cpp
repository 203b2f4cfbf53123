// The program lookup and the process hand-over on POSIX systems, each in a child process
// where the hand-over happens: the search path walked as the host walks it, no shell
// fall-back, the argument vector and the environment as given.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "agent/exec.hpp"
#include "core/errors.hpp"
#include "core/paths.hpp"
#include "tests/core/scratch_tree.hpp"
#include "tests/kit/portable.hpp"

namespace {

using agent::process::Environment;
using agent::process::find_program;
using agent::process::replace_process;

class Exec : public scratch::Tree {
protected:
    void program(const std::string& rel, const std::string& body, mode_t mode = 0755) {
        file(rel, body);
        ASSERT_EQ(chmod(at(rel).c_str(), mode), 0);
    }
    // Runs the hand-over of `program` in a child, after `before`; the child's exit status,
    // or 100 + errno when the hand-over failed with core::OsError (101 for any other
    // failure).
    int in_child(const std::vector<std::string>& argv, const Environment& env, const std::string& program = "claude",
                 const std::function<void()>& before = {}) {
        const pid_t pid = fork();
        if (pid == 0) {
            if (before) before();
            try {
                replace_process(program, argv, env);
            } catch (const core::OsError& e) {
                _exit(100 + e.err);
            } catch (...) {
            }
            _exit(101);
        }
        int status = 0;
        waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
};

TEST_F(Exec, LookupWalksThePathAsTheHostDoes) {
    program("a/claude", "#!/bin/sh\n", 0644);  // not executable
    folder("b/claude");                        // a directory
    program("c/claude", "#!/bin/sh\n");
    program("d/claude", "#!/bin/sh\n");
    const std::string path = at("a") + ":" + at("b") + ":" + at("c") + "/:" + at("d");
    EXPECT_EQ(find_program("claude", path), at("c") + "/claude");
    EXPECT_EQ(find_program("claude", ""), std::nullopt);
    EXPECT_EQ(find_program("claude", at("a") + ":" + at("b")), std::nullopt);
    EXPECT_EQ(find_program("sh", std::nullopt), "/bin/sh");  // the platform's default path
    char* here = get_current_dir_name();
    const std::string cwd = here;
    free(here);
    ASSERT_EQ(chdir(at("d").c_str()), 0);
    EXPECT_EQ(find_program("claude", ":" + at("a")), "claude");  // an empty entry is the current directory
    ASSERT_EQ(chdir(cwd.c_str()), 0);
}

TEST_F(Exec, HandsOverArgumentsAndEnvironment) {
    // Through /bin/sh itself: with no operands after its command, its $0 is the argument
    // vector's first entry; with operands, $0 and $@ are those.
    link("/bin/sh", "claude");
    const Environment env{{"PATH", at("missing") + ":" + dir + ":/usr/bin:/bin"}, {"ONLY", "caf\u00e9 \"x\"\nline"}};
    EXPECT_EQ(in_child({"claude", "-c", "printf '%s' \"$0\" > " + at("zero")}, env), 0);
    EXPECT_EQ(read("zero"), "claude");
    const std::string script = "printf '%s|' \"$0\" \"$@\" > " + at("out") + "; env >> " + at("out") + "; exit 7";
    EXPECT_EQ(in_child({"claude", "-c", script, "one", "two words", ""}, env), 7);
    const std::string got = read("out");
    EXPECT_EQ(got.rfind("one|two words||", 0), 0u) << got;
    EXPECT_NE(got.find("ONLY=caf\u00e9 \"x\"\nline\n"), std::string::npos) << got;
    EXPECT_EQ(got.find("HOME="), std::string::npos) << got;  // only the environment given
}

TEST_F(Exec, FailuresAsTheHostReportsThem) {
    // No shell fall-back for a file without an interpreter line: the format error wins
    // over the missing entries around it.
    program("plain/claude", "echo ran > " + at("ran") + "\n");
    EXPECT_EQ(in_child({"claude"}, {{"PATH", at("none") + ":" + at("plain") + ":" + at("none2")}}), 100 + ENOEXEC);
    EXPECT_FALSE(scratch::Tree::read("ran").size());
    EXPECT_EQ(in_child({"claude"}, {{"PATH", at("none")}}), 100 + ENOENT);
    program("noexec/claude", "#!/bin/sh\n", 0644);
    program("good/claude", "#!/bin/sh\nexit 3\n");
    EXPECT_EQ(in_child({"claude"}, {{"PATH", at("noexec") + ":" + at("good")}}), 3);
    // The PATH of the given environment counts, not the process's own.
    EXPECT_EQ(in_child({"claude"}, {{"PATH", at("good")}}), 3);
    // A NUL anywhere is refused before any attempt, as the host refuses it, instead of
    // reaching the program with the text cut at the NUL.
    const std::string nul("a\0b", 3);
    for (const auto& [argv, env] : std::vector<std::pair<std::vector<std::string>, Environment>>{
             {{"claude", "-p", nul}, {{"PATH", at("good")}}},
             {{"claude"}, {{"PATH", at("good")}, {"X", nul}}},
             {{"claude"}, {{"PATH", at("good")}, {nul, "x"}}}}) {
        EXPECT_THROW(agent::process::check_handover(argv, env), std::invalid_argument);
        EXPECT_EQ(in_child(argv, env), 101);  // not the program's 3
    }
}

// A program named by its path runs as named, with no search, in this process's own
// environment, and what the C library buffered is out before the hand-over.
TEST_F(Exec, ByPathInTheOwnEnvironmentFlushingFirst) {
    program("bin/wendle", "#!/bin/sh\nprintf '%s|%s' \"$1\" \"$UNIFY_MARK\" >> \"$2\"\n");
    ASSERT_TRUE(kit::set_env("UNIFY_MARK", "caf\xc3\xa9 \xff"));
    const Environment own = agent::process::current_environment();
    kit::unset_env("UNIFY_MARK");
    // An undecodable byte travels as its surrogate escape and back.
    EXPECT_NE(std::find(own.begin(), own.end(),
                        std::pair<std::string, std::string>("UNIFY_MARK", core::paths::fs_decode("caf\xc3\xa9 \xff"))),
              own.end());
    const auto buffered = [&] {
        if (!std::freopen(at("out").c_str(), "w", stdout)) _exit(102);
        std::printf("before|");
    };
    EXPECT_EQ(in_child({at("bin/wendle"), "arg", at("out")}, own, at("bin/wendle"), buffered), 0);
    EXPECT_EQ(read("out"), "before|arg|caf\xc3\xa9 \xff");
}

}  // namespace

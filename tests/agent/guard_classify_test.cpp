// Classification of hook events: the table of tools, the command-start rules of the two
// shell patterns, the operation label and the target paths; the three patterns against
// the host's `re`.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "agent/guard_classify.hpp"
#include "agent/guard_values.hpp"
#include "core/text.hpp"
#include "tests/core/pattern_host.hpp"

namespace {

using agent::guard::Call;
using agent::guard::classify;
using core::Json;

enum Kind { HARMLESS, SOFT, HARD };

struct Case {
    Json event;
    Kind kind;
    std::string label;
    std::vector<std::string> paths;
};

Json bash(const std::string& cmd) { return {{"tool_name", "Bash"}, {"tool_input", {{"command", cmd}}}}; }

TEST(GuardClassify, TableOfCalls) {
    const std::string long_cmd = "rm -rf out/x " + std::string(130, 'a') + " ";
    const std::vector<Case> cases = {
        {{{"tool_name", "Read"}, {"tool_input", {{"file_path", "/work/a.py"}}}}, HARMLESS, "", {}},
        {{{"tool_name", "write"}, {"tool_input", {{"file_path", "/work/a.py"}}}}, HARMLESS, "", {}},
        {{{"tool_name", "Write"}, {"tool_input", {{"file_path", "  /work/a.py \t"}}}}, SOFT, "Write", {"/work/a.py"}},
        {{{"tool_name", "Write"}, {"tool_input", {{"content", "x"}}}}, SOFT, "Write", {}},
        {{{"tool_name", "NotebookEdit"}, {"tool_input", {{"notebook_path", "n.ipynb"}}}},
         SOFT,
         "NotebookEdit",
         {"n.ipynb"}},
        {{{"tool_name", "Edit"}, {"tool_input", {{"file_path", "a"}, {"path", "a"}, {"notebook_path", " "}}}},
         SOFT,
         "Edit",
         {"a", "a"}},
        {{{"tool_name", "Edit"}, {"tool_input", {{"file_path", 7}, {"path", nullptr}, {"notebook_path", "b"}}}},
         SOFT,
         "Edit",
         {"b"}},
        {{{"tool_name", "Edit"}, {"tool_input", Json::array()}}, SOFT, "Edit", {}},
        {{{"tool_name", "Bash"}}, HARMLESS, "", {}},
        {bash("rm -rf build/out"), HARD, "bash: rm -rf build/out", {"build/out"}},
        {bash("rm -rf build"), HARD, "bash: rm -rf build", {}},
        {bash("rm build/a.txt"), SOFT, "bash: rm build/a.txt", {"build/a.txt"}},
        {bash("rm -i build/a.txt"), SOFT, "bash: rm -i build/a.txt", {"build/a.txt"}},
        {bash("echo hi > out/log.txt"), SOFT, "bash: echo hi > out/log.txt", {"out/log.txt"}},
        {bash("echo hi >> out/log.txt"), HARMLESS, "", {}},
        {bash("make 2>&1"), SOFT, "bash: make 2>&1", {}},
        {bash("cd app && rm -rf dist/"), HARD, "bash: cd app && rm -rf dist/", {"dist/"}},
        {bash("git rm -r src/x"), HARMLESS, "", {}},
        {bash("RM -RF dist/x"), HARD, "bash: RM -RF dist/x", {}},
        {bash("  rm -rf dist/x"), HARMLESS, "", {}},
        {bash("echo done\nrm -rf tmp/x"), HARD, "bash: echo done\nrm -rf tmp/x", {"tmp/x"}},
        {bash("find . -name x -delete"), HARD, "bash: find . -name x -delete", {}},
        {bash("truncate -s 0 f"), HARD, "bash: truncate -s 0 f", {}},
        {bash("dd if=/dev/zero of=f"), HARD, "bash: dd if=/dev/zero of=f", {}},
        {bash("mkfs.ext4 /dev/x"), HARD, "bash: mkfs.ext4 /dev/x", {}},
        {bash("shred f"), HARD, "bash: shred f", {}},
        {bash(": > src/app.py"), HARD, "bash: : > src/app.py", {"src/app.py"}},
        {bash("farm x/y; rm -f a/b 'c/d' \"e/f\" -x/y"),
         HARD,
         "bash: farm x/y; rm -f a/b 'c/d' \"e/f\" -x/y",
         {"x/y", "a/b"}},
        {bash(long_cmd), HARD, "bash: " + long_cmd.substr(0, 120), {"out/x"}},
    };
    for (const auto& c : cases) {
        const Call got = classify(c.event);
        EXPECT_EQ(got.is_hard, c.kind == HARD) << c.event.dump();
        EXPECT_EQ(got.is_soft, c.kind == SOFT) << c.event.dump();
        EXPECT_EQ(got.op_label, c.label) << c.event.dump();
        EXPECT_EQ(got.paths, c.paths) << c.event.dump();
    }
}

TEST(GuardClassify, LabelCutsCodePointsThenTrims) {
    const std::string cmd = "rm -rf a/b " + std::string(109, ' ') + "\u00e9\u00e9xyz";
    EXPECT_EQ(classify(bash(cmd)).op_label, "bash: rm -rf a/b");
    const std::string wide = "rm -rf \u00e9/" + std::string(200, 'x');
    const std::string label = classify(bash(wide)).op_label;
    EXPECT_EQ(core::cp_len(label), 6u + 120u);
}

TEST(GuardClassify, ShapesTheGuardCannotReadAreUnusable) {
    using agent::guard::Unusable;
    const std::vector<Json> bad = {
        Json::array({1}),
        "text",
        {{"tool_name", Json::array()}, {"tool_input", {{"file_path", "a"}}}},
        {{"tool_name", "Bash"}, {"tool_input", Json::array({"rm -rf a/b"})}},
        {{"tool_name", "Write"}, {"tool_input", "a.py"}},
        {{"tool_name", "Bash"}, {"tool_input", {{"command", Json::array({"rm"})}}}},
        {{"tool_name", "Bash"}, {"tool_input", {{"command", nullptr}}}},
    };
    for (const auto& e : bad) EXPECT_THROW(classify(e), Unusable) << e.dump();
    // A harmless tool never looks at its arguments.
    EXPECT_FALSE(classify({{"tool_name", "Read"}, {"tool_input", "x"}}).is_soft);
}

TEST(GuardClassify, LoneSurrogatesAreOrdinaryCharacters) {
    // "\ud800" as the JSON reader keeps it: three bytes that are no valid UTF-8.
    const std::string s = "\xed\xa0\x80";
    const Call c = classify(bash("rm -rf a/" + s + "; echo x" + s));
    EXPECT_TRUE(c.is_hard);
    EXPECT_EQ(c.paths, std::vector<std::string>{"a/" + s});
    EXPECT_FALSE(agent::guard::shell_search(agent::guard::hard_bash(), "mkfsx"));
    EXPECT_TRUE(agent::guard::shell_search(agent::guard::hard_bash(), "mkfs" + s));
}

// The three patterns through the host's `re` and through the pattern layer: every span
// the same on the examples and on texts that hold the characters where the two engines'
// defaults part (U+001C..U+001F, U+180E, U+0130, U+0131, U+2028, CR).
TEST(GuardClassify, PatternsAgreeWithTheHost) {
    const std::vector<std::string> subjects = {"rm -rf build/out",
                                               "rm -rf build",
                                               "rm build/a.txt",
                                               "rm -i build/a.txt",
                                               "echo hi > out/log.txt",
                                               "echo hi >> out/log.txt",
                                               "make 2>&1",
                                               "cd app && rm -rf dist/",
                                               "git rm -r src/x",
                                               "RM -RF dist/x",
                                               "  rm -rf dist/x",
                                               "echo done\nrm -rf tmp/x",
                                               "find . -name x -delete",
                                               "truncate -s 0 f",
                                               "dd if=/dev/zero of=f",
                                               "mkfs.ext4 /dev/x",
                                               "shred f",
                                               ": > src/app.py",
                                               "a > >x",
                                               "farm x/y",
                                               "rm\x1c-rf\x1c"
                                               "x/y",
                                               "rm\x1f-rf x/y",
                                               "rm\u180e-rf x/y",
                                               "x;\x1drm -rf a/b",
                                               "f\u0130nd . -delete",
                                               "f\u0131nd . -delete",
                                               "dd \u0130f=/dev/zero",
                                               "dd \u0131f=/dev/zero",
                                               "mkfs\u0130",
                                               "mkfs\u00e9",
                                               "mkfs_x",
                                               "echo a\u2028rm -rf x/y",
                                               "echo a\rrm -rf x/y",
                                               "echo a\nrm -rf x/y\n",
                                               "x\u3000>\u3000a/b",
                                               "rm -f\u00a0a/b",
                                               "echo >\x1c"
                                               "a/b",
                                               "rm -rf -- a/b c/d",
                                               "x >\u180ea/b",
                                               "find .\n-delete",
                                               "SHRED\tf",
                                               "TRUNCATE\x1e",
                                               ":\x1f>\x1fz",
                                               "rm -Rf -rF -fr -r x/y",
                                               "rm -r -r -r -r x/y",
                                               "echo \u00e9 > caf\u00e9/men\u00fc.txt",
                                               "cat a|rm -rf b/c",
                                               "x& rm b/c"};
    nlohmann::json cases = nlohmann::json::array();
    for (const auto& s : subjects) {
        cases.push_back({{"op", "search"},
                         {"pattern", agent::guard::HARD_BASH_PATTERN},
                         {"flags", agent::guard::SHELL_FLAGS},
                         {"subject", s}});
        cases.push_back({{"op", "search"},
                         {"pattern", agent::guard::SOFT_BASH_PATTERN},
                         {"flags", agent::guard::SHELL_FLAGS},
                         {"subject", s}});
        cases.push_back({{"op", "finditer"}, {"pattern", agent::guard::TARGET_PATTERN}, {"subject", s}});
    }
    pattern_host::expect_same_as_host(cases);
}

}  // namespace

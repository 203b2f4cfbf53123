// The launcher's prompt, argument vector, environment and lines on standard error.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "agent/launch.hpp"
#include "agent/launch_text.hpp"
#include "core/text.hpp"

namespace {

using namespace agent::launch;

TEST(Launch, QuestionIsJoinedThenTrimmed) {
    EXPECT_EQ(question({"why ", "is", "it"}), "why  is it");
    EXPECT_EQ(question({" \t", "a\nb", "\u3000"}), "a\nb");
    EXPECT_EQ(question({"  ", "\x1c"}), "");
    EXPECT_EQ(question({}), "");
}

TEST(Launch, PromptPieces) {
    EXPECT_EQ(core::cp_len(QUESTION_SEPARATOR), 22u);
    EXPECT_EQ(core::cp_len(INSTRUCTIONS), 223u);
    EXPECT_EQ(full_prompt("CTX", "say \"hi\"\n\u00e9"),
              "CTX\n\n---\n\nUser question: say \"hi\"\n\u00e9\n\nInstructions: Answer thoroughly using the "
              "pre-loaded context above. Include relevant code snippets in your response when they help explain the "
              "answer. Reference specific file paths and line numbers. Do not edit any files.");
}

TEST(Launch, ArgumentVectorWithEachSwitch) {
    using V = std::vector<std::string>;
    const V fixed{"claude", "-p", "P", "--model", "m"};
    const auto with = [&](V tail) {
        V v = fixed;
        v.insert(v.end(), tail.begin(), tail.end());
        return v;
    };
    EXPECT_EQ(argument_vector("P", {"m"}), fixed);
    EXPECT_EQ(argument_vector("P", {"m", true}), with({"--output-format", "json"}));
    EXPECT_EQ(argument_vector("P", {"m", false, true}), with({"--dangerously-skip-permissions"}));
    EXPECT_EQ(argument_vector("P", {"m", false, false, true}), with({"--no-session-persistence"}));
    EXPECT_EQ(argument_vector("P", {"m", true, true, true}),
              with({"--output-format", "json", "--dangerously-skip-permissions", "--no-session-persistence"}));
}

TEST(Launch, EnvironmentLosesOnlyTheSessionMarkers) {
    const Environment own{
        {"PATH", "/bin"}, {"CLAUDECODE", "1"}, {"claudecode", "x"}, {"CLAUDE_CODE_SESSION", ""}, {"HOME", "/h"}};
    // Names are one variable whatever their case on Windows only.
    EXPECT_EQ(agent_environment(own), agent::process::ENV_NAMES_FOLD_CASE
                                          ? (Environment{{"PATH", "/bin"}, {"HOME", "/h"}})
                                          : (Environment{{"PATH", "/bin"}, {"claudecode", "x"}, {"HOME", "/h"}}));
    const Environment plain{{"A", "1"}, {"B", "2"}};
    EXPECT_EQ(agent_environment(plain), plain);
}

TEST(LaunchText, TimingsRoundTheExactBinaryValue) {
    struct Row {
        double x;
        int decimals;
        const char* text;
    };
    for (const Row& r : {Row{0.04, 1, "0.0"}, Row{12.36, 1, "12.4"}, Row{0.05, 1, "0.1"}, Row{0.25, 1, "0.2"},
                         Row{0.254, 2, "0.25"}, Row{0.125, 2, "0.12"}, Row{0.375, 2, "0.38"}, Row{1234.5, 1, "1234.5"},
                         Row{-0.0, 2, "-0.00"}, Row{2.675, 2, "2.67"}}) {
        EXPECT_EQ(fixed(r.x, r.decimals), r.text) << r.x;
    }
}

TEST(LaunchText, Lines) {
    EXPECT_EQ(usage_lines(),
              "Usage: wendle-claude [OPTIONS] \"your question here\"\nRun wendle-claude --help for full options.\n");
    EXPECT_EQ(root_missing_line("/x/y"), "[wendle] Error: project root does not exist: /x/y\n");
    EXPECT_EQ(graph_error_line("boom"), "[wendle] Error loading graph: boom\n");
    EXPECT_EQ(no_graph_line("/p"), "[wendle] No graph found \u2014 scanning /p ...\n");
    EXPECT_EQ(graph_built_line(12.36, "3", "?"), "[wendle] Graph built in 12.4s: 3 nodes, ? edges\n");
    EXPECT_EQ(packed_line(0.254, "17"), "[wendle] Context packed in 0.25s (~17 tokens)\n");
    EXPECT_EQ(launching_line("opus"), "[wendle] Launching: claude -p ... --model opus\n");
    const std::string missing = missing_agent_lines();
    EXPECT_EQ(missing.rfind("[wendle] Error: 'claude' binary not found in PATH.\n", 0), 0u);
    EXPECT_EQ(core::splitlines(missing).size(), 2u);
}

}  // namespace

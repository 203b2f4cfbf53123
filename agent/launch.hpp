#pragma once
// What the launcher hands the agent's command-line tool: the question, the one prompt
// argument, the argument vector and the environment. Linear in the sizes of the texts.
#include <array>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "agent/exec.hpp"

namespace agent::launch {

inline constexpr std::string_view AGENT_PROGRAM = "claude";
inline constexpr std::string_view QUESTION_SEPARATOR = "\n\n---\n\nUser question: ";
inline constexpr std::string_view INSTRUCTIONS =
    "\n\nInstructions: Answer thoroughly using the pre-loaded context above. Include relevant code snippets in "
    "your response when they help explain the answer. Reference specific file paths and line numbers. Do not "
    "edit any files.";
// Relations handed to retrieval; fixed, no option changes them.
inline constexpr int TOP_EDGES = 40;
// The agent's own session markers: a tool started from inside an agent session must not
// take itself for part of it.
inline constexpr std::array<std::string_view, 2> DROPPED_VARIABLES{"CLAUDECODE", "CLAUDE_CODE_SESSION"};

// The question words joined by single blanks, white space trimmed at both ends.
std::string question(const std::vector<std::string>& words);

// The context, the separator, the question and the instructions, as one text.
std::string full_prompt(std::string_view context, std::string_view question);

struct AgentSwitches {
    std::string model;
    bool json = false;            // --output-format json
    bool no_permissions = false;  // --dangerously-skip-permissions
    bool no_session = false;      // --no-session-persistence
};

// "claude", "-p", the prompt, "--model", the model, then the optional switches in order.
std::vector<std::string> argument_vector(std::string_view prompt, const AgentSwitches& switches);

using Environment = process::Environment;

// The launcher's environment without the agent's session markers, order kept; with
// `fold_case` (the platform's rule) a marker spelled in any case is one.
Environment agent_environment(const Environment& own, bool fold_case = process::ENV_NAMES_FOLD_CASE);

}  // namespace agent::launch

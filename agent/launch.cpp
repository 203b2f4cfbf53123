#include "agent/launch.hpp"

#include <algorithm>

#include "core/text.hpp"

namespace agent::launch {

std::string question(const std::vector<std::string>& words) {
    std::string joined;
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (i) joined += ' ';
        joined += words[i];
    }
    return std::string(core::strip(joined));
}

std::string full_prompt(std::string_view context, std::string_view question) {
    std::string out;
    out.reserve(context.size() + QUESTION_SEPARATOR.size() + question.size() + INSTRUCTIONS.size());
    out.append(context).append(QUESTION_SEPARATOR).append(question).append(INSTRUCTIONS);
    return out;
}

std::vector<std::string> argument_vector(std::string_view prompt, const AgentSwitches& s) {
    std::vector<std::string> argv{std::string(AGENT_PROGRAM), "-p", std::string(prompt), "--model", s.model};
    if (s.json) {
        argv.emplace_back("--output-format");
        argv.emplace_back("json");
    }
    if (s.no_permissions) argv.emplace_back("--dangerously-skip-permissions");
    if (s.no_session) argv.emplace_back("--no-session-persistence");
    return argv;
}

Environment agent_environment(const Environment& own, bool fold_case) {
    Environment out;
    out.reserve(own.size());
    for (const auto& kv : own) {
        const std::string name = fold_case ? core::upper(kv.first) : kv.first;
        const bool dropped =
            std::find(DROPPED_VARIABLES.begin(), DROPPED_VARIABLES.end(), name) != DROPPED_VARIABLES.end();
        if (!dropped) out.push_back(kv);
    }
    return out;
}

}  // namespace agent::launch

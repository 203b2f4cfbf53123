#include "agent/guard_classify.hpp"

#include <algorithm>

#include "agent/guard_values.hpp"
#include "core/text.hpp"

namespace agent::guard {

const std::string_view HARD_BASH_PATTERN =
    R"((?:^|[;&|\n]\s*)rm\s+(?:-[rRf]+\s+){1,3}\S+|(?:^|[;&|\n]\s*)find\s+.+?-delete|(?:^|[;&|\n]\s*):\s*>\s*\S+|(?:^|[;&|\n]\s*)truncate\s|(?:^|[;&|\n]\s*)dd\s+if=/dev/zero|(?:^|[;&|\n]\s*)mkfs\b|(?:^|[;&|\n]\s*)shred\s)";
const std::string_view SOFT_BASH_PATTERN = R"((?<![>])>\s*(?!>)\S+|(?:^|[;&|\n]\s*)rm\s+(?!-[rRf])\S+)";
const std::string_view TARGET_PATTERN = R"((?:rm\s+(?:-\S+\s+)*|(?<![>])>(?!>)\s*)([^\s;&|><"'`\\]+))";

const core::Regex& hard_bash() {
    static const core::Regex re(HARD_BASH_PATTERN, SHELL_FLAGS);
    return re;
}

const core::Regex& soft_bash() {
    static const core::Regex re(SOFT_BASH_PATTERN, SHELL_FLAGS);
    return re;
}

const core::Regex& target_pattern() {
    static const core::Regex re(TARGET_PATTERN);
    return re;
}

namespace {

// Lone surrogates (ED A0..BF xx) are not valid UTF-8 for the engine. In the patterns
// they are plain characters: no white space, no word character, none of the listed
// punctuation. U+E000 (EE 80 80) is all that too and has the same byte length, so the
// match spans over the stand-in are the spans over the original.
std::string engine_text(std::string_view s) {
    std::string out(s);
    for (std::size_t i = 0; i + 2 < out.size(); ++i) {
        const auto b0 = static_cast<unsigned char>(out[i]), b1 = static_cast<unsigned char>(out[i + 1]);
        if (b0 == 0xED && b1 >= 0xA0) {
            out[i] = static_cast<char>(0xEE);
            out[i + 1] = static_cast<char>(0x80);
            out[i + 2] = static_cast<char>(0x80);
            i += 2;
        }
    }
    return out;
}

bool has_surrogate(std::string_view s) {
    for (std::size_t i = 0; i + 1 < s.size(); ++i)
        if (static_cast<unsigned char>(s[i]) == 0xED && static_cast<unsigned char>(s[i + 1]) >= 0xA0) return true;
    return false;
}

const core::Json* member(const core::Json& obj, const char* key) {
    const auto it = obj.find(key);
    return it == obj.end() ? nullptr : &*it;
}

// tool_input.get("command", ""): a command that is no text cannot be searched.
std::string command_of(const core::Json& input) {
    const core::Json* c = member(input, "command");
    if (!c) return "";
    if (!c->is_string()) throw Unusable("command is no text");
    return c->get<std::string>();
}

std::string label_of(std::string_view cmd) {
    return "bash: " + std::string(core::strip(core::cp_prefix(cmd, LABEL_CHARS)));
}

void append_targets(const std::string& tool, const core::Json& input, std::vector<std::string>& out) {
    for (const char* key : {"file_path", "path", "notebook_path"}) {
        const core::Json* v = member(input, key);
        if (!v || !v->is_string()) continue;
        const std::string_view t = core::strip(v->get_ref<const std::string&>());
        if (!t.empty()) out.emplace_back(t);
    }
    if (tool != BASH_TOOL) return;
    const std::string cmd = command_of(input);
    const std::string subject = has_surrogate(cmd) ? engine_text(cmd) : std::string();
    const std::string_view text = subject.empty() ? std::string_view(cmd) : std::string_view(subject);
    target_pattern().for_each(text, [&](const core::Match& m) {
        const std::string_view word = core::strip(std::string_view(cmd).substr(m.start(1), m.end(1) - m.start(1)));
        if (!word.empty() && word.front() != '-' && word.find('/') != std::string_view::npos) out.emplace_back(word);
        return true;
    });
}

}  // namespace

bool shell_search(const core::Regex& re, std::string_view text) {
    if (!has_surrogate(text)) return re.search(text).has_value();
    return re.search(engine_text(text)).has_value();
}

Call classify(const core::Json& event) {
    if (!event.is_object()) throw Unusable("event is no object");
    std::string tool;
    if (const core::Json* t = member(event, "tool_name")) {
        // Only a text can equal a tool name; a list or an object cannot even be looked up.
        if (t->is_array() || t->is_object()) throw Unusable("tool_name is unhashable");
        if (t->is_string()) tool = t->get<std::string>();
    }
    static const core::Json empty = core::Json::object();
    const core::Json* input = member(event, "tool_input");
    if (!input || !truthy(*input)) input = &empty;

    Call call;
    if (std::find(WRITE_TOOLS.begin(), WRITE_TOOLS.end(), tool) != WRITE_TOOLS.end()) {
        call.is_soft = true;
        call.op_label = tool;
    } else if (tool == EDIT_TOOL) {
        call.is_soft = true;
        call.op_label = std::string(EDIT_TOOL);
    } else if (tool == BASH_TOOL) {
        if (!input->is_object()) throw Unusable("tool_input is no object");
        const std::string cmd = command_of(*input);
        if (shell_search(hard_bash(), cmd)) {
            call.is_hard = true;
        } else if (shell_search(soft_bash(), cmd)) {
            call.is_soft = true;
        }
        if (call.is_hard || call.is_soft) call.op_label = label_of(cmd);
    }
    if (!call.is_hard && !call.is_soft) return Call{};
    if (!input->is_object()) throw Unusable("tool_input is no object");
    append_targets(tool, *input, call.paths);
    return call;
}

}  // namespace agent::guard

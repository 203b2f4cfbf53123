#include "agent/guard_run.hpp"

#include <exception>

#include "core/json.hpp"

namespace agent::guard {

bool enabled(std::optional<std::string_view> switch_value) { return !switch_value || *switch_value != "0"; }

Verdict run(std::string_view event_text, std::string_view env_dir, std::int64_t now) {
    try {
        const core::Json event = core::json_loads(event_text, core::Bom::Reject);
        const Call call = classify(event);
        if (!call.is_hard && !call.is_soft) return {};
        if (call.paths.empty() && !call.is_hard) return {};
        return attention_verdict(call, env_dir, now);
    } catch (const std::exception&) {
        return {};
    }
}

}  // namespace agent::guard

#pragma once
// One run of the guard from its inputs to its answer: the enable switch, the hook event
// text, the classification and the verdict. The guard fails open: every input it
// cannot use gives status 0 and no text. Costs one parse of the event (linear in its
// length) and, for a destructive call, the second half's costs.
#include <cstdint>
#include <optional>
#include <string_view>

#include "agent/guard_attention.hpp"

namespace agent::guard {

// KESTIL_HALBERK: only the exact text "0" turns the guard off; unset means "1".
bool enabled(std::optional<std::string_view> switch_value);

// The verdict on one hook event: `event_text` is the whole of standard input as text,
// `env_dir` the value of KESTIL_DATA_DIR ("" when unset), `now` UTC seconds.
Verdict run(std::string_view event_text, std::string_view env_dir, std::int64_t now);

}  // namespace agent::guard

#include "packing/estimate.hpp"

#include <cmath>

#include "core/text.hpp"

namespace packing {

std::int64_t estimate_tokens_of_length(std::size_t code_points) {
    if (code_points == 0) return 0;
    return static_cast<std::int64_t>(std::ceil(static_cast<double>(code_points) / 3.2));
}

std::int64_t estimate_tokens(std::string_view text) { return estimate_tokens_of_length(core::cp_len(text)); }

}  // namespace packing

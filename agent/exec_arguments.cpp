// The hand-over's argument check, the same on every platform.
#include <stdexcept>
#include <string>
#include <vector>

#include "agent/exec.hpp"

namespace agent::process {

void check_handover(const std::vector<std::string>& argv, const Environment& env) {
    const auto holds_nul = [](const std::string& s) { return s.find('\0') != std::string::npos; };
    for (const auto& a : argv)
        if (holds_nul(a)) throw std::invalid_argument("embedded null byte");
    for (const auto& [k, v] : env)
        if (holds_nul(k) || holds_nul(v)) throw std::invalid_argument("embedded null byte");
}

}  // namespace agent::process

// The Windows command-line quoting, apart from the platform files so that it is built and
// tested everywhere.
#include <string>
#include <vector>

#include "agent/exec.hpp"

namespace agent::process {

std::string windows_command_line(const std::vector<std::string>& argv) {
    std::string out;
    for (std::size_t i = 0; i < argv.size(); ++i) {
        const std::string& a = argv[i];
        if (i) out += ' ';
        if (!a.empty() && a.find_first_of(" \t\n\v\"") == std::string::npos) {
            out += a;
            continue;
        }
        out += '"';
        std::size_t slashes = 0;
        for (char c : a) {
            if (c == '\\') {
                ++slashes;
                continue;
            }
            // Backslashes count only before a quote: double them there and escape the quote.
            out.append(c == '"' ? slashes * 2 + 1 : slashes, '\\');
            slashes = 0;
            out += c;
        }
        out.append(slashes * 2, '\\');  // before the closing quote
        out += '"';
    }
    return out;
}

}  // namespace agent::process

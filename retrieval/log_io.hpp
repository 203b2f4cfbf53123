#pragma once
// The one write of the engine's logs: appending a line. Paths are text as the host
// holds file names (undecodable bytes carried as surrogate escapes). One open, write
// and close per call.
#include <string>
#include <string_view>

namespace retrieval {

// Appends `text` in text mode (the platform's line ends) to the file, which is created
// when missing. One write call for the whole text, so concurrent appenders of short
// lines do not interleave. core::OsError on failure.
void append_log_text(const std::string& path, std::string_view text);

}  // namespace retrieval

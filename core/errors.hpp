#pragma once
// Error kinds that the host layer turns into the interpreter's own exception types.
#include <stdexcept>
#include <string>

namespace core {

// An operating-system error on a file (OSError with errno and file name on the host side).
struct OsError : std::runtime_error {
    int err;
    std::string filename;
    OsError(int err_, std::string filename_);
};

// Bytes that the host's strict UTF-8 decoder refuses. The host side decodes `bytes`
// itself, so that UnicodeDecodeError carries the host's own position and reason.
struct DecodeError : std::runtime_error {
    std::string bytes;
    explicit DecodeError(std::string bytes_);
};

// A missing key in a record (KeyError on the host side); what() is the key.
struct KeyError : std::runtime_error {
    explicit KeyError(const std::string& key) : std::runtime_error(key) {}
};

// A value of the wrong type where the host raises TypeError; what() is the host's message.
struct TypeError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A pattern the layer cannot translate or a search that stopped on an engine limit.
struct PatternError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

}  // namespace core

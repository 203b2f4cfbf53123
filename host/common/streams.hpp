#pragma once
// The host's standard streams as the commands write to them: through sys.stdout and
// sys.stderr as they are at the time of the call (a caller that replaced one is obeyed),
// with print's rule for a stream that was closed when the process started (the host
// makes it None): what would go there is dropped.
#include <pybind11/pybind11.h>

#include <string_view>

namespace host {

namespace py = pybind11;

enum class Stream { out, err };

// "stdout" or "stderr": the stream's name in the host's sys module.
const char* stream_name(Stream s);
// sys.stdout or sys.stderr now; None when closed.
py::object stream(Stream s);

// Writes text (UTF-8, lone surrogates allowed) to the stream; nothing when it is None.
void write(Stream s, std::string_view text);
inline void write_stdout(std::string_view text) { write(Stream::out, text); }
inline void write_stderr(std::string_view text) { write(Stream::err, text); }
// Flushes the stream; nothing when it is None.
void flush(Stream s);
// Flushes standard output, then standard error. A process that is replaced or ends
// without the host's exit handlers never writes what they still buffer.
void flush_all();

// Ends the command with `status`: raises the host's SystemExit(status), as sys.exit does.
[[noreturn]] void exit_status(int status);

}  // namespace host

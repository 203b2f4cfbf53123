// The guard as a module and command: its constants, and main(), which reads the hook
// event from standard input and always ends the process with status 0, 1 or 2.
#include <pybind11/pybind11.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "agent/guard_attention.hpp"
#include "agent/guard_classify.hpp"
#include "agent/guard_run.hpp"
#include "core/text.hpp"
#include "host/common/convert.hpp"
#include "host/common/module_init.hpp"
#include "host/common/streams.hpp"

namespace {

namespace py = pybind11;
namespace guard = agent::guard;

// The flags of the host's re.compile(pattern, re.IGNORECASE | re.MULTILINE) for a text
// pattern: IGNORECASE 2, MULTILINE 8 and the implied UNICODE 32.
constexpr int kHostFlags = 2 | 8 | 32;

// A compiled shell pattern: its text and flags, and a search that answers as the host's
// re.search(...).span() does (code-point offsets), or None.
struct ShellPattern {
    const core::Regex* re;
};

py::object span_or_none(const core::Regex& re, const std::string& text) {
    const auto m = re.search(text);
    if (!m) return py::none();
    const std::string_view s(text);
    return py::make_tuple(core::cp_len(s.substr(0, m->start())), core::cp_len(s.substr(0, m->end())));
}

std::string env_or(const char* name, const char* fallback) {
    const char* v = std::getenv(name);
    return v ? v : fallback;
}

// The whole of standard input as strict UTF-8, as the host's own decoder takes it: the
// bytes of the stream's buffer when it has one (so neither the locale's encoding nor its
// error handler decides), else the text of a replaced stream. Undecodable input raises
// UnicodeDecodeError or UnicodeEncodeError, which the caller takes as unreadable.
std::string read_event(py::module_& sys) {
    py::object in = sys.attr("stdin");
    if (py::hasattr(in, "buffer")) {
        py::object text = in.attr("buffer").attr("read")().attr("decode")("utf-8", "strict");
        return host::utf8_lenient(text);
    }
    return py::bytes(in.attr("read")().attr("encode")("utf-8", "strict"));
}

// Writes the warning to one host stream. A stream that cannot take it (closed, a broken
// pipe, a full device) loses the text and is detached from `sys`, so that neither this
// write nor the interpreter's flush at exit changes the verdict.
void write_or_drop(py::module_& sys, host::Stream which, const std::string& text) {
    try {
        host::write(which, text);
        host::flush(which);
    } catch (py::error_already_set& e) {
        if (!e.matches(PyExc_Exception)) throw;
        sys.attr(host::stream_name(which)) = py::none();
    }
}

// Reads the event and answers; every failure of the host's own reading allows the call,
// as a failure of the guard's reasoning does. Once the verdict is known it is the status,
// whatever becomes of the text.
int answer() {
    py::module_ sys = py::module_::import("sys");
    guard::Verdict v;
    try {
        v = guard::run(read_event(sys), env_or("KESTIL_DATA_DIR", ""), std::time(nullptr));
    } catch (py::error_already_set& e) {
        if (!e.matches(PyExc_Exception)) throw;
        return 0;
    } catch (const std::exception&) {
        return 0;
    }
    if (v.status == 0) return 0;
    // The agent shows a blocked call's standard error to the user and drops its
    // standard output, so the warning goes to both.
    write_or_drop(sys, host::Stream::out, v.text + "\n");
    write_or_drop(sys, host::Stream::err, v.text + "\n");
    return v.status;
}

void main_command() {
    const char* on = std::getenv("KESTIL_HALBERK");
    if (!guard::enabled(on ? std::optional<std::string_view>(on) : std::nullopt)) host::exit_status(0);
    host::exit_status(answer());
}

void bind_shell_pattern(py::module_& m) {
    py::class_<ShellPattern>(m, "ShellPattern", "A shell pattern of the guard, compiled once.")
        .def_property_readonly("pattern", [](const ShellPattern& p) { return host::to_str(p.re->pattern()); })
        .def_property_readonly("flags", [](const ShellPattern&) { return kHostFlags; })
        .def(
            "search",
            [](const ShellPattern& p, py::handle text) {
                const std::string s = host::utf8_lenient(text);
                return guard::shell_search(*p.re, s) ? span_or_none(*p.re, s) : py::object(py::none());
            },
            py::arg("string"), "The span of the first match, as (start, end), or None.")
        .def("__repr__", [](const ShellPattern& p) {
            return py::str("re.compile({!r}, re.IGNORECASE|re.MULTILINE)").format(host::to_str(p.re->pattern()));
        });
}

void init_halberk(py::module_& m) {
    host::register_errors();
    // A second import under another name reuses the type the first one registered.
    if (py::detail::get_type_info(typeid(ShellPattern))) {
        m.attr("ShellPattern") = py::type::of<ShellPattern>();
    } else {
        bind_shell_pattern(m);
    }
    py::set write_tools;
    for (auto t : guard::WRITE_TOOLS) write_tools.add(host::to_str(t));
    m.attr("WRITE_TOOLS") = write_tools;
    m.attr("EDIT_TOOL") = host::to_str(guard::EDIT_TOOL);
    m.attr("BASH_TOOL") = host::to_str(guard::BASH_TOOL);
    py::dict weights;
    for (const auto& w : guard::KIND_WEIGHT) weights[host::to_str(w.kind)] = w.weight;
    m.attr("KIND_WEIGHT") = weights;
    m.attr("HARD_BASH") = ShellPattern{&guard::hard_bash()};
    m.attr("SOFT_BASH") = ShellPattern{&guard::soft_bash()};
    m.def("main", &main_command,
          "Reads the hook event on standard input and ends the process: 0 allows the call, 1 warns, 2 blocks.");
}

}  // namespace

TARVELLE_MODULE(halberk, "Pre-tool-use guard: warns about or blocks destructive calls on high-attention files.",
                init_halberk)

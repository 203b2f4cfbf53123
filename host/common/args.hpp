#pragma once
// The bindings' argument checks and the TypeError they raise for a value of the wrong
// kind, in the host's own wording: "<func>() argument '<arg>' must be <kind>, not
// <type>". A check that passes costs a type test; only a failing one builds a message.
#include <pybind11/pybind11.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace host {

namespace py = pybind11;

// TypeError "<subject> must be <kind>, not <type of got>", the type named by its
// tp_name as the host's own argument errors name it.
[[noreturn]] void kind_error(std::string_view subject, std::string_view kind, py::handle got);
// TypeError "<subject> must hold <kind> items, not <type of item>".
[[noreturn]] void item_kind_error(std::string_view subject, std::string_view kind, py::handle item);
// "<func>() argument '<arg>'": the subject of an argument's kind error.
std::string argument(std::string_view func, std::string_view arg);
// kind_error for argument `arg` of `func`.
[[noreturn]] void wrong_kind(py::handle got, const char* func, const char* arg, const char* kind);

// A str argument as UTF-8 (lone surrogates kept).
std::string text_arg(py::handle o, const char* func, const char* arg);
// A list argument of str items, each as UTF-8 (lone surrogates kept).
std::vector<std::string> text_list_arg(py::handle o, const char* func, const char* arg);
// An integer argument: an int (or bool) as is, any other real number truncated the
// host's way; saturated to 64 bits.
std::int64_t int_arg(py::handle o, const char* func, const char* arg);
// A path argument (str, bytes or os.PathLike) as os.fspath gives it, in text form.
std::string path_arg(py::handle o, const char* func, const char* arg);
// Whether a command's resolved `root` is a directory it can list. When it is not (it is
// missing, a file, or unreadable), one line naming it goes to standard error and the
// answer is false: the command then ends with status 1 and writes nothing, where a scan
// would have replaced its output with an empty graph.
bool scan_root_ok(const std::string& root);

}  // namespace host

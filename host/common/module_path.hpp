#pragma once
// The file an extension module was loaded from, found from an address inside it: a
// module's __file__ is not set yet while it loads. The platform files say how
// (module_path_posix.cpp, module_path_windows.cpp).
#include <pybind11/pybind11.h>

namespace host {

namespace py = pybind11;

// The path, as the host's text, of the loaded file that holds `address` (a function of
// the calling module); None when the system cannot tell.
py::object module_file_of(const void* address);

}  // namespace host

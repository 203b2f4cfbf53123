// The module's own file on POSIX systems: the dynamic loader's record of the object that
// holds the address, its name decoded as the host decodes file names.
#ifndef _WIN32

#include "host/common/module_path.hpp"

#include <dlfcn.h>

namespace host {

py::object module_file_of(const void* address) {
    Dl_info info{};
    if (dladdr(address, &info) == 0 || info.dli_fname == nullptr) return py::none();
    return py::module_::import("os").attr("fsdecode")(py::bytes(info.dli_fname));
}

}  // namespace host

#endif  // _WIN32

// The module's own file on Windows: the loaded DLL that holds the address (its reference
// count left alone), and that DLL's full name in UTF-16, grown until it fits, so that a
// name longer than MAX_PATH comes back whole.
#ifdef _WIN32

#include "host/common/module_path.hpp"

#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <string>

namespace host {

py::object module_file_of(const void* address) {
    HMODULE self = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            static_cast<LPCWSTR>(address), &self))
        return py::none();
    std::wstring name(MAX_PATH, L'\0');
    while (true) {
        const DWORD size = static_cast<DWORD>(name.size());
        const DWORD got = GetModuleFileNameW(self, name.data(), size);
        if (got == 0) return py::none();
        // A name that filled the buffer may have been cut: try again with twice the room.
        if (got < size) {
            name.resize(got);
            break;
        }
        if (size >= 32768) return py::none();
        name.resize(std::size_t{size} * 2);
    }
    PyObject* text = PyUnicode_FromWideChar(name.data(), static_cast<Py_ssize_t>(name.size()));
    if (!text) throw py::error_already_set();
    return py::reinterpret_steal<py::object>(text);
}

}  // namespace host

#endif  // _WIN32

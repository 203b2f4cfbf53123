#include "host/common/imports.hpp"

#include <pybind11/eval.h>

#include <string>

namespace host {

py::dict from_import(const char* module, std::initializer_list<const char*> names) {
    std::string code = std::string("from ") + module + " import ";
    bool first = true;
    for (const char* n : names) {
        if (!first) code += ", ";
        code += n;
        first = false;
    }
    py::dict scope;
    scope["__builtins__"] = py::module_::import("builtins");
    py::exec(py::str(code), scope);
    return scope;
}

}  // namespace host

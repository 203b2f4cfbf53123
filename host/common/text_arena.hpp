#pragma once
// Views of host texts for the length of one call, for C++ code that reads texts in place
// instead of copying each into a std::string. A pure-ASCII str is seen in its own
// storage, any other str in its cached UTF-8 (made once, kept by the str); only a str
// holding lone surrogates is converted into the arena. The arena never owns the strs it
// views: they must outlive it, unless handed to keep().
#include <pybind11/pybind11.h>

#include <deque>
#include <string>
#include <string_view>

namespace host {

namespace py = pybind11;

class TextArena {
public:
    // The UTF-8 of a str (lone surrogates kept as 3-byte sequences).
    std::string_view view(PyObject* str);
    // The text form str(value) of any value; for a str, view(value).
    std::string_view text_form(PyObject* value);
    std::string_view text_form(py::handle value) { return text_form(value.ptr()); }
    // Keeps `o` alive as long as the arena, for views into what it holds.
    void keep(py::object o) { keep_.push_back(std::move(o)); }

private:
    std::deque<std::string> store_;
    std::deque<py::object> keep_;
};

}  // namespace host

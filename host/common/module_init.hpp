#pragma once
// Multi-phase module initialisation: the same extension file can be imported under two
// names (tarvelle.X and src.tarvelle.X), each import making a module object of its own,
// as two imports of one source file would.
#include <pybind11/pybind11.h>

#define TARVELLE_MODULE(name, doc, body_fn)                                                                          \
    static int tarvelle_exec_##name(PyObject* self) {                                                                \
        try {                                                                                                        \
            pybind11::module_ m = pybind11::reinterpret_borrow<pybind11::module_>(self);                             \
            body_fn(m);                                                                                              \
            return 0;                                                                                                \
        } catch (pybind11::error_already_set & e) {                                                                  \
            e.restore();                                                                                             \
        } catch (const std::exception& e) {                                                                          \
            PyErr_SetString(PyExc_ImportError, e.what());                                                            \
        }                                                                                                            \
        return -1;                                                                                                   \
    }                                                                                                                \
    static PyModuleDef_Slot tarvelle_slots_##name[] = {{Py_mod_exec, reinterpret_cast<void*>(tarvelle_exec_##name)}, \
                                                       {0, nullptr}};                                                \
    static PyModuleDef tarvelle_def_##name = {PyModuleDef_HEAD_INIT, #name,   doc,     0,      nullptr,              \
                                              tarvelle_slots_##name, nullptr, nullptr, nullptr};                     \
    extern "C" PYBIND11_EXPORT PyObject* PyInit_##name() { return PyModuleDef_Init(&tarvelle_def_##name); }

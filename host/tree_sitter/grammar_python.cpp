// The python grammar module: language() gives the grammar's language handle.
#include "host/tree_sitter/grammar.hpp"

extern "C" const TSLanguage* tree_sitter_python(void);

PYBIND11_MODULE(tree_sitter_python, m) {
    m.doc() = "The tree-sitter python grammar.";
    m.def(
        "language", [] { return host::tree_sitter_bind::handle(tree_sitter_python()); },
        "The grammar's language handle.");
}

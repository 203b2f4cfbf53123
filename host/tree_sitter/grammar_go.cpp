// The go grammar module: language() gives the grammar's language handle.
#include "host/tree_sitter/grammar.hpp"

extern "C" const TSLanguage* tree_sitter_go(void);

PYBIND11_MODULE(tree_sitter_go, m) {
    m.doc() = "The tree-sitter go grammar.";
    m.def(
        "language", [] { return host::tree_sitter_bind::handle(tree_sitter_go()); }, "The grammar's language handle.");
}

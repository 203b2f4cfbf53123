// The javascript grammar module: language() gives the grammar's language handle.
#include "host/tree_sitter/grammar.hpp"

extern "C" const TSLanguage* tree_sitter_javascript(void);

PYBIND11_MODULE(tree_sitter_javascript, m) {
    m.doc() = "The tree-sitter javascript grammar.";
    m.def(
        "language", [] { return host::tree_sitter_bind::handle(tree_sitter_javascript()); },
        "The grammar's language handle.");
}

// The TypeScript grammar module with its two dialects, TypeScript and TSX.
#include "host/tree_sitter/grammar.hpp"

extern "C" const TSLanguage* tree_sitter_typescript(void);
extern "C" const TSLanguage* tree_sitter_tsx(void);

PYBIND11_MODULE(tree_sitter_typescript, m) {
    m.doc() = "The tree-sitter TypeScript grammar: TypeScript and TSX.";
    m.def(
        "language_typescript", [] { return host::tree_sitter_bind::handle(tree_sitter_typescript()); },
        "The TypeScript dialect's language handle.");
    m.def(
        "language_tsx", [] { return host::tree_sitter_bind::handle(tree_sitter_tsx()); },
        "The TSX dialect's language handle.");
}

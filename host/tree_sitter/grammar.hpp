#pragma once
// A grammar module as the host imports it: each entry point returns the grammar's
// language handle, a capsule named "tree_sitter.Language" around the grammar's static
// table, which the runtime module's Language accepts. Costs nothing at import.
#include <pybind11/pybind11.h>

extern "C" {
struct TSLanguage;
}

namespace host::tree_sitter_bind {

// The name of a language handle's capsule: what the runtime module's Language and the
// syntax-tree builder's module accept.
inline constexpr const char* kLanguageCapsule = "tree_sitter.Language";

inline pybind11::capsule handle(const TSLanguage* lang) {
    return pybind11::capsule(const_cast<TSLanguage*>(lang), kLanguageCapsule);
}

}  // namespace host::tree_sitter_bind

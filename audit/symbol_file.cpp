#include "audit/symbol_file.hpp"

namespace audit {

SymbolFile symbol_file(const Json& node) {
    if (const Json* f = find(node, "file")) return {as_text(*f), false};
    // The builders' key is a fallback only: a `path` that is not a text names no file,
    // as a node without `file` names none, rather than failing the whole audit.
    if (const Json* p = find(node, "path"); p && p->is_string()) return {p->get<std::string>(), true};
    return {};
}

}  // namespace audit

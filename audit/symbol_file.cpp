#include "audit/symbol_file.hpp"

namespace audit {

SymbolFile symbol_file(const Json& node) {
    if (const Json* f = find(node, "file")) return {as_text(*f), false};
    if (const Json* p = find(node, "path")) return {as_text(*p), true};
    return {};
}

}  // namespace audit

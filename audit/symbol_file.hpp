#pragma once
// Where a symbol node names its file. Graphs in the auditor's own form carry `file`
// with rows counted from 1; the graph builders of this system write `path` with rows
// counted from 0. `file` wins when present; `path` is read only in its absence, and
// only when it is a text.
// Two key lookups and one copy of the text.
#include <string>

#include "audit/values.hpp"

namespace audit {

struct SymbolFile {
    std::string text;        // the file id ("" when the node names none)
    bool from_path = false;  // taken from `path`: rows count from 0
};

// TypeError when `file` is present but not text.
SymbolFile symbol_file(const Json& node);

}  // namespace audit

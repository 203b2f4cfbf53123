#pragma once
// The structured-summary store of a project (".nimbrel/structured_summaries.json")
// and the two renderings of one summary: the multi-line block and the single line.
// Loading is one read and one parse of the store; a rendering is bounded by the fixed
// caps on entries (8 functions, 5 classes, 6 variables, ...), not by the summary's size.
#include <string>

#include "core/json.hpp"

namespace packing {

using core::Json;

// project root / ".nimbrel" / "structured_summaries.json"
std::string summary_store_path(const std::string& project_root);

struct StoreRead {
    enum class Kind {
        Loaded,   // `value` is the store's top-level map (possibly empty)
        NotUtf8,  // the store is not valid UTF-8; `bytes` holds it for the caller's decoder error
    };
    Kind kind = Kind::Loaded;
    Json value = Json::object();
    std::string bytes;
};

// A missing store, a read error, text that is not JSON and a top level that is not a
// map all give an empty map. A leading byte-order mark is skipped.
StoreRead load_summaries(const std::string& project_root);

// The summary block: description, functions with details, classes, variables, call
// graph and imports, one line each (functions one per line); "" for an empty summary
// or one that is not a map. Values of kinds the format does not name are skipped where
// they stand alone as an entry's body, and printed in their text form where a single
// value is placed into a line.
std::string expand_summary(const Json& summary);

// The description and up to 5 signatures on one line, cut to 300 code points.
std::string condense_summary(const Json& summary);

}  // namespace packing

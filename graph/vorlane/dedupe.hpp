#pragma once
// De-duplication over the files' results in walk order: one file per file id, and the
// first edge of every distinct (from, to, rel). Linear in the results (one hash each).
#include <cstddef>
#include <functional>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "core/records.hpp"
#include "graph/vorlane/file_result.hpp"

namespace vorlane {

// A directory link inside the root lists the files of its target a second time under
// the same ids: the first file of each id stays, the later ones become skipped files.
void drop_repeated_ids(std::vector<FileResult>& results);

// Edges compared by their (from, to, rel), held by address: the results own them.
struct EdgeRefHash {
    std::size_t operator()(const core::Edge* e) const {
        const std::hash<std::string_view> h;
        return (h(e->from) * 31 + h(e->to)) * 31 + h(e->rel);
    }
};
struct EdgeRefEq {
    bool operator()(const core::Edge* a, const core::Edge* b) const { return *a == *b; }
};

// Calls `keep(e)` for every edge whose (from, to, rel) did not occur before, in order.
template <typename Keep>
void for_each_new_edge(const std::vector<FileResult>& results, const Keep& keep) {
    std::unordered_set<const core::Edge*, EdgeRefHash, EdgeRefEq> seen;
    for (const FileResult& r : results)
        for (const core::Edge& e : r.edges)
            if (seen.insert(&e).second) keep(e);
}

}  // namespace vorlane

#include "graph/vorlane/dedupe.hpp"

namespace vorlane {

void drop_repeated_ids(std::vector<FileResult>& results) {
    std::unordered_set<std::string_view> emitted;
    for (FileResult& r : results) {
        if (!r.kept) continue;
        if (!emitted.insert(r.file_id).second) r = FileResult{};
    }
}

}  // namespace vorlane

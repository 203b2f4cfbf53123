#include "graph/kit/file_result.hpp"

namespace graph_kit {

void drop_repeated_ids(std::vector<FileResult>& results) {
    std::unordered_set<std::string_view> emitted;
    for (FileResult& r : results) {
        if (!r.kept) continue;
        if (!emitted.insert(r.file_id).second) r = FileResult{};
    }
}

void rethrow_first_error(const std::vector<FileResult>& results) {
    for (const FileResult& r : results)
        if (r.error) std::rethrow_exception(r.error);
}

}  // namespace graph_kit

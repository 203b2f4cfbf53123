#include "graph/vorlane/analyse_all.hpp"

#include "core/parallel.hpp"
#include "core/paths.hpp"
#include "graph/vorlane/analyse_file.hpp"
#include "graph/vorlane/dedupe.hpp"
#include "graph/vorlane/file_order.hpp"
#include "graph/vorlane/scan_threads.hpp"

namespace vorlane {

std::string resolve_root(const std::vector<std::string>& files, std::string_view root) {
    return files.empty() ? std::string() : core::paths::resolve(root);
}

std::vector<FileResult> analyse_all(const std::vector<std::string>& files, std::string_view root, const Prior& prior,
                                    bool render, const core::StopFlag* stop) {
    std::vector<FileResult> results(files.size());
    const std::string resolved_root = resolve_root(files, root);
    const unsigned threads = scan_threads(files.size());
    if (threads <= 1) {
        for (std::size_t i = 0; i < files.size(); ++i) {
            core::check_stop(stop);
            analyse_file(files[i], resolved_root, prior, render, results[i]);
        }
        drop_repeated_ids(results);
        return results;
    }
    const std::vector<std::size_t> order = largest_first(files, threads);
    core::parallel_for_each(files.size(), threads, [&](std::size_t k) {
        if (stop && stop->requested()) return;
        const std::size_t i = order[k];
        try {
            analyse_file(files[i], resolved_root, prior, render, results[i]);
        } catch (...) {
            results[i].error = std::current_exception();
        }
    });
    core::check_stop(stop);
    drop_repeated_ids(results);
    for (const FileResult& r : results)
        if (r.error) std::rethrow_exception(r.error);
    return results;
}

}  // namespace vorlane

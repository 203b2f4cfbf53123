#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <utility>

#include "core/parallel.hpp"
#include "graph/vorlane/analyse_all.hpp"
#include "graph/vorlane/analyse_file.hpp"
#include "graph/vorlane/dedupe.hpp"
#include "graph/vorlane/file_order.hpp"
#include "graph/vorlane/scan_threads.hpp"

namespace vorlane {

std::vector<FileResult> analyse_all_overlapped(const std::vector<std::string>& files, std::string_view root,
                                               std::future<core::Json>& load, core::Json& loaded, bool render,
                                               const core::StopFlag* stop) {
    std::vector<FileResult> results(files.size());
    const std::string resolved_root = resolve_root(files, root);
    const unsigned threads = scan_threads(files.size());
    Prior prior;
    std::mutex lock;
    std::condition_variable cv;
    bool ready = false;
    std::exception_ptr load_error;
    // The first thread to find the load finished sets the nodes up for all.
    auto poll = [&](bool wait) {
        std::unique_lock<std::mutex> g(lock);
        if (ready) return true;
        if (!wait && load.wait_for(std::chrono::seconds(0)) != std::future_status::ready) return false;
        try {
            loaded = load.get();
            prior = index_prior(loaded);
        } catch (...) {
            load_error = std::current_exception();
        }
        ready = true;
        cv.notify_all();
        return true;
    };
    constexpr std::size_t kKeptBytes = std::size_t{64} << 20;
    std::atomic<std::size_t> kept_bytes{0};
    std::vector<std::pair<std::size_t, FileText>> waiting;
    std::mutex waiting_lock;

    auto second_half = [&](std::size_t i, FileText& t) {
        try {
            analyse_node(prior, render, t, results[i]);
        } catch (...) {
            results[i].error = std::current_exception();
        }
    };
    const std::vector<std::size_t> order = largest_first(files, threads);
    core::parallel_for_each(files.size(), threads, [&](std::size_t k) {
        if (stop && stop->requested()) return;
        const std::size_t i = order[k];
        FileText t;
        try {
            if (!analyse_text(files[i], resolved_root, t, results[i])) return;
        } catch (...) {
            results[i].error = std::current_exception();
            return;
        }
        if (!poll(kept_bytes.load(std::memory_order_relaxed) > kKeptBytes)) {
            kept_bytes += t.content.size();
            std::lock_guard<std::mutex> g(waiting_lock);
            waiting.emplace_back(i, std::move(t));
            return;
        }
        second_half(i, t);
    });
    poll(true);
    core::check_stop(stop);
    if (load_error) std::rethrow_exception(load_error);
    // The files that waited, on as many threads again.
    core::parallel_for_each(waiting.size(), std::min<std::size_t>(threads, std::max<std::size_t>(1, waiting.size())),
                            [&](std::size_t k) {
                                if (!(stop && stop->requested())) second_half(waiting[k].first, waiting[k].second);
                            });
    core::check_stop(stop);
    drop_repeated_ids(results);
    for (const FileResult& r : results)
        if (r.error) std::rethrow_exception(r.error);
    return results;
}

}  // namespace vorlane

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

#include "core/parallel.hpp"
#include "graph/kit/file_result.hpp"
#include "graph/kit/scan_threads.hpp"
#include "graph/vorlane/analyse_all.hpp"
#include "graph/vorlane/analyse_file.hpp"
#include "graph/vorlane/file_order.hpp"

namespace vorlane {

PreviousLoad::PreviousLoad(std::function<core::Json()> load) {
    try {
        thread_ = std::thread([this, load = std::move(load)] { body(load); });
    } catch (const std::system_error&) {
        // No thread to spare: the load happens here, before the walk.
        closing_ = true;
        try {
            value_ = load();
        } catch (...) {
            error_ = std::current_exception();
        }
        loaded_ = true;
    }
}

void PreviousLoad::body(const std::function<core::Json()>& load) {
    core::Json value;
    std::exception_ptr error;
    try {
        value = load();
    } catch (...) {
        error = std::current_exception();
    }
    std::function<void()> work;
    {
        std::unique_lock<std::mutex> g(lock_);
        value_ = std::move(value);
        error_ = error;
        loaded_ = true;
        changed_.notify_all();
        changed_.wait(g, [&] { return work_ || closing_; });
        work = std::move(work_);
    }
    if (work) work();
}

bool PreviousLoad::ready() {
    std::lock_guard<std::mutex> g(lock_);
    return loaded_;
}

core::Json PreviousLoad::get() {
    std::unique_lock<std::mutex> g(lock_);
    changed_.wait(g, [&] { return loaded_; });
    if (error_) std::rethrow_exception(error_);
    return std::move(value_);
}

void PreviousLoad::share(std::function<void()> work) {
    std::lock_guard<std::mutex> g(lock_);
    if (closing_) return;
    work_ = std::move(work);
    changed_.notify_all();
}

void PreviousLoad::finish() {
    {
        std::lock_guard<std::mutex> g(lock_);
        closing_ = true;
        changed_.notify_all();
    }
    if (thread_.joinable()) thread_.join();
}

std::vector<graph_kit::FileResult> analyse_all_overlapped(const std::vector<std::string>& files, std::string_view root,
                                                          PreviousLoad& load, core::Json& loaded, bool render,
                                                          const core::StopFlag* stop) {
    std::vector<graph_kit::FileResult> results(files.size());
    const std::string resolved_root = resolve_root(files, root);
    const unsigned threads = graph_kit::scan_threads(files.size());
    graph_kit::Prior prior;
    std::mutex lock;
    std::condition_variable cv;
    bool ready = false;
    std::exception_ptr load_error;
    // The first thread to find the load finished sets the nodes up for all.
    auto poll = [&](bool wait) {
        std::unique_lock<std::mutex> g(lock);
        if (ready) return true;
        if (!wait && !load.ready()) return false;
        try {
            loaded = load.get();
            prior = graph_kit::index_prior(loaded);
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
    // The loading thread, while it loads, stands in for one of the scan's threads; once
    // done it joins the others in that place.
    unsigned own = threads;
    if (load.ready())
        load.finish();
    else if (threads > 1)
        own = threads - 1;
    const std::vector<std::size_t> order = largest_first(files, own);
    auto first_half = [&](std::size_t k) {
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
    };
    // Every thread takes the next file as it comes free.
    std::atomic<std::size_t> next{0};
    auto work = [&] {
        for (std::size_t k; (k = next.fetch_add(1, std::memory_order_relaxed)) < files.size();) first_half(k);
    };
    if (own < threads) load.share(work);
    core::parallel_for_each(own, own, [&](std::size_t) { work(); });
    load.finish();
    poll(true);
    core::check_stop(stop);
    if (load_error) std::rethrow_exception(load_error);
    // The files that waited, on as many threads again.
    core::parallel_for_each(waiting.size(), std::min<std::size_t>(threads, std::max<std::size_t>(1, waiting.size())),
                            [&](std::size_t k) {
                                if (!(stop && stop->requested())) second_half(waiting[k].first, waiting[k].second);
                            });
    core::check_stop(stop);
    graph_kit::drop_repeated_ids(results);
    graph_kit::rethrow_first_error(results);
    return results;
}

}  // namespace vorlane

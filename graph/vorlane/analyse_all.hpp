#pragma once
// Every listed file analysed into its own result, on the scan's threads, largest file
// first; the results stand in walk order, one file per file id. On one thread the
// first error ends the work at once; on several each error is kept at its file's place
// and the first in walk order is rethrown, so both fail alike. A stop request ends the
// work with core::Stopped between files.
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "core/json.hpp"
#include "core/stop.hpp"
#include "graph/kit/file_result.hpp"
#include "graph/kit/take_over.hpp"

namespace vorlane {

// The root as every file id is taken against it: resolved once per scan (the walk has
// already resolved it, so this cannot fail where the walk did not).
std::string resolve_root(const std::vector<std::string>& files, std::string_view root);

std::vector<graph_kit::FileResult> analyse_all(const std::vector<std::string>& files, std::string_view root,
                                               const graph_kit::Prior& prior, bool render, const core::StopFlag* stop);

// The earlier graph's nodes, made on a thread of its own while the tree is walked and
// its files analysed. Once its load is done the thread can take up a share of the
// analysis itself (share), so that the scan never runs more threads than its budget.
class PreviousLoad {
public:
    // Starts the thread, or loads here when no thread can start.
    explicit PreviousLoad(std::function<core::Json()> load);
    PreviousLoad(const PreviousLoad&) = delete;
    PreviousLoad& operator=(const PreviousLoad&) = delete;
    ~PreviousLoad() { finish(); }

    bool ready();
    // Waits for the load: its nodes, or its exception. Once only.
    core::Json get();
    // Has the thread run `work` once its load is done, unless it has already been
    // finished; `work` must outlive finish().
    void share(std::function<void()> work);
    // Waits for the thread's end, its share of the work included.
    void finish();

private:
    void body(const std::function<core::Json()>& load);

    std::mutex lock_;
    std::condition_variable changed_;
    bool loaded_ = false, closing_ = false;
    core::Json value_;
    std::exception_ptr error_;
    std::function<void()> work_;
    std::thread thread_;
};

// As analyse_all, with the earlier graph's nodes coming from `load` meanwhile (left in
// `loaded`): until they are there, the threads do the first half of each file and keep
// its text; the second halves follow once the nodes are in. The kept texts are bounded:
// past that a thread waits for the nodes instead. The loading thread counts as one of
// the scan's threads and joins the analysis when its load is done.
std::vector<graph_kit::FileResult> analyse_all_overlapped(const std::vector<std::string>& files, std::string_view root,
                                                          PreviousLoad& load, core::Json& loaded, bool render,
                                                          const core::StopFlag* stop);

}  // namespace vorlane

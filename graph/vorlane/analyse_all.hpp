#pragma once
// Every listed file analysed into its own result, on the scan's threads, largest file
// first; the results stand in walk order, one file per file id. On one thread the
// first error ends the work at once; on several each error is kept at its file's place
// and the first in walk order is rethrown, so both fail alike. A stop request ends the
// work with core::Stopped between files.
#include <future>
#include <string>
#include <string_view>
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

// As analyse_all, with the earlier graph's nodes made by `load` on a thread of its own
// meanwhile (left in `loaded`): until they are there, the threads do the first half
// of each file and keep its text; the second halves follow once the nodes are in. The
// kept texts are bounded: past that a thread waits for the nodes instead.
std::vector<graph_kit::FileResult> analyse_all_overlapped(const std::vector<std::string>& files, std::string_view root,
                                                          std::future<core::Json>& load, core::Json& loaded,
                                                          bool render, const core::StopFlag* stop);

}  // namespace vorlane

#include "graph/vorlane/command.hpp"

#include <string>
#include <utility>
#include <vector>

#include "core/fs.hpp"
#include "core/names.hpp"
#include "core/paths.hpp"
#include "graph/kit/earlier_nodes.hpp"
#include "graph/vorlane/scan.hpp"

namespace vorlane::command {

namespace {

namespace paths = core::paths;
using core::Json;

}  // namespace

std::string run(std::string_view root_arg, std::string_view out_arg) { return run(root_arg, out_arg, nullptr); }

std::string run(std::string_view root_arg, std::string_view out_arg, const core::StopFlag* stop) {
    const std::string root = paths::resolve(root_arg);
    const std::string out_path = paths::normalize(out_arg);
    const std::string out_dir = paths::parent(out_path);
    core::fs::make_dirs(out_dir);
    const std::string idx_path = paths::join(out_dir, core::names::SYMBOL_INDEX_FILE);

    // The run's own output is no part of the project, even when it lies inside it:
    // otherwise every run would read the graph of the one before.
    vorlane::ScanLimits limits;
    limits.leave_out = {paths::resolve(out_path), paths::resolve(idx_path)};
    limits.stop = stop;

    // The previous graph is read while the tree is walked and analysed; its nodes are
    // freed once the run is over.
    Json existing;
    const vorlane::GraphText text = vorlane::scan_text(
        root, [&] { return graph_kit::load_file_nodes(out_path, graph_kit::LeadingMark::Reject, stop); }, existing,
        limits);
    core::keep_for_freeing(std::move(existing));
    // A stop requested while the text was assembled still leaves the files untouched.
    core::check_stop(stop);
    core::fs::write_text(out_path, text.graph);
    if (text.index_error) std::rethrow_exception(text.index_error);
    core::fs::write_text(idx_path, text.index);

    std::string lines;
    lines += "Scanned: " + std::to_string(text.file_count) + " files, " + std::to_string(text.symbol_count) +
             " symbols, " + std::to_string(text.edge_count) + " edges\n";
    lines += "Wrote: " + out_path + "\n";
    lines += "Symbol index: " + idx_path + " (" + std::to_string(text.index_count) + " symbols)\n";
    return lines;
}

}  // namespace vorlane::command

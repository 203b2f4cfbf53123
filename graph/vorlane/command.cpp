#include "graph/vorlane/command.hpp"

#include <cerrno>
#include <iterator>
#include <memory>
#include <string>
#include <system_error>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/errors.hpp"
#include "core/fs.hpp"
#include "core/paths.hpp"
#include "core/text.hpp"
#include "graph/kit/file_source.hpp"
#include "graph/kit/json_reads.hpp"
#include "graph/vorlane/scan.hpp"
#include "graph/vorlane/scan_io.hpp"

namespace vorlane::command {

namespace {

namespace paths = core::paths;
using core::Json;

bool is_dir(const std::string& path) { return core::fs::current().stat(path).is_dir(); }

bool exists(const std::string& path) { return core::fs::current().stat(path).ok(); }

}  // namespace

void make_dirs(const std::string& path) {
    const core::fs::FileSystem& fs = core::fs::current();
    int err = fs.make_dir(path);
    if (err == 0) return;
    if (err == ENOENT) {
        const std::string up = paths::parent(path);
        if (up == path) throw core::OsError(err, path);
        make_dirs(up);
        err = fs.make_dir(path);
        if (err == 0) return;
    }
    if (!is_dir(path)) throw core::OsError(err, path);
}

namespace {

// Takes large documents and frees them on threads of their own, so that the caller goes
// on meanwhile (a graph of many nodes takes a while to free); waits for them at its end.
class LateFree {
public:
    LateFree() = default;
    LateFree(const LateFree&) = delete;
    LateFree& operator=(const LateFree&) = delete;
    ~LateFree() {
        for (std::thread& t : threads_) t.join();
    }
    void take(Json&& doc) {
        auto owned = std::make_shared<Json>(std::move(doc));
        try {
            threads_.emplace_back([owned]() mutable { owned.reset(); });
        } catch (const std::system_error&) {
            // No thread to spare: the document is freed here, when `owned` goes.
        }
    }

private:
    std::vector<std::thread> threads_;
};

Json load_existing_nodes(const std::string& out_path, LateFree& late) {
    Json out = Json::object();
    if (!exists(out_path)) return out;
    std::string text;
    if (graph_kit::read_file(out_path, text) != 0 || !core::is_valid_utf8(text)) return out;
    Json old;
    try {
        old = core::json_loads(text, core::Bom::Reject);
    } catch (const std::exception&) {
        return out;
    }
    text = {};
    if (!old.is_object()) return out;
    auto nodes = old.find("nodes");
    // Anything but an array of objects gives nothing to reuse.
    if (nodes == old.end() || !nodes->is_array()) {
        late.take(std::move(old));
        return out;
    }
    // A repeated id keeps its first place and takes the later node; the places are kept
    // aside (the object's own lookup is linear) and the object is made from the members
    // at the end. The nodes are moved out of the document, which is dropped afterwards.
    std::vector<std::pair<std::string, Json>> members;
    std::unordered_map<std::string, std::size_t> place;
    for (Json& n : *nodes) {
        if (!n.is_object()) {
            late.take(std::move(old));
            return Json::object();
        }
        auto kind = n.find("kind");
        if (kind == n.end() || !graph_kit::is_text(*kind, "file")) continue;
        auto id = n.find("id");
        if (id == n.end() || id->is_array() || id->is_object()) {
            late.take(std::move(old));
            return Json::object();
        }
        // An id that is not text names no file.
        if (!id->is_string()) continue;
        auto [it, fresh] = place.try_emplace(id->get<std::string>(), members.size());
        if (fresh)
            members.emplace_back(it->first, std::move(n));
        else
            members[it->second].second = std::move(n);
    }
    out = Json::object_t(std::make_move_iterator(members.begin()), std::make_move_iterator(members.end()));
    late.take(std::move(old));
    return out;
}

}  // namespace

Json load_existing_nodes(const std::string& out_path) {
    LateFree late;
    return load_existing_nodes(out_path, late);
}

std::string run(std::string_view root_arg, std::string_view out_arg) { return run(root_arg, out_arg, nullptr); }

std::string run(std::string_view root_arg, std::string_view out_arg, const core::StopFlag* stop) {
    const std::string root = paths::resolve(root_arg);
    const std::string out_path = paths::normalize(out_arg);
    const std::string out_dir = paths::parent(out_path);
    make_dirs(out_dir);
    const std::string idx_path = paths::join(out_dir, SYMBOL_INDEX_NAME);

    // The run's own output is no part of the project, even when it lies inside it:
    // otherwise every run would read the graph of the one before.
    vorlane::ScanLimits limits;
    limits.leave_out = {paths::resolve(out_path), paths::resolve(idx_path)};
    limits.stop = stop;

    // The previous graph is read while the tree is walked and analysed.
    LateFree late;
    Json existing;
    const vorlane::GraphText text = vorlane::scan_text(
        root, [&] { return load_existing_nodes(out_path, late); }, existing, limits);
    late.take(std::move(existing));
    // A stop requested while the text was assembled still leaves the files untouched.
    core::check_stop(stop);
    write_file(out_path, text.graph);
    if (text.index_error) std::rethrow_exception(text.index_error);
    write_file(idx_path, text.index);

    std::string lines;
    lines += "Scanned: " + std::to_string(text.file_count) + " files, " + std::to_string(text.symbol_count) +
             " symbols, " + std::to_string(text.edge_count) + " edges\n";
    lines += "Wrote: " + out_path + "\n";
    lines += "Symbol index: " + idx_path + " (" + std::to_string(text.index_count) + " symbols)\n";
    return lines;
}

}  // namespace vorlane::command

#include "graph/kit/walker.hpp"

#include <optional>
#include <utility>

#include "core/fs.hpp"
#include "core/paths.hpp"
#include "core/text.hpp"
#include "graph/kit/tables.hpp"

namespace graph_kit {

namespace {

namespace paths = core::paths;
namespace fs = core::fs;

// One directory's entries, read in full before any of them is used.
struct Listing {
    fs::Status self;
    std::vector<std::string> dirs, files;
};

// Lists `path`; nullopt when it cannot be opened or the listing breaks off. With
// `split`, entries that are directories (links followed) go to `dirs`; a failing test
// makes the entry a file name.
std::optional<Listing> list_dir(const std::string& path, bool split) {
    const fs::FileSystem& disk = fs::current();
    std::vector<fs::DirEntry> entries;
    Listing out;
    if (disk.list_dir(path, entries, out.self) != 0) return std::nullopt;
    for (fs::DirEntry& e : entries) {
        bool is_dir = false;
        if (split) {
            if (e.type == fs::Type::Directory)
                is_dir = true;
            else if (e.type == fs::Type::Link || e.type == fs::Type::Unknown)
                is_dir = disk.stat(paths::join(path, e.name)).is_dir();
        }
        (is_dir ? out.dirs : out.files).push_back(std::move(e.name));
    }
    return out;
}

// stat with links followed: 1 when it is a directory, 0 when not (or the host's path
// test would say "no"), -1 on any other operating-system error.
int dir_test(const std::string& path) {
    const fs::Status st = fs::current().stat(path);
    if (st.ok()) return st.is_dir() ? 1 : 0;
    return fs::host_passes_over(st) ? 0 : -1;
}

// A directory holding one of the artefact subdirectories is build output. An error
// while looking into it leaves the question open.
bool is_build_output(const std::string& dir, std::span<const std::string_view> artifact_dirs) {
    const std::optional<Listing> l = list_dir(dir, false);
    if (!l) return false;
    for (const std::string& name : l->files) {
        if (!contains(artifact_dirs, name)) continue;
        const int t = dir_test(paths::join(dir, name));
        if (t < 0) return false;
        if (t == 1) return true;
    }
    return false;
}

// A directory link is entered only when it resolves to the root or below it; any
// error while testing or resolving it prunes it.
bool link_stays_inside(const std::string& dir, const std::string& root_resolved) {
    const fs::Status st = fs::current().lstat(dir);
    if (!st.ok()) return fs::host_passes_over(st);
    if (!st.is_link()) return true;
    try {
        return paths::is_within(paths::resolve(dir), root_resolved);
    } catch (const std::exception&) {
        return false;
    }
}

bool keep_dir(const std::string& base, const std::string& d, const std::string& root_resolved, const WalkRules& rules) {
    if (rules.skip_dir(d)) return false;
    const std::string dir = paths::join(base, d);
    if (contains(rules.output_dirs, d) && is_build_output(dir, rules.artifact_dirs)) return false;
    return link_stays_inside(dir, root_resolved);
}

bool is_regular_file(const std::string& path) { return fs::current().stat(path).is_file(); }

struct Walk {
    WalkRules rules;
    std::string root_resolved;
    const WalkLimits* limits = nullptr;
    std::vector<std::string> leave_out_names;  // the last component of each left-out path
    std::vector<std::string> files;
    std::vector<fs::Status> descent;  // the directories from the root down to the one in hand

    bool left_out(const std::string& name, const std::string& path) const {
        for (std::size_t i = 0; i < leave_out_names.size(); ++i) {
            if (leave_out_names[i] != name) continue;
            try {
                if (paths::resolve(path) == limits->leave_out[i]) return true;
            } catch (const std::exception&) {
                // A path that cannot be resolved is none of the left-out files.
            }
        }
        return false;
    }

    // `open_path` is what is opened (the caller's root text for the root itself), `base`
    // the path the yielded names are joined to, `below` the same path from the root down.
    void visit(const std::string& open_path, const std::string& base, const std::string& below) {
        core::check_stop(limits->stop);
        std::optional<Listing> l = list_dir(open_path, true);
        if (!l) return;
        // A link back to a directory that is already being walked would repeat it forever.
        for (const fs::Status& d : descent)
            if (d.same_object(l->self)) return;
        for (const std::string& name : l->files) {
            const std::string path = paths::join(base, name);
            // The "venv" test applies below the root only: a project that itself lies in
            // such a folder is still walked.
            if (rules.accept(paths::join(below, name)) && is_regular_file(path) && !left_out(name, path))
                files.push_back(path);
        }
        std::vector<std::string> kept;
        for (const std::string& d : l->dirs)
            if (keep_dir(base, d, root_resolved, rules)) kept.push_back(d);
        descent.push_back(l->self);
        for (const std::string& d : kept) {
            const std::string sub = paths::join(base, d);
            visit(sub, sub, paths::join(below, d));
        }
        descent.pop_back();
    }
};

}  // namespace

bool scannable(std::string_view path, std::span<const std::string_view> suffixes) {
    const std::string text = paths::to_slash(path);
    if (text.find("/venv/") != std::string::npos || text.find("/.venv/") != std::string::npos) return false;
    return contains(suffixes, core::lower(paths::suffix(path)));
}

std::vector<std::string> walk_files(std::string_view root, const WalkRules& rules, const WalkLimits& limits) {
    Walk w;
    w.rules = rules;
    w.limits = &limits;
    for (const std::string& p : limits.leave_out) w.leave_out_names.push_back(paths::name(p));
    w.root_resolved = paths::resolve(root);
    // The root is opened as given: an empty text names no directory.
    w.visit(std::string(root), paths::normalize(root), "");
    return std::move(w.files);
}

}  // namespace graph_kit

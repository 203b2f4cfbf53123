#include "graph/vorlane/walker.hpp"

// The project walk: top-down, links to directories followed, in the file system's own
// listing order (nothing here sorts), with the builder's directory pruning.

#include <dirent.h>
#include <sys/stat.h>

#include <cerrno>
#include <optional>
#include <utility>

#include "core/paths.hpp"
#include "core/text.hpp"
#include "graph/vorlane/constants.hpp"

namespace vorlane {

namespace {

namespace paths = core::paths;

// Errors after which the host's path tests answer "no" instead of raising.
bool ignorable(int err) { return err == ENOENT || err == ENOTDIR || err == EBADF || err == ELOOP; }

struct DirId {
    dev_t dev;
    ino_t ino;
    bool operator==(const DirId&) const = default;
};

// One directory's entries, read in full before any of them is used.
struct Listing {
    DirId id{};
    std::vector<std::string> dirs, files;
};

// Lists `path`; nullopt when it cannot be opened or the listing breaks off.
std::optional<Listing> list_dir(const std::string& path, bool split) {
    const std::string raw = paths::fs_encode(path);
    DIR* d = ::opendir(raw.c_str());
    if (!d) return std::nullopt;
    Listing out;
    struct stat st;
    if (::fstat(::dirfd(d), &st) == 0) out.id = {st.st_dev, st.st_ino};
    while (true) {
        errno = 0;
        const dirent* e = ::readdir(d);
        if (!e) {
            const int err = errno;
            ::closedir(d);
            if (err != 0) return std::nullopt;
            return out;
        }
        const std::string_view name = e->d_name;
        if (name == "." || name == "..") continue;
        bool is_dir = false;
        if (split) {
            if (e->d_type == DT_DIR) {
                is_dir = true;
            } else if (e->d_type == DT_LNK || e->d_type == DT_UNKNOWN) {
                // Links followed; a failing test makes the entry a file name.
                const std::string child = raw + "/" + std::string(name);
                is_dir = ::stat(child.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
            }
        }
        (is_dir ? out.dirs : out.files).push_back(paths::fs_decode(name));
    }
}

// stat with links followed: 1 when it is a directory, 0 when not (or the host's path
// test would say "no"), -1 on any other operating-system error.
int dir_test(const std::string& path) {
    struct stat st;
    if (::stat(paths::fs_encode(path).c_str(), &st) == 0) return S_ISDIR(st.st_mode) ? 1 : 0;
    return ignorable(errno) ? 0 : -1;
}

// A "build" directory holding one of the artefact subdirectories is build output.
// An error while looking into it leaves the question open.
bool is_build_output(const std::string& dir) {
    const std::optional<Listing> l = list_dir(dir, false);
    if (!l) return false;
    for (const std::string& name : l->files) {
        if (!contains(ARTIFACT_MARKERS, name)) continue;
        const int t = dir_test(paths::join(dir, name));
        if (t < 0) return false;
        if (t == 1) return true;
    }
    return false;
}

// A directory link is entered only when it resolves to the root or below it; any
// error while testing or resolving it prunes it.
bool link_stays_inside(const std::string& dir, const std::string& root_resolved) {
    struct stat st;
    if (::lstat(paths::fs_encode(dir).c_str(), &st) != 0) return ignorable(errno);
    if (!S_ISLNK(st.st_mode)) return true;
    try {
        return paths::is_within(paths::resolve(dir), root_resolved);
    } catch (const std::exception&) {
        return false;
    }
}

bool keep_dir(const std::string& base, const std::string& d, const std::string& root_resolved,
              const WalkRules& rules) {
    if (rules.skip_dir(d)) return false;
    const std::string dir = paths::join(base, d);
    if (rules.prune_build_output && contains(CONDITIONAL_SKIP, d) && is_build_output(dir)) return false;
    return link_stays_inside(dir, root_resolved);
}

bool is_regular_file(const std::string& path) {
    struct stat st;
    return ::stat(paths::fs_encode(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

struct Walk {
    WalkRules rules;
    std::string root_resolved;
    std::vector<std::string> files;
    std::vector<DirId> descent;  // the directories from the root down to the one in hand

    // `open_path` is what is opened (the caller's root text for the root itself), `base`
    // the path the yielded names are joined to, `below` the same path from the root down.
    void visit(const std::string& open_path, const std::string& base, const std::string& below) {
        std::optional<Listing> l = list_dir(open_path, true);
        if (!l) return;
        // A link back to a directory that is already being walked would repeat it forever.
        for (const DirId& id : descent)
            if (id == l->id) return;
        for (const std::string& name : l->files) {
            const std::string path = paths::join(base, name);
            // The "venv" test applies below the root only: a project that itself lies in
            // such a folder is still walked.
            if (rules.accept(paths::join(below, name)) && is_regular_file(path)) files.push_back(path);
        }
        std::vector<std::string> kept;
        for (const std::string& d : l->dirs)
            if (keep_dir(base, d, root_resolved, rules)) kept.push_back(d);
        descent.push_back(l->id);
        for (const std::string& d : kept) {
            const std::string sub = paths::join(base, d);
            visit(sub, sub, paths::join(below, d));
        }
        descent.pop_back();
    }
};

}  // namespace

bool should_scan(std::string_view path) {
    const std::string text = paths::to_slash(path);
    if (text.find("/venv/") != std::string::npos || text.find("/.venv/") != std::string::npos) return false;
    return contains(SCAN_EXTS, core::lower(paths::suffix(path)));
}

std::vector<std::string> walk_files(std::string_view root) {
    static constexpr WalkRules kRules{[](std::string_view d) { return contains(SKIP_DIRS, d); }, true, &should_scan};
    return walk_files(root, kRules);
}

std::vector<std::string> walk_files(std::string_view root, const WalkRules& rules) {
    Walk w;
    w.rules = rules;
    w.root_resolved = paths::resolve(root);
    // The root is opened as given: an empty text names no directory.
    w.visit(std::string(root), paths::normalize(root), "");
    return std::move(w.files);
}

}  // namespace vorlane

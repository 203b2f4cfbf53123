#include "graph/vorlane/scan.hpp"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <cstdlib>
#include <exception>
#include <string>
#include <system_error>
#include <thread>
#include <functional>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "core/errors.hpp"
#include "core/fs.hpp"
#include "core/hash.hpp"
#include "core/paths.hpp"
#include "core/records.hpp"
#include "core/text.hpp"
#include "graph/vorlane/constants.hpp"
#include "graph/vorlane/extractors.hpp"
#include "graph/vorlane/keywords.hpp"
#include "graph/vorlane/relations.hpp"
#include "graph/vorlane/scan_io.hpp"
#include "graph/vorlane/summary.hpp"
#include "graph/vorlane/walker.hpp"

namespace vorlane {

namespace {

using core::Json;

// The stored node maps by file id.
using Prior = std::unordered_map<std::string, const Json*>;

Prior index_prior(const Json& existing_nodes) {
    Prior prior;
    if (!existing_nodes.is_object()) return prior;
    for (const auto& [id, node] : existing_nodes.items()) prior.emplace(id, &node);
    return prior;
}

// The file's text as the scan reads it; false when it is too large or cannot be read.
bool read_source(const std::string& path, std::int64_t& size, std::string& content) {
    const core::fs::Status st = core::fs::current().stat(path);
    if (!st.ok()) return false;
    size = static_cast<std::int64_t>(st.size);
    if (st.size > MAX_FILE_BYTES) return false;
    std::string bytes;
    if (read_file(path, bytes) != 0) return false;
    content = core::decode_text_mode(bytes);
    return true;
}

// The first MAX_CONTENT_CHARS characters; a text of no more bytes than that is whole.
std::string content_prefix(const std::string& content) {
    if (content.size() <= MAX_CONTENT_CHARS) return content;
    return std::string(core::cp_prefix(content, MAX_CONTENT_CHARS));
}

// The stored value under `key`, or `fallback` when the key is absent; a stored null or
// a value of another type is taken as it is.
Json stored(const Json& old, const char* key, Json fallback) {
    auto it = old.find(key);
    return it == old.end() ? std::move(fallback) : *it;
}

// The node that takes over an unchanged file's stored keywords, summary and text. The
// keys follow the node map's order; only a kind of exactly "file" carries the file keys.
Json taken_over(const Json& old, const std::string& file_id, const std::string& ext, std::int64_t size,
                const std::string& content, const std::string& fhash) {
    auto id = old.find("id");
    if (id == old.end()) throw core::KeyError("id");
    const Json kind = stored(old, "kind", "file");
    const bool file = kind.is_string() && kind.get_ref<const std::string&>() == "file";
    // The node map of a record of that kind gives the keys, their order and the defaults.
    core::Node shape;
    shape.kind = file ? "file" : "";
    Json n = core::node_as_dict(shape);
    n["id"] = *id;
    n["kind"] = kind;
    n["path"] = stored(old, "path", file_id);
    n["ext"] = stored(old, "ext", ext);
    n["size"] = stored(old, "size", size);
    n["keywords"] = stored(old, "keywords", Json::array());
    if (file) {
        auto it = old.find("content");
        n["content"] = it == old.end() ? Json(content_prefix(content)) : *it;
        n["summary"] = stored(old, "summary", "");
        n["file_hash"] = fhash;
    }
    return n;
}

bool hash_matches(const Json& old, const std::string& fhash) {
    if (!old.is_object()) return false;
    auto it = old.find("file_hash");
    return it != old.end() && it->is_string() && it->get_ref<const std::string&>() == fhash;
}

}  // namespace

Json symbol_index_entry(const Json& node, std::string& id) {
    auto at = [&node](const char* key) -> const Json& {
        auto it = node.find(key);
        if (it == node.end()) throw core::KeyError(key);
        return *it;
    };
    Json e = Json::object();
    e["line_start"] = at("line_start");
    e["line_end"] = at("line_end");
    e["body_hash"] = at("body_hash");
    auto conf = node.find("confidence");
    e["confidence"] = conf == node.end() ? Json("") : *conf;
    e["path"] = at("path");
    id = at("id").get<std::string>();
    return e;
}

namespace {

core::Node symbol_node(const core::SymbolRecord& s, const std::string& file_id, const std::string& ext) {
    core::Node n;
    n.id = s.id;
    n.kind = "symbol";
    n.path = file_id;
    n.ext = ext;
    n.size = s.line_end - s.line_start + 1;
    n.keywords = s.keywords;
    n.symbol_type = s.symbol_type;
    n.name = s.name;
    n.line_start = s.line_start;
    n.line_end = s.line_end;
    n.body_hash = s.body_hash;
    n.confidence = s.confidence;
    n.exported = s.exported;
    return n;
}

}  // namespace

void append_symbol_nodes(Json& nodes, std::vector<core::Edge>& edges, const Symbols& syms,
                         const std::string& file_id, const std::string& ext) {
    for (const core::SymbolRecord& s : syms) {
        nodes.push_back(core::node_as_dict(symbol_node(s, file_id, ext)));
        edges.push_back({file_id, s.id, "contains"});
    }
}

namespace {

// Everything one listed file adds to the graph, made independently of the other files.
struct FileResult {
    bool kept = false;              // false: skipped, adds nothing
    std::string file_id;            // when kept
    std::exception_ptr error;       // what ended its analysis, if anything
    std::vector<core::Edge> edges;  // its relation edges, then its "contains" edges
    // For scan(): its file node, then its symbol nodes.
    Json nodes = Json::array();
    // For the written form: the nodes' texts as they stand in the graph file, the
    // symbol index entries of its symbol nodes (id, value text), and what making
    // those entries raised.
    std::vector<std::string> node_text;
    std::vector<std::pair<std::string, std::string>> index_text;
    std::size_t symbol_count = 0;
    std::exception_ptr index_error;
};

// Writes JSON text into one string: strings through one reused value, so that a text
// costs no allocation of its own; the layout is json_dumps_indent's.
class Writer {
public:
    explicit Writer(std::string& out) : out_(out) {}
    void str(std::string_view s) {
        tmp_.get_ref<std::string&>().assign(s);
        core::json_write(out_, tmp_, -1);
    }
    void num(std::int64_t v) { out_ += std::to_string(v); }
    void raw(std::string_view s) { out_ += s; }
    // `"key": ` on a new line at `indent` spaces, after a "," unless it is the first.
    void key(std::string_view k, int indent, bool first = false) {
        if (!first) out_ += ',';
        out_ += '\n';
        out_.append(static_cast<std::size_t>(indent), ' ');
        out_ += '"';
        out_ += k;  // the keys are plain ASCII names
        out_ += "\": ";
    }
    void list(const std::vector<std::string>& items, int indent) {
        if (items.empty()) {
            out_ += "[]";
            return;
        }
        out_ += '[';
        for (std::size_t i = 0; i < items.size(); ++i) {
            if (i) out_ += ',';
            out_ += '\n';
            out_.append(static_cast<std::size_t>(indent + 2), ' ');
            str(items[i]);
        }
        out_ += '\n';
        out_.append(static_cast<std::size_t>(indent), ' ');
        out_ += ']';
    }

private:
    std::string& out_;
    Json tmp_ = std::string();
};

// The node map of `n` (node_as_dict) as it stands inside the graph's node list.
void write_node(std::string& out, const core::Node& n) {
    // Room for the keys and the texts as they are; escapes may still grow it.
    std::size_t room = 320 + n.id.size() + n.path.size() + n.content.size() + n.summary.size() + n.name.size();
    for (const std::string& k : n.keywords) room += k.size() + 12;
    out.reserve(out.size() + room);
    Writer w(out);
    w.raw("{");
    w.raw("\n      \"id\": ");
    w.str(n.id);
    w.raw(",\n      \"kind\": ");
    w.str(n.kind);
    w.raw(",\n      \"path\": ");
    w.str(n.path);
    w.raw(",\n      \"ext\": ");
    w.str(n.ext);
    w.raw(",\n      \"size\": ");
    w.num(n.size);
    w.raw(",\n      \"keywords\": ");
    w.list(n.keywords, 6);
    if (n.kind == "file") {
        w.raw(",\n      \"content\": ");
        w.str(n.content);
        w.raw(",\n      \"summary\": ");
        w.str(n.summary);
        w.raw(",\n      \"file_hash\": ");
        w.str(n.file_hash);
    } else {
        w.raw(",\n      \"symbol_type\": ");
        w.str(n.symbol_type);
        w.raw(",\n      \"name\": ");
        w.str(n.name);
        w.raw(",\n      \"line_start\": ");
        w.num(n.line_start);
        w.raw(",\n      \"line_end\": ");
        w.num(n.line_end);
        w.raw(",\n      \"body_hash\": ");
        w.str(n.body_hash);
        w.raw(",\n      \"confidence\": ");
        w.str(n.confidence);
        w.raw(",\n      \"exported\": ");
        w.raw(n.exported ? "true" : "false");
    }
    w.raw("\n    }");
}

// `flat` as it stands two levels down in an indented document: JSON text holds line
// breaks only between its members (a break inside a string is written as an escape),
// so every break is followed by the deeper indentation.
std::string nested_twice(const std::string& flat) {
    std::string out;
    out.reserve(flat.size() + flat.size() / 8);
    std::size_t from = 0;
    for (std::size_t nl; (nl = flat.find('\n', from)) != std::string::npos; from = nl + 1) {
        out.append(flat, from, nl + 1 - from);
        out += "    ";
    }
    out.append(flat, from, std::string::npos);
    return out;
}

bool is_symbol(const Json& n) {
    auto kind = n.find("kind");
    return kind != n.end() && kind->is_string() && kind->get_ref<const std::string&>() == "symbol";
}

// A stored node taken over as it is: its text from its map, and its index entry when
// its stored kind makes it a symbol node.
void render_stored(FileResult& r, const Json& node) {
    std::string flat;
    core::json_write(flat, node, 2);
    r.node_text.push_back(nested_twice(flat));
    if (!is_symbol(node)) return;
    ++r.symbol_count;
    if (r.index_error) return;
    try {
        std::string id;
        const Json entry = symbol_index_entry(node, id);
        flat.clear();
        core::json_write(flat, entry, -1);
        r.index_text.emplace_back(std::move(id), std::move(flat));
    } catch (...) {
        r.index_error = std::current_exception();
    }
}

void render_symbol(FileResult& r, const core::Node& n) {
    std::string text;
    write_node(text, n);
    r.node_text.push_back(std::move(text));
    ++r.symbol_count;
    std::string entry;
    entry.reserve(96 + n.body_hash.size() + n.confidence.size() + n.path.size());
    Writer w(entry);
    w.raw("{\"line_start\": ");
    w.num(n.line_start);
    w.raw(", \"line_end\": ");
    w.num(n.line_end);
    w.raw(", \"body_hash\": ");
    w.str(n.body_hash);
    w.raw(", \"confidence\": ");
    w.str(n.confidence);
    w.raw(", \"path\": ");
    w.str(n.path);
    w.raw("}");
    r.index_text.emplace_back(n.id, std::move(entry));
}

// What one file's analysis keeps between its two halves: the relations and symbols,
// which need no earlier graph, and the node, which may be taken over from it.
struct FileText {
    std::string content, file_id, exact_suffix, ext, fhash;
    std::int64_t size = 0;
    Symbols syms;
    std::exception_ptr error;  // what the relations or symbols raised
};

// The first half: read the file, its relations and its symbols. False when it is skipped.
bool analyse_text(const std::string& path, std::string_view resolved_root, FileText& t, FileResult& out) {
    if (!read_source(path, t.size, t.content)) return false;
    // A file whose id cannot be made is skipped as an unreadable one is.
    try {
        t.file_id = core::rel_under(path, resolved_root);
    } catch (const std::exception&) {
        return false;
    }
    out.kept = true;
    out.file_id = t.file_id;
    t.exact_suffix = core::paths::suffix(path);
    t.ext = core::lower(t.exact_suffix);
    t.fhash = core::md5_prefix8(t.content);
    try {
        out.edges = relations_of(t.file_id, t.exact_suffix, t.content);
        if (contains(SYMBOL_EXTS, t.ext)) t.syms = extract_symbols_for_file(t.content, t.file_id, t.ext);
    } catch (...) {
        t.error = std::current_exception();
    }
    return true;
}

// The second half: the file node, taken over or made afresh, then the symbol nodes. The
// node comes first in a file's work, so an error there wins over one of the first half.
void analyse_node(const Prior& prior, bool render, FileText& t, FileResult& out) {
    auto old = prior.find(t.file_id);
    if (old != prior.end() && hash_matches(*old->second, t.fhash)) {
        Json node = taken_over(*old->second, t.file_id, t.ext, t.size, t.content, t.fhash);
        if (render)
            render_stored(out, node);
        else
            out.nodes.push_back(std::move(node));
    } else {
        core::Node n;
        n.summary = make_summary(t.content, t.file_id, t.ext);
        n.id = t.file_id;
        n.kind = "file";
        n.path = t.file_id;
        n.ext = t.ext;
        n.size = t.size;
        n.keywords = extract_keywords(t.content, t.ext);
        n.content = content_prefix(t.content);
        n.file_hash = t.fhash;
        if (render) {
            std::string text;
            write_node(text, n);
            out.node_text.push_back(std::move(text));
        } else {
            out.nodes.push_back(core::node_as_dict(n));
        }
    }
    if (t.error) std::rethrow_exception(t.error);
    if (!render) {
        append_symbol_nodes(out.nodes, out.edges, t.syms, t.file_id, t.ext);
        return;
    }
    for (const core::SymbolRecord& s : t.syms) {
        render_symbol(out, symbol_node(s, t.file_id, t.ext));
        out.edges.push_back({t.file_id, s.id, "contains"});
    }
}

// Analyses one file: its nodes as maps into `out.nodes`, or, with `render`, as the
// texts of the written graph and symbol index.
void analyse_file(const std::string& path, std::string_view resolved_root, const Prior& prior, bool render,
                  FileResult& out) {
    FileText t;
    if (analyse_text(path, resolved_root, t, out)) analyse_node(prior, render, t, out);
}

// Runs `task(i)` for every file index on `threads` threads (the caller's one among
// them); an index is taken by exactly one thread.
template <typename Task>
void for_each_file(std::size_t count, unsigned threads, const Task& task) {
    std::atomic<std::size_t> next{0};
    auto work = [&] {
        for (std::size_t i; (i = next.fetch_add(1, std::memory_order_relaxed)) < count;) task(i);
    };
    std::vector<std::thread> pool;
    pool.reserve(threads - 1);
    try {
        for (unsigned t = 1; t < threads; ++t) pool.emplace_back(work);
    } catch (const std::system_error&) {
        // Fewer threads than asked for: the ones running and this one share the work.
    }
    work();
    for (std::thread& t : pool) t.join();
}

// The file indices, largest file first, so that no large file is left to the end while
// the other threads stand idle (the results keep their places whatever the order).
std::vector<std::size_t> largest_first(const std::vector<std::string>& files, unsigned threads) {
    std::vector<std::uint64_t> size(files.size(), 0);
    for_each_file(files.size(), threads, [&](std::size_t i) {
        const core::fs::Status st = core::fs::current().stat(files[i]);
        if (st.ok()) size[i] = st.size;
    });
    std::vector<std::size_t> order(files.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return size[a] > size[b]; });
    return order;
}

// The root as every file id is taken against it: resolved once per scan (the walk has
// already resolved it, so this cannot fail where the walk did not).
std::string resolve_root(const std::vector<std::string>& files, std::string_view root) {
    return files.empty() ? std::string() : core::paths::resolve(root);
}

// A directory link inside the root lists the files of its target a second time under
// the same ids: the first file of each id stays, the later ones are dropped as skipped.
void drop_repeated_ids(std::vector<FileResult>& results) {
    std::unordered_set<std::string_view> emitted;
    for (FileResult& r : results) {
        if (!r.kept) continue;
        if (!emitted.insert(r.file_id).second) r = FileResult{};
    }
}

// Analyses every listed file into its own result. On one thread the first error ends
// the scan at once; on several each error is kept at its file's place, and gathering
// in walk order rethrows the first, so both paths fail alike.
std::vector<FileResult> analyse_all(const std::vector<std::string>& files, std::string_view root,
                                    const Prior& prior, bool render, const core::StopFlag* stop) {
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
    for_each_file(files.size(), threads, [&](std::size_t k) {
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

// As analyse_all, with the earlier graph's nodes loaded by `load` on a thread of their
// own meanwhile: until they are there, the threads do the first half of each file and
// keep its text; the second halves follow once the nodes are in. The kept texts are
// bounded: past that a thread waits for the nodes instead.
std::vector<FileResult> analyse_all_loading(const std::vector<std::string>& files, std::string_view root,
                                            std::future<Json>& load, Json& loaded, bool render,
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
    for_each_file(files.size(), threads, [&](std::size_t k) {
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
    for_each_file(waiting.size(), std::min<std::size_t>(threads, std::max<std::size_t>(1, waiting.size())),
                  [&](std::size_t k) {
                      if (!(stop && stop->requested())) second_half(waiting[k].first, waiting[k].second);
                  });
    core::check_stop(stop);
    drop_repeated_ids(results);
    for (const FileResult& r : results)
        if (r.error) std::rethrow_exception(r.error);
    return results;
}

// Edges compared by their (from, to, rel), held by address: the results own them.
struct EdgeRefHash {
    std::size_t operator()(const core::Edge* e) const {
        const std::hash<std::string_view> h;
        return (h(e->from) * 31 + h(e->to)) * 31 + h(e->rel);
    }
};
struct EdgeRefEq {
    bool operator()(const core::Edge* a, const core::Edge* b) const { return *a == *b; }
};

// Calls `keep(e)` for every edge whose (from, to, rel) did not occur before, in order.
template <typename Keep>
void dedupe(const std::vector<FileResult>& results, const Keep& keep) {
    std::unordered_set<const core::Edge*, EdgeRefHash, EdgeRefEq> seen;
    for (const FileResult& r : results)
        for (const core::Edge& e : r.edges)
            if (seen.insert(&e).second) keep(e);
}

}  // namespace

unsigned scan_threads(std::size_t file_count) {
    unsigned n = 0;
    // Only plain decimal digits count; anything else leaves the hardware's default.
    if (const char* env = std::getenv("VORLANE_THREADS"); env && *env) {
        unsigned v = 0;
        for (const char* c = env; *c; ++c) {
            if (*c < '0' || *c > '9') {
                v = 0;
                break;
            }
            v = std::min(v * 10 + static_cast<unsigned>(*c - '0'), 256u);
        }
        n = v;
    }
    if (n == 0) n = std::clamp(std::thread::hardware_concurrency(), 1u, 16u);
    // A thread for fewer than a handful of files costs more than it saves.
    const std::size_t useful = std::max<std::size_t>(1, file_count / 4);
    return static_cast<unsigned>(std::min<std::size_t>(n, useful));
}

core::Json scan(std::string_view root, const core::Json& existing_nodes) {
    return scan(root, existing_nodes, ScanLimits{});
}

core::Json scan(std::string_view root, const core::Json& existing_nodes, const ScanLimits& limits) {
    const std::vector<std::string> files = walk_files(root, limits);
    const Prior prior = index_prior(existing_nodes);
    std::vector<FileResult> results = analyse_all(files, root, prior, false, limits.stop);

    Json nodes = Json::array();
    for (FileResult& r : results) {
        for (Json& n : r.nodes) nodes.push_back(std::move(n));
        r.nodes = Json();
    }
    // A taken-over node keeps its stored kind, so count by kind, not by origin.
    std::size_t symbol_count = 0;
    for (const Json& n : nodes)
        if (is_symbol(n)) ++symbol_count;
    Json out_edges = Json::array();
    dedupe(results, [&](const core::Edge& e) { out_edges.push_back(core::edge_json(e)); });

    Json g = Json::object();
    g["root"] = std::string(root);
    g["node_count"] = nodes.size();
    g["edge_count"] = out_edges.size();
    g["file_count"] = nodes.size() - symbol_count;
    g["symbol_count"] = symbol_count;
    g["nodes"] = std::move(nodes);
    g["edges"] = std::move(out_edges);
    return g;
}

namespace {

GraphText assemble(std::string_view root, std::vector<FileResult>& results);

}  // namespace

GraphText scan_text(std::string_view root, const core::Json& existing_nodes) {
    const std::vector<std::string> files = walk_files(root);
    const Prior prior = index_prior(existing_nodes);
    std::vector<FileResult> results = analyse_all(files, root, prior, true, nullptr);
    return assemble(root, results);
}

GraphText scan_text(std::string_view root, const std::function<core::Json()>& load_existing,
                    core::Json& existing) {
    return scan_text(root, load_existing, existing, ScanLimits{});
}

GraphText scan_text(std::string_view root, const std::function<core::Json()>& load_existing, core::Json& existing,
                    const ScanLimits& limits) {
    std::future<Json> load = std::async(std::launch::async, load_existing);
    // The load is waited for on every way out, an early stop included: it writes to
    // `existing` and may use what the caller owns.
    struct Join {
        std::future<Json>& f;
        ~Join() {
            if (f.valid()) f.wait();
        }
    } join{load};
    const std::vector<std::string> files = walk_files(root, limits);
    if (scan_threads(files.size()) <= 1) {
        existing = load.get();
        std::vector<FileResult> results = analyse_all(files, root, index_prior(existing), true, limits.stop);
        return assemble(root, results);
    }
    std::vector<FileResult> results = analyse_all_loading(files, root, load, existing, true, limits.stop);
    return assemble(root, results);
}

namespace {

// The written graph and symbol index from the results of every file, in walk order.
GraphText assemble(std::string_view root, std::vector<FileResult>& results) {
    GraphText out;
    std::size_t node_bytes = 0;
    for (const FileResult& r : results) {
        out.node_count += r.node_text.size();
        out.symbol_count += r.symbol_count;
        for (const std::string& t : r.node_text) node_bytes += t.size() + 6;
    }
    out.file_count = out.node_count - out.symbol_count;

    // The edges are written while they are de-duplicated, the header after them, when
    // their count is known.
    std::string edges;
    Writer ew(edges);
    dedupe(results, [&](const core::Edge& e) {
        ew.raw(out.edge_count++ ? ",\n    {" : "[\n    {");
        ew.raw("\n      \"from\": ");
        ew.str(e.from);
        ew.raw(",\n      \"to\": ");
        ew.str(e.to);
        ew.raw(",\n      \"rel\": ");
        ew.str(e.rel);
        ew.raw("\n    }");
    });
    ew.raw(out.edge_count ? "\n  ]" : "[]");

    // The document as json_dumps_indent lays it out: members at level 1, the node and
    // edge maps at level 2.
    std::string& g = out.graph;
    g.reserve(node_bytes + edges.size() + 256);
    Writer w(g);
    w.raw("{");
    w.key("root", 2, true);
    w.str(root);
    w.key("node_count", 2);
    w.num(static_cast<std::int64_t>(out.node_count));
    w.key("edge_count", 2);
    w.num(static_cast<std::int64_t>(out.edge_count));
    w.key("file_count", 2);
    w.num(static_cast<std::int64_t>(out.file_count));
    w.key("symbol_count", 2);
    w.num(static_cast<std::int64_t>(out.symbol_count));
    w.key("nodes", 2);
    const char* sep = "[\n    ";
    for (FileResult& r : results) {
        for (const std::string& t : r.node_text) {
            g += sep;
            g += t;
            sep = ",\n    ";
        }
        r.node_text = {};
    }
    g += out.node_count ? "\n  ]" : "[]";
    w.key("edges", 2);
    g += edges;
    g += "\n}";
    edges = {};

    // The symbol index in node order: a repeated id keeps its first place and takes
    // the later value. Making it stops at the first node that fails.
    std::vector<const std::pair<std::string, std::string>*> entries;
    std::unordered_map<std::string_view, std::size_t> place;
    for (const FileResult& r : results) {
        for (const auto& e : r.index_text) {
            auto [it, fresh] = place.try_emplace(e.first, entries.size());
            if (fresh)
                entries.push_back(&e);
            else
                entries[it->second] = &e;
        }
        if (r.index_error) {
            out.index_error = r.index_error;
            return out;
        }
    }
    Writer iw(out.index);
    iw.raw("{");
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (i) iw.raw(", ");
        iw.str(entries[i]->first);
        iw.raw(": ");
        iw.raw(entries[i]->second);
    }
    iw.raw("}");
    out.index_count = entries.size();
    return out;
}

}  // namespace

}  // namespace vorlane

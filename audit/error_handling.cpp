#include "audit/error_handling.hpp"

#include <algorithm>
#include <cmath>
#include <exception>
#include <unordered_map>
#include <vector>

#include "audit/code_exts.hpp"
#include "audit/parallel.hpp"
#include "audit/patterns.hpp"
#include "audit/symbol_file.hpp"
#include "audit/values.hpp"
#include "core/text.hpp"

namespace audit {

namespace {

struct SourceLines {
    std::string text;
    std::vector<std::string_view> lines;
    // Lines before each index that may hold an external call (size lines + 1), so that an
    // excerpt without any is passed over without being built or searched.
    std::vector<std::uint32_t> calls_before;
    std::exception_ptr error;  // the read failed; raised where the walk needs the file
    bool loaded = false;
};

// The files of the qualifying symbols in the order the walk first needs them, found
// without raising (the walk itself raises on malformed nodes), so that they can be read
// ahead in parallel batches.
std::vector<std::string> files_ahead(const Json& nodes) {
    std::vector<std::string> out;
    std::unordered_map<std::string, bool> seen;
    for (const Json& n : nodes) {
        if (!n.is_object() || !equals_text(find(n, "kind"), "symbol")) continue;
        const Json* f = find(n, "file");
        if (!f) f = find(n, "path");
        if (!f || !f->is_string() || !is_code_path(f->get_ref<const std::string&>())) continue;
        if (seen.emplace(f->get<std::string>(), true).second) out.push_back(f->get<std::string>());
    }
    return out;
}

// A 1-based row bound: `fallback` when absent or false; rows of the `path` form are
// 0-based and shifted. A value that is no number raises, as the host's arithmetic does.
double row(const Json& node, std::string_view key, bool zero_based, double fallback) {
    const Json* v = find(node, key);
    if (!v) return fallback;
    if (zero_based && v->is_number()) return as_number(*v) + 1;
    if (!truthy(*v)) return fallback;
    return as_number(*v);
}

// A list position from a row bound, clamped to [0, size]; the host's slice rules for the
// bounds that lie outside the list (a negative start counts from the end).
std::size_t slice_index(double bound, std::size_t size) {
    const double n = static_cast<double>(size);
    if (bound < 0) bound = std::max(0.0, bound + n);
    return static_cast<std::size_t>(std::min(bound, n));
}

}  // namespace

core::Json check_missing_error_handling(const core::Json& graph, const SourceReader& read, unsigned threads,
                                        const core::StopFlag* stop) {
    const Json& nodes = list_or_empty(graph, "nodes");
    const std::vector<std::string> ahead = files_ahead(nodes);
    std::unordered_map<std::string, std::size_t> slot;
    for (std::size_t i = 0; i < ahead.size(); ++i) slot.emplace(ahead[i], i);
    std::vector<SourceLines> cache(ahead.size());
    std::size_t loaded = 0;
    // Reads the next batch of files; one file at a time on one thread, so that a walk
    // that stops early reads no file it did not need. Batches grow with the files read
    // so far (to a bound), so that starting threads stays cheap beside the reading.
    auto load_through = [&](std::size_t k) {
        while (loaded <= k) {
            const std::size_t batch = threads > 1 ? std::clamp<std::size_t>(loaded, std::size_t{threads} * 4, 256) : 1;
            const std::size_t end = std::min(ahead.size(), std::max(loaded + batch, k + 1));
            const auto errors = parallel_for(loaded, end, threads, [&](std::size_t i) {
                cache[i].text = read(ahead[i]);
                cache[i].lines = core::splitlines(cache[i].text);
                auto& before = cache[i].calls_before;
                before.assign(cache[i].lines.size() + 1, 0);
                const std::string_view text = cache[i].text;
                std::size_t next = external_candidate(text, 0);
                for (std::size_t j = 0; j < cache[i].lines.size(); ++j) {
                    const std::string_view line = cache[i].lines[j];
                    const auto begin = static_cast<std::size_t>(line.data() - text.data());
                    if (next < begin) next = external_candidate(text, begin);
                    before[j + 1] = before[j] + (next < begin + line.size() ? 1 : 0);
                }
            });
            for (std::size_t i = loaded; i < end; ++i) {
                cache[i].error = errors[i - loaded];
                cache[i].loaded = true;
            }
            loaded = end;
        }
    };

    Json out = Json::array();
    for (const Json& n : nodes) {
        core::check_stop(stop);
        if (!equals_text(find(n, "kind"), "symbol")) continue;
        SymbolFile file = symbol_file(n);
        if (!is_code_path(file.text)) continue;
        const std::size_t k = slot.at(file.text);
        load_through(k);
        if (cache[k].error) std::rethrow_exception(cache[k].error);
        const auto& lines = cache[k].lines;

        const double start1 = row(n, "line_start", file.from_path, 1);
        const double start = start1 - 1;
        const double end_row = row(n, "line_end", file.from_path, start + 1);
        if (std::floor(start) != start || std::floor(end_row) != end_row)
            throw TypeError("slice indices must be integers or None or have an __index__ method");
        const std::size_t b = slice_index(start, lines.size());
        const std::size_t e = slice_index(std::min(static_cast<double>(lines.size()), end_row), lines.size());

        // The excerpt's lines are joined by "\n", which no call prefix holds: a call in
        // the excerpt lies within one of its lines.
        if (b >= e || cache[k].calls_before[e] == cache[k].calls_before[b]) continue;
        std::string excerpt;
        for (std::size_t i = b; i < e; ++i) {
            if (i > b) excerpt += '\n';
            excerpt.append(lines[i]);
        }
        if (external_re().search(excerpt) && !err_re().search(excerpt)) {
            const Json* name = find(n, "name");
            Json rec = Json::object();
            rec["file"] = file.text;
            rec["symbol"] = name ? *name : Json("");
            if (start + 1 == std::floor(start + 1) && std::fabs(start + 1) < 9e15)
                rec["line"] = static_cast<std::int64_t>(start + 1);
            else
                rec["line"] = start + 1;
            out.push_back(std::move(rec));
        }
        if (out.size() >= 25) break;
    }
    return out;
}

}  // namespace audit

#include "graph/vorlane_ast/peers.hpp"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>

#include "core/paths.hpp"
#include "core/pattern.hpp"
#include "core/text.hpp"

namespace vorlane_ast {

namespace {

struct CompiledRow {
    core::Regex x, y;
};

const std::vector<CompiledRow>& compiled_rows() {
    static const std::vector<CompiledRow> rows = [] {
        std::vector<CompiledRow> out;
        out.reserve(PEER_PAIRS.size());
        for (const PeerRow& r : PEER_PAIRS)
            out.push_back({core::Regex(r.x, core::RE_IGNORECASE), core::Regex(r.y, core::RE_IGNORECASE)});
        return out;
    }();
    return rows;
}

// Path(file_id).stem, lower-cased.
std::string stem_of(std::string_view file_id) {
    const std::string name = core::paths::name(file_id);
    const std::string suffix = core::paths::suffix(file_id);
    return core::lower(std::string_view(name).substr(0, name.size() - suffix.size()));
}

// The rows whose first pattern (`x`) and whose second pattern (`y`) match a stem, one
// bit per row. A row fits a pair when one stem has it in `x` and the other in `y`.
struct RowMasks {
    std::uint32_t x = 0, y = 0;
    bool any() const { return (x | y) != 0; }
};
static_assert(PEER_PAIRS.size() <= 32);

RowMasks masks_of(const std::string& stem) {
    RowMasks m;
    // A stem from an undecodable file name holds escapes that none of the patterns'
    // letters can match, and the engine takes valid text only.
    if (!core::is_valid_utf8(stem)) return m;
    const std::vector<CompiledRow>& rows = compiled_rows();
    for (std::size_t r = 0; r < rows.size(); ++r) {
        if (rows[r].x.match(stem)) m.x |= 1u << r;
        if (rows[r].y.match(stem)) m.y |= 1u << r;
    }
    return m;
}

}  // namespace

std::vector<std::pair<std::size_t, std::size_t>> structural_peer_pairs(const std::vector<std::string>& file_ids) {
    // Files whose stem no pattern matches can pair with nothing; leaving them out of the
    // groups keeps the order of the others' pairs.
    struct Entry {
        std::size_t at;
        RowMasks masks;
    };
    std::unordered_map<std::string, std::size_t> dir_index;
    std::vector<std::vector<Entry>> by_dir;
    for (std::size_t k = 0; k < file_ids.size(); ++k) {
        // The directory takes its place in the order when first met, by any file.
        auto [it, fresh] = dir_index.try_emplace(core::paths::parent(file_ids[k]), by_dir.size());
        if (fresh) by_dir.emplace_back();
        const RowMasks masks = masks_of(stem_of(file_ids[k]));
        if (masks.any()) by_dir[it->second].push_back({k, masks});
    }
    std::vector<std::pair<std::size_t, std::size_t>> pairs;
    for (const std::vector<Entry>& dir_files : by_dir) {
        for (std::size_t i = 0; i < dir_files.size(); ++i) {
            for (std::size_t j = i + 1; j < dir_files.size(); ++j) {
                const Entry& a = dir_files[i];
                const Entry& b = dir_files[j];
                // Every row yields the same two edges, so which one fits first is moot.
                if (((a.masks.x & b.masks.y) | (a.masks.y & b.masks.x)) != 0) pairs.emplace_back(a.at, b.at);
            }
        }
    }
    return pairs;
}

std::vector<core::Edge> structural_peer_edges(const std::vector<std::string>& file_ids) {
    std::vector<core::Edge> edges;
    for (const auto& [a, b] : structural_peer_pairs(file_ids)) {
        edges.push_back({file_ids[a], file_ids[b], "structural_peer"});
        edges.push_back({file_ids[b], file_ids[a], "structural_peer"});
    }
    return edges;
}

std::vector<graph_kit::PatternSpec> peer_patterns() {
    std::vector<graph_kit::PatternSpec> out;
    for (const PeerRow& r : PEER_PAIRS) {
        out.push_back({"ast.peers.x", r.x, core::RE_IGNORECASE});
        out.push_back({"ast.peers.y", r.y, core::RE_IGNORECASE});
    }
    return out;
}

}  // namespace vorlane_ast

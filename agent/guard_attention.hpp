#pragma once
// The guard's second half: the chat action graph of the project that a call touches,
// each file's session attention (weights halving every hour), and the verdict on the
// call's targets with its warning text.
//
// Cost: one read and parse of the chat action graph (linear in its size), then for each
// target a walk of the attention map in first-seen order, resolving each file path at
// most once per run: each directory once, then one link test per file.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "agent/guard_classify.hpp"
#include "core/json.hpp"

namespace agent::guard {

inline constexpr double DECAY_BASE = 2.0;
inline constexpr double DECAY_PERIOD = 3600.0;
inline constexpr double ATTENTION_THRESHOLD = 4.0;
inline constexpr std::size_t WARNING_LINES = 4;
inline constexpr std::int64_t HARD_BLOCK_EDITS = 2;

struct KindWeight {
    std::string_view kind;
    int weight;
    bool read;  // counted in reads, else in edits
};
inline constexpr std::array<KindWeight, 4> KIND_WEIGHT{
    {{"read", 2, true}, {"read_cache_hit", 1, true}, {"register_edit", 8, false}, {"edit_observation", 5, false}}};

struct Attention {
    double score = 0.0;
    std::int64_t reads = 0;
    std::int64_t edits = 0;
    std::int64_t last_ts = 0;
};

// One file of the attention map: its `file` text as written in the actions. A file
// value that is no text cannot be joined to the project root; `text` is false then,
// and reaching the entry while matching makes the input unusable.
struct AttentionEntry {
    std::string file;
    bool text = true;
    Attention rec;
};

// The attention map of a parsed chat action graph at time `now` (UTC seconds), entries
// in the order in which each file first occurs. Unusable for a document of a shape the
// guard cannot read.
std::vector<AttentionEntry> build_attention(const core::Json& doc, std::int64_t now);

// find_data_dir: the data directory named by `env_dir` (KESTIL_DATA_DIR; taken as is
// when non-empty), else the first ".nimbrel" holding the chat action graph above each
// target and then above the current directory.
std::optional<std::string> find_data_dir(const std::vector<std::string>& paths, std::string_view env_dir);

// normalize: "~" expanded and made absolute with links resolved; the path itself (as a
// path) when that fails.
std::string normalize_target(std::string_view raw);

struct AtRisk {
    std::string path;
    Attention rec;
};

// The files at risk for the targets, in target order (the first equal map entry of each
// target decides).
std::vector<AtRisk> match_targets(const std::vector<std::string>& paths, std::string_view project_root,
                                  const std::vector<AttentionEntry>& attention);

struct Verdict {
    int status = 0;    // 0 allow, 1 warn, 2 block
    std::string text;  // the warning, without its final line break; empty for status 0
};

// Steps 8 to 13: the stable sort, the top four, the verdict and its warning.
Verdict verdict(std::vector<AtRisk> at_risk, bool is_hard, std::string_view op_label, std::int64_t now);

// The age in the warning: whole minutes since `last_ts`, halves to even; "?" for 0.
std::string age_text(std::int64_t now, std::int64_t last_ts);

// The whole of the second half for a classified call: data directory, chat action
// graph, attention, targets and verdict. Status 0 wherever the guard steps aside.
Verdict attention_verdict(const Call& call, std::string_view env_dir, std::int64_t now);

}  // namespace agent::guard

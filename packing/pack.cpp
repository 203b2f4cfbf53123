#include "packing/pack.hpp"

#include <cmath>
#include <limits>
#include <set>

#include "core/text.hpp"
#include "packing/estimate.hpp"
#include "packing/excerpts.hpp"
#include "packing/summaries.hpp"
#include "packing/value.hpp"

namespace packing {

namespace {

const Json kEmptyMap = Json::object();

constexpr std::int64_t kKeyCodeThreshold = 400;
constexpr std::int64_t kReadsThreshold = 200;
constexpr std::int64_t kRelationsThreshold = 150;
constexpr std::int64_t kKeyCodeStop = 200;
constexpr std::size_t kKeyCodeFiles = 4;
constexpr std::size_t kFunctionsPerFile = 3;
constexpr std::int64_t kExcerptRows = 80;
constexpr int kRelationLines = 10;
constexpr std::size_t kDescriptionChars = 300;

bool relevant_rel(std::string_view rel) {
    for (std::string_view r : {"imports", "calls", "extends", "implements", "requires", "contains", "references"})
        if (rel == r) return true;
    return false;
}

// Truncation of a finite double toward zero, saturated to the integer range.
std::int64_t trunc_sat(double d) {
    constexpr double top = 9.2e18;
    if (std::isnan(d)) return 0;
    if (d >= top) return std::numeric_limits<std::int64_t>::max();
    if (d <= -top) return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(d);
}

std::string join_lines(const std::vector<std::string>& lines) {
    std::string out;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i) out += '\n';
        out += lines[i];
    }
    return out;
}

class Packer {
public:
    explicit Packer(const PackInput& in) : in_(in) {
        for (const std::string& id : in.entry_ids)
            if (!id.empty()) file_ids_.push_back(id);
        chosen_.insert(file_ids_.begin(), file_ids_.end());
    }

    std::string run() {
        std::vector<std::string> sections{std::string(kHeader), relevant_files()};
        std::int64_t remaining =
            add_sat(add_sat(in_.token_budget, -estimate_tokens(kHeader)), -estimate_tokens(sections[1]));
        if (remaining > kKeyCodeThreshold) {
            if (std::string code = key_code(remaining); !code.empty()) {
                remaining = add_sat(remaining, -estimate_tokens(code));
                sections.push_back(std::move(code));
            }
        }
        if (remaining > kReadsThreshold) {
            if (std::string reads = recommended_reads(); !reads.empty()) {
                remaining = add_sat(remaining, -estimate_tokens(reads));
                sections.push_back(std::move(reads));
            }
        }
        if (remaining > kRelationsThreshold) {
            if (std::string rels = key_relationships(); !rels.empty()) sections.push_back(std::move(rels));
        }
        std::string out = sections[0];
        for (std::size_t i = 1; i < sections.size(); ++i) out += "\n\n" + sections[i];
        return out;
    }

private:
    const Json& summary_of(std::string_view base) const {
        const auto it = in_.summaries.find(base);
        return it == in_.summaries.end() ? kEmptyMap : it->second;
    }

    std::string relevant_files() const {
        std::vector<std::string> lines{"### Relevant Files"};
        for (const std::string& fid : file_ids_) {
            const std::string_view base = base_file(fid);
            const Json& summary = summary_of(base);
            const std::string rendering = truthy(summary) ? expand_summary(summary) : std::string();
            if (!rendering.empty()) {
                lines.push_back("- **`" + fid + "`**");
                for (std::string_view l : core::split_sep(rendering, "\n")) lines.push_back("  " + std::string(l));
                continue;
            }
            std::string_view desc;
            for (const NodeView& n : in_.nodes) {
                if (n.id && (*n.id == fid || *n.id == base)) {
                    desc = core::cp_prefix(n.summary, kDescriptionChars);
                    break;
                }
            }
            lines.push_back(desc.empty() ? "- **`" + fid + "`**" : "- **`" + fid + "`**: " + std::string(desc));
        }
        return join_lines(lines);
    }

    // The functions Key Code excerpts for a file: the first 3 summary functions with a
    // two-item `lines`, or else the file's first 3 graph symbols by name.
    std::vector<FunctionSpan> code_selection(std::string_view base) const {
        std::vector<FunctionSpan> sel;
        const Json* funcs = member(summary_of(base), "functions");
        if (funcs && funcs->is_object() && !funcs->empty()) {
            std::size_t taken = 0;
            for (const auto& [name, entry] : funcs->items()) {
                if (taken++ == kFunctionsPerFile) break;
                if (name.empty()) continue;
                std::int64_t first = 0, last = 0;
                if (!row_pair(entry, first, last)) continue;
                upsert(sel, name, first, last);
            }
            return sel;
        }
        for (const NodeView& n : in_.nodes) {
            if (!n.is_symbol || !n.path || *n.path != base) continue;
            upsert(sel, std::string(n.name.value_or("")), n.line_start.value_or(0), n.line_end.value_or(20));
            if (sel.size() >= kFunctionsPerFile) break;
        }
        return sel;
    }

    // A later record of the same name replaces the earlier one in its place.
    static void upsert(std::vector<FunctionSpan>& sel, std::string name, std::int64_t first, std::int64_t last) {
        for (FunctionSpan& f : sel) {
            if (f.name == name) {
                f.line_start = first;
                f.line_end = last;
                return;
            }
        }
        sel.push_back(FunctionSpan{std::move(name), first, last});
    }

    // A function entry's `lines` when it is a list of exactly two integers.
    static bool row_pair(const Json& entry, std::int64_t& first, std::int64_t& last) {
        const Json* rows = member(entry, "lines");
        if (!rows || !rows->is_array() || rows->size() != 2) return false;
        const auto a = int_value((*rows)[0]);
        const auto b = int_value((*rows)[1]);
        if (!a || !b) return false;
        first = *a;
        last = *b;
        return true;
    }

    // The excerpt text of a file; a file repeated among the chosen ids is read once.
    const std::string& excerpt_of(std::string_view base) {
        const auto it = excerpts_.find(base);
        if (it != excerpts_.end()) return it->second;
        const std::vector<FunctionSpan> sel = code_selection(base);
        std::string text =
            sel.empty() ? std::string() : read_symbol_content(in_.project_root, std::string(base), sel, kExcerptRows);
        return excerpts_.emplace(std::string(base), std::move(text)).first->second;
    }

    std::string key_code(std::int64_t remaining) {
        const std::int64_t share = trunc_sat(static_cast<double>(in_.token_budget) * 0.45);
        const std::int64_t code_budget = std::min(remaining, share);
        const std::string heading = "### Key Code (pre-loaded)";
        std::int64_t used = estimate_tokens(heading);
        std::vector<std::string> parts{heading};
        for (std::size_t i = 0; i < file_ids_.size() && i < kKeyCodeFiles; ++i) {
            if (add_sat(code_budget, -used) < kKeyCodeStop) break;
            const std::string_view base = base_file(file_ids_[i]);
            const std::string& text = excerpt_of(base);
            if (text.empty()) continue;
            const std::string fence = "```" + fence_language(base) + "\n";
            std::string block = fence + text + "\n```";
            const std::int64_t cost = estimate_tokens(block);
            if (add_sat(used, cost) > code_budget) {
                // A file is tried only with kKeyCodeStop tokens left, so the cut always has
                // room for at least 640 characters: a cut is never too short to show.
                const std::int64_t char_budget = trunc_sat(static_cast<double>(add_sat(code_budget, -used)) * 3.2);
                std::string_view cut = core::cp_prefix(text, static_cast<std::size_t>(char_budget));
                if (const std::size_t nl = cut.rfind('\n'); nl != std::string_view::npos) cut = cut.substr(0, nl);
                parts.push_back(fence + std::string(cut) + "\n# ... truncated\n```");
                break;
            }
            parts.push_back(std::move(block));
            used = add_sat(used, cost);
        }
        return parts.size() > 1 ? join_lines(parts) : std::string();
    }

    static std::string shown_row(std::int64_t row) { return std::to_string(row >= 0 ? add_sat(row, 1) : row); }

    std::string recommended_reads() const {
        std::vector<std::string> lines{"### Recommended Reads"};
        std::int64_t added = 0;
        for (const std::string& fid : file_ids_) {
            if (added >= in_.max_read_targets) break;
            const std::string_view base = base_file(fid);
            const Json* funcs = member(summary_of(base), "functions");
            if (!funcs || !truthy(*funcs)) {
                for (const NodeView& n : in_.nodes) {
                    if (!n.is_symbol || !n.path || *n.path != base) continue;
                    const std::int64_t first = add_sat(n.line_start.value_or(0), 1);
                    const std::int64_t last = add_sat(n.line_end.value_or(first), 1);
                    lines.push_back("- `" + std::string(base) + "` lines " + std::to_string(first) + "-" +
                                    std::to_string(last) + ": `" + std::string(n.name.value_or("unknown")) + "()`");
                    if (++added >= in_.max_read_targets) break;
                }
                continue;
            }
            if (!funcs->is_object()) continue;
            std::size_t taken = 0;
            for (const auto& [name, entry] : funcs->items()) {
                if (taken++ == kFunctionsPerFile) break;
                if (added >= in_.max_read_targets) break;
                if (name.empty()) continue;
                std::int64_t first = 0, last = 0;
                if (!row_pair(entry, first, last) || (first == 0 && last == 0)) continue;
                std::string line = "- `" + std::string(base) + "` lines " + shown_row(first) + "-" + shown_row(last) +
                                   ": `" + name + "()`";
                if (const Json* d = member(entry, "description"); d && truthy(*d)) line += " -- " + display_text(*d);
                lines.push_back(std::move(line));
                ++added;
            }
        }
        return added > 0 ? join_lines(lines) : std::string();
    }

    std::string key_relationships() const {
        std::vector<std::string> lines{"### Key Relationships"};
        int count = 0;
        for (const EdgeView& e : in_.edges) {
            if (count >= kRelationLines) break;
            if (!chosen_.contains(e.from) && !chosen_.contains(e.to)) continue;
            if (!relevant_rel(e.rel)) continue;
            lines.push_back("- `" + std::string(basename(e.from)) + "` --" + std::string(e.rel) + "--> `" +
                            std::string(basename(e.to)) + "`");
            ++count;
        }
        return count > 0 ? join_lines(lines) : std::string();
    }

    const PackInput& in_;
    std::vector<std::string> file_ids_;
    std::set<std::string, std::less<>> chosen_;
    std::map<std::string, std::string, std::less<>> excerpts_;
};

}  // namespace

std::string_view base_file(std::string_view file_id) {
    const std::size_t i = file_id.find("::");
    return i == std::string_view::npos ? file_id : file_id.substr(0, i);
}

std::string_view basename(std::string_view path) {
    const std::size_t i = path.rfind('/');
    return i == std::string_view::npos ? path : path.substr(i + 1);
}

std::string fence_language(std::string_view base) {
    const std::size_t dot = base.rfind('.');
    if (dot == std::string_view::npos) return {};
    const std::string_view ext = base.substr(dot + 1);
    if (ext == "py") return "python";
    if (ext == "ts") return "typescript";
    if (ext == "js") return "javascript";
    return std::string(ext);  // tsx, jsx and go are their own names
}

std::string pack(const PackInput& in) { return Packer(in).run(); }

}  // namespace packing

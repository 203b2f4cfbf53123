#include "agent/guard_attention.hpp"

#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "agent/guard_values.hpp"
#include "core/fs.hpp"
#include "core/names.hpp"
#include "core/paths.hpp"
#include "core/text.hpp"

namespace agent::guard {

namespace paths = core::paths;

namespace {

// Lone surrogates other than the escapes of undecodable bytes (U+DC80..U+DCFF) cannot
// become a file name: the host raises before it looks at the file system.
bool encodable(std::string_view p) {
    for (std::size_t i = 0; i + 2 < p.size(); ++i) {
        if (static_cast<unsigned char>(p[i]) != 0xED) continue;
        const auto b1 = static_cast<unsigned char>(p[i + 1]), b2 = static_cast<unsigned char>(p[i + 2]);
        if (b1 < 0xA0) continue;
        const char32_t cp = 0xD000 | ((b1 & 0x3Fu) << 6) | (b2 & 0x3Fu);
        if (cp < 0xDC80) return false;
    }
    return true;
}

// Path(p).resolve(); throws where the host raises.
std::string host_resolve(std::string_view p) {
    if (!encodable(p)) throw Unusable("path cannot be encoded");
    return paths::resolve(p);
}

// Path(p).resolve() for many paths under a few directories: each directory is resolved
// once, and a path whose last component is no link is its resolved directory joined with
// that component, which is what the component-by-component resolution gives.
class Resolver {
public:
    std::string operator()(const std::string& p) {
        const std::string n = paths::normalize(p);
        const std::string dir = paths::parent(n), leaf = paths::name(n);
        if (!encodable(n) || dir == n || leaf.empty() || leaf == ".." || n.find("..") != std::string::npos ||
            n.find('\0') != std::string::npos)
            return host_resolve(n);
        auto it = dirs_.find(dir);
        if (it == dirs_.end()) it = dirs_.emplace(dir, host_resolve(dir)).first;
        std::string joined = paths::join(it->second, leaf);
        if (core::fs::is_link(joined)) return host_resolve(n);
        return joined;
    }

private:
    std::unordered_map<std::string, std::string> dirs_;
};

const KindWeight* weight_of(const core::Json& kind) {
    // KIND_WEIGHT.get(kind, 0): a list or an object cannot be looked up at all.
    if (kind.is_array() || kind.is_object()) throw Unusable("kind is unhashable");
    if (!kind.is_string()) return nullptr;
    const std::string& k = kind.get_ref<const std::string&>();
    for (const auto& w : KIND_WEIGHT)
        if (w.kind == k) return &w;
    return nullptr;
}

const core::Json* member(const core::Json& obj, const char* key) {
    const auto it = obj.find(key);
    return it == obj.end() ? nullptr : &*it;
}

}  // namespace

std::vector<AttentionEntry> build_attention(const core::Json& doc, std::int64_t now) {
    if (!doc.is_object()) throw Unusable("chat action graph is no object");
    std::vector<AttentionEntry> out;
    const core::Json* actions = member(doc, "actions");
    if (!actions || !truthy(*actions)) return out;
    if (!actions->is_array()) throw Unusable("actions is no list");
    std::unordered_map<std::string, std::size_t> index;
    std::optional<std::size_t> bad;
    for (const core::Json& a : *actions) {
        if (!a.is_object()) throw Unusable("action is no object");
        static const core::Json no_kind = "";
        const core::Json* kind = member(a, "kind");
        const KindWeight* w = weight_of(kind ? *kind : no_kind);
        if (!w) continue;
        const core::Json* payload = member(a, "payload");
        if (!payload || !truthy(*payload)) continue;
        if (!payload->is_object()) throw Unusable("payload is no object");
        const core::Json* f = member(*payload, "file");
        if (!f || !truthy(*f)) continue;
        const core::Json* ts_value = member(a, "ts");
        const std::int64_t ts = ts_value && truthy(*ts_value) ? host_int(*ts_value) : 0;
        // Times are far inside the int64 range in any real session; saturated ones stay
        // ordered and their differences cannot overflow.
        const std::int64_t t = std::clamp<std::int64_t>(ts, -(std::int64_t{1} << 62), std::int64_t{1} << 62);
        const std::int64_t age = std::max<std::int64_t>(0, now - t);
        const double decay = std::pow(DECAY_BASE, -static_cast<double>(age) / DECAY_PERIOD);

        if (f->is_array() || f->is_object()) throw Unusable("file is unhashable");
        std::size_t at = 0;
        if (f->is_string()) {
            auto [it, fresh] = index.try_emplace(f->get<std::string>(), out.size());
            if (fresh) out.push_back(AttentionEntry{it->first, true, Attention{}});
            at = it->second;
        } else {
            // Matching stops at the first file that is no text, so one entry stands
            // for all of them.
            if (!bad) {
                bad = out.size();
                out.push_back(AttentionEntry{std::string(), false, Attention{}});
            }
            at = *bad;
        }
        Attention& rec = out[at].rec;
        rec.score += w->weight * decay;
        (w->read ? rec.reads : rec.edits) += 1;
        rec.last_ts = std::max(rec.last_ts, t);
    }
    return out;
}

std::optional<std::string> find_data_dir(const std::vector<std::string>& targets, std::string_view env_dir) {
    if (!env_dir.empty()) return paths::normalize(env_dir);
    std::vector<std::string> roots;
    for (const auto& p : targets) roots.push_back(host_resolve(paths::expand_user(p)));
    roots.push_back(paths::cwd());
    for (const auto& root : roots) {
        std::string dir = root;
        while (true) {
            const std::string candidate = paths::join(dir, core::names::DATA_DIR);
            if (core::fs::exists(paths::join(candidate, core::names::ACTION_GRAPH_FILE))) return candidate;
            const std::string up = paths::parent(dir);
            if (up == dir) break;
            dir = up;
        }
    }
    return std::nullopt;
}

std::string normalize_target(std::string_view raw) {
    try {
        return host_resolve(paths::expand_user(raw));
    } catch (const std::exception&) {
        return paths::normalize(raw);
    }
}

std::vector<AtRisk> match_targets(const std::vector<std::string>& targets, std::string_view project_root,
                                  const std::vector<AttentionEntry>& attention) {
    std::vector<AtRisk> at_risk;
    // Each file's absolute path is the same for every target: resolve it once.
    std::vector<std::optional<std::string>> resolved(attention.size());
    Resolver resolve;
    for (const auto& raw : targets) {
        const std::string abs_target = normalize_target(raw);
        for (std::size_t i = 0; i < attention.size(); ++i) {
            const AttentionEntry& e = attention[i];
            if (!e.text) throw Unusable("file is no text");
            if (!resolved[i]) {
                try {
                    resolved[i] = resolve(paths::join(project_root, e.file));
                } catch (const std::exception&) {
                    resolved[i] = paths::normalize(e.file);
                }
            }
            if (!paths::same(abs_target, *resolved[i])) continue;
            if (e.rec.score >= ATTENTION_THRESHOLD) at_risk.push_back(AtRisk{e.file, e.rec});
            break;
        }
    }
    return at_risk;
}

std::string age_text(std::int64_t now, std::int64_t last_ts) {
    if (last_ts == 0) return "?";
    const double minutes = static_cast<double>(now - last_ts) / 60.0;
    return std::to_string(static_cast<std::int64_t>(std::nearbyint(minutes)));
}

Verdict verdict(std::vector<AtRisk> at_risk, bool is_hard, std::string_view op_label, std::int64_t now) {
    if (at_risk.empty()) return {};
    std::stable_sort(at_risk.begin(), at_risk.end(),
                     [](const AtRisk& a, const AtRisk& b) { return a.rec.score > b.rec.score; });
    if (at_risk.size() > WARNING_LINES) at_risk.resize(WARNING_LINES);
    std::int64_t max_edits = 0;
    for (const auto& e : at_risk) max_edits = std::max(max_edits, e.rec.edits);
    const bool hard = is_hard && max_edits >= HARD_BLOCK_EDITS;

    Verdict v;
    v.status = hard ? 2 : 1;
    std::string& t = v.text;
    t += "Tarvelle Halberk [";
    t += hard ? "HARD BLOCK" : "WARNING";
    t += "]\nOperation: ";
    t += op_label;
    t += "\n\nThe following high-attention files will be affected:\n\n";
    for (const auto& e : at_risk) {
        std::string details;
        if (e.rec.reads != 0) details += "read " + std::to_string(e.rec.reads) + "\u00d7";
        if (e.rec.edits != 0) {
            if (!details.empty()) details += ", ";
            details += "edited " + std::to_string(e.rec.edits) + "\u00d7";
        }
        t += "  " + e.path + "  [" + details + ", last touched " + age_text(now, e.rec.last_ts) + " min ago]\n";
    }
    t += "\nThis operation cannot be undone.\n";
    t += hard ? "Please type 'yes, proceed' to confirm, or rephrase your request."
              : "Please confirm with the user before proceeding.";
    t += "\n\n  (To bypass: set KESTIL_HALBERK=0 in your environment)";
    return v;
}

Verdict attention_verdict(const Call& call, std::string_view env_dir, std::int64_t now) {
    const auto data_dir = find_data_dir(call.paths, env_dir);
    if (!data_dir) return {};
    const std::string project_root = paths::parent(*data_dir);
    std::string bytes;
    if (data_dir->find('\0') != std::string::npos) return {};
    if (core::fs::current().read_file(paths::join(*data_dir, core::names::ACTION_GRAPH_FILE), bytes) != 0) return {};
    if (!core::is_valid_utf8(bytes)) return {};
    core::Json doc;
    try {
        doc = core::json_loads(bytes, core::Bom::Reject);
    } catch (const core::JsonError&) {
        return {};
    }
    const auto attention = build_attention(doc, now);
    return verdict(match_targets(call.paths, project_root, attention), call.is_hard, call.op_label, now);
}

}  // namespace agent::guard

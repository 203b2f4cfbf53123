#include "retrieval/capability_index.hpp"

#include <unordered_set>

#include "core/fs.hpp"
#include "core/text.hpp"

namespace retrieval {

std::vector<CapabilityEntry> parse_capability_index(std::string_view text) {
    std::vector<CapabilityEntry> out;
    CapabilityEntry cur;
    auto flush = [&] {
        if (!cur.name.empty() && (!cur.keywords.empty() || !cur.files.empty())) out.push_back(std::move(cur));
        cur = CapabilityEntry();
    };
    for (std::string_view raw : core::splitlines(text)) {
        const std::string_view line = core::strip(raw);
        if (line.empty()) continue;
        if (line.starts_with("## ")) {
            flush();
            cur.name = core::strip(line.substr(3));
        } else if (core::lower(line).starts_with("keywords:")) {
            cur.keywords.clear();
            const std::string_view rest = line.substr(line.find(':') + 1);
            for (std::string_view part : core::split_sep(rest, ",")) {
                part = core::strip(part);
                if (!part.empty()) cur.keywords.push_back(core::lower(part));
            }
        } else if (line.starts_with("- ")) {
            const std::string_view item = core::strip_chars(core::strip(line.substr(2)), "`");
            if (item.find('/') != std::string_view::npos && item.find('.') != std::string_view::npos)
                cur.files.emplace_back(item);
        }
    }
    flush();
    return out;
}

std::vector<CapabilityEntry> load_capability_index(const std::string& path) {
    if (!core::fs::exists(path)) return {};
    return parse_capability_index(core::decode_utf8_ignore(core::fs::read_whole(path)));
}

void Boosts::raise(const std::string& path, std::int64_t boost) {
    const auto [it, fresh] = index_.emplace(path, entries_.size());
    if (fresh)
        entries_.emplace_back(path, boost);
    else if (entries_[it->second].second < boost)
        entries_[it->second].second = boost;
}

const std::int64_t* Boosts::find(std::string_view path) const {
    const auto it = index_.find(path);
    return it == index_.end() ? nullptr : &entries_[it->second].second;
}

Boosts capability_file_boosts(const std::vector<std::string>& terms, const std::vector<CapabilityView>& caps) {
    const std::unordered_set<std::string_view> q(terms.begin(), terms.end());
    Boosts boosts;
    for (const CapabilityView& cap : caps) {
        std::unordered_set<std::string> kw;
        for (std::string_view k : cap.keywords) kw.insert(core::lower(k));
        std::int64_t overlap = 0;
        for (const std::string& k : kw)
            if (q.count(k)) ++overlap;
        if (overlap == 0) continue;
        for (std::string_view f : cap.files) boosts.raise(std::string(f), 4 + 2 * overlap);
    }
    return boosts;
}

Boosts capability_file_boosts(const std::vector<std::string>& terms, const std::vector<CapabilityEntry>& caps) {
    std::vector<CapabilityView> views(caps.size());
    for (std::size_t i = 0; i < caps.size(); ++i) {
        views[i].keywords.assign(caps[i].keywords.begin(), caps[i].keywords.end());
        views[i].files.assign(caps[i].files.begin(), caps[i].files.end());
    }
    return capability_file_boosts(terms, views);
}

}  // namespace retrieval

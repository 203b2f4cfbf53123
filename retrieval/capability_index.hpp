#pragma once
// The capability index: a Markdown file of sections (a "## " heading, a "keywords:"
// line, "- " file items) read into entries, and the file boosts of the entries whose
// keywords share words with the query's terms. Parsing is one pass over the text;
// boosts cost the total size of the matching entries.
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace retrieval {

struct CapabilityEntry {
    std::string name;
    std::vector<std::string> keywords;
    std::vector<std::string> files;
};

// The entries of an index text (already decoded), in section order.
std::vector<CapabilityEntry> parse_capability_index(std::string_view text);
// The entries of the file at `path`: none when nothing exists there; undecodable bytes
// are dropped. core::OsError when something exists but cannot be read.
std::vector<CapabilityEntry> load_capability_index(const std::string& path);

// Path (or prefix) to boost, in the order of first boost, with lookup by path.
class Boosts {
public:
    void raise(const std::string& path, std::int64_t boost);  // keeps the larger
    const std::vector<std::pair<std::string, std::int64_t>>& entries() const { return entries_; }
    const std::int64_t* find(std::string_view path) const;
    bool empty() const { return entries_.empty(); }

private:
    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>()(s); }
    };
    std::vector<std::pair<std::string, std::int64_t>> entries_;
    std::unordered_map<std::string, std::size_t, Hash, std::equal_to<>> index_;
};

// Views of one entry's keywords and files, so callers may hand their own storage.
struct CapabilityView {
    std::vector<std::string_view> keywords;
    std::vector<std::string_view> files;
};

// 4 + 2 * (number of distinct terms equal to a lower-cased keyword of the entry), for
// every file of each entry with at least one shared word; the larger boost wins.
Boosts capability_file_boosts(const std::vector<std::string>& terms, const std::vector<CapabilityView>& caps);
Boosts capability_file_boosts(const std::vector<std::string>& terms, const std::vector<CapabilityEntry>& caps);

}  // namespace retrieval

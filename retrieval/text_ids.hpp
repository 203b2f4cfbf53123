#pragma once
// Small integer ids for the distinct texts of one retrieval (edge ends and node ids),
// so that degrees, importers and chosen ids are arrays indexed by id rather than maps
// of texts. Open addressing over views of texts that the caller keeps alive; one hash
// per insert or lookup, amortised constant time.
#include <cstdint>
#include <string_view>
#include <vector>

namespace retrieval {

class TextIds {
public:
    static constexpr std::uint32_t kNone = UINT32_MAX;
    explicit TextIds(std::size_t expected = 0);
    // The id of `text`, a new one (the next integer) when it is not known yet.
    std::uint32_t intern(std::string_view text);
    // The same with text_hash(text) given, so hashes may be computed apart (in parallel).
    std::uint32_t intern(std::string_view text, std::uint64_t hash);
    // The id of `text`, or kNone.
    std::uint32_t find(std::string_view text) const;
    std::size_t size() const { return count_; }

private:
    // Eight bytes a slot, so the table stays in cache; the texts are kept by id.
    struct Slot {
        std::uint32_t hash = 0;
        std::uint32_t id = kNone;
    };
    std::vector<Slot> slots_;
    std::vector<std::string_view> texts_;
    std::size_t count_ = 0;
    void grow();
};

std::uint64_t text_hash(std::string_view s);

}  // namespace retrieval

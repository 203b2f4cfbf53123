#include "retrieval/text_ids.hpp"

#include <cstring>

namespace retrieval {

std::uint64_t text_hash(std::string_view s) {
    // Eight bytes at a time, multiplied and folded: ids and paths are short texts.
    constexpr std::uint64_t k = 0x9E3779B97F4A7C15ull;
    std::uint64_t h = s.size() * k;
    std::size_t i = 0;
    for (; i + 8 <= s.size(); i += 8) {
        std::uint64_t w;
        std::memcpy(&w, s.data() + i, 8);
        h = (h ^ w) * k;
        h ^= h >> 29;
    }
    std::uint64_t tail = 0;
    if (i < s.size()) std::memcpy(&tail, s.data() + i, s.size() - i);
    h = (h ^ tail) * k;
    return h ^ (h >> 32);
}

TextIds::TextIds(std::size_t expected) {
    std::size_t cap = 16;
    while (cap < expected * 2) cap *= 2;
    slots_.resize(cap);
    texts_.reserve(expected);
}

void TextIds::grow() {
    std::vector<Slot> old(slots_.size() * 2);
    old.swap(slots_);
    const std::size_t mask = slots_.size() - 1;
    for (const Slot& s : old) {
        if (s.id == kNone) continue;
        std::size_t at = (std::size_t{s.hash} * 0x9E3779B1u) & mask;
        while (slots_[at].id != kNone) at = (at + 1) & mask;
        slots_[at] = s;
    }
}

std::uint32_t TextIds::intern(std::string_view text) { return intern(text, text_hash(text)); }

std::uint32_t TextIds::intern(std::string_view text, std::uint64_t hash) {
    if ((count_ + 1) * 2 > slots_.size()) grow();
    const auto h = static_cast<std::uint32_t>(hash);
    const std::size_t mask = slots_.size() - 1;
    std::size_t at = (std::size_t{h} * 0x9E3779B1u) & mask;
    while (slots_[at].id != kNone) {
        if (slots_[at].hash == h && texts_[slots_[at].id] == text) return slots_[at].id;
        at = (at + 1) & mask;
    }
    slots_[at] = {h, static_cast<std::uint32_t>(count_)};
    texts_.push_back(text);
    return static_cast<std::uint32_t>(count_++);
}

std::uint32_t TextIds::find(std::string_view text) const {
    const auto h = static_cast<std::uint32_t>(text_hash(text));
    const std::size_t mask = slots_.size() - 1;
    std::size_t at = (std::size_t{h} * 0x9E3779B1u) & mask;
    while (slots_[at].id != kNone) {
        if (slots_[at].hash == h && texts_[slots_[at].id] == text) return slots_[at].id;
        at = (at + 1) & mask;
    }
    return kNone;
}

}  // namespace retrieval

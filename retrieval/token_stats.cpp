#include "retrieval/token_stats.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <unordered_map>

#include "core/builtins.hpp"
#include "core/text.hpp"
#include "core/value.hpp"

namespace retrieval {

namespace {

constexpr std::size_t kRecentRows = 20;

[[noreturn]] void too_wide() { throw std::overflow_error("token count beyond 128 bits"); }

// ASCII decimal text, optionally signed, as a count; nullopt when it is no such text,
// std::overflow_error beyond 128 bits.
std::optional<TokenCount> parse_count(std::string_view digits) {
    const bool negative = !digits.empty() && digits.front() == '-';
    if (negative) digits.remove_prefix(1);
    if (digits.empty()) return std::nullopt;
    TokenCount v = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        // Accumulate toward the negative side, which holds one value more.
        if (core::mul_overflow(v, 10, &v) || core::sub_overflow(v, c - '0', &v)) too_wide();
    }
    if (negative) return v;
    if (v == std::numeric_limits<TokenCount>::min()) too_wide();
    return -v;
}

core::Json count_json(TokenCount v) {
    if (v >= std::numeric_limits<std::int64_t>::min() && v <= std::numeric_limits<std::int64_t>::max())
        return static_cast<std::int64_t>(v);
    return core::big_int(count_text(v));
}

}  // namespace

std::string count_text(TokenCount v) {
    if (v == 0) return "0";
    std::string out;
    const bool negative = v < 0;
    while (v != 0) {
        const auto digit = static_cast<int>(v % 10);
        out.push_back(static_cast<char>('0' + (negative ? -digit : digit)));
        v /= 10;
    }
    if (negative) out.push_back('-');
    std::reverse(out.begin(), out.end());
    return out;
}

std::optional<TokenCount> tokens_of(const core::Json& value) {
    using T = core::Json::value_t;
    switch (value.type()) {
        case T::number_integer:
            return value.get<std::int64_t>();
        case T::number_unsigned:
            return value.get<std::uint64_t>();
        case T::boolean:
            return value.get<bool>() ? 1 : 0;
        case T::number_float: {
            const double d = std::trunc(value.get<double>());
            if (!std::isfinite(d)) return std::nullopt;
            // 2^127 bounds the 128-bit range; every finite double below it converts exactly.
            if (std::fabs(d) >= 0x1p127) too_wide();
            return static_cast<TokenCount>(d);
        }
        case T::string: {
            const std::optional<std::string> digits = core::int_text(value.get_ref<const std::string&>());
            if (!digits) return std::nullopt;
            return parse_count(*digits);
        }
        case T::binary:
            if (core::is_big_int(value)) return parse_count(core::big_int_text(value));
            return std::nullopt;
        default:
            return std::nullopt;
    }
}

TokenStats token_stats(const std::vector<core::Json>& rows) {
    TokenStats stats;
    std::unordered_map<std::string, std::size_t> mode_index;
    std::size_t first_recent = 0;
    std::vector<const core::Json*> events;
    for (const core::Json& row : rows) {
        if (!row.is_object()) continue;
        events.push_back(&row);
        TokenCount tokens = 0;
        if (const auto it = row.find("total_tokens"); it != row.end()) tokens = tokens_of(*it).value_or(0);
        const auto mode_it = row.find("mode");
        std::string mode = mode_it == row.end() ? std::string("unknown") : core::display_text(*mode_it);
        auto [slot, inserted] = mode_index.emplace(std::move(mode), stats.by_mode.size());
        if (inserted) stats.by_mode.emplace_back(slot->first, 0);
        TokenCount& mode_sum = stats.by_mode[slot->second].second;
        if (core::add_overflow(stats.total_tokens, tokens, &stats.total_tokens) ||
            core::add_overflow(mode_sum, tokens, &mode_sum))
            throw std::overflow_error("token total beyond 128 bits");
    }
    stats.event_count = events.size();
    if (events.size() > kRecentRows) first_recent = events.size() - kRecentRows;
    for (std::size_t i = first_recent; i < events.size(); ++i) stats.recent.push_back(*events[i]);
    return stats;
}

std::string token_stats_text(const TokenStats& stats) {
    std::string out = "Events: " + std::to_string(stats.event_count) + "\n";
    out += "Total tokens: " + count_text(stats.total_tokens) + "\n";
    std::vector<const std::pair<std::string, TokenCount>*> modes;
    for (const auto& m : stats.by_mode) modes.push_back(&m);
    // Byte order of UTF-8 is the code-point order of the texts.
    std::sort(modes.begin(), modes.end(), [](const auto* a, const auto* b) { return a->first < b->first; });
    for (const auto* m : modes) out += "- " + m->first + ": " + count_text(m->second) + "\n";
    return out;
}

std::string token_stats_json(const TokenStats& stats) {
    core::Json record = core::Json::object();
    record["event_count"] = stats.event_count;
    record["total_tokens"] = count_json(stats.total_tokens);
    core::Json by_mode = core::Json::object();
    for (const auto& [mode, sum] : stats.by_mode) by_mode[mode] = count_json(sum);
    record["by_mode"] = std::move(by_mode);
    core::Json recent = core::Json::array();
    for (const core::Json& row : stats.recent) recent.push_back(row);
    record["recent"] = std::move(recent);
    std::string out = core::json_dumps_indent(record);
    out.push_back('\n');
    return out;
}

}  // namespace retrieval

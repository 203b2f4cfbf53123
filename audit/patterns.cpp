#include "audit/patterns.hpp"

#include "core/text.hpp"

namespace audit {

namespace {

constexpr unsigned I = core::RE_IGNORECASE;

const core::Regex& compiled(std::size_t i) {
    static const std::vector<core::Regex> all = [] {
        std::vector<core::Regex> out;
        for (const auto& p : pattern_specs()) out.emplace_back(p.text, p.flags);
        return out;
    }();
    return all[i];
}

}  // namespace

const std::vector<PatternSpec>& pattern_specs() {
    static const std::vector<PatternSpec> specs = {
        {"TEST_PAT", R"re((?:\.test\.|\.spec\.|_test\.|test_|spec_|__tests__/|/tests?/))re", I},
        {"DB_RE",
         R"re((?:db\.|prisma\.|mongoose\.|sqlalchemy\.|session\.query|\.query\s*\(|\.execute\s*\(|\.find(?:One|All|Many)?\s*\(|\.save\s*\(|\.create\s*\(|cursor\.execute))re",
         I},
        {"ROUTE_RE", R"re((?:routes?|controllers?|handlers?|views?|api))re", I},
        {"TODO_RE", "(?:TODO|FIXME|HACK|XXX)\\s*(?:\\([^)]*\\))?[:\xEF\xBC\x9A]?\\s*(.{3,})", I},
        {"EXTERNAL_RE",
         R"re((?:fetch\s*\(|axios\.[a-z]+\s*\(|http(?:s)?\.request\s*\(|requests\.[a-z]+\s*\(|urllib\.request\.|grpc\.|\.rpc\s*\())re",
         I},
        {"ERR_RE", R"re(\btry\b|\bcatch\b|\bexcept\b|\brescue\b)re", I},
        {"test stem suffix", R"re((?:\.test|\.spec|_test|_spec)$)re", I},
        {"test stem prefix", R"re(^(?:test_|spec_))re", I},
    };
    return specs;
}

std::string_view match_subject(std::string_view s, std::string& buf) {
    if (core::is_valid_utf8(s)) return s;
    buf.assign(s);
    for (std::size_t i = 0; i + 2 < buf.size(); ++i) {
        const auto b0 = static_cast<unsigned char>(buf[i]), b1 = static_cast<unsigned char>(buf[i + 1]);
        if (b0 == 0xED && b1 >= 0xA0 && b1 <= 0xBF) {
            buf.replace(i, 3, "\xEF\xBF\xBD");
            i += 2;
        }
    }
    return buf;
}

const core::Regex& test_pat() { return compiled(0); }
const core::Regex& db_re() { return compiled(1); }
const core::Regex& route_re() { return compiled(2); }
const core::Regex& todo_re() { return compiled(3); }
const core::Regex& external_re() { return compiled(4); }
const core::Regex& err_re() { return compiled(5); }
const core::Regex& test_stem_suffix_re() { return compiled(6); }
const core::Regex& test_stem_prefix_re() { return compiled(7); }

}  // namespace audit

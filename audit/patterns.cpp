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

// The first byte, at or after `from`, that is outside ASCII or begins one of `words`
// (lower case) in any ASCII case; npos when there is none.
template <std::size_t N>
class Candidates {
public:
    explicit constexpr Candidates(const std::string_view (&words)[N]) : words_(words) {
        for (std::string_view w : words) {
            const auto c = static_cast<unsigned char>(w[0]);
            first_[c] = true;
            if (c >= 'a' && c <= 'z') first_[c - 32] = true;
        }
        for (std::size_t c = 0x80; c < 256; ++c) first_[c] = true;
    }

    std::size_t find(std::string_view text, std::size_t from) const {
        const auto* p = reinterpret_cast<const unsigned char*>(text.data());
        const std::size_t n = text.size();
        for (std::size_t i = from; i < n; ++i) {
            const unsigned char c = p[i];
            if (!first_[c]) continue;
            if (c >= 0x80) return i;
            for (std::string_view w : words_) {
                if (n - i < w.size()) continue;
                std::size_t k = 0;
                for (; k < w.size(); ++k) {
                    unsigned char b = p[i + k];
                    if (b >= 'A' && b <= 'Z') b += 32;
                    if (b != static_cast<unsigned char>(w[k])) break;
                }
                if (k == w.size()) return i;
            }
        }
        return std::string_view::npos;
    }

private:
    const std::string_view (&words_)[N];
    bool first_[256] = {};
};

constexpr std::string_view kTodoWords[] = {"todo", "fixme", "hack", "xxx"};
constexpr std::string_view kExternalWords[] = {"fetch",           "axios.", "http", "requests.",
                                               "urllib.request.", "grpc.",  ".rpc"};
const Candidates kTodo(kTodoWords);
const Candidates kExternal(kExternalWords);

}  // namespace

std::size_t todo_candidate(std::string_view text, std::size_t from) { return kTodo.find(text, from); }
std::size_t external_candidate(std::string_view text, std::size_t from) { return kExternal.find(text, from); }
bool may_match_todo(std::string_view text) { return todo_candidate(text, 0) != std::string_view::npos; }
bool may_match_external(std::string_view text) { return external_candidate(text, 0) != std::string_view::npos; }

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

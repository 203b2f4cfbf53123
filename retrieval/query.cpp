#include "retrieval/query.hpp"

#include <algorithm>
#include <array>
#include <unordered_set>

#include "core/pattern.hpp"
#include "core/text.hpp"

namespace retrieval {

namespace {

constexpr std::array<std::string_view, 33> STOP_WORDS = {
    "a",      "an",  "the",    "to",   "for",  "with",        "from",      "and",    "or",   "of",   "on",
    "in",     "by",  "you",    "your", "can",  "could",       "should",    "would",  "will", "want", "need",
    "please", "fix", "update", "make", "show", "differently", "different", "change", "do",   "it",   "api"};

bool is_stop_word(std::string_view w) { return std::find(STOP_WORDS.begin(), STOP_WORDS.end(), w) != STOP_WORDS.end(); }

bool is_term_char(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

const core::Regex& route_pattern() {
    static const core::Regex re(R"(\b(GET|POST|PUT|DELETE|PATCH)\s+(/[\w/\-{}:]+))", core::RE_IGNORECASE);
    return re;
}

const core::Regex& route_intent_pattern() {
    static const core::Regex re(R"(\b(GET|POST|PUT|DELETE|PATCH)\s+/\S+)", core::RE_IGNORECASE);
    return re;
}

// A text the pattern engine accepts: a lone surrogate (3 bytes ED A0..BF xx) becomes
// U+FFFD (3 bytes too), which no class of the two route patterns takes either, so
// matches and their offsets are unchanged.
std::string_view matchable(std::string_view s, std::string& buf) {
    std::size_t i = s.find('\xED');
    if (i == std::string_view::npos) return s;
    buf.assign(s);
    for (; i + 2 < buf.size(); ++i) {
        if (static_cast<unsigned char>(buf[i]) == 0xED && static_cast<unsigned char>(buf[i + 1]) >= 0xA0) {
            buf[i] = '\xEF';
            buf[i + 1] = '\xBF';
            buf[i + 2] = '\xBD';
            i += 2;
        }
    }
    return buf;
}

struct IntentWords {
    std::string_view intent;
    std::initializer_list<std::string_view> words;
};

}  // namespace

bool contains_any(std::string_view text, std::initializer_list<std::string_view> words) {
    for (std::string_view w : words)
        if (text.find(w) != std::string_view::npos) return true;
    return false;
}

std::vector<std::string> tokenize_query(std::string_view text) {
    const std::string lowered = core::lower(text);
    std::vector<std::string> out;
    std::unordered_set<std::string> taken;
    std::size_t i = 0;
    const std::size_t n = lowered.size();
    while (i < n) {
        if (!is_term_char(lowered[i])) {
            ++i;
            continue;
        }
        std::size_t j = i;
        while (j < n && is_term_char(lowered[j])) ++j;
        const std::string_view run(lowered.data() + i, j - i);
        i = j;
        if (run.size() < 2 || is_stop_word(run)) continue;
        if (!taken.emplace(run).second) continue;
        out.emplace_back(run);
    }
    return out;
}

Route extract_route(std::string_view query) {
    std::string buf;
    const std::string_view subject = matchable(query, buf);
    const auto m = route_pattern().search(subject);
    Route r;
    if (!m) return r;
    r.method = core::upper(m->group(1));
    const std::string_view path = core::strip_chars(m->group(2), "/");
    for (std::string_view piece : core::split_sep(path, "/")) {
        std::string kept;
        for (char c : piece)
            if (c != '{' && c != '}' && c != ':' && c != '<' && c != '>') kept += c;
        if (kept.empty()) continue;
        std::string low = core::lower(kept);
        if (low == "api") continue;
        r.segments.push_back(std::move(low));
    }
    return r;
}

std::size_t count_terms(std::string_view lowered, const std::vector<std::string>& terms) {
    std::size_t n = 0;
    for (const std::string& t : terms)
        if (lowered.find(t) != std::string_view::npos) ++n;
    return n;
}

std::size_t score_text(std::string_view text, const std::vector<std::string>& terms) {
    return count_terms(core::lower(text), terms);
}

std::string_view classify_intent_lowered(std::string_view query, std::string_view q) {
    std::string buf;
    if (route_intent_pattern().search(matchable(query, buf))) return "debug";
    static const IntentWords LISTS[] = {
        {"explain", {"why", "explain", "architecture", "dependency", "how does"}},
        {"debug",
         {"error", "bug", "crash", "failing", "fail", "broken", "stack trace", "500", "404", "returning", "throws",
          "exception"}},
        {"test", {"test", "unit test", "integration test", "coverage"}},
        {"refactor", {"refactor", "cleanup", "simplify", "restructure", "optimize"}},
        {"feature", {"add", "create", "implement", "build", "support"}},
        {"edit", {"fix", "update", "change", "edit", "modify", "patch"}},
    };
    for (const IntentWords& l : LISTS)
        if (contains_any(q, l.words)) return l.intent;
    return "general";
}

std::string_view classify_intent(std::string_view query) { return classify_intent_lowered(query, core::lower(query)); }

std::string_view node_role_lowered(std::string_view p, std::string_view ext) {
    if (ext == ".md") return "docs";
    if (contains_any(p, {"/test/", "/tests/"}) || p.ends_with(".test.ts") || p.ends_with(".spec.ts") ||
        p.ends_with(".test.tsx") || p.ends_with(".spec.tsx"))
        return "test";
    if (p.find("/components/ui/") != std::string_view::npos) return "shared_ui";
    if (contains_any(p, {"/pages/", "/components/features/", "/views/", "/screens/"})) return "ui_surface";
    if (contains_any(p, {"/api/", "/services/", "/store/", "/hooks/", "/utils/"})) return "logic";
    return "code";
}

std::string_view node_role(std::string_view path, std::string_view ext) {
    return node_role_lowered(core::lower(path), ext);
}

namespace {

constexpr std::array<std::string_view, 6> ROLE_COLUMNS = {"ui_surface", "logic", "shared_ui", "code", "docs", "test"};
constexpr std::array<std::string_view, 7> WEIGHT_ROWS = {"edit", "feature", "debug",  "refactor",
                                                         "test", "explain", "general"};
constexpr int WEIGHTS[7][6] = {
    {3, 3, 1, 2, -2, 1},  // edit
    {3, 4, 1, 2, -2, 1},  // feature
    {2, 4, 0, 2, -2, 2},  // debug
    {2, 3, 1, 3, -2, 2},  // refactor
    {1, 2, 0, 1, -2, 5},  // test
    {1, 2, 0, 1, 2, 0},   // explain
    {2, 2, 0, 1, -1, 0},  // general
};

}  // namespace

int intent_row(std::string_view intent) {
    for (std::size_t i = 0; i < WEIGHT_ROWS.size(); ++i)
        if (WEIGHT_ROWS[i] == intent) return static_cast<int>(i);
    return static_cast<int>(WEIGHT_ROWS.size() - 1);
}

int intent_role_weight_at(int row, int role_column) { return role_column < 0 ? 0 : WEIGHTS[row][role_column]; }

int intent_role_weight(std::string_view intent, std::string_view role) {
    for (std::size_t i = 0; i < ROLE_COLUMNS.size(); ++i)
        if (ROLE_COLUMNS[i] == role) return intent_role_weight_at(intent_row(intent), static_cast<int>(i));
    return 0;
}

bool query_scoped_to_feature(std::string_view q) {
    return contains_any(q, {"portal", "checkout", "invoice", "payment", "order", "restaurant", "customer", "admin"});
}

}  // namespace retrieval

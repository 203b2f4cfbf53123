#include "retrieval/scoring.hpp"

#include <algorithm>
#include <bit>
#include <unordered_map>

#include "core/text.hpp"

namespace retrieval {

namespace {

constexpr std::size_t kMaxTermBytes = 4096;

bool has(std::string_view text, std::string_view word) { return text.find(word) != std::string_view::npos; }

// str.lower() into a reused buffer: bytes for ASCII, the full mapping otherwise.
void lower_into(std::string& out, std::string_view s) {
    if (!is_ascii(s)) {
        out = core::lower(s);
        return;
    }
    out.assign(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
}

// Every fixed word that a rule looks for in the lower-cased node path.
enum PathWord : std::size_t {
    TEST_DIR,
    TESTS_DIR,
    COMPONENTS_UI,
    PAGES,
    COMPONENTS_FEATURES,
    VIEWS,
    SCREENS,
    API,
    SERVICES,
    STORE,
    HOOKS,
    UTILS,
    NODE_MODULES,
    SITE_PACKAGES,
    VENV,
    DOT_VENV,
    RESTAURANT_PORTAL,
    CUSTOMER_PORTAL,
    ADMIN_PORTAL,
    PAYMENT,
    INVOICE,
    CHECKOUT,
    ORDER,
    CARD,
    MODAL,
    DETAILS,
    LIST,
    TABLE,
    ORDERS,
    DETAIL,
    PATH_WORDS
};

const std::vector<std::string>& path_word_list() {
    static const std::vector<std::string> words{"/test/",
                                                "/tests/",
                                                "/components/ui/",
                                                "/pages/",
                                                "/components/features/",
                                                "/views/",
                                                "/screens/",
                                                "/api/",
                                                "/services/",
                                                "/store/",
                                                "/hooks/",
                                                "/utils/",
                                                "node_modules/",
                                                "site-packages/",
                                                "/venv/",
                                                "/.venv/",
                                                "restaurant-portal/",
                                                "customer-portal/",
                                                "admin-portal/",
                                                "payment",
                                                "invoice",
                                                "checkout",
                                                "order",
                                                "card",
                                                "modal",
                                                "details",
                                                "list",
                                                "table",
                                                "orders",
                                                "detail"};
    return words;
}

const WordSet& path_words() {
    static const WordSet set(path_word_list());
    return set;
}

constexpr std::uint64_t mask(std::initializer_list<PathWord> words) {
    std::uint64_t m = 0;
    for (PathWord w : words) m |= bit(w);
    return m;
}

constexpr std::uint64_t ROLE_TEST = mask({TEST_DIR, TESTS_DIR});
constexpr std::uint64_t ROLE_UI_SURFACE = mask({PAGES, COMPONENTS_FEATURES, VIEWS, SCREENS});
constexpr std::uint64_t ROLE_LOGIC = mask({API, SERVICES, STORE, HOOKS, UTILS});
constexpr std::uint64_t VENDOR = mask({NODE_MODULES, SITE_PACKAGES, VENV, DOT_VENV});
constexpr std::uint64_t SURFACE = mask({COMPONENTS_FEATURES, PAGES, API});
constexpr std::uint64_t PAYMENT_PATH = mask({PAYMENT, INVOICE, CHECKOUT, ORDER});
constexpr std::uint64_t UI_PATH = mask({CARD, MODAL, DETAILS, LIST, TABLE, ORDERS, CHECKOUT});
constexpr std::uint64_t DETAIL_PATH = mask({CARD, MODAL, DETAIL});
constexpr std::uint64_t LISTING_PATH = mask({LIST, TABLE, PAGES});

// Roles by their column of the role weight table.
enum RoleColumn : int { UI_SURFACE, LOGIC, SHARED_UI, CODE, DOCS, TEST };

// node_role from the path's word mask: the same tests in the same order.
RoleColumn role_of(std::uint64_t m, std::string_view p, std::string_view ext) {
    if (ext == ".md") return DOCS;
    if ((m & ROLE_TEST) || p.ends_with(".test.ts") || p.ends_with(".spec.ts") || p.ends_with(".test.tsx") ||
        p.ends_with(".spec.tsx"))
        return TEST;
    if (m & bit(COMPONENTS_UI)) return SHARED_UI;
    if (m & ROLE_UI_SURFACE) return UI_SURFACE;
    if (m & ROLE_LOGIC) return LOGIC;
    return CODE;
}

// Rule 6 and 6': +4 for a code extension, -2 for ".md", else 0.
int extension_change(std::string_view ext) {
    switch (ext.size()) {
        case 3:
            return ext == ".py" || ext == ".ts" || ext == ".js" || ext == ".go" ? 4 : ext == ".md" ? -2 : 0;
        case 4:
            return ext == ".tsx" || ext == ".jsx" ? 4 : 0;
        default:
            return 0;
    }
}

}  // namespace

TermCounter::TermCounter(std::vector<std::string> terms) : terms_(std::move(terms)) {
    std::unordered_map<std::string, std::size_t> slot;
    std::vector<std::string> distinct;
    for (const std::string& t : terms_) {
        const auto [it, fresh] = slot.emplace(t, distinct.size());
        if (fresh) {
            distinct.push_back(t);
            times_.push_back(0);
        }
        ++times_[it->second];
    }
    // The automaton's table grows with the terms' total length: very long terms (a query
    // of one huge word) are counted by plain substring tests instead.
    std::size_t total = 0;
    for (const std::string& t : distinct) total += t.size();
    fast_ = distinct.size() <= WordSet::kMaxWords && total <= kMaxTermBytes;
    if (fast_) words_ = WordSet(distinct);
    separable_ = fast_;
    for (const std::string& t : distinct) separable_ = separable_ && t.find(' ') == std::string::npos;
    combined_ = fast_ && distinct.size() + PATH_WORDS <= WordSet::kMaxWords;
    if (combined_) {
        std::vector<std::string> all = path_word_list();
        all.insert(all.end(), distinct.begin(), distinct.end());
        path_and_terms_ = WordSet(all);
    }
}

std::uint64_t TermCounter::scan_path(std::string_view lowered, std::size_t& term_count) const {
    if (!combined_) {
        term_count = count_lowered(lowered);
        return path_words().find(lowered);
    }
    const std::uint64_t found = path_and_terms_.find(lowered);
    term_count = count_of(found >> PATH_WORDS);
    return found & (bit(PATH_WORDS) - 1);
}

std::uint64_t TermCounter::mask(std::string_view text) const {
    std::uint64_t found = 0;
    if (words_.find_if_ascii(text, found)) return found;
    return words_.find(core::lower(text));
}

std::size_t TermCounter::count_of(std::uint64_t found) const {
    std::size_t n = 0;
    while (found) {
        n += times_[static_cast<std::size_t>(std::countr_zero(found))];
        found &= found - 1;
    }
    return n;
}

std::size_t TermCounter::count_lowered(std::string_view lowered) const {
    if (!fast_) return count_terms(lowered, terms_);
    return count_of(words_.find(lowered));
}

std::size_t TermCounter::count(std::string_view text) const {
    std::uint64_t found = 0;
    if (fast_ && words_.find_if_ascii(text, found)) return count_of(found);
    return count_lowered(core::lower(text));
}

QueryAnalysis analyse_query(std::string_view query) {
    QueryAnalysis qa;
    qa.q = core::lower(query);
    qa.intent = classify_intent_lowered(query, qa.q);
    qa.route = extract_route(query);
    qa.method_lower = core::lower(qa.route.method);
    qa.intent_row = intent_row(qa.intent);
    if (!qa.route.segments.empty()) {
        // The distinct segments and the method as one word set. A route is text of the
        // query: one with more distinct segments than a word set holds is searched
        // segment by segment instead (route_times left empty).
        std::vector<std::string> words;
        for (const std::string& seg : qa.route.segments) {
            const auto at = std::find(words.begin(), words.end(), seg);
            if (at != words.end()) {
                ++qa.route_times[static_cast<std::size_t>(at - words.begin())];
                continue;
            }
            if (words.size() + 1 == WordSet::kMaxWords) {
                qa.route_times.clear();
                break;
            }
            words.push_back(seg);
            qa.route_times.push_back(1);
        }
        if (!qa.route_times.empty()) {
            words.push_back(qa.method_lower);
            qa.route_words = WordSet(words);
        }
    }
    const std::string_view q = qa.q;
    qa.payment_words = contains_any(q, {"payment", "invoice", "checkout"});
    qa.ui_words = contains_any(q, {"button", "modal", "card", "table", "form", "badge", "page", "screen"});
    qa.button_status = has(q, "button") && contains_any(q, {"status", "payment", "checkout", "invoice"});
    qa.feature_scoped = query_scoped_to_feature(q);
    qa.shared_ui_words = contains_any(q, {"global", "shared", "design system", "reusable"});
    qa.restaurant = has(q, "restaurant");
    qa.customer = has(q, "customer");
    qa.admin = has(q, "admin");
    return qa;
}

std::int64_t score_node(const NodeText& node, const TermCounter& terms, const QueryAnalysis& qa) {
    thread_local std::string path, ext, joined;
    lower_into(path, node.id);
    lower_into(ext, node.ext);
    std::size_t path_terms = 0;
    const std::uint64_t m = terms.scan_path(path, path_terms);
    const RoleColumn role = role_of(m, path, ext);
    std::int64_t s = 3 * static_cast<std::int64_t>(path_terms);
    if (!node.summary.empty()) s += 3 * static_cast<std::int64_t>(terms.count(node.summary));
    if (!node.keywords.empty()) {
        joined.clear();
        for (std::size_t i = 0; i < node.keywords.size(); ++i) {
            if (i) joined += ' ';
            joined += node.keywords[i];
        }
        s += 2 * static_cast<std::int64_t>(terms.count(joined));
    }
    if (!qa.route.segments.empty()) {
        // A segment holds no space, so it occurs in "keywords path" exactly when it
        // occurs in one keyword or in the path; the method likewise.
        if (!qa.route_times.empty()) {
            std::uint64_t found = qa.route_words.find(path);
            const std::size_t method = qa.route_times.size();
            std::uint64_t in_keywords = 0;
            for (std::string_view kw : node.keywords) in_keywords |= qa.route_words.find(kw);
            found |= in_keywords;
            for (std::size_t i = 0; i < method; ++i)
                if (found & bit(i)) s += 4 * static_cast<std::int64_t>(qa.route_times[i]);
            if (!qa.method_lower.empty() && (in_keywords & bit(method))) s += 3;
        } else {
            for (const std::string& seg : qa.route.segments) {
                bool found = has(path, seg);
                for (std::size_t i = 0; !found && i < node.keywords.size(); ++i) found = has(node.keywords[i], seg);
                if (found) s += 4;
            }
            if (!qa.method_lower.empty()) {
                for (std::string_view kw : node.keywords) {
                    if (has(kw, qa.method_lower)) {
                        s += 3;
                        break;
                    }
                }
            }
        }
    }
    s += intent_role_weight_at(qa.intent_row, role);
    s += extension_change(ext);
    if (m & VENDOR) s -= 10;
    const bool shared_ui_path = m & bit(COMPONENTS_UI);
    if (shared_ui_path) s -= 1;
    if (m & SURFACE) s += 2;
    if (qa.restaurant && (m & bit(RESTAURANT_PORTAL))) s += 4;
    if (qa.customer && (m & bit(CUSTOMER_PORTAL))) s += 4;
    if (qa.admin && (m & bit(ADMIN_PORTAL))) s += 4;
    if (qa.payment_words && (m & PAYMENT_PATH)) s += 3;
    if (qa.ui_words) {
        if (role == UI_SURFACE) s += 4;
        if (m & UI_PATH) s += 3;
        if (qa.button_status) {
            if (m & DETAIL_PATH) s += 4;
            if (m & LISTING_PATH) s -= 3;
        }
        if (shared_ui_path && qa.feature_scoped && !qa.shared_ui_words) s -= 2;
    }
    // Rows 0 to 3 of the weight table: "edit", "feature", "debug", "refactor".
    if (role == DOCS && qa.intent_row <= 3) s -= 3;
    if (node.symbol) {
        s += 3;
        if (node.high_confidence) s += 2;
    }
    return s;
}

std::int64_t score_node(const NodeText& node, const std::vector<std::string>& terms, const QueryAnalysis& qa) {
    return score_node(node, TermCounter(terms), qa);
}

}  // namespace retrieval

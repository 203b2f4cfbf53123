#include "retrieval/scoring.hpp"

#include "core/text.hpp"

namespace retrieval {

namespace {

bool has(std::string_view text, std::string_view word) { return text.find(word) != std::string_view::npos; }

// str.lower() into a reused buffer: bytes for ASCII, the full mapping otherwise.
void lower_into(std::string& out, std::string_view s) {
    for (const char c : s) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            out = core::lower(s);
            return;
        }
    }
    out.assign(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
}

}  // namespace

QueryAnalysis analyse_query(std::string_view query) {
    QueryAnalysis qa;
    qa.q = core::lower(query);
    qa.intent = classify_intent_lowered(query, qa.q);
    qa.route = extract_route(query);
    qa.method_lower = core::lower(qa.route.method);
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

std::int64_t score_node(const NodeText& node, const std::vector<std::string>& terms, const QueryAnalysis& qa) {
    thread_local std::string path, ext, text;
    lower_into(path, node.id);
    lower_into(ext, node.ext);
    const std::string_view role = node_role_lowered(path, ext);
    std::int64_t s = 3 * static_cast<std::int64_t>(count_terms(path, terms));
    if (!node.summary.empty()) {
        lower_into(text, node.summary);
        s += 3 * static_cast<std::int64_t>(count_terms(text, terms));
    }
    if (!node.keywords.empty()) {
        std::string joined;
        for (std::size_t i = 0; i < node.keywords.size(); ++i) {
            if (i) joined += ' ';
            joined += node.keywords[i];
        }
        lower_into(text, joined);
        s += 2 * static_cast<std::int64_t>(count_terms(text, terms));
    }
    if (!qa.route.segments.empty()) {
        // A segment holds no space, so it occurs in "keywords path" exactly when it
        // occurs in one keyword or in the path; the method likewise.
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
    s += intent_role_weight(qa.intent, role);
    if (ext == ".py" || ext == ".ts" || ext == ".tsx" || ext == ".js" || ext == ".jsx" || ext == ".go") s += 4;
    else if (ext == ".md") s -= 2;
    if (contains_any(path, {"node_modules/", "site-packages/", "/venv/", "/.venv/"})) s -= 10;
    const bool shared_ui_path = has(path, "/components/ui/");
    if (shared_ui_path) s -= 1;
    if (contains_any(path, {"/components/features/", "/pages/", "/api/"})) s += 2;
    if (qa.restaurant && has(path, "restaurant-portal/")) s += 4;
    if (qa.customer && has(path, "customer-portal/")) s += 4;
    if (qa.admin && has(path, "admin-portal/")) s += 4;
    if (qa.payment_words && contains_any(path, {"payment", "invoice", "checkout", "order"})) s += 3;
    if (qa.ui_words) {
        if (role == "ui_surface") s += 4;
        if (contains_any(path, {"card", "modal", "details", "list", "table", "orders", "checkout"})) s += 3;
        if (qa.button_status) {
            if (contains_any(path, {"card", "modal", "detail"})) {
                s += 4;
                if (contains_any(path, {"list", "table", "/pages/"})) s -= 3;
            }
        }
        if (shared_ui_path && qa.feature_scoped && !qa.shared_ui_words) s -= 2;
    }
    if (role == "docs" && (qa.intent == "edit" || qa.intent == "feature" || qa.intent == "debug" || qa.intent == "refactor"))
        s -= 3;
    if (node.symbol) {
        s += 3;
        if (node.high_confidence) s += 2;
    }
    return s;
}

}  // namespace retrieval

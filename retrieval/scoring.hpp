#pragma once
// Node scoring: one node's integer relevance for one query, a sum of fixed weights over
// the node's id, summary and keywords, the query's route and intent, the node's role and
// a set of path and word rules. Everything that depends on the query alone is derived
// once in QueryAnalysis; a score then costs time linear in the node's texts times the
// number of terms, with no allocation beyond two reused buffers.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "retrieval/query.hpp"
#include "retrieval/word_set.hpp"

namespace retrieval {

// What the scoring rules need of the query, derived once.
struct QueryAnalysis {
    std::string q;             // the query lower-cased
    std::string_view intent;   // classify_intent of the query
    int intent_row = 0;        // its row of the role weight table
    Route route;               // extract_route of the query
    std::string method_lower;  // the route's method lower-cased
    // The route's distinct segments, then its lower-cased method (when there are
    // segments), as one word set; route_times counts the entries of each segment.
    WordSet route_words;
    std::vector<std::size_t> route_times;
    bool payment_words = false;                                // q holds a payment query word
    bool ui_words = false;                                     // q holds a UI query word
    bool button_status = false;                                // q holds "button" and a status word
    bool feature_scoped = false;                               // query_scoped_to_feature(q)
    bool shared_ui_words = false;                              // q holds a shared-UI word
    bool restaurant = false, customer = false, admin = false;  // portal query words
};
QueryAnalysis analyse_query(std::string_view query);

// A node as scoring reads it: text forms of its id and extension (not lower-cased),
// its summary (empty for none), its keywords, and the two kind tests.
struct NodeText {
    std::string_view id;
    std::string_view ext;
    std::string_view summary;
    std::span<const std::string_view> keywords;
    bool symbol = false;           // kind == "symbol"
    bool high_confidence = false;  // confidence == "high"
};

// Counts the entries of a term list that occur in a text, after lower-casing the text
// (score_text), in one pass over the text for up to 64 distinct terms.
class TermCounter {
public:
    explicit TermCounter(std::vector<std::string> terms);
    std::size_t count(std::string_view text) const;  // lower-cases `text` first
    std::size_t count_lowered(std::string_view lowered) const;
    const std::vector<std::string>& terms() const { return terms_; }
    // When no term holds a space and there are at most 64, the terms found in texts
    // joined by spaces are the union of those found in each: mask() of each piece,
    // then count_of() of the union.
    bool separable() const { return separable_; }
    std::uint64_t mask(std::string_view text) const;  // lower-cases `text` first
    std::size_t count_of(std::uint64_t mask) const;
    // The words of the scoring rules found in a lower-cased node path, and the number of
    // term entries found in it, in one pass.
    std::uint64_t scan_path(std::string_view lowered, std::size_t& term_count) const;

private:
    std::vector<std::string> terms_;
    bool fast_ = false, separable_ = false;
    WordSet words_;
    WordSet path_and_terms_;  // the rules' path words, then the distinct terms
    bool combined_ = false;
    std::vector<std::size_t> times_;  // entries per distinct term
};

// The score of one node; `terms` as tokenize_query gives them (not lower-cased here).
std::int64_t score_node(const NodeText& node, const TermCounter& terms, const QueryAnalysis& qa);
std::int64_t score_node(const NodeText& node, const std::vector<std::string>& terms, const QueryAnalysis& qa);

}  // namespace retrieval

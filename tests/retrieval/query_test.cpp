#include "retrieval/query.hpp"
#include "retrieval/scoring.hpp"

#include <gtest/gtest.h>

namespace {

using Terms = std::vector<std::string>;

TEST(Tokenize, StopWordsShortRunsAndRepeatsAreDropped) {
    EXPECT_EQ(retrieval::tokenize_query("Fix the API bug in Checkout.tsx"), (Terms{"bug", "checkout", "tsx"}));
    EXPECT_EQ(retrieval::tokenize_query("order Order ORDER a b"), (Terms{"order"}));
    EXPECT_EQ(retrieval::tokenize_query("user_id caf\xc3\xa9 404"), (Terms{"user_id", "caf", "404"}));
    EXPECT_EQ(retrieval::tokenize_query(""), Terms{});
}

}  // namespace

namespace {

TEST(Scoring, WorkedExamples) {
    auto score = [](std::string_view id, std::string_view ext, std::string_view query,
                    std::vector<std::string_view> keywords = {}, bool symbol = false) {
        retrieval::NodeText n;
        n.id = id;
        n.ext = ext;
        n.keywords = keywords;
        n.symbol = symbol;
        n.high_confidence = symbol;
        return retrieval::score_node(n, retrieval::tokenize_query(query), retrieval::analyse_query(query));
    };
    EXPECT_EQ(score("src/api/orders.py", ".py", "fix orders endpoint"), 12);
    EXPECT_EQ(score("src/api/invoice.ts::createInvoice", ".ts", "POST /api/invoice/create fails",
                    {"post", "invoice", "create"}, true),
              41);
    const std::string q = "add status badge to the order card button on checkout page";
    EXPECT_EQ(score("src/components/ui/Card.tsx", ".tsx", q), 12);
    EXPECT_EQ(score("src/components/ui/Card.tsx", ".tsx", q + " shared"), 14);
}

// More than 64 distinct terms: counted without the one-pass word set, same answer.
TEST(Scoring, ManyTermsCountLikeFewTerms) {
    std::vector<std::string> terms;
    for (int i = 0; i < 100; ++i) terms.push_back("t" + std::to_string(i));
    const retrieval::TermCounter many(terms);
    EXPECT_FALSE(many.separable());
    EXPECT_EQ(many.count("T1 t50 T99 x"), retrieval::score_text("T1 t50 T99 x", terms));
    const retrieval::TermCounter dup(std::vector<std::string>{"a", "a", "b c"});
    EXPECT_FALSE(dup.separable());
    EXPECT_EQ(dup.count("A B C"), 3u);
}

}  // namespace

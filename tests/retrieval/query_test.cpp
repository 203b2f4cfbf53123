#include "retrieval/query.hpp"
#include "retrieval/scoring.hpp"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace {

using Terms = std::vector<std::string>;

TEST(Tokenize, StopWordsShortRunsAndRepeatsAreDropped) {
    EXPECT_EQ(retrieval::tokenize_query("Fix the API bug in Checkout.tsx"), (Terms{"bug", "checkout", "tsx"}));
    EXPECT_EQ(retrieval::tokenize_query("order Order ORDER a b"), (Terms{"order"}));
    EXPECT_EQ(retrieval::tokenize_query("user_id caf\xc3\xa9 404"), (Terms{"user_id", "caf", "404"}));
    EXPECT_EQ(retrieval::tokenize_query(""), Terms{});
}

// Every word and phrase of the six intent lists, each with the intent it gives in a query
// that holds nothing else of any list. "unit test" and "integration test" hold "test", and
// "failing" holds "fail", so a query with one of them gives its list's intent through the
// shorter word too.
TEST(Intent, EveryWordOfEveryList) {
    struct List {
        std::string_view intent;
        std::vector<const char*> words;
    };
    const std::vector<List> lists = {
        {"explain", {"why", "explain", "architecture", "dependency", "how does"}},
        {"debug",
         {"error", "bug", "crash", "failing", "fail", "broken", "stack trace", "500", "404", "returning", "throws",
          "exception"}},
        {"test", {"test", "unit test", "integration test", "coverage"}},
        {"refactor", {"refactor", "cleanup", "simplify", "restructure", "optimize"}},
        {"feature", {"add", "create", "implement", "build", "support"}},
        {"edit", {"fix", "update", "change", "edit", "modify", "patch"}},
    };
    EXPECT_EQ(retrieval::classify_intent("the loader"), "general");
    for (const List& list : lists)
        for (const char* word : list.words)
            EXPECT_EQ(retrieval::classify_intent(std::string(word) + " the loader"), list.intent) << word;
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
    const std::string huge(100000, 'q');
    const retrieval::TermCounter one_huge(std::vector<std::string>{huge, "x"});
    EXPECT_EQ(one_huge.count("Q" + huge + "x"), 2u);
    EXPECT_EQ(one_huge.count(huge.substr(1)), 0u);
    const retrieval::TermCounter dup(std::vector<std::string>{"a", "a", "b c"});
    EXPECT_FALSE(dup.separable());
    EXPECT_EQ(dup.count("A B C"), 3u);
}

}  // namespace

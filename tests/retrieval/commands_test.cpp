// The printed forms of the scan, retrieve and prime sub-commands, and the prime query.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "core/json.hpp"
#include "retrieval/commands.hpp"

using retrieval::ActionLine;
using retrieval::EdgeLine;

TEST(CommandTexts, ScanReport) {
    EXPECT_EQ(retrieval::scan_report("0", "0", "/data/info_graph.json"),
              "Scanned: 0 nodes, 0 edges\nWrote: /data/info_graph.json\n");
}

TEST(CommandTexts, RetrieveTextWithAndWithoutResults) {
    EXPECT_EQ(retrieval::retrieve_text("fix it", {}, {}), "Query: fix it\n\nRelevant files:\n\nRelevant relations:\n");
    EXPECT_EQ(
        retrieval::retrieve_text("q", {"src/a.ts", "None"}, {{"src/a.ts", "imports", "./b"}, {"None", "None", "x"}}),
        "Query: q\n\nRelevant files:\n- src/a.ts\n- None\n\nRelevant relations:\n"
        "- src/a.ts --imports--> ./b\n- None --None--> x\n");
}

TEST(CommandTexts, RetrieveJsonKeepsRecordsAndEscapesText) {
    const core::Json files = core::Json::parse(R"([{"id": "a.py", "_score": 3}])");
    EXPECT_EQ(retrieval::retrieve_json("caf\xC3\xA9", files, core::Json::array()),
              "{\n  \"query\": \"caf\\u00e9\",\n  \"files\": [\n    {\n      \"id\": \"a.py\",\n"
              "      \"_score\": 3\n    }\n  ],\n  \"edges\": []\n}\n");
}

TEST(CommandTexts, PrimeQueryPrefersOptionThenEnvironmentEvenEmpty) {
    EXPECT_EQ(retrieval::prime_query("fix login", std::string("env")), "fix login");
    EXPECT_EQ(retrieval::prime_query("", std::string("env query")), "env query");
    EXPECT_EQ(retrieval::prime_query("", std::string("")), "");
    EXPECT_EQ(retrieval::prime_query("", std::nullopt), "General codebase maintenance task");
}

TEST(CommandTexts, PrimeBlockLineByLine) {
    const std::string head =
        "# Nimbrel Active\n\n## Rules\n- Prefer focused context over full transcript dumps.\n"
        "- Use graph-backed files/edges for impact analysis.\n"
        "- Preserve existing behavior unless request says otherwise.\n\n## Current Focus\n";
    EXPECT_EQ(retrieval::prime_block("", {}, {}, {}),
              head +
                  "- Query: \n\n## Relevant Files (Top 0)\n\n## Relevant Relations (Top 0)\n\n"
                  "## Action Trail (Recent 0)\n- (no actions recorded yet)\n");
    EXPECT_EQ(retrieval::prime_block("fix login", {"src/login.ts"}, {{"src/login.ts", "imports", "./auth"}},
                                     {{"edit", "changed form"}, {"unknown", ""}}),
              head +
                  "- Query: fix login\n\n## Relevant Files (Top 1)\n- src/login.ts\n\n"
                  "## Relevant Relations (Top 1)\n- src/login.ts --imports--> ./auth\n\n"
                  "## Action Trail (Recent 2)\n- [edit] changed form\n- [unknown] \n");
}

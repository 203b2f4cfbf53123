// Session attention and the verdict: decay thresholds, the reading of times and files,
// the data-directory search, target matching, the sort and the warning text.
#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <tuple>
#include <vector>

#include "agent/guard_attention.hpp"
#include "agent/guard_values.hpp"
#include "core/paths.hpp"
#include "tests/core/scratch_tree.hpp"
#include "tests/kit/portable.hpp"

namespace {

using namespace agent::guard;
using core::Json;

constexpr std::int64_t NOW = 1'700'000'000;

Json act(const std::string& kind, const Json& file, const Json& ts) {
    Json a = {{"kind", kind}, {"payload", {{"file", file}}}};
    if (!ts.is_null()) a["ts"] = ts;
    return a;
}

Json doc(std::vector<Json> actions) { return {{"actions", actions}}; }

// Each file at risk as its path and record, so that a test names which entry matched.
using Match = std::tuple<std::string, double, std::int64_t, std::int64_t, std::int64_t>;
std::vector<Match> matched(const std::vector<AtRisk>& found) {
    std::vector<Match> out;
    for (const auto& f : found) out.emplace_back(f.path, f.rec.score, f.rec.reads, f.rec.edits, f.rec.last_ts);
    return out;
}

double score_of(std::vector<Json> actions) {
    const auto m = build_attention(doc(std::move(actions)), NOW);
    return m.empty() ? 0.0 : m[0].rec.score;
}

TEST(GuardAttention, DecayThresholds) {
    struct Row {
        std::vector<Json> actions;
        bool at_risk;
    };
    const std::vector<Row> rows = {
        {{act("register_edit", "a", NOW - 3600)}, true},
        {{act("register_edit", "a", NOW - 3601)}, false},
        {{act("edit_observation", "a", NOW - 1158)}, true},
        {{act("edit_observation", "a", NOW - 1159)}, false},
        {{act("read", "a", NOW), act("read", "a", NOW)}, true},
        {{act("read", "a", NOW)}, false},
        {std::vector<Json>(4, act("read_cache_hit", "a", NOW)), true},
        {std::vector<Json>(3, act("read_cache_hit", "a", NOW)), false},
        {{act("register_edit", "a", NOW + 60)}, true},  // the future counts as now
        {{act("read", "a", NOW + 3600)}, false},        // 2, where an hour ahead unclamped would be 4
    };
    for (const auto& r : rows) {
        EXPECT_EQ(score_of(r.actions) >= ATTENTION_THRESHOLD, r.at_risk) << Json(r.actions).dump();
    }
    EXPECT_DOUBLE_EQ(score_of({act("register_edit", "a", NOW - 3600)}), 4.0);
    EXPECT_DOUBLE_EQ(score_of({act("read", "a", NOW + 3600)}), 2.0);
}

TEST(GuardAttention, TimesAsTheHostReadsThem) {
    struct Row {
        Json ts;
        std::int64_t last_ts;
    };
    const std::vector<Row> rows = {{nullptr, 0},
                                   {false, 0},
                                   {0, 0},
                                   {"", 0},
                                   {true, 1},
                                   {NOW - 7.9, NOW - 8},
                                   {" 1_700_000_000\n", NOW},
                                   {"+12", 12},
                                   {"\u0661\u0662", 12},
                                   {Json::array(), 0}};
    for (const auto& r : rows) {
        const auto m = build_attention(doc({act("read", "a", r.ts)}), NOW);
        ASSERT_EQ(m.size(), 1u) << r.ts.dump();
        EXPECT_EQ(m[0].rec.last_ts, r.last_ts) << r.ts.dump();
        EXPECT_EQ(m[0].rec.reads, 1) << r.ts.dump();
    }
    EXPECT_EQ(host_int(-7.9), -7);
    EXPECT_EQ(host_int(1e300), std::numeric_limits<std::int64_t>::max());
    // Without a time an action counts but adds practically nothing.
    EXPECT_LT(score_of({act("register_edit", "a", nullptr)}), 1e-300 + 1e-9);
    for (const Json& bad : {Json("abc"), Json("1.5"),
                            Json("\x1c"
                                 "12"),
                            Json::array({1}), Json({{"a", 1}})}) {
        EXPECT_THROW(build_attention(doc({act("read", "a", bad)}), NOW), Unusable) << bad.dump();
    }
}

TEST(GuardAttention, WhichActionsCountAndInWhatOrder) {
    const auto m = build_attention(doc({act("read", "b", NOW),
                                        act("write", "a", NOW),
                                        act("", "a", NOW),
                                        act("read", "", NOW),
                                        {{"kind", "read"}},
                                        {{"kind", "read"}, {"payload", nullptr}},
                                        act("register_edit", "./b", NOW),
                                        act("edit_observation", "b", NOW - 10),
                                        act("READ", "c", NOW),
                                        // skipped before its payload is looked at
                                        {{"kind", "other"}, {"payload", "not an object"}}}),
                                   NOW);
    ASSERT_EQ(m.size(), 2u);
    EXPECT_EQ(m[0].file, "b");
    EXPECT_EQ(m[0].rec.reads, 1);
    EXPECT_EQ(m[0].rec.edits, 1);
    EXPECT_EQ(m[0].rec.last_ts, NOW);
    EXPECT_EQ(m[1].file, "./b");
    EXPECT_TRUE(build_attention(Json::object(), NOW).empty());
    EXPECT_TRUE(build_attention({{"actions", nullptr}}, NOW).empty());
    for (const Json& bad :
         {Json::array(), Json({{"actions", {1}}}), Json({{"actions", "ab"}}),
          Json({{"actions", {{{"kind", "read"}, {"payload", "x"}}}}}), Json({{"actions", {{{"kind", Json::array()}}}}}),
          doc({act("read", Json::array({"a"}), NOW)})}) {
        EXPECT_THROW(build_attention(bad, NOW), Unusable) << bad.dump();
    }
}

TEST(GuardAttention, AgeInWholeMinutesHalvesToEven) {
    EXPECT_EQ(age_text(NOW, NOW - 90), "2");
    EXPECT_EQ(age_text(NOW, NOW - 150), "2");
    EXPECT_EQ(age_text(NOW, NOW - 30), "0");
    EXPECT_EQ(age_text(NOW, NOW + 150), "-2");
    EXPECT_EQ(age_text(NOW, NOW + 60), "-1");
    EXPECT_EQ(age_text(NOW, NOW - 720), "12");
    EXPECT_EQ(age_text(NOW, 0), "?");
}

AtRisk risk(const std::string& path, double score, std::int64_t reads, std::int64_t edits, std::int64_t last) {
    return AtRisk{path, Attention{score, reads, edits, last}};
}

TEST(GuardAttention, VerdictAndWarningText) {
    EXPECT_EQ(verdict({}, true, "x", NOW).status, 0);
    const Verdict hard = verdict({risk("src/app.py", 20, 3, 2, NOW - 720)}, true, "bash: rm -rf src/app.py", NOW);
    EXPECT_EQ(hard.status, 2);
    EXPECT_EQ(hard.text,
              "Tarvelle Halberk [HARD BLOCK]\n"
              "Operation: bash: rm -rf src/app.py\n"
              "\n"
              "The following high-attention files will be affected:\n"
              "\n"
              "  src/app.py  [read 3\u00d7, edited 2\u00d7, last touched 12 min ago]\n"
              "\n"
              "This operation cannot be undone.\n"
              "Please type 'yes, proceed' to confirm, or rephrase your request.\n"
              "\n"
              "  (To bypass: set KESTIL_HALBERK=0 in your environment)");
    const Verdict soft = verdict({risk("a", 5, 0, 3, 0)}, false, "Write", NOW);
    EXPECT_EQ(soft.status, 1);
    EXPECT_NE(soft.text.find("Tarvelle Halberk [WARNING]\nOperation: Write\n"), std::string::npos);
    EXPECT_NE(soft.text.find("  a  [edited 3\u00d7, last touched ? min ago]\n"), std::string::npos);
    EXPECT_NE(soft.text.find("undone.\nPlease confirm with the user before proceeding.\n\n  (To"), std::string::npos);
    // A hard call whose listed files have one edit each only warns.
    EXPECT_EQ(verdict({risk("a", 5, 1, 1, NOW), risk("b", 5, 0, 1, NOW)}, true, "x", NOW).status, 1);
    // Five at risk: four lines, highest first, equal scores in target order, and the
    // edits of the fifth do not count.
    const Verdict five = verdict({risk("p1", 4, 2, 0, NOW), risk("p2", 9, 2, 0, NOW), risk("p3", 4, 2, 0, NOW),
                                  risk("p4", 8, 2, 0, NOW), risk("p5", 4, 0, 5, NOW)},
                                 true, "x", NOW);
    EXPECT_EQ(five.status, 1);
    const auto at = [&](const char* p) { return five.text.find(std::string("  ") + p + "  ["); };
    EXPECT_LT(at("p2"), at("p4"));
    EXPECT_LT(at("p4"), at("p1"));
    EXPECT_LT(at("p1"), at("p3"));
    EXPECT_EQ(at("p5"), std::string::npos);
}

class GuardProject : public scratch::Tree {
protected:
    void TearDown() override {
        if (!old_cwd.empty()) {
            EXPECT_TRUE(kit::set_current_folder(old_cwd));
        }
        Tree::TearDown();
    }
    void enter(const std::string& rel) {
        old_cwd = kit::current_folder();
        ASSERT_TRUE(kit::set_current_folder(at(rel)));
    }
    std::string old_cwd;
};

TEST_F(GuardProject, DataDirectorySearch) {
    file("proj/.nimbrel/chat_action_graph.json", "{}");
    folder("proj/sub/.nimbrel");  // passed over: no chat action graph in it
    folder("proj/sub/deep");
    file("other/.nimbrel/chat_action_graph.json", "{}");
    folder("elsewhere");
    EXPECT_EQ(find_data_dir({at("proj/sub/deep/x.py")}, ""), at("proj/.nimbrel"));
    // The first target's project serves both.
    EXPECT_EQ(find_data_dir({at("other/a"), at("proj/sub/b")}, ""), at("other/.nimbrel"));
    enter("proj/sub/deep");
    EXPECT_EQ(find_data_dir({"../../../other/x"}, ""), at("other/.nimbrel"));
    EXPECT_EQ(find_data_dir({"/nonexistent/a/b"}, ""), at("proj/.nimbrel"));  // then the current directory
    // The variable is taken as is, not tested.
    EXPECT_EQ(find_data_dir({at("proj/x")}, "rel//dir/"), core::paths::normalize("rel/dir"));
}

TEST_F(GuardProject, FirstEqualEntryDecides) {
    file("proj/src/a.py");
    const std::string root = at("proj");
    std::vector<AttentionEntry> m = {{"./src/a.py", true, {1.0, 1, 0, NOW}},
                                     {"src/a.py", true, {9.0, 0, 2, NOW - 1}},
                                     {"src/b.py", true, {7.0, 0, 3, NOW - 2}}};
    EXPECT_TRUE(match_targets({at("proj/src/a.py")}, root, m).empty());
    m[0].rec.score = 4.0;
    const Match a{"./src/a.py", 4.0, 1, 0, NOW}, b{"src/b.py", 7.0, 0, 3, NOW - 2};
    EXPECT_EQ(matched(match_targets({at("proj/src/a.py"), at("proj/src//a.py")}, root, m)), (std::vector{a, a}));
    enter("proj/src");
    EXPECT_EQ(matched(match_targets({"b.py", "../src/b.py", "c.py"}, root, m)), (std::vector{b, b}));
    // A file that is no text stops matching once it is reached.
    m.insert(m.begin() + 1, AttentionEntry{"", false, {}});
    EXPECT_EQ(matched(match_targets({"a.py"}, root, m)), std::vector{a});
    EXPECT_THROW(match_targets({"b.py"}, root, m), Unusable);
}

TEST_F(GuardProject, LinksAndHomeResolveOnBothSides) {
    KIT_SKIP_WITHOUT_LINKS();
    file("proj/real/a.py");
    link(at("proj/real"), "proj/alias");
    const std::vector<AttentionEntry> m = {{"alias/a.py", true, {8.0, 0, 1, NOW}}};
    const std::vector<Match> alias = {{"alias/a.py", 8.0, 0, 1, NOW}};
    EXPECT_EQ(matched(match_targets({at("proj/real/a.py")}, at("proj"), m)), alias);
    // A link as the last component, a parent step, a loop, and many files under one
    // directory: each entry matches exactly the target its full resolution names.
    link(at("proj/real/a.py"), "proj/leaf.py");
    link(at("proj/loop"), "proj/loop");
    file("proj/real/b.py");
    const std::vector<AttentionEntry> several = {{"leaf.py", true, {8.0, 0, 1, NOW}},
                                                 {"real/../real/b.py", true, {8.0, 0, 2, NOW}},
                                                 {"loop/c.py", true, {8.0, 0, 3, NOW}},
                                                 {"real/c.py", true, {8.0, 0, 4, NOW}}};
    // The loop's entry falls back to its own text, a relative path that equals no target.
    EXPECT_EQ(matched(match_targets({at("proj/real/a.py"), at("proj/real/b.py"), "loop/c.py", at("proj/real/c.py")},
                                    at("proj"), several)),
              (std::vector<Match>{
                  {"leaf.py", 8.0, 0, 1, NOW}, {"real/../real/b.py", 8.0, 0, 2, NOW}, {"real/c.py", 8.0, 0, 4, NOW}}));
    kit::set_env("HOME", at("proj").c_str());
    EXPECT_EQ(matched(match_targets({"~/real/a.py"}, at("proj"), m)), alias);
    EXPECT_EQ(normalize_target("~nosuchuser_zz/x"), "~nosuchuser_zz/x");
    EXPECT_THROW(find_data_dir({"~nosuchuser_zz/x"}, ""), std::runtime_error);
}

}  // namespace

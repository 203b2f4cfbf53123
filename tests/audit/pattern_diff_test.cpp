// The auditor's patterns against the host's `re`: every match, its span and its groups,
// over the examples the checks are built around, generated texts around the patterns'
// tokens (every line break, the host's extra white space, dotted and dotless i, the
// full-width colon) and a handful of the host's standard-library sources.
#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "audit/patterns.hpp"
#include "core/text.hpp"
#include "support.hpp"
#include "tests/core/pattern_diff.hpp"

namespace {

using audit_test::Json;
using audit_test::TempDir;
using pattern_diff::Flat;

std::vector<std::string> examples() {
    return {
        "// TODO: fix the retry loop",
        "todo(perf): refactor",
        "TODO\xef\xbc\x9a"
        "fix it",
        "TODO (x)\xef\xbc\x9a fix layout",
        "// TODO",
        "TODO: ",
        "TODO: ok",
        "TODO:  ",
        "TODO: x",
        "the hackathon results",
        "XXX\x1c\x1c"
        "abc",
        "FİXME: later",
        "fixme\xe3\x80\x80"
        "abc",
        "TODO(a)(b): c",
        "HACK(unclosed: go",
        "db.query(x)",
        "DB.save (x)",
        "prisma.user.findMany(",
        "conn.execute\n(",
        "session.query(User)",
        "cursor.execute('x')",
        "x.findOne (",
        "x.findAll\x1c(",
        "x.create(",
        "mongoose.model",
        "sqlalchemy.orm",
        "PRİSMA.x",
        "db\xe2\x80\xa8.x",
        "fetch(url)",
        "fetch (",
        "axios.get (",
        "axios.GET(",
        "axıos.post(",
        "https.request(",
        "http.request (",
        "requests.Session()",
        "urllib.request.urlopen",
        "import grpc.x",
        "x.rpc(",
        "try:",
        "retry",
        "exception",
        "Try {",
        "} CATCH",
        "except:",
        "rescue",
        "tryhard",
        "_try",
        "try_",
        "\xc3\xa9try",
        "try\xc3\xa9",
        "src/Button.spec.tsx",
        "a/b_test.go",
        "test_utils.py",
        "spec_x.rb",
        "src/__tests__/a.js",
        "src\\__tests__\\a.js",
        "src/tests/cart.py",
        "src/test/cart.py",
        "tests/conftest.py",
        "src/latest_news.py",
        "TEST_X.PY",
        "a.TEST.ts",
        "src/rapid.py",
        "reviews/x.py",
        "routes/users.TS",
        "api/README.md",
        "Controllers/x.cs",
        "handler.go",
        "APİ/x",
        "x.test",
        "x_SPEC",
        "x.test\n",
        "test_x",
        "spec_",
        "a.spec",
        "b_spec",
        "c_Test",
        "d.SPEC",
    };
}

std::vector<std::string> generated() {
    const std::vector<std::string> tokens = {"TODO",
                                             "todo",
                                             "FIXME",
                                             "HACK",
                                             "XXX",
                                             "(",
                                             ")",
                                             ":",
                                             "\xef\xbc\x9a",
                                             " ",
                                             "\t",
                                             "\n",
                                             "\r\n",
                                             "\x0c",
                                             "\x1c",
                                             "\x1f",
                                             "\xc2\x85",
                                             "\xe2\x80\xa8",
                                             "\xe3\x80\x80",
                                             "\xe1\xa0\x8e",
                                             "db",
                                             ".",
                                             "prisma",
                                             "query",
                                             "execute",
                                             "find",
                                             "One",
                                             "Many",
                                             "save",
                                             "create",
                                             "cursor",
                                             "session",
                                             "fetch",
                                             "axios",
                                             "get",
                                             "http",
                                             "https",
                                             "request",
                                             "requests",
                                             "urllib",
                                             "grpc",
                                             "rpc",
                                             "try",
                                             "catch",
                                             "except",
                                             "rescue",
                                             "_",
                                             "x",
                                             "\xc3\xa9",
                                             "\xc4\xb0",
                                             "\xc4\xb1",
                                             "test",
                                             "spec",
                                             "/",
                                             "\\",
                                             "routes",
                                             "api",
                                             "view",
                                             "s",
                                             "\xef\xbf\xbd"};
    std::mt19937 rng(424242);
    std::vector<std::string> out;
    for (int i = 0; i < 600; ++i) {
        std::string t;
        const int len = 1 + static_cast<int>(rng() % 30);
        for (int k = 0; k < len; ++k) t += tokens[rng() % tokens.size()];
        out.push_back(t);
    }
    return out;
}

Flat ours(const core::Regex& re, std::string_view text) {
    Flat flat = pattern_diff::flat_matches(re, text);
    // Per line, as the source checks search.
    pattern_diff::append_line_matches(flat, re, text);
    return flat;
}

TEST(AuditPatterns, SameMatchesAsTheHost) {
    TempDir d;
    std::vector<std::string> texts = examples();
    for (auto& t : generated()) texts.push_back(std::move(t));
    std::vector<std::string> paths;
    pattern_diff::json specs = pattern_diff::json::array();
    for (std::size_t i = 0; i < texts.size(); ++i) {
        d.write("t" + std::to_string(i), texts[i]);
        paths.push_back(d / ("t" + std::to_string(i)));
    }
    for (const auto& s : audit::pattern_specs()) specs.push_back({std::string(s.text), s.flags});
    for (const std::string& p : pattern_diff::stdlib_files(
             {"urllib/request.py", "http/client.py", "sqlite3/dbapi2.py", "asyncio/base_events.py", "unittest/case.py",
              "xmlrpc/client.py", "shutil.py", "argparse.py", "json/decoder.py"}))
        paths.push_back(p);
    const pattern_diff::json host =
        pattern_diff::host_matches(specs, paths, {.errors = "replace", .per_line = true, .with_texts = true});
    const auto& host_texts = host["texts"];
    ASSERT_GT(host_texts.size(), texts.size()) << "the standard-library sources were not found";
    for (std::size_t p = 0; p < audit::pattern_specs().size(); ++p) {
        const auto& spec = audit::pattern_specs()[p];
        const core::Regex re(spec.text, spec.flags);
        int reported = 0;
        std::size_t matched = 0;
        for (std::size_t t = 0; t < host_texts.size() && reported < 3; ++t) {
            const std::string text = host_texts[t].get<std::string>();
            if (t < texts.size()) {
                ASSERT_EQ(text, core::decode_text_mode_replace(texts[t])) << t;
            }
            const Flat want = host["matches"][p][t].get<Flat>();
            const Flat got = ours(re, text);
            matched += std::count_if(want.begin(), want.end(), [](long v) { return v >= 0; }) > 0;
            if (got == want) continue;
            std::ostringstream os;
            for (long v : got) os << v << " ";
            os << "| host: ";
            for (long v : want) os << v << " ";
            ADD_FAILURE() << spec.name << " on text " << t << " (" << Json(text.substr(0, 200)).dump()
                          << "): " << os.str();
            ++reported;
        }
        EXPECT_GT(matched, 3u) << spec.name << " matched almost nothing: the corpus does not exercise it";
    }
}

// The literal pre-filters may only rule out texts the patterns cannot match: over every
// example and generated text (and their single words, where the filter is sharpest), a
// match means the filter lets the text through; and plain texts without the words are
// ruled out, or the filters would save nothing.
TEST(AuditPatterns, PreFiltersNeverHideAMatch) {
    std::vector<std::string> texts = examples();
    for (const auto& t : generated()) texts.push_back(t);
    std::vector<std::string> words;
    for (const auto& t : texts)
        for (std::string_view w : core::split_sep(t, " ")) words.emplace_back(w);
    texts.insert(texts.end(), words.begin(), words.end());
    std::size_t todo_hits = 0, external_hits = 0;
    for (const auto& t : texts) {
        std::string buf;
        const std::string_view s = audit::match_subject(t, buf);
        if (audit::todo_re().search(s)) {
            ++todo_hits;
            EXPECT_TRUE(audit::may_match_todo(s)) << t;
        }
        if (audit::external_re().search(s)) {
            ++external_hits;
            EXPECT_TRUE(audit::may_match_external(s)) << t;
        }
    }
    EXPECT_GT(todo_hits, 50u);
    EXPECT_GT(external_hits, 20u);
    for (std::string_view plain :
         {"", "return x + 1", "fixm e", "to do: later", "axios", "fetc h(", "requests (", "urllib.req"}) {
        EXPECT_FALSE(audit::may_match_todo(plain)) << plain;
        EXPECT_FALSE(audit::may_match_external(plain)) << plain;
    }
    EXPECT_TRUE(audit::may_match_todo("x = 1  # ToDo later"));
    EXPECT_TRUE(audit::may_match_todo("caf\xc3\xa9"));  // outside ASCII: left to the pattern
    EXPECT_TRUE(audit::may_match_external("r = HTTPS.Request(u)"));
    EXPECT_TRUE(audit::may_match_external("stub.Rpc ("));
}

}  // namespace

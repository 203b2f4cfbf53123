// Marker comments: what counts as a marker, the cut and strip of the text, line numbers
// by the host's line splitting, the code-suffix rule and the cap of 40.
#include <gtest/gtest.h>

#include <map>

#include "audit/todos.hpp"
#include "support.hpp"

namespace {

using audit_test::file_graph;
using audit_test::Json;

TEST(Todos, MarkersTextsAndLines) {
    const std::string text =
        "// TODO: fix the retry loop\n"  // 1
        "# todo(perf): refactor\n"       // 2
        "TODO\xef\xbc\x9a"
        "fix it\n"                 // 3
        "// TODO\n"                // 4
        "TODO: \n"                 // 5: one blank after the colon: nothing
        "TODO: ok\n"               // 6
        "TODO:  \n"                // 7: two blanks: "TODO:"
        "the hackathon results\n"  // 8
        "XXX two TODO: markers\n"  // 9
        "x\x0c"
        "FIXME later\n"                       // 10 (form feed) and 11
        "\xe3\x80\x80HACK   \xe3\x80\x80\n";  // 12: stripped of the host's white space
    std::string long_line = "TODO " + std::string(84, 'a') + "     tail" + std::string(100, 'b');
    const std::map<std::string, std::string> files = {
        {"a.py", text}, {"b.ts", long_line}, {"README.md", "TODO: doc\n"}, {"c.PY", "TODO: upper\n"}};
    const Json got =
        audit::check_todos(file_graph({"a.py", "README.md", "c.PY", "b.ts", "gone.py"}), [&](const std::string& id) {
            auto it = files.find(id);
            return it == files.end() ? std::string() : it->second;
        });
    const Json want = Json::parse(R"([
        {"file": "a.py", "line": 1, "text": "TODO: fix the retry loop"},
        {"file": "a.py", "line": 2, "text": "todo(perf): refactor"},
        {"file": "a.py", "line": 3, "text": "TODO\uff1afix it"},
        {"file": "a.py", "line": 6, "text": "TODO: ok"},
        {"file": "a.py", "line": 7, "text": "TODO:"},
        {"file": "a.py", "line": 8, "text": "hackathon results"},
        {"file": "a.py", "line": 9, "text": "XXX two TODO: markers"},
        {"file": "a.py", "line": 11, "text": "FIXME later"},
        {"file": "a.py", "line": 12, "text": "HACK"}])");
    ASSERT_EQ(got.size(), want.size() + 1) << got.dump(1);
    for (std::size_t i = 0; i < want.size(); ++i) EXPECT_EQ(got[i], want[i]) << i;
    EXPECT_EQ(got.back()["text"], "TODO " + std::string(84, 'a')) << "cut to 90, then stripped";

    // Markers among plain lines, one spelt with a dotless i (no ASCII marker word in it).
    const std::string mixed = "x = 1\n\nplain\n  f\xc4\xb1xme: dotless\ny = 2\r\nz\n# hack: last\n";
    const Json more = audit::check_todos(file_graph({"d.py"}), [&](const std::string&) { return mixed; });
    EXPECT_EQ(more, Json::parse(R"([{"file": "d.py", "line": 4, "text": "f\u0131xme: dotless"},
                                    {"file": "d.py", "line": 7, "text": "hack: last"}])"))
        << more.dump();
}

TEST(Todos, FirstFortyInGraphAndLineOrder) {
    std::string text;
    for (int i = 0; i < 30; ++i) text += "// TODO item " + std::to_string(i) + "\n";
    const Json got = audit::check_todos(file_graph({"a.go", "b.go"}), [&](const std::string&) { return text; });
    ASSERT_EQ(got.size(), 40u);
    EXPECT_EQ(got[29], Json::parse(R"({"file": "a.go", "line": 30, "text": "TODO item 29"})"));
    EXPECT_EQ(got[39], Json::parse(R"({"file": "b.go", "line": 10, "text": "TODO item 9"})"));
}

}  // namespace

// External calls without error handling: the excerpt's bounds in both row forms, the
// keywords, one read per file and the stop at 25.
#include <gtest/gtest.h>

#include <map>

#include "audit/error_handling.hpp"
#include "audit/values.hpp"
#include "support.hpp"

namespace {

using audit_test::Json;

Json sym(const std::string& file, const std::string& name, Json start, Json end, const char* key = "file") {
    Json n = {{"id", file + "::" + name}, {"kind", "symbol"}, {key, file}, {"name", name}};
    if (!start.is_discarded()) n["line_start"] = start;
    if (!end.is_discarded()) n["line_end"] = end;
    return n;
}

const Json kAbsent = Json(Json::value_t::discarded);

struct Reader {
    std::map<std::string, std::string> files;
    std::map<std::string, int> reads;
    audit::SourceReader fn() {
        return [this](const std::string& id) {
            ++reads[id];
            auto it = files.find(id);
            return it == files.end() ? std::string() : it->second;
        };
    }
};

TEST(MissingErrorHandling, ExcerptsAndKeywords) {
    Reader r;
    // Lines:            1        2             3        4              5           6
    r.files["src/api.ts"] = "head\nfetch(url)\nplain\n.catch(e)\naxios.get (x)\nretry exception\nrequests.Session()\n";
    r.files["svc.py"] = "def f():\n    return fetch (u)\n";  // rows 0 and 1 in the builders' form
    r.files["g.go"] = "import grpc.x\n// try\nhttp.request(x)\n";
    const Json nodes = Json::array({
        sym("src/api.ts", "a", 2, 3),              // fetch, no keyword: reported at 2
        sym("src/api.ts", "b", 2, 4),              // .catch( inside: no record
        sym("src/api.ts", "c", 5, 6),              // axios.get (, retry/exception are no keywords
        sym("src/api.ts", "d", kAbsent, kAbsent),  // line 1 only: "head"
        sym("src/api.ts", "e", 0, 99),             // start 0 read as 1, end past the file: .catch
        sym("src/api.ts", "f", 7, kAbsent),        // one line: requests.Session()
        sym("src/api.ts", "g", 8, 5),              // empty excerpt
        sym("svc.py", "h", 0, 1, "path"),          // builders' rows: lines 1 to 2, reported at 1
        sym("g.go", "i", 1, 1),                    // grpc. in an import line
        sym("g.go", "j", 2, 3),                    // "// try" is a keyword
        sym("README.md", "k", 1, 9),
        sym("", "l", 1, 9),
    });
    const Json got = audit::check_missing_error_handling({{"nodes", nodes}}, r.fn());
    EXPECT_EQ(got, Json::parse(R"([
        {"file": "src/api.ts", "symbol": "a", "line": 2},
        {"file": "src/api.ts", "symbol": "c", "line": 5},
        {"file": "src/api.ts", "symbol": "f", "line": 7},
        {"file": "svc.py", "symbol": "h", "line": 1},
        {"file": "g.go", "symbol": "i", "line": 1}])"));
    EXPECT_EQ(r.reads, (std::map<std::string, int>{{"src/api.ts", 1}, {"svc.py", 1}, {"g.go", 1}}));
}

TEST(MissingErrorHandling, StopsAtTwentyFive) {
    Reader r;
    Json nodes = Json::array();
    for (int i = 0; i < 30; ++i) {
        const std::string f = "f" + std::to_string(i) + ".js";
        r.files[f] = "fetch(x)\n";
        nodes.push_back(sym(f, "s", 1, 1));
    }
    const Json got = audit::check_missing_error_handling({{"nodes", nodes}}, r.fn());
    ASSERT_EQ(got.size(), 25u);
    EXPECT_EQ(got[24]["file"], "f24.js");
    EXPECT_EQ(r.reads.size(), 25u) << "the files of later symbols are not read";
}

TEST(MissingErrorHandling, TextRowsRaise) {
    Reader r;
    EXPECT_THROW(audit::check_missing_error_handling({{"nodes", Json::array({sym("a.py", "x", "3", 4)})}}, r.fn()),
                 audit::TypeError);
}

}  // namespace

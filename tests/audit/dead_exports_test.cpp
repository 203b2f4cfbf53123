// Dead exports: which relations clear a symbol, which files count, the key fallback,
// the sort and the cap.
#include <gtest/gtest.h>

#include "audit/dead_exports.hpp"
#include "audit/values.hpp"
#include "core/errors.hpp"
#include "support.hpp"

namespace {

using audit_test::Json;

Json sym(const std::string& id, Json extra) {
    Json n = {{"id", id}, {"kind", "symbol"}, {"exported", true}};
    for (auto& [k, v] : extra.items()) n[k] = v;
    return n;
}

TEST(DeadExports, RelationsExportedFlagAndExtensions) {
    Json nodes = Json::array({
        sym("a::byImport", {{"file", "a.ts"}}),
        sym("a::byRef", {{"file", "a.ts"}}),
        sym("a::byContains", {{"file", "a.ts"}}),
        sym("a::byRequire", {{"file", "a.ts"}, {"line_start", 41}, {"name", "byRequire"}, {"symbol_type", "hook"}}),
        sym("a::byInclude", {{"file", "a.ts"}}),
        sym("a::notExported", {{"file", "a.ts"}, {"exported", false}}),
        sym("a::nullExported", {{"file", "a.ts"}, {"exported", nullptr}}),
        sym("a::textExported", {{"file", "types/index.d.ts"}, {"exported", "yes"}}),
        sym("w::upper", {{"file", "src/Widget.TSX"}}),
        sym("x::nofile", {}),
        {{"id", "f"}, {"kind", "file"}, {"exported", true}, {"file", "a.ts"}},
    });
    nodes[0].erase("exported");
    nodes[0]["exported"] = 1;
    Json edges = Json::array({
        {{"from", "a.ts"}, {"to", "a::byImport"}, {"rel", "imports"}},
        {{"from", "a.ts"}, {"to", "a::byRef"}, {"rel", "references"}},
        {{"from", "a.ts"}, {"to", "a::byContains"}, {"rel", "contains"}},
        {{"from", "a.ts"}, {"to", "a::byRequire"}, {"rel", "requires"}},
        {{"from", "a.ts"}, {"to", "a::byInclude"}, {"rel", "includes"}},
        {{"from", "a.ts"}, {"to", "a::byInclude"}, {"rel", "structural_peer"}},
    });
    const Json got = audit::check_dead_exports({{"nodes", nodes}, {"edges", edges}});
    EXPECT_EQ(got, Json::parse(R"([
        {"file": "a.ts", "symbol": "byRequire", "line": 41, "type": "hook"},
        {"file": "a.ts", "symbol": "", "line": 0, "type": ""},
        {"file": "types/index.d.ts", "symbol": "", "line": 0, "type": ""}])"));
    EXPECT_EQ(got[0].begin().key(), "file");
    EXPECT_EQ(audit::check_dead_exports(Json::object()), Json::array());
}

TEST(DeadExports, BuildersPathKeyIsReadWhenFileIsAbsent) {
    // The builders write `path`; `file` wins when both are there. Builder graphs link every
    // symbol from its file by "contains", so only symbols without that edge are reported.
    const Json g = {{"nodes", Json::array({sym("b.py::f", {{"path", "b.py"}, {"line_start", 0}}),
                                           sym("c.py::g", {{"path", "c.py"}, {"file", "c.txt"}})})},
                    {"edges", Json::array()}};
    EXPECT_EQ(audit::check_dead_exports(g), Json::parse(R"([{"file": "b.py", "symbol": "", "line": 0, "type": ""}])"));
}

TEST(DeadExports, StableSortAndCapOfFifty) {
    Json nodes = Json::array();
    for (int i = 0; i < 30; ++i) nodes.push_back(sym("z" + std::to_string(i), {{"file", "z.py"}, {"line_start", i}}));
    for (int i = 0; i < 30; ++i) nodes.push_back(sym("m" + std::to_string(i), {{"file", "m.py"}, {"line_start", i}}));
    const Json got = audit::check_dead_exports({{"nodes", nodes}});
    ASSERT_EQ(got.size(), 50u);
    for (int i = 0; i < 30; ++i) EXPECT_EQ(got[i]["file"], "m.py");
    for (int i = 0; i < 20; ++i) EXPECT_EQ(got[30 + i]["line"], i) << "graph order within a file";
}

TEST(DeadExports, MalformedGraphsRaise) {
    EXPECT_THROW(audit::check_dead_exports(Json::parse(R"({"nodes": null})")), audit::TypeError);
    EXPECT_THROW(audit::check_dead_exports(Json::parse(R"({"nodes": [1]})")), audit::TypeError);
    EXPECT_THROW(audit::check_dead_exports(Json::parse(R"({"nodes": [{"kind": "symbol", "exported": true}]})")),
                 core::KeyError);
    EXPECT_THROW(audit::check_dead_exports(
                     Json::parse(R"({"nodes": [{"id": "x", "kind": "symbol", "exported": true, "file": null}]})")),
                 audit::TypeError);
}

}  // namespace

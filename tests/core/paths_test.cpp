#include <gtest/gtest.h>

#include <cstdlib>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "core/paths.hpp"
#include "paths_host.hpp"
#include "tests/kit/portable.hpp"

namespace {

namespace paths = core::paths;
using paths_host::Calls;

// A tree with links of every kind.
class ResolveTree : public paths_host::ScratchDir {
protected:
    void build() override {
        folder("d");
        folder("d/sub");
        file("d/f.txt");
        file("n\xff");                   // a name that is not UTF-8
        link("d", "ld");                 // relative target
        link(dir + "/d", "la");          // absolute target
        link("d/f.txt", "lf");           // to a file
        link("../d", "d/sub/up");        // relative target with ".."
        link("ld/sub", "chain");         // through another link
        link("missing/target", "dang");  // dangling
        link("/nonexistent-paths-test/t", "dangabs");
        link("loop2", "loop1");
        link("loop1", "loop2");
        link("self", "self");
        link("it's", "it's");                  // loop whose name needs other quotes
        link("\xc3\xa9\x01", "\xc3\xa9\x01");  // loop whose name needs escapes
        link("n\xff", "nl");
    }
};

std::string resolve_or_error(const std::string& p) {
    try {
        return paths::resolve(p);
    } catch (const std::invalid_argument& e) {
        return std::string("ERR:ValueError:") + e.what();
    } catch (const std::runtime_error& e) {
        return std::string("ERR:RuntimeError:") + e.what();
    }
}

TEST_F(ResolveTree, MatchesHostResolve) {
    const std::string abs = dir;
    const std::vector<std::string> cases = {
        "",
        ".",
        "./",
        "..",
        "../..",
        "../../x/..",
        "d",
        "d/",
        "d//f.txt",
        "./d/./f.txt",
        "d/f.txt/",
        "d/sub/..",
        // links, relative and absolute, to folders and files
        "ld",
        "ld/f.txt",
        "la/f.txt",
        "lf",
        "chain",
        "chain/up/f.txt",
        "d/sub/up/sub/up",
        // ".." after a link applies to the target
        "ld/..",
        "la/..",
        "lf/..",
        "chain/..",
        "d/sub/up/..",
        "ld/../d/f.txt",
        // missing tails, dangling links
        "missing",
        "missing/tail/x",
        "ld/missing/y",
        "missing/../d",
        "dang",
        "dang/more",
        "dangabs",
        "dangabs/..",
        // loops
        "loop1",
        "loop1/x/y",
        "self",
        "it's",
        "\xc3\xa9\x01",
        "ld/../self",
        // absolute forms, redundant separators, a leading "//" and "///"
        abs + "/la//f.txt/",
        "//" + abs.substr(1) + "/ld",
        "///" + abs.substr(1) + "/lf",
        "/",
        "//",
        "/..",
        // names that are not UTF-8 travel as surrogate escapes
        "nl",
        paths::fs_decode("n\xff"),
        std::string("a\0b", 3),
    };
    Calls calls;
    for (const auto& c : cases) calls.push_back({c});
    const auto expected = paths_host::ask("def answer(a):\n    return str(pathlib.Path(a[0]).resolve())", calls, dir);
    for (std::size_t i = 0; i < cases.size(); ++i)
        EXPECT_EQ(resolve_or_error(cases[i]), expected[i]) << "resolve(\"" << cases[i] << "\")";
}

TEST_F(ResolveTree, CwdAndFileNameCodec) {
    EXPECT_EQ(paths::cwd(), paths_host::ask("def answer(a):\n    return os.getcwd()", {{""}}, dir)[0]);
    // Undecodable bytes become U+DC80+byte and come back unchanged; valid text is kept.
    const std::vector<std::string> names = {"plain",
                                            "\xc3\xa9t\xc3\xa9",
                                            "n\xff",
                                            "\xe2\x82"
                                            "A",
                                            "\xed\xa0\x80",
                                            "\xc0\x80",
                                            "\xf4\x90\x80\x80"};
    Calls calls;
    for (const auto& n : names) calls.push_back({paths_host::hex(n)});
    const auto decoded = paths_host::ask("def answer(a):\n    return os.fsdecode(bytes.fromhex(a[0]))", calls, dir);
    for (std::size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(paths::fs_decode(names[i]), decoded[i]) << i;
        EXPECT_EQ(paths::fs_encode(paths::fs_decode(names[i])), names[i]) << i;
    }
}

// The platform's pure rules against its own pure path class and os.path, on one table
// of path texts.
TEST(PurePaths, MatchHostPurePath) {
    const std::vector<std::string> texts = {
        "",         ".",          "./",     "a",           "a/",      "a//b", "./a/./b",
        "a/../b",   "a/.",        "..",     "../a",        "/",       "//",   "///",
        "//a/b",    "///a",       "/a/",    "a/b.tar.gz",  ".bashrc", "..py", "a.",
        "Makefile", "dir.d/file", "x.json", "src/App.Tsx", "a/b/..",  "/..",  "a/.hidden.txt",
        "a..b",
    };
    Calls calls;
    for (const auto& t : texts)
        for (const char* op : {"normalize", "name", "parent", "suffix"}) calls.push_back({op, t});
    const std::vector<std::pair<std::string, std::string>> joins = {
        {".", "a.py"},
        {"a", "/b"},
        {"a", "//b"},
        {"//a", "b"},
        {"", "b"},
        {"/", "b"},
        {"a/", "b/"},
        {"x", ""},
        {"a", ".."},
        {"x.json/..", "s"},
        {"./out//", "./g.json"},
    };
    for (const auto& [a, b] : joins) calls.push_back({"join", a, b});
    const std::vector<std::pair<std::string, std::string>> pairs = {
        {"/a/b", "/a"}, {"/a", "/a/b"}, {"/x/y", "/a/b/c"}, {"/a", "/a"},       {"/", "/a"},        {"/a/b/", "/"},
        {"//a", "/a"},  {"/ab", "/a"},  {"/a", "/"},        {"/a/b", "/a/b/c"}, {"/a/b/", "/a//b"},
    };
    for (const auto& [p, s] : pairs) {
        calls.push_back({"relpath", p, s});
        calls.push_back({"is_within", p, s});
    }
    const bool windows = paths::NATIVE == paths::Rules::windows;
    const auto expected = paths_host::ask(
        paths_host::pure_rules(windows ? "ntpath" : "posixpath", windows ? "PureWindowsPath" : "PurePosixPath"), calls,
        "/");
    for (std::size_t i = 0; i < calls.size(); ++i) {
        const auto& c = calls[i];
        std::string got;
        if (c[0] == "normalize")
            got = paths::normalize(c[1]);
        else if (c[0] == "name")
            got = paths::name(c[1]);
        else if (c[0] == "parent")
            got = paths::parent(c[1]);
        else if (c[0] == "suffix")
            got = paths::suffix(c[1]);
        else if (c[0] == "join")
            got = paths::join(c[1], c[2]);
        else if (c[0] == "relpath")
            try {
                got = paths::relpath(c[1], c[2]);
            } catch (const std::invalid_argument& e) {  // on Windows "//a" is a share
                got = std::string("ERR:ValueError:") + e.what();
            }
        else
            got = paths::is_within(c[1], c[2]) ? "True" : "False";
        EXPECT_EQ(got, expected[i]) << c[0] << "(\"" << c[1] << "\"" << (c.size() > 2 ? ", \"" + c[2] + "\"" : "")
                                    << ")";
    }
}

// The home directory as the host takes it: on POSIX from HOME, undecodable bytes kept
// as escapes, an empty HOME meaning the root; on Windows from USERPROFILE, written as a
// path of its own.
TEST(ExpandUser, HomeAsTheHostReadsIt) {
#ifdef _WIN32
    const char* variable = "USERPROFILE";
    const std::vector<std::pair<std::string, std::vector<std::pair<std::string, std::string>>>> cases = {
        {"C:\\Users\\caf\xc3\xa9\\", {{"~", "C:\\Users\\caf\xc3\xa9"}, {"~/x", "C:\\Users\\caf\xc3\xa9\\x"}}},
        {"//srv/home/me", {{"~", "\\\\srv\\home\\me"}, {"~\\x/", "\\\\srv\\home\\me\\x"}}},
    };
#else
    const char* variable = "HOME";
    const std::vector<std::pair<std::string, std::vector<std::pair<std::string, std::string>>>> cases = {
        {"", {{"~", "/"}, {"~/x", "/x"}}},
        {"/h/caf\xff/", {{"~", core::paths::fs_decode("/h/caf\xff")}, {"~/x", core::paths::fs_decode("/h/caf\xff/x")}}},
    };
#endif
    const auto saved = kit::get_env(variable);
    for (const auto& c : cases) {
        ASSERT_TRUE(kit::put_env(variable, c.first));
        for (const auto& io : c.second) EXPECT_EQ(core::paths::expand_user(io.first), io.second) << c.first;
    }
    kit::put_env(variable, saved);
}

}  // namespace

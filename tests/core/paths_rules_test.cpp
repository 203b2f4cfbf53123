// Both rule sets against the interpreter's own: every pure routine under the Windows
// rules against ntpath and PureWindowsPath, and under the POSIX rules against posixpath
// and PurePosixPath, over one generated table of path texts (separator mixes, drives and
// drive-relative paths, shares, the \\?\ and \\.\ prefixes, "." and "..", trailing
// separators, letter case beyond ASCII).
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/paths.hpp"
#include "paths_host.hpp"
#include "tests/kit/portable.hpp"

namespace {

namespace paths = core::paths;
using paths::Rules;
using paths_host::Calls;

// Anchors of every kind, and tails to put after them.
const std::vector<std::string> kAnchors = {
    "",
    "C:",
    "c:",
    "C:\\",
    "C:/",
    "z:\\\\",
    "1:",
    "\\",
    "/",
    "\\\\",
    "//",
    "///",
    "\\/\\",
    "\\\\server\\share",
    "//server/share/",
    "\\\\Server/Share\\",
    "\\\\server",
    "\\\\server\\",
    "\\\\server\\\\share\\",
    "\\\\?\\C:\\",
    "//?/c:/",
    "\\\\?\\c:",
    "\\\\?\\UNC\\server\\share\\",
    "\\\\?\\unc\\server\\share\\",
    "//?/UNC/srv/sh",
    "\\\\?\\UNC\\server",
    "\\\\?\\\\\\srv\\sh\\",
    "\\\\.\\device\\",
    "\\\\.\\C:\\",
    "\\\\?\\Volume{1}\\",
    "~",
    "~user\\",
};

const std::vector<std::string> kTails = {
    "",
    "a",
    "a\\b",
    "a/b",
    "a\\\\b//c",
    "a/./b\\.",
    "a\\..\\b",
    "..",
    "..\\..\\x",
    ".",
    ".\\",
    "a\\",
    "a/",
    "Dir\\File.TXT",
    "x.tar.gz",
    ".bashrc",
    "name.",
    "..py",
    "d\\C:x",
    "x:y\\z",
    "a b\\c .",
    "caf\xc3\xa9\\\xc3\x9c",
    "\xc4\xb0x\\\xe2\x84\xaa",  // U+0130 and the Kelvin sign: their lower() is not ASCII's
};

std::vector<std::string> texts() {
    std::vector<std::string> out;
    for (const auto& a : kAnchors)
        for (const auto& t : kTails) out.push_back(a + t);
    return out;
}

// Texts that pairs are made of: equal under one rule set and not the other.
const std::vector<std::string> kPairTexts = {
    "",
    ".",
    "a",
    "A",
    "a\\b",
    "A/B",
    "a\\b\\c",
    "a/..",
    "C:",
    "c:",
    "C:\\",
    "c:/",
    "D:\\",
    "C:x",
    "c:X\\y",
    "C:\\Users\\Me",
    "c:/users/me",
    "C:\\Users\\Me\\",
    "C:\\Users\\Me\\Docs\\f.txt",
    "c:\\USERS\\me\\docs",
    "C:\\Users\\Other\\x",
    "C:\\Users\\..\\Users\\Me",
    "\\Users\\Me",
    "/users/me/x",
    "\\\\Srv\\Sh",
    "//srv/sh/x",
    "\\\\srv\\sh\\X\\y",
    "\\\\srv\\other\\x",
    "\\\\?\\C:\\Users\\me",
    "\\\\?\\UNC\\srv\\sh\\x",
    "C:\\\xc4\xb0x",
    "c:\\i\xcc\x87x",
    "C:\\\xe2\x84\xaa",
    "c:\\k",
    "C:\\stra\xc3\x9f"
    "e",
    "/a/b",
    "/a",
    "//a/b",
    "/A/b",
};

struct Oracle {
    Rules rules;
    const char* pure;    // the pure path class
    const char* module;  // its os.path
};

// One answer of the C++ side for a row, in the oracle's form.
std::string answer(const std::vector<std::string>& c, Rules r) {
    const std::string& op = c[0];
    try {
        if (op == "normalize") return paths::normalize(c[1], r);
        if (op == "name") return paths::name(c[1], r);
        if (op == "parent") return paths::parent(c[1], r);
        if (op == "suffix") return paths::suffix(c[1], r);
        if (op == "to_slash") return paths::to_slash(paths::normalize(c[1], r), r);
        if (op == "is_absolute") return paths::is_absolute(c[1], r) ? "True" : "False";
        if (op == "join") return paths::join(c[1], c[2], r);
        if (op == "same") return paths::same(c[1], c[2], r) ? "True" : "False";
        if (op == "is_within") return paths::is_within(c[1], c[2], r) ? "True" : "False";
        if (op == "relpath") return paths::relpath(c[1], c[2], r);
    } catch (const std::invalid_argument& e) {
        return std::string("ERR:ValueError:") + e.what();
    }
    throw std::logic_error("no such operation: " + op);
}

void compare(const Oracle& o) {
    Calls calls;
    const auto all = texts();
    for (const auto& t : all)
        for (const char* op : {"normalize", "name", "parent", "suffix", "to_slash", "is_absolute"})
            calls.push_back({op, t});
    for (const auto& a : kPairTexts)
        for (const auto& b : kPairTexts)
            for (const char* op : {"join", "same", "is_within"}) calls.push_back({op, a, b});
    // Anchored texts and tails joined as a caller joins them.
    for (const auto& a : kAnchors)
        for (const auto& b : kTails) calls.push_back({"join", a + "x", b});
    // relpath of paths that need no current directory (the interpreter's is another
    // one under Wine), on the same drive and across drives.
    std::vector<std::string> absolute;
    for (const auto& t : kPairTexts)
        if (paths::is_absolute(t, o.rules)) absolute.push_back(t);
    for (const auto& t : all)
        if (paths::is_absolute(t, o.rules) && t.size() % 7 == 0) absolute.push_back(t);
    for (const auto& a : absolute)
        for (const auto& b : absolute) calls.push_back({"relpath", a, b});
    calls.push_back({"relpath", "", "C:\\"});

    const auto expected = paths_host::ask(paths_host::pure_rules(o.module, o.pure), calls, "/");
    std::size_t wrong = 0;
    for (std::size_t i = 0; i < calls.size(); ++i) {
        const auto& c = calls[i];
        const std::string got = answer(c, o.rules);
        if (got == expected[i]) continue;
        if (++wrong <= 40)
            ADD_FAILURE() << c[0] << "(\"" << c[1] << "\"" << (c.size() > 2 ? ", \"" + c[2] + "\"" : "") << "): got \""
                          << got << "\", the host says \"" << expected[i] << "\"";
    }
    EXPECT_EQ(wrong, 0u) << "of " << calls.size() << " rows";
    std::printf("%s: %zu rows\n", o.pure, calls.size());
}

TEST(PathRules, WindowsAsNtpathAndPureWindowsPath) { compare({Rules::windows, "PureWindowsPath", "ntpath"}); }

TEST(PathRules, PosixAsPosixpathAndPurePosixPath) { compare({Rules::posix, "PurePosixPath", "posixpath"}); }

// The home directory under the Windows rules, from the variables the host reads
// (USERPROFILE, else HOMEDRIVE + HOMEPATH; USERNAME for another user's), against
// ntpath.expanduser under pathlib's rule for the first component.
TEST(PathRules, WindowsHomeAsNtpath) {
    const char* kNames[] = {"USERPROFILE", "HOMEDRIVE", "HOMEPATH", "USERNAME"};
    std::vector<std::optional<std::string>> saved;
    for (const char* n : kNames) saved.push_back(kit::get_env(n));
    const std::string unset = "<unset>";
    std::vector<std::vector<std::string>> envs = {
        {"C:\\Users\\me", unset, unset, "me"},
        {"C:\\Users\\me\\", unset, unset, "me"},
        {"C:\\Users\\me", unset, unset, unset},
        {"\\\\srv\\home\\me", unset, unset, "Me"},
        {unset, "D:", "\\Home\\me", "me"},
        {unset, unset, "\\Home\\me", "me"},
        {unset, "D:", unset, "me"},
        {unset, unset, unset, unset},
        {"C:/Users/me", "D:", "\\x", "other"},
        {"C:", unset, unset, "me"},
        {"\\\\srv\\caf\xc3\xa9\\\xe2\x84\xaa", unset, unset, "\xe2\x84\xaa"},
    };
    if (!kit::windows()) envs.push_back({"", unset, unset, "me"});  // Windows keeps no empty variable
    const std::vector<std::string> inputs = {
        "~",         "~\\",         "~/x\\y", "~me", "~me\\x", "~you", "~you/x",  "~\\..\\x",
        "~\\C:x\\y", "~\\a\\d:\\b", "x\\~",   "C:~", "\\~",    "~.",   "~\\.\\x", ".\\~\\x",
    };
    Calls calls;
    std::vector<std::string> got;
    for (const auto& env : envs) {
        for (std::size_t k = 0; k < env.size(); ++k)
            ASSERT_TRUE(kit::put_env(kNames[k], env[k] == unset ? std::nullopt : std::optional<std::string>(env[k])));
        for (const auto& in : inputs) {
            std::vector<std::string> row = {in};
            row.insert(row.end(), env.begin(), env.end());
            calls.push_back(row);
            try {
                got.push_back(paths::expand_user(in, Rules::windows));
            } catch (const std::runtime_error& e) {
                got.push_back(std::string("ERR:RuntimeError:") + e.what());
            }
        }
    }
    for (std::size_t k = 0; k < saved.size(); ++k) kit::put_env(kNames[k], saved[k]);
    const auto expected = paths_host::ask(R"(
import ntpath
P = pathlib.PureWindowsPath
NAMES = ["USERPROFILE", "HOMEDRIVE", "HOMEPATH", "USERNAME"]
def answer(a):
    for name, value in zip(NAMES, a[1:]):
        if value == "<unset>": os.environ.pop(name, None)
        else: os.environ[name] = value
    p = P(a[0])
    # Path.expanduser, which a pure path lacks
    if not (p.drive or p.root) and p.parts and p.parts[0][:1] == "~":
        home = ntpath.expanduser(p.parts[0])
        if home[:1] == "~": raise RuntimeError("Could not determine home directory.")
        return str(P(home, *p.parts[1:]))
    return str(p)
)",
                                          calls, "/");
    for (std::size_t i = 0; i < calls.size(); ++i)
        EXPECT_EQ(got[i], expected[i]) << "expand_user(\"" << calls[i][0] << "\") with " << calls[i][1] << ", "
                                       << calls[i][2] << ", " << calls[i][3] << ", " << calls[i][4];
}

}  // namespace

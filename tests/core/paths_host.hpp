#pragma once
// Asks the host interpreter for expected values: each call is one line of
// tab-separated arguments, sent and answered hex-encoded (UTF-8 with lone surrogates
// in their 3-byte form, as the C++ side holds text).
#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/paths.hpp"
#include "tests/kit/portable.hpp"

namespace paths_host {

using Calls = std::vector<std::vector<std::string>>;

inline std::string hex(const std::string& s) {
    static constexpr char d[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : s) out += d[c >> 4], out += d[c & 15];
    return out;
}

inline std::string unhex(const std::string& s) {
    std::string out;
    for (std::size_t i = 0; i + 1 < s.size(); i += 2) out += static_cast<char>(std::stoi(s.substr(i, 2), nullptr, 16));
    return out;
}

// The body for ask() that answers the pure path routines of one rule set: `module` is
// its os.path ("posixpath" or "ntpath"), `pure` its pure path class. Each call is the
// routine's name and its arguments.
inline std::string pure_rules(const std::string& module, const std::string& pure) {
    return "import " + module + "\nP = pathlib." + pure + "\nM = " + module + R"(
def answer(a):
    op = a[0]
    if op == "normalize": return str(P(a[1]))
    if op == "name": return P(a[1]).name
    if op == "parent": return str(P(a[1]).parent)
    if op == "suffix": return P(a[1]).suffix
    if op == "to_slash": return P(a[1]).as_posix()
    if op == "is_absolute": return str(M.isabs(a[1]))
    if op == "join": return str(P(a[1]) / a[2])
    if op == "same": return str(P(a[1]) == P(a[2]))
    if op == "is_within": return str(P(a[1]).is_relative_to(a[2]))
    if op == "relpath": return M.relpath(a[1], a[2])
)";
}

// `body` defines `answer(args)` returning a str; an exception becomes
// "ERR:<type>:<message>". Runs in `cwd`; returns one answer per call.
inline std::vector<std::string> ask(const std::string& body, const Calls& calls, const std::string& cwd) {
    const kit::Scratch dir("paths_host");
    const std::string script = dir / "oracle.py", in = dir / "in", out = dir / "out";
    std::ostringstream code;
    code << "import sys, os, pathlib, hashlib\n"
         << body << "\n"
         << "def dec(h):\n    return bytes.fromhex(h).decode('utf-8', 'surrogatepass')\n"
         << "with open(sys.argv[1]) as f, open(sys.argv[2], 'w') as o:\n"
         << "    for line in f:\n"
         << "        args = [dec(h) for h in line.rstrip('\\n').split('\\t')]\n"
         << "        try:\n            r = answer(args)\n"
         << "        except Exception as e:\n            r = 'ERR:%s:%s' % (type(e).__name__, e)\n"
         << "        o.write(r.encode('utf-8', 'surrogatepass').hex() + '\\n')\n";
    kit::write_file(script, code.str());
    std::string lines;
    for (const auto& c : calls) {
        for (std::size_t i = 0; i < c.size(); ++i) lines += (i ? "\t" : "") + hex(c[i]);
        lines += "\n";
    }
    kit::write_file(in, lines);
    const kit::HostRun run = kit::run_host({kit::host_path(script), kit::host_path(in), kit::host_path(out)}, cwd);
    std::vector<std::string> answers;
    std::istringstream f(kit::read_file(out));
    for (std::string line; std::getline(f, line);) answers.push_back(unhex(line));
    if (run.status != 0 || answers.size() != calls.size()) throw std::runtime_error("host oracle failed: " + script);
    return answers;
}

// A fresh folder, the current directory while one test runs, removed afterwards.
// Subclasses lay out their tree in build() with the helpers, names relative to `dir`.
class ScratchDir : public ::testing::Test {
protected:
    std::string dir, old_cwd;

    void SetUp() override {
        ASSERT_NO_THROW(dir = kit::make_scratch("paths_host_tree"));
        old_cwd = core::paths::cwd();
        ASSERT_TRUE(kit::set_current_folder(dir));
        build();
    }
    void TearDown() override {
        ASSERT_TRUE(kit::set_current_folder(old_cwd));
        kit::remove_tree(dir);
        ASSERT_FALSE(std::filesystem::exists(kit::fs_path(dir)));
    }
    virtual void build() = 0;

    void folder(const std::string& at) {
        std::error_code ec;
        ASSERT_TRUE(std::filesystem::create_directory(kit::fs_path(kit::join(dir, at)), ec)) << at << ec.message();
    }
    void file(const std::string& at) { kit::write_file(kit::join(dir, at), "x"); }
    // Skips the test where the platform makes no links.
    void link(const std::string& target, const std::string& at) {
        if (!kit::links_work()) GTEST_SKIP() << kit::kNoLinks;
        ASSERT_TRUE(kit::make_link(target, kit::join(dir, at))) << at;
    }
};

}  // namespace paths_host

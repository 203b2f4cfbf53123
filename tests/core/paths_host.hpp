#pragma once
// Asks the host interpreter for expected values: each call is one line of
// tab-separated arguments, sent and answered hex-encoded (UTF-8 with lone surrogates
// in their 3-byte form, as the C++ side holds text).
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/paths.hpp"

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

// `body` defines `answer(args)` returning a str; an exception becomes
// "ERR:<type>:<message>". Runs in `cwd`; returns one answer per call.
inline std::vector<std::string> ask(const std::string& body, const Calls& calls, const std::string& cwd) {
    char dir_tmpl[] = "/tmp/paths_host_XXXXXX";
    const std::string dir = mkdtemp(dir_tmpl);
    const std::string script = dir + "/oracle.py", in = dir + "/in", out = dir + "/out";
    std::ofstream(script) << "import sys, os, pathlib, hashlib\n"
                          << body << "\n"
                          << "def dec(h):\n    return bytes.fromhex(h).decode('utf-8', 'surrogatepass')\n"
                          << "with open(sys.argv[1]) as f, open(sys.argv[2], 'w') as o:\n"
                          << "    for line in f:\n"
                          << "        args = [dec(h) for h in line.rstrip('\\n').split('\\t')]\n"
                          << "        try:\n            r = answer(args)\n"
                          << "        except Exception as e:\n            r = 'ERR:%s:%s' % (type(e).__name__, e)\n"
                          << "        o.write(r.encode('utf-8', 'surrogatepass').hex() + '\\n')\n";
    {
        std::ofstream f(in);
        for (const auto& c : calls) {
            for (std::size_t i = 0; i < c.size(); ++i) f << (i ? "\t" : "") << hex(c[i]);
            f << "\n";
        }
    }
    const std::string cmd = "cd '" + cwd + "' && '" PYTHON_EXECUTABLE "' '" + script + "' '" + in + "' '" + out + "'";
    const int rc = std::system(cmd.c_str());
    std::vector<std::string> answers;
    std::ifstream f(out);
    for (std::string line; std::getline(f, line);) answers.push_back(unhex(line));
    std::system(("rm -rf '" + dir + "'").c_str());
    if (rc != 0 || answers.size() != calls.size()) throw std::runtime_error("host oracle failed: " + cmd);
    return answers;
}

// A fresh folder, the current directory while one test runs, removed afterwards.
// Subclasses lay out their tree in build() with the helpers, names relative to `dir`.
class ScratchDir : public ::testing::Test {
protected:
    std::string dir, old_cwd;

    void SetUp() override {
        char tmpl[] = "/tmp/paths_host_tree_XXXXXX";
        dir = mkdtemp(tmpl);
        old_cwd = core::paths::cwd();
        ASSERT_EQ(chdir(dir.c_str()), 0);
        build();
    }
    void TearDown() override {
        ASSERT_EQ(chdir(old_cwd.c_str()), 0);
        ASSERT_EQ(std::system(("rm -rf '" + dir + "'").c_str()), 0);
    }
    virtual void build() = 0;

    void folder(const std::string& at) { ASSERT_EQ(mkdir((dir + "/" + at).c_str(), 0755), 0) << at; }
    void file(const std::string& at) { std::ofstream(dir + "/" + at) << "x"; }
    void link(const std::string& target, const std::string& at) {
        ASSERT_EQ(symlink(target.c_str(), (dir + "/" + at).c_str()), 0) << at;
    }
};

}  // namespace paths_host

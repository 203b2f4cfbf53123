#pragma once
// Shared fixtures of the auditor's tests: a scratch directory, file writing, and a run of
// a host script whose standard output comes back as text.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/json.hpp"

namespace audit_test {

namespace fs = std::filesystem;
using core::Json;

class TempDir {
public:
    TempDir() {
        char tmpl[] = "/tmp/audit_test_XXXXXX";
        path_ = mkdtemp(tmpl);
    }
    ~TempDir() {
        std::error_code ec;
        fs::permissions(path_, fs::perms::owner_all, ec);
        fs::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& rel) const { return path_ + "/" + rel; }

    // Writes `bytes` at `rel`, creating parent directories.
    void write(const std::string& rel, const std::string& bytes) const {
        const fs::path p = fs::path(path_) / rel;
        fs::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << bytes;
    }

private:
    std::string path_;
};

// Runs `script` with the host interpreter (arguments appended) and returns its stdout.
inline std::string run_host(const std::string& script, const std::string& args = "") {
    TempDir dir;
    const std::string file = dir / "script.py";
    std::ofstream(file) << script;
    const std::string cmd = "'" PYTHON_EXECUTABLE "' '" + file + "' " + args;
    std::string out;
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return out;
    char buf[65536];
    std::size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    EXPECT_EQ(pclose(p), 0) << cmd;
    return out;
}

// A graph from file ids: one file node per id.
inline Json file_graph(std::initializer_list<const char*> ids) {
    Json nodes = Json::array();
    for (const char* id : ids) nodes.push_back({{"id", id}, {"kind", "file"}, {"path", id}});
    return {{"nodes", nodes}, {"edges", Json::array()}};
}

}  // namespace audit_test

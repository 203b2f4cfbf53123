#pragma once
// Shared fixtures of the auditor's tests: a scratch directory, file writing, and a run of
// a host script whose standard output comes back as text.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/json.hpp"
#include "tests/kit/portable.hpp"

namespace audit_test {

namespace fs = std::filesystem;
using core::Json;

// A scratch directory for the life of the object.
class TempDir {
public:
    TempDir() : dir_("audit_test") {}
    const std::string& path() const { return dir_.path(); }
    std::string operator/(const std::string& rel) const { return dir_ / rel; }

    // Writes `bytes` at `rel`, creating parent directories.
    void write(const std::string& rel, const std::string& bytes) const { kit::write_file(dir_ / rel, bytes); }

private:
    kit::Scratch dir_;
};

// Runs `script` with the host interpreter (`args` appended; those naming files through
// kit::host_path) and returns its stdout.
inline std::string run_host(const std::string& script, const std::vector<std::string>& args = {}) {
    TempDir dir;
    const std::string file = dir / "script.py";
    kit::write_file(file, script);
    std::vector<std::string> argv = {kit::host_path(file)};
    argv.insert(argv.end(), args.begin(), args.end());
    const kit::HostRun run = kit::run_host(argv);
    EXPECT_EQ(run.status, 0) << file;
    return run.out;
}

// A graph from file ids: one file node per id.
inline Json file_graph(std::initializer_list<const char*> ids) {
    Json nodes = Json::array();
    for (const char* id : ids) nodes.push_back({{"id", id}, {"kind", "file"}, {"path", id}});
    return {{"nodes", nodes}, {"edges", Json::array()}};
}

}  // namespace audit_test

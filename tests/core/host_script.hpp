#pragma once
// A host script over JSON in and JSON out, for tests whose answer is the host's own
// behaviour. One interpreter start per call; the data travels as files in a scratch
// directory, removed afterwards.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>

namespace host_script {

// Runs `script` with the host interpreter as `script in.json out.json` in a scratch
// directory and returns what it wrote to out.json.
inline nlohmann::json run_host_script(const char* script, const nlohmann::json& input) {
    char tmpl[] = "/tmp/host_script_XXXXXX";
    const std::string dir = mkdtemp(tmpl);
    const std::string file = dir + "/oracle.py", in = dir + "/in.json", out = dir + "/out.json";
    std::ofstream(file) << script;
    std::ofstream(in) << input.dump();
    const std::string cmd = "'" PYTHON_EXECUTABLE "' '" + file + "' '" + in + "' '" + out + "'";
    const int rc = std::system(cmd.c_str());
    std::ifstream f(out);
    const std::string text((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    std::filesystem::remove_all(dir);
    if (rc != 0 || text.empty()) throw std::runtime_error("host oracle failed: " + cmd);
    return nlohmann::json::parse(text);
}

}  // namespace host_script

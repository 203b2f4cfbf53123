#pragma once
// A host script over JSON in and JSON out, for tests whose answer is the host's own
// behaviour. One interpreter start per call; the data travels as files in a scratch
// directory, removed afterwards.
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>

#include "tests/kit/portable.hpp"

namespace host_script {

// Runs `script` with the host interpreter as `script in.json out.json` in a scratch
// directory and returns what it wrote to out.json.
inline nlohmann::json run_host_script(const char* script, const nlohmann::json& input) {
    const kit::Scratch dir("host_script");
    const std::string file = dir / "oracle.py", in = dir / "in.json", out = dir / "out.json";
    kit::write_file(file, script);
    kit::write_file(in, input.dump());
    const kit::HostRun run = kit::run_host({kit::host_path(file), kit::host_path(in), kit::host_path(out)});
    const std::string text = kit::read_file(out);
    if (run.status != 0 || text.empty()) throw std::runtime_error("host oracle failed: " + file);
    return nlohmann::json::parse(text);
}

}  // namespace host_script

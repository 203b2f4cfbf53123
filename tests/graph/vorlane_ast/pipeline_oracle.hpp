#pragma once
// The host's answers for the summary, keyword and peer rules: a plain transcription of
// each rule in the host's own language, run on the same inputs as the C++ code, so a test
// compares the two directly. Inputs and answers travel as JSON; texts are given inline or
// as files that both sides read as the scan does (UTF-8, undecodable bytes dropped,
// universal newlines).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "core/text.hpp"
#include "tests/core/pattern_diff.hpp"
#include "tests/kit/portable.hpp"

namespace pipeline_oracle {

using nlohmann::json;

inline constexpr const char* kScript = R"PY(
import json, sys
from pathlib import Path, PureWindowsPath

req = json.load(open(sys.argv[1], encoding="utf-8"))
sys.dont_write_bytecode = True
sys.path.insert(0, req["rules_dir"])
from host_rules import PEER_PAIRS, extract_keywords, make_summary, peer_edges

def text_of(case):
    if "file" in case:
        with open(case["file"], encoding="utf-8", errors="ignore") as f:
            return f.read()
    return case.get("content", "")

out = []
for c in req["cases"]:
    op = c["op"]
    if op == "summary":
        out.append(make_summary(text_of(c), c["path"], c["ext"]))
    elif op == "keywords":
        out.append(extract_keywords(text_of(c), c["ext"]))
    elif op == "peers":
        out.append(peer_edges(c["ids"], PureWindowsPath if req["windows"] else Path))
    elif op == "peer rows":
        out.append(PEER_PAIRS)
json.dump(out, open(sys.argv[2], "w", encoding="utf-8"))
)PY";

// The host's answer for each case, in order. Under Wine the interpreter is the build
// machine's, so the path rules of the peer edges are asked for as Windows has them.
inline json ask(const json& cases) {
    json host_cases = cases;
    for (json& c : host_cases)
        if (c.contains("file")) c["file"] = kit::host_path(c["file"].get<std::string>());
    return pattern_diff::run_host_script(
        kScript, json{{"cases", host_cases},
                      {"rules_dir", kit::host_path(kit::source_path("tests/graph/vorlane_ast"))},
                      {"windows", kit::windows()}});
}

// Texts to run the rules over (absolute paths): the shared fixture corpus, this suite's
// own fixtures and a fixed handful of the host's standard-library sources.
inline std::vector<std::string> corpus_files() {
    namespace fs = std::filesystem;
    std::vector<std::string> out;
    for (const char* sub : {"tests/fixtures/corpus", "tests/graph/vorlane_ast/fixtures"}) {
        const fs::path dir = kit::fs_path(kit::source_path(sub));
        if (!fs::is_directory(dir)) continue;
        std::vector<std::string> found;
        for (const auto& e : fs::recursive_directory_iterator(dir))
            if (e.is_regular_file()) found.push_back(kit::text(e.path()));
        std::sort(found.begin(), found.end());
        out.insert(out.end(), found.begin(), found.end());
    }
    const auto lib =
        pattern_diff::stdlib_files({"argparse.py", "textwrap.py", "json/decoder.py", "http/server.py", "typing.py",
                                    "asyncio/base_events.py", "pathlib.py", "unittest/case.py", "dataclasses.py"});
    out.insert(out.end(), lib.begin(), lib.end());
    return out;
}

// The file's text as the scan reads it.
inline std::string read_text(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return core::decode_text_mode(std::string(std::istreambuf_iterator<char>(in), {}));
}

}  // namespace pipeline_oracle

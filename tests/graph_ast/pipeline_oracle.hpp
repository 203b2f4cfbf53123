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

namespace pipeline_oracle {

using nlohmann::json;

inline constexpr const char* kScript = R"PY(
import json, re, sys
from pathlib import Path

JS = (".ts", ".tsx", ".js", ".jsx")

def split_camel(name):
    s = re.sub(r"([a-z0-9])([A-Z])", r"\1 \2", name)
    s = re.sub(r"([A-Z]+)([A-Z][a-z])", r"\1 \2", s)
    return [p.lower() for p in s.split() if len(p) >= 3]

def make_summary(content, path, ext):
    lines = content.splitlines()
    lead = ""
    if ext == ".py":
        m = re.search(r"^\s*(?:\'\'\'|\"\"\")([^\'\"]{8,200}?)(?:\'\'\'|\"\"\")", content, re.DOTALL)
        if m:
            lead = " ".join(m.group(1).split())[:120]
    elif ext in JS:
        m = re.match(r"\s*/\*\*?\s*(.*?)\*/", content, re.DOTALL)
        if m:
            lead = " ".join(m.group(1).replace("*", "").split())[:120]
    if not lead:
        for line in lines[:5]:
            l = line.strip().lstrip("#").lstrip("/").strip()
            if len(l) >= 10:
                lead = l[:120]
                break
    names = []
    pat = None
    if ext == ".py":
        pat = r"^(?:async\s+)?def\s+([A-Za-z_]\w*)|^class\s+([A-Za-z_]\w*)"
    elif ext in JS:
        pat = r"(?:export\s+)?(?:async\s+)?function\s+([A-Za-z_]\w*)|(?:export\s+)?class\s+([A-Za-z_]\w*)"
    if pat:
        for m in re.finditer(pat, content, re.MULTILINE):
            n = m.group(1) or m.group(2)
            if not n or n in names or (ext == ".py" and n.startswith("_")):
                continue
            names.append(n)
            if len(names) >= 5:
                break
    parts = [p for p in re.split(r"[/\\]", path) if p and p != "."]
    domain_parts = [p for p in parts if p.lower() not in ("src", "lib", "app", "pkg", "main", "index")]
    if domain_parts:
        domain = " ".join(domain_parts[-2:]).replace("_", " ").replace("-", " ")
    else:
        domain = parts[-1] if parts else ""
    domain = re.sub(r"\.\w+$", "", domain).strip()
    out = []
    if lead:
        out.append(lead.rstrip(".") + ".")
    elif domain:
        out.append("Handles " + domain + ".")
    if names:
        label = "function" if len(names) == 1 else "functions/classes"
        shown = ", ".join(names[:4]) + (", ..." if len(names) == 5 else "")
        out.append("Contains %d %s: %s." % (len(names), label, shown))
    return " ".join(out)[:250]

ROUTE = r"(?:app|router|r|mux|api)\s*[.\@]\s*(get|post|put|delete|patch|handle|handlefunc)\s*\(\s*['\"/]([^'\")\s]+)"

def extract_keywords(content, ext):
    tokens, seen = [], set()
    def add(word):
        w = word.lower().strip("_")
        if len(w) >= 3 and w not in seen:
            seen.add(w)
            tokens.append(w)
    def add_name(name):
        add(name)
        for p in split_camel(name):
            add(p)
    for m in re.finditer(ROUTE, content, re.IGNORECASE):
        add(m.group(1).upper())
        for seg in m.group(2).strip("/").split("/"):
            seg = re.sub(r"[{}:<>]", "", seg)
            if seg:
                add(seg)
    if ext in JS:
        for m in re.finditer(r"export\s+(?:default\s+)?(?:async\s+)?(?:function|class|const|type|interface|enum)\s+([A-Za-z_]\w*)", content):
            add_name(m.group(1))
        for m in re.finditer(r"export\s*\{([^}]+)\}", content):
            for p in re.split(r"[,\s]+", m.group(1)):
                p = p.strip()
                if p:
                    add_name(p)
    if ext == ".py":
        for m in re.finditer(r"^(?:async\s+)?def\s+([A-Za-z_]\w*)|^class\s+([A-Za-z_]\w*)", content, re.MULTILINE):
            n = m.group(1) or m.group(2)
            if n and not n.startswith("_"):
                add_name(n)
                for p in n.split("_"):
                    add(p)
    if ext == ".go":
        for m in re.finditer(r"^func\s+(?:\([^)]+\)\s+)?([A-Za-z_]\w*)\s*\(", content, re.MULTILINE):
            add_name(m.group(1))
        for m in re.finditer(r"^type\s+([A-Za-z_]\w*)\s+(?:struct|interface)", content, re.MULTILINE):
            add_name(m.group(1))
    return tokens[:80]

def peer_edges(file_ids, rows):
    pairs = [(re.compile(x, re.IGNORECASE), re.compile(y, re.IGNORECASE)) for x, y in rows]
    by_dir = {}
    for fid in file_ids:
        p = Path(fid)
        by_dir.setdefault(str(p.parent), []).append((fid, p.stem.lower()))
    edges = []
    for files in by_dir.values():
        for i, (a, sa) in enumerate(files):
            for b, sb in files[i + 1:]:
                for px, py in pairs:
                    if (px.match(sa) and py.match(sb)) or (py.match(sa) and px.match(sb)):
                        edges.append({"from": a, "to": b, "rel": "structural_peer"})
                        edges.append({"from": b, "to": a, "rel": "structural_peer"})
                        break
    return edges

def text_of(case):
    if "file" in case:
        with open(case["file"], encoding="utf-8", errors="ignore") as f:
            return f.read()
    return case.get("content", "")

req = json.load(open(sys.argv[1], encoding="utf-8"))
out = []
for c in req["cases"]:
    op = c["op"]
    if op == "summary":
        out.append(make_summary(text_of(c), c["path"], c["ext"]))
    elif op == "keywords":
        out.append(extract_keywords(text_of(c), c["ext"]))
    elif op == "peers":
        out.append(peer_edges(c["ids"], c["rows"]))
json.dump(out, open(sys.argv[2], "w", encoding="utf-8"))
)PY";

// The host's answer for each case, in order.
inline json ask(const json& cases) { return pattern_diff::run_host_script(kScript, json{{"cases", cases}}); }

// Texts to run the rules over (absolute paths): the shared fixture corpus, this suite's
// own fixtures and a fixed handful of the host's standard-library sources.
inline std::vector<std::string> corpus_files() {
    namespace fs = std::filesystem;
    std::vector<std::string> out;
    for (const char* sub : {"tests/fixtures/corpus", "tests/graph_ast/fixtures"}) {
        const fs::path dir = fs::path(SOURCE_DIR) / sub;
        if (!fs::is_directory(dir)) continue;
        std::vector<std::string> found;
        for (const auto& e : fs::recursive_directory_iterator(dir))
            if (e.is_regular_file()) found.push_back(e.path().string());
        std::sort(found.begin(), found.end());
        out.insert(out.end(), found.begin(), found.end());
    }
    const auto lib = pattern_diff::stdlib_files({"argparse.py", "textwrap.py", "json/decoder.py", "http/server.py",
                                                 "typing.py", "asyncio/base_events.py", "pathlib.py",
                                                 "unittest/case.py", "dataclasses.py"});
    out.insert(out.end(), lib.begin(), lib.end());
    return out;
}

// The file's text as the scan reads it.
inline std::string read_text(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return core::decode_text_mode(std::string(std::istreambuf_iterator<char>(in), {}));
}

}  // namespace pipeline_oracle

#pragma once
// Runs the host interpreter over a batch of records and returns its answers, so the
// JSON tests can compare with the host's own json module.
//
// The script defines `handle(rec: bytes) -> bytes`; every input record is passed to
// it once and the answers come back in the same order. Records travel through temp
// files framed as "<length>\n<bytes>", so they may hold any byte.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/json.hpp"
#include "tests/kit/portable.hpp"

namespace json_host {

inline std::string framed(const std::vector<std::string>& records) {
    std::string out;
    for (const auto& r : records) {
        out += std::to_string(r.size());
        out += '\n';
        out += r;
    }
    return out;
}

inline std::vector<std::string> unframed(const std::string& data) {
    std::vector<std::string> out;
    std::size_t i = 0;
    while (i < data.size()) {
        const std::size_t nl = data.find('\n', i);
        const std::size_t n = std::stoul(data.substr(i, nl - i));
        out.push_back(data.substr(nl + 1, n));
        i = nl + 1 + n;
    }
    return out;
}

inline std::vector<std::string> run(const std::string& script, const std::vector<std::string>& records) {
    const kit::Scratch dir("json_host");
    const std::string py = dir / "run.py", in = dir / "in.bin", out = dir / "out.bin";
    kit::write_file(
        py,
        "import json, sys\n"
        "def _read(p):\n"
        "    data = open(p, 'rb').read(); recs = []; i = 0\n"
        "    while i < len(data):\n"
        "        j = data.index(b'\\n', i); n = int(data[i:j]); recs.append(data[j + 1:j + 1 + n]); i = j + 1 + "
        "n\n"
        "    return recs\n" +
            script +
            "\nwith open(sys.argv[2], 'wb') as _f:\n"
            "    for _r in _read(sys.argv[1]):\n"
            "        _a = handle(_r); _f.write(b'%d\\n' % len(_a)); _f.write(_a)\n");
    kit::write_file(in, framed(records));
    const kit::HostRun host = kit::run_host({kit::host_path(py), kit::host_path(in), kit::host_path(out)});
    std::vector<std::string> answers;
    if (host.status == 0) answers = unframed(kit::read_file(out));
    EXPECT_EQ(host.status, 0) << "host script failed";
    EXPECT_EQ(answers.size(), records.size());
    answers.resize(records.size());
    return answers;
}

// Reads each record (a policy byte 'R' or 'S', then UTF-8 text) as the host does:
// 'S' drops one leading byte-order mark first, as decoding with utf-8-sig does.
// Answers are "V" + json.dumps of the value, with integers beyond 64 bits turned
// into floats as our reader stores them, or "E" + str(error).
inline const char* const kLoadsScript = R"PY(
def _norm(v):
    if isinstance(v, bool):
        return v
    if isinstance(v, int):
        if -2**63 <= v < 2**64:
            return v
        try:
            return float(v)
        except OverflowError:
            return float('inf') if v > 0 else float('-inf')
    if isinstance(v, list):
        return [_norm(x) for x in v]
    if isinstance(v, dict):
        return {k: _norm(x) for k, x in v.items()}
    return v

def handle(rec):
    text = rec[1:].decode('utf-8')
    if rec[:1] == b'S' and text.startswith('\ufeff'):
        text = text[1:]
    try:
        v = json.loads(text)
    except json.JSONDecodeError as e:
        return b'E' + str(e).encode()
    # Re-dumping a deep value needs more frames than reading it did.
    limit = sys.getrecursionlimit()
    sys.setrecursionlimit(20000)
    try:
        return b'V' + json.dumps(_norm(v)).encode()
    finally:
        sys.setrecursionlimit(limit)
)PY";

// Reads `record` (as for kLoadsScript) with our reader and compares with the host's answer.
inline void expect_loads_like_host(const std::string& record, const std::string& answer) {
    const core::Bom bom = record[0] == 'S' ? core::Bom::Strip : core::Bom::Reject;
    const std::string_view text = std::string_view(record).substr(1);
    SCOPED_TRACE("text: " + std::string(text));
    try {
        const core::Json v = core::json_loads(text, bom);
        EXPECT_EQ("V" + core::json_dumps(v), answer);
    } catch (const core::JsonError& e) {
        EXPECT_EQ("E" + std::string(e.what()), answer);
        EXPECT_EQ(e.what(), e.msg + ": line " + std::to_string(e.lineno) + " column " + std::to_string(e.colno) +
                                " (char " + std::to_string(e.pos) + ")");
    }
}

}  // namespace json_host

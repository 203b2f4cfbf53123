// Prints, for each input file, what the core layer makes of it, one JSON line per file,
// for replay_host.py to compare with the host:
//   replay_driver decode FILE...   {"text": text-mode text, "rows": its splitlines rows,
//                                  "raw", "raw_rows": the same before newline translation}
//   replay_driver json FILE...     {"reject": ..., "strip": ..., "repr": ...} where each
//                                  policy gives {"value": one-line text} or {"error": msg}
//   replay_driver pattern FILE...  {"skip": bytes before the text, "pattern", "flags",
//                                  "matches": code point spans of every group (-1 when
//                                  absent), "sub": the substitution with "template"}
// The inputs are read the way the fuzz targets read them.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

#include "core/json.hpp"
#include "core/pattern.hpp"
#include "core/text.hpp"
#include "graph/vorlane/patterns.hpp"
#include "tests/fuzz/pattern_pick.hpp"

using core::Json;

namespace {

Json decode_case(std::string_view bytes) {
    const std::string text = core::decode_text_mode(bytes);
    Json rows = Json::array();
    for (const auto row : core::splitlines(text)) rows.push_back(std::string(row));
    // The rows of the decoded text before newline translation: every row end is still in it.
    const std::string raw = core::decode_utf8_ignore(bytes);
    Json raw_rows = Json::array();
    for (const auto row : core::splitlines(raw)) raw_rows.push_back(std::string(row));
    return Json{{"text", text}, {"rows", rows}, {"raw", raw}, {"raw_rows", raw_rows}};
}

Json json_outcome(std::string_view text, core::Bom bom) {
    try {
        return Json{{"value", core::json_dumps(core::json_loads(text, bom))}};
    } catch (const core::JsonError& e) {
        return Json{{"error", e.what()}};
    }
}

Json json_case(std::string_view bytes) {
    const std::string text = core::decode_utf8_ignore(bytes);
    Json out{{"reject", json_outcome(text, core::Bom::Reject)}, {"strip", json_outcome(text, core::Bom::Strip)}};
    if (bytes.size() >= sizeof(double)) {
        double d;
        std::memcpy(&d, bytes.data(), sizeof d);
        out["repr"] = core::json_float_text(d);
    }
    return out;
}

std::int64_t cp_offset(std::string_view s, std::size_t byte) {
    return byte == core::Match::npos ? -1 : static_cast<std::int64_t>(core::cp_len(s.substr(0, byte)));
}

Json pattern_case(std::string_view bytes) {
    static const auto table = vorlane::all_patterns();
    if (table.empty()) return nullptr;
    const auto [index, text_bytes] = fuzz::pick_pattern(table, bytes);
    const auto& spec = table[index];
    const std::string text = core::decode_text_mode(text_bytes);
    const core::Regex re(spec.text, spec.flags);
    Json matches = Json::array();
    const auto add = [&](const core::Match& m) {
        Json spans = Json::array();
        for (int g = 0; g < m.groups_plus_one(); ++g) {
            spans.push_back(cp_offset(text, m.has(g) ? m.start(g) : core::Match::npos));
            spans.push_back(cp_offset(text, m.has(g) ? m.end(g) : core::Match::npos));
        }
        matches.push_back(spans);
        return true;
    };
    // The builder's own way of finding the matches.
    if (spec.find_all)
        spec.find_all(text, add);
    else
        re.for_each(text, add);
    const std::string tmpl = re.group_count() >= 1 ? "[\\g<0>|\\1]" : "[\\g<0>|]";
    return Json{{"skip", bytes.size() - text_bytes.size()},
                {"pattern", std::string(spec.text)},
                {"flags", spec.flags},
                {"template", tmpl},
                {"matches", matches},
                {"sub", re.sub(tmpl, text)}};
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: replay_driver decode|json|pattern FILE...\n";
        return 2;
    }
    const std::string mode = argv[1];
    for (int i = 2; i < argc; ++i) {
        std::ifstream f(argv[i], std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
        Json out;
        if (mode == "decode")
            out = decode_case(bytes);
        else if (mode == "json")
            out = json_case(bytes);
        else if (mode == "pattern")
            out = pattern_case(bytes);
        else {
            std::cerr << "unknown mode " << mode << "\n";
            return 2;
        }
        std::cout << core::json_dumps(out) << "\n";
    }
    return 0;
}

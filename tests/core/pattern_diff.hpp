#pragma once
// The one harness of the differential pattern tests: a host script run over JSON in and
// JSON out, the host's standard-library sources as a corpus, and a table of patterns run
// over many texts through the host's `re` and through core::Regex (or a pattern's own
// routine), compared as code-point spans of every match and group. Each run starts one
// host interpreter; the texts travel as files, so their size costs nothing in the command.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <nlohmann/json.hpp>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "core/hash.hpp"
#include "core/pattern.hpp"
#include "core/text.hpp"
#include "tests/core/host_script.hpp"
#include "tests/kit/portable.hpp"

namespace pattern_diff {

using host_script::run_host_script;
using nlohmann::json;
using Flat = std::vector<long>;  // per match: start and end of every group, code points, -1 when absent

// The host's standard-library directory, as this program names it.
inline std::string host_stdlib_dir() {
    std::string dir = kit::run_host({"-c", "import sysconfig;print(sysconfig.get_paths()['stdlib'])"}).out;
    while (!dir.empty() && (dir.back() == '\n' || dir.back() == '\r')) dir.pop_back();
    return kit::local_path(dir);
}

// The named standard-library sources that exist on this host, as absolute paths in order.
inline std::vector<std::string> stdlib_files(std::initializer_list<const char*> names) {
    namespace fs = std::filesystem;
    const std::string dir = host_stdlib_dir();
    std::vector<std::string> out;
    for (const char* n : names)
        if (fs::is_regular_file(kit::fs_path(kit::join(dir, n)))) out.push_back(kit::join(dir, n));
    return out;
}

inline std::string repeat(std::string_view unit, std::size_t n) {
    std::string s;
    while (s.size() < n) s += unit;
    return s;
}

// Appends `count` seeded mixes of `alphabet`: each picks 2 to max_kinds + 1 of its tokens
// and strings 1 to max_len of them together, so that each text repeats a few tokens often.
inline void append_mixes(std::vector<std::string>& out, std::mt19937& rng, const std::vector<std::string>& alphabet,
                         int count, int max_kinds, int max_len) {
    for (int i = 0; i < count; ++i) {
        std::vector<std::string> pick;
        const int kinds = 2 + static_cast<int>(rng() % max_kinds);
        for (int k = 0; k < kinds; ++k) pick.push_back(alphabet[rng() % alphabet.size()]);
        std::string t;
        const int len = 1 + static_cast<int>(rng() % max_len);
        for (int k = 0; k < len; ++k) t += pick[rng() % pick.size()];
        out.push_back(t);
    }
}

// The host's side: every pattern of `specs` ([text, flags] pairs, core::ReFlags bits) over
// every file of `paths`, read as the scan reads a file (UTF-8 with `errors` for bad bytes,
// universal newlines). Per pattern and text, the spans of every group of every match; with
// `per_line`, then per line the span of the first match, or -2 -2. The answer also holds
// "digests" (MD5 of each text as UTF-8) and, with `with_texts`, the "texts" themselves.
inline constexpr const char* kMatchesScript = R"PY(import hashlib, json, re, sys
req = json.load(open(sys.argv[1], encoding="utf-8"))
def flags(f):
    return (re.I if f & 1 else 0) | (re.M if f & 2 else 0) | (re.S if f & 4 else 0)
texts = []
for p in req["paths"]:
    t = open(p, "rb").read().decode("utf-8", req["errors"])
    texts.append(t.replace("\r\n", "\n").replace("\r", "\n"))
res = []
for pat, f in req["specs"]:
    rx = re.compile(pat, flags(f))
    row = []
    for t in texts:
        flat = []
        for m in rx.finditer(t):
            for g in range(rx.groups + 1):
                flat.extend(m.span(g))
        if req["per_line"]:
            for line in t.splitlines():
                m = rx.search(line)
                flat.extend(m.span() if m else (-2, -2))
        row.append(flat)
    res.append(row)
out = {"digests": [hashlib.md5(t.encode("utf-8")).hexdigest() for t in texts], "matches": res}
if req["with_texts"]:
    out["texts"] = texts
json.dump(out, open(sys.argv[2], "w"))
)PY";

struct HostOptions {
    const char* errors = "ignore";  // how the host decodes bad bytes: "ignore" or "replace"
    bool per_line = false;
    bool with_texts = false;
};

inline json host_matches(const json& specs, const std::vector<std::string>& paths, const HostOptions& o = {}) {
    json host_paths = json::array();
    for (const auto& p : paths) host_paths.push_back(kit::host_path(p));
    return run_host_script(kMatchesScript, json{{"specs", specs},
                                                {"paths", host_paths},
                                                {"errors", o.errors},
                                                {"per_line", o.per_line},
                                                {"with_texts", o.with_texts}});
}

// Code point index of every byte offset that starts a character, and of the end.
inline std::vector<long> cp_offsets(std::string_view text) {
    std::vector<long> cp_at(text.size() + 1, -1);
    long cps = 0;
    for (std::size_t pos = 0; pos < text.size();) {
        cp_at[pos] = cps++;
        core::next_cp(text, pos);
    }
    cp_at[text.size()] = cps;
    return cp_at;
}

using MatchSink = std::function<bool(const core::Match&)>;
using FindAll = void (*)(std::string_view subject, const MatchSink& f);

// Our side of the finditer spans: through `find_all` when the pattern has its own routine.
inline Flat flat_matches(const core::Regex& re, std::string_view text, FindAll find_all = nullptr) {
    const std::vector<long> cp_at = cp_offsets(text);
    Flat flat;
    auto take = [&](const core::Match& m) {
        for (int g = 0; g < m.groups_plus_one(); ++g) {
            flat.push_back(m.has(g) ? cp_at[m.start(g)] : -1);
            flat.push_back(m.has(g) ? cp_at[m.end(g)] : -1);
        }
        return true;
    };
    if (find_all)
        find_all(text, take);
    else
        re.for_each(text, take);
    return flat;
}

// Our side of the per-line spans (as `per_line` adds them on the host's side).
inline void append_line_matches(Flat& flat, const core::Regex& re, std::string_view text) {
    for (std::string_view line : core::splitlines(text)) {
        const auto m = re.search(line);
        if (!m) {
            flat.insert(flat.end(), {-2, -2});
            continue;
        }
        const long s = static_cast<long>(core::cp_len(line.substr(0, m->start())));
        flat.insert(flat.end(), {s, s + static_cast<long>(core::cp_len(m->group()))});
    }
}

inline std::string describe(const Flat& v, std::size_t from, std::size_t width) {
    std::ostringstream os;
    os << "[";
    for (std::size_t i = from; i < std::min(v.size(), from + width); ++i) os << (i > from ? " " : "") << v[i];
    os << (from + width < v.size() ? " ...]" : "]");
    return os.str();
}

// Where two match lists part: "match K differs; host [...], builder [...] (N vs M matches)",
// `width` numbers to a match.
inline std::string first_difference(const Flat& expected, const Flat& actual, std::size_t width) {
    std::size_t i = 0;
    while (i < actual.size() && i < expected.size() && actual[i] == expected[i]) ++i;
    const std::size_t at = i - i % width;
    std::ostringstream os;
    os << "match " << at / width << " differs; host " << describe(expected, at, width) << ", builder "
       << describe(actual, at, width) << " (" << expected.size() / width << " vs " << actual.size() / width
       << " matches)";
    return os.str();
}

// A pattern table (each spec with `text`, `flags` and `find_all`) against the host over
// files: both sides must read the same texts, then give the same spans for every pattern.
// `label(spec)` names a pattern in a report; at most three texts are reported per pattern.
template <typename Spec, typename Label>
void expect_same_matches_as_host(const std::vector<Spec>& specs, const std::vector<std::string>& names,
                                 const std::vector<std::string>& paths, const Label& label) {
    json spec_json = json::array();
    for (const auto& s : specs) spec_json.push_back({std::string(s.text), s.flags});
    json host;
    bool host_ok = true;
    try {
        host = host_matches(spec_json, paths);
    } catch (const std::runtime_error&) {
        host_ok = false;
    }
    ASSERT_TRUE(host_ok) << "the host's run failed";
    ASSERT_EQ(host["matches"].size(), specs.size());
    // Both sides must see the same texts before their matches can be compared.
    std::vector<std::string> decoded;
    for (std::size_t t = 0; t < paths.size(); ++t) {
        std::ifstream in(paths[t], std::ios::binary);
        decoded.push_back(core::decode_text_mode(std::string(std::istreambuf_iterator<char>(in), {})));
        ASSERT_EQ(core::md5_hex(decoded.back()), host["digests"][t].get<std::string>()) << names[t];
    }
    for (std::size_t p = 0; p < specs.size(); ++p) {
        const auto& spec = specs[p];
        const core::Regex re(spec.text, spec.flags);
        const std::size_t width = 2 * static_cast<std::size_t>(re.group_count() + 1);
        int reported = 0;
        for (std::size_t t = 0; t < paths.size() && reported < 3; ++t) {
            const Flat expected = host["matches"][p][t].template get<Flat>();
            const Flat actual = flat_matches(re, decoded[t], spec.find_all);
            if (actual == expected) continue;
            ADD_FAILURE() << label(spec) << (spec.find_all ? " (routine)" : "") << " on " << names[t] << ": "
                          << first_difference(expected, actual, width);
            ++reported;
        }
    }
}

}  // namespace pattern_diff

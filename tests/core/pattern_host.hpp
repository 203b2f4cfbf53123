#pragma once
// Runs pattern cases through the host's `re` and through core::Regex, in the same JSON
// shape, so a test compares the two results directly.
//
// A case is an object: "op" (finditer, runs, search, match, fullmatch, sub, sub_fn,
// split, compile), "pattern", "flags" (core::ReFlags bits), "subject" or "subject_ref"
// (a subject the host builds: "all" = every assigned code point, "sep" = the same joined
// by blanks), and "pos", "repl", "count" where the op takes them. Offsets are bytes.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>

#include "core/errors.hpp"
#include "core/pattern.hpp"
#include "tests/core/pattern_diff.hpp"

namespace pattern_host {

using nlohmann::json;

inline constexpr const char* kHostScript = R"PY(
import gc, json, re, sys, unicodedata
gc.disable()

def flags(f):
    return (re.I if f & 1 else 0) | (re.M if f & 2 else 0) | (re.S if f & 4 else 0)

def offsets(s):
    off = [0]
    for ch in s:
        off.append(off[-1] + len(ch.encode()))
    return off

def spans(m, off):
    return [None if m.start(g) < 0 else [off[m.start(g)], off[m.end(g)]] for g in range(m.re.groups + 1)]

def runs(it, off):
    out = []
    for m in it:
        s, e = off[m.start()], off[m.end()]
        if out and s != e and out[-1][0] != out[-1][1] and out[-1][1] == s:
            out[-1][1] = e
        else:
            out.append([s, e])
    return out

def run(c, subjects, cache):
    if 'subject_ref' in c:
        s = subjects[c['subject_ref']]
        if c['subject_ref'] not in cache:
            cache[c['subject_ref']] = offsets(s)
        off = cache[c['subject_ref']]
    else:
        s = c.get('subject', '')
        off = offsets(s)
    count = c.get('count', 0)
    try:
        p = re.compile(c['pattern'], flags(c.get('flags', 0)))
        op = c['op']
        if op == 'compile':
            return 'ok'
        if op == 'finditer':
            return [spans(m, off) for m in p.finditer(s)]
        if op == 'runs':
            return runs(p.finditer(s), off)
        if op in ('search', 'match'):
            m = getattr(p, op)(s, off.index(c.get('pos', 0)))
            return spans(m, off) if m else None
        if op == 'fullmatch':
            m = p.fullmatch(s)
            return spans(m, off) if m else None
        if op == 'sub':
            return p.sub(c['repl'], s, count)
        if op == 'sub_fn':
            return p.sub(lambda m: '<' + m.group() + '>', s, count)
        if op == 'split':
            return p.split(s, count)
    except (re.error, IndexError) as e:
        return {'error': str(e)}
    raise ValueError(c['op'])

with open(sys.argv[1]) as f:
    data = json.load(f)
subjects = {}
if data.get('unicode'):
    every = ''.join(chr(c) for c in range(0x110000)
                    if not 0xD800 <= c <= 0xDFFF and unicodedata.category(chr(c)) != 'Cn')
    subjects = {'all': every, 'sep': ' '.join(every)}
cache = {}
results = [run(c, subjects, cache) for c in data['cases']]
with open(sys.argv[2], 'w') as f:
    json.dump({'results': results, 'subjects': subjects}, f)
)PY";

// The host's answers: {"results": [...], "subjects": {...}}.
inline json ask_host(const json& cases, bool unicode = false) {
    return pattern_diff::run_host_script(kHostScript, json{{"cases", cases}, {"unicode", unicode}});
}

inline json spans(const core::Match& m) {
    json out = json::array();
    for (int g = 0; g < m.groups_plus_one(); ++g) out.push_back(m.has(g) ? json{m.start(g), m.end(g)} : json(nullptr));
    return out;
}

// Adjacent non-empty matches merged into one run, as the host script does.
inline json runs(const core::Regex& re, std::string_view s) {
    json out = json::array();
    re.for_each(s, [&](const core::Match& m) {
        const std::size_t b = m.start(), e = m.end();
        if (!out.empty() && b != e && out.back()[0] != out.back()[1] && out.back()[1] == b)
            out.back()[1] = e;
        else
            out.push_back(json{b, e});
        return true;
    });
    return out;
}

// The same case through core::Regex.
inline json run_local(const json& c, std::string_view s) {
    const std::string op = c["op"];
    const std::size_t count = c.value("count", std::size_t{0});
    try {
        const core::Regex re(c["pattern"].get<std::string>(), c.value("flags", 0u));
        if (op == "compile") return "ok";
        if (op == "finditer") {
            json out = json::array();
            for (const auto& m : re.finditer(s)) out.push_back(spans(m));
            return out;
        }
        if (op == "runs") return runs(re, s);
        if (op == "search" || op == "match" || op == "fullmatch") {
            const std::size_t pos = c.value("pos", std::size_t{0});
            const auto m = op == "search" ? re.search(s, pos) : op == "match" ? re.match(s, pos) : re.fullmatch(s);
            return m ? spans(*m) : json(nullptr);
        }
        if (op == "sub") return re.sub(c["repl"].get<std::string>(), s, count);
        if (op == "sub_fn")
            return re.sub_fn([](const core::Match& m) { return "<" + std::string(m.group()) + ">"; }, s, count);
        if (op == "split") {
            json out = json::array();
            for (const auto& piece : re.split(s, count)) out.push_back(piece ? json(*piece) : json(nullptr));
            return out;
        }
    } catch (const core::PatternError& e) {
        return json{{"error", e.what()}};
    }
    throw std::invalid_argument(op);
}

inline bool is_error(const json& r) { return r.is_object() && r.contains("error"); }

// Runs every case through both engines and reports each disagreement. Errors agree when
// both sides raise, whatever the wording.
inline void expect_same_as_host(const json& cases, bool unicode = false) {
    const json host = ask_host(cases, unicode);
    ASSERT_EQ(host["results"].size(), cases.size());
    for (std::size_t k = 0; k < cases.size(); ++k) {
        const json& c = cases[k];
        const std::string subject = c.contains("subject_ref")
                                        ? host["subjects"][c["subject_ref"].get<std::string>()].get<std::string>()
                                        : c.value("subject", std::string());
        const json& want = host["results"][k];
        const json got = run_local(c, subject);
        if (is_error(want) || is_error(got)) {
            EXPECT_TRUE(is_error(want) && is_error(got))
                << c.dump() << "\n host: " << want.dump() << "\n ours: " << got.dump();
            continue;
        }
        if (want == got) continue;
        std::string where;
        if (want.is_array() && got.is_array()) {
            std::size_t i = 0;
            while (i < want.size() && i < got.size() && want[i] == got[i]) ++i;
            where = " first difference at item " + std::to_string(i) + ": host " +
                    (i < want.size() ? want[i].dump() : "(end)") + ", ours " +
                    (i < got.size() ? got[i].dump() : "(end)");
        } else {
            where = " host " + want.dump() + ", ours " + got.dump();
        }
        ADD_FAILURE() << c.dump() << "\n" << where;
    }
}

}  // namespace pattern_host

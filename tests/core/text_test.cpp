// The text layer against the host interpreter: decoding of file bytes, case mapping
// and character classes over every code point, and the str helpers.
#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "core/text.hpp"
#include "paths_host.hpp"
#include "tests/kit/portable.hpp"

namespace {

using paths_host::Calls;
using paths_host::hex;

std::vector<std::string> host(const std::string& body, const Calls& calls) {
    return paths_host::ask(body, calls, kit::text(std::filesystem::temp_directory_path()));
}

std::string utf8(char32_t cp) {
    std::string s;
    core::append_utf8(s, cp);
    return s;
}

// Lists go to and from the host as "<n>:" and the pieces joined by NUL.
template <class Piece>
std::string joined(const std::vector<Piece>& pieces) {
    std::string out = std::to_string(pieces.size()) + ":";
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        if (i) out += '\0';
        out += pieces[i];
    }
    return out;
}

// ---------------------------------------------------------------------------------
// Decoding

TEST(Decode, KnownCases) {
    struct Case {
        std::string bytes, text;
    };
    const std::vector<Case> cases = {
        {"x\xe2\x82"
         "Ay",
         "xAy"},                 // a broken sequence gives back the byte that broke it
        {"a\r\xff\nb", "a\nb"},  // decoded first, then "\r\n" joined
        {"a\rb\r\n\r", "a\nb\n\n"},
        {"\xef\xbb\xbfh\xef\xbb\xbfi", "\xef\xbb\xbfh\xef\xbb\xbfi"},  // byte-order marks stay
        {std::string("a\0b", 3), std::string("a\0b", 3)},
        {"\xed\xa0\x80|\xc0\x80|\xe0\x9f\xbf|\xf0\x8f\xbf\xbf|\xf8\x88\x80\x80\x80|\xf4\x90\x80\x80", "|||||"},
        {"\xe2\x82", ""},  // truncated at the end
    };
    for (const auto& c : cases) EXPECT_EQ(core::decode_text_mode(c.bytes), c.text) << hex(c.bytes);
    EXPECT_EQ(core::translate_newlines("\r\r\n\n\r"), "\n\n\n\n");
    EXPECT_EQ(core::decode_utf8_ignore("a\r\xff\nb"), "a\r\nb");
}

// Byte strings built from the bytes that matter to a UTF-8 decoder: ASCII, line ends,
// every lead-byte class and the continuation ranges that the leads treat apart.
std::vector<std::string> decoder_inputs() {
    std::vector<std::string> in;
    const std::vector<std::string> table = {
        "",
        "plain",
        "\xc3\xa9",
        "\xe2\x82\xac",
        "\xf0\x9f\x98\x80",
        "\xf4\x8f\xbf\xbf",
        "\xc2",
        "\xc2\x41",
        "\xc1\xbf",
        "\xc0\xaf",
        "\x80",
        "\xbf\xbf",
        "\xe0\x80\x80",
        "\xe0\x9f\x80",
        "\xe0\xa0\x80",
        "\xe0\xa0",
        "\xe0\xa0\x41",
        "\xed\x9f\xbf",
        "\xed\xa0\x80",
        "\xed\xbf\xbf",
        "\xed\xa0\x80\xed\xb0\x80",
        "\xee\x80\x80",
        "\xef\xbf\xbf",
        "\xef\xbf",
        "\xf0\x80\x80\x80",
        "\xf0\x8f\xbf\xbf",
        "\xf0\x90\x80\x80",
        "\xf0\x90\x80",
        "\xf0\x90",
        "\xf1\x80\x80\x80",
        "\xf3\xbf\xbf\xbf",
        "\xf4\x90\x80\x80",
        "\xf4\x8f\xbf",
        "\xf5\x80\x80\x80",
        "\xf7\xbf\xbf\xbf",
        "\xf8\x88\x80\x80\x80",
        "\xfc\x84\x80\x80\x80\x80",
        "\xfe",
        "\xff",
        "\xe2\x82\r\n",
        "\r\xc3",
        "\xc3\r\xa9",
    };
    in.insert(in.end(), table.begin(), table.end());
    const std::string pool = std::string("a\0\r\n\x7f", 5) +
                             "\x80\x8f\x90\x9f\xa0\xbf\xc0\xc1\xc2\xdf\xe0\xe1\xec\xed\xee\xef"
                             "\xf0\xf1\xf3\xf4\xf5\xf8\xfe\xff";
    std::mt19937 rng(20240611);
    std::uniform_int_distribution<std::size_t> len(0, 12), pick(0, pool.size() - 1);
    for (int i = 0; i < 4000; ++i) {
        std::string s;
        for (std::size_t n = len(rng); n > 0; --n) s += pool[pick(rng)];
        in.push_back(s);
    }
    return in;
}

TEST(Decode, AgreesWithHostTextModeAndStrictDecoder) {
    const std::vector<std::string> inputs = decoder_inputs();
    Calls calls;
    for (const auto& s : inputs) calls.push_back({hex(s)});
    const auto expected = host(
        "import io\n"
        "def answer(args):\n"
        "    b = bytes.fromhex(args[0])\n"
        "    text = io.TextIOWrapper(io.BytesIO(b), encoding='utf-8', errors='ignore').read()\n"
        "    try:\n        b.decode('utf-8'); ok = '1'\n"
        "    except UnicodeDecodeError:\n        ok = '0'\n"
        "    return ok + text\n",
        calls);
    int failures = 0;
    for (std::size_t i = 0; i < inputs.size() && failures < 20; ++i) {
        const std::string got = (core::is_valid_utf8(inputs[i]) ? "1" : "0") + core::decode_text_mode(inputs[i]);
        if (got != expected[i]) {
            ++failures;
            ADD_FAILURE() << "bytes " << hex(inputs[i]) << ": got " << hex(got) << ", host " << hex(expected[i]);
        }
    }
}

// ---------------------------------------------------------------------------------
// Code points

TEST(CodePoints, DecodeEncodeAndCounts) {
    // ASCII, two-, three- and four-byte forms, and a lone surrogate in its 3-byte form.
    const std::u32string cps = {U'a', 0xE9, 0x20AC, 0x1F600, 0xD800, 0xDFFF, 0x10FFFF, 0};
    std::string s;
    for (char32_t c : cps) core::append_utf8(s, c);
    EXPECT_EQ(s, std::string("a\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80\xed\xa0\x80\xed\xbf\xbf\xf4\x8f\xbf\xbf\0", 21));
    std::u32string back;
    for (std::size_t pos = 0; pos < s.size();) back.push_back(core::next_cp(s, pos));
    EXPECT_EQ(back, cps);
    EXPECT_EQ(core::cp_len(s), cps.size());

    EXPECT_EQ(core::cp_prefix(s, 0), "");
    EXPECT_EQ(core::cp_prefix(s, 3), "a\xc3\xa9\xe2\x82\xac");
    EXPECT_EQ(core::cp_prefix(s, 100), s);
    EXPECT_EQ(core::cp_advance(s, 1, 2), 6u);
    EXPECT_EQ(core::cp_advance(s, 6, 100), s.size());
    EXPECT_EQ(core::cp_advance(s, s.size(), 1), s.size());
}

TEST(CodePoints, NextCpNeverReadsPastBrokenInput) {
    const std::string broken = "\xe2\x82";
    std::size_t pos = 0;
    EXPECT_EQ(core::next_cp(broken, pos), U'\xFFFD');
    EXPECT_EQ(pos, 2u);
}

// ---------------------------------------------------------------------------------
// Every code point that the host's Unicode data assigns (surrogates aside): case
// mappings, white space, upper case and row breaks.

TEST(CharacterData, EveryAssignedCodePointAgreesWithHost) {
    const auto expected = host(
        "import unicodedata\n"
        "def answer(args):\n"
        "    rows = []\n"
        "    for cp in range(0x110000):\n"
        "        c = chr(cp)\n"
        "        if 0xD800 <= cp <= 0xDFFF or unicodedata.category(c) == 'Cn':\n"
        "            continue\n"
        "        lo, up = c.lower(), c.upper()\n"
        "        rows.append('%x %s %s %d%d%d%d' % (cp, lo.encode().hex() if lo != c else '-',\n"
        "                    up.encode().hex() if up != c else '-', c.isspace(), c.isupper(),\n"
        "                    (c + c).isupper(), len(('a' + c + 'b').splitlines()) == 2))\n"
        "    return '\\n'.join(rows)\n",
        {{}});
    std::istringstream in(expected.at(0));
    std::size_t rows = 0;
    int failures = 0;
    for (std::string line; std::getline(in, line) && failures < 30; ++rows) {
        std::istringstream f(line);
        std::string cp_hex, lo, up, flags;
        f >> cp_hex >> lo >> up >> flags;
        const char32_t cp = std::stoul(cp_hex, nullptr, 16);
        const std::string c = utf8(cp);
        const std::string got_lo = core::lower(c) == c ? "-" : hex(core::lower(c));
        const std::string got_up = core::upper(c) == c ? "-" : hex(core::upper(c));
        const std::string got_flags = std::string() + "01"[core::is_space(cp)] + "01"[core::is_upper(cp)] +
                                      "01"[core::str_isupper(c + c)] + "01"[core::is_line_break(cp)];
        if (got_lo != lo || got_up != up || got_flags != flags) {
            ++failures;
            ADD_FAILURE() << "U+" << cp_hex << ": host " << lo << " " << up << " " << flags << ", got " << got_lo << " "
                          << got_up << " " << got_flags;
        }
    }
    EXPECT_GT(rows, 200000u);
}

// ---------------------------------------------------------------------------------
// Whole-text operations

struct Op {
    std::string name;  // the host expression, over s and a
    std::string s, a;
};

std::string run(const Op& op) {
    if (op.name == "lower") return core::lower(op.s);
    if (op.name == "upper") return core::upper(op.s);
    if (op.name == "isupper") return core::str_isupper(op.s) ? "True" : "False";
    if (op.name == "isspace") return core::str_isspace(op.s) ? "True" : "False";
    if (op.name == "splitlines") return joined<std::string_view>(core::splitlines(op.s));
    if (op.name == "strip") return std::string(core::strip(op.s));
    if (op.name == "lstrip") return std::string(core::lstrip(op.s));
    if (op.name == "rstrip") return std::string(core::rstrip(op.s));
    if (op.name == "strip_chars") return std::string(core::strip_chars(op.s, op.a));
    if (op.name == "lstrip_chars") return std::string(core::lstrip_chars(op.s, op.a));
    if (op.name == "rstrip_chars") return std::string(core::rstrip_chars(op.s, op.a));
    if (op.name == "split_ws") return joined<std::string_view>(core::split_ws(op.s));
    if (op.name == "split_sep") return joined<std::string_view>(core::split_sep(op.s, op.a));
    if (op.name == "count") return std::to_string(core::count(op.s, op.a));
    if (op.name == "prefix") return std::string(core::cp_prefix(op.s, std::stoul(op.a)));
    if (op.name == "len") return std::to_string(core::cp_len(op.s));
    // "replace": a holds old and new, split at the first "|"
    const auto bar = op.a.find('|');
    return core::replace(op.s, op.a.substr(0, bar), op.a.substr(bar + 1));
}

void expect_host_agrees(const std::vector<Op>& ops) {
    Calls calls;
    for (const auto& op : ops) calls.push_back({op.name, op.s, op.a});
    const auto expected = host(
        "def j(l):\n    return '%d:' % len(l) + '\\0'.join(l)\n"
        "def answer(args):\n"
        "    op, s, a = args\n"
        "    if op == 'replace':\n        old, new = a.split('|', 1); return s.replace(old, new)\n"
        "    return str({'lower': lambda: s.lower(), 'upper': lambda: s.upper(),\n"
        "        'isupper': lambda: s.isupper(), 'isspace': lambda: s.isspace(),\n"
        "        'splitlines': lambda: j(s.splitlines()), 'strip': lambda: s.strip(),\n"
        "        'lstrip': lambda: s.lstrip(), 'rstrip': lambda: s.rstrip(),\n"
        "        'strip_chars': lambda: s.strip(a), 'lstrip_chars': lambda: s.lstrip(a),\n"
        "        'rstrip_chars': lambda: s.rstrip(a), 'split_ws': lambda: j(s.split()),\n"
        "        'split_sep': lambda: j(s.split(a)), 'count': lambda: s.count(a),\n"
        "        'prefix': lambda: s[:int(a)], 'len': lambda: len(s)}[op]())\n",
        calls);
    for (std::size_t i = 0; i < ops.size(); ++i)
        EXPECT_EQ(hex(run(ops[i])), hex(expected[i]))
            << ops[i].name << "(" << hex(ops[i].s) << ", " << hex(ops[i].a) << ")";
}

const std::string SIGMA = "\xce\xa3", ALPHA = "\xce\x91", DOT_I = "\xc4\xb0", SHARP_S = "\xc3\x9f";
const std::string DZ_TITLE = "\xc7\x85", CIRCLED_A = "\xe2\x92\xb6", KELVIN = "\xe2\x84\xaa";
const std::string HIGH = "\xed\xa0\x81", LOW = "\xed\xb0\x80";  // U+D801, U+DC00: lone surrogates
const std::string DESERET_I = "\xf0\x90\x90\x80";               // U+10400 = D801 DC00 in UTF-16

TEST(TextOps, CaseMappingOfWholeTexts) {
    std::vector<Op> ops;
    for (const std::string& s : std::vector<std::string>{
             SIGMA,
             ALPHA + SIGMA,
             ALPHA + SIGMA + " " + ALPHA,
             ALPHA + SIGMA + ALPHA,
             ALPHA + SIGMA + "'",
             ALPHA + "'" + SIGMA,
             ALPHA + SIGMA + "'" + ALPHA,
             "a" + SIGMA + ".",
             SIGMA + SIGMA,
             "1" + SIGMA,
             ALPHA + SIGMA + HIGH,
             HIGH + ALPHA + SIGMA,
             DOT_I + "STANBUL",
             "stra" + SHARP_S + "e",
             DZ_TITLE + "x",
             "App." + KELVIN + "t",
             "po\xc5\xbft",
             "\xef\xac\x81le",
             HIGH + LOW,
             DESERET_I,
             "MiXeD ascii 123",
         }) {
        ops.push_back({"lower", s, ""});
        ops.push_back({"upper", s, ""});
    }
    for (const std::string& s : std::vector<std::string>{"", "ABC", "AbC", "A1_", "1_", DZ_TITLE + "A", CIRCLED_A + "B",
                                                         ALPHA + SIGMA, "\xc3\x89t\xc3\x89", "A" + HIGH, "A\xca\xb0"}) {
        ops.push_back({"isupper", s, ""});
    }
    expect_host_agrees(ops);
}

TEST(TextOps, RowsWhiteSpaceAndPieces) {
    const std::string NBSP = "\xc2\xa0", NEL = "\xc2\x85", LS = "\xe2\x80\xa8", MVS = "\xe1\xa0\x8e";
    const std::string IDEO = "\xe3\x80\x80", E_ACUTE = "\xc3\xa9";
    std::vector<Op> ops;
    for (const std::string& s : std::vector<std::string>{
             std::string(""),
             std::string("a"),
             std::string("a\n"),
             std::string("\n"),
             std::string("a\r\nb\rc\n\nd"),
             std::string("a\r\r\nb"),
             std::string("a\vb\fc\x1c"
                         "d\x1d"
                         "e\x1e"
                         "f\x1fg"),
             "a" + NEL + "b" + LS + "c\xe2\x80\xa9",
             "x" + LS,
             std::string("\r\n"),
         }) {
        ops.push_back({"splitlines", s, ""});
    }
    for (const std::string& s : std::vector<std::string>{
             std::string(""),
             std::string(" "),
             "\x1c\x1f " + NBSP + "a b" + IDEO + "\t",
             MVS + "a" + MVS,
             NEL + E_ACUTE + " " + E_ACUTE + LS,
             std::string("  a  b  "),
             std::string("\x1e"),
         }) {
        for (const char* name : {"strip", "lstrip", "rstrip", "split_ws", "isspace"}) ops.push_back({name, s, ""});
    }
    for (const auto& [s, a] : std::vector<std::pair<std::string, std::string>>{{"__init__", "_"},
                                                                               {"##  title", "#"},
                                                                               {"//a/b/", "/"},
                                                                               {E_ACUTE + "x" + E_ACUTE, E_ACUTE},
                                                                               {"\xc3\xa8"
                                                                                "a\xc3\xa8",
                                                                                E_ACUTE},
                                                                               {"abcba", "ab"},
                                                                               {"xx", ""},
                                                                               {"", "x"}}) {
        for (const char* name : {"strip_chars", "lstrip_chars", "rstrip_chars"}) ops.push_back({name, s, a});
    }
    for (const auto& [s, a] : std::vector<std::pair<std::string, std::string>>{{"a_b__c_", "_"},
                                                                               {"/a//b/", "/"},
                                                                               {"", "/"},
                                                                               {"x", "x"},
                                                                               {E_ACUTE + "1" + E_ACUTE + "2", E_ACUTE},
                                                                               {"aaa", "aa"},
                                                                               {"a::b::", "::"}}) {
        ops.push_back({"split_sep", s, a});
        ops.push_back({"count", s, a});
    }
    for (const auto& [s, a] : std::vector<std::pair<std::string, std::string>>{
             {"{a}\\{b}{", "{"}, {"{a}\\{b}{", "\\{"}, {"aaaa", "aa"}, {E_ACUTE + E_ACUTE, ""}, {"", ""}}) {
        ops.push_back({"count", s, a});
    }
    for (const auto& [s, a] :
         std::vector<std::pair<std::string, std::string>>{{"aaaa", "aa|b"},
                                                          {"{x}<y>", "{|"},
                                                          {E_ACUTE + "-" + E_ACUTE, E_ACUTE + "|e"},
                                                          {"ab", "|-"},
                                                          {"", "|-"},
                                                          {"abc", "abc|"},
                                                          {"a.b.c", ".|::"}}) {
        ops.push_back({"replace", s, a});
    }
    const std::string mixed = "a" + E_ACUTE + "\xe2\x82\xac\xf0\x9f\x98\x80" + HIGH + "z";
    for (const char* n : {"0", "1", "2", "4", "5", "6", "50"}) ops.push_back({"prefix", mixed, n});
    ops.push_back({"len", mixed, ""});
    expect_host_agrees(ops);
}

TEST(TextOps, EmptySeparatorIsRejected) { EXPECT_THROW(core::split_sep("abc", ""), std::invalid_argument); }

}  // namespace

TEST(TextOps, SpaceEndStopsAtTheFirstNonSpace) {
    // Every code point of the first planes as a two-character run before "x", from offset 1.
    for (char32_t c = 0; c < 0x3100; ++c) {
        if (c >= 0xd800 && c <= 0xdfff) continue;
        std::string s = "y";
        core::append_utf8(s, c);
        core::append_utf8(s, c);
        s += "x";
        const std::size_t want = core::is_space(c) ? s.size() - 1 : 1;
        ASSERT_EQ(core::space_end(s, 1), want) << "U+" << std::hex << static_cast<unsigned>(c);
    }
    EXPECT_EQ(core::space_end("  ", 2), 2u);
    EXPECT_EQ(core::space_end("  ", 5), 5u);
}

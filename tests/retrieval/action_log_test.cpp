// The action log: reading rows as the host reads a JSON-lines log, the --meta checks and
// the event line against the host's json module, the timestamp form and the tail cut.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

#include "core/errors.hpp"
#include "core/json.hpp"
#include "retrieval/action_log.hpp"
#include "retrieval/commands.hpp"
#include "retrieval/json_lines.hpp"
#include "tests/core/json_host.hpp"
#include "tests/kit/portable.hpp"

namespace {

namespace fs = std::filesystem;
using core::Json;

// A fresh directory per test, removed afterwards.
class TempDir {
public:
    TempDir() : dir_("action_log_test") {}
    std::string file(const std::string& name) const { return dir_ / name; }

private:
    kit::Scratch dir_;
};

void write_bytes(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

std::string read_bytes(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

std::string rows_text(const std::vector<Json>& rows) {
    std::string out;
    for (const Json& r : rows) out += core::json_dumps(r) + "\n";
    return out;
}

}  // namespace

TEST(ActionLogRows, ReadLikeTheHostReadsAJsonLinesLog) {
    const std::vector<std::string> logs = {
        "",
        "{\"kind\": \"edit\"}\n{\"kind\": \"read\"}\n",
        "\xEF\xBB\xBF{\"kind\": \"first\"}\n{\"kind\": \"second\"}\n",
        "{\"a\": 1}\n\n   \t\nplain text\n{\"b\": [1, 2\n{\"c\": 3}\n",
        "{\"a\": 1}\r\n{\"b\": 2}\r{\"c\": 3}\x0b{\"d\": 4}\x0c{\"e\": 5}\x1c{\"f\": 6}\x1d[7]\x1e"
        "8",
        "{\"g\": 1}\xC2\x85{\"h\": 2}\xE2\x80\xA8{\"i\": 3}\xE2\x80\xA9\"j\"\x1f{\"k\": 4}",
        "{\"n\": 123456789012345678901234567890, \"m\": -98765432109876543210987654321}\n",
        "{\"x\": NaN, \"y\": Infinity, \"z\": -Infinity, \"w\": 1E2, \"v\": -0, \"u\": 1e400}\n",
        "  {\"padded\": true}  \n\xC2\xA0{\"nbsp\": 1}\n{\"s\": \"caf\\u00e9 \\ud800\"}\n",
        "null\n[1, 2]\n\"text\"\n3.5\ntrue\n{\"a\": 1, \"a\": 2, \"b\": 3}\n",
    };
    const auto answers = json_host::run(
        "def handle(rec):\n"
        "    out = ''\n"
        "    for line in rec.decode('utf-8').splitlines():\n"
        "        if not line.strip():\n"
        "            continue\n"
        "        try:\n"
        "            out += json.dumps(json.loads(line)) + '\\n'\n"
        "        except ValueError:\n"
        "            pass\n"
        "    return out.encode()\n",
        logs);
    for (std::size_t k = 0; k < logs.size(); ++k) {
        SCOPED_TRACE(logs[k]);
        EXPECT_EQ(rows_text(retrieval::parse_json_lines(logs[k])), answers[k]);
    }
}

TEST(ActionLogMeta, AcceptsObjectsAndRefusesTheRestAsTheHostDoes) {
    const std::vector<std::string> metas = {
        "{}",
        "{\"a\": [1, {\"b\": null}], \"c\": \"caf\xC3\xA9 \xF0\x9F\x98\x80\", \"d\": \"\\u007f\"}",
        "{\"n\": 123456789012345678901234567890, \"x\": NaN, \"y\": -Infinity, \"z\": 1E2, \"w\": -0}",
        " \t{\"spaced\": 1}\n",
        "{\"a\": 1, \"b\": 2, \"a\": 3}",
        "{\"s\": \"\\ud800\"}",
        "null",
        "[1]",
        "\"s\"",
        "3",
        "true",
        "false",
        "12345678901234567890123",
        "   ",
        "\xEF\xBB\xBF{}",
        "{bad",
        "{\"a\": 1} x",
        "{\"a\":",
    };
    const auto answers = json_host::run(
        "def handle(rec):\n"
        "    try:\n"
        "        meta = json.loads(rec.decode('utf-8'))\n"
        "    except json.JSONDecodeError as e:\n"
        "        return ('E' + str(e)).encode()\n"
        "    if not isinstance(meta, dict):\n"
        "        return b'Emeta must be a JSON object'\n"
        "    event = {'timestamp': 'T', 'kind': 'k\\u00e9', 'summary': 's\\n', 'meta': meta}\n"
        "    return (json.dumps(event) + '\\n').encode()\n",
        metas);
    for (std::size_t k = 0; k < metas.size(); ++k) {
        SCOPED_TRACE(metas[k]);
        const retrieval::MetaParse m = retrieval::parse_meta(metas[k]);
        const std::string ours = m.ok ? retrieval::event_line("T", "k\xC3\xA9", "s\n", m.meta) : "E" + m.reason;
        EXPECT_EQ(ours, answers[k]);
    }
    const retrieval::MetaParse empty = retrieval::parse_meta("");
    ASSERT_TRUE(empty.ok);
    EXPECT_EQ(core::json_dumps(empty.meta), "{}");
}

TEST(ActionLogTimestamp, IsTheHostIsoFormOfUtcWithMicroseconds) {
    using namespace std::chrono;
    using Tp = system_clock::time_point;
    struct Case {
        Tp t;
        const char* text;
    };
    const Tp base = sys_days{year{2025} / January / 31} + hours{9} + minutes{5} + seconds{7};
    const Case cases[] = {
        {Tp{}, "1970-01-01T00:00:00+00:00"},
        {base, "2025-01-31T09:05:07+00:00"},
        {base + microseconds{123456}, "2025-01-31T09:05:07.123456+00:00"},
        {base + microseconds{5}, "2025-01-31T09:05:07.000005+00:00"},
        // Below a microsecond the moment is cut, never rounded up to the next one.
        {base + duration_cast<Tp::duration>(nanoseconds{999}), "2025-01-31T09:05:07+00:00"},
        {sys_days{year{2024} / December / 31} + hours{23} + minutes{59} + seconds{59} + microseconds{999999},
         "2024-12-31T23:59:59.999999+00:00"},
    };
    for (const Case& c : cases) EXPECT_EQ(retrieval::iso_utc(c.t), c.text);
}

TEST(ActionLogTail, CutsAsAnEndRelativeSliceDoes) {
    constexpr auto kMin = std::numeric_limits<std::int64_t>::min();
    constexpr auto kMax = std::numeric_limits<std::int64_t>::max();
    struct Case {
        std::size_t n;
        std::int64_t limit;
        std::size_t start;
    };
    const Case cases[] = {
        {12, 8, 4},    {12, 20, 0},    {12, 12, 0},   {12, 0, 0}, {12, -3, 3}, {12, -12, 12},
        {12, -13, 12}, {12, kMin, 12}, {12, kMax, 0}, {0, 8, 0},  {0, -1, 0},  {0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.n) + " rows, limit " + std::to_string(c.limit));
        EXPECT_EQ(retrieval::tail_start(c.n, c.limit), c.start);
    }
}

TEST(ActionLogFile, ReaderSkipsBadLinesAndReportsUnreadableLogs) {
    TempDir dir;
    const std::string log = dir.file("action_events.jsonl");
    EXPECT_TRUE(retrieval::read_action_events(log, 8).empty());
    EXPECT_TRUE(retrieval::read_action_events(log, -1).empty());

    std::string text = "\xEF\xBB\xBF{\"kind\": \"lost\"}\n";
    for (int i = 1; i <= 12; ++i) text += "{\"kind\": \"k" + std::to_string(i) + "\"}\n";
    text += "{\"kind\": \"cut";
    write_bytes(log, text);
    const auto rows = retrieval::read_action_events(log, 3);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0]["kind"], "k10");
    EXPECT_EQ(rows[2]["kind"], "k12");
    EXPECT_EQ(retrieval::read_action_events(log, 0).size(), 12u);
    EXPECT_EQ(retrieval::read_action_events(log, -3).front()["kind"], "k4");

    write_bytes(log, "{\"kind\": \"ok\"}\n\xFF\n");
    EXPECT_THROW(retrieval::read_action_events(log, 8), core::DecodeError);
    EXPECT_THROW(retrieval::read_action_events(dir.file(""), 8), core::OsError);
}

TEST(ActionLogCommand, AppendsOneLineOrRefusesTheMetaWithoutWriting) {
    TempDir dir;
    const std::string log = dir.file("action_events.jsonl");
    const auto now = std::chrono::system_clock::time_point{} + std::chrono::seconds{86400};

    auto refused = retrieval::action_log_command(log, "edit", "", "[1, 2]", now);
    EXPECT_EQ(refused.status, 2);
    EXPECT_EQ(refused.out, "");
    EXPECT_EQ(refused.err, "error: invalid --meta JSON: meta must be a JSON object\n");
    EXPECT_FALSE(fs::exists(log));
    refused = retrieval::action_log_command(log, "edit", "", "{oops", now);
    EXPECT_EQ(refused.err,
              "error: invalid --meta JSON: Expecting property name enclosed in double quotes: "
              "line 1 column 2 (char 1)\n");

    auto ok = retrieval::action_log_command(log, "edit", "", "", now);
    EXPECT_EQ(ok.status, 0);
    EXPECT_EQ(ok.out, "ok\n");
    EXPECT_EQ(ok.err, "");
    ok = retrieval::action_log_command(log, "", "r\xC3\xA9sum\xC3\xA9", "{\"n\": 99999999999999999999}", now);
    EXPECT_EQ(
        read_bytes(log),
        kit::text_mode(
            "{\"timestamp\": \"1970-01-02T00:00:00+00:00\", \"kind\": \"edit\", \"summary\": \"\", \"meta\": {}}\n"
            "{\"timestamp\": \"1970-01-02T00:00:00+00:00\", \"kind\": \"\", \"summary\": \"r\\u00e9sum\\u00e9\", "
            "\"meta\": {\"n\": 99999999999999999999}}\n"));
    const auto rows = retrieval::read_action_events(log, 8);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1]["summary"], "r\xC3\xA9sum\xC3\xA9");

    // A log that cannot be opened for appending is the file system's error.
    EXPECT_THROW(retrieval::action_log_command(dir.file("missing/dir/log"), "edit", "", "", now), core::OsError);
}

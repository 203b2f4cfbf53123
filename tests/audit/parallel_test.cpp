// The source checks give the same result on many threads as on one, read each file once,
// raise a failed read where a walk in order meets it, and end at the file after a stop.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <map>
#include <mutex>
#include <random>

#include "audit/circular_deps.hpp"
#include "audit/copy_paste.hpp"
#include "audit/db_in_routes.hpp"
#include "audit/dead_exports.hpp"
#include "audit/error_handling.hpp"
#include "audit/parallel.hpp"
#include "audit/readers.hpp"
#include "audit/run.hpp"
#include "audit/test_coverage.hpp"
#include "audit/todos.hpp"
#include "core/errors.hpp"
#include "core/stop.hpp"
#include "support.hpp"
#include "tests/kit/portable.hpp"

namespace {

using audit_test::Json;

struct Project {
    Json graph;
    std::map<std::string, std::string> files;
    mutable std::mutex mu;
    mutable std::map<std::string, int> reads;

    audit::SourceReader reader(const std::string& failing = "") const {
        return [this, failing](const std::string& id) {
            {
                std::lock_guard<std::mutex> lock(mu);
                ++reads[id];
            }
            if (id == failing) throw core::OsError(13, id);
            auto it = files.find(id);
            return it == files.end() ? std::string() : it->second;
        };
    }
};

// 300 files of random pieces; external calls only in every `calls_every`-th file (in
// the others the call pieces become plain text).
void random_project(Project& p, unsigned seed, int calls_every = 1) {
    const std::vector<std::string> pieces = {"db.query(",  "fetch(x)",    "try",         "TODO: fix", "\n",
                                             "\n",         "\n",          "x",           " ",         "\x0c",
                                             "axios.get(", "FIXME later", "\xe2\x80\xa8"};
    std::mt19937 rng(seed);
    Json nodes = Json::array();
    for (int f = 0; f < 300; ++f) {
        const std::string id = (f % 3 ? "api/f" : "lib/f") + std::to_string(f) + (f % 7 ? ".ts" : ".md");
        std::string text;
        for (int k = 0, n = static_cast<int>(rng() % 80); k < n; ++k) {
            const std::string& piece = pieces[rng() % pieces.size()];
            const bool call = piece == "fetch(x)" || piece == "axios.get(";
            text += call && f % calls_every != 0 ? "x" : piece;
        }
        p.files[id] = text;
        nodes.push_back({{"id", id}, {"kind", "file"}});
        for (int s = 0; s < 3; ++s)
            nodes.push_back({{"id", id + "::s" + std::to_string(s)},
                             {"kind", "symbol"},
                             {"path", id},
                             {"line_start", rng() % 10},
                             {"line_end", rng() % 20}});
    }
    p.graph = {{"nodes", nodes}};
}

TEST(ParallelChecks, SameResultOnEveryThreadCount) {
    for (unsigned seed : {1u, 2u, 3u}) {
        Project p;
        random_project(p, seed);
        const Json todos = audit::check_todos(p.graph, p.reader(), 1);
        const Json db = audit::check_db_in_routes(p.graph, p.reader(), 1);
        const Json meh = audit::check_missing_error_handling(p.graph, p.reader(), 1);
        EXPECT_FALSE(todos.empty());
        EXPECT_FALSE(db.empty());
        EXPECT_EQ(meh.size(), 25u);  // the walk stops at the cap, early in the project
        // With few external calls the walk finds fewer than the cap, so it goes through
        // every file and every batch read ahead.
        Project sparse;
        random_project(sparse, seed, 20);
        const Json meh_all = audit::check_missing_error_handling(sparse.graph, sparse.reader(), 1);
        EXPECT_FALSE(meh_all.empty());
        EXPECT_LT(meh_all.size(), 25u);
        for (unsigned threads : {2u, 5u, 8u}) {
            EXPECT_EQ(audit::check_todos(p.graph, p.reader(), threads), todos) << seed << " " << threads;
            EXPECT_EQ(audit::check_db_in_routes(p.graph, p.reader(), threads), db) << seed << " " << threads;
            EXPECT_EQ(audit::check_missing_error_handling(p.graph, p.reader(), threads), meh) << seed << " " << threads;
            EXPECT_EQ(audit::check_missing_error_handling(sparse.graph, sparse.reader(), threads), meh_all)
                << seed << " " << threads;
        }
    }
}

TEST(ParallelChecks, EachFileReadOnceAndFailuresRaisedInOrder) {
    Project p;
    random_project(p, 9);
    p.reads.clear();
    audit::check_todos(p.graph, p.reader(), 8);
    for (const auto& [id, n] : p.reads) EXPECT_EQ(n, 1) << id;
    // A failing read raises even on many threads; a malformed node after it does not hide it.
    Json g = p.graph;
    g["nodes"].push_back({{"kind", "file"}});
    EXPECT_THROW(audit::check_todos(g, p.reader("api/f1.ts"), 8), core::OsError);
    EXPECT_THROW(audit::check_todos(g, p.reader(), 8), core::KeyError);
    EXPECT_THROW(audit::check_db_in_routes(g, p.reader("api/f1.ts"), 8), core::OsError);
}

TEST(ParallelChecks, AStopEndsEachSourceCheckAtTheNextFile) {
    Project p;
    random_project(p, 4);
    using Check = Json (*)(const Json&, const audit::SourceReader&, unsigned, const core::StopFlag*);
    const std::map<std::string, Check> checks = {{"todos", &audit::check_todos},
                                                 {"db_in_routes", &audit::check_db_in_routes},
                                                 {"missing_error_handling", &audit::check_missing_error_handling}};
    for (const auto& [name, check] : checks) {
        for (unsigned threads : {1u, 4u}) {
            // The reader asks for a stop at its fifth file and, like the project's reader,
            // reads nothing once one is asked for.
            core::StopFlag stop;
            std::atomic<int> read{0};
            const audit::SourceReader inner = p.reader();
            const audit::SourceReader reader = [&](const std::string& id) {
                core::check_stop(&stop);
                if (++read == 5) stop.request();
                return inner(id);
            };
            EXPECT_THROW(check(p.graph, reader, threads, nullptr), core::Stopped) << name << " " << threads;
            EXPECT_LE(read.load(), 5 + static_cast<int>(threads)) << name << " " << threads;
        }
    }
}

TEST(ParallelChecks, TheProjectReaderReadsNothingOnceAStopIsAsked) {
    audit_test::TempDir dir;
    dir.write("a.ts", "x\n");
    core::StopFlag stop;
    const audit::SourceReader read = audit::project_reader(dir.path(), &stop);
    EXPECT_EQ(read("a.ts"), "x\n");
    stop.request();
    EXPECT_THROW(read("a.ts"), core::Stopped);
    EXPECT_EQ(audit::project_reader(dir.path())("a.ts"), "x\n");
}

TEST(AuditRun, AStopEndsTheRunBetweenChecksAndTellsNoMoreProgress) {
    Project p;
    random_project(p, 5);
    audit_test::TempDir dir;
    for (const auto& [id, text] : p.files) dir.write(id, text);
    for (std::size_t at = 0; at < audit::CHECK_STEPS.size(); ++at) {
        core::StopFlag stop;
        std::vector<std::string> told;
        const auto progress = [&](const audit::CheckStep& step, bool done) {
            told.push_back(std::string(step.key) + (done ? " done" : ""));
            if (!done && step.key == audit::CHECK_STEPS[at].key) stop.request();
        };
        EXPECT_THROW(audit::run_checks(p.graph, dir.path(), progress, &stop), core::Stopped) << at;
        std::vector<std::string> expected;
        for (std::size_t i = 0; i < at; ++i) {
            expected.push_back(std::string(audit::CHECK_STEPS[i].key));
            expected.push_back(std::string(audit::CHECK_STEPS[i].key) + " done");
        }
        expected.push_back(std::string(audit::CHECK_STEPS[at].key));
        EXPECT_EQ(told, expected) << at;
    }
    // Asked before it starts, the run tells nothing; never asked, it gives every result.
    core::StopFlag early;
    early.request();
    int calls = 0;
    EXPECT_THROW(audit::run_checks(
                     p.graph, dir.path(), [&](const audit::CheckStep&, bool) { ++calls; }, &early),
                 core::Stopped);
    EXPECT_EQ(calls, 0);
    core::StopFlag never;
    EXPECT_EQ(audit::run_checks(p.graph, dir.path(), {}, &never).size(), audit::CHECK_STEPS.size() + 1);
}

TEST(AuditRun, EveryThreadBudgetGivesTheSameResults) {
    Project p;
    random_project(p, 6, 3);
    audit_test::TempDir dir;
    for (const auto& [id, text] : p.files) dir.write(id, text);
    const char* old = std::getenv("VORLANE_THREADS");
    const std::string kept = old ? old : "";
    Json first;
    // One thread, one beside the caller, side by side, and more than there are checks.
    for (const char* threads : {"1", "2", "3", "4", "9"}) {
        kit::set_env("VORLANE_THREADS", threads);
        const Json r = audit::run_checks(p.graph, dir.path());
        if (first.is_null()) first = r;
        EXPECT_EQ(r, first) << threads;
    }
    if (old)
        kit::set_env("VORLANE_THREADS", kept.c_str());
    else
        kit::unset_env("VORLANE_THREADS");
    EXPECT_FALSE(first["todos"].empty());
}

TEST(AuditRun, AStopEndsEachGraphCheckWithinItsWalk) {
    Project p;
    random_project(p, 7);
    for (int i = 0; i < 3000; ++i)
        p.graph["edges"].push_back(
            {{"from", "a" + std::to_string(i)}, {"to", "a" + std::to_string(i + 1)}, {"rel", "imports"}});
    core::StopFlag stop;
    stop.request();
    for (std::size_t i = 0; i < 4; ++i) {
        // The graph checks themselves, past the check made before each starts.
        const Json& g = p.graph;
        switch (i) {
            case 0:
                EXPECT_THROW(audit::check_dead_exports(g, &stop), core::Stopped);
                break;
            case 1:
                EXPECT_THROW(audit::check_test_coverage(g, "/nonexistent", &stop), core::Stopped);
                break;
            case 2:
                EXPECT_THROW(audit::check_circular_deps(g, &stop), core::Stopped);
                break;
            default:
                EXPECT_THROW(audit::check_copy_paste(g, &stop), core::Stopped);
                break;
        }
    }
}

TEST(ParallelFor, EveryIndexOnceErrorsKeptBySlot) {
    std::vector<std::atomic<int>> hits(1000);
    const auto errors = audit::parallel_for(0, 1000, 6, [&](std::size_t i) {
        ++hits[i];
        if (i % 100 == 7) throw std::runtime_error("x");
    });
    for (std::size_t i = 0; i < hits.size(); ++i) {
        EXPECT_EQ(hits[i], 1);
        EXPECT_EQ(static_cast<bool>(errors[i]), i % 100 == 7);
    }
    EXPECT_TRUE(audit::parallel_for(5, 5, 4, [](std::size_t) {}).empty());
}

}  // namespace

// The shared pool: every index once whatever the thread count, and caught errors kept
// in the slot of the task that raised them; the thread policy's budget and shares.
#include "core/parallel.hpp"
#include "tests/kit/portable.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

TEST(Parallel, EveryIndexOnceWhateverTheThreads) {
    for (unsigned threads : {0u, 1u, 3u, 16u}) {
        std::vector<std::atomic<int>> seen(1000);
        core::parallel_for_each(seen.size(), threads, [&](std::size_t i) { ++seen[i]; });
        for (const auto& s : seen) ASSERT_EQ(s.load(), 1) << threads;
    }
    core::parallel_for_each(0, 4, [](std::size_t) { FAIL(); });
}

TEST(Parallel, OneThreadRunsInOrder) {
    std::vector<std::size_t> order;
    core::parallel_for_each(50, 1, [&](std::size_t i) { order.push_back(i); });
    for (std::size_t i = 0; i < order.size(); ++i) ASSERT_EQ(order[i], i);
    EXPECT_EQ(order.size(), 50u);
}

TEST(Parallel, ErrorsKeptBySlotTheRestRuns) {
    std::vector<std::atomic<int>> hits(500);
    const auto errors = core::parallel_for_each_caught(hits.size(), 5, [&](std::size_t i) {
        ++hits[i];
        if (i % 50 == 3) throw std::runtime_error(std::to_string(i));
    });
    ASSERT_EQ(errors.size(), hits.size());
    for (std::size_t i = 0; i < hits.size(); ++i) {
        EXPECT_EQ(hits[i], 1);
        EXPECT_EQ(static_cast<bool>(errors[i]), i % 50 == 3);
    }
    try {
        core::rethrow_first(errors);
        FAIL() << "no error rethrown";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "3");  // the first in input order, not in finishing order
    }
    EXPECT_NO_THROW(core::rethrow_first(core::parallel_for_each_caught(3, 2, [](std::size_t) {})));
}

TEST(ThreadPolicy, TheBudgetBoundsEveryShare) {
    const char* old = std::getenv("VORLANE_THREADS");
    const std::string kept = old ? old : "";
    struct Case {
        const char* env;
        std::size_t items, per_thread;
        unsigned want;  // 0: the hardware's budget
    };
    const Case cases[] = {
        {"6", 60000, 8192, 6}, {"6", 20000, 8192, 2}, {"6", 100, 8192, 1}, {"1", 1000, 4, 1},
        {"300", 100000, 1, 256}, {"6", 0, 4, 1},   {"x", 1, 0, 1},     {"", 100000, 1, 0},
    };
    kit::unset_env("VORLANE_THREADS");
    const unsigned hardware = core::thread_budget();
    EXPECT_GE(hardware, 1u);
    EXPECT_LE(hardware, 16u);
    for (const Case& c : cases) {
        kit::set_env("VORLANE_THREADS", c.env);
        EXPECT_EQ(core::threads_for(c.items, c.per_thread), c.want ? c.want : hardware) << c.env << " " << c.items;
    }
    if (old)
        kit::set_env("VORLANE_THREADS", kept.c_str());
    else
        kit::unset_env("VORLANE_THREADS");
}

}  // namespace

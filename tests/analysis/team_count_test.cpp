// Tests of counting on a team: the parts of a split count add up to exactly
// the total at any thread count and with two workers taking turns on one
// thread, the limit stops the team, and a cancel request does too.
#include "analysis/team_count.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <string>
#include <vector>

#include "support/boards.h"
#include "support/grids.h"

namespace numpl {
namespace {

using test::readKnownCounts;

// The grid counted alone for a few nodes, the rest handed to the pool as
// subgrids; returns what the lone count found.
int32_t splitInto(CountPool* pool, const CandidateGrid& grid, std::atomic<int32_t>* tally, int32_t limit) {
    SolutionCounter* counter = createSolutionCounter();
    CountControl control{tally, limit, nullptr, nullptr};
    CandidateGrid scratch;
    if (countSolutions(counter, &grid, &control, 3, nullptr, nullptr) == COUNT_OUT_OF_BUDGET) {
        while (takeShallowestSubgrid(counter, &scratch)) addToPool(pool, &scratch);
    }
    destroySolutionCounter(counter);
    return tally->load();
}

TEST(TeamCount, PartsAddUpToTheKnownCountAtAnyThreadCount) {
    SolutionCounter* caller = createSolutionCounter();
    std::vector<test::KnownCount> lines = readKnownCounts("known-counts-serg.txt");
    ASSERT_GT(lines.size(), 10u);
    for (int32_t threads : {2, 3, 8}) {
        for (size_t i = 0; i < lines.size(); i += 5) {
            std::unique_ptr<CandidateGrid> loaded = test::candidateGridFromText(lines[i].grid);
            ASSERT_NE(nullptr, loaded) << lines[i].grid;
            const CandidateGrid& grid = *loaded;
            CountPool* pool = createCountPool();
            std::atomic<int32_t> tally(0);
            std::atomic<int32_t> shown(0);
            splitInto(pool, grid, &tally, SOLUTION_LIMIT);
            CountControl control{&tally, SOLUTION_LIMIT, nullptr, &shown};
            countOnTeam(processHandle(), pool, &control, threads, caller, false);
            int32_t total = tally.load() < SOLUTION_LIMIT ? tally.load() : SOLUTION_LIMIT;
            EXPECT_EQ(lines[i].count, total) << lines[i].grid << " threads " << threads;
            EXPECT_GE(shown.load(), total > 0 ? 1 : 0);
            EXPECT_LE(shown.load(), tally.load());
            destroyCountPool(pool);
        }
    }
    destroySolutionCounter(caller);
}

// On one thread, two workers taking turns: the parts of the pool and a count
// the caller began (handed over in pieces when the pool runs dry) add up to
// exactly the known count.
TEST(TeamCount, InterleavedWorkersAddUpToTheKnownCount) {
    std::vector<test::KnownCount> lines = readKnownCounts({"known-counts-serg.txt", "known-counts-lloyd.txt"});
    int32_t begun = 0;
    for (size_t i = 0; i < lines.size(); i += 3) {
        std::unique_ptr<CandidateGrid> loaded = test::candidateGridFromText(lines[i].grid);
        ASSERT_NE(nullptr, loaded) << lines[i].grid;
        const CandidateGrid& grid = *loaded;
        int32_t limit = grid.shape->boxOrder > 3 ? 2 : SOLUTION_LIMIT;
        int32_t expected = lines[i].count < limit ? lines[i].count : limit;
        for (bool callerCountOpen : {false, true}) {
            SolutionCounter* caller = createSolutionCounter();
            CountPool* pool = createCountPool();
            std::atomic<int32_t> tally(0);
            CountControl control{&tally, limit, nullptr, nullptr};
            if (callerCountOpen) {
                // The caller's count runs out of budget and goes on in the turns.
                if (countSolutions(caller, &grid, &control, 2, nullptr, nullptr) != COUNT_OUT_OF_BUDGET) {
                    destroyCountPool(pool);
                    destroySolutionCounter(caller);
                    continue;
                }
                ++begun;
            } else {
                splitInto(pool, grid, &tally, limit);
            }
            countInterleaved(processHandle(), pool, &control, caller, callerCountOpen);
            EXPECT_EQ(expected, tally.load() < limit ? tally.load() : limit) << lines[i].grid;
            destroyCountPool(pool);
            destroySolutionCounter(caller);
        }
    }
    EXPECT_GT(begun, 5);
}

// On a machine of several processors the helpers really take parts: a team
// one helper short would count the same numbers. A long count gives a
// sleeping helper time to wake; a busy machine may need a few rounds.
TEST(TeamCount, EveryHelperOfTheTeamTakesParts) {
    int32_t threads = processorCount() < 4 ? processorCount() : 4;
    if (threads < 2) GTEST_SKIP() << "one processor: the team has no helper";
    std::vector<int32_t> empty(256, 0);
    CandidateGrid grid;
    ASSERT_TRUE(loadCandidateGivens(&grid, 4, empty.data()));
    AnalysisHandle* handle = createAnalysisHandle();
    SolutionCounter* caller = createSolutionCounter();
    auto helperIdle = [&] {
        for (int32_t worker = 1; worker < threads; ++worker) {
            SolutionCounter* counter = handle->teamCounters[worker];
            if (counter == nullptr || countedNodes(counter) == 0) return true;
        }
        return false;
    };
    for (int32_t round = 0; round < 20 && helperIdle(); ++round) {
        CountPool* pool = createCountPool();
        std::atomic<int32_t> tally(0);
        splitInto(pool, grid, &tally, 20000);
        CountControl control{&tally, 20000, nullptr, nullptr};
        countOnTeam(handle, pool, &control, threads, caller, false);
        EXPECT_GE(tally.load(), 20000);
        destroyCountPool(pool);
    }
    EXPECT_FALSE(helperIdle()) << "a helper of " << threads << " threads never counted a part";
    destroySolutionCounter(caller);
    destroyAnalysisHandle(handle);
}

TEST(TeamCount, StopsAtTheLimitAndOnCancel) {
    // The empty 16x16 grid has far more solutions than any limit here.
    std::vector<int32_t> empty(256, 0);
    SolutionCounter* caller = createSolutionCounter();
    CandidateGrid grid;
    ASSERT_TRUE(loadCandidateGivens(&grid, 4, empty.data()));
    {
        CountPool* pool = createCountPool();
        std::atomic<int32_t> tally(0);
        splitInto(pool, grid, &tally, 50);
        CountControl control{&tally, 50, nullptr, nullptr};
        countOnTeam(processHandle(), pool, &control, 2, caller, false);
        EXPECT_GE(tally.load(), 50);
        destroyCountPool(pool);
    }
    CountPool* pool = createCountPool();
    std::atomic<int32_t> tally(0);
    std::atomic<int32_t> cancel(0);
    splitInto(pool, grid, &tally, INT32_MAX);
    CountControl control{&tally, INT32_MAX, &cancel, nullptr};
    auto running = std::async(std::launch::async, [&] { countOnTeam(processHandle(), pool, &control, 2, caller, false); });
    EXPECT_EQ(std::future_status::timeout, running.wait_for(std::chrono::milliseconds(100)));
    cancel.store(1);
    EXPECT_EQ(std::future_status::ready, running.wait_for(std::chrono::seconds(10)));
    running.wait();
    EXPECT_GT(tally.load(), 0);
    destroyCountPool(pool);
    destroySolutionCounter(caller);
}

} // namespace
} // namespace numpl

// Tests of exact counting on candidate grids: against an independent
// brute-force counter on random grids, against counts known from other
// solvers, the stop at the limit, a shared tally, the split of an unfinished
// count into subgrids, the first solution, and cancellation.
#include "candidates/solution_counter.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <memory>
#include <random>
#include <thread>
#include <vector>

#include "support/boards.h"
#include "support/grids.h"

namespace numpl {
namespace {

using test::BruteCounter;
using test::randomGivens;
using test::readKnownCounts;

struct Count {
    CountOutcome outcome;
    int32_t tally;
};

class Counting {
public:
    Counting() : counter_(createSolutionCounter()) {}
    ~Counting() { destroySolutionCounter(counter_); }
    Counting(const Counting&) = delete;
    Counting& operator=(const Counting&) = delete;

    Count run(const CandidateGrid& grid, int32_t limit, int64_t budget = 0, CandidateGrid* first = nullptr,
              bool* foundOne = nullptr, const std::atomic<int32_t>* cancel = nullptr) {
        std::atomic<int32_t> tally(0);
        CountControl control{&tally, limit, cancel, nullptr};
        CountOutcome outcome = countSolutions(counter_, &grid, &control, budget, first, foundOne);
        return {outcome, tally.load()};
    }
    SolutionCounter* get() { return counter_; }

private:
    SolutionCounter* counter_;
};

// A complete grid that keeps every given and every unit a permutation.
bool solves(const CandidateGrid& solution, const std::vector<int32_t>& givens, int32_t n) {
    int32_t side = n * n;
    if (solution.remaining != 0) return false;
    for (int32_t i = 0; i < side * side; ++i) {
        if (givens[i] != 0 && givens[i] != solution.values[i]) return false;
    }
    for (int32_t u = 0; u < side; ++u) {
        uint32_t row = 0, column = 0, box = 0;
        for (int32_t i = 0; i < side; ++i) {
            row |= 1u << solution.values[u * side + i];
            column |= 1u << solution.values[i * side + u];
            box |= 1u << solution.values[((u / n) * n + i / n) * side + (u % n) * n + i % n];
        }
        uint32_t all = ((1u << side) - 1) << 1;
        if (row != all || column != all || box != all) return false;
    }
    return true;
}

void expectBruteForceCounts(int32_t n, int32_t grids, int32_t minGivens, int32_t maxGivens, uint32_t seed) {
    std::mt19937 random(seed);
    Counting counting;
    int32_t outcomes[3] = {};
    for (int32_t g = 0; g < grids; ++g) {
        int32_t givens = minGivens + static_cast<int32_t>(random() % (maxGivens - minGivens + 1));
        std::vector<int32_t> cells = randomGivens(n, givens, random);
        int32_t expected = BruteCounter(n, cells).count(SOLUTION_LIMIT);
        std::unique_ptr<CandidateGrid> grid = test::candidateGridFromCells(n, cells);
        ASSERT_NE(nullptr, grid) << "seed " << seed << " grid " << g;
        CandidateGrid first;
        bool foundOne = false;
        Count count = counting.run(*grid, SOLUTION_LIMIT, 0, &first, &foundOne);
        EXPECT_EQ(expected, count.tally) << "seed " << seed << " grid " << g;
        EXPECT_EQ(expected == SOLUTION_LIMIT ? COUNT_LIMITED : COUNT_EXHAUSTED, count.outcome);
        EXPECT_EQ(expected > 0, foundOne);
        if (foundOne) {
            EXPECT_TRUE(solves(first, cells, n)) << "seed " << seed << " grid " << g;
        }
        ++outcomes[expected == 0 ? 0 : expected == 1 ? 1 : 2];
    }
    EXPECT_GT(outcomes[0], 0) << "seed " << seed;
    EXPECT_GT(outcomes[1], 0) << "seed " << seed;
    EXPECT_GT(outcomes[2], 0) << "seed " << seed;
}

TEST(SolutionCounter, AgreesWithBruteForceOnRandom4x4Grids) { expectBruteForceCounts(2, 600, 0, 9, 31); }

TEST(SolutionCounter, AgreesWithBruteForceOnRandom9x9Grids) { expectBruteForceCounts(3, 150, 22, 40, 32); }

TEST(SolutionCounter, MatchesCountsKnownFromOtherSolvers) {
    // serg: exact counts 2..999 and 1000 or more; Lloyd: 1 or 2 and more.
    for (const char* file : {"known-counts-serg.txt", "known-counts-lloyd.txt", "known-counts-16x16.txt"}) {
        std::vector<test::KnownCount> lines = readKnownCounts(file);
        ASSERT_FALSE(lines.empty()) << "cannot read " << file << " in " << NUMPL_TEST_DATA_DIR;
        for (const test::KnownCount& line : lines) {
            std::unique_ptr<CandidateGrid> grid = test::candidateGridFromText(line.grid);
            ASSERT_NE(nullptr, grid) << line.grid;
            Counting counting;
            int32_t limit = line.count <= 2 && grid->shape->boxOrder > 3 ? 2 : SOLUTION_LIMIT;
            EXPECT_EQ(line.count, counting.run(*grid, limit).tally) << file << " " << line.grid;
        }
    }
}

// One counter serves every box order in turn.
TEST(SolutionCounter, StopsExactlyAtTheLimit) {
    Counting counting;
    for (int32_t n : {5, 2, 4, 3}) {
        std::vector<int32_t> empty(static_cast<size_t>(n * n * n * n), 0);
        std::unique_ptr<CandidateGrid> grid = test::candidateGridFromCells(n, empty);
        for (int32_t limit : {1, 2, 287, SOLUTION_LIMIT}) {
            Count count = counting.run(*grid, limit);
            int32_t expected = n == 2 && limit > 288 ? 288 : limit;
            EXPECT_EQ(expected, count.tally) << "box order " << n << " limit " << limit;
        }
    }
}

// Counts that share a tally stop together, and a tally already at the limit
// starts nothing.
TEST(SolutionCounter, SharedTallyAddsAcrossCountsAndStopsThemTogether) {
    std::vector<test::KnownCount> lines = readKnownCounts("known-counts-serg.txt");
    ASSERT_GT(lines.size(), 3u);
    std::unique_ptr<CandidateGrid> a = test::candidateGridFromText(lines[0].grid);
    std::unique_ptr<CandidateGrid> b = test::candidateGridFromText(lines[1].grid);
    Counting counting;
    std::atomic<int32_t> tally(0);
    std::atomic<int32_t> shown(0);
    CountControl control{&tally, SOLUTION_LIMIT, nullptr, &shown};
    EXPECT_EQ(COUNT_EXHAUSTED, countSolutions(counting.get(), a.get(), &control, 0, nullptr, nullptr));
    EXPECT_EQ(lines[0].count, tally.load());
    EXPECT_EQ(lines[0].count, shown.load());
    CountControl low{&tally, lines[0].count + 5, nullptr, &shown};
    EXPECT_EQ(COUNT_LIMITED, countSolutions(counting.get(), b.get(), &low, 0, nullptr, nullptr));
    EXPECT_EQ(lines[0].count + 5, tally.load());
    EXPECT_EQ(COUNT_LIMITED, countSolutions(counting.get(), a.get(), &low, 0, nullptr, nullptr));
    EXPECT_EQ(lines[0].count + 5, tally.load());
}

// A count cut short by its budget leaves subgrids whose counts make up
// exactly what it had not counted yet.
TEST(SolutionCounter, SubgridsOfAnUnfinishedCountHoldTheRestExactly) {
    std::vector<test::KnownCount> lines = readKnownCounts({"known-counts-serg.txt", "known-counts-lloyd.txt"});
    int32_t split = 0;
    for (size_t i = 0; i < lines.size(); i += 2) {
        std::unique_ptr<CandidateGrid> grid = test::candidateGridFromText(lines[i].grid);
        int32_t n = grid->shape->boxOrder;
        int32_t limit = n > 3 ? 2 : SOLUTION_LIMIT;
        int32_t expected = lines[i].count;
        if (n > 3 && expected > 2) expected = 2;
        for (int64_t budget : {1, 3, 20}) {
            Counting counting;
            std::atomic<int32_t> tally(0);
            CountControl control{&tally, limit, nullptr, nullptr};
            CountOutcome outcome = countSolutions(counting.get(), grid.get(), &control, budget, nullptr, nullptr);
            if (outcome != COUNT_OUT_OF_BUDGET) continue;
            ++split;
            // Everything left, handed over part by part.
            std::vector<CandidateGrid> rest;
            CandidateGrid subgrid;
            while (takeShallowestSubgrid(counting.get(), &subgrid)) rest.push_back(subgrid);
            EXPECT_FALSE(rest.empty());
            Counting again;
            for (const CandidateGrid& part : rest) countSolutions(again.get(), &part, &control, 0, nullptr, nullptr);
            EXPECT_EQ(expected, tally.load()) << lines[i].grid << " budget " << budget;
        }
    }
    EXPECT_GT(split, 20);
}

// Handing over the shallowest untried part now and then while the count goes
// on: the parts and the rest of the count together hold every solution once.
TEST(SolutionCounter, HandedOverPartsAndTheRestAddUpExactly) {
    std::vector<test::KnownCount> lines = readKnownCounts("known-counts-serg.txt");
    ASSERT_GT(lines.size(), 10u);
    int32_t handedOver = 0;
    for (size_t i = 0; i < lines.size(); i += 3) {
        std::unique_ptr<CandidateGrid> grid = test::candidateGridFromText(lines[i].grid);
        Counting counting;
        Counting parts;
        std::atomic<int32_t> tally(0);
        CountControl control{&tally, SOLUTION_LIMIT, nullptr, nullptr};
        std::vector<CandidateGrid> taken;
        CandidateGrid subgrid;
        CountOutcome outcome = countSolutions(counting.get(), grid.get(), &control, 2, nullptr, nullptr);
        while (outcome == COUNT_OUT_OF_BUDGET) {
            if (takeShallowestSubgrid(counting.get(), &subgrid)) taken.push_back(subgrid);
            outcome = continueCount(counting.get(), &control, 2, nullptr);
        }
        for (const CandidateGrid& part : taken) countSolutions(parts.get(), &part, &control, 0, nullptr, nullptr);
        handedOver += static_cast<int32_t>(taken.size());
        EXPECT_EQ(lines[i].count, tally.load() < SOLUTION_LIMIT ? tally.load() : SOLUTION_LIMIT) << lines[i].grid;
    }
    EXPECT_GT(handedOver, 20);
}

TEST(SolutionCounter, CancelStopsALongCount) {
    // Far more solutions than a count of 2^31 could reach.
    std::vector<int32_t> empty(256, 0);
    std::unique_ptr<CandidateGrid> grid = test::candidateGridFromCells(4, empty);
    Counting counting;
    std::atomic<int32_t> cancel(0);
    std::atomic<int32_t> tally(0);
    CountControl control{&tally, INT32_MAX, &cancel, nullptr};
    auto running = std::async(std::launch::async, [&] {
        return countSolutions(counting.get(), grid.get(), &control, 0, nullptr, nullptr);
    });
    // Cancel only once the count is under way: on a loaded machine the
    // thread may not even have started after a fixed wait.
    for (int32_t wait = 0; wait < 1000 && tally.load() == 0; ++wait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_GT(tally.load(), 0);
    EXPECT_EQ(std::future_status::timeout, running.wait_for(std::chrono::milliseconds(0)));
    cancel.store(1);
    ASSERT_EQ(std::future_status::ready, running.wait_for(std::chrono::seconds(10)));
    EXPECT_EQ(COUNT_CANCELLED, running.get());
}

} // namespace
} // namespace numpl

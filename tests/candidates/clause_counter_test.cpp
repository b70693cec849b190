// Tests of counting with clause learning: against the independent brute-force
// counter on random grids and against counts known from elsewhere, on hard
// 25x25 grids where learning must not change the count, the stop at the
// limit with every solution distinct, excluded grids, the second solution,
// cancellation and the memory bound.
#include "candidates/clause_counter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <future>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "support/boards.h"
#include "support/grids.h"

namespace numpl {
namespace {

using test::BruteCounter;
using test::readKnownCounts;

// The digits of a grid, one char a cell.
using Digits = std::string;

// What the solution hook saw during the current count.
std::vector<Digits>* hookedSolutions = nullptr;

void keepSolution(const CandidateGrid* solution) {
    hookedSolutions->emplace_back(reinterpret_cast<const char*>(solution->values),
                                  static_cast<size_t>(solution->shape->cellCount));
}

// A counter that keeps the solutions of its last count.
class Learning {
public:
    Learning() : counter_(createClauseCounter()) {}
    ~Learning() { destroyClauseCounter(counter_); }
    Learning(const Learning&) = delete;
    Learning& operator=(const Learning&) = delete;

    CountOutcome run(const CandidateGrid& grid, const CountControl& control,
                     const std::vector<const CandidateGrid*>& excluded = {}) {
        solutions_.clear();
        hookedSolutions = &solutions_;
        clauseSolutionHook = keepSolution;
        CountOutcome outcome =
            countWithLearning(counter_, &grid, &control, excluded.data(), static_cast<int32_t>(excluded.size()));
        clauseSolutionHook = nullptr;
        hookedSolutions = nullptr;
        return outcome;
    }
    // The tally of a count on its own, from zero.
    int32_t count(const CandidateGrid& grid, int32_t limit, CountOutcome* outcome = nullptr) {
        std::atomic<int32_t> tally(0);
        CountControl control{&tally, limit, nullptr, nullptr};
        CountOutcome result = run(grid, control);
        if (outcome != nullptr) *outcome = result;
        return tally.load();
    }
    const std::vector<Digits>& solutions() const { return solutions_; }
    ClauseCounter* get() { return counter_; }

private:
    ClauseCounter* counter_;
    std::vector<Digits> solutions_;
};

// Complete, keeping every given, every row, column and box a permutation.
bool solves(const Digits& grid, const std::vector<int32_t>& givens, int32_t n) {
    int32_t side = n * n;
    uint32_t all = ((1u << side) - 1) << 1;
    if (grid.size() != static_cast<size_t>(side * side)) return false;
    auto at = [&grid](int32_t i) { return static_cast<int32_t>(static_cast<uint8_t>(grid[i])); };
    for (int32_t i = 0; i < side * side; ++i) {
        if (at(i) < 1 || at(i) > side || (givens[i] != 0 && givens[i] != at(i))) return false;
    }
    for (int32_t u = 0; u < side; ++u) {
        uint32_t row = 0, column = 0, box = 0;
        for (int32_t i = 0; i < side; ++i) {
            row |= 1u << at(u * side + i);
            column |= 1u << at(i * side + u);
            box |= 1u << at(((u / n) * n + i / n) * side + (u % n) * n + i % n);
        }
        if (row != all || column != all || box != all) return false;
    }
    return true;
}

// Every solution valid and none twice.
::testing::AssertionResult distinctSolutions(std::vector<Digits> solutions, const std::vector<int32_t>& givens,
                                             int32_t n) {
    for (size_t i = 0; i < solutions.size(); ++i) {
        if (!solves(solutions[i], givens, n)) return ::testing::AssertionFailure() << "solution " << i << " is wrong";
    }
    std::sort(solutions.begin(), solutions.end());
    if (std::adjacent_find(solutions.begin(), solutions.end()) != solutions.end()) {
        return ::testing::AssertionFailure() << "a solution was counted twice";
    }
    return ::testing::AssertionSuccess();
}

std::vector<int32_t> cellsOf(const Digits& digits) {
    std::vector<int32_t> cells;
    for (char digit : digits) cells.push_back(static_cast<uint8_t>(digit));
    return cells;
}

struct RandomCase {
    int32_t n;
    int32_t grids;
    int32_t minGivens;
    int32_t maxGivens;
    uint32_t seed;
};

// One counter for every size in turn, as the program keeps one.
TEST(ClauseCounter, AgreesWithBruteForceOnRandomGrids) {
    const RandomCase cases[] = {{2, 600, 0, 9, 51}, {3, 150, 22, 40, 52}, {4, 30, 204, 236, 53}};
    Learning learning;
    for (const RandomCase& c : cases) {
        std::mt19937 random(c.seed);
        int32_t kinds[3] = {};
        for (int32_t g = 0; g < c.grids; ++g) {
            int32_t givens = c.minGivens + static_cast<int32_t>(random() % (c.maxGivens - c.minGivens + 1));
            std::vector<int32_t> cells = test::randomGivens(c.n, givens, random);
            int32_t expected = BruteCounter(c.n, cells).count(SOLUTION_LIMIT);
            std::unique_ptr<CandidateGrid> grid = test::candidateGridFromCells(c.n, cells);
            ASSERT_NE(nullptr, grid) << "box order " << c.n << " grid " << g;
            CountOutcome outcome = COUNT_CANCELLED;
            EXPECT_EQ(expected, learning.count(*grid, SOLUTION_LIMIT, &outcome))
                << "box order " << c.n << " grid " << g;
            EXPECT_EQ(expected == SOLUTION_LIMIT ? COUNT_LIMITED : COUNT_EXHAUSTED, outcome);
            EXPECT_EQ(static_cast<size_t>(expected), learning.solutions().size());
            EXPECT_TRUE(distinctSolutions(learning.solutions(), cells, c.n)) << "box order " << c.n << " grid " << g;
            ++kinds[expected == 0 ? 0 : expected == 1 ? 1 : 2];
        }
        // Every kind of grid came up: none, one and several solutions.
        EXPECT_GT(kinds[0], 0) << "box order " << c.n;
        EXPECT_GT(kinds[1], 0) << "box order " << c.n;
        if (c.n < 4) {
            EXPECT_GT(kinds[2], 0) << "box order " << c.n;
        }
    }
}

TEST(ClauseCounter, MatchesCountsKnownFromOtherSolvers) {
    Learning learning;
    for (const char* file :
         {"known-counts-serg.txt", "known-counts-9x9.txt", "known-counts-lloyd.txt", "known-counts-16x16.txt"}) {
        std::vector<test::KnownCount> lines = readKnownCounts(file);
        ASSERT_FALSE(lines.empty()) << "cannot read " << file << " in " << NUMPL_TEST_DATA_DIR;
        for (const test::KnownCount& line : lines) {
            std::unique_ptr<CandidateGrid> grid = test::candidateGridFromText(line.grid);
            ASSERT_NE(nullptr, grid) << line.grid;
            int32_t limit = line.count <= 2 && grid->shape->boxOrder > 3 ? 2 : SOLUTION_LIMIT;
            EXPECT_EQ(line.count, learning.count(*grid, limit)) << file << " " << line.grid;
        }
    }
}

// Grids on which the depth-first counter spends up to millions of nodes:
// learning has to take place, the database has to be cut down on the way,
// and the exact count still comes out, within the memory bound.
TEST(ClauseCounter, LearnsOnHardGridsWithoutChangingTheirCounts) {
    std::vector<test::KnownCount> lines = readKnownCounts("known-counts-hard.txt");
    ASSERT_FALSE(lines.empty()) << "cannot read known-counts-hard.txt in " << NUMPL_TEST_DATA_DIR;
    Learning learning;
    int64_t reductions = 0;
    for (const test::KnownCount& line : lines) {
        std::unique_ptr<CandidateGrid> grid = test::candidateGridFromText(line.grid);
        ASSERT_NE(nullptr, grid) << line.grid;
        CountOutcome outcome = COUNT_CANCELLED;
        EXPECT_EQ(line.count, learning.count(*grid, SOLUTION_LIMIT, &outcome)) << line.grid;
        EXPECT_EQ(line.count == SOLUTION_LIMIT ? COUNT_LIMITED : COUNT_EXHAUSTED, outcome) << line.grid;
        ClauseCountStats stats = clauseCountStats(learning.get());
        EXPECT_GT(stats.learned, 0) << line.grid;
        reductions += stats.reductions;
        EXPECT_LT(clauseCounterBytes(learning.get()), size_t{64} << 20) << line.grid;
        EXPECT_TRUE(distinctSolutions(learning.solutions(), test::cellsFromText(line.grid), grid->shape->boxOrder));
    }
    EXPECT_GT(reductions, 0);
}

// Grids with more solutions than the limit stop exactly there, with that
// many different solutions, in the same order on every run; a tally that is
// already at the limit starts nothing.
TEST(ClauseCounter, StopsAtTheLimitWithDistinctSolutionsInAFixedOrder) {
    struct LimitCase {
        int32_t n;
        int32_t limit;
        int32_t expected;
    };
    const LimitCase cases[] = {{5, SOLUTION_LIMIT, SOLUTION_LIMIT}, {2, SOLUTION_LIMIT, 288}, {2, 287, 287},
                               {4, SOLUTION_LIMIT, SOLUTION_LIMIT}, {3, SOLUTION_LIMIT, SOLUTION_LIMIT}, {3, 2, 2}};
    Learning learning;
    for (const LimitCase& c : cases) {
        std::vector<int32_t> empty(static_cast<size_t>(c.n * c.n * c.n * c.n), 0);
        std::unique_ptr<CandidateGrid> grid = test::candidateGridFromCells(c.n, empty);
        CountOutcome outcome = COUNT_CANCELLED;
        EXPECT_EQ(c.expected, learning.count(*grid, c.limit, &outcome)) << "box order " << c.n;
        EXPECT_EQ(c.expected == c.limit ? COUNT_LIMITED : COUNT_EXHAUSTED, outcome) << "box order " << c.n;
        EXPECT_TRUE(distinctSolutions(learning.solutions(), empty, c.n)) << "box order " << c.n;
        std::vector<Digits> first = learning.solutions();
        Learning again;
        again.count(*grid, c.limit);
        EXPECT_TRUE(first == again.solutions()) << "box order " << c.n;

        std::atomic<int32_t> full(c.limit);
        CountControl control{&full, c.limit, nullptr, nullptr};
        EXPECT_EQ(COUNT_LIMITED, learning.run(*grid, control));
        EXPECT_EQ(c.limit, full.load());
    }
}

// A count that leaves out some of a grid's solutions counts exactly the
// others; grids that are no solution of it (a wrong digit, another size)
// change nothing.
TEST(ClauseCounter, LeavesOutExactlyTheExcludedSolutions) {
    std::vector<test::KnownCount> lines = readKnownCounts("known-counts-serg.txt");
    ASSERT_GT(lines.size(), 10u);
    std::vector<int32_t> empty4x4(16, 0);
    std::unique_ptr<CandidateGrid> otherSize = test::candidateGridFromCells(2, empty4x4);
    Learning learning;
    int32_t tried = 0;
    for (size_t i = 0; i < lines.size(); i += 4) {
        if (lines[i].count >= SOLUTION_LIMIT) continue;
        std::vector<int32_t> givens = test::cellsFromText(lines[i].grid);
        std::unique_ptr<CandidateGrid> grid = test::candidateGridFromCells(3, givens);
        ASSERT_EQ(lines[i].count, learning.count(*grid, SOLUTION_LIMIT)) << lines[i].grid;
        std::vector<Digits> all = learning.solutions();
        std::vector<std::unique_ptr<CandidateGrid>> owned;
        std::vector<const CandidateGrid*> excluded;
        for (size_t s = 0; s < all.size(); s += 3) {
            owned.push_back(test::candidateGridFromCells(3, cellsOf(all[s])));
            excluded.push_back(owned.back().get());
        }
        // The first solution with two digits of a row swapped breaks its columns.
        Digits wrong = all[0];
        std::swap(wrong[0], wrong[1]);
        owned.push_back(std::make_unique<CandidateGrid>(*owned[0]));
        for (size_t cell = 0; cell < wrong.size(); ++cell) {
            owned.back()->values[cell] = static_cast<uint8_t>(wrong[cell]);
        }
        excluded.push_back(owned.back().get());
        excluded.push_back(otherSize.get());
        int32_t left = lines[i].count - static_cast<int32_t>((all.size() + 2) / 3);

        std::atomic<int32_t> tally(0);
        CountControl control{&tally, SOLUTION_LIMIT, nullptr, nullptr};
        EXPECT_EQ(COUNT_EXHAUSTED, learning.run(*grid, control, excluded));
        EXPECT_EQ(left, tally.load()) << lines[i].grid;
        for (const Digits& counted : learning.solutions()) {
            auto at = std::find(all.begin(), all.end(), counted);
            ASSERT_NE(all.end(), at);
            EXPECT_NE(0, (at - all.begin()) % 3) << "an excluded solution was counted: " << lines[i].grid;
        }
        ++tried;
    }
    EXPECT_GT(tried, 5);
}

// Grids with exactly two solutions: counted onto a tally of one with the
// first solution excluded, the grid written out is the other one; counted
// from zero, it is the second that the count met.
TEST(ClauseCounter, WritesTheSolutionThatMakesTheTallyTwo) {
    std::mt19937 random(54);
    Learning learning;
    int32_t found = 0;
    for (int32_t attempt = 0; attempt < 5000 && found < 12; ++attempt) {
        int32_t n = attempt % 3 == 2 ? 4 : 3;
        std::vector<int32_t> cells = test::randomGivens(n, n == 3 ? 24 + attempt % 8 : 180 + attempt % 20, random);
        BruteCounter brute(n, cells);
        if (brute.count(3) != 2) continue;
        ++found;
        int32_t side = n * n;
        std::unique_ptr<CandidateGrid> grid = test::candidateGridFromCells(n, cells);
        std::unique_ptr<CandidateGrid> first = test::candidateGridFromCells(n, brute.firstSolution());
        ASSERT_NE(nullptr, first);
        for (bool fromOne : {true, false}) {
            std::vector<int32_t> digits(static_cast<size_t>(side * side), 0);
            std::vector<int32_t*> rows;
            for (int32_t r = 0; r < side; ++r) rows.push_back(digits.data() + r * side);
            SecondSolution second{rows.data()};
            std::atomic<int32_t> tally(fromOne ? 1 : 0);
            std::atomic<int32_t> shown(0);
            CountControl control{&tally, SOLUTION_LIMIT, nullptr, &shown, &second};
            std::vector<const CandidateGrid*> excluded;
            if (fromOne) excluded.push_back(first.get());
            EXPECT_EQ(COUNT_EXHAUSTED, learning.run(*grid, control, excluded));
            EXPECT_EQ(2, tally.load());
            EXPECT_EQ(2, shown.load());
            ASSERT_EQ(1, second.written.load());
            Digits written;
            for (int32_t digit : digits) written.push_back(static_cast<char>(digit));
            EXPECT_TRUE(solves(written, cells, n));
            EXPECT_EQ(learning.solutions().back(), written) << "attempt " << attempt;
            if (fromOne) {
                EXPECT_NE(brute.firstSolution(), digits) << "attempt " << attempt;
            }
        }
    }
    EXPECT_EQ(12, found);
}

// A count on a 25x25 grid that takes seconds answers a cancel within a few
// milliseconds wherever it is (generous slack for a loaded machine); one
// cancelled before it starts does nothing and says that it gave way.
TEST(ClauseCounter, CancelEndsALongCountQuickly) {
    std::vector<test::KnownCount> lines = readKnownCounts("known-counts-hard.txt");
    ASSERT_FALSE(lines.empty());
    // The first line has far more solutions than the tally could hold, and
    // conflicts come between them all the time.
    std::unique_ptr<CandidateGrid> grid = test::candidateGridFromText(lines.front().grid);
    ASSERT_NE(nullptr, grid);
    Learning learning;
    double slowest = 0;
    for (int32_t delay : {5, 60, 300}) {
        std::atomic<int32_t> tally(0);
        std::atomic<int32_t> cancel(0);
        CountControl control{&tally, INT32_MAX, &cancel, nullptr};
        auto running = std::async(std::launch::async, [&] {
            CountOutcome outcome = learning.run(*grid, control);
            return std::make_pair(outcome, std::chrono::steady_clock::now());
        });
        ASSERT_EQ(std::future_status::timeout, running.wait_for(std::chrono::milliseconds(delay)));
        auto raised = std::chrono::steady_clock::now();
        cancel.store(1);
        ASSERT_EQ(std::future_status::ready, running.wait_for(std::chrono::seconds(10)));
        auto [outcome, ended] = running.get();
        EXPECT_EQ(COUNT_CANCELLED, outcome);
        double ms = std::chrono::duration<double, std::milli>(ended - raised).count();
        slowest = std::max(slowest, ms);
        EXPECT_LT(ms, 100.0) << "cancel after " << delay << " ms";
    }
    RecordProperty("slowest_cancel_us", static_cast<int>(slowest * 1000));
    std::printf("slowest answer to a cancel: %.3f ms\n", slowest);

    std::atomic<int32_t> tally(0);
    std::atomic<int32_t> cancel(1);
    std::atomic<int32_t> gaveWay(0);
    CountControl control{&tally, SOLUTION_LIMIT, &cancel, nullptr, nullptr, &gaveWay};
    EXPECT_EQ(COUNT_CANCELLED, learning.run(*grid, control));
    EXPECT_EQ(0, tally.load());
    EXPECT_EQ(1, gaveWay.load());
}

} // namespace
} // namespace numpl

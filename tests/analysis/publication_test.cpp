// Once a cancel has been requested, an analysis publishes nothing more: no
// count, no solution, no stage map, no counter, no second solution. A hook cancels at each
// publication point of a run in turn, as the window does (flag up, count
// zeroed), and the puzzle must then stay exactly as it was at that moment;
// the analysis says it was cut short, and only then.
#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <string>
#include <vector>

#include "analysis/search.h"
#include "core/publication.h"
#include "support/boards.h"
#include "support/grids.h"

namespace numpl::test {
namespace {

struct Published {
    int32_t count;
    int32_t counters[5];
    std::vector<int32_t> solution;
    std::vector<int32_t> second;
    std::vector<int32_t> stages;

    bool operator==(const Published&) const = default;
};

Published publishedOf(const Puzzle* puzzle) {
    Published p{puzzle->solutionCount.load(),
                {puzzle->singleCount.load(), puzzle->basicCount.load(), puzzle->pairTripleCount.load(),
                 puzzle->assumptionCount.load(), puzzle->branchCount.load()},
                {},
                {},
                {}};
    int32_t side = puzzle->boxOrder * puzzle->boxOrder;
    for (int32_t r = 0; r < side; ++r) {
        for (int32_t c = 0; c < side; ++c) {
            p.solution.push_back(puzzle->solution[r][c]);
            p.second.push_back(puzzle->secondSolution[r][c]);
            p.stages.push_back(puzzle->stageMap[r][c]);
        }
    }
    return p;
}

// The hook's state: one analysis at a time, on one thread.
struct CancelPlan {
    Puzzle* puzzle = nullptr;
    int32_t calls = 0;
    int32_t cancelAt = -1;  // -1: only count the calls
    Published atCancel{};
    bool cutShort = false;
};

CancelPlan plan;

void cancelAtPlannedCall(PublicationPoint) {
    if (plan.calls++ != plan.cancelAt) return;
    plan.puzzle->cancelRequested.store(1);
    plan.puzzle->solutionCount.store(0);
    plan.atCancel = publishedOf(plan.puzzle);
}

struct HookGuard {
    HookGuard() { publicationHook = cancelAtPlannedCall; }
    ~HookGuard() { publicationHook = nullptr; }
};

int32_t runPlanned(const std::vector<int32_t>& cells, int32_t boxOrder, int32_t cancelAt, PuzzlePtr* kept) {
    PuzzlePtr puzzle = puzzleFromCells(boxOrder, cells);
    puzzle->threadCount.store(1);
    plan = CancelPlan{puzzle.get(), 0, cancelAt, {}, false};
    analysePuzzle(puzzle.get(), &plan.cutShort);
    *kept = std::move(puzzle);
    return plan.calls;
}

// Grids whose runs pass every kind of point: a unique grid (the first
// solution only), grids with a few and with many solutions (every raise of
// the count, the second solution), a 16x16 grid whose count goes on after
// the first solution.
std::vector<std::pair<int32_t, std::vector<int32_t>>> plannedGrids() {
    std::mt19937 random(2026);
    std::vector<std::pair<int32_t, std::vector<int32_t>>> grids;
    for (int32_t givens : {40, 30, 26, 22}) grids.emplace_back(3, randomGivens(3, givens, random));
    grids.emplace_back(4, randomGivens(4, 150, random));
    return grids;
}

TEST(Publication, NothingGoesOutAfterACancelAtAnyPoint) {
    HookGuard guard;
    int32_t pointsSeen = 0;
    for (const auto& [boxOrder, cells] : plannedGrids()) {
        PuzzlePtr puzzle;
        int32_t total = runPlanned(cells, boxOrder, -1, &puzzle);
        pointsSeen += total;
        EXPECT_FALSE(plan.cutShort);
        // Every call of a long run would take long; the first ones, the last
        // ones and a spread between them cover every kind of point.
        std::vector<int32_t> cuts;
        for (int32_t k = 0; k < total; ++k)
            if (k < 8 || k >= total - 8 || k % (total / 16 + 1) == 0) cuts.push_back(k);
        for (int32_t k : cuts) {
            SCOPED_TRACE("box order " + std::to_string(boxOrder) + ", cancel at publication " + std::to_string(k) +
                         " of " + std::to_string(total));
            runPlanned(cells, boxOrder, k, &puzzle);
            ASSERT_GT(plan.calls, k) << "the run no longer reaches that point";
            EXPECT_EQ(plan.atCancel, publishedOf(puzzle.get()));
            EXPECT_EQ(0, puzzle->solutionCount.load());
            EXPECT_TRUE(plan.cutShort);
        }
    }
    EXPECT_GT(pointsSeen, 100) << "the grids no longer exercise the count's publications";
}

} // namespace
} // namespace numpl::test

namespace numpl::test {
namespace {

// The second solution is the one that took the published count to two, and
// it stays so while the count goes on: solutions found later must not
// replace it. Taken at the first raise of the count after it was written.
std::vector<int32_t> secondAtTwo;
bool secondWritten = false;

void watchSecond(PublicationPoint point) {
    if (point == PUBLISH_SECOND_SOLUTION) secondWritten = true;
    if (point != PUBLISH_COUNT || !secondWritten || !secondAtTwo.empty()) return;
    secondAtTwo = publishedOf(plan.puzzle).second;
}

TEST(Publication, SecondSolutionIsTheOneThatMadeTheCountTwo) {
    std::mt19937 random(7);
    int32_t checked = 0;
    for (int32_t round = 0; round < 40 && checked < 8; ++round) {
        std::vector<int32_t> cells = randomGivens(3, 24 + round % 6, random);
        for (int32_t threads : {1, 2}) {
            PuzzlePtr puzzle = puzzleFromCells(3, cells);
            puzzle->threadCount.store(threads);
            plan = CancelPlan{puzzle.get(), 0, -1, {}, false};
            secondAtTwo.clear();
            secondWritten = false;
            publicationHook = watchSecond;
            int32_t count = analysePuzzle(puzzle.get());
            publicationHook = nullptr;
            if (count < 3) continue;
            Published final = publishedOf(puzzle.get());
            EXPECT_EQ(secondAtTwo, final.second) << "threads " << threads;
            EXPECT_NE(final.solution, final.second);
            EXPECT_TRUE(isSolutionOf(puzzle.get(), puzzle->secondSolution));
            ++checked;
        }
    }
    EXPECT_GE(checked, 8);
}

} // namespace
} // namespace numpl::test

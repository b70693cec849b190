// Tests of whole analyses: solution counts against known answers and against
// an independent brute-force counter, the first solution and the counters of
// that moment, loading failures, cancellation, and thread-count invariance.
#include "analysis/search.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "analysis/logic_step.h"
#include "analysis/puzzle_text.h"
#include "support/boards.h"
#include "support/grids.h"

namespace numpl {
namespace {

using test::BruteCounter;
using test::isSolutionOf;
using test::OwnedBoard;
using test::patternGrid;
using test::puzzleFromCells;
using test::puzzleFromText;
using test::PuzzlePtr;
using test::randomGivens;
using test::readKnownCounts;

// A 25x25 grid at 45 % fill (Lloyd & Amos, instance set "general", fill 45,
// instance 0): its first solution comes within milliseconds, its 1000th
// only after many seconds of counting.
const char* const SLOW_COUNT_25 =
    ".M1G...9IO5.....3.BLJKHNP.B..5.7....1G.8.JN.P.....9.A..P.N..IL..CD.6K...2..I...7FJD.1B..N.HE.8.O.5.....C..B2L.F.36..M7O.....I"
    ".NH.L..714..C.M.A...P.EF2.OE.B....C.....L.K..59M4G..F.A.M.E..5..3.I12C.L..7J4CM9..P.L..FO.GD......3.......A.FK2.BLP.6.3......"
    "...7O39K.2..I.GJ.....F8P.2.8D................E5..6A.GPH........3.O.C.....B...M....45.C..D...2H1K7..3.I.J....P.42..F8....M..AO"
    "..B....M..E..8O6KJ...P.D.KED9P1.L...M...7...H6A...5......F.7L.P.NE1.C..432JN2.8.EP..9.....3.L.M1.7....7....O..3.A.........FEK"
    "18P.E..C7FM..BDA2.9.IJ.....KN..........5F..J...D9MO.9F.M2B86K7L.....1DC....M.2I3..5.APO..9K..L87N.1E7...D.O3..N.1CI..E..28.KF";

struct Counters {
    int32_t single, basic, pairTriple, assumption, branch;
    bool operator==(const Counters&) const = default;
};

Counters countersOf(const Puzzle* puzzle) {
    return {puzzle->singleCount.load(), puzzle->basicCount.load(), puzzle->pairTripleCount.load(),
            puzzle->assumptionCount.load(), puzzle->branchCount.load()};
}

std::ostream& operator<<(std::ostream& out, const Counters& c) {
    return out << "{" << c.single << ", " << c.basic << ", " << c.pairTriple << ", " << c.assumption << ", "
               << c.branch << "}";
}

// Marks both solution grids, the stage map and the counters, so a test can
// tell what the analysis wrote.
void markUnwritten(Puzzle* puzzle) {
    int32_t side = puzzle->boxOrder * puzzle->boxOrder;
    for (int32_t r = 0; r < side; ++r) {
        for (int32_t c = 0; c < side; ++c)
            puzzle->solution[r][c] = puzzle->secondSolution[r][c] = puzzle->stageMap[r][c] = 99;
    }
    for (std::atomic<int32_t>* counter : {&puzzle->singleCount, &puzzle->basicCount, &puzzle->pairTripleCount,
                                          &puzzle->assumptionCount, &puzzle->branchCount}) {
        counter->store(-5);
    }
}

// Every cell of `grid` still holds markUnwritten's mark.
bool unwritten(const Puzzle* puzzle, int32_t* const* grid) {
    int32_t side = puzzle->boxOrder * puzzle->boxOrder;
    for (int32_t r = 0; r < side; ++r) {
        for (int32_t c = 0; c < side; ++c) {
            if (grid[r][c] != 99) return false;
        }
    }
    return true;
}

bool solutionUnwritten(const Puzzle* p) { return unwritten(p, p->solution) && unwritten(p, p->stageMap); }

// The published stage map against the counters published with it: STAGE_GIVEN
// exactly on the givens, a stage 1-5 elsewhere, no stage on more cells than
// its counter (which also credits abandoned branches; without one they agree).
::testing::AssertionResult mapAgreesWithCounters(const Puzzle* puzzle) {
    int32_t cells[STAGE_GIVEN + 1] = {};
    for (int32_t i = 0; i < puzzle->boxOrder * puzzle->boxOrder * puzzle->boxOrder * puzzle->boxOrder; ++i) {
        int32_t stage = puzzle->stageMap[0][i];
        if (stage < STAGE_SINGLES || stage > STAGE_GIVEN || (stage == STAGE_GIVEN) != (puzzle->givens[0][i] != 0))
            return ::testing::AssertionFailure() << "cell " << i << " has stage " << stage;
        ++cells[stage];
    }
    Counters c = countersOf(puzzle);
    const int32_t credited[] = {0, c.single, c.basic, c.pairTriple, c.assumption, c.branch};
    for (int32_t stage = STAGE_SINGLES; stage <= STAGE_BRANCH; ++stage) {
        if (cells[stage] > credited[stage] || (c.branch == 0 && cells[stage] != credited[stage]))
            return ::testing::AssertionFailure() << cells[stage] << " cells of stage " << stage << ", counters " << c;
    }
    return ::testing::AssertionSuccess();
}

bool differ(const Puzzle* puzzle, int32_t* const* a, int32_t* const* b) {
    int32_t side = puzzle->boxOrder * puzzle->boxOrder;
    for (int32_t r = 0; r < side; ++r) {
        for (int32_t c = 0; c < side; ++c) {
            if (a[r][c] != b[r][c]) return true;
        }
    }
    return false;
}

TEST(AnalysePuzzleLimits, EmptyGridsCountAllGridsUpToTheLimit) {
    // There are 288 valid 4x4 grids, so the empty 4x4 grid stops below the limit.
    PuzzlePtr small = puzzleFromCells(2, std::vector<int32_t>(16, 0));
    EXPECT_EQ(288, analysePuzzle(small.get()));
    EXPECT_EQ(288, small->solutionCount.load());
    EXPECT_TRUE(isSolutionOf(small.get(), small->solution));

    PuzzlePtr puzzle = puzzleFromCells(3, std::vector<int32_t>(81, 0));
    EXPECT_EQ(1000, analysePuzzle(puzzle.get()));
    EXPECT_EQ(1000, puzzle->solutionCount.load());
    EXPECT_TRUE(isSolutionOf(puzzle.get(), puzzle->solution));
}

TEST(AnalysePuzzleLimits, FullGridIsItsOwnOnlySolutionWithoutWork) {
    for (int32_t n = 2; n <= 5; ++n) {
        std::vector<int32_t> cells = patternGrid(n);
        PuzzlePtr puzzle = puzzleFromCells(n, cells);
        markUnwritten(puzzle.get());
        EXPECT_EQ(1, analysePuzzle(puzzle.get())) << "box order " << n;
        EXPECT_EQ(1, puzzle->solutionCount.load());
        EXPECT_EQ((Counters{0, 0, 0, 0, 0}), countersOf(puzzle.get())) << "box order " << n;
        for (int32_t i = 0; i < n * n * n * n; ++i) {
            ASSERT_EQ(cells[i], puzzle->solution[0][i]) << "box order " << n << " cell " << i;
        }
    }
}

// Rows 0 and 1 of the pattern grid hold 1 4 7 and 4 7 1 at columns 0, 3 and
// 6; emptying these six cells leaves {1,4}, {4,7}, {1,7} in each row, and the
// two rows can trade their three digits: exactly two solutions. No stage can
// deduce anything (every trial completes a grid), so the first logic step
// branches on some cell (c, r) with digit v, and the branch that places v is
// searched first: the stored solution is the one with v at (c, r). There the
// five other cells follow as singles, after one branch.
TEST(AnalysePuzzleFirstSolution, IsTheOneReachedThroughThePlacementBranch) {
    std::vector<int32_t> first = patternGrid(3);
    std::vector<int32_t> cells = first;
    std::vector<int32_t> second = first;
    for (int32_t c : {0, 3, 6}) {
        cells[c] = 0;
        cells[9 + c] = 0;
        std::swap(second[c], second[9 + c]);
    }
    for (int32_t threads : {1, 2}) {
        PuzzlePtr puzzle = puzzleFromCells(3, cells);
        puzzle->threadCount = threads;

        OwnedBoard board = test::boardFromPuzzle(puzzle.get(), threads);
        int32_t c = -1, r = -1, v = -1;
        ASSERT_EQ(STATUS_PROGRESS, logicStep(board, &c, &r, &v));
        ASSERT_EQ(0, cells[r * 9 + c]) << "the branch is on an empty cell";
        const std::vector<int32_t>& expected = first[r * 9 + c] == v ? first : second;
        ASSERT_EQ(v, expected[r * 9 + c]);

        markUnwritten(puzzle.get());
        EXPECT_EQ(2, analysePuzzle(puzzle.get()));
        EXPECT_EQ(2, puzzle->solutionCount.load());
        for (int32_t i = 0; i < 81; ++i) EXPECT_EQ(expected[i], puzzle->solution[0][i]) << "cell " << i;
        // Counters as the first solution found them: five singles, one branch
        // (the second solution adds six more singles to the context only).
        EXPECT_EQ((Counters{5, 0, 0, 0, 1}), countersOf(puzzle.get())) << "threads " << threads;
    }
}

TEST(AnalysePuzzleFailures, NoSolutionAndUnloadableGivens) {
    // Row 0 holds 1..8 and column 8 a 9 further down: (8, 0) has no candidate,
    // though no unit repeats a digit.
    std::vector<int32_t> cells(81, 0);
    for (int32_t c = 0; c < 8; ++c) cells[c] = c + 1;
    cells[9 * 4 + 8] = 9;
    PuzzlePtr puzzle = puzzleFromCells(3, cells);
    ASSERT_EQ(0, checkGivens(puzzle.get()));
    markUnwritten(puzzle.get());
    EXPECT_EQ(0, analysePuzzle(puzzle.get()));
    EXPECT_TRUE(solutionUnwritten(puzzle.get()));
    EXPECT_EQ((Counters{-5, -5, -5, -5, -5}), countersOf(puzzle.get()));

    // A 10 in an otherwise empty 9x9 grid: a search would find 1000
    // solutions, so 0 means the load stopped it.
    std::vector<int32_t> tooLarge(81, 0);
    tooLarge[40] = 10;
    puzzle = puzzleFromCells(3, tooLarge);
    markUnwritten(puzzle.get());
    puzzle->solutionCount = 7;
    EXPECT_EQ(0, analysePuzzle(puzzle.get()));
    EXPECT_EQ(0, puzzle->solutionCount.load());
    EXPECT_TRUE(solutionUnwritten(puzzle.get()));
    EXPECT_EQ((Counters{-5, -5, -5, -5, -5}), countersOf(puzzle.get()));
}

// Hard puzzles (9x9-forum-hardest-1106.txt) with one given changed to a digit
// that none of its units holds: no solution, and the search needs dozens of
// logic steps to find that out, so the count beside it answers first. The
// brute-force counter confirms the 0 independently.
TEST(AnalysePuzzleFailures, HardGridsWithoutSolutionPublishNothing) {
    const char* const grids[] = {
        "......7....71.9...68..7......9.6.85.5....3...7.8.1.9....6.9.1...4.....9.........2",
        ".2....7..4....9.3.6..2.3.4.....1......83.....9....4.6..94....5.5.....6.3.....5...",
    };
    for (const char* grid : grids) {
        std::vector<int32_t> cells(81);
        for (int32_t i = 0; i < 81; ++i) cells[i] = grid[i] == '.' ? 0 : grid[i] - '0';
        ASSERT_EQ(0, BruteCounter(3, cells).count(SOLUTION_LIMIT)) << grid;
        for (int32_t threads : {1, 2}) {
            PuzzlePtr puzzle = puzzleFromText(grid);
            ASSERT_EQ(0, checkGivens(puzzle.get()));
            puzzle->threadCount = threads;
            markUnwritten(puzzle.get());
            EXPECT_EQ(0, analysePuzzle(puzzle.get())) << grid << " threads " << threads;
            EXPECT_EQ(0, puzzle->solutionCount.load());
            EXPECT_TRUE(solutionUnwritten(puzzle.get()));
            EXPECT_EQ((Counters{-5, -5, -5, -5, -5}), countersOf(puzzle.get()));
        }
    }
}

TEST(AnalysePuzzleCancel, RequestBeforeTheStartStopsAtOnce) {
    PuzzlePtr puzzle = puzzleFromCells(3, std::vector<int32_t>(81, 0));
    markUnwritten(puzzle.get());
    puzzle->cancelRequested = 1;
    EXPECT_EQ(0, analysePuzzle(puzzle.get()));
    EXPECT_EQ(0, puzzle->solutionCount.load());
    EXPECT_TRUE(solutionUnwritten(puzzle.get()));
}

// The grid takes far longer to reach 1000 solutions than this thread takes to
// react to the first one. What it sees on the first nonzero count must
// already be the complete first solution and its counters.
TEST(AnalysePuzzleCancel, RequestWhileRunningStopsTheAnalysis) {
    PuzzlePtr puzzle = puzzleFromText(SLOW_COUNT_25);
    puzzle->threadCount = 2;
    markUnwritten(puzzle.get());
    std::atomic<int32_t> result{-1};
    std::thread worker([&] { result = analysePuzzle(puzzle.get()); });
    while (puzzle->solutionCount.load(std::memory_order_acquire) == 0 && result.load() < 0) {
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    bool completeAtFirstCount = isSolutionOf(puzzle.get(), puzzle->solution);
    ::testing::AssertionResult mapAtFirstCount = mapAgreesWithCounters(puzzle.get());
    int32_t branches = puzzle->branchCount.load(std::memory_order_relaxed);
    puzzle->cancelRequested = 1;
    worker.join();
    EXPECT_TRUE(completeAtFirstCount);
    EXPECT_TRUE(mapAtFirstCount);
    EXPECT_GT(branches, 0);
    EXPECT_GE(result.load(), 1);
    EXPECT_LT(result.load(), 1000);
    EXPECT_EQ(result.load(), puzzle->solutionCount.load());
}

// After the first solution the rest is counted apart from the search; a cancel
// request must stop that count too, and the count it returns is the one
// published.
TEST(AnalysePuzzleCancel, RequestWhileCountingAfterTheFirstSolutionStopsTheCount) {
    for (int32_t threads : {1, 2}) {
        PuzzlePtr puzzle = puzzleFromText(SLOW_COUNT_25);
        ASSERT_NE(nullptr, puzzle);
        puzzle->threadCount = threads;
        std::atomic<int32_t> result{-1};
        std::thread worker([&] { result = analysePuzzle(puzzle.get()); });
        while (puzzle->solutionCount.load(std::memory_order_acquire) < 2 && result.load() < 0) {
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        // Read while the count still runs: a count of two or more that is
        // visible must come with its second solution already written.
        EXPECT_TRUE(isSolutionOf(puzzle.get(), puzzle->secondSolution)) << "threads " << threads;
        puzzle->cancelRequested = 1;
        worker.join();
        EXPECT_TRUE(isSolutionOf(puzzle.get(), puzzle->solution)) << "threads " << threads;
        EXPECT_TRUE(differ(puzzle.get(), puzzle->solution, puzzle->secondSolution)) << "threads " << threads;
        EXPECT_GE(result.load(), 2) << "threads " << threads;
        EXPECT_LT(result.load(), 1000) << "threads " << threads;
        EXPECT_EQ(result.load(), puzzle->solutionCount.load()) << "threads " << threads;
    }
}

// Every `parallelEvery`-th grid runs the parallel assumption method.
void expectCountsMatchBruteForce(int32_t n, int32_t grids, int32_t minGivens, int32_t maxGivens,
                                 int32_t parallelEvery, uint32_t seed) {
    std::mt19937 random(seed);
    int32_t zero = 0;
    int32_t unique = 0;
    int32_t several = 0;
    for (int32_t g = 0; g < grids; ++g) {
        int32_t givens = minGivens + static_cast<int32_t>(random() % (maxGivens - minGivens + 1));
        std::vector<int32_t> cells = randomGivens(n, givens, random);
        int32_t expected = BruteCounter(n, cells).count(SOLUTION_LIMIT);
        PuzzlePtr puzzle = puzzleFromCells(n, cells);
        puzzle->threadCount = g % parallelEvery == 0 ? 2 : 1;
        markUnwritten(puzzle.get());
        int32_t got = analysePuzzle(puzzle.get());
        EXPECT_EQ(expected, got) << "seed " << seed << " grid " << g;
        EXPECT_EQ(expected, puzzle->solutionCount.load()) << "seed " << seed << " grid " << g;
        if (got > 0) {
            EXPECT_TRUE(isSolutionOf(puzzle.get(), puzzle->solution)) << "seed " << seed << " grid " << g;
            EXPECT_TRUE(mapAgreesWithCounters(puzzle.get())) << "seed " << seed << " grid " << g;
        }
        if (got > 1) {
            EXPECT_TRUE(isSolutionOf(puzzle.get(), puzzle->secondSolution)) << "seed " << seed << " grid " << g;
            EXPECT_TRUE(differ(puzzle.get(), puzzle->solution, puzzle->secondSolution))
                << "seed " << seed << " grid " << g;
        } else if (got == 1) {
            EXPECT_TRUE(unwritten(puzzle.get(), puzzle->secondSolution)) << "seed " << seed << " grid " << g;
        } else {
            // Without a solution nothing is published, whichever way the
            // analysis finds that out.
            EXPECT_TRUE(solutionUnwritten(puzzle.get())) << "seed " << seed << " grid " << g;
            EXPECT_EQ((Counters{-5, -5, -5, -5, -5}), countersOf(puzzle.get())) << "seed " << seed << " grid " << g;
        }
        (expected == 0 ? zero : expected == 1 ? unique : several) += 1;
    }
    // The mix must exercise every outcome to be worth anything.
    EXPECT_GT(zero, 0) << "seed " << seed;
    EXPECT_GT(unique, 0) << "seed " << seed;
    EXPECT_GT(several, 0) << "seed " << seed;
}

TEST(AnalysePuzzleCounts, AgreeWithBruteForceOnRandom4x4Grids) {
    expectCountsMatchBruteForce(2, 400, 2, 8, 10, 4242);
}

TEST(AnalysePuzzleCounts, AgreeWithBruteForceOnRandom9x9Grids) {
    expectCountsMatchBruteForce(3, 40, 28, 45, 10, 9191);
}

TEST(AnalysePuzzleCounts, MatchKnownCountsWithValidFirstSolutions) {
    for (const char* file : {"known-counts-9x9.txt", "known-counts-16x16.txt"}) {
        std::vector<test::KnownCount> lines = readKnownCounts(file);
        ASSERT_FALSE(lines.empty()) << "cannot read " << file << " in " << NUMPL_TEST_DATA_DIR;
        for (size_t i = 0; i < lines.size(); ++i) {
            PuzzlePtr puzzle = puzzleFromText(lines[i].grid);
            ASSERT_NE(nullptr, puzzle) << file << " line " << i;
            puzzle->threadCount = 1;
            EXPECT_EQ(lines[i].count, analysePuzzle(puzzle.get())) << file << " " << lines[i].grid;
            EXPECT_TRUE(isSolutionOf(puzzle.get(), puzzle->solution)) << file << " " << lines[i].grid;
        }
    }
}

// searchSolutions on its own, without the count that analysePuzzle runs
// first: every count past the first solution, also the proof that a unique
// puzzle has no second one, comes from the boards left on the stack.
TEST(SearchSolutions, CountsTheBoardsLeftOnTheStackExactly) {
    for (const char* file : {"known-counts-9x9.txt", "known-counts-16x16.txt", "known-counts-serg.txt"}) {
        std::vector<test::KnownCount> lines = readKnownCounts(file);
        ASSERT_FALSE(lines.empty()) << file;
        for (size_t i = 0; i < lines.size(); i += 2) {
            PuzzlePtr puzzle = puzzleFromText(lines[i].grid);
            test::SearchStack stack(puzzle->boxOrder, 1 + static_cast<int32_t>(i % 2));
            ASSERT_EQ(1, loadGivens(stack[0], puzzle.get()));
            EXPECT_EQ(lines[i].count, searchSolutions(stack.data(), puzzle.get())) << file << " " << lines[i].grid;
            EXPECT_EQ(lines[i].count, puzzle->solutionCount.load()) << file << " " << lines[i].grid;
            EXPECT_TRUE(isSolutionOf(puzzle.get(), puzzle->solution)) << file << " " << lines[i].grid;
        }
    }
}

// Every figure an analysis publishes, pinned for a few dozen grids of all box
// orders at 1 and 2 threads: the count, the five counters and the first
// solution must stay those of the heap-only engine. The counters are the
// only witness of where the search went, so this is what catches a change
// that keeps the counts (a trial collection that spends another heap's
// budget, say).
TEST(AnalysePuzzleKnownAnswers, EveryPublishedFigureStaysTheSame) {
    FILE* file = test::openTestData("known-answers.txt");
    ASSERT_NE(nullptr, file) << "cannot read known-answers.txt in " << NUMPL_TEST_DATA_DIR;
    static char buffer[4096];
    int32_t lines = 0;
    while (std::fgets(buffer, sizeof buffer, file) != nullptr) {
        if (buffer[0] == '#' || buffer[0] == '\n') continue;
        std::istringstream line(buffer);
        std::string grid, solution;
        int32_t threads = 0, count = 0;
        Counters expected{};
        line >> grid >> threads >> count >> expected.single >> expected.basic >> expected.pairTriple >>
            expected.assumption >> expected.branch >> solution;
        ASSERT_FALSE(line.fail()) << buffer;
        PuzzlePtr puzzle = puzzleFromText(grid);
        ASSERT_NE(nullptr, puzzle) << grid;
        puzzle->threadCount = threads;
        EXPECT_EQ(count, analysePuzzle(puzzle.get())) << grid << " threads " << threads;
        EXPECT_EQ(expected, countersOf(puzzle.get())) << grid << " threads " << threads;
        std::string shown = "-";
        if (puzzle->solutionCount.load() > 0) {
            EXPECT_TRUE(mapAgreesWithCounters(puzzle.get())) << grid << " threads " << threads;
            std::vector<char> text(static_cast<size_t>(grid.size()) + 1);
            formatGrid(puzzle->boxOrder, puzzle->solution, text.data());
            shown = text.data();
        }
        EXPECT_EQ(solution, shown) << grid << " threads " << threads;
        ++lines;
    }
    std::fclose(file);
    EXPECT_GE(lines, 60);
}

// 9x9-17clue.txt lines 2 and 1, 9x9-forum-hardest-1106.txt line 2: singles
// alone settle the first, pairs and triples cells of the second, branches
// those of the third (line 1 takes ten branches, none on its solution's way).
TEST(AnalysePuzzleStageMap, ShowsTheStageEachGridNeeds) {
    const std::pair<const char*, int32_t> cases[] = {
        {".................1.....2.3......3.2...4....5...6.1.....3......6.7..8...952.7.....", STAGE_SINGLES},
        {".................1.....2.3......3.2...1.4......5....6..3......4.7..8...962...7...", STAGE_PAIRS},
        {"........2..8.1.9..5....3.4....1.93...6..3..8...37......4......53.1.7.8..2........", STAGE_BRANCH},
    };
    for (const auto& [grid, stage] : cases) {
        PuzzlePtr puzzle = puzzleFromText(grid);
        ASSERT_EQ(1, analysePuzzle(puzzle.get())) << grid;
        auto settled = std::count(puzzle->stageMap[0], puzzle->stageMap[0] + 81, stage);
        EXPECT_TRUE(stage == STAGE_SINGLES ? settled == std::count(grid, grid + 81, '.') : settled > 0) << grid;
    }
}

// One thread runs the sequential assumption method, which can eliminate more
// and so count differently, but never reaches other solution counts; from two
// threads up every figure is identical, the stage map included.
TEST(AnalysePuzzleThreads, CountsAgreeAndParallelFiguresAreIdentical) {
    std::vector<test::KnownCount> lines = readKnownCounts("known-counts-9x9.txt");
    ASSERT_FALSE(lines.empty());
    int32_t side = 9;
    for (size_t i = 0; i < lines.size(); i += 7) {
        std::vector<int32_t> reference;
        std::vector<int32_t> referenceSecond;
        std::vector<int32_t> referenceMap;
        Counters referenceCounters{};
        for (int32_t threads : {1, 2, 4, 8}) {
            PuzzlePtr puzzle = puzzleFromText(lines[i].grid);
            puzzle->threadCount = threads;
            EXPECT_EQ(lines[i].count, analysePuzzle(puzzle.get())) << lines[i].grid << " threads " << threads;
            std::vector<int32_t> solution(puzzle->solution[0], puzzle->solution[0] + side * side);
            // These counts end within the nodes the count runs alone, so the
            // second solution does not depend on the threads either.
            std::vector<int32_t> second(puzzle->secondSolution[0], puzzle->secondSolution[0] + side * side);
            if (lines[i].count < 2) second.clear();
            std::vector<int32_t> map(puzzle->stageMap[0], puzzle->stageMap[0] + side * side);
            if (threads == 2) {
                reference = solution;
                referenceSecond = second;
                referenceMap = map;
                referenceCounters = countersOf(puzzle.get());
            } else if (threads > 2) {
                EXPECT_EQ(referenceCounters, countersOf(puzzle.get())) << lines[i].grid << " threads " << threads;
                EXPECT_EQ(reference, solution) << lines[i].grid << " threads " << threads;
                EXPECT_EQ(referenceSecond, second) << lines[i].grid << " threads " << threads;
                EXPECT_EQ(referenceMap, map) << lines[i].grid << " threads " << threads;
            }
        }
    }
}

} // namespace
} // namespace numpl

// Tests of the assumption method: which candidates it tries within its
// budget, which it eliminates, that the parallel variant does not depend on
// the thread count, and that the scratch state follows the heap capacity.
#include "analysis/assumption.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "support/boards.h"
#include "support/grids.h"
#include "model/placement.h"
#include "model/singles.h"

namespace numpl {
namespace {

using test::boardDifference;
using test::boardFromPuzzle;
using test::cloneBoard;
using test::hasCandidate;
using test::OwnedBoard;
using test::patternGrid;
using test::puzzleFromCells;
using test::PuzzlePtr;
using test::readKnownCounts;

// The pattern grid of box order n with three cells emptied: (0,0) holding 1,
// (1,0) holding 2, and (0,n) holding 2 (row n starts with 2, outside box 0).
// (0,0) is left with {1, 2}; the other two with {2} only. Placing 2 at (0,0)
// empties (1,0), so that candidate is impossible; every other one completes
// the grid.
OwnedBoard createTrialBoard(int32_t n, int32_t threadCount) {
    int32_t side = n * n;
    std::vector<int32_t> cells = patternGrid(n);
    cells[0] = 0;
    cells[1] = 0;
    cells[n * side] = 0;
    PuzzlePtr puzzle = puzzleFromCells(n, cells);
    return boardFromPuzzle(puzzle.get(), threadCount);
}

TEST(AssumptionMethod, ChangesNothingWhenNoConstraintHasThreeOrFewerCandidates) {
    // An empty grid, and one with a single given: every open constraint keeps
    // at least six options.
    std::vector<int32_t> oneGiven(81, 0);
    oneGiven[0] = 5;
    for (const std::vector<int32_t>& cells : {std::vector<int32_t>(81, 0), oneGiven}) {
        for (int32_t threads : {1, 2}) {
            PuzzlePtr puzzle = puzzleFromCells(3, cells);
            OwnedBoard board = boardFromPuzzle(puzzle.get(), threads);
            OwnedBoard before = cloneBoard(board, threads);
            EXPECT_EQ(STATUS_NO_CHANGE, assumptionMethod(board)) << "threads " << threads;
            EXPECT_EQ(0, assumptionScratch()->trialCount);
            EXPECT_EQ("", boardDifference(before, board));
        }
    }
}

TEST(AssumptionMethod, EveryLookAtAHeapTopCostsBudget) {
    // Every cell of an open 9x9 board keeps the three digits of its stack
    // (3s+1..3s+3 in stack s), so each row-digit constraint has three places.
    // The cell heap yields 81 entries and one look at the emptied heap: 82
    // looks. The 38 left take 38 row-digit constraints: 119 trials in all.
    OwnedBoard board(3, 1);
    board->remaining = 81;
    for (int32_t r = 0; r < 9; ++r) {
        for (int32_t c = 0; c < 9; ++c) {
            for (int32_t d = 1; d <= 9; ++d) {
                if ((d - 1) / 3 != c / 3) eliminateCandidate(board, c, r, d);
            }
        }
    }
    assumptionMethod(board);
    EXPECT_EQ(119, assumptionScratch()->trialCount);
}

class AssumptionTrials : public ::testing::TestWithParam<int32_t> {};

// Budget of 120 looks: the cell heap costs N*N+1 looks (3 open cells, the
// satisfied rest, one look at the empty heap). For N = 4 that leaves room for
// the three open constraints of every other family (4 x 3 entries); for N = 9
// the row-digit heap gets 38 looks (3 entries) and the others none; for N = 16
// and 25 the budget runs out inside the cell heap, whose three entries try
// only 2 at (1,0) and (0,n) and 1 at (0,0). Only the row-digit, column-digit
// and box-digit constraints of digit 2 offer the impossible 2 at (0,0).
TEST_P(AssumptionTrials, EliminatesExactlyTheCandidatesWhoseTrialContradicts) {
    int32_t n = GetParam();
    int32_t expectedTrials = n == 2 ? 12 : n == 3 ? 6 : 3;
    bool reachesImpossible = n <= 3;
    for (int32_t threads : {1, 2, 4}) {
        OwnedBoard board = createTrialBoard(n, threads);
        ASSERT_NE(nullptr, board);
        OwnedBoard expected = cloneBoard(board, threads);
        if (reachesImpossible) eliminateCandidate(expected, 0, 0, 2);

        int32_t result = assumptionMethod(board);
        EXPECT_EQ(reachesImpossible ? STATUS_PROGRESS : STATUS_NO_CHANGE, result) << "threads " << threads;
        EXPECT_EQ(expectedTrials, assumptionScratch()->trialCount) << "threads " << threads;
        // Identical to one elimination of (0,0,2) through all four families;
        // the candidates whose trial solved the copy are all still there.
        EXPECT_EQ("", boardDifference(expected, board)) << "threads " << threads;
        EXPECT_TRUE(hasCandidate(board, 0, 0, 1));
        EXPECT_TRUE(hasCandidate(board, 1, 0, 2));
        EXPECT_TRUE(hasCandidate(board, 0, n, 2));
        EXPECT_EQ(3, board->remaining);
    }
}

INSTANTIATE_TEST_SUITE_P(BoxOrders, AssumptionTrials, ::testing::Values(2, 3, 4, 5));

TEST(AssumptionScratch, FollowsTheHeapCapacityAndIsReusedWithinIt) {
    auto scratchPointers = [] {
        const AssumptionScratch* scratch = assumptionScratch();
        std::vector<const void*> pointers = {scratch->scratchHeap, scratch->baseGrid};
        for (const CandidateGrid* grid : scratch->trialGrids) pointers.push_back(grid);
        return pointers;
    };
    for (int32_t n : {4, 3}) {
        OwnedBoard board = createTrialBoard(n, 2);
        assumptionMethod(board);
        ASSERT_NE(nullptr, assumptionScratch());
        EXPECT_EQ(n * n * n * n, assumptionScratch()->scratchHeap->capacity);
        std::vector<const void*> built = scratchPointers();

        // Same box order again: nothing is rebuilt, so nothing is allocated.
        OwnedBoard again = createTrialBoard(n, 2);
        assumptionMethod(again);
        EXPECT_EQ(built, scratchPointers());
    }
    // After the switch from 16x16 back to 9x9 the trials still find the
    // impossible candidate.
    OwnedBoard board = createTrialBoard(3, 8);
    EXPECT_EQ(STATUS_PROGRESS, assumptionMethod(board));
    EXPECT_FALSE(hasCandidate(board, 0, 0, 2));
}

// Boards as the search meets them: a puzzle's givens, then repeatedly singles
// propagation and one random candidate placed, each stalled state kept.
std::vector<OwnedBoard> collectMidSearchBoards(const char* dataFile, size_t step, uint32_t seed) {
    std::mt19937 random(seed);
    std::vector<OwnedBoard> boards;
    std::vector<test::KnownCount> lines = readKnownCounts(dataFile);
    for (size_t i = 0; i < lines.size(); i += step) {
        PuzzlePtr puzzle = test::puzzleFromText(lines[i].grid);
        OwnedBoard board = boardFromPuzzle(puzzle.get(), 1);
        if (board == nullptr) continue;
        test::playRandomly(board, random, &boards);
    }
    return boards;
}

// Two to eight threads give the same board; one thread, where each trial sees
// the eliminations before it, never keeps a candidate that they remove (a
// board with fewer candidates reaches every contradiction the larger one
// does) and now and then removes more.
TEST(AssumptionMethod, ParallelResultIsIndependentOfThreadCount) {
    const uint32_t seed = 20240611;
    std::vector<OwnedBoard> boards = collectMidSearchBoards("known-counts-9x9.txt", 1, seed);
    std::vector<OwnedBoard> larger = collectMidSearchBoards("known-counts-16x16.txt", 3, seed);
    boards.insert(boards.end(), std::make_move_iterator(larger.begin()), std::make_move_iterator(larger.end()));
    ASSERT_GT(boards.size(), 100u);
    int32_t progressBoards = 0;
    int32_t sequentialMore = 0;
    for (size_t i = 0; i < boards.size(); ++i) {
        OwnedBoard two = cloneBoard(boards[i], 2);
        int32_t result = assumptionMethod(two);
        for (int32_t threads : {4, 8}) {
            OwnedBoard other = cloneBoard(boards[i], threads);
            EXPECT_EQ(result, assumptionMethod(other)) << "board " << i << " threads " << threads << " seed " << seed;
            EXPECT_EQ("", boardDifference(two, other)) << "board " << i << " threads " << threads << " seed " << seed;
        }
        OwnedBoard one = cloneBoard(boards[i], 1);
        int32_t sequential = assumptionMethod(one);
        if (result == STATUS_PROGRESS) {
            ++progressBoards;
            EXPECT_EQ(STATUS_PROGRESS, sequential) << "board " << i << " seed " << seed;
        }
        int32_t side = one->context->boxOrder * one->context->boxOrder;
        for (int32_t cell = 0; cell < side * side; ++cell) {
            int32_t mask = (1 << side) - 1;
            int32_t kept = one->cellKeys[cell] & mask;
            int32_t parallelKept = two->cellKeys[cell] & mask;
            EXPECT_EQ(0, kept & ~parallelKept) << "board " << i << " cell " << cell << " seed " << seed;
            if (kept != parallelKept) ++sequentialMore;
        }
    }
    EXPECT_GT(progressBoards, 20) << "too few boards on which a trial contradicts; seed " << seed;
    EXPECT_GT(sequentialMore, 0) << "seed " << seed;
}

// The method as it ran on the heaps alone: every trial on a copy of the board
// with placeDigit and propagateSingles, eliminations in list order (at once
// for one thread, after all trials for more).
int32_t heapOnlyAssumption(Board* board, const std::vector<int32_t>& entries, bool sequential) {
    Board* copy = createBoard(board->context->boxOrder);
    std::vector<bool> failed(entries.size(), false);
    int32_t result = STATUS_NO_CHANGE;
    for (size_t i = 0; i < entries.size(); ++i) {
        int32_t column, row, digit;
        trialCandidate(entries[i], &column, &row, &digit);
        copyBoard(board, copy);
        placeDigit(copy, column, row, digit);
        --copy->remaining;
        failed[i] = propagateSingles(copy) == STATUS_CONTRADICTION;
        if (sequential && failed[i]) {
            eliminateCandidate(board, column, row, digit);
            result = STATUS_PROGRESS;
        }
    }
    for (size_t i = 0; i < entries.size() && !sequential; ++i) {
        if (!failed[i]) continue;
        int32_t column, row, digit;
        trialCandidate(entries[i], &column, &row, &digit);
        eliminateCandidate(board, column, row, digit);
        result = STATUS_PROGRESS;
    }
    destroyBoard(copy);
    return result;
}

// The trials run on candidate masks; the board they leave must be the one the
// heap-only method leaves, heap layouts included, for both variants.
TEST(AssumptionMethod, LeavesExactlyTheBoardOfTheHeapOnlyMethod) {
    std::vector<OwnedBoard> boards = collectMidSearchBoards("known-counts-9x9.txt", 1, 99);
    std::vector<OwnedBoard> larger = collectMidSearchBoards("known-counts-16x16.txt", 2, 98);
    std::vector<OwnedBoard> largest = collectMidSearchBoards("known-counts-lloyd.txt", 3, 97);
    boards.insert(boards.end(), std::make_move_iterator(larger.begin()), std::make_move_iterator(larger.end()));
    boards.insert(boards.end(), std::make_move_iterator(largest.begin()), std::make_move_iterator(largest.end()));
    ASSERT_GT(boards.size(), 100u);
    int32_t progress = 0;
    for (size_t i = 0; i < boards.size(); ++i) {
        for (int32_t threads : {1, 2}) {
            OwnedBoard fast = cloneBoard(boards[i], threads);
            int32_t result = assumptionMethod(fast);
            const AssumptionScratch* scratch = assumptionScratch();
            std::vector<int32_t> entries(scratch->trialList, scratch->trialList + scratch->trialCount);
            OwnedBoard reference = cloneBoard(boards[i], threads);
            EXPECT_EQ(heapOnlyAssumption(reference, entries, threads == 1), result) << "board " << i;
            EXPECT_EQ("", boardDifference(reference, fast)) << "board " << i << " threads " << threads;
            if (result == STATUS_PROGRESS) ++progress;
        }
    }
    EXPECT_GT(progress, 40);
}

// As the logic step calls it: again and again on one board, with a singles
// pass between the calls. When the pass places nothing, the next call starts
// on the grid the last one ended with and keeps the stamps of its trials;
// every call must still leave the board of the heap-only method.
TEST(AssumptionMethod, RepeatedCallsLeaveTheBoardOfTheHeapOnlyMethod) {
    std::vector<OwnedBoard> boards = collectMidSearchBoards("known-counts-9x9.txt", 2, 96);
    std::vector<OwnedBoard> larger = collectMidSearchBoards("known-counts-16x16.txt", 3, 95);
    boards.insert(boards.end(), std::make_move_iterator(larger.begin()), std::make_move_iterator(larger.end()));
    int32_t keptCalls = 0;
    for (size_t i = 0; i < boards.size(); ++i) {
        for (int32_t threads : {1, 2}) {
            OwnedBoard fast = cloneBoard(boards[i], threads);
            OwnedBoard reference = cloneBoard(boards[i], threads);
            bool sameGrid = false;
            for (int32_t call = 0; call < 20; ++call) {
                int32_t result = assumptionMethod(fast);
                const AssumptionScratch* scratch = assumptionScratch();
                std::vector<int32_t> entries(scratch->trialList, scratch->trialList + scratch->trialCount);
                ASSERT_EQ(heapOnlyAssumption(reference, entries, threads == 1), result)
                    << "board " << i << " threads " << threads << " call " << call;
                ASSERT_EQ("", boardDifference(reference, fast))
                    << "board " << i << " threads " << threads << " call " << call;
                if (sameGrid && threads == 1) ++keptCalls;
                if (result != STATUS_PROGRESS) break;
                int32_t placed = 0;
                int32_t status = placeSingles(fast, STAGE_TRIAL, &placed, nullptr);
                placeSingles(reference, STAGE_TRIAL, nullptr, nullptr);
                if (status == STATUS_CONTRADICTION) break;
                sameGrid = placed == 0;
            }
        }
    }
    EXPECT_GT(keptCalls, 10);
}

} // namespace
} // namespace numpl

// Tests of the logic step: the branch choice and its tie-break between heaps,
// the end states, the crediting of placements to the stage counters, and the
// alternative half of the locked-candidate table.
#include "analysis/logic_step.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <vector>

#include "analysis/search.h"
#include "support/boards.h"
#include "support/grids.h"
#include "model/placement.h"
#include "model/singles.h"

namespace numpl {
namespace {

using test::boardDifference;
using test::boardFromPuzzle;
using test::cloneBoard;
using test::OwnedBoard;
using test::patternGrid;
using test::puzzleFromCells;
using test::PuzzlePtr;

// Leaves cell (c, r) of a 9x9 board with the listed digits only.
void keepCellCandidates(Board* board, int32_t c, int32_t r, std::initializer_list<int32_t> kept) {
    for (int32_t d = 1; d <= 9; ++d) {
        if (std::find(kept.begin(), kept.end(), d) == kept.end()) eliminateCandidate(board, c, r, d);
    }
}

// Leaves digit d of row r of a 9x9 board with the listed columns only.
void keepRowPlaces(Board* board, int32_t r, int32_t d, std::initializer_list<int32_t> kept) {
    for (int32_t c = 0; c < 9; ++c) {
        if (std::find(kept.begin(), kept.end(), c) == kept.end()) eliminateCandidate(board, c, r, d);
    }
}

struct Choice {
    int32_t column;
    int32_t row;
    int32_t digit;
};

void expectCountersZero(const SolveContext* context) {
    EXPECT_EQ(0, context->singleCount);
    EXPECT_EQ(0, context->basicCount);
    EXPECT_EQ(0, context->pairTripleCount);
    EXPECT_EQ(0, context->assumptionCount);
    EXPECT_EQ(0, context->branchCount);
}

// Boards built from an empty 9x9 grid by eliminations alone, on which no stage
// can deduce anything: no constraint has fewer than two candidates, no
// segment of a constraint with fewer than three holds all its places, at most
// one cell has three or fewer candidates (no pair or triple), and every trial
// of the assumption method stalls on an almost empty grid.
TEST(LogicStepBranchChoice, NamesTheLowestCandidateOfTheMostConstrainedConstraint) {
    for (int32_t threads : {1, 2}) {
        // The only cell with two candidates: (5, 2) with {4, 7}; every other
        // constraint keeps eight or nine.
        OwnedBoard board(3, threads);
        board->remaining = 81;
        keepCellCandidates(board, 5, 2, {4, 7});
        OwnedBoard before = cloneBoard(board, threads);
        Choice got = {-1, -1, -1};
        EXPECT_EQ(STATUS_PROGRESS, logicStep(board, &got.column, &got.row, &got.digit));
        EXPECT_EQ(5, got.column);
        EXPECT_EQ(2, got.row);
        EXPECT_EQ(4, got.digit);
        EXPECT_EQ("", boardDifference(before, board)) << "threads " << threads;
        expectCountersZero(board->context);

        // Digit 1 of row 6 now has two places too, columns 0 and 3 (different
        // boxes). Its key 2*512 + 9 is below the cell's 2*512 + 72, but the
        // counts tie, and a tie goes to the earlier finder: the cell.
        keepRowPlaces(board, 6, 1, {0, 3});
        Choice row = {-1, -1, -1};
        ASSERT_EQ(2, findRowSingle(board, &row.column, &row.row, &row.digit));
        ASSERT_EQ(0, row.column);
        ASSERT_EQ(6, row.row);
        EXPECT_EQ(STATUS_PROGRESS, logicStep(board, &got.column, &got.row, &got.digit));
        EXPECT_EQ(5, got.column);
        EXPECT_EQ(2, got.row);
        EXPECT_EQ(4, got.digit);

        // With a third candidate in the cell the row-digit constraint has
        // strictly fewer and wins.
        OwnedBoard wider(3, threads);
        wider->remaining = 81;
        keepCellCandidates(wider, 5, 2, {4, 7, 8});
        keepRowPlaces(wider, 6, 1, {0, 3});
        EXPECT_EQ(STATUS_PROGRESS, logicStep(wider, &got.column, &got.row, &got.digit));
        EXPECT_EQ(0, got.column);
        EXPECT_EQ(6, got.row);
        EXPECT_EQ(1, got.digit);
        expectCountersZero(wider->context);
    }
}

TEST(LogicStepEnds, ReportsSolvedAndContradictoryBoards) {
    std::vector<int32_t> full = patternGrid(3);
    PuzzlePtr puzzle = puzzleFromCells(3, full);
    OwnedBoard board = boardFromPuzzle(puzzle.get(), 1);
    Choice got = {-7, -7, -7};
    EXPECT_EQ(STATUS_SOLVED, logicStep(board, &got.column, &got.row, &got.digit));
    EXPECT_EQ(-7, got.column) << "a solved board writes no branch choice";
    expectCountersZero(board->context);

    OwnedBoard empty(3, 1);
    empty->remaining = 81;
    keepCellCandidates(empty, 3, 3, {});
    EXPECT_EQ(STATUS_CONTRADICTION, logicStep(empty, &got.column, &got.row, &got.digit));
}

TEST(LogicStepCounters, CreditSinglesBeforeAnyTechniqueToSingleCount) {
    // Row 0 and column 0 emptied: every other cell of them is the last open
    // cell of its column or row, and (0, 0) follows; 17 singles.
    std::vector<int32_t> cells = patternGrid(3);
    for (int32_t i = 0; i < 9; ++i) {
        cells[i] = 0;
        cells[i * 9] = 0;
    }
    PuzzlePtr puzzle = puzzleFromCells(3, cells);
    OwnedBoard board = boardFromPuzzle(puzzle.get(), 2);
    int32_t c, r, d;
    EXPECT_EQ(STATUS_SOLVED, logicStep(board, &c, &r, &d));
    EXPECT_EQ(17, board->context->singleCount);
    EXPECT_EQ(0, board->context->basicCount);
    EXPECT_EQ(0, board->context->pairTripleCount);
    EXPECT_EQ(0, board->context->assumptionCount);
    EXPECT_EQ(0, board->remaining);
    std::vector<int32_t> expected = patternGrid(3);
    for (int32_t i = 0; i < 81; ++i) EXPECT_EQ(expected[i], board->values[i]) << "cell " << i;
}

// A whole search on a context of our own, so that primaryTechniques can be 0.
struct SearchResult {
    int32_t count;
    int32_t basicCount;
};

SearchResult searchWithTechniques(const std::string& grid, int32_t primaryTechniques) {
    PuzzlePtr puzzle = test::puzzleFromText(grid);
    test::SearchStack stack(puzzle->boxOrder);
    stack.context()->primaryTechniques = primaryTechniques;
    SearchResult result = {0, 0};
    if (loadGivens(stack[0], puzzle.get()) != 0) result.count = searchSolutions(stack.data(), puzzle.get());
    result.basicCount = stack.context()->basicCount;
    return result;
}

// The by-id half of the locked-candidate table makes the same deductions, so
// the counts agree with the known ones; its deductions are credited to
// basicCount like those of the heap half.
TEST(LogicStepFamilyA, AlternativeHalfReachesTheSameSolutionCounts) {
    std::vector<test::KnownCount> lines = test::readKnownCounts("known-counts-9x9.txt");
    ASSERT_FALSE(lines.empty()) << "cannot read " << NUMPL_TEST_DATA_DIR;
    int32_t basicBoth = 0;
    for (size_t i = 0; i < lines.size(); i += 3) {
        SearchResult alternative = searchWithTechniques(lines[i].grid, 0);
        SearchResult primary = searchWithTechniques(lines[i].grid, 1);
        EXPECT_EQ(lines[i].count, alternative.count) << "line " << i << " " << lines[i].grid;
        EXPECT_EQ(lines[i].count, primary.count) << "line " << i << " " << lines[i].grid;
        if (alternative.basicCount > 0 && primary.basicCount > 0) ++basicBoth;
    }
    EXPECT_GT(basicBoth, 3);
}

} // namespace
} // namespace numpl

// Tests of the singles finders and of propagateSingles: the cell, column, row
// and digit each finder reads off its root, and the three ways propagation
// ends (solved, stalled, contradiction).
#include <gtest/gtest.h>

#include <ostream>

#include "support/boards.h"
#include "support/grids.h"
#include "model/placement.h"
#include "model/singles.h"

namespace numpl {
namespace {

using test::boardIsConsistent;
using test::boardsIdentical;
using test::OwnedBoard;
using test::patternDigit;
using test::PuzzlePtr;

struct Found {
    int32_t result, column, row, digit;
    bool operator==(const Found&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Found& f) {
    return os << "result " << f.result << " at column " << f.column << " row " << f.row << " digit " << f.digit;
}

Found runFinder(SinglesFinder finder, Board* board) {
    Found f{0, -7, -7, -7};
    f.result = finder(board, &f.column, &f.row, &f.digit);
    return f;
}

TEST(SinglesFinders, TableRunsCellRowColumnBox) {
    EXPECT_EQ(&findCellSingle, singlesFinders[0]);
    EXPECT_EQ(&findRowSingle, singlesFinders[1]);
    EXPECT_EQ(&findColumnSingle, singlesFinders[2]);
    EXPECT_EQ(&findBoxSingle, singlesFinders[3]);
}

TEST(SinglesFinders, ReadTheRootsAfterFiveAtTheCorner) {
    OwnedBoard board(3);
    placeDigit(board.board, 0, 0, 5);
    EXPECT_EQ((Found{8, 2, 0, 1}), runFinder(findCellSingle, board.board));
    EXPECT_EQ((Found{6, 3, 1, 5}), runFinder(findRowSingle, board.board));
    EXPECT_EQ((Found{6, 1, 3, 5}), runFinder(findColumnSingle, board.board));
    EXPECT_EQ((Found{6, 1, 6, 5}), runFinder(findBoxSingle, board.board));
}

// The last open cell loses its candidate: one open cell is still too many to
// call the board solved.
TEST(SinglesPropagate, CellWithoutCandidatesIsAContradiction) {
    OwnedBoard board(3);
    PuzzlePtr puzzle(createPuzzle(3));
    for (int32_t r = 0; r < 9; ++r)
        for (int32_t c = 0; c < 9; ++c) puzzle->givens[r][c] = r == 6 && c == 4 ? 0 : patternDigit(3, c, r);
    ASSERT_EQ(1, loadGivens(board.board, puzzle.get()));
    eliminateCell(board.board, 4, 6, patternDigit(3, 4, 6));
    EXPECT_EQ((Found{STATUS_CONTRADICTION, -7, -7, -7}), runFinder(findCellSingle, board.board));
    EXPECT_EQ(STATUS_CONTRADICTION, propagateSingles(board.board));
    EXPECT_EQ(1, board->remaining);
}

TEST(SinglesPropagate, EmptyGridStalls) {
    OwnedBoard board(3);
    PuzzlePtr puzzle(createPuzzle(3));
    ASSERT_EQ(1, loadGivens(board.board, puzzle.get()));
    EXPECT_EQ(STATUS_STALLED, propagateSingles(board.board));
    EXPECT_EQ(81, board->remaining);
}

TEST(SinglesPropagate, FullGridIsSolvedWithoutPlacing) {
    OwnedBoard board(3);
    PuzzlePtr puzzle(createPuzzle(3));
    for (int32_t r = 0; r < 9; ++r)
        for (int32_t c = 0; c < 9; ++c) puzzle->givens[r][c] = patternDigit(3, c, r);
    ASSERT_EQ(1, loadGivens(board.board, puzzle.get()));
    OwnedBoard before(3);
    copyBoard(board.board, before.board);
    EXPECT_EQ(STATUS_CONTRADICTION, runFinder(findCellSingle, board.board).result);
    EXPECT_EQ(STATUS_SOLVED, propagateSingles(board.board));
    EXPECT_TRUE(boardsIdentical(before.board, board.board));
}

// A puzzle that needs hidden as well as naked singles, with its solution.
TEST(SinglesPropagate, SolvesASinglesOnlyPuzzle) {
    OwnedBoard board(3);
    PuzzlePtr puzzle = test::puzzleFromText(
        "53..7....6..195....98....6.8...6...34..8.3..17...2...6.6....28....419..5....8..79");
    const char* solution =
        "534678912672195348198342567859761423426853791713924856961537284287419635345286179";
    ASSERT_EQ(1, loadGivens(board.board, puzzle.get()));
    EXPECT_EQ(STATUS_SOLVED, propagateSingles(board.board));
    EXPECT_EQ(0, board->remaining);
    for (int32_t i = 0; i < 81; ++i) EXPECT_EQ(solution[i] - '0', board->values[i]) << "cell " << i;
    EXPECT_TRUE(boardIsConsistent(board.board));
}

class SinglesOrder : public ::testing::TestWithParam<int32_t> {};
INSTANTIATE_TEST_SUITE_P(BoxOrders, SinglesOrder, ::testing::Values(2, 3, 4, 5));

// In each family, the last constraint (last cell; last row, column and box
// with digit N) left with only its option 1: every finder reports it, which
// pins the id and bit arithmetic at the far end of every box order.
TEST_P(SinglesOrder, FindersMapTheLastConstraintOfEachFamily) {
    const int32_t n = GetParam();
    const int32_t side = n * n;
    const int32_t last = side - 1;
    const int32_t corner = side - n;
    const Found expected[4] = {{STATUS_SINGLE, last, last, 2},
                               {STATUS_SINGLE, 1, last, side},
                               {STATUS_SINGLE, last, 1, side},
                               {STATUS_SINGLE, corner + 1, corner, side}};
    for (int32_t f = 0; f < 4; ++f) {
        OwnedBoard board(n);
        for (int32_t k = 0; k < side; ++k) {
            if (k == 1) continue;
            switch (f) {
            case 0: eliminateCell(board.board, last, last, k + 1); break;
            case 1: eliminateRowDigit(board.board, k, last, side); break;
            case 2: eliminateColumnDigit(board.board, last, k, side); break;
            default: eliminateBoxDigit(board.board, corner + k % n, corner + k / n, side); break;
            }
        }
        EXPECT_EQ(expected[f], runFinder(singlesFinders[f], board.board)) << "finder " << f;
    }
}

TEST_P(SinglesOrder, CompletesAGridMissingItsDiagonal) {
    const int32_t n = GetParam();
    const int32_t side = n * n;
    OwnedBoard board(n);
    PuzzlePtr puzzle(createPuzzle(n));
    for (int32_t r = 0; r < side; ++r)
        for (int32_t c = 0; c < side; ++c) puzzle->givens[r][c] = r == c ? 0 : patternDigit(n, c, r);
    ASSERT_EQ(1, loadGivens(board.board, puzzle.get()));
    // Every open cell has one candidate; the smallest mask, digit 1 at (0, 0), is the root.
    EXPECT_EQ((Found{STATUS_SINGLE, 0, 0, 1}), runFinder(findCellSingle, board.board));
    EXPECT_EQ(STATUS_SOLVED, propagateSingles(board.board));
    EXPECT_EQ(0, board->remaining);
    for (int32_t r = 0; r < side; ++r)
        for (int32_t c = 0; c < side; ++c) ASSERT_EQ(patternDigit(n, c, r), board->values[side * r + c]);
    EXPECT_TRUE(boardIsConsistent(board.board));
}

} // namespace
} // namespace numpl

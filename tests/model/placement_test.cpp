// Tests of the four eliminations and of placeDigit on known positions: which
// bit each family loses, the keys and heap roots that one placement leaves
// (the roots fix later tie-breaks), and satisfied keys that lose options.
#include <gtest/gtest.h>

#include <random>

#include "support/boards.h"
#include "support/grids.h"
#include "model/placement.h"

namespace numpl {
namespace {

using test::boardDifference;
using test::boardIsConsistent;
using test::boardsIdentical;
using test::OwnedBoard;

TEST(Eliminate, EachFamilyLosesTheOptionOfItsOwnBit) {
    OwnedBoard board(3);
    // Candidate (column 7, row 4, digit 2): box 5, position 4 in the box.
    EXPECT_EQ(2, eliminateCell(board.board, 7, 4, 2));
    EXPECT_EQ(128, eliminateRowDigit(board.board, 7, 4, 2));
    EXPECT_EQ(16, eliminateColumnDigit(board.board, 7, 4, 2));
    EXPECT_EQ(16, eliminateBoxDigit(board.board, 7, 4, 2));
    EXPECT_EQ(8 * 512 + 0x1FD, keyOf(board->cellHeap, 9 * 4 + 7));
    EXPECT_EQ(8 * 512 + 0x17F, keyOf(board->rowDigitHeap, 9 * 4 + 1));
    EXPECT_EQ(8 * 512 + 0x1EF, keyOf(board->columnDigitHeap, 9 * 7 + 1));
    EXPECT_EQ(8 * 512 + 0x1EF, keyOf(board->boxDigitHeap, 9 * 5 + 1));
    // The reduced constraint is the most constrained one of its family.
    EXPECT_EQ(9 * 4 + 7, peekMin(board->cellHeap));
    EXPECT_EQ(9 * 5 + 1, peekMin(board->boxDigitHeap));
    for (int32_t id = 0; id < 81; ++id) {
        if (id == 9 * 4 + 7) continue;
        ASSERT_EQ(5119, board->cellKeys[id]) << "cell " << id;
    }
    EXPECT_TRUE(boardIsConsistent(board.board));
}

TEST(Eliminate, SecondEliminationReturnsZeroAndChangesNothing) {
    OwnedBoard board(3);
    EXPECT_EQ(16, eliminateCell(board.board, 3, 2, 5));
    EXPECT_EQ(8, eliminateRowDigit(board.board, 3, 2, 5));
    EXPECT_EQ(4591, board->cellKeys[21]);
    EXPECT_EQ(4591, keyOf(board->cellHeap, 21));
    OwnedBoard before(3);
    copyBoard(board.board, before.board);
    EXPECT_EQ(0, eliminateCell(board.board, 3, 2, 5));
    EXPECT_EQ(0, eliminateRowDigit(board.board, 3, 2, 5));
    EXPECT_TRUE(boardsIdentical(before.board, board.board));
}

TEST(Eliminate, LastCandidateLeavesKeyZeroAtTheRoot) {
    OwnedBoard board(3);
    for (int32_t d = 1; d <= 9; ++d) eliminateCell(board.board, 4, 6, d);
    EXPECT_EQ(0, board->cellKeys[58]);
    EXPECT_EQ(58, peekMin(board->cellHeap));
    EXPECT_EQ(0, board->cellHeap->keys[1]);
}

TEST(Eliminate, BrokenIndexIsReportedButCellKeysFollow) {
    OwnedBoard board(3);
    board->cellHeap->positions[5] = 2; // slot 2 holds id 1
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(1, eliminateCell(board.board, 5, 0, 1));
    EXPECT_EQ("error81   1 5\n", ::testing::internal::GetCapturedStdout());
    EXPECT_EQ(4606, board->cellKeys[5]);
    EXPECT_EQ(5119, board->cellHeap->keys[2]);
}

// A run of cells in one call must leave the heaps exactly as one call per
// cell does, since later tie-breaks between equal keys follow their layout.
// Placed cells are among those listed, so satisfied keys lose options too.
TEST(Eliminate, RunOfCellsLeavesTheBoardOfOneCallPerCell) {
    const uint32_t seed = 20261208;
    std::mt19937 random(seed);
    for (int32_t n = 2; n <= 5; ++n) {
        int32_t side = n * n;
        OwnedBoard perCell(n);
        OwnedBoard run(n);
        for (int32_t round = 0; round < 40 * side; ++round) {
            int32_t digit = static_cast<int32_t>(random() % side) + 1;
            if (round % 8 == 0) {
                int32_t cell = static_cast<int32_t>(random() % (side * side));
                if (perCell->values[cell] != 0) continue;
                placeDigit(perCell.board, cell % side, cell / side, digit);
                placeDigit(run.board, cell % side, cell / side, digit);
                continue;
            }
            int32_t cells[MAX_SIDE];
            int32_t count = static_cast<int32_t>(random() % side) + 1;
            int32_t removed = 0;
            for (int32_t i = 0; i < count; ++i) {
                cells[i] = static_cast<int32_t>(random() % (side * side));
                removed |= eliminateCandidate(perCell.board, cells[i] % side, cells[i] / side, digit);
            }
            ASSERT_EQ(removed, eliminateCandidateInCells(run.board, cells, count, digit))
                << "box order " << n << " round " << round << " seed " << seed;
            ASSERT_EQ("", boardDifference(perCell.board, run.board))
                << "box order " << n << " round " << round << " seed " << seed;
        }
    }
}

TEST(PlaceDigit, FiveAtTheCornerOfANineGrid) {
    OwnedBoard board(3);
    placeDigit(board.board, 0, 0, 5);
    EXPECT_EQ(5, board->values[0]);
    EXPECT_EQ(0, board->remaining);
    for (int32_t r = 0; r < 9; ++r)
        for (int32_t c = 0; c < 9; ++c) {
            if (c == 0 && r == 0) continue;
            bool peer = r == 0 || c == 0 || (r < 3 && c < 3);
            EXPECT_EQ(peer ? 4591 : 5119, board->cellKeys[9 * r + c]) << "column " << c << " row " << r;
        }
    EXPECT_EQ(2147483647, board->cellKeys[0]);
    EXPECT_EQ(2147483647, keyOf(board->cellHeap, 0));
    EXPECT_EQ(2147483647, keyOf(board->rowDigitHeap, 4));    // row 0, digit 5
    EXPECT_EQ(2147483647, keyOf(board->columnDigitHeap, 4)); // column 0, digit 5
    EXPECT_EQ(2147483647, keyOf(board->boxDigitHeap, 4));    // box 0, digit 5
    EXPECT_EQ(4606, keyOf(board->rowDigitHeap, 0));          // row 0, digit 1: column 0 gone
    EXPECT_EQ(3576, keyOf(board->rowDigitHeap, 13));         // row 1, digit 5: columns 0-2 gone
    EXPECT_EQ(3510, keyOf(board->boxDigitHeap, 31));         // box 3, digit 5: positions 0, 3, 6 gone

    EXPECT_EQ(2, peekMin(board->cellHeap));
    EXPECT_EQ(4591, board->cellHeap->keys[1]);
    EXPECT_EQ(13, peekMin(board->rowDigitHeap));
    EXPECT_EQ(3576, board->rowDigitHeap->keys[1]);
    EXPECT_EQ(13, peekMin(board->columnDigitHeap));
    EXPECT_EQ(3576, board->columnDigitHeap->keys[1]);
    EXPECT_EQ(58, peekMin(board->boxDigitHeap));
    EXPECT_EQ(3510, board->boxDigitHeap->keys[1]);
    EXPECT_TRUE(boardIsConsistent(board.board));
}

// Away from the corner the first cell to lose the digit, (4, 0) in column 4,
// keeps the root: later peers reach only the same key and never pass it.
TEST(PlaceDigit, FirstLoweredPeerKeepsTheRoot) {
    OwnedBoard board(3);
    placeDigit(board.board, 4, 4, 5);
    EXPECT_EQ(4, peekMin(board->cellHeap));
    EXPECT_EQ(4591, board->cellHeap->keys[1]);
}

TEST(PlaceDigit, SatisfiedKeyLosingOptionsStaysSatisfied) {
    OwnedBoard small(3);
    placeDigit(small.board, 0, 0, 5);
    EXPECT_EQ(4, eliminateCell(small.board, 0, 0, 3));
    EXPECT_LT(small->cellKeys[0], 2147483647);
    EXPECT_GT(small->cellKeys[0], 0x3FFFFFFF);
    EXPECT_EQ(small->cellKeys[0], keyOf(small->cellHeap, 0));

    // The lowest a satisfied key can fall: all 25 options of a 25x25 cell gone.
    OwnedBoard large(5);
    placeDigit(large.board, 24, 24, 25);
    for (int32_t d = 1; d <= 25; ++d) eliminateCell(large.board, 24, 24, d);
    EXPECT_EQ(0x4C000000, large->cellKeys[624]);
    EXPECT_EQ(0, eliminateCell(large.board, 24, 24, 7));
    EXPECT_EQ(0x4C000000, keyOf(large->cellHeap, 624));
    EXPECT_TRUE(boardIsConsistent(large.board));
}

} // namespace
} // namespace numpl

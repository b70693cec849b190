// Tests of board creation, loading, read-out and copying: the full key of
// every box order, where a load stops on a bad given, and which arrays a copy
// carries under the context's copy flags.
#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

#include "model/board.h"
#include "support/boards.h"
#include "support/grids.h"

namespace numpl {
namespace {

using test::boardIsConsistent;
using test::boardsIdentical;
using test::OwnedBoard;
using test::patternDigit;
using test::PuzzlePtr;

class BoardOrder : public ::testing::TestWithParam<int32_t> {};
INSTANTIATE_TEST_SUITE_P(BoxOrders, BoardOrder, ::testing::Values(2, 3, 4, 5));

TEST_P(BoardOrder, FreshBoardHoldsTheFullKeyEverywhere) {
    const int32_t n = GetParam();
    const int32_t expected[6] = {0, 0, 79, 5119, 1114111, 872415231};
    const int32_t cells = n * n * n * n;
    EXPECT_EQ(expected[n], fullKey(n));
    Board* board = createBoard(n);
    EXPECT_EQ(nullptr, board->context);
    EXPECT_EQ(0, board->remaining);
    for (int32_t family = 0; family < FAMILY_COUNT; ++family) {
        const ConstraintHeap* heap = heapOf(board, family);
        ASSERT_EQ(cells, heap->count);
        for (int32_t s = 1; s <= cells; ++s) {
            ASSERT_EQ(s - 1, heap->ids[s]);
            ASSERT_EQ(expected[n], heap->keys[s]);
        }
    }
    for (int32_t i = 0; i < cells; ++i) {
        ASSERT_EQ(0, board->values[i]);
        ASSERT_EQ(expected[n], board->cellKeys[i]);
    }
    SolveContext* context = createSolveContext(n);
    board->context = context;
    EXPECT_TRUE(boardIsConsistent(board));
    destroyBoard(board);
    destroySolveContext(context);
}

TEST_P(BoardOrder, LoadCountsTheOpenCells) {
    const int32_t n = GetParam();
    const int32_t side = n * n;
    OwnedBoard empty(n);
    PuzzlePtr blank(createPuzzle(n));
    EXPECT_EQ(1, loadGivens(empty.board, blank.get()));
    EXPECT_EQ(side * side, empty->remaining);

    // A complete grid without its diagonal: every given, N included, is placed.
    OwnedBoard board(n);
    PuzzlePtr puzzle(createPuzzle(n));
    for (int32_t r = 0; r < side; ++r)
        for (int32_t c = 0; c < side; ++c) puzzle->givens[r][c] = r == c ? 0 : patternDigit(n, c, r);
    EXPECT_EQ(1, loadGivens(board.board, puzzle.get()));
    EXPECT_EQ(side, board->remaining);
    for (int32_t r = 0; r < side; ++r)
        for (int32_t c = 0; c < side; ++c) ASSERT_EQ(puzzle->givens[r][c], board->values[side * r + c]);
    EXPECT_TRUE(boardIsConsistent(board.board));
}

struct Given {
    int32_t c, r, v;
};
struct BadLoad {
    const char* name;
    std::vector<Given> before; // placed before the failing given
    Given failing;
    Given after; // a valid given that must not be reached
};

void PrintTo(const BadLoad& load, std::ostream* os) { *os << load.name; }

class LoadFailure : public ::testing::TestWithParam<BadLoad> {};

// Each case keeps a valid given between the clashing pair in row-major order,
// so a load that checked in another order or went on after the clash shows.
// The negative given is -24 because a shift by v - 1 wrapped to 5 bits would
// land on a candidate bit: only a sign test rejects it.
INSTANTIATE_TEST_SUITE_P(
    Grid9, LoadFailure,
    ::testing::Values(BadLoad{"TenInANineGrid", {{1, 0, 3}}, {5, 2, 10}, {0, 4, 2}},
                      BadLoad{"NegativeGiven", {{0, 0, 1}}, {4, 4, -24}, {8, 8, 2}},
                      BadLoad{"RepeatInRow", {{6, 2, 4}, {3, 2, 1}}, {7, 2, 4}, {0, 5, 9}},
                      BadLoad{"RepeatInColumn", {{2, 1, 7}, {0, 3, 1}}, {2, 6, 7}, {8, 8, 2}},
                      BadLoad{"RepeatInBox", {{4, 3, 6}, {8, 3, 2}}, {3, 5, 6}, {0, 8, 3}}),
    [](const ::testing::TestParamInfo<BadLoad>& info) { return std::string(info.param.name); });

TEST_P(LoadFailure, StopsAtTheBadGivenAndClearsTheCount) {
    const BadLoad& load = GetParam();
    OwnedBoard board(3);
    PuzzlePtr puzzle(createPuzzle(3));
    for (const Given& g : load.before) puzzle->givens[g.r][g.c] = g.v;
    puzzle->givens[load.failing.r][load.failing.c] = load.failing.v;
    puzzle->givens[load.after.r][load.after.c] = load.after.v;
    puzzle->solutionCount = 7;
    EXPECT_EQ(0, loadGivens(board.board, puzzle.get()));
    EXPECT_EQ(0, puzzle->solutionCount.load());
    EXPECT_EQ(0, board->remaining);
    for (const Given& g : load.before) EXPECT_EQ(g.v, board->values[9 * g.r + g.c]);
    EXPECT_EQ(0, board->values[9 * load.failing.r + load.failing.c]);
    EXPECT_EQ(0, board->values[9 * load.after.r + load.after.c]);
}

TEST(BoardStoreSolution, WritesOnlyPlacedCells) {
    OwnedBoard board(2);
    PuzzlePtr puzzle(createPuzzle(2));
    puzzle->givens[0][1] = 3;
    puzzle->givens[2][3] = 4;
    puzzle->givens[3][0] = 4;
    ASSERT_EQ(1, loadGivens(board.board, puzzle.get()));
    for (int32_t r = 0; r < 4; ++r)
        for (int32_t c = 0; c < 4; ++c) puzzle->solution[r][c] = -3;
    storeSolution(board.board, puzzle.get());
    for (int32_t r = 0; r < 4; ++r)
        for (int32_t c = 0; c < 4; ++c) {
            int32_t expected = puzzle->givens[r][c] != 0 ? puzzle->givens[r][c] : -3;
            EXPECT_EQ(expected, puzzle->solution[r][c]) << "row " << r << " column " << c;
        }
}

struct CopyFlags {
    int32_t copyCellKeys, primaryTechniques;
    bool keysCopied;
};
void PrintTo(const CopyFlags& flags, std::ostream* os) {
    *os << "copyCellKeys " << flags.copyCellKeys << " primaryTechniques " << flags.primaryTechniques;
}

class BoardCopy : public ::testing::TestWithParam<CopyFlags> {};
INSTANTIATE_TEST_SUITE_P(Flags, BoardCopy,
                         ::testing::Values(CopyFlags{1, 1, true}, CopyFlags{0, 0, true}, CopyFlags{1, 0, true},
                                           CopyFlags{0, 1, false}));

TEST_P(BoardCopy, CarriesCellKeysOnlyUnderTheFlags) {
    const CopyFlags flags = GetParam();
    OwnedBoard src(3);
    PuzzlePtr puzzle = test::puzzleFromText(
        "53..7....6..195....98....6.8...6...34..8.3..17...2...6.6....28....419..5....8..79");
    ASSERT_EQ(1, loadGivens(src.board, puzzle.get()));
    src->context->copyCellKeys = flags.copyCellKeys;
    src->context->primaryTechniques = flags.primaryTechniques;

    // The destination starts from another state, with its own context.
    OwnedBoard dst(3);
    PuzzlePtr other(createPuzzle(3));
    other->givens[4][4] = 9;
    ASSERT_EQ(1, loadGivens(dst.board, other.get()));
    std::vector<int32_t> oldKeys(dst->cellKeys, dst->cellKeys + 81);

    copyBoard(src.board, dst.board);
    if (flags.keysCopied) {
        EXPECT_TRUE(boardsIdentical(src.board, dst.board));
    } else {
        EXPECT_EQ(oldKeys, std::vector<int32_t>(dst->cellKeys, dst->cellKeys + 81));
        std::copy(src->cellKeys, src->cellKeys + 81, dst->cellKeys);
        EXPECT_TRUE(boardsIdentical(src.board, dst.board)) << "fields other than cellKeys";
    }
}

} // namespace
} // namespace numpl

// Tests of the Puzzle record and of checkGivens, the duplicate check the
// window runs on the givens before it starts an analysis.
#include <gtest/gtest.h>

#include <array>
#include <initializer_list>
#include <memory>

#include "analysis/puzzle.h"
#include "support/boards.h"

namespace numpl {
namespace {

using test::PuzzlePtr;

TEST(CreatePuzzle, LargestGridStartsZeroedInOneBlockPerGrid) {
    PuzzlePtr puzzle(createPuzzle(5));
    ASSERT_NE(nullptr, puzzle);
    EXPECT_EQ(5, puzzle->boxOrder);
    EXPECT_EQ(0, puzzle->solutionCount.load());
    EXPECT_EQ(0, puzzle->cancelRequested.load());
    for (int32_t r = 0; r < 25; ++r) {
        ASSERT_EQ(puzzle->givens[0] + 25 * r, puzzle->givens[r]);
        ASSERT_EQ(puzzle->solution[0] + 25 * r, puzzle->solution[r]);
        for (int32_t c = 0; c < 25; ++c) {
            ASSERT_EQ(0, puzzle->givens[r][c]);
            ASSERT_EQ(0, puzzle->solution[r][c]);
        }
    }
    EXPECT_EQ(0, checkGivens(puzzle.get()));
}

class CheckGivens : public ::testing::TestWithParam<int32_t> {
  protected:
    void SetUp() override {
        n = GetParam();
        side = n * n;
        puzzle.reset(createPuzzle(n));
    }
    int32_t check(std::initializer_list<std::array<int32_t, 3>> givens) {
        for (int32_t r = 0; r < side; ++r)
            for (int32_t c = 0; c < side; ++c) puzzle->givens[r][c] = 0;
        for (auto [c, r, v] : givens) puzzle->givens[r][c] = v;
        return checkGivens(puzzle.get());
    }
    int32_t n = 0, side = 0;
    PuzzlePtr puzzle;
};
INSTANTIATE_TEST_SUITE_P(BoxOrders, CheckGivens, ::testing::Values(2, 3, 4, 5));

// Each clash sits in the last unit of its kind, so loops that stop one unit
// early miss it; each pair of cells is given as (column, row, digit).
TEST_P(CheckGivens, FindsARepeatInTheLastRowColumnOrBox) {
    const int32_t last = side - 1;
    EXPECT_EQ(0, check({}));
    EXPECT_EQ(0, check({{last, last, side}}));
    EXPECT_EQ(-1, check({{0, last, 2}, {last, last, 2}}));
    EXPECT_EQ(-1, check({{last, 0, 2}, {last, last, 2}}));
    EXPECT_EQ(-1, check({{last - 1, last, side}, {last, last - 1, side}}));
    EXPECT_EQ(-1, check({{last - n + 1, last - n + 1, 1}, {last, last, 1}}));
    // A box off the diagonal, so box rows and box columns cannot be confused.
    EXPECT_EQ(-1, check({{last, 0, 1}, {side - n, n - 1, 1}}));
}

TEST_P(CheckGivens, AcceptsDistinctDigitsAndRepeatsInSeparateUnits) {
    // The same digit in different rows, columns and boxes.
    EXPECT_EQ(0, check({{0, 0, 3}, {side - 1, n, 3}}));
    // Every digit once per unit: a full grid of band-shifted rows.
    for (int32_t r = 0; r < side; ++r)
        for (int32_t c = 0; c < side; ++c) puzzle->givens[r][c] = ((r % n) * n + r / n + c) % side + 1;
    EXPECT_EQ(0, checkGivens(puzzle.get()));
}

TEST(CheckGivensRange, ComparesValuesOutsideTheDigits) {
    PuzzlePtr puzzle(createPuzzle(3));
    puzzle->givens[4][1] = 10;
    EXPECT_EQ(0, checkGivens(puzzle.get()));
    puzzle->givens[4][7] = 10;
    EXPECT_EQ(-1, checkGivens(puzzle.get()));
}

} // namespace
} // namespace numpl

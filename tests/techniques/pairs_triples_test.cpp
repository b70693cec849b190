// Naked pair and triple techniques on rows, columns and boxes: the clearing
// rule, contradictions, which cells take part, and soundness on grids with a
// known solution.
#include "techniques/pairs_triples.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "model/placement.h"
#include "model/singles.h"
#include "support/boards.h"
#include "support/grids.h"

namespace numpl {
namespace {

using test::hasCandidate;
using test::keepOnly;
using test::openBoard;
using test::OwnedBoard;

enum Kind { ROWS, COLUMNS, BOXES };

struct Family {
    Kind kind;
    Technique pairs;
    Technique triples;
    const char* name;
};

// Without this GoogleTest prints the parameter's raw bytes, padding included.
void PrintTo(const Family& family, std::ostream* out) { *out << family.name; }

// Cell i of unit u, as (column, row), for a 9x9 grid.
std::pair<int32_t, int32_t> cellOf(Kind kind, int32_t u, int32_t i) {
    switch (kind) {
    case ROWS: return {i, u};
    case COLUMNS: return {u, i};
    case BOXES: return {3 * (u % 3) + i % 3, 3 * (u / 3) + i / 3};
    }
    return {0, 0};
}

class PairsTriples : public ::testing::TestWithParam<Family> {
protected:
    OwnedBoard t = openBoard(3);
    const int32_t unit = 4;
    void keep(int32_t i, std::initializer_list<int32_t> digits) {
        auto [c, r] = cellOf(GetParam().kind, unit, i);
        keepOnly(t.board, c, r, digits);
    }
    bool has(int32_t i, int32_t d) {
        auto [c, r] = cellOf(GetParam().kind, unit, i);
        return hasCandidate(t.board, c, r, d);
    }
};

TEST_P(PairsTriples, PairClearsItsDigitsFromTheUnit) {
    keep(1, {3, 8});
    keep(6, {3, 8});
    EXPECT_EQ(STATUS_PROGRESS, GetParam().pairs(t.board));
    for (int32_t i = 0; i < 9; ++i) {
        bool member = i == 1 || i == 6;
        EXPECT_EQ(member, has(i, 3)) << "cell " << i;
        EXPECT_EQ(member, has(i, 8)) << "cell " << i;
        EXPECT_TRUE(member || has(i, 5)) << "other digits stay, cell " << i;
    }
    EXPECT_EQ(STATUS_NO_CHANGE, GetParam().pairs(t.board)) << "nothing left to remove";
}

TEST_P(PairsTriples, SameSingleCandidateTwiceIsContradiction) {
    keep(2, {3});
    keep(7, {3});
    EXPECT_EQ(STATUS_CONTRADICTION, GetParam().pairs(t.board));
}

TEST_P(PairsTriples, SingleCandidateInsideTwoCandidatesFormsPair) {
    keep(0, {4});
    keep(5, {4, 9});
    EXPECT_EQ(STATUS_PROGRESS, GetParam().pairs(t.board));
    EXPECT_FALSE(has(3, 4));
    EXPECT_FALSE(has(3, 9));
}

TEST_P(PairsTriples, TripleOfThreeTwoCandidateCells) {
    keep(0, {1, 2});
    keep(4, {2, 3});
    keep(8, {1, 3});
    EXPECT_EQ(STATUS_NO_CHANGE, GetParam().pairs(t.board)) << "no two of them make a pair";
    EXPECT_EQ(STATUS_PROGRESS, GetParam().triples(t.board));
    for (int32_t i : {1, 2, 3, 5, 6, 7}) {
        for (int32_t d = 1; d <= 3; ++d) EXPECT_FALSE(has(i, d)) << "cell " << i << " digit " << d;
        EXPECT_TRUE(has(i, 4));
    }
}

TEST_P(PairsTriples, ThreeCellsWithTwoDigitsAreContradiction) {
    keep(0, {1, 2});
    keep(1, {1, 2});
    keep(2, {1, 2});
    EXPECT_EQ(STATUS_CONTRADICTION, GetParam().triples(t.board));
}

// Cells 0, 1, 2 hold {1, 2}: the pair (0, 1) empties cell 2; cell 2 and cell
// 0 then make a pair again and empty cell 1; cells 1 and 2 have no digit left.
TEST_P(PairsTriples, PairCascadeEndsInContradiction) {
    keep(0, {1, 2});
    keep(1, {1, 2});
    keep(2, {1, 2});
    EXPECT_EQ(STATUS_CONTRADICTION, GetParam().pairs(t.board));
    EXPECT_TRUE(has(0, 1) && has(0, 2));
    EXPECT_FALSE(has(1, 1) || has(1, 2));
    EXPECT_FALSE(has(2, 1) || has(2, 2));
}

TEST_P(PairsTriples, FilledCellsNeitherJoinNorLoseDigits) {
    auto [c, r] = cellOf(GetParam().kind, unit, 3);
    keep(0, {6, 7});
    keep(8, {6, 7});
    placeDigit(t.board, c, r, 9);  // cell 3 filled; its satisfied key keeps the bits of 6 and 7
    --t.board->remaining;
    int32_t filledKey = t.board->cellKeys[9 * r + c];
    EXPECT_EQ(STATUS_PROGRESS, GetParam().pairs(t.board));
    EXPECT_EQ(filledKey, t.board->cellKeys[9 * r + c]) << "the filled cell is left alone";
    EXPECT_FALSE(has(5, 7));
    EXPECT_FALSE(has(5, 6));
}

TEST_P(PairsTriples, PairWithoutEffectIsNoProgress) {
    keep(2, {5, 6});
    keep(3, {5, 6});
    for (int32_t i : {0, 1, 4, 5, 6, 7, 8}) {
        auto [c, r] = cellOf(GetParam().kind, unit, i);
        eliminateCandidate(t.board, c, r, 5);
        eliminateCandidate(t.board, c, r, 6);
    }
    EXPECT_EQ(STATUS_NO_CHANGE, GetParam().pairs(t.board));
}

TEST_P(PairsTriples, ContradictionAfterRemovalsStillReportsContradiction) {
    keep(0, {1, 2});
    keep(1, {1, 2});
    keep(5, {9});
    keep(6, {9});
    EXPECT_EQ(STATUS_CONTRADICTION, GetParam().pairs(t.board));
    EXPECT_FALSE(has(3, 1)) << "the removals made before the contradiction stay";
}

INSTANTIATE_TEST_SUITE_P(Units, PairsTriples,
                         ::testing::Values(Family{ROWS, nakedPairsRows, nakedTriplesRows, "Rows"},
                                           Family{COLUMNS, nakedPairsColumns, nakedTriplesColumns, "Columns"},
                                           Family{BOXES, nakedPairsBoxes, nakedTriplesBoxes, "Boxes"}),
                         [](const ::testing::TestParamInfo<Family>& info) { return info.param.name; });

TEST(NakedPairsRows, CellsWithManyCandidatesAreNeverMembers) {
    OwnedBoard t = openBoard(3);
    keepOnly(t.board, 0, 0, {1, 2, 3, 4});
    keepOnly(t.board, 1, 0, {1, 2, 3, 4});
    EXPECT_EQ(STATUS_NO_CHANGE, nakedPairsRows(t.board));
    EXPECT_EQ(STATUS_NO_CHANGE, nakedTriplesRows(t.board));
}

TEST(NakedTriplesRows, WorksOnFourByFour) {
    OwnedBoard t = openBoard(2);
    keepOnly(t.board, 0, 1, {1, 2});
    keepOnly(t.board, 1, 1, {2, 3});
    keepOnly(t.board, 3, 1, {1, 3});
    EXPECT_EQ(STATUS_PROGRESS, nakedTriplesRows(t.board));
    EXPECT_EQ((1 << 4) | 8, t.board->cellKeys[4 * 1 + 2]) << "cell (2, 1) keeps only digit 4";
}

// On a grid with a known solution none of the six may remove a solution
// digit or report a contradiction.
class PairsTriplesSoundness : public ::testing::TestWithParam<int32_t> {};

TEST_P(PairsTriplesSoundness, NeverRemovesSolutionDigits) {
    int32_t n = GetParam();
    for (uint32_t seed = 1; seed <= 20; ++seed) {
        std::mt19937 rng(seed * 104729u + static_cast<uint32_t>(n));
        std::vector<int32_t> solution = test::randomFullGrid(n, rng);
        OwnedBoard t = openBoard(n);
        test::placeSomeOf(t.board, solution, rng, 40);
        propagateSingles(t.board);
        for (int round = 0; round < 30; ++round) {
            bool progress = false;
            for (Technique technique : techniqueFamilyC) {
                int32_t result = technique(t.board);
                ASSERT_NE(STATUS_CONTRADICTION, result) << "seed " << seed << " n " << n;
                progress |= result == STATUS_PROGRESS;
            }
            ASSERT_TRUE(test::keepsSolution(t.board, solution)) << "seed " << seed << " n " << n << " round " << round;
            if (!progress) break;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(BoxOrders, PairsTriplesSoundness, ::testing::Values(2, 3, 4, 5));

} // namespace
} // namespace numpl

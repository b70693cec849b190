// Locked-candidate techniques: the segment rule, the strict "fewer than n"
// qualification, the scan's stop and early-return rules, and soundness on
// grids with a known solution.
#include "techniques/locked_candidates.h"

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
using test::openBoard;
using test::OwnedBoard;

// Row 0 keeps digit 5 only in columns 1 and 2.
void pinRowZeroDigitFive(Board* board) {
    for (int32_t c : {0, 3, 4, 5, 6, 7, 8}) eliminateCandidate(board, c, 0, 5);
}

TEST(LockedCandidatesRows, RemovesDigitFromRestOfBox) {
    OwnedBoard t = openBoard(3);
    pinRowZeroDigitFive(t.board);
    ASSERT_EQ(1030, keyOf(t.board->rowDigitHeap, 0 * 9 + 4));

    EXPECT_EQ(STATUS_PROGRESS, lockedCandidatesRows(t.board));
    for (int32_t r = 1; r <= 2; ++r) {
        for (int32_t c = 0; c < 9; ++c) {
            EXPECT_EQ(c >= 3, hasCandidate(t.board, c, r, 5)) << "column " << c << " row " << r;
        }
    }
    EXPECT_TRUE(hasCandidate(t.board, 1, 0, 5));
    EXPECT_TRUE(hasCandidate(t.board, 0, 3, 5)) << "rows outside the band keep the digit";
    EXPECT_EQ(STATUS_NO_CHANGE, lockedCandidatesRows(t.board)) << "a second call finds nothing new";
}

TEST(LockedCandidatesRows, NeedsFewerThanNPositions) {
    OwnedBoard t = openBoard(3);
    // Three positions, all in box 0: exactly n, which does not qualify.
    for (int32_t c = 3; c < 9; ++c) eliminateCandidate(t.board, c, 0, 5);
    EXPECT_EQ(STATUS_NO_CHANGE, lockedCandidatesRows(t.board));
    EXPECT_TRUE(hasCandidate(t.board, 0, 1, 5));
}

TEST(LockedCandidatesColumns, RemovesDigitFromRestOfBox) {
    OwnedBoard t = openBoard(3);
    // Column 7 keeps digit 2 only in rows 6 and 8 (band 2).
    for (int32_t r = 0; r < 9; ++r) {
        if (r != 6 && r != 8) eliminateCandidate(t.board, 7, r, 2);
    }
    EXPECT_EQ(STATUS_PROGRESS, lockedCandidatesColumns(t.board));
    for (int32_t c = 6; c < 9; ++c) {
        for (int32_t r = 0; r < 9; ++r) {
            bool expected = c == 7 ? (r == 6 || r == 8) : r < 6;
            EXPECT_EQ(expected, hasCandidate(t.board, c, r, 2)) << "column " << c << " row " << r;
        }
    }
}

// Box 4 keeps digit 7 only at positions 1 and 4: column 4, rows 3 and 4.
void pinBoxFourDigitSeven(Board* board) {
    for (int32_t p : {0, 2, 3, 5, 6, 7, 8}) eliminateCandidate(board, 3 + p % 3, 3 + p / 3, 7);
}

TEST(LockedCandidatesBoxes, BoxColumnClearsColumnOutsideBox) {
    OwnedBoard t = openBoard(3);
    pinBoxFourDigitSeven(t.board);
    ASSERT_EQ((2 << 9) | 18, keyOf(t.board->boxDigitHeap, 4 * 9 + 6));

    EXPECT_EQ(STATUS_PROGRESS, lockedCandidatesBoxes(t.board));
    for (int32_t r = 0; r < 9; ++r) {
        EXPECT_EQ(r == 3 || r == 4, hasCandidate(t.board, 4, r, 7)) << "row " << r;
    }
    EXPECT_TRUE(hasCandidate(t.board, 3, 0, 7)) << "other columns keep the digit";
}

TEST(LockedCandidatesBoxes, BoxRowClearsRowOutsideBox) {
    OwnedBoard t = openBoard(3);
    // Box 8 (rows 6-8, columns 6-8) keeps digit 9 only in its middle row.
    for (int32_t p : {0, 1, 2, 6, 7, 8}) eliminateCandidate(t.board, 6 + p % 3, 6 + p / 3, 9);
    // Three positions: not fewer than n, nothing happens yet.
    EXPECT_EQ(STATUS_NO_CHANGE, lockedCandidatesBoxes(t.board));
    eliminateCandidate(t.board, 8, 7, 9);
    EXPECT_EQ(STATUS_PROGRESS, lockedCandidatesBoxes(t.board));
    for (int32_t c = 0; c < 9; ++c) EXPECT_EQ(c >= 6 && c <= 7, hasCandidate(t.board, c, 7, 9)) << "column " << c;
}

TEST(LockedCandidatesBoxes, ReturnsAfterFirstProductiveBoxColumn) {
    OwnedBoard t = openBoard(3);
    pinBoxFourDigitSeven(t.board);
    // Box 0 keeps digit 1 at positions 0 and 3 (column 0, rows 0 and 1); its
    // key is smaller than box 4's, so it comes first in the heap.
    for (int32_t p : {1, 2, 4, 5, 6, 7, 8}) eliminateCandidate(t.board, p % 3, p / 3, 1);

    EXPECT_EQ(STATUS_PROGRESS, lockedCandidatesBoxes(t.board));
    EXPECT_FALSE(hasCandidate(t.board, 0, 5, 1)) << "box 0 was handled";
    EXPECT_TRUE(hasCandidate(t.board, 4, 0, 7)) << "box 4 waits for the next call";

    EXPECT_EQ(STATUS_PROGRESS, lockedCandidatesBoxes(t.board));
    EXPECT_FALSE(hasCandidate(t.board, 4, 0, 7));
    EXPECT_EQ(STATUS_NO_CHANGE, lockedCandidatesBoxes(t.board));
}

TEST(LockedCandidatesBoxes, EmptyConstraintLiesInEverySegment) {
    OwnedBoard t = openBoard(3);
    for (int32_t p = 0; p < 9; ++p) eliminateCandidate(t.board, p % 3, p / 3, 4);
    EXPECT_EQ(STATUS_PROGRESS, lockedCandidatesBoxes(t.board));
    // All three box rows clear their rows outside the box; the box-column
    // part then returns early after column 0.
    for (int32_t r = 0; r < 3; ++r) {
        for (int32_t c = 3; c < 9; ++c) EXPECT_FALSE(hasCandidate(t.board, c, r, 4)) << "column " << c << " row " << r;
    }
    EXPECT_FALSE(hasCandidate(t.board, 0, 5, 4));
    EXPECT_TRUE(hasCandidate(t.board, 1, 5, 4)) << "column 1 waits for the next call";
}

TEST(LockedCandidatesBoxes, RemovingFromFilledCellCountsAsProgressOnce) {
    OwnedBoard t = openBoard(3);
    pinBoxFourDigitSeven(t.board);
    placeDigit(t.board, 4, 0, 2);  // column 4 row 0 is filled, its key satisfied
    --t.board->remaining;
    int32_t before = t.board->cellKeys[4];
    EXPECT_EQ(STATUS_PROGRESS, lockedCandidatesBoxes(t.board));
    EXPECT_LT(t.board->cellKeys[4], before);
    EXPECT_GT(t.board->cellKeys[4], SATISFIED_LIMIT);
    EXPECT_EQ(STATUS_NO_CHANGE, lockedCandidatesBoxes(t.board)) << "the same removal is not reported twice";
}

// Lays out a heap directly, slot by slot, to reach orders that play would
// take long to produce.
void layOut(ConstraintHeap* heap, const std::vector<std::pair<int32_t, int32_t>>& idKeys) {
    ASSERT_EQ(static_cast<size_t>(heap->capacity), idKeys.size());
    for (size_t i = 0; i < idKeys.size(); ++i) {
        int32_t slot = static_cast<int32_t>(i) + 1;
        heap->ids[slot] = idKeys[i].first;
        heap->keys[slot] = idKeys[i].second;
        heap->positions[idKeys[i].first] = slot;
    }
}

TEST(LockedCandidatesRows, ScanStopsAfterSatisfiedSlot) {
    OwnedBoard t = openBoard(2);
    // 4x4: a row-digit constraint qualifies with at most one position. Slot 1
    // holds row 0 / digit 2 and slot 3 row 3 / digit 1, each with column 0
    // only; slot 2 and its subtree hold satisfied constraints, so the scan
    // ends before slot 3.
    int32_t single = (1 << 4) | 1;
    std::vector<int32_t> subtreeOfTwo = {2, 4, 5, 8, 9, 10, 11, 16};
    std::vector<int32_t> rest;
    for (int32_t id = 0; id < 16; ++id) {
        if (id != 1 && id != 12) rest.push_back(id);
    }
    std::vector<std::pair<int32_t, int32_t>> layout;
    size_t next = 0;
    for (int32_t slot = 1; slot <= 16; ++slot) {
        if (slot == 1) {
            layout.emplace_back(1, single);
        } else if (slot == 3) {
            layout.emplace_back(12, single);
        } else {
            bool satisfied = std::find(subtreeOfTwo.begin(), subtreeOfTwo.end(), slot) != subtreeOfTwo.end();
            layout.emplace_back(rest[next++], satisfied ? SATISFIED_KEY : fullKey(2));
        }
    }
    layOut(t.board->rowDigitHeap, layout);

    EXPECT_EQ(STATUS_PROGRESS, lockedCandidatesRows(t.board));
    EXPECT_FALSE(hasCandidate(t.board, 0, 1, 2)) << "slot 1 was handled";
    EXPECT_TRUE(hasCandidate(t.board, 0, 2, 1)) << "slot 3 lies behind the satisfied slot";

    // The id half has no stop on satisfied keys and reaches row 3 / digit 1.
    EXPECT_EQ(STATUS_PROGRESS, lockedCandidatesRowsById(t.board));
    EXPECT_FALSE(hasCandidate(t.board, 0, 2, 1));
    EXPECT_FALSE(hasCandidate(t.board, 1, 2, 1));
    EXPECT_TRUE(hasCandidate(t.board, 2, 2, 1));
}

// Soundness: on a grid with a known solution, no technique may remove a digit
// of that solution, whatever state the singles leave behind.
class LockedCandidatesSoundness : public ::testing::TestWithParam<int32_t> {};

TEST_P(LockedCandidatesSoundness, NeverRemovesSolutionDigits) {
    int32_t n = GetParam();
    for (uint32_t seed = 1; seed <= 60; ++seed) {
        std::mt19937 rng(seed * 7919u + static_cast<uint32_t>(n));
        std::vector<int32_t> solution = test::randomFullGrid(n, rng);
        OwnedBoard t = openBoard(n);
        // Between a fifth and two fifths of the cells as givens: sparse enough
        // that singles stall and the techniques have work to do.
        test::placeSomeOf(t.board, solution, rng, 20 + seed % 21);
        // Singles and the techniques in turn, as the logic step runs them.
        for (int round = 0; round < 200 && propagateSingles(t.board) == STATUS_STALLED; ++round) {
            bool progress = false;
            for (Technique technique : techniqueFamilyA) {
                progress |= technique(t.board) == STATUS_PROGRESS;
                ASSERT_TRUE(test::keepsSolution(t.board, solution))
                    << "seed " << seed << " n " << n << " round " << round;
            }
            if (!progress) break;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(BoxOrders, LockedCandidatesSoundness, ::testing::Values(2, 3, 4, 5));

// Follows a puzzle's solution the way the search would reach it: singles and
// locked candidates until they stall, then the solution's digit in the first
// open cell, checking after every call that no solution digit was removed.
void followSolution(const char* text) {
    std::vector<int32_t> solution;
    for (const char* p = text; *p != '\0'; ++p) solution.push_back(*p == '.' ? 0 : *p - '0');
    std::vector<int32_t> givens = solution;
    test::BruteCounter counter(3, givens);
    ASSERT_EQ(1, counter.count(1));
    solution = counter.firstSolution();
    OwnedBoard t = openBoard(3);
    for (int32_t i = 0; i < 81; ++i) {
        if (givens[i] == 0) continue;
        placeDigit(t.board, i % 9, i / 9, givens[i]);
        --t.board->remaining;
    }
    while (propagateSingles(t.board) == STATUS_STALLED) {
        bool progress = false;
        for (Technique technique : techniqueFamilyA) {
            progress |= technique(t.board) == STATUS_PROGRESS;
            ASSERT_TRUE(test::keepsSolution(t.board, solution));
        }
        if (progress) continue;
        int32_t open = 0;
        while (t.board->values[open] != 0) ++open;
        placeDigit(t.board, open % 9, open / 9, solution[open]);
        --t.board->remaining;
    }
    for (int32_t i = 0; i < 81; ++i) EXPECT_EQ(solution[i], t.board->values[i]) << "cell " << i;
}

// A box-row elimination can lift another box's constraint for the same digit
// into the slot being handled; the box-column part must still act for the
// constraint that qualified.
TEST(LockedCandidatesBoxes, KeepsTheConstraintOfItsSlot) {
    followSolution("..9.....3.....9...7.....5.6..65..4.....3......28......3..75.6..6...........12.3.8");
}

} // namespace
} // namespace numpl

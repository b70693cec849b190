// Randomized sequences of placements, eliminations and singles propagation on
// boards of every box order, checked after each step against a plain model of
// the candidates kept by the rules of the puzzle, never by the engine's own
// key arithmetic. Also checks that copyBoard reproduces every step exactly.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "support/boards.h"
#include "support/grids.h"
#include "model/placement.h"
#include "model/singles.h"

namespace numpl {
namespace {

using test::boardIsConsistent;
using test::boardsIdentical;
using test::OwnedBoard;
using test::PuzzlePtr;

enum Family { CELL, ROW_DIGIT, COLUMN_DIGIT, BOX_DIGIT };

struct Candidate {
    int32_t c, r, d;
};

// The expected option mask and satisfied flag of every constraint, kept from
// the rules alone: a placement satisfies its four constraints and removes
// the candidates it rules out from every family; an elimination removes one
// candidate from the families it names.
class Reference {
  public:
    explicit Reference(int32_t n)
        : n_(n), side_(n * n), values_(side_ * side_, 0),
          masks_(4, std::vector<int32_t>(side_ * side_, static_cast<int32_t>((1u << side_) - 1))),
          satisfied_(4, std::vector<char>(side_ * side_, 0)) {}

    int32_t side() const { return side_; }
    int32_t value(int32_t c, int32_t r) const { return values_[side_ * r + c]; }
    int32_t mask(int32_t f, int32_t id) const { return masks_[f][id]; }
    bool satisfied(int32_t f, int32_t id) const { return satisfied_[f][id] != 0; }
    bool has(int32_t f, Candidate x) const { return (masks_[f][id(f, x)] & bit(f, x)) != 0; }
    void remove(int32_t f, Candidate x) { masks_[f][id(f, x)] &= ~bit(f, x); }
    void removeEverywhere(Candidate x) {
        for (int32_t f = 0; f < 4; ++f) remove(f, x);
    }

    // d at (c, r): the cell takes no other digit, and no cell that shares its
    // row, column or box (the cell itself included) takes d.
    void place(Candidate x) {
        values_[side_ * x.r + x.c] = x.d;
        for (int32_t f = 0; f < 4; ++f) satisfied_[f][id(f, x)] = 1;
        for (int32_t k = 1; k <= side_; ++k) removeEverywhere({x.c, x.r, k});
        for (int32_t y = 0; y < side_; ++y)
            for (int32_t c = 0; c < side_; ++c)
                if (y == x.r || c == x.c || box(c, y) == box(x.c, x.r)) removeEverywhere({c, y, x.d});
    }

  private:
    int32_t box(int32_t c, int32_t r) const { return (r / n_) * n_ + c / n_; }
    int32_t id(int32_t f, Candidate x) const {
        switch (f) {
        case CELL: return side_ * x.r + x.c;
        case ROW_DIGIT: return side_ * x.r + x.d - 1;
        case COLUMN_DIGIT: return side_ * x.c + x.d - 1;
        default: return side_ * box(x.c, x.r) + x.d - 1;
        }
    }
    int32_t bit(int32_t f, Candidate x) const {
        switch (f) {
        case CELL: return 1 << (x.d - 1);
        case ROW_DIGIT: return 1 << x.c;
        case COLUMN_DIGIT: return 1 << x.r;
        default: return 1 << ((x.r % n_) * n_ + x.c % n_);
        }
    }

    int32_t n_, side_;
    std::vector<int32_t> values_;
    std::vector<std::vector<int32_t>> masks_;
    std::vector<std::vector<char>> satisfied_;
};

// Open constraints: mask and count exactly as the reference has them.
// Satisfied ones: a satisfied key. Values and remaining match as well.
::testing::AssertionResult matchesReference(const Board* board, const Reference& ref) {
    int32_t side = ref.side();
    int32_t open = 0;
    for (int32_t i = 0; i < side * side; ++i) {
        if (board->values[i] != ref.value(i % side, i / side))
            return ::testing::AssertionFailure() << "cell " << i << " holds " << board->values[i];
        open += board->values[i] == 0;
    }
    if (board->remaining != open)
        return ::testing::AssertionFailure() << "remaining " << board->remaining << " open " << open;
    for (int32_t f = 0; f < 4; ++f) {
        for (int32_t id = 0; id < side * side; ++id) {
            int32_t key = keyOf(heapOf(board, f), id);
            if (ref.satisfied(f, id)) {
                if (key <= 0x3FFFFFFF)
                    return ::testing::AssertionFailure() << "family " << f << " id " << id << " satisfied, key " << key;
                continue;
            }
            int32_t mask = ref.mask(f, id);
            int32_t count = __builtin_popcount(static_cast<uint32_t>(mask));
            if ((key & ((1 << side) - 1)) != mask || (key >> side) != count)
                return ::testing::AssertionFailure() << "family " << f << " id " << id << " key " << key
                                                     << " expected mask " << mask << " count " << count;
        }
    }
    return ::testing::AssertionSuccess();
}

void eliminateInFamily(Board* board, int32_t f, Candidate x) {
    switch (f) {
    case CELL: eliminateCell(board, x.c, x.r, x.d); break;
    case ROW_DIGIT: eliminateRowDigit(board, x.c, x.r, x.d); break;
    case COLUMN_DIGIT: eliminateColumnDigit(board, x.c, x.r, x.d); break;
    default: eliminateBoxDigit(board, x.c, x.r, x.d); break;
    }
}

class BoardProperty : public ::testing::TestWithParam<std::tuple<int32_t, uint32_t>> {};
INSTANTIATE_TEST_SUITE_P(BoxOrdersAndSeeds, BoardProperty,
                         ::testing::Combine(::testing::Values(2, 3, 4, 5), ::testing::Values(1u, 2u, 3u)),
                         [](const ::testing::TestParamInfo<BoardProperty::ParamType>& info) {
                             return "order" + std::to_string(std::get<0>(info.param)) + "_seed" +
                                    std::to_string(std::get<1>(info.param));
                         });

// Each seed runs three episodes, each from an empty board (set by copyBoard,
// so a copy over a used board is exercised too) until the board is full, no
// open cell has a candidate, or a step limit. A hidden solution steers the
// steps: the first episode never cuts into it, so it ends on a solved board
// with every constraint satisfied; the others place and eliminate off the
// solution now and then, so contradictions and keys of 0 occur as well, and
// end soon after a cell has lost its last candidate.
TEST_P(BoardProperty, RandomStepsKeepHeapsAndModelInAgreement) {
    const auto [n, seed] = GetParam();
    const int32_t side = n * n;
    SCOPED_TRACE("box order " + std::to_string(n) + " seed " + std::to_string(seed));
    std::mt19937 rng(seed * 1000 + n);
    auto pick = [&rng](int32_t bound) { return static_cast<int32_t>(rng() % static_cast<uint32_t>(bound)); };
    std::vector<int32_t> relabel(side + 1);
    for (int32_t d = 0; d <= side; ++d) relabel[d] = d;
    std::shuffle(relabel.begin() + 1, relabel.end(), rng);
    auto solutionDigit = [&](int32_t c, int32_t r) { return relabel[test::patternDigit(n, c, r)]; };

    OwnedBoard empty(n);
    PuzzlePtr puzzle(createPuzzle(n));
    ASSERT_EQ(1, loadGivens(empty.board, puzzle.get()));
    OwnedBoard board(n);
    OwnedBoard copy(n);

    for (int32_t episode = 0; episode < 3; ++episode) {
        SCOPED_TRACE("episode " + std::to_string(episode));
        const int32_t offSolution = episode == 0 ? 0 : 4 * episode; // one step in 4 or 8 may cut
        copyBoard(empty.board, board.board);
        Reference ref(n);
        auto offPick = [&]() { return offSolution != 0 && pick(offSolution) == 0; };
        auto randomElimination = [&]() {
            Candidate x{pick(side), pick(side), 1 + pick(side)};
            while (x.d == solutionDigit(x.c, x.r) && !offPick()) x.d = 1 + pick(side);
            return x;
        };
        int32_t deadSteps = 0; // a cell without candidates stays so; a few more steps suffice
        for (int32_t step = 0; step < 4 * side * side && board->remaining > 0 && deadSteps < 2 * side; ++step) {
            SCOPED_TRACE("step " + std::to_string(step));
            int32_t op = pick(10);
            if (op < 3) {
                // A present candidate of an open cell, as every caller guarantees.
                std::vector<Candidate> choices;
                for (int32_t r = 0; r < side; ++r)
                    for (int32_t c = 0; c < side; ++c)
                        for (int32_t d = 1; d <= side; ++d)
                            if (ref.value(c, r) == 0 && ref.has(CELL, {c, r, d})) choices.push_back({c, r, d});
                if (choices.empty()) break;
                Candidate x = choices[pick(static_cast<int32_t>(choices.size()))];
                Candidate hidden{x.c, x.r, solutionDigit(x.c, x.r)};
                if (!offPick() && ref.has(CELL, hidden)) x = hidden;
                placeDigit(board.board, x.c, x.r, x.d);
                --board->remaining;
                ref.place(x);
            } else if (op < 5) {
                Candidate x = randomElimination();
                eliminateCandidate(board.board, x.c, x.r, x.d);
                ref.removeEverywhere(x);
            } else if (op < 9) {
                int32_t f = pick(4);
                Candidate x = randomElimination();
                eliminateInFamily(board.board, f, x);
                ref.remove(f, x);
            } else {
                std::vector<int32_t> before(board->values, board->values + side * side);
                int32_t result = propagateSingles(board.board);
                ASSERT_TRUE(result == STATUS_SOLVED || result == STATUS_STALLED || result == STATUS_CONTRADICTION);
                ASSERT_EQ(result == STATUS_SOLVED, board->remaining == 0);
                for (int32_t i = 0; i < side * side; ++i)
                    if (before[i] != board->values[i]) ref.place({i % side, i / side, board->values[i]});
            }
            ASSERT_TRUE(boardIsConsistent(board.board));
            ASSERT_TRUE(matchesReference(board.board, ref));
            copyBoard(board.board, copy.board);
            ASSERT_TRUE(boardsIdentical(board.board, copy.board));
            deadSteps += board->cellHeap->keys[1] == 0;
        }
        if (episode == 0) {
            EXPECT_EQ(0, board->remaining);
            EXPECT_EQ(STATUS_SOLVED, propagateSingles(board.board));
        }
    }
}

} // namespace
} // namespace numpl

// Tests of the candidate-mask view against the heap model it stands in for:
// for boards met by real searches and by random play, at every box order,
// placing a candidate and propagating singles must end as propagateSingles
// ends on a copy of the board (contradiction, solved or stalled, and the same
// grid when it does not contradict), also after candidates have been removed
// from both views and when the placed digit is one of those removed.
#include "candidates/candidate_grid.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "support/boards.h"
#include "support/grids.h"
#include "analysis/logic_step.h"
#include "model/placement.h"
#include "model/singles.h"

namespace numpl {
namespace {

using test::boardFromPuzzle;
using test::cloneBoard;
using test::hasCandidate;
using test::OwnedBoard;
using test::PuzzlePtr;
using test::sideOf;
using test::puzzleFromCells;
using test::puzzleFromText;
using test::randomGivens;
using test::readKnownCounts;

CandidateGrid gridOf(const Board* board) {
    CandidateGrid grid;
    loadCandidateGrid(&grid, board->context->boxOrder, board->values, board->cellKeys);
    return grid;
}

// Boards as the search meets them: each board right after the branch that
// made it (singles still to place) and again when its logic step asks for a
// branch. At most `limit` boards per puzzle.
void collectSearchBoards(Puzzle* puzzle, size_t limit, std::vector<OwnedBoard>* boards) {
    test::SearchStack stack(puzzle->boxOrder);
    size_t start = boards->size();
    if (loadGivens(stack[0], puzzle) != 0) {
        int32_t depth = 0;
        while (depth >= 0 && boards->size() - start < limit) {
            boards->push_back(cloneBoard(stack[depth], 1));
            int32_t column, row, digit;
            int32_t status = logicStep(stack[depth], &column, &row, &digit);
            if (status != STATUS_PROGRESS) {
                --depth;
                continue;
            }
            boards->push_back(cloneBoard(stack[depth], 1));
            copyBoard(stack[depth], stack[depth + 1]);
            placeDigit(stack[depth + 1], column, row, digit);
            --stack[depth + 1]->remaining;
            eliminateCandidate(stack[depth], column, row, digit);
            ++depth;
        }
    }
}

// Boards of random play: singles propagated, then a random candidate placed,
// until the board is solved or contradicts.
void collectRandomBoards(int32_t n, int32_t grids, uint32_t seed, std::vector<OwnedBoard>* boards) {
    std::mt19937 random(seed);
    int32_t side = n * n;
    for (int32_t g = 0; g < grids; ++g) {
        int32_t givens = n == 2 ? 1 + static_cast<int32_t>(random() % 3) : side * side / 4 + static_cast<int32_t>(random() % side);
        std::vector<int32_t> cells = randomGivens(n, givens, random);
        PuzzlePtr puzzle = puzzleFromCells(n, cells);
        OwnedBoard board = boardFromPuzzle(puzzle.get(), 1);
        if (board == nullptr) continue;
        test::playRandomly(board, random, boards);
    }
}

struct Trial {
    int32_t cell;
    int32_t digit;
};

// Every candidate of every open cell of small boards; a random sample on
// large ones, where a heap propagation costs tens of microseconds.
std::vector<Trial> trialsOf(const Board* board, std::mt19937& random) {
    int32_t side = sideOf(board);
    std::vector<Trial> trials;
    for (int32_t cell = 0; cell < side * side; ++cell) {
        if (board->values[cell] != 0) continue;
        for (int32_t d = 1; d <= side; ++d) {
            if (hasCandidate(board, cell % side, cell / side, d)) trials.push_back({cell, d});
        }
    }
    if (side > 9 && trials.size() > 24) {
        std::shuffle(trials.begin(), trials.end(), random);
        trials.resize(24);
    }
    return trials;
}

// Empty when the placement ends the same way on both views; otherwise what
// differs. Without a contradiction both closures must hold the same digits
// and, in every open cell, the same candidates.
std::string compareTrial(const Board* board, const CandidateGrid& base, Board* scratch, int32_t cell,
                         int32_t digit) {
    int32_t side = sideOf(board);
    copyBoard(board, scratch);
    placeDigit(scratch, cell % side, cell / side, digit);
    --scratch->remaining;
    int32_t expected = propagateSingles(scratch);

    CandidateGrid grid;
    copyCandidateGrid(&base, &grid);
    int32_t got = placeCandidate(&grid, cell, digit) ? propagateCandidates(&grid) : STATUS_CONTRADICTION;
    std::string where = " placing " + std::to_string(digit) + " in cell " + std::to_string(cell);
    if (got != expected) {
        return "status " + std::to_string(got) + " instead of " + std::to_string(expected) + where;
    }
    if (got == STATUS_CONTRADICTION) return "";
    if (grid.remaining != scratch->remaining) return "remaining differs" + where;
    uint32_t full = (1u << side) - 1;
    for (int32_t i = 0; i < side * side; ++i) {
        if (grid.values[i] != scratch->values[i]) return "digit of cell " + std::to_string(i) + where;
        if (scratch->values[i] == 0 && grid.candidates[i] != (static_cast<uint32_t>(scratch->cellKeys[i]) & full)) {
            return "candidates of cell " + std::to_string(i) + where;
        }
    }
    return "";
}

struct Tally {
    int32_t contradictions = 0;
    int32_t others = 0;
};

void expectSameOutcomes(const std::vector<OwnedBoard>& boards, uint32_t seed, Tally* tally) {
    std::mt19937 random(seed);
    for (size_t b = 0; b < boards.size(); ++b) {
        const Board* board = boards[b];
        Board* scratch = createBoard(board->context->boxOrder);
        CandidateGrid base = gridOf(board);
        for (const Trial& trial : trialsOf(board, random)) {
            std::string difference = compareTrial(board, base, scratch, trial.cell, trial.digit);
            ASSERT_EQ("", difference) << "board " << b << " seed " << seed;
            CandidateGrid probe;
            copyCandidateGrid(&base, &probe);
            bool contradicts = !placeCandidate(&probe, trial.cell, trial.digit) ||
                               propagateCandidates(&probe) == STATUS_CONTRADICTION;
            (contradicts ? tally->contradictions : tally->others) += 1;
        }
        destroyBoard(scratch);
    }
}

TEST(CandidatePropagation, EndsAsTheHeapModelOnBoardsOfRealSearches) {
    std::vector<OwnedBoard> boards;
    for (const char* file : {"known-counts-9x9.txt", "known-counts-16x16.txt", "known-counts-lloyd.txt"}) {
        std::vector<test::KnownCount> lines = readKnownCounts(file);
        ASSERT_FALSE(lines.empty()) << file;
        for (size_t i = 0; i < lines.size(); i += 3) {
            PuzzlePtr puzzle = puzzleFromText(lines[i].grid);
            collectSearchBoards(puzzle.get(), puzzle->boxOrder == 3 ? 40 : 6, &boards);
        }
    }
    ASSERT_GT(boards.size(), 250u);
    Tally tally;
    expectSameOutcomes(boards, 17, &tally);
    // Both outcomes must be common for the comparison to mean anything.
    EXPECT_GT(tally.contradictions, 1000);
    EXPECT_GT(tally.others, 1000);
}

TEST(CandidatePropagation, EndsAsTheHeapModelOnRandomBoardsOfEveryBoxOrder) {
    for (int32_t n = 2; n <= 5; ++n) {
        std::vector<OwnedBoard> boards;
        collectRandomBoards(n, n <= 3 ? 60 : 4, 100 + n, &boards);
        ASSERT_GT(boards.size(), 10u) << "box order " << n;
        Tally tally;
        expectSameOutcomes(boards, 200 + n, &tally);
        EXPECT_GT(tally.contradictions, 0) << "box order " << n;
        EXPECT_GT(tally.others, 0) << "box order " << n;
    }
}

// The sequential assumption method removes candidates from the board between
// trials, and a later trial may place a digit that an earlier one removed.
// Removals can empty a cell or the places of a digit in a unit; a placement
// can satisfy such a constraint again, as on the heaps.
TEST(CandidatePropagation, AgreesAfterRemovalsAndWhenPlacingARemovedCandidate) {
    std::vector<OwnedBoard> boards;
    collectRandomBoards(3, 40, 77, &boards);
    collectRandomBoards(4, 2, 78, &boards);
    std::mt19937 random(79);
    int32_t removedPlacements = 0;
    int32_t emptiedBases = 0;
    for (size_t b = 0; b < boards.size(); ++b) {
        Board* board = boards[b];
        int32_t side = sideOf(board);
        CandidateGrid base = gridOf(board);
        std::vector<Trial> removed;
        for (const Trial& trial : trialsOf(board, random)) {
            if (random() % 4 != 0) continue;
            eliminateCandidate(board, trial.cell % side, trial.cell / side, trial.digit);
            removeCandidate(&base, trial.cell, trial.digit);
            removed.push_back(trial);
        }
        for (int32_t cell = 0; cell < side * side; ++cell) {
            if (board->values[cell] == 0 && base.candidates[cell] == 0) ++emptiedBases;
        }
        std::vector<Trial> trials = trialsOf(board, random);
        trials.insert(trials.end(), removed.begin(), removed.end());
        removedPlacements += static_cast<int32_t>(removed.size());
        Board* scratch = createBoard(board->context->boxOrder);
        for (const Trial& trial : trials) {
            ASSERT_EQ("", compareTrial(board, base, scratch, trial.cell, trial.digit)) << "board " << b;
        }
        destroyBoard(scratch);
    }
    EXPECT_GT(removedPlacements, 100);
    EXPECT_GT(emptiedBases, 0);
}

// Removing all but one candidate of every cell of an empty 25x25 grid queues
// far more singles than the work stack holds; the overflow must lose none of
// them, and the grid must end where the heaps end.
TEST(CandidatePropagation, FindsEverySingleWhenTheWorkStackOverflows) {
    std::mt19937 random(11);
    for (int32_t kept : {625, 400}) {
        std::vector<int32_t> full = test::randomFullGrid(5, random);
        std::vector<int32_t> empty(625, 0);
        CandidateGrid grid;
        ASSERT_TRUE(loadCandidateGivens(&grid, 5, empty.data()));
        PuzzlePtr puzzle = puzzleFromCells(5, empty);
        OwnedBoard board = boardFromPuzzle(puzzle.get(), 1);
        for (int32_t cell = 0; cell < kept; ++cell) {
            for (int32_t d = 1; d <= 25; ++d) {
                if (d == full[cell]) continue;
                removeCandidate(&grid, cell, d);
                eliminateCandidate(board, cell % 25, cell / 25, d);
            }
        }
        EXPECT_TRUE(grid.pendingOverflow);
        int32_t expected = propagateSingles(board);
        ASSERT_EQ(expected, propagateCandidates(&grid)) << kept << " cells narrowed";
        for (int32_t i = 0; i < 625; ++i) ASSERT_EQ(board->values[i], grid.values[i]) << "cell " << i;
        if (kept == 625) {
            EXPECT_EQ(STATUS_SOLVED, expected);
            for (int32_t i = 0; i < 625; ++i) ASSERT_EQ(full[i], grid.values[i]) << "cell " << i;
        }
    }
}

TEST(CandidateGivens, LoadLikeTheHeapModelAndRefuseWhatItRefuses) {
    std::mt19937 random(5);
    for (int32_t n = 2; n <= 5; ++n) {
        int32_t side = n * n;
        for (int32_t g = 0; g < 20; ++g) {
            std::vector<int32_t> cells = randomGivens(n, side * side / 3, random);
            if (g % 5 == 0) cells[random() % cells.size()] = side + 1;
            if (g % 5 == 1) cells[random() % cells.size()] = -2;
            if (g % 5 == 2) {
                // A repeat in a row.
                cells[0] = 1;
                cells[side - 1] = 1;
            }
            PuzzlePtr puzzle = puzzleFromCells(n, cells);
            OwnedBoard board = boardFromPuzzle(puzzle.get(), 1);
            CandidateGrid grid;
            bool loaded = loadCandidateGivens(&grid, n, cells.data());
            ASSERT_EQ(board != nullptr, loaded) << "box order " << n << " grid " << g;
            if (board != nullptr) {
                CandidateGrid fromBoard = gridOf(board);
                EXPECT_EQ(fromBoard.remaining, grid.remaining);
                for (int32_t i = 0; i < side * side; ++i) {
                    ASSERT_EQ(fromBoard.values[i], grid.values[i]) << "cell " << i;
                    ASSERT_EQ(fromBoard.candidates[i], grid.candidates[i]) << "cell " << i;
                }
                EXPECT_EQ(propagateSingles(board), propagateCandidates(&grid));
            }
        }
    }
}

} // namespace
} // namespace numpl

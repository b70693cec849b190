// Owners for the records a test needs (boards with their own context,
// puzzles), so that a failed assertion leaks nothing, and checks that a board
// still describes one well-formed state.
#ifndef NUMPL_TESTS_SUPPORT_BOARDS_H
#define NUMPL_TESTS_SUPPORT_BOARDS_H

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "analysis/puzzle.h"
#include "candidates/candidate_grid.h"
#include "model/board.h"
#include "model/constraint_heap.h"

namespace numpl::test {

// An owner that releases an engine record through the engine's own destroy
// function, so that a failed assertion leaks nothing.
template <auto destroy> struct Destroyer {
    template <typename T> void operator()(T* record) const { destroy(record); }
};
template <typename T, auto destroy> using Owned = std::unique_ptr<T, Destroyer<destroy>>;

using PuzzlePtr = Owned<Puzzle, destroyPuzzle>;

// A puzzle of the grid's box order with the one-line grid as givens; empty
// for a line that does not parse.
PuzzlePtr puzzleFromText(const std::string& text);
PuzzlePtr puzzleFromCells(int32_t boxOrder, const std::vector<int32_t>& cells);

// A candidate grid with the givens of a one-line grid or of cells; nullptr
// for a line that does not parse or givens that repeat a digit in a unit.
std::unique_ptr<CandidateGrid> candidateGridFromText(const std::string& text);
std::unique_ptr<CandidateGrid> candidateGridFromCells(int32_t boxOrder, const std::vector<int32_t>& cells);

// A board and the context it alone uses, released together. Converts to the
// Board* the engine takes; empty (nullptr) when a load failed.
struct OwnedBoard {
    Board* board = nullptr;
    // Kept apart from board->context, which copyBoard overwrites with the
    // source's: the owner must still free its own context, and only that.
    SolveContext* ownContext = nullptr;

    OwnedBoard() = default;
    explicit OwnedBoard(int32_t boxOrder, int32_t threadCount = 1);
    ~OwnedBoard();
    OwnedBoard(OwnedBoard&& other) noexcept : board(other.board), ownContext(other.ownContext) {
        other.board = nullptr;
        other.ownContext = nullptr;
    }
    OwnedBoard& operator=(OwnedBoard&& other) noexcept;
    OwnedBoard(const OwnedBoard&) = delete;
    OwnedBoard& operator=(const OwnedBoard&) = delete;

    Board* operator->() const { return board; }
    operator Board*() const { return board; }
};

// A fresh board with every cell counted as open, as propagation and the
// finders expect of a board in play.
OwnedBoard openBoard(int32_t boxOrder);

// The givens loaded onto a fresh board; empty when the load fails.
OwnedBoard boardFromPuzzle(Puzzle* puzzle, int32_t threadCount);

// A second board with the same state and a context of its own with the given
// thread count, so two copies can run the assumption method differently.
OwnedBoard cloneBoard(const Board* source, int32_t threadCount);

// The board stack a search runs on: N*N+2 boards, the bottom one with a
// context of its own that the search hands on to the others.
struct SearchStack {
    std::vector<Board*> boards;
    SolveContext* shared = nullptr;

    explicit SearchStack(int32_t boxOrder, int32_t threadCount = 1);
    ~SearchStack();
    SearchStack(const SearchStack&) = delete;
    SearchStack& operator=(const SearchStack&) = delete;

    SolveContext* context() const { return shared; }
    Board* operator[](size_t depth) const { return boards[depth]; }
    Board** data() { return boards.data(); }
};

inline int32_t sideOf(const Board* board) { return board->context->boxOrder * board->context->boxOrder; }

// Whether digit d is still a candidate of cell (c, r), read from cellKeys.
inline bool hasCandidate(const Board* board, int32_t c, int32_t r, int32_t d) {
    return (board->cellKeys[sideOf(board) * r + c] >> (d - 1) & 1) != 0;
}

// Leaves exactly `digits` as the candidates of cell (c, r), through the
// engine's own eliminations.
void keepOnly(Board* board, int32_t c, int32_t r, std::initializer_list<int32_t> digits);

// Places about `percent` % of the solution's cells as givens.
void placeSomeOf(Board* board, const std::vector<int32_t>& solution, std::mt19937& random, uint32_t percent);

// Random play from a loaded board: singles propagated, a copy of each
// stalled state (with a one-thread context) appended to `stalled`, then one
// random candidate placed, until the board is solved or contradicts.
void playRandomly(Board* board, std::mt19937& random, std::vector<OwnedBoard>* stalled);

// Every open cell still has its digit of `solution` as a candidate: what a
// sound deduction keeps.
::testing::AssertionResult keepsSolution(const Board* board, const std::vector<int32_t>& solution);

// Sentinels, index inverse on slots 1..count, no stray positions, heap order.
::testing::AssertionResult heapIsConsistent(const ConstraintHeap* heap);

// What every key of a board must look like. An open key is count*2^N + mask
// with count the number of mask bits. A satisfied key started at 2147483647
// and lost one count unit per mask bit cleared since, so it is determined by
// its mask alone and always stays above 0x3FFFFFFF.
::testing::AssertionResult keyIsWellFormed(int32_t key, int32_t side);

// Four full heaps of N*N ids, cellKeys mirroring the cell heap, well-formed
// keys, and a placed digit exactly where the cell constraint is satisfied.
::testing::AssertionResult boardIsConsistent(const Board* board);

// Heaps equal in count and in all capacity+2 entries of their three arrays.
::testing::AssertionResult heapsIdentical(const ConstraintHeap* a, const ConstraintHeap* b);

// Same context, remaining, values, stages, cellKeys and heaps byte for byte.
::testing::AssertionResult boardsIdentical(const Board* a, const Board* b);

// Empty when two boards (of any contexts) agree in every field a later
// operation can read: values, cellKeys, remaining, each heap's live slots and
// index; otherwise the first difference.
std::string boardDifference(const Board* a, const Board* b);

} // namespace numpl::test

#endif

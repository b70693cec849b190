// Small helpers for the technique tests: a board with its own context, and
// ways to carve candidate patterns into it through the real eliminations.
#ifndef NUMPL_TESTS_TECHNIQUE_TEST_SUPPORT_H
#define NUMPL_TESTS_TECHNIQUE_TEST_SUPPORT_H

#include <algorithm>
#include <cstdint>
#include <random>
#include <initializer_list>
#include <utility>
#include <vector>

#include "analysis/puzzle.h"
#include "model/board.h"
#include "model/placement.h"
#include "../model/board_checks.h"

namespace numpl::testing_support {

// The model tests' board owner, with every cell counted as open so that
// propagation and the finders see a board in play.
struct OwnedBoard : test::OwnedBoard {
    explicit OwnedBoard(int32_t n) : test::OwnedBoard(n) { board->remaining = n * n * n * n; }
};

inline int32_t sideOf(const Board* board) { return board->context->boxOrder * board->context->boxOrder; }

inline bool hasCandidate(const Board* board, int32_t c, int32_t r, int32_t d) {
    return (board->cellKeys[sideOf(board) * r + c] >> (d - 1) & 1) != 0;
}

// Leaves exactly `digits` as the candidates of cell (c, r).
inline void keepOnly(Board* board, int32_t c, int32_t r, std::initializer_list<int32_t> digits) {
    for (int32_t d = 1; d <= sideOf(board); ++d) {
        bool keep = false;
        for (int32_t k : digits) keep = keep || k == d;
        if (!keep) eliminateCandidate(board, c, r, d);
    }
}

// Every (column, row) pair of the grid, row by row.
inline std::vector<std::pair<int32_t, int32_t>> allCells(int32_t side) {
    std::vector<std::pair<int32_t, int32_t>> cells;
    for (int32_t r = 0; r < side; ++r) {
        for (int32_t c = 0; c < side; ++c) cells.emplace_back(c, r);
    }
    return cells;
}

// A valid completed grid of box order n, digits relabelled by `perm`
// (perm[v] for v = 0..N-1 gives the digit 1..N). Row r is the base row shifted
// by n*(r mod n) + r div n, which keeps every row, column and box a
// permutation.
inline std::vector<int32_t> patternSolution(int32_t n, const std::vector<int32_t>& perm) {
    int32_t side = n * n;
    std::vector<int32_t> grid(side * side);
    for (int32_t r = 0; r < side; ++r) {
        for (int32_t c = 0; c < side; ++c) grid[r * side + c] = perm[(n * (r % n) + r / n + c) % side];
    }
    return grid;
}

// A random relabelling of the pattern grid of box order n.
inline std::vector<int32_t> randomSolution(int32_t n, std::mt19937& rng) {
    std::vector<int32_t> perm(n * n);
    for (int32_t v = 0; v < n * n; ++v) perm[v] = v + 1;
    std::shuffle(perm.begin(), perm.end(), rng);
    return patternSolution(n, perm);
}

// Places about `percent` % of the solution's cells as givens.
inline void placeSomeOf(Board* board, const std::vector<int32_t>& solution, std::mt19937& rng, uint32_t percent) {
    int32_t side = sideOf(board);
    for (int32_t i = 0; i < side * side; ++i) {
        if (rng() % 100 >= percent) continue;
        placeDigit(board, i % side, i / side, solution[i]);
        --board->remaining;
    }
}

// Plain backtracking over a row-major grid (0 = empty): fills `grid` with the
// first solution in cell order and returns true, or returns false. Written
// without any of the engine so that it can judge the engine.
inline bool solveByBacktracking(int32_t n, std::vector<int32_t>& grid, int32_t from = 0) {
    int32_t side = n * n;
    while (from < side * side && grid[from] != 0) ++from;
    if (from == side * side) return true;
    int32_t r = from / side;
    int32_t c = from % side;
    for (int32_t d = 1; d <= side; ++d) {
        bool free = true;
        for (int32_t i = 0; i < side && free; ++i) {
            int32_t br = n * (r / n) + i / n;
            int32_t bc = n * (c / n) + i % n;
            free = grid[r * side + i] != d && grid[i * side + c] != d && grid[br * side + bc] != d;
        }
        if (!free) continue;
        grid[from] = d;
        if (solveByBacktracking(n, grid, from + 1)) return true;
    }
    grid[from] = 0;
    return false;
}

} // namespace numpl::testing_support

#endif

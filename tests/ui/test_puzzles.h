// Small fixed grids for the UI tests, checked by hand beforehand: the 9x9
// puzzle has exactly one solution, SOLUTION_9, which is a valid grid that
// agrees with every given.
#ifndef NUMPL_TESTS_UI_TEST_PUZZLES_H
#define NUMPL_TESTS_UI_TEST_PUZZLES_H

#include <vector>

namespace numpl::test {

inline std::vector<int> digitsOf(const char* rows) {
    std::vector<int> cells;
    for (const char* p = rows; *p != '\0'; ++p) cells.push_back(*p == '.' ? 0 : *p - '0');
    return cells;
}

inline const char UNIQUE_9[] =
    "53..7...."
    "6..195..."
    ".98....6."
    "8...6...3"
    "4..8.3..1"
    "7...2...6"
    ".6....28."
    "...419..5"
    "....8..79";

inline const char SOLUTION_9[] =
    "534678912"
    "672195348"
    "198342567"
    "859761423"
    "426853791"
    "713924856"
    "961537284"
    "287419635"
    "345286179";

// No repeated digit, yet no solution: row 0 needs N in its last cell, and
// the last column already has N in row 1 (a different row, and a box of
// its own digits). Cells of an N x N grid.
inline std::vector<int> noSolutionGrid(int side) {
    std::vector<int> cells(static_cast<size_t>(side * side), 0);
    for (int c = 0; c < side - 1; ++c) cells[static_cast<size_t>(c)] = c + 1;
    cells[static_cast<size_t>(side + side - 1)] = side;
    return cells;
}

// Few givens, no repeated digit, no solution in a 25x25 grid: row 0 has no
// place left for a 1. The 1s in rows 1 to 4 close boxes 0 to 3 to it, the 1s
// in columns 20 to 23 (boxes 9, 14, 19, 24) close four cells of box 4, and a
// 2 fills the fifth. The last cell in scan order is (row 20, column 23).
inline std::vector<int> noRoomForOne25() {
    std::vector<int> cells(625, 0);
    for (int b = 0; b < 4; ++b) cells[static_cast<size_t>((b + 1) * 25 + b * 5)] = 1;
    for (int i = 0; i < 4; ++i) cells[static_cast<size_t>((5 + 5 * i) * 25 + 20 + i)] = 1;
    cells[24] = 2;
    return cells;
}

} // namespace numpl::test

#endif

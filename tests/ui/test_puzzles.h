// Fixed grids for the UI tests. The small ones were checked by hand
// beforehand: the 9x9 puzzle has exactly one solution, SOLUTION_9, which is a
// valid grid that agrees with every given.
#ifndef NUMPL_TESTS_UI_TEST_PUZZLES_H
#define NUMPL_TESTS_UI_TEST_PUZZLES_H

#include <vector>

#include "support/grids.h"

namespace numpl::test {

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

// Two solutions, which differ in a few cells.
inline const char TWO_9[] = "....7....6..195....98....6.8...6...34..8.3..17...2...6.6....28....419..5....8..79";

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

// A minimal 25x25 puzzle (one of Alain Frisch's, as the Gecode examples carry
// it): one solution, and its analysis takes minutes, so one that is started
// is still running whenever a test needs it to be.
inline const char HARD_25[] =
    "...G...9..4.....6F..L8...CEIN.HDM.OF.1L..A..9PJ.4......A...L..JBN.2.D.1...HP49...JB23.AD..7E..C5F...A1H....F.N5....I.BL...26."
    "....7..C.6...H4B..1....I5.F.P...I..B..7.5.L...9....L6A...5OF.8P...K.NE..734B2.E..L...1J.5....O7.K.APO.5.CB1.P....3EM....2L.H."
    "2..MJ.A...9.3.7......P.8C.....CF.DPG62N.E...OH.M.J.DL..OM..IE.B8..NH...3..K.CO1F.B.N.AH..P.78.JE...DE..6.....H......4M.KIB9.."
    "N.J..6......C..1.5.G..H.....75LG...6..1..CI..4.E..9K..6.....HGN.O2P.4.......OA..IP849...2.K3...7GN....G....N...P.D9....A...C1"
    "J...M.NAFE.4..23.7....8L......J.H9CD1LP..GO....4ME48NK..5.M......JL.......9.I.OG....835.A.DH..P.....35......L.J..E....8IG.67B";

} // namespace numpl::test

#endif

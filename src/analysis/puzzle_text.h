// Puzzles as text. parsePuzzleText and formatGrid handle the exact one-line
// form the benchmarks and tests use: N*N characters row by row, '.' or '0' for
// an empty cell, '1'-'9' for 1-9 and 'A'-'P' (either case) for 10-25.
// readPuzzleText is the forgiving reader behind the window's paste, open and
// drop and behind numpl-analyse: one-line or one-row-per-line grids, with
// separators, comments, names after the grid, and numbers for the big sizes.
#ifndef NUMPL_ANALYSIS_PUZZLE_TEXT_H
#define NUMPL_ANALYSIS_PUZZLE_TEXT_H

#include <cstddef>
#include <cstdint>

#include "analysis/puzzle.h"

namespace numpl {

// Reads a line (without its line end) into cells[N*N]. Returns the box order
// 2..5, or 0 with *error set to a short reason for a length that is not 16,
// 81, 256 or 625 or a character outside the alphabet. Digits above N (a 'G'
// in a 9x9 grid) are read as they stand; loading them fails later.
int32_t parsePuzzleText(const char* text, size_t length, int32_t* cells, const char** error);

enum PuzzleTextError : int32_t {
    TEXT_OK = 0,
    TEXT_NO_PUZZLE,    // nothing but blanks, comments and separators
    TEXT_BAD_LENGTH,   // the first content line is neither a row (4, 9, 16, 25) nor a grid (16, 81, 256, 625)
    TEXT_SHORT_ROW,    // a row line has fewer cells than the first
    TEXT_LONG_ROW,     // a row line has more cells than the first
    TEXT_MISSING_ROWS, // the text ended after `count` of the `side` rows
    TEXT_BAD_NUMBER,   // a number above the grid's largest digit
};

struct PuzzleTextResult {
    int32_t boxOrder; // 2..5 when error is TEXT_OK, else 0
    PuzzleTextError error;
    int32_t line;   // 1-based line of the input the error is on (0 if none)
    int32_t row;    // 1-based grid row, when it applies
    int32_t column; // 1-based grid column, when it applies
    int32_t value;  // the offending number, when it applies
    int32_t count;  // the cell or row count the error speaks of
    int32_t side;   // N of the grid being read (0 if not known yet)
};

// Reads the first puzzle of `text` (UTF-8, not NUL-terminated, any length)
// into cells[N*N]; cells must hold MAX_CELLS ints, and what lies beyond N*N
// afterwards is unspecified. A first content line of 81, 256 or 625 cells, or
// whose first word alone holds that many, is the whole puzzle; 16 cells are a 4x4 puzzle unless the next content line
// also has 16; otherwise the first line is row 1 of an N x N grid and the next
// N-1 content lines are its other rows. Everything after the puzzle is
// ignored. Blanks and '|', '-', '+' separate; '.', '0', '_', '*' are empty
// cells; '#' starts a comment; a blank-separated word holding any other
// character ends its line. A two-digit word on the first content line makes
// every word a decimal number (0 = empty), for 16x16 and 25x25 grids, unless
// only the characters give that line a row's or a grid's count. Linear in the
// length, never allocates.
PuzzleTextResult readPuzzleText(const char* text, size_t length, int32_t* cells);

// An English one-line reason for a failed result, NUL-terminated and cut to
// at most `size` bytes (nothing is written when size is 0).
void describePuzzleTextError(const PuzzleTextResult& result, char* out, size_t size);

// The first cell, in reading order, whose digit already appears in an earlier
// cell of its row, column or box: true with *cell = its index (r*N+c) and
// *earlier = the lowest index of such an earlier cell. False when no digit
// repeats. Values outside 1..N are not digits here and never repeat.
bool findRepeatedDigit(int32_t boxOrder, const int32_t* cells, int32_t* cell, int32_t* earlier);

// Copies cells[N*N] into the puzzle's givens; the box orders must match.
void setGivens(Puzzle* puzzle, const int32_t* cells);

// The character that the one-line form writes for a cell value: '.' for 0,
// '1'-'9', then 'A'-'P' for 10-25; '?' for anything else.
char digitSymbol(int32_t value);

// Writes an N x N grid as N*N characters and a terminating NUL into out,
// which holds at least N*N+1 characters. 0 becomes '.'.
void formatGrid(int32_t boxOrder, int32_t* const* grid, char* out);

} // namespace numpl

#endif

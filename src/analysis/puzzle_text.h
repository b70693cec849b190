// The one-line text form of a grid used by the command-line analyser, the
// benchmarks and the tests: N*N characters row by row, '.' or '0' for an empty
// cell, '1'-'9' for 1-9 and 'A'-'P' (either case) for 10-25.
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

// Copies cells[N*N] into the puzzle's givens; the box orders must match.
void setGivens(Puzzle* puzzle, const int32_t* cells);

// Writes an N x N grid as N*N characters and a terminating NUL into out,
// which holds at least N*N+1 characters. 0 becomes '.'.
void formatGrid(int32_t boxOrder, int32_t* const* grid, char* out);

} // namespace numpl

#endif

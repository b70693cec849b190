// The only operations that change a board's constraints: one elimination per
// constraint family, the fixed sequence of eliminations a placement entails,
// and the placement itself. Keeping every change here keeps the four heaps and
// cellKeys in agreement.
#ifndef NUMPL_MODEL_PLACEMENT_H
#define NUMPL_MODEL_PLACEMENT_H

#include <cstdint>

#include "model/board.h"

namespace numpl {

// Each removes one option from one constraint of the candidate (c, r, d) and
// returns the option's bit when it was still present, 0 when it was gone.
//   eliminateCell         cell N*r+c, bit d-1 (and cellKeys of the cell)
//   eliminateRowDigit     row-digit N*r+d-1, bit c
//   eliminateColumnDigit  column-digit N*c+d-1, bit r
//   eliminateBoxDigit     box-digit N*b+d-1, bit j (position in the box)
int32_t eliminateCell(Board* board, int32_t c, int32_t r, int32_t d);
int32_t eliminateRowDigit(Board* board, int32_t c, int32_t r, int32_t d);
int32_t eliminateColumnDigit(Board* board, int32_t c, int32_t r, int32_t d);
int32_t eliminateBoxDigit(Board* board, int32_t c, int32_t r, int32_t d);

// Removes candidate (c, r, d) from the board as a whole: the four eliminations
// above in family order. Returns the OR of their removed bits, nonzero when
// any of the four constraints still had the option.
int32_t eliminateCandidate(Board* board, int32_t c, int32_t r, int32_t d);

// eliminateCandidate of digit d in each listed cell (id N*r + c), in list
// order, so the heaps end exactly as after one call per cell. Returns the OR
// of the removed bits.
int32_t eliminateCandidateInCells(Board* board, const int32_t* cells, int32_t count, int32_t d);

// Every elimination that digit d at (c, r) entails, in the fixed order that
// decides later heap tie-breaks.
void eliminatePeers(Board* board, int32_t c, int32_t r, int32_t d);

// Writes d into the cell, eliminates its peers and gives the four constraints
// it satisfies the satisfied key. Does not change remaining.
void placeDigit(Board* board, int32_t c, int32_t r, int32_t d);

} // namespace numpl

#endif

// A compact second view of a board for the work that only asks yes/no
// questions or counts: per-cell candidate masks, the digits placed in every
// row, column and box, and how many open cells of each unit can still take
// each digit. Singles propagation here is unit propagation over the same four
// "exactly one" constraint families as the heap model, so it reaches a
// contradiction exactly when the heap model's propagation does, in whatever
// order the singles are placed; it is built for speed, not for the order in
// which the heap model finds things.
#ifndef NUMPL_CANDIDATES_CANDIDATE_GRID_H
#define NUMPL_CANDIDATES_CANDIDATE_GRID_H

#include <cstdint>

#include "core/solve_context.h"

namespace numpl {

// Units are numbered rows 0..N-1, columns N..2N-1, boxes 2N..3N-1.
constexpr int32_t MAX_UNITS = 3 * MAX_SIDE;
// 64-bit words of a set of cells: 10 for the 625 cells of a 25x25 grid.
constexpr int32_t MAX_CELL_WORDS = (MAX_CELLS + 63) / 64;
// Work items: cells (id = cell) and unit-digit pairs (id = cells + unit*N +
// digit index, i.e. cells + the pair's index in `places`). The stack holds a
// few hundred at most in practice; should it fill up, the grid notes the
// overflow and the next propagation rescans every cell and unit-digit pair
// instead, which finds the same singles.
constexpr int32_t PENDING_CAPACITY = 512;
// The first placements of a propagation are logged for the assumption
// method; one that places more is read off the grid instead.
constexpr int32_t PLACED_LOG_SIZE = 128;

// Population count without relying on the POPCNT instruction, which the
// Windows build does not assume: the compiler's fallback is a library call.
inline int32_t bitCount(uint32_t mask) {
    mask = mask - ((mask >> 1) & 0x55555555u);
    mask = (mask & 0x33333333u) + ((mask >> 2) & 0x33333333u);
    mask = (mask + (mask >> 4)) & 0x0F0F0F0Fu;
    return static_cast<int32_t>((mask * 0x01010101u) >> 24);
}

// Exactly two bits set.
inline bool hasTwoBits(uint32_t mask) {
    uint32_t rest = mask & (mask - 1);
    return rest != 0 && (rest & (rest - 1)) == 0;
}

// The geometry of one box order, built once for the process.
struct CandidateShape {
    int32_t boxOrder;
    int32_t side;
    int32_t cellCount;
    int32_t unitCount;
    int32_t cellWords;                         // 64-bit words of a cell set
    uint32_t fullMask;                         // the low N bits
    uint16_t cellUnits[MAX_CELLS][3];          // row, column and box unit of a cell
    uint16_t cellPlaces[MAX_CELLS][3];         // the same units times N: where their place counts start
    uint16_t unitCells[MAX_UNITS][MAX_SIDE];   // cells of a unit; boxes row by row
    uint64_t peerMasks[MAX_CELLS][MAX_CELL_WORDS]; // every other cell of the cell's three units
    uint64_t unitMasks[MAX_UNITS][MAX_CELL_WORDS]; // the cells of a unit
    uint8_t unitFirstWords[MAX_UNITS];             // the word of a unit's first cell
};

// The shape of box order 2..5; the tables are filled before main runs.
const CandidateShape* candidateShape(int32_t boxOrder);

// Digit d is bit d-1 everywhere. A placed cell has candidates 0 and its digit
// in values; an open cell has values 0. Only the first N^2 cells, 3N units
// and 3N^2 unit-digit counts are in use, and only those are copied.
struct CandidateGrid {
    const CandidateShape* shape;
    int32_t remaining;                      // open cells
    int32_t pendingCount;                   // items waiting to be looked at
    int32_t placedCount;                    // cells placed since the grid was loaded or copied into
    bool pendingOverflow;                   // some item did not fit: rescan before stopping
    uint32_t placed[MAX_UNITS];             // digits placed in each unit
    uint32_t candidates[MAX_CELLS];         // candidates of each open cell
    uint8_t values[MAX_CELLS];              // placed digit, 0 when open
    uint8_t places[MAX_UNITS * MAX_SIDE];   // unit u, digit index k at u*N + k: open cells of u that take it
    // Digit index k at k*words: the open cells that still have the digit, one
    // bit a cell, so that a placement finds the peers it affects with a few
    // word operations instead of a look at every peer.
    uint64_t digitCells[MAX_SIDE * MAX_CELL_WORDS];
    uint16_t pending[PENDING_CAPACITY];     // cells and unit-digit pairs that may be singles or empty
    uint16_t placedLog[PLACED_LOG_SIZE];    // the first of those cells, in the order they were placed
};

// Builds the grid from a board's digits and cell keys (N^2 entries each, in
// cell order): a cell with a digit is placed, an open cell keeps the low N
// bits of its key. Every cell and unit-digit pair that already has one option
// or none is queued, so the next propagation sees what the board holds.
void loadCandidateGrid(CandidateGrid* grid, int32_t boxOrder, const int32_t* values, const int32_t* cellKeys);

// The same from a grid of givens (N^2 values in cell order, 0 = empty) on an
// empty grid: false when a given is outside 1..N or is no longer a candidate
// of its cell (it repeats an earlier given of its row, column or box).
bool loadCandidateGivens(CandidateGrid* grid, int32_t boxOrder, const int32_t* givens);

// True when loadCandidateGrid with these arguments would give the grid the
// same digits and candidates: the grid is then, for propagation, the one the
// board describes. Reads only the grid's box order and first N^2 cells.
bool sameCandidates(const CandidateGrid* grid, int32_t boxOrder, const int32_t* values, const int32_t* cellKeys);

// dst takes src's state; only the parts in use for src's box order are copied.
void copyCandidateGrid(const CandidateGrid* src, CandidateGrid* dst);

// Puts digit (1..N) into an open cell, whether or not it is still one of the
// cell's candidates, as the heap model's placement does: the cell's unit-digit
// constraints are satisfied and the digit leaves every peer. False when that
// leaves an open cell or an unsatisfied unit-digit pair without options (the
// grid is then to be discarded); new singles are queued, not placed.
bool placeCandidate(CandidateGrid* grid, int32_t cell, int32_t digit);

// Removes one candidate of an open cell, queueing what may have become a
// single or empty; nothing when it is already gone.
void removeCandidate(CandidateGrid* grid, int32_t cell, int32_t digit);

// Places every queued single and every single it leads to. STATUS_CONTRADICTION
// when some open cell or unsatisfied unit-digit pair runs out of options,
// otherwise STATUS_SOLVED (no open cell) or STATUS_STALLED. After a
// contradiction the grid is to be discarded.
int32_t propagateCandidates(CandidateGrid* grid);

} // namespace numpl

#endif

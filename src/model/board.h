// The solver's working state for one grid: the digit in every cell and four
// families of constraints, each in its own ConstraintHeap. The search keeps a
// stack of these and the assumption method one per thread, so creation is
// rare and copying is the hot operation.
#ifndef NUMPL_MODEL_BOARD_H
#define NUMPL_MODEL_BOARD_H

#include <cstdint>

#include "core/solve_context.h"
#include "model/constraint_heap.h"
#include "model/geometry.h"

namespace numpl {

// Packed key of a constraint over N options:
//
//   bit 31  30 ...      N | N-1 ...  0
//       0   count of options | option mask
//
// so key = count * 2^N + mask and comparing keys compares first the number of
// options, then the mask. Key 0 has no option left. A placement gives the
// constraints it satisfies SATISFIED_KEY; later eliminations may clear its
// mask bits and lower its count, but never down to SATISFIED_LIMIT, so any key
// above the limit (bit 30 or 31 set) is a satisfied constraint.
constexpr int32_t SATISFIED_KEY = 2147483647;
constexpr int32_t SATISFIED_LIMIT = 0x3FFFFFFF;
constexpr uint32_t SATISFIED_BITS = 0xC0000000u;

inline bool isSatisfiedKey(int32_t key) { return (static_cast<uint32_t>(key) & SATISFIED_BITS) != 0; }

// The stage that placed each cell, so that the first solution can show where
// the difficulty lies. The singles loop records the stage of the logic step
// it runs for, the search records its branches and the load its givens; the
// assumption method's trials place nothing on the board itself.
constexpr int8_t STAGE_OPEN = 0;    // not placed yet
constexpr int8_t STAGE_SINGLES = 1; // a single before any technique ran
constexpr int8_t STAGE_LOCKED = 2;  // a single after locked candidates
constexpr int8_t STAGE_PAIRS = 3;   // a single after pairs and triples
constexpr int8_t STAGE_TRIAL = 4;   // a single after the trial placement
constexpr int8_t STAGE_BRANCH = 5;  // the candidate a branch of the search placed
constexpr int8_t STAGE_GIVEN = 6;   // a given

// Constraint ids per family (digit d is 1-based):
//   cell         N*r + c       bit d-1: d is still a candidate of the cell
//   row-digit    N*r + d-1     bit c:   column c of row r can still take d
//   column-digit N*c + d-1     bit r:   row r of column c can still take d
//   box-digit    N*b + d-1     bit j:   position j of box b can still take d
//
// The per-cell arrays share one block, the stages padded to whole words, so
// that the digits and their stages go over in one copy:
//
//   | values: N*N int32 | stages: N*N int8, padded | cellKeys: N*N int32 |
struct Board {
    int32_t* values;                 // N*N digits, index N*r + c; 0 = open (front of one block)
    int8_t* stages;                  // N*N STAGE_* by cell, beside the digits they explain
    int32_t* cellKeys;               // N*N cell keys by cell id (back of the same block)
    ConstraintHeap* cellHeap;        // cell constraints
    ConstraintHeap* rowDigitHeap;    // row-digit constraints
    ConstraintHeap* columnDigitHeap; // column-digit constraints
    ConstraintHeap* boxDigitHeap;    // box-digit constraints
    int32_t remaining;               // open cells; callers of placeDigit keep it
    SolveContext* context;           // the analysis this board belongs to; not owned
};

// The heap of one constraint family (FAMILY_CELL .. FAMILY_BOX_DIGIT, in the
// order of every table of the four).
inline ConstraintHeap* heapOf(const Board* board, int32_t family) {
    switch (family) {
    case FAMILY_CELL: return board->cellHeap;
    case FAMILY_ROW_DIGIT: return board->rowDigitHeap;
    case FAMILY_COLUMN_DIGIT: return board->columnDigitHeap;
    default: return board->boxDigitHeap;
    }
}

// N * 2^N + (2^N - 1): the key of a constraint with all N options.
int32_t fullKey(int32_t boxOrder);

// A board of box order n with every cell open (STAGE_OPEN) and every key full, no context
// and remaining 0; heap slot k holds id k-1. Running out of memory prints
// "Failed to allocate memory\n" on standard error and aborts.
Board* createBoard(int32_t boxOrder);

// dst takes src's state: context, remaining, values with their stages, cellKeys (when the
// context's copyCellKeys is 1 or primaryTechniques is 0) and the four heaps.
// Flat copies only; both boards of one box order.
void copyBoard(const Board* src, Board* dst);

// Releases the board and what it owns, not its context. Nothing when none.
void destroyBoard(Board* board);

// Places the givens of an N x N grid (row pointers, 0 = empty) row by row,
// each as STAGE_GIVEN.
// 1 on success with remaining = open cells; 0 at the first given outside 1..N
// or one that an earlier given excludes, and the board is then to be
// discarded. The window may rewrite the grid while an analysis that is about
// to be cancelled reads it, so each given is read with a relaxed atomic load.
int32_t placeGivens(Board* board, int32_t* const* givens);

// Writes the placed digits (1..N) into an N x N grid; open cells leave
// theirs as they are.
void readPlacedDigits(const Board* board, int32_t* const* grid);

// Writes the stage of every cell into an N x N grid, open cells included.
void readStages(const Board* board, int32_t* const* grid);

} // namespace numpl

#endif

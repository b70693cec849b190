// Singles: a constraint with exactly one option left. Because each family is a
// min-heap by packed key, a family's single, if any, is at its root, so each
// finder reads one root and never scans.
#ifndef NUMPL_MODEL_SINGLES_H
#define NUMPL_MODEL_SINGLES_H

#include <cstdint>

#include "model/board.h"

namespace numpl {

// A finder looks at the root of its family's heap. It returns
//   STATUS_CONTRADICTION  the root key is 0, or the root is satisfied (so is
//                         every constraint of the family); nothing written
//   STATUS_SINGLE         the root has one option, written to column/row/digit
//   2..N                  the root's option count; its lowest option written
using SinglesFinder = int32_t (*)(Board* board, int32_t* column, int32_t* row, int32_t* digit);

int32_t findCellSingle(Board* board, int32_t* column, int32_t* row, int32_t* digit);
int32_t findRowSingle(Board* board, int32_t* column, int32_t* row, int32_t* digit);
int32_t findColumnSingle(Board* board, int32_t* column, int32_t* row, int32_t* digit);
int32_t findBoxSingle(Board* board, int32_t* column, int32_t* row, int32_t* digit);

// Cell singles first, then hidden singles of rows, columns and boxes: every
// placement restarts the scan here, so a naked single always beats a hidden one.
extern const SinglesFinder singlesFinders[4];

// What a singles loop learns for a branch: the lowest option of the most
// constrained root that the finders reported since the last placement (a
// tie between families goes to the earlier finder), or the last placement
// when none came after it. best is that root's option count, N+1 right after
// a placement.
struct SinglesChoice {
    int32_t column;
    int32_t row;
    int32_t digit;
    int32_t best;
};

// The one singles loop: runs the finders in table order, places every single
// (placeDigit, its stage recorded, remaining - 1, and *placed + 1 when given)
// and starts again from the first finder after each. STATUS_CONTRADICTION as soon as a finder
// reports one, which includes a board with every cell placed; otherwise
// STATUS_STALLED once all four report a count. A choice, when given, is kept
// up to date as described above.
int32_t placeSingles(Board* board, int8_t stage, int32_t* placed, SinglesChoice* choice);

// Places singles until none is left. STATUS_SOLVED when no open cell remains,
// STATUS_CONTRADICTION when a finder found one, STATUS_STALLED otherwise.
// Decreases remaining per placement and records STAGE_SINGLES; touches no
// counter.
int32_t propagateSingles(Board* board);

} // namespace numpl

#endif

// Locked candidates (technique family A): a digit whose places in a row,
// column or box all lie where that unit crosses another unit is removed from
// the rest of the crossing unit.
#ifndef NUMPL_TECHNIQUES_LOCKED_CANDIDATES_H
#define NUMPL_TECHNIQUES_LOCKED_CANDIDATES_H

#include <cstdint>

#include "techniques/technique.h"

namespace numpl {

// Heap-scanning forms: visit heap slots 1, 2, ... reading keys in place, and
// stop after the first slot that holds a satisfied constraint.
int32_t lockedCandidatesRows(Board* board);
int32_t lockedCandidatesColumns(Board* board);
int32_t lockedCandidatesBoxes(Board* board);

// Key-array forms: the same deductions visiting constraint ids 0, 1, ... and
// stopping at the first key that is 0.
int32_t lockedCandidatesRowsById(Board* board);
int32_t lockedCandidatesColumnsById(Board* board);
int32_t lockedCandidatesBoxesById(Board* board);

// Slots 1-3 are the heap forms (rows, columns, boxes), slots 4-6 the key-array
// forms; a context's primaryTechniques picks which half the logic step runs.
extern const Technique techniqueFamilyA[6];

} // namespace numpl

#endif

// Naked pairs and triples (technique family C): k open cells of a unit whose
// candidates together are exactly k digits claim those digits, which leave the
// unit's other cells; fewer than k digits is a contradiction.
#ifndef NUMPL_TECHNIQUES_PAIRS_TRIPLES_H
#define NUMPL_TECHNIQUES_PAIRS_TRIPLES_H

#include <cstdint>

#include "techniques/technique.h"

namespace numpl {

int32_t nakedPairsRows(Board* board);
int32_t nakedPairsColumns(Board* board);
int32_t nakedPairsBoxes(Board* board);
int32_t nakedTriplesRows(Board* board);
int32_t nakedTriplesColumns(Board* board);
int32_t nakedTriplesBoxes(Board* board);

// Pairs before triples, and rows, columns, boxes within each: cheaper and more
// frequent deductions first.
extern const Technique techniqueFamilyC[6];

} // namespace numpl

#endif

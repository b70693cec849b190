// The common shape of a deduction technique: it takes a board, removes
// candidates through the eliminations and reports STATUS_PROGRESS,
// STATUS_NO_CHANGE or (pairs and triples only) STATUS_CONTRADICTION.
#ifndef NUMPL_TECHNIQUES_TECHNIQUE_H
#define NUMPL_TECHNIQUES_TECHNIQUE_H

#include <cstdint>

#include "model/board.h"

namespace numpl {

using Technique = int32_t (*)(Board* board);

} // namespace numpl

#endif

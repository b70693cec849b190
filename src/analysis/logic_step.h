// One logic step: singles, then locked candidates, pairs and triples and the
// assumption method, each stage followed by the singles it enables, crediting
// every placement to the counter of the stage that made it possible.
#ifndef NUMPL_ANALYSIS_LOGIC_STEP_H
#define NUMPL_ANALYSIS_LOGIC_STEP_H

#include <cstdint>

#include "model/board.h"

namespace numpl {

// STATUS_SOLVED (no open cell), STATUS_CONTRADICTION, or STATUS_PROGRESS with
// the branch choice (lowest candidate of the most constrained constraint of
// the final board) in column/row/digit.
int32_t logicStep(Board* board, int32_t* column, int32_t* row, int32_t* digit);

} // namespace numpl

#endif

// The logic step: stages of increasing cost, each followed by the singles it
// enables, until the board is solved, contradicts or needs a branch. The
// counters it credits are the difficulty figures of the analysis.
#include "analysis/logic_step.h"

#include "analysis/assumption.h"
#include "model/placement.h"
#include "model/singles.h"
#include "techniques/locked_candidates.h"
#include "techniques/pairs_triples.h"

namespace numpl {

namespace {

// Places singles, crediting each to *counter and recording it as `stage`,
// until none is left. Every
// placement restarts at the cell finder with a fresh best, so the choice left
// behind names the most constrained constraint of the final board; a strict
// comparison lets the earlier finder win a tie between heaps.
int32_t runSinglesPass(Board* board, int8_t stage, int32_t* counter, SinglesChoice* choice) {
    if (placeSingles(board, stage, counter, choice) == STATUS_CONTRADICTION) return STATUS_CONTRADICTION;
    int32_t none = board->context->boxOrder * board->context->boxOrder + 1;
    return choice->best == none ? STATUS_CONTRADICTION : STATUS_PROGRESS;
}

// All three techniques run even after one made progress, so that one singles
// pass follows the whole round.
bool runFamilyA(Board* board) {
    int32_t first = board->context->primaryTechniques != 0 ? 0 : 3;
    bool progress = false;
    for (int32_t slot = first; slot < first + 3; ++slot) {
        if (techniqueFamilyA[slot](board) == STATUS_PROGRESS) progress = true;
    }
    return progress;
}

// STATUS_CONTRADICTION as soon as a technique finds one, else STATUS_PROGRESS
// or STATUS_NO_CHANGE for the round of six.
int32_t runFamilyC(Board* board) {
    int32_t outcome = STATUS_NO_CHANGE;
    for (Technique technique : techniqueFamilyC) {
        int32_t result = technique(board);
        if (result == STATUS_CONTRADICTION) return STATUS_CONTRADICTION;
        if (result == STATUS_PROGRESS) outcome = STATUS_PROGRESS;
    }
    return outcome;
}

} // namespace

int32_t logicStep(Board* board, int32_t* column, int32_t* row, int32_t* digit) {
    SolveContext* context = board->context;
    SinglesChoice choice = {0, 0, 0, 0};
    int32_t status = runSinglesPass(board, STAGE_SINGLES, &context->singleCount, &choice);
    while (status == STATUS_PROGRESS && runFamilyA(board)) {
        status = runSinglesPass(board, STAGE_LOCKED, &context->basicCount, &choice);
    }
    while (status == STATUS_PROGRESS) {
        int32_t result = runFamilyC(board);
        // The technique stopped mid-unit; the board is abandoned as it stands.
        if (result == STATUS_CONTRADICTION) return STATUS_CONTRADICTION;
        if (result != STATUS_PROGRESS) break;
        status = runSinglesPass(board, STAGE_PAIRS, &context->pairTripleCount, &choice);
    }
    while (status == STATUS_PROGRESS && assumptionMethod(board) == STATUS_PROGRESS) {
        status = runSinglesPass(board, STAGE_TRIAL, &context->assumptionCount, &choice);
    }
    if (board->remaining == 0) return STATUS_SOLVED;
    *column = choice.column;
    *row = choice.row;
    *digit = choice.digit;
    return status;
}

} // namespace numpl

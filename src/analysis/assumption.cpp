// The assumption method, the last deduction stage of the logic step. Trials
// are independent, so they run on an OpenMP team, each thread on a scratch
// board of its own; the scratch state is process-wide and built once per box
// order, so a call allocates nothing once it exists.
#include "analysis/assumption.h"

#include <omp.h>

#include <cstdlib>

#include "model/placement.h"
#include "model/singles.h"

namespace numpl {

namespace {

AssumptionScratch scratch = {};

// The entry packs (column, row, digit) into the low 15 bits and leaves bit 31
// for the parallel trials' "impossible" mark:
//
//   bit 31 | 30 .. 15 | 14 .. 10 | 9 .. 5 | 4 .. 0
//   failed |    0     |  column  |  row   | digit
constexpr int32_t ENTRY_COLUMN_SHIFT = 10;
constexpr int32_t ENTRY_ROW_SHIFT = 5;
constexpr int32_t ENTRY_FIELD_MASK = 31;

inline int32_t packEntry(int32_t column, int32_t row, int32_t digit) {
    return (column << ENTRY_COLUMN_SHIFT) + (row << ENTRY_ROW_SHIFT) + digit;
}

inline int32_t entryColumn(int32_t entry) { return (entry >> ENTRY_COLUMN_SHIFT) & ENTRY_FIELD_MASK; }
inline int32_t entryRow(int32_t entry) { return (entry >> ENTRY_ROW_SHIFT) & ENTRY_FIELD_MASK; }
inline int32_t entryDigit(int32_t entry) { return entry & ENTRY_FIELD_MASK; }

// The trial list is never rebuilt; the heap follows the board's heap capacity
// and the boards follow the box order, in that order.
void prepareScratch(const Board* board) {
    if (scratch.trialList == nullptr) {
        scratch.trialList = static_cast<int32_t*>(std::malloc(sizeof(int32_t) * TRIAL_LIST_SIZE));
        if (scratch.trialList == nullptr) failAllocation();
    }
    int32_t capacity = board->cellHeap->capacity;
    if (scratch.scratchHeap == nullptr || scratch.scratchHeap->capacity != capacity) {
        destroyHeap(scratch.scratchHeap);
        scratch.scratchHeap = createHeap(capacity);
    }
    int32_t boxOrder = board->context->boxOrder;
    if (scratch.scratchContext == nullptr || scratch.scratchContext->boxOrder != boxOrder) {
        destroySolveContext(scratch.scratchContext);
        scratch.scratchContext = createSolveContext(boxOrder);
        for (Board*& scratchBoard : scratch.scratchBoards) {
            destroyBoard(scratchBoard);
            scratchBoard = createBoard(boxOrder);
            scratchBoard->context = scratch.scratchContext;
        }
    }
}

// The trial entry for the lowest candidate of constraint `id` with `key`, in
// the family of heap number `family` (cell, row-digit, column-digit, box-digit).
int32_t entryFor(int32_t family, int32_t id, int32_t key, int32_t boxOrder) {
    int32_t side = boxOrder * boxOrder;
    int32_t bit = __builtin_ctz(static_cast<uint32_t>(key));
    int32_t major = id / side;
    int32_t minor = id % side;
    switch (family) {
    case 0: return packEntry(minor, major, bit + 1);
    case 1: return packEntry(bit, major, minor + 1);
    case 2: return packEntry(major, bit, minor + 1);
    default:
        return packEntry(MOD_TABLE[boxOrder][major] * boxOrder + MOD_TABLE[boxOrder][bit],
                         DIV_TABLE[boxOrder][major] * boxOrder + DIV_TABLE[boxOrder][bit], minor + 1);
    }
}

// Drains a copy of each board heap in key order. Every look at the top costs
// one unit of budget, also a skipped satisfied or empty constraint and the
// look that ends a heap, so the list never outgrows the budget.
int32_t collectTrials(const Board* board) {
    const SolveContext* context = board->context;
    int32_t side = context->boxOrder * context->boxOrder;
    const ConstraintHeap* heaps[4] = {board->cellHeap, board->rowDigitHeap, board->columnDigitHeap,
                                      board->boxDigitHeap};
    ConstraintHeap* heap = scratch.scratchHeap;
    int32_t budget = context->trialBudget < TRIAL_LIST_SIZE ? context->trialBudget : TRIAL_LIST_SIZE;
    int32_t count = 0;
    for (int32_t family = 0; family < 4; ++family) {
        copyHeap(heap, heaps[family]);
        if (budget <= 0) continue;
        do {
            --budget;
            int32_t id = peekMin(heap);
            if (id < 0) break;
            int32_t key = heap->keys[1];
            popMin(heap);
            if (key == 0 || isSatisfiedKey(key)) continue;
            if ((key >> side) > context->trialMaxCandidates) break;
            scratch.trialList[count++] = entryFor(family, id, key, context->boxOrder);
        } while (budget > 0);
    }
    return count;
}

// Places the entry's digit on a fresh copy of the board and propagates.
bool trialContradicts(const Board* board, Board* copy, int32_t entry) {
    copyBoard(board, copy);
    placeDigit(copy, entryColumn(entry), entryRow(entry), entryDigit(entry));
    --copy->remaining;
    return propagateSingles(copy) == STATUS_CONTRADICTION;
}

// Each trial sees the eliminations of the trials before it, so one call can
// learn more than the parallel variant does.
int32_t runTrialsInOrder(Board* board, int32_t count) {
    int32_t result = STATUS_NO_CHANGE;
    for (int32_t i = 0; i < count; ++i) {
        int32_t entry = scratch.trialList[i];
        if (trialContradicts(board, scratch.scratchBoards[0], entry)) {
            eliminateCandidate(board, entryColumn(entry), entryRow(entry), entryDigit(entry));
            result = STATUS_PROGRESS;
        }
    }
    return result;
}

// Applied in list order after the team has joined, so the board after the
// call does not depend on the number of threads or on their timing.
int32_t mergeMarks(Board* board, int32_t count) {
    int32_t result = STATUS_NO_CHANGE;
    for (int32_t i = 0; i < count; ++i) {
        int32_t entry = scratch.trialList[i];
        if ((entry & TRIAL_FAILED) == 0) continue;
        entry &= ~TRIAL_FAILED;
        scratch.trialList[i] = entry;
        eliminateCandidate(board, entryColumn(entry), entryRow(entry), entryDigit(entry));
        result = STATUS_PROGRESS;
    }
    return result;
}

} // namespace

void runTrials(int32_t count, const Board* board) {
    // Each thread writes only its own scratch board (by thread number) and the
    // bit 31 of the entries of its own iterations; the board and its context
    // are only read until the loop has ended.
#pragma omp parallel for schedule(static)
    for (int32_t i = 0; i < count; ++i) {
        Board* copy = scratch.scratchBoards[omp_get_thread_num()];
        if (trialContradicts(board, copy, scratch.trialList[i])) scratch.trialList[i] |= TRIAL_FAILED;
    }
}

int32_t assumptionMethod(Board* board) {
    prepareScratch(board);
    int32_t count = collectTrials(board);
    scratch.trialCount = count;
    int32_t threads = board->context->threadCount;
    if (threads == 1) return runTrialsInOrder(board, count);
    // Thread numbers index the scratch boards, so the team may not outgrow them.
    if (threads < 1) threads = 1;
    if (threads > SCRATCH_BOARD_COUNT) threads = SCRATCH_BOARD_COUNT;
    // With nothing to try the loop would do nothing; starting and joining a
    // team for it is pure cost on the search's hot path.
    if (count == 0) return STATUS_NO_CHANGE;
    omp_set_num_threads(threads);
    runTrials(count, board);
    return mergeMarks(board, count);
}

const AssumptionScratch* assumptionScratch() { return scratch.trialList == nullptr ? nullptr : &scratch; }

} // namespace numpl

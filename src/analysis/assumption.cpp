// The assumption method, the last deduction stage of the logic step. The
// trials are collected from the board's heaps and their eliminations go back
// through the heap model in list order, so the board after a call is the one
// the heap-only method leaves; the trials themselves run on candidate masks.
#include "analysis/assumption.h"

#include <atomic>
#include <cstdlib>

#include "analysis/analysis_handle.h"
#include "analysis/thread_team.h"
#include "model/geometry.h"
#include "model/placement.h"

namespace numpl {

namespace {

// A trial that does not contradict places a set of digits; a later trial of
// any of them on the same base cannot contradict either, since its
// propagation derives a subset of the same closure. Such digits get the
// current stamp, and a trial whose digit carries it is not run. The stamp
// moves on at every elimination, which changes the base, and at a call whose
// board is not the grid the last call ended with. When it is that grid (a
// singles pass after the last eliminations placed nothing, and no technique
// removed anything), the stamps still describe closures on this very base,
// so they are kept and the trials they settled are not run again.
// Each worker of a shared batch keeps stamps of its own, so that no two
// threads write the same memory.
constexpr size_t STAMP_COUNT = static_cast<size_t>(MAX_CELLS) * MAX_SIDE;

uint32_t* stampsOf(AssumptionScratch* scratch, int32_t worker) {
    if (scratch->stampTables[worker] == nullptr) {
        scratch->stampTables[worker] = static_cast<uint32_t*>(std::calloc(STAMP_COUNT, sizeof(uint32_t)));
        if (scratch->stampTables[worker] == nullptr) failAllocation();
    }
    return scratch->stampTables[worker];
}

void nextStamp(AssumptionScratch* scratch) {
    if (++scratch->currentStamp != 0) return;
    for (uint32_t* stamps : scratch->stampTables) {
        if (stamps == nullptr) continue;
        for (size_t i = 0; i < STAMP_COUNT; ++i) stamps[i] = 0;
    }
    scratch->currentStamp = 1;
}

// The entry packs (column, row, digit) into the low 15 bits and leaves bit 31
// for the parallel trials' "impossible" mark:
//
//   bit 31 | 30 .. 15 | 14 .. 10 | 9 .. 5 | 4 .. 0
//   failed |    0     |  column  |  row   | digit
constexpr int32_t ENTRY_COLUMN_SHIFT = 10;
constexpr int32_t ENTRY_ROW_SHIFT = 5;
constexpr int32_t ENTRY_FIELD_MASK = 31;

// Sharing a batch costs a wake-up when the helpers are asleep; a batch of a
// few trials is not worth it.
constexpr int32_t MIN_SHARED_TRIALS = 16;
constexpr int32_t BLOCKS_PER_WORKER = 4;

inline int32_t packEntry(int32_t column, int32_t row, int32_t digit) {
    return (column << ENTRY_COLUMN_SHIFT) + (row << ENTRY_ROW_SHIFT) + digit;
}

inline int32_t entryColumn(int32_t entry) { return (entry >> ENTRY_COLUMN_SHIFT) & ENTRY_FIELD_MASK; }
inline int32_t entryRow(int32_t entry) { return (entry >> ENTRY_ROW_SHIFT) & ENTRY_FIELD_MASK; }
inline int32_t entryDigit(int32_t entry) { return entry & ENTRY_FIELD_MASK; }

CandidateGrid* newGrid() {
    auto* grid = static_cast<CandidateGrid*>(std::malloc(sizeof(CandidateGrid)));
    if (grid == nullptr) failAllocation();
    return grid;
}

// The trial list is never rebuilt and the grids fit every box order; the heap
// follows the board's heap capacity.
void prepareScratch(AssumptionScratch* scratch, const Board* board) {
    if (scratch->trialList == nullptr) {
        scratch->trialList = static_cast<int32_t*>(std::malloc(sizeof(int32_t) * TRIAL_LIST_SIZE));
        if (scratch->trialList == nullptr) failAllocation();
        scratch->baseGrid = newGrid();
        scratch->trialGrids[0] = newGrid();
        stampsOf(scratch, 0);
    }
    int32_t capacity = board->cellHeap->capacity;
    if (scratch->scratchHeap == nullptr || scratch->scratchHeap->capacity != capacity) {
        destroyHeap(scratch->scratchHeap);
        scratch->scratchHeap = createHeap(capacity);
    }
}

// The trial entry for the lowest candidate of constraint `id` with `key`, in
// the family of heap number `family`.
int32_t entryFor(int32_t family, int32_t id, int32_t key, int32_t boxOrder) {
    Candidate option = candidateOf(family, boxOrder, id, __builtin_ctz(static_cast<uint32_t>(key)));
    return packEntry(option.column, option.row, option.digit);
}

// Drains a copy of each board heap in key order. Every look at the top costs
// one unit of budget, also a skipped satisfied or empty constraint and the
// look that ends a heap, so the list never outgrows the budget.
int32_t collectTrials(AssumptionScratch* scratch, const Board* board) {
    const SolveContext* context = board->context;
    int32_t side = context->boxOrder * context->boxOrder;
    ConstraintHeap* heap = scratch->scratchHeap;
    int32_t budget = context->trialBudget < TRIAL_LIST_SIZE ? context->trialBudget : TRIAL_LIST_SIZE;
    int32_t count = 0;
    for (int32_t family = 0; family < FAMILY_COUNT; ++family) {
        copyHeap(heap, heapOf(board, family));
        if (budget <= 0) continue;
        do {
            --budget;
            int32_t id = peekMin(heap);
            if (id < 0) break;
            int32_t key = heap->keys[1];
            popMin(heap);
            if (key == 0 || isSatisfiedKey(key)) continue;
            if ((key >> side) > context->trialMaxCandidates) break;
            scratch->trialList[count++] = entryFor(family, id, key, context->boxOrder);
        } while (budget > 0);
    }
    return count;
}

inline int32_t entryCell(int32_t entry, int32_t side) { return entryRow(entry) * side + entryColumn(entry); }

// Places the entry's digit on a copy of the base grid and propagates. The
// placement goes ahead even when an earlier trial of the same call has removed
// the candidate, as placeDigit on a board copy would.
bool trialContradicts(const CandidateGrid* base, CandidateGrid* trial, int32_t entry, int32_t side) {
    copyCandidateGrid(base, trial);
    if (!placeCandidate(trial, entryCell(entry, side), entryDigit(entry))) return true;
    return propagateCandidates(trial) == STATUS_CONTRADICTION;
}

// The same, on one thread, skipping a trial whose outcome an earlier one of
// the same base already settled. Only a trial of a digit that is still a
// candidate stamps what it placed: placing a removed digit restores options
// that the base had lost, so its closure says nothing about the others.
bool stampedTrialContradicts(const CandidateGrid* base, CandidateGrid* trial, int32_t entry, int32_t side,
                             uint32_t* stamps, uint32_t currentStamp) {
    int32_t cell = entryCell(entry, side);
    int32_t digit = entryDigit(entry);
    if (stamps[cell * MAX_SIDE + digit - 1] == currentStamp) return false;
    if (trialContradicts(base, trial, entry, side)) return true;
    if ((base->candidates[cell] >> (digit - 1) & 1) != 0) {
        if (trial->placedCount <= PLACED_LOG_SIZE) {
            for (int32_t i = 0; i < trial->placedCount; ++i) {
                int32_t placed = trial->placedLog[i];
                stamps[placed * MAX_SIDE + trial->values[placed] - 1] = currentStamp;
            }
        } else {
            // More than the log holds: the cells open in the base and not in
            // the trial are the ones it placed.
            for (int32_t placed = 0; placed < side * side; ++placed) {
                if (trial->values[placed] != base->values[placed]) {
                    stamps[placed * MAX_SIDE + trial->values[placed] - 1] = currentStamp;
                }
            }
        }
    }
    return false;
}

// Each trial sees the eliminations of the trials before it, so one call can
// learn more than the parallel variant does.
int32_t runTrialsInOrder(AssumptionScratch* scratch, Board* board, int32_t count, int32_t side) {
    int32_t result = STATUS_NO_CHANGE;
    for (int32_t i = 0; i < count; ++i) {
        int32_t entry = scratch->trialList[i];
        if (stampedTrialContradicts(scratch->baseGrid, scratch->trialGrids[0], entry, side, scratch->stampTables[0],
                                    scratch->currentStamp)) {
            eliminateCandidate(board, entryColumn(entry), entryRow(entry), entryDigit(entry));
            removeCandidate(scratch->baseGrid, entryCell(entry, side), entryDigit(entry));
            nextStamp(scratch);
            result = STATUS_PROGRESS;
        }
    }
    return result;
}

// Applied in list order after every trial has run, so the board after the
// call does not depend on the number of threads or on their timing.
int32_t mergeMarks(AssumptionScratch* scratch, Board* board, int32_t count) {
    int32_t result = STATUS_NO_CHANGE;
    for (int32_t i = 0; i < count; ++i) {
        int32_t entry = scratch->trialList[i];
        if ((entry & TRIAL_FAILED) == 0) continue;
        entry &= ~TRIAL_FAILED;
        scratch->trialList[i] = entry;
        eliminateCandidate(board, entryColumn(entry), entryRow(entry), entryDigit(entry));
        result = STATUS_PROGRESS;
    }
    return result;
}

} // namespace

void releaseAssumptionScratch(AssumptionScratch* scratch) {
    std::free(scratch->trialList);
    destroyHeap(scratch->scratchHeap);
    std::free(scratch->baseGrid);
    for (CandidateGrid* grid : scratch->trialGrids) std::free(grid);
    for (uint32_t* stamps : scratch->stampTables) std::free(stamps);
    *scratch = AssumptionScratch{};
}

void runTrials(int32_t count, const Board* board) {
    AnalysisHandle* handle = handleOf(board->context);
    AssumptionScratch* scratch = &handle->assumption;
    int32_t side = board->context->boxOrder * board->context->boxOrder;
    int32_t threads = board->context->threadCount;
    if (threads > processorCount()) threads = processorCount();
    if (threads < 2 || count < MIN_SHARED_TRIALS) {
        for (int32_t i = 0; i < count; ++i) {
            if (stampedTrialContradicts(scratch->baseGrid, scratch->trialGrids[0], scratch->trialList[i], side,
                                        scratch->stampTables[0], scratch->currentStamp)) {
                scratch->trialList[i] |= TRIAL_FAILED;
            }
        }
        return;
    }
    for (int32_t t = 1; t < threads; ++t) {
        if (scratch->trialGrids[t] == nullptr) scratch->trialGrids[t] = newGrid();
        stampsOf(scratch, t);
    }
    // The batch goes out in a few blocks of consecutive entries per worker,
    // so that workers seldom meet on the counter that hands them out. Each
    // worker writes only its own trial grid and stamps and bit 31 of the
    // entries of its blocks; the base grid is only read until the job ends.
    struct Batch {
        AssumptionScratch* scratch;
        int32_t side;
        int32_t count;
        int32_t blocks;
    } batch{scratch, side, count, BLOCKS_PER_WORKER * threads};
    runOnTeam(handle->team, threads, batch.blocks, [](int32_t block, int32_t worker, void* context) {
        const auto* shared = static_cast<const Batch*>(context);
        AssumptionScratch* s = shared->scratch;
        int32_t end = static_cast<int32_t>(static_cast<int64_t>(shared->count) * (block + 1) / shared->blocks);
        for (int32_t i = static_cast<int32_t>(static_cast<int64_t>(shared->count) * block / shared->blocks); i < end;
             ++i) {
            if (stampedTrialContradicts(s->baseGrid, s->trialGrids[worker], s->trialList[i], shared->side,
                                        s->stampTables[worker], s->currentStamp)) {
                s->trialList[i] |= TRIAL_FAILED;
            }
        }
    }, &batch);
}

int32_t assumptionMethod(Board* board) {
    AssumptionScratch* scratch = &handleOf(board->context)->assumption;
    prepareScratch(scratch, board);
    int32_t count = collectTrials(scratch, board);
    scratch->trialCount = count;
    if (count == 0) return STATUS_NO_CHANGE;
    const SolveContext* context = board->context;
    int32_t side = context->boxOrder * context->boxOrder;
    bool sameBase =
        scratch->baseKept && sameCandidates(scratch->baseGrid, context->boxOrder, board->values, board->cellKeys);
    loadCandidateGrid(scratch->baseGrid, context->boxOrder, board->values, board->cellKeys);
    scratch->baseKept = true;
    if (!sameBase) nextStamp(scratch);
    if (context->threadCount == 1) return runTrialsInOrder(scratch, board, count, side);
    runTrials(count, board);
    return mergeMarks(scratch, board, count);
}

void trialCandidate(int32_t entry, int32_t* column, int32_t* row, int32_t* digit) {
    *column = entryColumn(entry);
    *row = entryRow(entry);
    *digit = entryDigit(entry);
}

const AssumptionScratch* assumptionScratch() {
    const AssumptionScratch* scratch = &processHandle()->assumption;
    return scratch->trialList == nullptr ? nullptr : scratch;
}

} // namespace numpl

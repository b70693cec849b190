// Depth-first counting with an explicit stack. Frame i holds the grid before
// its branch and the options of its branch item not tried yet; the last
// option of a frame is taken in the frame's own grid, so a branch with one way
// left costs no copy. Because every frame is a complete grid, the work left
// when a budget runs out is just the untried part of each frame, which can be
// handed over as grids of their own.
#include "candidates/solution_counter.h"

#include <cstdlib>

#include "candidates/tally.h"

namespace numpl {

struct SolutionCounter {
    int32_t depthCount;          // a frame per branch on the way down and the start: at most 626
    int32_t top;                 // deepest live frame after a count that ran out of budget; -1 otherwise
    CandidateGrid** frames;      // made on first use
    int32_t* branchItems;        // the cell or unit-digit pair each frame branches on
    uint32_t* options;           // its options when the frame was made
    uint32_t* untried;           // those not tried yet
    CandidateGrid* probe;        // scratch for the probes of failed-literal probing
    CandidateGrid* firstSolution;// where the first solved grid of the count goes, or none
    bool haveFirst;              // it has gone there
    int64_t nodesSinceSolution;  // nodes in a row without a solution, for the probing rule
    int64_t nodes;               // nodes of the count so far
};

namespace {

// Probing costs a few propagations per node and pays only where solutions
// are sparse: where they are dense (a nearly empty grid) plain branching
// finds them faster. So a count probes only after this many nodes in a row
// without a solution.
constexpr int64_t PROBE_AFTER_NODES = 16;

CandidateGrid* frameAt(SolutionCounter* counter, int32_t depth) {
    CandidateGrid*& frame = counter->frames[depth];
    if (frame == nullptr) {
        frame = static_cast<CandidateGrid*>(std::malloc(sizeof(CandidateGrid)));
        if (frame == nullptr) failAllocation();
    }
    return frame;
}

// The constraint with the fewest options: an open cell (its candidates) or a
// digit not yet placed in a unit (the unit's cells that can take it), as a
// work item with its options as a mask (digits of a cell, positions in a
// unit). Two is the fewest a propagated grid can have, so the first
// constraint with two ends the search; cells are looked at first.
inline int32_t branchItem(const CandidateGrid* grid, uint32_t* options) {
    const CandidateShape* s = grid->shape;
    int32_t best = -1;
    int32_t bestCount = 33;
    for (int32_t cell = 0; cell < s->cellCount; ++cell) {
        uint32_t mask = grid->candidates[cell];
        if (mask == 0) continue;
        int32_t count = bitCount(mask);
        if (count < bestCount) {
            bestCount = count;
            best = cell;
            if (count <= 2) {
                *options = mask;
                return cell;
            }
        }
    }
    int32_t bestUnit = -1;
    int32_t bestDigit = 0;
    for (int32_t unit = 0; unit < s->unitCount; ++unit) {
        uint32_t open = ~grid->placed[unit] & s->fullMask;
        const uint8_t* places = grid->places + unit * s->side;
        for (; open != 0; open &= open - 1) {
            int32_t k = __builtin_ctz(open);
            if (places[k] < bestCount) {
                bestCount = places[k];
                bestUnit = unit;
                bestDigit = k;
                if (bestCount <= 2) break;
            }
        }
        if (bestCount <= 2) break;
    }
    if (bestUnit < 0) {
        *options = grid->candidates[best];
        return best;
    }
    uint32_t bit = 1u << bestDigit;
    uint32_t positions = 0;
    const uint16_t* cells = s->unitCells[bestUnit];
    for (int32_t i = 0; i < s->side; ++i) {
        if ((grid->candidates[cells[i]] & bit) != 0) positions |= 1u << i;
    }
    *options = positions;
    return s->cellCount + bestUnit * 32 + bestDigit;
}

// Takes one option of a branch item: a digit into its cell, or its digit into
// the cell at that position of its unit.
inline bool takeOption(CandidateGrid* grid, int32_t item, uint32_t option) {
    const CandidateShape* s = grid->shape;
    int32_t index = __builtin_ctz(option);
    if (item < s->cellCount) return placeCandidate(grid, item, index + 1);
    int32_t unit = (item - s->cellCount) >> 5;
    int32_t digit = ((item - s->cellCount) & 31) + 1;
    return placeCandidate(grid, s->unitCells[unit][index], digit);
}

// Rules out the given options of a branch item.
inline void dropOptions(CandidateGrid* grid, int32_t item, uint32_t dropped) {
    const CandidateShape* s = grid->shape;
    for (; dropped != 0; dropped &= dropped - 1) {
        int32_t index = __builtin_ctz(dropped);
        if (item < s->cellCount) {
            removeCandidate(grid, item, index + 1);
        } else {
            int32_t unit = (item - s->cellCount) >> 5;
            removeCandidate(grid, s->unitCells[unit][index], ((item - s->cellCount) & 31) + 1);
        }
    }
}

// Failed-literal probing: every candidate of a cell with two is tried on a
// copy with propagation, and one whose trial contradicts is removed (the
// other is then placed by propagation). One pass over the cells; STATUS_SOLVED
// or STATUS_CONTRADICTION when that settles the grid, else STATUS_STALLED.
int32_t probePairs(CandidateGrid* grid, CandidateGrid* scratch) {
    const CandidateShape* s = grid->shape;
    for (int32_t cell = 0; cell < s->cellCount; ++cell) {
        uint32_t mask = grid->candidates[cell];
        if (!hasTwoBits(mask)) continue;
        for (; mask != 0; mask &= mask - 1) {
            int32_t digit = __builtin_ctz(mask) + 1;
            copyCandidateGrid(grid, scratch);
            if (placeCandidate(scratch, cell, digit) && propagateCandidates(scratch) != STATUS_CONTRADICTION) {
                continue;
            }
            removeCandidate(grid, cell, digit);
            int32_t status = propagateCandidates(grid);
            if (status != STATUS_STALLED) return status;
            break;
        }
    }
    return STATUS_STALLED;
}

} // namespace

SolutionCounter* createSolutionCounter() {
    auto* counter = static_cast<SolutionCounter*>(std::calloc(1, sizeof(SolutionCounter)));
    if (counter == nullptr) failAllocation();
    counter->depthCount = MAX_CELLS + 1;
    counter->top = -1;
    size_t depths = static_cast<size_t>(counter->depthCount);
    counter->frames = static_cast<CandidateGrid**>(std::calloc(depths, sizeof(CandidateGrid*)));
    counter->branchItems = static_cast<int32_t*>(std::malloc(depths * sizeof(int32_t)));
    counter->probe = static_cast<CandidateGrid*>(std::malloc(sizeof(CandidateGrid)));
    counter->options = static_cast<uint32_t*>(std::malloc(depths * sizeof(uint32_t)));
    counter->untried = static_cast<uint32_t*>(std::malloc(depths * sizeof(uint32_t)));
    if (counter->frames == nullptr || counter->branchItems == nullptr || counter->options == nullptr ||
        counter->untried == nullptr || counter->probe == nullptr) {
        failAllocation();
    }
    return counter;
}

void destroySolutionCounter(SolutionCounter* counter) {
    if (counter == nullptr) return;
    for (int32_t i = 0; i < counter->depthCount; ++i) std::free(counter->frames[i]);
    std::free(counter->frames);
    std::free(counter->branchItems);
    std::free(counter->options);
    std::free(counter->untried);
    std::free(counter->probe);
    std::free(counter);
}

namespace {

// Adds a solved grid to the tally, keeping the first one when asked to; true
// when the tally has reached the limit.
bool countSolved(SolutionCounter* counter, const CandidateGrid* grid, const CountControl* control) {
    if (counter->firstSolution != nullptr && !counter->haveFirst) {
        copyCandidateGrid(grid, counter->firstSolution);
        counter->haveFirst = true;
    }
    counter->nodesSinceSolution = 0;
    return addSolution(control, grid);
}

// The search from the saved stack, down to depth -1 or until it must stop.
CountOutcome runCount(SolutionCounter* counter, const CountControl* control, int64_t nodeBudget) {
    CountOutcome outcome = COUNT_EXHAUSTED;
    int32_t depth = counter->top;
    counter->top = -1;
    int64_t nodes = 0;
    while (depth >= 0) {
        uint32_t untried = counter->untried[depth];
        if (untried == 0) {
            --depth;
            continue;
        }
        if (mustStop(control, &outcome)) return outcome;
        if (nodeBudget > 0 && nodes >= nodeBudget) {
            counter->top = depth;
            return COUNT_OUT_OF_BUDGET;
        }
        ++nodes;
        ++counter->nodes;
        ++counter->nodesSinceSolution;
        uint32_t bit = untried & (0u - untried);
        untried ^= bit;
        counter->untried[depth] = untried;
        int32_t item = counter->branchItems[depth];
        CandidateGrid* frame = counter->frames[depth];
        // The last way out of a frame reuses its grid; the frame is done with.
        int32_t target = untried == 0 ? depth : depth + 1;
        CandidateGrid* child = frame;
        if (target != depth) {
            child = frameAt(counter, target);
            copyCandidateGrid(frame, child);
        }
        int32_t status = takeOption(child, item, bit) ? propagateCandidates(child) : STATUS_CONTRADICTION;
        if (status == STATUS_STALLED && counter->nodesSinceSolution > PROBE_AFTER_NODES) {
            status = probePairs(child, counter->probe);
        }
        if (status == STATUS_STALLED) {
            counter->branchItems[target] = branchItem(child, &counter->untried[target]);
            counter->options[target] = counter->untried[target];
            depth = target;
            continue;
        }
        if (status == STATUS_SOLVED && countSolved(counter, child, control)) return COUNT_LIMITED;
        if (target == depth) --depth;
    }
    return COUNT_EXHAUSTED;
}

} // namespace

CountOutcome countSolutions(SolutionCounter* counter, const CandidateGrid* start, const CountControl* control,
                            int64_t nodeBudget, CandidateGrid* firstSolution, bool* foundOne) {
    counter->top = -1;
    counter->firstSolution = firstSolution;
    counter->haveFirst = false;
    counter->nodesSinceSolution = 0;
    counter->nodes = 0;
    CountOutcome outcome = COUNT_EXHAUSTED;
    if (!mustStop(control, &outcome)) {
        CandidateGrid* root = frameAt(counter, 0);
        copyCandidateGrid(start, root);
        int32_t status = propagateCandidates(root);
        if (status == STATUS_SOLVED && countSolved(counter, root, control)) outcome = COUNT_LIMITED;
        if (status == STATUS_STALLED) {
            counter->branchItems[0] = branchItem(root, &counter->untried[0]);
            counter->options[0] = counter->untried[0];
            counter->top = 0;
            outcome = runCount(counter, control, nodeBudget);
        }
    }
    if (foundOne != nullptr) *foundOne = counter->haveFirst;
    return outcome;
}

CountOutcome continueCount(SolutionCounter* counter, const CountControl* control, int64_t nodeBudget,
                           bool* foundOne) {
    CountOutcome outcome = runCount(counter, control, nodeBudget);
    if (foundOne != nullptr) *foundOne = counter->haveFirst;
    return outcome;
}

int64_t countedNodes(const SolutionCounter* counter) { return counter->nodes; }

bool takeShallowestSubgrid(SolutionCounter* counter, CandidateGrid* subgrid) {
    for (int32_t depth = 0; depth <= counter->top; ++depth) {
        uint32_t untried = counter->untried[depth];
        if (untried == 0) continue;
        copyCandidateGrid(counter->frames[depth], subgrid);
        dropOptions(subgrid, counter->branchItems[depth], counter->options[depth] & ~untried);
        counter->untried[depth] = 0;
        return true;
    }
    return false;
}

} // namespace numpl

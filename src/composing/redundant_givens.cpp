// Redundant givens and minimal puzzles by exact counts on candidate masks.
//
// Since the puzzle has exactly one solution S, taking out the given at cell c
// keeps it unique exactly when no solution of the smaller grid puts another
// digit than S[c] at c: the smaller grid with that one candidate struck off
// must have no solution at all. So every given costs one count to one, most
// of them ended by propagation alone or by the first solution found, and S
// itself is never needed: the given's own digit is S[c]. The refutations that
// depth-first search does not finish quickly (a large grid with few givens
// left around c) go to the counter that learns.
#include "composing/redundant_givens.h"

#include <cstdlib>

#include "candidates/candidate_grid.h"
#include "candidates/clause_counter.h"
#include "candidates/solution_counter.h"
#include "candidates/tally.h"
#include "core/solve_context.h"

namespace numpl {

struct ComposeScratch {
    SolutionCounter* counter;        // depth-first, tried first on every count
    ClauseCounter* learning;         // for the counts that the first does not end within its budget
    CandidateGrid* grid;             // the grid being counted
    CandidateGrid* first;            // the first solution a depth-first count met
    int32_t givens[MAX_CELLS];       // the givens left, row by row; a minimisation removes from here
    int32_t solution[MAX_CELLS];     // the puzzle's one solution, row by row
    int32_t* solutionRows[MAX_SIDE]; // its rows, for the learning counter to write into
    int32_t nearby[MAX_CELLS];       // the givens with the solution filled in away from one cell
};

namespace {

// Placements the depth-first counter may spend on one count before the
// counter that learns takes it over: enough for the grids with many givens,
// where propagation does nearly everything, while a count that runs longer
// on a 25x25 grid with few givens left tends to run for seconds.
constexpr int64_t DEPTH_FIRST_NODES = 400;

// Placements for the look near the given (findNearbySolution). Where it
// fails, it fails because there is no solution so near, not for want of
// nodes: a budget of 3000 settled no more givens than 200.
constexpr int64_t NEARBY_NODES = 200;

enum Judgement : int32_t {
    GIVEN_NEEDED,
    GIVEN_REDUNDANT,
    JUDGEMENT_CANCELLED,
};

// Solutions of the loaded grid up to `limit`; COUNT_CANCELLED, or the count
// is exact below the limit.
CountOutcome countLoaded(ComposeScratch* scratch, int32_t limit, const std::atomic<int32_t>* cancel,
                         int32_t* solutions) {
    std::atomic<int32_t> tally(0);
    CountControl control{&tally, limit, cancel, nullptr};
    CountOutcome outcome =
        countSolutions(scratch->counter, scratch->grid, &control, DEPTH_FIRST_NODES, nullptr, nullptr);
    if (outcome == COUNT_OUT_OF_BUDGET) {
        // A fresh tally: the learning counter counts the whole grid again.
        tally.store(0, std::memory_order_relaxed);
        outcome = countWithLearning(scratch->learning, scratch->grid, &control, nullptr, 0);
    }
    *solutions = tally.load(std::memory_order_relaxed);
    return outcome;
}

// Loads the givens into the scratch, counts them to two and keeps the
// solution when there is one.
ComposeStatus checkUnique(ComposeScratch* scratch, int32_t boxOrder, const int32_t* givens,
                          const std::atomic<int32_t>* cancel) {
    if (boxOrder < MIN_BOX_ORDER || boxOrder > MAX_BOX_ORDER) return COMPOSE_NOT_UNIQUE;
    int32_t side = boxOrder * boxOrder;
    int32_t cells = side * side;
    for (int32_t cell = 0; cell < cells; ++cell) scratch->givens[cell] = givens[cell];
    if (!loadCandidateGivens(scratch->grid, boxOrder, scratch->givens)) return COMPOSE_NOT_UNIQUE;
    std::atomic<int32_t> tally(0);
    CountControl control{&tally, 2, cancel, nullptr};
    CandidateGrid* first = scratch->first;
    bool found = false;
    CountOutcome outcome = countSolutions(scratch->counter, scratch->grid, &control, DEPTH_FIRST_NODES, first, &found);
    if (outcome == COUNT_OUT_OF_BUDGET) {
        // The learning counter hands out no solution of its own; a tally that
        // starts at one makes its first solution the "second", which the
        // control writes out.
        for (int32_t r = 0; r < side; ++r) scratch->solutionRows[r] = scratch->solution + r * side;
        SecondSolution kept{scratch->solutionRows};
        tally.store(1, std::memory_order_relaxed);
        CountControl keeping{&tally, 3, cancel, nullptr, &kept};
        outcome = countWithLearning(scratch->learning, scratch->grid, &keeping, nullptr, 0);
        if (outcome == COUNT_CANCELLED) return COMPOSE_CANCELLED;
        return tally.load(std::memory_order_relaxed) == 2 ? COMPOSE_DONE : COMPOSE_NOT_UNIQUE;
    }
    if (outcome == COUNT_CANCELLED) return COMPOSE_CANCELLED;
    if (tally.load(std::memory_order_relaxed) != 1) return COMPOSE_NOT_UNIQUE;
    for (int32_t cell = 0; cell < cells; ++cell) scratch->solution[cell] = first->values[cell];
    return COMPOSE_DONE;
}

// A look for another solution among those that keep the solution's digits
// outside the band and the stack of `cell`. True when it finds one, which
// settles that the given is needed; false says nothing. The grid left is
// small, so the look costs little, and it spares the full count its hardest
// case: finding some solution of a large grid with few givens, which the
// counter that learns does without any pull towards the known solution (on
// a minimal 25x25 puzzle of 268 givens its solutions differed from it in
// about 230 cells; this look settled 98 of the givens and halved the time).
bool findNearbySolution(ComposeScratch* scratch, int32_t boxOrder, int32_t cell, const std::atomic<int32_t>* cancel) {
    int32_t side = boxOrder * boxOrder;
    int32_t band = cell / side / boxOrder;
    int32_t stack = cell % side / boxOrder;
    for (int32_t k = 0; k < side * side; ++k) {
        bool near = k / side / boxOrder == band || k % side / boxOrder == stack;
        scratch->nearby[k] = scratch->givens[k] != 0 || !near ? scratch->solution[k] : 0;
    }
    scratch->nearby[cell] = 0;
    loadCandidateGivens(scratch->grid, boxOrder, scratch->nearby);
    removeCandidate(scratch->grid, cell, scratch->solution[cell]);
    std::atomic<int32_t> tally(0);
    CountControl control{&tally, 1, cancel, nullptr};
    countSolutions(scratch->counter, scratch->grid, &control, NEARBY_NODES, nullptr, nullptr);
    return tally.load(std::memory_order_relaxed) != 0;
}

// Whether the scratch's givens without the one at `cell` still have exactly
// one solution. The givens without it load whenever the whole set did.
Judgement judgeGiven(ComposeScratch* scratch, int32_t boxOrder, int32_t cell, const std::atomic<int32_t>* cancel) {
    if (findNearbySolution(scratch, boxOrder, cell, cancel)) return GIVEN_NEEDED;
    int32_t digit = scratch->givens[cell];
    scratch->givens[cell] = 0;
    loadCandidateGivens(scratch->grid, boxOrder, scratch->givens);
    scratch->givens[cell] = digit;
    removeCandidate(scratch->grid, cell, digit);
    int32_t others = 0;
    if (countLoaded(scratch, 1, cancel, &others) == COUNT_CANCELLED) return JUDGEMENT_CANCELLED;
    return others == 0 ? GIVEN_REDUNDANT : GIVEN_NEEDED;
}

} // namespace

ComposeScratch* createComposeScratch() {
    auto* scratch = static_cast<ComposeScratch*>(std::calloc(1, sizeof(ComposeScratch)));
    if (scratch == nullptr) failAllocation();
    scratch->counter = createSolutionCounter();
    scratch->learning = createClauseCounter();
    scratch->grid = static_cast<CandidateGrid*>(std::malloc(sizeof(CandidateGrid)));
    scratch->first = static_cast<CandidateGrid*>(std::malloc(sizeof(CandidateGrid)));
    if (scratch->grid == nullptr || scratch->first == nullptr) failAllocation();
    return scratch;
}

void destroyComposeScratch(ComposeScratch* scratch) {
    if (scratch == nullptr) return;
    destroySolutionCounter(scratch->counter);
    destroyClauseCounter(scratch->learning);
    std::free(scratch->grid);
    std::free(scratch->first);
    std::free(scratch);
}

int32_t countGivens(int32_t boxOrder, const int32_t* givens) {
    int32_t cells = boxOrder * boxOrder * boxOrder * boxOrder;
    int32_t count = 0;
    for (int32_t cell = 0; cell < cells; ++cell) count += givens[cell] != 0 ? 1 : 0;
    return count;
}

// Each given is judged against all the others, so the scratch's givens stay
// the puzzle's throughout.
ComposeStatus findRedundantGivens(ComposeScratch* scratch, int32_t boxOrder, const int32_t* givens,
                                  const std::atomic<int32_t>* cancel, uint8_t* redundant, int32_t* redundantCount) {
    ComposeStatus status = checkUnique(scratch, boxOrder, givens, cancel);
    if (status != COMPOSE_DONE) return status;
    int32_t cells = boxOrder * boxOrder * boxOrder * boxOrder;
    int32_t count = 0;
    for (int32_t cell = 0; cell < cells; ++cell) {
        redundant[cell] = 0;
        if (scratch->givens[cell] == 0) continue;
        Judgement judgement = judgeGiven(scratch, boxOrder, cell, cancel);
        if (judgement == JUDGEMENT_CANCELLED) return COMPOSE_CANCELLED;
        if (judgement == GIVEN_REDUNDANT) {
            redundant[cell] = 1;
            ++count;
        }
    }
    *redundantCount = count;
    return COMPOSE_DONE;
}

// One pass is enough: a given that is needed stays needed when others go,
// since fewer givens only admit more solutions.
ComposeStatus minimisePuzzle(ComposeScratch* scratch, int32_t boxOrder, const int32_t* givens,
                             const std::atomic<int32_t>* cancel, int32_t* minimal) {
    ComposeStatus status = checkUnique(scratch, boxOrder, givens, cancel);
    if (status != COMPOSE_DONE) return status;
    int32_t cells = boxOrder * boxOrder * boxOrder * boxOrder;
    for (int32_t cell = 0; cell < cells; ++cell) {
        if (scratch->givens[cell] == 0) continue;
        Judgement judgement = judgeGiven(scratch, boxOrder, cell, cancel);
        if (judgement == JUDGEMENT_CANCELLED) return COMPOSE_CANCELLED;
        if (judgement == GIVEN_REDUNDANT) scratch->givens[cell] = 0;
    }
    for (int32_t cell = 0; cell < cells; ++cell) minimal[cell] = scratch->givens[cell];
    return COMPOSE_DONE;
}

} // namespace numpl

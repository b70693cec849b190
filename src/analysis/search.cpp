// Solution counting by depth-first search with two-way branching: the chosen
// candidate is placed one level deeper, and eliminated on the board it was
// copied from, which is resumed when the deeper subtree is done.
//
// Only the path to the first solution decides what the window shows besides
// the count: the stored solution and the five counters are fixed there. After
// it only the number of solutions matters, and every board still waiting on
// the stack is a disjoint part of the rest of the search whose solutions are
// exactly the complete grids its candidates allow (every deduction of the
// logic step removes only candidates that no solution uses). So the rest is
// counted on candidate masks, which gives the same number far sooner.
#include "analysis/search.h"

#include <cstdlib>

#include "analysis/analysis_handle.h"
#include "analysis/logic_step.h"
#include "analysis/team_count.h"
#include "analysis/thread_team.h"
#include "candidates/solution_counter.h"
#include "core/publication.h"
#include "model/placement.h"

namespace numpl {

namespace {

// The count of the loaded grid that runs beside the search: it starts once
// the search has taken CHECK_FIRST_STEP logic steps without reaching a
// solution, and gets a slice of CHECK_NODES_PER_STEP nodes for every step
// the search has taken since the last slice, each time the search has
// doubled its steps. A node costs far less than a logic step, so the two
// take about the same time; grids that the search settles quickly never
// start the count.
constexpr int64_t CHECK_FIRST_STEP = 16;
constexpr int64_t CHECK_NODES_PER_STEP = 64;

// Nodes that the count after the first solution spends alone before more
// workers join it: a few milliseconds, more than most counts need and far
// more than starting a team costs.
constexpr int64_t SOLO_COUNT_NODES = 2000;

// The window reads the solution, its stage map and the counters as soon as
// it sees a nonzero solutionCount, so they go out first and the count's
// release store publishes them. Nothing goes out once a cancel has been
// requested; false then.
bool publishFirstSolution(const Board* board, Puzzle* puzzle) {
    if (!mayPublish(&puzzle->cancelRequested, PUBLISH_FIRST_SOLUTION)) return false;
    const SolveContext* context = board->context;
    storeSolution(board, puzzle);
    storeStageMap(board, puzzle);
    puzzle->singleCount.store(context->singleCount, std::memory_order_relaxed);
    puzzle->basicCount.store(context->basicCount, std::memory_order_relaxed);
    puzzle->pairTripleCount.store(context->pairTripleCount, std::memory_order_relaxed);
    puzzle->assumptionCount.store(context->assumptionCount, std::memory_order_relaxed);
    puzzle->branchCount.store(context->branchCount, std::memory_order_relaxed);
    puzzle->solutionCount.store(1, std::memory_order_seq_cst);
    withdrawIfCancelled(&puzzle->cancelRequested, &puzzle->solutionCount);
    return true;
}

// Boards are made when the search first reaches their depth: most searches
// stay far above the N*N+2 levels the stack allows.
Board* boardAt(Board** stack, int32_t depth, int32_t boxOrder) {
    if (stack[depth] == nullptr) stack[depth] = createBoard(boxOrder);
    return stack[depth];
}

// Board depth+1 takes the candidate; board depth loses it and keeps the
// remaining alternatives for when the search steps back.
void branch(Board** stack, int32_t depth, int32_t column, int32_t row, int32_t digit) {
    Board* board = stack[depth];
    Board* deeper = boardAt(stack, depth + 1, board->context->boxOrder);
    copyBoard(board, deeper);
    placeDigit(deeper, column, row, digit);
    deeper->stages[board->context->boxOrder * board->context->boxOrder * row + column] = STAGE_BRANCH;
    --deeper->remaining;
    eliminateCandidate(board, column, row, digit);
    ++board->context->branchCount;
}

// What the count beside the search has learnt of the total.
constexpr int32_t TOTAL_UNKNOWN = -1;
constexpr int32_t TOTAL_SEVERAL = 2;

struct TotalCheck {
    std::atomic<int32_t> tally{0};
    CountControl control{};
    int64_t nextStep = CHECK_FIRST_STEP; // steps of the search at the next slice
    int64_t lastStep = 0;                // steps of the search at the last slice
    bool started = false;
    int32_t total = TOTAL_UNKNOWN;       // 0, 1 or TOTAL_SEVERAL once known
};

// One slice of the count of the loaded grid, up to two solutions.
void advanceCheck(CountScratch* scratch, TotalCheck* check, int64_t steps) {
    int64_t budget = (steps - check->lastStep) * CHECK_NODES_PER_STEP;
    CountOutcome outcome = check->started
                               ? continueCount(scratch->counter, &check->control, budget, nullptr)
                               : countSolutions(scratch->counter, scratch->loadedGrid, &check->control, budget, nullptr,
                                                nullptr);
    check->started = true;
    check->lastStep = steps;
    check->nextStep = 2 * steps;
    if (outcome == COUNT_EXHAUSTED) check->total = check->tally.load(std::memory_order_relaxed);
    if (outcome == COUNT_LIMITED) check->total = TOTAL_SEVERAL;
}

// Threads that pay for counting: more than the machine has only take turns.
int32_t countingThreads(int32_t threadCount) {
    int32_t processors = processorCount();
    int32_t threads = threadCount < processors ? threadCount : processors;
    return threads < 1 ? 1 : threads;
}

// What the solo nodes leave is counted again from the whole grid by the
// counter that learns, with the first solution left out: every solution of
// the grid but that one lies in exactly one waiting board, so 1 plus its
// count is the total, and a large half-filled grid whose barren subtrees
// the depth-first counter would exhaust one by one for minutes takes it
// moments. The published count only ever rises, so the fresh tally shows
// nothing until it passes what the solo nodes published; a second solution
// they already wrote stays.
int32_t countRestWithLearning(CountScratch* scratch, const CandidateGrid* whole, const Board* solved, Puzzle* puzzle,
                              SecondSolution* second, std::atomic<int32_t>* gaveWay) {
    loadCandidateGrid(scratch->grid, solved->context->boxOrder, solved->values, solved->cellKeys);
    const CandidateGrid* first = scratch->grid;
    std::atomic<int32_t> tally(1);
    bool secondWritten = second->written.load(std::memory_order_acquire) != 0;
    CountControl control{&tally,   SOLUTION_LIMIT, &puzzle->cancelRequested, &puzzle->solutionCount,
                         secondWritten ? nullptr : second, gaveWay};
    countWithLearning(scratch->learning, whole, &control, &first, 1);
    int32_t total = tally.load(std::memory_order_relaxed);
    return total < SOLUTION_LIMIT ? total : SOLUTION_LIMIT;
}

// The boards at depths 0..top counted on candidate masks onto the solutions
// found so far, from the shallowest: it holds the alternatives of the first
// branches, where a grid with many solutions has most of them, while the
// boards near the first solution are often barren. The first
// SOLO_COUNT_NODES nodes run alone, since most counts end within them. With
// the whole grid at hand the rest goes to the counter that learns;
// otherwise it goes to a team of threads, or with one thread to two workers
// that take turns on it. The solution that makes the count two is kept as
// the puzzle's second solution: the same at every thread count when the solo
// nodes find it, as they do on most grids with several solutions, or when
// the counter that learns finds it; at two or more threads one found later
// by the team is whichever a thread counts first.
int32_t countWaitingBoards(Board** stack, int32_t top, Puzzle* puzzle, int32_t found, const CandidateGrid* whole,
                           std::atomic<int32_t>* gaveWay) {
    int32_t boxOrder = stack[0]->context->boxOrder;
    int32_t threads = countingThreads(stack[0]->context->threadCount);
    AnalysisHandle* handle = handleOf(stack[0]->context);
    CountScratch* scratch = countScratchOf(handle);
    std::atomic<int32_t> tally(found);
    SecondSolution second{puzzle->secondSolution};
    CountControl control{&tally, SOLUTION_LIMIT, &puzzle->cancelRequested, &puzzle->solutionCount, &second, gaveWay};
    int64_t budget = SOLO_COUNT_NODES;
    for (int32_t depth = 0; depth <= top; ++depth) {
        const Board* board = stack[depth];
        loadCandidateGrid(scratch->grid, boxOrder, board->values, board->cellKeys);
        CountOutcome outcome = countSolutions(scratch->counter, scratch->grid, &control, budget, nullptr, nullptr);
        if (outcome == COUNT_OUT_OF_BUDGET && whole != nullptr) {
            return countRestWithLearning(scratch, whole, stack[top + 1], puzzle, &second, gaveWay);
        }
        if (outcome == COUNT_OUT_OF_BUDGET) {
            // This board's count goes on in the team and hands parts over;
            // the boards below it wait in the pool, taken last in, first
            // out, so from the shallowest.
            CountPool* pool = createCountPool();
            for (int32_t rest = top; rest > depth; --rest) {
                addBoardToPool(pool, boxOrder, stack[rest]->values, stack[rest]->cellKeys);
            }
            if (threads > 1) {
                countOnTeam(handle, pool, &control, threads, scratch->counter, true);
            } else {
                countInterleaved(handle, pool, &control, scratch->counter, true);
            }
            destroyCountPool(pool);
            break;
        }
        if (outcome != COUNT_EXHAUSTED) break;
        if (budget > 0) budget = budget > countedNodes(scratch->counter) ? budget - countedNodes(scratch->counter) : 1;
    }
    int32_t total = tally.load(std::memory_order_relaxed);
    return total < SOLUTION_LIMIT ? total : SOLUTION_LIMIT;
}

// The search to the first solution; the rest is counted apart unless the
// count beside the search has found the total to be 1. With a check, a grid
// that the check finds without a solution ends at 0 at once: such a grid
// publishes nothing, whatever path the search would take. gaveWay is raised
// when a cancel left work undone or a result unpublished.
int32_t search(Board** stack, Puzzle* puzzle, TotalCheck* check, std::atomic<int32_t>* gaveWay) {
    int32_t depth = 0;
    int64_t steps = 0;
    while (depth >= 0) {
        if (puzzle->cancelRequested.load(std::memory_order_relaxed) != 0) {
            gaveWay->store(1, std::memory_order_relaxed);
            return 0;
        }
        if (check != nullptr && check->total == TOTAL_UNKNOWN && steps >= check->nextStep) {
            advanceCheck(countScratchOf(handleOf(stack[0]->context)), check, steps);
            if (check->total == 0) return 0;
        }
        int32_t column = 0;
        int32_t row = 0;
        int32_t digit = 0;
        int32_t status = logicStep(stack[depth], &column, &row, &digit);
        ++steps;
        if (status == STATUS_SOLVED) {
            if (!publishFirstSolution(stack[depth], puzzle)) {
                gaveWay->store(1, std::memory_order_relaxed);
                return 0;
            }
            if (check != nullptr && check->total == 1) return 1;
            const CandidateGrid* whole = check != nullptr ? countScratchOf(handleOf(stack[0]->context))->loadedGrid
                                                          : nullptr;
            return countWaitingBoards(stack, depth - 1, puzzle, 1, whole, gaveWay);
        }
        if (status == STATUS_PROGRESS) {
            branch(stack, depth, column, row, digit);
            ++depth;
        } else {
            --depth;
        }
    }
    return 0;
}

} // namespace

int32_t searchSolutions(Board** stack, Puzzle* puzzle) {
    std::atomic<int32_t> gaveWay{0};
    return search(stack, puzzle, nullptr, &gaveWay);
}

int32_t analysePuzzle(Puzzle* puzzle, bool* cutShort) { return analysePuzzleWith(processHandle(), puzzle, cutShort); }

int32_t analysePuzzleWith(AnalysisHandle* handle, Puzzle* puzzle, bool* cutShort) {
    std::atomic<int32_t> gaveWay{0};
    int32_t boxOrder = puzzle->boxOrder;
    int32_t side = boxOrder * boxOrder;
    // A branch adds one placed cell per level and a solved board never
    // branches, so depth stays within 0..N*N and the stack cannot overflow.
    int32_t depthCount = side * side + 2;
    auto** stack = static_cast<Board**>(std::calloc(static_cast<size_t>(depthCount), sizeof(Board*)));
    if (stack == nullptr) failAllocation();
    stack[0] = createBoard(boxOrder);
    SolveContext* context = createSolveContext(boxOrder);
    context->threadCount = puzzle->threadCount.load(std::memory_order_relaxed);
    context->handle = handle;
    stack[0]->context = context;

    int32_t result = 0;
    if (loadGivens(stack[0], puzzle) != 0) {
        TotalCheck check;
        check.control = CountControl{&check.tally, TOTAL_SEVERAL, &puzzle->cancelRequested, nullptr, nullptr, &gaveWay};
        loadCandidateGrid(countScratchOf(handle)->loadedGrid, boxOrder, stack[0]->values, stack[0]->cellKeys);
        result = search(stack, puzzle, &check, &gaveWay);
    }
    if (cutShort != nullptr) *cutShort = gaveWay.load(std::memory_order_relaxed) != 0;

    destroySolveContext(context);
    for (int32_t i = 0; i < depthCount; ++i) destroyBoard(stack[i]);
    std::free(stack);
    return result;
}

} // namespace numpl

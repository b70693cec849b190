// Solution counting by depth-first search with two-way branching: the chosen
// candidate is placed one level deeper, and eliminated on the board it was
// copied from, which is resumed when the deeper subtree is done.
#include "analysis/search.h"

#include <cstdlib>

#include "analysis/logic_step.h"
#include "model/placement.h"

namespace numpl {

namespace {

// The window reads the solution and counters as soon as it sees a nonzero
// solutionCount, so they go out first and the count's release store publishes
// them.
void publishFirstSolution(const Board* board, Puzzle* puzzle) {
    const SolveContext* context = board->context;
    storeSolution(board, puzzle);
    puzzle->singleCount.store(context->singleCount, std::memory_order_relaxed);
    puzzle->basicCount.store(context->basicCount, std::memory_order_relaxed);
    puzzle->pairTripleCount.store(context->pairTripleCount, std::memory_order_relaxed);
    puzzle->assumptionCount.store(context->assumptionCount, std::memory_order_relaxed);
    puzzle->branchCount.store(context->branchCount, std::memory_order_relaxed);
}

// Board depth+1 takes the candidate; board depth loses it and keeps the
// remaining alternatives for when the search steps back.
void branch(Board** stack, int32_t depth, int32_t column, int32_t row, int32_t digit) {
    Board* board = stack[depth];
    Board* deeper = stack[depth + 1];
    copyBoard(board, deeper);
    placeDigit(deeper, column, row, digit);
    --deeper->remaining;
    eliminateCandidate(board, column, row, digit);
    ++board->context->branchCount;
}

} // namespace

int32_t searchSolutions(Board** stack, Puzzle* puzzle) {
    int32_t depth = 0;
    int32_t solutions = 0;
    while (depth >= 0) {
        if (puzzle->cancelRequested.load(std::memory_order_relaxed) != 0) return solutions;
        int32_t column = 0;
        int32_t row = 0;
        int32_t digit = 0;
        int32_t status = logicStep(stack[depth], &column, &row, &digit);
        if (status == STATUS_SOLVED) {
            ++solutions;
            if (solutions == 1) publishFirstSolution(stack[depth], puzzle);
            puzzle->solutionCount.store(solutions, std::memory_order_release);
            if (solutions == SOLUTION_LIMIT) return solutions;
            --depth;
        } else if (status == STATUS_PROGRESS) {
            branch(stack, depth, column, row, digit);
            ++depth;
        } else {
            --depth;
        }
    }
    return solutions;
}

int32_t analysePuzzle(Puzzle* puzzle) {
    int32_t boxOrder = puzzle->boxOrder;
    int32_t side = boxOrder * boxOrder;
    // A branch adds one placed cell per level and a solved board never
    // branches, so depth stays within 0..N*N and the stack cannot overflow.
    int32_t depthCount = side * side + 2;
    auto** stack = static_cast<Board**>(std::malloc(sizeof(Board*) * static_cast<size_t>(depthCount)));
    if (stack == nullptr) failAllocation();
    for (int32_t i = 0; i < depthCount; ++i) stack[i] = createBoard(boxOrder);
    SolveContext* context = createSolveContext(boxOrder);
    context->threadCount = puzzle->threadCount.load(std::memory_order_relaxed);
    stack[0]->context = context;

    int32_t result = 0;
    if (loadGivens(stack[0], puzzle) != 0) result = searchSolutions(stack, puzzle);

    destroySolveContext(context);
    for (int32_t i = 0; i < depthCount; ++i) destroyBoard(stack[i]);
    std::free(stack);
    return result;
}

} // namespace numpl

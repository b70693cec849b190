// Puzzle creation and release, the way givens and the first solution pass
// between a Puzzle and a board, and the duplicate check on the givens that the
// window runs before it starts an analysis.
#include "analysis/puzzle.h"

#include <omp.h>

#include <cstdio>
#include <cstdlib>
#include <new>

#include "model/board.h"

namespace numpl {

namespace {

// Row pointers into one zeroed block of side*side cells; false when either
// allocation fails (nothing is left allocated then).
bool createGrid(int32_t side, int32_t*** rows) {
    auto* pointers = static_cast<int32_t**>(std::malloc(sizeof(int32_t*) * static_cast<size_t>(side)));
    auto* cells = static_cast<int32_t*>(std::calloc(static_cast<size_t>(side) * side, sizeof(int32_t)));
    if (pointers == nullptr || cells == nullptr) {
        std::free(pointers);
        std::free(cells);
        return false;
    }
    for (int32_t r = 0; r < side; ++r) pointers[r] = cells + static_cast<size_t>(r) * side;
    *rows = pointers;
    return true;
}

void destroyGrid(int32_t** rows) {
    if (rows == nullptr) return;
    std::free(rows[0]);
    std::free(rows);
}

} // namespace

Puzzle* createPuzzle(int32_t boxOrder) {
    auto* puzzle = new (std::nothrow) Puzzle{};
    if (puzzle == nullptr) {
        std::fputs("Failed to allocate memory\n", stderr);
        return nullptr;
    }
    int32_t side = boxOrder * boxOrder;
    if (!createGrid(side, &puzzle->givens) || !createGrid(side, &puzzle->solution) ||
        !createGrid(side, &puzzle->stageMap) || !createGrid(side, &puzzle->secondSolution)) {
        std::fputs("Failed to allocate memory\n", stderr);
        destroyGrid(puzzle->givens);
        destroyGrid(puzzle->solution);
        destroyGrid(puzzle->stageMap);
        delete puzzle;
        return nullptr;
    }
    puzzle->boxOrder = boxOrder;
    puzzle->threadCount.store(1, std::memory_order_relaxed);
    return puzzle;
}

void destroyPuzzle(Puzzle* puzzle) {
    if (puzzle == nullptr) return;
    destroyGrid(puzzle->givens);
    destroyGrid(puzzle->solution);
    destroyGrid(puzzle->stageMap);
    destroyGrid(puzzle->secondSolution);
    delete puzzle;
}

int32_t loadGivens(Board* board, Puzzle* puzzle) {
    if (placeGivens(board, puzzle->givens) != 0) return 1;
    puzzle->solutionCount.store(0, std::memory_order_relaxed);
    return 0;
}

void storeSolution(const Board* board, Puzzle* puzzle) { readPlacedDigits(board, puzzle->solution); }

void storeStageMap(const Board* board, Puzzle* puzzle) { readStages(board, puzzle->stageMap); }

int32_t defaultThreadCount() { return clampThreadCount(omp_get_max_threads()); }

int32_t clampThreadCount(int64_t requested) {
    if (requested < 1) return 1;
    if (requested > MAX_THREADS) return MAX_THREADS;
    return static_cast<int32_t>(requested);
}

int32_t checkGivens(const Puzzle* puzzle) {
    int32_t n = puzzle->boxOrder;
    int32_t side = n * n;
    int32_t* const* g = puzzle->givens;
    for (int32_t i = 0; i < side; ++i) {
        int32_t boxTop = (i / n) * n;
        int32_t boxLeft = (i % n) * n;
        for (int32_t j = 0; j < side; ++j) {
            for (int32_t k = 0; k < side; ++k) {
                if (k == j) continue;
                if (g[i][j] != 0 && g[i][j] == g[i][k]) return -1;
                if (g[j][i] != 0 && g[j][i] == g[k][i]) return -1;
                int32_t a = g[boxTop + j / n][boxLeft + j % n];
                if (a != 0 && a == g[boxTop + k / n][boxLeft + k % n]) return -1;
            }
        }
    }
    return 0;
}

} // namespace numpl

// Board creation, copying, loading and read-out. A board is a few flat arrays
// so that copyBoard, which runs at every branch of the search and every trial
// of the assumption method, is nothing but block copies.
#include "model/board.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

#include "model/geometry.h"
#include "model/placement.h"

namespace numpl {

int32_t fullKey(int32_t boxOrder) {
    Geometry g = geometryOf(boxOrder);
    return g.fullMask | (g.side << g.side);
}

namespace {

// Words the stages take in the block: one byte a cell, rounded up so that
// cellKeys stays aligned behind them.
size_t stageWords(size_t cells) { return (cells + sizeof(int32_t) - 1) / sizeof(int32_t); }

} // namespace

Board* createBoard(int32_t boxOrder) {
    int32_t side = boxOrder * boxOrder;
    int32_t cells = side * side;
    auto* board = static_cast<Board*>(std::malloc(sizeof(Board)));
    if (board == nullptr) failAllocation();
    board->context = nullptr;
    board->remaining = 0;
    size_t words = 2 * static_cast<size_t>(cells) + stageWords(static_cast<size_t>(cells));
    // Zeroed: every digit 0 and every stage STAGE_OPEN.
    board->values = static_cast<int32_t*>(std::calloc(words, sizeof(int32_t)));
    if (board->values == nullptr) failAllocation();
    board->stages = reinterpret_cast<int8_t*>(board->values + cells);
    board->cellKeys = board->values + cells + stageWords(static_cast<size_t>(cells));
    board->cellHeap = createHeap(cells);
    board->rowDigitHeap = createHeap(cells);
    board->columnDigitHeap = createHeap(cells);
    board->boxDigitHeap = createHeap(cells);
    // Every id goes in with the same key, so inserting ids 0, 1, ... in turn
    // moves nothing: slot k holds id k-1. Writing that layout directly gives
    // the same heaps without the sifts, which matters for the 627 boards of a
    // 25x25 analysis.
    int32_t key = fullKey(boxOrder);
    for (int32_t i = 0; i < cells; ++i) board->cellKeys[i] = key;
    for (int32_t family = 0; family < FAMILY_COUNT; ++family) {
        ConstraintHeap* heap = heapOf(board, family);
        for (int32_t i = 0; i < cells; ++i) {
            heap->ids[i + 1] = i;
            heap->keys[i + 1] = key;
            heap->positions[i] = i + 1;
        }
        heap->count = cells;
    }
    return board;
}

void copyBoard(const Board* src, Board* dst) {
    const SolveContext* context = src->context;
    int32_t side = context->boxOrder * context->boxOrder;
    size_t cells = static_cast<size_t>(side) * static_cast<size_t>(side);
    dst->context = src->context;
    dst->remaining = src->remaining;
    // The digits and their stages lie side by side: one copy takes both.
    std::memcpy(dst->values, src->values, sizeof(int32_t) * (cells + stageWords(cells)));
    if (context->copyCellKeys == 1 || context->primaryTechniques == 0) {
        std::memcpy(dst->cellKeys, src->cellKeys, sizeof(int32_t) * cells);
    }
    for (int32_t family = 0; family < FAMILY_COUNT; ++family) copyHeap(heapOf(dst, family), heapOf(src, family));
}

void destroyBoard(Board* board) {
    if (board == nullptr) return;
    std::free(board->values);
    for (int32_t family = 0; family < FAMILY_COUNT; ++family) destroyHeap(heapOf(board, family));
    std::free(board);
}

int32_t placeGivens(Board* board, int32_t* const* givens) {
    int32_t side = board->context->boxOrder * board->context->boxOrder;
    int32_t open = side * side;
    for (int32_t r = 0; r < side; ++r) {
        for (int32_t c = 0; c < side; ++c) {
            int32_t v = std::atomic_ref<int32_t>(givens[r][c]).load(std::memory_order_relaxed);
            if (v == 0) continue;
            // A negative given would become a negative shift below.
            bool fits = v > 0 && v <= side && board->values[side * r + c] == 0 &&
                        (keyOf(board->cellHeap, side * r + c) >> (v - 1) & 1) != 0;
            if (!fits) return 0;
            placeDigit(board, c, r, v);
            board->stages[side * r + c] = STAGE_GIVEN;
            --open;
        }
    }
    board->remaining = open;
    return 1;
}

void readPlacedDigits(const Board* board, int32_t* const* grid) {
    int32_t side = board->context->boxOrder * board->context->boxOrder;
    for (int32_t r = 0; r < side; ++r) {
        for (int32_t c = 0; c < side; ++c) {
            int32_t v = board->values[side * r + c];
            if (v >= 1 && v <= side) grid[r][c] = v;
        }
    }
}

void readStages(const Board* board, int32_t* const* grid) {
    int32_t side = board->context->boxOrder * board->context->boxOrder;
    for (int32_t r = 0; r < side; ++r) {
        for (int32_t c = 0; c < side; ++c) grid[r][c] = board->stages[side * r + c];
    }
}

} // namespace numpl

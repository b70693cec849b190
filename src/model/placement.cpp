// Placement and elimination. The option count lives in the key itself, so an
// elimination is a mask, a subtraction and one sift up, with no population
// count; placeDigit is the innermost operation of the whole solver.
#include "model/placement.h"

namespace numpl {

namespace {

struct Geometry {
    int32_t n;         // box order
    int32_t side;      // N
    int32_t countUnit; // 2^N: one option in the count field of a key
};

inline Geometry geometryOf(const Board* board) {
    int32_t n = board->context->boxOrder;
    return Geometry{n, n * n, 1 << (n * n)};
}

// Clears option bit k of constraint id and lowers its count by one. Keys only
// fall here, so the entry sifts up. An option that is already gone leaves the
// key as it is, and a sift of an unchanged key moves nothing, so that case
// returns before touching the heap; most eliminations of a placement are such
// repeats.
inline int32_t eliminateOption(ConstraintHeap* heap, int32_t id, int32_t k, const Geometry& g) {
    int32_t slot = heap->positions[id];
    int32_t old = heap->keys[slot];
    int32_t removed = old & (1 << k);
    if (removed == 0) return 0;
    if (heap->ids[slot] != id) {
        reportBrokenIndex(heap, heap->ids[slot], id);
        return removed;
    }
    heap->keys[slot] = old - removed - g.countUnit;
    siftUp(heap, slot);
    return removed;
}

inline int32_t boxOf(const Geometry& g, int32_t c, int32_t r) {
    return DIV_TABLE[g.n][r] * g.n + DIV_TABLE[g.n][c];
}

inline int32_t positionOf(const Geometry& g, int32_t c, int32_t r) {
    return MOD_TABLE[g.n][r] * g.n + MOD_TABLE[g.n][c];
}

inline int32_t cellOption(Board* board, const Geometry& g, int32_t c, int32_t r, int32_t d) {
    ConstraintHeap* heap = board->cellHeap;
    int32_t id = g.side * r + c;
    int32_t slot = heap->positions[id];
    int32_t key = heap->keys[slot];
    int32_t removed = key & (1 << (d - 1));
    if (removed != 0) {
        key -= removed + g.countUnit;
        if (heap->ids[slot] == id) {
            heap->keys[slot] = key;
            siftUp(heap, slot);
        } else {
            reportBrokenIndex(heap, heap->ids[slot], id);
        }
    }
    // Written whether or not the heap took the update: the pair and triple
    // techniques read cells only from here.
    board->cellKeys[id] = key;
    return removed;
}

inline int32_t rowDigitOption(Board* board, const Geometry& g, int32_t c, int32_t r, int32_t d) {
    return eliminateOption(board->rowDigitHeap, g.side * r + d - 1, c, g);
}

inline int32_t columnDigitOption(Board* board, const Geometry& g, int32_t c, int32_t r, int32_t d) {
    return eliminateOption(board->columnDigitHeap, g.side * c + d - 1, r, g);
}

inline int32_t boxDigitOption(Board* board, const Geometry& g, int32_t c, int32_t r, int32_t d) {
    return eliminateOption(board->boxDigitHeap, g.side * boxOf(g, c, r) + d - 1, positionOf(g, c, r), g);
}

inline int32_t candidateOption(Board* board, const Geometry& g, int32_t c, int32_t r, int32_t d) {
    int32_t removed = cellOption(board, g, c, r, d);
    removed |= rowDigitOption(board, g, c, r, d);
    removed |= columnDigitOption(board, g, c, r, d);
    removed |= boxDigitOption(board, g, c, r, d);
    return removed;
}

} // namespace

int32_t eliminateCell(Board* board, int32_t c, int32_t r, int32_t d) {
    return cellOption(board, geometryOf(board), c, r, d);
}

int32_t eliminateRowDigit(Board* board, int32_t c, int32_t r, int32_t d) {
    return rowDigitOption(board, geometryOf(board), c, r, d);
}

int32_t eliminateColumnDigit(Board* board, int32_t c, int32_t r, int32_t d) {
    return columnDigitOption(board, geometryOf(board), c, r, d);
}

int32_t eliminateBoxDigit(Board* board, int32_t c, int32_t r, int32_t d) {
    return boxDigitOption(board, geometryOf(board), c, r, d);
}

int32_t eliminateCandidate(Board* board, int32_t c, int32_t r, int32_t d) {
    return candidateOption(board, geometryOf(board), c, r, d);
}

// The order fixes the sequence of heap updates, and with it which of several
// equal keys ends at a root: the singles found and the branches taken depend
// on it.
void eliminatePeers(Board* board, int32_t c, int32_t r, int32_t d) {
    Geometry g = geometryOf(board);
    for (int32_t i = 0; i < g.side; ++i) {
        int32_t k = i + 1;
        rowDigitOption(board, g, c, r, k);
        columnDigitOption(board, g, c, r, k);
        boxDigitOption(board, g, c, r, k);
        candidateOption(board, g, c, i, d);
        candidateOption(board, g, i, r, d);
    }
    int32_t top = DIV_TABLE[g.n][r] * g.n;
    int32_t left = DIV_TABLE[g.n][c] * g.n;
    for (int32_t y = top; y < top + g.n; ++y) {
        for (int32_t x = left; x < left + g.n; ++x) candidateOption(board, g, x, y, d);
    }
}

void placeDigit(Board* board, int32_t c, int32_t r, int32_t d) {
    Geometry g = geometryOf(board);
    board->values[g.side * r + c] = d;
    eliminatePeers(board, c, r, d);
    updateKey(board->cellHeap, g.side * r + c, SATISFIED_KEY);
    board->cellKeys[g.side * r + c] = SATISFIED_KEY;
    updateKey(board->rowDigitHeap, g.side * r + d - 1, SATISFIED_KEY);
    updateKey(board->columnDigitHeap, g.side * c + d - 1, SATISFIED_KEY);
    updateKey(board->boxDigitHeap, g.side * boxOf(g, c, r) + d - 1, SATISFIED_KEY);
}

} // namespace numpl

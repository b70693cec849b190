// Placement and elimination. The option count lives in the key itself, so an
// elimination is a mask, a subtraction and one sift up, with no population
// count; placeDigit is the innermost operation of the whole solver.
#include "model/placement.h"

namespace numpl {

namespace {

// Clears bit k of constraint id's key and lowers its count by one when the bit
// was set; the key never rises here, so updateKey sifts up (or leaves the entry
// where it is when nothing changed).
inline int32_t eliminateOption(ConstraintHeap* heap, int32_t id, int32_t k, int32_t side) {
    int32_t old = keyOf(heap, id);
    int32_t m = static_cast<int32_t>(1u << k);
    int32_t removed = old & m;
    int32_t key = (old & ~m) - (removed << (side - k));
    updateKey(heap, id, key);
    return removed;
}

inline int32_t sideOf(const Board* board) { return board->context->boxOrder * board->context->boxOrder; }

} // namespace

int32_t eliminateCell(Board* board, int32_t c, int32_t r, int32_t d) {
    int32_t side = sideOf(board);
    int32_t id = side * r + c;
    int32_t k = d - 1;
    int32_t old = keyOf(board->cellHeap, id);
    int32_t m = static_cast<int32_t>(1u << k);
    int32_t removed = old & m;
    int32_t key = (old & ~m) - (removed << (side - k));
    updateKey(board->cellHeap, id, key);
    // Written whether or not the heap accepted the update: the pair and triple
    // techniques read cells only from here.
    board->cellKeys[id] = key;
    return removed;
}

int32_t eliminateRowDigit(Board* board, int32_t c, int32_t r, int32_t d) {
    int32_t side = sideOf(board);
    return eliminateOption(board->rowDigitHeap, side * r + d - 1, c, side);
}

int32_t eliminateColumnDigit(Board* board, int32_t c, int32_t r, int32_t d) {
    int32_t side = sideOf(board);
    return eliminateOption(board->columnDigitHeap, side * c + d - 1, r, side);
}

int32_t eliminateBoxDigit(Board* board, int32_t c, int32_t r, int32_t d) {
    int32_t n = board->context->boxOrder;
    int32_t side = n * n;
    int32_t box = DIV_TABLE[n][r] * n + DIV_TABLE[n][c];
    int32_t position = MOD_TABLE[n][r] * n + MOD_TABLE[n][c];
    return eliminateOption(board->boxDigitHeap, side * box + d - 1, position, side);
}

int32_t eliminateCandidate(Board* board, int32_t c, int32_t r, int32_t d) {
    int32_t removed = eliminateCell(board, c, r, d);
    removed |= eliminateRowDigit(board, c, r, d);
    removed |= eliminateColumnDigit(board, c, r, d);
    removed |= eliminateBoxDigit(board, c, r, d);
    return removed;
}

void eliminatePeers(Board* board, int32_t c, int32_t r, int32_t d) {
    int32_t n = board->context->boxOrder;
    int32_t side = n * n;
    for (int32_t i = 0; i < side; ++i) {
        int32_t k = i + 1;
        eliminateRowDigit(board, c, r, k);
        eliminateColumnDigit(board, c, r, k);
        eliminateBoxDigit(board, c, r, k);
        eliminateCandidate(board, c, i, d);
        eliminateCandidate(board, i, r, d);
    }
    int32_t top = DIV_TABLE[n][r] * n;
    int32_t left = DIV_TABLE[n][c] * n;
    for (int32_t y = top; y < top + n; ++y) {
        for (int32_t x = left; x < left + n; ++x) eliminateCandidate(board, x, y, d);
    }
}

void placeDigit(Board* board, int32_t c, int32_t r, int32_t d) {
    int32_t n = board->context->boxOrder;
    int32_t side = n * n;
    board->values[side * r + c] = d;
    eliminatePeers(board, c, r, d);
    updateKey(board->cellHeap, side * r + c, SATISFIED_KEY);
    board->cellKeys[side * r + c] = SATISFIED_KEY;
    updateKey(board->rowDigitHeap, side * r + d - 1, SATISFIED_KEY);
    updateKey(board->columnDigitHeap, side * c + d - 1, SATISFIED_KEY);
    int32_t box = DIV_TABLE[n][r] * n + DIV_TABLE[n][c];
    updateKey(board->boxDigitHeap, side * box + d - 1, SATISFIED_KEY);
}

} // namespace numpl

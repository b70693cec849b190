// Placement and elimination. The option count lives in the key itself, so an
// elimination is a mask, a subtraction and one sift up, with no population
// count; placeDigit is the innermost operation of the whole solver.
#include "model/placement.h"

#include "model/geometry.h"

namespace numpl {

namespace {

// Compiled once per box order: N, the box arithmetic and 2^N become
// constants, which the elimination sequence of a placement (15N calls) uses
// at every step.
template <int32_t BOX>
constexpr Geometry G = geometryOf(BOX);

// Clears option bit k of constraint id and lowers its count by one. Keys only
// fall here, so the entry sifts up. An option that is already gone leaves the
// key as it is, and a sift of an unchanged key moves nothing, so that case
// returns before touching the heap; most eliminations of a placement are such
// repeats.
template <int32_t BOX>
inline int32_t eliminateOption(ConstraintHeap* heap, int32_t id, int32_t k) {
    int32_t slot = heap->positions[id];
    int32_t old = heap->keys[slot];
    int32_t removed = old & (1 << k);
    if (removed == 0) return 0;
    if (heap->ids[slot] != id) {
        reportBrokenIndex(heap, heap->ids[slot], id);
        return removed;
    }
    heap->keys[slot] = old - removed - G<BOX>.countUnit;
    siftUp(heap, slot);
    return removed;
}

template <int32_t BOX>
inline int32_t cellOption(Board* board, int32_t c, int32_t r, int32_t d) {
    ConstraintHeap* heap = board->cellHeap;
    int32_t id = G<BOX>.side * r + c;
    int32_t slot = heap->positions[id];
    int32_t key = heap->keys[slot];
    int32_t removed = key & (1 << (d - 1));
    if (removed != 0) {
        key -= removed + G<BOX>.countUnit;
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

template <int32_t BOX>
inline int32_t rowDigitOption(Board* board, int32_t c, int32_t r, int32_t d) {
    return eliminateOption<BOX>(board->rowDigitHeap, G<BOX>.side * r + d - 1, c);
}

template <int32_t BOX>
inline int32_t columnDigitOption(Board* board, int32_t c, int32_t r, int32_t d) {
    return eliminateOption<BOX>(board->columnDigitHeap, G<BOX>.side * c + d - 1, r);
}

template <int32_t BOX>
inline int32_t boxDigitOption(Board* board, int32_t c, int32_t r, int32_t d) {
    return eliminateOption<BOX>(board->boxDigitHeap, G<BOX>.side * boxOf(BOX, c, r) + d - 1, positionOf(BOX, c, r));
}

template <int32_t BOX>
inline int32_t candidateOption(Board* board, int32_t c, int32_t r, int32_t d) {
    int32_t removed = cellOption<BOX>(board, c, r, d);
    removed |= rowDigitOption<BOX>(board, c, r, d);
    removed |= columnDigitOption<BOX>(board, c, r, d);
    removed |= boxDigitOption<BOX>(board, c, r, d);
    return removed;
}

// The box of every cell and the cell's position in it, looked up instead of
// worked out by divisions for each cell of a run.
template <int32_t BOX>
struct CellBoxes {
    uint8_t box[G<BOX>.side * G<BOX>.side];
    uint8_t position[G<BOX>.side * G<BOX>.side];
};

template <int32_t BOX>
constexpr CellBoxes<BOX> makeCellBoxes() {
    CellBoxes<BOX> table{};
    for (int32_t cell = 0; cell < G<BOX>.side * G<BOX>.side; ++cell) {
        int32_t c = cell % G<BOX>.side;
        int32_t r = cell / G<BOX>.side;
        table.box[cell] = static_cast<uint8_t>(boxOf(BOX, c, r));
        table.position[cell] = static_cast<uint8_t>(positionOf(BOX, c, r));
    }
    return table;
}

template <int32_t BOX>
constexpr CellBoxes<BOX> CELL_BOXES = makeCellBoxes<BOX>();

// A technique removes one digit from a run of cells; one call for the run
// spares the box-order dispatch and call per cell, most of whose four
// eliminations find the option already gone. The four go in the order of
// candidateOption.
template <int32_t BOX>
int32_t candidateOptionInCells(Board* board, const int32_t* cells, int32_t count, int32_t d) {
    int32_t removed = 0;
    for (int32_t i = 0; i < count; ++i) {
        int32_t cell = cells[i];
        int32_t c = cell % G<BOX>.side;
        int32_t r = cell / G<BOX>.side;
        removed |= cellOption<BOX>(board, c, r, d);
        removed |= rowDigitOption<BOX>(board, c, r, d);
        removed |= columnDigitOption<BOX>(board, c, r, d);
        removed |= eliminateOption<BOX>(board->boxDigitHeap, G<BOX>.side * CELL_BOXES<BOX>.box[cell] + d - 1,
                                        CELL_BOXES<BOX>.position[cell]);
    }
    return removed;
}

// The order fixes the sequence of heap updates, and with it which of several
// equal keys ends at a root: the singles found and the branches taken depend
// on it.
template <int32_t BOX>
void eliminatePeersFixed(Board* board, int32_t c, int32_t r, int32_t d) {
    for (int32_t i = 0; i < G<BOX>.side; ++i) {
        int32_t k = i + 1;
        rowDigitOption<BOX>(board, c, r, k);
        columnDigitOption<BOX>(board, c, r, k);
        boxDigitOption<BOX>(board, c, r, k);
        candidateOption<BOX>(board, c, i, d);
        candidateOption<BOX>(board, i, r, d);
    }
    int32_t top = (r / BOX) * BOX;
    int32_t left = (c / BOX) * BOX;
    for (int32_t y = top; y < top + BOX; ++y) {
        for (int32_t x = left; x < left + BOX; ++x) candidateOption<BOX>(board, x, y, d);
    }
}

template <int32_t BOX>
void placeDigitFixed(Board* board, int32_t c, int32_t r, int32_t d) {
    constexpr int32_t SIDE = G<BOX>.side;
    board->values[SIDE * r + c] = d;
    eliminatePeersFixed<BOX>(board, c, r, d);
    updateKey(board->cellHeap, SIDE * r + c, SATISFIED_KEY);
    board->cellKeys[SIDE * r + c] = SATISFIED_KEY;
    updateKey(board->rowDigitHeap, SIDE * r + d - 1, SATISFIED_KEY);
    updateKey(board->columnDigitHeap, SIDE * c + d - 1, SATISFIED_KEY);
    updateKey(board->boxDigitHeap, SIDE * boxOf(BOX, c, r) + d - 1, SATISFIED_KEY);
}

// Calls op<BOX>(board, c, r, d) for the board's box order.
#define NUMPL_BY_BOX_ORDER(op, board, c, r, d)                                                                         \
    switch ((board)->context->boxOrder) {                                                                              \
    case 2: return op<2>(board, c, r, d);                                                                              \
    case 3: return op<3>(board, c, r, d);                                                                              \
    case 4: return op<4>(board, c, r, d);                                                                              \
    default: return op<5>(board, c, r, d);                                                                             \
    }

} // namespace

int32_t eliminateCell(Board* board, int32_t c, int32_t r, int32_t d) {
    NUMPL_BY_BOX_ORDER(cellOption, board, c, r, d)
}

int32_t eliminateRowDigit(Board* board, int32_t c, int32_t r, int32_t d) {
    NUMPL_BY_BOX_ORDER(rowDigitOption, board, c, r, d)
}

int32_t eliminateColumnDigit(Board* board, int32_t c, int32_t r, int32_t d) {
    NUMPL_BY_BOX_ORDER(columnDigitOption, board, c, r, d)
}

int32_t eliminateBoxDigit(Board* board, int32_t c, int32_t r, int32_t d) {
    NUMPL_BY_BOX_ORDER(boxDigitOption, board, c, r, d)
}

int32_t eliminateCandidate(Board* board, int32_t c, int32_t r, int32_t d) {
    NUMPL_BY_BOX_ORDER(candidateOption, board, c, r, d)
}

int32_t eliminateCandidateInCells(Board* board, const int32_t* cells, int32_t count, int32_t d) {
    switch (board->context->boxOrder) {
    case 2: return candidateOptionInCells<2>(board, cells, count, d);
    case 3: return candidateOptionInCells<3>(board, cells, count, d);
    case 4: return candidateOptionInCells<4>(board, cells, count, d);
    default: return candidateOptionInCells<5>(board, cells, count, d);
    }
}

void eliminatePeers(Board* board, int32_t c, int32_t r, int32_t d) {
    NUMPL_BY_BOX_ORDER(eliminatePeersFixed, board, c, r, d)
}

void placeDigit(Board* board, int32_t c, int32_t r, int32_t d) {
    NUMPL_BY_BOX_ORDER(placeDigitFixed, board, c, r, d)
}

#undef NUMPL_BY_BOX_ORDER

} // namespace numpl

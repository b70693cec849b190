// The four singles finders and singles propagation. Each finder reads only the
// root of its family's heap, which holds the fewest options and, among equal
// counts, the smallest mask.
#include "model/singles.h"

#include "model/geometry.h"
#include "model/placement.h"

namespace numpl {

namespace {

// The root's id and key; STATUS_CONTRADICTION when the root has no option or
// is satisfied (then every constraint of the family is satisfied).
inline int32_t readRoot(const ConstraintHeap* heap, int32_t* id, int32_t* key) {
    *id = peekMin(heap);
    *key = keyOf(heap, *id);
    if (*key == 0 || isSatisfiedKey(*key)) return STATUS_CONTRADICTION;
    return 0;
}

inline int32_t rootResult(int32_t key, int32_t side) {
    int32_t count = key >> side;
    return count == 1 ? STATUS_SINGLE : count;
}

inline int32_t lowestBit(int32_t key) { return __builtin_ctz(static_cast<uint32_t>(key)); }

} // namespace

namespace {

// The root of the family's heap: STATUS_CONTRADICTION when it has no option
// or is satisfied (then every constraint of the family is), else the lowest
// option written out as a candidate and STATUS_SINGLE or the option count.
int32_t findSingle(Board* board, int32_t family, int32_t* column, int32_t* row, int32_t* digit) {
    int32_t n = board->context->boxOrder;
    int32_t id;
    int32_t key;
    if (readRoot(heapOf(board, family), &id, &key) != 0) return STATUS_CONTRADICTION;
    Candidate option = candidateOf(family, n, id, lowestBit(key));
    *column = option.column;
    *row = option.row;
    *digit = option.digit;
    return rootResult(key, n * n);
}

} // namespace

int32_t findCellSingle(Board* board, int32_t* column, int32_t* row, int32_t* digit) {
    return findSingle(board, FAMILY_CELL, column, row, digit);
}

int32_t findRowSingle(Board* board, int32_t* column, int32_t* row, int32_t* digit) {
    return findSingle(board, FAMILY_ROW_DIGIT, column, row, digit);
}

int32_t findColumnSingle(Board* board, int32_t* column, int32_t* row, int32_t* digit) {
    return findSingle(board, FAMILY_COLUMN_DIGIT, column, row, digit);
}

int32_t findBoxSingle(Board* board, int32_t* column, int32_t* row, int32_t* digit) {
    return findSingle(board, FAMILY_BOX_DIGIT, column, row, digit);
}

const SinglesFinder singlesFinders[4] = {findCellSingle, findRowSingle, findColumnSingle, findBoxSingle};

int32_t placeSingles(Board* board, int8_t stage, int32_t* placed, SinglesChoice* choice) {
    int32_t side = board->context->boxOrder * board->context->boxOrder;
    int32_t none = side + 1;
    if (choice != nullptr) choice->best = none;
    int32_t finder = 0;
    while (finder < 4) {
        int32_t column;
        int32_t row;
        int32_t digit;
        int32_t result = singlesFinders[finder](board, &column, &row, &digit);
        if (result == STATUS_CONTRADICTION) return STATUS_CONTRADICTION;
        if (result == STATUS_SINGLE) {
            placeDigit(board, column, row, digit);
            board->stages[side * row + column] = stage;
            if (placed != nullptr) ++*placed;
            --board->remaining;
            if (choice != nullptr) *choice = SinglesChoice{column, row, digit, none};
            finder = 0;
            continue;
        }
        if (choice != nullptr && result < choice->best) *choice = SinglesChoice{column, row, digit, result};
        ++finder;
    }
    return STATUS_STALLED;
}

int32_t propagateSingles(Board* board) {
    int32_t outcome = placeSingles(board, STAGE_SINGLES, nullptr, nullptr);
    return board->remaining == 0 ? STATUS_SOLVED : outcome;
}

} // namespace numpl

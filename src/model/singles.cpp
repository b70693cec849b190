// The four singles finders and singles propagation. Each finder reads only the
// root of its family's heap, which holds the fewest options and, among equal
// counts, the smallest mask.
#include "model/singles.h"

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

int32_t findCellSingle(Board* board, int32_t* column, int32_t* row, int32_t* digit) {
    int32_t side = board->context->boxOrder * board->context->boxOrder;
    int32_t id;
    int32_t key;
    if (readRoot(board->cellHeap, &id, &key) != 0) return STATUS_CONTRADICTION;
    *column = id % side;
    *row = id / side;
    *digit = lowestBit(key) + 1;
    return rootResult(key, side);
}

int32_t findRowSingle(Board* board, int32_t* column, int32_t* row, int32_t* digit) {
    int32_t side = board->context->boxOrder * board->context->boxOrder;
    int32_t id;
    int32_t key;
    if (readRoot(board->rowDigitHeap, &id, &key) != 0) return STATUS_CONTRADICTION;
    *column = lowestBit(key);
    *row = id / side;
    *digit = id % side + 1;
    return rootResult(key, side);
}

int32_t findColumnSingle(Board* board, int32_t* column, int32_t* row, int32_t* digit) {
    int32_t side = board->context->boxOrder * board->context->boxOrder;
    int32_t id;
    int32_t key;
    if (readRoot(board->columnDigitHeap, &id, &key) != 0) return STATUS_CONTRADICTION;
    *column = id / side;
    *row = lowestBit(key);
    *digit = id % side + 1;
    return rootResult(key, side);
}

int32_t findBoxSingle(Board* board, int32_t* column, int32_t* row, int32_t* digit) {
    int32_t n = board->context->boxOrder;
    int32_t side = n * n;
    int32_t id;
    int32_t key;
    if (readRoot(board->boxDigitHeap, &id, &key) != 0) return STATUS_CONTRADICTION;
    int32_t box = id / side;
    int32_t position = lowestBit(key);
    *column = MOD_TABLE[n][box] * n + MOD_TABLE[n][position];
    *row = DIV_TABLE[n][box] * n + DIV_TABLE[n][position];
    *digit = id % side + 1;
    return rootResult(key, side);
}

const SinglesFinder singlesFinders[4] = {findCellSingle, findRowSingle, findColumnSingle, findBoxSingle};

int32_t propagateSingles(Board* board) {
    int32_t outcome = STATUS_STALLED;
    int32_t finder = 0;
    while (finder < 4) {
        int32_t column;
        int32_t row;
        int32_t digit;
        int32_t result = singlesFinders[finder](board, &column, &row, &digit);
        if (result == STATUS_CONTRADICTION) {
            outcome = STATUS_CONTRADICTION;
            break;
        }
        if (result == STATUS_SINGLE) {
            placeDigit(board, column, row, digit);
            --board->remaining;
            finder = 0;
        } else {
            ++finder;
        }
    }
    if (board->remaining == 0) return STATUS_SOLVED;
    return outcome;
}

} // namespace numpl

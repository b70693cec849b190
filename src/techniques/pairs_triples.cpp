// Naked pairs and triples over rows, columns and boxes, read straight from the
// board's cellKeys. Keys are read when the loops reach them, so a removal made
// earlier in a call is seen by every later test of the same call.
#include "techniques/pairs_triples.h"

#include "model/geometry.h"
#include "model/placement.h"

namespace numpl {

namespace {

enum UnitKind { UNIT_ROWS, UNIT_COLUMNS, UNIT_BOXES };

// The cell ids of unit u in unit order; boxes are read row by row.
inline void unitCells(UnitKind kind, int32_t n, int32_t u, int32_t* cells) {
    int32_t side = n * n;
    for (int32_t i = 0; i < side; ++i) {
        int32_t column = 0;
        int32_t row = 0;
        switch (kind) {
        case UNIT_ROWS: column = i; row = u; break;
        case UNIT_COLUMNS: column = u; row = i; break;
        case UNIT_BOXES:
            column = boxCellColumn(n, u, i);
            row = boxCellRow(n, u, i);
            break;
        }
        cells[i] = side * row + column;
    }
}

inline bool isOpen(int32_t key) { return !isSatisfiedKey(key); }

// Open with at most `size` candidates; a cell without candidates qualifies,
// which is how an emptied cell turns into a contradiction.
inline bool isMember(int32_t key, int32_t side, int32_t size) { return isOpen(key) && (key >> side) <= size; }

// Removes the digits of `digits` from every open cell of the unit but the
// members; true when some cell had one of them.
bool clearUnit(Board* board, const int32_t* cells, int32_t side, int32_t digits, int32_t a, int32_t b, int32_t c) {
    bool progress = false;
    for (int32_t t = 0; t < side; ++t) {
        if (t == a || t == b || t == c) continue;
        int32_t key = board->cellKeys[cells[t]];
        int32_t hit = key & digits;
        if (!isOpen(key) || hit == 0) continue;
        progress = true;
        int32_t row = cells[t] / side;
        int32_t column = cells[t] % side;
        for (; hit != 0; hit &= hit - 1) {
            eliminateCandidate(board, column, row, __builtin_ctz(static_cast<uint32_t>(hit)) + 1);
        }
    }
    return progress;
}

int32_t nakedPairs(Board* board, UnitKind kind) {
    int32_t n = board->context->boxOrder;
    int32_t side = n * n;
    int32_t fullMask = geometryOf(n).fullMask;
    const int32_t* keys = board->cellKeys;
    int32_t result = STATUS_NO_CHANGE;
    int32_t cells[MAX_SIDE];
    for (int32_t u = 0; u < side; ++u) {
        unitCells(kind, n, u, cells);
        for (int32_t a = 0; a < side - 1; ++a) {
            int32_t keyA = keys[cells[a]];
            if (!isMember(keyA, side, 2)) continue;
            for (int32_t b = a + 1; b < side; ++b) {
                int32_t keyB = keys[cells[b]];
                if (!isMember(keyB, side, 2)) continue;
                int32_t digits = (keyA | keyB) & fullMask;
                int32_t count = __builtin_popcount(static_cast<uint32_t>(digits));
                if (count < 2) return STATUS_CONTRADICTION;
                if (count == 2 && clearUnit(board, cells, side, digits, a, b, -1)) result = STATUS_PROGRESS;
            }
        }
    }
    return result;
}

int32_t nakedTriples(Board* board, UnitKind kind) {
    int32_t n = board->context->boxOrder;
    int32_t side = n * n;
    int32_t fullMask = geometryOf(n).fullMask;
    const int32_t* keys = board->cellKeys;
    int32_t result = STATUS_NO_CHANGE;
    int32_t cells[MAX_SIDE];
    for (int32_t u = 0; u < side; ++u) {
        unitCells(kind, n, u, cells);
        for (int32_t a = 0; a < side - 2; ++a) {
            int32_t keyA = keys[cells[a]];
            if (!isMember(keyA, side, 3)) continue;
            for (int32_t b = a + 1; b < side - 1; ++b) {
                int32_t keyB = keys[cells[b]];
                if (!isMember(keyB, side, 3)) continue;
                for (int32_t c = b + 1; c < side; ++c) {
                    int32_t keyC = keys[cells[c]];
                    if (!isMember(keyC, side, 3)) continue;
                    int32_t digits = (keyA | keyB | keyC) & fullMask;
                    int32_t count = __builtin_popcount(static_cast<uint32_t>(digits));
                    if (count < 3) return STATUS_CONTRADICTION;
                    if (count == 3 && clearUnit(board, cells, side, digits, a, b, c)) result = STATUS_PROGRESS;
                }
            }
        }
    }
    return result;
}

} // namespace

int32_t nakedPairsRows(Board* board) { return nakedPairs(board, UNIT_ROWS); }
int32_t nakedPairsColumns(Board* board) { return nakedPairs(board, UNIT_COLUMNS); }
int32_t nakedPairsBoxes(Board* board) { return nakedPairs(board, UNIT_BOXES); }
int32_t nakedTriplesRows(Board* board) { return nakedTriples(board, UNIT_ROWS); }
int32_t nakedTriplesColumns(Board* board) { return nakedTriples(board, UNIT_COLUMNS); }
int32_t nakedTriplesBoxes(Board* board) { return nakedTriples(board, UNIT_BOXES); }

const Technique techniqueFamilyC[6] = {
    nakedPairsRows, nakedPairsColumns, nakedPairsBoxes, nakedTriplesRows, nakedTriplesColumns, nakedTriplesBoxes,
};

} // namespace numpl

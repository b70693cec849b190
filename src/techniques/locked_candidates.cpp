// Locked candidates over the row-digit, column-digit and box-digit
// constraints. A constraint with fewer than n positions left, all inside one
// segment (the stretch a row or column shares with a box, or one row or column
// of a box), pins its digit to that segment, so the digit leaves the rest of
// the crossing unit.
#include "techniques/locked_candidates.h"

#include "core/solve_context.h"
#include "model/geometry.h"
#include "model/placement.h"

namespace numpl {

namespace {

inline Geometry geometryOfBoard(const Board* board) { return geometryOf(board->context->boxOrder); }

// A key lies in a segment when it has no position outside it; a key without
// positions lies in every segment.
inline bool liesIn(int32_t key, int32_t segmentMask, int32_t fullMask) {
    return (key & ~segmentMask & fullMask) == 0;
}

inline bool qualifies(int32_t key, const Geometry& s) { return (key >> s.side) < s.n; }

// Each handler acts on one qualifying constraint (id, key K) and ORs the
// removed bits of its eliminations into *removed. It returns true when the scan
// must stop at once (the early return of the box technique). The cells of a
// segment's crossing unit are listed in the order of the eliminations and
// handed over in one call; a list never holds more than N cells.
bool handleRow(Board* board, const Geometry& s, int32_t id, int32_t key, int32_t* removed) {
    int32_t row = id / s.side;
    int32_t digit = id % s.side + 1;
    int32_t band = s.n * (row / s.n);
    int32_t cells[MAX_SIDE];
    for (int32_t j = 0; j < s.n; ++j) {
        if (!liesIn(key, s.runMask << (s.n * j), s.fullMask)) continue;
        int32_t count = 0;
        for (int32_t k = band; k < band + s.n; ++k) {
            if (k == row) continue;
            for (int32_t l = s.n * j; l < s.n * j + s.n; ++l) cells[count++] = s.side * k + l;
        }
        *removed |= eliminateCandidateInCells(board, cells, count, digit);
    }
    return false;
}

bool handleColumn(Board* board, const Geometry& s, int32_t id, int32_t key, int32_t* removed) {
    int32_t column = id / s.side;
    int32_t digit = id % s.side + 1;
    int32_t stack = s.n * (column / s.n);
    int32_t cells[MAX_SIDE];
    for (int32_t j = 0; j < s.n; ++j) {
        if (!liesIn(key, s.runMask << (s.n * j), s.fullMask)) continue;
        int32_t count = 0;
        for (int32_t k = stack; k < stack + s.n; ++k) {
            if (k == column) continue;
            for (int32_t l = s.n * j; l < s.n * j + s.n; ++l) cells[count++] = s.side * l + k;
        }
        *removed |= eliminateCandidateInCells(board, cells, count, digit);
    }
    return false;
}

bool handleBox(Board* board, const Geometry& s, int32_t id, int32_t key, int32_t* removed) {
    int32_t box = id / s.side;
    int32_t digit = id % s.side + 1;
    int32_t top = s.n * (box / s.n);
    int32_t left = s.n * (box % s.n);
    int32_t cells[MAX_SIDE];
    for (int32_t j = 0; j < s.n; ++j) {
        if (!liesIn(key, s.runMask << (s.n * j), s.fullMask)) continue;
        int32_t row = top + j;
        int32_t count = 0;
        for (int32_t c = 0; c < s.side; ++c) {
            if (c >= left && c < left + s.n) continue;
            cells[count++] = s.side * row + c;
        }
        *removed |= eliminateCandidateInCells(board, cells, count, digit);
    }
    for (int32_t j = 0; j < s.n; ++j) {
        if (!liesIn(key, s.boxColumnMask << j, s.fullMask)) continue;
        int32_t column = left + j;
        int32_t count = 0;
        for (int32_t r = 0; r < s.side; ++r) {
            if (r >= top && r < top + s.n) continue;
            cells[count++] = s.side * r + column;
        }
        *removed |= eliminateCandidateInCells(board, cells, count, digit);
        // Only the box-column part returns early: the rest of the scan waits
        // for the next call, after the singles pass has used this progress.
        if (*removed != 0) return true;
    }
    return false;
}

using Handler = bool (*)(Board*, const Geometry&, int32_t, int32_t, int32_t*);

// Walks the heap slots in order and stops after the first satisfied slot:
// satisfied constraints sink, so the open ones worth a look come first.
//
// The id is read once per slot, together with its key. The eliminations of a
// slot lower keys in the same heap (a box-row elimination lowers other boxes'
// keys for the digit), and such an entry can sift up into this slot; reading
// the id again there would apply this slot's segments to that other
// constraint, which eliminates candidates that are still possible.
int32_t scanHeap(Board* board, const ConstraintHeap* heap, Handler handle) {
    Geometry s = geometryOfBoard(board);
    int32_t removed = 0;
    int32_t cells = s.side * s.side;
    for (int32_t slot = 1; slot <= cells; ++slot) {
        int32_t key = heap->keys[slot];
        int32_t id = heap->ids[slot];
        if (qualifies(key, s) && handle(board, s, id, key, &removed)) return STATUS_PROGRESS;
        if (isSatisfiedKey(key)) break;
    }
    return removed != 0 ? STATUS_PROGRESS : STATUS_NO_CHANGE;
}

// The same deductions in constraint-id order, each key looked up through the
// heap's index; ends at the first key without positions.
int32_t scanById(Board* board, const ConstraintHeap* heap, Handler handle) {
    Geometry s = geometryOfBoard(board);
    int32_t removed = 0;
    int32_t cells = s.side * s.side;
    for (int32_t id = 0; id < cells; ++id) {
        int32_t key = keyOf(heap, id);
        if (key == 0) break;
        if (qualifies(key, s) && handle(board, s, id, key, &removed)) return STATUS_PROGRESS;
    }
    return removed != 0 ? STATUS_PROGRESS : STATUS_NO_CHANGE;
}

} // namespace

int32_t lockedCandidatesRows(Board* board) { return scanHeap(board, board->rowDigitHeap, handleRow); }
int32_t lockedCandidatesColumns(Board* board) { return scanHeap(board, board->columnDigitHeap, handleColumn); }
int32_t lockedCandidatesBoxes(Board* board) { return scanHeap(board, board->boxDigitHeap, handleBox); }

int32_t lockedCandidatesRowsById(Board* board) { return scanById(board, board->rowDigitHeap, handleRow); }
int32_t lockedCandidatesColumnsById(Board* board) { return scanById(board, board->columnDigitHeap, handleColumn); }
int32_t lockedCandidatesBoxesById(Board* board) { return scanById(board, board->boxDigitHeap, handleBox); }

// Rows, columns, then boxes in each half; the logic step runs all three of a
// half in one round, so the order only decides which eliminations come first.
const Technique techniqueFamilyA[6] = {
    lockedCandidatesRows,     lockedCandidatesColumns,     lockedCandidatesBoxes,
    lockedCandidatesRowsById, lockedCandidatesColumnsById, lockedCandidatesBoxesById,
};

} // namespace numpl

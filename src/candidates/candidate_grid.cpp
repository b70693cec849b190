// Candidate masks, unit-digit counts and singles propagation by a stack of
// work items. A placement or removal touches only the cells and counts it
// changes and queues an item when a count falls to one or none, so
// propagation never rescans the grid.
#include "candidates/candidate_grid.h"

#include <cstddef>
#include <cstring>

namespace numpl {

namespace {

CandidateShape buildShape(int32_t n) {
    CandidateShape s{};
    int32_t side = n * n;
    s.boxOrder = n;
    s.side = side;
    s.cellCount = side * side;
    s.unitCount = 3 * side;
    s.fullMask = 0xFFFFFFFFu >> (32 - side);
    int32_t filled[MAX_UNITS] = {};
    for (int32_t cell = 0; cell < s.cellCount; ++cell) {
        int32_t r = cell / side;
        int32_t c = cell % side;
        int32_t b = (r / n) * n + c / n;
        const int32_t units[3] = {r, side + c, 2 * side + b};
        for (int32_t i = 0; i < 3; ++i) {
            s.cellUnits[cell][i] = static_cast<uint16_t>(units[i]);
            s.cellPlaces[cell][i] = static_cast<uint16_t>(units[i] * side);
            s.unitCells[units[i]][filled[units[i]]++] = static_cast<uint16_t>(cell);
        }
    }
    s.cellWords = (s.cellCount + 63) / 64;
    for (int32_t unit = 0; unit < s.unitCount; ++unit) {
        for (int32_t i = 0; i < side; ++i) {
            int32_t cell = s.unitCells[unit][i];
            s.unitMasks[unit][cell >> 6] |= uint64_t{1} << (cell & 63);
        }
        s.unitFirstWords[unit] = static_cast<uint8_t>(s.unitCells[unit][0] >> 6);
    }
    for (int32_t cell = 0; cell < s.cellCount; ++cell) {
        for (uint16_t unit : s.cellUnits[cell]) {
            for (int32_t i = 0; i < side; ++i) {
                int32_t other = s.unitCells[unit][i];
                if (other != cell) s.peerMasks[cell][other >> 6] |= uint64_t{1} << (other & 63);
            }
        }
    }
    return s;
}

struct ShapeTable {
    CandidateShape shapes[MAX_BOX_ORDER + 1];
    ShapeTable() {
        for (int32_t n = MIN_BOX_ORDER; n <= MAX_BOX_ORDER; ++n) shapes[n] = buildShape(n);
    }
};

// Built during static initialisation, before any thread of ours exists, and
// read-only afterwards.
const ShapeTable shapeTable;

inline int32_t unitItem(const CandidateShape* s, int32_t unit, int32_t digitIndex) {
    return s->cellCount + unit * s->side + digitIndex;
}

inline void push(CandidateGrid* g, int32_t item) {
    if (g->pendingCount < PENDING_CAPACITY) {
        g->pending[g->pendingCount++] = static_cast<uint16_t>(item);
    } else {
        g->pendingOverflow = true;
    }
}

// The hot operations are compiled once per box order, so that the sizes and
// loop counts are constants the compiler can unroll and fold.
template <int32_t BOX>
struct Fixed {
    static constexpr int32_t SIDE = BOX * BOX;
    static constexpr int32_t CELLS = SIDE * SIDE;
    static constexpr int32_t UNITS = 3 * SIDE;
    static constexpr int32_t WORDS = (CELLS + 63) / 64;
};

inline uint64_t cellBit(int32_t cell) { return uint64_t{1} << (cell & 63); }

// One open cell fewer can take the unit-digit pair at `place` (unit * N +
// digit index), whose digit is not placed in the unit: an open cell never
// keeps a digit that a unit of its own holds, since placing a digit removes
// it from every peer. False when that was the last place. The callers pass
// the unit's start from cellPlaces, which spares a multiplication in the
// innermost step of a placement.
template <int32_t BOX>
inline bool losePlace(CandidateGrid* g, int32_t place) {
    uint8_t left = --g->places[place];
    if (left > 1) return true;
    if (left == 0) return false;
    push(g, Fixed<BOX>::CELLS + place);
    return true;
}

template <int32_t BOX>
bool placeBitFixed(CandidateGrid* g, int32_t cell, uint32_t bit) {
    using F = Fixed<BOX>;
    const CandidateShape* s = g->shape;
    uint32_t mask = g->candidates[cell];
    uint32_t others = mask & ~bit;
    int32_t k = __builtin_ctz(bit);
    g->candidates[cell] = 0;
    g->values[cell] = static_cast<uint8_t>(k + 1);
    --g->remaining;
    if (g->placedCount < PLACED_LOG_SIZE) g->placedLog[g->placedCount] = static_cast<uint16_t>(cell);
    ++g->placedCount;
    const uint16_t* units = s->cellUnits[cell];
    g->placed[units[0]] |= bit;
    g->placed[units[1]] |= bit;
    g->placed[units[2]] |= bit;
    // The cell is no longer open; its other digits lose it as a place in
    // each of its units.
    int32_t word = cell >> 6;
    uint64_t notCell = ~cellBit(cell);
    for (uint32_t left = mask; left != 0; left &= left - 1) {
        g->digitCells[__builtin_ctz(left) * F::WORDS + word] &= notCell;
    }
    const uint16_t* places = s->cellPlaces[cell];
    for (; others != 0; others &= others - 1) {
        int32_t other = __builtin_ctz(others);
        if (!losePlace<BOX>(g, places[0] + other)) return false;
        if (!losePlace<BOX>(g, places[1] + other)) return false;
        if (!losePlace<BOX>(g, places[2] + other)) return false;
    }
    // The digit leaves every peer that still has it, and with it a place in
    // each unit of the peer that the cell is not in (those it shares now hold
    // the digit).
    uint64_t* withDigit = g->digitCells + k * F::WORDS;
    const uint64_t* peerMask = s->peerMasks[cell];
    for (int32_t w = 0; w < F::WORDS; ++w) {
        uint64_t hits = peerMask[w] & withDigit[w];
        withDigit[w] ^= hits;
        for (; hits != 0; hits &= hits - 1) {
            int32_t peer = w * 64 + __builtin_ctzll(hits);
            uint32_t left = g->candidates[peer] ^ bit;
            g->candidates[peer] = left;
            if ((left & (left - 1)) == 0) {
                if (left == 0) return false;
                push(g, peer);
            }
            const uint16_t* peerPlaces = s->cellPlaces[peer];
            if (peerPlaces[0] != places[0] && !losePlace<BOX>(g, peerPlaces[0] + k)) return false;
            if (peerPlaces[1] != places[1] && !losePlace<BOX>(g, peerPlaces[1] + k)) return false;
            if (peerPlaces[2] != places[2] && !losePlace<BOX>(g, peerPlaces[2] + k)) return false;
        }
    }
    return true;
}

inline bool placeBit(CandidateGrid* g, int32_t cell, uint32_t bit) {
    switch (g->shape->boxOrder) {
    case 2: return placeBitFixed<2>(g, cell, bit);
    case 3: return placeBitFixed<3>(g, cell, bit);
    case 4: return placeBitFixed<4>(g, cell, bit);
    default: return placeBitFixed<5>(g, cell, bit);
    }
}

// Queues every open cell and unsatisfied unit-digit pair with one option or
// none; the counts must be complete.
void queueSingles(CandidateGrid* g) {
    const CandidateShape* s = g->shape;
    for (int32_t cell = 0; cell < s->cellCount; ++cell) {
        uint32_t mask = g->candidates[cell];
        if (g->values[cell] == 0 && (mask & (mask - 1)) == 0) push(g, cell);
    }
    for (int32_t unit = 0; unit < s->unitCount; ++unit) {
        uint32_t open = ~g->placed[unit] & s->fullMask;
        for (; open != 0; open &= open - 1) {
            int32_t k = __builtin_ctz(open);
            if (g->places[unit * s->side + k] <= 1) push(g, unitItem(s, unit, k));
        }
    }
}

void clearGrid(CandidateGrid* g, int32_t boxOrder) {
    const CandidateShape* s = candidateShape(boxOrder);
    g->shape = s;
    g->remaining = 0;
    g->pendingCount = 0;
    g->pendingOverflow = false;
    g->placedCount = 0;
    std::memset(g->placed, 0, sizeof(uint32_t) * static_cast<size_t>(s->unitCount));
    std::memset(g->places, 0, static_cast<size_t>(s->unitCount * s->side));
    std::memset(g->digitCells, 0, sizeof(uint64_t) * static_cast<size_t>(s->side * s->cellWords));
}

// Adds an open cell's candidates to the place counts of its units and to the
// cell sets of its digits.
inline void countPlaces(CandidateGrid* g, const CandidateShape* s, int32_t cell, uint32_t mask) {
    for (uint32_t left = mask; left != 0; left &= left - 1) {
        g->digitCells[__builtin_ctz(left) * s->cellWords + (cell >> 6)] |= cellBit(cell);
    }
    const uint16_t* units = s->cellUnits[cell];
    uint8_t* row = g->places + units[0] * s->side;
    uint8_t* column = g->places + units[1] * s->side;
    uint8_t* box = g->places + units[2] * s->side;
    for (; mask != 0; mask &= mask - 1) {
        int32_t k = __builtin_ctz(mask);
        ++row[k];
        ++column[k];
        ++box[k];
    }
}

} // namespace

const CandidateShape* candidateShape(int32_t boxOrder) { return &shapeTable.shapes[boxOrder]; }

void loadCandidateGrid(CandidateGrid* grid, int32_t boxOrder, const int32_t* values, const int32_t* cellKeys) {
    clearGrid(grid, boxOrder);
    const CandidateShape* s = grid->shape;
    for (int32_t cell = 0; cell < s->cellCount; ++cell) {
        int32_t value = values[cell];
        if (value != 0) {
            uint32_t bit = 1u << (value - 1);
            const uint16_t* units = s->cellUnits[cell];
            grid->placed[units[0]] |= bit;
            grid->placed[units[1]] |= bit;
            grid->placed[units[2]] |= bit;
            grid->candidates[cell] = 0;
            grid->values[cell] = static_cast<uint8_t>(value);
        } else {
            uint32_t mask = static_cast<uint32_t>(cellKeys[cell]) & s->fullMask;
            grid->candidates[cell] = mask;
            grid->values[cell] = 0;
            ++grid->remaining;
            countPlaces(grid, s, cell, mask);
        }
    }
    queueSingles(grid);
}

bool loadCandidateGivens(CandidateGrid* grid, int32_t boxOrder, const int32_t* givens) {
    clearGrid(grid, boxOrder);
    const CandidateShape* s = grid->shape;
    for (int32_t cell = 0; cell < s->cellCount; ++cell) {
        int32_t value = givens[cell];
        grid->values[cell] = 0;
        if (value == 0) continue;
        if (value < 1 || value > s->side) return false;
        uint32_t bit = 1u << (value - 1);
        const uint16_t* units = s->cellUnits[cell];
        if (((grid->placed[units[0]] | grid->placed[units[1]] | grid->placed[units[2]]) & bit) != 0) return false;
        grid->placed[units[0]] |= bit;
        grid->placed[units[1]] |= bit;
        grid->placed[units[2]] |= bit;
        grid->values[cell] = static_cast<uint8_t>(value);
    }
    for (int32_t cell = 0; cell < s->cellCount; ++cell) {
        if (grid->values[cell] != 0) {
            grid->candidates[cell] = 0;
            continue;
        }
        const uint16_t* units = s->cellUnits[cell];
        uint32_t mask = s->fullMask & ~(grid->placed[units[0]] | grid->placed[units[1]] | grid->placed[units[2]]);
        grid->candidates[cell] = mask;
        ++grid->remaining;
        countPlaces(grid, s, cell, mask);
    }
    queueSingles(grid);
    return true;
}

bool sameCandidates(const CandidateGrid* grid, int32_t boxOrder, const int32_t* values, const int32_t* cellKeys) {
    const CandidateShape* s = candidateShape(boxOrder);
    if (grid->shape != s) return false;
    for (int32_t cell = 0; cell < s->cellCount; ++cell) {
        if (grid->values[cell] != values[cell]) return false;
        if (values[cell] == 0 && grid->candidates[cell] != (static_cast<uint32_t>(cellKeys[cell]) & s->fullMask)) {
            return false;
        }
    }
    return true;
}

namespace {

template <int32_t BOX>
void copyFixed(const CandidateGrid* src, CandidateGrid* dst) {
    using F = Fixed<BOX>;
    dst->shape = src->shape;
    dst->remaining = src->remaining;
    dst->pendingCount = src->pendingCount;
    dst->pendingOverflow = src->pendingOverflow;
    dst->placedCount = 0;
    std::memcpy(dst->placed, src->placed, sizeof(uint32_t) * F::UNITS);
    std::memcpy(dst->candidates, src->candidates, sizeof(uint32_t) * F::CELLS);
    std::memcpy(dst->values, src->values, F::CELLS);
    std::memcpy(dst->places, src->places, F::UNITS * F::SIDE);
    std::memcpy(dst->digitCells, src->digitCells, sizeof(uint64_t) * F::SIDE * F::WORDS);
    std::memcpy(dst->pending, src->pending, sizeof(uint16_t) * static_cast<size_t>(src->pendingCount));
}

// At box order 5 every array before `pending` is in use to its end, so the
// record up to there is one block: a single copy of it is cheaper than one
// per array, and the trials copy a grid for every candidate they try.
void copyWholeFront(const CandidateGrid* src, CandidateGrid* dst) {
    static_assert(Fixed<MAX_BOX_ORDER>::CELLS == MAX_CELLS && Fixed<MAX_BOX_ORDER>::UNITS == MAX_UNITS &&
                      Fixed<MAX_BOX_ORDER>::WORDS == MAX_CELL_WORDS,
                  "the arrays are sized for the largest box order");
    std::memcpy(static_cast<void*>(dst), src, offsetof(CandidateGrid, pending));
    dst->placedCount = 0;
    std::memcpy(dst->pending, src->pending, sizeof(uint16_t) * static_cast<size_t>(src->pendingCount));
}

} // namespace

void copyCandidateGrid(const CandidateGrid* src, CandidateGrid* dst) {
    switch (src->shape->boxOrder) {
    case 2: copyFixed<2>(src, dst); break;
    case 3: copyFixed<3>(src, dst); break;
    case 4: copyFixed<4>(src, dst); break;
    default: copyWholeFront(src, dst); break;
    }
}

bool placeCandidate(CandidateGrid* grid, int32_t cell, int32_t digit) {
    return placeBit(grid, cell, 1u << (digit - 1));
}

void removeCandidate(CandidateGrid* grid, int32_t cell, int32_t digit) {
    const CandidateShape* s = grid->shape;
    uint32_t bit = 1u << (digit - 1);
    uint32_t mask = grid->candidates[cell];
    if ((mask & bit) == 0) return;
    mask ^= bit;
    grid->candidates[cell] = mask;
    grid->digitCells[(digit - 1) * s->cellWords + (cell >> 6)] &= ~cellBit(cell);
    if ((mask & (mask - 1)) == 0) push(grid, cell);
    // An emptied unit-digit pair is queued as well and found by the next
    // propagation, which is what a later trial on this grid needs.
    const uint16_t* units = s->cellUnits[cell];
    for (int32_t i = 0; i < 3; ++i) {
        int32_t unit = units[i];
        if ((grid->placed[unit] & bit) != 0) continue;
        uint8_t left = --grid->places[unit * s->side + digit - 1];
        if (left <= 1) push(grid, unitItem(s, unit, digit - 1));
    }
}

namespace {

template <int32_t BOX>
int32_t propagateFixed(CandidateGrid* grid) {
    constexpr int32_t CELLS = Fixed<BOX>::CELLS;
    const CandidateShape* s = grid->shape;
    for (;;) {
        if (grid->pendingCount == 0) {
            if (!grid->pendingOverflow) break;
            grid->pendingOverflow = false;
            queueSingles(grid);
            continue;
        }
        int32_t item = grid->pending[--grid->pendingCount];
        if (item < CELLS) {
            if (grid->values[item] != 0) continue;
            uint32_t mask = grid->candidates[item];
            if (mask == 0) return STATUS_CONTRADICTION;
            if ((mask & (mask - 1)) != 0) continue;
            if (!placeBitFixed<BOX>(grid, item, mask)) return STATUS_CONTRADICTION;
            continue;
        }
        int32_t place = item - CELLS;
        int32_t unit = place / Fixed<BOX>::SIDE;
        int32_t k = place % Fixed<BOX>::SIDE;
        uint32_t bit = 1u << k;
        if ((grid->placed[unit] & bit) != 0) continue;
        uint8_t left = grid->places[place];
        if (left == 0) return STATUS_CONTRADICTION;
        if (left > 1) continue;
        // The digit's one place left: its cell set meets the unit in a
        // single bit, found in the few words from the unit's first cell on
        // instead of a look at the unit's cells one by one.
        const uint64_t* withDigit = grid->digitCells + k * Fixed<BOX>::WORDS;
        const uint64_t* unitMask = s->unitMasks[unit];
        int32_t w = s->unitFirstWords[unit];
        uint64_t hits;
        while ((hits = withDigit[w] & unitMask[w]) == 0) ++w;
        if (!placeBitFixed<BOX>(grid, w * 64 + __builtin_ctzll(hits), bit)) return STATUS_CONTRADICTION;
    }
    return grid->remaining == 0 ? STATUS_SOLVED : STATUS_STALLED;
}

} // namespace

int32_t propagateCandidates(CandidateGrid* grid) {
    switch (grid->shape->boxOrder) {
    case 2: return propagateFixed<2>(grid);
    case 3: return propagateFixed<3>(grid);
    case 4: return propagateFixed<4>(grid);
    default: return propagateFixed<5>(grid);
    }
}

} // namespace numpl

// Candidate masks, unit-digit counts and singles propagation by a stack of
// work items. A placement or removal touches only the cells and counts it
// changes and queues an item when a count falls to one or none, so
// propagation never rescans the grid.
#include "candidates/candidate_grid.h"

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
    s.peerCount = 3 * side - 2 * n - 1;
    s.fullMask = 0xFFFFFFFFu >> (32 - side);
    int32_t filled[MAX_UNITS] = {};
    for (int32_t cell = 0; cell < s.cellCount; ++cell) {
        int32_t r = cell / side;
        int32_t c = cell % side;
        int32_t b = (r / n) * n + c / n;
        const int32_t units[3] = {r, side + c, 2 * side + b};
        for (int32_t i = 0; i < 3; ++i) {
            s.cellUnits[cell][i] = static_cast<uint16_t>(units[i]);
            s.unitCells[units[i]][filled[units[i]]++] = static_cast<uint16_t>(cell);
        }
    }
    s.pairedPeerCount = 2 * (side - n) + (n - 1) * (n - 1);
    for (int32_t cell = 0; cell < s.cellCount; ++cell) {
        int32_t paired = 0;
        int32_t single = s.pairedPeerCount;
        for (int32_t other = 0; other < s.cellCount; ++other) {
            if (other == cell) continue;
            uint8_t notShared[3];
            int32_t count = 0;
            for (int32_t i = 0; i < 3; ++i) {
                if (s.cellUnits[other][i] != s.cellUnits[cell][i]) notShared[count++] = static_cast<uint8_t>(s.cellUnits[other][i]);
            }
            if (count == 3) continue;
            int32_t slot = count == 2 ? paired++ : single++;
            s.peers[cell][slot] = static_cast<uint16_t>(other);
            s.peerUnits[cell][slot][0] = notShared[0];
            s.peerUnits[cell][slot][1] = count == 2 ? notShared[1] : notShared[0];
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
    return s->cellCount + unit * 32 + digitIndex;
}

inline void push(CandidateGrid* g, int32_t item) {
    if (g->pendingCount < PENDING_CAPACITY) {
        g->pending[g->pendingCount++] = static_cast<uint16_t>(item);
    } else {
        g->pendingOverflow = true;
    }
}

// One open cell of `unit` fewer can take digit index k, which is not placed
// in the unit: an open cell never keeps a digit that a unit of its own holds,
// since placing a digit removes it from every peer. False when that was the
// last place.
inline bool losePlace(CandidateGrid* g, const CandidateShape* s, int32_t unit, int32_t k) {
    uint8_t left = --g->places[unit * s->side + k];
    if (left > 1) return true;
    if (left == 0) return false;
    push(g, unitItem(s, unit, k));
    return true;
}

// Removes the digit from a peer that still has it; false when the peer is
// left without candidates.
inline bool dropFromPeer(CandidateGrid* g, int32_t peer, uint32_t bit) {
    uint32_t mask = g->candidates[peer] ^ bit;
    g->candidates[peer] = mask;
    if ((mask & (mask - 1)) == 0) {
        if (mask == 0) return false;
        push(g, peer);
    }
    return true;
}

inline bool placeBit(CandidateGrid* g, int32_t cell, uint32_t bit) {
    const CandidateShape* s = g->shape;
    uint32_t others = g->candidates[cell] & ~bit;
    int32_t k = __builtin_ctz(bit);
    g->candidates[cell] = 0;
    g->values[cell] = static_cast<uint8_t>(k + 1);
    --g->remaining;
    g->placedCells[g->placedCount++] = static_cast<uint16_t>(cell);
    const uint16_t* units = s->cellUnits[cell];
    g->placed[units[0]] |= bit;
    g->placed[units[1]] |= bit;
    g->placed[units[2]] |= bit;
    // The cell's other digits lose it as a place in each of its units.
    for (; others != 0; others &= others - 1) {
        int32_t other = __builtin_ctz(others);
        if (!losePlace(g, s, units[0], other)) return false;
        if (!losePlace(g, s, units[1], other)) return false;
        if (!losePlace(g, s, units[2], other)) return false;
    }
    // The digit leaves every peer that still has it, and with it a place in
    // the peer's units that the cell is not in (those it shares now hold the
    // digit).
    const uint16_t* peers = s->peers[cell];
    const uint8_t(*peerUnits)[2] = s->peerUnits[cell];
    int32_t i = 0;
    for (; i < s->pairedPeerCount; ++i) {
        int32_t peer = peers[i];
        if ((g->candidates[peer] & bit) == 0) continue;
        if (!dropFromPeer(g, peer, bit)) return false;
        if (!losePlace(g, s, peerUnits[i][0], k)) return false;
        if (!losePlace(g, s, peerUnits[i][1], k)) return false;
    }
    for (; i < s->peerCount; ++i) {
        int32_t peer = peers[i];
        if ((g->candidates[peer] & bit) == 0) continue;
        if (!dropFromPeer(g, peer, bit)) return false;
        if (!losePlace(g, s, peerUnits[i][0], k)) return false;
    }
    return true;
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
}

// Adds an open cell's candidates to the place counts of its units.
inline void countPlaces(CandidateGrid* g, const CandidateShape* s, int32_t cell, uint32_t mask) {
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

void copyCandidateGrid(const CandidateGrid* src, CandidateGrid* dst) {
    const CandidateShape* s = src->shape;
    dst->shape = s;
    dst->remaining = src->remaining;
    dst->pendingCount = src->pendingCount;
    dst->pendingOverflow = src->pendingOverflow;
    dst->placedCount = 0;
    std::memcpy(dst->placed, src->placed, sizeof(uint32_t) * static_cast<size_t>(s->unitCount));
    std::memcpy(dst->candidates, src->candidates, sizeof(uint32_t) * static_cast<size_t>(s->cellCount));
    std::memcpy(dst->values, src->values, static_cast<size_t>(s->cellCount));
    std::memcpy(dst->places, src->places, static_cast<size_t>(s->unitCount * s->side));
    std::memcpy(dst->pending, src->pending, sizeof(uint16_t) * static_cast<size_t>(src->pendingCount));
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

int32_t propagateCandidates(CandidateGrid* grid) {
    const CandidateShape* s = grid->shape;
    for (;;) {
        if (grid->pendingCount == 0) {
            if (!grid->pendingOverflow) break;
            grid->pendingOverflow = false;
            queueSingles(grid);
            continue;
        }
        int32_t item = grid->pending[--grid->pendingCount];
        if (item < s->cellCount) {
            if (grid->values[item] != 0) continue;
            uint32_t mask = grid->candidates[item];
            if (mask == 0) return STATUS_CONTRADICTION;
            if ((mask & (mask - 1)) != 0) continue;
            if (!placeBit(grid, item, mask)) return STATUS_CONTRADICTION;
            continue;
        }
        int32_t unit = (item - s->cellCount) >> 5;
        int32_t k = (item - s->cellCount) & 31;
        uint32_t bit = 1u << k;
        if ((grid->placed[unit] & bit) != 0) continue;
        uint8_t left = grid->places[unit * s->side + k];
        if (left == 0) return STATUS_CONTRADICTION;
        if (left > 1) continue;
        const uint16_t* cells = s->unitCells[unit];
        int32_t i = 0;
        while ((grid->candidates[cells[i]] & bit) == 0) ++i;
        if (!placeBit(grid, cells[i], bit)) return STATUS_CONTRADICTION;
    }
    return grid->remaining == 0 ? STATUS_SOLVED : STATUS_STALLED;
}

} // namespace numpl

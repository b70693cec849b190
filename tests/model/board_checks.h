// Consistency checks for heaps and boards, and small owners for the records a
// test needs. Any test may call these after it changed a board to assert that
// the four heaps and cellKeys still describe one well-formed state.
#ifndef NUMPL_TESTS_MODEL_BOARD_CHECKS_H
#define NUMPL_TESTS_MODEL_BOARD_CHECKS_H

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "analysis/puzzle.h"
#include "analysis/puzzle_text.h"
#include "model/board.h"
#include "model/constraint_heap.h"

namespace numpl::test {

// Sentinels, index inverse on slots 1..count, no stray positions, heap order.
inline ::testing::AssertionResult heapIsConsistent(const ConstraintHeap* heap) {
    if (heap->keys[0] != -1 || heap->ids[0] != -1)
        return ::testing::AssertionFailure() << "slot 0 holds id " << heap->ids[0] << " key " << heap->keys[0];
    if (heap->count < 0 || heap->count > heap->capacity)
        return ::testing::AssertionFailure() << "count " << heap->count << " capacity " << heap->capacity;
    for (int32_t s = 1; s <= heap->count; ++s) {
        int32_t id = heap->ids[s];
        if (id < 0 || id >= heap->capacity || heap->positions[id] != s)
            return ::testing::AssertionFailure() << "slot " << s << " holds id " << id << " whose position is "
                                                 << (id < 0 || id >= heap->capacity ? -2 : heap->positions[id]);
        if (heap->keys[s] < 0) return ::testing::AssertionFailure() << "slot " << s << " key " << heap->keys[s];
        if (s > 1 && heap->keys[s / 2] > heap->keys[s])
            return ::testing::AssertionFailure() << "slot " << s << " key " << heap->keys[s] << " below parent key "
                                                 << heap->keys[s / 2];
    }
    for (int32_t id = 0; id < heap->capacity; ++id) {
        int32_t p = heap->positions[id];
        if (p != -1 && (p < 1 || p > heap->count || heap->ids[p] != id))
            return ::testing::AssertionFailure() << "id " << id << " has stray position " << p;
    }
    return ::testing::AssertionSuccess();
}

// What every key of a board must look like. An open key is count*2^N + mask
// with count the number of mask bits. A satisfied key started at 2147483647
// and lost one count unit per mask bit cleared since, so it is determined by
// its mask alone and always stays above 0x3FFFFFFF.
inline ::testing::AssertionResult keyIsWellFormed(int32_t key, int32_t side) {
    int32_t full = (1 << side) - 1;
    int32_t mask = key & full;
    int32_t bits = __builtin_popcount(static_cast<uint32_t>(mask));
    if (key > 0x3FFFFFFF) {
        int32_t expected = (((0x7FFFFFFF >> side) - (side - bits)) << side) | mask;
        if (key == expected) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "satisfied key " << key << " expected " << expected;
    }
    if (key == bits * (1 << side) + mask) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "open key " << key << " has mask " << mask << " with " << bits
                                         << " bits but count " << (key >> side);
}

// Four full heaps of N*N ids, cellKeys mirroring the cell heap, well-formed
// keys, and a placed digit exactly where the cell constraint is satisfied.
inline ::testing::AssertionResult boardIsConsistent(const Board* board) {
    int32_t side = board->context->boxOrder * board->context->boxOrder;
    int32_t cells = side * side;
    for (int32_t f = 0; f < FAMILY_COUNT; ++f) {
        const ConstraintHeap* heap = heapOf(board, f);
        if (heap->capacity != cells || heap->count != cells)
            return ::testing::AssertionFailure() << "heap " << f << " holds " << heap->count << " of " << cells;
        ::testing::AssertionResult ok = heapIsConsistent(heap);
        if (!ok) return ::testing::AssertionFailure() << "heap " << f << ": " << ok.message();
        for (int32_t s = 1; s <= cells; ++s) {
            ok = keyIsWellFormed(heap->keys[s], side);
            if (!ok)
                return ::testing::AssertionFailure() << "heap " << f << " id " << heap->ids[s] << ": " << ok.message();
        }
    }
    for (int32_t id = 0; id < cells; ++id) {
        int32_t key = keyOf(board->cellHeap, id);
        if (board->cellKeys[id] != key)
            return ::testing::AssertionFailure() << "cellKeys[" << id << "] " << board->cellKeys[id] << " heap key "
                                                 << key;
        int32_t v = board->values[id];
        if (v < 0 || v > side || (v != 0) != (key > 0x3FFFFFFF))
            return ::testing::AssertionFailure() << "cell " << id << " value " << v << " key " << key;
    }
    return ::testing::AssertionSuccess();
}

// Heaps equal in count and in all capacity+2 entries of their three arrays.
inline ::testing::AssertionResult heapsIdentical(const ConstraintHeap* a, const ConstraintHeap* b) {
    if (a->capacity != b->capacity || a->count != b->count)
        return ::testing::AssertionFailure() << "count " << a->count << " vs " << b->count;
    size_t bytes = sizeof(int32_t) * (static_cast<size_t>(a->capacity) + 2);
    if (std::memcmp(a->ids, b->ids, bytes) != 0) return ::testing::AssertionFailure() << "ids differ";
    if (std::memcmp(a->keys, b->keys, bytes) != 0) return ::testing::AssertionFailure() << "keys differ";
    if (std::memcmp(a->positions, b->positions, bytes) != 0) return ::testing::AssertionFailure() << "positions differ";
    return ::testing::AssertionSuccess();
}

inline ::testing::AssertionResult boardsIdentical(const Board* a, const Board* b) {
    if (a->context != b->context) return ::testing::AssertionFailure() << "contexts differ";
    if (a->remaining != b->remaining)
        return ::testing::AssertionFailure() << "remaining " << a->remaining << " vs " << b->remaining;
    int32_t side = a->context->boxOrder * a->context->boxOrder;
    size_t bytes = sizeof(int32_t) * static_cast<size_t>(side * side);
    if (std::memcmp(a->values, b->values, bytes) != 0) return ::testing::AssertionFailure() << "values differ";
    if (std::memcmp(a->cellKeys, b->cellKeys, bytes) != 0) return ::testing::AssertionFailure() << "cellKeys differ";
    for (int32_t f = 0; f < FAMILY_COUNT; ++f) {
        ::testing::AssertionResult ok = heapsIdentical(heapOf(a, f), heapOf(b, f));
        if (!ok) return ::testing::AssertionFailure() << "heap " << f << ": " << ok.message();
    }
    return ::testing::AssertionSuccess();
}

// A board with its own context attached, released together.
struct OwnedBoard {
    SolveContext* context;
    Board* board;
    explicit OwnedBoard(int32_t boxOrder) : context(createSolveContext(boxOrder)), board(createBoard(boxOrder)) {
        board->context = context;
    }
    ~OwnedBoard() {
        destroyBoard(board);
        destroySolveContext(context);
    }
    OwnedBoard(const OwnedBoard&) = delete;
    OwnedBoard& operator=(const OwnedBoard&) = delete;
    Board* operator->() const { return board; }
};

struct PuzzleDeleter {
    void operator()(Puzzle* puzzle) const { destroyPuzzle(puzzle); }
};
using PuzzlePtr = std::unique_ptr<Puzzle, PuzzleDeleter>;

// A puzzle whose givens come from the one-line text form; aborts the test
// binary on a malformed line, which is a fault of the test itself.
inline PuzzlePtr puzzleFromText(const char* text) {
    int32_t cells[MAX_SIDE * MAX_SIDE];
    const char* error = nullptr;
    int32_t n = parsePuzzleText(text, std::strlen(text), cells, &error);
    if (n == 0) std::abort();
    PuzzlePtr puzzle(createPuzzle(n));
    setGivens(puzzle.get(), cells);
    return puzzle;
}

// A complete valid grid of any box order: rows are the band-shifted rotations
// of 1..N, so every row, column and box holds each digit once.
inline int32_t patternDigit(int32_t n, int32_t c, int32_t r) {
    int32_t side = n * n;
    return ((r % n) * n + r / n + c) % side + 1;
}

} // namespace numpl::test

#endif

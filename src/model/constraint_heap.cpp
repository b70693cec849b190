// Constraint heap operations. The sentinel keys (-1 in slot 0, the maximum key
// written behind the last entry) keep bounds tests out of the sift loops,
// which run under every elimination of the solver.
#include "model/constraint_heap.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/solve_context.h"

namespace numpl {

ConstraintHeap* createHeap(int32_t capacity) {
    auto* heap = static_cast<ConstraintHeap*>(std::malloc(sizeof(ConstraintHeap)));
    if (heap == nullptr) failAllocation();
    size_t bytes = sizeof(int32_t) * (static_cast<size_t>(capacity) + 2);
    heap->capacity = capacity;
    heap->count = 0;
    heap->ids = static_cast<int32_t*>(std::malloc(bytes));
    heap->keys = static_cast<int32_t*>(std::malloc(bytes));
    heap->positions = static_cast<int32_t*>(std::malloc(bytes));
    if (heap->ids == nullptr || heap->keys == nullptr || heap->positions == nullptr) failAllocation();
    // All capacity+2 entries are set: the sentinel slot 0 needs -1, and -1 in
    // the last two keeps them defined for flat copies before they are written.
    std::memset(heap->ids, 0xFF, bytes);
    std::memset(heap->keys, 0xFF, bytes);
    std::memset(heap->positions, 0xFF, bytes);
    return heap;
}

void destroyHeap(ConstraintHeap* heap) {
    if (heap == nullptr) return;
    std::free(heap->ids);
    std::free(heap->keys);
    std::free(heap->positions);
    std::free(heap);
}

void insert(ConstraintHeap* heap, int32_t id, int32_t key) {
    if (heap->count >= heap->capacity) {
        std::fputs("failed to insert entry\n", stdout);
        return;
    }
    int32_t slot = ++heap->count;
    heap->ids[slot] = id;
    heap->keys[slot] = key;
    heap->positions[id] = slot;
    siftUp(heap, slot);
}

void popMin(ConstraintHeap* heap) {
    int32_t count = heap->count;
    heap->positions[heap->ids[1]] = -1;
    heap->keys[1] = heap->keys[count];
    heap->ids[1] = heap->ids[count];
    if (count > 1) heap->positions[heap->ids[1]] = 1;
    heap->count = count - 1;
    siftDown(heap, 1);
}

void reportBrokenIndex(const ConstraintHeap* heap, int32_t found, int32_t asked) {
    std::printf("error%d   %d %d\n", heap->count, found, asked);
}

void copyHeap(ConstraintHeap* dst, const ConstraintHeap* src) {
    // The copy is flat over the source's whole arrays, so a destination with
    // less capacity than the source would be overrun even when the entries
    // themselves would fit; refuse that the same way.
    if (dst->capacity < src->count || dst->capacity < src->capacity) {
        std::fputs("failed to copy queue\n", stdout);
        return;
    }
    dst->count = src->count;
    size_t bytes = sizeof(int32_t) * (static_cast<size_t>(src->capacity) + 2);
    std::memcpy(dst->ids, src->ids, bytes);
    std::memcpy(dst->positions, src->positions, bytes);
    std::memcpy(dst->keys, src->keys, bytes);
}

} // namespace numpl

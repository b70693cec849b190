// Indexed binary min-heap of constraint ids keyed by packed candidate keys.
// Every board keeps one per constraint family so the most constrained
// constraint of a family is always in slot 1; the assumption method keeps a
// scratch one that it drains by popping.
#ifndef NUMPL_MODEL_CONSTRAINT_HEAP_H
#define NUMPL_MODEL_CONSTRAINT_HEAP_H

#include <cstdint>

namespace numpl {

// Slots are 1-based so that the parent of s is s >> 1. Two sentinels take the
// bounds tests out of the sift loops:
//
//   slot:   0     1 .. count      count+1
//   keys:  -1     real keys       2147483647 (written by siftDown)
//   ids:   -1     constraint ids
//
// positions is indexed by constraint id and gives its slot, -1 when absent.
struct ConstraintHeap {
    int32_t capacity;   // ids range over 0..capacity-1; fixed at creation
    int32_t count;      // entries in slots 1..count
    int32_t* ids;       // slot -> constraint id, capacity+2 entries
    int32_t* keys;      // slot -> key, capacity+2 entries
    int32_t* positions; // constraint id -> slot, capacity+2 entries
};

constexpr int32_t HEAP_SENTINEL_KEY = -1;
constexpr int32_t HEAP_MAX_KEY = 2147483647;

// Allocates an empty heap with room for ids 0..capacity-1. Running out of
// memory prints "Failed to allocate memory\n" on standard error and aborts.
ConstraintHeap* createHeap(int32_t capacity);

// Frees the three arrays and the header. Does nothing when handed none.
void destroyHeap(ConstraintHeap* heap);

// Appends (id, key) and sifts it up. A full heap prints
// "failed to insert entry\n" on standard output and stays unchanged.
void insert(ConstraintHeap* heap, int32_t id, int32_t key);

// Restore heap order above / below a slot. An entry never passes an equal key
// going up; going down, the right child wins a tie between children. Both run
// under every elimination of the solver, so they live here to be inlined.
//
// They move the travelling entry instead of swapping at each level: the final
// layout is that of pairwise exchanges, with one write per level instead of
// four.
inline void siftUp(ConstraintHeap* heap, int32_t slot) {
    int32_t* ids = heap->ids;
    int32_t* keys = heap->keys;
    int32_t* positions = heap->positions;
    int32_t id = ids[slot];
    int32_t key = keys[slot];
    int32_t parent = slot >> 1;
    // keys[0] is -1, so the loop stops at the root without a slot test.
    while (keys[parent] > key) {
        ids[slot] = ids[parent];
        keys[slot] = keys[parent];
        positions[ids[slot]] = slot;
        slot = parent;
        parent = slot >> 1;
    }
    ids[slot] = id;
    keys[slot] = key;
    positions[id] = slot;
}

inline void siftDown(ConstraintHeap* heap, int32_t slot) {
    int32_t count = heap->count;
    if (2 * slot > count) return;
    int32_t* ids = heap->ids;
    int32_t* keys = heap->keys;
    int32_t* positions = heap->positions;
    // A missing right child then compares as the largest key, so a lone left
    // child needs no special case.
    keys[count + 1] = HEAP_MAX_KEY;
    int32_t id = ids[slot];
    int32_t key = keys[slot];
    do {
        int32_t left = 2 * slot;
        int32_t right = left + 1;
        if (keys[left] >= key && keys[right] >= key) break;
        // Equal children: the right one moves up.
        int32_t child = keys[left] < keys[right] ? left : right;
        ids[slot] = ids[child];
        keys[slot] = keys[child];
        positions[ids[slot]] = slot;
        slot = child;
    } while (2 * slot <= count);
    ids[slot] = id;
    keys[slot] = key;
    positions[id] = slot;
}

// The id in slot 1, or -1 for an empty heap. Cannot fail.
inline int32_t peekMin(const ConstraintHeap* heap) { return heap->count == 0 ? -1 : heap->ids[1]; }

// Removes the root. Only for a non-empty heap; the removed id gets position -1.
void popMin(ConstraintHeap* heap);

// Prints the broken-index diagnostic "error%d   %d %d\n" (count, id found,
// id asked for) on standard output.
void reportBrokenIndex(const ConstraintHeap* heap, int32_t found, int32_t asked);

// Gives an id a new key and moves it to its place. An absent id is ignored; a
// broken index prints "error%d   %d %d\n" (count, id found, id asked for) on
// standard output and leaves the heap alone.
inline void updateKey(ConstraintHeap* heap, int32_t id, int32_t key) {
    int32_t slot = heap->positions[id];
    if (slot < 0) return;
    if (heap->ids[slot] != id) {
        reportBrokenIndex(heap, heap->ids[slot], id);
        return;
    }
    int32_t old = heap->keys[slot];
    heap->keys[slot] = key;
    if (old < key) {
        siftDown(heap, slot);
    } else {
        siftUp(heap, slot);
    }
}

// Makes dst a flat copy of src. When dst->capacity is below src->count or
// src->capacity it prints
// "failed to copy queue\n" on standard output and leaves dst unchanged.
void copyHeap(ConstraintHeap* dst, const ConstraintHeap* src);

// The key of an id that is in the heap.
inline int32_t keyOf(const ConstraintHeap* heap, int32_t id) { return heap->keys[heap->positions[id]]; }

} // namespace numpl

#endif

// Tests of the indexed min-heap: the tie-break rules that later decide which
// single and which branch the solver picks, the sentinels, the diagnostics on
// standard output, and a randomized run against a plain reference map.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "support/boards.h"
#include "support/grids.h"
#include "model/constraint_heap.h"

namespace numpl {
namespace {

using test::heapIsConsistent;
using test::heapsIdentical;

using HeapPtr = test::Owned<ConstraintHeap, destroyHeap>;

// Writes slots 1..count directly, so that a sift starts from a known layout.
HeapPtr heapWithSlots(int32_t capacity, const std::vector<int32_t>& keys) {
    HeapPtr heap(createHeap(capacity));
    heap->count = static_cast<int32_t>(keys.size());
    for (int32_t s = 1; s <= heap->count; ++s) {
        heap->ids[s] = s - 1;
        heap->keys[s] = keys[s - 1];
        heap->positions[s - 1] = s;
    }
    return heap;
}

TEST(ConstraintHeapInsert, FullHeapReportsAndDropsTheEntry) {
    HeapPtr heap(createHeap(3));
    ::testing::internal::CaptureStdout();
    insert(heap.get(), 2, 40);
    insert(heap.get(), 0, 20);
    insert(heap.get(), 1, 30);
    insert(heap.get(), 3, 10); // would become the root if it were taken
    EXPECT_EQ("failed to insert entry\n", ::testing::internal::GetCapturedStdout());
    EXPECT_EQ(3, heap->count);
    EXPECT_EQ(0, peekMin(heap.get()));
    EXPECT_EQ(-1, heap->positions[3]);
    EXPECT_TRUE(heapIsConsistent(heap.get()));
}

TEST(ConstraintHeapInsert, EqualKeysKeepInsertionOrder) {
    HeapPtr heap(createHeap(12));
    for (int32_t id = 0; id < 12; ++id) insert(heap.get(), id, 5119);
    for (int32_t id = 0; id < 12; ++id) {
        EXPECT_EQ(id, heap->ids[id + 1]);
        EXPECT_EQ(id + 1, heap->positions[id]);
    }
    // A later entry with the root's key does not pass it either.
    HeapPtr other(createHeap(4));
    insert(other.get(), 0, 9);
    insert(other.get(), 1, 3);
    insert(other.get(), 2, 3);
    EXPECT_EQ(1, peekMin(other.get()));
    EXPECT_EQ(2, other->ids[3]);
}

TEST(ConstraintHeapSiftDown, RightChildWinsATie) {
    HeapPtr heap = heapWithSlots(4, {5, 3, 3});
    siftDown(heap.get(), 1);
    EXPECT_EQ(2, heap->ids[1]);
    EXPECT_EQ(3, heap->keys[1]);
    EXPECT_EQ(1, heap->ids[2]);
    EXPECT_EQ(0, heap->ids[3]);
    EXPECT_EQ(5, heap->keys[3]);
    EXPECT_TRUE(heapIsConsistent(heap.get()));
}

TEST(ConstraintHeapSiftDown, LoneLeftChildMovesUpOnlyWhenStrictlySmaller) {
    // A stale small key behind the last entry must not pass for a right child.
    HeapPtr equal = heapWithSlots(4, {3, 3});
    equal->keys[3] = 0;
    siftDown(equal.get(), 1);
    EXPECT_EQ(0, equal->ids[1]);
    EXPECT_EQ(1, equal->ids[2]);
    EXPECT_EQ(2147483647, equal->keys[3]);

    HeapPtr smaller = heapWithSlots(4, {2147483647, 2147483646});
    smaller->keys[3] = 0;
    siftDown(smaller.get(), 1);
    EXPECT_EQ(1, smaller->ids[1]);
    EXPECT_EQ(0, smaller->ids[2]);
    EXPECT_EQ(2147483647, smaller->keys[2]);
    EXPECT_TRUE(heapIsConsistent(smaller.get()));
}

TEST(ConstraintHeapPopMin, LastEntryLeavesAnEmptyHeap) {
    HeapPtr heap(createHeap(3));
    EXPECT_EQ(-1, peekMin(heap.get()));
    insert(heap.get(), 2, 17);
    popMin(heap.get());
    EXPECT_EQ(0, heap->count);
    EXPECT_EQ(-1, peekMin(heap.get()));
    EXPECT_EQ(-1, heap->positions[2]);
    EXPECT_TRUE(heapIsConsistent(heap.get()));
}

TEST(ConstraintHeapUpdateKey, UnchangedOrAbsentKeyMovesNothing) {
    HeapPtr heap(createHeap(9));
    for (int32_t id = 0; id < 8; ++id) insert(heap.get(), id, 100);
    HeapPtr before(createHeap(9));
    copyHeap(before.get(), heap.get());
    ::testing::internal::CaptureStdout();
    for (int32_t id = 0; id < 8; ++id) updateKey(heap.get(), id, 100);
    updateKey(heap.get(), 8, 1); // never inserted
    EXPECT_EQ("", ::testing::internal::GetCapturedStdout());
    EXPECT_TRUE(heapsIdentical(before.get(), heap.get()));
}

TEST(ConstraintHeapUpdateKey, BrokenIndexIsReportedAndSkipped) {
    HeapPtr heap(createHeap(5));
    insert(heap.get(), 0, 10);
    insert(heap.get(), 1, 20);
    insert(heap.get(), 2, 30);
    heap->positions[2] = 2; // slot 2 holds id 1
    HeapPtr before(createHeap(5));
    copyHeap(before.get(), heap.get());
    ::testing::internal::CaptureStdout();
    updateKey(heap.get(), 2, 0);
    EXPECT_EQ("error3   1 2\n", ::testing::internal::GetCapturedStdout());
    EXPECT_TRUE(heapsIdentical(before.get(), heap.get()));
}

TEST(ConstraintHeapCopy, SmallDestinationIsReportedAndLeftAlone) {
    HeapPtr src(createHeap(6));
    for (int32_t id = 0; id < 4; ++id) insert(src.get(), id, 50 - id);
    HeapPtr dst(createHeap(3));
    insert(dst.get(), 1, 7);
    HeapPtr before(createHeap(3));
    copyHeap(before.get(), dst.get());
    ::testing::internal::CaptureStdout();
    copyHeap(dst.get(), src.get());
    EXPECT_EQ("failed to copy queue\n", ::testing::internal::GetCapturedStdout());
    EXPECT_TRUE(heapsIdentical(before.get(), dst.get()));

    HeapPtr same(createHeap(6));
    insert(same.get(), 5, 1);
    copyHeap(same.get(), src.get());
    EXPECT_TRUE(heapsIdentical(src.get(), same.get()));
}

// The checker itself must notice faults, or the randomized tests prove nothing.
TEST(ConstraintHeapChecker, NoticesBrokenOrderAndIndex) {
    HeapPtr heap(createHeap(6));
    for (int32_t id = 0; id < 6; ++id) insert(heap.get(), id, id * 10);
    ASSERT_TRUE(heapIsConsistent(heap.get()));
    std::swap(heap->keys[1], heap->keys[5]);
    EXPECT_FALSE(heapIsConsistent(heap.get()));
    std::swap(heap->keys[1], heap->keys[5]);
    heap->positions[3] = 2;
    EXPECT_FALSE(heapIsConsistent(heap.get()));
}

// Random inserts, key changes (up, down, equal) and pops against a map from
// id to key: the root always carries the reference's smallest key, pops come
// out in key order, and every present id has its reference key.
TEST(ConstraintHeapRandom, AgreesWithReferenceMap) {
    for (uint32_t seed = 1; seed <= 20; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::mt19937 rng(seed);
        const int32_t capacity = 1 + static_cast<int32_t>(seed * 7 % 60);
        HeapPtr heap(createHeap(capacity));
        std::map<int32_t, int32_t> reference;
        // Few distinct keys so ties are common; the largest key too.
        auto randomKey = [&rng]() {
            int32_t k = static_cast<int32_t>(rng() % 12);
            return k == 11 ? 2147483647 : k;
        };
        for (int step = 0; step < 2000; ++step) {
            int32_t id = static_cast<int32_t>(rng() % capacity);
            uint32_t op = rng() % 3;
            if (op == 0 && reference.count(id) == 0) {
                int32_t key = randomKey();
                insert(heap.get(), id, key);
                reference[id] = key;
            } else if (op == 1 && reference.count(id) != 0) {
                int32_t key = randomKey();
                updateKey(heap.get(), id, key);
                reference[id] = key;
            } else if (op == 2 && !reference.empty()) {
                int32_t minKey = 2147483647;
                for (auto [i, k] : reference) minKey = std::min(minKey, k);
                int32_t root = peekMin(heap.get());
                ASSERT_EQ(1u, reference.count(root)) << "step " << step;
                ASSERT_EQ(minKey, reference[root]) << "step " << step;
                popMin(heap.get());
                reference.erase(root);
            }
            ASSERT_TRUE(heapIsConsistent(heap.get())) << "step " << step;
            ASSERT_EQ(static_cast<int32_t>(reference.size()), heap->count) << "step " << step;
            for (int32_t i = 0; i < capacity; ++i) {
                if (reference.count(i) == 0) {
                    ASSERT_EQ(-1, heap->positions[i]) << "step " << step << " id " << i;
                } else {
                    ASSERT_EQ(reference[i], keyOf(heap.get(), i)) << "step " << step << " id " << i;
                }
            }
        }
    }
}

} // namespace
} // namespace numpl

// The rule for every result that an analysis makes visible to its caller
// while it runs (the first solution with its counters, each raise of the
// count, the second solution): once a cancel has been requested, nothing more
// goes out. Each such place asks mayPublish first; a test hook, called there
// before the flag is read, lets a test cancel at any of them in turn.
#ifndef NUMPL_CORE_PUBLICATION_H
#define NUMPL_CORE_PUBLICATION_H

#include <atomic>
#include <cstdint>

namespace numpl {

enum PublicationPoint : int32_t {
    PUBLISH_FIRST_SOLUTION,  // the first solution, the five counters and the count 1
    PUBLISH_COUNT,           // a raise of the published count
    PUBLISH_SECOND_SOLUTION, // the grid of the solution that takes the count to two
};

// Called at every publication point before the cancel flag is read; null in
// the program. Tests set it (only while no analysis runs).
extern void (*publicationHook)(PublicationPoint point);

// True when the caller may publish: no cancel has been requested. With no
// flag (a count that publishes nothing to anyone) always true.
inline bool mayPublish(const std::atomic<int32_t>* cancel, PublicationPoint point) {
    if (publicationHook != nullptr) publicationHook(point);
    return cancel == nullptr || cancel->load(std::memory_order_seq_cst) == 0;
}

// After a count was published: a cancel that came between mayPublish and the
// store has already zeroed the count on the other side, and the store may
// have overwritten that zero; put it back. Both sides order their two
// accesses sequentially consistently, so one of them sees the other.
inline void withdrawIfCancelled(const std::atomic<int32_t>* cancel, std::atomic<int32_t>* published) {
    if (cancel != nullptr && cancel->load(std::memory_order_seq_cst) != 0)
        published->store(0, std::memory_order_seq_cst);
}

} // namespace numpl

#endif

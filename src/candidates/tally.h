// The tally that exact counts share: what a count is told (limit, cancel
// flag, where to publish), how it ends, and the one way every counter adds a
// solution to it and makes the result visible, so that counts of different
// kinds can add into one tally and publish under the same rules.
#ifndef NUMPL_CANDIDATES_TALLY_H
#define NUMPL_CANDIDATES_TALLY_H

#include <atomic>
#include <cstdint>

#include "candidates/candidate_grid.h"
#include "core/publication.h"

namespace numpl {

enum CountOutcome : int32_t {
    COUNT_EXHAUSTED = 0, // every solution of the grid is in the tally
    COUNT_LIMITED,       // the tally reached its limit
    COUNT_CANCELLED,     // the cancel flag was raised
    COUNT_OUT_OF_BUDGET, // the node budget ran out; the count can go on or hand parts over
};

// Where the counts keep the solution that takes the shared tally to two. Its
// digits go into `rows` (N rows of N) and `written` is raised (release) before
// a tally above one is published, so whoever sees a published count of two or
// more also sees the grid.
struct SecondSolution {
    int32_t* const* rows;
    std::atomic<int32_t> written{0};
};

struct CountControl {
    std::atomic<int32_t>* tally;             // solutions counted so far by every count that shares it
    int32_t limit;                           // no count goes on once the tally has reached this
    const std::atomic<int32_t>* cancel;      // nonzero stops every count at its next node
    std::atomic<int32_t>* published;         // when set, raised to the tally after each solution (release)
    SecondSolution* second = nullptr;        // when set, receives the solution that makes the tally two
    std::atomic<int32_t>* gaveWay = nullptr; // when set, raised once a count stops or holds back a result for a cancel
};

// True when the cancel flag is up; then also raises gaveWay, so that the
// caller learns that some work was left undone or unpublished.
inline bool cancelSeen(const CountControl* control) {
    if (control->cancel == nullptr || control->cancel->load(std::memory_order_relaxed) == 0) return false;
    if (control->gaveWay != nullptr) control->gaveWay->store(1, std::memory_order_relaxed);
    return true;
}

// Raises the published count to `count` unless it is already higher, and
// never after a cancel.
inline void publishCount(const CountControl* control, int32_t count) {
    if (!mayPublish(control->cancel, PUBLISH_COUNT)) {
        cancelSeen(control);
        return;
    }
    std::atomic<int32_t>* published = control->published;
    int32_t shown = published->load(std::memory_order_relaxed);
    while (shown < count &&
           !published->compare_exchange_weak(shown, count, std::memory_order_seq_cst, std::memory_order_relaxed)) {
    }
    withdrawIfCancelled(control->cancel, published);
}

// Adds one solved grid (only its shape and values are read); true when the
// tally has reached the limit. The count that takes the tally to two writes
// that grid out before it publishes; the counts that find more solutions
// meanwhile publish nothing above one until the grid is written, and that
// count then publishes for them too.
inline bool addSolution(const CountControl* control, const CandidateGrid* grid) {
    int32_t now = control->tally->fetch_add(1, std::memory_order_relaxed) + 1;
    int32_t shown = now;
    SecondSolution* second = control->second;
    if (second != nullptr && now == 2) {
        // A grid that nobody may see is not written; without it no count
        // above one goes out either.
        if (!mayPublish(control->cancel, PUBLISH_SECOND_SOLUTION)) {
            cancelSeen(control);
            return now >= control->limit;
        }
        int32_t side = grid->shape->side;
        for (int32_t r = 0; r < side; ++r) {
            for (int32_t c = 0; c < side; ++c) second->rows[r][c] = grid->values[r * side + c];
        }
        second->written.store(1, std::memory_order_release);
        int32_t later = control->tally->load(std::memory_order_relaxed);
        shown = later > now ? later : now;
    } else if (second != nullptr && now > 2 && second->written.load(std::memory_order_acquire) == 0) {
        shown = 1;
    }
    if (control->published != nullptr) publishCount(control, shown);
    return now >= control->limit;
}

// The limit first: a count that has reached it is complete, whatever
// cancel comes after.
inline bool mustStop(const CountControl* control, CountOutcome* outcome) {
    if (control->tally->load(std::memory_order_relaxed) >= control->limit) {
        *outcome = COUNT_LIMITED;
        return true;
    }
    if (cancelSeen(control)) {
        *outcome = COUNT_CANCELLED;
        return true;
    }
    return false;
}

} // namespace numpl

#endif

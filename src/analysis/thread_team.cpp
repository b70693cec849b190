// The helper threads. Items are handed out through one atomic counter, so
// whoever is running takes the next one; the caller waits only for helpers
// that joined the job, never for one that is still asleep.
#include "analysis/thread_team.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

#include "core/solve_context.h"

namespace numpl {

namespace {

struct TeamState {
    std::mutex lock;
    std::condition_variable wake;     // helpers sleep here between jobs
    std::condition_variable finished; // the caller waits here for the helpers that joined
    // Guarded by lock:
    uint64_t generation = 0;          // moves on with every job
    bool open = false;                // the current job still takes helpers
    int32_t wanted = 0;               // helpers 1..wanted may join it
    int32_t joined = 0;               // helpers working on it now
    int32_t helpers = 0;              // helpers made so far
    TeamItem item = nullptr;
    void* context = nullptr;
    int32_t count = 0;
    // Item numbers handed out so far; only ever grows within a job.
    std::atomic<int32_t> next{0};
};

// Made on first use and never released: helpers sleep on it until the
// process ends.
TeamState* team = nullptr;

void takeItems(TeamItem item, void* context, int32_t count, int32_t worker) {
    for (int32_t i = team->next.fetch_add(1, std::memory_order_relaxed); i < count;
         i = team->next.fetch_add(1, std::memory_order_relaxed)) {
        item(i, worker, context);
    }
}

void helperLoop(int32_t worker) {
    uint64_t seen = 0;
    std::unique_lock<std::mutex> guard(team->lock);
    for (;;) {
        team->wake.wait(guard, [&] { return team->generation != seen; });
        seen = team->generation;
        if (!team->open || worker > team->wanted) continue;
        ++team->joined;
        TeamItem item = team->item;
        void* context = team->context;
        int32_t count = team->count;
        guard.unlock();
        takeItems(item, context, count, worker);
        guard.lock();
        if (--team->joined == 0) team->finished.notify_all();
    }
}

// Helpers 1..wanted, as far as the system lets us make them; the caller does
// the work of any that could not be made.
int32_t ensureHelpers(int32_t wanted) {
    if (team == nullptr) team = new TeamState();
    std::lock_guard<std::mutex> guard(team->lock);
    while (team->helpers < wanted) {
        try {
            std::thread(helperLoop, team->helpers + 1).detach();
        } catch (const std::system_error&) {
            break;
        }
        ++team->helpers;
    }
    return team->helpers < wanted ? team->helpers : wanted;
}

} // namespace

// Asking the system reads a file on some platforms, so the answer is kept.
int32_t processorCount() {
    static const int32_t processors = [] {
        unsigned count = std::thread::hardware_concurrency();
        return count == 0 ? 1 : static_cast<int32_t>(count);
    }();
    return processors;
}

void runOnTeam(int32_t threads, int32_t count, TeamItem item, void* context) {
    if (threads > MAX_THREADS) threads = MAX_THREADS;
    if (threads > count) threads = count;
    int32_t helpers = threads > 1 ? ensureHelpers(threads - 1) : 0;
    if (helpers == 0) {
        for (int32_t i = 0; i < count; ++i) item(i, 0, context);
        return;
    }
    {
        std::lock_guard<std::mutex> guard(team->lock);
        team->item = item;
        team->context = context;
        team->count = count;
        team->next.store(0, std::memory_order_relaxed);
        team->wanted = helpers;
        team->open = true;
        ++team->generation;
    }
    team->wake.notify_all();
    takeItems(item, context, count, 0);
    std::unique_lock<std::mutex> guard(team->lock);
    team->open = false;
    team->finished.wait(guard, [] { return team->joined == 0; });
}

} // namespace numpl

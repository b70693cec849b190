// The helper threads. A job is published by moving a generation counter on;
// a helper that has just finished a job watches that counter for a short
// while, yielding its processor at every look, and then sleeps on a condition
// variable until the next job. The logic step calls the trials batch after
// batch with little in between, so the helpers are awake for the next batch
// without costing a busy machine more than a few yields.
//
// Items are handed out through one atomic counter, so whoever is running
// takes the next one; the caller waits only for helpers that joined the job,
// never for one that is still asleep or not scheduled.
#include "analysis/thread_team.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "core/solve_context.h"

namespace numpl {

struct ThreadTeam {
    std::mutex lock;
    std::condition_variable wake;        // sleeping helpers wait here
    std::condition_variable finished;    // the caller waits here for the helpers that joined
    std::atomic<uint64_t> generation{0}; // moves on with every job
    std::atomic<bool> open{false};       // the current job still takes helpers
    std::atomic<int32_t> joined{0};      // helpers inside the current job
    std::atomic<int32_t> next{0};        // item numbers handed out so far in the current job
    // Written by the caller only while no helper is inside a job (joined 0
    // and open false), read by helpers only while inside one.
    TeamItem item = nullptr;
    void* context = nullptr;
    int32_t count = 0;
    int32_t wanted = 0;                  // helpers 1..wanted may take items
    int32_t helpers = 0;                 // helpers made so far; guarded by lock
    std::atomic<bool> quit{false};       // the team is being destroyed: helpers leave
    std::vector<std::thread> threads;    // the helpers; guarded by lock
};

namespace {

// How long a helper keeps watching for the next job before it sleeps.
constexpr std::chrono::microseconds WATCH_TIME(200);

void takeItems(ThreadTeam* team, TeamItem item, void* context, int32_t count, int32_t worker) {
    for (int32_t i = team->next.fetch_add(1, std::memory_order_relaxed); i < count;
         i = team->next.fetch_add(1, std::memory_order_relaxed)) {
        item(i, worker, context);
    }
}

// Joins the open job and runs its items. Joining first and looking at `open`
// after (both sequentially consistent) means that a caller which has closed
// the job and seen nobody joined cannot be passed by a helper that joins
// late: that helper sees the job closed and leaves it alone.
void helpWithJob(ThreadTeam* team, int32_t worker) {
    team->joined.fetch_add(1);
    if (team->open.load() && worker <= team->wanted) takeItems(team, team->item, team->context, team->count, worker);
    if (team->joined.fetch_sub(1) == 1) {
        std::lock_guard<std::mutex> guard(team->lock);
        team->finished.notify_all();
    }
}

// A destroyed team raises quit, which a helper looks at wherever it would
// otherwise wait: it may have taken the generation of the end for that of a
// job it came too late for.
void helperLoop(ThreadTeam* team, int32_t worker) {
    uint64_t seen = team->generation.load();
    for (;;) {
        auto start = std::chrono::steady_clock::now();
        while (team->generation.load() == seen && !team->quit.load() &&
               std::chrono::steady_clock::now() - start < WATCH_TIME) {
            std::this_thread::yield();
        }
        if (team->generation.load() == seen) {
            std::unique_lock<std::mutex> guard(team->lock);
            team->wake.wait(guard, [&] { return team->generation.load() != seen || team->quit.load(); });
        }
        if (team->quit.load()) return;
        seen = team->generation.load();
        helpWithJob(team, worker);
    }
}

// Helpers 1..wanted, as far as the system lets us make them; the caller does
// the work of any that could not be made.
int32_t ensureHelpers(ThreadTeam* team, int32_t wanted) {
    std::lock_guard<std::mutex> guard(team->lock);
    while (team->helpers < wanted) {
        try {
            team->threads.emplace_back(helperLoop, team, team->helpers + 1);
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

ThreadTeam* createThreadTeam() { return new ThreadTeam(); }

void destroyThreadTeam(ThreadTeam* team) {
    if (team == nullptr) return;
    {
        std::lock_guard<std::mutex> guard(team->lock);
        team->quit.store(true);
        team->generation.fetch_add(1);
    }
    team->wake.notify_all();
    for (std::thread& helper : team->threads) helper.join();
    delete team;
}

void runOnTeam(ThreadTeam* team, int32_t threads, int32_t count, TeamItem item, void* context) {
    if (threads > MAX_THREADS) threads = MAX_THREADS;
    if (threads > count) threads = count;
    int32_t helpers = threads > 1 ? ensureHelpers(team, threads - 1) : 0;
    if (helpers == 0) {
        for (int32_t i = 0; i < count; ++i) item(i, 0, context);
        return;
    }
    team->item = item;
    team->context = context;
    team->count = count;
    team->wanted = helpers;
    // Item 0 is the caller's before anyone else can take it: it may go on
    // with work whose memory is in this thread's caches.
    team->next.store(1, std::memory_order_relaxed);
    team->open.store(true);
    {
        // Under the lock, so that a helper about to sleep either sees the new
        // generation in its wait predicate or is already waiting.
        std::lock_guard<std::mutex> guard(team->lock);
        team->generation.fetch_add(1);
    }
    team->wake.notify_all();
    item(0, 0, context);
    takeItems(team, item, context, count, 0);
    team->open.store(false);
    // The helpers still inside are on their last items: watch them for a
    // while before sleeping, since a wake-up takes longer than most items.
    auto start = std::chrono::steady_clock::now();
    while (team->joined.load() != 0 && std::chrono::steady_clock::now() - start < WATCH_TIME) {
        std::this_thread::yield();
    }
    if (team->joined.load() == 0) return;
    std::unique_lock<std::mutex> guard(team->lock);
    team->finished.wait(guard, [team] { return team->joined.load() == 0; });
}

} // namespace numpl

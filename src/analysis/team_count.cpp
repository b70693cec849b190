// The team count. A thread counts its part in slices of nodes; between two
// slices it looks whether another thread waits for work, and only then splits
// its part. Splitting costs grid copies, so a part that nobody else needs is
// counted to its end in one piece.
#include "analysis/team_count.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

#include "analysis/thread_team.h"

namespace numpl {

namespace {

// Nodes between two looks at the other threads.
constexpr int64_t SLICE_NODES = 256;

SolutionCounter* teamCounters[MAX_THREADS] = {};

SolutionCounter* counterOf(int32_t thread) {
    if (teamCounters[thread] == nullptr) teamCounters[thread] = createSolutionCounter();
    return teamCounters[thread];
}

bool stopRequested(const CountControl* control) {
    return (control->cancel != nullptr && control->cancel->load(std::memory_order_relaxed) != 0) ||
           control->tally->load(std::memory_order_relaxed) >= control->limit;
}

} // namespace

struct CountPool {
    std::mutex lock;
    std::vector<CandidateGrid*> waiting; // parts nobody counts yet; guarded by lock
    std::vector<CandidateGrid*> spare;   // grids to reuse; guarded by lock
    int32_t busy = 0;                    // threads counting a part; guarded by lock
    std::atomic<int32_t> idle{0};        // threads that found the pool empty
};

namespace {

CandidateGrid* spareGrid(CountPool* pool) {
    CandidateGrid* grid = nullptr;
    if (!pool->spare.empty()) {
        grid = pool->spare.back();
        pool->spare.pop_back();
    } else {
        grid = static_cast<CandidateGrid*>(std::malloc(sizeof(CandidateGrid)));
        if (grid == nullptr) failAllocation();
    }
    return grid;
}

void addSubgrid(const CandidateGrid* grid, void* context) {
    auto* pool = static_cast<CountPool*>(context);
    std::lock_guard<std::mutex> guard(pool->lock);
    CandidateGrid* copy = spareGrid(pool);
    copyCandidateGrid(grid, copy);
    pool->waiting.push_back(copy);
}

// The next part, or none. `done` tells that none will ever come: the pool is
// empty and no thread is counting a part that could still be split.
CandidateGrid* takePart(CountPool* pool, bool* done) {
    std::lock_guard<std::mutex> guard(pool->lock);
    *done = false;
    if (pool->waiting.empty()) {
        *done = pool->busy == 0;
        return nullptr;
    }
    CandidateGrid* part = pool->waiting.back();
    pool->waiting.pop_back();
    ++pool->busy;
    return part;
}

void finishPart(CountPool* pool, CandidateGrid* part) {
    std::lock_guard<std::mutex> guard(pool->lock);
    pool->spare.push_back(part);
    --pool->busy;
}

void countParts(CountPool* pool, const CountControl* control, SolutionCounter* counter, CandidateGrid* scratch) {
    for (;;) {
        bool done = false;
        CandidateGrid* part = takePart(pool, &done);
        if (part == nullptr) {
            if (done || stopRequested(control)) return;
            pool->idle.fetch_add(1, std::memory_order_relaxed);
            std::this_thread::sleep_for(std::chrono::microseconds(50));
            pool->idle.fetch_sub(1, std::memory_order_relaxed);
            continue;
        }
        CountOutcome outcome = countSolutions(counter, part, control, SLICE_NODES, nullptr, nullptr);
        while (outcome == COUNT_OUT_OF_BUDGET) {
            if (pool->idle.load(std::memory_order_relaxed) > 0) {
                takeRemainingSubgrids(counter, scratch, addSubgrid, pool);
                break;
            }
            outcome = continueCount(counter, control, SLICE_NODES, nullptr);
        }
        finishPart(pool, part);
    }
}

} // namespace

CountPool* createCountPool() { return new CountPool(); }

void destroyCountPool(CountPool* pool) {
    if (pool == nullptr) return;
    for (CandidateGrid* grid : pool->waiting) std::free(grid);
    for (CandidateGrid* grid : pool->spare) std::free(grid);
    delete pool;
}

void addToPool(CountPool* pool, const CandidateGrid* grid) { addSubgrid(grid, pool); }

void countOnTeam(CountPool* pool, const CountControl* control, int32_t threads) {
    if (threads > MAX_THREADS) threads = MAX_THREADS;
    struct Job {
        CountPool* pool;
        const CountControl* control;
        std::vector<CandidateGrid*> scratch;
    } job{pool, control, std::vector<CandidateGrid*>(static_cast<size_t>(threads))};
    for (int32_t t = 0; t < threads; ++t) {
        counterOf(t);
        job.scratch[t] = spareGrid(pool);
    }
    // One item per worker, each the loop over the pool; a worker that comes
    // late finds the pool empty and returns. Each uses only the counter and
    // the scratch grid of its own number.
    runOnTeam(threads, threads, [](int32_t, int32_t worker, void* context) {
        auto* work = static_cast<Job*>(context);
        countParts(work->pool, work->control, teamCounters[worker], work->scratch[worker]);
    }, &job);
    std::lock_guard<std::mutex> guard(pool->lock);
    for (CandidateGrid* grid : pool->waiting) pool->spare.push_back(grid);
    pool->waiting.clear();
    for (CandidateGrid* grid : job.scratch) pool->spare.push_back(grid);
}

} // namespace numpl

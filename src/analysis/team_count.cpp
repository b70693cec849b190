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

// Nodes between two looks at the other workers.
constexpr int64_t SLICE_NODES = 256;

// Workers of a count on one thread, which take turns slice by slice.
constexpr int32_t INTERLEAVED_WORKERS = 2;

bool stopRequested(const CountControl* control) {
    return control->tally->load(std::memory_order_relaxed) >= control->limit || cancelSeen(control);
}

} // namespace

// A part is a grid of its own, or a board's digits and cell keys that are
// turned into a grid only when a thread takes the part: a deep search leaves
// hundreds of boards, and they stay unchanged while the team counts.
struct Part {
    CandidateGrid* grid;
    int32_t boxOrder;
    const int32_t* values;
    const int32_t* cellKeys;
};

struct CountPool {
    std::mutex lock;
    std::vector<Part> waiting;           // parts nobody counts yet; guarded by lock
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
    pool->waiting.push_back(Part{copy, 0, nullptr, nullptr});
}

// The next part; false when there is none now. *done tells that none will
// ever come: the pool is empty and no thread is counting a part that could
// still be split.
bool takePart(CountPool* pool, Part* part, bool* done) {
    std::lock_guard<std::mutex> guard(pool->lock);
    *done = false;
    if (pool->waiting.empty()) {
        *done = pool->busy == 0;
        return false;
    }
    *part = pool->waiting.back();
    pool->waiting.pop_back();
    ++pool->busy;
    return true;
}

bool poolEmpty(CountPool* pool) {
    std::lock_guard<std::mutex> guard(pool->lock);
    return pool->waiting.empty();
}

void releaseGrid(CountPool* pool, CandidateGrid* grid) {
    if (grid == nullptr) return;
    std::lock_guard<std::mutex> guard(pool->lock);
    pool->spare.push_back(grid);
}

void finishPart(CountPool* pool) {
    std::lock_guard<std::mutex> guard(pool->lock);
    --pool->busy;
}

// Goes on with a count that ran out of its slice until it ends. Whenever
// another worker waits for work, the count hands over the untried options of
// its shallowest frame: the largest part it has left, while it keeps its own
// place deep in the search, where the next solutions are.
void finishCount(CountPool* pool, const CountControl* control, SolutionCounter* counter, CandidateGrid* buffer,
                 CountOutcome outcome) {
    while (outcome == COUNT_OUT_OF_BUDGET) {
        if (pool->idle.load(std::memory_order_relaxed) > 0 && takeShallowestSubgrid(counter, buffer)) {
            addSubgrid(buffer, pool);
        }
        outcome = continueCount(counter, control, SLICE_NODES, nullptr);
    }
}

// `buffer` takes a board part's grid and the subgrids handed over.
void countParts(CountPool* pool, const CountControl* control, SolutionCounter* counter, CandidateGrid* buffer) {
    for (;;) {
        if (stopRequested(control)) return;
        bool done = false;
        Part part{};
        if (!takePart(pool, &part, &done)) {
            if (done) return;
            pool->idle.fetch_add(1, std::memory_order_relaxed);
            std::this_thread::sleep_for(std::chrono::microseconds(50));
            pool->idle.fetch_sub(1, std::memory_order_relaxed);
            continue;
        }
        const CandidateGrid* start = part.grid;
        if (start == nullptr) {
            loadCandidateGrid(buffer, part.boxOrder, part.values, part.cellKeys);
            start = buffer;
        }
        // The count works on copies from here on, so the part's grid can go.
        CountOutcome outcome = countSolutions(counter, start, control, SLICE_NODES, nullptr, nullptr);
        releaseGrid(pool, part.grid);
        finishCount(pool, control, counter, buffer, outcome);
        finishPart(pool);
    }
}

// One worker of an interleaved count: a count in progress, or none.
struct Turn {
    SolutionCounter* counter;
    CandidateGrid* buffer;
    bool counting;
};

// Starts the next part of the pool on an idle worker; false when the pool is
// empty.
bool startPart(CountPool* pool, const CountControl* control, Turn* turn) {
    bool done = false;
    Part part{};
    if (!takePart(pool, &part, &done)) return false;
    const CandidateGrid* start = part.grid;
    if (start == nullptr) {
        loadCandidateGrid(turn->buffer, part.boxOrder, part.values, part.cellKeys);
        start = turn->buffer;
    }
    CountOutcome outcome = countSolutions(turn->counter, start, control, SLICE_NODES, nullptr, nullptr);
    releaseGrid(pool, part.grid);
    turn->counting = outcome == COUNT_OUT_OF_BUDGET;
    if (!turn->counting) finishPart(pool);
    return true;
}

} // namespace

// Worker 0 is the caller, which counts with the counter it brings; the
// others use the handle's helper counters.
void countInterleaved(AnalysisHandle* handle, CountPool* pool, const CountControl* control,
                      SolutionCounter* callerCounter, bool callerCountOpen) {
    Turn turns[INTERLEAVED_WORKERS];
    {
        std::lock_guard<std::mutex> guard(pool->lock);
        for (int32_t t = 0; t < INTERLEAVED_WORKERS; ++t) {
            turns[t] = Turn{t == 0 ? callerCounter : helperCounterOf(handle, t), spareGrid(pool),
                            t == 0 && callerCountOpen};
        }
        if (callerCountOpen) pool->busy = 1;
    }
    while (!stopRequested(control)) {
        bool anyCounting = false;
        bool anyIdle = false;
        for (Turn& turn : turns) {
            if (!turn.counting) {
                if (!startPart(pool, control, &turn)) anyIdle = true;
            } else if (continueCount(turn.counter, control, SLICE_NODES, nullptr) != COUNT_OUT_OF_BUDGET) {
                turn.counting = false;
                finishPart(pool);
            } else if (anyIdle && takeShallowestSubgrid(turn.counter, turn.buffer)) {
                addSubgrid(turn.buffer, pool);
            }
            anyCounting = anyCounting || turn.counting;
        }
        if (!anyCounting && poolEmpty(pool)) break;
    }
    std::lock_guard<std::mutex> guard(pool->lock);
    for (Turn& turn : turns) pool->spare.push_back(turn.buffer);
    for (const Part& part : pool->waiting) {
        if (part.grid != nullptr) pool->spare.push_back(part.grid);
    }
    pool->waiting.clear();
}

CountPool* createCountPool() { return new CountPool(); }

void destroyCountPool(CountPool* pool) {
    if (pool == nullptr) return;
    for (const Part& part : pool->waiting) std::free(part.grid);
    for (CandidateGrid* grid : pool->spare) std::free(grid);
    delete pool;
}

void addToPool(CountPool* pool, const CandidateGrid* grid) { addSubgrid(grid, pool); }

void addBoardToPool(CountPool* pool, int32_t boxOrder, const int32_t* values, const int32_t* cellKeys) {
    std::lock_guard<std::mutex> guard(pool->lock);
    pool->waiting.push_back(Part{nullptr, boxOrder, values, cellKeys});
}

void countOnTeam(AnalysisHandle* handle, CountPool* pool, const CountControl* control, int32_t threads,
                 SolutionCounter* callerCounter, bool callerCountOpen) {
    if (threads > MAX_THREADS) threads = MAX_THREADS;
    struct Job {
        CountPool* pool;
        const CountControl* control;
        std::vector<CandidateGrid*> scratch;
        std::vector<SolutionCounter*> counters;
        bool callerCountOpen;
    } job{pool, control, std::vector<CandidateGrid*>(static_cast<size_t>(threads)),
          std::vector<SolutionCounter*>(static_cast<size_t>(threads)), callerCountOpen};
    // The caller counts its parts with its own counter too, once the count
    // it began is done: a counter's stack is the largest memory of a count.
    {
        std::lock_guard<std::mutex> guard(pool->lock);
        for (int32_t t = 0; t < threads; ++t) {
            job.counters[t] = t == 0 ? callerCounter : helperCounterOf(handle, t);
            job.scratch[t] = spareGrid(pool);
        }
        // The caller's own count can still hand parts over: until it has
        // ended, an empty pool does not mean that the work is done.
        if (callerCountOpen) pool->busy = 1;
    }
    // One item per worker, each the loop over the pool; a worker that comes
    // late finds the pool empty and returns. Each uses only the counter and
    // the scratch grid of its own number.
    runOnTeam(handle->team, threads, threads, [](int32_t item, int32_t worker, void* context) {
        auto* work = static_cast<Job*>(context);
        // Item 0 runs on the caller, which goes on with the count it began.
        if (item == 0 && work->callerCountOpen) {
            finishCount(work->pool, work->control, work->counters[0], work->scratch[worker], COUNT_OUT_OF_BUDGET);
            finishPart(work->pool);
        }
        countParts(work->pool, work->control, work->counters[worker], work->scratch[worker]);
    }, &job);
    std::lock_guard<std::mutex> guard(pool->lock);
    for (const Part& part : pool->waiting) {
        if (part.grid != nullptr) pool->spare.push_back(part.grid);
    }
    pool->waiting.clear();
    for (CandidateGrid* grid : job.scratch) pool->spare.push_back(grid);
}

} // namespace numpl

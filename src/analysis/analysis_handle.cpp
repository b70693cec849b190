// Creation and release of analysis handles.
#include "analysis/analysis_handle.h"

#include <cstdlib>

namespace numpl {

namespace {

CandidateGrid* newGrid() {
    auto* grid = static_cast<CandidateGrid*>(std::malloc(sizeof(CandidateGrid)));
    if (grid == nullptr) failAllocation();
    return grid;
}

} // namespace

AnalysisHandle* createAnalysisHandle() {
    auto* handle = static_cast<AnalysisHandle*>(std::calloc(1, sizeof(AnalysisHandle)));
    if (handle == nullptr) failAllocation();
    handle->team = createThreadTeam();
    return handle;
}

void destroyAnalysisHandle(AnalysisHandle* handle) {
    if (handle == nullptr) return;
    destroyThreadTeam(handle->team);
    releaseAssumptionScratch(&handle->assumption);
    destroySolutionCounter(handle->count.counter);
    destroyClauseCounter(handle->count.learning);
    std::free(handle->count.grid);
    std::free(handle->count.loadedGrid);
    for (SolutionCounter* counter : handle->teamCounters) destroySolutionCounter(counter);
    std::free(handle);
}

AnalysisHandle* processHandle() {
    static AnalysisHandle* const handle = createAnalysisHandle();
    return handle;
}

CountScratch* countScratchOf(AnalysisHandle* handle) {
    CountScratch* scratch = &handle->count;
    if (scratch->counter == nullptr) {
        scratch->counter = createSolutionCounter();
        scratch->grid = newGrid();
        scratch->loadedGrid = newGrid();
        scratch->learning = createClauseCounter();
    }
    return scratch;
}

SolutionCounter* helperCounterOf(AnalysisHandle* handle, int32_t worker) {
    if (handle->teamCounters[worker] == nullptr) handle->teamCounters[worker] = createSolutionCounter();
    return handle->teamCounters[worker];
}

} // namespace numpl

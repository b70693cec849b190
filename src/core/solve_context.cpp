// SolveContext creation and release, and the one reaction to running out of
// memory inside an analysis.
#include "core/solve_context.h"

#include <cstdio>
#include <cstdlib>

namespace numpl {

void failAllocation() {
    std::fputs("Failed to allocate memory\n", stderr);
    std::abort();
}

SolveContext* createSolveContext(int32_t boxOrder) {
    auto* context = static_cast<SolveContext*>(std::malloc(sizeof(SolveContext)));
    if (context == nullptr) failAllocation();
    *context = SolveContext{boxOrder, 1, 1, 1, 1, 120, 3, 1, 0, 0, 0, 0, 0, nullptr};
    return context;
}

void destroySolveContext(SolveContext* context) { std::free(context); }

} // namespace numpl

// Analyses on handles of their own share nothing: two of them side by side,
// each on its own thread and handle, give exactly the results that the same
// analyses give one after the other on one handle, at one thread and with
// helper threads. The ThreadSanitizer stage runs this too.
#include "analysis/analysis_handle.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "analysis/search.h"
#include "support/boards.h"
#include "support/grids.h"

namespace numpl::test {
namespace {

using HandlePtr = Owned<AnalysisHandle, destroyAnalysisHandle>;

// Count, the five counters and the first solution: what the tool prints.
std::string resultOf(AnalysisHandle* handle, const std::string& grid, int32_t threads) {
    PuzzlePtr puzzle = puzzleFromText(grid);
    puzzle->threadCount.store(threads);
    int32_t count = analysePuzzleWith(handle, puzzle.get());
    std::string result = std::to_string(count);
    for (int32_t counter : {puzzle->singleCount.load(), puzzle->basicCount.load(), puzzle->pairTripleCount.load(),
                            puzzle->assumptionCount.load(), puzzle->branchCount.load()}) {
        result += ' ';
        result += std::to_string(counter);
    }
    int32_t side = puzzle->boxOrder * puzzle->boxOrder;
    result += ' ';
    for (int32_t r = 0; r < side; ++r) {
        for (int32_t c = 0; c < side; ++c) {
            result += std::to_string(puzzle->solution[r][c]);
            result += ',';
        }
    }
    return result;
}

TEST(AnalysisHandle, SideBySideAnalysesGiveWhatTheyGiveOneAfterTheOther) {
    std::vector<KnownCount> lines = readKnownCounts({"known-counts-9x9.txt", "known-counts-16x16.txt"});
    ASSERT_GE(lines.size(), 8u);
    if (lines.size() > 24) lines.resize(24);
    for (int32_t threads : {1, 2}) {
        HandlePtr alone(createAnalysisHandle());
        std::vector<std::string> expected;
        for (const KnownCount& line : lines) expected.push_back(resultOf(alone.get(), line.grid, threads));

        // Each thread takes every other grid, so the two run at once for
        // most of the time.
        std::vector<std::string> got(lines.size());
        auto half = [&](size_t first) {
            HandlePtr own(createAnalysisHandle());
            for (size_t i = first; i < lines.size(); i += 2) got[i] = resultOf(own.get(), lines[i].grid, threads);
        };
        std::thread other(half, 1);
        half(0);
        other.join();
        for (size_t i = 0; i < lines.size(); ++i) {
            EXPECT_EQ(expected[i], got[i]) << lines[i].grid << " threads " << threads;
            EXPECT_EQ(std::to_string(lines[i].count), expected[i].substr(0, expected[i].find(' '))) << lines[i].grid;
        }
    }
}

} // namespace
} // namespace numpl::test

// Tests of redundant givens and minimal puzzles: both against the same
// questions asked of the independent brute-force counter on random puzzles
// with one solution, the refusal of givens with several, and cancels before
// and during work on a 25x25 grid.
#include "composing/redundant_givens.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <future>
#include <numeric>
#include <random>
#include <thread>
#include <vector>

#include "support/boards.h"
#include "support/grids.h"

namespace numpl {
namespace {

using test::BruteCounter;
using ScratchPtr = test::Owned<ComposeScratch, destroyComposeScratch>;
using Cells = std::vector<int32_t>;

// Solutions of the givens without the one at `cell` (none when it is -1).
int32_t bruteCountWithout(int32_t n, Cells givens, size_t cell) {
    if (cell < givens.size()) givens[cell] = 0;
    return BruteCounter(n, givens).count(2);
}

// Givens of a random full grid, added in random order until the brute-force
// counter finds one solution, and then `extra` more, which may be redundant.
Cells randomUniquePuzzle(int32_t n, std::mt19937& random) {
    Cells full = test::randomFullGrid(n, random);
    Cells order(full.size());
    std::iota(order.begin(), order.end(), 0);
    std::shuffle(order.begin(), order.end(), random);
    Cells givens(full.size(), 0);
    size_t extra = random() % (order.size() / 8 + 1);
    for (int32_t cell : order) {
        if (bruteCountWithout(n, givens, -1) == 1 && extra-- == 0) break;
        givens[cell] = full[cell];
    }
    return givens;
}

TEST(RedundantGivens, AgreeWithBruteForceOnRandomPuzzles) {
    uint32_t seed = 20261208;
    std::mt19937 random(seed);
    ScratchPtr scratch(createComposeScratch());
    for (int32_t round = 0; round < 60; ++round) {
        int32_t n = round % 4 == 0 ? 2 : 3; // one scratch for both sizes, in turns
        Cells givens = randomUniquePuzzle(n, random);
        SCOPED_TRACE(testing::Message() << "seed " << seed << " round " << round);
        std::vector<uint8_t> marks(givens.size(), 7), expected(givens.size(), 0);
        int32_t marked = -1;
        ASSERT_EQ(COMPOSE_DONE, findRedundantGivens(scratch.get(), n, givens.data(), nullptr, marks.data(), &marked));
        for (size_t cell = 0; cell < givens.size(); ++cell) {
            expected[cell] = givens[cell] != 0 && bruteCountWithout(n, givens, cell) == 1;
        }
        EXPECT_EQ(expected, marks);
        EXPECT_EQ(std::count(expected.begin(), expected.end(), 1), marked);

        // The row-major removal written out with the brute-force counter; the
        // engine's result is the same, twice, and the second time in place.
        Cells reference = givens, minimal(givens.size(), -1), inPlace = givens;
        for (size_t cell = 0; cell < givens.size(); ++cell) {
            if (reference[cell] != 0 && bruteCountWithout(n, reference, cell) == 1) reference[cell] = 0;
        }
        ASSERT_EQ(COMPOSE_DONE, minimisePuzzle(scratch.get(), n, givens.data(), nullptr, minimal.data()));
        ASSERT_EQ(COMPOSE_DONE, minimisePuzzle(scratch.get(), n, inPlace.data(), nullptr, inPlace.data()));
        EXPECT_EQ(reference, minimal);
        EXPECT_EQ(reference, inPlace);
        // Each removal kept one solution, so it is the input's; each given
        // left is needed.
        for (size_t cell = 0; cell < minimal.size(); ++cell) {
            EXPECT_TRUE(minimal[cell] == 0 || bruteCountWithout(n, minimal, cell) == 2) << "cell " << cell;
        }
        // Without its first given it has several solutions, which both refuse.
        *std::find_if(minimal.begin(), minimal.end(), [](int32_t digit) { return digit != 0; }) = 0;
        EXPECT_EQ(COMPOSE_NOT_UNIQUE, minimisePuzzle(scratch.get(), n, minimal.data(), nullptr, inPlace.data()));
        EXPECT_EQ(COMPOSE_NOT_UNIQUE,
                  findRedundantGivens(scratch.get(), n, minimal.data(), nullptr, marks.data(), &marked));
    }
}

// A cancel raised before the call, or while it works on a minimal 25x25
// puzzle, whose givens take seconds to judge, ends it with COMPOSE_CANCELLED.
TEST(RedundantGivens, CancelEndsTheWork) {
    Cells givens;
    for (const test::KnownCount& known : test::readKnownCounts("known-counts-hard.txt")) {
        if (known.grid.size() == 625 && known.count == 1) givens = test::cellsFromText(known.grid);
    }
    ASSERT_EQ(625u, givens.size());
    ScratchPtr scratch(createComposeScratch());
    std::vector<uint8_t> marks(givens.size());
    Cells minimal(givens.size());
    int32_t marked = 0;
    for (bool minimise : {false, true}) {
        std::atomic<int32_t> cancel(1);
        auto work = [&] {
            return minimise ? minimisePuzzle(scratch.get(), 5, givens.data(), &cancel, minimal.data())
                            : findRedundantGivens(scratch.get(), 5, givens.data(), &cancel, marks.data(), &marked);
        };
        EXPECT_EQ(COMPOSE_CANCELLED, work()) << "minimise " << minimise;
        cancel.store(0);
        std::future<ComposeStatus> running = std::async(std::launch::async, work);
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        cancel.store(1);
        ASSERT_EQ(std::future_status::ready, running.wait_for(std::chrono::seconds(1))) << "minimise " << minimise;
        EXPECT_EQ(COMPOSE_CANCELLED, running.get()) << "minimise " << minimise;
    }
}

} // namespace
} // namespace numpl

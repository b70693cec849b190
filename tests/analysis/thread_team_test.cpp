// Tests of the helper threads: every item of a job runs exactly once, on a
// worker number below the thread count (item 0 on the caller), whatever the
// thread count and the number of items, and jobs follow each other without
// mixing. Each test's team ends with the test, so its helpers must leave.
#include "analysis/thread_team.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "support/boards.h"

namespace numpl {
namespace {

struct Tally {
    std::vector<std::atomic<int32_t>> runs;
    std::atomic<int32_t> badWorker{0};
    std::atomic<int32_t> byCaller{0};
    std::thread::id caller;
    int32_t threads;
    explicit Tally(int32_t count, int32_t threadCount) : runs(static_cast<size_t>(count)), threads(threadCount) {}
};

void countRun(int32_t item, int32_t worker, void* context) {
    auto* tally = static_cast<Tally*>(context);
    if (item == 0 && worker != 0) tally->badWorker.fetch_add(1);
    tally->runs[static_cast<size_t>(item)].fetch_add(1);
    if (worker < 0 || worker >= (tally->threads < 1 ? 1 : tally->threads)) tally->badWorker.fetch_add(1);
    if ((worker == 0) != (std::this_thread::get_id() == tally->caller)) tally->badWorker.fetch_add(1);
    if (worker == 0) tally->byCaller.fetch_add(1);
}

using TeamPtr = test::Owned<ThreadTeam, destroyThreadTeam>;

TEST(ThreadTeam, RunsEveryItemOnceOnAWorkerOfItsOwn) {
    TeamPtr team(createThreadTeam());
    for (int32_t threads : {0, 1, 2, 3, 8, 500}) {
        for (int32_t count : {0, 1, 2, 7, 1000}) {
            Tally tally(count, threads > 128 ? 128 : threads);
            tally.caller = std::this_thread::get_id();
            runOnTeam(team.get(), threads, count, countRun, &tally);
            for (int32_t i = 0; i < count; ++i) {
                ASSERT_EQ(1, tally.runs[static_cast<size_t>(i)].load()) << "item " << i << " of " << count
                                                                         << ", threads " << threads;
            }
            EXPECT_EQ(0, tally.badWorker.load()) << "threads " << threads << ", items " << count;
            if (threads <= 1) {
                EXPECT_EQ(count, tally.byCaller.load());
            }
        }
    }
}

// Items that take a while let the helpers join; the writes of every item are
// visible to the caller when the job returns. Rounds go on until a helper has
// taken part (a busy machine may not wake one at once), at most 500.
TEST(ThreadTeam, HelpersShareLongJobsAndTheirWritesAreSeen) {
    TeamPtr team(createThreadTeam());
    std::vector<int64_t> sums(64, 0);
    std::atomic<int32_t> helped{0};
    struct Job {
        std::vector<int64_t>* sums;
        std::atomic<int32_t>* helped;
    } job{&sums, &helped};
    int32_t rounds = 0;
    do {
        runOnTeam(team.get(), 4, 64, [](int32_t item, int32_t worker, void* context) {
            auto* work = static_cast<Job*>(context);
            int64_t sum = 0;
            for (int64_t k = 0; k < 20000; ++k) sum += (k * (item + 1)) % 7;
            (*work->sums)[static_cast<size_t>(item)] += sum;
            if (worker != 0) work->helped->fetch_add(1);
        }, &job);
        ++rounds;
    } while ((helped.load() == 0 || rounds < 5) && rounds < 500 && processorCount() > 1);
    for (int32_t item = 0; item < 64; ++item) {
        int64_t expected = 0;
        for (int64_t k = 0; k < 20000; ++k) expected += (k * (item + 1)) % 7;
        EXPECT_EQ(rounds * expected, sums[static_cast<size_t>(item)]) << "item " << item;
    }
    if (processorCount() > 1) {
        EXPECT_GT(helped.load(), 0) << "no helper took an item in " << rounds << " rounds";
    }
}

} // namespace
} // namespace numpl

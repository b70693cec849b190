// Helper threads for the parts of an analysis that pay for more than one
// thread: large batches of trials and long counts. Unlike a runtime team that
// spins between parallel loops, the helpers sleep on a condition variable
// while there is nothing to do, and a job never waits for a helper that has
// not started on it: the calling thread takes every item that no helper has
// claimed, so a helper that the machine does not schedule in time costs
// nothing but its absence.
#ifndef NUMPL_ANALYSIS_THREAD_TEAM_H
#define NUMPL_ANALYSIS_THREAD_TEAM_H

#include <cstdint>

namespace numpl {

// One item of a job: `worker` is 0 for the calling thread and 1..threads-1 for
// the helpers, so that each can use scratch of its own.
using TeamItem = void (*)(int32_t item, int32_t worker, void* context);

// A team of helpers, made on first use and kept until the team is destroyed.
struct ThreadTeam;

ThreadTeam* createThreadTeam();

// Ends the helpers and waits for them. No job may be running.
void destroyThreadTeam(ThreadTeam* team);

// Runs item(0..count-1) on the calling thread and up to threads-1 helpers
// of the team (threads is clamped to 1..128), each item exactly once, and
// returns when all have ended. Item 0 runs on the calling thread; the others
// may run in any order and on any worker. One job runs on a team at a time.
void runOnTeam(ThreadTeam* team, int32_t threads, int32_t count, TeamItem item, void* context);

// Processors of the machine, at least 1: more workers than this only take
// turns.
int32_t processorCount();

} // namespace numpl

#endif

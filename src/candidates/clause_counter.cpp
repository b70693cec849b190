// Conflict-driven clause learning on the candidates of a grid, enumerating.
//
// A variable is an open candidate (cell, digit) left after singles
// propagation; placed cells and eliminated candidates have none. The four
// exactly-one families are kept natively: each group (the candidates of a
// cell, the places of a digit in a unit) is one clause, its at-least-one, in
// a clause arena watched by two literals like every learnt clause, while its
// at-most-one is a rule over the same literals run when a member turns true:
// every other member turns false, the pair (not x or not y) being the reason.
// Pairwise binary clauses would say the same with a watch entry per pair,
// some 30 per variable on a 25x25 grid; the rule reads the four groups of the
// variable instead and needs no memory of its own. (A flat list of those
// partners per variable, what a binary watch list holds, cut the time per
// propagation by 6-15 % on 25x25 grids but not the time of a count, since it
// changes the order of propagation.) Unit propagation of the two together is
// exactly the singles propagation of the candidate grid.
//
// Solutions are enumerated: each model is counted and then blocked by the
// clause that some decision of it is false. Propagation under the clauses at
// hand is sound for every solution not yet blocked, so such a solution that
// made all those decisions would be this very model: the clause removes one
// solution and no other, and every solution is counted exactly once. Learnt
// clauses follow from the grid and the blocking clauses, so they remove
// nothing that is still to be counted.
#include "candidates/clause_counter.h"

#include <algorithm>
#include <bit>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace numpl {

void (*clauseSolutionHook)(const CandidateGrid* solution) = nullptr;

namespace {

// Literal 2v says that variable v's digit goes into its cell, 2v+1 that it
// does not.
constexpr uint32_t LIT_NONE = 0xFFFFFFFFu;

inline uint32_t varOf(uint32_t lit) { return lit >> 1; }

// A reason is a stored clause whose first literal was implied, or, with
// REASON_BINARY set, the true literal q of a two-literal reason (implied or
// not q): an at-most-one pair or a two-literal clause, which needs no clause
// of its own to be explained. Decisions and what the grid itself fixes have
// none.
constexpr uint32_t REASON_NONE = 0xFFFFFFFFu;
constexpr uint32_t REASON_BINARY = 0x80000000u;

// Clauses live in two arenas. The groups, the blocking clauses and the
// excluded grids stay for the whole count and never move; learnt clauses
// come and go, and their arena is compacted at every clean-up, which then
// costs the same however many solutions have been blocked. A clause is named
// by its place in its arena, with LEARNT_PLACE set for the learnt arena.
constexpr uint32_t LEARNT_PLACE = 0x40000000u;

// Clause layout: size, flags with the literal block distance above
// FLAG_BITS, activity (float bits), the new place of the clause while the
// arena is compacted, then the literals, the two watched ones first.
constexpr uint32_t HEADER_WORDS = 4;
constexpr uint32_t FLAG_LEARNED = 1;
constexpr uint32_t FLAG_DELETED = 2;
constexpr uint32_t FLAG_BITS = 8;

// A watch on a two-literal clause carries the other literal as its blocker
// and never reads the clause.
constexpr uint32_t WATCH_BINARY = 0x80000000u;

struct Watcher {
    uint32_t clause;
    uint32_t blocker; // a literal of the clause; when it is true the clause needs no look
};

// A learnt clause with its rank for the clean-up: the block distance
// (inverted, so the highest comes first) above its activity.
struct Ranked {
    uint64_t key;
    uint32_t clause;
};

// Activity-based branching as in VSIDS: bumped variables gain an increment
// that grows by 1/VARIABLE_DECAY after every conflict. A decision always puts
// the chosen candidate into its cell. Deciding the saved sign instead, as
// solvers of general formulas do, mostly decides that a candidate is false,
// which in a grid where seven of eight candidates are false settles little:
// it took about twice the propagations on 25x25 grids, and its blocking
// clauses, one literal per decision, came out several times longer.
constexpr double VARIABLE_DECAY = 0.95;
constexpr float CLAUSE_DECAY = 0.999f;
// Before the first conflict the order is the fewest-options-first of the
// depth-first counter: a variable starts with INITIAL_ACTIVITY divided by the
// size of its smallest group, far below a single bump.
constexpr double INITIAL_ACTIVITY = 0.5;

// Restarts follow the Luby sequence in units of this many conflicts; units of
// 100 to 3000 did about the same on 25x25 grids, 500 best.
constexpr int64_t RESTART_UNIT = 500;

// Learnt clauses are cut to half (those with a block distance of two or
// less and the reasons of the current assignment kept) after
// REDUCE_FIRST conflicts, and then after a gap that grows by REDUCE_STEP
// each time up to REDUCE_GAP_LIMIT, so that a clean-up, which sorts and
// moves all learnt clauses at once, takes a few milliseconds at most however
// long a count runs (3 ms measured on a busy machine after 375,000
// conflicts).
constexpr int64_t REDUCE_FIRST = 2000;
constexpr int64_t REDUCE_STEP = 300;
constexpr int64_t REDUCE_GAP_LIMIT = 20000;

// Literals propagated between two looks at the cancel flag inside one
// propagation (a fraction of a millisecond); the search loop looks at it
// before every decision and after every conflict as well. The longest time
// measured between two looks on a busy machine was under 3 ms, a clean-up of
// the learnt clauses after 375,000 conflicts.
constexpr int64_t CANCEL_CHECK_LITERALS = 1024;

// Words of learnt clauses (literals and headers) beyond which they are cut to
// half at once, glue clauses included: 8 MiB, almost three times the most
// that the longest counts measured held (750,000 words after 375,000
// conflicts). The memory of a 25x25 count is then bounded as follows.
// Variables: at most 625 x 25, about 100 bytes each with their watch list
// heads, 1.5 MiB. Groups: 4 literals per variable and a header each, 0.3 MiB.
// Learnt clauses: 8 MiB. Blocking clauses: a decision places a digit in an
// open cell, so at most 625 literals and a header per solution counted,
// 2.5 MiB for the program's limit of 1000 (they cannot be dropped: a count to
// a far higher limit grows by up to 2.5 KiB a solution, in practice 0.4 KiB
// on 40 % filled grids and 1.3 KiB on the empty one, which reaches 64 MiB
// after some 50,000 solutions). An arena grows by half at a time, so the two
// hold at most 1.5 x (0.3 + 8 + 2.5) MiB, 16 MiB; the two watches of a
// clause take at most two thirds of its arena bytes (a clause has at least
// six words), with the same slack, 11 MiB. In all under 30 MiB, against
// 64 MiB allowed; the counts of 35-45 % filled 25x25 grids to 1000 use 2 to
// 5 MiB.
constexpr int64_t LEARNED_WORDS_LIMIT = int64_t{1} << 21;

// Heaps and arena grow by half their size, or to what is needed.
template <typename T>
struct Buffer {
    T* data;
    int32_t size;
    int32_t capacity;
};

template <typename T>
void reserve(Buffer<T>* buffer, int64_t wanted) {
    if (wanted <= buffer->capacity) return;
    int64_t capacity = buffer->capacity + buffer->capacity / 2;
    if (capacity < wanted) capacity = wanted;
    if (capacity < 8) capacity = 8;
    void* data = std::realloc(buffer->data, static_cast<size_t>(capacity) * sizeof(T));
    if (data == nullptr) failAllocation();
    buffer->data = static_cast<T*>(data);
    buffer->capacity = static_cast<int32_t>(capacity);
}

template <typename T>
inline void push(Buffer<T>* buffer, T value) {
    if (buffer->size == buffer->capacity) reserve(buffer, int64_t{buffer->size} + 1);
    buffer->data[buffer->size++] = value;
}

template <typename T>
size_t bufferBytes(const Buffer<T>& buffer) {
    return static_cast<size_t>(buffer.capacity) * sizeof(T);
}

template <typename T>
void growArray(T** array, int64_t count) {
    void* data = std::realloc(*array, static_cast<size_t>(count) * sizeof(T));
    if (data == nullptr) failAllocation();
    *array = static_cast<T*>(data);
}

} // namespace

struct ClauseCounter {
    int32_t variableCapacity;    // of every per-variable array below
    int32_t variableCount;
    int8_t* values;              // per literal: 1 true, -1 false, 0 open
    int32_t* levels;
    uint32_t* reasons;
    double* activity;
    int32_t* heapIndex;          // place in the branching heap, -1 outside it
    int32_t* heap;               // unassigned variables (and some assigned), most active on top
    int32_t heapSize;
    uint8_t* seen;               // marks of conflict analysis
    uint32_t* groups;            // four per variable: cell, row-digit, column-digit and box-digit group clauses
    uint16_t* cells;             // the cell and digit index of each variable
    uint8_t* digits;
    uint32_t* trail;             // assigned literals in order
    int32_t* levelStarts;        // trail position of each decision level's decision
    uint32_t* levelStamps;       // per level, for the block distance of a learnt clause
    uint32_t stamp;
    int32_t trailSize;
    int32_t level;               // current decision level
    int32_t propagated;          // trail literals whose consequences are drawn
    Buffer<Watcher>* watches;    // per literal: clauses to look at when it turns false
    int32_t watchListCount;
    Buffer<uint32_t> keptArena;  // the groups, then blocking clauses as they come
    Buffer<uint32_t> learntArena;
    Buffer<uint32_t> learnts;    // names of the learnt clauses of two or more literals
    Buffer<Ranked> ranking;      // the same, in the order of the clean-up
    int64_t learnedWords;
    Buffer<uint32_t> clause;     // the clause being built
    Buffer<uint32_t> stack;      // of the redundancy check
    Buffer<uint32_t> toClear;    // literals marked seen by conflict analysis
    double variableIncrement;
    float clauseIncrement;
    int32_t* variableAt;         // cell*N + digit index to its variable, -1 for none
    CandidateGrid* work;         // the start grid after singles propagation
    CandidateGrid* solution;     // the same, solved, for the tally
    ClauseCountStats stats;
};

namespace {

// A conflict: a stored clause, or (with clause REASON_NONE) two literals of
// an at-most-one group or a two-literal clause that are both false.
struct Conflict {
    uint32_t clause;
    uint32_t first;
    uint32_t second;
};

inline uint32_t* clauseWords(const ClauseCounter* k, uint32_t clause) {
    return (clause & LEARNT_PLACE) != 0 ? k->learntArena.data + (clause ^ LEARNT_PLACE) : k->keptArena.data + clause;
}
inline uint32_t* literalsOf(const ClauseCounter* k, uint32_t clause) { return clauseWords(k, clause) + HEADER_WORDS; }
inline uint32_t sizeOf(const ClauseCounter* k, uint32_t clause) { return clauseWords(k, clause)[0]; }
// The arena holds words, so the activity goes in and out by its bits: a float
// reference into a uint32_t array would break the aliasing rules.
inline float clauseActivity(const ClauseCounter* k, uint32_t clause) {
    return std::bit_cast<float>(clauseWords(k, clause)[2]);
}
inline void setClauseActivity(ClauseCounter* k, uint32_t clause, float activity) {
    clauseWords(k, clause)[2] = std::bit_cast<uint32_t>(activity);
}

// --- the branching heap -------------------------------------------------

inline bool moreActive(const ClauseCounter* k, int32_t a, int32_t b) { return k->activity[a] > k->activity[b]; }

void heapUp(ClauseCounter* k, int32_t i) {
    int32_t v = k->heap[i];
    while (i > 0) {
        int32_t parent = (i - 1) >> 1;
        if (!moreActive(k, v, k->heap[parent])) break;
        k->heap[i] = k->heap[parent];
        k->heapIndex[k->heap[i]] = i;
        i = parent;
    }
    k->heap[i] = v;
    k->heapIndex[v] = i;
}

void heapDown(ClauseCounter* k, int32_t i) {
    int32_t v = k->heap[i];
    for (;;) {
        int32_t child = 2 * i + 1;
        if (child >= k->heapSize) break;
        if (child + 1 < k->heapSize && moreActive(k, k->heap[child + 1], k->heap[child])) ++child;
        if (!moreActive(k, k->heap[child], v)) break;
        k->heap[i] = k->heap[child];
        k->heapIndex[k->heap[i]] = i;
        i = child;
    }
    k->heap[i] = v;
    k->heapIndex[v] = i;
}

inline void heapInsert(ClauseCounter* k, int32_t v) {
    if (k->heapIndex[v] >= 0) return;
    k->heap[k->heapSize] = v;
    k->heapIndex[v] = k->heapSize++;
    heapUp(k, k->heapIndex[v]);
}

inline void heapPop(ClauseCounter* k) {
    int32_t top = k->heap[0];
    k->heapIndex[top] = -1;
    int32_t last = k->heap[--k->heapSize];
    if (k->heapSize > 0) {
        k->heap[0] = last;
        k->heapIndex[last] = 0;
        heapDown(k, 0);
    }
}

void bumpVariable(ClauseCounter* k, uint32_t v) {
    k->activity[v] += k->variableIncrement;
    if (k->activity[v] > 1e100) {
        for (int32_t i = 0; i < k->variableCount; ++i) k->activity[i] *= 1e-100;
        k->variableIncrement *= 1e-100;
    }
    if (k->heapIndex[v] >= 0) heapUp(k, k->heapIndex[v]);
}

void bumpClause(ClauseCounter* k, uint32_t clause) {
    const float activity = clauseActivity(k, clause) + k->clauseIncrement;
    setClauseActivity(k, clause, activity);
    if (activity > 1e20f) {
        for (int32_t i = 0; i < k->learnts.size; ++i) {
            const uint32_t learnt = k->learnts.data[i];
            setClauseActivity(k, learnt, clauseActivity(k, learnt) * 1e-20f);
        }
        k->clauseIncrement *= 1e-20f;
    }
}

// --- assignment and propagation ------------------------------------------

inline void assign(ClauseCounter* k, uint32_t lit, uint32_t reason) {
    uint32_t v = varOf(lit);
    k->values[lit] = 1;
    k->values[lit ^ 1] = -1;
    k->levels[v] = k->level;
    k->reasons[v] = reason;
    k->trail[k->trailSize++] = lit;
}

void backtrack(ClauseCounter* k, int32_t level) {
    if (k->level <= level) return;
    int32_t start = k->levelStarts[level];
    for (int32_t i = k->trailSize - 1; i >= start; --i) {
        uint32_t lit = k->trail[i];
        uint32_t v = varOf(lit);
        k->values[lit] = 0;
        k->values[lit ^ 1] = 0;
        heapInsert(k, static_cast<int32_t>(v));
    }
    k->trailSize = start;
    k->propagated = start;
    k->level = level;
}

inline void attachClause(ClauseCounter* k, uint32_t clause) {
    const uint32_t* lits = literalsOf(k, clause);
    if (sizeOf(k, clause) == 2) {
        push(&k->watches[lits[0]], Watcher{clause | WATCH_BINARY, lits[1]});
        push(&k->watches[lits[1]], Watcher{clause | WATCH_BINARY, lits[0]});
    } else {
        push(&k->watches[lits[0]], Watcher{clause, lits[1]});
        push(&k->watches[lits[1]], Watcher{clause, lits[0]});
    }
}

// Appends the clause being built to its arena; not yet watched.
uint32_t storeClause(ClauseCounter* k, uint32_t flags) {
    uint32_t size = static_cast<uint32_t>(k->clause.size);
    Buffer<uint32_t>* arena = (flags & FLAG_LEARNED) != 0 ? &k->learntArena : &k->keptArena;
    uint32_t place = static_cast<uint32_t>(arena->size);
    reserve(arena, int64_t{arena->size} + HEADER_WORDS + size);
    uint32_t* words = arena->data + place;
    words[0] = size;
    words[1] = flags;
    words[2] = 0;
    words[3] = 0;
    std::memcpy(words + HEADER_WORDS, k->clause.data, size * sizeof(uint32_t));
    arena->size += static_cast<int32_t>(HEADER_WORDS + size);
    return (flags & FLAG_LEARNED) != 0 ? place | LEARNT_PLACE : place;
}

enum Propagation : int32_t {
    PROPAGATION_DONE,     // every consequence drawn
    PROPAGATION_CONFLICT, // some clause or group is violated
    PROPAGATION_PAUSED,   // a cancel came; the rest can be drawn by another call
};

// Draws the consequences of the trail. A propagation after a backjump to a
// low level can run through most of the variables, each with long watch
// lists, so the cancel flag is read between literals now and then.
Propagation propagate(ClauseCounter* k, const std::atomic<int32_t>* cancel, Conflict* conflict) {
    int8_t* values = k->values;
    while (k->propagated < k->trailSize) {
        if ((k->stats.propagations & (CANCEL_CHECK_LITERALS - 1)) == CANCEL_CHECK_LITERALS - 1 && cancel != nullptr &&
            cancel->load(std::memory_order_relaxed) != 0) {
            return PROPAGATION_PAUSED;
        }
        uint32_t p = k->trail[k->propagated++];
        ++k->stats.propagations;
        if ((p & 1) == 0) {
            // At most one member of each of the four groups is true.
            const uint32_t* groups = k->groups + 4 * varOf(p);
            for (int32_t g = 0; g < 4; ++g) {
                uint32_t size = sizeOf(k, groups[g]);
                const uint32_t* lits = literalsOf(k, groups[g]);
                for (uint32_t i = 0; i < size; ++i) {
                    uint32_t y = lits[i];
                    if (y == p || values[y] < 0) continue;
                    if (values[y] == 0) {
                        assign(k, y ^ 1, REASON_BINARY | p);
                    } else {
                        *conflict = Conflict{REASON_NONE, p ^ 1, y ^ 1};
                        return PROPAGATION_CONFLICT;
                    }
                }
            }
        }
        uint32_t falseLit = p ^ 1;
        Buffer<Watcher>* list = &k->watches[falseLit];
        Watcher* read = list->data;
        Watcher* write = list->data;
        Watcher* end = list->data + list->size;
        while (read != end) {
            Watcher w = *read++;
            int8_t blockerValue = values[w.blocker];
            if (blockerValue > 0) {
                *write++ = w;
                continue;
            }
            if ((w.clause & WATCH_BINARY) != 0) {
                *write++ = w;
                if (blockerValue == 0) {
                    assign(k, w.blocker, REASON_BINARY | p);
                    continue;
                }
                *conflict = Conflict{REASON_NONE, falseLit, w.blocker};
                while (read != end) *write++ = *read++;
                list->size = static_cast<int32_t>(write - list->data);
                return PROPAGATION_CONFLICT;
            }
            uint32_t clause = w.clause;
            uint32_t* lits = literalsOf(k, clause);
            if (lits[0] == falseLit) {
                lits[0] = lits[1];
                lits[1] = falseLit;
            }
            uint32_t first = lits[0];
            Watcher kept{clause, first};
            if (first != w.blocker && values[first] > 0) {
                *write++ = kept;
                continue;
            }
            uint32_t size = sizeOf(k, clause);
            bool moved = false;
            for (uint32_t i = 2; i < size; ++i) {
                if (values[lits[i]] >= 0) {
                    lits[1] = lits[i];
                    lits[i] = falseLit;
                    push(&k->watches[lits[1]], kept);
                    moved = true;
                    break;
                }
            }
            if (moved) continue;
            *write++ = kept;
            if (values[first] < 0) {
                *conflict = Conflict{clause, 0, 0};
                while (read != end) *write++ = *read++;
                list->size = static_cast<int32_t>(write - list->data);
                return PROPAGATION_CONFLICT;
            }
            assign(k, first, clause);
        }
        list->size = static_cast<int32_t>(write - list->data);
    }
    return PROPAGATION_DONE;
}

// --- conflict analysis ----------------------------------------------------

inline uint32_t abstractLevel(const ClauseCounter* k, uint32_t v) { return 1u << (k->levels[v] & 31); }

// Whether p is implied by literals of the learnt clause (marked seen) alone,
// following reasons back through levels that the clause touches.
bool redundant(ClauseCounter* k, uint32_t p, uint32_t levels) {
    k->stack.size = 0;
    push(&k->stack, p);
    int32_t top = k->toClear.size;
    while (k->stack.size > 0) {
        uint32_t q = k->stack.data[--k->stack.size];
        uint32_t reason = k->reasons[varOf(q)];
        uint32_t single;
        const uint32_t* lits;
        uint32_t count;
        if ((reason & REASON_BINARY) != 0) {
            single = (reason & ~REASON_BINARY) ^ 1;
            lits = &single;
            count = 1;
        } else {
            lits = literalsOf(k, reason) + 1;
            count = sizeOf(k, reason) - 1;
        }
        for (uint32_t i = 0; i < count; ++i) {
            uint32_t l = lits[i];
            uint32_t v = varOf(l);
            if (k->seen[v] != 0 || k->levels[v] == 0) continue;
            if (k->reasons[v] != REASON_NONE && (abstractLevel(k, v) & levels) != 0) {
                k->seen[v] = 1;
                push(&k->stack, l);
                push(&k->toClear, l);
                continue;
            }
            for (int32_t j = top; j < k->toClear.size; ++j) k->seen[varOf(k->toClear.data[j])] = 0;
            k->toClear.size = top;
            return false;
        }
    }
    return true;
}

inline void visit(ClauseCounter* k, uint32_t lit, int32_t* pathCount) {
    uint32_t v = varOf(lit);
    if (k->seen[v] != 0 || k->levels[v] == 0) return;
    k->seen[v] = 1;
    bumpVariable(k, v);
    if (k->levels[v] >= k->level) {
        ++*pathCount;
    } else {
        push(&k->clause, lit);
    }
}

// First-UIP learning into k->clause (the asserting literal first, one of the
// deepest level of the rest second) with recursive minimisation; returns
// the level to jump back to and sets the block distance.
int32_t analyse(ClauseCounter* k, const Conflict& conflict, uint32_t* blockDistance) {
    k->clause.size = 0;
    push(&k->clause, LIT_NONE);
    int32_t pathCount = 0;
    int32_t index = k->trailSize - 1;
    uint32_t p = LIT_NONE;
    uint32_t reason = conflict.clause;
    if (reason == REASON_NONE) {
        visit(k, conflict.first, &pathCount);
        visit(k, conflict.second, &pathCount);
    }
    for (;;) {
        if (reason != REASON_NONE) {
            if ((reason & REASON_BINARY) != 0) {
                visit(k, (reason & ~REASON_BINARY) ^ 1, &pathCount);
            } else {
                if ((reason & LEARNT_PLACE) != 0) bumpClause(k, reason);
                const uint32_t* lits = literalsOf(k, reason);
                uint32_t size = sizeOf(k, reason);
                for (uint32_t i = p == LIT_NONE ? 0 : 1; i < size; ++i) visit(k, lits[i], &pathCount);
            }
        }
        while (k->seen[varOf(k->trail[index])] == 0) --index;
        p = k->trail[index--];
        k->seen[varOf(p)] = 0;
        if (--pathCount == 0) break;
        reason = k->reasons[varOf(p)];
    }
    k->clause.data[0] = p ^ 1;

    k->toClear.size = 0;
    uint32_t levels = 0;
    for (int32_t i = 1; i < k->clause.size; ++i) {
        push(&k->toClear, k->clause.data[i]);
        levels |= abstractLevel(k, varOf(k->clause.data[i]));
    }
    int32_t kept = 1;
    for (int32_t i = 1; i < k->clause.size; ++i) {
        uint32_t lit = k->clause.data[i];
        if (k->reasons[varOf(lit)] == REASON_NONE || !redundant(k, lit, levels)) k->clause.data[kept++] = lit;
    }
    k->clause.size = kept;
    for (int32_t i = 0; i < k->toClear.size; ++i) k->seen[varOf(k->toClear.data[i])] = 0;

    if (++k->stamp == 0) {
        std::memset(k->levelStamps, 0, static_cast<size_t>(k->variableCapacity + 1) * sizeof(uint32_t));
        k->stamp = 1;
    }
    uint32_t distance = 0;
    int32_t jump = 0;
    for (int32_t i = 1; i < k->clause.size; ++i) {
        int32_t level = k->levels[varOf(k->clause.data[i])];
        if (k->levelStamps[level] != k->stamp) {
            k->levelStamps[level] = k->stamp;
            ++distance;
        }
        if (level > jump) {
            jump = level;
            std::swap(k->clause.data[1], k->clause.data[i]);
        }
    }
    *blockDistance = distance + 1;
    return jump;
}

// Puts the clause being built (an asserting clause whose second literal is
// of the level backtracked to) into the database and asserts its first
// literal.
void addAsserting(ClauseCounter* k, uint32_t flags) {
    uint32_t first = k->clause.data[0];
    if (k->clause.size == 1) {
        assign(k, first, REASON_NONE);
        return;
    }
    uint32_t clause = storeClause(k, flags);
    attachClause(k, clause);
    if ((flags & FLAG_LEARNED) != 0) {
        push(&k->learnts, clause);
        k->learnedWords += HEADER_WORDS + static_cast<uint32_t>(k->clause.size);
    }
    if (k->clause.size == 2) {
        assign(k, first, REASON_BINARY | (k->clause.data[1] ^ 1));
    } else {
        assign(k, first, clause);
    }
}

// --- the learnt clause database -------------------------------------------

inline bool locked(const ClauseCounter* k, uint32_t clause) {
    uint32_t first = literalsOf(k, clause)[0];
    return k->values[first] > 0 && k->reasons[varOf(first)] == clause;
}

// The new name of a surviving learnt clause while the arena is compacted.
inline uint32_t movedTo(const uint32_t* words, uint32_t clause) {
    return words[(clause ^ LEARNT_PLACE) + 3] | LEARNT_PLACE;
}

inline bool deleted(const uint32_t* words, uint32_t clause) {
    return (words[(clause ^ LEARNT_PLACE) + 1] & FLAG_DELETED) != 0;
}

// Moves the surviving learnt clauses together and renames every reference
// to them; the watches of deleted clauses go. Watched literals stay the
// first two of each clause, so the watch invariants hold as before.
void compactLearnts(ClauseCounter* k) {
    uint32_t* words = k->learntArena.data;
    uint32_t end = static_cast<uint32_t>(k->learntArena.size);
    uint32_t to = 0;
    for (uint32_t at = 0; at < end; at += HEADER_WORDS + words[at]) {
        if ((words[at + 1] & FLAG_DELETED) != 0) continue;
        words[at + 3] = to;
        to += HEADER_WORDS + words[at];
    }
    for (int32_t i = 0; i < k->trailSize; ++i) {
        uint32_t v = varOf(k->trail[i]);
        uint32_t reason = k->reasons[v];
        if ((reason & REASON_BINARY) == 0 && (reason & LEARNT_PLACE) != 0) k->reasons[v] = movedTo(words, reason);
    }
    int32_t live = 0;
    for (int32_t i = 0; i < k->learnts.size; ++i) {
        uint32_t clause = k->learnts.data[i];
        if (!deleted(words, clause)) k->learnts.data[live++] = movedTo(words, clause);
    }
    k->learnts.size = live;
    for (int32_t lit = 0; lit < 2 * k->variableCount; ++lit) {
        Buffer<Watcher>* list = &k->watches[lit];
        int32_t kept = 0;
        for (int32_t i = 0; i < list->size; ++i) {
            Watcher w = list->data[i];
            uint32_t clause = w.clause & ~WATCH_BINARY;
            if ((clause & LEARNT_PLACE) != 0) {
                if (deleted(words, clause)) continue;
                w.clause = (w.clause & WATCH_BINARY) | movedTo(words, clause);
            }
            list->data[kept++] = w;
        }
        list->size = kept;
    }
    for (uint32_t at = 0; at < end;) {
        uint32_t total = HEADER_WORDS + words[at];
        if ((words[at + 1] & FLAG_DELETED) == 0) {
            std::memmove(words + words[at + 3], words + at, total * sizeof(uint32_t));
        }
        at += total;
    }
    k->learntArena.size = static_cast<int32_t>(to);
}

// Deletes half of the learnt clauses, the least useful first: the highest
// block distance, then the lowest activity. Reasons of the current trail
// stay; glue clauses (distance two or less) too, unless the database has
// outgrown its limit.
void reduceLearnts(ClauseCounter* k, bool overLimit) {
    ++k->stats.reductions;
    // Sorting keys rather than clauses keeps the sort out of the arena.
    k->ranking.size = 0;
    reserve(&k->ranking, k->learnts.size);
    for (int32_t i = 0; i < k->learnts.size; ++i) {
        uint32_t clause = k->learnts.data[i];
        const uint32_t* words = clauseWords(k, clause);
        uint32_t activity;
        std::memcpy(&activity, words + 2, sizeof activity); // non-negative floats order as their bits
        uint64_t key = uint64_t{~(words[1] >> FLAG_BITS) & 0xFFFFFFu} << 32 | activity;
        k->ranking.data[k->ranking.size++] = Ranked{key, clause};
    }
    std::sort(k->ranking.data, k->ranking.data + k->ranking.size, [](const Ranked& a, const Ranked& b) {
        return a.key != b.key ? a.key < b.key : a.clause < b.clause;
    });
    int32_t target = k->learnts.size / 2;
    int32_t removed = 0;
    for (int32_t i = 0; i < k->ranking.size && removed < target; ++i) {
        uint32_t clause = k->ranking.data[i].clause;
        if (locked(k, clause)) continue;
        uint32_t* words = clauseWords(k, clause);
        if (!overLimit && (words[1] >> FLAG_BITS) <= 2) continue;
        words[1] |= FLAG_DELETED;
        k->learnedWords -= HEADER_WORDS + words[0];
        ++removed;
    }
    compactLearnts(k);
}

// --- set-up ---------------------------------------------------------------

void ensureVariables(ClauseCounter* k, int32_t count) {
    if (count <= k->variableCapacity) return;
    int64_t n = count;
    growArray(&k->values, 2 * n);
    growArray(&k->levels, n);
    growArray(&k->reasons, n);
    growArray(&k->activity, n);
    growArray(&k->heapIndex, n);
    growArray(&k->heap, n);
    growArray(&k->seen, n);
    growArray(&k->groups, 4 * n);
    growArray(&k->cells, n);
    growArray(&k->digits, n);
    growArray(&k->trail, n);
    growArray(&k->levelStarts, n + 1);
    growArray(&k->levelStamps, n + 1);
    growArray(&k->watches, 2 * n);
    std::memset(k->watches + 2 * int64_t{k->watchListCount}, 0,
                static_cast<size_t>(2 * n - 2 * int64_t{k->watchListCount}) * sizeof(Buffer<Watcher>));
    std::memset(k->levelStamps, 0, static_cast<size_t>(n + 1) * sizeof(uint32_t));
    k->stamp = 0;
    k->watchListCount = count;
    k->variableCapacity = count;
}

// Variables and group clauses of the propagated grid in k->work, watched,
// every variable in the heap.
void buildProblem(ClauseCounter* k) {
    const CandidateGrid* g = k->work;
    const CandidateShape* s = g->shape;
    int32_t side = s->side;
    int32_t count = 0;
    for (int32_t cell = 0; cell < s->cellCount; ++cell) count += bitCount(g->candidates[cell]);
    ensureVariables(k, count);
    k->variableCount = count;
    std::fill(k->variableAt, k->variableAt + s->cellCount * side, -1);
    int32_t v = 0;
    for (int32_t cell = 0; cell < s->cellCount; ++cell) {
        for (uint32_t mask = g->candidates[cell]; mask != 0; mask &= mask - 1) {
            int32_t digit = __builtin_ctz(mask);
            k->variableAt[cell * side + digit] = v;
            k->cells[v] = static_cast<uint16_t>(cell);
            k->digits[v] = static_cast<uint8_t>(digit);
            ++v;
        }
    }
    k->keptArena.size = 0;
    k->learntArena.size = 0;
    k->learnts.size = 0;
    k->learnedWords = 0;
    for (int32_t cell = 0; cell < s->cellCount; ++cell) {
        if (g->candidates[cell] == 0) continue;
        k->clause.size = 0;
        for (uint32_t mask = g->candidates[cell]; mask != 0; mask &= mask - 1) {
            push(&k->clause, 2 * static_cast<uint32_t>(k->variableAt[cell * side + __builtin_ctz(mask)]));
        }
        uint32_t group = storeClause(k, 0);
        for (int32_t i = 0; i < k->clause.size; ++i) k->groups[4 * varOf(k->clause.data[i])] = group;
    }
    for (int32_t unit = 0; unit < s->unitCount; ++unit) {
        int32_t slot = 1 + unit / side;
        for (uint32_t open = ~g->placed[unit] & s->fullMask; open != 0; open &= open - 1) {
            int32_t digit = __builtin_ctz(open);
            k->clause.size = 0;
            for (int32_t i = 0; i < side; ++i) {
                int32_t at = k->variableAt[s->unitCells[unit][i] * side + digit];
                if (at >= 0) push(&k->clause, 2 * static_cast<uint32_t>(at));
            }
            uint32_t group = storeClause(k, 0);
            for (int32_t i = 0; i < k->clause.size; ++i) k->groups[4 * varOf(k->clause.data[i]) + slot] = group;
        }
    }

    for (int32_t lit = 0; lit < 2 * count; ++lit) k->watches[lit].size = 0;
    for (uint32_t at = 0; at < static_cast<uint32_t>(k->keptArena.size); at += HEADER_WORDS + k->keptArena.data[at]) {
        attachClause(k, at);
    }

    std::memset(k->values, 0, static_cast<size_t>(2 * count));
    std::memset(k->seen, 0, static_cast<size_t>(count));
    k->heapSize = 0;
    for (int32_t i = 0; i < count; ++i) {
        k->reasons[i] = REASON_NONE;
        k->levels[i] = 0;
        uint32_t smallest = 32;
        for (int32_t slot = 0; slot < 4; ++slot) smallest = std::min(smallest, sizeOf(k, k->groups[4 * i + slot]));
        k->activity[i] = INITIAL_ACTIVITY / smallest;
        k->heapIndex[i] = -1;
        heapInsert(k, i);
    }
    k->trailSize = 0;
    k->propagated = 0;
    k->level = 0;
    k->levelStarts[0] = 0;
    k->variableIncrement = 1.0;
    k->clauseIncrement = 1.0f;
}

// The solved grid of the current model in k->solution; the cells placed
// before the search are already there.
void fillSolution(ClauseCounter* k) {
    uint8_t* values = k->solution->values;
    for (int32_t v = 0; v < k->variableCount; ++v) {
        if (k->values[2 * v] > 0) values[k->cells[v]] = static_cast<uint8_t>(k->digits[v] + 1);
    }
}

// Blocks an excluded grid that solves the work grid: the clause that one of
// its digits in the open cells is missing. False when that leaves nothing.
bool blockExcluded(ClauseCounter* k, const CandidateGrid* grid) {
    const CandidateGrid* g = k->work;
    const CandidateShape* s = g->shape;
    if (grid == nullptr || grid->shape != s) return true;
    k->clause.size = 0;
    for (int32_t cell = 0; cell < s->cellCount; ++cell) {
        int32_t digit = grid->values[cell];
        if (g->values[cell] != 0) {
            if (digit != g->values[cell]) return true;
            continue;
        }
        if (digit < 1 || digit > s->side) return true;
        int32_t v = k->variableAt[cell * s->side + digit - 1];
        if (v < 0) return true;
        push(&k->clause, 2 * static_cast<uint32_t>(v) + 1);
    }
    if (k->clause.size >= 2) {
        attachClause(k, storeClause(k, 0));
        return true;
    }
    if (k->clause.size == 0) return false;
    uint32_t lit = k->clause.data[0];
    if (k->values[lit] < 0) return false;
    if (k->values[lit] == 0) assign(k, lit, REASON_NONE);
    return true;
}

double luby(int64_t index) {
    // The index-th term (from 0) of 1, 1, 2, 1, 1, 2, 4, 1, ...
    int64_t size = 1;
    int32_t power = 0;
    while (size < index + 1) {
        ++power;
        size = 2 * size + 1;
    }
    while (size - 1 != index) {
        size = (size - 1) >> 1;
        --power;
        index = index % size;
    }
    return static_cast<double>(int64_t{1} << power);
}

// Adds the model to the tally and blocks it by its decisions; true when the
// count must end here (*outcome says how).
bool countModel(ClauseCounter* k, const CountControl* control, CountOutcome* outcome) {
    fillSolution(k);
    if (clauseSolutionHook != nullptr) clauseSolutionHook(k->solution);
    if (addSolution(control, k->solution)) {
        *outcome = COUNT_LIMITED;
        return true;
    }
    if (k->level == 0) {
        *outcome = COUNT_EXHAUSTED;
        return true;
    }
    k->clause.size = 0;
    for (int32_t level = k->level; level >= 1; --level) push(&k->clause, k->trail[k->levelStarts[level - 1]] ^ 1);
    if (k->clause.size == 1) {
        backtrack(k, 0);
        assign(k, k->clause.data[0], REASON_NONE);
        return false;
    }
    backtrack(k, k->level - 1);
    addAsserting(k, 0);
    return false;
}

CountOutcome search(ClauseCounter* k, const CountControl* control) {
    CountOutcome outcome = COUNT_EXHAUSTED;
    int64_t restartIndex = 0;
    int64_t conflictsToRestart = RESTART_UNIT;
    int64_t reduceGap = REDUCE_FIRST;
    int64_t nextReduce = REDUCE_FIRST;
    for (;;) {
        if (mustStop(control, &outcome)) return outcome;
        Conflict conflict{};
        Propagation propagation = propagate(k, control->cancel, &conflict);
        if (propagation == PROPAGATION_PAUSED) continue;
        if (propagation == PROPAGATION_CONFLICT) {
            ++k->stats.conflicts;
            if (k->level == 0) return COUNT_EXHAUSTED;
            uint32_t distance = 0;
            int32_t jump = analyse(k, conflict, &distance);
            backtrack(k, jump);
            addAsserting(k, FLAG_LEARNED | (distance << FLAG_BITS));
            ++k->stats.learned;
            k->variableIncrement /= VARIABLE_DECAY;
            k->clauseIncrement /= CLAUSE_DECAY;
            --conflictsToRestart;
            if (k->learnedWords > LEARNED_WORDS_LIMIT) reduceLearnts(k, true);
            continue;
        }
        if (conflictsToRestart <= 0) {
            ++k->stats.restarts;
            backtrack(k, 0);
            conflictsToRestart = RESTART_UNIT * static_cast<int64_t>(luby(++restartIndex));
        }
        if (k->stats.conflicts >= nextReduce) {
            if (reduceGap < REDUCE_GAP_LIMIT) reduceGap += REDUCE_STEP;
            nextReduce = k->stats.conflicts + reduceGap;
            reduceLearnts(k, false);
        }
        int32_t next = -1;
        while (k->heapSize > 0) {
            int32_t v = k->heap[0];
            if (k->values[2 * v] == 0) {
                next = v;
                break;
            }
            heapPop(k);
        }
        if (next < 0) {
            if (countModel(k, control, &outcome)) return outcome;
            continue;
        }
        ++k->stats.decisions;
        k->levelStarts[k->level++] = k->trailSize;
        assign(k, 2 * static_cast<uint32_t>(next), REASON_NONE);
    }
}

} // namespace

ClauseCounter* createClauseCounter() {
    auto* counter = static_cast<ClauseCounter*>(std::calloc(1, sizeof(ClauseCounter)));
    if (counter == nullptr) failAllocation();
    counter->variableAt = static_cast<int32_t*>(std::malloc(MAX_CELLS * MAX_SIDE * sizeof(int32_t)));
    counter->work = static_cast<CandidateGrid*>(std::malloc(sizeof(CandidateGrid)));
    counter->solution = static_cast<CandidateGrid*>(std::malloc(sizeof(CandidateGrid)));
    if (counter->variableAt == nullptr || counter->work == nullptr || counter->solution == nullptr) failAllocation();
    return counter;
}

void destroyClauseCounter(ClauseCounter* counter) {
    if (counter == nullptr) return;
    for (int32_t lit = 0; lit < 2 * counter->watchListCount; ++lit) std::free(counter->watches[lit].data);
    std::free(counter->watches);
    std::free(counter->values);
    std::free(counter->levels);
    std::free(counter->reasons);
    std::free(counter->activity);
    std::free(counter->heapIndex);
    std::free(counter->heap);
    std::free(counter->seen);
    std::free(counter->groups);
    std::free(counter->cells);
    std::free(counter->digits);
    std::free(counter->trail);
    std::free(counter->levelStarts);
    std::free(counter->levelStamps);
    std::free(counter->keptArena.data);
    std::free(counter->learntArena.data);
    std::free(counter->learnts.data);
    std::free(counter->ranking.data);
    std::free(counter->clause.data);
    std::free(counter->stack.data);
    std::free(counter->toClear.data);
    std::free(counter->variableAt);
    std::free(counter->work);
    std::free(counter->solution);
    std::free(counter);
}

CountOutcome countWithLearning(ClauseCounter* counter, const CandidateGrid* start, const CountControl* control,
                               const CandidateGrid* const* excluded, int32_t excludedCount) {
    counter->stats = ClauseCountStats{};
    CountOutcome outcome = COUNT_EXHAUSTED;
    if (mustStop(control, &outcome)) return outcome;
    CandidateGrid* work = counter->work;
    copyCandidateGrid(start, work);
    int32_t status = propagateCandidates(work);
    if (status == STATUS_CONTRADICTION) return COUNT_EXHAUSTED;
    const CandidateShape* s = work->shape;
    if (status == STATUS_SOLVED) {
        for (int32_t i = 0; i < excludedCount; ++i) {
            const CandidateGrid* grid = excluded[i];
            if (grid != nullptr && grid->shape == s &&
                std::memcmp(grid->values, work->values, static_cast<size_t>(s->cellCount)) == 0) {
                return COUNT_EXHAUSTED;
            }
        }
        if (clauseSolutionHook != nullptr) clauseSolutionHook(work);
        return addSolution(control, work) ? COUNT_LIMITED : COUNT_EXHAUSTED;
    }
    buildProblem(counter);
    counter->stats.variables = counter->variableCount;

    // The solved grid that the tally gets: the work grid with every cell
    // placed; the search fills in the open ones.
    CandidateGrid* solution = counter->solution;
    copyCandidateGrid(work, solution);
    solution->remaining = 0;
    solution->pendingCount = 0;
    solution->pendingOverflow = false;
    for (int32_t cell = 0; cell < s->cellCount; ++cell) solution->candidates[cell] = 0;
    for (int32_t unit = 0; unit < s->unitCount; ++unit) solution->placed[unit] = s->fullMask;
    std::memset(solution->places, 0, static_cast<size_t>(s->unitCount * s->side));
    std::memset(solution->digitCells, 0, static_cast<size_t>(s->side * s->cellWords) * sizeof(uint64_t));

    for (int32_t i = 0; i < excludedCount; ++i) {
        if (!blockExcluded(counter, excluded[i])) return COUNT_EXHAUSTED;
    }
    outcome = search(counter, control);
    counter->stats.learnedKept = counter->learnts.size;
    return outcome;
}

ClauseCountStats clauseCountStats(const ClauseCounter* counter) { return counter->stats; }

size_t clauseCounterBytes(const ClauseCounter* counter) {
    size_t perVariable = 2 * sizeof(int8_t)              // values, per literal
                         + sizeof(int32_t) + sizeof(uint32_t) // levels, reasons
                         + sizeof(double) + 2 * sizeof(int32_t) // activity, heapIndex, heap
                         + sizeof(uint8_t)                    // seen
                         + 4 * sizeof(uint32_t)               // groups
                         + sizeof(uint16_t) + sizeof(uint8_t) // cells, digits
                         + sizeof(uint32_t)                   // trail
                         + sizeof(int32_t) + sizeof(uint32_t) // levelStarts, levelStamps
                         + 2 * sizeof(Buffer<Watcher>);       // watch list heads, per literal
    size_t bytes = sizeof(ClauseCounter) + static_cast<size_t>(counter->variableCapacity) * perVariable +
                   sizeof(int32_t) + sizeof(uint32_t); // the extra level entry of levelStarts and levelStamps
    for (int32_t lit = 0; lit < 2 * counter->watchListCount; ++lit) bytes += bufferBytes(counter->watches[lit]);
    bytes += bufferBytes(counter->keptArena) + bufferBytes(counter->learntArena) + bufferBytes(counter->learnts) +
             bufferBytes(counter->ranking) +
             bufferBytes(counter->clause) +
             bufferBytes(counter->stack) + bufferBytes(counter->toClear);
    bytes += MAX_CELLS * MAX_SIDE * sizeof(int32_t) + 2 * sizeof(CandidateGrid);
    return bytes;
}

} // namespace numpl

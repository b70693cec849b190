// Record owners and board consistency checks of the tests.
#include "support/boards.h"

#include <cstring>
#include <sstream>

#include "analysis/puzzle_text.h"
#include "model/placement.h"
#include "model/singles.h"
#include "support/grids.h"

namespace numpl::test {

PuzzlePtr puzzleFromText(const std::string& text) {
    std::vector<int32_t> cells = cellsFromText(text);
    if (cells.empty()) return nullptr;
    return puzzleFromCells(boxOrderOf(cells.size()), cells);
}

PuzzlePtr puzzleFromCells(int32_t boxOrder, const std::vector<int32_t>& cells) {
    PuzzlePtr puzzle(createPuzzle(boxOrder));
    setGivens(puzzle.get(), cells.data());
    return puzzle;
}

std::unique_ptr<CandidateGrid> candidateGridFromText(const std::string& text) {
    std::vector<int32_t> cells = cellsFromText(text);
    if (cells.empty()) return nullptr;
    return candidateGridFromCells(boxOrderOf(cells.size()), cells);
}

std::unique_ptr<CandidateGrid> candidateGridFromCells(int32_t boxOrder, const std::vector<int32_t>& cells) {
    auto grid = std::make_unique<CandidateGrid>();
    if (!loadCandidateGivens(grid.get(), boxOrder, cells.data())) return nullptr;
    return grid;
}

OwnedBoard::OwnedBoard(int32_t boxOrder, int32_t threadCount)
    : board(createBoard(boxOrder)), ownContext(createSolveContext(boxOrder)) {
    ownContext->threadCount = threadCount;
    board->context = ownContext;
}

OwnedBoard::~OwnedBoard() {
    destroySolveContext(ownContext);
    if (board != nullptr) destroyBoard(board);
}

OwnedBoard& OwnedBoard::operator=(OwnedBoard&& other) noexcept {
    if (this != &other) {
        OwnedBoard gone(std::move(*this));
        board = other.board;
        ownContext = other.ownContext;
        other.board = nullptr;
        other.ownContext = nullptr;
    }
    return *this;
}

OwnedBoard openBoard(int32_t boxOrder) {
    OwnedBoard owned(boxOrder);
    owned->remaining = boxOrder * boxOrder * boxOrder * boxOrder;
    return owned;
}

OwnedBoard boardFromPuzzle(Puzzle* puzzle, int32_t threadCount) {
    OwnedBoard owned(puzzle->boxOrder, threadCount);
    if (loadGivens(owned, puzzle) == 0) return OwnedBoard();
    return owned;
}

OwnedBoard cloneBoard(const Board* source, int32_t threadCount) {
    OwnedBoard owned(source->context->boxOrder, threadCount);
    SolveContext* context = owned->context;
    copyBoard(source, owned);
    owned->context = context;
    return owned;
}

SearchStack::SearchStack(int32_t boxOrder, int32_t threadCount) {
    int32_t side = boxOrder * boxOrder;
    boards.resize(static_cast<size_t>(side * side + 2));
    for (Board*& board : boards) board = createBoard(boxOrder);
    shared = createSolveContext(boxOrder);
    shared->threadCount = threadCount;
    boards[0]->context = shared;
}

SearchStack::~SearchStack() {
    destroySolveContext(shared);
    for (Board* board : boards) destroyBoard(board);
}

void keepOnly(Board* board, int32_t c, int32_t r, std::initializer_list<int32_t> digits) {
    for (int32_t d = 1; d <= sideOf(board); ++d) {
        bool keep = false;
        for (int32_t k : digits) keep = keep || k == d;
        if (!keep) eliminateCandidate(board, c, r, d);
    }
}

void placeSomeOf(Board* board, const std::vector<int32_t>& solution, std::mt19937& random, uint32_t percent) {
    int32_t side = sideOf(board);
    for (int32_t i = 0; i < side * side; ++i) {
        if (random() % 100 >= percent) continue;
        placeDigit(board, i % side, i / side, solution[i]);
        --board->remaining;
    }
}

void playRandomly(Board* board, std::mt19937& random, std::vector<OwnedBoard>* stalled) {
    int32_t side = sideOf(board);
    while (propagateSingles(board) == STATUS_STALLED) {
        stalled->push_back(cloneBoard(board, 1));
        std::vector<int32_t> open;
        for (int32_t cell = 0; cell < side * side; ++cell) {
            if (board->values[cell] == 0) open.push_back(cell);
        }
        int32_t cell = open[random() % open.size()];
        std::vector<int32_t> digits;
        for (int32_t d = 1; d <= side; ++d) {
            if (hasCandidate(board, cell % side, cell / side, d)) digits.push_back(d);
        }
        placeDigit(board, cell % side, cell / side, digits[random() % digits.size()]);
        --board->remaining;
    }
}

::testing::AssertionResult keepsSolution(const Board* board, const std::vector<int32_t>& solution) {
    int32_t side = sideOf(board);
    for (int32_t i = 0; i < side * side; ++i) {
        if (board->values[i] == 0 && !hasCandidate(board, i % side, i / side, solution[i]))
            return ::testing::AssertionFailure() << "cell " << i << " lost its solution digit " << solution[i];
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult heapIsConsistent(const ConstraintHeap* heap) {
    if (heap->keys[0] != -1 || heap->ids[0] != -1)
        return ::testing::AssertionFailure() << "slot 0 holds id " << heap->ids[0] << " key " << heap->keys[0];
    if (heap->count < 0 || heap->count > heap->capacity)
        return ::testing::AssertionFailure() << "count " << heap->count << " capacity " << heap->capacity;
    for (int32_t s = 1; s <= heap->count; ++s) {
        int32_t id = heap->ids[s];
        if (id < 0 || id >= heap->capacity || heap->positions[id] != s)
            return ::testing::AssertionFailure() << "slot " << s << " holds id " << id << " whose position is "
                                                 << (id < 0 || id >= heap->capacity ? -2 : heap->positions[id]);
        if (heap->keys[s] < 0) return ::testing::AssertionFailure() << "slot " << s << " key " << heap->keys[s];
        if (s > 1 && heap->keys[s / 2] > heap->keys[s])
            return ::testing::AssertionFailure() << "slot " << s << " key " << heap->keys[s] << " below parent key "
                                                 << heap->keys[s / 2];
    }
    for (int32_t id = 0; id < heap->capacity; ++id) {
        int32_t p = heap->positions[id];
        if (p != -1 && (p < 1 || p > heap->count || heap->ids[p] != id))
            return ::testing::AssertionFailure() << "id " << id << " has stray position " << p;
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult keyIsWellFormed(int32_t key, int32_t side) {
    int32_t full = (1 << side) - 1;
    int32_t mask = key & full;
    int32_t bits = __builtin_popcount(static_cast<uint32_t>(mask));
    if (key > 0x3FFFFFFF) {
        int32_t expected = (((0x7FFFFFFF >> side) - (side - bits)) << side) | mask;
        if (key == expected) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "satisfied key " << key << " expected " << expected;
    }
    if (key == bits * (1 << side) + mask) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "open key " << key << " has mask " << mask << " with " << bits
                                         << " bits but count " << (key >> side);
}

::testing::AssertionResult boardIsConsistent(const Board* board) {
    int32_t side = sideOf(board);
    int32_t cells = side * side;
    for (int32_t f = 0; f < FAMILY_COUNT; ++f) {
        const ConstraintHeap* heap = heapOf(board, f);
        if (heap->capacity != cells || heap->count != cells)
            return ::testing::AssertionFailure() << "heap " << f << " holds " << heap->count << " of " << cells;
        ::testing::AssertionResult ok = heapIsConsistent(heap);
        if (!ok) return ::testing::AssertionFailure() << "heap " << f << ": " << ok.message();
        for (int32_t s = 1; s <= cells; ++s) {
            ok = keyIsWellFormed(heap->keys[s], side);
            if (!ok)
                return ::testing::AssertionFailure() << "heap " << f << " id " << heap->ids[s] << ": " << ok.message();
        }
    }
    for (int32_t id = 0; id < cells; ++id) {
        int32_t key = keyOf(board->cellHeap, id);
        if (board->cellKeys[id] != key)
            return ::testing::AssertionFailure() << "cellKeys[" << id << "] " << board->cellKeys[id] << " heap key "
                                                 << key;
        int32_t v = board->values[id];
        if (v < 0 || v > side || (v != 0) != (key > 0x3FFFFFFF))
            return ::testing::AssertionFailure() << "cell " << id << " value " << v << " key " << key;
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult heapsIdentical(const ConstraintHeap* a, const ConstraintHeap* b) {
    if (a->capacity != b->capacity || a->count != b->count)
        return ::testing::AssertionFailure() << "count " << a->count << " vs " << b->count;
    size_t bytes = sizeof(int32_t) * (static_cast<size_t>(a->capacity) + 2);
    if (std::memcmp(a->ids, b->ids, bytes) != 0) return ::testing::AssertionFailure() << "ids differ";
    if (std::memcmp(a->keys, b->keys, bytes) != 0) return ::testing::AssertionFailure() << "keys differ";
    if (std::memcmp(a->positions, b->positions, bytes) != 0) return ::testing::AssertionFailure() << "positions differ";
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult boardsIdentical(const Board* a, const Board* b) {
    if (a->context != b->context) return ::testing::AssertionFailure() << "contexts differ";
    if (a->remaining != b->remaining)
        return ::testing::AssertionFailure() << "remaining " << a->remaining << " vs " << b->remaining;
    int32_t side = sideOf(a);
    size_t bytes = sizeof(int32_t) * static_cast<size_t>(side * side);
    if (std::memcmp(a->values, b->values, bytes) != 0) return ::testing::AssertionFailure() << "values differ";
    if (std::memcmp(a->stages, b->stages, static_cast<size_t>(side * side)) != 0)
        return ::testing::AssertionFailure() << "stages differ";
    if (std::memcmp(a->cellKeys, b->cellKeys, bytes) != 0) return ::testing::AssertionFailure() << "cellKeys differ";
    for (int32_t f = 0; f < FAMILY_COUNT; ++f) {
        ::testing::AssertionResult ok = heapsIdentical(heapOf(a, f), heapOf(b, f));
        if (!ok) return ::testing::AssertionFailure() << "heap " << f << ": " << ok.message();
    }
    return ::testing::AssertionSuccess();
}

std::string boardDifference(const Board* a, const Board* b) {
    int32_t side = sideOf(a);
    int32_t cells = side * side;
    std::ostringstream out;
    if (a->remaining != b->remaining) {
        out << "remaining " << a->remaining << " vs " << b->remaining;
        return out.str();
    }
    for (int32_t i = 0; i < cells; ++i) {
        if (a->values[i] != b->values[i] || a->cellKeys[i] != b->cellKeys[i]) {
            out << "cell " << i << ": value " << a->values[i] << "/" << b->values[i] << " key " << a->cellKeys[i]
                << "/" << b->cellKeys[i];
            return out.str();
        }
    }
    for (int32_t h = 0; h < FAMILY_COUNT; ++h) {
        const ConstraintHeap* x = heapOf(a, h);
        const ConstraintHeap* y = heapOf(b, h);
        if (x->count != y->count) {
            out << "heap " << h << " count " << x->count << " vs " << y->count;
            return out.str();
        }
        for (int32_t s = 1; s <= x->count; ++s) {
            if (x->ids[s] != y->ids[s] || x->keys[s] != y->keys[s]) {
                out << "heap " << h << " slot " << s << ": id " << x->ids[s] << "/" << y->ids[s] << " key "
                    << x->keys[s] << "/" << y->keys[s];
                return out.str();
            }
        }
        for (int32_t id = 0; id < x->capacity; ++id) {
            if (x->positions[id] != y->positions[id]) {
                out << "heap " << h << " position of id " << id;
                return out.str();
            }
        }
    }
    return "";
}

} // namespace numpl::test

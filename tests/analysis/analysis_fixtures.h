// Helpers shared by the analysis tests: puzzles from one-line grids and data
// files, boards with their own context, board comparison, grid checks, and an
// independent brute-force solution counter to check the search against.
#ifndef NUMPL_TESTS_ANALYSIS_FIXTURES_H
#define NUMPL_TESTS_ANALYSIS_FIXTURES_H

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "analysis/puzzle.h"
#include "analysis/puzzle_text.h"
#include "model/board.h"
#include "model/placement.h"

namespace numpl::testing {

// A puzzle of the grid's box order with the grid as givens; nullptr for a
// line that does not parse.
inline Puzzle* puzzleFromText(const std::string& text) {
    std::vector<int32_t> cells(text.size());
    const char* error = nullptr;
    int32_t boxOrder = parsePuzzleText(text.data(), text.size(), cells.data(), &error);
    if (boxOrder == 0) return nullptr;
    Puzzle* puzzle = createPuzzle(boxOrder);
    setGivens(puzzle, cells.data());
    return puzzle;
}

inline Puzzle* puzzleFromCells(int32_t boxOrder, const std::vector<int32_t>& cells) {
    Puzzle* puzzle = createPuzzle(boxOrder);
    setGivens(puzzle, cells.data());
    return puzzle;
}

// A board that owns its context; destroy with releaseBoard.
inline Board* createBoardWithContext(int32_t boxOrder, int32_t threadCount) {
    Board* board = createBoard(boxOrder);
    board->context = createSolveContext(boxOrder);
    board->context->threadCount = threadCount;
    return board;
}

inline void releaseBoard(Board* board) {
    if (board == nullptr) return;
    destroySolveContext(board->context);
    destroyBoard(board);
}

// The givens loaded onto a fresh board with its own context; nullptr when the
// load fails.
inline Board* boardFromPuzzle(Puzzle* puzzle, int32_t threadCount) {
    Board* board = createBoardWithContext(puzzle->boxOrder, threadCount);
    if (loadGivens(board, puzzle) == 0) {
        releaseBoard(board);
        return nullptr;
    }
    return board;
}

// A second board with the same state and a context of its own with the given
// thread count, so two copies can run the assumption method differently.
inline Board* cloneBoard(const Board* source, int32_t threadCount) {
    Board* board = createBoardWithContext(source->context->boxOrder, threadCount);
    SolveContext* context = board->context;
    copyBoard(source, board);
    board->context = context;
    return board;
}

// Empty when the boards agree in every field a later operation can read
// (values, cellKeys, remaining, each heap's live slots and index); otherwise
// the first difference.
inline std::string boardDifference(const Board* a, const Board* b) {
    int32_t side = a->context->boxOrder * a->context->boxOrder;
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

// Whether digit d is still a candidate of cell (c, r), read from cellKeys.
inline bool hasCandidate(const Board* board, int32_t c, int32_t r, int32_t d) {
    int32_t side = board->context->boxOrder * board->context->boxOrder;
    return (board->cellKeys[side * r + c] >> (d - 1) & 1) != 0;
}

// A valid full grid for box order n: row r is 1..N shifted by (r mod n)*n +
// r div n, so consecutive rows of a band shift by n and bands by one.
inline std::vector<int32_t> patternGrid(int32_t n) {
    int32_t side = n * n;
    std::vector<int32_t> cells(static_cast<size_t>(side * side));
    for (int32_t r = 0; r < side; ++r) {
        for (int32_t c = 0; c < side; ++c) cells[r * side + c] = ((r % n) * n + r / n + c) % side + 1;
    }
    return cells;
}

// A random valid full grid: the pattern grid under a random relabelling of
// digits and random permutations of bands, rows within bands, stacks and
// columns within stacks.
inline std::vector<int32_t> randomFullGrid(int32_t n, std::mt19937& random) {
    int32_t side = n * n;
    std::vector<int32_t> pattern = patternGrid(n);
    auto shuffledLines = [&]() {
        std::vector<int32_t> groups(n);
        for (int32_t i = 0; i < n; ++i) groups[i] = i;
        std::shuffle(groups.begin(), groups.end(), random);
        std::vector<int32_t> lines;
        for (int32_t g : groups) {
            std::vector<int32_t> inner(n);
            for (int32_t i = 0; i < n; ++i) inner[i] = g * n + i;
            std::shuffle(inner.begin(), inner.end(), random);
            lines.insert(lines.end(), inner.begin(), inner.end());
        }
        return lines;
    };
    std::vector<int32_t> rows = shuffledLines();
    std::vector<int32_t> columns = shuffledLines();
    std::vector<int32_t> digits(side + 1);
    for (int32_t d = 0; d <= side; ++d) digits[d] = d;
    std::shuffle(digits.begin() + 1, digits.end(), random);
    std::vector<int32_t> cells(static_cast<size_t>(side * side));
    for (int32_t r = 0; r < side; ++r) {
        for (int32_t c = 0; c < side; ++c) cells[r * side + c] = digits[pattern[rows[r] * side + columns[c]]];
    }
    return cells;
}

// Random grids with few givens from a random full grid, sometimes with one
// given changed to another digit that its units do not hold (often leaving
// no solution).
inline std::vector<int32_t> randomGivens(int32_t n, int32_t givens, std::mt19937& random) {
    int32_t side = n * n;
    std::vector<int32_t> full = randomFullGrid(n, random);
    std::vector<int32_t> order(side * side);
    for (int32_t i = 0; i < side * side; ++i) order[i] = i;
    std::shuffle(order.begin(), order.end(), random);
    std::vector<int32_t> cells(side * side, 0);
    for (int32_t k = 0; k < givens; ++k) cells[order[k]] = full[order[k]];
    if (random() % 3 == 0) {
        int32_t cell = order[0];
        std::vector<int32_t> allowed;
        for (int32_t d = 1; d <= side; ++d) {
            cells[cell] = d;
            Puzzle* check = puzzleFromCells(n, cells);
            if (d != full[cell] && checkGivens(check) == 0) allowed.push_back(d);
            destroyPuzzle(check);
        }
        cells[cell] = allowed.empty() ? full[cell] : allowed[random() % allowed.size()];
    }
    return cells;
}

// True when the grid is a complete valid solution that keeps every given.
inline bool isSolutionOf(const Puzzle* puzzle, int32_t* const* grid) {
    int32_t n = puzzle->boxOrder;
    int32_t side = n * n;
    for (int32_t r = 0; r < side; ++r) {
        for (int32_t c = 0; c < side; ++c) {
            int32_t v = grid[r][c];
            if (v < 1 || v > side) return false;
            if (puzzle->givens[r][c] != 0 && puzzle->givens[r][c] != v) return false;
        }
    }
    for (int32_t u = 0; u < side; ++u) {
        uint32_t rowSeen = 0;
        uint32_t columnSeen = 0;
        uint32_t boxSeen = 0;
        for (int32_t i = 0; i < side; ++i) {
            rowSeen |= 1u << grid[u][i];
            columnSeen |= 1u << grid[i][u];
            boxSeen |= 1u << grid[(u / n) * n + i / n][(u % n) * n + i % n];
        }
        uint32_t all = ((1u << side) - 1) << 1;
        if (rowSeen != all || columnSeen != all || boxSeen != all) return false;
    }
    return true;
}

// Plain backtracking with unit masks, always on the open cell with the fewest
// candidates; counts solutions up to `limit`. Knows nothing of the engine.
class BruteCounter {
public:
    BruteCounter(int32_t n, const std::vector<int32_t>& givens) : n_(n), side_(n * n), cells_(givens) {
        rows_.assign(side_, 0);
        columns_.assign(side_, 0);
        boxes_.assign(side_, 0);
        for (int32_t i = 0; i < side_ * side_; ++i) {
            int32_t v = cells_[i];
            if (v == 0) continue;
            uint32_t bit = 1u << (v - 1);
            int32_t r = i / side_;
            int32_t c = i % side_;
            if ((rows_[r] | columns_[c] | boxes_[box(c, r)]) & bit) consistent_ = false;
            rows_[r] |= bit;
            columns_[c] |= bit;
            boxes_[box(c, r)] |= bit;
        }
    }

    int32_t count(int32_t limit) {
        int32_t found = 0;
        if (consistent_) search(limit, &found);
        return found;
    }

private:
    int32_t box(int32_t c, int32_t r) const { return (r / n_) * n_ + c / n_; }

    void search(int32_t limit, int32_t* found) {
        int32_t best = -1;
        uint32_t bestFree = 0;
        int32_t bestCount = side_ + 1;
        uint32_t all = (1u << side_) - 1;
        for (int32_t i = 0; i < side_ * side_; ++i) {
            if (cells_[i] != 0) continue;
            int32_t r = i / side_;
            int32_t c = i % side_;
            uint32_t free = all & ~(rows_[r] | columns_[c] | boxes_[box(c, r)]);
            int32_t count = __builtin_popcount(free);
            if (count < bestCount) {
                best = i;
                bestFree = free;
                bestCount = count;
            }
        }
        if (best < 0) {
            ++*found;
            return;
        }
        int32_t r = best / side_;
        int32_t c = best % side_;
        for (int32_t d = 1; d <= side_ && *found < limit; ++d) {
            uint32_t bit = 1u << (d - 1);
            if ((bestFree & bit) == 0) continue;
            cells_[best] = d;
            rows_[r] |= bit;
            columns_[c] |= bit;
            boxes_[box(c, r)] |= bit;
            search(limit, found);
            rows_[r] &= ~bit;
            columns_[c] &= ~bit;
            boxes_[box(c, r)] &= ~bit;
            cells_[best] = 0;
        }
    }

    int32_t n_;
    int32_t side_;
    std::vector<int32_t> cells_;
    std::vector<uint32_t> rows_;
    std::vector<uint32_t> columns_;
    std::vector<uint32_t> boxes_;
    bool consistent_ = true;
};

// A puzzle line with its known solution count.
struct KnownCount {
    std::string grid;
    int32_t count;
};

// The lines of tests/data/<name>: "grid count", '#' lines and blank lines
// skipped. Empty when the file cannot be read (the caller fails then).
inline std::vector<KnownCount> readKnownCounts(const char* name) {
    std::vector<KnownCount> lines;
    std::string path = std::string(NUMPL_TEST_DATA_DIR) + "/" + name;
    FILE* file = std::fopen(path.c_str(), "r");
#ifdef _WIN32
    // Under wine a Unix path resolves against the current drive; Z: maps the
    // Unix root when the current drive is another one.
    if (file == nullptr) file = std::fopen(("Z:" + path).c_str(), "r");
#endif
    if (file == nullptr) return lines;
    char buffer[1024];
    while (std::fgets(buffer, sizeof buffer, file) != nullptr) {
        std::istringstream line(buffer);
        KnownCount entry;
        if (buffer[0] == '#' || !(line >> entry.grid >> entry.count)) continue;
        lines.push_back(entry);
    }
    std::fclose(file);
    return lines;
}

} // namespace numpl::testing

#endif

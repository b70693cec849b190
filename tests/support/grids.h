// Grids for tests: full grids of any box order, random puzzles cut from them,
// a solution check, a brute-force counter that knows nothing of the engine,
// and the data files of known counts.
#ifndef NUMPL_TESTS_SUPPORT_GRIDS_H
#define NUMPL_TESTS_SUPPORT_GRIDS_H

#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <random>
#include <string>
#include <vector>

#include "analysis/puzzle.h"

namespace numpl::test {

// The digit at (c, r) of a complete valid grid of box order n: row r is 1..N
// shifted by (r mod n)*n + r div n, so consecutive rows of a band shift by n
// and bands by one, and every row, column and box holds each digit once.
int32_t patternDigit(int32_t n, int32_t c, int32_t r);

// The whole pattern grid, row by row.
std::vector<int32_t> patternGrid(int32_t n);

// A random valid full grid: the pattern grid under a random relabelling of
// digits and random permutations of bands, rows within bands, stacks and
// columns within stacks.
std::vector<int32_t> randomFullGrid(int32_t n, std::mt19937& random);

// A few givens from a random full grid, sometimes with one given changed to
// another digit that its units do not hold (often leaving no solution).
std::vector<int32_t> randomGivens(int32_t n, int32_t givens, std::mt19937& random);

// The cells of a one-line grid (see parsePuzzleText); empty for a line that
// does not parse.
std::vector<int32_t> cellsFromText(const std::string& text);

// The box order n of a grid of n^4 cells; 0 for any other count.
int32_t boxOrderOf(size_t cellCount);

// True when the grid is a complete valid solution that keeps every given.
bool isSolutionOf(const Puzzle* puzzle, int32_t* const* grid);

// Plain backtracking with unit masks, always on the open cell with the fewest
// candidates (the first such cell in row order); counts solutions up to
// `limit` and keeps the first one found. Shares no code with the engine, so
// it can judge it.
class BruteCounter {
public:
    BruteCounter(int32_t n, const std::vector<int32_t>& givens);
    int32_t count(int32_t limit);
    // The first solution of the last count, row by row; empty when it found
    // none.
    const std::vector<int32_t>& firstSolution() const { return first_; }

private:
    int32_t box(int32_t c, int32_t r) const { return (r / n_) * n_ + c / n_; }
    void search(int32_t limit, int32_t* found);

    int32_t n_;
    int32_t side_;
    std::vector<int32_t> cells_;
    std::vector<int32_t> first_;
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
std::vector<KnownCount> readKnownCounts(const char* name);

// The lines of several such files, one after the other; empty when any of
// them cannot be read.
std::vector<KnownCount> readKnownCounts(std::initializer_list<const char*> names);

// Opens tests/data/<name> for reading; nullptr when it cannot.
FILE* openTestData(const char* name);

} // namespace numpl::test

#endif

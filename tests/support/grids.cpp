// Grid builders, the brute-force counter and the data-file readers of the
// tests.
#include "support/grids.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

#include "analysis/puzzle_text.h"

namespace numpl::test {

int32_t patternDigit(int32_t n, int32_t c, int32_t r) {
    int32_t side = n * n;
    return ((r % n) * n + r / n + c) % side + 1;
}

std::vector<int32_t> patternGrid(int32_t n) {
    int32_t side = n * n;
    std::vector<int32_t> cells(static_cast<size_t>(side * side));
    for (int32_t r = 0; r < side; ++r) {
        for (int32_t c = 0; c < side; ++c) cells[r * side + c] = patternDigit(n, c, r);
    }
    return cells;
}

std::vector<int32_t> randomFullGrid(int32_t n, std::mt19937& random) {
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

std::vector<int32_t> randomGivens(int32_t n, int32_t givens, std::mt19937& random) {
    int32_t side = n * n;
    std::vector<int32_t> full = randomFullGrid(n, random);
    std::vector<int32_t> order(side * side);
    for (int32_t i = 0; i < side * side; ++i) order[i] = i;
    std::shuffle(order.begin(), order.end(), random);
    std::vector<int32_t> cells(side * side, 0);
    for (int32_t k = 0; k < givens; ++k) cells[order[k]] = full[order[k]];
    if (random() % 3 == 0) {
        int32_t cell = order[0];
        int32_t r = cell / side;
        int32_t c = cell % side;
        std::vector<int32_t> allowed;
        for (int32_t d = 1; d <= side; ++d) {
            bool seen = d == full[cell];
            for (int32_t i = 0; i < side && !seen; ++i) {
                int32_t br = (r / n) * n + i / n;
                int32_t bc = (c / n) * n + i % n;
                seen = (i != c && cells[r * side + i] == d) || (i != r && cells[i * side + c] == d) ||
                       ((br != r || bc != c) && cells[br * side + bc] == d);
            }
            if (!seen) allowed.push_back(d);
        }
        cells[cell] = allowed.empty() ? full[cell] : allowed[random() % allowed.size()];
    }
    return cells;
}

std::vector<int32_t> cellsFromText(const std::string& text) {
    std::vector<int32_t> cells(text.size());
    const char* error = nullptr;
    if (parsePuzzleText(text.data(), text.size(), cells.data(), &error) == 0) return {};
    return cells;
}

int32_t boxOrderOf(size_t cellCount) {
    for (int32_t n = MIN_BOX_ORDER; n <= MAX_BOX_ORDER; ++n) {
        if (static_cast<size_t>(n * n * n * n) == cellCount) return n;
    }
    return 0;
}

bool isSolutionOf(const Puzzle* puzzle, int32_t* const* grid) {
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

BruteCounter::BruteCounter(int32_t n, const std::vector<int32_t>& givens) : n_(n), side_(n * n), cells_(givens) {
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

int32_t BruteCounter::count(int32_t limit) {
    int32_t found = 0;
    first_.clear();
    if (consistent_) search(limit, &found);
    return found;
}

void BruteCounter::search(int32_t limit, int32_t* found) {
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
        if (++*found == 1) first_ = cells_;
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

FILE* openTestData(const char* name) {
    std::string path = std::string(NUMPL_TEST_DATA_DIR) + "/" + name;
    FILE* file = std::fopen(path.c_str(), "r");
#ifdef _WIN32
    // Under wine a Unix path resolves against the current drive; Z: maps the
    // Unix root when the current drive is another one.
    if (file == nullptr) file = std::fopen(("Z:" + path).c_str(), "r");
#endif
    return file;
}

std::vector<KnownCount> readKnownCounts(const char* name) {
    std::vector<KnownCount> lines;
    FILE* file = openTestData(name);
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

std::vector<KnownCount> readKnownCounts(std::initializer_list<const char*> names) {
    std::vector<KnownCount> lines;
    for (const char* name : names) {
        std::vector<KnownCount> more = readKnownCounts(name);
        if (more.empty()) return {};
        lines.insert(lines.end(), more.begin(), more.end());
    }
    return lines;
}

} // namespace numpl::test

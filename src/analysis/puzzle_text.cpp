// Parsing and printing the one-line grid format.
#include "analysis/puzzle_text.h"

namespace numpl {

namespace {

// -1 for a character outside the alphabet.
int32_t symbolValue(char ch) {
    if (ch == '.' || ch == '0') return 0;
    if (ch >= '1' && ch <= '9') return ch - '0';
    if (ch >= 'A' && ch <= 'P') return ch - 'A' + 10;
    if (ch >= 'a' && ch <= 'p') return ch - 'a' + 10;
    return -1;
}

} // namespace

int32_t parsePuzzleText(const char* text, size_t length, int32_t* cells, const char** error) {
    int32_t boxOrder = 0;
    for (int32_t n = MIN_BOX_ORDER; n <= MAX_BOX_ORDER; ++n) {
        if (length == static_cast<size_t>(n * n * n * n)) boxOrder = n;
    }
    if (boxOrder == 0) {
        *error = "length is not 16, 81, 256 or 625";
        return 0;
    }
    for (size_t i = 0; i < length; ++i) {
        int32_t v = symbolValue(text[i]);
        if (v < 0) {
            *error = "character outside . 0-9 A-P";
            return 0;
        }
        cells[i] = v;
    }
    return boxOrder;
}

void setGivens(Puzzle* puzzle, const int32_t* cells) {
    int32_t side = puzzle->boxOrder * puzzle->boxOrder;
    for (int32_t r = 0; r < side; ++r) {
        for (int32_t c = 0; c < side; ++c) puzzle->givens[r][c] = cells[r * side + c];
    }
}

void formatGrid(int32_t boxOrder, int32_t* const* grid, char* out) {
    static const char symbols[] = ".123456789ABCDEFGHIJKLMNOP";
    int32_t side = boxOrder * boxOrder;
    for (int32_t r = 0; r < side; ++r) {
        for (int32_t c = 0; c < side; ++c) {
            int32_t v = grid[r][c];
            *out++ = (v >= 0 && v <= MAX_SIDE) ? symbols[v] : '?';
        }
    }
    *out = '\0';
}

} // namespace numpl

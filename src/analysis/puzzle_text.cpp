// Reading puzzles from text in the forms people paste and save, and the
// exact one-line form the benchmarks and tests use; printing that form.
#include "analysis/puzzle_text.h"

#include <cstdio>

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

bool isBlank(char ch) { return ch == ' ' || ch == '\t'; }
bool isLineEnd(char ch) { return ch == '\n' || ch == '\r'; }
bool isSeparator(char ch) { return ch == '|' || ch == '-' || ch == '+'; }
bool isDecimal(char ch) { return ch >= '0' && ch <= '9'; }

// A cell character of the reader: symbolValue plus the other empty-cell marks.
int32_t cellValue(char ch) {
    if (ch == '_' || ch == '*') return 0;
    return symbolValue(ch);
}

int32_t clampCount(size_t count) { return count > INT32_MAX ? INT32_MAX : static_cast<int32_t>(count); }

struct Cursor {
    const char* text;
    size_t length;
    size_t pos;   // start of the next line
    int32_t line; // 1-based number of the line last returned
    int32_t side; // rows of 16 or 25 cells are being read: they may switch the mode
    bool numbers; // the mode the rows are read in
};

// The next line [*begin, *end) without its terminator (LF, CR LF or a lone CR);
// false at the end of the text.
bool nextLine(Cursor* cursor, size_t* begin, size_t* end) {
    const char* text = cursor->text;
    size_t p = cursor->pos;
    if (p >= cursor->length) return false;
    *begin = p;
    while (p < cursor->length && !isLineEnd(text[p])) ++p;
    *end = p;
    if (p < cursor->length) p += (text[p] == '\r' && p + 1 < cursor->length && text[p + 1] == '\n') ? 2 : 1;
    cursor->pos = p;
    if (cursor->line < INT32_MAX) ++cursor->line;
    return true;
}

// One blank-separated word in character mode: false when it is not made of
// cell characters and separators only, which ends the line's content.
bool readCharacterWord(const char* word, size_t length, int32_t* cells, size_t room, size_t* count) {
    for (size_t i = 0; i < length; ++i) {
        if (cellValue(word[i]) < 0 && !isSeparator(word[i])) return false;
    }
    for (size_t i = 0; i < length; ++i) {
        if (isSeparator(word[i])) continue;
        if (*count < room) cells[*count] = cellValue(word[i]);
        ++*count;
    }
    return true;
}

// One word in number mode: a separator run, a single empty-cell mark, or one
// or two decimal digits.
bool readNumberWord(const char* word, size_t length, int32_t* cells, size_t room, size_t* count) {
    bool separators = true;
    for (size_t i = 0; i < length; ++i) separators = separators && isSeparator(word[i]);
    if (separators) return true;
    int32_t value = 0;
    if (length == 1 && (word[0] == '.' || word[0] == '_' || word[0] == '*')) {
        value = 0;
    } else if (length <= 2 && isDecimal(word[0]) && (length == 1 || isDecimal(word[1]))) {
        value = length == 1 ? word[0] - '0' : (word[0] - '0') * 10 + (word[1] - '0');
    } else {
        return false;
    }
    if (*count < room) cells[*count] = value;
    ++*count;
    return true;
}

struct LineShape {
    bool twoDigitWord;     // a word of exactly two decimal digits was part of the content
    size_t firstWordCells; // the cells of the first word that holds any
};

// The cells of one line, stored into cells[0..room) and counted beyond, so
// that an overlong line is measured without being kept.
size_t readLineCells(const char* text, size_t begin, size_t end, bool numbers, int32_t* cells, size_t room,
                     LineShape* shape) {
    size_t count = 0;
    size_t p = begin;
    while (p < end) {
        if (isBlank(text[p])) {
            ++p;
            continue;
        }
        size_t wordEnd = p;
        while (wordEnd < end && !isBlank(text[wordEnd]) && text[wordEnd] != '#') ++wordEnd;
        size_t length = wordEnd - p;
        bool read = numbers ? readNumberWord(text + p, length, cells, room, &count)
                            : readCharacterWord(text + p, length, cells, room, &count);
        if (!read) break;
        if (length == 2 && isDecimal(text[p]) && isDecimal(text[p + 1])) shape->twoDigitWord = true;
        if (shape->firstWordCells == 0) shape->firstWordCells = count;
        if (wordEnd < end && text[wordEnd] == '#') break;
        p = wordEnd;
    }
    return count;
}

// The next line that holds at least one cell; lines of blanks, separators,
// comments or words alone are passed over.
bool nextContentLine(Cursor* cursor, bool numbers, int32_t* cells, size_t room, size_t* count) {
    size_t begin = 0, end = 0;
    while (nextLine(cursor, &begin, &end)) {
        LineShape shape{};
        *count = readLineCells(cursor->text, begin, end, numbers, cells, room, &shape);
        if (*count > 0) break;
    }
    if (*count == 0) return false;
    // A row of a big grid may be the first to show which way it is written:
    // "1 . 3 ..." reads the same either way, "10 . 3" only as numbers. The
    // way that gives a whole row wins, and holds for the rows after it.
    if (*count != room && cursor->side >= 16) {
        LineShape shape{};
        size_t other = readLineCells(cursor->text, begin, end, !numbers, cells, room, &shape);
        if (other == room) {
            *count = other;
            cursor->numbers = !numbers;
        } else {
            readLineCells(cursor->text, begin, end, numbers, cells, room, &shape);
        }
    }
    return true;
}

bool isFirstLineCount(size_t count) {
    return count == 4 || count == 9 || count == 16 || count == 25 || count == 81 || count == 256 || count == 625;
}

PuzzleTextResult failure(PuzzleTextError error, int32_t line, int32_t side) {
    PuzzleTextResult result{};
    result.error = error;
    result.line = line;
    result.side = side;
    return result;
}

// The first value above `side` among cells[0..count), which start at grid
// cell `first`; false when there is none.
bool findBadNumber(const int32_t* cells, int32_t first, int32_t count, int32_t side, int32_t line,
                   PuzzleTextResult* result) {
    for (int32_t i = 0; i < count; ++i) {
        if (cells[i] <= side) continue;
        *result = failure(TEXT_BAD_NUMBER, line, side);
        result->row = (first + i) / side + 1;
        result->column = (first + i) % side + 1;
        result->value = cells[i];
        return true;
    }
    return false;
}

} // namespace

PuzzleTextResult readPuzzleText(const char* text, size_t length, int32_t* cells) {
    Cursor cursor{text, length, 0, 0, 0, false};
    if (length >= 3 && static_cast<unsigned char>(text[0]) == 0xEF && static_cast<unsigned char>(text[1]) == 0xBB &&
        static_cast<unsigned char>(text[2]) == 0xBF) {
        cursor.pos = 3;
    }

    // The first content line settles the mode and, mostly, the size.
    size_t first = 0;
    size_t begin = 0, end = 0;
    LineShape shape{};
    while (first == 0) {
        if (!nextLine(&cursor, &begin, &end)) return failure(TEXT_NO_PUZZLE, 0, 0);
        first = readLineCells(text, begin, end, false, cells, MAX_CELLS, &shape);
    }
    bool numbers = false;
    size_t word = shape.firstWordCells;
    if (word == 81 || word == 256 || word == 625) {
        // A whole grid in one word: whatever follows on its line, a rating
        // such as "3.2" or "12" included, is text after the puzzle.
        first = word;
    } else if (shape.twoDigitWord) {
        // A 4x4 row written "12 | 34" has two-digit words too: numbers win
        // unless only the characters make a row or a grid.
        size_t characters = first;
        LineShape unused{};
        first = readLineCells(text, begin, end, true, cells, MAX_CELLS, &unused);
        numbers = isFirstLineCount(first) || !isFirstLineCount(characters);
        if (!numbers) first = readLineCells(text, begin, end, false, cells, MAX_CELLS, &unused);
    }
    int32_t firstLine = cursor.line;

    PuzzleTextResult result{};
    int32_t side = 0;
    int32_t rowsRead = 1;
    if (first == 81 || first == 256 || first == 625) {
        side = first == 81 ? 9 : first == 256 ? 16 : 25;
        rowsRead = side;
        if (findBadNumber(cells, 0, side * side, side, firstLine, &result)) return result;
    } else if (first == 16) {
        // Sixteen cells are a whole 4x4 grid unless a second row of sixteen follows.
        size_t second = 0;
        cursor.side = 16;
        cursor.numbers = numbers;
        if (nextContentLine(&cursor, numbers, cells + 16, 16, &second) && second == 16) {
            side = 16;
            rowsRead = 2;
            if (findBadNumber(cells, 0, 16, side, firstLine, &result)) return result;
            if (findBadNumber(cells + 16, 16, 16, side, cursor.line, &result)) return result;
        } else {
            side = 4;
            rowsRead = side;
            if (findBadNumber(cells, 0, 16, side, firstLine, &result)) return result;
        }
    } else if (first == 4 || first == 9 || first == 25) {
        side = static_cast<int32_t>(first);
        if (findBadNumber(cells, 0, side, side, firstLine, &result)) return result;
    } else {
        result = failure(TEXT_BAD_LENGTH, firstLine, 0);
        result.count = clampCount(first);
        return result;
    }

    cursor.side = side;
    cursor.numbers = numbers;
    for (int32_t r = rowsRead; r < side; ++r) {
        size_t count = 0;
        if (!nextContentLine(&cursor, cursor.numbers, cells + r * side, side, &count)) {
            result = failure(TEXT_MISSING_ROWS, 0, side);
            result.count = r;
            return result;
        }
        if (count != static_cast<size_t>(side)) {
            result = failure(count < static_cast<size_t>(side) ? TEXT_SHORT_ROW : TEXT_LONG_ROW, cursor.line, side);
            result.row = r + 1;
            result.count = clampCount(count);
            return result;
        }
        if (findBadNumber(cells + r * side, r * side, side, side, cursor.line, &result)) return result;
    }

    result = failure(TEXT_OK, 0, side);
    result.boxOrder = side == 4 ? 2 : side == 9 ? 3 : side == 16 ? 4 : 5;
    return result;
}

void describePuzzleTextError(const PuzzleTextResult& result, char* out, size_t size) {
    if (size == 0) return;
    const PuzzleTextResult& r = result;
    switch (r.error) {
    case TEXT_OK:
        std::snprintf(out, size, "no error");
        break;
    case TEXT_NO_PUZZLE:
        std::snprintf(out, size, "no puzzle: only blanks, comments, separators or words");
        break;
    case TEXT_BAD_LENGTH:
        std::snprintf(out, size,
                      "line %d holds %d cells: neither a row (4, 9, 16 or 25) nor a grid (16, 81, 256 or 625)", r.line,
                      r.count);
        break;
    case TEXT_SHORT_ROW:
    case TEXT_LONG_ROW:
        std::snprintf(out, size, "line %d: row %d has %d cells, %s than the %d of the first row", r.line, r.row,
                      r.count, r.error == TEXT_SHORT_ROW ? "fewer" : "more", r.side);
        break;
    case TEXT_MISSING_ROWS:
        std::snprintf(out, size, "the text ends after %d of the %d rows", r.count, r.side);
        break;
    case TEXT_BAD_NUMBER:
        std::snprintf(out, size, "line %d, row %d, column %d: %d is above %d, the largest digit of a %dx%d grid",
                      r.line, r.row, r.column, r.value, r.side, r.side, r.side);
        break;
    default:
        std::snprintf(out, size, "unknown text error %d", static_cast<int>(r.error));
        break;
    }
}

bool findRepeatedDigit(int32_t boxOrder, const int32_t* cells, int32_t* cell, int32_t* earlier) {
    if (boxOrder < MIN_BOX_ORDER || boxOrder > MAX_BOX_ORDER) return false;
    const int32_t n = boxOrder;
    const int32_t side = n * n;
    // Bit v of a mask: digit v already seen in that row, column or box.
    uint32_t rows[MAX_SIDE] = {}, columns[MAX_SIDE] = {}, boxes[MAX_SIDE] = {};
    for (int32_t i = 0; i < side * side; ++i) {
        int32_t v = cells[i];
        if (v < 1 || v > side) continue;
        int32_t r = i / side, c = i % side, b = (r / n) * n + c / n;
        uint32_t bit = 1u << v;
        if (((rows[r] | columns[c] | boxes[b]) & bit) != 0) {
            // Only the first repeat is wanted, so the one look back is cheap.
            for (int32_t j = 0; j < i; ++j) {
                int32_t rj = j / side, cj = j % side;
                bool peer = rj == r || cj == c || (rj / n == r / n && cj / n == c / n);
                if (peer && cells[j] == v) {
                    *cell = i;
                    *earlier = j;
                    return true;
                }
            }
        }
        rows[r] |= bit;
        columns[c] |= bit;
        boxes[b] |= bit;
    }
    return false;
}

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

char digitSymbol(int32_t value) {
    static const char symbols[] = ".123456789ABCDEFGHIJKLMNOP";
    return (value >= 0 && value <= MAX_SIDE) ? symbols[value] : '?';
}

void formatGrid(int32_t boxOrder, int32_t* const* grid, char* out) {
    int32_t side = boxOrder * boxOrder;
    for (int32_t r = 0; r < side; ++r) {
        for (int32_t c = 0; c < side; ++c) *out++ = digitSymbol(grid[r][c]);
    }
    *out = '\0';
}

} // namespace numpl

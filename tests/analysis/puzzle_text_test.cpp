// Tests of the puzzle-text reader behind paste, open, drop and numpl-analyse:
// every accepted form, every error with its place, the repeated-digit finder,
// and fuzzing for overruns and for results outside the grid's digits.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "analysis/puzzle_text.h"
#include "support/grids.h"

namespace numpl {
namespace {

constexpr char SYMBOLS[] = ".123456789ABCDEFGHIJKLMNOP";
constexpr int32_t GUARD = 16;
constexpr int32_t SENTINEL = -7777;
const std::string LOCKED = "..9.....3.....9...7.....5.6..65..4.....3......28......3..75.6..6...........12.3.8";

struct Read {
    PuzzleTextResult result;
    std::vector<int32_t> cells; // the grid's N*N cells; empty unless TEXT_OK
};

// Reads from a heap block of exactly the text's size and a cell array fenced
// by sentinels, so that the sanitizer build sees any read past the text and
// this check any write past cells[624].
Read readText(const std::string& text) {
    std::unique_ptr<char[]> exact(text.empty() ? nullptr : new char[text.size()]);
    if (!text.empty()) std::memcpy(exact.get(), text.data(), text.size());
    std::vector<int32_t> fenced(MAX_CELLS + 2 * GUARD, SENTINEL);
    Read read{readPuzzleText(exact.get(), text.size(), fenced.data() + GUARD), {}};
    for (int32_t i = 0; i < GUARD; ++i) {
        EXPECT_EQ(SENTINEL, fenced[i]) << "write before cells[0]";
        EXPECT_EQ(SENTINEL, fenced[GUARD + MAX_CELLS + i]) << "write past cells[624]";
    }
    if (read.result.error == TEXT_OK) {
        int32_t side = read.result.boxOrder * read.result.boxOrder;
        read.cells.assign(fenced.begin() + GUARD, fenced.begin() + GUARD + side * side);
    }
    return read;
}

// A puzzle cut from a random full grid; its first row keeps its largest
// digit, so a 16x16 or 25x25 one written in numbers has a two-digit number.
std::vector<int32_t> randomPuzzle(int32_t n, std::mt19937& random) {
    std::vector<int32_t> cells = test::randomFullGrid(n, random);
    for (size_t i = 0; i < cells.size(); ++i) {
        if (random() % 2 == 0 && !(i < static_cast<size_t>(n * n) && cells[i] == n * n)) cells[i] = 0;
    }
    return cells;
}

enum Form { ONE_LINE, ROWS, NUMBER_ROWS, NUMBER_LINE };
enum Dress { PLAIN, BOM_CRLF, LONE_CR, COMMENTS, TRAILING_TEXT, LOWER_CASE };

std::string render(int32_t n, const std::vector<int32_t>& cells, Form form, Dress dress) {
    const int32_t side = n * n;
    const char* eol = dress == BOM_CRLF ? "\r\n" : dress == LONE_CR ? "\r" : "\n";
    std::string text = dress == BOM_CRLF ? "\xEF\xBB\xBF" : "";
    if (dress == COMMENTS) text += "# from the club's sheet\n\n   # rated hard\n  \t\nPuzzle 7 (hard)\n";
    for (int32_t r = 0; r < side; ++r) {
        if (form == ROWS && r > 0 && r % n == 0) text += std::string(2 * n, '-') + "+" + std::string(2 * n, '-') + eol;
        for (int32_t c = 0; c < side; ++c) {
            int32_t v = cells[r * side + c];
            if (form == ONE_LINE || form == ROWS) {
                char ch = SYMBOLS[v];
                if (dress == LOWER_CASE && ch >= 'A') ch = static_cast<char>(ch - 'A' + 'a');
                text += ch;
                if (form == ROWS && c % n == n - 1 && c < side - 1) text += " | ";
            } else {
                text += v == 0 ? (c % 2 ? "." : "0") : std::to_string(v);
                text += c % n == n - 1 && c < side - 1 ? " | " : " ";
            }
        }
        bool firstLineEnds = form == ROWS || form == NUMBER_ROWS ? r == 0 : r == side - 1;
        if (dress == TRAILING_TEXT && firstLineEnds) text += "  Easy #12";
        if (form == ROWS || form == NUMBER_ROWS || r == side - 1) text += eol;
        if (form == NUMBER_LINE) text += r == side - 1 ? "" : " ";
    }
    if (dress == TRAILING_TEXT) text += std::string("Solved in 3 minutes.") + eol + "123 | 456" + eol;
    return text;
}

struct FormCase {
    int32_t n;
    Form form;
    Dress dress;
};

class ReadPuzzleTextForms : public ::testing::TestWithParam<FormCase> {};

TEST_P(ReadPuzzleTextForms, ReadBackTheGrid) {
    const FormCase& p = GetParam();
    std::mt19937 random(static_cast<uint32_t>(p.n * 100 + p.form * 10 + p.dress));
    for (int32_t trial = 0; trial < 5; ++trial) {
        std::vector<int32_t> cells = randomPuzzle(p.n, random);
        std::string text = render(p.n, cells, p.form, p.dress);
        Read read = readText(text);
        ASSERT_EQ(TEXT_OK, read.result.error) << text;
        EXPECT_EQ(p.n, read.result.boxOrder);
        EXPECT_EQ(p.n * p.n, read.result.side);
        EXPECT_EQ(cells, read.cells) << text;
    }
}

std::vector<FormCase> formCases() {
    std::vector<FormCase> cases;
    for (int32_t n = MIN_BOX_ORDER; n <= MAX_BOX_ORDER; ++n) {
        for (Dress dress : {PLAIN, BOM_CRLF, LONE_CR, COMMENTS, TRAILING_TEXT, LOWER_CASE}) {
            cases.push_back({n, ONE_LINE, dress});
            cases.push_back({n, ROWS, dress});
            if (n >= 4 && dress != LOWER_CASE) cases.push_back({n, NUMBER_ROWS, dress});
            if (n >= 4 && dress != LOWER_CASE) cases.push_back({n, NUMBER_LINE, dress});
        }
    }
    return cases;
}
std::string formCaseName(const ::testing::TestParamInfo<FormCase>& info) {
    static const char* const FORMS[] = {"OneLine", "Rows", "NumberRows", "NumberLine"};
    static const char* const DRESSES[] = {"Plain", "BomCrLf", "LoneCr", "Comments", "TrailingText", "LowerCase"};
    int32_t side = info.param.n * info.param.n;
    return std::to_string(side) + "x" + std::to_string(side) + FORMS[info.param.form] + DRESSES[info.param.dress];
}
INSTANTIATE_TEST_SUITE_P(AllForms, ReadPuzzleTextForms, ::testing::ValuesIn(formCases()), formCaseName);

// Big grids in numbers whose first rows hold no two-digit number: a later
// row is the first to show that the grid is written in numbers.
TEST(ReadPuzzleText, NumbersShowInALaterRow) {
    std::mt19937 random(2468);
    for (int32_t n : {4, 5}) {
        for (int32_t quietRows : {1, 2, 3}) {
            std::vector<int32_t> cells = randomPuzzle(n, random);
            int32_t side = n * n;
            for (int32_t k = 0; k < quietRows * side; ++k) {
                if (cells[k] >= 10) cells[k] = 0;
            }
            std::string text = render(n, cells, NUMBER_ROWS, PLAIN);
            Read read = readText(text);
            ASSERT_EQ(TEXT_OK, read.result.error) << text;
            EXPECT_EQ(cells, read.cells) << text;
        }
    }
}

// Rules the generated forms do not reach, each pinned by one written text.
TEST(ReadPuzzleText, WrittenFormsReadAsTheirOneLineGrid) {
    const std::string classic = "53..7....6..195....98....6.8...6...34..8.3..17...2...6.6....28....419..5....8..79";
    const struct {
        std::string text;
        std::string grid;
    } cases[] = {
        {LOCKED + " 3.2 12 rated by hand", LOCKED},
        {LOCKED + "#12\n1234", LOCKED},
        {"53..7.... Easy #12\n6..195...\n.98....6.\n8...6...3\n4..8.3..1\n7...2...6\n.6....28.\n...419..5\n"
         "....8..79\nnext puzzle",
         classic},
        {"1_3*2..4.4..1..2\n123456789\n", "1.3.2..4.4..1..2"},
        {"1 2 3 4 | 3 4 1 2 | 2 1 4 3 | 4 3 2 1", "1234341221434321"},
        // Two-digit words that cannot be a row of numbers are boxes of two cells.
        {"12 | 34\n34 | 12\n--+--\n21 | 43\n43 | 21", "1234341221434321"},
        {"12 34 12 34 12 34 12 34", "1234123412341234"},
    };
    for (const auto& c : cases) {
        Read read = readText(c.text);
        ASSERT_EQ(TEXT_OK, read.result.error) << c.text;
        EXPECT_EQ(test::cellsFromText(c.grid), read.cells) << c.text;
    }
}

struct ErrorCase {
    std::string text;
    PuzzleTextError error;
    int32_t line, row, column, value, count, side;
};

TEST(ReadPuzzleText, ErrorsNameTheirPlace) {
    const std::string row9 = "1.3.5.7.9\n";
    const std::string row16 = "123456789ABCDEFG\n";
    std::string row25; // 1 to 25 in numbers, and the same with 26 in column 7
    for (int32_t v = 1; v <= 25; ++v) row25 += std::to_string(v) + " ";
    std::string bad25 = row25;
    bad25.replace(bad25.find(" 7 "), 3, " 26 ");
    const ErrorCase cases[] = {
        {"", TEXT_NO_PUZZLE, 0, 0, 0, 0, 0, 0},
        {"\xEF\xBB\xBF \t\r\n# only a comment\n---+---|\n\nWhat a puzzle!\n", TEXT_NO_PUZZLE, 0, 0, 0, 0, 0, 0},
        {"123", TEXT_BAD_LENGTH, 1, 0, 0, 0, 3, 0},
        {"#\r\n\r\n" + LOCKED + ".", TEXT_BAD_LENGTH, 3, 0, 0, 0, 82, 0},
        {"12 34 5", TEXT_BAD_LENGTH, 1, 0, 0, 0, 3, 0},
        {row9 + "# note\n" + row9 + "1.3.5.7.\n", TEXT_SHORT_ROW, 4, 3, 0, 0, 8, 9},
        {row9 + row9 + row9 + "1 2 3 | 4 5 6 | 7 8 9 9", TEXT_LONG_ROW, 4, 4, 0, 0, 10, 9},
        {row9 + row9 + row9 + row9 + "\n\n", TEXT_MISSING_ROWS, 0, 0, 0, 0, 4, 9},
        {row16 + row16 + "--------\n", TEXT_MISSING_ROWS, 0, 0, 0, 0, 2, 16},
        {"1234", TEXT_MISSING_ROWS, 0, 0, 0, 0, 1, 4},
        {LOCKED.substr(0, 40) + "G" + LOCKED.substr(41), TEXT_BAD_NUMBER, 1, 5, 5, 16, 0, 9},
        {"1234..5.........", TEXT_BAD_NUMBER, 1, 2, 3, 5, 0, 4},
        {row9 + "..A......\n", TEXT_BAD_NUMBER, 2, 2, 3, 10, 0, 9},
        {"\n" + row16 + "1234567890ABCDEF\n" + "........... Q....\n", TEXT_SHORT_ROW, 4, 3, 0, 0, 11, 16},
        {"\n" + row16 + "1234567890ABCDEF\n" + "...........Q....\n", TEXT_MISSING_ROWS, 0, 0, 0, 0, 2, 16},
        // Sixteen numbers and no second row of them: a 4x4 line, whose 10 is too big.
        {"10 . 3 00 |  1 2 4 5 | 6 7 8 9 | 11 12 13 14 #x\n1 2\n", TEXT_BAD_NUMBER, 1, 1, 1, 10, 0, 4},
        {"# 25x25\n" + row25 + "\n" + row25 + "\n" + bad25, TEXT_BAD_NUMBER, 4, 3, 7, 26, 0, 25},
    };
    for (const ErrorCase& c : cases) {
        PuzzleTextResult r = readText(c.text).result;
        EXPECT_EQ(c.error, r.error) << c.text;
        EXPECT_EQ(0, r.boxOrder) << c.text;
        EXPECT_EQ(c.line, r.line) << c.text;
        EXPECT_EQ(c.row, r.row) << c.text;
        EXPECT_EQ(c.column, r.column) << c.text;
        EXPECT_EQ(c.value, r.value) << c.text;
        EXPECT_EQ(c.count, r.count) << c.text;
        EXPECT_EQ(c.side, r.side) << c.text;
    }
}

// The reason names the place the result gives, and a short buffer gets a
// NUL-terminated prefix and nothing past its end.
TEST(DescribePuzzleTextError, NamesThePlaceAndRespectsTheSize) {
    const PuzzleTextResult results[] = {
        {0, TEXT_NO_PUZZLE, 0, 0, 0, 0, 0, 0},    {0, TEXT_BAD_LENGTH, 3, 0, 0, 0, 82, 0},
        {0, TEXT_SHORT_ROW, 4, 3, 0, 0, 8, 9},    {0, TEXT_LONG_ROW, 7, 5, 0, 0, 10, 9},
        {0, TEXT_MISSING_ROWS, 0, 0, 0, 0, 4, 9}, {0, TEXT_BAD_NUMBER, 12, 11, 13, 26, 0, 25},
    };
    for (const PuzzleTextResult& r : results) {
        char full[256];
        describePuzzleTextError(r, full, sizeof full);
        std::string reason = full;
        ASSERT_GT(reason.size(), 10u);
        using Named = std::pair<std::string, int32_t>;
        for (auto [word, value] : {Named{"line ", r.line}, Named{"row ", r.row}, Named{"column ", r.column}}) {
            EXPECT_TRUE(value == 0 || reason.find(word + std::to_string(value)) != std::string::npos) << reason;
        }
        for (int32_t number : {r.value, r.count, r.side}) {
            EXPECT_TRUE(number == 0 || reason.find(std::to_string(number)) != std::string::npos) << reason;
        }
        for (size_t size = 0; size <= reason.size() + 1; ++size) {
            char out[260];
            std::memset(out, 'x', sizeof out);
            describePuzzleTextError(r, out, size);
            for (size_t i = size; i < sizeof out; ++i) ASSERT_EQ('x', out[i]) << "size " << size;
            if (size > 0) {
                EXPECT_EQ(reason.substr(0, size - 1), std::string(out)) << "size " << size;
            }
        }
    }
}

class FindRepeatedDigit : public ::testing::TestWithParam<int32_t> {};

// Placements are (row, column, digit); each repeat sits at the grid's far
// edge so that loops stopping a unit early miss it.
TEST_P(FindRepeatedDigit, ReportsTheFirstRepeatInReadingOrder) {
    const int32_t n = GetParam(), side = n * n, last = side - 1, corner = side - n;
    auto find = [&](std::initializer_list<std::array<int32_t, 3>> placed, int32_t wantCell, int32_t wantEarlier) {
        std::vector<int32_t> cells(side * side, 0);
        for (auto [r, c, v] : placed) cells[r * side + c] = v;
        int32_t cell = -1, earlier = -1;
        bool found = findRepeatedDigit(n, cells.data(), &cell, &earlier);
        EXPECT_EQ(wantCell >= 0, found);
        if (found) {
            EXPECT_EQ(wantCell, cell);
            EXPECT_EQ(wantEarlier, earlier);
        }
    };
    find({}, -1, -1);
    find({{last, 0, 2}, {last, last, 2}}, last * side + last, last * side);
    find({{0, last, side}, {last, last, side}}, last * side + last, last);
    find({{corner, corner, 3}, {last, last, 3}}, last * side + last, corner * side + corner);
    // A column repeat far down loses to a row repeat completed earlier.
    find({{0, 1, 1}, {last, 1, 1}, {1, 0, 2}, {1, last, 2}}, side + last, side);
    // Two earlier cells repeated at once: the lower index is named.
    find({{0, last, 1}, {1, 0, 1}, {1, last, 1}}, side + last, last);
    // Values outside 1..N are no digits.
    find({{0, 0, side + 1}, {0, 1, side + 1}, {1, 0, -1}, {1, 1, -1}}, -1, -1);

    std::mt19937 random(static_cast<uint32_t>(n));
    std::vector<int32_t> full = test::randomFullGrid(n, random);
    int32_t cell = -1, earlier = -1;
    EXPECT_FALSE(findRepeatedDigit(n, full.data(), &cell, &earlier));
}
INSTANTIATE_TEST_SUITE_P(BoxOrders, FindRepeatedDigit, ::testing::Values(2, 3, 4, 5));

// What any input may give: a grid of digits 0..N, or an error whose fields
// agree with its kind.
void expectSound(const std::string& text) {
    Read read = readText(text);
    const PuzzleTextResult& r = read.result;
    if (r.error == TEXT_OK) {
        ASSERT_TRUE(r.boxOrder >= MIN_BOX_ORDER && r.boxOrder <= MAX_BOX_ORDER) << r.boxOrder;
        ASSERT_EQ(r.boxOrder * r.boxOrder, r.side);
        for (int32_t v : read.cells) ASSERT_TRUE(v >= 0 && v <= r.side) << v;
        return;
    }
    ASSERT_EQ(0, r.boxOrder);
    size_t lines = 1;
    for (char ch : text) lines += ch == '\n' || ch == '\r';
    ASSERT_LE(static_cast<size_t>(r.line), lines);
    switch (r.error) {
    case TEXT_BAD_LENGTH:
        for (int32_t size : {4, 9, 16, 25, 81, 256, 625}) ASSERT_NE(size, r.count);
        break;
    case TEXT_SHORT_ROW:
        ASSERT_TRUE(r.count >= 1 && r.count < r.side && r.row >= 2 && r.row <= r.side);
        break;
    case TEXT_LONG_ROW:
        ASSERT_TRUE(r.count > r.side && r.row >= 2 && r.row <= r.side);
        break;
    case TEXT_MISSING_ROWS:
        ASSERT_TRUE(r.count >= 1 && r.count < r.side);
        break;
    case TEXT_BAD_NUMBER:
        ASSERT_TRUE(r.value > r.side && r.value <= 99 && r.line >= 1);
        ASSERT_TRUE(r.row >= 1 && r.row <= r.side && r.column >= 1 && r.column <= r.side);
        break;
    default:
        ASSERT_EQ(TEXT_NO_PUZZLE, r.error);
    }
}

const char NOISE[] = "0123456789ABGPQZapz.._*|-+#    \t\t\r\n\n\xEF\xBB\xBF\x80\xFF";

char noise(std::mt19937& random) {
    return random() % 4 == 0 ? static_cast<char>(random()) : NOISE[random() % (sizeof NOISE - 1)];
}

TEST(ReadPuzzleTextFuzz, RandomAndMutatedTextsReadSoundly) {
    std::mt19937 random(20240611);
    for (int32_t i = 0; i < 3000; ++i) {
        std::string text(random() % 700, '\0');
        for (char& ch : text) ch = noise(random);
        ASSERT_NO_FATAL_FAILURE(expectSound(text)) << testing::PrintToString(text);
    }
    for (const FormCase& form : formCases()) {
        std::string base = render(form.n, randomPuzzle(form.n, random), form.form, form.dress);
        if (form.dress == PLAIN) {
            for (size_t cut = 0; cut <= base.size(); ++cut) ASSERT_NO_FATAL_FAILURE(expectSound(base.substr(0, cut)));
        }
        for (int32_t m = 0; m < 60; ++m) {
            std::string text = base;
            for (uint32_t edits = 1 + random() % 4; edits > 0; --edits) {
                size_t at = random() % (text.size() + 1);
                uint32_t kind = random() % 3;
                if (kind == 0) {
                    text.insert(at, 1, noise(random));
                } else if (at < text.size()) {
                    if (kind == 1) text.erase(at, 1);
                    if (kind == 2) text[at] = noise(random);
                }
            }
            ASSERT_NO_FATAL_FAILURE(expectSound(text)) << testing::PrintToString(text);
        }
    }
}

// formatGrid's output reads back as the grid, however separators and blanks
// are strewn through it.
TEST(ReadPuzzleTextFuzz, FormattedGridsReadBackThroughSeparators) {
    std::mt19937 random(77);
    const char* spacers[] = {"", "", "", "|", "-", "+", " ", "\t", " | ", "-+-", "\t+\t"};
    for (int32_t trial = 0; trial < 400; ++trial) {
        int32_t n = MIN_BOX_ORDER + trial % 4, side = n * n;
        std::vector<int32_t> cells = randomPuzzle(n, random);
        std::vector<int32_t*> rows(side);
        for (int32_t r = 0; r < side; ++r) rows[r] = cells.data() + r * side;
        std::string line(side * side + 1, '\0');
        formatGrid(n, rows.data(), line.data());
        line.pop_back();
        ASSERT_EQ(cells, readText(line).cells);

        std::string strewn, word;
        bool twoDigitWord = false;
        for (char ch : line + " ") {
            std::string spacer = spacers[random() % (sizeof spacers / sizeof *spacers)];
            for (char s : std::string(1, ch) + spacer) {
                if (s == ' ' || s == '\t') {
                    bool digits = word.size() == 2 && word.find_first_not_of("0123456789") == std::string::npos;
                    twoDigitWord = twoDigitWord || digits;
                    word.clear();
                } else {
                    word += s;
                }
            }
            strewn += ch == ' ' ? "" : std::string(1, ch) + spacer;
        }
        if (twoDigitWord) continue; // that would be a line of numbers
        Read read = readText("--+--\n" + strewn + "\n");
        ASSERT_EQ(TEXT_OK, read.result.error) << strewn;
        ASSERT_EQ(cells, read.cells) << strewn;
    }
}

TEST(ReadPuzzleTextFuzz, HugeInputsStayLinearAndSound) {
    std::mt19937 random(3);
    const size_t mib = 1 << 20;
    std::string separators(4 * mib, ' ');
    for (char& ch : separators) ch = "-+| \t\n\r"[random() % 7];
    Read read = readText(separators + "\n" + LOCKED);
    ASSERT_EQ(TEXT_OK, read.result.error);
    EXPECT_EQ(test::cellsFromText(LOCKED), read.cells);

    read = readText(std::string(3 * mib, '5'));
    EXPECT_EQ(TEXT_BAD_LENGTH, read.result.error);
    EXPECT_EQ(static_cast<int32_t>(3 * mib), read.result.count);

    std::string comments;
    while (comments.size() < 2 * mib) comments += "# a comment line\r\n";
    std::vector<int32_t> big = randomPuzzle(5, random);
    read = readText(comments + render(5, big, ROWS, PLAIN) + std::string(2 * mib, 'x'));
    ASSERT_EQ(TEXT_OK, read.result.error);
    EXPECT_EQ(big, read.cells);

    read = readText("1.3.5.7.9" + std::string(4 * mib, '\n'));
    EXPECT_EQ(TEXT_MISSING_ROWS, read.result.error);
    EXPECT_EQ(1, read.result.count);

    std::string numbers;
    while (numbers.size() < 3 * mib) numbers += "10 ";
    read = readText(numbers);
    EXPECT_EQ(TEXT_BAD_LENGTH, read.result.error);
    EXPECT_EQ(static_cast<int32_t>(numbers.size() / 3), read.result.count);

    std::string bytes(5 * mib, '\0');
    for (char& ch : bytes) ch = noise(random);
    expectSound(bytes);
}

} // namespace
} // namespace numpl

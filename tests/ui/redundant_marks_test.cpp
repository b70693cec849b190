// The redundant givens in the real window: the marks and their line after
// each pasted puzzle, gone at once when the givens change and absent without
// a unique solution; "不要なヒントを除く" greyed until the count is 1, then
// leaving a minimal puzzle as one step that undo takes back.
#include <windows.h>

#include <string>
#include <vector>

#include "composing/redundant_givens.h"
#include "test_puzzles.h"
#include "ui_driver.h"

namespace numpl::test {
namespace {

constexpr COLORREF LIGHT_GREEN = 0xC8F0C8;

// UNIQUE_9 with the solution's digit in the first empty cell of rows 0, 3,
// 6 and 8: those extra givens, at least, could go.
const char EXTRA_9[] = "534.7....6..195....98....6.85..6...34..8.3..17...2...696....28....419..53...8..79";

// What the composing unit says of unique givens, as the window should show it.
std::vector<uint8_t> redundantOf(const std::vector<int>& givens, int* count) {
    ComposeScratch* scratch = createComposeScratch();
    std::vector<uint8_t> marks(81, 0);
    EXPECT_EQ(COMPOSE_DONE, findRedundantGivens(scratch, 3, givens.data(), nullptr, marks.data(), count));
    destroyComposeScratch(scratch);
    return marks;
}

// Whether the window on screen shows the colour anywhere: a given's colour
// lies behind its digit only.
bool shows(HWND window, COLORREF colour) {
    UpdateWindow(window);
    RECT client;
    GetClientRect(window, &client);
    HDC dc = GetDC(window);
    bool found = false;
    for (int y = 0; y < client.bottom && !found; ++y)
        for (int x = 0; x < client.right && !found; ++x) found = GetPixel(dc, x, y) == colour;
    ReleaseDC(window, dc);
    return found;
}

class RedundantMarksTest : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        ASSERT_TRUE(waitForCount(L"1000以上"));
    }
    // The line under the difficulty text, empty when there is none.
    std::wstring marksLine() const {
        std::wstring text = textOf(control(DIFFICULTY_BOX_ID));
        size_t at = text.find(L"\r\n不要なヒント");
        return at == std::wstring::npos ? L"" : text.substr(at + 2);
    }
    int greenCells() const {
        int green = 0;
        for (int k = 0; k < 81; ++k) green += cellColour(k) == LIGHT_GREEN ? 1 : 0;
        return green;
    }
};

TEST_F(RedundantMarksTest, MarksFollowTheGivensAndRemovalIsOneStep) {
    command(IDM_SHOW_REDUNDANT);
    struct Case {
        const char* name;
        const char* puzzle;
        std::wstring count;
    };
    const Case cases[] = {
        {"unique with extra givens", EXTRA_9, L"1"},
        {"two solutions", TWO_9, L"2"},
        {"unique as published", UNIQUE_9, L"1"},
    };
    for (const Case& c : cases) {
        pasteInto(0, std::wstring(c.puzzle, c.puzzle + 81));
        EXPECT_EQ(0, greenCells()) << c.name << ": marks of the old givens stay";
        ASSERT_TRUE(waitForNewResult(c.count)) << c.name;
        std::vector<int> givens = cellValues(9);
        bool unique = c.count == L"1";
        EXPECT_EQ(unique, (menuState(1, IDM_REMOVE_REDUNDANT) & MF_GRAYED) == 0) << c.name;
        int count = 0;
        std::vector<uint8_t> redundant = unique ? redundantOf(givens, &count) : std::vector<uint8_t>(81, 0);
        std::wstring line = unique ? L"不要なヒント：" + std::to_wstring(count) + L"個" : L"";
        ASSERT_TRUE(pumpTicks(3));
        ASSERT_TRUE(pumpUntil([&] { return marksLine() == line; })) << c.name;
        for (int k = 0; k < 81; ++k) {
            if (givens[k] == 0) continue;
            EXPECT_TRUE(shows(cell(k), redundant[k] == 1 ? LIGHT_GREEN : LIGHT_BLUE)) << c.name << ", " << k;
        }
        EXPECT_EQ(count, greenCells()) << c.name;
    }

    // The puzzle with extra givens once more: removing them is one step.
    pasteInto(0, std::wstring(EXTRA_9, EXTRA_9 + 81));
    ASSERT_TRUE(waitForNewResult(L"1"));
    std::vector<int> before = cellValues(9);
    size_t from = countHistory.size();
    command(IDM_REMOVE_REDUNDANT);
    ASSERT_TRUE(pumpUntil([&] { return cellValues(9) != before; }));
    std::vector<int> after = cellValues(9);
    ASSERT_TRUE(pumpUntil([&] { return countShowed(from, L"解析中", L"1") && countText() == L"1"; }));
    EXPECT_FALSE(countShowed(from, L"解析中断"));
    for (int k = 0; k < 81; ++k) EXPECT_TRUE(after[k] == 0 || after[k] == before[k]) << "cell " << k;
    // The window's own check of the result finds nothing more to remove.
    ASSERT_TRUE(pumpUntil([&] { return marksLine() == L"不要なヒント：0個"; })) << "not minimal";
    command(IDM_UNDO);
    EXPECT_EQ(before, cellValues(9));

    command(IDM_SHOW_REDUNDANT);
    ASSERT_TRUE(waitForNewResult(L"1"));
    ASSERT_TRUE(pumpTicks(3));
    EXPECT_TRUE(marksLine().empty() && greenCells() == 0);
    EXPECT_EQ(0u, menuState(2, IDM_SHOW_REDUNDANT) & MF_CHECKED);
}

} // namespace
} // namespace numpl::test

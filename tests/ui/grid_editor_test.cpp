// The grid editor through its cells: which texts a cell keeps, arrow-key
// movement, the conflict state with its red cell, and the cells' colours.
#include <windows.h>

#include "test_puzzles.h"
#include "ui/ui_state.h"
#include "ui_driver.h"

namespace numpl::test {
namespace {

class GridEditorTest : public UiTest {
protected:
    COLORREF windowColour() const { return GetSysColor(COLOR_WINDOW); }
    // Waits for the tick that takes a cell's text into the givens.
    bool waitForColour(int k, COLORREF colour) {
        return pumpUntil([&] { return cellColour(k) == colour; });
    }
    bool waitForErased(int k) {
        return pumpUntil([&] { return cellText(k).empty(); });
    }
};

TEST_F(GridEditorTest, NineByNineKeepsNumbersOneToNine) {
    typeInto(0, L"9");
    typeInto(1, L" 5");
    typeInto(2, L"7x");
    ASSERT_TRUE(waitForColour(0, LIGHT_BLUE));
    EXPECT_EQ(LIGHT_BLUE, cellColour(1)) << "\" 5\" counts as 5";
    EXPECT_EQ(LIGHT_BLUE, cellColour(2)) << "\"7x\" counts as 7";
    EXPECT_EQ(L"9", cellText(0));
    EXPECT_EQ(L" 5", cellText(1)) << "a valid number stays as typed";
    EXPECT_EQ(windowColour(), cellColour(3)) << "an empty cell";
}

TEST_F(GridEditorTest, NineByNineErasesWhatIsNoNumberOneToNine) {
    const wchar_t* rejected[] = {L"10", L"0", L"00", L"-3", L"abc"};
    for (int k = 0; k < 5; ++k) typeInto(10 + k, rejected[k]);
    for (int k = 0; k < 5; ++k) {
        EXPECT_TRUE(waitForErased(10 + k)) << "\"" << rejected[k] << "\" still shown";
        EXPECT_EQ(windowColour(), cellColour(10 + k));
    }
    EXPECT_TRUE(waitForCount(L"1000以上")) << "erased texts are no givens";
}

TEST_F(GridEditorTest, SixteenBySixteenKeepsSixteenOnly) {
    click(GetDlgItem(leftPane, SIZE_BUTTON_16));
    ASSERT_TRUE(waitForGrid(16));
    typeInto(0, L"16");
    typeInto(1, L"17");
    typeInto(2, L"0");
    ASSERT_TRUE(waitForColour(0, LIGHT_BLUE));
    EXPECT_EQ(L"16", cellText(0));
    EXPECT_TRUE(waitForErased(1)) << "17 is above N";
    EXPECT_TRUE(waitForErased(2));
}

TEST_F(GridEditorTest, ArrowKeysMoveFocusAndWrap) {
    struct Move {
        int from;
        WPARAM key;
        int to;
        const char* what;
    };
    const Move moves[] = {
        {40, VK_RIGHT, 41, "right"},         {40, VK_LEFT, 39, "left"},
        {40, VK_UP, 31, "up"},               {40, VK_DOWN, 49, "down"},
        {9, VK_LEFT, 17, "left at row start"}, {17, VK_RIGHT, 9, "right at row end"},
        {3, VK_UP, 75, "up in top row"},     {75, VK_DOWN, 3, "down in bottom row"},
        {72, VK_DOWN, 0, "down at bottom-left"}, {0, VK_UP, 72, "up at top-left"},
    };
    typeInto(40, L"5");
    for (const Move& move : moves) {
        SendMessageW(cell(move.from), WM_KEYDOWN, move.key, 0);
        EXPECT_TRUE(pumpUntil([&] { return GetFocus() == cell(move.to); }, 5000))
            << move.what << ": expected cell " << move.to << ", focus on control "
            << GetDlgCtrlID(GetFocus()) - CELL_ID_BASE;
    }
    EXPECT_EQ(L"5", cellText(40)) << "only the focus moves";
}

// Cell 3 repeats the 5 of cell 0 in row 0.
TEST_F(GridEditorTest, RepeatedDigitMarksCellRedUntilItChanges) {
    typeInto(0, L"5");
    ASSERT_TRUE(waitForNewResult(L"1000以上"));
    typeInto(3, L"5");
    ASSERT_TRUE(waitForCount(L"0"));
    EXPECT_EQ(RED, cellColour(3));
    EXPECT_EQ(LIGHT_BLUE, cellColour(0));

    // Numbers elsewhere are refused while the mark stands; emptying is allowed.
    typeInto(40, L"7");
    EXPECT_TRUE(waitForErased(40));
    EXPECT_TRUE(pumpTicks(2));
    EXPECT_EQ(L"0", countText());
    EXPECT_EQ(RED, cellColour(3)) << "the duplicate is still there";

    // No solution stands for these givens, so there is none to show.
    click(control(SHOW_BUTTON_ID));
    EXPECT_EQ(nullptr, control(HIDE_BUTTON_ID));
    EXPECT_EQ(L"解を表示", textOf(control(SHOW_BUTTON_ID)));
    EXPECT_EQ(L"", cellText(1));

    typeInto(3, L"6");
    ASSERT_TRUE(waitForColour(3, LIGHT_BLUE));
    EXPECT_TRUE(waitForCount(L"1000以上"));
    typeInto(40, L"7");
    EXPECT_TRUE(waitForColour(40, LIGHT_BLUE)) << "accepted again once the conflict is gone";
    EXPECT_EQ(L"7", cellText(40));
}

TEST_F(GridEditorTest, EmptyingAnotherCellKeepsDuplicateMarked) {
    typeInto(0, L"5");
    typeInto(80, L"1");
    ASSERT_TRUE(waitForNewResult(L"1000以上"));
    typeInto(4, L"5");
    ASSERT_TRUE(waitForCount(L"0"));
    ASSERT_EQ(RED, cellColour(4));
    typeInto(80, L"");
    EXPECT_TRUE(waitForColour(80, windowColour()));
    EXPECT_TRUE(pumpTicks(2));
    EXPECT_EQ(RED, cellColour(4));
    EXPECT_EQ(L"0", countText());
}

// A new grid owes nothing to the conflict of the old one.
TEST_F(GridEditorTest, SizeChangeClearsConflict) {
    typeInto(0, L"5");
    typeInto(1, L"5");
    ASSERT_TRUE(waitForCount(L"0"));
    click(GetDlgItem(leftPane, SIZE_BUTTON_16));
    ASSERT_TRUE(waitForGrid(16));
    typeInto(100, L"12");
    EXPECT_TRUE(waitForColour(100, LIGHT_BLUE));
    EXPECT_EQ(L"12", cellText(100));
}

Puzzle* failingFactory(int32_t) {
    return nullptr;
}

// Without a Puzzle the grid is inert: nothing is read, erased, coloured or
// analysed. The next size change tries again.
TEST_F(GridEditorTest, MissingPuzzleLeavesGridInertUntilNextSize) {
    puzzleFactory = failingFactory;
    click(GetDlgItem(leftPane, SIZE_BUTTON_16));
    ASSERT_TRUE(waitForGrid(16));
    EXPECT_EQ(L"", countText());
    typeInto(0, L"5");
    typeInto(1, L"99");
    ASSERT_TRUE(pumpTicks(3));
    EXPECT_EQ(L"99", cellText(1));
    EXPECT_EQ(windowColour(), cellColour(0));
    EXPECT_EQ(L"", countText());

    puzzleFactory = createPuzzle;
    click(GetDlgItem(leftPane, SIZE_BUTTON_9));
    ASSERT_TRUE(waitForGrid(9));
    EXPECT_TRUE(waitForCount(L"1000以上"));
    typeInto(0, L"5");
    EXPECT_TRUE(waitForColour(0, LIGHT_BLUE));
}

} // namespace
} // namespace numpl::test

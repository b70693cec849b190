// The difficulty map in the real window, through the menu item: each empty
// cell's background on screen is the colour of the stage that placed it, the
// right pane shows the legend in its place, the map and "別解との違い" exclude
// each other, and a change of the givens takes the map away until the next
// first solution.
#include <windows.h>

#include <vector>

#include "model/board.h"
#include "support/grids.h"
#include "ui/display_scale.h"
#include "ui/ui_state.h"
#include "ui_driver.h"

namespace numpl::test {
namespace {

// 9x9-forum-hardest-1106.txt line 2: its first solution takes singles, pairs
// and triples, trial placements and branches.
const char STAGED_9[] = "........2..8.1.9..5....3.4....1.93...6..3..8...37......4......53.1.7.8..2........";
// Two solutions; row 0 holds a 7.
const char TWO_9[] = "....7....6..195....98....6.8...6...34..8.3..17...2...6.6....28....419..5....8..79";

// Indexed by stage; 0 for the stages without a colour of their own.
const COLORREF STAGE_COLOURS[] = {0, 0xFFFFFF, 0xB4DCFF, 0xBEBEFF, 0xFFBEDC, 0xBEBEBE, 0};
constexpr COLORREF MARKED_DIFFERENT = 0x99FFFF;

class MapTest : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        ASSERT_TRUE(waitForCount(L"1000以上"));
    }

    void command(int id) { SendMessageW(frame, WM_COMMAND, id, 0); }

    bool checked(int id) {
        HMENU menu = GetMenu(frame);
        SendMessageW(frame, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(GetSubMenu(menu, 2)), 2);
        return (GetMenuState(menu, id, MF_BYCOMMAND) & MF_CHECKED) != 0;
    }

    // What the window shows at (x, y) of its client area, once painted.
    COLORREF onScreen(HWND window, int x, int y) {
        UpdateWindow(window);
        HDC dc = GetDC(window);
        COLORREF colour = GetPixel(dc, x, y);
        ReleaseDC(window, dc);
        return colour;
    }

    int stageOf(int k) const { return uiState.puzzle->stageMap[k / 9][k % 9]; }
};

TEST_F(MapTest, ShowsEachEmptyCellsStageOnScreenWithALegend) {
    typeGrid(cellsFromText(STAGED_9));
    ASSERT_TRUE(waitForNewResult(L"1"));
    EXPECT_FALSE(checked(IDM_DIFFICULTY_MAP)) << "the map starts off";
    RECT difficulty = rectInParent(control(DIFFICULTY_BOX_ID));
    command(IDM_DIFFICULTY_MAP);
    ASSERT_TRUE(checked(IDM_DIFFICULTY_MAP));
    ASSERT_TRUE(pumpTicks(1));
    std::vector<bool> seen(7, false);
    for (int k = 0; k < 81; ++k) {
        int stage = stageOf(k);
        if (stage == STAGE_GIVEN || seen[static_cast<size_t>(stage)]) continue;
        seen[static_cast<size_t>(stage)] = true;
        EXPECT_EQ(STAGE_COLOURS[stage], onScreen(cell(k), 2, 2)) << "cell " << k << " stage " << stage;
    }
    for (int stage : {STAGE_SINGLES, STAGE_PAIRS, STAGE_TRIAL, STAGE_BRANCH})
        EXPECT_TRUE(seen[static_cast<size_t>(stage)]) << stage;
    EXPECT_EQ(LIGHT_BLUE, cellColour(8)) << "a given (cell 8) keeps its colour";
    // The legend's swatches, below the difficulty text, which makes room.
    RECT shortened = rectInParent(control(DIFFICULTY_BOX_ID));
    EXPECT_LT(shortened.bottom, difficulty.bottom);
    for (int row = 0; row < 5; ++row) {
        int y = scaled(300 + 22 * row + 8);
        EXPECT_LT(shortened.bottom, y);
        EXPECT_EQ(STAGE_COLOURS[row + 1], onScreen(rightPane, scaled(8), y)) << "legend row " << row;
    }
    command(IDM_DIFFICULTY_MAP);
    EXPECT_FALSE(checked(IDM_DIFFICULTY_MAP));
    EXPECT_EQ(difficulty.bottom, rectInParent(control(DIFFICULTY_BOX_ID)).bottom);
    int branchCell = 0;
    while (stageOf(branchCell) != STAGE_BRANCH) ++branchCell;
    EXPECT_EQ(GetSysColor(COLOR_WINDOW), onScreen(cell(branchCell), 2, 2));
}

TEST_F(MapTest, ExcludesTheDifferencesAndLeavesWithAChangeOfTheGivens) {
    std::vector<int> givens = cellsFromText(TWO_9);
    typeGrid(givens);
    ASSERT_TRUE(waitForNewResult(L"2"));
    int differing = 0;
    while (givens[static_cast<size_t>(differing)] != 0 ||
           uiState.puzzle->solution[differing / 9][differing % 9] ==
               uiState.puzzle->secondSolution[differing / 9][differing % 9])
        ++differing;
    command(IDM_SHOW_DIFFERENCES);
    EXPECT_EQ(MARKED_DIFFERENT, cellColour(differing));
    command(IDM_DIFFICULTY_MAP);
    EXPECT_TRUE(checked(IDM_DIFFICULTY_MAP));
    EXPECT_FALSE(checked(IDM_SHOW_DIFFERENCES));
    COLORREF stageColour = STAGE_COLOURS[stageOf(differing)];
    EXPECT_EQ(stageColour, cellColour(differing));
    command(IDM_SHOW_DIFFERENCES);
    EXPECT_TRUE(checked(IDM_SHOW_DIFFERENCES));
    EXPECT_FALSE(checked(IDM_DIFFICULTY_MAP));
    EXPECT_EQ(MARKED_DIFFERENT, cellColour(differing));
    command(IDM_DIFFICULTY_MAP);
    // A repeated 7 in row 0: no solution, so no map, though the item stays
    // checked; taking it back brings the map of the next first solution.
    int repeated = 8;
    while (givens[static_cast<size_t>(repeated)] != 0 || repeated == differing) --repeated;
    typeInto(repeated, L"7");
    ASSERT_TRUE(waitForCount(L"0"));
    EXPECT_TRUE(checked(IDM_DIFFICULTY_MAP));
    EXPECT_EQ(GetSysColor(COLOR_WINDOW), cellColour(differing));
    typeInto(repeated, L"");
    ASSERT_TRUE(waitForNewResult(L"2"));
    EXPECT_EQ(stageColour, cellColour(differing));
}

} // namespace
} // namespace numpl::test

// Undo and redo in the real window: each kind of whole-grid step taken back
// and made again by the menu commands, with exactly one analysis after each;
// the edits of one cell as one step, taken back from inside the cell; a
// repeated digit put back; the greyed items.
#include <windows.h>

#include <functional>

#include "test_puzzles.h"
#include "ui/ui_state.h"
#include "ui_driver.h"

namespace numpl::test {
namespace {

int analysesStarted = 0;
HANDLE (*const threadStarter)(LPTHREAD_START_ROUTINE, LPVOID) = workerStarter;

HANDLE countingStarter(LPTHREAD_START_ROUTINE routine, LPVOID parameter) {
    ++analysesStarted;
    return threadStarter(routine, parameter);
}

class EditHistoryTest : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        ASSERT_TRUE(waitForCount(L"1000以上"));
        workerStarter = countingStarter;
    }
    void TearDown() override {
        workerStarter = threadStarter;
        UiTest::TearDown();
    }
    UINT greyed(int id) { return menuState(1, id) & MF_GRAYED; }
    // After the action the grid is `cells` and one analysis, never
    // cancelled, ends at `count`.
    void expectStep(const std::function<void()>& action, const std::vector<int>& cells, const std::wstring& count,
                    const std::string& what) {
        int started = analysesStarted;
        size_t from = countHistory.size();
        action();
        int side = cells.size() == 81 ? 9 : 16;
        ASSERT_TRUE(waitForGrid(side)) << what;
        ASSERT_TRUE(pumpUntil([&] { return countShowed(from, L"解析中", count) && countText() == count; })) << what;
        EXPECT_EQ(cells, cellValues(side)) << what;
        EXPECT_EQ(1u, IsDlgButtonChecked(leftPane, side == 9 ? SIZE_BUTTON_9 : SIZE_BUTTON_16)) << what;
        ASSERT_TRUE(pumpTicks(3));
        EXPECT_EQ(started + 1, analysesStarted) << what << ": exactly one analysis";
        EXPECT_FALSE(countShowed(from, L"解析中断")) << what;
    }
};

TEST_F(EditHistoryTest, WholeGridStepsAreTakenBackAndMadeAgain) {
    std::wstring grid16(256, L'.');
    for (int r = 0; r < 16; ++r) grid16[static_cast<size_t>(r * 16 + (r * 5) % 16)] = L"123456789ABCDEFG"[r];
    const std::wstring two9(TWO_9, TWO_9 + 81);
    struct Flow {
        const char* name;
        std::function<void()> action;
        std::vector<int> after;
        std::wstring count;
    };
    const Flow flows[] = {
        {"paste", [&] { pasteInto(40, two9); }, cellsFromText(TWO_9), L"2"},
        {"paste of another size", [&] { pasteInto(0, grid16); }, cellsFromText({grid16.begin(), grid16.end()}),
         L"1000以上"},
        {"size button", [&] { click(GetDlgItem(leftPane, SIZE_BUTTON_16)); }, std::vector<int>(256, 0), L"1000以上"},
        {"すべて消去", [&] { command(IDM_CLEAR_ALL); }, std::vector<int>(81, 0), L"1000以上"},
    };
    typeGrid(cellsFromText(UNIQUE_9));
    ASSERT_TRUE(waitForNewResult(L"1"));
    for (const Flow& flow : flows) {
        std::string name = flow.name;
        expectStep(flow.action, flow.after, flow.count, name);
        expectStep([&] { command(IDM_UNDO); }, cellsFromText(UNIQUE_9), L"1", name + ", undone");
        expectStep([&] { command(IDM_REDO); }, flow.after, flow.count, name + ", made again");
        expectStep([&] { command(IDM_UNDO); }, cellsFromText(UNIQUE_9), L"1", name + ", undone again");
    }
}

TEST_F(EditHistoryTest, EditsOfOneCellAreOneStepTakenBackFromInsideTheCell) {
    click(GetDlgItem(leftPane, SIZE_BUTTON_16));
    ASSERT_TRUE(waitForCount(L"1000以上"));
    EXPECT_EQ(static_cast<UINT>(MF_GRAYED), greyed(IDM_REDO));
    typeInto(0, L"3");
    SetFocus(cell(5));
    for (WPARAM digit : {'1', '2'}) {
        SendMessageW(cell(5), WM_CHAR, digit, 0);
        ASSERT_TRUE(pumpTicks(1));
    }
    SendMessageW(cell(5), WM_CHAR, 0x1A, 0); // Ctrl+Z typed
    EXPECT_EQ(L"3", cellText(0) + cellText(5)) << "one undo takes back both digits";
    EXPECT_EQ(0u, greyed(IDM_REDO));
    SendMessageW(cell(5), WM_CHAR, 0x19, 0); // Ctrl+Y typed
    EXPECT_EQ(L"312", cellText(0) + cellText(5));
    SendMessageW(cell(5), WM_UNDO, 0, 0);
    SendMessageW(cell(5), EM_UNDO, 0, 0);
    EXPECT_EQ(L"", cellText(0) + cellText(5));
    // The last step left is the size: the 9x9 grid comes back, and nothing
    // is left to undo.
    command(IDM_UNDO);
    EXPECT_TRUE(waitForGrid(9));
    EXPECT_EQ(static_cast<UINT>(MF_GRAYED), greyed(IDM_UNDO));
}

// A grid put back with a repeated digit is shown as a typed repeat is.
TEST_F(EditHistoryTest, UndoThatPutsBackARepeatedDigitMarksItRed) {
    for (int k : {0, 3}) {
        typeInto(k, L"5");
        ASSERT_TRUE(pumpTicks(1));
    }
    typeInto(3, L"");
    ASSERT_TRUE(waitForNewResult(L"1000以上"));
    command(IDM_UNDO);
    EXPECT_EQ(RED, cellColour(3));
    EXPECT_EQ(L"0", countText());
    command(IDM_UNDO);
    EXPECT_TRUE(waitForNewResult(L"1000以上")) << "the repeat is gone";
    EXPECT_EQ(GetSysColor(COLOR_WINDOW), cellColour(3));
}

} // namespace
} // namespace numpl::test

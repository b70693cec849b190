// Undo and redo in the real window: each kind of whole-grid step taken back
// and made again through the menu commands, with exactly one analysis after
// each; the edits of one cell as one step; Ctrl+Z and Ctrl+Y inside a cell;
// a repeated digit put back; and the greyed menu items.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "test_puzzles.h"
#include "ui/ui_state.h"
#include "ui_driver.h"

namespace numpl::test {
namespace {

const char TWO_9[] = "....7....6..195....98....6.8...6...34..8.3..17...2...6.6....28....419..5....8..79";

int analysesStarted = 0;

HANDLE countingStarter(LPTHREAD_START_ROUTINE routine, LPVOID parameter) {
    ++analysesStarted;
    return CreateThread(nullptr, 0, routine, parameter, 0, nullptr);
}

struct GridState {
    int side;
    std::vector<int> cells;
    std::wstring count;  // the final count of its analysis
};

class EditHistoryTest : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        ASSERT_TRUE(waitForCount(L"1000以上"));
        savedStarter_ = workerStarter;
        workerStarter = countingStarter;
    }
    void TearDown() override {
        workerStarter = savedStarter_;
        UiTest::TearDown();
    }

    void command(int id) { SendMessageW(frame, WM_COMMAND, id, 0); }

    UINT menuState(int id) {
        HMENU menu = GetMenu(frame);
        SendMessageW(frame, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(GetSubMenu(menu, 1)), 1);
        return GetMenuState(menu, id, MF_BYCOMMAND) & MF_GRAYED;
    }

    std::vector<int> cellValues(int side) {
        std::vector<int> values;
        for (int k = 0; k < side * side; ++k) values.push_back(_wtoi(cellText(k).c_str()));
        return values;
    }

    // Runs the action and checks that the grid becomes `wanted` and that
    // exactly one analysis of it follows, never cancelled.
    void expectStep(const std::function<void()>& action, const GridState& wanted, const std::string& what) {
        int started = analysesStarted;
        size_t from = countHistory.size();
        action();
        ASSERT_TRUE(waitForGrid(wanted.side)) << what;
        ASSERT_TRUE(pumpUntil([&] { return countShowed(from, L"解析中", wanted.count) && countText() == wanted.count; }))
            << what << ": count " << countText().size();
        EXPECT_EQ(wanted.cells, cellValues(wanted.side)) << what;
        int button = wanted.side == 9 ? SIZE_BUTTON_9 : wanted.side == 16 ? SIZE_BUTTON_16 : SIZE_BUTTON_25;
        EXPECT_EQ(static_cast<UINT>(BST_CHECKED), IsDlgButtonChecked(leftPane, button)) << what;
        ASSERT_TRUE(pumpTicks(3));
        EXPECT_EQ(started + 1, analysesStarted) << what << ": exactly one analysis";
        EXPECT_FALSE(countShowed(from, L"解析中断")) << what;
    }

private:
    HANDLE (*savedStarter_)(LPTHREAD_START_ROUTINE, LPVOID) = nullptr;
};

std::wstring widen(const std::string& text) { return std::wstring(text.begin(), text.end()); }

TEST_F(EditHistoryTest, WholeGridStepsAreTakenBackAndMadeAgain) {
    std::string grid16(256, '.');
    for (int r = 0; r < 16; ++r) grid16[static_cast<size_t>(r * 16 + (r * 5) % 16)] = "123456789ABCDEFG"[r];
    const GridState start = {9, cellsFromText(UNIQUE_9), L"1"};
    struct Flow {
        const char* name;
        std::function<void()> action;
        GridState after;
    };
    const Flow flows[] = {
        {"paste",
         [&] {
             ASSERT_TRUE(setClipboard(widen(TWO_9)));
             SendMessageW(cell(40), WM_PASTE, 0, 0);
         },
         {9, cellsFromText(TWO_9), L"2"}},
        {"paste of another size",
         [&] {
             ASSERT_TRUE(setClipboard(widen(grid16)));
             SendMessageW(cell(0), WM_PASTE, 0, 0);
         },
         {16, cellsFromText(grid16), L"1000以上"}},
        {"size button", [&] { click(GetDlgItem(leftPane, SIZE_BUTTON_16)); }, {16, std::vector<int>(256, 0), L"1000以上"}},
        {"すべて消去", [&] { command(IDM_CLEAR_ALL); }, {9, std::vector<int>(81, 0), L"1000以上"}},
    };
    typeGrid(cellsFromText(UNIQUE_9));
    ASSERT_TRUE(waitForNewResult(L"1"));
    for (const Flow& flow : flows) {
        std::string name = flow.name;
        expectStep(flow.action, flow.after, name);
        expectStep([&] { command(IDM_UNDO); }, start, name + ", undone");
        expectStep([&] { command(IDM_REDO); }, flow.after, name + ", made again");
        expectStep([&] { command(IDM_UNDO); }, start, name + ", undone again");
    }
}

TEST_F(EditHistoryTest, EditsOfOneCellAreOneStepAndCtrlZInACellTakesThemBack) {
    click(GetDlgItem(leftPane, SIZE_BUTTON_16));
    ASSERT_TRUE(waitForGrid(16));
    ASSERT_TRUE(waitForCount(L"1000以上"));
    EXPECT_EQ(static_cast<UINT>(MF_GRAYED), menuState(IDM_REDO));
    typeInto(0, L"3");
    ASSERT_TRUE(pumpTicks(1));
    SetFocus(cell(5));
    SendMessageW(cell(5), WM_CHAR, '1', 0);
    ASSERT_TRUE(pumpTicks(1));
    SendMessageW(cell(5), WM_CHAR, '2', 0);
    ASSERT_TRUE(pumpTicks(1));
    ASSERT_EQ(12, uiState.puzzle->givens[0][5]);
    SendMessageW(cell(5), WM_CHAR, 0x1A, 0);  // Ctrl+Z
    EXPECT_EQ(L"", cellText(5)) << "one undo takes back both digits";
    EXPECT_EQ(L"3", cellText(0));
    EXPECT_EQ(0u, menuState(IDM_REDO));
    SendMessageW(cell(5), WM_CHAR, 0x19, 0);  // Ctrl+Y
    EXPECT_EQ(L"12", cellText(5));
    SendMessageW(cell(5), WM_UNDO, 0, 0);
    EXPECT_EQ(L"", cellText(5));
    SendMessageW(cell(5), EM_UNDO, 0, 0);
    EXPECT_EQ(L"", cellText(0));
    EXPECT_TRUE(waitForNewResult(L"1000以上"));
    // Pressed with Ctrl held, Y and Z reach the frame as its shortcuts
    // wherever the focus is; the last undo takes back the size, and then
    // there is nothing left to undo.
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    PostMessageW(cell(5), WM_KEYDOWN, 'Y', 0);
    EXPECT_TRUE(pumpUntil([&] { return cellText(0) == L"3"; }, 5000)) << "Ctrl+Y";
    PostMessageW(cell(5), WM_KEYDOWN, 'Z', 0);
    EXPECT_TRUE(pumpUntil([&] { return cellText(0).empty(); }, 5000)) << "Ctrl+Z";
    PostMessageW(cell(5), WM_KEYDOWN, 'Z', 0);
    EXPECT_TRUE(waitForGrid(9)) << "Ctrl+Z";
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
    EXPECT_EQ(static_cast<UINT>(MF_GRAYED), menuState(IDM_UNDO));
    EXPECT_EQ(0u, menuState(IDM_REDO));
}

// A grid put back with a repeated digit is shown as a typed repeat is.
TEST_F(EditHistoryTest, UndoThatPutsBackARepeatedDigitMarksItRed) {
    typeInto(0, L"5");
    ASSERT_TRUE(pumpTicks(1));
    typeInto(3, L"5");
    ASSERT_TRUE(pumpTicks(1));
    ASSERT_EQ(RED, cellColour(3));
    typeInto(3, L"");
    ASSERT_TRUE(waitForNewResult(L"1000以上"));
    EXPECT_NE(RED, cellColour(3));
    command(IDM_UNDO);
    EXPECT_EQ(L"5", cellText(3));
    EXPECT_EQ(RED, cellColour(3));
    EXPECT_EQ(L"0", countText());
    command(IDM_UNDO);
    EXPECT_EQ(L"", cellText(3));
    EXPECT_TRUE(waitForNewResult(L"1000以上")) << "the repeat is gone";
    EXPECT_EQ(LIGHT_BLUE, cellColour(0));
}

} // namespace
} // namespace numpl::test

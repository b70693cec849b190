// The analysis as the right pane shows it: the count texts of a whole
// analysis, of a restart and of a size change in the middle of one, the
// difficulty text, the solution buttons and the thread count.
#include <windows.h>

#include <omp.h>

#include <string>
#include <vector>

#include "test_puzzles.h"
#include "ui/analysis_controls.h"
#include "ui/ui_state.h"
#include "ui/control_ids.h"
#include "ui_driver.h"

namespace numpl::test {
namespace {

class AnalysisTest : public UiTest {
protected:
    // Switches to 25x25, types a puzzle whose analysis takes minutes, and
    // waits until its worker reports progress.
    void startLongAnalysis() {
        click(GetDlgItem(leftPane, SIZE_BUTTON_25));
        ASSERT_TRUE(waitForGrid(25));
        typeGrid(cellsFromText(HARD_25));
        ASSERT_TRUE(pumpUntil([&] {
            std::wstring count = countText();
            return count.size() > 4 && count.substr(count.size() - 4) == L" 解析中";
        })) << "no progress text; count reads " << countText().size() << " characters";
    }
};

std::vector<std::wstring> splitLines(const std::wstring& text) {
    std::vector<std::wstring> lines;
    size_t start = 0;
    for (size_t end; (end = text.find(L"\r\n", start)) != std::wstring::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    lines.push_back(text.substr(start));
    return lines;
}

// The number between `head` and `tail`, or -1 when the line has another shape.
int numberBetween(const std::wstring& line, const std::wstring& head, const std::wstring& tail) {
    if (line.size() <= head.size() + tail.size() || line.compare(0, head.size(), head) != 0 ||
        line.compare(line.size() - tail.size(), tail.size(), tail) != 0)
        return -1;
    std::wstring digits = line.substr(head.size(), line.size() - head.size() - tail.size());
    if (digits.find_first_not_of(L"0123456789") != std::wstring::npos) return -1;
    return std::stoi(digits);
}

TEST_F(AnalysisTest, EmptyGridEndsAtThousandWithDifficulty) {
    EXPECT_EQ(std::to_wstring(omp_get_max_threads()), textOf(control(THREAD_BOX_ID)));
    ASSERT_TRUE(waitForCount(L"1000以上"));
    EXPECT_TRUE(countShowed(0, L"解析中", L"1000以上"));
    ASSERT_TRUE(pumpUntil([&] { return !textOf(control(DIFFICULTY_BOX_ID)).empty(); }));

    std::vector<std::wstring> lines = splitLines(textOf(control(DIFFICULTY_BOX_ID)));
    ASSERT_EQ(5u, lines.size());
    int single = numberBetween(lines[0], L"単独候補マス：", L"%");
    int basic = numberBetween(lines[1], L"基本的な消去法による確定：", L"%");
    int pairs = numberBetween(lines[2], L"2国同盟，3国同盟による確定：", L"%");
    int assumption = numberBetween(lines[3], L"仮定法による確定：", L"%");
    int branches = numberBetween(lines[4], L"しらみつぶしによる探索：", L"個の分岐");
    for (int value : {single, basic, pairs, assumption, branches}) EXPECT_GE(value, 0) << "a line out of shape";
    int sum = single + basic + pairs + assumption;
    EXPECT_LE(98, sum) << "shares rounded one by one";
    EXPECT_GE(102, sum);
    EXPECT_GT(branches, 0) << "an empty grid cannot be solved without branching";
}

TEST_F(AnalysisTest, DifficultyOfFullGridShowsZeroShares) {
    typeGrid(cellsFromText(SOLUTION_9));
    ASSERT_TRUE(waitForNewResult(L"1"));
    ASSERT_TRUE(pumpUntil([&] { return textOf(control(DIFFICULTY_BOX_ID)).find(L"0個") != std::wstring::npos; }));
    EXPECT_EQ(L"単独候補マス：0%\r\n基本的な消去法による確定：0%\r\n2国同盟，3国同盟による確定：0%\r\n"
              L"仮定法による確定：0%\r\nしらみつぶしによる探索：0個の分岐",
              textOf(control(DIFFICULTY_BOX_ID)));
}

TEST(DifficultyFormat, SharesAreRoundedPercentagesOfTheFourCounters) {
    wchar_t text[2048];
    formatDifficulty(text, 2048, 1, 1, 1, 0, 7);
    EXPECT_STREQ(L"単独候補マス：33%\r\n基本的な消去法による確定：33%\r\n2国同盟，3国同盟による確定：33%\r\n"
                 L"仮定法による確定：0%\r\nしらみつぶしによる探索：7個の分岐",
                 text);
    formatDifficulty(text, 2048, 0, 0, 0, 0, 0);
    EXPECT_EQ(std::wstring::npos, std::wstring(text).find(L"nan")) << "no division by zero";
}

TEST_F(AnalysisTest, UniquePuzzleShowsAndHidesItsSolution) {
    std::vector<int> givens = cellsFromText(UNIQUE_9);
    std::vector<int> solution = cellsFromText(SOLUTION_9);
    typeGrid(givens);
    ASSERT_TRUE(waitForNewResult(L"1"));
    for (int k = 0; k < 81; ++k) {
        COLORREF expected = givens[k] != 0 ? LIGHT_BLUE : GetSysColor(COLOR_WINDOW);
        ASSERT_EQ(expected, cellColour(k)) << "cell " << k;
    }

    click(control(SHOW_BUTTON_ID));
    EXPECT_EQ(nullptr, control(SHOW_BUTTON_ID));
    ASSERT_NE(nullptr, control(HIDE_BUTTON_ID));
    EXPECT_EQ(L"解を非表示", textOf(control(HIDE_BUTTON_ID)));
    RECT hide = rectInParent(control(HIDE_BUTTON_ID));
    EXPECT_EQ(0, hide.left);
    EXPECT_EQ(60, hide.top);
    for (int k = 0; k < 81; ++k) {
        EXPECT_EQ(std::to_wstring(solution[k]), cellText(k)) << "cell " << k;
        if (givens[k] == 0) {
            EXPECT_EQ(GetSysColor(COLOR_WINDOW), cellColour(k)) << "shown, not given: cell " << k;
        }
    }

    // While shown, the grid holds to the solution.
    typeInto(0, L"8");
    typeInto(2, L"1");
    EXPECT_TRUE(pumpUntil([&] { return cellText(0) == L"5" && cellText(2) == L"4"; }));

    click(control(HIDE_BUTTON_ID));
    ASSERT_NE(nullptr, control(SHOW_BUTTON_ID));
    EXPECT_EQ(nullptr, control(HIDE_BUTTON_ID));
    EXPECT_EQ(L"解を表示", textOf(control(SHOW_BUTTON_ID)));
    for (int k = 0; k < 81; ++k) {
        std::wstring expected = givens[k] != 0 ? std::to_wstring(givens[k]) : L"";
        EXPECT_EQ(expected, cellText(k)) << "cell " << k;
    }
    EXPECT_TRUE(pumpTicks(2));
    EXPECT_EQ(L"1", countText()) << "hiding changes no given";
}

TEST_F(AnalysisTest, SizeChangeWhileSolutionShownBringsBackShowButton) {
    typeGrid(cellsFromText(UNIQUE_9));
    ASSERT_TRUE(waitForNewResult(L"1"));
    click(control(SHOW_BUTTON_ID));
    ASSERT_NE(nullptr, control(HIDE_BUTTON_ID));
    click(GetDlgItem(leftPane, SIZE_BUTTON_16));
    ASSERT_TRUE(waitForGrid(16));
    EXPECT_TRUE(pumpUntil([&] { return control(SHOW_BUTTON_ID) != nullptr; }));
    EXPECT_EQ(nullptr, control(HIDE_BUTTON_ID));
    EXPECT_EQ(L"", cellText(0));
    typeInto(0, L"16");
    EXPECT_TRUE(pumpUntil([&] { return cellColour(0) == LIGHT_BLUE; })) << "the new grid is edited, not held";
    EXPECT_EQ(L"16", cellText(0));
}

TEST_F(AnalysisTest, PuzzleWithoutSolutionEndsAtZeroWithLastCellRed) {
    std::vector<int> grid = noSolutionGrid(9);
    int last = 9 + 8;
    grid[static_cast<size_t>(last)] = 0;
    typeGrid(grid);
    ASSERT_TRUE(waitForNewResult(L"1000以上"));
    typeInto(last, L"9");
    ASSERT_TRUE(waitForNewResult(L"0"));
    EXPECT_TRUE(pumpUntil([&] { return cellColour(last) == RED; }));
    EXPECT_EQ(LIGHT_BLUE, cellColour(0));

    typeInto(40, L"4");
    EXPECT_TRUE(pumpUntil([&] { return cellText(40).empty(); })) << "refused while the mark stands";
    typeInto(last, L"");
    EXPECT_TRUE(waitForNewResult(L"1000以上")) << "emptying the marked cell restarts the analysis";
}

// The running analysis is still busy when it is cancelled. Its givens are
// cleared in one tick and the new ones typed in the next, as a user would:
// within one tick a scan checks each changed cell against the cells not yet
// read, which would pair new givens with old ones.
TEST_F(AnalysisTest, TypingDuringAnalysisCancelsAndRestarts) {
    startLongAnalysis();
    size_t from = countHistory.size();
    std::vector<int> hard = cellsFromText(HARD_25);
    for (size_t k = 0; k < hard.size(); ++k) {
        if (hard[k] != 0) typeInto(static_cast<int>(k), L"");
    }
    ASSERT_TRUE(pumpTicks(1));
    typeGrid(noRoomForOne25());
    ASSERT_TRUE(waitForCount(L"0"));
    EXPECT_TRUE(countShowed(from, L"解析中", L"解析中断")) << "the running analysis was cancelled";
    EXPECT_TRUE(countShowed(from, L"解析中断", L"0"));
    // The last cell entered turns red: the result is that of the new givens.
    EXPECT_TRUE(pumpUntil([&] { return cellColour(20 * 25 + 23) == RED; }));
}

TEST_F(AnalysisTest, SizeChangeDuringAnalysisStopsThenBuildsNewGrid) {
    startLongAnalysis();
    click(GetDlgItem(leftPane, SIZE_BUTTON_16));
    EXPECT_EQ(L"解析処理停止中", countText());
    EXPECT_NE(nullptr, cell(624)) << "the old grid stays until the worker has ended";
    size_t from = countHistory.size();
    ASSERT_TRUE(waitForGrid(16));
    EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(leftPane, SIZE_BUTTON_16));
    // The new empty grid is analysed at once.
    EXPECT_TRUE(pumpUntil([&] { return countShowed(from, L"解析中"); }));
}

HANDLE failToStart(LPTHREAD_START_ROUTINE, LPVOID) { return nullptr; }

// A worker that cannot be started leaves the field saying so and nothing
// waiting on it: the next change of the givens starts one normally.
TEST_F(AnalysisTest, WorkerThatCannotStartIsReportedAndTheNextChangeStartsOne) {
    ASSERT_TRUE(waitForCount(L"1000以上"));
    workerStarter = failToStart;
    typeInto(0, L"5");
    bool reported = pumpUntil([&] { return countText() == L"解析を開始できません"; });
    bool stays = pumpTicks(3) && countText() == L"解析を開始できません";
    workerStarter = [](LPTHREAD_START_ROUTINE routine, LPVOID parameter) {
        return CreateThread(nullptr, 0, routine, parameter, 0, nullptr);
    };
    EXPECT_TRUE(reported);
    EXPECT_TRUE(stays) << "count field reads something else";
    typeInto(1, L"6");
    EXPECT_TRUE(waitForNewResult(L"1000以上"));
}

TEST_F(AnalysisTest, ThreadCountIsClampedAtNextStart) {
    ASSERT_TRUE(waitForCount(L"1000以上"));
    bool filled = false;
    // Each accepted change of the givens starts the next analysis.
    auto changeGivens = [&] {
        filled = !filled;
        typeInto(0, filled ? L"1" : L"");
    };
    for (const wchar_t* typed : {L"0", L"abc", L""}) {
        SetWindowTextW(control(THREAD_BOX_ID), typed);
        ASSERT_TRUE(pumpTicks(2));
        EXPECT_EQ(typed, textOf(control(THREAD_BOX_ID))) << "read only when an analysis starts";
        changeGivens();
        ASSERT_TRUE(waitForNewResult(L"1000以上"));
        EXPECT_EQ(L"1", textOf(control(THREAD_BOX_ID))) << "typed \"" << typed << "\"";
    }
    // 128 threads make a slow analysis here; the next change cancels it.
    SetWindowTextW(control(THREAD_BOX_ID), L"500");
    changeGivens();
    EXPECT_TRUE(pumpUntil([&] { return textOf(control(THREAD_BOX_ID)) == L"128"; }));
    SetWindowTextW(control(THREAD_BOX_ID), L"4");
    changeGivens();
    ASSERT_TRUE(waitForNewResult(L"1000以上", 60000));
    EXPECT_EQ(L"4", textOf(control(THREAD_BOX_ID)));
}

} // namespace
} // namespace numpl::test

namespace numpl::test {
namespace {

// A publication that races the window's cancel may still land in the
// Puzzle for a moment; the window must never use it. Here the count stands
// at 1 with its solution while the cancel is up, as if the worker had
// slipped past its look at the flag.
TEST_F(AnalysisTest, CountOfACancelledAnalysisIsNeverShown) {
    typeGrid(cellsFromText(UNIQUE_9));
    ASSERT_TRUE(waitForNewResult(L"1"));
    Puzzle* puzzle = uiState.puzzle;
    requestCancel(puzzle);
    puzzle->solutionCount.store(1);
    SetWindowTextW(control(DIFFICULTY_BOX_ID), L"");
    uiState.difficultyPending = 1;

    click(control(SHOW_BUTTON_ID));
    EXPECT_EQ(L"", cellText(2)) << "the solution of a cancelled analysis was shown";
    EXPECT_NE(nullptr, control(SHOW_BUTTON_ID));
    ASSERT_TRUE(pumpTicks(3));
    EXPECT_EQ(L"", textOf(control(DIFFICULTY_BOX_ID))) << "its counters were shown";
    HMENU edit = GetSubMenu(GetMenu(frame), 1);
    SendMessageW(frame, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(edit), 1);
    EXPECT_TRUE(GetMenuState(edit, IDM_COPY_SOLUTION, MF_BYCOMMAND) & MF_GRAYED);
}

} // namespace
} // namespace numpl::test

// Puzzles in and out of the real window: paste through the cells' WM_PASTE
// and the menu, copy, open and save with real files, a real HDROP, the
// command line of numpl.exe, emptying the grid and the marking of the cells
// where a second solution differs. Message boxes are real too: a watcher
// thread reads and closes them.
#include <windows.h>

#include <shellapi.h>
#include <shlobj.h>

#include <atomic>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "model/board.h"
#include "test_puzzles.h"
#include "ui/puzzle_exchange.h"
#include "ui/ui_state.h"
#include "ui_driver.h"

namespace numpl::test {
namespace {

std::wstring widen(const std::string& text) { return std::wstring(text.begin(), text.end()); }

std::string toUtf8(const std::wstring& text) {
    std::string out(text.size() * 3 + 1, '\0');
    int bytes = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(),
                                    static_cast<int>(out.size()), nullptr, nullptr);
    out.resize(static_cast<size_t>(bytes > 0 ? bytes : 0));
    return out;
}

std::wstring clipboard() {
    std::wstring text;
    if (!OpenClipboard(nullptr)) return L"<not opened>";
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        text = static_cast<const wchar_t*>(GlobalLock(data));
        GlobalUnlock(data);
    }
    CloseClipboard();
    return text;
}

// Closes every message box captioned "ナンプレ" as soon as it appears and
// keeps its text and owner. The box runs its own message loop on the test's
// thread, so only another thread can answer it.
class MessageWatcher {
public:
    MessageWatcher() : thread_([this] { run(); }) {}
    ~MessageWatcher() {
        stop_ = true;
        thread_.join();
    }
    std::vector<std::wstring> texts() {
        std::lock_guard<std::mutex> lock(mutex_);
        return texts_;
    }
    std::vector<HWND> owners() {
        std::lock_guard<std::mutex> lock(mutex_);
        return owners_;
    }

private:
    void run() {
        while (!stop_) {
            HWND box = FindWindowW(L"#32770", L"ナンプレ");
            if (box != nullptr && IsWindowVisible(box)) {
                wchar_t text[1024] = L"";
                GetDlgItemTextW(box, 0xFFFF, text, 1024);
                {
                    std::lock_guard<std::mutex> lock(mutex_);
                    texts_.push_back(text);
                    owners_.push_back(GetWindow(box, GW_OWNER));
                }
                PostMessageW(box, WM_COMMAND, IDOK, 0);
                while (!stop_ && IsWindow(box)) Sleep(5);
            }
            Sleep(10);
        }
    }
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::vector<std::wstring> texts_;
    std::vector<HWND> owners_;
    std::thread thread_;
};

std::wstring temporaryPath(const wchar_t* name) {
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    return std::wstring(folder) + name;
}

bool writeBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD done = 0;
    bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr) && done == bytes.size();
    CloseHandle(file);
    return ok;
}

std::string readBytes(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "<missing>";
    std::string bytes(4096, '\0');
    DWORD done = 0;
    ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
    CloseHandle(file);
    bytes.resize(done);
    return bytes;
}

// The same puzzle written by hand over nine lines, with the separators and
// comments a puzzle maker's file carries.
const char UNIQUE_9_GRID[] =
    "\xEF\xBB\xBF# a puzzle with one solution\r\n"
    "5 3 . | . 7 . | . . .\r\n"
    "6 . . | 1 9 5 | . . .\r\n"
    ". 9 8 | . . . | . 6 .\r\n"
    "------+-------+------\r\n"
    "8 . . | . 6 . | . . 3\r\n"
    "4 . . | 8 . 3 | . . 1\r\n"
    "7 . . | . 2 . | . . 6\r\n"
    "------+-------+------\r\n"
    ". 6 . | . . . | 2 8 .\r\n"
    ". . . | 4 1 9 | . . 5\r\n"
    ". . . | . 8 . | . 7 9\r\n";

class ExchangeTest : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        ASSERT_TRUE(waitForCount(L"1000以上"));
    }
};

TEST_F(ExchangeTest, MenusCarryTheirItemsAndFixedIds) {
    HMENU menu = GetMenu(frame);
    ASSERT_EQ(4, GetMenuItemCount(menu));
    struct Item {
        int popup;
        int position;
        int id;
        const wchar_t* text;
    };
    const Item items[] = {
        {0, 0, IDM_OPEN, L"開く...\tCtrl+O"},       {0, 1, IDM_SAVE_AS, L"名前を付けて保存...\tCtrl+S"},
        {0, 2, IDM_SAVE_PICTURE, L"画像として保存..."},
        {0, 4, IDM_EXIT, L"終了"},                   {1, 0, IDM_UNDO, L"元に戻す\tCtrl+Z"},
        {1, 1, IDM_REDO, L"やり直し\tCtrl+Y"},       {1, 3, IDM_COPY_PUZZLE, L"問題をコピー\tCtrl+C"},
        {1, 4, IDM_COPY_SOLUTION, L"解をコピー"},    {1, 5, IDM_PASTE, L"貼り付け\tCtrl+V"},
        {1, 6, IDM_REMOVE_REDUNDANT, L"不要なヒントを除く"},
        {1, 8, IDM_CLEAR_ALL, L"すべて消去"},        {2, 0, IDM_SHOW_DIFFERENCES, L"別解との違い"},
        {2, 1, IDM_SHOW_REDUNDANT, L"不要なヒント"}, {2, 2, IDM_DIFFICULTY_MAP, L"難易度マップ"},
        {3, 0, IDM_GUIDE, L"使い方"},                {3, 2, IDM_ABOUT, L"バージョン情報"},
    };
    const wchar_t* popups[] = {L"ファイル", L"編集", L"表示", L"ヘルプ"};
    wchar_t text[64];
    for (int p = 0; p < 4; ++p) {
        GetMenuStringW(menu, p, text, 64, MF_BYPOSITION);
        EXPECT_STREQ(popups[p], text);
    }
    for (const Item& item : items) {
        HMENU popup = GetSubMenu(menu, item.popup);
        EXPECT_EQ(static_cast<UINT>(item.id), GetMenuItemID(popup, item.position)) << item.id;
        GetMenuStringW(popup, item.position, text, 64, MF_BYPOSITION);
        EXPECT_STREQ(item.text, text);
    }
    EXPECT_EQ(5, GetMenuItemCount(GetSubMenu(menu, 0))) << "終了 stays the last item of ファイル";
    // 表示 -> 拡大率 holds the four zoom choices in order.
    HMENU zoom = GetSubMenu(GetSubMenu(menu, 2), 4);
    ASSERT_NE(nullptr, zoom);
    GetMenuStringW(GetSubMenu(menu, 2), 4, text, 64, MF_BYPOSITION);
    EXPECT_STREQ(L"拡大率", text);
    const wchar_t* zoomTexts[] = {L"100 %", L"150 %", L"200 %", L"ウィンドウに合わせる"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(static_cast<UINT>(40031 + i), GetMenuItemID(zoom, i));
        GetMenuStringW(zoom, i, text, 64, MF_BYPOSITION);
        EXPECT_STREQ(zoomTexts[i], text);
    }
    EXPECT_EQ(40002, IDM_OPEN);
    EXPECT_EQ(40003, IDM_SAVE_AS);
    EXPECT_EQ(40004, IDM_SAVE_PICTURE);
    EXPECT_EQ(40011, IDM_COPY_PUZZLE);
    EXPECT_EQ(40012, IDM_COPY_SOLUTION);
    EXPECT_EQ(40013, IDM_PASTE);
    EXPECT_EQ(40014, IDM_CLEAR_ALL);
    EXPECT_EQ(40015, IDM_UNDO);
    EXPECT_EQ(40016, IDM_REDO);
    EXPECT_EQ(40017, IDM_REMOVE_REDUNDANT);
    EXPECT_EQ(40021, IDM_SHOW_DIFFERENCES);
    EXPECT_EQ(40022, IDM_SHOW_REDUNDANT);
    EXPECT_EQ(40023, IDM_DIFFICULTY_MAP);
}

// One paste puts every given in at once, coloured, and one analysis follows
// (a cancelled one would have shown "解析中断").
TEST_F(ExchangeTest, PastedPuzzleFillsTheGridForOneAnalysis) {
    size_t from = countHistory.size();
    pasteInto(40, widen(UNIQUE_9));
    EXPECT_EQ(cellsFromText(UNIQUE_9), cellValues(9));
    ASSERT_TRUE(waitForCount(L"1"));
    EXPECT_FALSE(countShowed(from, L"解析中断"));
    EXPECT_EQ(LIGHT_BLUE, cellColour(0));
    // The menu item does the same from anywhere.
    ASSERT_TRUE(setClipboard(widen(TWO_9)));
    command(IDM_PASTE);
    EXPECT_EQ(cellsFromText(TWO_9), cellValues(9));
    EXPECT_TRUE(waitForNewResult(L"2"));
}

TEST_F(ExchangeTest, PastedPuzzleOfAnotherSizeSwitchesTheGrid) {
    std::string grid16(256, '.');
    for (int r = 0; r < 16; ++r) grid16[static_cast<size_t>(r * 16 + (r * 5) % 16)] = "123456789ABCDEFG"[r];
    std::wstring text;
    // Decimal numbers, as 16x16 puzzles are often written.
    for (int k = 0; k < 256; ++k) {
        int value = cellsFromText(grid16)[static_cast<size_t>(k)];
        text += value == 0 ? L"." : std::to_wstring(value);
        text += k % 16 == 15 ? L"\r\n" : L" ";
    }
    pasteInto(0, text);
    ASSERT_TRUE(waitForGrid(16));
    EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(leftPane, SIZE_BUTTON_16));
    EXPECT_EQ(cellsFromText(grid16), cellValues(16));
    EXPECT_TRUE(waitForCount(L"1000以上"));
}

// A size change has to stop a running analysis first; the puzzle waits for it.
TEST_F(ExchangeTest, PasteDuringALongAnalysisStopsItAndTakesThePuzzle) {
    click(GetDlgItem(leftPane, SIZE_BUTTON_25));
    ASSERT_TRUE(waitForGrid(25));
    typeGrid(cellsFromText(HARD_25));
    ASSERT_TRUE(pumpUntil([&] { return workerRunning() && uiState.puzzle->givens[24][24] != 0; }));
    ASSERT_TRUE(pumpTicks(2));
    size_t from = countHistory.size();
    pasteInto(3, widen(UNIQUE_9));
    ASSERT_TRUE(waitForGrid(9));
    EXPECT_TRUE(countShowed(from, L"解析処理停止中"));
    EXPECT_EQ(cellsFromText(UNIQUE_9), cellValues(9));
    EXPECT_TRUE(waitForCount(L"1"));
}

TEST_F(ExchangeTest, OneNumberIsPastedIntoTheCellAsBefore) {
    pasteInto(5, L"7");
    EXPECT_EQ(L"7", cellText(5));
    EXPECT_EQ(L"", cellText(4));
    EXPECT_TRUE(waitForNewResult(L"1000以上"));
}

// Whatever is pasted, the grid either takes a whole puzzle or stays as it
// was, with a message that says why.
TEST_F(ExchangeTest, TextThatIsNoPuzzleChangesNothingAndSaysWhy) {
    typeGrid(cellsFromText(UNIQUE_9));
    ASSERT_TRUE(waitForCount(L"1"));
    std::string repeated = UNIQUE_9;
    repeated[2] = '5';  // row 1 holds 5 twice
    struct Case {
        std::wstring text;
        const wchar_t* says;
    };
    const Case cases[] = {
        {L"hello world", L"1 行目"},
        {widen(std::string(UNIQUE_9).substr(0, 80)), L"80"},
        {widen(std::string(UNIQUE_9).substr(0, 9) + "\n" + std::string(UNIQUE_9).substr(9, 9)), L"途中"},
        {widen(repeated), L"1 行 3 列"},
        {L"12.4341221434321", L"4x4"},
        {widen(std::string("G") + std::string(UNIQUE_9).substr(1)), L"1 行 1 列"},
    };
    MessageWatcher watcher;
    for (const Case& c : cases) pasteInto(10, c.text);
    pumpUntil([&] { return watcher.texts().size() == std::size(cases); }, 10000);
    std::vector<std::wstring> texts = watcher.texts();
    std::string seen;
    for (const std::wstring& t : texts) seen += toUtf8(t) + "\n";
    ASSERT_EQ(std::size(cases), texts.size()) << seen;
    for (size_t i = 0; i < texts.size(); ++i) {
        EXPECT_NE(std::wstring::npos, texts[i].find(cases[i].says)) << "case " << i;
        EXPECT_EQ(frame, watcher.owners()[i]) << "case " << i;
    }
    EXPECT_EQ(cellsFromText(UNIQUE_9), cellValues(9));
    EXPECT_EQ(L"1", countText());
}

// Random bytes, cut and garbled puzzles: nothing crashes, and the grid holds
// either what it held or a whole puzzle without a repeated digit.
TEST_F(ExchangeTest, GarbledPastesNeverBreakTheGrid) {
    MessageWatcher watcher;
    std::mt19937 random(77);
    std::string base = UNIQUE_9_GRID;
    for (int round = 0; round < 40; ++round) {
        std::string text = base;
        int edits = 1 + static_cast<int>(random() % 6);
        for (int e = 0; e < edits && !text.empty(); ++e) {
            size_t at = random() % text.size();
            switch (random() % 3) {
            case 0: text.erase(at, 1 + random() % 20); break;
            case 1: text.insert(at, 1, static_cast<char>(32 + random() % 95)); break;
            default: text[at] = "0123456789.|-+ \n#G"[random() % 18]; break;
            }
        }
        pasteInto(static_cast<int>(random() % 81), widen(text));
        ASSERT_TRUE(pumpTicks(1));
        int side = gridSide();
        ASSERT_TRUE(side == 9 || side == 16 || side == 25);
        for (int k = 0; k < side * side; ++k) {
            int value = _wtoi(cellText(k).c_str());
            ASSERT_TRUE(value >= 0 && value <= side) << "round " << round;
        }
    }
    EXPECT_FALSE(watcher.texts().empty()) << "some of the garbled texts must have been refused";
}

TEST_F(ExchangeTest, CopiesThePuzzleAndTheSolutionAsOneLine) {
    EXPECT_EQ(static_cast<UINT>(MF_ENABLED), menuState(1, IDM_COPY_SOLUTION) & MF_GRAYED) << "the empty grid";
    typeGrid(cellsFromText(UNIQUE_9));
    ASSERT_TRUE(waitForNewResult(L"1"));
    command(IDM_COPY_PUZZLE);
    EXPECT_EQ(widen(UNIQUE_9), clipboard());
    command(IDM_COPY_SOLUTION);
    EXPECT_EQ(widen(SOLUTION_9), clipboard());
    // Ctrl+C in a cell: the whole puzzle without a selection, the selection
    // when there is one.
    setClipboard(L"");
    SendMessageW(cell(2), EM_SETSEL, 0, 0);
    SendMessageW(cell(2), WM_COPY, 0, 0);
    EXPECT_EQ(widen(UNIQUE_9), clipboard());
    SendMessageW(cell(0), EM_SETSEL, 0, -1);
    SendMessageW(cell(0), WM_COPY, 0, 0);
    EXPECT_EQ(L"5", clipboard());
    // A repeated digit leaves no solution to copy.
    typeInto(2, L"5");
    ASSERT_TRUE(waitForCount(L"0"));
    EXPECT_EQ(static_cast<UINT>(MF_GRAYED), menuState(1, IDM_COPY_SOLUTION) & MF_GRAYED);
    setClipboard(L"untouched");
    command(IDM_COPY_SOLUTION);
    EXPECT_EQ(L"untouched", clipboard());
}

TEST_F(ExchangeTest, OpensAFileAndADroppedFileAndRefusesBadOnes) {
    std::wstring path = temporaryPath(L"numpl-open-test.txt");
    ASSERT_TRUE(writeBytes(path, UNIQUE_9_GRID));
    EXPECT_TRUE(openPuzzleFile(path.c_str()));
    EXPECT_EQ(cellsFromText(UNIQUE_9), cellValues(9));
    EXPECT_TRUE(waitForNewResult(L"1"));

    // A real HDROP, as the shell builds it: a DROPFILES header and a list of
    // paths ended by an empty one.
    std::wstring other = temporaryPath(L"numpl-drop-test.txt");
    ASSERT_TRUE(writeBytes(other, std::string(TWO_9) + " two solutions\n"));
    size_t bytes = sizeof(DROPFILES) + (other.size() + 2) * sizeof(wchar_t);
    HGLOBAL drop = GlobalAlloc(GHND, bytes);
    auto* files = static_cast<DROPFILES*>(GlobalLock(drop));
    files->pFiles = sizeof(DROPFILES);
    files->fWide = TRUE;
    wmemcpy(reinterpret_cast<wchar_t*>(reinterpret_cast<char*>(files) + sizeof(DROPFILES)), other.c_str(),
            other.size());
    GlobalUnlock(drop);
    SendMessageW(frame, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
    EXPECT_EQ(cellsFromText(TWO_9), cellValues(9));
    EXPECT_TRUE(waitForNewResult(L"2"));

    MessageWatcher watcher;
    std::wstring big = temporaryPath(L"numpl-big-test.txt");
    ASSERT_TRUE(writeBytes(big, std::string(UNIQUE_9) + "\n" + std::string((1 << 20), '#')));
    EXPECT_FALSE(openPuzzleFile(big.c_str()));
    EXPECT_FALSE(openPuzzleFile(temporaryPath(L"numpl-no-such-file.txt").c_str()));
    ASSERT_TRUE(pumpUntil([&] { return watcher.texts().size() == 2; }, 10000));
    EXPECT_NE(std::wstring::npos, watcher.texts()[0].find(L"大きすぎ"));
    EXPECT_NE(std::wstring::npos, watcher.texts()[1].find(L"開けません"));
    EXPECT_EQ(cellsFromText(TWO_9), cellValues(9));
    DeleteFileW(path.c_str());
    DeleteFileW(other.c_str());
    DeleteFileW(big.c_str());
}

TEST_F(ExchangeTest, SavesOneLineAndNeverDamagesAnExistingFile) {
    typeGrid(cellsFromText(UNIQUE_9));
    ASSERT_TRUE(waitForNewResult(L"1"));
    std::wstring path = temporaryPath(L"numpl-save-test.txt");
    ASSERT_TRUE(writeBytes(path, "an older puzzle\r\n"));
    EXPECT_TRUE(savePuzzleFile(path.c_str()));
    EXPECT_EQ(std::string(UNIQUE_9) + "\r\n", readBytes(path));
    // What was saved opens as the same puzzle.
    command(IDM_CLEAR_ALL);
    EXPECT_TRUE(openPuzzleFile(path.c_str()));
    EXPECT_EQ(cellsFromText(UNIQUE_9), cellValues(9));

    MessageWatcher watcher;
    std::wstring nowhere = temporaryPath(L"numpl-no-such-folder\\puzzle.txt");
    EXPECT_FALSE(savePuzzleFile(nowhere.c_str()));
    // A target that cannot be replaced (another program holds it open and
    // lets nobody delete it) keeps its old contents, and no temporary file
    // is left beside it.
    HANDLE holder = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    typeInto(3, L"2");
    ASSERT_TRUE(pumpTicks(1));
    EXPECT_FALSE(savePuzzleFile(path.c_str()));
    CloseHandle(holder);
    EXPECT_EQ(std::string(UNIQUE_9) + "\r\n", readBytes(path));
    pumpUntil([&] { return watcher.texts().size() == 2; }, 10000);
    ASSERT_EQ(2u, watcher.texts().size());
    EXPECT_NE(std::wstring::npos, watcher.texts()[0].find(L"保存できません"));
    EXPECT_NE(std::wstring::npos, watcher.texts()[1].find(L"保存できません"));
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(temporaryPath(L"npl*.tmp").c_str(), &found);
    EXPECT_EQ(INVALID_HANDLE_VALUE, search) << "a temporary file was left behind";
    if (search != INVALID_HANDLE_VALUE) FindClose(search);
    DeleteFileW(path.c_str());
}

TEST_F(ExchangeTest, ClearAllEmptiesTheGridForOneAnalysis) {
    typeGrid(cellsFromText(UNIQUE_9));
    ASSERT_TRUE(waitForNewResult(L"1"));
    click(control(SHOW_BUTTON_ID));
    ASSERT_NE(nullptr, control(HIDE_BUTTON_ID));
    command(IDM_CLEAR_ALL);
    EXPECT_EQ(std::vector<int>(81, 0), cellValues(9));
    EXPECT_NE(nullptr, control(SHOW_BUTTON_ID)) << "the solution is hidden first";
    EXPECT_TRUE(waitForNewResult(L"1000以上"));
}

TEST_F(ExchangeTest, MarksTheCellsWhereTheSecondSolutionDiffers) {
    typeGrid(cellsFromText(UNIQUE_9));
    ASSERT_TRUE(waitForNewResult(L"1"));
    EXPECT_EQ(static_cast<UINT>(MF_GRAYED), menuState(2, IDM_SHOW_DIFFERENCES) & MF_GRAYED);
    command(IDM_SHOW_DIFFERENCES);
    EXPECT_EQ(0, uiState.differencesShown) << "one solution: the item does nothing";

    ASSERT_TRUE(setClipboard(widen(TWO_9)));
    command(IDM_PASTE);
    ASSERT_TRUE(waitForNewResult(L"2"));
    EXPECT_EQ(0u, menuState(2, IDM_SHOW_DIFFERENCES) & MF_GRAYED);
    command(IDM_SHOW_DIFFERENCES);
    EXPECT_EQ(static_cast<UINT>(MF_CHECKED), menuState(2, IDM_SHOW_DIFFERENCES) & MF_CHECKED);
    std::vector<int> givens = cellsFromText(TWO_9);
    int marked = 0;
    for (int k = 0; k < 81; ++k) {
        bool differs = givens[static_cast<size_t>(k)] == 0 &&
                       uiState.puzzle->solution[k / 9][k % 9] != uiState.puzzle->secondSolution[k / 9][k % 9];
        COLORREF expected = differs ? 0x99FFFF : givens[static_cast<size_t>(k)] != 0 ? LIGHT_BLUE : GetSysColor(COLOR_WINDOW);
        EXPECT_EQ(expected, cellColour(k)) << "cell " << k;
        marked += differs ? 1 : 0;
    }
    EXPECT_GE(marked, 4) << "two grids differ in at least four cells";
    // With the solution shown the marks stay.
    click(control(SHOW_BUTTON_ID));
    int firstMarked = 0;
    while (givens[static_cast<size_t>(firstMarked)] != 0 ||
           uiState.puzzle->solution[firstMarked / 9][firstMarked % 9] ==
               uiState.puzzle->secondSolution[firstMarked / 9][firstMarked % 9])
        ++firstMarked;
    EXPECT_EQ(static_cast<COLORREF>(0x99FFFF), cellColour(firstMarked));
    click(control(HIDE_BUTTON_ID));
    // Chosen again, the marks go; a change of the givens ends them too.
    command(IDM_SHOW_DIFFERENCES);
    EXPECT_EQ(GetSysColor(COLOR_WINDOW), cellColour(firstMarked));
    command(IDM_SHOW_DIFFERENCES);
    EXPECT_EQ(static_cast<COLORREF>(0x99FFFF), cellColour(firstMarked));
    typeInto(firstMarked, std::to_wstring(uiState.puzzle->solution[firstMarked / 9][firstMarked % 9]));
    ASSERT_TRUE(pumpTicks(1));
    EXPECT_EQ(LIGHT_BLUE, cellColour(firstMarked));
    EXPECT_EQ(0, uiState.differencesShown);
}

// 難易度マップ on 9x9-forum-hardest-1106.txt line 2 (four stages): each empty
// cell on screen in its stage's colour; the map and 別解との違い turn each
// other off; a repeated digit takes the map away until the next solution.
TEST_F(ExchangeTest, DifficultyMapColoursTheCellsAndExcludesTheDifferences) {
    const COLORREF colours[] = {0, 0xFFFFFF, 0xB4DCFF, 0xBEBEFF, 0xFFBEDC, 0xBEBEBE};
    pasteInto(0, L"........2..8.1.9..5....3.4....1.93...6..3..8...37......4......53.1.7.8..2........");
    ASSERT_TRUE(waitForNewResult(L"1"));
    command(IDM_DIFFICULTY_MAP);
    for (int k = 0; k < 81; ++k) {
        UpdateWindow(cell(k));
        HDC dc = GetDC(cell(k));
        int stage = uiState.puzzle->stageMap[k / 9][k % 9];
        if (stage != STAGE_GIVEN) {
            EXPECT_EQ(colours[stage], GetPixel(dc, 2, 2)) << "cell " << k << " stage " << stage;
        }
        ReleaseDC(cell(k), dc);
    }
    pasteInto(0, widen(TWO_9));
    ASSERT_TRUE(waitForNewResult(L"2"));
    command(IDM_SHOW_DIFFERENCES);
    EXPECT_EQ(0u, menuState(2, IDM_DIFFICULTY_MAP) & MF_CHECKED);
    command(IDM_DIFFICULTY_MAP);
    EXPECT_EQ(0, uiState.differencesShown);
    EXPECT_EQ(colours[uiState.puzzle->stageMap[0][0]], cellColour(0));
    typeInto(8, L"7");
    ASSERT_TRUE(waitForCount(L"0"));
    EXPECT_EQ(static_cast<UINT>(MF_CHECKED), menuState(2, IDM_DIFFICULTY_MAP) & MF_CHECKED);
    EXPECT_EQ(GetSysColor(COLOR_WINDOW), cellColour(0));
}

} // namespace
} // namespace numpl::test

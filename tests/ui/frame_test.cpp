// The frame: its window, menu, pane layout with the splitter rules, and the
// two ways to end the program (run as a separate numpl.exe process).
#include <windows.h>

#include <string>
#include <vector>

#include "test_puzzles.h"
#include "ui/ui_state.h"
#include "ui_driver.h"

namespace numpl::test {
namespace {

class FrameTest : public UiTest {};

int clientWidth(HWND window) {
    RECT rect;
    GetClientRect(window, &rect);
    return rect.right - rect.left;
}

int clientHeight(HWND window) {
    RECT rect;
    GetClientRect(window, &rect);
    return rect.bottom - rect.top;
}

// Gives the frame a client area `width` wide; the pane layout follows from
// the frame's WM_SIZE.
void setClientWidth(HWND frame, int width) {
    RECT rect = {0, 0, width, clientHeight(frame)};
    AdjustWindowRect(&rect, WS_OVERLAPPEDWINDOW, TRUE);
    SetWindowPos(frame, nullptr, 0, 0, rect.right - rect.left, rect.bottom - rect.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// What a drag of the splitter does: the left pane gets a new outer width.
void dragSplitterTo(HWND leftPane, int width) {
    RECT rect = rectInParent(leftPane);
    MoveWindow(leftPane, rect.left, rect.top, width, rect.bottom - rect.top, TRUE);
}

void expectRect(HWND window, int x, int y, int width, int height, const char* what) {
    RECT rect = rectInParent(window);
    EXPECT_EQ(x, rect.left) << what;
    EXPECT_EQ(y, rect.top) << what;
    EXPECT_EQ(width, rect.right - rect.left) << what;
    EXPECT_EQ(height, rect.bottom - rect.top) << what;
}

// The left pane's border hangs outside the client area except at its right
// edge, and the right pane fills the rest.
void expectPanes(HWND frame, HWND leftPane, HWND rightPane, int leftWidth) {
    int fx = GetSystemMetrics(SM_CXFRAME);
    int fy = GetSystemMetrics(SM_CYFRAME);
    int cw = clientWidth(frame);
    int ch = clientHeight(frame);
    expectRect(leftPane, -fx, -fy, leftWidth, ch + 2 * fy, "left pane");
    expectRect(rightPane, leftWidth - fx, 0, cw - leftWidth + fx, ch, "right pane");
}

TEST_F(FrameTest, OpensCentredWithTitleMenuAndFocus) {
    EXPECT_EQ(L"ナンプレ", textOf(frame));
    wchar_t className[64];
    GetClassNameW(frame, className, 64);
    EXPECT_STREQ(L"ナンプレ", className);
    EXPECT_EQ(1024, clientWidth(frame));
    EXPECT_LT(clientHeight(frame), 768) << "the menu bar comes out of the 768";

    RECT outer;
    GetWindowRect(frame, &outer);
    EXPECT_EQ((GetSystemMetrics(SM_CXSCREEN) - (outer.right - outer.left)) / 2, outer.left);

    HMENU menu = GetMenu(frame);
    ASSERT_NE(nullptr, menu);
    wchar_t text[64];
    GetMenuStringW(menu, 0, text, 64, MF_BYPOSITION);
    EXPECT_STREQ(L"ファイル", text);
    HMENU file = GetSubMenu(menu, 0);
    ASSERT_NE(nullptr, file);
    int last = GetMenuItemCount(file) - 1;
    EXPECT_EQ(static_cast<UINT>(IDM_EXIT), GetMenuItemID(file, last));
    GetMenuStringW(file, last, text, 64, MF_BYPOSITION);
    EXPECT_STREQ(L"終了", text);

    // Keys go nowhere until the user clicks a cell.
    EXPECT_EQ(frame, GetFocus());
}

TEST_F(FrameTest, LaysOutPanesAndControlsAtWidth1024) {
    expectPanes(frame, leftPane, rightPane, 700);
    RECT right = rectInParent(rightPane);
    EXPECT_EQ(clientWidth(frame), right.right) << "the right pane reaches the right edge";

    expectRect(GetDlgItem(leftPane, SIZE_BUTTON_9), 10, 5, 70, 30, "9x9");
    expectRect(GetDlgItem(leftPane, SIZE_BUTTON_16), 80, 5, 70, 30, "16x16");
    expectRect(GetDlgItem(leftPane, SIZE_BUTTON_25), 150, 5, 70, 30, "25x25");
    expectRect(control(THREAD_BOX_ID), 85, 0, 40, 25, "thread count");
    expectRect(control(COUNT_BOX_ID), 70, 30, 200, 25, "solution count");
    expectRect(control(SHOW_BUTTON_ID), 0, 60, 100, 25, "show button");
    expectRect(control(DIFFICULTY_BOX_ID), 0, 120, 300, 600, "difficulty");

    // 25-pixel pitch, 2 more pixels between boxes; the last cell ends at
    // x 234, y 279.
    expectRect(cell(0), 5, 50, 25, 25, "cell 0");
    expectRect(cell(3), 5 + 75 + 2, 50, 25, 25, "cell 3");
    expectRect(cell(80), 209, 254, 25, 25, "cell 80");
}

TEST_F(FrameTest, NarrowFrameGivesLeftPaneSeventyPercent) {
    setClientWidth(frame, 900);
    ASSERT_EQ(900, clientWidth(frame));
    expectPanes(frame, leftPane, rightPane, 630);

    setClientWidth(frame, 1024);
    ASSERT_EQ(1024, clientWidth(frame));
    // The pane keeps its 630 until the rules force more: back to 700.
    expectPanes(frame, leftPane, rightPane, 700);
}

TEST_F(FrameTest, SplitterSnapsToItsLimits) {
    int fx = GetSystemMetrics(SM_CXFRAME);
    dragSplitterTo(leftPane, 600);
    expectPanes(frame, leftPane, rightPane, 700);

    dragSplitterTo(leftPane, 720);
    expectPanes(frame, leftPane, rightPane, 720);

    dragSplitterTo(leftPane, 950);
    expectPanes(frame, leftPane, rightPane, 1024 - 300 + fx);
    EXPECT_EQ(300, rectInParent(rightPane).right - rectInParent(rightPane).left);
}

TEST_F(FrameTest, NewGridStartsWithNarrowestLeftPane) {
    dragSplitterTo(leftPane, 720);
    expectPanes(frame, leftPane, rightPane, 720);
    click(GetDlgItem(leftPane, SIZE_BUTTON_16));
    ASSERT_TRUE(waitForGrid(16));
    expectPanes(frame, leftPane, rightPane, 700);
    // 16x16: the last cell ends at x 411, y 456.
    expectRect(cell(255), 386, 431, 25, 25, "cell 255");
}

// ---- Ending the program, in a process of its own ----

std::wstring numplPath() {
    wchar_t path[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, length);
    return folder.substr(0, folder.find_last_of(L"\\/") + 1) + L"numpl.exe";
}

struct FrameSearch {
    DWORD processId;
    HWND frame;
};

BOOL CALLBACK matchFrame(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<FrameSearch*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    wchar_t className[64] = L"";
    GetClassNameW(window, className, 64);
    if (owner != search->processId || std::wstring(className) != L"ナンプレ") return TRUE;
    search->frame = window;
    return FALSE;
}

// This test process has no windows of its own to serve, so plain polling
// with a limit is enough here.
HWND waitForFrameOf(DWORD processId) {
    for (DWORD start = GetTickCount(); GetTickCount() - start < 30000; Sleep(50)) {
        FrameSearch search = {processId, nullptr};
        EnumWindows(matchFrame, reinterpret_cast<LPARAM>(&search));
        if (search.frame != nullptr && FindWindowExW(search.frame, nullptr, L"RightWindow", nullptr) != nullptr)
            return search.frame;
    }
    return nullptr;
}

std::wstring remoteCount(HWND frame) {
    HWND right = FindWindowExW(frame, nullptr, L"RightWindow", nullptr);
    wchar_t text[256] = L"";
    SendMessageTimeoutW(GetDlgItem(right, COUNT_BOX_ID), WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text),
                        SMTO_ABORTIFHUNG, 5000, nullptr);
    return text;
}

bool endsWith(const std::wstring& text, const std::wstring& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// Waits for the count field to read `text`, or only to end with it when
// `whole` is false.
bool waitForRemoteCount(HWND frame, const std::wstring& text, bool whole = true) {
    for (DWORD start = GetTickCount(); GetTickCount() - start < 30000; Sleep(50)) {
        std::wstring count = remoteCount(frame);
        if (whole ? count == text : endsWith(count, text)) return true;
    }
    return false;
}

class NumplProcess {
public:
    // `argument`, when given, is put on the command line after the program.
    explicit NumplProcess(const std::wstring& argument = L"") {
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        std::wstring path = numplPath();
        std::wstring commandLine = L"\"" + path + L"\" \"" + argument + L"\"";
        started_ = CreateProcessW(path.c_str(), argument.empty() ? nullptr : commandLine.data(), nullptr, nullptr,
                                  FALSE, 0, nullptr, nullptr, &startup, &info_) != 0;
    }
    ~NumplProcess() {
        if (!started_) return;
        if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(info_.hProcess, 99);
        CloseHandle(info_.hThread);
        CloseHandle(info_.hProcess);
    }
    bool started() const { return started_; }
    DWORD id() const { return info_.dwProcessId; }
    // The exit code, or STILL_ACTIVE when the process has not ended within 30 s.
    DWORD exitCode() const {
        WaitForSingleObject(info_.hProcess, 30000);
        DWORD code = STILL_ACTIVE;
        GetExitCodeProcess(info_.hProcess, &code);
        return code;
    }

private:
    PROCESS_INFORMATION info_ = {};
    bool started_ = false;
};

// Scripts and other programs address the window by these numbers; the one
// header that defines them must keep them.
TEST(ControlIds, KeepTheirNumbers) {
    EXPECT_EQ(101, IDR_MAIN_MENU);
    EXPECT_EQ(40001, IDM_EXIT);
    EXPECT_EQ(0x2001, CELL_ID_BASE);
    EXPECT_EQ(0x3001, SIZE_BUTTON_9);
    EXPECT_EQ(0x3002, SIZE_BUTTON_16);
    EXPECT_EQ(0x3003, SIZE_BUTTON_25);
    EXPECT_EQ(0x4001, TICK_TIMER_ID);
    EXPECT_EQ(0x5001, COUNT_BOX_ID);
    EXPECT_EQ(0x5002, THREAD_BOX_ID);
    EXPECT_EQ(0x6001, SHOW_BUTTON_ID);
    EXPECT_EQ(0x6002, HIDE_BUTTON_ID);
    EXPECT_EQ(0x7001, DIFFICULTY_BOX_ID);
}

// `numpl.exe FILE` opens FILE once its first grid exists.
TEST(FrameStart, OpensTheFileNamedOnTheCommandLine) {
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    std::wstring path = std::wstring(folder) + L"numpl start test.txt";
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    DWORD done = 0;
    WriteFile(file, UNIQUE_9, 81, &done, nullptr);
    CloseHandle(file);
    NumplProcess numpl(path);
    ASSERT_TRUE(numpl.started()) << "numpl.exe expected beside the test program";
    HWND frame = waitForFrameOf(numpl.id());
    ASSERT_NE(nullptr, frame);
    EXPECT_TRUE(waitForRemoteCount(frame, L"1"));
    HWND left = FindWindowExW(frame, nullptr, L"LeftWindow", nullptr);
    wchar_t text[16] = L"";
    SendMessageTimeoutW(GetDlgItem(left, CELL_ID_BASE + 1), WM_GETTEXT, 16, reinterpret_cast<LPARAM>(text),
                        SMTO_ABORTIFHUNG, 5000, nullptr);
    EXPECT_STREQ(L"3", text);
    PostMessageW(frame, WM_COMMAND, IDM_EXIT, 0);
    EXPECT_EQ(0u, numpl.exitCode());
    DeleteFileW(path.c_str());
}

// A short run of the remote control's random stress against a real
// numpl.exe: edits, pastes, size and thread-count changes, clicks and the
// marking at random moments, and at the end the count field agrees with a
// fresh analysis (the remote checks that and exits 1 otherwise). The long
// run is scripts/stress.
TEST(FrameStress, RandomActionsLeaveACountThatAgreesWithAFreshAnalysis) {
    NumplProcess numpl;
    ASSERT_TRUE(numpl.started()) << "numpl.exe expected beside the test program";
    HWND frame = waitForFrameOf(numpl.id());
    ASSERT_NE(nullptr, frame);
    std::wstring folder = numplPath();
    folder.resize(folder.find_last_of(L"\\/") + 1);
    std::wstring remote = folder + L"..\\..\\tools\\numpl_remote.exe";
    std::wstring commandLine = L"numpl_remote.exe stress 150 11";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    ASSERT_TRUE(CreateProcessW(remote.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &info))
        << "numpl_remote.exe expected in the tools folder of the build";
    EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), WaitForSingleObject(info.hProcess, 100000));
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(info.hProcess, &code);
    EXPECT_EQ(0u, code);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    PostMessageW(frame, WM_COMMAND, IDM_EXIT, 0);
    EXPECT_EQ(0u, numpl.exitCode());
}

TEST(FrameExit, MenuItemEndsProgramWithCodeZero) {
    NumplProcess numpl;
    ASSERT_TRUE(numpl.started()) << "numpl.exe expected beside the test program";
    HWND frame = waitForFrameOf(numpl.id());
    ASSERT_NE(nullptr, frame);
    ASSERT_TRUE(waitForRemoteCount(frame, L"1000以上"));
    // The item's id, as OpensCentredWithTitleMenuAndFocus reads it from the menu.
    PostMessageW(frame, WM_COMMAND, IDM_EXIT, 0);
    EXPECT_EQ(0u, numpl.exitCode());
}

// Closed in the middle of a long 25x25 analysis: the worker must be stopped
// before the program lets go of its data, and the program must still end.
TEST(FrameExit, CloseBoxEndsProgramWithCodeZeroDuringAnalysis) {
    NumplProcess numpl;
    ASSERT_TRUE(numpl.started()) << "numpl.exe expected beside the test program";
    HWND frame = waitForFrameOf(numpl.id());
    ASSERT_NE(nullptr, frame);
    ASSERT_TRUE(waitForRemoteCount(frame, L"1000以上"));
    HWND left = FindWindowExW(frame, nullptr, L"LeftWindow", nullptr);
    SendMessageW(GetDlgItem(left, SIZE_BUTTON_25), BM_CLICK, 0, 0);
    std::vector<int> givens = cellsFromText(HARD_25);
    for (DWORD start = GetTickCount(); GetDlgItem(left, CELL_ID_BASE + 624) == nullptr; Sleep(50)) {
        ASSERT_LT(GetTickCount() - start, 30000u) << "no 25x25 grid";
    }
    for (size_t k = 0; k < givens.size(); ++k) {
        if (givens[k] == 0) continue;
        std::wstring text = std::to_wstring(givens[k]);
        SendMessageW(GetDlgItem(left, CELL_ID_BASE + static_cast<int>(k)), WM_SETTEXT, 0,
                     reinterpret_cast<LPARAM>(text.c_str()));
    }
    ASSERT_TRUE(waitForRemoteCount(frame, L" 解析中", false)) << "no progress shown";
    PostMessageW(frame, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(0u, numpl.exitCode());
}

} // namespace
} // namespace numpl::test

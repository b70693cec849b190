// The message pump, lookups and input helpers behind UiTest.
#include "ui_driver.h"

#include "ui/frame.h"
#include "ui/ui_state.h"

namespace numpl::test {

std::wstring textOf(HWND window) {
    if (window == nullptr) return L"<no window>";
    int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    GetWindowTextW(window, text.data(), length + 1);
    text.resize(static_cast<size_t>(length));
    return text;
}

bool setClipboard(const std::wstring& text) {
    if (!OpenClipboard(nullptr)) return false;
    EmptyClipboard();
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
    wmemcpy(static_cast<wchar_t*>(GlobalLock(block)), text.c_str(), text.size() + 1);
    GlobalUnlock(block);
    bool placed = SetClipboardData(CF_UNICODETEXT, block) != nullptr;
    CloseClipboard();
    return placed;
}

RECT rectInParent(HWND window) {
    RECT rect;
    GetWindowRect(window, &rect);
    MapWindowPoints(nullptr, GetParent(window), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// The tests keep their settings in a folder of their own, emptied before
// each test: a zoom that one test chose must not greet the next, nor the
// user's own program.
void isolateSettings() {
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    std::wstring appData = std::wstring(folder) + L"numpl-ui-tests-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(appData.c_str(), nullptr);
    SetEnvironmentVariableW(L"APPDATA", appData.c_str());
    DeleteFileW((appData + L"\\numpl\\numpl.ini").c_str());
}

void UiTest::SetUp() {
    isolateSettings();
    openFrame();
}

void UiTest::openFrame() {
    frame = openMainFrame(GetModuleHandleW(nullptr), SW_SHOWNORMAL);
    ASSERT_NE(nullptr, frame) << "error " << GetLastError();
    leftPane = FindWindowExW(frame, nullptr, L"LeftWindow", nullptr);
    rightPane = FindWindowExW(frame, nullptr, L"RightWindow", nullptr);
    ASSERT_NE(nullptr, leftPane);
    ASSERT_NE(nullptr, rightPane);
    HWND count = control(COUNT_BOX_ID);
    ASSERT_NE(nullptr, count);
    SetPropW(count, L"numpl.test", this);
    countProc_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(count, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(recordCountProc)));
    ASSERT_TRUE(waitForGrid(9)) << "the first 9x9 grid was never built";
}

LRESULT CALLBACK UiTest::recordCountProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* test = static_cast<UiTest*>(GetPropW(hwnd, L"numpl.test"));
    if (test == nullptr) return DefWindowProcW(hwnd, msg, wParam, lParam);
    if (msg == WM_SETTEXT && lParam != 0) {
        std::wstring text = reinterpret_cast<const wchar_t*>(lParam);
        if (test->countHistory.empty() || test->countHistory.back() != text) test->countHistory.push_back(text);
    }
    if (msg == WM_NCDESTROY) RemovePropW(hwnd, L"numpl.test");
    return CallWindowProcW(test->countProc_, hwnd, msg, wParam, lParam);
}

void UiTest::TearDown() {
    puzzleFactory = createPuzzle;
    if (frame != nullptr && IsWindow(frame)) DestroyWindow(frame);
    // Take the WM_QUIT of the frame's WM_DESTROY off the queue, so the next
    // test starts from an empty one.
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

bool UiTest::pumpUntil(const std::function<bool()>& done, DWORD limitMs) {
    DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) continue;
            if (msg.message == WM_TIMER && msg.hwnd == leftPane) ++ticks;
            if (translateShortcut(frame, &msg)) continue;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
            if (done()) return true;
        }
        if (done()) return true;
        if (GetTickCount() - start > limitMs) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

bool UiTest::pumpTicks(int count) {
    int target = ticks + count;
    return pumpUntil([&] { return ticks >= target; }, 5000);
}

bool UiTest::waitForCount(const std::wstring& text, DWORD limitMs) {
    return pumpUntil([&] { return countText() == text; }, limitMs);
}

bool UiTest::waitForGrid(int side, DWORD limitMs) {
    int cellCount = side * side;
    return pumpUntil([&] { return cell(cellCount - 1) != nullptr && cell(cellCount) == nullptr; }, limitMs);
}

bool UiTest::waitForNewResult(const std::wstring& text, DWORD limitMs) {
    size_t from = countHistory.size();
    return pumpUntil([&] { return countShowed(from, L"解析中", text) && countText() == text; }, limitMs);
}

void UiTest::pasteInto(int k, const std::wstring& text) {
    ASSERT_TRUE(setClipboard(text));
    SendMessageW(cell(k), WM_PASTE, 0, 0);
}

UINT UiTest::menuState(int popup, int id) {
    HMENU menu = GetMenu(frame);
    SendMessageW(frame, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(GetSubMenu(menu, popup)), popup);
    return GetMenuState(menu, id, MF_BYCOMMAND);
}

std::vector<int> UiTest::cellValues(int side) const {
    std::vector<int> values;
    for (int k = 0; k < side * side; ++k) values.push_back(_wtoi(cellText(k).c_str()));
    return values;
}

HWND UiTest::cell(int k) const {
    return GetDlgItem(leftPane, CELL_ID_BASE + k);
}

HWND UiTest::control(int id) const {
    return GetDlgItem(rightPane, id);
}

void UiTest::typeInto(int k, const std::wstring& text) {
    HWND target = cell(k);
    ASSERT_NE(nullptr, target) << "cell " << k;
    SendMessageW(target, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void UiTest::typeGrid(const std::vector<int>& values) {
    for (size_t k = 0; k < values.size(); ++k) {
        if (values[k] != 0) typeInto(static_cast<int>(k), std::to_wstring(values[k]));
    }
}

void UiTest::click(HWND button) {
    ASSERT_NE(nullptr, button);
    SendMessageW(button, BM_CLICK, 0, 0);
}

COLORREF UiTest::cellColour(int k) const {
    HDC dc = CreateCompatibleDC(nullptr);
    // A colour no branch sets, so that a cell left alone shows up.
    SetBkColor(dc, 0x123456);
    SendMessageW(leftPane, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(cell(k)));
    COLORREF colour = GetBkColor(dc);
    DeleteDC(dc);
    return colour;
}

bool UiTest::countShowed(size_t from, const std::wstring& first, const std::wstring& second) const {
    size_t i = from;
    while (i < countHistory.size() && countHistory[i] != first) ++i;
    if (i == countHistory.size()) return false;
    if (second.empty()) return true;
    for (++i; i < countHistory.size(); ++i) {
        if (countHistory[i] == second) return true;
    }
    return false;
}

} // namespace numpl::test

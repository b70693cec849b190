// Test fixture that opens the real frame with the code WinMain uses and
// drives it through its controls: texts are set with WM_SETTEXT, buttons
// clicked with BM_CLICK, and time advances only by pumping messages until a
// condition holds or a time limit passes.
#ifndef NUMPL_TESTS_UI_UI_DRIVER_H
#define NUMPL_TESTS_UI_UI_DRIVER_H

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ui/control_ids.h"

namespace numpl::test {

constexpr COLORREF LIGHT_BLUE = 0xE0CC9D;
constexpr COLORREF RED = 0x0000FF;
constexpr DWORD DEFAULT_LIMIT_MS = 30000;

std::wstring textOf(HWND window);

// Puts text on the clipboard as CF_UNICODETEXT; false when it cannot.
bool setClipboard(const std::wstring& text);

// Position and size of a window in its parent's client area.
RECT rectInParent(HWND window);

class UiTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Opens the frame as WinMain does and finds its panes (SetUp does this
    // with fresh settings; a test may close the frame and start it again).
    void openFrame();

    // Handles messages until `done` holds (checked after every message) or
    // the limit passes; false on timeout.
    bool pumpUntil(const std::function<bool()>& done, DWORD limitMs = DEFAULT_LIMIT_MS);
    // Lets `count` timer ticks of the left pane pass.
    bool pumpTicks(int count);
    bool waitForCount(const std::wstring& text, DWORD limitMs = DEFAULT_LIMIT_MS);
    // Waits until the cells of an N x N grid, and no others, exist.
    bool waitForGrid(int side, DWORD limitMs = DEFAULT_LIMIT_MS);
    // Waits for an analysis that starts after this call to end with `text`.
    bool waitForNewResult(const std::wstring& text, DWORD limitMs = DEFAULT_LIMIT_MS);

    // Puts text on the clipboard and pastes it into cell k, as Ctrl+V does.
    void pasteInto(int k, const std::wstring& text);
    // The state a menu item shows when its popup opens.
    UINT menuState(int popup, int id);
    // A menu command of the frame, as the menu sends it.
    void command(int id) { SendMessageW(frame, WM_COMMAND, id, 0); }
    // The numbers in the N x N cells, 0 for an empty cell.
    std::vector<int> cellValues(int side) const;
    HWND cell(int k) const;
    HWND control(int id) const;  // a control of the right pane
    std::wstring cellText(int k) const { return textOf(cell(k)); }
    std::wstring countText() const { return textOf(control(COUNT_BOX_ID)); }
    void typeInto(int k, const std::wstring& text);
    // Types one grid given as N*N entries, 0 for an empty cell.
    void typeGrid(const std::vector<int>& values);
    void click(HWND button);
    // The background colour that the left pane's WM_CTLCOLOREDIT sets for a cell.
    COLORREF cellColour(int k) const;
    // True when the count field showed `first` and later `second` since
    // history position `from`.
    bool countShowed(size_t from, const std::wstring& first, const std::wstring& second = L"") const;

    HWND frame = nullptr;
    HWND leftPane = nullptr;
    HWND rightPane = nullptr;
    // Every text set on the count field, in order, consecutive repeats
    // folded; recorded by a subclass of the field, so no text written and
    // overwritten between two looks is missed.
    std::vector<std::wstring> countHistory;
    int ticks = 0;

private:
    static LRESULT CALLBACK recordCountProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    WNDPROC countProc_ = nullptr;
};

} // namespace numpl::test

#endif

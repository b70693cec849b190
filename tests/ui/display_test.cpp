// The window at the display's scale and the grid's zoom. The same tests run
// at 96 DPI in the UI test program and at 144 DPI in a program of their own
// (NUMPL_TEST_DPI says which), so every expectation is a 96-DPI value
// scaled here.
#include <windows.h>

#include <string>
#include <vector>

#include "ui/display_scale.h"
#include "ui/frame.h"
#include "ui/settings.h"
#include "ui_driver.h"

namespace numpl::test {
namespace {

int px(int length) {
    return MulDiv(length, NUMPL_TEST_DPI, 96);
}

RECT clientOf(HWND window) {
    RECT rect;
    GetClientRect(window, &rect);
    return rect;
}

SIZE textExtent(HWND window, HFONT font, const std::wstring& text) {
    HDC dc = GetDC(window);
    HGDIOBJ old = SelectObject(dc, font);
    SIZE size = {0, 0};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(window, dc);
    return size;
}

HFONT fontOf(HWND window) {
    return reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
}

bool overlap(const RECT& a, const RECT& b) {
    RECT both;
    return IntersectRect(&both, &a, &b) != FALSE;
}

std::vector<HWND> childrenOf(HWND parent) {
    std::vector<HWND> children;
    for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
        if (IsWindowVisible(child)) children.push_back(child);
    return children;
}

class DisplayTest : public UiTest {
protected:
    void chooseZoom(int command) { SendMessageW(frame, WM_COMMAND, command, 0); }

    // Closes the frame and opens it again, as a second start would.
    void reopen() {
        TearDown();
        openFrame();
    }

    void switchTo(int side) {
        int button = side == 9 ? SIZE_BUTTON_9 : side == 16 ? SIZE_BUTTON_16 : SIZE_BUTTON_25;
        click(GetDlgItem(leftPane, button));
        ASSERT_TRUE(waitForGrid(side));
    }

    // Every cell of the grid lies in the pane's client area with the
    // grid's margin kept; siblings never overlap; the pitch is what the zoom
    // asks for unless that would not fit, and then the largest that fits.
    void expectGridFits(int side, int zoomCommand) {
        int n = side == 9 ? 3 : side == 16 ? 4 : 5;
        RECT pane = clientOf(leftPane);
        int margin = px(5);
        RECT first = rectInParent(cell(0));
        RECT last = rectInParent(cell(side * side - 1));
        int pitch = first.right - first.left;
        EXPECT_EQ(px(5), first.left);
        EXPECT_EQ(px(50), first.top);
        EXPECT_LE(last.right, pane.right - margin) << side << "x" << side << " zoom " << zoomCommand;
        EXPECT_LE(last.bottom, pane.bottom - margin) << side << "x" << side << " zoom " << zoomCommand;
        int percent = zoomPercent(zoomCommand);
        int wanted = percent == 0 ? 1 << 20 : MulDiv(25, NUMPL_TEST_DPI * percent, 9600);
        EXPECT_LE(pitch, wanted);
        if (pitch < wanted) {
            int next = pitch + 1;
            int extent = side * next + (n - 1) * MulDiv(next, 2, 25);
            EXPECT_TRUE(margin + extent > pane.right - margin || px(50) + extent > pane.bottom - margin)
                << "a pitch of " << next << " would still fit";
        }
        // Two digits fit a cell in its own font, so the numbers 10-25 stay
        // readable however far the grid shrank.
        RECT inside = clientOf(cell(side * side - 1));
        SIZE digits = textExtent(cell(0), fontOf(cell(0)), L"25");
        EXPECT_LE(digits.cx, inside.right - 2) << "pitch " << pitch;
        EXPECT_LE(digits.cy, inside.bottom) << "pitch " << pitch;
        EXPECT_GE(digits.cy * 5, pitch * 2) << "the digits shrink with the pitch, not more";

        std::vector<HWND> siblings = childrenOf(leftPane);
        std::vector<RECT> rects;
        for (HWND child : siblings) rects.push_back(rectInParent(child));
        for (size_t a = 0; a < rects.size(); ++a)
            for (size_t b = a + 1; b < rects.size(); ++b)
                ASSERT_FALSE(overlap(rects[a], rects[b])) << GetDlgCtrlID(siblings[a]) << " and "
                                                          << GetDlgCtrlID(siblings[b]);
        HMENU menu = GetMenu(frame);
        for (int command = IDM_ZOOM_100; command <= IDM_ZOOM_FIT; ++command)
            EXPECT_EQ(command == zoomCommand, (GetMenuState(menu, command, MF_BYCOMMAND) & MF_CHECKED) != 0)
                << command;
    }
};

// The frame opens at the display's scale, fitted into the work area of its
// monitor and centred there; the panes keep the splitter rules in scaled
// pixels.
TEST_F(DisplayTest, OpensScaledAndCentredInTheWorkArea) {
    EXPECT_EQ(NUMPL_TEST_DPI, dpiOf(frame));
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    ASSERT_TRUE(GetMonitorInfoW(MonitorFromWindow(frame, MONITOR_DEFAULTTOPRIMARY), &monitor));
    const RECT& work = monitor.rcWork;
    RECT outer;
    GetWindowRect(frame, &outer);
    EXPECT_EQ(work.left + (work.right - work.left - (outer.right - outer.left)) / 2, outer.left);
    EXPECT_EQ(work.top + (work.bottom - work.top - (outer.bottom - outer.top)) / 2, outer.top);
    EXPECT_LE(outer.right - outer.left, work.right - work.left);
    EXPECT_LE(outer.bottom - outer.top, work.bottom - work.top);
    RECT client = clientOf(frame);
    int cw = client.right;
    if (outer.right - outer.left < work.right - work.left) {
        EXPECT_EQ(px(1024), cw);
    }

    int fx = frameMetric(SM_CXFRAME);
    int left = px(700);
    if (fx - left + cw < px(300)) left = cw - px(300) + fx;
    if (left < px(700)) left = cw * 700 / 1000;
    EXPECT_EQ(left, rectInParent(leftPane).right - rectInParent(leftPane).left);
    EXPECT_EQ(cw, rectInParent(rightPane).right);
}

// Every control at its 96-DPI place scaled, in a font made for the DPI, with
// its text inside it; the painted labels end before the fields they name.
TEST_F(DisplayTest, ControlsSitScaledWithTheirTextsInside) {
    int paneWidth = clientOf(rightPane).right;
    // A field wider than a narrow right pane is cut at the pane's edge; its
    // text must still fit the width it was made for.
    struct Expected {
        HWND window;
        int x, y, width, height;
        const wchar_t* text;
        int textRoom;  // pixels the control's own drawing takes beside the text
        int madeFor;
    };
    int check = px(20);
    int pushPadding = px(8);
    auto cut = [&](int x, int width) { return x + width > paneWidth ? paneWidth - x : width; };
    const Expected expected[] = {
        {GetDlgItem(leftPane, SIZE_BUTTON_9), px(10), px(5), px(70), px(30), L"9x9", check, px(70)},
        {GetDlgItem(leftPane, SIZE_BUTTON_16), px(80), px(5), px(70), px(30), L"16x16", check, px(70)},
        {GetDlgItem(leftPane, SIZE_BUTTON_25), px(150), px(5), px(70), px(30), L"25x25", check, px(70)},
        {control(THREAD_BOX_ID), px(85), 0, cut(px(85), px(40)), px(25), L"128", px(6), px(40)},
        {control(COUNT_BOX_ID), px(70), px(30), cut(px(70), px(200)), px(25), L"1000以上", px(6), px(200)},
        {control(SHOW_BUTTON_ID), 0, px(60), px(100), px(25), L"解を非表示", pushPadding, px(100)},
        {control(DIFFICULTY_BOX_ID), 0, px(120), cut(0, px(300)), px(600), L"2国同盟，3国同盟による確定：100%", 0,
         px(300)},
    };
    HFONT stock[] = {static_cast<HFONT>(GetStockObject(SYSTEM_FONT)),
                     static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)), nullptr};
    for (const Expected& e : expected) {
        ASSERT_NE(nullptr, e.window) << e.text;
        RECT rect = rectInParent(e.window);
        EXPECT_EQ(e.x, rect.left) << e.text;
        EXPECT_EQ(e.y, rect.top) << e.text;
        EXPECT_EQ(e.width, rect.right - rect.left) << e.text;
        EXPECT_EQ(e.height, rect.bottom - rect.top) << e.text;
        HFONT font = fontOf(e.window);
        for (HFONT s : stock) EXPECT_NE(s, font) << e.text;
        SIZE size = textExtent(e.window, font, e.text);
        EXPECT_LE(size.cx + e.textRoom, e.madeFor) << e.text;
        EXPECT_LE(size.cy, rect.bottom - rect.top) << e.text;
    }

    HFONT labelFont = fontOf(control(COUNT_BOX_ID));
    const struct {
        const wchar_t* text;
        int y;
        int endX;  // where the next control starts on the label's line
        int endY;
    } labels[] = {
        {L"スレッド数", 3, 85, 25},
        {L"解の個数", 33, 70, 55},
        {L"難易度", 101, 300, 120},
    };
    for (const auto& label : labels) {
        SIZE size = textExtent(rightPane, labelFont, label.text);
        EXPECT_LE(size.cx, px(label.endX)) << "label " << label.y;
        EXPECT_LE(px(label.y) + size.cy, px(label.endY)) << "label " << label.y;
    }
    std::vector<HWND> siblings = childrenOf(rightPane);
    for (size_t a = 0; a < siblings.size(); ++a)
        for (size_t b = a + 1; b < siblings.size(); ++b)
            EXPECT_FALSE(overlap(rectInParent(siblings[a]), rectInParent(siblings[b])))
                << GetDlgCtrlID(siblings[a]) << " and " << GetDlgCtrlID(siblings[b]);
}

// Each zoom at each size: the grid grows by the zoom, stays inside the
// left pane, and the radio check follows the choice.
TEST_F(DisplayTest, ZoomGrowsTheGridWithinTheLeftPane) {
    for (int side : {25, 16, 9}) {
        switchTo(side);
        for (int command : {IDM_ZOOM_150, IDM_ZOOM_200, IDM_ZOOM_FIT, IDM_ZOOM_100}) {
            chooseZoom(command);
            expectGridFits(side, command);
        }
    }
    // A splitter dragged to its narrowest shrinks a grid that no longer fits.
    chooseZoom(IDM_ZOOM_200);
    RECT pane = rectInParent(leftPane);
    MoveWindow(leftPane, pane.left, pane.top, 1, pane.bottom - pane.top, TRUE);
    expectGridFits(9, IDM_ZOOM_200);
}

// The zoom chosen is what the next start shows; a missing, unreadable or
// foreign setting means 100 %.
TEST_F(DisplayTest, ZoomIsKeptForTheNextStart) {
    chooseZoom(IDM_ZOOM_150);
    wchar_t value[16];
    GetPrivateProfileStringW(L"view", L"zoom", L"", value, 16, settingsPath().c_str());
    EXPECT_STREQ(L"150", value);
    reopen();
    expectGridFits(9, IDM_ZOOM_150);

    const struct {
        const char* content;  // nullptr: no file at all
        int command;
    } cases[] = {
        {"[view]\r\nzoom=fit\r\n", IDM_ZOOM_FIT}, {"[view]\r\nzoom=200\r\n", IDM_ZOOM_200},
        {"[view]\r\nzoom=175\r\n", IDM_ZOOM_100}, {"[other]\r\nzoom=150\r\n", IDM_ZOOM_100},
        {"\xff\xfe\x00garbage", IDM_ZOOM_100},   {nullptr, IDM_ZOOM_100},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.content == nullptr ? "no file" : c.content);
        std::wstring path = settingsPath();
        DeleteFileW(path.c_str());
        if (c.content != nullptr) {
            HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
            ASSERT_NE(INVALID_HANDLE_VALUE, file);
            DWORD written = 0;
            WriteFile(file, c.content, static_cast<DWORD>(strlen(c.content) + (c.content[0] == '\xff' ? 4 : 0)),
                      &written, nullptr);
            CloseHandle(file);
        }
        // The profile functions keep the last file read in memory; the file
        // was written behind their back.
        WritePrivateProfileStringW(nullptr, nullptr, nullptr, path.c_str());
        reopen();
        expectGridFits(9, c.command);
    }
}

// A move to a monitor of another scale: everything is placed again for
// the new DPI, and back.
TEST_F(DisplayTest, FollowsAChangeOfDpi) {
    RECT outer;
    GetWindowRect(frame, &outer);
    int other = NUMPL_TEST_DPI == 96 ? 144 : 96;
    // Windows suggests the frame's size scaled; here a size that fits any
    // screen, since no window may grow past the screen.
    auto place = [&](int dpi) {
        RECT suggested = {10, 20, 810, 620};
        if (dpi == NUMPL_TEST_DPI) suggested = outer;
        SendMessageW(frame, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
        return suggested;
    };
    HFONT before = fontOf(control(COUNT_BOX_ID));
    LOGFONTW font;
    GetObjectW(before, sizeof font, &font);
    int height = font.lfHeight;

    RECT suggested = place(other);
    RECT now;
    GetWindowRect(frame, &now);
    EXPECT_TRUE(EqualRect(&suggested, &now)) << "the frame takes the suggested rectangle";
    EXPECT_EQ(MulDiv(85, other, 96), rectInParent(control(THREAD_BOX_ID)).left);
    EXPECT_EQ(MulDiv(60, other, 96), rectInParent(control(SHOW_BUTTON_ID)).top);
    EXPECT_EQ(MulDiv(150, other, 96), rectInParent(GetDlgItem(leftPane, SIZE_BUTTON_25)).left);
    EXPECT_EQ(MulDiv(25, other, 96), rectInParent(cell(0)).right - rectInParent(cell(0)).left);
    GetObjectW(fontOf(control(COUNT_BOX_ID)), sizeof font, &font);
    EXPECT_NEAR(MulDiv(height, other, NUMPL_TEST_DPI), font.lfHeight, 1);

    place(NUMPL_TEST_DPI);
    EXPECT_EQ(px(85), rectInParent(control(THREAD_BOX_ID)).left);
    EXPECT_EQ(px(25), rectInParent(cell(0)).right - rectInParent(cell(0)).left);
    GetObjectW(fontOf(control(COUNT_BOX_ID)), sizeof font, &font);
    EXPECT_EQ(height, font.lfHeight);
}

} // namespace
} // namespace numpl::test

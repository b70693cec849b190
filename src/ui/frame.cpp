// The frame window: creation of both panes and the timer, the splitter
// layout at the display's scale and the grid's zoom, the menu commands and
// the orderly end of the worker at shutdown.
#include "ui/frame.h"

#include <shellapi.h>

#include "ui/analysis_controls.h"
#include "ui/difficulty_map.h"
#include "ui/display_scale.h"
#include "ui/edit_history.h"
#include "ui/grid_editor.h"
#include "ui/help.h"
#include "ui/picture_export.h"
#include "ui/puzzle_exchange.h"
#include "ui/redundant_marks.h"
#include "ui/control_ids.h"
#include "ui/settings.h"
#include "ui/ui_state.h"
#include "ui/worker.h"

namespace numpl {

namespace {

const wchar_t FRAME_CLASS[] = L"ナンプレ";
const wchar_t FRAME_TITLE[] = L"ナンプレ";
const wchar_t LEFT_CLASS[] = L"LeftWindow";
const wchar_t RIGHT_CLASS[] = L"RightWindow";

HWND createPane(HWND frame, const wchar_t* className, DWORD style) {
    auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(frame, GWLP_HINSTANCE));
    return CreateWindowExW(0, className, L"", style, 0, 0, 1, 1, frame, nullptr, instance, nullptr);
}

// The order matters: the left pane posts the first grid build while it is
// created, and the timer must not tick before both panes and the first
// layout exist.
LRESULT onFrameCreate(HWND frame) {
    resetUiState();
    setDisplayDpi(dpiOf(frame));
    displayScale.zoomCommand = loadZoomCommand();
    centreFrame(frame);
    auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(frame, GWLP_HINSTANCE));
    registerPaneClass(instance, leftPaneProc, LEFT_CLASS, nullptr);
    registerPaneClass(instance, rightPaneProc, RIGHT_CLASS, nullptr);
    HWND left = createPane(frame, LEFT_CLASS, WS_CHILD | WS_VISIBLE | WS_THICKFRAME);
    HWND right = createPane(frame, RIGHT_CLASS, WS_CHILD | WS_VISIBLE);
    windowLayout.leftPane = left;
    windowLayout.frame = frame;
    windowLayout.rightPane = right;
    resetLayout();
    SetTimer(left, TICK_TIMER_ID, TICK_INTERVAL_MS, nullptr);
    DragAcceptFiles(frame, TRUE);
    checkZoomItem();
    return 0;
}

// The zoom is kept at once, so that a program that is killed later still
// starts with it next time.
void chooseZoom(int32_t zoomCommand) {
    displayScale.zoomCommand = zoomCommand;
    saveZoomCommand(zoomCommand);
    checkZoomItem();
    layoutPanes();
}

// The frame moved to a monitor of another scale, or the user changed the
// scale: Windows suggests the new frame rectangle, and every control is
// placed and lettered anew for the new DPI.
LRESULT onDpiChanged(HWND frame, WPARAM wParam, LPARAM lParam) {
    setDisplayDpi(HIWORD(wParam));
    layoutSizeButtons();
    layoutRightPane();
    const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
    SetWindowPos(frame, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                 suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    resetLayout();
    return 0;
}

LRESULT onFrameCommand(HWND frame, WPARAM wParam, LPARAM lParam) {
    int id = LOWORD(wParam);
    if (id == IDM_EXIT) {
        DestroyWindow(frame);
        return 0;
    }
    if (zoomPercent(id) != 0 || id == IDM_ZOOM_FIT) {
        chooseZoom(id);
        return 0;
    }
    if (id == IDM_SAVE_PICTURE) {
        savePictureAs();
        return 0;
    }
    if (runHelpCommand(frame, id)) return 0;
    if (runHistoryCommand(id)) return 0;
    if (runExchangeCommand(id)) return 0;
    if (runMapCommand(id)) return 0;
    if (runRedundantCommand(id)) return 0;
    return DefWindowProcW(frame, WM_COMMAND, wParam, lParam);
}

// Each popup greys what cannot be done now and checks what is shown.
LRESULT onInitMenuPopup(HMENU menu) {
    updateHistoryMenu(menu);
    updateExchangeMenu(menu);
    updateMapMenu(menu);
    updateRedundantMenu(menu);
    return 0;
}

// The Puzzle may be released only once no worker can touch it any more.
LRESULT onFrameDestroy() {
    finishWorkerForShutdown();
    finishRedundantWork();
    destroyPuzzle(uiState.puzzle);
    uiState.puzzle = nullptr;
    KillTimer(windowLayout.leftPane, TICK_TIMER_ID);
    PostQuitMessage(0);
    return 0;
}

} // namespace

ATOM registerPaneClass(HINSTANCE instance, WNDPROC windowProc, const wchar_t* className,
                       const wchar_t* menuName) {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = windowProc;
    wc.hInstance = instance;
    // The program's own icon, where the executable carries it.
    HICON icon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_NUMPL));
    wc.hIcon = icon != nullptr ? icon : LoadIconW(nullptr, IDI_APPLICATION);
    // The title bar's small icon from the image drawn for that size, not the
    // large one shrunk.
    HANDLE small = LoadImageW(instance, MAKEINTRESOURCEW(IDI_NUMPL), IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                              GetSystemMetrics(SM_CYSMICON), 0);
    wc.hIconSm = small != nullptr ? static_cast<HICON>(small) : wc.hIcon;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_MENU + 1));
    wc.lpszMenuName = menuName;
    wc.lpszClassName = className;
    return RegisterClassExW(&wc);
}

HWND openMainFrame(HINSTANCE instance, int showCommand) {
    if (registerPaneClass(instance, frameWindowProc, FRAME_CLASS, MAKEINTRESOURCEW(IDR_MAIN_MENU)) == 0 &&
        GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        return nullptr;
    HWND frame = CreateWindowExW(0, FRAME_CLASS, FRAME_TITLE, WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                                 nullptr, instance, nullptr);
    if (frame == nullptr) return nullptr;
    ShowWindow(frame, showCommand);
    UpdateWindow(frame);
    SetFocus(frame);
    return frame;
}

LRESULT CALLBACK frameWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_CREATE: return onFrameCreate(hwnd);
    case WM_SIZE: layoutPanes(); return 0;
    case WM_PAINT: return paintNothing(hwnd);
    case WM_CLOSE: DestroyWindow(hwnd); return 0;
    case WM_COMMAND: return onFrameCommand(hwnd, wParam, lParam);
    case WM_DESTROY: return onFrameDestroy();
    case WM_NCDESTROY: releaseDisplayFonts(); return DefWindowProcW(hwnd, msg, wParam, lParam);
    case WM_DPICHANGED: return onDpiChanged(hwnd, wParam, lParam);
    case WM_INITMENUPOPUP: return onInitMenuPopup(reinterpret_cast<HMENU>(wParam));
    case WM_DROPFILES: openDroppedFile(reinterpret_cast<HDROP>(wParam)); return 0;
    case WM_APP_OPEN_AT_START: openStartFile(); return 0;
    // The frame has no use for keys or the mouse, and the default handling
    // would only act on them.
    case WM_KEYDOWN:
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_MOUSEWHEEL: return 0;
    default: return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}

bool translateShortcut(HWND frame, MSG* msg) {
    static HACCEL shortcuts = LoadAcceleratorsW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_SHORTCUTS));
    return frame != nullptr && shortcuts != nullptr && TranslateAcceleratorW(frame, shortcuts, msg) != 0;
}

// The client size at the frame's DPI, cut down to the work area of the
// monitor the frame opens on, so that no part of it starts off screen.
int centreFrame(HWND frame) {
    RECT rect = {0, 0, scaled(CLIENT_WIDTH), scaled(CLIENT_HEIGHT)};
    adjustFrameRect(&rect);
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;
    RECT work = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    if (GetMonitorInfoW(MonitorFromWindow(frame, MONITOR_DEFAULTTOPRIMARY), &monitor)) work = monitor.rcWork;
    int workWidth = work.right - work.left;
    int workHeight = work.bottom - work.top;
    if (width > workWidth) width = workWidth;
    if (height > workHeight) height = workHeight;
    MoveWindow(frame, work.left + (workWidth - width) / 2, work.top + (workHeight - height) / 2, width, height,
               FALSE);
    return 1;
}

void checkZoomItem() {
    if (windowLayout.frame == nullptr) return;
    CheckMenuRadioItem(GetMenu(windowLayout.frame), IDM_ZOOM_100, IDM_ZOOM_FIT, displayScale.zoomCommand,
                       MF_BYCOMMAND);
}

// The left pane's sizing border lies outside the client area except on the
// right, where it is the splitter the user drags.
void layoutPanes() {
    WindowLayout& layout = windowLayout;
    layout.layoutBusy = 1;
    if (layout.frame == nullptr || layout.leftPane == nullptr || layout.rightPane == nullptr) {
        layout.layoutBusy = 0;
        return;
    }
    RECT client;
    GetClientRect(layout.frame, &client);
    int clientWidth = client.right - client.left;
    int clientHeight = client.bottom - client.top;
    RECT leftRect;
    GetWindowRect(layout.leftPane, &leftRect);
    int width = leftRect.right - leftRect.left;
    int frameY = frameMetric(SM_CYFRAME);
    int frameX = frameMetric(SM_CXFRAME);
    int minLeft = scaled(MIN_LEFT_WIDTH);
    int minRight = scaled(MIN_RIGHT_WIDTH);
    if (width < minLeft) width = minLeft;
    if (frameX - width + clientWidth < minRight) width = clientWidth - minRight + frameX;
    if (width < minLeft) width = clientWidth * 700 / 1000;
    MoveWindow(layout.leftPane, -frameX, -frameY, width, clientHeight + 2 * frameY, TRUE);
    MoveWindow(layout.rightPane, width - frameX, 0, frameX + clientWidth - width, clientHeight, TRUE);
    placeCells();
    layout.layoutBusy = 0;
}

void resetLayout() {
    MoveWindow(windowLayout.leftPane, 0, 0, scaled(MIN_LEFT_WIDTH), 0, FALSE);
    layoutPanes();
}

int frameMetric(int index) {
    using ForDpi = int(WINAPI*)(int, UINT);
    static const auto forDpi = user32Function<ForDpi>("GetSystemMetricsForDpi");
    return forDpi != nullptr ? forDpi(index, displayScale.dpi) : GetSystemMetrics(index);
}

void adjustFrameRect(RECT* rect) {
    using ForDpi = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
    static const auto forDpi = user32Function<ForDpi>("AdjustWindowRectExForDpi");
    if (forDpi == nullptr || !forDpi(rect, WS_OVERLAPPEDWINDOW, FALSE, 0, displayScale.dpi))
        AdjustWindowRect(rect, WS_OVERLAPPEDWINDOW, FALSE);
}

LRESULT paintNothing(HWND hwnd) {
    PAINTSTRUCT paint;
    BeginPaint(hwnd, &paint);
    EndPaint(hwnd, &paint);
    return 0;
}

} // namespace numpl

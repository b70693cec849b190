// The top-level window "ナンプレ": its class, its creation (shared by WinMain
// and the UI tests), the layout of the two panes and the shutdown.
#ifndef NUMPL_UI_FRAME_H
#define NUMPL_UI_FRAME_H

#include <windows.h>

namespace numpl {

// Registers the frame class (an existing registration is reused), creates
// the frame with its panes and timer, shows it and gives it the focus.
// Returns the frame, or null when the window cannot be created.
HWND openMainFrame(HINSTANCE instance, int showCommand);

LRESULT CALLBACK frameWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// Ctrl+O, Ctrl+S, Ctrl+Z and Ctrl+Y wherever the focus is; true when msg was one of them and
// has been handled (the message loop then neither translates nor dispatches it).
bool translateShortcut(HWND frame, MSG* msg);

// RegisterClassExW with the settings all three classes share; the class
// atom, 0 on failure.
ATOM registerPaneClass(HINSTANCE instance, WNDPROC windowProc, const wchar_t* className,
                       const wchar_t* menuName);

// Moves the frame to the middle of its monitor's work area with a 1024 x 768
// client area at 96 DPI, scaled for the display (the menu bar comes out of
// the height), and no larger than the work area. Returns 1.
int centreFrame(HWND frame);

// Puts the radio check of 表示 -> 拡大率 on the zoom in use.
void checkZoomItem();

// A system metric of the window frame at the display's DPI.
int frameMetric(int index);

// The frame's outer rectangle for a client rectangle at the display's DPI.
void adjustFrameRect(RECT* rect);

// Places the panes by the splitter rules and, when a grid exists, the cells.
void layoutPanes();

// Starts the left pane at its narrowest (700 at 96 DPI) and lays out again;
// for a new grid and the first layout.
void resetLayout();

// WM_PAINT of the frame and the left pane: validates the area, draws nothing.
LRESULT paintNothing(HWND hwnd);

} // namespace numpl

#endif

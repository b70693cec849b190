// How big the window draws itself: the display's DPI, the zoom of the grid
// and the fonts made for both. Every position and size of the window is a
// 96-DPI value scaled here, so at 96 DPI and 100 % nothing moves.
#ifndef NUMPL_UI_DISPLAY_SCALE_H
#define NUMPL_UI_DISPLAY_SCALE_H

#include <windows.h>

#include <cstdint>

namespace numpl {

constexpr int32_t BASE_DPI = 96;

// The grid at 100 % and 96 DPI: cells on a 25-pixel pitch, 2 more pixels
// between boxes, starting at (5, 50) below the size buttons.
constexpr int32_t BASE_CELL_PITCH = 25;
constexpr int32_t BASE_BOX_GAP = 2;
constexpr int32_t BASE_GRID_LEFT = 5;
constexpr int32_t BASE_GRID_TOP = 50;

struct DisplayScale {
    int32_t dpi;           // of the frame's monitor
    int32_t zoomCommand;   // IDM_ZOOM_100, _150, _200 or _FIT: the user's choice
    int32_t cellPitch;     // what the last layout gave the cells, after fitting
    int32_t boxGap;        // extra pixels between boxes at that pitch
    HFONT uiFont;          // labels, buttons and fields, made for dpi
    HFONT cellFont;        // the cells' numbers, made for cellFontPitch
    int32_t cellFontPitch; // 0 until a cell font exists
};

extern DisplayScale displayScale;

// Where the grid goes in a pane of the given client size.
struct GridPlacement {
    int32_t pitch;
    int32_t gap;
    int32_t left;
    int32_t top;
};

// A function of user32 that older Windows may lack; null there.
template <typename Function>
Function user32Function(const char* name) {
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    return user32 == nullptr ? nullptr
                             : reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user32, name)));
}

// The window's DPI: GetDpiForWindow where Windows has it, else the logical
// pixels of its device context.
int32_t dpiOf(HWND window);

// A 96-DPI length at the current DPI.
int32_t scaled(int32_t length);

// 100, 150 or 200 for the zoom commands, 0 for "fit the window" (and for
// anything else).
int32_t zoomPercent(int32_t zoomCommand);

// The pitch the zoom asks for at this DPI, shrunk until an N x N grid of box
// order n fits a pane client of paneWidth x paneHeight (fit: the largest
// that fits). Never below 8 pixels, so a tiny window still shows digits.
GridPlacement placeGrid(int32_t boxOrder, int32_t paneWidth, int32_t paneHeight, int32_t dpi,
                        int32_t zoomCommand);

// Replaces the fonts for a new DPI (the cell font follows at the next
// layout). Keeps the zoom.
void setDisplayDpi(int32_t dpi);

// The cells' font for a pitch; made again only when the pitch changed.
HFONT cellFontFor(int32_t pitch);

// Frees both fonts; the frame's end.
void releaseDisplayFonts();

} // namespace numpl

#endif

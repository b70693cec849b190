// DPI, zoom and fonts of the window. The newer per-monitor functions are
// looked up at run time, so the program still starts where Windows lacks
// them (they arrived with Windows 10 1607).
#include "ui/display_scale.h"

#include "ui/control_ids.h"

namespace numpl {

DisplayScale displayScale = {BASE_DPI, IDM_ZOOM_100, BASE_CELL_PITCH, BASE_BOX_GAP, nullptr, nullptr, 0};

namespace {

constexpr int32_t SMALLEST_PITCH = 8;
constexpr int32_t FIT_PITCH_LIMIT = 400;  // "fit" starts its search here

int32_t screenDpi() {
    HDC screen = GetDC(nullptr);
    int32_t dpi = screen == nullptr ? BASE_DPI : GetDeviceCaps(screen, LOGPIXELSY);
    if (screen != nullptr) ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : BASE_DPI;
}

// The message font of the user's settings, at `dpi`.
LOGFONTW messageFont(int32_t dpi) {
    using ForDpi = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);
    static const auto forDpi = user32Function<ForDpi>("SystemParametersInfoForDpi");
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof metrics;
    if (forDpi != nullptr && forDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi))
        return metrics.lfMessageFont;
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
        metrics.lfMessageFont.lfHeight = MulDiv(metrics.lfMessageFont.lfHeight, dpi, screenDpi());
        return metrics.lfMessageFont;
    }
    LOGFONTW font = {};
    font.lfHeight = -MulDiv(9, dpi, 72);
    font.lfCharSet = DEFAULT_CHARSET;
    return font;
}

void deleteFont(HFONT* font) {
    if (*font != nullptr) DeleteObject(*font);
    *font = nullptr;
}

int32_t gapFor(int32_t pitch) {
    int32_t gap = MulDiv(pitch, BASE_BOX_GAP, BASE_CELL_PITCH);
    return gap < 1 ? 1 : gap;
}

// Pixels an N x N grid takes along one side.
int32_t gridExtent(int32_t boxOrder, int32_t pitch) {
    return boxOrder * boxOrder * pitch + (boxOrder - 1) * gapFor(pitch);
}

} // namespace

int32_t dpiOf(HWND window) {
    using ForWindow = UINT(WINAPI*)(HWND);
    static const auto forWindow = user32Function<ForWindow>("GetDpiForWindow");
    int32_t dpi = forWindow != nullptr && window != nullptr ? static_cast<int32_t>(forWindow(window)) : 0;
    if (dpi > 0) return dpi;
    HDC dc = GetDC(window);
    if (dc != nullptr) {
        dpi = GetDeviceCaps(dc, LOGPIXELSX);
        ReleaseDC(window, dc);
    }
    return dpi > 0 ? dpi : BASE_DPI;
}

int32_t scaled(int32_t length) {
    return MulDiv(length, displayScale.dpi, BASE_DPI);
}

int32_t zoomPercent(int32_t zoomCommand) {
    switch (zoomCommand) {
    case IDM_ZOOM_100: return 100;
    case IDM_ZOOM_150: return 150;
    case IDM_ZOOM_200: return 200;
    default: return 0;
    }
}

GridPlacement placeGrid(int32_t boxOrder, int32_t paneWidth, int32_t paneHeight, int32_t dpi,
                        int32_t zoomCommand) {
    GridPlacement placement;
    placement.left = MulDiv(BASE_GRID_LEFT, dpi, BASE_DPI);
    placement.top = MulDiv(BASE_GRID_TOP, dpi, BASE_DPI);
    int32_t percent = zoomPercent(zoomCommand);
    int32_t pitch = percent == 0 ? FIT_PITCH_LIMIT : MulDiv(BASE_CELL_PITCH, dpi * percent, BASE_DPI * 100);
    // The grid keeps the margin of its top-left corner at its other two
    // sides too.
    int32_t roomX = paneWidth - 2 * placement.left;
    int32_t roomY = paneHeight - placement.top - placement.left;
    while (pitch > SMALLEST_PITCH &&
           (gridExtent(boxOrder, pitch) > roomX || gridExtent(boxOrder, pitch) > roomY))
        --pitch;
    placement.pitch = pitch;
    placement.gap = gapFor(pitch);
    return placement;
}

void setDisplayDpi(int32_t dpi) {
    displayScale.dpi = dpi > 0 ? dpi : BASE_DPI;
    deleteFont(&displayScale.uiFont);
    LOGFONTW font = messageFont(displayScale.dpi);
    displayScale.uiFont = CreateFontIndirectW(&font);
    deleteFont(&displayScale.cellFont);
    displayScale.cellFontPitch = 0;
}

// The digits take a little over half the pitch, so that two of them fit a
// cell side by side at every size.
HFONT cellFontFor(int32_t pitch) {
    if (displayScale.cellFont != nullptr && displayScale.cellFontPitch == pitch) return displayScale.cellFont;
    deleteFont(&displayScale.cellFont);
    LOGFONTW font = messageFont(displayScale.dpi);
    font.lfHeight = -MulDiv(pitch, 14, BASE_CELL_PITCH);
    font.lfWidth = 0;
    font.lfWeight = FW_NORMAL;
    displayScale.cellFont = CreateFontIndirectW(&font);
    displayScale.cellFontPitch = pitch;
    return displayScale.cellFont;
}

void releaseDisplayFonts() {
    deleteFont(&displayScale.uiFont);
    deleteFont(&displayScale.cellFont);
    displayScale.cellFontPitch = 0;
}

} // namespace numpl

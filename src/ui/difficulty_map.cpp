// The difficulty map's cell colours, its legend and its menu item. The map
// itself is the one the analysis publishes with the first solution, so it
// shows only while that solution belongs to the givens on screen, and a
// change of the givens takes it away until the next first solution.
#include "ui/difficulty_map.h"

#include <cwchar>

#include "model/board.h"
#include "ui/analysis_controls.h"
#include "ui/display_scale.h"
#include "ui/grid_editor.h"
#include "ui/puzzle_exchange.h"
#include "ui/ui_state.h"

namespace numpl {

namespace {

struct StageLook {
    int32_t stage;
    COLORREF colour;
    const wchar_t* label;
};

// In the order of the difficulty text's lines, with their words, so that
// the legend reads as a key to those lines. Singles stay white: most cells
// of most puzzles are singles, and the harder stages stand out against them.
constexpr int STAGE_LOOK_COUNT = 5;
const StageLook STAGE_LOOKS[STAGE_LOOK_COUNT] = {
    {STAGE_SINGLES, 0x00FFFFFF, L"単独候補マス"},      // white
    {STAGE_LOCKED, 0x00B4DCFF, L"基本的な消去法"},     // RGB(255, 220, 180)
    {STAGE_PAIRS, 0x00BEBEFF, L"2国同盟，3国同盟"},    // RGB(255, 190, 190)
    {STAGE_TRIAL, 0x00FFBEDC, L"仮定法"},              // RGB(220, 190, 255)
    {STAGE_BRANCH, 0x00BEBEBE, L"しらみつぶしの分岐"}, // RGB(190, 190, 190)
};

// The legend at 96 DPI: a heading, then one row per stage with a framed
// swatch (the frame keeps the white one visible on the pane) and its label,
// below the difficulty text, which gives up the room while the map is on.
const wchar_t LEGEND_HEADING[] = L"難易度マップ";
constexpr int32_t LEGEND_TOP = 280;
constexpr int32_t LEGEND_FIRST_ROW = 300;
constexpr int32_t LEGEND_ROW_PITCH = 22;
constexpr int32_t SWATCH_SIZE = 16;
constexpr int32_t LABEL_X = 24;
constexpr int32_t DIFFICULTY_HEIGHT_WITH_MAP = 150;

// Made once: the cells ask for their brush at every paint.
HBRUSH brushOf(int index) {
    static HBRUSH brushes[STAGE_LOOK_COUNT] = {};
    if (brushes[index] == nullptr) brushes[index] = CreateSolidBrush(STAGE_LOOKS[index].colour);
    return brushes[index];
}

void setMapShown(int32_t shown) {
    if (uiState.mapShown == shown) return;
    uiState.mapShown = shown;
    invalidateAllCells();
    layoutRightPane();
}

} // namespace

bool runMapCommand(int id) {
    if (id != IDM_DIFFICULTY_MAP) return false;
    // The map and the second solution's marks share the cells' backgrounds:
    // one at a time.
    if (uiState.mapShown == 0) forgetDifferences();
    setMapShown(uiState.mapShown == 0 ? 1 : 0);
    return true;
}

void updateMapMenu(HMENU menu) {
    CheckMenuItem(menu, IDM_DIFFICULTY_MAP, MF_BYCOMMAND | (uiState.mapShown == 1 ? MF_CHECKED : MF_UNCHECKED));
}

void hideDifficultyMap() { setMapShown(0); }

HBRUSH mapBrushOf(int32_t k, COLORREF* colour) {
    Puzzle* puzzle = uiState.puzzle;
    int32_t side = gridSide();
    if (uiState.mapShown == 0 || puzzle == nullptr || k < 0 || k >= side * side) return nullptr;
    if (puzzle->givens[k / side][k % side] != 0 || visibleCount(puzzle) == 0) return nullptr;
    int32_t stage = puzzle->stageMap[k / side][k % side];
    for (int i = 0; i < STAGE_LOOK_COUNT; ++i) {
        if (STAGE_LOOKS[i].stage != stage) continue;
        *colour = STAGE_LOOKS[i].colour;
        return brushOf(i);
    }
    return nullptr;
}

int32_t difficultyBoxHeight(int32_t fullHeight) {
    return uiState.mapShown == 1 ? DIFFICULTY_HEIGHT_WITH_MAP : fullHeight;
}

void paintMapLegend(HDC dc) {
    if (uiState.mapShown == 0) return;
    TextOutW(dc, 0, scaled(LEGEND_TOP), LEGEND_HEADING, static_cast<int>(wcslen(LEGEND_HEADING)));
    HGDIOBJ oldPen = SelectObject(dc, GetStockObject(BLACK_PEN));
    for (int i = 0; i < STAGE_LOOK_COUNT; ++i) {
        int32_t top = scaled(LEGEND_FIRST_ROW + LEGEND_ROW_PITCH * i);
        HGDIOBJ oldBrush = SelectObject(dc, brushOf(i));
        Rectangle(dc, 0, top, scaled(SWATCH_SIZE), top + scaled(SWATCH_SIZE));
        SelectObject(dc, oldBrush);
        const wchar_t* label = STAGE_LOOKS[i].label;
        TextOutW(dc, scaled(LABEL_X), top, label, static_cast<int>(wcslen(label)));
    }
    SelectObject(dc, oldPen);
}

} // namespace numpl

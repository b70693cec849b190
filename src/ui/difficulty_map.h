// The difficulty map: while "難易度マップ" is checked, each empty cell's
// background shows the stage that placed its digit on the way to the first
// solution, and the right pane shows what the colours mean. It reads the
// stage map that the analysis publishes with the first solution. Everything
// here runs on the UI thread.
#ifndef NUMPL_UI_DIFFICULTY_MAP_H
#define NUMPL_UI_DIFFICULTY_MAP_H

#include <windows.h>

#include <cstdint>

namespace numpl {

// "難易度マップ": turns the map on or off; false for any other id.
bool runMapCommand(int id);

// Checks the item while the map is on (WM_INITMENUPOPUP of the frame).
void updateMapMenu(HMENU menu);

// Turns the map off, for "別解との違い", which takes the cells' colours.
void hideDifficultyMap();

// The brush and colour of cell k's stage while the map is shown, the cell is
// empty and the first solution of the givens of now is published; nullptr
// otherwise.
HBRUSH mapBrushOf(int32_t k, COLORREF* colour);

// The height of the difficulty text at 96 DPI: fullHeight, or less while
// the map is on, so that the legend below it is not covered.
int32_t difficultyBoxHeight(int32_t fullHeight);

// Draws the legend into the right pane's paint while the map is on.
void paintMapLegend(HDC dc);

} // namespace numpl

#endif

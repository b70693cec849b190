// The left pane: size buttons, the N x N cells, arrow-key movement, reading
// the cells into the givens with the conflict rules, cell colours, and
// writing the stored solution into the cells and taking it out again.
#ifndef NUMPL_UI_GRID_EDITOR_H
#define NUMPL_UI_GRID_EDITOR_H

#include <windows.h>

#include <cstdint>

#include "analysis/puzzle.h"

namespace numpl {

LRESULT CALLBACK leftPaneProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// Every cell runs through this first: it remembers the cell as currentCell
// and hands arrow keys to the left pane instead of the EDIT control.
LRESULT CALLBACK cellSubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// Moves the focus from currentCell by one arrow key, wrapping within the row
// or column. Other keys do nothing.
void moveFocus(WPARAM key);

// Switches the grid to box order n with fresh empty cells and a new Puzzle.
// While a worker runs it asks it to stop, re-posts the command (wParam,
// lParam) to the left pane and returns false; the grid stays as it is.
bool rebuildGrid(int32_t boxOrder, WPARAM wParam, LPARAM lParam);

// Reads every cell into the givens, erasing texts that are no number 1..N
// and refusing entries while a conflict is shown. Returns 1 when a given
// changed, else 0 (always 0 without a Puzzle).
int32_t scanGrid();

// Puts the grid into the conflict state for a repeated digit, cell k in
// red: the count "0", no solution to show, and a running analysis cancelled
// and followed by one that ends at "0".
void showConflict(Puzzle* puzzle, int32_t k);

// While the solution is shown, puts back every cell text that differs from it.
void enforceSolution();

// Writes the stored solution into the empty cells; false when no solution
// has been found yet.
bool showSolution();

// Empties the cells that showSolution filled.
void hideSolution();

// Has every cell of the grid repainted, from the message loop: colours
// follow the givens, the conflict and the marking of differences.
void invalidateAllCells();

// Places the cells of the current grid in the left pane (part of a layout
// pass), at the pitch that the DPI and the zoom ask for and the pane allows.
void placeCells();

// Gives a cell the font of the digits.
void letterCell(HWND cell, HFONT font);

// Places and letters the size buttons for the display's DPI.
void layoutSizeButtons();

// The background colour for a cell's text: light blue for a given, red for
// the marked cell in a conflict, the window colour otherwise. Returns the
// window brush.
LRESULT colourCell(HDC dc, HWND cell);

} // namespace numpl

#endif

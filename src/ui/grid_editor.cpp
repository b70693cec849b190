// The grid editor of the left pane. Everything here runs on the UI thread;
// the worker only reads the cells and markedCell, which change only while no
// worker exists (cells) or are atomics (markedCell, conflictShown).
#include "ui/grid_editor.h"

#include <cstdlib>
#include <cwchar>

#include "ui/analysis_controls.h"
#include "ui/difficulty_map.h"
#include "ui/display_scale.h"
#include "ui/edit_history.h"
#include "ui/frame.h"
#include "ui/puzzle_exchange.h"
#include "ui/redundant_marks.h"
#include "ui/ui_state.h"

namespace numpl {

namespace {

constexpr DWORD CELL_STYLE = WS_CHILD | WS_VISIBLE | WS_BORDER | ES_NUMBER | ES_AUTOHSCROLL;
constexpr DWORD SIZE_BUTTON_STYLE = WS_CHILD | WS_VISIBLE | BS_AUTORADIOBUTTON;
constexpr int SIZE_BUTTON_Y = 5;
constexpr int SIZE_BUTTON_WIDTH = 70;
constexpr int SIZE_BUTTON_HEIGHT = 30;
constexpr WPARAM CTRL_Z = 0x1A;  // the characters that Ctrl+Z and Ctrl+Y type
constexpr WPARAM CTRL_Y = 0x19;

struct SizeButton {
    int id;
    const wchar_t* text;
    int x;
    int32_t boxOrder;
};

const SizeButton SIZE_BUTTONS[3] = {
    {SIZE_BUTTON_9, L"9x9", 10, 3},
    {SIZE_BUTTON_16, L"16x16", 80, 4},
    {SIZE_BUTTON_25, L"25x25", 150, 5},
};

HINSTANCE instanceOf(HWND window) {
    return reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(window, GWLP_HINSTANCE));
}

// Cell text read as _wtoi reads it; the raw text stays in `text`.
int32_t readCell(HWND cell, wchar_t (&text)[TEXT_BUFFER]) {
    text[0] = L'\0';
    GetWindowTextW(cell, text, TEXT_BUFFER);
    return _wtoi(text);
}

void repaintCell(HWND cell) {
    InvalidateRect(cell, nullptr, TRUE);
    UpdateWindow(cell);
}

LRESULT onLeftCreate(HWND pane, WPARAM wParam, LPARAM lParam) {
    for (int i = 0; i < 3; ++i) {
        const SizeButton& button = SIZE_BUTTONS[i];
        windowLayout.sizeButtons[i] =
            CreateWindowExW(0, L"BUTTON", button.text, SIZE_BUTTON_STYLE, 0, 0, 1, 1, pane,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(button.id)), instanceOf(pane), nullptr);
    }
    layoutSizeButtons();
    CheckRadioButton(pane, SIZE_BUTTON_9, SIZE_BUTTON_25, SIZE_BUTTON_9);
    // The first grid is built from the message loop, once the frame exists.
    PostMessageW(pane, WM_COMMAND, wParam, lParam);
    windowLayout.boxOrder = 0;
    for (HWND& cell : windowLayout.cells) cell = nullptr;
    return 0;
}

LRESULT onLeftSize() {
    // Only the user's drag of the splitter gets here with layoutBusy 0; the
    // moves of a layout pass itself must not start another one.
    if (windowLayout.layoutBusy == 0) layoutPanes();
    return 0;
}

// Any WM_COMMAND gets here: the size buttons, the cells' notifications, the
// first build and the re-posted attempts of a stopped rebuild. A click on the
// size already shown changes nothing.
LRESULT evaluateSizeButtons(HWND pane, WPARAM wParam, LPARAM lParam) {
    for (const SizeButton& button : SIZE_BUTTONS) {
        if (IsDlgButtonChecked(pane, button.id) != BST_CHECKED) continue;
        if (windowLayout.boxOrder == button.boxOrder && uiState.stopPending == 0) continue;
        if (!rebuildGrid(button.boxOrder, wParam, lParam)) break;
    }
    return 0;
}

void createCell(HWND pane, int32_t k) {
    HWND cell = CreateWindowExW(0, L"EDIT", L"", CELL_STYLE, 0, 0, 1, 1, pane,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(CELL_ID_BASE + k)),
                                instanceOf(pane), nullptr);
    windowLayout.cells[k] = cell;
    uiState.savedCellProc[k] = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(cell, GWLP_WNDPROC));
    SetWindowLongPtrW(cell, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(cellSubclassProc));
    if (displayScale.cellFont != nullptr) letterCell(cell, displayScale.cellFont);
}

// The stop never waits: it asks the worker to end and tries again from the
// message loop 10 ms later, so the worker's own window calls can complete.
void requestStop(HWND pane, WPARAM wParam, LPARAM lParam) {
    SetWindowTextW(windowLayout.countBox, L"解析処理停止中");
    uiState.stopPending = 1;
    if (Puzzle* puzzle = uiState.puzzle) requestCancel(puzzle);
    Sleep(10);
    PostMessageW(pane, WM_COMMAND, wParam, lParam);
}

// One changed given (scanGrid step for cell k): the marking and refusing
// rules, then the duplicate check on the whole grid.
void acceptChange(Puzzle* puzzle, int32_t k, int32_t value) {
    int32_t side = gridSide();
    HWND cell = windowLayout.cells[k];
    int32_t conflict = uiState.conflictShown.load(std::memory_order_relaxed);
    if (value == 0) {
        if (conflict == 0) uiState.markedCell.store(-1, std::memory_order_relaxed);
    } else if (conflict == 0) {
        uiState.markedCell.store(k, std::memory_order_relaxed);
    } else if (k != uiState.markedCell.load(std::memory_order_relaxed)) {
        // While a conflict is shown only the marked cell may take a number.
        SetWindowTextW(cell, L"");
        writeGiven(puzzle, k / side, k % side, 0);
    }
    uiState.conflictShown.store(0, std::memory_order_relaxed);
    if (checkGivens(puzzle) != -1) return;
    showConflict(puzzle, k);
}

} // namespace

// Only invalidated, not painted at once: painting 625 cells on the spot held
// a 25x25 grid still for seconds. The pending paints fold into one per cell,
// which shows the same colours.
void invalidateAllCells() {
    int32_t cellCount = gridSide() * gridSide();
    for (int32_t k = 0; k < cellCount; ++k) InvalidateRect(windowLayout.cells[k], nullptr, TRUE);
}

void showConflict(Puzzle* puzzle, int32_t k) {
    uiState.conflictShown.store(1, std::memory_order_relaxed);
    repaintCell(windowLayout.cells[k]);
    SetWindowTextW(windowLayout.countBox, L"0");
    // The stored solution belongs to givens that no longer stand; "解を表示"
    // must not show it next to the count "0".
    puzzle->solutionCount.store(0, std::memory_order_relaxed);
    if (workerRunning()) {
        SetWindowTextW(windowLayout.countBox, L"0");
        uiState.restartPending = 1;
        requestCancel(puzzle);
    }
}

LRESULT CALLBACK leftPaneProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_CREATE: return onLeftCreate(hwnd, wParam, lParam);
    case WM_SIZE: return onLeftSize();
    case WM_PAINT: return paintNothing(hwnd);
    case WM_KEYDOWN: moveFocus(wParam); return 0;
    case WM_COMMAND: return evaluateSizeButtons(hwnd, wParam, lParam);
    case WM_TIMER:
        analysisTick();
        redundantTick();
        return 0;
    case WM_CTLCOLOREDIT: return colourCell(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    default: return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}

LRESULT CALLBACK cellSubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    int32_t k = GetDlgCtrlID(hwnd) - CELL_ID_BASE;
    if (k < 0 || k >= MAX_CELLS) return DefWindowProcW(hwnd, msg, wParam, lParam);
    uiState.currentCell = k;
    // Arrow keys move between cells, so the EDIT control must never see them
    // (the caret does not move inside a cell).
    bool arrow = wParam == VK_LEFT || wParam == VK_UP || wParam == VK_RIGHT || wParam == VK_DOWN;
    if (msg == WM_KEYDOWN && arrow && windowLayout.leftPane != nullptr) {
        PostMessageW(windowLayout.leftPane, WM_KEYDOWN, wParam, lParam);
        return 0;
    }
    // Ctrl+V and the context menu both arrive as WM_PASTE: a whole puzzle
    // goes into the grid, while one number is the cell's own business.
    if (msg == WM_PASTE && pasteFromClipboard()) return 0;
    // The control's own undo knows only its own text: Ctrl+Z, Ctrl+Y and the
    // context menu's undo take back and make again the grid's steps instead.
    // Ctrl+Z and Ctrl+Y reach a cell as characters only where the frame's
    // shortcuts are not translated.
    if (msg == WM_UNDO || msg == EM_UNDO || (msg == WM_CHAR && wParam == CTRL_Z)) {
        undoEdit();
        return TRUE;
    }
    if (msg == WM_CHAR && wParam == CTRL_Y) {
        redoEdit();
        return 0;
    }
    if (msg == WM_SETFOCUS) noteCellFocus(k);
    // Ctrl+C with nothing selected copies the whole puzzle; a selection is
    // copied by the control as always.
    if (msg == WM_COPY) {
        DWORD start = 0;
        DWORD end = 0;
        CallWindowProcW(uiState.savedCellProc[k], hwnd, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                        reinterpret_cast<LPARAM>(&end));
        if (start == end) {
            copyPuzzle();
            return 0;
        }
    }
    return CallWindowProcW(uiState.savedCellProc[k], hwnd, msg, wParam, lParam);
}

void moveFocus(WPARAM key) {
    int32_t side = gridSide();
    int32_t cellCount = side * side;
    int32_t c = uiState.currentCell;
    int32_t next;
    switch (key) {
    case VK_LEFT: next = c % side == 0 ? c - 1 + side : c - 1; break;
    case VK_RIGHT: next = c % side == side - 1 ? c + 1 - side : c + 1; break;
    case VK_UP: next = c - side < 0 ? c - side + cellCount : c - side; break;
    case VK_DOWN: next = c + side >= cellCount ? c + side - cellCount : c + side; break;
    default: return;
    }
    if (side == 0 || next < 0 || next >= cellCount) return;
    SetFocus(windowLayout.cells[next]);
}

bool rebuildGrid(int32_t boxOrder, WPARAM wParam, LPARAM lParam) {
    HWND pane = windowLayout.leftPane;
    if (uiState.workerThread != nullptr) {
        if (workerRunning()) {
            requestStop(pane, wParam, lParam);
            return false;
        }
        CloseHandle(uiState.workerThread);
        uiState.workerThread = nullptr;
        uiState.stopPending = 0;
    }
    noteGridRebuild(boxOrder);
    windowLayout.boxOrder = boxOrder;
    destroyPuzzle(uiState.puzzle);
    uiState.puzzle = puzzleFactory(boxOrder);
    // Without a Puzzle nothing is scanned or analysed; an old count must not
    // stand beside the new grid. The next size change tries again.
    if (uiState.puzzle == nullptr) SetWindowTextW(windowLayout.countBox, L"");
    uiState.gridFresh = 1;
    // A conflict of the old grid has no cell in the new one.
    uiState.conflictShown.store(0, std::memory_order_relaxed);
    uiState.markedCell.store(-1, std::memory_order_relaxed);
    for (int32_t k = 0; k < MAX_CELLS; ++k) {
        uiState.shownMarks[k / MAX_SIDE][k % MAX_SIDE] = 0;
        if (windowLayout.cells[k] == nullptr) continue;
        DestroyWindow(windowLayout.cells[k]);
        windowLayout.cells[k] = nullptr;
    }
    int32_t side = boxOrder * boxOrder;
    for (int32_t k = 0; k < side * side; ++k) createCell(pane, k);
    resetLayout();
    if (uiState.solutionShown == 1) PostMessageW(windowLayout.rightPane, WM_COMMAND, HIDE_BUTTON_ID, 0);
    uiState.differencesShown = 0;
    fillPendingPuzzle();
    return true;
}

int32_t scanGrid() {
    Puzzle* puzzle = uiState.puzzle;
    if (puzzle == nullptr) return 0;
    int32_t side = gridSide();
    int32_t changed = 0;
    wchar_t text[TEXT_BUFFER];
    for (int32_t k = 0; k < side * side; ++k) {
        HWND cell = windowLayout.cells[k];
        int32_t value = readCell(cell, text);
        if (value > side || (value < 1 && text[0] != L'\0')) {
            SetWindowTextW(cell, L"");
            value = 0;
        }
        int32_t old = puzzle->givens[k / side][k % side];
        writeGiven(puzzle, k / side, k % side, value);
        // A shown conflict repaints every filled cell at each tick, so a
        // red cell stays red whatever the control painted meanwhile (as a
        // pending paint, for the reason given at invalidateAllCells).
        if (uiState.conflictShown.load(std::memory_order_relaxed) == 1 && value != 0)
            InvalidateRect(cell, nullptr, TRUE);
        if (value == old) continue;
        acceptChange(puzzle, k, value);
        noteCellEdit(k, old, readGiven(puzzle, k / side, k % side));
        changed = 1;
    }
    // Colours follow the givens and the conflict state, so every cell is
    // repainted once per scan that changed something. Under Wine each
    // invalidation is a round trip to the server: once per changed cell it
    // held a 25x25 grid that took hundreds of givens at once for seconds.
    if (changed == 1) {
        uiState.differencesShown = 0;
        invalidateAllCells();
    }
    return changed;
}

void enforceSolution() {
    Puzzle* puzzle = uiState.puzzle;
    if (visibleCount(puzzle) == 0) return;
    int32_t side = gridSide();
    wchar_t text[TEXT_BUFFER];
    for (int32_t k = 0; k < side * side; ++k) {
        int32_t wanted = puzzle->solution[k / side][k % side];
        if (readCell(windowLayout.cells[k], text) != wanted) setNumber(windowLayout.cells[k], wanted);
    }
}

bool showSolution() {
    Puzzle* puzzle = uiState.puzzle;
    if (visibleCount(puzzle) == 0) return false;
    uiState.solutionShown = 1;
    int32_t side = gridSide();
    for (int32_t r = 0; r < side; ++r) {
        for (int32_t c = 0; c < side; ++c) {
            if (puzzle->givens[r][c] != 0) continue;
            setNumber(windowLayout.cells[r * side + c], puzzle->solution[r][c]);
            uiState.shownMarks[r][c] = 1;
        }
    }
    return true;
}

void hideSolution() {
    uiState.solutionShown = 0;
    int32_t side = gridSide();
    for (int32_t r = 0; r < side; ++r) {
        for (int32_t c = 0; c < side; ++c) {
            if (uiState.shownMarks[r][c] != 1) continue;
            SetWindowTextW(windowLayout.cells[r * side + c], L"");
            uiState.shownMarks[r][c] = 0;
        }
    }
}

// At 96 DPI and 100 % the cells sit on a 25-pixel pitch with 2 extra
// pixels between boxes, below the size buttons; the pitch grows with the
// DPI and the zoom and shrinks until the grid fits the pane.
void placeCells() {
    int32_t n = windowLayout.boxOrder;
    if (n < 3 || n > MAX_BOX_ORDER || windowLayout.leftPane == nullptr) return;
    RECT pane;
    GetClientRect(windowLayout.leftPane, &pane);
    GridPlacement grid = placeGrid(n, pane.right - pane.left, pane.bottom - pane.top, displayScale.dpi,
                                   displayScale.zoomCommand);
    bool newFont = displayScale.cellFont == nullptr || displayScale.cellFontPitch != grid.pitch;
    HFONT font = cellFontFor(grid.pitch);
    displayScale.cellPitch = grid.pitch;
    displayScale.boxGap = grid.gap;
    int32_t side = n * n;
    for (int32_t i = 0; i < side; ++i) {
        for (int32_t j = 0; j < side; ++j) {
            HWND cell = windowLayout.cells[i * side + j];
            if (cell == nullptr) continue;
            if (newFont) letterCell(cell, font);
            MoveWindow(cell, grid.left + grid.pitch * j + grid.gap * (j / n),
                       grid.top + grid.pitch * i + grid.gap * (i / n), grid.pitch, grid.pitch, TRUE);
        }
    }
}

// The edit control's own margins are made for the stock font and take a
// third of a small cell; one pixel a side leaves room for two digits.
void letterCell(HWND cell, HFONT font) {
    SendMessageW(cell, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    SendMessageW(cell, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(1, 1));
}

void layoutSizeButtons() {
    for (int i = 0; i < 3; ++i) {
        HWND button = windowLayout.sizeButtons[i];
        if (button == nullptr) continue;
        MoveWindow(button, scaled(SIZE_BUTTONS[i].x), scaled(SIZE_BUTTON_Y), scaled(SIZE_BUTTON_WIDTH),
                   scaled(SIZE_BUTTON_HEIGHT), TRUE);
        SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(displayScale.uiFont), TRUE);
    }
}

// The control paints with the brush returned here; returning 0 instead would
// hand the colours to the default handling, which resets the background and
// (under Wine) loses the colour. Empty cells get the window colour explicitly
// for the same reason, so every cell is painted the same way.
LRESULT colourCell(HDC dc, HWND cell) {
    int32_t side = gridSide();
    int32_t k = GetDlgCtrlID(cell) - CELL_ID_BASE;
    Puzzle* puzzle = uiState.puzzle;
    // A marked difference or a stage of the map fills the whole cell, so
    // that it shows whether the cell is empty or shows the solution.
    if (cellMarkedAsDifferent(k)) {
        static HBRUSH differenceBrush = CreateSolidBrush(DIFFERENCE_COLOUR);
        SetBkColor(dc, DIFFERENCE_COLOUR);
        return reinterpret_cast<LRESULT>(differenceBrush);
    }
    COLORREF stageColour = 0;
    if (HBRUSH stageBrush = mapBrushOf(k, &stageColour)) {
        SetBkColor(dc, stageColour);
        return reinterpret_cast<LRESULT>(stageBrush);
    }
    // A given that could go is painted as a given is, in its own colour.
    if (cellMarkedAsRedundant(k)) {
        SetBkColor(dc, REDUNDANT_COLOUR);
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
    }
    COLORREF colour = GetSysColor(COLOR_WINDOW);
    if (puzzle != nullptr && k >= 0 && k < side * side && puzzle->givens[k / side][k % side] != 0) {
        bool marked = uiState.conflictShown.load(std::memory_order_relaxed) == 1 &&
                      k == uiState.markedCell.load(std::memory_order_relaxed);
        colour = marked ? CONFLICT_COLOUR : GIVEN_COLOUR;
    }
    SetBkColor(dc, colour);
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
}

} // namespace numpl

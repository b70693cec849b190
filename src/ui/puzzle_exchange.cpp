// Puzzles in and out of the window. Every way a whole puzzle comes in (paste,
// open, drop, the command line, emptying the grid, undo and redo) ends in
// fillGrid, which writes all givens at once so that exactly one analysis
// follows; a puzzle of another size first waits for the size change, which
// may have to stop a running analysis.
#include "ui/puzzle_exchange.h"

#include <commdlg.h>
#include <shellapi.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>

#include "analysis/puzzle_text.h"
#include "ui/difficulty_map.h"
#include "ui/edit_history.h"
#include "ui/file_replace.h"
#include "ui/grid_editor.h"
#include "ui/ui_state.h"

namespace numpl {

namespace {

const wchar_t CAPTION[] = L"ナンプレ";
// Larger files are no puzzle collection anyone types; reading them whole
// would only hold the window.
constexpr LONGLONG MAX_FILE_BYTES = 1 << 20;

std::wstring startFile;

void showMessage(const std::wstring& text) {
    MessageBoxW(windowLayout.frame, text.c_str(), CAPTION, MB_OK | MB_ICONWARNING);
}

std::wstring format(const wchar_t* pattern, int a = 0, int b = 0, int c = 0, int d = 0, int e = 0) {
    wchar_t text[512];
    swprintf(text, 512, pattern, a, b, c, d, e);
    return text;
}

// Why a text is no puzzle, as a sentence for the user.
std::wstring reasonOf(const PuzzleTextResult& result) {
    switch (result.error) {
    case TEXT_OK: break;
    case TEXT_NO_PUZZLE: return L"問題が見つかりません。";
    case TEXT_BAD_LENGTH:
        return format(L"テキストの %d 行目にマスが %d 個あります。1 行に 81、256、625 マス、または 1 行に 1 段 "
                      L"9、16、25 マスの形で書いてください。",
                      result.line, result.count);
    case TEXT_SHORT_ROW:
        return format(L"問題の %d 段目（テキストの %d 行目）のマスが %d 個しかありません。%d 個必要です。", result.row,
                      result.line, result.count, result.side);
    case TEXT_LONG_ROW:
        return format(L"問題の %d 段目（テキストの %d 行目）にマスが %d 個あります。%d 個のはずです。", result.row,
                      result.line, result.count, result.side);
    case TEXT_MISSING_ROWS:
        return format(L"問題が途中で終わっています。%d 段のうち %d 段しかありません。", result.side, result.count);
    case TEXT_BAD_NUMBER:
        return format(L"%d 行 %d 列の %d は使えません。この大きさの問題で使える数字は 1 から %d までです。",
                      result.row, result.column, result.value, result.side);
    }
    return L"問題として読めません。";
}

// The cells of a puzzle the window can take, or a message that says why not.
bool readForWindow(const char* text, size_t length, const wchar_t* source, int32_t* cells, int32_t* boxOrder) {
    PuzzleTextResult result = readPuzzleText(text, length, cells);
    if (result.error != TEXT_OK) {
        showMessage(std::wstring(source) + reasonOf(result));
        return false;
    }
    if (result.boxOrder < 3) {
        showMessage(std::wstring(source) + L"4x4 の問題はこのウィンドウでは扱えません。9x9、16x16、25x25 の問題を使ってください。");
        return false;
    }
    int32_t side = result.boxOrder * result.boxOrder;
    int32_t cell = 0;
    int32_t earlier = 0;
    if (findRepeatedDigit(result.boxOrder, cells, &cell, &earlier)) {
        showMessage(std::wstring(source) +
                    format(L"%d 行 %d 列の %d が、同じ行・列・ブロックの %d 行 %d 列と重なっています。", cell / side + 1,
                           cell % side + 1, cells[cell], earlier / side + 1, earlier % side + 1));
        return false;
    }
    *boxOrder = result.boxOrder;
    return true;
}

std::string toUtf8(const wchar_t* text, int length) {
    int bytes = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(bytes > 0 ? bytes : 0), '\0');
    if (bytes > 0) WideCharToMultiByte(CP_UTF8, 0, text, length, out.data(), bytes, nullptr, nullptr);
    return out;
}

// The clipboard's text, or false when it holds none.
bool clipboardText(std::wstring* text) {
    if (!IsClipboardFormatAvailable(CF_UNICODETEXT) || !OpenClipboard(windowLayout.frame)) return false;
    bool found = false;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
            // The text ends at its terminator or at the end of the block,
            // whichever comes first: a block without one must not be overrun.
            size_t limit = GlobalSize(data) / sizeof(wchar_t);
            text->assign(chars, wcsnlen(chars, limit));
            GlobalUnlock(data);
            found = true;
        }
    }
    CloseClipboard();
    return found;
}

bool putOnClipboard(const std::wstring& text) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
    if (block == nullptr) return false;
    auto* chars = static_cast<wchar_t*>(GlobalLock(block));
    wmemcpy(chars, text.c_str(), text.size() + 1);
    GlobalUnlock(block);
    if (!OpenClipboard(windowLayout.frame)) {
        GlobalFree(block);
        showMessage(L"クリップボードを開けませんでした。もう一度試してください。");
        return false;
    }
    EmptyClipboard();
    bool placed = SetClipboardData(CF_UNICODETEXT, block) != nullptr;
    CloseClipboard();
    if (!placed) GlobalFree(block);
    return placed;
}

// Nothing but decimal digits around blanks: what a cell took as a number
// before whole puzzles could be pasted.
bool isOneNumber(const std::wstring& text) {
    size_t first = text.find_first_not_of(L" \t\r\n");
    if (first == std::wstring::npos) return false;
    size_t last = text.find_last_not_of(L" \t\r\n");
    for (size_t i = first; i <= last; ++i) {
        if (text[i] < L'0' || text[i] > L'9') return false;
    }
    return true;
}

std::wstring oneLine(int32_t* const* grid) {
    char line[MAX_CELLS + 1];
    formatGrid(windowLayout.boxOrder, grid, line);
    return std::wstring(line, line + std::strlen(line));
}

// Hides the solution through the hide button, so the button changes too.
void hideShownSolution() {
    if (uiState.solutionShown == 1) SendMessageW(windowLayout.rightPane, WM_COMMAND, HIDE_BUTTON_ID, 0);
}

// True when the digit of cell k appears again in its row, column or box.
bool repeatsAPeer(int32_t n, const int32_t* cells, int32_t k) {
    int32_t side = n * n;
    int32_t r = k / side;
    int32_t c = k % side;
    for (int32_t j = 0; j < side * side; ++j) {
        if (j == k || cells[j] != cells[k]) continue;
        int32_t rj = j / side;
        int32_t cj = j % side;
        if (rj == r || cj == c || (rj / n == r / n && cj / n == c / n)) return true;
    }
    return false;
}

// A grid put back by undo may repeat a digit, as the grid did when it was
// typed. It is shown as a typed repeat is: the count "0" and, in red, the
// last cell that took its digit from the grid and repeats one (or the first
// repeat, when every such cell kept its digit).
void showRestoredConflict(Puzzle* puzzle, const int32_t* cells, const bool* took) {
    if (checkGivens(puzzle) != -1) return;
    int32_t n = windowLayout.boxOrder;
    int32_t marked = -1;
    for (int32_t k = n * n * n * n - 1; k >= 0 && marked == -1; --k) {
        if (took[k] && repeatsAPeer(n, cells, k)) marked = k;
    }
    int32_t earlier = 0;
    if (marked == -1) findRepeatedDigit(n, cells, &marked, &earlier);
    uiState.markedCell.store(marked, std::memory_order_relaxed);
    showConflict(puzzle, marked);
}

// All givens of the grid on screen at once. The old analysis is cancelled at
// once, so that no solution of the old givens can be shown or copied, and
// the next tick starts the one analysis of the new givens.
void fillGrid(const int32_t* cells) {
    Puzzle* puzzle = uiState.puzzle;
    if (puzzle == nullptr) return;
    hideShownSolution();
    int32_t side = gridSide();
    wchar_t text[TEXT_BUFFER];
    bool took[MAX_CELLS] = {};
    for (int32_t k = 0; k < side * side; ++k) {
        HWND cell = windowLayout.cells[k];
        text[0] = L'\0';
        GetWindowTextW(cell, text, TEXT_BUFFER);
        wchar_t wanted[16] = L"";
        if (cells[k] != 0) swprintf(wanted, 16, L"%d", cells[k]);
        if (std::wcscmp(text, wanted) != 0) SetWindowTextW(cell, wanted);
        took[k] = cells[k] != 0 && cells[k] != readGiven(puzzle, k / side, k % side);
        writeGiven(puzzle, k / side, k % side, cells[k]);
    }
    uiState.conflictShown.store(0, std::memory_order_relaxed);
    uiState.markedCell.store(-1, std::memory_order_relaxed);
    uiState.differencesShown = 0;
    if (workerRunning()) {
        requestCancel(puzzle);
    } else {
        puzzle->solutionCount.store(0, std::memory_order_relaxed);
    }
    uiState.gridFresh = 1;
    showRestoredConflict(puzzle, cells, took);
    invalidateAllCells();
}

// A checked size button and a size evaluation, as a click would run it. It
// is posted: a paste arrives inside a cell's own message, and that cell must
// not be destroyed under it. The grid is rebuilt from the message loop, or
// once a running analysis has stopped.
void changeSize(int32_t boxOrder) {
    static const int BUTTONS[] = {SIZE_BUTTON_9, SIZE_BUTTON_16, SIZE_BUTTON_25};
    int id = BUTTONS[boxOrder - 3];
    CheckRadioButton(windowLayout.leftPane, SIZE_BUTTON_9, SIZE_BUTTON_25, id);
    PostMessageW(windowLayout.leftPane, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(windowLayout.sizeButtons[boxOrder - 3]));
}

void takePuzzle(int32_t boxOrder, const int32_t* cells) {
    if (boxOrder == windowLayout.boxOrder && uiState.stopPending == 0) {
        uiState.pendingBoxOrder = 0;
        fillGrid(cells);
        return;
    }
    hideShownSolution();
    int32_t side = boxOrder * boxOrder;
    for (int32_t k = 0; k < side * side; ++k) uiState.pendingCells[k] = cells[k];
    uiState.pendingBoxOrder = boxOrder;
    changeSize(boxOrder);
}

bool readFile(const wchar_t* path, std::string* bytes) {
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        showMessage(std::wstring(L"ファイル「") + path + L"」を開けませんでした。");
        return false;
    }
    LARGE_INTEGER size{};
    bool ok = GetFileSizeEx(file, &size) != 0;
    if (ok && size.QuadPart > MAX_FILE_BYTES) {
        CloseHandle(file);
        showMessage(std::wstring(L"ファイル「") + path + L"」は大きすぎます。1 MiB までのファイルを開けます。");
        return false;
    }
    if (ok) {
        bytes->resize(static_cast<size_t>(size.QuadPart));
        DWORD done = 0;
        ok = bytes->empty() || (ReadFile(file, bytes->data(), static_cast<DWORD>(bytes->size()), &done, nullptr) != 0 &&
                                done == bytes->size());
    }
    CloseHandle(file);
    if (!ok) showMessage(std::wstring(L"ファイル「") + path + L"」を読めませんでした。");
    return ok;
}

// Text saved as UTF-16 (with its byte-order mark) is turned into UTF-8, the
// form the reader takes; anything else is read as it is.
std::string asUtf8(const std::string& bytes) {
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        std::wstring wide((bytes.size() - 2) / 2, L'\0');
        std::memcpy(wide.data(), bytes.data() + 2, wide.size() * sizeof(wchar_t));
        return toUtf8(wide.data(), static_cast<int>(wide.size()));
    }
    return bytes;
}

bool askPath(bool save, wchar_t* path, DWORD size) {
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = windowLayout.frame;
    dialog.lpstrFilter = L"テキスト ファイル (*.txt)\0*.txt\0すべてのファイル\0*.*\0";
    dialog.lpstrFile = path;
    dialog.nMaxFile = size;
    dialog.lpstrDefExt = L"txt";
    if (save) {
        dialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR;
        return GetSaveFileNameW(&dialog) != 0;
    }
    dialog.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR;
    return GetOpenFileNameW(&dialog) != 0;
}

int32_t publishedCount() {
    return visibleCount(uiState.puzzle);
}

} // namespace

bool runExchangeCommand(int id) {
    wchar_t path[MAX_PATH] = L"";
    switch (id) {
    case IDM_OPEN:
        if (askPath(false, path, MAX_PATH)) openPuzzleFile(path);
        return true;
    case IDM_SAVE_AS:
        if (askPath(true, path, MAX_PATH)) savePuzzleFile(path);
        return true;
    case IDM_COPY_PUZZLE: copyPuzzle(); return true;
    case IDM_COPY_SOLUTION: copySolution(); return true;
    case IDM_PASTE:
        // One number goes into the cell last used, as the cell's own paste would.
        if (!pasteFromClipboard() && uiState.currentCell >= 0 && uiState.currentCell < gridSide() * gridSide()) {
            HWND cell = windowLayout.cells[uiState.currentCell];
            CallWindowProcW(uiState.savedCellProc[uiState.currentCell], cell, WM_PASTE, 0, 0);
        }
        return true;
    case IDM_CLEAR_ALL: clearAllCells(); return true;
    case IDM_SHOW_DIFFERENCES: toggleDifferences(); return true;
    default: return false;
    }
}

void updateExchangeMenu(HMENU menu) {
    int32_t count = publishedCount();
    EnableMenuItem(menu, IDM_COPY_SOLUTION, MF_BYCOMMAND | (count >= 1 ? MF_ENABLED : MF_GRAYED));
    EnableMenuItem(menu, IDM_SHOW_DIFFERENCES, MF_BYCOMMAND | (count >= 2 ? MF_ENABLED : MF_GRAYED));
    CheckMenuItem(menu, IDM_SHOW_DIFFERENCES,
                  MF_BYCOMMAND | (uiState.differencesShown == 1 && count >= 2 ? MF_CHECKED : MF_UNCHECKED));
}

bool pasteFromClipboard() {
    std::wstring text;
    if (!clipboardText(&text) || isOneNumber(text)) return false;
    std::string bytes = toUtf8(text.data(), static_cast<int>(text.size()));
    int32_t cells[MAX_CELLS];
    int32_t boxOrder = 0;
    if (readForWindow(bytes.data(), bytes.size(), L"貼り付けた文字列を問題として読めません。", cells, &boxOrder)) {
        replaceGivensAsStep(boxOrder, cells);
    }
    return true;
}

bool copyPuzzle() {
    if (uiState.puzzle == nullptr || windowLayout.boxOrder == 0) return false;
    return putOnClipboard(oneLine(uiState.puzzle->givens));
}

bool copySolution() {
    if (publishedCount() < 1) return false;
    return putOnClipboard(oneLine(uiState.puzzle->solution));
}

bool openPuzzleFile(const wchar_t* path) {
    std::string bytes;
    if (!readFile(path, &bytes)) return false;
    std::string text = asUtf8(bytes);
    int32_t cells[MAX_CELLS];
    int32_t boxOrder = 0;
    std::wstring source = std::wstring(L"ファイル「") + path + L"」の問題を読めません。";
    if (!readForWindow(text.data(), text.size(), source.c_str(), cells, &boxOrder)) return false;
    replaceGivensAsStep(boxOrder, cells);
    return true;
}

bool savePuzzleFile(const wchar_t* path) {
    if (uiState.puzzle == nullptr || windowLayout.boxOrder == 0) return false;
    std::wstring line = oneLine(uiState.puzzle->givens) + L"\r\n";
    bool saved = replaceFileContents(path, toUtf8(line.data(), static_cast<int>(line.size())));
    if (!saved) showMessage(std::wstring(L"ファイル「") + path + L"」に保存できませんでした。");
    return saved;
}

void openDroppedFile(HDROP drop) {
    UINT length = DragQueryFileW(drop, 0, nullptr, 0);
    if (length > 0) {
        std::wstring path(length + 1, L'\0');
        DragQueryFileW(drop, 0, path.data(), length + 1);
        path.resize(length);
        openPuzzleFile(path.c_str());
    }
    DragFinish(drop);
}

void clearAllCells() {
    static const int32_t EMPTY[MAX_CELLS] = {};
    if (windowLayout.boxOrder != 0) replaceGivensAsStep(windowLayout.boxOrder, EMPTY);
}

void replaceGivensAsStep(int32_t boxOrder, const int32_t* cells) {
    noteGridReplacement(boxOrder, cells);
    takePuzzle(boxOrder, cells);
}

void restoreGivens(int32_t boxOrder, const int32_t* cells) {
    takePuzzle(boxOrder, cells);
}

void toggleDifferences() {
    if (uiState.differencesShown == 0 && publishedCount() < 2) return;
    uiState.differencesShown = uiState.differencesShown == 1 ? 0 : 1;
    // The marks and the difficulty map share the cells' backgrounds.
    if (uiState.differencesShown == 1) hideDifficultyMap();
    invalidateAllCells();
}

bool cellMarkedAsDifferent(int32_t k) {
    Puzzle* puzzle = uiState.puzzle;
    int32_t side = gridSide();
    if (uiState.differencesShown == 0 || puzzle == nullptr || k < 0 || k >= side * side) return false;
    if (visibleCount(puzzle) < 2) return false;
    int32_t r = k / side;
    int32_t c = k % side;
    return puzzle->givens[r][c] == 0 && puzzle->solution[r][c] != puzzle->secondSolution[r][c];
}

void forgetDifferences() {
    if (uiState.differencesShown == 0) return;
    uiState.differencesShown = 0;
    invalidateAllCells();
}

void fillPendingPuzzle() {
    if (uiState.pendingBoxOrder == 0) return;
    if (uiState.pendingBoxOrder == windowLayout.boxOrder) fillGrid(uiState.pendingCells);
    uiState.pendingBoxOrder = 0;
}

void openAtStart(const wchar_t* path) {
    startFile = path;
    PostMessageW(windowLayout.frame, WM_APP_OPEN_AT_START, 0, 0);
}

void openStartFile() {
    if (!startFile.empty()) openPuzzleFile(startFile.c_str());
    startFile.clear();
}

} // namespace numpl

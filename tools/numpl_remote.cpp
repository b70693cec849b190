// numpl_remote: drives a running numpl.exe from outside, for the run and
// screenshot scripts. Arguments are a list of commands, run in order:
//   wait TEXT [SECONDS]   until the count field reads TEXT (default 120 s)
//   settle [SECONDS]      until the count field reads a final count: a
//                         number, or one followed by "以上"
//   size 9|16|25          empty the count field, click a size button and
//                         wait for the new grid
//   fill V,V,...          type into cells 0, 1, ... (an empty entry skips a cell)
//   type K TEXT           type TEXT into cell K
//   show | hide           click "解を表示" / "解を非表示"
//   idle MS               let MS milliseconds pass
//   rect                  print the frame's outer rectangle as WxH+X+Y
//   menu ID               choose a menu command (see control_ids.h)
//   paste K TEXT          put TEXT on the clipboard and paste it into cell K
//   picture svg|png PATH  "画像として保存...": answers the dialog with the
//                         file type and the Windows path PATH, confirms an
//                         overwrite, and waits until the picture is written
//   stress COUNT SEED     COUNT random actions (edits, pastes good and bad,
//                         size and thread-count changes, show/hide, the
//                         second-solution marking, the difficulty map,
//                         emptying the grid) at
//                         random moments, message boxes closed as they come;
//                         then checks that the count field agrees with a
//                         fresh analysis of the grid on screen
//   close                 close the frame
// Exit code 0 when every command succeeded, 1 at the first failure.
//
// Two commands read a program file instead and need no window; each is the
// only command of its call:
//   version FILE          print the version resource as NAME=VALUE lines:
//                         the fixed numbers, the translation and the texts
//   manifest FILE         print the application manifest (resource 1)
// Their output is UTF-8, so that a script compares the Japanese texts as
// they are.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <random>
#include <string>
#include <vector>

#include <winver.h>

#include "analysis/puzzle.h"
#include "analysis/search.h"
#include "ui/control_ids.h"

namespace {

using numpl::CELL_ID_BASE;
using numpl::COUNT_BOX_ID;

struct Finder {
    int id;
    HWND found;
};

BOOL CALLBACK matchId(HWND window, LPARAM data) {
    auto* finder = reinterpret_cast<Finder*>(data);
    if (GetDlgCtrlID(window) != finder->id) return TRUE;
    finder->found = window;
    return FALSE;
}

HWND findFrame(DWORD timeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        HWND frame = FindWindowW(L"ナンプレ", L"ナンプレ");
        if (frame != nullptr) return frame;
        if (GetTickCount() - start > timeoutMs) return nullptr;
        Sleep(100);
    }
}

// Controls sit in the panes, so search all descendants.
HWND findControl(HWND frame, int id) {
    Finder finder = {id, nullptr};
    EnumChildWindows(frame, matchId, reinterpret_cast<LPARAM>(&finder));
    return finder.found;
}

std::wstring textOf(HWND window) {
    wchar_t text[1024] = L"";
    SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000,
                        nullptr);
    return text;
}

bool setText(HWND window, const wchar_t* text) {
    return window != nullptr && SendMessageW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

bool isFinalCount(const std::wstring& text) {
    size_t digits = text.find_first_not_of(L"0123456789");
    return digits != 0 && (digits == std::wstring::npos || text.substr(digits) == L"以上");
}

// An empty `wanted` waits for any final count.
bool waitForCount(HWND frame, const std::wstring& wanted, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    std::wstring last;
    for (;;) {
        HWND count = findControl(frame, COUNT_BOX_ID);
        if (count != nullptr) last = textOf(count);
        if (wanted.empty() ? isFinalCount(last) : last == wanted) return true;
        if (GetTickCount() - start > timeoutMs) {
            std::fwprintf(stderr, L"numpl_remote: count field still reads \"%ls\"\n", last.c_str());
            return false;
        }
        Sleep(50);
    }
}

bool clickButton(HWND frame, int id) {
    HWND button = findControl(frame, id);
    if (button == nullptr) return false;
    SendMessageW(button, BM_CLICK, 0, 0);
    return true;
}

// The new grid exists once its last cell does. The count field is emptied
// first, so that a later wait cannot mistake the old grid's count for the
// new one's.
bool chooseSize(HWND frame, int side) {
    int id = side == 9 ? numpl::SIZE_BUTTON_9 : side == 16 ? numpl::SIZE_BUTTON_16 : side == 25 ? numpl::SIZE_BUTTON_25 : 0;
    if (id == 0) return false;
    setText(findControl(frame, COUNT_BOX_ID), L"");
    if (!clickButton(frame, id)) return false;
    DWORD start = GetTickCount();
    while (findControl(frame, CELL_ID_BASE + side * side - 1) == nullptr) {
        if (GetTickCount() - start > 60000) return false;
        Sleep(50);
    }
    return true;
}

bool fillCells(HWND frame, const wchar_t* values) {
    int k = 0;
    std::wstring token;
    for (const wchar_t* p = values;; ++p) {
        if (*p != L',' && *p != L'\0') {
            token += *p;
            continue;
        }
        if (!token.empty() && !setText(findControl(frame, CELL_ID_BASE + k), token.c_str())) return false;
        token.clear();
        ++k;
        if (*p == L'\0') return true;
    }
}

bool printRect(HWND frame) {
    RECT rect;
    if (!GetWindowRect(frame, &rect)) return false;
    std::printf("%ldx%ld+%ld+%ld\n", rect.right - rect.left, rect.bottom - rect.top, rect.left, rect.top);
    std::fflush(stdout);
    return true;
}

bool setClipboard(const std::wstring& text) {
    for (int attempt = 0; attempt < 50 && !OpenClipboard(nullptr); ++attempt) Sleep(10);
    EmptyClipboard();
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
    if (block == nullptr) {
        CloseClipboard();
        return false;
    }
    wmemcpy(static_cast<wchar_t*>(GlobalLock(block)), text.c_str(), text.size() + 1);
    GlobalUnlock(block);
    bool placed = SetClipboardData(CF_UNICODETEXT, block) != nullptr;
    CloseClipboard();
    return placed;
}

// Posted, not sent: a paste that is refused opens a message box, and a sent
// message would wait for it to be closed.
bool paste(HWND frame, int k, const std::wstring& text) {
    HWND cell = findControl(frame, CELL_ID_BASE + k);
    return cell != nullptr && setClipboard(text) && PostMessageW(cell, WM_PASTE, 0, 0) != 0;
}

// Closes the window's message boxes; true when one was open.
bool closeMessageBoxes() {
    bool closed = false;
    while (HWND box = FindWindowW(L"#32770", L"ナンプレ")) {
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        closed = true;
        for (int i = 0; i < 100 && IsWindow(box); ++i) Sleep(5);
    }
    return closed;
}

// The side of the grid on screen: the largest whose last cell exists.
int gridSideOf(HWND frame) {
    for (int side : {25, 16, 9}) {
        if (findControl(frame, CELL_ID_BASE + side * side - 1) != nullptr) return side;
    }
    return 0;
}

// Puzzles to paste: one of each size with few solutions, in the forms a
// puzzle maker's text carries, and texts that are no puzzle.
const wchar_t* const GOOD_PASTES[] = {
    L"53..7....6..195....98....6.8...6...34..8.3..17...2...6.6....28....419..5....8..79",
    L"....7....6..195....98....6.8...6...34..8.3..17...2...6.6....28....419..5....8..79  two solutions",
    L"5 3 . | . 7 . | . . .\r\n6 . . | 1 9 5 | . . .\r\n. 9 8 | . . . | . 6 .\r\n------+-------+------\r\n"
    L"8 . . | . 6 . | . . 3\r\n4 . . | 8 . 3 | . . 1\r\n7 . . | . 2 . | . . 6\r\n------+-------+------\r\n"
    L". 6 . | . . . | 2 8 .\r\n. . . | 4 1 9 | . . 5\r\n. . . | . 8 . | . 7 9\r\n",
};
const wchar_t* const BAD_PASTES[] = {
    L"hello", L"53..7....6..195", L"55..7....6..195....98....6.8...6...34..8.3..17...2...6.6....28....419..5....8..79",
    L"12.4341221434321", L"G3..7....6..195....98....6.8...6...34..8.3..17...2...6.6....28....419..5....8..79",
};

// A 16x16 or 25x25 puzzle with one digit a row, in decimal numbers.
std::wstring diagonalPuzzle(int side) {
    std::wstring text;
    for (int r = 0; r < side; ++r) {
        for (int c = 0; c < side; ++c) {
            text += c == (r * 5) % side ? std::to_wstring(r + 1) : L".";
            text += c + 1 < side ? L" " : L"\r\n";
        }
    }
    return text;
}

// What the window must show for the grid on screen: the givens read as the
// window reads them, analysed afresh.
std::wstring expectedCount(HWND frame, int side) {
    int n = side == 9 ? 3 : side == 16 ? 4 : 5;
    numpl::Puzzle* puzzle = numpl::createPuzzle(n);
    if (puzzle == nullptr) return L"?";
    for (int k = 0; k < side * side; ++k) {
        int value = _wtoi(textOf(findControl(frame, CELL_ID_BASE + k)).c_str());
        puzzle->givens[k / side][k % side] = value >= 1 && value <= side ? value : 0;
    }
    puzzle->threadCount.store(2);
    int count = numpl::checkGivens(puzzle) == -1 ? 0 : numpl::analysePuzzle(puzzle);
    numpl::destroyPuzzle(puzzle);
    return count >= 1000 ? L"1000以上" : std::to_wstring(count);
}

// The C runtime's %ls drops what the console code page lacks ("以上").
std::string utf8(const std::wstring& text) {
    std::string out(text.size() * 3 + 1, '\0');
    int bytes = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(),
                                    static_cast<int>(out.size()), nullptr, nullptr);
    out.resize(static_cast<size_t>(bytes > 0 ? bytes : 0));
    return out;
}

// A window that answers nothing within 10 s hangs.
bool answers(HWND frame) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(frame, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 10000, &result) != 0;
}

bool stress(HWND frame, int actions, unsigned seed) {
    std::mt19937 random(seed);
    auto pick = [&](int below) { return static_cast<int>(random() % static_cast<unsigned>(below)); };
    const int sizeIds[] = {numpl::SIZE_BUTTON_9, numpl::SIZE_BUTTON_16, numpl::SIZE_BUTTON_25};
    for (int a = 0; a < actions; ++a) {
        int side = gridSideOf(frame);
        if (side == 0) side = 9;
        int cell = pick(side * side);
        switch (pick(16)) {
        case 0: case 1: case 2: case 3: case 4:
            setText(findControl(frame, CELL_ID_BASE + cell), std::to_wstring(1 + pick(side)).c_str());
            break;
        case 5: case 6: setText(findControl(frame, CELL_ID_BASE + cell), L""); break;
        case 7: paste(frame, cell, GOOD_PASTES[pick(3)]); break;
        case 8: paste(frame, cell, BAD_PASTES[pick(5)]); break;
        case 9: paste(frame, cell, pick(2) == 0 ? diagonalPuzzle(16) : diagonalPuzzle(25)); break;
        case 10: if (pick(4) == 0) clickButton(frame, sizeIds[pick(3)]); break;
        case 11: setText(findControl(frame, numpl::THREAD_BOX_ID), std::to_wstring(1 + pick(4)).c_str()); break;
        case 12: clickButton(frame, numpl::SHOW_BUTTON_ID) || clickButton(frame, numpl::HIDE_BUTTON_ID); break;
        case 13: PostMessageW(frame, WM_COMMAND, pick(2) == 0 ? IDM_SHOW_DIFFERENCES : IDM_DIFFICULTY_MAP, 0); break;
        case 14: if (pick(4) == 0) PostMessageW(frame, WM_COMMAND, IDM_CLEAR_ALL, 0); break;
        default: PostMessageW(frame, WM_COMMAND, pick(2) == 0 ? IDM_COPY_PUZZLE : IDM_COPY_SOLUTION, 0); break;
        }
        Sleep(static_cast<DWORD>(pick(4) == 0 ? pick(300) : pick(20)));
        closeMessageBoxes();
        if (!answers(frame)) {
            std::fwprintf(stderr, L"numpl_remote: the window stopped answering after action %d\n", a);
            return false;
        }
    }
    // The last actions may still be on their way: let them land, then judge
    // the grid that stands.
    for (int i = 0; i < 20; ++i) {
        Sleep(100);
        closeMessageBoxes();
    }
    clickButton(frame, numpl::HIDE_BUTTON_ID);
    if (!waitForCount(frame, L"", 600000)) return false;
    for (int attempt = 0; attempt < 50; ++attempt) {
        closeMessageBoxes();
        int side = gridSideOf(frame);
        std::wstring before = textOf(findControl(frame, COUNT_BOX_ID));
        std::wstring expected = expectedCount(frame, side);
        Sleep(300);
        std::wstring after = textOf(findControl(frame, COUNT_BOX_ID));
        if (before == after && isFinalCount(after) && gridSideOf(frame) == side) {
            std::printf("%d actions, %dx%d grid, count %s, fresh analysis %s\n", actions, side, side,
                        utf8(after).c_str(), utf8(expected).c_str());
            std::fflush(stdout);
            return after == expected;
        }
    }
    std::fwprintf(stderr, L"numpl_remote: the count never settled\n");
    return false;
}

// The save dialog's own control ids: the file type list and the file name,
// an edit control inside a combo box of that id or on its own.
constexpr int FILE_TYPE_LIST = 0x470;
constexpr int FILE_NAME_COMBO = 0x47C;
constexpr int FILE_NAME_EDIT = 0x480;

HWND waitForWindow(const wchar_t* title, HWND other, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        HWND found = FindWindowExW(nullptr, nullptr, L"#32770", title);
        if (found == other) found = FindWindowExW(nullptr, other, L"#32770", title);
        if (found != nullptr || GetTickCount() - start > timeoutMs) return found;
        Sleep(20);
    }
}

HWND fileNameField(HWND dialog) {
    HWND field = nullptr;
    EnumChildWindows(
        dialog,
        [](HWND child, LPARAM found) {
            wchar_t kind[16] = L"";
            GetClassNameW(child, kind, 16);
            int id = GetDlgCtrlID(child);
            if (lstrcmpiW(kind, L"Edit") != 0 || (id != FILE_NAME_COMBO && id != FILE_NAME_EDIT)) return TRUE;
            *reinterpret_cast<HWND*>(found) = child;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&field));
    return field;
}

// The menu item answered as a user would: the type, the name, OK, and yes
// to the question whether to replace a file that exists. The picture is
// written once the frame answers again; a message box instead means it
// could not be.
bool savePicture(HWND frame, const std::wstring& type, const std::wstring& path) {
    int index = type == L"svg" ? 1 : type == L"png" ? 2 : 0;
    if (index == 0) return false;
    PostMessageW(frame, WM_COMMAND, IDM_SAVE_PICTURE, 0);
    HWND dialog = waitForWindow(L"画像として保存", nullptr, 10000);
    if (dialog == nullptr) return false;
    HWND types = GetDlgItem(dialog, FILE_TYPE_LIST);
    SendMessageW(types, CB_SETCURSEL, static_cast<WPARAM>(index - 1), 0);
    for (WORD code : {CBN_SELCHANGE, CBN_SELENDOK}) {
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(FILE_TYPE_LIST, code), reinterpret_cast<LPARAM>(types));
    }
    if (!setText(fileNameField(dialog), path.c_str())) return false;
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    // Any other box of the dialog (a folder that does not exist) ends the
    // command, and the dialog is cancelled so that the window goes on.
    DWORD start = GetTickCount();
    bool refused = false;
    while (IsWindow(dialog)) {
        HWND box = waitForWindow(L"画像として保存", dialog, 0);
        if (box != nullptr && GetDlgItem(box, IDYES) != nullptr) {
            PostMessageW(box, WM_COMMAND, IDYES, 0);
        } else if (box != nullptr || GetTickCount() - start > 10000) {
            std::fwprintf(stderr, L"numpl_remote: the save dialog did not take %ls\n", path.c_str());
            if (box != nullptr) PostMessageW(box, WM_COMMAND, IDOK, 0);
            for (int i = 0; i < 100 && box != nullptr && IsWindow(box); ++i) Sleep(10);
            PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
            refused = true;
            start = GetTickCount();
        }
        if (refused && GetTickCount() - start > 10000) return false;
        Sleep(20);
    }
    if (refused) return false;
    if (!answers(frame)) return false;
    if (closeMessageBoxes()) {
        std::fwprintf(stderr, L"numpl_remote: the window could not save %ls\n", path.c_str());
        return false;
    }
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Runs the command at args[i] and moves i past its arguments.
bool runCommand(HWND frame, const std::vector<std::wstring>& args, size_t& i) {
    const std::wstring& command = args[i++];
    auto next = [&]() -> const wchar_t* { return i < args.size() ? args[i++].c_str() : nullptr; };
    if (command == L"wait") {
        const wchar_t* wanted = next();
        DWORD seconds = 120;
        if (i < args.size() && iswdigit(args[i][0])) seconds = static_cast<DWORD>(_wtoi(next()));
        return wanted != nullptr && waitForCount(frame, wanted, seconds * 1000);
    }
    if (command == L"settle") {
        DWORD seconds = 120;
        if (i < args.size() && iswdigit(args[i][0])) seconds = static_cast<DWORD>(_wtoi(next()));
        return waitForCount(frame, L"", seconds * 1000);
    }
    if (command == L"size") {
        const wchar_t* side = next();
        return side != nullptr && chooseSize(frame, _wtoi(side));
    }
    if (command == L"fill") {
        const wchar_t* values = next();
        return values != nullptr && fillCells(frame, values);
    }
    if (command == L"type") {
        const wchar_t* cell = next();
        const wchar_t* text = next();
        return cell != nullptr && text != nullptr && setText(findControl(frame, CELL_ID_BASE + _wtoi(cell)), text);
    }
    if (command == L"show") return clickButton(frame, numpl::SHOW_BUTTON_ID);
    if (command == L"hide") return clickButton(frame, numpl::HIDE_BUTTON_ID);
    if (command == L"idle") {
        const wchar_t* ms = next();
        if (ms == nullptr) return false;
        Sleep(static_cast<DWORD>(_wtoi(ms)));
        return true;
    }
    if (command == L"rect") return printRect(frame);
    if (command == L"menu") {
        const wchar_t* id = next();
        return id != nullptr && PostMessageW(frame, WM_COMMAND, static_cast<WPARAM>(_wtoi(id)), 0) != 0;
    }
    if (command == L"paste") {
        const wchar_t* cell = next();
        const wchar_t* text = next();
        return cell != nullptr && text != nullptr && paste(frame, _wtoi(cell), text);
    }
    if (command == L"picture") {
        const wchar_t* type = next();
        const wchar_t* path = next();
        return type != nullptr && path != nullptr && savePicture(frame, type, path);
    }
    if (command == L"stress") {
        const wchar_t* count = next();
        const wchar_t* seed = next();
        return count != nullptr && seed != nullptr && stress(frame, _wtoi(count), static_cast<unsigned>(_wtoi(seed)));
    }
    if (command == L"close") return PostMessageW(frame, WM_CLOSE, 0, 0) != 0;
    std::fwprintf(stderr, L"numpl_remote: unknown command %ls\n", command.c_str());
    return false;
}

// Straight to the standard output as UTF-8: the C runtime's wide output
// would convert to the console's code page, or fail on Japanese.
void writeUtf8(const std::wstring& text) {
    int bytes = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), bytes, nullptr, nullptr);
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), out.data(), static_cast<DWORD>(out.size()), &written, nullptr);
}

bool printVersion(const wchar_t* path) {
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeW(path, &ignored);
    if (size == 0) {
        std::fwprintf(stderr, L"numpl_remote: %ls has no version resource\n", path);
        return false;
    }
    std::vector<unsigned char> block(size);
    if (!GetFileVersionInfoW(path, 0, size, block.data())) return false;
    void* value = nullptr;
    UINT length = 0;
    std::wstring out;
    if (VerQueryValueW(block.data(), L"\\", &value, &length) && length >= sizeof(VS_FIXEDFILEINFO)) {
        const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
        auto dotted = [](DWORD high, DWORD low) {
            return std::to_wstring(HIWORD(high)) + L"." + std::to_wstring(LOWORD(high)) + L"." +
                   std::to_wstring(HIWORD(low)) + L"." + std::to_wstring(LOWORD(low));
        };
        out += L"FixedFileVersion=" + dotted(fixed->dwFileVersionMS, fixed->dwFileVersionLS) + L"\n";
        out += L"FixedProductVersion=" + dotted(fixed->dwProductVersionMS, fixed->dwProductVersionLS) + L"\n";
    }
    // The texts live in the block of the first language and code page that
    // the resource lists.
    if (!VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &value, &length) || length < 4) {
        std::fwprintf(stderr, L"numpl_remote: %ls lists no translation\n", path);
        return false;
    }
    wchar_t translation[9];
    std::swprintf(translation, 9, L"%04x%04x", static_cast<const WORD*>(value)[0], static_cast<const WORD*>(value)[1]);
    out += std::wstring(L"Translation=") + translation + L"\n";
    for (const wchar_t* name : {L"FileVersion", L"ProductVersion", L"ProductName", L"FileDescription",
                                L"LegalCopyright", L"OriginalFilename"}) {
        std::wstring query = std::wstring(L"\\StringFileInfo\\") + translation + L"\\" + name;
        const wchar_t* text = L"";
        if (VerQueryValueW(block.data(), query.c_str(), &value, &length) && length > 0) {
            text = static_cast<const wchar_t*>(value);
        }
        out += std::wstring(name) + L"=" + text + L"\n";
    }
    writeUtf8(out);
    return true;
}

bool printManifest(const wchar_t* path) {
    HMODULE module = LoadLibraryExW(path, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (module == nullptr) {
        std::fwprintf(stderr, L"numpl_remote: cannot read %ls (error %lu)\n", path, GetLastError());
        return false;
    }
    bool found = false;
    if (HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(1), RT_MANIFEST)) {
        HGLOBAL loaded = LoadResource(module, resource);
        const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
        DWORD size = SizeofResource(module, resource);
        if (bytes != nullptr && size > 0) {
            DWORD written = 0;
            WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), bytes, size, &written, nullptr);
            found = true;
        }
    }
    if (!found) std::fwprintf(stderr, L"numpl_remote: %ls has no manifest resource 1\n", path);
    FreeLibrary(module);
    return found;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    std::vector<std::wstring> args(argv + 1, argv + argc);
    if (args.size() == 2 && (args[0] == L"version" || args[0] == L"manifest")) {
        bool done = args[0] == L"version" ? printVersion(args[1].c_str()) : printManifest(args[1].c_str());
        return done ? 0 : 1;
    }
    HWND frame = findFrame(60000);
    if (frame == nullptr) {
        std::fwprintf(stderr, L"numpl_remote: no window \"ナンプレ\"\n");
        return 1;
    }
    for (size_t i = 0; i < args.size();) {
        std::wstring command = args[i];
        if (!runCommand(frame, args, i)) {
            std::fwprintf(stderr, L"numpl_remote: %ls failed\n", command.c_str());
            return 1;
        }
    }
    return 0;
}

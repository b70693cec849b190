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
//   close                 close the frame
// Exit code 0 when every command succeeded, 1 at the first failure.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

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
    if (command == L"close") return PostMessageW(frame, WM_CLOSE, 0, 0) != 0;
    std::fwprintf(stderr, L"numpl_remote: unknown command %ls\n", command.c_str());
    return false;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    HWND frame = findFrame(60000);
    if (frame == nullptr) {
        std::fwprintf(stderr, L"numpl_remote: no window \"ナンプレ\"\n");
        return 1;
    }
    std::vector<std::wstring> args(argv + 1, argv + argc);
    for (size_t i = 0; i < args.size();) {
        std::wstring command = args[i];
        if (!runCommand(frame, args, i)) {
            std::fwprintf(stderr, L"numpl_remote: %ls failed\n", command.c_str());
            return 1;
        }
    }
    return 0;
}

// The "ヘルプ" menu commands. The guide is an HTML file in the docs folder
// that the release archive and the build put beside numpl.exe, so it is
// found wherever the user unpacked the program and needs no network.
#include "ui/help.h"

#include <shellapi.h>

#include <cstring>
#include <vector>

#include "numpl_version.h"
#include "ui/control_ids.h"

namespace numpl {

namespace {

constexpr wchar_t CAPTION[] = L"ナンプレ";

bool shellOpen(HWND owner, const wchar_t* path) {
    HINSTANCE done = ShellExecuteW(owner, L"open", path, nullptr, nullptr, SW_SHOWNORMAL);
    return reinterpret_cast<INT_PTR>(done) > 32;
}

// The module's path can exceed MAX_PATH when the program lies deep in a
// folder tree, so the buffer grows until the whole path fits.
std::wstring folderOfThisProgram() {
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return L"";
        if (length < path.size()) {
            std::wstring full(path.data(), length);
            return full.substr(0, full.find_last_of(L"\\/") + 1);
        }
        path.resize(path.size() * 2);
    }
}

void openGuide(HWND frame) {
    std::wstring path = guidePath();
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        std::wstring text = L"使い方の説明書が見つかりません。\n" + path;
        MessageBoxW(frame, text.c_str(), CAPTION, MB_OK | MB_ICONWARNING);
        return;
    }
    // A machine with no program for HTML files ends here.
    if (!documentOpener(frame, path.c_str())) {
        std::wstring text = L"使い方の説明書を開けませんでした。\n" + path;
        MessageBoxW(frame, text.c_str(), CAPTION, MB_OK | MB_ICONWARNING);
    }
}

INT_PTR CALLBACK aboutProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM) {
    switch (msg) {
    case WM_INITDIALOG: {
        std::wstring date = isoBuildDate(__DATE__);
        if (date.empty()) date.assign(__DATE__, __DATE__ + std::strlen(__DATE__));
        SetDlgItemTextW(dialog, IDC_ABOUT_NAME, L"numpl（ナンプレ解析）");
        SetDlgItemTextW(dialog, IDC_ABOUT_VERSION, L"バージョン " NUMPL_VERSION_TEXT);
        SetDlgItemTextW(dialog, IDC_ABOUT_BUILD_DATE, (L"ビルド日 " + date).c_str());
        SetDlgItemTextW(dialog, IDC_ABOUT_LICENCE, L"MIT ライセンス");
        SetDlgItemTextW(dialog, IDC_ABOUT_DESCRIPTION,
                        L"9x9・16x16・25x25 のナンプレの解の個数と難易度を調べます。");
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        }
        return FALSE;
    default: return FALSE;
    }
}

} // namespace

bool (*documentOpener)(HWND owner, const wchar_t* path) = shellOpen;
std::wstring (*programFolder)() = folderOfThisProgram;

std::wstring guidePath() {
    return programFolder() + L"docs\\guide-ja.html";
}

std::wstring isoBuildDate(const char* compilerDate) {
    static const char MONTHS[] = "JanFebMarAprMayJunJulAugSepOctNovDec";
    if (compilerDate == nullptr || std::strlen(compilerDate) != 11 || compilerDate[3] != ' ' ||
        compilerDate[6] != ' ')
        return L"";
    int month = 0;
    while (month < 12 && std::strncmp(MONTHS + 3 * month, compilerDate, 3) != 0) ++month;
    if (month == 12) return L"";
    // The day is padded with a blank, not a zero: "Mar  7 2026".
    char dayTens = compilerDate[4] == ' ' ? '0' : compilerDate[4];
    const char* year = compilerDate + 7;
    const char digits[] = {dayTens, compilerDate[5], year[0], year[1], year[2], year[3]};
    for (char c : digits) {
        if (c < '0' || c > '9') return L"";
    }
    const char iso[] = {year[0], year[1], year[2], year[3], '-', static_cast<char>('0' + (month + 1) / 10),
                        static_cast<char>('0' + (month + 1) % 10), '-', dayTens, compilerDate[5]};
    return std::wstring(iso, iso + sizeof iso);
}

bool runHelpCommand(HWND frame, int id) {
    if (id == IDM_GUIDE) {
        openGuide(frame);
        return true;
    }
    if (id == IDM_ABOUT) {
        DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_ABOUT), frame, aboutProc, 0);
        return true;
    }
    return false;
}

} // namespace numpl

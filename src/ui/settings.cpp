// The zoom kept in an ini file, as "[view] zoom=100|150|200|fit": words
// rather than menu ids, so that the file means something to a person who
// opens it, and ASCII, because the profile functions write the ANSI code
// page, which differs from one Windows to the next.
#include "ui/settings.h"

#include <windows.h>

#include <shlobj.h>

#include "ui/control_ids.h"

namespace numpl {

namespace {

const wchar_t SECTION[] = L"view";
const wchar_t ZOOM_KEY[] = L"zoom";

struct ZoomName {
    int32_t command;
    const wchar_t* name;
};

const ZoomName ZOOM_NAMES[] = {
    {IDM_ZOOM_100, L"100"},
    {IDM_ZOOM_150, L"150"},
    {IDM_ZOOM_200, L"200"},
    {IDM_ZOOM_FIT, L"fit"},
};

// The roaming application data folder: APPDATA as Windows sets it for every
// process, else the shell's answer.
std::wstring appDataFolder() {
    wchar_t folder[MAX_PATH];
    DWORD length = GetEnvironmentVariableW(L"APPDATA", folder, MAX_PATH);
    if (length > 0 && length < MAX_PATH) return folder;
    if (SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder))) return folder;
    return L"";
}

} // namespace

std::wstring settingsPath() {
    std::wstring folder = appDataFolder();
    return folder.empty() ? folder : folder + L"\\numpl\\numpl.ini";
}

int32_t loadZoomCommand() {
    std::wstring path = settingsPath();
    if (path.empty()) return IDM_ZOOM_100;
    wchar_t value[16];
    GetPrivateProfileStringW(SECTION, ZOOM_KEY, L"", value, 16, path.c_str());
    for (const ZoomName& zoom : ZOOM_NAMES)
        if (lstrcmpiW(value, zoom.name) == 0) return zoom.command;
    return IDM_ZOOM_100;
}

bool saveZoomCommand(int32_t zoomCommand) {
    std::wstring path = settingsPath();
    if (path.empty()) return false;
    for (const ZoomName& zoom : ZOOM_NAMES) {
        if (zoom.command != zoomCommand) continue;
        std::wstring folder = path.substr(0, path.rfind(L'\\'));
        CreateDirectoryW(folder.c_str(), nullptr);
        return WritePrivateProfileStringW(SECTION, ZOOM_KEY, zoom.name, path.c_str()) != FALSE;
    }
    return false;
}

} // namespace numpl

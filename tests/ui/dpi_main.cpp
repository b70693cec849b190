// Entry of the 144-DPI display tests. Windows (and Wine) reads the display
// scale once, when a process starts, so this process sets the scale, runs
// itself again as the test process, and puts the old setting back however
// that process ended.
#include <windows.h>

#include <string>

#include <gtest/gtest.h>

namespace {

const wchar_t CHILD_MARK[] = L"NUMPL_DPI_TEST_CHILD";

int runAtDpi(DWORD dpi) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                        nullptr, &key, nullptr) != ERROR_SUCCESS)
        return 2;
    DWORD old = 0;
    DWORD size = sizeof old;
    DWORD type = 0;
    bool had = RegQueryValueExW(key, L"LogPixels", nullptr, &type, reinterpret_cast<BYTE*>(&old), &size) ==
                   ERROR_SUCCESS &&
               type == REG_DWORD;
    RegSetValueExW(key, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof dpi);
    SetEnvironmentVariableW(CHILD_MARK, L"1");
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::wstring commandLine = GetCommandLineW();
    DWORD code = 3;
    if (CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                       &process)) {
        WaitForSingleObject(process.hProcess, INFINITE);
        GetExitCodeProcess(process.hProcess, &code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    if (had)
        RegSetValueExW(key, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&old), sizeof old);
    else
        RegDeleteValueW(key, L"LogPixels");
    RegCloseKey(key);
    return static_cast<int>(code);
}

} // namespace

int main(int argc, char** argv) {
    if (GetEnvironmentVariableW(CHILD_MARK, nullptr, 0) == 0) return runAtDpi(NUMPL_TEST_DPI);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

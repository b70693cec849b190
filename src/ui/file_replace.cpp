// The temporary-file write behind every save of the window.
#include "ui/file_replace.h"

#include <windows.h>

namespace numpl {

namespace {

bool writeWhole(HANDLE file, const std::string& bytes) {
    DWORD done = 0;
    return WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr) != 0 &&
           done == bytes.size() && FlushFileBuffers(file) != 0;
}

// The folder part of a path, "." when it has none.
std::wstring folderOf(const wchar_t* path) {
    std::wstring full(path);
    size_t slash = full.find_last_of(L"\\/");
    if (slash == std::wstring::npos) return L".";
    if (slash == 0 || (slash == 2 && full[1] == L':')) return full.substr(0, slash + 1);
    return full.substr(0, slash);
}

} // namespace

bool replaceFileContents(const wchar_t* path, const std::string& bytes) {
    std::wstring folder = folderOf(path);
    wchar_t temporary[MAX_PATH];
    if (GetTempFileNameW(folder.c_str(), L"npl", 0, temporary) == 0) return false;
    HANDLE file = CreateFileW(temporary, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    bool saved = file != INVALID_HANDLE_VALUE;
    if (saved) {
        saved = writeWhole(file, bytes);
        saved = CloseHandle(file) != 0 && saved;
    }
    // Only a completely written file takes the place of the old one.
    saved = saved && MoveFileExW(temporary, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    if (!saved) DeleteFileW(temporary);
    return saved;
}

} // namespace numpl

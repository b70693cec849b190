// The "ヘルプ" menu: the guide that ships beside the program, opened in the
// user's browser, and the "バージョン情報" dialog. Runs on the UI thread.
#ifndef NUMPL_UI_HELP_H
#define NUMPL_UI_HELP_H

#include <windows.h>

#include <string>

namespace numpl {

// "使い方" and "バージョン情報"; false for any other id.
bool runHelpCommand(HWND frame, int id);

// How the guide is opened: ShellExecuteW's "open", which hands the file to
// whatever the user opens HTML with. Tests swap it so that no browser starts.
// True when the file was handed over.
extern bool (*documentOpener)(HWND owner, const wchar_t* path);

// The folder that numpl.exe was started from, ending in a backslash; the
// guide lies in its docs folder. Tests swap it for a folder they fill.
extern std::wstring (*programFolder)();

// The guide's full path: <programFolder()>docs\guide-ja.html.
std::wstring guidePath();

// The compiler's __DATE__ ("Mar  7 2026") as the About dialog shows it,
// "2026-03-07"; empty for a text of any other shape.
std::wstring isoBuildDate(const char* compilerDate);

} // namespace numpl

#endif

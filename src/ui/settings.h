// The one setting the program keeps between runs, the zoom of the grid, in
// %APPDATA%\numpl\numpl.ini.
#ifndef NUMPL_UI_SETTINGS_H
#define NUMPL_UI_SETTINGS_H

#include <cstdint>
#include <string>

namespace numpl {

// Where the setting lives; empty when the user has no application data
// folder.
std::wstring settingsPath();

// The zoom command kept by the last run: IDM_ZOOM_100 when the file is
// missing or holds anything but a known value.
int32_t loadZoomCommand();

// Keeps the zoom command for the next run; false when it cannot be written.
bool saveZoomCommand(int32_t zoomCommand);

} // namespace numpl

#endif

// Process entry of numpl.exe: open the frame, open the file named on the
// command line once the first grid exists, and run the message loop.
#include <windows.h>

#include <shellapi.h>

#include "ui/frame.h"
#include "ui/puzzle_exchange.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    HWND frame = numpl::openMainFrame(instance, showCommand);
    if (frame == nullptr) return 0;
    int argc = 0;
    if (LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc)) {
        if (argc > 1) numpl::openAtStart(argv[1]);
        LocalFree(argv);
    }
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0)) {
        if (numpl::translateShortcut(frame, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

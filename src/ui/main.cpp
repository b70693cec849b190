// Process entry of numpl.exe: open the frame and run the message loop.
#include <windows.h>

#include "ui/frame.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    if (numpl::openMainFrame(instance, showCommand) == nullptr) return 0;
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

// Holds the desktop of a Wine prefix for a whole test run.
//
// Wine ends a prefix's desktop (and the explorer.exe that draws it) about a
// second after the last program that used it, and the next program to make
// a window starts it again and waits for it. Test programs that come and go
// all through a run would each start a desktop, slowly on a busy machine,
// and some would meet one that is just going away. A process with one
// hidden window keeps the desktop up until the run's tear-down ends every
// process of the prefix.
//
//   desktop-keeper.exe      writes "desktop-ready" into the current folder
//                           once its window, and so the desktop, is there
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    HWND window = CreateWindowExA(0, "STATIC", "desktop keeper", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    if (window == nullptr) {
        return 1;
    }
    HANDLE ready =
        CreateFileA("desktop-ready", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (ready == INVALID_HANDLE_VALUE) {
        return 1;
    }
    CloseHandle(ready);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        DispatchMessageA(&msg);
    }
    return 0;
}

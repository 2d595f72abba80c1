// netcomp.dll: the component library for programs that call it from C. The
// hidden windows are registered for this module even before a component's
// StaticInit names it.
#include <winsock2.h>
#include <windows.h>

#include "netcomp/core/framework/NotifyWindow.h"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        DisableThreadLibraryCalls(instance);
        SetLibraryInstance(instance);
    }
    return TRUE;
}

// netcomp.dll: the component library for programs that call it from C. The
// hidden windows are registered for this module even before a component's
// StaticInit names it.
//
// A host may load and free the library again and again: what the library's
// runtime keeps for the whole process is given back as it is unloaded (not
// as the process ends, when the system takes everything back anyway and
// other threads may have been stopped anywhere).
#include <winsock2.h>
#include <windows.h>

#include "netcomp/core/framework/DelayedPost.h"
#include "netcomp/core/framework/NotifyWindow.h"

namespace __gnu_cxx {
// The C++ runtime's emergency pool for exceptions thrown when memory runs
// out (some 73 KB), allocated as the library loads; this frees it.
void __freeres();
} // namespace __gnu_cxx

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_ATTACH) {
        DisableThreadLibraryCalls(instance);
        SetLibraryInstance(instance);
    } else if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
        DelayedPost::ReleaseMemory();
        __gnu_cxx::__freeres();
    }
    return TRUE;
}

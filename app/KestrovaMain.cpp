// Kestrova.exe's entry point.
//
// The executable carries the internet-components library and exports every
// component's functions (the same list as netcomp.dll), so programs and
// scripts that drive the components can load it directly.
#include "app/KestrovaApp.h"

#include <objbase.h>

namespace {

// COM for the main thread comes up while the globals are made, ahead of
// the application object; nothing takes it down at exit.
struct ComForMainThread {
    ComForMainThread() { (void)CoInitialize(nullptr); }
} g_com;

CKestrovaApp theApp;

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int showCommand)
{
    return theApp.Start(showCommand);
}

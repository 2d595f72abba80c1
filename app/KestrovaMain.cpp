// Kestrova.exe's entry point.
//
// The executable carries the internet-components library and exports every
// component's functions (the same list as netcomp.dll), so programs and
// scripts that drive the components can load it directly. The application
// object, its window and its command-line modes start here as they are built.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    return 0;
}

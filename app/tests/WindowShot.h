// Pictures of windows for a person to look at: the screen under a window,
// written as a BMP file into the folder "shots" of the test's own folder.
// Nothing is judged from them.
#pragma once

#include <windows.h>

#include <string>

void SaveWindowShot(HWND window, const std::string& name);

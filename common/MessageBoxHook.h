// Every message box of the program goes through ShowMessageBox, so tests can
// record what would have been shown instead of blocking on a window.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

using MessageBoxHook = std::function<int(HWND owner, const std::string& text, const std::string& caption, UINT type)>;

// Installs a hook (an empty one restores the real message box); returns the
// previous hook.
MessageBoxHook SetMessageBoxHook(MessageBoxHook hook);

// A null owner stands for the window the operator is working in, if any.
int ShowMessageBox(HWND owner, const std::string& text, const std::string& caption, UINT type);

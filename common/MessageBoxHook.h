// Every message box of the program goes through ShowMessageBox, so tests can
// record what would have been shown instead of blocking on a window.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

using MessageBoxHook = std::function<int(HWND owner, const std::string& text, const std::string& caption, UINT type)>;

// Installs a hook (an empty one restores the real message box); returns the
// previous hook. Any thread may show a box meanwhile: a box being shown
// keeps the hook it started with.
MessageBoxHook SetMessageBoxHook(MessageBoxHook hook);

// A null owner stands for the window the operator is working in, if any.
int ShowMessageBox(HWND owner, const std::string& text, const std::string& caption, UINT type);

// A box of a thread that has no window of its own and must not hold up any
// other thread's window: it has no owner (the hook is given a null one).
int ShowUnownedMessageBox(const std::string& text, const std::string& caption, UINT type);

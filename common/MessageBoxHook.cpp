#include "common/MessageBoxHook.h"

#include <utility>

namespace {
MessageBoxHook& CurrentHook()
{
    static MessageBoxHook hook;
    return hook;
}

// Code below the windows (saving a result, the audit driver, the
// configuration file) names no owner. Its box belongs to the window the
// operator works in: the active window of this thread, or for a worker
// thread the program's window in the foreground. An owned box disables that
// window until it is answered, so no click reaches the dialog behind it.
HWND WindowInUse()
{
    if (HWND active = GetActiveWindow()) {
        return active;
    }
    HWND foreground = GetForegroundWindow();
    DWORD process = 0;
    if (foreground != nullptr && GetWindowThreadProcessId(foreground, &process) != 0 &&
        process == GetCurrentProcessId()) {
        return foreground;
    }
    return nullptr;
}
} // namespace

MessageBoxHook SetMessageBoxHook(MessageBoxHook hook)
{
    MessageBoxHook previous = std::move(CurrentHook());
    CurrentHook() = std::move(hook);
    return previous;
}

int ShowMessageBox(HWND owner, const std::string& text, const std::string& caption, UINT type)
{
    if (owner == nullptr) {
        owner = WindowInUse();
    }
    if (CurrentHook()) {
        return CurrentHook()(owner, text, caption, type);
    }
    return MessageBoxA(owner, text.c_str(), caption.c_str(), type);
}

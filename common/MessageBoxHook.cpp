#include "common/MessageBoxHook.h"

#include <utility>

namespace {
MessageBoxHook& CurrentHook()
{
    static MessageBoxHook hook;
    return hook;
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
    if (CurrentHook()) {
        return CurrentHook()(owner, text, caption, type);
    }
    return MessageBoxA(owner, text.c_str(), caption.c_str(), type);
}

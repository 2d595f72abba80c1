// The hook is read by whichever thread shows a box (the probe of a network
// audit shows its own, and may still be showing it when a test puts another
// hook in place, or when the program ends). A call takes a reference to the
// hook under the lock and runs it outside, so a hook replaced meanwhile lives
// until its last box is answered, and a hook that waits holds up no other
// box.
#include "common/MessageBoxHook.h"

#include <memory>
#include <mutex>
#include <utility>

namespace {

struct HookState {
    std::mutex m_mutex;
    std::shared_ptr<const MessageBoxHook> m_hook;
};

// Never destroyed: a box may still be shown by another thread while the
// program's static objects go.
HookState& State()
{
    static HookState* state = new HookState();
    return *state;
}

std::shared_ptr<const MessageBoxHook> CurrentHook()
{
    HookState& state = State();
    std::lock_guard<std::mutex> lock(state.m_mutex);
    return state.m_hook;
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

int Show(HWND owner, const std::string& text, const std::string& caption, UINT type)
{
    if (const std::shared_ptr<const MessageBoxHook> hook = CurrentHook()) {
        return (*hook)(owner, text, caption, type);
    }
    return MessageBoxA(owner, text.c_str(), caption.c_str(), type);
}

} // namespace

MessageBoxHook SetMessageBoxHook(MessageBoxHook hook)
{
    std::shared_ptr<const MessageBoxHook> next;
    if (hook) {
        next = std::make_shared<const MessageBoxHook>(std::move(hook));
    }
    std::shared_ptr<const MessageBoxHook> previous;
    {
        HookState& state = State();
        std::lock_guard<std::mutex> lock(state.m_mutex);
        previous = std::move(state.m_hook);
        state.m_hook = std::move(next);
    }
    return previous ? *previous : MessageBoxHook();
}

int ShowMessageBox(HWND owner, const std::string& text, const std::string& caption, UINT type)
{
    return Show(owner != nullptr ? owner : WindowInUse(), text, caption, type);
}

int ShowUnownedMessageBox(const std::string& text, const std::string& caption, UINT type)
{
    return Show(nullptr, text, caption, type);
}

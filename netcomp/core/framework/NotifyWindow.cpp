// Every networked component owns one hidden window of a private class;
// Winsock posts its socket and look-up notifications there, and the window
// procedure hands them to the component stored in the window's first extra
// word. Messages that come before the component is stored, or after it let
// go, get the default treatment. The messages of the thread's line of
// sockets that wait for their turn to read (SocketTurns) come to any of
// the windows.
//
// The windows are message-only (parent HWND_MESSAGE): never shown, never
// enumerated, and creatable where no desktop can be reached (a service, a
// console program started without a display), where a top-level window
// cannot be made.
#include "netcomp/core/framework/NotifyWindow.h"

#include <mutex>

#include "netcomp/core/framework/ComponentBase.h"
#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/core/framework/SocketTurns.h"
#include "netcomp/core/framework/WinsockBinding.h"

const char kNotifyWindowClass[] = "__tsn_socket_wnd__";

namespace {

HINSTANCE g_instance = nullptr;
std::mutex g_classLock; // components start and end on several threads at once
bool g_classRegistered = false;
HINSTANCE g_classInstance = nullptr; // the instance the class was registered with
HWND (*g_createOverride)() = nullptr;

// Without a StaticInit call (the library linked into a program), the module
// that holds this code registers the class.
HINSTANCE ClassInstance()
{
    if (g_instance)
        return g_instance;
    HMODULE self = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&ClassInstance), &self);
    return self;
}

} // namespace

void SetLibraryInstance(HINSTANCE instance)
{
    g_instance = instance;
}

HINSTANCE LibraryInstance()
{
    return g_instance;
}

void LibraryStartup()
{
    g_winsock.Init();
}

void LibraryShutdown()
{
    UnregisterNotifyWindowClass();
}

void SetNotifyWindowCreator(HWND (*create)())
{
    g_createOverride = create;
}

HWND CreateNotifyWindow()
{
    if (g_createOverride)
        return g_createOverride();
    HINSTANCE instance = ClassInstance();
    std::lock_guard<std::mutex> lock(g_classLock);
    if (!g_classRegistered) {
        WNDCLASSA wc = {};
        wc.style = CS_GLOBALCLASS;
        wc.lpfnWndProc = NotifyWindowProc;
        wc.cbWndExtra = 12;
        wc.hInstance = instance;
        wc.lpszClassName = kNotifyWindowClass;
        // Another module of the process may have registered it already.
        if (RegisterClassA(&wc) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS) {
            g_classRegistered = true;
            g_classInstance = instance;
        }
    }
    HWND window = CreateWindowExA(0, kNotifyWindowClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
    if (window)
        SocketTurns::WindowMade();
    return window;
}

LRESULT CALLBACK NotifyWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    // The line of the thread's sockets that wait for their turn to read.
    if (message == kMsgSocketTurn) {
        SocketTurns::TurnCame(wParam);
        return 0;
    }
    if (message == kMsgSocketWatch) {
        SocketTurns::WatchCame(wParam, lParam);
        return 0;
    }
    auto* component = reinterpret_cast<ComponentBase*>(GetWindowLongPtrA(window, 0));
    if (!component)
        return DefWindowProcA(window, message, wParam, lParam);
    // Nothing may unwind through the system's message dispatch. The call is
    // counted: an event fired from here may destroy the component.
    ComponentCall call(*component);
    try {
        return component->WindowProc(message, wParam, lParam);
    } catch (...) {
        component->SetLastErrorText("Out of memory.");
        component->SetLastCode(kOutOfMemory);
        return 0;
    }
}

void UnregisterNotifyWindowClass()
{
    // Fails while windows of the class still exist; it stays registered then.
    std::lock_guard<std::mutex> lock(g_classLock);
    if (g_classRegistered && UnregisterClassA(kNotifyWindowClass, g_classInstance))
        g_classRegistered = false;
}

// The base of every window of ours: a window handle tied to an object, with
// a message map. Windows are created from our own class or attached to an
// existing control by subclassing it; either way the handle finds its object
// again through a window property.
#pragma once

#include "winui/MessageMap.h"

#include <windows.h>

// Messages a parent sends back to the child control that caused them (the
// owner-draw and notification messages), so a control class can draw and
// handle clicks itself.
constexpr UINT kReflectBase = WM_USER + 0x2000;

class Window {
public:
    Window() = default;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    virtual ~Window();

    HWND GetHandle() const { return m_hwnd; }
    static Window* FromHandle(HWND hwnd);
    MessageMap& Map() { return m_map; }

    // Creates a window of the framework's own window class.
    bool CreateEx(DWORD exStyle, const char* title, DWORD style, const RECT& rect, HWND parent, HMENU menu);
    // Takes over an existing control (a dialog's button, for instance).
    bool Subclass(HWND hwnd);
    void DestroyWindow();

    // Offers a message from a parent to the child it concerns; true when
    // the child handled it.
    static bool ReflectToChild(HWND parent, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

protected:
    // The message map first, then the window's previous procedure.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam);
    // Called after the last message; the object may delete itself here.
    virtual void PostNcDestroy() {}
    // Lets a control change itself before it is first used.
    virtual void PreSubclassWindow() {}

    void Attach(HWND hwnd);
    void Detach();

    HWND m_hwnd = nullptr;
    WNDPROC m_superProc = nullptr;
    MessageMap m_map;

private:
    static bool RegisterFrameworkClass();
    static LRESULT CALLBACK StaticWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
};

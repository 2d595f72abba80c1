#include "winui/Window.h"

namespace {

const char kObjectProperty[] = "Kestrova.WindowObject";
const char kWindowClass[] = "KestrovaWindow";

// Messages that arrive before CreateWindowExA returns find their object
// here: the first one attaches it.
thread_local Window* t_creating = nullptr;

} // namespace

bool Window::RegisterFrameworkClass()
{
    static const bool registered = [] {
        WNDCLASSEXA wc = {};
        wc.cbSize = sizeof(wc);
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = &Window::StaticWindowProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = kWindowClass;
        return RegisterClassExA(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }();
    return registered;
}

Window::~Window()
{
    if (m_hwnd != nullptr) {
        HWND hwnd = m_hwnd;
        Detach();
        ::DestroyWindow(hwnd);
    }
}

Window* Window::FromHandle(HWND hwnd)
{
    return hwnd != nullptr ? static_cast<Window*>(GetPropA(hwnd, kObjectProperty)) : nullptr;
}

void Window::Attach(HWND hwnd)
{
    m_hwnd = hwnd;
    SetPropA(hwnd, kObjectProperty, this);
}

void Window::Detach()
{
    if (m_hwnd != nullptr) {
        RemovePropA(m_hwnd, kObjectProperty);
        if (m_superProc != nullptr) {
            SetWindowLongPtrA(m_hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_superProc));
        }
    }
    m_hwnd = nullptr;
}

bool Window::CreateEx(DWORD exStyle, const char* title, DWORD style, const RECT& rect, HWND parent, HMENU menu)
{
    if (!RegisterFrameworkClass()) {
        return false;
    }
    t_creating = this;
    HWND hwnd = CreateWindowExA(exStyle, kWindowClass, title, style, rect.left, rect.top, rect.right - rect.left,
                                rect.bottom - rect.top, parent, menu, GetModuleHandleA(nullptr), nullptr);
    t_creating = nullptr;
    return hwnd != nullptr && m_hwnd == hwnd;
}

bool Window::Subclass(HWND hwnd)
{
    if (hwnd == nullptr || m_hwnd != nullptr) {
        return false;
    }
    Attach(hwnd);
    PreSubclassWindow();
    m_superProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Window::SubclassProc)));
    return true;
}

void Window::DestroyWindow()
{
    if (m_hwnd != nullptr) {
        ::DestroyWindow(m_hwnd);
    }
}

LRESULT Window::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (m_map.DispatchMessage(message, wParam, lParam, result)) {
        return result;
    }
    if (message == WM_COMMAND && lParam != 0 && ReflectToChild(m_hwnd, message, wParam, lParam, result)) {
        return result;
    }
    if (message == WM_COMMAND && m_map.DispatchCommand(LOWORD(wParam), HIWORD(wParam))) {
        return 0;
    }
    if ((message == WM_DRAWITEM || message == WM_CTLCOLORBTN) &&
        ReflectToChild(m_hwnd, message, wParam, lParam, result)) {
        return result;
    }
    return Default(message, wParam, lParam);
}

LRESULT Window::Default(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_superProc != nullptr) {
        return CallWindowProcA(m_superProc, m_hwnd, message, wParam, lParam);
    }
    return DefWindowProcA(m_hwnd, message, wParam, lParam);
}

bool Window::ReflectToChild(HWND parent, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    HWND child = nullptr;
    switch (message) {
    case WM_COMMAND:
    case WM_CTLCOLORBTN:
        child = reinterpret_cast<HWND>(lParam);
        break;
    case WM_DRAWITEM:
        child = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)->hwndItem;
        break;
    default:
        return false;
    }
    if (child == nullptr || child == parent || FromHandle(child) == nullptr) {
        return false;
    }
    // A child without a handler for the reflected message answers 0 from
    // its default procedure; a handler answers non-zero to claim it.
    result = SendMessageA(child, kReflectBase + message, wParam, lParam);
    return result != 0;
}

LRESULT CALLBACK Window::StaticWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    Window* self = FromHandle(hwnd);
    if (self == nullptr && t_creating != nullptr) {
        self = t_creating;
        t_creating = nullptr;
        self->Attach(hwnd);
    }
    if (self == nullptr) {
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
    LRESULT result = self->WindowProc(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        self->Detach();
        self->PostNcDestroy();
    }
    return result;
}

LRESULT CALLBACK Window::SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    Window* self = FromHandle(hwnd);
    if (self == nullptr) {
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
    LRESULT result = self->WindowProc(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        self->Detach();
        self->PostNcDestroy();
    }
    return result;
}

#include "winui/FrameWindow.h"

#include "asset/TextHelpers.h"
#include "winui/Document.h"
#include "winui/View.h"
#include "winui/WinApp.h"

bool FrameWindow::LoadFrame(UINT resourceId, Document* document, View* view)
{
    m_document = document;
    m_view = view;
    CREATESTRUCTA cs = {};
    cs.style = WS_OVERLAPPEDWINDOW;
    cs.x = CW_USEDEFAULT;
    cs.y = CW_USEDEFAULT;
    cs.cx = 500;
    cs.cy = 400;
    PreCreateWindow(cs);

    // The document string's first part is the window title.
    std::string title = LoadResourceString(resourceId, nullptr);
    title = title.substr(0, title.find('\n'));
    HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(resourceId));
    RECT rect = {cs.x, cs.y, cs.x == CW_USEDEFAULT ? CW_USEDEFAULT : cs.x + cs.cx, cs.y + cs.cy};
    if (cs.x == CW_USEDEFAULT) {
        rect = {CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT + cs.cx, CW_USEDEFAULT + cs.cy};
    }
    if (!CreateEx(cs.dwExStyle, title.c_str(), static_cast<DWORD>(cs.style), rect, nullptr, menu)) {
        if (menu != nullptr) {
            DestroyMenu(menu);
        }
        return false;
    }
    if (!OnCreate() || (m_view != nullptr && !m_view->CreateView(m_hwnd))) {
        DestroyWindow();
        return false;
    }
    FitView();
    return true;
}

void FrameWindow::FitView()
{
    if (m_view == nullptr || m_view->GetHandle() == nullptr) {
        return;
    }
    RECT client;
    GetClientRect(m_hwnd, &client);
    MoveWindow(m_view->GetHandle(), 0, 0, client.right, client.bottom, TRUE);
}

bool FrameWindow::RouteCommand(UINT id, UINT code)
{
    if (m_view != nullptr && m_view->Map().DispatchCommand(id, code)) {
        return true;
    }
    if (m_document != nullptr && m_document->Map().DispatchCommand(id, code)) {
        return true;
    }
    if (m_map.DispatchCommand(id, code)) {
        return true;
    }
    WinApp* app = WinApp::Current();
    if (app != nullptr && app->Map().DispatchCommand(id, code)) {
        return true;
    }
    if (id == kIdAppExit) {
        PostMessageA(m_hwnd, WM_CLOSE, 0, 0);
        return true;
    }
    return false;
}

void FrameWindow::RouteUpdate(CmdUI& ui)
{
    WinApp* app = WinApp::Current();
    bool handled = (m_view != nullptr && m_view->Map().DispatchUpdate(ui)) ||
                   (m_document != nullptr && m_document->Map().DispatchUpdate(ui)) || m_map.DispatchUpdate(ui) ||
                   (app != nullptr && app->Map().DispatchUpdate(ui)) || ui.m_id == kIdAppExit;
    if (!handled) {
        ui.m_enabled = false;
    }
}

void FrameWindow::UpdateMenuItems(HMENU popup)
{
    int count = GetMenuItemCount(popup);
    for (int i = 0; i < count; ++i) {
        UINT id = GetMenuItemID(popup, i);
        if (id == 0 || id == static_cast<UINT>(-1)) {
            continue; // separator or submenu
        }
        CmdUI ui;
        ui.m_id = id;
        RouteUpdate(ui);
        EnableMenuItem(popup, i, MF_BYPOSITION | (ui.m_enabled ? MF_ENABLED : MF_GRAYED));
        CheckMenuItem(popup, i, MF_BYPOSITION | (ui.m_checked ? MF_CHECKED : MF_UNCHECKED));
    }
}

// During a call wait no command starts and a close waits for the command
// that made the call; Exit, the system menu's Close and a plain WM_CLOSE
// all ask for the same close.
bool FrameWindow::HeldByCallWait(UINT message, WPARAM wParam)
{
    WinApp* app = WinApp::Current();
    if (app == nullptr || !app->InCallWait() || app->GetMainWindow() != m_hwnd) {
        return false;
    }
    const bool close = message == WM_CLOSE || (message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_CLOSE) ||
                       (message == WM_COMMAND && LOWORD(wParam) == kIdAppExit);
    if (close) {
        app->DeferClose();
    }
    return close || message == WM_COMMAND;
}

LRESULT FrameWindow::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (HeldByCallWait(message, wParam)) {
        return 0;
    }
    if (m_map.DispatchMessage(message, wParam, lParam, result)) {
        return result;
    }
    switch (message) {
    case WM_COMMAND:
        if (lParam != 0 && ReflectToChild(m_hwnd, message, wParam, lParam, result)) {
            return result;
        }
        if (RouteCommand(LOWORD(wParam), HIWORD(wParam))) {
            return 0;
        }
        break;
    case WM_INITMENUPOPUP:
        if (!HIWORD(lParam)) { // not the system menu
            UpdateMenuItems(reinterpret_cast<HMENU>(wParam));
        }
        return 0;
    case WM_SIZE:
        FitView();
        return 0;
    case WM_DESTROY:
        if (WinApp::Current() != nullptr && WinApp::Current()->GetMainWindow() == m_hwnd) {
            PostQuitMessage(0);
        }
        return 0;
    default:
        break;
    }
    return Default(message, wParam, lParam);
}

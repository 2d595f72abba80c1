// The loop drains the queue, then calls OnIdle until it declines, then
// blocks in WaitMessage; a posted WM_QUIT ends it. Modeless dialogs get
// their keyboard handling (Tab, Enter, Esc) through IsDialogMessage.
//
// A call wait is a modal state without a dialog: the call's own wait loop
// dispatches the thread's messages, so without it a click could start a
// second command inside the first, and closing the frame would pull the
// windows away from under the running command. A close asked for meanwhile
// is kept until the loop here is back, that is until the command returned.
#include "winui/WinApp.h"

#include "winui/Document.h"
#include "winui/FrameWindow.h"
#include "winui/View.h"

#include <algorithm>
#include <vector>

WinApp* WinApp::s_current = nullptr;

namespace {
std::vector<HWND>& ModelessDialogs()
{
    static std::vector<HWND> dialogs;
    return dialogs;
}
} // namespace

WinApp::WinApp()
{
    s_current = this;
}

WinApp::~WinApp()
{
    if (m_messageHook != nullptr) {
        UnhookWindowsHookEx(m_messageHook);
    }
    CloseDocument();
    if (s_current == this) {
        s_current = nullptr;
    }
}

bool WinApp::OnIdle(long count)
{
    (void)count;
    return false;
}

HWND WinApp::GetMainWindow() const
{
    return m_frame ? m_frame->GetHandle() : nullptr;
}

void WinApp::AddModeless(HWND dialog)
{
    ModelessDialogs().push_back(dialog);
}

void WinApp::RemoveModeless(HWND dialog)
{
    auto& dialogs = ModelessDialogs();
    dialogs.erase(std::remove(dialogs.begin(), dialogs.end(), dialog), dialogs.end());
}

bool WinApp::PreTranslate(MSG& msg)
{
    for (HWND dialog : ModelessDialogs()) {
        if (IsWindow(dialog) && IsDialogMessageA(dialog, &msg)) {
            return true;
        }
    }
    return false;
}

void WinApp::BeginCallWait(HWND keep)
{
    if (m_callWait) {
        return;
    }
    m_callWait = true;
    m_focusBeforeWait = GetFocus();
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM self) -> BOOL {
            auto* app = reinterpret_cast<WinApp*>(self);
            // Hidden windows take no input; the frame is held all the same.
            const bool shown = IsWindowVisible(window) || window == app->GetMainWindow();
            if (shown && IsWindowEnabled(window)) {
                app->m_heldWindows.push_back(window);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(this));
    m_heldWindows.erase(std::remove(m_heldWindows.begin(), m_heldWindows.end(), keep), m_heldWindows.end());
    for (HWND window : m_heldWindows) {
        EnableWindow(window, FALSE);
    }
    m_messageHook = SetWindowsHookExA(WH_GETMESSAGE, &WinApp::CallWaitMessageHook, nullptr, GetCurrentThreadId());
}

void WinApp::EndCallWait()
{
    if (!m_callWait) {
        return;
    }
    if (m_messageHook != nullptr) {
        UnhookWindowsHookEx(m_messageHook);
        m_messageHook = nullptr;
    }
    for (HWND window : m_heldWindows) {
        if (IsWindow(window)) {
            EnableWindow(window, TRUE);
        }
    }
    m_heldWindows.clear();
    m_callWait = false;
    if (m_focusBeforeWait != nullptr && IsWindow(m_focusBeforeWait) && IsWindowEnabled(m_focusBeforeWait)) {
        SetFocus(m_focusBeforeWait);
    }
    m_focusBeforeWait = nullptr;
}

// A WM_CLOSE posted to the frame (by another program, say) would reach the
// frame through the call's wait loop, and the components' waits end the call
// on any WM_CLOSE they dispatch: the request is kept and the message turned
// into nothing before the loop sees it.
LRESULT CALLBACK WinApp::CallWaitMessageHook(int code, WPARAM removal, LPARAM message)
{
    auto* msg = reinterpret_cast<MSG*>(message);
    WinApp* app = s_current;
    if (code == HC_ACTION && removal == PM_REMOVE && app != nullptr && app->m_callWait && msg->message == WM_CLOSE &&
        msg->hwnd != nullptr && msg->hwnd == app->GetMainWindow()) {
        app->m_closePending = true;
        msg->message = WM_NULL;
    }
    return CallNextHookEx(nullptr, code, removal, message);
}

void WinApp::CloseIfPending()
{
    if (!m_closePending || m_callWait) {
        return;
    }
    m_closePending = false;
    if (HWND main = GetMainWindow()) {
        PostMessageA(main, WM_CLOSE, 0, 0);
    }
}

int WinApp::Start(int showCommand)
{
    m_showCommand = showCommand;
    int code = InitInstance() ? Run() : 0;
    return std::max(code, ExitInstance());
}

int WinApp::Run()
{
    MSG msg;
    long idleCount = 0;
    bool idle = true;
    for (;;) {
        while (idle && !PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            if (!OnIdle(idleCount++)) {
                idle = false;
            }
        }
        if (!idle) {
            WaitMessage();
        }
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                m_exitCode = static_cast<int>(msg.wParam);
                return m_exitCode;
            }
            if (!PreTranslate(msg)) {
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
            CloseIfPending();
        }
        idle = true;
        idleCount = 0;
    }
}

bool WinApp::OpenNewDocument()
{
    if (!m_template.m_makeDocument || !m_template.m_makeFrame || !m_template.m_makeView) {
        return false;
    }
    m_document = m_template.m_makeDocument();
    m_frame = m_template.m_makeFrame();
    m_view = m_template.m_makeView();
    if (!m_document || !m_frame || !m_view || !m_document->OnNewDocument() ||
        !m_frame->LoadFrame(m_template.m_resourceId, m_document.get(), m_view.get())) {
        CloseDocument();
        return false;
    }
    m_view->OnInitialUpdate();
    ShowWindow(m_frame->GetHandle(), m_showCommand);
    return true;
}

void WinApp::CloseDocument()
{
    if (m_document) {
        m_document->OnCloseDocument();
    }
    m_view.reset();
    m_frame.reset();
    m_document.reset();
}

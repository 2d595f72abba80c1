// The loop drains the queue, then calls OnIdle until it declines, then
// blocks in WaitMessage; a posted WM_QUIT ends it. Modeless dialogs get
// their keyboard handling (Tab, Enter, Esc) through IsDialogMessage.
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

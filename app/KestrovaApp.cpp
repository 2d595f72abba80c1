#include "app/KestrovaApp.h"

#include "app/AboutDlg.h"
#include "app/AppOptions.h"
#include "app/CommandArgumentsDlg.h"
#include "app/DebugOptions.h"
#include "app/KestrovaDoc.h"
#include "app/KestrovaView.h"
#include "app/MainFrame.h"
#include "app/WaitDlg.h"
#include "asset/TextHelpers.h"
#include "common/AppHelpers.h"
#include "common/AppState.h"
#include "common/MessageBoxHook.h"
#include "resources/resource.h"

#include <ole2.h>

namespace {

// A request of another thread for the busy dialog, sent to the main window:
// wParam 1 shows it with the status text that lParam points to, 0 hides it.
constexpr UINT kMsgBusyRequest = WM_APP + 100;

} // namespace

CKestrovaApp::CKestrovaApp() : m_mainThread(GetCurrentThreadId())
{
    m_map.Command(ID_COMMAND_ARGUMENTS, this, &CKestrovaApp::OnCommandArguments);
    m_map.Command(ID_APP_ABOUT, this, &CKestrovaApp::OnAppAbout);
    m_map.Command(ID_OPTIONS, this, &CKestrovaApp::OnOptions);
    m_map.Command(ID_NETWORK_OPTIONS, this, &CKestrovaApp::OnNetworkOptions);
    m_map.OnCommand(ID_NETWORK_AUDIT_NQDI, [this] { OnNetworkAudit(0); });
    m_map.OnCommand(ID_NETWORK_AUDIT_WNET, [this] { OnNetworkAudit(1); });
    m_map.OnCommand(ID_NETWORK_AUDIT_ADSI, [this] { OnNetworkAudit(2); });
    for (UINT id : {ID_NETWORK_AUDIT_NQDI, ID_NETWORK_AUDIT_WNET, ID_NETWORK_AUDIT_ADSI}) {
        m_map.Update(id, this, &CKestrovaApp::OnUpdateNetworkAudit);
    }
    SetDocTemplate({IDR_MAINFRAME, [] { return std::make_unique<CKestrovaDoc>(); },
                    [] { return std::make_unique<CMainFrame>(); }, [] { return std::make_unique<CKestrovaView>(); }});
}

CKestrovaApp::~CKestrovaApp()
{
    if (m_waitDlg != nullptr) {
        m_waitDlg->DestroyWindow(); // the dialog deletes itself and clears the pointer
    }
}

CKestrovaDoc* CKestrovaApp::GetKestrovaDoc() const
{
    return static_cast<CKestrovaDoc*>(GetDocument());
}

bool CKestrovaApp::InitInstance()
{
    if (m_commandLine.empty()) {
        m_commandLine = GetCommandLineA();
    }
    // Read first, so that even the earliest failure knows whether anybody
    // is there to see a message.
    StartupSwitches switches = ReadStartupSwitches(CommandLineSwitches(m_commandLine, false));
    if (FAILED(OleInitialize(nullptr))) {
        if (switches.m_runMode == kRunInteractive) {
            ShowMessageBox(nullptr, LoadResourceString(IDS_OLE_INIT_FAILED, nullptr), "Kestrova", MB_OK | MB_ICONERROR);
        } else {
            m_exitCode = kExitAuditIncomplete;
        }
        return false;
    }
    AppState& state = GetAppState();
    m_showCommand = SW_HIDE; // the frame is made invisible
    state.m_wmiAvailable = ProbeWmiAvailable(m_assetTag);
    if (!OpenNewDocument()) {
        m_exitCode = switches.m_runMode == kRunInteractive ? 0 : kExitAuditIncomplete;
        return false;
    }
    GetMainFrame()->Map().Message(kMsgBusyRequest, this, &CKestrovaApp::OnBusyRequest);

    state.m_runMode = switches.m_runMode;
    state.m_apiAuditSwitch = switches.m_apiAudit;

    // The settings and the log stay in the folder current now, whichever
    // folder is current later.
    char folder[MAX_PATH] = {};
    const DWORD length = GetCurrentDirectoryA(MAX_PATH, folder);
    state.m_config.SetFolder(length > 0 && length < MAX_PATH ? folder : "");
    bool loaded = state.m_config.Load();
    if (auto* view = dynamic_cast<CKestrovaView*>(GetView())) {
        view->EnableLookupButtons(loaded);
    }
    if (state.RunsUnattended() && !loaded) {
        // Nothing to tell and nobody to tell it to: the exit code says it.
        m_exitCode = kExitNoConfiguration;
        return false;
    }
    m_location = switches.m_location;
    m_department = switches.m_department;

    if (!state.RunsUnattended()) {
        if (GetAsyncKeyState(VK_CONTROL) & 0x8000) {
            AddDebugMenu();
        }
        if (switches.m_remoteMenu) {
            AddRemoteAuditMenu();
        }
        HWND frame = GetMainWindow();
        SetWindowTextA(frame, LoadResourceString(IDS_APP_TITLE, nullptr).c_str());
        RECT window;
        GetWindowRect(frame, &window);
        int width = window.right - window.left;
        int height = window.bottom - window.top;
        SetWindowPos(frame, nullptr, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                     (GetSystemMetrics(SM_CYSCREEN) - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        ShowWindow(frame, SW_SHOW);
        UpdateWindow(frame);
        return true;
    }

    m_exitCode = RunUnattended(switches);
    CloseDocument();
    return false;
}

void CKestrovaApp::AppendPopupMenu(const char* title, const std::vector<std::pair<UINT, const char*>>& items)
{
    HWND frame = GetMainWindow();
    HMENU bar = GetMenu(frame);
    HMENU popup = CreatePopupMenu();
    for (const auto& item : items) {
        AppendMenuA(popup, MF_STRING, item.first, item.second);
    }
    InsertMenuA(bar, static_cast<UINT>(GetMenuItemCount(bar)), MF_BYPOSITION | MF_POPUP,
                reinterpret_cast<UINT_PTR>(popup), title);
    DrawMenuBar(frame);
}

void CKestrovaApp::AddDebugMenu()
{
    m_debugMenuAdded = true;
    AppendPopupMenu("&Debug", {{ID_NETWORK_OPTIONS, "Network Options..."}});
}

void CKestrovaApp::AddRemoteAuditMenu()
{
    m_remoteAuditMenuAdded = true;
    AppendPopupMenu("&Remote Audit", {{ID_NETWORK_AUDIT_NQDI, "Network Audit (NQDI)"},
                                      {ID_NETWORK_AUDIT_WNET, "Network Audit (WNet*)"},
                                      {ID_NETWORK_AUDIT_ADSI, "Network Audit (ADSI)"}});
}

// The main thread shows the busy window for a call that keeps its messages
// flowing while it waits: nothing else of the program takes input until it
// is hidden again. A worker's call leaves the main thread's windows alone.
void CKestrovaApp::ShowWaitDlg(const std::string& status)
{
    if (SendBusyRequestToMainThread(true, &status)) {
        return;
    }
    ShowBusyWindow(status);
    BeginCallWait(m_waitDlg != nullptr ? m_waitDlg->GetHandle() : nullptr);
}

void CKestrovaApp::HideWaitDlg()
{
    if (SendBusyRequestToMainThread(false, nullptr)) {
        return;
    }
    EndCallWait();
    HideBusyWindow();
}

void CKestrovaApp::ShowBusyWindow(const std::string& status)
{
    if (m_waitDlg == nullptr) {
        m_waitDlg = new WaitDlg(&m_waitDlg);
        if (!m_waitDlg->Create(nullptr)) {
            delete m_waitDlg;
            m_waitDlg = nullptr;
            return;
        }
    }
    // Over the window in use without taking its place: boxes shown meanwhile
    // still belong to that window.
    ShowWindow(m_waitDlg->GetHandle(), SW_SHOWNOACTIVATE);
    m_waitDlg->SetText(status);
}

void CKestrovaApp::HideBusyWindow()
{
    if (m_waitDlg != nullptr) {
        ShowWindow(m_waitDlg->GetHandle(), SW_HIDE);
    }
}

// A window made by a worker would die with its thread while this object
// kept the pointer. The main thread always runs a message loop while a
// worker works (the worker's progress dialog), so the request is taken at
// once.
bool CKestrovaApp::SendBusyRequestToMainThread(bool show, const std::string* status)
{
    if (GetCurrentThreadId() == m_mainThread) {
        return false;
    }
    if (HWND main = GetMainWindow()) {
        SendMessageA(main, kMsgBusyRequest, show ? 1 : 0, reinterpret_cast<LPARAM>(status));
    }
    return true;
}

LRESULT CKestrovaApp::OnBusyRequest(WPARAM show, LPARAM status)
{
    if (show != 0) {
        ShowBusyWindow(*reinterpret_cast<const std::string*>(status));
    } else {
        HideBusyWindow();
    }
    return 0;
}

void CKestrovaApp::OnCommandArguments()
{
    CommandArgumentsDlg dialog;
    dialog.DoModal(GetMainWindow());
}

void CKestrovaApp::OnAppAbout()
{
    AboutDlg about;
    about.DoModal(GetMainWindow());
}

void CKestrovaApp::OnOptions()
{
    ConfigFile& config = GetAppState().m_config;
    AppOptions sheet;
    if (config.Load()) {
        sheet.TakeFrom(config);
    }
    if (sheet.DoModal(GetMainWindow()) != IDOK) {
        return;
    }
    sheet.StoreInto(config);
    if (!config.Save(GetAppState())) {
        return;
    }
    config.m_loaded = true;
    if (auto* view = dynamic_cast<CKestrovaView*>(GetView())) {
        view->EnableLookupButtons(true);
    }
    SetWindowTextA(GetMainWindow(), LoadResourceString(IDS_APP_TITLE, nullptr).c_str());
}

void CKestrovaApp::OnNetworkOptions()
{
    ConfigFile& config = GetAppState().m_config;
    DebugOptions sheet(config.m_pickerScopeFlags, config.m_pickerScopeTypes);
    sheet.DoModal(GetMainWindow());
}

void CKestrovaApp::OnNetworkAudit(int source)
{
    if (!m_remoteAuditMenuAdded) {
        return;
    }
    if (CKestrovaDoc* doc = GetKestrovaDoc()) {
        doc->SetRemote(true);
        doc->RunNetworkAudit(source);
    }
}

void CKestrovaApp::OnUpdateNetworkAudit(CmdUI& ui)
{
    ui.Enable(!IsWindows9x() && m_remoteAuditMenuAdded);
}

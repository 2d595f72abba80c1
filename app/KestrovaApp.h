// The application object: start-up in one of the three run modes, the
// values of the command line, the run-time menus, the busy dialog and the
// application-level commands.
#pragma once

#include "app/CommandLineSwitches.h"
#include "winui/WinApp.h"

#include <string>
#include <vector>

class CKestrovaDoc;
class WaitDlg;

// How a hidden or minimal run ended, as its exit code (the README lists
// them for log-on scripts and software-distribution tools).
enum UnattendedExitCode : int {
    kExitDelivered = 0,       // the result was saved or uploaded
    kExitNoConfiguration = 1, // kestrova.cfg is missing or cannot be read
    kExitAuditIncomplete = 2, // the audit did not run to its end: nothing saved or sent
    kExitSaveFailed = 3,      // the result could not be saved (or /S names no folder)
    kExitUploadFailed = 4,    // the server was not reached or did not accept the result
};

class CKestrovaApp : public WinApp {
public:
    CKestrovaApp();
    ~CKestrovaApp() override;

    static CKestrovaApp* Get() { return static_cast<CKestrovaApp*>(WinApp::Current()); }

    bool InitInstance() override;

    void AddDebugMenu();
    void AddRemoteAuditMenu();
    // The busy dialog lives on the main thread; a call from another thread
    // is carried out there, and returns when it was. Shown by the main
    // thread, it holds the program's other windows until it is hidden.
    void ShowWaitDlg(const std::string& status);
    void HideWaitDlg();
    WaitDlg* GetWaitDlg() const { return m_waitDlg; }

    CKestrovaDoc* GetKestrovaDoc() const;
    // The command line that start-up reads (the process's own by default).
    void SetCommandLine(const std::string& commandLine) { m_commandLine = commandLine; }

    std::vector<std::string> m_unresponsiveComputers;
    std::vector<std::string> m_nonNtComputers;
    bool m_debugMenuAdded = false;
    bool m_remoteAuditMenuAdded = false;
    std::string m_location;
    std::string m_department;
    std::string m_saveFolder;
    std::string m_assetTag;

private:
    // Audits this computer, then saves or uploads a full result; never
    // shows anything, never lets an exception out. Gives the exit code.
    int RunUnattended(const StartupSwitches& switches);
    // Saves or uploads the result; stage says which of the two runs, for an
    // exception that ends it. Gives the exit code.
    int SaveOrUpload(CKestrovaDoc& doc, const StartupSwitches& switches, int& stage);
    void OnCommandArguments();
    void OnAppAbout();
    void OnOptions();
    void OnNetworkOptions();
    void OnNetworkAudit(int source);
    void OnUpdateNetworkAudit(CmdUI& ui);
    void AppendPopupMenu(const char* title, const std::vector<std::pair<UINT, const char*>>& items);
    // True when called off the main thread: the request went to it.
    bool SendBusyRequestToMainThread(bool show, const std::string* status);
    void ShowBusyWindow(const std::string& status);
    void HideBusyWindow();
    LRESULT OnBusyRequest(WPARAM show, LPARAM status);

    WaitDlg* m_waitDlg = nullptr;
    DWORD m_mainThread;
    std::string m_commandLine;
};

// The start-up WMI query: true when WMI answered; the SMBIOS asset tag,
// trimmed, goes to assetTag (left alone on failure).
bool ProbeWmiAvailable(std::string& assetTag);

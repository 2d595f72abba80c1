#include "app/KestrovaDoc.h"

#include "app/KestrovaApp.h"
#include "app/NetworkAuditDlg.h"
#include "app/ReportRendering.h"
#include "app/ResultsHtmlDlg.h"
#include "app/SavedAuditFiles.h"
#include "app/ServerExchange.h"
#include "common/AppState.h"
#include "common/MessageBoxHook.h"
#include "common/TextHelpers.h"
#include "common/XmlDocument.h"
#include "resources/resource.h"

#include <comdef.h>

namespace {

const char kUploadingSavedText[] = "Uploading saved audit to Ondelmark...";
const char kUploadedSavedText[] = "Successful Upload";
const char kUploadedSavedLog[] = "Successfully Uploaded to Ondelmark Server.";

} // namespace

CKestrovaDoc::CKestrovaDoc() : m_serverThread(GetCurrentThreadId())
{
    m_map.Command(ID_UPLOAD_SAVED_AUDITS, this, &CKestrovaDoc::OnUploadSavedAudits);
}

CKestrovaDoc::~CKestrovaDoc()
{
    (void)m_server.Do(kSoapNoAction, {});
}

void CKestrovaDoc::RunAudit(const std::string& computer, AuditProgressSink* sink)
{
    m_cancelled = false;
    m_audit.RunAudit(computer, sink);
}

bool CKestrovaDoc::LastAuditWasFull() const
{
    // The driver marks a cancelled run and one that a failing step ended
    // completed as well: only the outcome tells a full run, and a progress
    // window that ended without the audit counts as a cancel.
    return m_audit.m_outcome == AuditOutcome::Completed && !m_cancelled;
}

bool CKestrovaDoc::UploadAuditResults(const std::string& resultXml, std::string& errorText)
{
    if (!GetAppState().RunsUnattended()) {
        if (CKestrovaApp* app = CKestrovaApp::Get()) {
            app->ShowWaitDlg("Uploading audit results to the Ondelmark server...");
        }
    }
    if (GetCurrentThreadId() == m_serverThread) {
        return UploadResultXml(m_server, ConfiguredServerLogin(), resultXml, errorText);
    }
    // The document's component hears its sockets through a window of the
    // thread that made it: another thread (the network audit's worker)
    // uploads through a component of its own.
    SoapComponent own;
    return UploadResultXml(own, ConfiguredServerLogin(), resultXml, errorText);
}

void CKestrovaDoc::WriteLog(int level, const std::string& text)
{
    const ConfigFile& config = GetAppState().m_config;
    LogFile log;
    log.SetErrorSwitch(config.m_logErrors);
    log.Open(config.GetLogFolder(), config.m_logNameOption);
    log.Write(level, text);
    log.Close();
}

void CKestrovaDoc::OnUploadSavedAudits()
{
    SetRemote(false);
    CKestrovaApp* app = CKestrovaApp::Get();
    HWND owner = app != nullptr ? app->GetMainWindow() : nullptr;
    std::vector<std::string> paths;
    const bool chosen = m_askSavedFiles ? m_askSavedFiles(owner, paths) : AskSavedAuditFiles(owner, paths);
    if (!chosen) {
        return;
    }
    // One file chosen alone is the one every box is about; of several, each
    // failure names its own.
    const bool nameFiles = paths.size() > 1;
    for (const std::string& path : paths) {
        UploadSavedAudit(owner, path, nameFiles);
        // Asked to close during the upload: the files after it wait for the
        // next start.
        if (app != nullptr && app->IsClosePending()) {
            break;
        }
    }
}

namespace {
// A failure's text with the file it is about on a line of its own after it.
std::string NamingFile(std::string text, const std::string& path)
{
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) {
        text.pop_back();
    }
    return text + "\r\n\r\nFile: " + path;
}
} // namespace

// The file goes to the server as it was read: it is neither checked against
// the result format nor rewritten.
void CKestrovaDoc::UploadSavedAudit(HWND owner, const std::string& path, bool nameFile)
{
    XmlDocument file;
    if (!file.LoadFile(path.c_str())) {
        std::string text = LoadResourceString(IDS_SAVED_FILE_CORRUPT, nullptr);
        if (nameFile) {
            text = NamingFile(text, path);
        }
        ShowMessageBox(owner, text, "Kestrova", MB_OK | MB_ICONERROR);
        WriteLog(3, text);
        return;
    }
    CKestrovaApp* app = CKestrovaApp::Get();
    if (app != nullptr) {
        app->ShowWaitDlg(kUploadingSavedText);
    }
    std::string error;
    bool uploaded = false;
    try {
        uploaded = UploadAuditResults(file.GetDocument(), error);
    } catch (const _com_error& failure) {
        error = failure.ErrorMessage(); // the password could not be enciphered
    }
    if (app != nullptr) {
        app->HideWaitDlg();
    }
    if (uploaded) {
        ShowMessageBox(owner, kUploadedSavedText, "Kestrova", MB_OK);
        WriteLog(0, kUploadedSavedLog);
        return;
    }
    std::string text = LoadResourceString(IDS_UPLOAD_FAILED, nullptr) + error;
    if (nameFile) {
        text = NamingFile(text, path);
    }
    ShowMessageBox(owner, text, "Kestrova", MB_OK | MB_ICONERROR);
    WriteLog(3, text);
}

void CKestrovaDoc::RunNetworkAudit(int method)
{
    CKestrovaApp* app = CKestrovaApp::Get();
    // The set-up dialog tells of an empty or failed scan before it shows,
    // and each box's loop takes what is posted to the frame meanwhile: a
    // Remote Audit command among it would start a second audit inside the
    // first, with its boxes over the first one's.
    if (app == nullptr || m_networkAuditRunning) {
        return;
    }
    struct Running {
        bool& flag;
        explicit Running(bool& f) : flag(f) { flag = true; }
        ~Running() { flag = false; }
    } running(m_networkAuditRunning);
    app->m_unresponsiveComputers.clear();
    app->m_nonNtComputers.clear();
    NetworkAuditDlg setup(*this, app->GetMainWindow(), method, m_networkAuditHooks);
    const INT_PTR result = setup.DoModal();
    SetRemote(false); // what follows audits this computer again
    if (result != IDOK || (app->m_unresponsiveComputers.empty() && app->m_nonNtComputers.empty())) {
        return;
    }
    // A render that fails leaves what it wrote: that is shown all the same.
    std::string path;
    (void)RenderExceptionReportToTempFile(app->m_unresponsiveComputers, app->m_nonNtComputers, path);
    if (path.empty()) {
        return;
    }
    ResultsHtmlDlg report(nullptr);
    report.m_path = path;
    report.DoModal();
    DeleteFileA(path.c_str());
}

void CKestrovaDoc::AddUnresponsiveComputer(const std::string& name)
{
    if (CKestrovaApp* app = CKestrovaApp::Get()) {
        app->m_unresponsiveComputers.push_back(name);
    }
}

void CKestrovaDoc::AddNonWmiComputer(const std::string& name)
{
    if (CKestrovaApp* app = CKestrovaApp::Get()) {
        app->m_nonNtComputers.push_back(name);
    }
}

#include "app/KestrovaDoc.h"

#include "app/KestrovaApp.h"
#include "app/ServerExchange.h"
#include "common/AppState.h"

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
    return UploadResultXml(m_server, ConfiguredServerLogin(), resultXml, errorText);
}

void CKestrovaDoc::WriteLog(int level, const std::string& text)
{
    const ConfigFile& config = GetAppState().m_config;
    LogFile log;
    log.SetErrorSwitch(config.m_logErrors);
    log.Open(config.GetLogPath(), config.m_logNameOption);
    log.Write(level, text);
    log.Close();
}

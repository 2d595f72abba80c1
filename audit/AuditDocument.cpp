#include "audit/AuditDocument.h"

#include "common/TextHelpers.h"
#include "audit/AuditEngineFactory.h"
#include "audit/ResultXml.h"
#include "common/AppState.h"
#include "common/SafeFileWrite.h"
#include "common/UserNotice.h"
#include "resources/resource.h"

namespace {

const char kSaveFailedText[] = "Could not save the audit results to file.";
const char kSavedText[] = "Audit results have been saved successfully.";

} // namespace

AuditDocument::AuditDocument() : m_app(GetAppState()) {}

AuditDocument::AuditDocument(const AppState& app) : m_app(app) {}

void AuditDocument::DriverLog::Write(const int& level, const std::string& text)
{
    m_log.Write(level, text);
    if (AuditLogSink* tap = GetAuditLogTap()) {
        tap->Write(level, text);
    }
}

void AuditDocument::OpenLog()
{
    m_log.SetErrorSwitch(m_app.m_config.m_logErrors);
    m_log.Open(m_app.m_config.GetLogFolder(), m_app.m_config.m_logNameOption);
}

void AuditDocument::NotifyAfterAudit(const std::string& text, unsigned boxStyle)
{
    if (!m_app.RunsUnattended()) {
        NotifyUser(m_app, nullptr, text, boxStyle);
        return;
    }
    OpenLog();
    NotifyUser(m_app, &m_driverLog, text, boxStyle);
    m_log.Close();
}

std::string AuditDocument::GetResultFormatVersion() const
{
    return LoadResourceString(IDS_RESULT_FORMAT_VERSION, nullptr);
}

std::string AuditDocument::WriteResultXml()
{
    if (!m_engine) {
        return std::string();
    }
    return BuildResultXml(*m_engine, GetResultFormatVersion());
}

bool AuditDocument::SaveResultFile(const std::string& path)
{
    // An empty file in place of a result would pass for one: without a
    // completed audit nothing is written. The text is built before the file
    // is touched, so a failure there (it throws) leaves the old file too.
    bool saved = false;
    unsigned long error = 0;
    if (m_completed) {
        std::string text = WriteResultXml();
        saved = !text.empty() && ReplaceFileContents(path, text, &error);
    }
    if (!saved) {
        // The system's reason (access denied, disk full, path not found)
        // follows the fixed text.
        NotifyAfterAudit(error != 0 ? std::string(kSaveFailedText) + " " + SystemErrorText(error) : kSaveFailedText,
                         MB_OK | MB_ICONERROR);
        return false;
    }
    if (!m_remote) {
        NotifyUser(m_app, nullptr, kSavedText, MB_OK | MB_ICONINFORMATION);
    }
    return true;
}

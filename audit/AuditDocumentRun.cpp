// The audit driver: one computer from its signature file to the last log
// line.
//
// The log is closed on every way out once it is open: after an engine that
// throws, the failed audit's entries would otherwise sit unwritten and the
// file stay locked until some later audit opens it again. In hidden and minimal mode a signature file that
// cannot be read or written does not stop the audit (the result then gets a
// new identity), so the failure goes to the log instead of a message box.
#include "audit/AuditDocument.h"

#include "asset/AssetPropertyIndex.h"
#include "audit/AuditEngineFactory.h"
#include "audit/SignatureFile.h"
#include "common/AppState.h"
#include "common/MessageBoxHook.h"

namespace {

const char kReadFailedText[] = "Unable to read the Kestrova signature file needed for auditing.";
const char kWriteFailedText[] =
    "Unable to write the Kestrova signature file needed to uniquely identify this computer for auditing.";
const char kCaption[] = "Kestrova";

} // namespace

void AuditDocument::WriteDriverLog(int level, const std::string& text)
{
    m_log.Write(level, text);
    if (AuditLogSink* tap = GetAuditLogTap()) {
        tap->Write(level, text);
    }
}

void AuditDocument::RunAudit(const std::string& computer, AuditProgressSink* sink)
{
    const AppState& app = GetAppState();
    m_completed = false;

    SignatureFile signature(computer, m_remote);
    std::string guid;
    const bool exists = signature.Exists();
    const bool signed_ = exists ? signature.Read(guid) : signature.Create(guid);
    const char* signatureError = nullptr;
    if (!signed_) {
        signatureError = exists ? kReadFailedText : kWriteFailedText;
        if (!app.RunsUnattended()) {
            ShowMessageBox(nullptr, signatureError, kCaption, MB_OK | MB_ICONERROR);
            return;
        }
        guid.clear();
    }

    m_log.SetErrorSwitch(app.m_config.m_logErrors);
    m_log.Open(app.m_config.GetLogPath(), app.m_config.m_logNameOption);
    try {
        WriteDriverLog(1, "COMPUTER - " + computer);
        WriteDriverLog(1, "Audit Started.");
        if (signatureError != nullptr) {
            WriteDriverLog(3, signatureError);
        }

        const AuditEngineKind kind = ChooseAuditEngine(app, m_remote);
        m_engine = MakeAuditEngine(kind);
        if (kind == AuditEngineKind::Wmi) {
            m_engine->SetRemote(m_remote);
        }
        m_engine->SetProgressSink(sink);
        m_engine->SetLogSink(&m_log);
        m_engine->Run(_bstr_t(computer.c_str()));

        // An engine that never reached the computer (it has reported why)
        // holds an empty record: that must not be saved or sent as an audit.
        if (m_engine->RunReachedComputer()) {
            m_engine->Result().Property(AssetIMPL::kGuid).SetString(guid);
            m_completed = true;
            WriteDriverLog(1, "Audit Completed.");
        }
    } catch (...) {
        m_log.Close();
        throw;
    }
    m_log.Close();
}

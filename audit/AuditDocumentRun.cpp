// The audit driver: one computer from its signature file to the last log
// line.
//
// The log is closed on every way out once it is open: after an engine that
// throws, the failed audit's entries would otherwise sit unwritten and the
// file stay locked until some later audit opens it again. In hidden and
// minimal mode a signature file that cannot be read or written does not stop
// the audit (the result then gets a new identity), so the failure goes to the
// log instead of a message box.
//
// "Audit Completed." closes a full run and, as before, a cancelled one; a run
// that a failure ended early gets the failure's text at level 3 instead, and
// one that never reached the computer gets the reason as a notice.
#include "audit/AuditDocument.h"

#include "asset/AssetPropertyIndex.h"
#include "asset/Exceptions.h"
#include "audit/AuditEngineFactory.h"
#include "audit/SignatureFile.h"
#include "common/AppState.h"
#include "common/UserNotice.h"

namespace {

const char kReadFailedText[] = "Unable to read the Kestrova signature file needed for auditing.";
const char kWriteFailedText[] =
    "Unable to write the Kestrova signature file needed to uniquely identify this computer for auditing.";

} // namespace

void AuditDocument::RunAudit(const std::string& computer, AuditProgressSink* sink)
{
    m_completed = false;
    m_outcome = AuditOutcome::NotRun;

    SignatureFile signature(computer, m_remote);
    std::string guid;
    const bool exists = signature.Exists();
    const bool signed_ = exists ? signature.Read(guid) : signature.Create(guid);
    const char* signatureError = nullptr;
    if (!signed_) {
        signatureError = exists ? kReadFailedText : kWriteFailedText;
        guid.clear();
        if (!m_app.RunsUnattended()) {
            NotifyUser(m_app, nullptr, signatureError, MB_OK | MB_ICONERROR);
            return;
        }
    }

    OpenLog();
    try {
        m_driverLog.Write(1, "COMPUTER - " + computer);
        m_driverLog.Write(1, "Audit Started.");
        if (signatureError != nullptr) {
            NotifyUser(m_app, &m_driverLog, signatureError, MB_OK | MB_ICONERROR);
        }
        RunEngine(computer, sink, guid);
    } catch (...) {
        // Nothing of the engine's own: the failure ended the run here.
        m_outcome = AuditOutcome::Failed;
        m_driverLog.Write(3, DescribeCurrentException());
        m_log.Close();
        throw;
    }
    m_log.Close();
}

void AuditDocument::RunEngine(const std::string& computer, AuditProgressSink* sink, const std::string& guid)
{
    const AuditEngineKind kind = ChooseAuditEngine(m_app, m_remote);
    m_engine = MakeAuditEngine(kind);
    if (kind == AuditEngineKind::Wmi) {
        m_engine->SetRemote(m_remote);
    }
    m_engine->SetProgressSink(sink);
    m_engine->SetLogSink(&m_log);
    m_engine->Run(_bstr_t(computer.c_str()));

    m_outcome = m_engine->RunOutcome();
    if (m_outcome == AuditOutcome::NotRun) {
        m_outcome = AuditOutcome::Completed;
    }
    // An engine that never reached the computer holds an empty record: that
    // must not be saved or sent as an audit.
    if (m_outcome == AuditOutcome::Unreachable) {
        NotifyUser(m_app, &m_driverLog, m_engine->RunFailure(), MB_OK);
        return;
    }
    m_engine->Result().Property(AssetIMPL::kGuid).SetString(guid);
    m_completed = true;
    // The engine has logged the failure that ended its run early.
    if (m_outcome != AuditOutcome::Failed) {
        m_driverLog.Write(1, "Audit Completed.");
    }
}

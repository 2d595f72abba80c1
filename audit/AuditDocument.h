// What the application's document holds of an audit: the engine that ran
// last, the log, whether that audit completed and how it ended, and whether
// it was a remote one; with the result XML and the result file written from
// it. The document class keeps one of these and forwards to it.
#pragma once

#include "audit/Audit.h"
#include "audit/AuditOutcome.h"
#include "common/LogFile.h"

#include <boost/shared_ptr.hpp>

#include <string>

struct AppState;

class AuditDocument {
public:
    // Runs as the application's state says (run mode, /A, the WMI probe,
    // the configuration).
    AuditDocument();
    // Runs as the given state says; the state must outlive the document.
    explicit AuditDocument(const AppState& app);
    AuditDocument(const AuditDocument&) = delete;
    AuditDocument& operator=(const AuditDocument&) = delete;

    // String resource 144, "1.2".
    std::string GetResultFormatVersion() const;
    // The result XML of the last engine; "" without one.
    std::string WriteResultXml();
    // Writes the result XML to path. Only a completed audit is saved: before
    // one, the file is left alone and the result is false.
    bool SaveResultFile(const std::string& path);
    // Audits one computer ("." for this one) with the engine the application
    // state asks for; sink may be null.
    void RunAudit(const std::string& computer, AuditProgressSink* sink);

    boost::shared_ptr<Audit> m_engine;
    LogFile m_log;
    // Set when the engine returned, also after a cancel or a failure that
    // ended the run early; not when the computer was never reached.
    bool m_completed = false;
    AuditOutcome m_outcome = AuditOutcome::NotRun;
    bool m_remote = false;

private:
    // The log of an audit and the driver's log tap in one sink.
    class DriverLog : public AuditLogSink {
    public:
        explicit DriverLog(LogFile& log) : m_log(log) {}
        void Write(const int& level, const std::string& text) override;

    private:
        LogFile& m_log;
    };

    void OpenLog();
    // A notice outside an audit; unattended, it opens the log for its entry.
    void NotifyAfterAudit(const std::string& text, unsigned boxStyle);
    void RunEngine(const std::string& computer, AuditProgressSink* sink, const std::string& guid);

    const AppState& m_app;
    DriverLog m_driverLog{m_log};
};

// What the application's document holds of an audit: the engine that ran
// last, the log, and whether that audit completed and was a remote one; with
// the result XML and the result file written from it. The document class
// keeps one of these and forwards to it.
#pragma once

#include "audit/Audit.h"
#include "common/LogFile.h"

#include <boost/shared_ptr.hpp>

#include <string>

class AuditDocument {
public:
    AuditDocument() = default;
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
    bool m_completed = false;
    bool m_remote = false;

private:
    void WriteDriverLog(int level, const std::string& text);
};

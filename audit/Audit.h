// The audit-engine interface and what both engines share.
#pragma once

#include "asset/AssetComputerImpl.h"
#include "audit/AuditOutcome.h"
#include "common/AuditSinks.h"

#include <comutil.h>

#include <string>

// An audit engine. Engines are owned through boost::shared_ptr<Audit> made from
// a pointer to the concrete class, which runs the concrete destructor.
class Audit {
public:
    virtual void Run(const _bstr_t& computer) = 0; // "." is this computer
    virtual void SetLogSink(AuditLogSink* sink) = 0;
    virtual void SetProgressSink(AuditProgressSink* sink) = 0;
    virtual void SetUserFirstName(const std::string& text) = 0;
    virtual void SetUserMiddleInitial(const std::string& text) = 0;
    virtual void SetUserLastName(const std::string& text) = 0;
    virtual void SetRemote(bool remote) = 0;
    virtual std::string GetUserFirstName() = 0;
    virtual std::string GetUserMiddleInitial() = 0;
    virtual std::string GetUserLastName() = 0;
    virtual std::string GetMonitorDescription() = 0;
    virtual std::string GetMonitorSerialNo() = 0;

    // The result of the last run.
    virtual AssetIMPL::AssetComputerImpl& Result() = 0;
    // How the last run ended; an engine that does not tell ran to its end.
    virtual AuditOutcome RunOutcome() const { return AuditOutcome::Completed; }
    // The text of the failure that ended the last run early or kept it from
    // the computer; "" otherwise.
    virtual std::string RunFailure() const { return std::string(); }

protected:
    ~Audit() = default;
};

// Members and helpers common to both engines.
class AuditEngine : public Audit {
public:
    void SetLogSink(AuditLogSink* sink) override { m_logSink = sink; }
    void SetProgressSink(AuditProgressSink* sink) override { m_progressSink = sink; }
    void SetUserFirstName(const std::string& text) override { m_userFirstName = text; }
    void SetUserMiddleInitial(const std::string& text) override { m_userMiddleInitial = text; }
    void SetUserLastName(const std::string& text) override { m_userLastName = text; }
    std::string GetUserFirstName() override { return m_userFirstName; }
    std::string GetUserMiddleInitial() override { return m_userMiddleInitial; }
    std::string GetUserLastName() override { return m_userLastName; }
    std::string GetMonitorDescription() override { return m_monitorDescription; }
    std::string GetMonitorSerialNo() override { return m_monitorSerialNo; }
    AssetIMPL::AssetComputerImpl& Result() override { return m_result; }
    AuditOutcome RunOutcome() const override { return m_runOutcome; }
    std::string RunFailure() const override { return m_runFailure; }

protected:
    AuditEngine() = default;
    virtual ~AuditEngine() = default;

    // Writes to the log sink, when one is set.
    void Log(int level, const std::string& text);
    // After every step: stops the audit (throws audit_canceled) when the
    // progress sink asks for it, else advances the progress.
    void EndStep();
    // Empties the result before a run and announces the step count.
    void BeginRun(unsigned stepCount);
    // Records how the run ended.
    void EndRun(AuditOutcome outcome, const std::string& failure = std::string());
    // In a catch block of Run: the run ends as failed, with the failure's
    // text logged at level 3.
    void EndRunOnCurrentException();

    AssetIMPL::AssetComputerImpl m_result;
    AuditProgressSink* m_progressSink = nullptr;
    AuditLogSink* m_logSink = nullptr;
    std::string m_monitorDescription;
    std::string m_monitorSerialNo;
    std::string m_userFirstName;
    std::string m_userMiddleInitial;
    std::string m_userLastName;
    AuditOutcome m_runOutcome = AuditOutcome::NotRun;
    std::string m_runFailure;
};

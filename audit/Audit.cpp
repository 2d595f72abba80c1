#include "audit/Audit.h"

#include "asset/Exceptions.h"

void AuditEngine::Log(int level, const std::string& text)
{
    if (m_logSink != nullptr) {
        m_logSink->Write(level, text);
    }
}

void AuditEngine::EndStep()
{
    if (m_progressSink == nullptr) {
        return;
    }
    if (m_progressSink->IsCanceled()) {
        throw audit_canceled();
    }
    m_progressSink->Step();
}

void AuditEngine::BeginRun(unsigned stepCount)
{
    EndRun(AuditOutcome::NotRun);
    m_result.Assign(AssetIMPL::AssetComputerImpl());
    if (m_progressSink != nullptr) {
        m_progressSink->SetRange(stepCount);
    }
}

void AuditEngine::EndRun(AuditOutcome outcome, const std::string& failure)
{
    m_runOutcome = outcome;
    m_runFailure = failure;
}

void AuditEngine::EndRunOnCurrentException()
{
    const std::string text = DescribeCurrentException();
    Log(3, text);
    EndRun(AuditOutcome::Failed, text);
}

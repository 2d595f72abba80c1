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
    m_result.Assign(AssetIMPL::AssetComputerImpl());
    if (m_progressSink != nullptr) {
        m_progressSink->SetRange(stepCount);
    }
}

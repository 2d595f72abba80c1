#include "audit/AuditEngineFactory.h"

#include "audit/APIAudit.h"
#include "audit/WMIAudit.h"
#include "common/AppState.h"

namespace {

boost::shared_ptr<Audit> MakeDefaultEngine(AuditEngineKind kind)
{
    if (kind == AuditEngineKind::Api) {
        return boost::shared_ptr<Audit>(new APIAudit());
    }
    return boost::shared_ptr<Audit>(new WMIAudit());
}

AuditEngineFactory g_factory;
AuditLogSink* g_logTap = nullptr;

} // namespace

AuditEngineKind ChooseAuditEngine(const AppState& app, bool remote)
{
    if (app.m_apiAuditSwitch) {
        // A network audit under /A audits this computer again and again.
        return AuditEngineKind::Api;
    }
    if (remote || app.m_wmiAvailable) {
        return AuditEngineKind::Wmi;
    }
    return AuditEngineKind::Api;
}

boost::shared_ptr<Audit> MakeAuditEngine(AuditEngineKind kind)
{
    return g_factory ? g_factory(kind) : MakeDefaultEngine(kind);
}

AuditEngineFactory SetAuditEngineFactory(AuditEngineFactory factory)
{
    AuditEngineFactory previous = g_factory;
    g_factory = factory;
    return previous;
}

AuditLogSink* SetAuditLogTap(AuditLogSink* tap)
{
    AuditLogSink* previous = g_logTap;
    g_logTap = tap;
    return previous;
}

AuditLogSink* GetAuditLogTap()
{
    return g_logTap;
}

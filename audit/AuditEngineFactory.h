// How the audit driver makes its engine, with the seams through which tests
// run scripted engines and watch the driver's own log entries.
#pragma once

#include "audit/Audit.h"
#include "common/AuditSinks.h"

#include <boost/shared_ptr.hpp>

#include <functional>

struct AppState;

enum class AuditEngineKind {
    Api, // Win32 calls and the registry
    Wmi,
};

typedef std::function<boost::shared_ptr<Audit>(AuditEngineKind)> AuditEngineFactory;

// /A forces the Win32/registry engine; otherwise a network audit and a local
// audit where WMI answered at start-up use WMI.
AuditEngineKind ChooseAuditEngine(const AppState& app, bool remote);

// Makes an engine through the installed factory.
boost::shared_ptr<Audit> MakeAuditEngine(AuditEngineKind kind);

// Installs a factory (an empty one restores the default); returns the
// previous one.
AuditEngineFactory SetAuditEngineFactory(AuditEngineFactory factory);

// A sink that also receives every entry the driver itself writes (null: none);
// returns the previous one.
AuditLogSink* SetAuditLogTap(AuditLogSink* tap);
AuditLogSink* GetAuditLogTap();

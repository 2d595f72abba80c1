// Before a computer of the network is audited, a short thread asks its WMI
// which kind of Windows it runs; the network worker waits for the answer at
// most kOsTypeProbeWaitMs.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include "audit/WmiAccess.h"

#include <boost/shared_ptr.hpp>

#include <functional>
#include <string>

const DWORD kOsTypeProbeWaitMs = 4000;

// Opens the WMI connection to a computer; tests connect to scripted objects.
typedef std::function<IDispatchPtr(const std::string& computer)> OsTypeConnector;
// How long a caller waits for a computer's probe, in milliseconds.
typedef std::function<DWORD(const std::string& computer)> OsTypeProbeWait;

// Shared by the waiter and the probe thread, so it lives until the later of
// the two lets go.
struct OsTypeProbe {
    std::string target;
    OsTypeConnector connect;  // empty: the computer's real WMI
    volatile LONG result = 0; // 1: an NT-family system
    volatile LONG finished = 0;
};

// The thread procedure; parameter is a heap-allocated
// boost::shared_ptr<OsTypeProbe>, which the thread deletes. Exit code 1.
DWORD WINAPI WmiOsTypeProbeThread(LPVOID parameter);

// Starts the probe for a computer and waits for it at most waitMs: 1 when it
// answered in time that the computer runs an NT-family system, else 0. A
// probe still running is left to finish on its own; record (when given)
// receives its record. A COM error is shown by the probe in a box of its own
// thread, which the waiter does not wait for.
int ProbeOsType(const std::string& computer, DWORD waitMs = kOsTypeProbeWaitMs,
                const OsTypeConnector& connect = OsTypeConnector(), boost::shared_ptr<OsTypeProbe>* record = nullptr);

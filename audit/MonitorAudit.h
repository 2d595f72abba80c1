// The monitor step of the Win32/registry engine: the first display device
// in the registry with an EDID 1.x block gives the monitor's serial number.
#pragma once

#include <windows.h>

#include <string>

class MonitorAudit {
public:
    // machine is HKEY_LOCAL_MACHINE, or in tests a key standing in for it.
    // A registry failure ends the walk quietly with what was found so far.
    static void Run(HKEY machine, std::string& description, std::string& serialNo);
};

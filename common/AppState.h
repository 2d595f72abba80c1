// What the application object decides at start-up and the shared services
// read: the run mode, the /A switch, the WMI probe and the configuration.
#pragma once

#include "common/ConfigFile.h"

enum RunMode : int {
    kRunInteractive = 0,
    kRunHidden = 1,  // /H
    kRunMinimal = 2, // /M
};

struct AppState {
    int m_runMode = kRunInteractive;
    bool m_apiAuditSwitch = false; // /A: always the Win32/registry engine
    bool m_wmiAvailable = false;   // the start-up WMI query answered
    ConfigFile m_config;

    // Hidden and minimal mode show no message box.
    bool RunsUnattended() const { return m_runMode != kRunInteractive; }
};

// The one instance for the whole run.
AppState& GetAppState();

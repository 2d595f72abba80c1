// What a network audit takes from outside the program: the computer
// sources, the folder browser, the OS-type probe's connection and how long
// the batch waits for each probe. Empty parts stand for the system's own;
// tests fill in theirs.
#pragma once

#include "app/BrowseForFolder.h"
#include "app/ComputerSource.h"
#include "audit/WmiOsTypeProbe.h"

#include <functional>
#include <memory>
#include <string>

struct NetworkAuditHooks {
    std::function<std::unique_ptr<ComputerSource>(int method)> m_makeSource;
    std::function<BrowseResult(const std::string& title, std::string& folder)> m_browse;
    OsTypeConnector m_osTypeConnector;
    OsTypeProbeWait m_osTypeWait;
};

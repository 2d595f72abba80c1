// The installed-software step of the Win32/registry engine: the entries of
// the Uninstall key become software titles or hotfix names.
#pragma once

#include "asset/AssetComputerImpl.h"

#include <windows.h>

class SoftwareAudit {
public:
    // machine is HKEY_LOCAL_MACHINE, or in tests a key standing in for it.
    // Throws t_exception when the Uninstall key or an entry cannot be read;
    // what was recorded up to then stays in the computer.
    static void Run(HKEY machine, AssetIMPL::AssetComputerImpl& computer);
};

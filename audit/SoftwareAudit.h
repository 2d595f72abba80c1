// The installed-software step of the Win32/registry engine: the entries of
// the Uninstall key become software titles or hotfix names.
#pragma once

#include "asset/AssetComputerImpl.h"

#include <boost/shared_ptr.hpp>
#include <windows.h>

#include <string>

class RegistryKey;

class SoftwareAudit {
public:
    // machine is HKEY_LOCAL_MACHINE, or in tests a key standing in for it.
    // Throws t_exception when the Uninstall key or an entry cannot be read;
    // what was recorded up to then stays in the computer.
    static void Run(HKEY machine, AssetIMPL::AssetComputerImpl& computer);

    // The rules both engines share for one Uninstall entry that is not a
    // hotfix: the title it stands for, or null when it is none.
    static boost::shared_ptr<AssetIMPL::AssetSoftwareImpl> TitleFromEntry(const std::string& name, RegistryKey& entry);
    // Adds the title unless one with the same description, maker and version
    // is listed already.
    static void AddUnlessListed(AssetIMPL::SoftwareCollection& software,
                                const boost::shared_ptr<AssetIMPL::AssetSoftwareImpl>& title);
};

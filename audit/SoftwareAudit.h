// The installed-software step of the Win32/registry engine: the entries of
// the Uninstall key become software titles or hotfix names.
#pragma once

#include "asset/AssetComputerImpl.h"

#include <boost/shared_ptr.hpp>
#include <windows.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

class RegistryKey;

class SoftwareAudit {
public:
    // machine is HKEY_LOCAL_MACHINE, or in tests a key standing in for it.
    // Throws t_exception when the Uninstall key or an entry cannot be read;
    // what was recorded up to then stays in the computer.
    static void Run(HKEY machine, AssetIMPL::AssetComputerImpl& computer);

    typedef std::function<void(const std::string& name, RegistryKey& entry)> EntryVisitor;
    // Visits each entry of the Uninstall key in both registry views of the
    // machine: first the entries of uninstall (the key as opened under
    // machine, the 64-bit view), then those of the 32-bit view whose names
    // the first did not hold. Throws t_exception when an entry cannot be
    // opened.
    static void ForEachEntry(HKEY machine, RegistryKey& uninstall, const EntryVisitor& visit);

    // The rules both engines share for one Uninstall entry that is not a
    // hotfix: the title it stands for, or null when it is none.
    static boost::shared_ptr<AssetIMPL::AssetSoftwareImpl> TitleFromEntry(const std::string& name, RegistryKey& entry);
};

// The titles of one walk of the Uninstall key: a title with the description,
// maker and version of one listed already is dropped, and the titles reach
// the collection together, sorted once.
class SoftwareTitleList {
public:
    explicit SoftwareTitleList(AssetIMPL::SoftwareCollection& software);
    SoftwareTitleList(const SoftwareTitleList&) = delete;
    SoftwareTitleList& operator=(const SoftwareTitleList&) = delete;

    void AddUnlessListed(const boost::shared_ptr<AssetIMPL::AssetSoftwareImpl>& title);
    // Adds the titles gathered so far to the collection.
    void Flush();

private:
    // Orders titles by description, maker and version, read in place: the
    // titles compared are held by the collection or the pending list.
    struct SameTitle {
        bool operator()(const AssetIMPL::AssetSoftwareImpl* left, const AssetIMPL::AssetSoftwareImpl* right) const;
    };

    AssetIMPL::SoftwareCollection& m_software;
    std::set<const AssetIMPL::AssetSoftwareImpl*, SameTitle> m_listed;
    AssetIMPL::SoftwareCollection::PartVector m_pending;
};

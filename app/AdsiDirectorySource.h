// The directory lookup against the domain's directory, through ADSI.
#pragma once

#include "app/DirectorySource.h"

#include <windows.h>

class AdsiDirectorySource : public DirectorySource {
public:
    // The program as shipped: the domain from RootDSE, a secure bind to a
    // read-only server.
    AdsiDirectorySource();
    // Tests point the lookup at a directory of their own: a fixed domain path
    // (RootDSE is not read) and the bind flags to use.
    AdsiDirectorySource(std::string domainPath, DWORD bindFlags);

    std::string GetDefaultNamingContext() override;
    bool FindFirst(const std::string& domainPath, const std::string& filter, const std::vector<std::string>& attributes,
                   DirectoryEntry& entry) override;

private:
    std::string m_domainPath;
    DWORD m_bindFlags;
};

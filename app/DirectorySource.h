// Where the directory lookup gets its data: the real directory through ADSI,
// or a scripted one in tests.
#pragma once

#include <map>
#include <string>
#include <vector>

// The attributes an entry has, by name; an attribute the entry lacks is absent.
using DirectoryEntry = std::map<std::string, std::string>;

class DirectorySource {
public:
    virtual ~DirectorySource() = default;

    // "LDAP://" followed by the domain's default naming context. Raises
    // _com_error on any failure.
    virtual std::string GetDefaultNamingContext() = 0;

    // Searches the subtree below domainPath; fills the first row's attributes
    // and answers true, or answers false when nothing matches. Raises
    // _com_error on any failure.
    virtual bool FindFirst(const std::string& domainPath, const std::string& filter,
                           const std::vector<std::string>& attributes, DirectoryEntry& entry) = 0;
};

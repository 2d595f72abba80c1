// The form's directory lookup: the user's details by account name.
#pragma once

#include "app/DirectorySource.h"

#include <windows.h>

#include <functional>
#include <string>

// The form fields the lookup reads and fills.
struct DirectoryUserFields {
    std::string userName;
    std::string firstName;
    std::string middleInitial;
    std::string lastName;
    std::string location;
    std::string department;
    std::string office;
};

enum class DirectoryLookupResult {
    WildcardRefused, // names emptied, user name set back to the logged-on user
    NoDomain,        // the domain could not be reached (already reported)
    NotFound,
    Filled,
    Failed, // a directory failure, reported; the form is left alone
};

class DirectoryLookup {
public:
    DirectoryLookup(DirectorySource& source, HWND owner);

    // Runs before each message box (the form hides its busy dialog there).
    void SetBeforeMessage(std::function<void()> beforeMessage) { m_beforeMessage = std::move(beforeMessage); }

    DirectoryLookupResult Run(DirectoryUserFields& fields, const std::string& loggedOnUser);
    std::string GetDefaultNamingContext();

    // The form marks its names as filled after these results.
    static bool SetsNamesFilled(DirectoryLookupResult result);
    static bool HasWildcard(const std::string& userName);
    static std::string BuildFilter(const std::string& userName);
    static void ApplyEntry(const DirectoryEntry& entry, DirectoryUserFields& fields);

private:
    void Tell(const std::string& text, UINT icon);

    DirectorySource& m_source;
    HWND m_owner;
    std::function<void()> m_beforeMessage;
};

// A directory failure as the operator reads it: the system's text of the
// code (none for many directory codes) and the code itself.
std::string DirectoryErrorText(HRESULT code);

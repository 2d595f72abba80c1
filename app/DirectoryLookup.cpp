#include "app/DirectoryLookup.h"

#include "common/MessageBoxHook.h"
#include "common/TextHelpers.h"
#include "resources/resource.h"

#include <comdef.h>

#include <cstdio>

namespace {

const char kCaption[] = "Kestrova";
const char kWhiteSpace[] = " \t\r\n\v\f";

std::string Trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(kWhiteSpace);
    if (first == std::string::npos) {
        return std::string();
    }
    const auto last = text.find_last_not_of(kWhiteSpace);
    return text.substr(first, last - first + 1);
}

// The form's field length first, then the blanks the directory may hold.
std::string CutAndTrim(const std::string& text, size_t length)
{
    return Trimmed(text.substr(0, length));
}

} // namespace

// The system's words, and always the code: the operator can look it up or
// pass it on, and many directory codes have no words at all.
std::string DirectoryErrorText(HRESULT code)
{
    std::string text = SystemMessageText(static_cast<unsigned long>(code));
    // A system error carried in an HRESULT has its words under its own number.
    if (text.empty() && HRESULT_FACILITY(code) == FACILITY_WIN32) {
        text = SystemMessageText(static_cast<unsigned long>(HRESULT_CODE(code)));
    }
    char number[16];
    snprintf(number, sizeof number, "0x%08lX", static_cast<unsigned long>(code));
    if (text.empty()) {
        return "The system has no description of error " + std::string(number) + ".";
    }
    return text + " (error " + number + ")";
}

namespace {

const std::vector<std::string> kAttributes = {
    "givenName", "sn", "initials", "generationQualifier", "company", "department", "physicalDeliveryOfficeName",
};

} // namespace

DirectoryLookup::DirectoryLookup(DirectorySource& source, HWND owner) : m_source(source), m_owner(owner) {}

bool DirectoryLookup::HasWildcard(const std::string& userName)
{
    return userName.find_first_of("*?!") != std::string::npos;
}

// The account name is a value inside the filter: characters that the filter
// syntax gives a meaning to go as escaped hex pairs (RFC 4515), so a name can
// never widen or break the search.
std::string DirectoryLookup::BuildFilter(const std::string& userName)
{
    static const char kHex[] = "0123456789abcdef";
    std::string value;
    for (char c : Trimmed(userName)) {
        if (c == '*' || c == '(' || c == ')' || c == '\\' || c == '\0') {
            value += '\\';
            value += kHex[(static_cast<unsigned char>(c) >> 4) & 0xf];
            value += kHex[static_cast<unsigned char>(c) & 0xf];
        } else {
            value += c;
        }
    }
    return "(&(objectClass=user)(objectCategory=person)(samAccountName=" + value + "))";
}

void DirectoryLookup::ApplyEntry(const DirectoryEntry& entry, DirectoryUserFields& fields)
{
    const struct {
        const char* attribute;
        std::string DirectoryUserFields::*field;
        size_t length;
    } kFields[] = {
        {"givenName", &DirectoryUserFields::firstName, 50},
        {"initials", &DirectoryUserFields::middleInitial, 1},
        {"sn", &DirectoryUserFields::lastName, 100},
        {"company", &DirectoryUserFields::location, 50},
        {"department", &DirectoryUserFields::department, 50},
        {"physicalDeliveryOfficeName", &DirectoryUserFields::office, 50},
    };
    for (const auto& mapping : kFields) {
        const auto found = entry.find(mapping.attribute);
        if (found != entry.end()) {
            fields.*mapping.field = CutAndTrim(found->second, mapping.length);
        }
    }
    const auto generation = entry.find("generationQualifier");
    if (generation != entry.end()) {
        const std::string qualifier = Trimmed(generation->second);
        const std::string joined = fields.lastName + ", " + qualifier;
        if (!qualifier.empty() && fields.lastName.size() < 97 && joined.size() <= 100) {
            fields.lastName = joined;
        }
    }
}

bool DirectoryLookup::SetsNamesFilled(DirectoryLookupResult result)
{
    return result == DirectoryLookupResult::NoDomain || result == DirectoryLookupResult::NotFound ||
           result == DirectoryLookupResult::Filled;
}

void DirectoryLookup::Tell(const std::string& text, UINT icon)
{
    if (m_beforeMessage) {
        m_beforeMessage();
    }
    ShowMessageBox(m_owner, text, kCaption, MB_OK | icon);
}

std::string DirectoryLookup::GetDefaultNamingContext()
{
    try {
        return m_source.GetDefaultNamingContext();
    } catch (const _com_error& error) {
        Tell(LoadResourceString(IDS_DIRECTORY_ERROR, nullptr) + DirectoryErrorText(error.Error()), MB_ICONERROR);
        return std::string();
    }
}

DirectoryLookupResult DirectoryLookup::Run(DirectoryUserFields& fields, const std::string& loggedOnUser)
{
    if (HasWildcard(fields.userName)) {
        Tell("Wildcard characters are not allowed.", MB_ICONINFORMATION);
        fields.userName = loggedOnUser;
        fields.firstName.clear();
        fields.middleInitial.clear();
        fields.lastName.clear();
        return DirectoryLookupResult::WildcardRefused;
    }
    const std::string domainPath = GetDefaultNamingContext();
    if (domainPath.empty()) {
        return DirectoryLookupResult::NoDomain;
    }
    try {
        DirectoryEntry entry;
        if (!m_source.FindFirst(domainPath, BuildFilter(fields.userName), kAttributes, entry)) {
            Tell("The specified user could not be found in the current domain.", MB_ICONINFORMATION);
            return DirectoryLookupResult::NotFound;
        }
        ApplyEntry(entry, fields);
        return DirectoryLookupResult::Filled;
    } catch (const _com_error& error) {
        Tell(DirectoryErrorText(error.Error()), MB_ICONERROR);
        return DirectoryLookupResult::Failed;
    }
}

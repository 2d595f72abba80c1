// The directory lookup's rules against a scripted directory.
#include "app/DirectoryLookup.h"

#include "common/tests/RecordedNotices.h"

#include <comdef.h>
#include <gtest/gtest.h>

namespace {

class ScriptedDirectory : public DirectorySource {
public:
    std::string GetDefaultNamingContext() override
    {
        if (m_domainFailure != S_OK) {
            throw _com_error(m_domainFailure);
        }
        return "LDAP://DC=kes,DC=test";
    }
    bool FindFirst(const std::string& domainPath, const std::string& filter, const std::vector<std::string>& attributes,
                   DirectoryEntry& entry) override
    {
        m_searches.push_back(filter);
        m_domainPath = domainPath;
        m_attributes = attributes;
        if (m_searchFailure != S_OK) {
            throw _com_error(m_searchFailure);
        }
        if (!m_found) {
            return false;
        }
        entry = m_entry;
        return true;
    }

    HRESULT m_domainFailure = S_OK;
    HRESULT m_searchFailure = S_OK;
    bool m_found = true;
    DirectoryEntry m_entry;
    std::vector<std::string> m_searches;
    std::string m_domainPath;
    std::vector<std::string> m_attributes;
};

DirectoryUserFields FormFor(const std::string& userName)
{
    DirectoryUserFields fields;
    fields.userName = userName;
    fields.firstName = "Old first";
    fields.middleInitial = "O";
    fields.lastName = "Old last";
    fields.location = "Old location";
    fields.department = "Old department";
    fields.office = "Old office";
    return fields;
}

TEST(DirectoryLookup, FillsTheFormFromTheFirstEntry)
{
    RecordedBoxes boxes;
    ScriptedDirectory directory;
    directory.m_entry = {{"givenName", "  Ada  "},  {"initials", "QX"},
                         {"sn", "Lovelace"},        {"generationQualifier", " Jr. "},
                         {"company", "North Site"}, {"physicalDeliveryOfficeName", std::string(60, 'o')}};
    DirectoryLookup lookup(directory, nullptr);
    DirectoryUserFields form = FormFor("alovelace ");

    EXPECT_EQ(lookup.Run(form, "me"), DirectoryLookupResult::Filled);
    EXPECT_TRUE(boxes.Texts().empty());
    EXPECT_EQ(directory.m_searches,
              std::vector<std::string>{"(&(objectClass=user)(objectCategory=person)(samAccountName=alovelace))"});
    EXPECT_EQ(directory.m_domainPath, "LDAP://DC=kes,DC=test");
    EXPECT_EQ(directory.m_attributes.size(), 7u);
    EXPECT_EQ(form.firstName, "Ada");
    EXPECT_EQ(form.middleInitial, "Q");
    EXPECT_EQ(form.lastName, "Lovelace, Jr.");
    EXPECT_EQ(form.location, "North Site");
    EXPECT_EQ(form.department, "Old department"); // the entry has none
    EXPECT_EQ(form.office, std::string(50, 'o'));
}

TEST(DirectoryLookup, CutsBeforeTrimmingAndBoundsTheQualifier)
{
    DirectoryUserFields form;
    DirectoryLookup::ApplyEntry({{"givenName", std::string(49, 'a') + "  b"}, {"initials", " Q"}}, form);
    EXPECT_EQ(form.firstName, std::string(49, 'a'));
    EXPECT_EQ(form.middleInitial, "");

    // The qualifier joins only a surname under 97 characters, and only when
    // the whole fits in 100.
    DirectoryLookup::ApplyEntry({{"sn", std::string(96, 's')}, {"generationQualifier", "II"}}, form);
    EXPECT_EQ(form.lastName, std::string(96, 's') + ", II");
    DirectoryLookup::ApplyEntry({{"sn", std::string(96, 's')}, {"generationQualifier", "III"}}, form);
    EXPECT_EQ(form.lastName, std::string(96, 's'));
    DirectoryLookup::ApplyEntry({{"sn", std::string(97, 's')}, {"generationQualifier", "I"}}, form);
    EXPECT_EQ(form.lastName, std::string(97, 's'));
}

TEST(DirectoryLookup, RefusesWildcardsBeforeAnySearch)
{
    for (const char* name : {"a*", "who?", "bang!"}) {
        RecordedBoxes boxes;
        ScriptedDirectory directory;
        DirectoryLookup lookup(directory, nullptr);
        DirectoryUserFields form = FormFor(name);
        EXPECT_EQ(lookup.Run(form, "loggedon"), DirectoryLookupResult::WildcardRefused);
        EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"Wildcard characters are not allowed."});
        EXPECT_EQ(boxes.Types(), std::vector<UINT>{MB_OK | MB_ICONINFORMATION});
        EXPECT_TRUE(directory.m_searches.empty());
        EXPECT_EQ(form.userName, "loggedon");
        EXPECT_EQ(form.firstName + form.middleInitial + form.lastName, "");
        EXPECT_EQ(form.location, "Old location");
    }
}

TEST(DirectoryLookup, EscapesFilterCharactersInTheAccountName)
{
    EXPECT_EQ(DirectoryLookup::BuildFilter(" x)(objectClass=*"),
              "(&(objectClass=user)(objectCategory=person)(samAccountName=x\\29\\28objectClass=\\2a))");
    EXPECT_EQ(DirectoryLookup::BuildFilter("dom\\user"),
              "(&(objectClass=user)(objectCategory=person)(samAccountName=dom\\5cuser))");
}

TEST(DirectoryLookup, ReportsMissingUsersAndFailures)
{
    {
        RecordedBoxes boxes;
        ScriptedDirectory directory;
        directory.m_found = false;
        DirectoryLookup lookup(directory, nullptr);
        int hidden = 0;
        lookup.SetBeforeMessage([&] { ++hidden; });
        DirectoryUserFields form = FormFor("nobody");
        const auto result = lookup.Run(form, "me");
        EXPECT_EQ(result, DirectoryLookupResult::NotFound);
        EXPECT_TRUE(DirectoryLookup::SetsNamesFilled(result));
        EXPECT_EQ(boxes.Texts(),
                  std::vector<std::string>{"The specified user could not be found in the current domain."});
        EXPECT_EQ(hidden, 1);
        EXPECT_EQ(form.lastName, "Old last");
    }
    {
        RecordedBoxes boxes;
        ScriptedDirectory directory;
        directory.m_domainFailure = HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED);
        DirectoryLookup lookup(directory, nullptr);
        DirectoryUserFields form = FormFor("someone");
        const auto result = lookup.Run(form, "me");
        EXPECT_EQ(result, DirectoryLookupResult::NoDomain);
        EXPECT_TRUE(DirectoryLookup::SetsNamesFilled(result));
        EXPECT_TRUE(directory.m_searches.empty());
        ASSERT_EQ(boxes.Texts().size(), 1u);
        EXPECT_EQ(boxes.Texts()[0].rfind("A problem was encountered when trying to contact the Active Directory "
                                         "Domain Controller.",
                                         0),
                  0u);
        EXPECT_NE(boxes.Texts()[0].find("The specific error message is:\r\n\r\nAccess"), std::string::npos);
        EXPECT_NE(boxes.Texts()[0].find(" (error 0x80070005)"), std::string::npos) << boxes.Texts()[0];
        EXPECT_EQ(boxes.Types(), std::vector<UINT>{MB_OK | MB_ICONERROR});
    }
    {
        RecordedBoxes boxes;
        ScriptedDirectory directory;
        directory.m_searchFailure = E_OUTOFMEMORY;
        DirectoryLookup lookup(directory, nullptr);
        DirectoryUserFields form = FormFor("someone");
        const auto result = lookup.Run(form, "me");
        EXPECT_EQ(result, DirectoryLookupResult::Failed);
        EXPECT_FALSE(DirectoryLookup::SetsNamesFilled(result));
        EXPECT_EQ(boxes.Types(), std::vector<UINT>{MB_OK | MB_ICONERROR});
        EXPECT_EQ(form.firstName, "Old first");
    }
}

// The system's words for a directory code when it has them (a system
// error inside an HRESULT has them under its own number), and the code
// always; the words compared are the system's own, whatever its language.
TEST(DirectoryLookup, ErrorTextsGiveTheSystemsWordsAndTheCode)
{
    auto systemText = [](DWORD code) {
        char text[512] = {};
        DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                                      text, sizeof(text), nullptr);
        while (length > 0 && (text[length - 1] == '\r' || text[length - 1] == '\n' || text[length - 1] == ' ')) {
            text[--length] = '\0';
        }
        return std::string(text);
    };
    const HRESULT noSuchDomain = HRESULT_FROM_WIN32(ERROR_NO_SUCH_DOMAIN);
    ASSERT_NE("", systemText(ERROR_NO_SUCH_DOMAIN));
    EXPECT_EQ(systemText(ERROR_NO_SUCH_DOMAIN) + " (error 0x8007054B)", DirectoryErrorText(noSuchDomain));

    // The directory's own codes: none has words here.
    EXPECT_EQ("", systemText(0x80005000));
    EXPECT_EQ("The system has no description of error 0x80005000.",
              DirectoryErrorText(static_cast<HRESULT>(0x80005000)));
    EXPECT_NE(std::string::npos, DirectoryErrorText(static_cast<HRESULT>(0x8007232B)).find("0x8007232B"));
}

} // namespace

// One lookup through ADSI against the test set-up's directory on loopback.
#include "app/AdsiDirectorySource.h"
#include "app/DirectoryLookup.h"

#include "common/tests/RecordedNotices.h"

#include <objbase.h>

#include <gtest/gtest.h>

namespace {

const char kDomain[] = "LDAP://127.0.0.1:21100/dc=kes,dc=test";

class DirectoryAdsi : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr))); }
    void TearDown() override { CoUninitialize(); }
};

TEST_F(DirectoryAdsi, FindsAUserAndMapsTheEntry)
{
    RecordedBoxes boxes;
    AdsiDirectorySource directory(kDomain, 0);
    DirectoryLookup lookup(directory, nullptr);
    DirectoryUserFields form;
    form.userName = "alovelace ";
    form.office = "kept";

    ASSERT_EQ(lookup.Run(form, "me"), DirectoryLookupResult::Filled) << testing::PrintToString(boxes.Texts());
    EXPECT_EQ(form.firstName, "Ada");
    EXPECT_EQ(form.middleInitial, "A");
    EXPECT_EQ(form.lastName, "Lovelace, Jr.");
    EXPECT_EQ(form.location, "North Site");
    EXPECT_EQ(form.department, "Engineering");
    EXPECT_EQ(form.office, "Room 12");

    // Parentheses are allowed in account names and must reach the directory
    // as part of the value.
    DirectoryUserFields ops;
    ops.userName = "ops(1)";
    ASSERT_EQ(lookup.Run(ops, "me"), DirectoryLookupResult::Filled) << testing::PrintToString(boxes.Texts());
    EXPECT_EQ(ops.department, "Night shift");
}

TEST_F(DirectoryAdsi, AFilterInTheNameFindsNobody)
{
    RecordedBoxes boxes;
    AdsiDirectorySource directory(kDomain, 0);
    DirectoryLookup lookup(directory, nullptr);
    for (const char* name : {"nobody", "x)(sAMAccountName=alovelace"}) {
        DirectoryUserFields form;
        form.userName = name;
        EXPECT_EQ(lookup.Run(form, "me"), DirectoryLookupResult::NotFound) << name;
        EXPECT_EQ(form.lastName, "") << name;
    }
    EXPECT_EQ(boxes.Texts(),
              std::vector<std::string>(2, "The specified user could not be found in the current domain."));
}

} // namespace

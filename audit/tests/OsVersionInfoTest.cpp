#include "audit/OsVersionInfo.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace {

std::string Report(const OsVersionInfo& v)
{
    std::ostringstream out;
    out << OsVersionInfo::GetVersionText(v) << "|" << v.platform << "|" << v.productType << "|" << v.servicePack << "|"
        << OsVersionInfo::GetOsName(v);
    return out.str();
}

TEST(OsVersionInfo, ThisSystem)
{
    OsVersionInfo v;
    ASSERT_TRUE(v.Detect());
    // The version the test prefix runs as.
    EXPECT_EQ(Report(v), "6.1.7601|3|0|Service Pack 1|");
    EXPECT_EQ(v.suite & (kSuitePersonal | kSuiteBlade | kSuiteDatacenter | kSuiteEnterprise), 0u);
}

} // namespace

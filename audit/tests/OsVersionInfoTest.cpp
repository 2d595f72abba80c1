#include "audit/OsVersionInfo.h"
#include "audit/tests/RunAsWindowsVersion.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

namespace {

const char kReportSwitch[] = "--report-os-version";

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

// Runs a copy of this program under another name, for which the prefix is
// told to report another Windows version (as winecfg sets it per program).
std::string ReportAs(const char* version)
{
    return RunAsWindowsVersion(version, kReportSwitch, "osver_");
}

TEST(OsVersionInfo, WindowsXpProfessionalX64)
{
    EXPECT_EQ(ReportAs("winxp64"), "5.2.3790|3|0|Service Pack 2|Microsoft Windows XP Professional");
}

TEST(OsVersionInfo, Windows2003)
{
    EXPECT_EQ(ReportAs("win2003"), "5.2.3790|3|1|Service Pack 2|Microsoft Windows Server 2003");
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::string(argv[1]) == kReportSwitch) {
        OsVersionInfo v;
        std::ofstream out(argv[2]);
        out << (v.Detect() ? Report(v) : std::string("detect failed")) << "\n";
        return 0;
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

#include "audit/OsVersionInfo.h"

#include <gtest/gtest.h>

#include <string>

namespace {

OsVersionInfo Version(int platform, unsigned major, unsigned minor, unsigned build, int productType = 0,
                      unsigned suite = 0)
{
    OsVersionInfo v;
    v.platform = platform;
    v.majorVersion = major;
    v.minorVersion = minor;
    v.buildNumber = build;
    v.productType = productType;
    v.suite = suite;
    return v;
}

TEST(OsVersionRules, Names)
{
    const int k9x = kPlatformWindows9x;
    const int kNt = kPlatformNt;
    const int kWs = kProductWorkstation;
    const int kSrv = kProductServer;
    const int kDc = kProductDomainController;
    const struct {
        OsVersionInfo v;
        const char* name;
    } cases[] = {
        {Version(k9x, 4, 0, 951), "Microsoft Windows 95 SP1"},
        {Version(k9x, 4, 0, 1080), "Microsoft Windows 95 SP1"},
        {Version(k9x, 4, 0, 1111), "Microsoft Windows 95 OSR2"},
        {Version(k9x, 4, 3, 1214), "Microsoft Windows 95 OSR2"},
        {Version(k9x, 4, 10, 2000), "Microsoft Windows 98 SP1"},
        {Version(k9x, 4, 10, 2222), "Microsoft Windows 98 Second Edition"},
        {Version(k9x, 4, 0, 900), "Microsoft Windows"},
        {Version(k9x, 5, 0, 950), "Microsoft Windows"},
        {Version(kNt, 4, 0, 1381, kSrv, kSuiteEnterprise), "Microsoft Windows NT Server"},
        {Version(kNt, 3, 51, 1057, kDc, kSuiteDatacenter | kSuiteEnterprise), "Microsoft Windows NT Datacenter"},
        {Version(kNt, 4, 0, 1381, kDc, kSuiteEnterprise), "Microsoft Windows NT Enterprise"},
        {Version(kNt, 4, 0, 1381, kDc), ""},
        {Version(kNt, 5, 0, 2195, kSrv, kSuiteDatacenter), "Microsoft Windows 2000 Server"},
        {Version(kNt, 5, 0, 2195, kDc, kSuiteBlade), ""},
        {Version(kNt, 5, 1, 2600, kWs, kSuitePersonal), "Microsoft Windows XP Personal"},
        {Version(kNt, 5, 2, 3790, kWs), "Microsoft Windows XP Professional"},
        {Version(kNt, 5, 2, 3790, kSrv, kSuiteEnterprise | kSuiteDatacenter), "Microsoft Windows Server 2003"},
        {Version(kNt, 5, 2, 3790, kDc, kSuiteBlade), "Microsoft Windows Server 2003 Web Edition"},
        {Version(kNt, 5, 2, 3790, kDc), ""},
        {Version(kNt, 6, 1, 7601, kWs), ""},
        {Version(kPlatformCe, 4, 0, 950), ""},
        {Version(kPlatformUnknown, 5, 1, 2600), ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(OsVersionInfo::GetOsName(c.v), c.name) << c.v.platform << " " << OsVersionInfo::GetVersionText(c.v)
                                                         << " type " << c.v.productType << " suite " << c.v.suite;
    }
}

TEST(OsVersionRules, PredicatesNeedTheirPlatform)
{
    // The same numbers on the other platform never satisfy a predicate.
    const OsVersionInfo nt95 = Version(kPlatformNt, 4, 0, 950);
    EXPECT_FALSE(OsVersionInfo::IsWindows95(nt95));
    EXPECT_TRUE(OsVersionInfo::IsNt4OrEarlier(nt95));
    const OsVersionInfo xpOn9x = Version(kPlatformWindows9x, 5, 1, 2600, 0, kSuitePersonal);
    EXPECT_FALSE(OsVersionInfo::IsWindowsXpFamily(xpOn9x));
    EXPECT_FALSE(OsVersionInfo::IsXpPersonal(xpOn9x));
    EXPECT_FALSE(OsVersionInfo::IsNt4OrEarlier(Version(kPlatformWindows9x, 4, 0, 950)));
    EXPECT_TRUE(OsVersionInfo::IsServer2003Web(Version(kPlatformNt, 5, 2, 3790, 1, kSuiteBlade)));
}

TEST(OsVersionRules, VersionTextAndServicePack)
{
    EXPECT_EQ(OsVersionInfo::GetVersionText(Version(kPlatformNt, 5, 1, 2600)), "5.1.2600");
    EXPECT_EQ(OsVersionInfo::GetVersionText(OsVersionInfo()), "0.0.0");

    OsVersionInfo v;
    const std::string longText(300, 'x');
    v.SetServicePack(longText.c_str());
    EXPECT_EQ(std::string(v.servicePack), longText.substr(0, 127));
    v.SetServicePack(nullptr);
    EXPECT_STREQ(v.servicePack, "");
}

TEST(OsVersionRules, SystemCodes)
{
    const struct {
        unsigned mask, suite;
    } suites[] = {
        {0x10 | 0x100, 0}, // terminal server, single-user terminal server
        {0x2 | 0x80 | 0x200 | 0x400 | 0x110, kSuiteEnterprise | kSuiteDatacenter | kSuitePersonal | kSuiteBlade},
    };
    for (const auto& c : suites) {
        EXPECT_EQ(OsVersionInfo::SuiteFromSuiteMask(c.mask), c.suite) << c.mask;
    }

    const struct {
        const char* text;
        int current, type;
    } types[] = {
        {"WinNT", 1, kProductWorkstation},
        {"winnt", 2, kProductWorkstation},
        {"SERVERNT", 0, kProductServer},
        {"LanmanNT", 0, kProductDomainController},
        {"", 0, 0},
        {"SERVERNT ", 0, 0},
        {"Terminal", 1, 1},
    };
    for (const auto& c : types) {
        EXPECT_EQ(OsVersionInfo::ProductTypeFromText(c.text, c.current), c.type) << c.text;
    }
}

TEST(OsVersionRules, ProductSuiteList)
{
    const struct {
        std::string bytes;
        unsigned suite;
    } cases[] = {
        {std::string("Enterprise\0\0", 12), kSuiteEnterprise},
        {std::string("Small Business\0Personal\0\0", 25), kSuitePersonal},
        {std::string("terminal server\0ENTERPRISE\0personal\0\0", 38), kSuiteEnterprise | kSuitePersonal},
        {std::string("SBS\0Small Business\0Terminal Server\0\0", 36), 0},
        // a list cut short (no final NULs) is still read within its size
        {std::string("Personal"), kSuitePersonal},
        {std::string("Enterprise\0\0Personal\0\0", 22), kSuiteEnterprise},
        {std::string(), 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(OsVersionInfo::SuiteFromProductSuite(c.bytes.data(), c.bytes.size()), c.suite) << c.bytes;
    }
}

} // namespace

#include "audit/CimDate.h"
#include "audit/WmiAuditRules.h"

#include <gtest/gtest.h>

using namespace WmiAuditRules;

TEST(CimDate, Texts)
{
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"20031215000000.000000+060", "12/15/2003"},
        {"2003-12-15", "12/15/2003"},
        {"2003-12-15T10:00:00", "12/15/2003"},
        {"", "01/01/1980"},
        {"****1215000000.000000+000", "01/01/1980"},
        {"2003**15000000.000000+000", "01/01/1980"},
        {"2003 215000000.000000+000", "01/01/1980"},
        {"2003.", "01/01/1980"},
        {"2003-12", "01/01/1980"},
        {"20031215.", "12/15/2003"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.out, CimDateToText(c.in)) << c.in;
    }
}

TEST(WmiAuditRules, CpuSpeed)
{
    const struct {
        int ext, current, max;
        long speed;
    } cases[] = {
        {0, 1234, 9999, 1234}, {133, 1000, 2394, 2394},
        {200, 0, 2992, 3000},  {133, 1000, 0, 1064},
        {100, 0, 150, 200},    {101, 0, 150, 101}, // odd clock: half rounded down first
        {100, 0, 149, 100},    {0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.speed, CpuSpeed(c.ext, c.current, c.max)) << c.ext << " " << c.current << " " << c.max;
    }
}

TEST(WmiAuditRules, Megabytes)
{
    const long long mb = 1048576;
    const struct {
        long long bytes;
        long ram;
    } cases[] = {
        {536330240, 512}, {508 * mb, 512}, {507 * mb + 1000, 504}, {1073201152, 1024}, {0, 0},
        {3 * mb, 0},      {4 * mb, 8},     {1ll << 52, 0}, // 2^32 MB: the low 32 bits
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.ram, RamMegabytes(c.bytes)) << c.bytes;
    }
    EXPECT_EQ(76319, Megabytes(80026361856ll));
    EXPECT_EQ(0, Megabytes(mb - 1));
    EXPECT_EQ(-1, Megabytes(-mb));
}

TEST(WmiAuditRules, ParseInt64)
{
    EXPECT_EQ(8589934592ll, ParseInt64("8589934592"));
    EXPECT_EQ(-42, ParseInt64("  -42abc"));
    EXPECT_EQ(0, ParseInt64(""));
    EXPECT_EQ(0, ParseInt64("abc"));
}

TEST(WmiAuditRules, DriveTypes)
{
    const struct {
        const char* caption;
        const char* type;
    } cd[] = {
        {"HL-DT-ST CD-RW GCE-8525B", "CD-RW Drive"}, {"TOSHIBA DVD-ROM SD-M1612", "DVD Drive"},
        {"SONY CD-R/RW CRX", "CD-RW Drive"},         {"ATAPI CD-ROM DRIVE", "CDROM Drive"},
        {"YAMAHA CD-R 4416", "CD-R Drive"},          {"Generic Optical", "CDROM Drive"},
        {"Drive cd-rw lower", "CDROM Drive"},        {"DVD-RW Combo", "CD-RW Drive"},
    };
    for (const auto& c : cd) {
        EXPECT_EQ(c.type, CdDriveType(c.caption)) << c.caption;
    }
    EXPECT_EQ("Hard Drive", DiskDriveType("Fixed hard disk media"));
    EXPECT_EQ("ZIP Drive", DiskDriveType("Removable ZIP media"));
    EXPECT_EQ("LS120 Drive", DiskDriveType("LS-120 media"));
    EXPECT_EQ("Other", DiskDriveType(""));
    EXPECT_EQ("Other", DiskDriveType("Removable media"));
    EXPECT_EQ("LS120 Drive", FloppyDriveType("LS-120 Floppy"));
    EXPECT_EQ("Floppy Drive", FloppyDriveType("3 1/2 Inch Floppy Drive"));

    EXPECT_EQ("IDE", PnpInterface("IDE\\CDROMXYZ\\5&1234&0&1.0.0"));
    EXPECT_EQ("NOBACKSLASH", PnpInterface("NOBACKSLASH"));
    EXPECT_EQ("", PnpInterface(""));
    EXPECT_EQ("c", DriveLetterFromName("c:"));
    EXPECT_EQ("C:", DriveLetterFromName("C::"));
    EXPECT_EQ("", DriveLetterFromName(""));
}

TEST(WmiAuditRules, UserNames)
{
    EXPECT_EQ("alice", UserNameWithoutDomain("CORP\\alice"));
    EXPECT_EQ("bob", UserNameWithoutDomain("A\\B\\bob"));
    EXPECT_EQ("", UserNameWithoutDomain(""));
    EXPECT_EQ("", UserNameWithoutDomain("CORP\\"));
}

TEST(WmiAuditRules, HotfixNames)
{
    const struct {
        const char* name;
        bool shaped, hotfix, q;
    } cases[] = {
        {"Q123456", true, true, true},       {"QX12345", true, true, false},        {"KB123456", true, true, false},
        {"KB12345X", true, false, false},    {"Q12345X", true, false, false},       {"Q1234567", false, false, false},
        {"KB12345", false, false, false},    {"q123456", false, false, false},      {"Program", false, false, false},
        {"", false, false, false},           {"KB4012212", false, true, false},     {"KB12345678", false, true, false},
        {"KB4012212X", false, false, false}, {"KB4012212-v2", false, false, false}, {"KBox Agent", false, false, false},
        {"Q4012212", false, false, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.shaped, IsHotfixShaped(c.name)) << c.name;
        EXPECT_EQ(c.hotfix, IsHotfixName(c.name)) << c.name;
        EXPECT_EQ(c.q, IsQHotfixName(c.name)) << c.name;
    }
}

TEST(WmiAuditRules, Windows2000BeforeSp3)
{
    EXPECT_TRUE(IsWindows2000BeforeSp3("Microsoft Windows 2000 Professional", "Service Pack 2"));
    EXPECT_TRUE(IsWindows2000BeforeSp3("Microsoft Windows 2000 Server", ""));
    EXPECT_FALSE(IsWindows2000BeforeSp3("Microsoft Windows 2000 Server", "Service Pack 3"));
    EXPECT_FALSE(IsWindows2000BeforeSp3("Microsoft Windows XP Professional", "Service Pack 1"));
    EXPECT_FALSE(IsWindows2000BeforeSp3("Microsoft Windows", ""));
}

TEST(WmiAuditRules, Ipv4Addresses)
{
    for (const char* address : {"10.213.0.1", "0.0.0.0", "255.255.255.255", "192.168.001.010"}) {
        EXPECT_TRUE(IsIpv4Address(address)) << address;
    }
    for (const char* other : {"", "fe80::1%3", "::ffff:10.0.0.1", "1.2.3", "1.2.3.4.5", "1..2.3", "256.1.1.1",
                              "1.2.3.4 ", " 1.2.3.4", "1.2.3.4/24", "1.2.3.1000", "a.b.c.d", "64"}) {
        EXPECT_FALSE(IsIpv4Address(other)) << other;
    }
}

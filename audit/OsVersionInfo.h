// The version of Windows the program runs on, reduced to a few fields, and
// the rules that name it. The record is plain: its user zero-fills it (a
// default-constructed one is zero) before Detect.
#pragma once

#include <cstddef>
#include <string>

enum OsPlatform : int {
    kPlatformUnknown = 0,
    kPlatformWin32s = 1,
    kPlatformWindows9x = 2,
    kPlatformNt = 3,
    kPlatformCe = 4,
};

enum OsProductType : int {
    kProductWorkstation = 0,
    kProductServer = 1,
    kProductDomainController = 2,
};

enum OsSuite : unsigned {
    kSuiteEnterprise = 0x2,
    kSuiteDatacenter = 0x20,
    kSuitePersonal = 0x40,
    kSuiteBlade = 0x80,
};

struct OsVersionInfo {
    unsigned majorVersion = 0;
    unsigned minorVersion = 0;
    unsigned buildNumber = 0;
    int platform = kPlatformUnknown;
    char servicePack[128] = {};
    int productType = kProductWorkstation;
    unsigned suite = 0;

    // Reads this computer's version; false when nothing could be read.
    bool Detect();
    // What an NT system without the extended version record keeps in the
    // registry; a missing key or value leaves the fields as they are.
    void ReadProductType();
    void ReadProductSuite();

    // The name the audit records; "" when no rule names the version.
    static std::string GetOsName(const OsVersionInfo& v);
    // major.minor.build in decimal.
    static std::string GetVersionText(const OsVersionInfo& v);
    void SetServicePack(const char* text);

    static bool IsWindows95(const OsVersionInfo& v);
    static bool IsWindows95Sp1(const OsVersionInfo& v);
    static bool IsWindows95Osr2(const OsVersionInfo& v);
    static bool IsWindows98(const OsVersionInfo& v);
    static bool IsWindows98Sp1(const OsVersionInfo& v);
    static bool IsWindows98Se(const OsVersionInfo& v);
    static bool IsWindowsMe(const OsVersionInfo& v);
    static bool IsNt4OrEarlier(const OsVersionInfo& v);
    static bool IsNtWorkstation(const OsVersionInfo& v);
    static bool IsNtServer(const OsVersionInfo& v);
    static bool IsNtDatacenter(const OsVersionInfo& v);
    static bool IsNtEnterprise(const OsVersionInfo& v);
    static bool IsWindows2000(const OsVersionInfo& v);
    static bool IsWin2000Professional(const OsVersionInfo& v);
    static bool IsWin2000Server(const OsVersionInfo& v);
    static bool IsWin2000Datacenter(const OsVersionInfo& v);
    static bool IsWin2000AdvancedServer(const OsVersionInfo& v);
    static bool IsWindowsXpFamily(const OsVersionInfo& v);
    static bool IsXpPersonal(const OsVersionInfo& v);
    static bool IsXpProfessional(const OsVersionInfo& v);
    static bool IsServer2003(const OsVersionInfo& v);
    static bool IsServer2003Datacenter(const OsVersionInfo& v);
    static bool IsServer2003Enterprise(const OsVersionInfo& v);
    static bool IsServer2003Web(const OsVersionInfo& v);

    // Translations of what the system reports into the record's codes.
    static unsigned SuiteFromSuiteMask(unsigned suiteMask);
    static int ProductTypeFromNtProductType(unsigned productType);
    static int PlatformFromPlatformId(unsigned platformId);
    // The ProductOptions "ProductType" text; an unknown text keeps current.
    static int ProductTypeFromText(const std::string& text, int current);
    // The ProductOptions "ProductSuite" list (REG_MULTI_SZ bytes).
    static unsigned SuiteFromProductSuite(const char* data, std::size_t size);
};

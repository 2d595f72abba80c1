// Naming the Windows version from the detected record, and the translations
// of the system's own version codes into the record. Portable: the record is
// filled on Windows by OsVersionInfo::Detect.
#include "audit/OsVersionInfo.h"
#include "audit/AsciiCase.h"

#include <cstring>

namespace {

using V = OsVersionInfo;

bool Is9x(const V& v)
{
    return v.platform == kPlatformWindows9x && v.majorVersion == 4;
}

bool IsNt5x(const V& v)
{
    return v.platform == kPlatformNt && v.majorVersion == 5 && v.minorVersion != 0;
}

bool IsNt50(const V& v)
{
    return v.platform == kPlatformNt && v.majorVersion == 5 && v.minorVersion == 0;
}

bool HasSuite(const V& v, unsigned bit)
{
    return (v.suite & bit) != 0;
}

bool EqualNoCase(const std::string& a, const char* b)
{
    const std::size_t length = std::strlen(b);
    if (a.size() != length) {
        return false;
    }
    for (std::size_t i = 0; i < length; ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) {
            return false;
        }
    }
    return true;
}

struct NamingRule {
    bool (*test)(const V&);
    const char* name;
};

const NamingRule k9xRules[] = {
    {V::IsWindows95, "Microsoft Windows 95"},
    {V::IsWindows95Sp1, "Microsoft Windows 95 SP1"},
    {V::IsWindows95Osr2, "Microsoft Windows 95 OSR2"},
    {V::IsWindows98, "Microsoft Windows 98"},
    {V::IsWindows98Sp1, "Microsoft Windows 98 SP1"},
    {V::IsWindows98Se, "Microsoft Windows 98 Second Edition"},
    {V::IsWindowsMe, "Microsoft Windows Millenium Edition"},
};

const NamingRule kNt4Rules[] = {
    {V::IsNtWorkstation, "Microsoft Windows NT Workstation"},
    {V::IsNtServer, "Microsoft Windows NT Server"},
    {V::IsNtDatacenter, "Microsoft Windows NT Datacenter"},
    {V::IsNtEnterprise, "Microsoft Windows NT Enterprise"},
};

const NamingRule kWin2000Rules[] = {
    {V::IsWin2000Professional, "Microsoft Windows 2000 Professional"},
    {V::IsWin2000Server, "Microsoft Windows 2000 Server"},
    {V::IsWin2000Datacenter, "Microsoft Windows 2000 Datacenter"},
    {V::IsWin2000AdvancedServer, "Microsoft Windows 2000 Advanced Server"},
};

const NamingRule kXpRules[] = {
    {V::IsXpPersonal, "Microsoft Windows XP Personal"},
    {V::IsXpProfessional, "Microsoft Windows XP Professional"},
    {V::IsServer2003, "Microsoft Windows Server 2003"},
    {V::IsServer2003Datacenter, "Microsoft Windows Server 2003 Datacenter Edition"},
    {V::IsServer2003Enterprise, "Microsoft Windows Server 2003 Enterprise Edition"},
    {V::IsServer2003Web, "Microsoft Windows Server 2003 Web Edition"},
};

template <std::size_t N>
const char* FirstMatch(const NamingRule (&rules)[N], const V& v)
{
    for (const NamingRule& rule : rules) {
        if (rule.test(v)) {
            return rule.name;
        }
    }
    return nullptr;
}

} // namespace

bool OsVersionInfo::IsWindows95(const V& v)
{
    return Is9x(v) && v.minorVersion == 0 && v.buildNumber == 950;
}

bool OsVersionInfo::IsWindows95Sp1(const V& v)
{
    return Is9x(v) && v.buildNumber >= 951 && v.buildNumber <= 1080;
}

bool OsVersionInfo::IsWindows95Osr2(const V& v)
{
    return Is9x(v) && v.minorVersion < 10 && v.buildNumber >= 1081;
}

bool OsVersionInfo::IsWindows98(const V& v)
{
    return Is9x(v) && v.minorVersion == 10 && v.buildNumber == 1998;
}

bool OsVersionInfo::IsWindows98Sp1(const V& v)
{
    return Is9x(v) && v.minorVersion == 10 && v.buildNumber >= 1999 && v.buildNumber <= 2182;
}

bool OsVersionInfo::IsWindows98Se(const V& v)
{
    return Is9x(v) && v.minorVersion == 10 && v.buildNumber >= 2183;
}

bool OsVersionInfo::IsWindowsMe(const V& v)
{
    return Is9x(v) && v.minorVersion == 90;
}

bool OsVersionInfo::IsNt4OrEarlier(const V& v)
{
    return v.platform == kPlatformNt && v.majorVersion < 5;
}

bool OsVersionInfo::IsNtWorkstation(const V& v)
{
    return IsNt4OrEarlier(v) && v.productType == kProductWorkstation;
}

bool OsVersionInfo::IsNtServer(const V& v)
{
    return IsNt4OrEarlier(v) && v.productType == kProductServer;
}

bool OsVersionInfo::IsNtDatacenter(const V& v)
{
    return IsNt4OrEarlier(v) && HasSuite(v, kSuiteDatacenter);
}

bool OsVersionInfo::IsNtEnterprise(const V& v)
{
    return IsNt4OrEarlier(v) && HasSuite(v, kSuiteEnterprise);
}

bool OsVersionInfo::IsWindows2000(const V& v)
{
    return IsNt50(v);
}

bool OsVersionInfo::IsWin2000Professional(const V& v)
{
    return IsNt50(v) && v.productType == kProductWorkstation;
}

bool OsVersionInfo::IsWin2000Server(const V& v)
{
    return IsNt50(v) && v.productType == kProductServer;
}

bool OsVersionInfo::IsWin2000Datacenter(const V& v)
{
    return IsNt50(v) && HasSuite(v, kSuiteDatacenter);
}

bool OsVersionInfo::IsWin2000AdvancedServer(const V& v)
{
    return IsNt50(v) && HasSuite(v, kSuiteEnterprise);
}

bool OsVersionInfo::IsWindowsXpFamily(const V& v)
{
    return IsNt5x(v);
}

bool OsVersionInfo::IsXpPersonal(const V& v)
{
    return IsNt5x(v) && HasSuite(v, kSuitePersonal);
}

bool OsVersionInfo::IsXpProfessional(const V& v)
{
    return IsNt5x(v) && v.productType == kProductWorkstation && !HasSuite(v, kSuitePersonal);
}

bool OsVersionInfo::IsServer2003(const V& v)
{
    return IsNt5x(v) && v.productType == kProductServer;
}

bool OsVersionInfo::IsServer2003Datacenter(const V& v)
{
    return IsNt5x(v) && HasSuite(v, kSuiteDatacenter);
}

bool OsVersionInfo::IsServer2003Enterprise(const V& v)
{
    return IsNt5x(v) && HasSuite(v, kSuiteEnterprise);
}

bool OsVersionInfo::IsServer2003Web(const V& v)
{
    return IsNt5x(v) && HasSuite(v, kSuiteBlade);
}

// The product-type rules come before the edition rules, so the edition
// names are reached only for domain controllers.
std::string OsVersionInfo::GetOsName(const V& v)
{
    const char* name = nullptr;
    if (v.platform == kPlatformWindows9x) {
        name = FirstMatch(k9xRules, v);
        if (name == nullptr) {
            name = "Microsoft Windows";
        }
    } else if (v.platform == kPlatformNt) {
        if (IsNt4OrEarlier(v)) {
            name = FirstMatch(kNt4Rules, v);
        } else if (IsWindows2000(v)) {
            name = FirstMatch(kWin2000Rules, v);
        } else if (IsWindowsXpFamily(v)) {
            name = FirstMatch(kXpRules, v);
        }
    }
    return name != nullptr ? name : "";
}

std::string OsVersionInfo::GetVersionText(const V& v)
{
    return std::to_string(v.majorVersion) + "." + std::to_string(v.minorVersion) + "." + std::to_string(v.buildNumber);
}

void OsVersionInfo::SetServicePack(const char* text)
{
    std::memset(servicePack, 0, sizeof(servicePack));
    if (text != nullptr) {
        std::size_t length = 0;
        while (length < sizeof(servicePack) - 1 && text[length] != '\0') {
            ++length;
        }
        std::memcpy(servicePack, text, length);
    }
}

unsigned OsVersionInfo::SuiteFromSuiteMask(unsigned suiteMask)
{
    unsigned suite = 0;
    if (suiteMask & 0x2) { // VER_SUITE_ENTERPRISE
        suite |= kSuiteEnterprise;
    }
    if (suiteMask & 0x80) { // VER_SUITE_DATACENTER
        suite |= kSuiteDatacenter;
    }
    if (suiteMask & 0x200) { // VER_SUITE_PERSONAL
        suite |= kSuitePersonal;
    }
    if (suiteMask & 0x400) { // VER_SUITE_BLADE
        suite |= kSuiteBlade;
    }
    return suite;
}

int OsVersionInfo::ProductTypeFromNtProductType(unsigned productType)
{
    switch (productType) {
    case 2: // VER_NT_DOMAIN_CONTROLLER
        return kProductDomainController;
    case 3: // VER_NT_SERVER
        return kProductServer;
    default:
        return kProductWorkstation;
    }
}

int OsVersionInfo::PlatformFromPlatformId(unsigned platformId)
{
    switch (platformId) {
    case 1: // VER_PLATFORM_WIN32_WINDOWS
        return kPlatformWindows9x;
    case 2: // VER_PLATFORM_WIN32_NT
        return kPlatformNt;
    case 3: // VER_PLATFORM_WIN32_CE
        return kPlatformCe;
    default:
        return kPlatformUnknown;
    }
}

int OsVersionInfo::ProductTypeFromText(const std::string& text, int current)
{
    if (EqualNoCase(text, "LANMANNT") || EqualNoCase(text, "LANSECNT")) {
        return kProductDomainController;
    }
    if (EqualNoCase(text, "SERVERNT")) {
        return kProductServer;
    }
    if (EqualNoCase(text, "WinNT")) {
        return kProductWorkstation;
    }
    return current;
}

// The list is read within its size even when its last string lacks the
// terminating NUL.
unsigned OsVersionInfo::SuiteFromProductSuite(const char* data, std::size_t size)
{
    unsigned suite = 0;
    std::size_t pos = 0;
    while (pos < size) {
        std::size_t end = pos;
        while (end < size && data[end] != '\0') {
            ++end;
        }
        if (end == pos) {
            break; // the empty string that ends the list
        }
        const std::string item(data + pos, end - pos);
        if (EqualNoCase(item, "Enterprise")) {
            suite |= kSuiteEnterprise;
        } else if (EqualNoCase(item, "Personal")) {
            suite |= kSuitePersonal;
        }
        pos = end + 1;
    }
    return suite;
}

// Reading this computer's Windows version.
//
// GetVersionExA is looked up at run time because the first Windows 95 lacks
// it; the extended record is asked for first, and systems too old for it
// answer the plain record, NT 4 before service pack 6 completing it from the
// ProductOptions key.
#include "audit/OsVersionInfo.h"

#include <windows.h>

#include <vector>

namespace {

const char kProductOptionsKey[] = "System\\CurrentControlSet\\Control\\ProductOptions";
const DWORD kMaxProductTypeBytes = 1024;

typedef BOOL(WINAPI* GetVersionExAFunction)(OSVERSIONINFOA*);

class ProductOptionsKey {
public:
    ProductOptionsKey()
    {
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kProductOptionsKey, 0, KEY_READ, &m_key) != ERROR_SUCCESS) {
            m_key = nullptr;
        }
    }
    ~ProductOptionsKey()
    {
        if (m_key != nullptr) {
            RegCloseKey(m_key);
        }
    }
    ProductOptionsKey(const ProductOptionsKey&) = delete;
    ProductOptionsKey& operator=(const ProductOptionsKey&) = delete;

    // The value's bytes when it has the given type and fits in maxBytes.
    bool Read(const char* name, DWORD wantedType, DWORD maxBytes, std::vector<char>& data) const
    {
        if (m_key == nullptr) {
            return false;
        }
        DWORD type = 0;
        DWORD size = 0;
        if (RegQueryValueExA(m_key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != wantedType ||
            size > maxBytes) {
            return false;
        }
        data.assign(size + 2, '\0');
        if (RegQueryValueExA(m_key, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) !=
                ERROR_SUCCESS ||
            type != wantedType || size > maxBytes) {
            return false;
        }
        data.resize(size);
        return true;
    }

private:
    HKEY m_key = nullptr;
};

} // namespace

bool OsVersionInfo::Detect()
{
    HMODULE kernel = GetModuleHandleA("KERNEL32.DLL");
    if (kernel == nullptr) {
        return false;
    }
    auto getVersionEx =
        reinterpret_cast<GetVersionExAFunction>(reinterpret_cast<void (*)()>(GetProcAddress(kernel, "GetVersionExA")));
    if (getVersionEx == nullptr) {
        const DWORD version = GetVersion();
        majorVersion = LOBYTE(LOWORD(version));
        minorVersion = HIBYTE(LOWORD(version));
        buildNumber = 0;
        platform = kPlatformNt;
        SetServicePack("");
        productType = kProductWorkstation;
        return true;
    }

    OSVERSIONINFOEXA extended = {};
    extended.dwOSVersionInfoSize = sizeof(extended);
    if (getVersionEx(reinterpret_cast<OSVERSIONINFOA*>(&extended))) {
        majorVersion = extended.dwMajorVersion;
        minorVersion = extended.dwMinorVersion;
        buildNumber = extended.dwBuildNumber & 0xFFFF;
        SetServicePack(extended.szCSDVersion);
        suite = SuiteFromSuiteMask(extended.wSuiteMask);
        productType = ProductTypeFromNtProductType(extended.wProductType);
        platform = PlatformFromPlatformId(extended.dwPlatformId);
        return true;
    }

    OSVERSIONINFOA plain = {};
    plain.dwOSVersionInfoSize = sizeof(plain);
    if (!getVersionEx(&plain)) {
        return false;
    }
    majorVersion = plain.dwMajorVersion;
    minorVersion = plain.dwMinorVersion;
    buildNumber = plain.dwBuildNumber & 0xFFFF;
    SetServicePack(plain.szCSDVersion);
    switch (plain.dwPlatformId) {
    case VER_PLATFORM_WIN32_WINDOWS:
        platform = kPlatformWindows9x;
        productType = kProductWorkstation;
        break;
    case VER_PLATFORM_WIN32_NT:
        platform = kPlatformNt;
        ReadProductType();
        ReadProductSuite();
        break;
    case 3: // VER_PLATFORM_WIN32_CE
        platform = kPlatformCe;
        productType = kProductWorkstation;
        break;
    case VER_PLATFORM_WIN32s:
        majorVersion = 3;
        minorVersion = 10;
        buildNumber = 0;
        platform = kPlatformWin32s;
        SetServicePack("");
        break;
    default:
        break;
    }
    return true;
}

void OsVersionInfo::ReadProductType()
{
    ProductOptionsKey key;
    std::vector<char> data;
    if (!key.Read("ProductType", REG_SZ, kMaxProductTypeBytes, data)) {
        return;
    }
    // The stored text may or may not include its terminating NUL.
    std::string text(data.begin(), data.end());
    text.resize(text.find('\0') == std::string::npos ? text.size() : text.find('\0'));
    productType = ProductTypeFromText(text, productType);
}

void OsVersionInfo::ReadProductSuite()
{
    ProductOptionsKey key;
    std::vector<char> data;
    if (!key.Read("ProductSuite", REG_MULTI_SZ, 64 * 1024, data)) {
        return;
    }
    suite |= SuiteFromProductSuite(data.data(), data.size());
}

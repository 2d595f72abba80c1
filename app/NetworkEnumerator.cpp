// The walk reads each container in batches into one 64 KiB buffer; a record
// too large for it is read again with a buffer of the size the call asks
// for. The records' texts point into that buffer, so each batch is handed
// out (and its containers walked) before the next is read.
#include "app/NetworkEnumerator.h"

#include "common/TextHelpers.h"

#include <vector>

namespace {

const DWORD kBatchBufferSize = 65536;
// No real network is deeper than a few levels (network, domain, server);
// a provider that lists a container inside itself would be walked forever.
const int kMaxDepth = 16;
const size_t kMaxErrorText = 511;
const DWORD kProviderTextSize = 256;

class WNetResources : public NetworkResourceApi {
public:
    DWORD OpenEnum(DWORD scope, DWORD type, DWORD usage, NETRESOURCEA* container, HANDLE* handle) override
    {
        return WNetOpenEnumA(scope, type, usage, container, handle);
    }
    DWORD EnumResource(HANDLE handle, DWORD* count, void* buffer, DWORD* bufferSize) override
    {
        return WNetEnumResourceA(handle, count, buffer, bufferSize);
    }
    DWORD CloseEnum(HANDLE handle) override { return WNetCloseEnum(handle); }
    DWORD GetLastError(DWORD* code, char* description, DWORD descriptionSize, char* provider,
                       DWORD providerSize) override
    {
        return WNetGetLastErrorA(code, description, descriptionSize, provider, providerSize);
    }
};

// Closes the enumeration on every way out, thrown walks included.
class EnumHandle {
public:
    EnumHandle(NetworkResourceApi& api, HANDLE handle) : m_api(api), m_handle(handle) {}
    ~EnumHandle() { m_api.CloseEnum(m_handle); }
    EnumHandle(const EnumHandle&) = delete;
    EnumHandle& operator=(const EnumHandle&) = delete;

private:
    NetworkResourceApi& m_api;
    HANDLE m_handle;
};

} // namespace

NetworkResourceApi& SystemNetworkResources()
{
    static WNetResources resources;
    return resources;
}

NetworkEnumerator::~NetworkEnumerator() = default;

bool NetworkEnumerator::Run(DWORD flags)
{
    try {
        return Enumerate(nullptr, flags);
    } catch (const NetworkWalkEnd& end) {
        return end.Value() != 0;
    }
}

bool NetworkEnumerator::Enumerate(NETRESOURCEA* container, DWORD flags)
{
    return EnumerateAt(container, flags, 0);
}

bool NetworkEnumerator::EnumerateAt(NETRESOURCEA* container, DWORD flags, int depth)
{
    const DWORD scope = (flags & kConnected)    ? RESOURCE_CONNECTED
                        : (flags & kRemembered) ? RESOURCE_REMEMBERED
                                                : RESOURCE_GLOBALNET;
    const DWORD type = (flags & kDisksOnly)      ? RESOURCETYPE_DISK
                       : (flags & kPrintersOnly) ? RESOURCETYPE_PRINT
                                                 : RESOURCETYPE_ANY;
    HANDLE handle = nullptr;
    const DWORD opened = m_api.OpenEnum(scope, type, 0, container, &handle);
    if (opened != NO_ERROR) {
        return OnError(opened, "WNetOpenEnum()");
    }
    EnumHandle closer(m_api, handle);
    std::vector<BYTE> buffer(kBatchBufferSize);
    for (;;) {
        DWORD count = 0xFFFFFFFF; // as many as fit
        DWORD size = static_cast<DWORD>(buffer.size());
        DWORD status = m_api.EnumResource(handle, &count, buffer.data(), &size);
        if (status == ERROR_MORE_DATA && size > buffer.size()) {
            buffer.resize(size);
            count = 0xFFFFFFFF;
            status = m_api.EnumResource(handle, &count, buffer.data(), &size);
        }
        if (status == ERROR_NO_MORE_ITEMS) {
            return true;
        }
        if (status != NO_ERROR) {
            return OnError(status, "WNetEnumResource()");
        }
        auto* records = reinterpret_cast<NETRESOURCEA*>(buffer.data());
        for (DWORD i = 0; i < count; ++i) {
            NETRESOURCEA& record = records[i];
            if (!OnResource(record)) {
                throw CNetworkBreak(FALSE);
            }
            const bool walkable =
                (record.dwUsage & RESOURCEUSAGE_CONTAINER) != 0 && record.dwDisplayType != RESOURCEDISPLAYTYPE_SERVER;
            if (walkable && depth < kMaxDepth && !EnumerateAt(&record, flags, depth + 1)) {
                throw CNetworkError(FALSE);
            }
        }
    }
}

bool NetworkEnumerator::OnError(DWORD code, const char* callName)
{
    std::string text;
    if (code == ERROR_EXTENDED_ERROR) {
        DWORD providerCode = 0;
        char description[kProviderTextSize] = {};
        char provider[kProviderTextSize] = {};
        const DWORD asked =
            m_api.GetLastError(&providerCode, description, kProviderTextSize, provider, kProviderTextSize);
        if (asked != NO_ERROR) {
            text = "WNetGetLastError() failed.\r\nError Code: " + std::to_string(asked);
        } else {
            std::string said(description, strnlen(description, kProviderTextSize));
            // The description ends with its line end.
            if (said.size() >= 2 && said.compare(said.size() - 2, 2, "\r\n") == 0) {
                said.resize(said.size() - 2);
            }
            text = std::string(provider, strnlen(provider, kProviderTextSize)) +
                   " failed.\r\nError code: " + std::to_string(providerCode) + "\r\nDescription: " + said;
        }
    } else {
        text = std::string(callName) + " failed.\r\nError code: " + std::to_string(code) +
               "\r\nDescription: " + SystemErrorText(code).substr(0, kProviderTextSize);
    }
    m_errorText = text.substr(0, kMaxErrorText);
    return false;
}

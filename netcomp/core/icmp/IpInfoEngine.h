#pragma once
// This computer's adapters and network parameters through the IP Helper
// library, DHCP release and renew, ARP, and asynchronous host and service
// look-ups through Winsock (up to kMaxRequests outstanding).
#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "netcomp/core/icmp/IpHelper.h"
#include "netcomp/core/framework/NetComponent.h"

class IpInfoEngine : public NetComponent {
public:
    static constexpr int kMaxRequests = 96;
    static constexpr int kLookupBufferSize = 1024;
    static constexpr int kQueueFull = 131;
    static constexpr int kUnknownRequest = 132;
    static constexpr int kBadAddressText = 134;
    static constexpr int kArpFailed = 135;
    static constexpr int kDhcpFailed = 136;
    static constexpr int kNoAdapter = 137;
    static constexpr int kBadAdapterIndex = 169;

    IpInfoEngine();
    ~IpInfoEngine() override;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    // Adapters.
    int AdapterCount();
    [[nodiscard]] int SelectAdapter(int index);
    int AdapterIndex() const { return m_adapterIndex; }
    const IP_ADAPTER_INFO* Selected() const { return m_selected; }
    const char* AdapterText(int property);
    int AdapterNumber(int property) const;

    // Network parameters.
    const char* ParamText(int property);
    int ParamNumber(int property);

    [[nodiscard]] int DhcpRelease() { return DhcpOperation(false); }
    [[nodiscard]] int DhcpRenew() { return DhcpOperation(true); }
    [[nodiscard]] int ResolveMac(const char* address, const char** answer);
    [[nodiscard]] int ResetAll();

    // Look-ups.
    [[nodiscard]] int StartHostByAddress(const char* address);
    [[nodiscard]] int StartHostByName(const char* name);
    [[nodiscard]] int StartServiceByName(const char* name);
    [[nodiscard]] int StartServiceByPort(int port);
    void SetServiceProtocol(const char* protocol);
    [[nodiscard]] int CancelBeyond(int keep);
    int PendingCount() const { return int(m_queue.size()); }
    INT_PTR LastRequest() const { return reinterpret_cast<INT_PTR>(m_lastRequest); }
    const char* HostAddress();
    const char* HostAliases() const { return m_hostAliases.c_str(); }
    const char* HostName() const { return m_hostName.c_str(); }
    const char* OtherAddresses() const { return m_otherAddresses.c_str(); }
    const char* ServiceAliases() const { return m_serviceAliases.c_str(); }
    const char* ServiceName() const { return m_serviceName.c_str(); }
    int ServicePort() const { return m_servicePort; }
    const char* ServiceProtocol() const { return m_serviceProtocol.c_str(); }

private:
    // A look-up and the buffer Winsock writes its answer into.
    struct Request {
        HANDLE handle;
        std::unique_ptr<char[]> buffer; // kLookupBufferSize bytes
    };

    int ReadAdapters();
    int ReadParams();
    [[nodiscard]] int DhcpOperation(bool renew);
    [[nodiscard]] int StartLookup(bool host, const char* name, const char* address, int port);
    void ClearHostAnswers();
    void TakeHostAnswer(const char* buffer);
    void TakeServiceAnswer(const char* buffer);
    const char* Keep(int property, std::string text);

    DllReference m_ipHelper{IpHelperDll()}; // iphlpapi.dll stays loaded while the engine lives
    std::vector<Request> m_queue;
    // Cancelled look-ups whose answer has not come (yet): Winsock may still
    // write into their buffers, so the buffers stay until it has answered.
    std::vector<Request> m_cancelled;
    std::vector<std::uint8_t> m_adapters;
    const IP_ADAPTER_INFO* m_selected = nullptr;
    int m_adapterIndex = 0;
    std::vector<std::uint8_t> m_params;
    bool m_paramsRead = false;
    HANDLE m_lastRequest = nullptr;
    unsigned long m_hostAddress = 0;
    std::string m_otherAddresses;
    std::string m_hostName;
    std::string m_hostAliases;
    int m_servicePort = 0;
    std::string m_serviceProtocol;
    std::string m_serviceName;
    std::string m_serviceAliases;
    std::string m_answers[40]; // text answers that need storage, by property number
    std::string m_macAnswer;
};

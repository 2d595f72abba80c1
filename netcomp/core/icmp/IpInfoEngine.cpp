// Adapter and parameter answers come from the IP Helper library: the adapter
// list is read again each time its count is asked (and when an adapter is
// selected), the network parameters once on first use or on reset.
//
// Host and service look-ups are Winsock's asynchronous ones: each gets a
// 1 KB buffer of its own for the hostent/servent that Winsock writes, and completes as
// kMsgHostLookup or kMsgServiceLookup at the hidden window, where the answer
// is copied out, the request leaves the queue and RequestComplete fires. A
// completion whose request is no longer queued (it was cancelled, but Winsock
// answered anyway) is reported through the Error event instead. A cancel does
// not always stop Winsock from writing the answer afterwards (Wine's cancel
// does nothing at all), so a cancelled request keeps its buffer until its
// answer came.
#include "netcomp/core/icmp/IpInfoEngine.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <new>
#include <utility>

#include "netcomp/core/text/AddressText.h"
#include "netcomp/core/icmp/IpHelper.h"
#include "netcomp/core/icmp/IpInfoFormat.h"
#include "netcomp/include/netcomp_ipinfo.h"
#include "netcomp/core/framework/NotifyWindow.h"
#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/core/framework/WinsockBinding.h"

namespace {

constexpr std::size_t kListTextLimit = 2016;
constexpr std::size_t kHostNameLimit = 96;
constexpr std::size_t kServiceTextLimit = 24;
constexpr std::size_t kServiceAliasesLimit = 96;

// RequestComplete is the engine's own: it fires it itself.
constexpr EventTable kIpInfoEvents = {{SharedEvent::Error, kIpInfoEventError}};

std::string Cut(const char* text, std::size_t limit)
{
    std::string s = text ? text : "";
    if (s.size() > limit)
        s.resize(limit);
    return s;
}

std::vector<std::string> Texts(char** list)
{
    std::vector<std::string> out;
    for (; list && *list; ++list)
        out.emplace_back(*list);
    return out;
}

std::string LeaseText(time_t seconds)
{
    const std::tm* t = std::localtime(&seconds);
    if (!t)
        return std::string();
    return ipinfo::FormatLeaseTime({t->tm_year + 1900, t->tm_mon + 1, t->tm_mday, t->tm_hour, t->tm_min, t->tm_sec});
}

std::string AddressList(const IP_ADDR_STRING* entry)
{
    std::vector<std::string> items;
    for (; entry; entry = entry->Next)
        items.emplace_back(entry->IpAddress.String);
    return ipinfo::JoinWithBlanks(items);
}

} // namespace

IpInfoEngine::IpInfoEngine()
{
    SetEventTable(kIpInfoEvents);
    m_queue.reserve(kMaxRequests);
    Setup(true);
    (void)ReadParams();
    (void)ReadAdapters();
}

IpInfoEngine::~IpInfoEngine()
{
    (void)CancelBeyond(0);
    // While Winsock may still write an answer, its buffer outlives the
    // object: it is let go of, never freed. (The library that writes it
    // stays loaded whatever happens here: the binding keeps it.)
    for (Request& r : m_cancelled)
        (void)r.buffer.release();
}

const char* IpInfoEngine::Keep(int property, std::string text)
{
    m_answers[property] = std::move(text);
    return m_answers[property].c_str();
}

int IpInfoEngine::ReadAdapters()
{
    m_selected = nullptr;
    ULONG size = 0;
    DWORD rc = IpHelperGetAdaptersInfo(nullptr, &size);
    std::vector<std::uint8_t> list;
    if (rc == ERROR_BUFFER_OVERFLOW) {
        try {
            list.assign(size, 0);
        } catch (const std::bad_alloc&) {
            m_adapters.clear();
            return -2;
        }
        rc = IpHelperGetAdaptersInfo(reinterpret_cast<IP_ADAPTER_INFO*>(list.data()), &size);
    }
    // A computer without adapters has an empty list, not an unreadable one.
    if (rc == ERROR_NO_DATA)
        list.clear();
    else if (rc != NO_ERROR) {
        m_adapters.clear();
        return -1;
    }
    m_adapters.swap(list);
    int count = 0;
    const auto* first = m_adapters.empty() ? nullptr : reinterpret_cast<const IP_ADAPTER_INFO*>(m_adapters.data());
    for (const IP_ADAPTER_INFO* a = first; a; a = a->Next)
        ++count;
    if (m_adapterIndex < 1 || m_adapterIndex > count)
        m_adapterIndex = count > 0 ? 1 : 0;
    const IP_ADAPTER_INFO* a = first;
    for (int i = 1; a && i < m_adapterIndex; ++i)
        a = a->Next;
    m_selected = m_adapterIndex > 0 ? a : nullptr;
    return count;
}

int IpInfoEngine::AdapterCount()
{
    return ReadAdapters();
}

int IpInfoEngine::SelectAdapter(int index)
{
    const int count = ReadAdapters();
    if (index < 1 || index > count) {
        SetLastErrorText("Bad Adapter Index.");
        return kBadAdapterIndex;
    }
    m_adapterIndex = index;
    (void)ReadAdapters();
    return kResultOk;
}

const char* IpInfoEngine::AdapterText(int property)
{
    const IP_ADAPTER_INFO* a = m_selected;
    if (!a)
        return "";
    switch (property) {
    case kIpInfoAdapterDescription:
        return a->Description;
    case kIpInfoAdapterDhcpServer:
        return a->DhcpServer.IpAddress.String;
    case kIpInfoAdapterGateway:
        return a->GatewayList.IpAddress.String;
    case kIpInfoAdapterIpAddress:
        return a->IpAddressList.IpAddress.String;
    case kIpInfoAdapterLeaseExpires:
        return Keep(property, LeaseText(a->LeaseExpires));
    case kIpInfoAdapterLeaseObtained:
        return Keep(property, LeaseText(a->LeaseObtained));
    case kIpInfoAdapterName:
        return a->AdapterName;
    case kIpInfoAdapterOtherIpAddresses:
        return Keep(property, AddressList(&a->IpAddressList));
    case kIpInfoAdapterPhysicalAddress: {
        const UINT length = std::min<UINT>(a->AddressLength, MAX_ADAPTER_ADDRESS_LENGTH);
        return Keep(property, ipinfo::FormatHardwareAddress(a->Address, length));
    }
    case kIpInfoAdapterPrimaryWinsServer:
        return a->PrimaryWinsServer.IpAddress.String;
    case kIpInfoAdapterSecondaryWinsServer:
        return a->SecondaryWinsServer.IpAddress.String;
    case kIpInfoAdapterSubnetMask:
        return a->IpAddressList.IpMask.String;
    case kIpInfoAdapterType:
        return Keep(property, ipinfo::AdapterTypeName(a->Type));
    default:
        return "";
    }
}

int IpInfoEngine::AdapterNumber(int property) const
{
    const IP_ADAPTER_INFO* a = m_selected;
    if (!a)
        return 0;
    switch (property) {
    case kIpInfoAdapterSystemIndex:
        return int(a->Index);
    case kIpInfoAdapterDhcpEnabled:
        return a->DhcpEnabled ? 1 : 0;
    case kIpInfoAdapterWinsEnabled:
        return a->HaveWins ? 1 : 0;
    default:
        return 0;
    }
}

int IpInfoEngine::ReadParams()
{
    ULONG size = 0;
    DWORD rc = IpHelperGetNetworkParams(nullptr, &size);
    if (rc != ERROR_BUFFER_OVERFLOW && rc != NO_ERROR)
        return int(rc);
    std::vector<std::uint8_t> params;
    try {
        params.assign(std::max<ULONG>(size, sizeof(FIXED_INFO)), 0);
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    size = ULONG(params.size());
    rc = IpHelperGetNetworkParams(reinterpret_cast<FIXED_INFO*>(params.data()), &size);
    if (rc != NO_ERROR)
        return int(rc);
    m_params.swap(params);
    m_paramsRead = true;
    return kResultOk;
}

const char* IpInfoEngine::ParamText(int property)
{
    if (!m_paramsRead)
        (void)ReadParams();
    if (!m_paramsRead)
        return "";
    const auto* p = reinterpret_cast<const FIXED_INFO*>(m_params.data());
    switch (property) {
    case kIpInfoDhcpScope:
        return p->ScopeId;
    case kIpInfoDnsServer:
        return p->DnsServerList.IpAddress.String;
    case kIpInfoDomainName:
        return p->DomainName;
    case kIpInfoNodeType:
        return Keep(property, ipinfo::NodeTypeName(p->NodeType));
    case kIpInfoOtherDnsServers:
        return Keep(property, AddressList(&p->DnsServerList));
    default:
        return "";
    }
}

int IpInfoEngine::ParamNumber(int property)
{
    if (!m_paramsRead)
        (void)ReadParams();
    if (!m_paramsRead)
        return 0;
    const auto* p = reinterpret_cast<const FIXED_INFO*>(m_params.data());
    switch (property) {
    case kIpInfoArpProxyEnabled:
        return p->EnableProxy ? 1 : 0;
    case kIpInfoDnsResolutionEnabled:
        return p->EnableDns ? 1 : 0;
    case kIpInfoRoutingEnabled:
        return p->EnableRouting ? 1 : 0;
    default:
        return 0;
    }
}

int IpInfoEngine::DhcpOperation(bool renew)
{
    SetLastErrorText("");
    if (!m_selected) {
        SetLastErrorText("No adapter has been selected.  Please choose an Adapter by setting AdapterIndex.");
        return kNoAdapter;
    }
    ULONG size = 0;
    DWORD rc = IpHelperGetInterfaceInfo(nullptr, &size);
    std::vector<std::uint8_t> table;
    if (rc == ERROR_INSUFFICIENT_BUFFER || rc == NO_ERROR) {
        table.assign(std::max<ULONG>(size, sizeof(IP_INTERFACE_INFO)), 0);
        size = ULONG(table.size());
        rc = IpHelperGetInterfaceInfo(reinterpret_cast<IP_INTERFACE_INFO*>(table.data()), &size);
    }
    if (rc != NO_ERROR) {
        SetLastErrorWithCode("Can't get interface info (error ", rc, ").");
        return kDhcpFailed;
    }
    auto* info = reinterpret_cast<IP_INTERFACE_INFO*>(table.data());
    IP_ADAPTER_INDEX_MAP* entry = nullptr;
    for (LONG i = 0; i < info->NumAdapters && !entry; ++i) {
        if (info->Adapter[i].Index == m_selected->Index)
            entry = &info->Adapter[i];
    }
    if (!entry) {
        SetLastErrorText("Adapter not found in adapter map.");
        return kNoAdapter;
    }
    rc = renew ? IpHelperRenewAddress(entry) : IpHelperReleaseAddress(entry);
    if (rc != NO_ERROR) {
        SetLastErrorWithCode("Could not perform DHCP operation (error ", rc, ").");
        return kDhcpFailed;
    }
    return kResultOk;
}

int IpInfoEngine::ResolveMac(const char* address, const char** answer)
{
    SetLastErrorText("");
    m_macAnswer.clear();
    *answer = m_macAnswer.c_str();
    const unsigned long destination = Ws().inet_addr(address ? address : "");
    if (destination == INADDR_NONE) {
        SetLastErrorText("Invalid IP address.");
        return kArpFailed;
    }
    BYTE mac[8] = {};
    ULONG length = 6;
    const DWORD rc = IpHelperSendArp(destination, 0, mac, &length);
    if (rc != NO_ERROR) {
        SetLastErrorWithCode("Can't get MAC address (error: ", rc, ").");
        return kArpFailed;
    }
    m_macAnswer = ipinfo::FormatHardwareAddress(mac, 6);
    *answer = m_macAnswer.c_str();
    return kResultOk;
}

int IpInfoEngine::ResetAll()
{
    m_paramsRead = false;
    (void)ReadParams();
    (void)ReadAdapters();
    return CancelBeyond(0);
}

void IpInfoEngine::ClearHostAnswers()
{
    m_hostAddress = 0;
    m_hostName.clear();
    m_hostAliases.clear();
    m_otherAddresses.clear();
}

int IpInfoEngine::StartHostByAddress(const char* address)
{
    return StartLookup(true, nullptr, address ? address : "", 0);
}

int IpInfoEngine::StartHostByName(const char* name)
{
    return StartLookup(true, name ? name : "", nullptr, 0);
}

int IpInfoEngine::StartServiceByName(const char* name)
{
    return StartLookup(false, name ? name : "", nullptr, 0);
}

int IpInfoEngine::StartServiceByPort(int port)
{
    return StartLookup(false, nullptr, nullptr, port);
}

// One of name (host or service name), address (reverse host look-up) or
// port (service by port) is given.
int IpInfoEngine::StartLookup(bool host, const char* name, const char* address, int port)
{
    SetLastErrorText("");
    if (int(m_queue.size()) >= kMaxRequests) {
        SetLastErrorText("Request queue is full.");
        return kQueueFull;
    }
    unsigned long reverse = 0;
    if (host) {
        ClearHostAnswers();
        if (address) {
            if (!*address)
                return kResultOk;
            reverse = Ws().inet_addr(address);
            if (reverse == INADDR_NONE) {
                SetLastErrorText("Invalid address string.");
                return kBadAddressText;
            }
        } else if (!*name) {
            return kResultOk;
        }
    } else {
        m_serviceName.clear();
        m_serviceAliases.clear();
        m_servicePort = port;
        if (name ? !*name : port == 0)
            return kResultOk;
    }
    if (!m_window)
        return kNoNotifyWindow;
    Request request{nullptr, std::unique_ptr<char[]>(new (std::nothrow) char[kLookupBufferSize]())};
    if (!request.buffer)
        return kOutOfMemory;
    char* buffer = request.buffer.get();
    const char* protocol = m_serviceProtocol.empty() ? nullptr : m_serviceProtocol.c_str();
    HANDLE handle;
    if (host && address)
        handle = Ws().WSAAsyncGetHostByAddr(m_window, kMsgHostLookup, reinterpret_cast<const char*>(&reverse), 4,
                                            AF_INET, buffer, kLookupBufferSize);
    else if (host)
        handle = Ws().WSAAsyncGetHostByName(m_window, kMsgHostLookup, name, buffer, kLookupBufferSize);
    else if (name)
        handle = Ws().WSAAsyncGetServByName(m_window, kMsgServiceLookup, name, protocol, buffer, kLookupBufferSize);
    else
        handle = Ws().WSAAsyncGetServByPort(m_window, kMsgServiceLookup, Ws().htons(u_short(port)), protocol, buffer,
                                            kLookupBufferSize);
    m_lastRequest = handle;
    if (!handle)
        return Ws().WSAGetLastError();
    request.handle = handle;
    m_queue.push_back(std::move(request));
    return kResultOk;
}

void IpInfoEngine::SetServiceProtocol(const char* protocol)
{
    m_serviceProtocol = Cut(protocol, kServiceTextLimit);
}

int IpInfoEngine::CancelBeyond(int keep)
{
    const std::size_t first = std::size_t(std::max(keep, 0));
    for (std::size_t i = first; i < m_queue.size(); ++i) {
        Ws().WSACancelAsyncRequest(m_queue[i].handle);
        m_cancelled.push_back(std::move(m_queue[i]));
    }
    if (m_queue.size() > first)
        m_queue.resize(first);
    return kResultOk;
}

const char* IpInfoEngine::HostAddress()
{
    if (m_hostAddress == 0)
        return "";
    return Keep(kIpInfoHostAddress, DottedAddress(reinterpret_cast<const std::uint8_t*>(&m_hostAddress)));
}

void IpInfoEngine::TakeHostAnswer(const char* buffer)
{
    const auto* host = reinterpret_cast<const hostent*>(buffer);
    m_hostName = Cut(host->h_name, kHostNameLimit);
    m_hostAliases = ipinfo::JoinWithBlanks(Texts(host->h_aliases), kListTextLimit);
    std::vector<std::string> others;
    for (char** a = host->h_addr_list; a && *a; ++a) {
        if (a == host->h_addr_list)
            std::memcpy(&m_hostAddress, *a, 4);
        else
            others.push_back(DottedAddress(reinterpret_cast<const std::uint8_t*>(*a)));
    }
    m_otherAddresses = ipinfo::JoinWithBlanks(others, kListTextLimit);
}

void IpInfoEngine::TakeServiceAnswer(const char* buffer)
{
    const auto* service = reinterpret_cast<const servent*>(buffer);
    m_servicePort = Ws().ntohs(u_short(service->s_port));
    m_serviceName = Cut(service->s_name, kServiceTextLimit);
    m_serviceAliases = ipinfo::JoinWithBlanks(Texts(service->s_aliases), kServiceAliasesLimit);
}

LRESULT IpInfoEngine::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != kMsgHostLookup && message != kMsgServiceLookup)
        return NetComponent::WindowProc(message, wParam, lParam);
    const HANDLE handle = reinterpret_cast<HANDLE>(wParam);
    auto request =
        std::find_if(m_queue.begin(), m_queue.end(), [handle](const Request& r) { return r.handle == handle; });
    if (request == m_queue.end()) {
        // Most likely a cancelled request whose answer came all the same:
        // now its buffer can go.
        auto cancelled = std::find_if(m_cancelled.begin(), m_cancelled.end(),
                                      [handle](const Request& r) { return r.handle == handle; });
        if (cancelled != m_cancelled.end())
            m_cancelled.erase(cancelled);
        FireError(kUnknownRequest, "Message for unknown request.");
        return 0;
    }
    int error = WSAGETASYNCERROR(lParam);
    if (error == 0) {
        const char* buffer = request->buffer.get();
        if (message == kMsgHostLookup)
            TakeHostAnswer(buffer);
        else
            TakeServiceAnswer(buffer);
    }
    m_queue.erase(request);
    const char* description = "OK";
    if (error != 0) {
        SetErrorFromCode(error);
        description = LastErrorText();
    }
    std::intptr_t id = reinterpret_cast<std::intptr_t>(handle);
    Fire(kIpInfoEventRequestComplete,
         {EventParam::IntPtr(&id), EventParam::Int(&error), EventParam::Text(&description)});
    return 0;
}

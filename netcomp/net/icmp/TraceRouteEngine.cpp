// A trace runs inside TraceTo: for each time-to-live it sends one echo
// request and pumps messages in 10 ms steps until an answer for that hop
// arrives or the hop's time runs out. The host's echo reply closes the ICMP
// port, which ends the trace. Every answer is matched to the probe it quotes
// (hop index and trace identifier in the first four payload bytes), so late
// answers of an earlier hop or of another program's trace are not taken.
// The trace's Timeout bounds the whole trace: messages that arrive meanwhile
// do not restart it.
#include "netcomp/net/icmp/TraceRouteEngine.h"

#include <algorithm>
#include <cstring>

#include "netcomp/core/framework/NotifyWindow.h"
#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/core/framework/WinsockBinding.h"
#include "netcomp/core/icmp/IcmpPacket.h"
#include "netcomp/core/text/AddressText.h"
#include "netcomp/include/netcomp_traceroute.h"

namespace {

constexpr EventTable kTraceRouteEvents = {{SharedEvent::Error, kTraceRouteEventError}};

constexpr int kProbeSize = 20;
// Where the quoted probe's payload starts in the data of a time-exceeded or
// unreachable message: 4 unused bytes, the probe's IPv4 header, its ICMP
// header.
constexpr int kQuotedPayload = 4 + int(icmp::kIpHeaderSize) + int(icmp::kHeaderSize);
constexpr int kLookupBufferSize = MAXGETHOSTSTRUCT;

std::uint32_t ProbeId(const std::uint8_t* p)
{
    return std::uint32_t(p[1]) | std::uint32_t(p[2]) << 8 | std::uint32_t(p[3]) << 16;
}

} // namespace

TraceRouteEngine::TraceRouteEngine()
{
    SetEventTable(kTraceRouteEvents);
    SetMessageType(icmp::kEchoRequest);
    SetMessageCode(0);
    (void)SetTimeout(60);
    SetDeadlineFollowsData(false);
}

TraceRouteEngine::~TraceRouteEngine()
{
    CancelLookups();
}

int TraceRouteEngine::SetHopLimit(int limit)
{
    m_hopLimit = std::clamp(limit, 0, kMaxHops);
    return kResultOk;
}

int TraceRouteEngine::SetHopTimeout(int seconds)
{
    m_hopTimeout = std::max(seconds, 0);
    return kResultOk;
}

int TraceRouteEngine::CheckHopIndex(int hop)
{
    if (hop >= 1 && hop <= HopCount())
        return kResultOk;
    SetLastErrorText("Invalid array index.");
    return kIndexOutOfRange;
}

const char* TraceRouteEngine::HopHostAddress(int hop)
{
    const unsigned long address = m_hops[std::size_t(hop - 1)].address;
    m_text = address != 0 ? DottedAddress(std::uint32_t(address)) : std::string();
    return m_text.c_str();
}

const char* TraceRouteEngine::HopHostName(int hop)
{
    return m_hops[std::size_t(hop - 1)].name.c_str();
}

int TraceRouteEngine::HopTime(int hop) const
{
    return int(m_hops[std::size_t(hop - 1)].duration);
}

int TraceRouteEngine::TraceTo(const char* host)
{
    SetLastErrorText("");
    if (!host || !*host)
        return SetActive(false);
    if (IsActive()) {
        SetLastErrorText("ICMPPort is already Active.");
        return kAlreadyActive;
    }
    CancelLookups();
    m_hops.clear();
    m_current = -1;
    m_reported = 0;
    int rc = SetRemoteHost(host);
    if (rc != kResultOk)
        return rc;
    SetMessageType(icmp::kEchoRequest);
    SetMessageCode(0);
    ClearInterrupted();
    StartTimeout();
    if ((rc = SetActive(true)) != kResultOk)
        return rc;
    // Two traces in the same millisecond still differ.
    m_traceId = (GetTickCount() + ++m_traces * 0x9E37u) & 0xFFFFFFu;

    for (int h = 0; h < m_hopLimit && IsActive(); ++h) {
        m_hops.emplace_back();
        m_current = h;
        m_hops[std::size_t(h)].start = GetTickCount();
        if ((rc = SetTimeToLive(h + 1)) != kResultOk || (rc = SendProbe(h)) != kResultOk) {
            m_hops.pop_back();
            break;
        }
        Hop* hop = &m_hops[std::size_t(h)];
        while (hop->status == HopStatus::Waiting) {
            if (m_hopTimeout != 0 && GetTickCount() - hop->start >= DWORD(m_hopTimeout) * 1000) {
                hop->status = HopStatus::NoAnswer;
                hop->duration = GetTickCount() - hop->start;
                break;
            }
            if (!WaitStep(10, m_window)) {
                rc = kInterrupted;
                break;
            }
            hop = &m_hops[std::size_t(h)];
        }
        if (rc != kResultOk) {
            // The hop that was being waited for stays out of the records.
            m_hops.pop_back();
            break;
        }
        ReportHop(h);
    }
    m_current = -1;
    (void)SetActive(false);
    if (rc == kResultOk && m_resolveNames) {
        while (LookupsPending()) {
            if (!WaitStep(10, m_window)) {
                rc = kInterrupted;
                break;
            }
        }
    }
    // A deadline that passed is a time-out, not an interruption.
    if (rc == kInterrupted && !WasInterrupted() && DeadlinePassed())
        SetResultText("Timeout.");
    return rc;
}

int TraceRouteEngine::SendProbe(int index)
{
    std::uint8_t probe[kProbeSize];
    probe[0] = std::uint8_t(index);
    probe[1] = std::uint8_t(m_traceId);
    probe[2] = std::uint8_t(m_traceId >> 8);
    probe[3] = std::uint8_t(m_traceId >> 16);
    std::memset(probe + 4, '*', kProbeSize - 4);
    for (;;) {
        const int rc = Send(probe, kProbeSize);
        if (rc != WSAEWOULDBLOCK)
            return rc;
        if (!WaitStep(10, m_window))
            return kInterrupted;
    }
}

void TraceRouteEngine::OnDataIn(int type, int, const std::uint8_t* data, int length, bool, const char* source)
{
    HopStatus status;
    int offset;
    if (type == icmp::kEchoReply) {
        status = HopStatus::Reached;
        offset = 0;
    } else if (type == icmp::kDestinationUnreachable) {
        status = HopStatus::Unreachable;
        offset = kQuotedPayload;
    } else if (type == icmp::kTimeExceeded) {
        status = HopStatus::TimeExceeded;
        offset = kQuotedPayload;
    } else {
        return;
    }
    if (m_current < 0)
        return;
    int index = m_current;
    if (!UsesIcmpDll()) {
        // The answer must quote one of this trace's probes.
        if (!data || length < offset + 4 || ProbeId(data + offset) != m_traceId)
            return;
        index = data[offset];
    }
    if (index != m_current || m_hops[std::size_t(index)].status != HopStatus::Waiting)
        return;
    TakeAnswer(index, status, source);
    // The target's answer ends the trace, and so does an unreachable answer:
    // no later hop gets further than the router that gave it.
    if (status == HopStatus::Reached || status == HopStatus::Unreachable)
        (void)SetActive(false);
}

void TraceRouteEngine::TakeAnswer(int index, HopStatus status, const char* source)
{
    Hop& hop = m_hops[std::size_t(index)];
    hop.status = status;
    hop.duration = GetTickCount() - hop.start;
    unsigned long address = 0;
    if (source && *source)
        address = Ws().inet_addr(source);
    hop.address = address == INADDR_NONE ? 0 : address;
}

void TraceRouteEngine::ReportHop(int index)
{
    Hop& hop = m_hops[std::size_t(index)];
    if (m_resolveNames && hop.address != 0) {
        hop.lookupBuffer.reset(new char[kLookupBufferSize]());
        const unsigned long address = hop.address;
        hop.lookup = Ws().WSAAsyncGetHostByAddr(m_window, kMsgHostLookup, reinterpret_cast<const char*>(&address), 4,
                                                AF_INET, hop.lookupBuffer.get(), kLookupBufferSize);
        hop.lookupDone = hop.lookup == nullptr;
        if (hop.lookupDone) {
            const int error = Ws().WSAGetLastError();
            const char* text = SocketErrorText(error);
            hop.name = std::string("<") + (text ? text : "") + ">";
            hop.lookupBuffer.reset();
        }
    }
    m_reported = index + 1;
    int number = index + 1;
    std::string address = hop.address != 0 ? DottedAddress(std::uint32_t(hop.address)) : std::string();
    const char* addressText = address.c_str();
    int duration = int(hop.duration);
    Fire(kTraceRouteEventHop, {EventParam::Int(&number), EventParam::Text(&addressText), EventParam::Int(&duration)});
}

LRESULT TraceRouteEngine::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != kMsgHostLookup)
        return IcmpEngine::WindowProc(message, wParam, lParam);
    const HANDLE handle = reinterpret_cast<HANDLE>(wParam);
    auto hop = std::find_if(m_hops.begin(), m_hops.end(),
                            [handle](const Hop& h) { return !h.lookupDone && h.lookup == handle; });
    if (hop == m_hops.end())
        return 0;
    int error = WSAGETASYNCERROR(lParam);
    if (error == 0) {
        const auto* host = reinterpret_cast<const hostent*>(hop->lookupBuffer.get());
        hop->name = host->h_name ? host->h_name : "";
    } else {
        const char* text = SocketErrorText(error);
        hop->name = std::string("<") + (text ? text : "") + ">";
    }
    hop->lookupDone = true;
    hop->lookup = nullptr;
    hop->lookupBuffer.reset();
    int number = int(hop - m_hops.begin()) + 1;
    // The event may start another trace, which clears the records.
    std::string name = hop->name;
    const char* nameText = name.c_str();
    Fire(kTraceRouteEventHopResolved, {EventParam::Int(&number), EventParam::Int(&error), EventParam::Text(&nameText)});
    return 0;
}

bool TraceRouteEngine::LookupsPending() const
{
    return std::any_of(m_hops.begin(), m_hops.end(), [](const Hop& h) { return !h.lookupDone; });
}

// A cancelled look-up may still be answered into its buffer by the resolver
// thread; that buffer is given up rather than freed under it.
void TraceRouteEngine::CancelLookups()
{
    for (Hop& hop : m_hops) {
        if (hop.lookupDone)
            continue;
        Ws().WSACancelAsyncRequest(hop.lookup);
        (void)hop.lookupBuffer.release();
        hop.lookupDone = true;
        hop.lookup = nullptr;
    }
}

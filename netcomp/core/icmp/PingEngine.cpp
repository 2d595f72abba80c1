// A waited ping (Timeout above 0) opens the engine for one request, pumps
// messages until the answer closes it again or the wait stops, and leaves
// the engine closed. With Timeout 0 the engine stays open after sending, and
// every answer that arrives later, for this request or an earlier one, is
// reported through the Response event until the owner deactivates it.
//
// The first eight payload bytes carry the request id and the send time, so an
// answer can be matched to the request that is being waited for.
#include "netcomp/core/icmp/PingEngine.h"

#include <cstring>
#include <string>

#include "netcomp/core/icmp/IcmpPacket.h"
#include "netcomp/include/netcomp_ping.h"
#include "netcomp/core/framework/ResultCodes.h"

namespace {

constexpr EventTable kPingEvents = {{SharedEvent::Error, kPingEventError}};

} // namespace

PingEngine::PingEngine()
{
    SetEventTable(kPingEvents);
    SetMessageType(icmp::kEchoRequest);
    (void)SetTimeout(60);
    (void)SetUseConnection(true);
    LARGE_INTEGER frequency;
    if (QueryPerformanceFrequency(&frequency) && frequency.QuadPart >= 1000)
        m_counterFrequency = frequency.QuadPart / 1000;
}

std::uint32_t PingEngine::NowMs() const
{
    if (m_counterFrequency != 0) {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        return std::uint32_t(now.QuadPart / m_counterFrequency);
    }
    return GetTickCount();
}

void PingEngine::SetPacketSize(int size)
{
    m_packetSize = size < 8 ? 8 : (size > 0xFFFF ? 0xFFFF : size);
}

int PingEngine::SetPingTimeout(int seconds)
{
    if (seconds == 0) {
        (void)SetActive(false);
        (void)SetUseConnection(false);
    }
    // Callers hand the unsigned time-out through an int: -1 is the longest wait.
    return SetTimeout(unsigned(seconds));
}

int PingEngine::PingHost(const char* host)
{
    SetLastErrorText("");
    if (!host || !*host)
        return SetActive(false);
    const bool waited = GetTimeout() != 0;
    if (waited) {
        // The socket stays unconnected: a connected raw socket hears only
        // the pinged host, never the router that says it is unreachable.
        // Answers are told apart by the request id they carry.
        (void)SetActive(false);
        (void)SetUseConnection(false);
    }
    int rc = SetRemoteHost(host);
    if (rc != kResultOk)
        return rc;
    if (!waited && !IsActive())
        (void)SetUseConnection(false);
    if (!IsActive() && (rc = SetActive(true)) != kResultOk)
        return rc;

    StartTimeout();
    m_unreachableCode = -1;
    m_sendTime = NowMs();
    m_responseTime = m_sendTime;
    const std::uint32_t perObject = std::uint32_t(reinterpret_cast<std::uintptr_t>(this));
    m_requestId = (m_sendTime + perObject + m_requestId) & 0x7FFFFFFFu;
    const std::vector<std::uint8_t> payload = icmp::BuildPingPayload(m_packetSize, m_requestId, m_sendTime);
    if (!waited)
        RememberRequest(m_requestId);

    rc = Send(payload.data(), int(payload.size()));
    if (rc == kResultOk && waited && UsesIcmpDll() && IsActive()) {
        // icmp.dll answers within Send; still open means no answer came
        // within the time-out, which Send has already waited out.
        m_responseTime = 0;
        rc = kInterrupted;
    }
    if (rc == kResultOk && waited) {
        while (IsActive()) {
            if (!WaitStep(10, m_window)) {
                m_responseTime = 0;
                rc = kInterrupted;
                break;
            }
        }
        if (rc == kResultOk && m_unreachableCode != -1) {
            SetLastErrorText(icmp::UnreachableText(m_unreachableCode).c_str());
            rc = kUnreachable;
        }
    }
    if (waited)
        (void)SetActive(false); // closing does not touch the last-error text
    return rc;
}

int PingEngine::WakeOnLan(const char* host, const char* mac)
{
    SetLastErrorText("");
    const bool wasActive = IsActive();
    int rc = SetRemoteHost(host);
    if (rc != kResultOk)
        return rc;
    if (!wasActive && (rc = SetActive(true)) != kResultOk)
        return rc;
    std::uint8_t address[6];
    if (!icmp::ParseMacAddress(mac ? mac : "", address)) {
        SetLastErrorText("Bad MAC address.");
        rc = kBadMacAddress;
    } else {
        const std::vector<std::uint8_t> pattern = icmp::WakeOnLanPattern(address);
        rc = Send(pattern.data(), int(pattern.size()));
    }
    if (!wasActive)
        (void)SetActive(false);
    return rc;
}

void PingEngine::OnDataIn(int type, int code, const std::uint8_t* data, int length, bool checksumOk, const char* source)
{
    icmp::Message message;
    message.type = std::uint8_t(type);
    message.code = std::uint8_t(code);
    message.checksumOk = checksumOk;
    message.data = data;
    message.length = length < 0 ? 0 : std::size_t(length);
    const bool waited = GetTimeout() != 0;
    const icmp::Reply reply = icmp::ClassifyPingReply(message, UsesIcmpDll(), waited, m_requestId);
    if (reply.kind == icmp::ReplyKind::Ignore)
        return;
    // The answer names its request by the id and send time it carries back
    // (unreachable answers of icmp.dll carry no copy: they belong to the
    // request just sent). Without a time-out, answers to earlier requests
    // keep arriving after a new one went out.
    std::uint32_t requestId = m_requestId;
    std::uint32_t sendTime = m_sendTime;
    std::string status = "OK";
    if (reply.kind == icmp::ReplyKind::Echo) {
        requestId = icmp::ReadStamp(data, 0);
        sendTime = icmp::ReadStamp(data, 4);
    } else {
        m_unreachableCode = reply.unreachableCode;
        status = icmp::UnreachableText(reply.unreachableCode);
        if (!UsesIcmpDll() && message.length >= 36) {
            requestId = icmp::ReadStamp(data, 28);
            sendTime = icmp::ReadStamp(data, 32);
        }
    }
    // The raw socket hears every echo answer that reaches this machine; one
    // to another program's ping is not an answer of this component's.
    if (!waited && !UsesIcmpDll() && !SentHere(requestId))
        return;
    m_responseTime = NowMs() - sendTime;
    FireResponse(int(requestId), source ? source : "", status.c_str(), int(m_responseTime));
    std::strncpy(m_responseSource, source ? source : "", sizeof m_responseSource - 1);
    m_responseSource[sizeof m_responseSource - 1] = '\0';
    if (waited)
        (void)SetActive(false);
}

void PingEngine::RememberRequest(std::uint32_t id)
{
    m_recentIds[m_recentCount++ % m_recentIds.size()] = id;
}

bool PingEngine::SentHere(std::uint32_t id) const
{
    const std::size_t kept = m_recentCount < m_recentIds.size() ? m_recentCount : m_recentIds.size();
    for (std::size_t i = 0; i < kept; ++i)
        if (m_recentIds[i] == id)
            return true;
    return false;
}

void PingEngine::FireResponse(int requestId, const char* source, const char* status, int responseTime)
{
    Fire(kPingEventResponse, {EventParam::Int(&requestId), EventParam::Text(&source), EventParam::Text(&status),
                              EventParam::Int(&responseTime)});
}

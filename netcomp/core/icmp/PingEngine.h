#pragma once
// One echo request to a host and its answer: waited for when a time-out is
// set, else reported later through the Response event. Also sends the
// wake-on-LAN pattern.
#include <array>
#include <cstddef>
#include <cstdint>

#include "netcomp/core/icmp/IcmpEngine.h"

class PingEngine : public IcmpEngine {
public:
    static constexpr int kUnreachable = 127;
    static constexpr int kBadMacAddress = 128;

    PingEngine();

    [[nodiscard]] int PingHost(const char* host);
    [[nodiscard]] int WakeOnLan(const char* host, const char* mac);

    int GetPacketSize() const { return m_packetSize; }
    void SetPacketSize(int size);
    [[nodiscard]] int SetPingTimeout(int seconds);
    int RequestId() const { return int(m_requestId); }
    const char* ResponseSource() const { return m_responseSource; }
    int ResponseTime() const { return int(m_responseTime); }

protected:
    void OnDataIn(int type, int code, const std::uint8_t* data, int length, bool checksumOk,
                  const char* source) override;
    virtual void FireResponse(int requestId, const char* source, const char* status, int responseTime);

private:
    std::uint32_t NowMs() const;
    // The ids of the last requests sent without a time-out, whose answers
    // may still come.
    void RememberRequest(std::uint32_t id);
    bool SentHere(std::uint32_t id) const;

    int m_packetSize = 64;
    std::uint32_t m_responseTime = 0;
    std::uint32_t m_requestId = 0;
    char m_responseSource[20] = {};
    int m_unreachableCode = -1;
    std::int64_t m_counterFrequency = 0; // performance-counter ticks per ms; 0: GetTickCount
    std::uint32_t m_sendTime = 0;
    std::array<std::uint32_t, 64> m_recentIds{};
    std::size_t m_recentCount = 0; // ids ever remembered; the ring keeps the last 64
};

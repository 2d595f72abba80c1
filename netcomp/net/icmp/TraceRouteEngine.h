#pragma once
// Finds the routers on the way to a host: echo requests with time-to-live 1,
// 2, 3 ... on the ICMP engine, each hop recorded with the address that
// answered (time exceeded, unreachable, or the host's echo reply) and the
// milliseconds it took, and, on request, its host name looked up in the
// background.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "netcomp/core/icmp/IcmpEngine.h"

class TraceRouteEngine : public IcmpEngine {
public:
    static constexpr int kMaxHops = 255;
    enum class HopStatus { Waiting, Reached, Unreachable, TimeExceeded, NoAnswer };

    TraceRouteEngine();
    ~TraceRouteEngine() override;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    [[nodiscard]] int TraceTo(const char* host);
    int HopCount() const { return m_reported; }
    int GetHopLimit() const { return m_hopLimit; }
    [[nodiscard]] int SetHopLimit(int limit);
    int GetHopTimeout() const { return m_hopTimeout; }
    [[nodiscard]] int SetHopTimeout(int seconds);
    bool GetResolveNames() const { return m_resolveNames; }
    void SetResolveNames(bool on) { m_resolveNames = on; }
    // Hop n, 1 to HopCount (the index check keeps the others out).
    const char* HopHostAddress(int hop);
    const char* HopHostName(int hop);
    int HopTime(int hop) const;
    HopStatus HopStatusOf(int hop) const { return m_hops[std::size_t(hop - 1)].status; }
    [[nodiscard]] int CheckHopIndex(int hop);
    // The identifier the echo requests of the running (or last) trace carry.
    std::uint32_t TraceId() const { return m_traceId; }

protected:
    void OnDataIn(int type, int code, const std::uint8_t* data, int length, bool checksumOk,
                  const char* source) override;

private:
    struct Hop {
        HopStatus status = HopStatus::Waiting;
        DWORD start = 0;
        DWORD duration = 0;
        unsigned long address = 0; // network order; 0 = no answer
        HANDLE lookup = nullptr;
        std::unique_ptr<char[]> lookupBuffer;
        bool lookupDone = true;
        std::string name;
    };

    [[nodiscard]] int SendProbe(int index);
    void ReportHop(int index);
    void TakeAnswer(int index, HopStatus status, const char* source);
    void CancelLookups();
    bool LookupsPending() const;

    int m_hopLimit = 64;
    int m_hopTimeout = 10; // seconds; 0 = no limit for one hop
    bool m_resolveNames = false;
    std::uint32_t m_traceId = 0;
    std::uint32_t m_traces = 0;
    int m_current = -1; // index of the hop being waited for
    int m_reported = 0; // hops reported through the Hop event
    std::vector<Hop> m_hops;
    std::string m_text;
};

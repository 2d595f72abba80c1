#pragma once
// The NetClock component's engine: the time of a time server (RFC 868 over
// UDP) as GMT and local text, and on request the computer's clock set to it.
#include <winsock2.h>
#include <windows.h>

#include <cstdint>
#include <string>

#include "netcomp/net/udp/UdpSocket.h"

class NetClockEngine : public UdpSocket {
public:
    static constexpr int kCannotSetTime = 119;
    static constexpr int kNoTime = 120;

    // Sets the system clock; tests put a recorder in its place.
    using ClockSetter = BOOL(WINAPI*)(const SYSTEMTIME*);
    static void SetClockSetter(ClockSetter setter);

    NetClockEngine();

    [[nodiscard]] int GetTime() { return Request(Action::Get); }
    [[nodiscard]] int GetAndSetTime() { return Request(Action::GetAndSet); }
    bool IsIdle() const { return m_action == Action::None; }
    const char* GetServerTime() const { return m_serverTime.c_str(); }
    const char* GetLocalTime() const { return m_localTime.c_str(); }

protected:
    void OnError(int code, const char* description) override;

private:
    enum class Action { None, Get, GetAndSet };

    [[nodiscard]] int Request(Action action);
    [[nodiscard]] int Ask();
    [[nodiscard]] int SetClock(const SYSTEMTIME& time);

    Action m_action = Action::None;
    std::string m_serverTime;
    std::string m_localTime;
    std::uint32_t m_answer = 0; // seconds since 1900; 0 = none
    bool m_answered = false;
    int m_receiveError = 0;
    std::string m_receiveText;
};

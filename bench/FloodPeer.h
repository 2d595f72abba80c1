#pragma once
// The flood peer's ports (netcomp/net/tests/flood_peer.c says what each
// sends) on the base port the socket benchmarks start it on, the ports of
// the benchmarks' own servers that its clients come to, and IPPorts that
// ask its pattern port for bytes.
#include <winsock2.h>
#include <windows.h>

#include <cstdio>
#include <string>

#include "netcomp/include/netcomp.h"
#include "netcomp/include/netcomp_ipport.h"
#include "netcomp/testing/LoopbackSocket.h"
#include "netcomp/testing/PatternStream.h"

namespace floodpeer {

constexpr int kBase = 20921;
constexpr int kPlainFlood = kBase + 0;
constexpr int kOversizedFlood = kBase + 4;
constexpr int kStream = kBase + 5;
constexpr int kEndlessHttp = kBase + 6;
constexpr int kCrowd = kBase + 7;
constexpr int kPattern = kBase + 8;
constexpr int kAnswers = kBase + 9;
constexpr int kFloodedServer = kBase + 19;
constexpr int kCrowdServer = kBase + 20;

inline INT_PTR T(const char* text)
{
    return reinterpret_cast<INT_PTR>(text);
}

// Asks the flood peer's crowd port for a crowd or a flood (the request line,
// without its line end): the control connection, which the caller closes.
inline SOCKET AskFloodPeer(const std::string& request)
{
    const SOCKET control = ConnectLoopback(kCrowd);
    const std::string line = request + "\n";
    send(control, line.data(), int(line.size()), 0);
    return control;
}

// Checks an IPPort's bytes against the pattern as they come.
inline int WINAPI OnIpPort(INT_PTR user, int event, int, INT_PTR* params, int* lengths)
{
    if (event == kIpPortEventDataIn)
        reinterpret_cast<PatternStream*>(user)->Take(reinterpret_cast<const char*>(params[0]), lengths[0]);
    return 0;
}

// An IPPort connected to the pattern port, which has asked for `bytes` of
// the pattern (0: for ever); `event` takes its events, the stream as its
// user value.
inline void* PatternPort(PatternStream& stream, unsigned long long bytes, ComponentEventCallback event = OnIpPort)
{
    void* port = IPPort_Create(event, reinterpret_cast<INT_PTR>(&stream), nullptr);
    IPPort_Set(port, kIpPortTimeout, 0, 10, 0);
    INT_PTR target[2] = {T("127.0.0.1"), kPattern};
    if (IPPort_Do(port, kIpPortConnect, 2, target, nullptr) != 0)
        std::fprintf(stderr, "connect: %s\n", IPPort_GetLastError(port));
    const std::string request = "bytes " + std::to_string(bytes);
    INT_PTR line[1] = {T(request.c_str())};
    IPPort_Do(port, kIpPortSendLine, 1, line, nullptr);
    return port;
}

} // namespace floodpeer

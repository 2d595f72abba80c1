// The yardstick of the socket-crowds benchmark's bulk reads: the plainest
// reader one would write by hand, on the same Wine and the same loopback.
// Sockets connected to the flood peer's pattern port (base port 20921 + 8)
// each ask for their bytes; one hidden window takes every notification, and
// each FD_READ reads once, up to 64 KB. The owner's loop and timer are the
// benchmark's (netcomp/testing/OwnerLoop.h).
//   plain_reader_bench ports <ports> <kilobytes> <timer ms, 0: none>
// Prints the line socket_crowds_bench prints for its "ports" case: how long
// until every socket had its bytes, how many came whole and in place, and
// the timer's ticks (from the last connect on) and longest gap.
#include <winsock2.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>

#include "bench/FloodPeer.h"
#include "bench/WallClock.h"
#include "netcomp/testing/OwnerLoop.h"
#include "netcomp/testing/PatternStream.h"

namespace {

using namespace floodpeer;
constexpr UINT kMsgSocket = WM_USER + 1;
constexpr DWORD kLongest = 30000;

std::map<SOCKET, PatternStream> g_streams;
int g_closed = 0;

LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != kMsgSocket)
        return DefWindowProcA(window, message, wParam, lParam);
    const SOCKET s = SOCKET(wParam);
    const auto found = g_streams.find(s);
    if (found == g_streams.end())
        return 0;
    static char buffer[64 * 1024];
    if (WSAGETSELECTEVENT(lParam) == FD_READ) {
        const int got = recv(s, buffer, sizeof buffer, 0);
        if (got > 0)
            found->second.Take(buffer, got);
        return 0;
    }
    if (WSAGETSELECTEVENT(lParam) == FD_CLOSE) {
        int got;
        while ((got = recv(s, buffer, sizeof buffer, 0)) > 0)
            found->second.Take(buffer, got);
        closesocket(s);
        ++g_closed;
    }
    return 0;
}

SOCKET Open(HWND window, unsigned long long bytes)
{
    const SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    peer.sin_port = htons(u_short(kPattern));
    if (connect(s, reinterpret_cast<sockaddr*>(&peer), sizeof peer) != 0) {
        std::fprintf(stderr, "connect: %d\n", WSAGetLastError());
        closesocket(s);
        return INVALID_SOCKET;
    }
    const std::string request = "bytes " + std::to_string(bytes) + "\n";
    send(s, request.data(), int(request.size()), 0);
    WSAAsyncSelect(s, window, kMsgSocket, FD_READ | FD_CLOSE);
    return s;
}

int Ports(int count, int kilobytes, int timerMs)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "plain_reader";
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    const unsigned long long bytes = (unsigned long long)kilobytes << 10;
    const double began = Now();
    for (int i = 0; i < count; ++i) {
        const SOCKET s = Open(window, bytes);
        if (s != INVALID_SOCKET)
            g_streams[s];
    }
    std::unique_ptr<TickingTimer> timer;
    const double timerStart = Now();
    if (timerMs > 0)
        timer = std::make_unique<TickingTimer>(UINT(timerMs));
    const auto done = [&] {
        for (const auto& stream : g_streams) {
            if (stream.second.bytes < bytes)
                return false;
        }
        return true;
    };
    RunOwnerLoop(kLongest, done);
    const double end = Now();
    const double seconds = end - began;
    int whole = 0;
    for (const auto& stream : g_streams)
        whole += stream.second.bytes == bytes && stream.second.misplaced == 0;
    std::printf("ports %d of %d KB, timer %d ms, plain: %.3f s, %d of %d whole (0 replaced); ", count, kilobytes,
                timerMs, seconds, whole, count);
    if (timer)
        std::printf("%d ticks of %lu, longest timer gap %lu ms\n", timer->Ticks(),
                    (unsigned long)((end - timerStart) * 1000 / timerMs), (unsigned long)timer->LongestGap());
    else
        std::printf("no timer\n");
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    WSADATA wsa;
    WSAStartup(MAKEWORD(2, 2), &wsa);
    int rc = 2;
    if (argc == 5 && std::string(argv[1]) == "ports")
        rc = Ports(std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]));
    else
        std::fprintf(stderr, "usage: see the head of PlainReaderBench.cpp\n");
    WSACleanup();
    return rc;
}

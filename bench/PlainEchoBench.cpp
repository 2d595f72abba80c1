// The yardstick of the IPDaemon benchmark: the plainest WSAAsyncSelect echo
// server one would write by hand, on the same Wine and the same loopback.
// One hidden window takes every notification; FD_READ reads once and sends
// it back, what a full send buffer did not take waits for FD_WRITE; FD_CLOSE
// echoes what is left to read, then closes.
//   plain_echo_bench <port> <connections> [owner's timer ms]
// Prints "server <seconds> connections=<n> peak-working-set-kb=<kb>
// errors=<n>" like ipdaemon_bench, once that many connections have closed
// (or once none has been heard of for a while).
#include <winsock2.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "bench/EchoServerReport.h"

namespace {

constexpr UINT kMsgSocket = WM_USER + 1;
SOCKET g_listener = INVALID_SOCKET;
std::map<SOCKET, std::string> g_pending;
int g_connected = 0, g_closed = 0, g_errors = 0;
LARGE_INTEGER g_start{};
QuietWatch* g_watch = nullptr;

void Flush(SOCKET s)
{
    std::string& rest = g_pending[s];
    while (!rest.empty()) {
        const int sent = send(s, rest.data(), int(rest.size()), 0);
        if (sent == SOCKET_ERROR) {
            if (WSAGetLastError() != WSAEWOULDBLOCK)
                ++g_errors, rest.clear();
            return;
        }
        rest.erase(0, size_t(sent));
    }
}

// One read, sent back; false when it found nothing.
bool Echo(SOCKET s)
{
    char buffer[2048];
    const int got = recv(s, buffer, sizeof buffer, 0);
    if (got <= 0)
        return false;
    g_watch->Heard();
    g_pending[s].append(buffer, size_t(got));
    Flush(s);
    return true;
}

LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != kMsgSocket)
        return DefWindowProcA(window, message, wParam, lParam);
    const SOCKET s = SOCKET(wParam);
    switch (WSAGETSELECTEVENT(lParam)) {
    case FD_ACCEPT: {
        const SOCKET client = accept(g_listener, nullptr, nullptr);
        if (client == INVALID_SOCKET)
            break;
        g_watch->Heard();
        if (g_connected++ == 0)
            QueryPerformanceCounter(&g_start);
        WSAAsyncSelect(client, window, kMsgSocket, FD_READ | FD_WRITE | FD_CLOSE);
        break;
    }
    case FD_READ:
        Echo(s);
        break;
    case FD_WRITE:
        Flush(s);
        break;
    case FD_CLOSE:
        while (Echo(s)) {
        }
        g_pending.erase(s);
        closesocket(s);
        ++g_closed;
        g_watch->Heard();
        break;
    default:
        break;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: plain_echo_bench <port> <connections> [owner's timer ms]\n");
        return 2;
    }
    const int expected = std::atoi(argv[2]);
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "plain_echo";
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, "plain_echo", "", 0, 0, 0, 0, 0, nullptr, nullptr, wc.hInstance, nullptr);
    g_listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = inet_addr("127.0.0.1");
    local.sin_port = htons(u_short(std::atoi(argv[1])));
    BOOL reuse = TRUE;
    setsockopt(g_listener, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&reuse), sizeof reuse);
    if (bind(g_listener, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 || listen(g_listener, expected) != 0) {
        std::fprintf(stderr, "listen: %d\n", WSAGetLastError());
        return 1;
    }
    WSAAsyncSelect(g_listener, window, kMsgSocket, FD_ACCEPT);
    std::printf("listening\n");
    std::fflush(stdout);
    const std::unique_ptr<TickingTimer> timer = OwnerTimer(argc, argv);
    QuietWatch watch;
    g_watch = &watch;

    MSG msg;
    while (g_closed < expected && GetMessageA(&msg, nullptr, 0, 0) > 0)
        DispatchMessageA(&msg);
    PrintServerReport(g_start, g_connected, g_errors, timer.get(), g_connected - g_closed);
    closesocket(g_listener);
    WSACleanup();
    return 0;
}

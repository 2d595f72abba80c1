// The floor of the HTTP download benchmark under Wine: the plainest blocking
// Winsock client one would write by hand, on the same Wine and loopback. It
// sends one GET and reads the answer to its end, headers and body alike,
// into a buffer of the given size, keeping nothing.
//   plain_http_get_bench <port> <path> <read size> <times>
// Prints "plain-download <seconds> <bytes>" per download, the time counted
// from the socket's creation to the close, as curl counts its own.
#include <winsock2.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/WallClock.h"

namespace {

// One download; the bytes read, or -1 when the exchange failed.
long long Download(int port, const std::string& request, std::vector<char>& buffer)
{
    const SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET)
        return -1;
    sockaddr_in server{};
    server.sin_family = AF_INET;
    server.sin_addr.s_addr = inet_addr("127.0.0.1");
    server.sin_port = htons(u_short(port));
    long long total = -1;
    if (connect(s, reinterpret_cast<sockaddr*>(&server), sizeof server) == 0 &&
        send(s, request.data(), int(request.size()), 0) == int(request.size())) {
        total = 0;
        for (;;) {
            const int got = recv(s, buffer.data(), int(buffer.size()), 0);
            if (got <= 0) {
                if (got < 0)
                    total = -1;
                break;
            }
            total += got;
        }
    }
    closesocket(s);
    return total;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 5) {
        std::fprintf(stderr, "usage: plain_http_get_bench <port> <path> <read size> <times>\n");
        return 2;
    }
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    const int port = std::atoi(argv[1]);
    const std::string request =
        std::string("GET ") + argv[2] + " HTTP/1.1\r\nHost: 127.0.0.1:" + argv[1] + "\r\nConnection: close\r\n\r\n";
    std::vector<char> buffer(size_t(std::atol(argv[3])));
    int failures = 0;
    for (int i = std::atoi(argv[4]); i > 0; --i) {
        const double start = Now();
        const long long bytes = Download(port, request, buffer);
        std::printf("plain-download %.3f %lld\n", Now() - start, bytes);
        failures += bytes < 0;
    }
    WSACleanup();
    return failures ? 1 : 0;
}

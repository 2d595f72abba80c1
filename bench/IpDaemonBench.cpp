// IPDaemon as an echo server under load: listens on the given port, echoes
// every byte back on the connection it came from, and ends once the given
// number of connections have come and gone. Run by tools/ipdaemon-bench.sh,
// which drives it with a Python client and times a Python echo server on the
// same work. It takes IPDaemon from netcomp.dll, so that the same program
// runs on another build of the library put beside it.
//   ipdaemon_bench <port> <connections> [owner's timer ms]
// Prints "server <seconds> connections=<n> peak-working-set-kb=<kb>
// errors=<n>", the time counted from the first connection to the last close,
// with a timer its ticks and the longest time without one, and the
// connections still open should it end for want of news of them.
#include <winsock2.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "bench/EchoServerReport.h"

#include "netcomp/include/netcomp.h"
#include "netcomp/include/netcomp_ipdaemon.h"

namespace {

struct Server {
    void* obj = nullptr;
    int expected = 0;
    int connected = 0;
    int disconnected = 0;
    int errors = 0;
    LARGE_INTEGER start{};
    std::map<int, std::string> pending; // bytes a full send buffer did not take
    QuietWatch* watch = nullptr;

    void Echo(int id, const char* data, int length)
    {
        std::string& rest = pending[id];
        rest.append(data, size_t(length));
        while (!rest.empty()) {
            INT_PTR args[2] = {id, reinterpret_cast<INT_PTR>(rest.data())};
            int lengths[2] = {0, int(rest.size())};
            const int rc = IPDaemon_Do(obj, kIpDaemonSend, 2, args, lengths);
            if (rc == WSAEWOULDBLOCK)
                return;
            if (rc != 0) {
                ++errors;
                rest.clear();
                return;
            }
            rest.erase(0, size_t(IPDaemon_Get(obj, kIpDaemonBytesSent, id, nullptr)));
        }
    }

    static int WINAPI Event(INT_PTR user, int event, int, INT_PTR* params, int* lengths)
    {
        auto* self = reinterpret_cast<Server*>(user);
        if (event == kIpDaemonEventConnected || event == kIpDaemonEventDataIn || event == kIpDaemonEventDisconnected)
            self->watch->Heard();
        switch (event) {
        case kIpDaemonEventConnected:
            if (self->connected++ == 0)
                QueryPerformanceCounter(&self->start);
            break;
        case kIpDaemonEventDataIn:
            self->Echo(int(params[0]), reinterpret_cast<const char*>(params[1]), lengths[1]);
            break;
        case kIpDaemonEventReadyToSend:
            self->Echo(int(params[0]), "", 0);
            break;
        case kIpDaemonEventDisconnected:
            self->pending.erase(int(params[0]));
            ++self->disconnected;
            break;
        case kIpDaemonEventError:
            ++self->errors;
            std::fprintf(stderr, "error %d %s\n", int(params[0]), reinterpret_cast<const char*>(params[1]));
            break;
        default:
            break;
        }
        return 0;
    }
};

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: ipdaemon_bench <port> <connections> [owner's timer ms]\n");
        return 2;
    }
    IPDaemon_StaticInit(GetModuleHandleA(nullptr));
    Server server;
    server.expected = std::atoi(argv[2]);
    server.obj = IPDaemon_Create(&Server::Event, reinterpret_cast<INT_PTR>(&server), nullptr);
    INT_PTR config[1] = {reinterpret_cast<INT_PTR>("MaxConnections=2000")};
    IPDaemon_Do(server.obj, kIpDaemonConfig, 1, config, nullptr);
    IPDaemon_Set(server.obj, kIpDaemonConnectionBacklog, 0, server.expected, 0);
    IPDaemon_Set(server.obj, kIpDaemonLocalHost, 0, reinterpret_cast<INT_PTR>("127.0.0.1"), 0);
    IPDaemon_Set(server.obj, kIpDaemonLocalPort, 0, std::atoi(argv[1]), 0);
    if (IPDaemon_Set(server.obj, kIpDaemonListening, 0, 1, 0) != 0) {
        std::fprintf(stderr, "listen: %s\n", IPDaemon_GetLastError(server.obj));
        return 1;
    }
    std::printf("listening\n");
    std::fflush(stdout);
    const std::unique_ptr<TickingTimer> timer = OwnerTimer(argc, argv);
    QuietWatch watch;
    server.watch = &watch;

    MSG msg;
    while (server.disconnected < server.expected && GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    PrintServerReport(server.start, server.connected, server.errors, timer.get(),
                      server.connected - server.disconnected);
    IPDaemon_Destroy(server.obj);
    IPDaemon_StaticDestroy();
    return 0;
}

// Times the POP and IMAP components fetching from dovecot on the loopback:
// one message of many megabytes into a local file (with the growth of the
// process's peak memory, which must not follow the message's size), then
// every message of a mailbox of small ones. Run by tools/mailbox-bench.sh,
// which fills the server and times Python's imaplib and poplib on the same
// work, the two taking turns.
//   mail_fetch_bench <imap port> <pop port> <messages> [fetch,fetch...]
// Runs the fetches named (imap-big-file, pop-big-file, imap-messages,
// pop-messages; all when none is named) and prints "<fetch> <seconds>
// <detail>" per fetch.
#include <winsock2.h>
#include <windows.h>

#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "netcomp/include/netcomp.h"
#include "netcomp/include/netcomp_imap.h"
#include "netcomp/include/netcomp_pop.h"
#include "bench/WallClock.h"

namespace {

SIZE_T PeakPrivateBytes()
{
    PROCESS_MEMORY_COUNTERS counters{};
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.PeakPagefileUsage;
}

long long FileSize(const char* path)
{
    WIN32_FILE_ATTRIBUTE_DATA info{};
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &info))
        return -1;
    return (static_cast<long long>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
}

long long Received;

int WINAPI CountTransfer(INT_PTR, int event, int, INT_PTR* params, int* lengths)
{
    if (event == kImapEventTransfer)
        Received += lengths[1];
    (void)params;
    return 0;
}

int WINAPI CountPopTransfer(INT_PTR, int event, int, INT_PTR*, int* lengths)
{
    if (event == kPopEventTransfer)
        Received += lengths[1];
    return 0;
}

template <class Set>
void Text(Set set, void* obj, int property, const char* text)
{
    set(obj, property, 0, reinterpret_cast<INT_PTR>(text), 0);
}

void* Imap(int port, const char* user)
{
    void* imap = IMAP_Create(CountTransfer, 0, nullptr);
    Text(IMAP_Set, imap, kImapRemoteHost, "127.0.0.1");
    IMAP_Set(imap, kImapRemotePort, 0, port, 0);
    Text(IMAP_Set, imap, kImapUser, user);
    Text(IMAP_Set, imap, kImapPassword, user);
    IMAP_Set(imap, kImapPeekMode, 0, 1, 0);
    IMAP_Set(imap, kImapTimeout, 0, 120, 0);
    return imap;
}

void* Pop(int port, const char* user)
{
    void* pop = POP_Create(CountPopTransfer, 0, nullptr);
    Text(POP_Set, pop, kPopRemoteHost, "127.0.0.1");
    POP_Set(pop, kPopRemotePort, 0, port, 0);
    Text(POP_Set, pop, kPopUser, user);
    Text(POP_Set, pop, kPopPassword, user);
    POP_Set(pop, kPopTimeout, 0, 120, 0);
    return pop;
}

// One fetch into a file (when the set-up before it gave 0), timed, with the
// growth of the peak memory; 1 when it failed.
template <class Fetch>
int BigFile(const char* name, const char* file, int rc, Fetch fetch)
{
    const SIZE_T before = PeakPrivateBytes();
    const double start = Now();
    if (rc == 0)
        rc = fetch();
    const double seconds = Now() - start;
    std::printf("%s %.3f bytes=%lld peak-growth-kb=%lld rc=%d\n", name, seconds, FileSize(file),
                static_cast<long long>(PeakPrivateBytes() - before) / 1024, rc);
    return rc != 0;
}

const char* g_fetches = nullptr;

bool Wanted(const char* fetch)
{
    if (!g_fetches)
        return true;
    const std::string list = std::string(",") + g_fetches + ",";
    return list.find(std::string(",") + fetch + ",") != std::string::npos;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: mail_fetch_bench <imap port> <pop port> <messages> [fetch,fetch...]\n");
        return 2;
    }
    const int imapPort = std::atoi(argv[1]);
    const int popPort = std::atoi(argv[2]);
    const int messages = std::atoi(argv[3]);
    g_fetches = argc > 4 ? argv[4] : nullptr;
    IMAP_StaticInit(GetModuleHandleA(nullptr));
    POP_StaticInit(GetModuleHandleA(nullptr));
    int failures = 0;

    // The large message into a file, IMAP then POP.
    if (Wanted("imap-big-file")) {
        void* imap = Imap(imapPort, "big");
        Text(IMAP_Set, imap, kImapLocalFile, "big-imap.eml");
        Text(IMAP_Set, imap, kImapMessageSet, "1");
        const int rc = IMAP_Do(imap, kImapSelectMailbox, 0, nullptr, nullptr);
        failures += BigFile("imap-big-file", "big-imap.eml", rc,
                            [&] { return IMAP_Do(imap, kImapFetchMessageText, 0, nullptr, nullptr); });
        IMAP_Do(imap, kImapDisconnect, 0, nullptr, nullptr);
        IMAP_Destroy(imap);
    }
    if (Wanted("pop-big-file")) {
        void* pop = Pop(popPort, "big");
        Text(POP_Set, pop, kPopLocalFile, "big-pop.eml");
        POP_Set(pop, kPopMessageNumber, 0, 1, 0);
        const int rc = POP_Do(pop, kPopConnect, 0, nullptr, nullptr);
        failures += BigFile("pop-big-file", "big-pop.eml", rc,
                            [&] { return POP_Do(pop, kPopRetrieveMessage, 0, nullptr, nullptr); });
        POP_Do(pop, kPopDisconnect, 0, nullptr, nullptr);
        POP_Destroy(pop);
    }

    // Every small message: IMAP in one FETCH, POP one RETR each.
    if (Wanted("imap-messages")) {
        void* imap = Imap(imapPort, "bench");
        int rc = IMAP_Do(imap, kImapSelectMailbox, 0, nullptr, nullptr);
        const std::string set = "1:" + std::to_string(messages);
        Text(IMAP_Set, imap, kImapMessageSet, set.c_str());
        Received = 0;
        const double start = Now();
        if (rc == 0)
            rc = IMAP_Do(imap, kImapFetchMessageText, 0, nullptr, nullptr);
        std::printf("imap-messages %.3f bytes=%lld rc=%d\n", Now() - start, Received, rc);
        failures += rc != 0;
        IMAP_Do(imap, kImapDisconnect, 0, nullptr, nullptr);
        IMAP_Destroy(imap);
    }

    if (Wanted("pop-messages")) {
        void* pop = Pop(popPort, "bench");
        int rc = POP_Do(pop, kPopConnect, 0, nullptr, nullptr);
        Received = 0;
        const double start = Now();
        for (int n = 1; n <= messages && rc == 0; ++n) {
            POP_Set(pop, kPopMessageNumber, 0, n, 0);
            rc = POP_Do(pop, kPopRetrieveMessage, 0, nullptr, nullptr);
        }
        std::printf("pop-messages %.3f bytes=%lld rc=%d\n", Now() - start, Received, rc);
        failures += rc != 0;
        POP_Do(pop, kPopDisconnect, 0, nullptr, nullptr);
        POP_Destroy(pop);
    }
    return failures;
}

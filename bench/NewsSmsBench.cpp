// Times the NNTP component reading the overview of a large group from INN,
// and the SMPP component submitting many short messages over one bound
// session to the Net::SMPP message centre, beside the same submits by a
// plain blocking Winsock client (what any Windows program pays for its round
// trips, here under Wine). Run by tools/news-sms-bench.sh, which starts both
// servers and times Python's nntplib and a Perl Net::SMPP client on the same
// work.
//   news_sms_bench overview <port> <group> <rounds>
//   news_sms_bench submit <port> <messages> <rounds>
//   news_sms_bench plain-submit <port> <messages> <rounds>
// Prints "<what> <seconds> ..." per round (the script takes the median).
#include <winsock2.h>
#include <windows.h>

#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "netcomp/include/netcomp.h"
#include "netcomp/include/netcomp_nntp.h"
#include "netcomp/include/netcomp_smpp.h"
#include "netcomp/mail/smpp/SmppPdu.h"
#include "bench/WallClock.h"

namespace {

size_t PeakPrivateKb()
{
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.PeakPagefileUsage / 1024;
}

INT_PTR Text(const char* text)
{
    return reinterpret_cast<INT_PTR>(text);
}

// What the overview lines carried: their count and the bytes of their
// subjects, so that both sides are seen to have read the same.
long long Lines;
long long SubjectBytes;

int WINAPI CountOverview(INT_PTR, int event, int, INT_PTR* params, int*)
{
    if (event == kNntpEventGroupOverview) {
        ++Lines;
        SubjectBytes += static_cast<long long>(std::strlen(reinterpret_cast<const char*>(params[1])));
    }
    return 0;
}

int Overview(int port, const char* group, int rounds)
{
    NNTP_StaticInit(GetModuleHandleA(nullptr));
    void* news = NNTP_Create(CountOverview, 0, nullptr);
    NNTP_Set(news, kNntpRemoteHost, 0, Text("127.0.0.1"), 0);
    NNTP_Set(news, kNntpRemotePort, 0, port, 0);
    NNTP_Set(news, kNntpUser, 0, Text("alice"), 0);
    NNTP_Set(news, kNntpPassword, 0, Text("wonder"), 0);
    NNTP_Set(news, kNntpTimeout, 0, 120, 0);
    int rc = NNTP_Set(news, kNntpCurrentGroup, 0, Text(group), 0);
    const size_t before = PeakPrivateKb();
    for (int round = 0; round < rounds && rc == 0; ++round) {
        Lines = SubjectBytes = 0;
        const double start = Now();
        rc = NNTP_Do(news, kNntpGroupOverview, 0, nullptr, nullptr);
        std::printf("overview %.3f lines=%lld subject-bytes=%lld rc=%d peak-growth-kb=%zu\n", Now() - start, Lines,
                    SubjectBytes, rc, PeakPrivateKb() - before);
    }
    if (rc != 0)
        std::fprintf(stderr, "overview: %d %s\n", rc, NNTP_GetLastError(news));
    NNTP_Do(news, kNntpDisconnect, 0, nullptr, nullptr);
    NNTP_Destroy(news);
    return rc;
}

int Submit(int port, int messages, int rounds)
{
    SMPP_StaticInit(GetModuleHandleA(nullptr));
    void* smpp = SMPP_Create(nullptr, 0, nullptr);
    SMPP_Set(smpp, kSmppSMPPServer, 0, Text("127.0.0.1"), 0);
    SMPP_Set(smpp, kSmppSMPPPort, 0, port, 0);
    SMPP_Set(smpp, kSmppSMPPVersion, 0, 1, 0); // 3.4, as the Perl client binds
    SMPP_Set(smpp, kSmppRecipient, 0, Text("5551234"), 0);
    SMPP_Set(smpp, kSmppTimeout, 0, 60, 0);
    INT_PTR login[] = {Text("kes"), Text("secret")};
    int rc = SMPP_Do(smpp, kSmppConnect, 2, login, nullptr);
    for (int round = 0; round < rounds && rc == 0; ++round) {
        int sent = 0;
        const double start = Now();
        for (; sent < messages && rc == 0; ++sent) {
            char text[64];
            std::snprintf(text, sizeof text, "Benchmark message %d", sent + 1);
            INT_PTR args[] = {Text(text)};
            rc = SMPP_Do(smpp, kSmppSendMessage, 1, args, nullptr);
        }
        std::printf("submit %.3f messages=%d rc=%d\n", Now() - start, sent - (rc != 0), rc);
    }
    if (rc != 0)
        std::fprintf(stderr, "submit: %d %s\n", rc, SMPP_GetLastError(smpp));
    SMPP_Do(smpp, kSmppDisconnect, 0, nullptr, nullptr);
    SMPP_Destroy(smpp);
    return rc;
}

// One PDU to the blocking socket and its response back; false when either fails.
bool RoundTrip(SOCKET s, const std::string& pdu, smpp::Framer& framer)
{
    if (send(s, pdu.data(), int(pdu.size()), 0) != int(pdu.size()))
        return false;
    std::string response;
    while (!framer.Next(response)) {
        char buffer[4096];
        const int n = recv(s, buffer, sizeof buffer, 0);
        if (n <= 0 || framer.Broken())
            return false;
        framer.Feed(buffer, std::size_t(n));
    }
    return smpp::ReadHeader(response.data()).status == 0;
}

int PlainSubmit(int port, int messages, int rounds)
{
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(u_short(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    smpp::Framer framer;
    uint32_t sequence = 0;
    smpp::Writer bind;
    for (const char* field : {"kes", "secret", ""})
        bind.CString(field);
    for (uint32_t value : {0x34u, 0u, 0u})
        bind.Int(value, 1);
    bind.CString("");
    bool ok = connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
              RoundTrip(s, bind.Pdu(smpp::kBindTransmitter, 0, ++sequence), framer);
    for (int round = 0; round < rounds && ok; ++round) {
        int sent = 0;
        const double start = Now();
        for (; sent < messages && ok; ++sent) {
            const std::string text = "Benchmark message " + std::to_string(sent + 1);
            smpp::Writer submit; // as the component builds it for one recipient
            submit.CString("");
            submit.Int(0, 1);
            submit.Int(0, 1);
            submit.CString("127.0.0.1");
            submit.Int(0, 1);
            submit.Int(0, 1);
            submit.CString("5551234");
            for (uint32_t value : {0u, 0u, 1u})
                submit.Int(value, 1);
            submit.CString("");
            submit.CString("");
            for (uint32_t value : {0u, 0u, 0u, 0u, uint32_t(text.size())})
                submit.Int(value, 1);
            submit.Bytes(text.data(), text.size());
            ok = RoundTrip(s, submit.Pdu(smpp::kSubmitSm, 0, ++sequence), framer);
        }
        std::printf("plain-submit %.3f messages=%d ok=%d\n", Now() - start, sent - !ok, int(ok));
    }
    closesocket(s);
    WSACleanup();
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 5 && std::strcmp(argv[1], "overview") == 0)
        return Overview(std::atoi(argv[2]), argv[3], std::atoi(argv[4])) == 0 ? 0 : 1;
    if (argc == 5 && std::strcmp(argv[1], "submit") == 0)
        return Submit(std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4])) == 0 ? 0 : 1;
    if (argc == 5 && std::strcmp(argv[1], "plain-submit") == 0)
        return PlainSubmit(std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]));
    std::fprintf(stderr, "usage: news_sms_bench overview <port> <group> <rounds>\n"
                         "       news_sms_bench submit <port> <messages> <rounds>\n"
                         "       news_sms_bench plain-submit <port> <messages> <rounds>\n");
    return 2;
}

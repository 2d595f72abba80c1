// Times the DNS and TFTP components on the loopback: 10,000 queries (A and
// MX by turns) one after another against a name server, then a get and a
// put of one file through a TFTP server. Run by tools/datagram-bench.sh,
// which starts bind9 and tftpd-hpa and times dnspython and the tftp-hpa
// client on the same work.
//   datagram_bench <dns port> <tftp port> <remote file> <local file to put>
// Prints "<work> <seconds> <failures>" per part, then the peak working set.
#include <winsock2.h>
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>

#include "netcomp/include/netcomp.h"
#include "netcomp/include/netcomp_dns.h"
#include "netcomp/include/netcomp_tftp.h"
#include "bench/WallClock.h"

namespace {

INT_PTR T(const char* text)
{
    return reinterpret_cast<INT_PTR>(text);
}

void Queries(int port, int count)
{
    void* dns = DNS_Create(nullptr, 0, nullptr);
    DNS_Set(dns, kDnsDnsServer, 0, T("127.0.0.1"), 0);
    DNS_Set(dns, kDnsDnsPort, 0, port, 0);
    DNS_Set(dns, kDnsTimeout, 0, 5, 0);
    int failures = 0;
    const double start = Now();
    for (int i = 0; i < count; ++i) {
        const bool mx = i % 2 != 0;
        DNS_Set(dns, kDnsQueryType, 0, mx ? 15 : 1, 0);
        INT_PTR args[1] = {T(mx ? "kes.test" : "www.kes.test")};
        if (DNS_Do(dns, kDnsResolve, 1, args, nullptr) != 0 || DNS_Get(dns, kDnsRecordCount, 0, nullptr) < 1)
            ++failures;
    }
    std::printf("dns %.3f %d\n", Now() - start, failures);
    DNS_Destroy(dns);
}

void Transfer(void* tftp, const char* label, int method, const char* remote, const char* local)
{
    TFTP_Set(tftp, kTftpRemoteFile, 0, T(remote), 0);
    TFTP_Set(tftp, kTftpLocalFile, 0, T(local), 0);
    const double start = Now();
    const int rc = TFTP_Do(tftp, method, 0, nullptr, nullptr);
    std::printf("%s %.3f %d\n", label, Now() - start, rc != 0);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 5) {
        std::fprintf(stderr, "usage: datagram_bench <dns port> <tftp port> <remote file> <local file>\n");
        return 2;
    }
    Queries(std::atoi(argv[1]), 10000);
    void* tftp = TFTP_Create(nullptr, 0, nullptr);
    TFTP_Set(tftp, kTftpTftpServer, 0, T("127.0.0.1"), 0);
    TFTP_Set(tftp, kTftpTftpPort, 0, std::atoi(argv[2]), 0);
    Transfer(tftp, "tftp-get", kTftpGetFile, argv[3], "got.bin");
    Transfer(tftp, "tftp-put", kTftpPutFile, "bench-up.bin", argv[4]);
    TFTP_Destroy(tftp);
    PROCESS_MEMORY_COUNTERS memory{};
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    std::printf("peak-kb %llu\n", static_cast<unsigned long long>(memory.PeakWorkingSetSize / 1024));
    return 0;
}

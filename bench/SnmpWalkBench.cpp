// Walks snmpd's whole tree from 1.3.6.1 with SNMPMgr, as snmpbulkwalk and
// snmpwalk do: SNMPv2c with GetBulk (25 repetitions), SNMPv3 signed with
// SHA-1 by GetNext and by GetBulk. Run by tools/snmp-bench.sh, which starts
// snmpd and times net-snmp's tools on the same walks.
//   snmp_walk_bench <port>
// Prints "<walk> <seconds> rows=<n> rc=<result>" per walk, the time counted
// from the first request (after SNMPv3 discovery) to the last answer, then
// "peak-working-set-kb=<kb>".
#include <winsock2.h>
#include <windows.h>

#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "netcomp/include/netcomp.h"
#include "netcomp/include/netcomp_snmpmgr.h"

namespace {

const char* const kRoot = "1.3.6.1";

INT_PTR Text(const char* text)
{
    return reinterpret_cast<INT_PTR>(text);
}

struct Walk {
    const char* name;
    int version;
    bool bulk;
};

void Run(const Walk& walk, int port)
{
    void* m = SNMPMgr_Create(nullptr, 0, nullptr);
    SNMPMgr_Set(m, kSnmpMgrLocalPort, 0, 0, 0);
    SNMPMgr_Set(m, kSnmpMgrRemoteHost, 0, Text("127.0.0.1"), 0);
    SNMPMgr_Set(m, kSnmpMgrRemotePort, 0, port, 0);
    SNMPMgr_Set(m, kSnmpMgrTimeout, 0, 5, 0);
    SNMPMgr_Set(m, kSnmpMgrSNMPVersion, 0, walk.version, 0);
    SNMPMgr_Set(m, kSnmpMgrCommunity, 0, Text("public"), 0);
    int rc = 0;
    if (walk.version == 3) {
        SNMPMgr_Set(m, kSnmpMgrUser, 0, Text("shauser"), 0);
        SNMPMgr_Set(m, kSnmpMgrPassword, 0, Text("authpass123"), 0);
        SNMPMgr_Set(m, kSnmpMgrAuthenticationProtocol, 0, 2, 0);
        rc = SNMPMgr_Do(m, kSnmpMgrDiscover, 0, nullptr, nullptr);
    }
    LARGE_INTEGER start, end, frequency;
    QueryPerformanceCounter(&start);
    std::string next = kRoot;
    const std::string prefix = std::string(kRoot) + ".";
    int rows = 0;
    for (bool done = rc != 0; !done;) {
        SNMPMgr_Set(m, kSnmpMgrObjCount, 0, 1, 0);
        SNMPMgr_Set(m, kSnmpMgrObjId, 1, Text(next.c_str()), 0);
        SNMPMgr_Set(m, kSnmpMgrObjType, 1, 5, 0);
        INT_PTR bulk[2] = {0, 25};
        rc = walk.bulk ? SNMPMgr_Do(m, kSnmpMgrSendGetBulkRequest, 2, bulk, nullptr)
                       : SNMPMgr_Do(m, kSnmpMgrSendGetNextRequest, 0, nullptr, nullptr);
        const int count = int(SNMPMgr_Get(m, kSnmpMgrObjCount, 0, nullptr));
        done = rc != 0 || count == 0;
        for (int i = 1; i <= count && !done; ++i) {
            const std::string oid = reinterpret_cast<const char*>(SNMPMgr_Get(m, kSnmpMgrObjId, i, nullptr));
            if (SNMPMgr_Get(m, kSnmpMgrObjType, i, nullptr) == 130 || oid.compare(0, prefix.size(), prefix) != 0) {
                done = true;
                break;
            }
            ++rows;
            next = oid;
        }
    }
    QueryPerformanceCounter(&end);
    QueryPerformanceFrequency(&frequency);
    std::printf("%s %.3f rows=%d rc=%d\n", walk.name,
                double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart), rows, rc);
    SNMPMgr_Destroy(m);
}

} // namespace

int main(int argc, char** argv)
{
    const int port = argc > 1 ? std::atoi(argv[1]) : 20961;
    SNMPMgr_StaticInit(GetModuleHandleA(nullptr));
    const Walk walks[] = {{"v2c-bulk", 2, true}, {"v3-getnext", 3, false}, {"v3-bulk", 3, true}};
    for (const Walk& walk : walks)
        Run(walk, port);
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    std::printf("peak-working-set-kb=%lu\n", static_cast<unsigned long>(counters.PeakWorkingSetSize / 1024));
    SNMPMgr_StaticDestroy();
    return 0;
}

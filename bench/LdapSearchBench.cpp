// Searches the 5,000 entries under ou=Bench of the benchmark's slapd with the
// LDAP component, reading every attribute value of every entry as a caller
// would, once in one go and once in pages of 500. Run by tools/ldap-bench.sh,
// which times ldapsearch on the same searches.
//   ldap_search_bench <port>
// Prints "<search> <seconds> entries=<n> bytes=<attribute bytes> rc=<result>
// code=<LDAP result code>" per search, the time counted from the Search call
// (connection and bind included) to its return, then "peak-working-set-kb=<kb>".
#include <winsock2.h>
#include <windows.h>

#include <psapi.h>

#include <cstdio>
#include <cstdlib>

#include "netcomp/include/netcomp.h"
#include "netcomp/include/netcomp_ldap.h"

namespace {

struct Count {
    void* ldap = nullptr;
    int entries = 0;
    long long bytes = 0;
};

int WINAPI OnEvent(INT_PTR user, int event, int, INT_PTR*, int*)
{
    auto* count = reinterpret_cast<Count*>(user);
    if (event != kLdapEventSearchResult)
        return 0;
    ++count->entries;
    const int n = int(LDAP_Get(count->ldap, kLdapAttrCount, 0, nullptr));
    for (int i = 1; i <= n; ++i) {
        int length = 0;
        (void)LDAP_Get(count->ldap, kLdapAttrType, i, nullptr);
        (void)LDAP_Get(count->ldap, kLdapAttrValue, i, &length);
        count->bytes += length;
    }
    return 0;
}

void Run(const char* name, int port, int pageSize)
{
    Count count;
    count.ldap = LDAP_Create(OnEvent, reinterpret_cast<INT_PTR>(&count), nullptr);
    LDAP_Set(count.ldap, kLdapServerName, 0, reinterpret_cast<INT_PTR>("127.0.0.1"), 0);
    LDAP_Set(count.ldap, kLdapServerPort, 0, port, 0);
    LDAP_Set(count.ldap, kLdapLDAPVersion, 0, 3, 0);
    LDAP_Set(count.ldap, kLdapTimeout, 0, 120, 0);
    LDAP_Set(count.ldap, kLdapPageSize, 0, pageSize, 0);
    LDAP_Set(count.ldap, kLdapDN, 0, reinterpret_cast<INT_PTR>("ou=Bench,dc=kes,dc=test"), 0);
    LARGE_INTEGER start, end, frequency;
    QueryPerformanceCounter(&start);
    INT_PTR filter[1] = {reinterpret_cast<INT_PTR>("(objectClass=person)")};
    const int rc = LDAP_Do(count.ldap, kLdapSearch, 1, filter, nullptr);
    QueryPerformanceCounter(&end);
    QueryPerformanceFrequency(&frequency);
    std::printf("%s %.3f entries=%d bytes=%lld rc=%d code=%d\n", name,
                double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart), count.entries, count.bytes, rc,
                int(LDAP_Get(count.ldap, kLdapResultCode, 0, nullptr)));
    LDAP_Destroy(count.ldap);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: ldap_search_bench <port>\n");
        return 2;
    }
    const int port = std::atoi(argv[1]);
    LDAP_StaticInit(GetModuleHandleA(nullptr));
    Run("unpaged", port, 0);
    Run("paged-500", port, 500);
    PROCESS_MEMORY_COUNTERS memory = {};
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    std::printf("peak-working-set-kb=%llu\n", static_cast<unsigned long long>(memory.PeakWorkingSetSize / 1024));
    LDAP_StaticDestroy();
    return 0;
}

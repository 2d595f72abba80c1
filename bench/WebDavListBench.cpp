// Times WebDAV reading one folder's PROPFIND Depth 1 reply (apache2, 1,000
// files): ListDirectory with a DirList event per file, and FindProperties
// (allprop) with the property list and a ResourceProperties event per file.
// Run by tools/webdav-bench.sh, which times curl fetching the same replies.
//   webdav_list_bench <folder URL> <user> <password> <runs>
// Prints "<method> <seconds> <events> <reply bytes> rc=<result>", the best of
// the runs.
#include <winsock2.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "netcomp/include/netcomp.h"
#include "netcomp/include/netcomp_webdav.h"

namespace {

long Events;
long Bytes;

int WINAPI Count(INT_PTR, int event, int, INT_PTR* params, int*)
{
    if (event == kWebDavEventDirList || event == kWebDavEventResourceProperties)
        ++Events;
    if (event == kWebDavEventTransfer)
        Bytes = long(params[0]);
    return 0;
}

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return double(to.QuadPart - from.QuadPart) / double(frequency.QuadPart);
}

void Run(const char* label, int method, char** argv, int runs)
{
    double best = 1e9;
    int rc = 0;
    for (int i = 0; i < runs; ++i) {
        void* dav = WebDAV_Create(Count, 0, nullptr);
        WebDAV_Set(dav, kWebDavUser, 0, reinterpret_cast<INT_PTR>(argv[2]), 0);
        WebDAV_Set(dav, kWebDavPassword, 0, reinterpret_cast<INT_PTR>(argv[3]), 0);
        WebDAV_Set(dav, kWebDavDepth, 0, 2, 0);
        Events = 0;
        INT_PTR args[1] = {reinterpret_cast<INT_PTR>(argv[1])};
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        rc = WebDAV_Do(dav, method, 1, args, nullptr);
        QueryPerformanceCounter(&end);
        WebDAV_Destroy(dav);
        const double s = Seconds(start, end);
        best = s < best ? s : best;
    }
    std::printf("%s %.4f %ld %ld rc=%d\n", label, best, Events, Bytes, rc);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 5) {
        std::fprintf(stderr, "usage: webdav_list_bench <folder URL> <user> <password> <runs>\n");
        return 2;
    }
    WebDAV_StaticInit(GetModuleHandleA(nullptr));
    Run("list-directory", kWebDavMethodListDirectory, argv, std::atoi(argv[4]));
    Run("find-properties", kWebDavMethodFindProperties, argv, std::atoi(argv[4]));
    return 0;
}

// Times WebUpload posting one file as multipart/form-data to a CGI program
// that reads the body in blocks (tools/peers/body_sink.py on apache2), and
// reports the process's peak private memory, so runs with files of different
// sizes show whether memory grows with the file. Run by
// tools/webupload-bench.sh, which times curl -F with the same file and server.
//   webupload_bench <URL> <file> <runs>
// Prints "upload <best seconds> peak-private-kb=<kb> rc=<result> reply=<the
// sink's answer: body length and SHA-256>".
#include <winsock2.h>
#include <windows.h>

#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "netcomp/include/netcomp.h"
#include "netcomp/include/netcomp_webupload.h"

namespace {

size_t PeakPrivateKb()
{
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.PeakPagefileUsage / 1024;
}

double Now()
{
    LARGE_INTEGER frequency, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    return double(now.QuadPart) / double(frequency.QuadPart);
}

INT_PTR Text(const char* text)
{
    return reinterpret_cast<INT_PTR>(text);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: webupload_bench <URL> <file> <runs>\n");
        return 2;
    }
    WebUpload_StaticInit(GetModuleHandleA(nullptr));
    double best = 1e9;
    int rc = 0;
    std::string reply;
    for (int run = 0; run < std::atoi(argv[3]); ++run) {
        void* up = WebUpload_Create(nullptr, 0, nullptr);
        INT_PTR file[2] = {Text("file"), Text(argv[2])};
        WebUpload_Do(up, kWebUploadMethodAddFile, 2, file, nullptr);
        INT_PTR url[1] = {Text(argv[1])};
        const double start = Now();
        rc = WebUpload_Do(up, kWebUploadMethodUploadTo, 1, url, nullptr);
        const double seconds = Now() - start;
        best = seconds < best ? seconds : best;
        int length = 0;
        const char* data = reinterpret_cast<const char*>(WebUpload_Get(up, kWebUploadTransferredData, 0, &length));
        reply.assign(data, size_t(length));
        while (!reply.empty() && (reply.back() == '\n' || reply.back() == '\r'))
            reply.pop_back();
        if (rc != 0)
            reply = WebUpload_GetLastError(up);
        WebUpload_Destroy(up);
    }
    std::printf("upload %.3f peak-private-kb=%zu rc=%d reply=%s\n", best, PeakPrivateKb(), rc, reply.c_str());
    WebUpload_StaticDestroy();
    return rc == 0 ? 0 : 1;
}

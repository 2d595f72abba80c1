// Times the HTTP component moving bulk data on the loopback: a download kept
// out of memory (only the first 4096 bytes are held, as by default), the
// same download into a local file, and an upload with POST. Run by
// tools/http-bench.sh, which starts the servers and times curl on the same
// transfers.
//   http_transfer_bench <download URL> <upload URL> <upload bytes>
// Prints "<transfer> <seconds> <bytes> rc=<result>" per transfer.
#include <winsock2.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "netcomp/include/netcomp_http.h"
#include "netcomp/include/netcomp.h"

namespace {

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return double(to.QuadPart - from.QuadPart) / double(frequency.QuadPart);
}

double Timed(void* http, int method, const char* url, int* rc)
{
    INT_PTR args[1] = {reinterpret_cast<INT_PTR>(url)};
    int lengths[1] = {0};
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    *rc = HTTP_Do(http, method, 1, args, lengths);
    QueryPerformanceCounter(&end);
    return Seconds(start, end);
}

int Received;

int WINAPI CountTransfer(INT_PTR, int event, int, INT_PTR* params, int*)
{
    if (event == kHttpEventTransfer && params[0] == 1)
        Received = int(params[1]);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: http_transfer_bench <download URL> <upload URL> <upload bytes>\n");
        return 2;
    }
    HTTP_StaticInit(GetModuleHandleA(nullptr));
    void* http = HTTP_Create(CountTransfer, 0, nullptr);
    int rc = 0;

    double seconds = Timed(http, kHttpMethodGet, argv[1], &rc);
    std::printf("download-discard %.3f %d rc=%d\n", seconds, Received, rc);

    HTTP_Set(http, kHttpLocalFile, 0, reinterpret_cast<INT_PTR>("download.bin"), 0);
    seconds = Timed(http, kHttpMethodGet, argv[1], &rc);
    WIN32_FILE_ATTRIBUTE_DATA info{};
    GetFileAttributesExA("download.bin", GetFileExInfoStandard, &info);
    std::printf("download-file %.3f %lu rc=%d\n", seconds, info.nFileSizeLow, rc);
    DeleteFileA("download.bin");

    const std::string body(size_t(std::atol(argv[3])), 'u');
    HTTP_Set(http, kHttpLocalFile, 0, reinterpret_cast<INT_PTR>(""), 0);
    HTTP_Set(http, kHttpPostData, 0, reinterpret_cast<INT_PTR>(body.data()), int(body.size()));
    seconds = Timed(http, kHttpMethodPost, argv[2], &rc);
    std::printf("upload %.3f %zu rc=%d\n", seconds, body.size(), rc);
    HTTP_Destroy(http);
    HTTP_StaticDestroy();
    return rc;
}

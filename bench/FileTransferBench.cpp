// Times the FTP and RCP components moving large files on the loopback, and
// how much memory the process holds at its peak while they do. Run by
// tools/ftp-bench.sh, which starts the servers and times curl and rcp on the
// same files.
//   file_transfer_bench ftp <port> <user> <password> <passive 0/1> <remote file> <local file to upload>
//   file_transfer_bench rcp <port> <user> <remote file>            (over rsh)
// Prints "<transfer> <seconds> <bytes> rc=<result> peak=<MB>" per transfer.
#include <winsock2.h>
#include <windows.h>

#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "netcomp/include/netcomp.h"
#include "netcomp/include/netcomp_ftp.h"
#include "netcomp/include/netcomp_rcp.h"
#include "bench/WallClock.h"

namespace {

INT_PTR T(const char* text)
{
    return reinterpret_cast<INT_PTR>(text);
}

double PeakMegabytes()
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return double(counters.PeakPagefileUsage) / (1024.0 * 1024.0);
}

long long FileBytes(const char* path)
{
    WIN32_FILE_ATTRIBUTE_DATA info{};
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &info))
        return -1;
    return (static_cast<long long>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
}

void Report(const char* transfer, double seconds, long long bytes, int rc)
{
    std::printf("%s %.3f %lld rc=%d peak=%.1f\n", transfer, seconds, bytes, rc, PeakMegabytes());
    std::fflush(stdout);
}

int Ftp(char** argv)
{
    FTP_StaticInit(GetModuleHandleA(nullptr));
    void* ftp = FTP_Create(nullptr, 0, nullptr);
    const bool passive = std::atoi(argv[4]) != 0;
    FTP_Set(ftp, kFtpRemoteHost, 0, T("127.0.0.1"), 0);
    FTP_Set(ftp, kFtpRemotePort, 0, std::atoi(argv[1]), 0);
    FTP_Set(ftp, kFtpUser, 0, T(argv[2]), 0);
    FTP_Set(ftp, kFtpPassword, 0, T(argv[3]), 0);
    FTP_Set(ftp, kFtpPassive, 0, passive ? 1 : 0, 0);
    FTP_Set(ftp, kFtpTransferMode, 0, 2, 0);
    FTP_Set(ftp, kFtpOverwrite, 0, 1, 0);
    int rc = FTP_Do(ftp, kFtpLogon, 0, nullptr, nullptr);
    if (rc != 0) {
        std::fprintf(stderr, "logon: %d %s\n", rc, FTP_GetLastError(ftp));
        return rc;
    }
    const std::string mode = passive ? "pasv" : "port";

    FTP_Set(ftp, kFtpRemoteFile, 0, T(argv[5]), 0);
    FTP_Set(ftp, kFtpLocalFile, 0, T("download.bin"), 0);
    double start = Now();
    rc = FTP_Do(ftp, kFtpDownload, 0, nullptr, nullptr);
    Report(("ftp-get-" + mode).c_str(), Now() - start, FileBytes("download.bin"), rc);
    DeleteFileA("download.bin");

    FTP_Set(ftp, kFtpRemoteFile, 0, T(("uploaded-" + mode + ".bin").c_str()), 0);
    FTP_Set(ftp, kFtpLocalFile, 0, T(argv[6]), 0);
    start = Now();
    const int put = FTP_Do(ftp, kFtpUpload, 0, nullptr, nullptr);
    Report(("ftp-put-" + mode).c_str(), Now() - start, FileBytes(argv[6]), put);
    (void)FTP_Do(ftp, kFtpLogoff, 0, nullptr, nullptr);
    FTP_Destroy(ftp);
    FTP_StaticDestroy();
    return rc != 0 ? rc : put;
}

int Rcp(char** argv)
{
    RCP_StaticInit(GetModuleHandleA(nullptr));
    void* rcp = RCP_Create(nullptr, 0, nullptr);
    RCP_Set(rcp, kRcpProtocol, 0, 1, 0);
    RCP_Set(rcp, kRcpRemoteHost, 0, T("127.0.0.1"), 0);
    RCP_Set(rcp, kRcpRemotePort, 0, std::atoi(argv[1]), 0);
    RCP_Set(rcp, kRcpUser, 0, T(argv[2]), 0);
    RCP_Set(rcp, kRcpRemoteFile, 0, T(argv[3]), 0);
    RCP_Set(rcp, kRcpLocalFile, 0, T("rcp.bin"), 0);
    const double start = Now();
    const int rc = RCP_Do(rcp, kRcpGetFile, 0, nullptr, nullptr);
    Report("rcp-get", Now() - start, FileBytes("rcp.bin"), rc);
    if (rc != 0)
        std::fprintf(stderr, "rcp: %s\n", RCP_GetLastError(rcp));
    DeleteFileA("rcp.bin");
    RCP_Destroy(rcp);
    RCP_StaticDestroy();
    return rc;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 8 && std::strcmp(argv[1], "ftp") == 0)
        return Ftp(argv + 1);
    if (argc >= 5 && std::strcmp(argv[1], "rcp") == 0)
        return Rcp(argv + 1);
    std::fprintf(stderr, "usage: file_transfer_bench ftp <port> <user> <password> <passive> <remote> <local>\n"
                         "       file_transfer_bench rcp <port> <user> <remote>\n");
    return 2;
}

#pragma once
// Linux programs run from a Windows test program (Wine starts them), for the
// tests whose peer is a system tool: net-snmp's tools, logger.
//
// Wine gives no handle that waits for a Linux program (a wait on it fails at
// once), so the command runs under /bin/sh, which writes its exit status
// into a file of its own once the program has ended; the caller waits for
// that file, pumping its component's messages meanwhile. What a run prints
// goes to files too, and comes back with the status.
//
//   const LinuxRun run = RunLinuxCommand("/usr/bin/logger -n 127.0.0.1 ...", [&] { component.DoEvents(); });
//   EXPECT_EQ(run.status, 0) << run;
#include <winsock2.h>
#include <windows.h>

#include <cstdlib>
#include <functional>
#include <ostream>
#include <string>

#include "netcomp/testing/TestFiles.h"

// What a run gave: its standard output, its standard error and its exit
// status (-1 when it did not end in time or could not start).
struct LinuxRun {
    std::string out;
    std::string err;
    int status = -1;
    // Everything, for failure messages.
    std::string Shown() const { return out + err + "exit status " + std::to_string(status) + "\n"; }
};

inline std::ostream& operator<<(std::ostream& os, const LinuxRun& run)
{
    return os << run.Shown();
}

// The Linux path of the current folder (Wine maps the root to Z:).
inline std::string UnixCurrentFolder()
{
    char path[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, path);
    std::string unix = path;
    if (unix.size() >= 2 && unix[1] == ':')
        unix.erase(0, 2);
    for (char& c : unix)
        if (c == '\\')
            c = '/';
    return unix;
}

// Runs command (no double quotes inside) under /bin/sh in the current
// folder, calling pump until it has ended, at most timeoutMs.
inline LinuxRun RunLinuxCommand(const std::string& command, const std::function<void()>& pump, DWORD timeoutMs = 30000)
{
    static int run = 0;
    const std::string name = "linux-run" + std::to_string(++run);
    const std::string base = UnixCurrentFolder() + "/" + name;
    std::string line = "/bin/sh -c \"" + command + " >" + base + ".out 2>" + base + ".err; echo rc=$? >" + base +
                       ".rc.part; mv " + base + ".rc.part " + base + ".rc\"";
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    LinuxRun result;
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        result.err = "cannot start: " + command;
        return result;
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    const std::string rc = name + ".rc";
    const DWORD start = GetTickCount();
    while (!testfiles::FileExists(rc) && GetTickCount() - start < timeoutMs) {
        pump();
        Sleep(1);
    }
    result.out = testfiles::ReadFile(name + ".out");
    result.err = testfiles::ReadFile(name + ".err");
    const std::string status = testfiles::ReadFile(rc);
    if (status.rfind("rc=", 0) == 0)
        result.status = std::atoi(status.c_str() + 3);
    return result;
}

#pragma once
// What the SNMP component tests share: a component with its event recorder
// and typed helpers, and net-snmp's command-line tools run from the Windows
// test program (Wine starts Linux programs) while the component's messages
// are pumped, so an agent under test can answer them.
#include <winsock2.h>
#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include "netcomp/core/framework/ComponentHolder.h"
#include "netcomp/testing/EventRecorder.h"

template <class Functions>
class SnmpComponent : public ComponentHolder<Functions> {
public:
    using Base = ComponentHolder<Functions>;

    explicit SnmpComponent(EventRecorder& events) : Base(EventRecorder::Callback, events.User()) {}

    [[nodiscard]] int Call(int method, std::initializer_list<INT_PTR> args = {})
    {
        INT_PTR values[8] = {};
        int lengths[8] = {};
        int n = 0;
        for (INT_PTR a : args)
            values[n++] = a;
        return Functions::kApi.doMethod(this->Handle(), method, n, values, lengths);
    }
    // A method whose answer comes back in the slot after its arguments.
    std::string Answer(int method, const char* argument)
    {
        INT_PTR values[2] = {reinterpret_cast<INT_PTR>(argument), 0};
        int lengths[2] = {};
        if (Functions::kApi.doMethod(this->Handle(), method, 2, values, lengths) != 0)
            return "rc" + std::to_string(this->LastErrorCode());
        return std::string(reinterpret_cast<const char*>(values[1]), size_t(lengths[1]));
    }
    // Sets binding i (1-based) to an identifier, a type and a value.
    void Bind(int idProp, int typeProp, int valueProp, int i, const char* oid, int type = 5,
              const std::string& value = "")
    {
        (void)this->SetText(idProp, oid, i);
        (void)this->Set(typeProp, type, i);
        (void)this->SetBytes(valueProp, value, i);
    }
};

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

// What a net-snmp tool run gave: its answer (standard output) apart from
// its complaints and notices (standard error, where a first run on a machine
// also says which state folder it created), and its exit status.
struct ToolRun {
    std::string out;
    std::string err;
    int status = -1;
    // Everything, for failure messages.
    std::string Shown() const { return out + err + "exit status " + std::to_string(status) + "\n"; }
};

inline std::ostream& operator<<(std::ostream& os, const ToolRun& run)
{
    return os << run.Shown();
}

inline std::string ReadWholeFile(const std::string& name)
{
    std::ifstream f(name, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

// Runs command (no double quotes inside) under /bin/sh with MIBS empty,
// calling pump until the shell has written the exit status ("rc=" and the
// status, in a file of its own: Wine gives no handle that waits for a Linux
// program), at most 30 s. net-snmp keeps its state in a folder of the test's
// work folder (emptied before every run), so each run of the tools is a
// first run on the machine and none sees what another left.
inline ToolRun RunTool(const std::string& command, const std::function<void()>& pump)
{
    static int run = 0;
    const std::string name = "tool" + std::to_string(++run);
    const std::string base = UnixCurrentFolder() + "/" + name;
    const std::string state = UnixCurrentFolder() + "/snmp-state";
    std::string line = "/bin/sh -c \"SNMP_PERSISTENT_DIR=" + state + " MIBS= " + command + " >" + base + ".out 2>" +
                       base + ".err; echo rc=$? >" + base + ".rc.part; mv " + base + ".rc.part " + base + ".rc\"";
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    ToolRun result;
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        result.err = "cannot start: " + command;
        return result;
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    const std::string rc = name + ".rc";
    const DWORD start = GetTickCount();
    while (GetFileAttributesA(rc.c_str()) == INVALID_FILE_ATTRIBUTES && GetTickCount() - start < 30000) {
        pump();
        Sleep(1);
    }
    result.out = ReadWholeFile(name + ".out");
    result.err = ReadWholeFile(name + ".err");
    const std::string status = ReadWholeFile(rc);
    if (status.rfind("rc=", 0) == 0)
        result.status = std::atoi(status.c_str() + 3);
    return result;
}

#pragma once
// What the SNMP component tests share: a component with its event recorder
// and typed helpers, and net-snmp's command-line tools run from the Windows
// test program (Wine starts Linux programs) while the component's messages
// are pumped, so an agent under test can answer them.
#include <winsock2.h>
#include <windows.h>

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

// Runs command (no double quotes inside) under /bin/sh with MIBS empty,
// calling pump until its output ends with the exit status the shell adds
// ("rc=" and the status; Wine gives no handle that waits for a Linux
// program), at most 30 s. The output.
inline std::string RunTool(const std::string& command, const std::function<void()>& pump)
{
    static int run = 0;
    const std::string name = "tool" + std::to_string(++run) + ".out";
    const std::string out = UnixCurrentFolder() + "/" + name;
    std::string line = "/bin/sh -c \"MIBS= " + command + " >" + out + ".part 2>&1; echo rc=$? >>" + out + ".part; mv " +
                       out + ".part " + out + "\"";
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return "cannot start: " + command;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    const DWORD start = GetTickCount();
    while (GetFileAttributesA(name.c_str()) == INVALID_FILE_ATTRIBUTES && GetTickCount() - start < 30000) {
        pump();
        Sleep(1);
    }
    std::ifstream f(name);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

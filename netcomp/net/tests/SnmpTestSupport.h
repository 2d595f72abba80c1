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
#include "netcomp/testing/LinuxCommand.h"

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

// What a net-snmp tool run gave: its answer (standard output) apart from
// its complaints and notices (standard error, where a first run on a machine
// also says which state folder it created), and its exit status.
using ToolRun = LinuxRun;

// Runs a net-snmp command (no double quotes inside) with MIBS empty, calling
// pump until it has ended, at most 30 s. net-snmp keeps its state in a
// folder of the test's work folder (emptied before every run), so each run
// of the tools is a first run on the machine and none sees what another left.
inline ToolRun RunTool(const std::string& command, const std::function<void()>& pump)
{
    return RunLinuxCommand("SNMP_PERSISTENT_DIR=" + UnixCurrentFolder() + "/snmp-state MIBS= " + command, pump);
}

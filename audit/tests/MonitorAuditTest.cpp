#include "audit/MonitorAudit.h"

#include "audit/tests/EdidBlock.h"
#include "audit/tests/EngineTestSupport.h"
#include "common/AppHelpers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const char kDisplay[] = "SYSTEM\\CurrentControlSet\\Enum\\DISPLAY";

// An NT display instance with its EDID block.
void Monitor(MachineKey& machine, const std::string& instance, const std::vector<unsigned char>& edid)
{
    machine.SetBinary(std::string(kDisplay) + "\\" + instance + "\\Device Parameters", "EDID", edid);
}

struct Found {
    std::string description;
    std::string serial;
};

Found Walk(const MachineKey& machine)
{
    Found found{"unset", "unset"};
    MonitorAudit::Run(machine.Key(), found.description, found.serial);
    return found;
}

TEST(MonitorAudit, NtDisplayInstances)
{
    const struct {
        const char* label;
        void (*build)(MachineKey&);
        const char* serial;
    } cases[] = {
        {"revision 3", [](MachineKey& m) { Monitor(m, "DEL4005\\5&1&0", MakeEdid(1, 3, 1, "ABC1234567")); },
         "ABC1234567"},
        {"markup sanitized", [](MachineKey& m) { Monitor(m, "DEL4005\\5&1&0", MakeEdid(1, 3, 1, "SN<1>\"2")); },
         "SN&lt;1&gt;2"},
        {"revision 2 ends the walk",
         [](MachineKey& m) {
             Monitor(m, "AAA0001\\1", MakeEdid(1, 2, 1, "FIRST"));
             Monitor(m, "BBB0002\\1", MakeEdid(1, 3, 1, "SECOND"));
         },
         ""},
        {"version 2 passed over",
         [](MachineKey& m) {
             Monitor(m, "AAA0001\\1", MakeEdid(2, 3, 1, "FIRST"));
             Monitor(m, "AAA0001\\2", MakeEdid(1, 3, 1, "SECOND"));
         },
         "SECOND"},
        {"short block passed over",
         [](MachineKey& m) {
             std::vector<unsigned char> shortBlock = MakeEdid(1, 3, 1, "FIRST");
             shortBlock.resize(80);
             Monitor(m, "AAA0001\\1", shortBlock);
             std::vector<unsigned char> stub(10, 1);
             Monitor(m, "AAA0001\\2", stub);
             Monitor(m, "BBB0002\\1", MakeEdid(1, 3, 1, "THIRD"));
         },
         "THIRD"},
        {"oversized value passed over",
         [](MachineKey& m) {
             std::vector<unsigned char> big = MakeEdid(1, 3, 1, "FIRST");
             big.resize(513);
             Monitor(m, "AAA0001\\1", big);
             Monitor(m, "AAA0001\\2", MakeEdid(1, 3, 1, "SECOND"));
         },
         "SECOND"},
        {"no EDID value",
         [](MachineKey& m) {
             m.SetBinary(std::string(kDisplay) + "\\Default_Monitor\\0000&0000\\Device Parameters", "BAD_EDID", {});
         },
         ""},
        {"stray key without Device Parameters first",
         [](MachineKey& m) {
             m.AddKey(std::string(kDisplay) + "\\AAA0001\\1");
             Monitor(m, "BBB0002\\1", MakeEdid(1, 3, 1, "LATER"));
         },
         ""},
        {"stray key after the monitor",
         [](MachineKey& m) {
             Monitor(m, "AAA0001\\1", MakeEdid(1, 3, 1, "EARLIER"));
             m.AddKey(std::string(kDisplay) + "\\BBB0002\\1");
         },
         "EARLIER"},
        {"no display root", [](MachineKey&) {}, ""},
    };
    for (const auto& c : cases) {
        MachineKey machine("Monitors\\nt");
        c.build(machine);
        const Found found = Walk(machine);
        EXPECT_EQ(found.description, "Monitor") << c.label;
        EXPECT_EQ(found.serial, c.serial) << c.label;
    }
}

// Windows 98: the enumeration root is Enum\MONITOR and the description comes
// from the device key. The device key's place follows the platform the system
// itself reports, so on this NT system it is still "Device Parameters".
TEST(MonitorAudit, Windows9xDescription)
{
    SetWindows9xOverride(1);
    {
        MachineKey machine("Monitors\\9x");
        const std::string device = "Enum\\MONITOR\\DEFAULT_MONITOR\\0001\\Device Parameters";
        machine.SetBinary(device, "EDID", MakeEdid(1, 3, 1, "NINE8"));
        machine.SetString(device, "DeviceDesc", "Plug and Play Monitor <17\">");
        const Found found = Walk(machine);
        EXPECT_EQ(found.description, "Plug and Play Monitor &lt;17&gt;");
        EXPECT_EQ(found.serial, "NINE8");
    }
    {
        MachineKey machine("Monitors\\9x");
        machine.SetBinary("Enum\\MONITOR\\DEFAULT_MONITOR\\0001\\Device Parameters", "EDID", MakeEdid(1, 3, 1, "X"));
        EXPECT_EQ(Walk(machine).description, "");
    }
    SetWindows9xOverride(-1);
}

// The test prefix knows one display without an EDID block.
TEST(MonitorAudit, ThisComputer)
{
    std::string description, serial;
    MonitorAudit::Run(HKEY_LOCAL_MACHINE, description, serial);
    EXPECT_EQ(description, "Monitor");
    EXPECT_EQ(serial, "");
}

} // namespace

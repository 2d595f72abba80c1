#include "audit/MonitorAudit.h"

#include "common/AppHelpers.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

const char kTestRoot[] = "Software\\KestrovaTests\\Monitors";
const char kDisplay[] = "SYSTEM\\CurrentControlSet\\Enum\\DISPLAY";

std::vector<unsigned char> Edid(int version, int revision, int descriptor = -1, const char* text = "")
{
    std::vector<unsigned char> b(128, 0);
    b[18] = static_cast<unsigned char>(version);
    b[19] = static_cast<unsigned char>(revision);
    const unsigned char id[8] = {0x10, 0xAC, 0x5A, 0xA0, 'K', 'P', 0x0C, 0x12};
    std::memcpy(b.data() + 10, id, 8);
    if (descriptor >= 0) {
        const size_t start = 59 + 18 * static_cast<size_t>(descriptor);
        std::memset(b.data() + start, ' ', 13);
        std::memcpy(b.data() + start, text, std::strlen(text));
        b[start + std::strlen(text)] = '\n';
    }
    return b;
}

// A stand-in for HKEY_LOCAL_MACHINE under the current user, emptied for
// each case.
class MachineFixture {
public:
    explicit MachineFixture(const std::string& name) : m_path(std::string(kTestRoot) + "\\" + name)
    {
        RegDeleteTreeA(HKEY_CURRENT_USER, m_path.c_str());
        RegCreateKeyExA(HKEY_CURRENT_USER, m_path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &m_key, nullptr);
    }
    ~MachineFixture()
    {
        RegCloseKey(m_key);
        RegDeleteTreeA(HKEY_CURRENT_USER, m_path.c_str());
    }
    HKEY Key() const { return m_key; }

    void AddKey(const std::string& path)
    {
        HKEY key = nullptr;
        RegCreateKeyExA(m_key, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
        RegCloseKey(key);
    }
    void SetBinary(const std::string& path, const char* name, const std::vector<unsigned char>& data)
    {
        AddKey(path);
        RegSetKeyValueA(m_key, path.c_str(), name, REG_BINARY, data.data(), static_cast<DWORD>(data.size()));
    }
    void SetString(const std::string& path, const char* name, const char* text)
    {
        AddKey(path);
        RegSetKeyValueA(m_key, path.c_str(), name, REG_SZ, text, static_cast<DWORD>(std::strlen(text) + 1));
    }
    // An NT display instance with its EDID block.
    void Monitor(const std::string& instance, const std::vector<unsigned char>& edid)
    {
        SetBinary(std::string(kDisplay) + "\\" + instance + "\\Device Parameters", "EDID", edid);
    }

private:
    std::string m_path;
    HKEY m_key = nullptr;
};

struct Found {
    std::string description;
    std::string serial;
};

Found Walk(const MachineFixture& machine)
{
    Found found{"unset", "unset"};
    MonitorAudit::Run(machine.Key(), found.description, found.serial);
    return found;
}

TEST(MonitorAudit, NtDisplayInstances)
{
    const struct {
        const char* label;
        void (*build)(MachineFixture&);
        const char* serial;
    } cases[] = {
        {"revision 3", [](MachineFixture& m) { m.Monitor("DEL4005\\5&1&0", Edid(1, 3, 1, "ABC1234567")); },
         "ABC1234567"},
        {"revision 1", [](MachineFixture& m) { m.Monitor("DEL4005\\5&1&0", Edid(1, 1, 3, "XY98765432")); },
         "XY9876543"},
        {"revision 0", [](MachineFixture& m) { m.Monitor("DEL4005\\5&1&0", Edid(1, 0)); }, "ZKP"},
        {"markup sanitized", [](MachineFixture& m) { m.Monitor("DEL4005\\5&1&0", Edid(1, 3, 1, "SN<1>\"2")); },
         "SN&lt;1&gt;2"},
        {"revision 2 ends the walk",
         [](MachineFixture& m) {
             m.Monitor("AAA0001\\1", Edid(1, 2, 1, "FIRST"));
             m.Monitor("BBB0002\\1", Edid(1, 3, 1, "SECOND"));
         },
         ""},
        {"version 2 passed over",
         [](MachineFixture& m) {
             m.Monitor("AAA0001\\1", Edid(2, 3, 1, "FIRST"));
             m.Monitor("AAA0001\\2", Edid(1, 3, 1, "SECOND"));
         },
         "SECOND"},
        {"short block passed over",
         [](MachineFixture& m) {
             std::vector<unsigned char> shortBlock = Edid(1, 3, 1, "FIRST");
             shortBlock.resize(80);
             m.Monitor("AAA0001\\1", shortBlock);
             std::vector<unsigned char> stub(10, 1);
             m.Monitor("AAA0001\\2", stub);
             m.Monitor("BBB0002\\1", Edid(1, 3, 1, "THIRD"));
         },
         "THIRD"},
        {"oversized value passed over",
         [](MachineFixture& m) {
             std::vector<unsigned char> big = Edid(1, 3, 1, "FIRST");
             big.resize(513);
             m.Monitor("AAA0001\\1", big);
             m.Monitor("AAA0001\\2", Edid(1, 3, 1, "SECOND"));
         },
         "SECOND"},
        {"no EDID value",
         [](MachineFixture& m) {
             m.SetBinary(std::string(kDisplay) + "\\Default_Monitor\\0000&0000\\Device Parameters", "BAD_EDID", {});
         },
         ""},
        {"stray key without Device Parameters first",
         [](MachineFixture& m) {
             m.AddKey(std::string(kDisplay) + "\\AAA0001\\1");
             m.Monitor("BBB0002\\1", Edid(1, 3, 1, "LATER"));
         },
         ""},
        {"stray key after the monitor",
         [](MachineFixture& m) {
             m.Monitor("AAA0001\\1", Edid(1, 3, 1, "EARLIER"));
             m.AddKey(std::string(kDisplay) + "\\BBB0002\\1");
         },
         "EARLIER"},
        {"no display root", [](MachineFixture&) {}, ""},
    };
    for (const auto& c : cases) {
        MachineFixture machine("nt");
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
        MachineFixture machine("9x");
        const std::string device = "Enum\\MONITOR\\DEFAULT_MONITOR\\0001\\Device Parameters";
        machine.SetBinary(device, "EDID", Edid(1, 3, 1, "NINE8"));
        machine.SetString(device, "DeviceDesc", "Plug and Play Monitor <17\">");
        const Found found = Walk(machine);
        EXPECT_EQ(found.description, "Plug and Play Monitor &lt;17&gt;");
        EXPECT_EQ(found.serial, "NINE8");
    }
    {
        MachineFixture machine("9x");
        machine.SetBinary("Enum\\MONITOR\\DEFAULT_MONITOR\\0001\\Device Parameters", "EDID", Edid(1, 3, 1, "X"));
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

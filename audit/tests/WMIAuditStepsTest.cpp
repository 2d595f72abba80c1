// The WMI engine's steps against scripted WMI objects and a registry key
// standing in for the machine: values, labels, failures and cancellation.
#include "audit/WMIAudit.h"
#include "audit/tests/EdidBlock.h"
#include "audit/tests/EngineTestSupport.h"
#include "audit/tests/FakeWmi.h"
#include "audit/tests/MachineUninstallEntries.h"

#include "common/AppHelpers.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace AssetIMPL;

namespace {

const char kUninstall[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

class ScriptedWmiAudit : public WMIAudit {
public:
    ScriptedWmiAudit(std::shared_ptr<FakeWmiData> data, HKEY machine) : WMIAudit(machine), m_data(std::move(data)) {}

    HRESULT m_connectError = S_OK;
    std::vector<std::string> m_servers;

protected:
    IDispatchPtr ConnectServer(const _bstr_t& server) override
    {
        m_servers.push_back(static_cast<const char*>(server));
        if (FAILED(m_connectError)) {
            _com_issue_error(m_connectError);
        }
        return MakeFakeServices(m_data);
    }

private:
    std::shared_ptr<FakeWmiData> m_data;
};

FakeProperty Text(const wchar_t* name, const wchar_t* value)
{
    return {name, kCimString, _variant_t(value)};
}

FakeProperty Number(const wchar_t* name, long value)
{
    return {name, kCimUint32, _variant_t(value)};
}

// A date property of the record; "(none)" while no step stored it.
std::string DateText(const _variant_t& date)
{
    return date.vt == VT_BSTR ? std::string(_bstr_t(date.bstrVal)) : "(none)";
}

class WMIAuditStepsTest : public ::testing::Test {
protected:
    WMIAuditStepsTest() : m_machine("WmiSteps"), m_data(std::make_shared<FakeWmiData>()) { SetWindows9xOverride(0); }
    ~WMIAuditStepsTest() override { SetWindows9xOverride(-1); }

    // A plain desktop computer: one instance of each single-value class.
    void ScriptComputer()
    {
        m_data->Add(L"Win32_ComputerSystem") = {
            Text(L"Name", L"DESK01"),         Text(L"Manufacturer", L" Maker "),         Text(L"Model", L"M-1"),
            Text(L"Domain", L"CORP"),         Text(L"UserName", L"CORP\\alice"),         Number(L"DomainRole", 1),
            Number(L"NumberOfProcessors", 2), Text(L"TotalPhysicalMemory", L"536330240")};
        m_data->Add(L"Win32_ComputerSystemProduct") = {Text(L"SKUNumber", L"SKU-9"), Text(L"IdentifyingNumber", L"")};
        m_data->Add(L"Win32_SystemEnclosure") = {Text(L"SerialNumber", L"ENC-42"),
                                                 {L"ChassisTypes", kCimUint16Array, VariantArray({_variant_t(3L)})}};
        m_data->Add(L"Win32_BaseBoard") = {Text(L"Product", L"Board"), Text(L"Manufacturer", L"BoardMaker"),
                                           Text(L"SerialNumber", L"BS1"), Text(L"Version", L"1.0")};
        m_data->Add(L"Win32_Processor") = {Text(L"Name", L"Test CPU"),
                                           Text(L"Manufacturer", L"GenuineTest"),
                                           Text(L"Description", L"x64 Family 6"),
                                           Text(L"SocketDesignation", L"S1"),
                                           Number(L"ExtClock", 200),
                                           Number(L"CurrentClockSpeed", 1000),
                                           Number(L"MaxClockSpeed", 2992)};
        m_data->Add(L"Win32_VideoController") = {Text(L"Caption", std::wstring(60, L'V').c_str())};
        m_data->Add(L"Win32_SoundDevice") = {Text(L"Caption", L"Sound")};
        m_data->Add(L"Win32_DesktopMonitor") = {Text(L"Caption", L"Plug and Play Monitor"),
                                                Text(L"PNPDeviceID", L"DISPLAY\\ABC")};
        m_data->Add(L"Win32_Keyboard") = {Text(L"Description", L"Keyboard")};
        m_data->Add(L"Win32_PointingDevice") = {Text(L"Description", L"Mouse")};
        m_data->Add(L"Win32_BIOS") = {Text(L"Name", L"BIOS"),
                                      Text(L"Version", L"V1"),
                                      Text(L"Manufacturer", L"BM"),
                                      {L"InstallDate", kCimString, NullValue()},
                                      Text(L"ReleaseDate", L"20031215000000.000000+060"),
                                      Text(L"SerialNumber", L"BIOS-SN")};
        m_data->Add(L"Win32_OperatingSystem") = {Text(L"Caption", L"Microsoft Windows XP Professional"),
                                                 Text(L"Version", L"5.1.2600"), Text(L"CSDVersion", L"Service Pack 2"),
                                                 Text(L"InstallDate", L"2004-03-15"), Text(L"SerialNumber", L"OS-SN")};
    }

    void Run(const char* computer = ".", bool remote = false)
    {
        m_engine.SetLogSink(&m_log);
        m_engine.SetProgressSink(&m_progress);
        m_engine.SetRemote(remote);
        m_engine.Run(_bstr_t(computer));
    }

    bool Logged(int level, const std::string& text) const { return ::Logged(m_log, level, text); }

    const std::string& Generic(GenericProp index) { return m_engine.Result().Property(index).GetString(); }
    const std::string& Own(ComputerProp index) { return m_engine.Result().Property(index).GetString(); }
    std::vector<std::string> Texts(const boost::shared_ptr<StringCollectionImpl>& list)
    {
        std::vector<std::string> texts;
        for (const AssetPropertyValue& value : list->Values()) {
            texts.push_back(value.GetString());
        }
        return texts;
    }

    MachineKey m_machine;
    std::shared_ptr<FakeWmiData> m_data;
    ScriptedWmiAudit m_engine{m_data, m_machine.Key()};
    RecordingLog m_log;
    RecordingProgress m_progress;
    RecordedBoxes m_boxes;
};

TEST_F(WMIAuditStepsTest, WholeRunStoresEveryValueAndLabel)
{
    ScriptComputer();
    m_machine.SetString("SOFTWARE\\Microsoft\\Internet Explorer", "Version", "6.0.2900.2180");
    Run();

    EXPECT_EQ((std::vector<std::string>{"."}), m_engine.m_servers);
    EXPECT_EQ(AuditOutcome::Completed, m_engine.RunOutcome());
    EXPECT_EQ((std::vector<unsigned>{53}), m_progress.m_ranges);
    EXPECT_EQ(49, m_progress.m_steps); // the monitor serial step has no check of its own
    EXPECT_TRUE(m_boxes.Texts().empty());

    EXPECT_EQ("DESK01", Generic(kAssetName));
    EXPECT_EQ("Maker", Generic(kManufacturer));
    EXPECT_EQ("ENC-42", Generic(kSerialNo)); // IdentifyingNumber empty
    EXPECT_EQ("Workstation", Generic(kAssetType));
    EXPECT_EQ("alice", Generic(kUserName));
    EXPECT_EQ("CORP", Own(kDomain));
    EXPECT_EQ(2, m_engine.Result().GetCpuCount());
    EXPECT_EQ(3000, m_engine.Result().GetCpuSpeed());
    EXPECT_EQ(512, m_engine.Result().GetRam());
    EXPECT_EQ(std::string(50, 'V'), Own(kVideoCard));
    EXPECT_EQ("Plug and Play Monitor", m_engine.GetMonitorDescription());
    EXPECT_EQ("12/15/2003", std::string(_bstr_t(m_engine.Result().GetBiosDate()))); // from ReleaseDate
    EXPECT_EQ("03/15/2004", std::string(_bstr_t(m_engine.Result().GetOsInstallDate())));
    EXPECT_EQ("Microsoft Windows XP Professional", Own(kOsDescription));
    EXPECT_EQ("6.0.2900.2180", Own(kInternetExplorerVersion));
    EXPECT_TRUE(m_engine.Result().GetPrinters()->IsModified());
    EXPECT_TRUE(m_engine.Result().GetPrinters()->Values().empty());

    const std::vector<std::string> labels = m_log.TextsAt(0);
    const std::vector<std::string> head(labels.begin(), labels.begin() + 8);
    EXPECT_EQ((std::vector<std::string>{"CD Drive", "Disk Drive", "Tape Drive", "Floppy Drive", "Logical Drives(s)",
                                        "Username", "Network Adapter(s)", "Domain Name"}),
              head);
    EXPECT_EQ("Printer(s)", labels.back());
    EXPECT_TRUE(Logged(0, "Internet Explorer Version"));
    EXPECT_TRUE(Logged(0, "Operating System Hotfixes"));
    // No uninstall key and no display key in the stand-in machine.
    EXPECT_EQ(2u, m_log.TextsAt(3).size());
    EXPECT_FALSE(Logged(0, "Installed Software"));
}

TEST_F(WMIAuditStepsTest, AssetTypeFromChassisOrRole)
{
    const struct {
        std::vector<std::vector<long>> enclosures;
        long role;
        const char* type;
    } cases[] = {
        {{{3}}, 3, "Server"},      {{{3}}, 1, "Workstation"}, {{{10}}, 3, "Laptop"},
        {{{3}, {9}}, 0, "Laptop"}, {{}, 2, "Server"},         {{{1, 14}}, 0, "Laptop"},
    };
    for (const auto& c : cases) {
        m_data->classes.clear();
        for (const auto& types : c.enclosures) {
            std::vector<_variant_t> elements;
            for (long type : types) {
                elements.push_back(_variant_t(type));
            }
            m_data->Add(L"Win32_SystemEnclosure") = {{L"ChassisTypes", kCimUint16Array, VariantArray(elements)}};
        }
        m_data->Add(L"Win32_ComputerSystem") = {Number(L"DomainRole", c.role)};
        Run();
        EXPECT_EQ(c.type, Generic(kAssetType)) << c.role;
    }

    // A failure still leaves a type, logs the error and no label.
    m_data->classes.clear();
    m_data->failures[L"Win32_SystemEnclosure"] = static_cast<HRESULT>(0x80041003);
    m_log.m_entries.clear();
    Run();
    EXPECT_EQ("Workstation", Generic(kAssetType));
    EXPECT_FALSE(Logged(0, "Asset Type"));
    EXPECT_TRUE(Logged(0, "Username"));
}

TEST_F(WMIAuditStepsTest, CountsAndFailures)
{
    m_data->Add(L"Win32_ComputerSystem") = {Number(L"NumberOfProcessors", 0), Text(L"UserName", L"carol")};
    m_data->Add(L"Win32_Processor") = {Number(L"ExtClock", 0), Number(L"CurrentClockSpeed", 1234)};
    m_data->Add(L"Win32_BIOS") = {Text(L"InstallDate", L""), {L"ReleaseDate", kCimString, NullValue()}};
    m_data->failures[L"Win32_BaseBoard"] = static_cast<HRESULT>(0x80041010);
    Run();
    EXPECT_EQ(1, m_engine.Result().GetCpuCount());
    EXPECT_EQ(1234, m_engine.Result().GetCpuSpeed());
    EXPECT_EQ("carol", Generic(kUserName));
    EXPECT_EQ("01/01/1980", std::string(_bstr_t(m_engine.Result().GetBiosDate())));
    // Four board steps fail, each logged, none labelled; the next step runs.
    EXPECT_FALSE(Logged(0, "Motherboard"));
    EXPECT_FALSE(Logged(0, "Motherboard Version"));
    EXPECT_TRUE(Logged(0, "No. of CPUs"));
    const std::string boardError = t_exception(_com_error(static_cast<HRESULT>(0x80041010))).what();
    const std::vector<std::string> errors = m_log.TextsAt(3);
    EXPECT_EQ(4, std::count(errors.begin(), errors.end(), boardError));

    m_data->failures[L"Win32_ComputerSystem"] = static_cast<HRESULT>(0x80041010);
    Run();
    EXPECT_EQ(1, m_engine.Result().GetCpuCount());
}

TEST_F(WMIAuditStepsTest, PortsAndCancellation)
{
    m_data->Add(L"Win32_SerialPort") = {Text(L"DeviceID", L"COM1")};
    m_data->Add(L"Win32_SerialPort") = {Text(L"DeviceID", L"COM2")};
    m_data->Add(L"Win32_ParallelPort") = {Text(L"DeviceID", L"LPT1")};
    m_data->Add(L"Win32_USBController");
    m_data->Add(L"Win32_1394Controller") = {Number(L"ProtocolSupported", 3)};
    Run();
    EXPECT_EQ((std::vector<std::string>{"COM1", "COM2", "LPT1", "USB"}), Texts(m_engine.Result().GetPorts()));
    for (const char* label : {"Serial Port(s)", "Parallel Port(s)", "USB", "Firewire"}) {
        EXPECT_TRUE(Logged(0, label)) << label;
    }
    m_data->Add(L"Win32_1394Controller") = {Number(L"ProtocolSupported", 12)};
    m_data->Add(L"Win32_1394Controller") = {Number(L"ProtocolSupported", 12)};
    Run();
    EXPECT_EQ("Firewire", Texts(m_engine.Result().GetPorts()).back());
    EXPECT_EQ(5u, Texts(m_engine.Result().GetPorts()).size());

    // Stop at the serial sub-step's check, the 26th: 25 steps were done.
    RecordingProgress stopping(25);
    m_log.m_entries.clear();
    m_engine.SetProgressSink(&stopping);
    m_engine.Run(_bstr_t("."));
    EXPECT_EQ(25, stopping.m_steps);
    EXPECT_EQ("Serial Port(s)", m_log.TextsAt(0).back());
    EXPECT_EQ((std::vector<std::string>{"COM1", "COM2"}), Texts(m_engine.Result().GetPorts()));
    EXPECT_FALSE(Logged(0, "Printer(s)"));
    EXPECT_EQ(AuditOutcome::Cancelled, m_engine.RunOutcome());
}

TEST_F(WMIAuditStepsTest, StorageDevicesAndDrives)
{
    m_data->Add(L"Win32_CDROMDrive") = {Text(L"Caption", L"TOSHIBA DVD-ROM"),
                                        Text(L"PNPDeviceID", L"IDE\\CDROMXYZ\\5&1234&0&1.0.0")};
    m_data->Add(L"Win32_CDROMDrive") = {Text(L"Caption", L"TOSHIBA DVD-ROM"),
                                        Text(L"PNPDeviceID", L"IDE\\CDROMXYZ\\5&1234&0&1.0.0")};
    m_data->Add(L"Win32_DiskDrive") = {Text(L"Caption", L"Disk"), Text(L"InterfaceType", L"IDE"),
                                       Text(L"MediaType", L"Fixed hard disk media"), Text(L"Size", L"80026361856"),
                                       Text(L"PNPDeviceID", L"IDE\\DISK")};
    m_data->Add(L"Win32_DiskDrive") = {
        Text(L"Caption", L"Odd"), {L"MediaType", kCimString, NullValue()}, {L"Size", kCimString, NullValue()}};
    m_data->Add(L"Win32_DiskDrive") = {Text(L"Caption", L"Bad"),
                                       {L"InterfaceType", kCimString, _variant_t(L"x"), E_ACCESSDENIED}};
    m_data->Add(L"Win32_DiskDrive") = {Text(L"Caption", L"Never read")};
    m_data->Add(L"Win32_TapeDrive") = {Text(L"Caption", L"DVD tape"), Text(L"MaxMediaSize", L"2097152"),
                                       Text(L"PNPDeviceID", L"SCSI")};
    m_data->Add(L"Win32_FloppyDrive") = {Text(L"Caption", L"LS-120 drive"), Text(L"PNPDeviceID", L"FDC\\1")};
    m_data->Add(L"Win32_LogicalDisk") = {Text(L"Name", L"c:"), Number(L"DriveType", 3),
                                         Text(L"FreeSpace", L"1048576000"), Text(L"Size", L"2097152000"),
                                         Text(L"FileSystem", L"NTFS")};
    m_data->Add(L"Win32_LogicalDisk") = {Text(L"Name", L"N:"),
                                         Number(L"DriveType", 4),
                                         Text(L"FreeSpace", L"1048576"),
                                         Text(L"Size", L"3145728"),
                                         Text(L"ProviderName", L"\\\\server\\share"),
                                         Text(L"FileSystem", L"NTFS")};
    m_data->Add(L"Win32_LogicalDisk") = {Text(L"Name", L"D:"),
                                         Number(L"DriveType", 5),
                                         Text(L"Size", L"3145728"),
                                         {L"FileSystem", kCimString, NullValue()}};
    Run();

    const auto& devices = m_engine.Result().GetStorageDevices()->Members();
    ASSERT_EQ(6u, devices.size());
    const struct {
        const char* description;
        const char* type;
        long size;
        const char* bus;
        const char* id;
    } expected[] = {
        {"TOSHIBA DVD-ROM", "DVD Drive", 0, "IDE", "IDE\\CDROMXYZ\\5&1234&0&1.0.0"},
        {"TOSHIBA DVD-ROM", "DVD Drive", 0, "IDE", "IDE\\CDROMXYZ\\5&1234&0&1.0.0"},
        {"Disk", "Hard Drive", 76319, "IDE", "IDE\\DISK"},
        {"Odd", "Other", 0, "", ""},
        {"DVD tape", "Tape Drive", 2, "SCSI", "SCSI"},
        {"LS-120 drive", "LS120 Drive", 0, "FDC", "FDC\\1"},
    };
    for (size_t i = 0; i < 6; ++i) {
        const AssetPropertyVector& p = devices[i]->Properties();
        EXPECT_EQ(expected[i].description, p[kStorageDeviceDescription].GetString()) << i;
        EXPECT_EQ(expected[i].type, p[kStorageDeviceType].GetString()) << i;
        EXPECT_EQ(expected[i].size, p[kStorageDeviceSize].GetLong()) << i;
        EXPECT_EQ(expected[i].bus, p[kStorageDeviceInterface].GetString()) << i;
        EXPECT_EQ(expected[i].id, p[kStorageDeviceId].GetString()) << i;
    }
    EXPECT_FALSE(Logged(0, "Disk Drive"));
    EXPECT_TRUE(Logged(0, "Tape Drive"));

    const auto& drives = m_engine.Result().GetLogicalDrives()->Members();
    ASSERT_EQ(3u, drives.size()); // sorted by letter
    const AssetPropertyVector& c = drives[0]->Properties();
    EXPECT_EQ("C", c[kLogicalDriveLetter].GetString());
    EXPECT_EQ(1000, c[kLogicalDriveFreeSpace].GetLong());
    EXPECT_EQ(2000, c[kLogicalDriveTotalSize].GetLong());
    EXPECT_FALSE(c[kNetworkDrive].GetBool());
    const AssetPropertyVector& d = drives[1]->Properties();
    EXPECT_EQ("D", d[kLogicalDriveLetter].GetString());
    EXPECT_EQ(0, d[kLogicalDriveTotalSize].GetLong());
    EXPECT_EQ("", d[kLogicalDriveFileSystem].GetString());
    const AssetPropertyVector& n = drives[2]->Properties();
    EXPECT_TRUE(n[kNetworkDrive].GetBool());
    EXPECT_EQ("\\\\server\\share", n[kLogicalDrivePath].GetString());
    EXPECT_EQ(3, n[kLogicalDriveTotalSize].GetLong());
}

TEST_F(WMIAuditStepsTest, NetworkAdapters)
{
    const std::wstring query =
        L"select IPAddress, IPSubnet, DefaultIPGateway, MACAddress, Description, DHCPEnabled from "
        L"Win32_NetworkAdapterConfiguration where IPEnabled=-1";
    const std::wstring wineQuery = query.substr(0, query.size() - 2) + L"TRUE";
    m_data->queries[query] = L"Kes_Adapters";
    m_data->queries[wineQuery] = L"Kes_Adapters";
    m_data->Add(L"Kes_Adapters") = {Text(L"Description", L"NIC A"),
                                    Text(L"MACAddress", L"00:11:22:33:44:55"),
                                    {L"IPAddress", kCimString, BstrArray({L"10.0.0.5", L"fe80::1"})},
                                    {L"DefaultIPGateway", kCimString, NullValue()},
                                    {L"IPSubnet", kCimString, BstrArray({L"", L"255.255.255.0"})},
                                    {L"DHCPEnabled", kCimBoolean, BoolValue(true)}};
    m_data->Add(L"Kes_Adapters") = {Text(L"Description", L"NIC B"),
                                    Text(L"MACAddress", L"00:11:22:33:44:55"),
                                    {L"DHCPEnabled", kCimBoolean, NullValue()}};
    for (bool wine : {false, true}) {
        m_data->wineGaps = wine;
        m_data->calls.clear();
        m_log.m_entries.clear();
        Run();
        const auto& adapters = m_engine.Result().GetNetworkAdapters()->Members();
        ASSERT_EQ(2u, adapters.size()) << wine;
        const AssetPropertyVector& a = adapters[0]->Properties();
        EXPECT_EQ("NIC A", a[kNic].GetString());
        EXPECT_EQ("10.0.0.5", a[kIpAddress].GetString());
        EXPECT_EQ("", a[kGateway].GetString());
        EXPECT_EQ("255.255.255.0", a[kSubnet].GetString());
        EXPECT_TRUE(a[kDhcp].GetBool());
        EXPECT_FALSE(adapters[1]->Properties()[kDhcp].GetBool());
        EXPECT_TRUE(Logged(0, "Network Adapter(s)"));
        const bool retried = std::find(m_data->calls.begin(), m_data->calls.end(), wineQuery) != m_data->calls.end();
        EXPECT_EQ(wine, retried);
    }

    // Any other query failure is not retried; a failing MAC read drops the
    // adapter and the label.
    m_data->wineGaps = false;
    m_data->failures[query] = static_cast<HRESULT>(0x80041017) + 1;
    m_data->calls.clear();
    Run();
    EXPECT_EQ(1, std::count(m_data->calls.begin(), m_data->calls.end(), query));
    EXPECT_EQ(0, std::count(m_data->calls.begin(), m_data->calls.end(), wineQuery));
    m_data->failures.clear();
    m_data->classes[L"Kes_Adapters"] = {
        {Text(L"Description", L"NIC C"), {L"MACAddress", kCimString, _variant_t(L"x"), E_FAIL}}};
    m_log.m_entries.clear();
    Run();
    EXPECT_TRUE(m_engine.Result().GetNetworkAdapters()->Members().empty());
    EXPECT_FALSE(Logged(0, "Network Adapter(s)"));
}

// The engine tells no one itself: the driver reports the failure's text.
TEST_F(WMIAuditStepsTest, ConnectionFailure)
{
    m_engine.m_connectError = static_cast<HRESULT>(0x800706BA);
    Run("FAR01", true);
    EXPECT_EQ(AuditOutcome::Unreachable, m_engine.RunOutcome());
    EXPECT_EQ(t_exception(_com_error(m_engine.m_connectError)).what(), m_engine.RunFailure());
    EXPECT_TRUE(m_boxes.Texts().empty());
    EXPECT_TRUE(m_log.m_entries.empty());
    EXPECT_TRUE(m_progress.m_ranges.empty());
    EXPECT_EQ("", Generic(kAssetName));

    // Windows 9x reads itself whatever the name.
    SetWindows9xOverride(1);
    m_engine.m_connectError = S_OK;
    m_engine.m_servers.clear();
    Run("FAR01", true);
    EXPECT_EQ((std::vector<std::string>{"."}), m_engine.m_servers);
    EXPECT_EQ(AuditOutcome::Completed, m_engine.RunOutcome());
    EXPECT_EQ("", m_engine.RunFailure());
}

TEST_F(WMIAuditStepsTest, HotfixesFromWmiOrRegistry)
{
    m_data->Add(L"Win32_OperatingSystem") = {Text(L"Caption", L"Microsoft Windows XP Professional"),
                                             Text(L"CSDVersion", L"Service Pack 2")};
    for (const wchar_t* text : {L"B", L"A", L"B"}) {
        m_data->Add(L"Win32_QuickFixEngineering") = {Text(L"Description", text)};
    }
    for (const char* entry : {"Q123456", "QX12345", "KB123456", "Q12345"}) {
        m_machine.SetString(std::string(kUninstall) + "\\" + entry, "DisplayName", std::string("Fix ") + entry);
    }
    Run();
    EXPECT_EQ((std::vector<std::string>{"A", "B"}), Texts(m_engine.Result().GetHotfixes()));

    m_data->classes[L"Win32_OperatingSystem"] = {
        {Text(L"Caption", L"Microsoft Windows 2000 Professional"), Text(L"CSDVersion", L"Service Pack 2")}};
    Run();
    EXPECT_EQ((std::vector<std::string>{"Q123456"}), Texts(m_engine.Result().GetHotfixes()));

    SetWindows9xOverride(1);
    Run();
    const std::vector<std::string> listed = Texts(m_engine.Result().GetHotfixes());
    EXPECT_EQ(3u, listed.size());
    EXPECT_NE(listed.end(), std::find(listed.begin(), listed.end(), "Fix KB123456"));
}

TEST_F(WMIAuditStepsTest, InstalledSoftwareAndMonitorSerial)
{
    const std::string u = std::string(kUninstall) + "\\";
    m_machine.SetString(u + "Q123456", "DisplayName", "Hotfix");
    m_machine.SetString(u + "KB123456", "DisplayName", "Hotfix");
    m_machine.SetString(u + "KB12345X", "DisplayVersion", "1");
    m_machine.SetString(u + "KB99999Y", "@", "marked");
    m_machine.AddKey(u + "NoName");
    m_machine.SetString(u + "app1", "DisplayName", "App <One> \"x\"");
    m_machine.SetString(u + "app1", "DisplayVersion", "<2>");
    m_machine.SetString(u + "app1", "Publisher", "Maker");
    m_machine.SetString(u + "app2", "DisplayName", "App <One> \"x\"");
    m_machine.SetString(u + "app2", "DisplayVersion", "<2>");
    m_machine.SetString(u + "app2", "Publisher", "Maker");
    m_machine.SetString("SOFTWARE\\Microsoft\\Internet Explorer", "Version", "default value");

    m_machine.SetBinary("SYSTEM\\CurrentControlSet\\Enum\\DISPLAY\\MON1\\1\\Device Parameters", "EDID",
                        MakeEdid(1, 3, 1, "ABC123"));
    Run();

    std::vector<std::string> ids;
    for (const auto& title : m_engine.Result().GetSoftware()->Members()) {
        ids.push_back(title->Properties()[kSoftwareId].GetString());
    }
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ((std::vector<std::string>{"APP1", "KB12345X"}), ids);
    for (const auto& title : m_engine.Result().GetSoftware()->Members()) {
        const AssetPropertyVector& p = title->Properties();
        if (p[kSoftwareId].GetString() == "APP1") {
            EXPECT_EQ("App &lt;One&gt; x", p[kSoftwareDescription].GetString());
            EXPECT_EQ("<2>", p[kSoftwareVersion].GetString());
        } else {
            EXPECT_EQ("KB12345X", p[kSoftwareDescription].GetString());
        }
    }
    EXPECT_TRUE(Logged(0, "Installed Software"));
    EXPECT_EQ("", Own(kInternetExplorerVersion));
    EXPECT_TRUE(Logged(0, "Internet Explorer Version"));
    EXPECT_EQ("ABC123", m_engine.GetMonitorSerialNo());
}

// Current Windows describes each fix as "Update" or "Security Update": a
// description that does not name its fix gives way to the fix's id.
TEST_F(WMIAuditStepsTest, HotfixesNamedByTheirIds)
{
    const struct {
        const wchar_t* description;
        const wchar_t* id; // null: no such property
    } fixes[] = {
        {L"Update", L"KB1234567"},
        {L"Security Update", L"KB2000001"},
        {L"Security Update", L"KB2000002"},
        {L"Hotfix for Windows XP (KB3000003)", L"KB3000003"},
        {L"Fix kb5000005", L"KB5000005"},
        {L"", L"KB4000004"},
        {L"B", nullptr},
        {L"Update", L""},
    };
    m_data->Add(L"Win32_OperatingSystem") = {Text(L"Caption", L"Microsoft Windows 7 Professional")};
    for (const auto& fix : fixes) {
        FakeInstance& instance = m_data->Add(L"Win32_QuickFixEngineering");
        instance.push_back(Text(L"Description", fix.description));
        if (fix.id != nullptr) {
            instance.push_back(Text(L"HotFixID", fix.id));
        }
    }
    Run();
    EXPECT_EQ((std::vector<std::string>{"B", "Fix kb5000005", "Hotfix for Windows XP (KB3000003)", "KB1234567",
                                        "KB2000001", "KB2000002", "KB4000004", "Update"}),
              Texts(m_engine.Result().GetHotfixes()));
    EXPECT_TRUE(Logged(0, "Operating System Hotfixes"));
}

// A value the provider lacks (as Wine's processor lacks ExtClock) or gives as
// NULL reads as 0 or empty for itself only; the step keeps what it has. Any
// other failure of such a read still costs the step.
TEST_F(WMIAuditStepsTest, AValueTheProviderLacksCostsOnlyItself)
{
    m_data->Add(L"Win32_Processor") = {Number(L"CurrentClockSpeed", 2445)};
    m_data->Add(L"Win32_BIOS") = {Text(L"ReleaseDate", L"20120608000000.000000+000")};
    m_data->Add(L"Win32_ComputerSystemProduct") = {Text(L"SKUNumber", L"S")};
    m_data->Add(L"Win32_SystemEnclosure") = {Text(L"SerialNumber", L"ENC-7"),
                                             {L"ChassisTypes", kCimUint16Array, NullValue()}};
    m_data->Add(L"Win32_ComputerSystem") = {Number(L"DomainRole", 3)};
    m_data->Add(L"Win32_1394Controller") = {{L"ProtocolSupported", kCimUint32, NullValue()}};
    m_data->Add(L"Win32_1394Controller") = {Number(L"ProtocolSupported", 12)};
    m_data->Add(L"Win32_LogicalDisk") = {Text(L"Name", L"E:"), {L"DriveType", kCimUint32, NullValue()}};
    m_data->Add(L"Win32_LogicalDisk") = {Text(L"Name", L"C:"), Number(L"DriveType", 3), Text(L"Size", L"2097152000")};
    Run();
    EXPECT_EQ(2445, m_engine.Result().GetCpuSpeed());
    EXPECT_EQ("06/08/2012", DateText(m_engine.Result().GetBiosDate()));
    EXPECT_EQ("ENC-7", Generic(kSerialNo));
    EXPECT_EQ("Server", Generic(kAssetType));
    EXPECT_EQ(std::vector<std::string>{"Firewire"}, Texts(m_engine.Result().GetPorts()));
    const auto& drives = m_engine.Result().GetLogicalDrives()->Members();
    ASSERT_EQ(2u, drives.size());
    EXPECT_EQ(2000, drives[0]->Properties()[kLogicalDriveTotalSize].GetLong());
    EXPECT_EQ("E", drives[1]->Properties()[kLogicalDriveLetter].GetString());
    for (const char* label :
         {"CPU Speed (MHz)", "BIOS Date", "Asset Serial No.", "Asset Type", "Firewire", "Logical Drives(s)"}) {
        EXPECT_TRUE(Logged(0, label)) << label;
    }
    // A property the one-value steps read is still missed aloud.
    EXPECT_FALSE(Logged(0, "CPU Description"));

    // Only the property itself may be absent: a read that fails otherwise
    // ends the step as before.
    m_data->classes[L"Win32_Processor"] = {
        {Number(L"CurrentClockSpeed", 2445), {L"ExtClock", kCimUint32, _variant_t(100L), E_ACCESSDENIED}}};
    m_data->classes[L"Win32_BIOS"] = {
        {Text(L"ReleaseDate", L"20120608000000.000000+000"), {L"InstallDate", kCimString, NullValue(), E_FAIL}}};
    m_log.m_entries.clear();
    Run();
    EXPECT_EQ(0, m_engine.Result().GetCpuSpeed());
    EXPECT_FALSE(Logged(0, "CPU Speed (MHz)"));
    EXPECT_FALSE(Logged(0, "BIOS Date"));
}

// Wine lists a configuration's IPv6 addresses before its IPv4 one; the
// subnet at the same place in IPSubnet belongs to the address taken.
TEST_F(WMIAuditStepsTest, NetworkAdapterTakesItsIpv4Address)
{
    const std::wstring query =
        L"select IPAddress, IPSubnet, DefaultIPGateway, MACAddress, Description, DHCPEnabled from "
        L"Win32_NetworkAdapterConfiguration where IPEnabled=-1";
    m_data->queries[query] = L"Kes_Adapters";
    const struct {
        const wchar_t* nic;
        std::vector<std::wstring> addresses;
        std::vector<std::wstring> subnets;
        const char* address;
        const char* subnet;
    } cases[] = {
        {L"A wine",
         {L"fd00::2", L"fe80::a8de:58ff:feba:c3aa%3", L"10.213.0.1"},
         {L"64", L"64", L"255.255.255.0"},
         "10.213.0.1",
         "255.255.255.0"},
        {L"B windows", {L"192.168.1.5", L"fe80::1"}, {L"255.255.0.0", L"64"}, "192.168.1.5", "255.255.0.0"},
        {L"C only v6", {L"fe80::2"}, {L"64"}, "fe80::2", "64"},
        {L"D empty first", {L"", L"fe80::3", L"10.0.0.9"}, {L"", L"64", L"255.0.0.0"}, "10.0.0.9", "255.0.0.0"},
        {L"E short subnets", {L"fe80::4", L"10.0.0.10"}, {L"64"}, "10.0.0.10", ""},
        {L"F not v4", {L"1.2.3", L"1.2.3.256", L"fe80::5"}, {L"8", L"9", L"64"}, "1.2.3", "8"},
        {L"G second", {L"10.0.0.3/24", L"10.0.0.7"}, {L"255.0.0.0", L"255.255.255.128"}, "10.0.0.7", "255.255.255.128"},
    };
    for (const auto& c : cases) {
        m_data->Add(L"Kes_Adapters") = {Text(L"Description", c.nic),
                                        Text(L"MACAddress", c.nic),
                                        {L"IPAddress", kCimString, BstrArray(c.addresses)},
                                        {L"IPSubnet", kCimString, BstrArray(c.subnets)},
                                        {L"DefaultIPGateway", kCimString, BstrArray({L"10.213.0.2"})}};
    }
    Run();
    const auto& adapters = m_engine.Result().GetNetworkAdapters()->Members();
    ASSERT_EQ(sizeof cases / sizeof cases[0], adapters.size());
    for (size_t i = 0; i < adapters.size(); ++i) {
        const AssetPropertyVector& p = adapters[i]->Properties();
        EXPECT_EQ(cases[i].address, p[kIpAddress].GetString()) << i;
        EXPECT_EQ(cases[i].subnet, p[kSubnet].GetString()) << i;
        EXPECT_EQ("10.213.0.2", p[kGateway].GetString()) << i;
    }
}

// The software step reads the 32-bit view of the Uninstall key too, with the
// same rules; a name in both views is one entry, the 64-bit view's.
TEST_F(WMIAuditStepsTest, SoftwareOfBothRegistryViews)
{
    MachineUninstallEntries entries;
    ASSERT_TRUE(entries.Add(KEY_WOW64_32KEY, "KestrovaTests Wmi Only32", "Wmi Test Tool 32", "3.2", "Tests Inc"));
    ASSERT_TRUE(entries.Add(KEY_WOW64_32KEY, "KB970201", "Wmi Test Hotfix 32"));
    ASSERT_TRUE(entries.Add(KEY_WOW64_64KEY, "KestrovaTests Wmi Both", "Wmi Test Both 64"));
    ASSERT_TRUE(entries.Add(KEY_WOW64_32KEY, "KestrovaTests Wmi Both", "Wmi Test Both 32"));

    ScriptedWmiAudit engine(m_data, HKEY_LOCAL_MACHINE);
    engine.SetLogSink(&m_log);
    engine.SetRemote(false);
    engine.Run(_bstr_t("."));
    std::vector<std::string> ours;
    for (const auto& title : engine.Result().GetSoftware()->Members()) {
        const std::string id = title->GetId();
        if (id.find("KESTROVATESTS WMI") == 0 || id == "KB970201") {
            ours.push_back(id + "|" + title->Property(kSoftwareDescription).GetString());
        }
    }
    std::sort(ours.begin(), ours.end());
    EXPECT_EQ((std::vector<std::string>{"KESTROVATESTS WMI BOTH|Wmi Test Both 64",
                                        "KESTROVATESTS WMI ONLY32|Wmi Test Tool 32"}),
              ours);
    EXPECT_TRUE(Logged(0, "Installed Software"));
}

} // namespace

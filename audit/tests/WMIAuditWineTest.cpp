// Whole WMI audits under Wine, checked against what Wine's own WMI reports
// when asked directly through the scripting interfaces' vtables (not the
// engine's late-bound walk): the values, the steps that fail there and are
// logged, the remote registry for this machine's own name and for a name it
// refuses, the connection that fails, and the OS-type probe.
#include "audit/WMIAudit.h"
#include "audit/WmiOsTypeProbe.h"
#include "audit/tests/EngineTestSupport.h"

#include "audit/AuditDocument.h"
#include "audit/CimDate.h"
#include "audit/RegistryKey.h"
#include "audit/SanitizeText.h"
#include "audit/SignatureFile.h"
#include "audit/WmiAuditRules.h"
#include "common/AppState.h"
#include "common/LogFile.h"
#include "common/MessageBoxHook.h"

#include <wbemdisp.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

using namespace AssetIMPL;

namespace {

const HRESULT kWbemNotFound = static_cast<HRESULT>(0x80041002);

_COM_SMARTPTR_TYPEDEF(IUnknown, __uuidof(IUnknown));
_COM_SMARTPTR_TYPEDEF(ISWbemLocator, __uuidof(ISWbemLocator));
_COM_SMARTPTR_TYPEDEF(ISWbemServices, __uuidof(ISWbemServices));
_COM_SMARTPTR_TYPEDEF(ISWbemObjectSet, __uuidof(ISWbemObjectSet));
_COM_SMARTPTR_TYPEDEF(ISWbemObject, __uuidof(ISWbemObject));
_COM_SMARTPTR_TYPEDEF(ISWbemPropertySet, __uuidof(ISWbemPropertySet));
_COM_SMARTPTR_TYPEDEF(ISWbemProperty, __uuidof(ISWbemProperty));

enum class Answer { Value, Missing, NoInstance };

struct WineValue {
    Answer answer = Answer::NoInstance;
    _variant_t value;
};

std::string Trimmed(const std::string& text)
{
    const size_t first = text.find_first_not_of(" \t");
    return first == std::string::npos ? std::string() : text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::string TextOf(const _variant_t& value)
{
    if (value.vt == VT_NULL || value.vt == VT_EMPTY) {
        return std::string();
    }
    _variant_t text;
    if (FAILED(VariantChangeType(&text, const_cast<_variant_t*>(&value), 0, VT_BSTR)) || text.bstrVal == nullptr) {
        return std::string();
    }
    return static_cast<const char*>(_bstr_t(text.bstrVal));
}

std::string ComErrorText(HRESULT code)
{
    return t_exception(_com_error(code)).what();
}

// Wine's WMI, asked through the vtables.
class WineWmi {
public:
    WineWmi()
    {
        ISWbemLocatorPtr locator;
        EXPECT_EQ(S_OK, CoCreateInstance(CLSID_SWbemLocator, nullptr, CLSCTX_INPROC_SERVER, __uuidof(ISWbemLocator),
                                         reinterpret_cast<void**>(&locator)));
        EXPECT_EQ(S_OK, locator->ConnectServer(_bstr_t(L"localhost"), _bstr_t(L"root\\cimv2"), nullptr, nullptr,
                                               nullptr, nullptr, 0, nullptr, &m_services));
    }

    std::vector<ISWbemObjectPtr> Objects(ISWbemObjectSetPtr set)
    {
        std::vector<ISWbemObjectPtr> objects;
        IUnknownPtr unknown;
        EXPECT_EQ(S_OK, set->get__NewEnum(&unknown));
        IEnumVARIANTPtr enumerator = unknown;
        VARIANT element;
        VariantInit(&element);
        ULONG fetched = 0;
        while (enumerator->Next(1, &element, &fetched) == S_OK && fetched == 1) {
            objects.push_back(ISWbemObjectPtr(element.pdispVal));
            VariantClear(&element);
        }
        return objects;
    }

    std::vector<ISWbemObjectPtr> Instances(const wchar_t* className)
    {
        ISWbemObjectSetPtr set;
        EXPECT_EQ(S_OK, m_services->InstancesOf(_bstr_t(className), 16, nullptr, &set));
        return Objects(set);
    }

    std::vector<ISWbemObjectPtr> Query(const wchar_t* query)
    {
        ISWbemObjectSetPtr set;
        EXPECT_EQ(S_OK, m_services->ExecQuery(_bstr_t(query), _bstr_t(L"WQL"), 16, nullptr, &set));
        return Objects(set);
    }

    static WineValue Property(const ISWbemObjectPtr& object, const wchar_t* name)
    {
        WineValue result;
        ISWbemPropertySetPtr properties;
        EXPECT_EQ(S_OK, object->get_Properties_(&properties));
        ISWbemPropertyPtr property;
        const HRESULT hr = properties->Item(_bstr_t(name), 0, &property);
        if (hr == kWbemNotFound) {
            result.answer = Answer::Missing;
            return result;
        }
        EXPECT_EQ(S_OK, hr) << ToNarrow(name);
        EXPECT_EQ(S_OK, property->get_Value(&result.value.GetVARIANT()));
        result.answer = Answer::Value;
        return result;
    }

    WineValue First(const wchar_t* className, const wchar_t* name)
    {
        std::vector<ISWbemObjectPtr> objects = Instances(className);
        return objects.empty() ? WineValue() : Property(objects.front(), name);
    }

    static std::string ToNarrow(const wchar_t* text) { return static_cast<const char*>(_bstr_t(text)); }

private:
    ISWbemServicesPtr m_services;
};

class WMIAuditWineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
        DWORD size = sizeof name;
        GetComputerNameA(name, &size);
        m_ownName = name;
    }
    void TearDown() override { CoUninitialize(); }

    bool Logged(const RecordingLog& log, int level, const std::string& text)
    {
        const std::vector<std::string> texts = log.TextsAt(level);
        return std::find(texts.begin(), texts.end(), text) != texts.end();
    }

    // What the engine must have stored and logged for one text of the first
    // instance of a class.
    void ExpectText(WineWmi& wine, const RecordingLog& log, const char* label, const wchar_t* className,
                    const wchar_t* property, const std::string& stored)
    {
        const WineValue answer = wine.First(className, property);
        if (answer.answer == Answer::Missing) {
            EXPECT_FALSE(Logged(log, 0, label)) << label;
            EXPECT_TRUE(Logged(log, 3, ComErrorText(kWbemNotFound))) << label;
            EXPECT_EQ("", stored) << label;
            return;
        }
        EXPECT_TRUE(Logged(log, 0, label)) << label;
        EXPECT_EQ(Trimmed(SanitizeText(TextOf(answer.value))), stored) << label;
    }

    std::string m_ownName;
    RecordedBoxes m_boxes;
};

TEST_F(WMIAuditWineTest, LocalhostAgainstWineWmi)
{
    WMIAudit engine;
    RecordingLog log;
    RecordingProgress progress;
    engine.SetLogSink(&log);
    engine.SetProgressSink(&progress);
    engine.SetRemote(true);
    engine.Run(_bstr_t("localhost"));
    ASSERT_EQ(AuditOutcome::Completed, engine.RunOutcome());
    EXPECT_TRUE(m_boxes.Texts().empty());
    EXPECT_EQ((std::vector<unsigned>{53}), progress.m_ranges);
    EXPECT_EQ(49, progress.m_steps);

    WineWmi wine;
    AssetComputerImpl& r = engine.Result();
    const struct {
        const char* label;
        const wchar_t* className;
        const wchar_t* property;
        std::string stored;
    } texts[] = {
        {"AssetName", L"Win32_ComputerSystem", L"Name", r.Property(kAssetName).GetString()},
        {"Asset Mfg", L"Win32_ComputerSystem", L"Manufacturer", r.Property(kManufacturer).GetString()},
        {"Asset Model", L"Win32_ComputerSystem", L"Model", r.Property(kModel).GetString()},
        {"Asset Model No.", L"Win32_ComputerSystemProduct", L"SKUNumber", r.Property(kModelNo).GetString()},
        {"Domain Name", L"Win32_ComputerSystem", L"Domain", r.Property(kDomain).GetString()},
        {"Motherboard", L"Win32_BaseBoard", L"Product", r.Property(kMotherboardDescription).GetString()},
        {"Motherboard Mfg", L"Win32_BaseBoard", L"Manufacturer", r.Property(kMotherboardManufacturer).GetString()},
        {"Motherboard Serial No.", L"Win32_BaseBoard", L"SerialNumber", r.Property(kMotherboardSerialNo).GetString()},
        {"Motherboard Version", L"Win32_BaseBoard", L"Version", r.Property(kMotherboardVersion).GetString()},
        {"CPU Description", L"Win32_Processor", L"Name", r.Property(kCpuDescription).GetString()},
        {"CPU Manufacturer", L"Win32_Processor", L"Manufacturer", r.Property(kCpuManufacturer).GetString()},
        {"CPU Type", L"Win32_Processor", L"Description", r.Property(kCpuType).GetString()},
        {"CPU Socket Type", L"Win32_Processor", L"SocketDesignation", r.Property(kCpuSocketType).GetString()},
        {"Keyboard", L"Win32_Keyboard", L"Description", r.Property(kKeyboardDescription).GetString()},
        {"Mouse", L"Win32_PointingDevice", L"Description", r.Property(kMouseDescription).GetString()},
        {"BIOS", L"Win32_BIOS", L"Name", r.Property(kBiosDescription).GetString()},
        {"BIOS Version", L"Win32_BIOS", L"Version", r.Property(kBiosVersion).GetString()},
        {"BIOS Mfg", L"Win32_BIOS", L"Manufacturer", r.Property(kBiosManufacturer).GetString()},
        {"BIOS Serial No.", L"Win32_BIOS", L"SerialNumber", r.Property(kBiosSerialNo).GetString()},
        {"Operating System", L"Win32_OperatingSystem", L"Caption", r.Property(kOsDescription).GetString()},
        {"Operating System Version", L"Win32_OperatingSystem", L"Version", r.Property(kOsVersion).GetString()},
        {"Operating System Service Pack Version", L"Win32_OperatingSystem", L"CSDVersion",
         r.Property(kServicePack).GetString()},
        {"Operating System Serial No.", L"Win32_OperatingSystem", L"SerialNumber", r.Property(kOsSerialNo).GetString()},
        {"MonitorDeviceID", L"Win32_DesktopMonitor", L"PNPDeviceID", r.Property(kMonitorDeviceId).GetString()},
        {"Sound Card", L"Win32_SoundDevice", L"Caption", r.Property(kSoundCard).GetString()},
        {"Monitor", L"Win32_DesktopMonitor", L"Caption", engine.GetMonitorDescription()},
    };
    for (const auto& t : texts) {
        ExpectText(wine, log, t.label, t.className, t.property, t.stored);
    }
    EXPECT_FALSE(r.Property(kAssetName).GetString().empty());
    EXPECT_FALSE(r.Property(kOsDescription).GetString().empty());

    // Values with rules of their own.
    const std::string user = TextOf(wine.First(L"Win32_ComputerSystem", L"UserName").value);
    EXPECT_EQ(WmiAuditRules::UserNameWithoutDomain(Trimmed(SanitizeText(user))), r.Property(kUserName).GetString());
    const long processors = static_cast<long>(wine.First(L"Win32_ComputerSystem", L"NumberOfProcessors").value);
    EXPECT_EQ(processors > 0 ? processors : 1, r.GetCpuCount());
    const std::string memory = TextOf(wine.First(L"Win32_ComputerSystem", L"TotalPhysicalMemory").value);
    EXPECT_EQ(WmiAuditRules::RamMegabytes(WmiAuditRules::ParseInt64(memory)), r.GetRam());
    EXPECT_GT(r.GetRam(), 0);
    if (wine.First(L"Win32_Processor", L"ExtClock").answer == Answer::Missing) {
        EXPECT_FALSE(Logged(log, 0, "CPU Speed (MHz)"));
    }
    const std::string osInstall = TextOf(wine.First(L"Win32_OperatingSystem", L"InstallDate").value);
    EXPECT_EQ(CimDateToText(Trimmed(SanitizeText(osInstall))), std::string(_bstr_t(r.GetOsInstallDate())));
    EXPECT_EQ(wine.First(L"Win32_BIOS", L"InstallDate").answer != Answer::Missing, Logged(log, 0, "BIOS Date"));

    // Wine hands integer arrays over as VT_ARRAY|VT_I4, which the chassis
    // read refuses: the step falls back to a workstation and logs why.
    std::vector<ISWbemObjectPtr> enclosures = wine.Instances(L"Win32_SystemEnclosure");
    ASSERT_FALSE(enclosures.empty());
    const WineValue chassis = WineWmi::Property(enclosures.front(), L"ChassisTypes");
    if ((chassis.value.vt & VT_ARRAY) != 0 && (chassis.value.vt & 8) == 0) {
        EXPECT_EQ("Workstation", r.Property(kAssetType).GetString());
        EXPECT_FALSE(Logged(log, 0, "Asset Type"));
        EXPECT_TRUE(Logged(log, 3, ComErrorText(E_INVALIDARG)));
    }

    // Collections: as many parts as Wine lists.
    const std::vector<ISWbemObjectPtr> adapters =
        wine.Query(L"select Description from Win32_NetworkAdapterConfiguration where IPEnabled=TRUE");
    ASSERT_EQ(adapters.size(), r.GetNetworkAdapters()->Members().size());
    EXPECT_TRUE(Logged(log, 0, "Network Adapter(s)"));
    std::multiset<std::string> wineAdapters, auditedAdapters;
    for (const ISWbemObjectPtr& adapter : adapters) {
        wineAdapters.insert(Trimmed(SanitizeText(TextOf(WineWmi::Property(adapter, L"Description").value))));
    }
    for (const auto& adapter : r.GetNetworkAdapters()->Members()) {
        auditedAdapters.insert(adapter->Properties()[kNic].GetString());
    }
    EXPECT_EQ(wineAdapters, auditedAdapters);
    EXPECT_EQ(wine.Instances(L"Win32_LogicalDisk").size(), r.GetLogicalDrives()->Members().size());
    EXPECT_EQ(wine.Instances(L"Win32_CDROMDrive").size() + wine.Instances(L"Win32_DiskDrive").size() +
                  wine.Instances(L"Win32_TapeDrive").size() + wine.Instances(L"Win32_FloppyDrive").size(),
              r.GetStorageDevices()->Members().size());
    EXPECT_EQ(wine.Instances(L"Win32_Printer").size(), r.GetPrinters()->Values().size());
    std::set<std::string> fixes;
    for (const ISWbemObjectPtr& fix : wine.Instances(L"Win32_QuickFixEngineering")) {
        fixes.insert(Trimmed(SanitizeText(TextOf(WineWmi::Property(fix, L"Description").value))));
    }
    EXPECT_EQ(fixes.size(), r.GetHotfixes()->Values().size());
    EXPECT_TRUE(Logged(log, 0, "Operating System Hotfixes"));

    // The remote registry refuses "localhost" here: the three registry steps
    // that need it log the system's text for that code and nothing else.
    HKEY refused = nullptr;
    const LONG code = RegConnectRegistryA("\\\\localhost", HKEY_LOCAL_MACHINE, &refused);
    ASSERT_NE(ERROR_SUCCESS, code);
    const std::string refusal = t_exception(static_cast<HRESULT>(code), static_cast<const char*>(nullptr)).what();
    const std::vector<std::string> errors = log.TextsAt(3);
    EXPECT_EQ(3, std::count(errors.begin(), errors.end(), refusal));
    EXPECT_FALSE(Logged(log, 0, "Installed Software"));
    EXPECT_FALSE(Logged(log, 0, "Internet Explorer Version"));
    EXPECT_EQ("", engine.GetMonitorSerialNo());
}

// The machine's own name reaches its registry through the remote registry.
TEST_F(WMIAuditWineTest, OwnNameReadsItsRegistryRemotely)
{
    WMIAudit engine;
    RecordingLog log;
    engine.SetLogSink(&log);
    engine.SetRemote(true);
    engine.Run(_bstr_t(m_ownName.c_str()));
    ASSERT_EQ(AuditOutcome::Completed, engine.RunOutcome());
    EXPECT_TRUE(Logged(log, 0, "Installed Software"));
    EXPECT_TRUE(Logged(log, 0, "Internet Explorer Version"));

    RegistryKey key;
    key.Open(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Internet Explorer", false, KEY_READ);
    std::string version = key.GetStringValue("Version", "default value");
    EXPECT_EQ(version == "default value" ? std::string() : version,
              engine.Result().Property(kInternetExplorerVersion).GetString());

    for (const std::string& name : {m_ownName, "\\\\" + m_ownName}) {
        RegistryKey remote;
        remote.ConnectRemoteRegistry(name, HKEY_LOCAL_MACHINE, "SOFTWARE", false, KEY_READ);
        EXPECT_NE(nullptr, remote.Handle()) << name;
        EXPECT_NE(nullptr, remote.RemoteRoot()) << name;
    }
    RegistryKey refused;
    try {
        refused.ConnectRemoteRegistry("localhost", HKEY_LOCAL_MACHINE, "SOFTWARE", false, KEY_READ);
        ADD_FAILURE() << "localhost was connected";
    } catch (const t_exception& error) {
        EXPECT_NE(S_OK, error.Code());
        EXPECT_EQ(t_exception(error.Code(), static_cast<const char*>(nullptr)).what(), std::string(error.what()));
    }
    EXPECT_EQ(nullptr, refused.Handle());
}

// An address Wine's WMI does not connect to: no step runs and the run
// cannot pass for an audit.
TEST_F(WMIAuditWineTest, FailedConnection)
{
    WMIAudit engine;
    RecordingLog log;
    engine.SetLogSink(&log);
    engine.SetRemote(true);
    engine.Run(_bstr_t("127.0.0.1"));
    EXPECT_EQ(AuditOutcome::Unreachable, engine.RunOutcome());
    EXPECT_FALSE(engine.RunFailure().empty());
    EXPECT_TRUE(log.m_entries.empty());
    EXPECT_EQ("", engine.Result().Property(kAssetName).GetString());
}

TEST_F(WMIAuditWineTest, OsTypeProbe)
{
    const long osType = static_cast<long>(WineWmi().First(L"Win32_OperatingSystem", L"OSType").value);
    const AppState app;
    EXPECT_EQ(osType > 17 ? 1 : 0, ProbeOsType(app, "localhost"));
    EXPECT_EQ(osType > 17 ? 1 : 0, ProbeOsType(app, m_ownName));
    EXPECT_TRUE(m_boxes.Texts().empty());
    EXPECT_EQ(0, ProbeOsType(app, "127.0.0.1"));
    EXPECT_EQ(1u, m_boxes.Texts().size());
}

// The audit driver runs the WMI engine for this computer (WMI answered at
// start-up) and for a named computer of the network; one it cannot reach
// leaves the audit not completed. Hidden mode, as a log-on script runs it.
class WMIAuditDriverWineTest : public WMIAuditWineTest {
protected:
    void SetUp() override
    {
        WMIAuditWineTest::SetUp();
        m_savedApp = GetAppState();
        AppState& app = GetAppState();
        app.m_runMode = kRunHidden;
        app.m_apiAuditSwitch = false;
        app.m_wmiAvailable = true;
        char folder[MAX_PATH] = {};
        GetCurrentDirectoryA(MAX_PATH, folder);
        app.m_config.m_logPath = std::string(folder) + "\\";
        app.m_config.m_logNameOption = 1;
        app.m_config.m_logErrors = true;
        CleanSignature();
    }
    void TearDown() override
    {
        CleanSignature();
        GetAppState() = m_savedApp;
        WMIAuditWineTest::TearDown();
    }
    static void CleanSignature()
    {
        const std::string folder = LogFile::GetSystemDriveRoot() + "Pardovel\\";
        const std::string path = folder + "pardovel.sig";
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path.c_str());
        RemoveDirectoryA(folder.c_str());
    }

    AppState m_savedApp;
};

TEST_F(WMIAuditDriverWineTest, ThisComputerAndANamedOne)
{
    const std::string wineName = Trimmed(TextOf(WineWmi().First(L"Win32_ComputerSystem", L"Name").value));
    for (bool remote : {false, true}) {
        const std::string computer = remote ? m_ownName : ".";
        AuditDocument doc;
        doc.m_remote = remote;
        RecordingProgress progress;
        doc.RunAudit(computer, &progress);
        ASSERT_TRUE(doc.m_completed) << computer;
        EXPECT_EQ(AuditOutcome::Completed, doc.m_outcome) << computer;
        ASSERT_NE(nullptr, dynamic_cast<WMIAudit*>(doc.m_engine.get())) << computer;
        EXPECT_EQ((std::vector<unsigned>{WMIAudit::kStepCount}), progress.m_ranges);
        EXPECT_EQ(wineName, doc.m_engine->Result().Property(kAssetName).GetString()) << computer;
        std::string guid;
        ASSERT_TRUE(SignatureFile(computer, remote).Read(guid)) << computer;
        EXPECT_EQ(guid, doc.m_engine->Result().Property(kGuid).GetString()) << computer;
    }

    AuditDocument unreachable;
    unreachable.m_remote = true;
    unreachable.RunAudit("127.0.0.1", nullptr);
    EXPECT_FALSE(unreachable.m_completed);
    EXPECT_EQ(AuditOutcome::Unreachable, unreachable.m_outcome);
    EXPECT_TRUE(m_boxes.Texts().empty());
}

} // namespace

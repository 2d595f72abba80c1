// Whole WMI audits under Wine, checked against what Wine's own WMI reports
// when asked through the scripting interfaces' vtables (not the engine's
// late-bound walk); the remote registry for this machine's own name and for
// a name it refuses; the connection that fails; the OS-type probe; and the
// driver running the engine.
#include "audit/WMIAudit.h"
#include "audit/WmiOsTypeProbe.h"
#include "audit/tests/EngineTestSupport.h"
#include "audit/tests/MachineUninstallEntries.h"

#include "audit/AuditDocument.h"
#include "audit/CimDate.h"
#include "audit/RegistryKey.h"
#include "audit/SignatureFile.h"
#include "common/AppState.h"

#include <wbemdisp.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <utility>

using namespace AssetIMPL;

namespace {

_COM_SMARTPTR_TYPEDEF(IUnknown, __uuidof(IUnknown));
_COM_SMARTPTR_TYPEDEF(ISWbemLocator, __uuidof(ISWbemLocator));
_COM_SMARTPTR_TYPEDEF(ISWbemServices, __uuidof(ISWbemServices));
_COM_SMARTPTR_TYPEDEF(ISWbemObjectSet, __uuidof(ISWbemObjectSet));
_COM_SMARTPTR_TYPEDEF(ISWbemObject, __uuidof(ISWbemObject));
_COM_SMARTPTR_TYPEDEF(ISWbemPropertySet, __uuidof(ISWbemPropertySet));
_COM_SMARTPTR_TYPEDEF(ISWbemProperty, __uuidof(ISWbemProperty));

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

    std::vector<ISWbemObjectPtr> Instances(const wchar_t* className)
    {
        ISWbemObjectSetPtr set;
        EXPECT_EQ(S_OK, m_services->InstancesOf(_bstr_t(className), 16, nullptr, &set));
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

    // A text property of the first instance, trimmed.
    std::string FirstText(const wchar_t* className, const wchar_t* name)
    {
        std::vector<ISWbemObjectPtr> objects = Instances(className);
        if (objects.empty()) {
            return std::string();
        }
        ISWbemPropertySetPtr properties;
        ISWbemPropertyPtr property;
        _variant_t value;
        EXPECT_EQ(S_OK, objects.front()->get_Properties_(&properties));
        EXPECT_EQ(S_OK, properties->Item(_bstr_t(name), 0, &property));
        EXPECT_EQ(S_OK, property->get_Value(&value.GetVARIANT()));
        const std::string text = value.vt == VT_BSTR ? static_cast<const char*>(_bstr_t(value.bstrVal)) : "";
        const size_t first = text.find_first_not_of(" \t");
        return first == std::string::npos ? std::string()
                                          : text.substr(first, text.find_last_not_of(" \t") - first + 1);
    }

    // A property of one object; empty when the object lacks it.
    static _variant_t Value(const ISWbemObjectPtr& object, const wchar_t* name)
    {
        ISWbemPropertySetPtr properties;
        ISWbemPropertyPtr property;
        _variant_t value;
        if (object->get_Properties_(&properties) == S_OK && properties->Item(_bstr_t(name), 0, &property) == S_OK) {
            EXPECT_EQ(S_OK, property->get_Value(&value.GetVARIANT()));
        }
        return value;
    }

    // A whole-number property of the first instance.
    long FirstNumber(const wchar_t* className, const wchar_t* name)
    {
        std::vector<ISWbemObjectPtr> objects = Instances(className);
        if (objects.empty()) {
            return -1;
        }
        _variant_t value = Value(objects.front(), name);
        _variant_t number;
        if (FAILED(VariantChangeType(&number, &value, 0, VT_I4))) {
            return -1;
        }
        return number.lVal;
    }

    // The elements of an array of texts, empty ones included.
    static std::vector<std::string> Texts(const ISWbemObjectPtr& object, const wchar_t* name)
    {
        const _variant_t value = Value(object, name);
        std::vector<std::string> texts;
        const VARTYPE type = value.vt & VT_TYPEMASK;
        if ((value.vt & VT_ARRAY) == 0 || (type != VT_BSTR && type != VT_VARIANT)) {
            return texts;
        }
        LONG lower = 0;
        LONG upper = -1;
        SafeArrayGetLBound(value.parray, 1, &lower);
        SafeArrayGetUBound(value.parray, 1, &upper);
        for (LONG i = lower; i <= upper; ++i) {
            _variant_t element;
            if (type == VT_BSTR) {
                BSTR text = nullptr;
                SafeArrayGetElement(value.parray, &i, &text);
                element = _variant_t(text);
                SysFreeString(text);
            } else {
                SafeArrayGetElement(value.parray, &i, &element.GetVARIANT());
            }
            texts.push_back(element.vt == VT_BSTR && element.bstrVal != nullptr
                                ? std::string(static_cast<const char*>(_bstr_t(element.bstrVal)))
                                : std::string());
        }
        return texts;
    }

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

    std::string m_ownName;
    RecordedBoxes m_boxes;
};

TEST_F(WMIAuditWineTest, LocalhostAgainstWineWmi)
{
    WMIAudit engine;
    RecordingLog log;
    engine.SetLogSink(&log);
    engine.SetRemote(true);
    engine.Run(_bstr_t("localhost"));
    ASSERT_EQ(AuditOutcome::Completed, engine.RunOutcome());
    EXPECT_TRUE(m_boxes.Texts().empty());

    WineWmi wine;
    AssetComputerImpl& r = engine.Result();
    EXPECT_EQ(wine.FirstText(L"Win32_ComputerSystem", L"Name"), r.Property(kAssetName).GetString());
    EXPECT_EQ(wine.FirstText(L"Win32_OperatingSystem", L"Caption"), r.Property(kOsDescription).GetString());
    EXPECT_EQ(wine.FirstText(L"Win32_BIOS", L"Version"), r.Property(kBiosVersion).GetString());
    EXPECT_FALSE(r.Property(kAssetName).GetString().empty());
    EXPECT_GT(r.GetRam(), 0);
    // Wine lacks these properties: their steps log the failure, not a label.
    EXPECT_FALSE(Logged(log, 0, "CPU Socket Type"));
    EXPECT_TRUE(Logged(log, 3, t_exception(_com_error(static_cast<HRESULT>(0x80041002))).what()));
    // Wine gives the chassis types as an integer array (VT_ARRAY|VT_I4), not
    // as VARIANTs: they are read all the same, and the step ends with its label.
    EXPECT_EQ("Workstation", r.Property(kAssetType).GetString());
    EXPECT_TRUE(Logged(log, 0, "Asset Type"));

    // Wine's processor lacks ExtClock and its BIOS the InstallDate: the
    // steps take the values that are there.
    EXPECT_GT(r.GetCpuSpeed(), 0);
    EXPECT_EQ(wine.FirstNumber(L"Win32_Processor", L"CurrentClockSpeed"), r.GetCpuSpeed());
    EXPECT_TRUE(Logged(log, 0, "CPU Speed (MHz)"));
    const _variant_t biosDate = r.GetBiosDate();
    EXPECT_EQ(CimDateToText(wine.FirstText(L"Win32_BIOS", L"ReleaseDate")),
              biosDate.vt == VT_BSTR ? std::string(_bstr_t(biosDate.bstrVal)) : std::string("(none)"));
    EXPECT_TRUE(Logged(log, 0, "BIOS Date"));
    // Wine describes its one fix as "Update": the list names it by its id.
    const std::string fixId = wine.FirstText(L"Win32_QuickFixEngineering", L"HotFixID");
    EXPECT_FALSE(fixId.empty());
    std::vector<std::string> hotfixes;
    for (const AssetPropertyValue& fix : r.GetHotfixes()->Values()) {
        hotfixes.push_back(fix.GetString());
    }
    EXPECT_EQ(1, std::count(hotfixes.begin(), hotfixes.end(), fixId)) << fixId;
    EXPECT_EQ(0, std::count(hotfixes.begin(), hotfixes.end(), "Update"));

    // Wine lists an adapter's IPv6 addresses first: a configuration with an
    // IPv4 address is recorded with that one and the subnet beside it.
    std::map<std::string, std::pair<std::string, std::string>> recorded;
    for (const auto& nic : r.GetNetworkAdapters()->Members()) {
        recorded[nic->Property(kNic).GetString()] = {nic->Property(kIpAddress).GetString(),
                                                     nic->Property(kSubnet).GetString()};
    }
    int withIpv4 = 0;
    for (const ISWbemObjectPtr& configuration : wine.Instances(L"Win32_NetworkAdapterConfiguration")) {
        const std::vector<std::string> addresses = WineWmi::Texts(configuration, L"IPAddress");
        const std::vector<std::string> subnets = WineWmi::Texts(configuration, L"IPSubnet");
        const auto ipv4 = std::find_if(addresses.begin(), addresses.end(),
                                       [](const std::string& a) { return a.find('.') != std::string::npos; });
        const _variant_t description = WineWmi::Value(configuration, L"Description");
        if (ipv4 == addresses.end() || description.vt != VT_BSTR) {
            continue;
        }
        ++withIpv4;
        const size_t at = static_cast<size_t>(ipv4 - addresses.begin());
        ASSERT_LT(at, subnets.size());
        EXPECT_EQ(std::make_pair(*ipv4, subnets[at]), recorded[static_cast<const char*>(_bstr_t(description.bstrVal))]);
    }
    EXPECT_GT(withIpv4, 0);

    // Collections: as many parts as Wine lists.
    EXPECT_FALSE(r.GetNetworkAdapters()->Members().empty());
    EXPECT_EQ(wine.Instances(L"Win32_LogicalDisk").size(), r.GetLogicalDrives()->Members().size());
    EXPECT_EQ(wine.Instances(L"Win32_DiskDrive").size(), r.GetStorageDevices()->Members().size());

    // The remote registry refuses "localhost" here: the three registry steps
    // that need it log the system's text for that code.
    HKEY refused = nullptr;
    const LONG code = RegConnectRegistryA("\\\\localhost", HKEY_LOCAL_MACHINE, &refused);
    ASSERT_NE(ERROR_SUCCESS, code);
    const std::string refusal = t_exception(static_cast<HRESULT>(code), static_cast<const char*>(nullptr)).what();
    const std::vector<std::string> errors = log.TextsAt(3);
    EXPECT_EQ(3, std::count(errors.begin(), errors.end(), refusal));
    EXPECT_FALSE(Logged(log, 0, "Installed Software"));
}

// The machine's own name reaches its registry through the remote registry;
// "localhost" does not.
TEST_F(WMIAuditWineTest, OwnNameReadsItsRegistryRemotely)
{
    // A 32-bit program, registered in the 32-bit view only.
    MachineUninstallEntries entries;
    ASSERT_TRUE(entries.Add(KEY_WOW64_32KEY, "KestrovaTests Remote Only32", "Remote Test Tool 32"));
    WMIAudit engine;
    RecordingLog log;
    engine.SetLogSink(&log);
    engine.SetRemote(true);
    engine.Run(_bstr_t(m_ownName.c_str()));
    ASSERT_EQ(AuditOutcome::Completed, engine.RunOutcome());
    EXPECT_TRUE(Logged(log, 0, "Installed Software"));
    EXPECT_TRUE(Logged(log, 0, "Internet Explorer Version"));
    const auto& titles = engine.Result().GetSoftware()->Members();
    EXPECT_EQ(1, std::count_if(titles.begin(), titles.end(), [](const boost::shared_ptr<AssetSoftwareImpl>& t) {
                  return t->GetId() == "KESTROVATESTS REMOTE ONLY32";
              }));

    for (const std::string& name : {m_ownName, "\\\\" + m_ownName}) {
        RegistryKey remote;
        remote.ConnectRemoteRegistry(name, HKEY_LOCAL_MACHINE, "SOFTWARE", false, KEY_READ);
        EXPECT_NE(nullptr, remote.RemoteRoot()) << name;
    }
    RegistryKey refused;
    EXPECT_THROW(refused.ConnectRemoteRegistry("localhost", HKEY_LOCAL_MACHINE, "SOFTWARE", false, KEY_READ),
                 t_exception);
    EXPECT_EQ(nullptr, refused.Handle());
}

// The probe of a computer Wine's WMI answers for, and of one it does not.
TEST_F(WMIAuditWineTest, OsTypeProbe)
{
    EXPECT_EQ(1, ProbeOsType("localhost")); // Wine names itself an NT-family system
    EXPECT_EQ(1, ProbeOsType(m_ownName));
    EXPECT_TRUE(m_boxes.Texts().empty());
    EXPECT_EQ(0, ProbeOsType("127.0.0.1"));
    ASSERT_EQ(1u, m_boxes.Texts().size()); // the refused connection, told by the probe
    EXPECT_NE("", m_boxes.Texts()[0]);
}

// The audit driver runs the WMI engine for this computer (WMI answered at
// start-up) and for a named computer of the network; one it cannot reach
// leaves the audit not completed. Hidden mode, as a log-on script runs it.
TEST_F(WMIAuditWineTest, DriverForThisComputerAndANamedOne)
{
    CleanSignatureFile();
    AppState app;
    app.m_runMode = kRunHidden;
    app.m_wmiAvailable = true;
    const std::string wineName = WineWmi().FirstText(L"Win32_ComputerSystem", L"Name");
    for (bool remote : {false, true}) {
        const std::string computer = remote ? m_ownName : ".";
        AuditDocument doc(app);
        doc.m_remote = remote;
        doc.RunAudit(computer, nullptr);
        EXPECT_EQ(AuditOutcome::Completed, doc.m_outcome) << computer;
        ASSERT_NE(nullptr, dynamic_cast<WMIAudit*>(doc.m_engine.get())) << computer;
        EXPECT_EQ(wineName, doc.m_engine->Result().Property(kAssetName).GetString()) << computer;
        std::string guid;
        ASSERT_TRUE(SignatureFile(computer, remote).Read(guid)) << computer;
        EXPECT_EQ(guid, doc.m_engine->Result().Property(kGuid).GetString()) << computer;
    }

    AuditDocument unreachable(app);
    unreachable.m_remote = true;
    unreachable.RunAudit("127.0.0.1", nullptr);
    EXPECT_FALSE(unreachable.m_completed);
    EXPECT_EQ(AuditOutcome::Unreachable, unreachable.m_outcome);
    EXPECT_TRUE(m_boxes.Texts().empty());
    CleanSignatureFile();
}

} // namespace

// The WMI engine's run: connect to the computer's WMI, then 44 steps in a
// fixed order, each of which guards itself so that a COM failure costs only
// its own data. The single-value steps live here; the collections and the
// network adapters in WMIAuditDevices.cpp, the registry steps in
// WMIAuditRegistry.cpp.
#include "audit/WMIAudit.h"

#include "asset/AssetPropertyIndex.h"
#include "audit/CimDate.h"
#include "audit/WmiAuditRules.h"
#include "common/AppHelpers.h"

using namespace AssetIMPL;

WMIAudit::WMIAudit() : m_machine(HKEY_LOCAL_MACHINE) {}

WMIAudit::WMIAudit(HKEY machine) : m_machine(machine) {}

WMIAudit::~WMIAudit()
{
    m_wmi.reset();
    m_services = nullptr;
    m_locator = nullptr;
}

IDispatchPtr WMIAudit::ConnectServer(const _bstr_t& server)
{
    m_locator = CreateWmiLocator();
    if (!m_locator) {
        _com_issue_error(E_POINTER);
    }
    return ConnectWmiServer(m_locator, server, 0);
}

void WMIAudit::Run(const _bstr_t& computer)
{
    EndRun(AuditOutcome::NotRun);
    m_result.Assign(AssetComputerImpl());
    m_wmi.reset();
    try {
        // Windows 9x cannot reach another computer's WMI: it reads itself.
        const _bstr_t server = IsWindows9x() ? _bstr_t(".") : computer;
        m_services = ConnectServer(server);
        m_wmi.reset(new WmiDispatchAccess(m_services));
    } catch (const _com_error& error) {
        // The driver tells the user: a box, or the log when unattended.
        EndRun(AuditOutcome::Unreachable, t_exception(error).what());
        return;
    }
    if (m_progressSink != nullptr) {
        m_progressSink->SetRange(kStepCount);
    }
    try {
        RunSteps(computer);
        EndRun(AuditOutcome::Completed);
    } catch (const audit_canceled&) {
        EndRun(AuditOutcome::Cancelled);
    }
}

void WMIAudit::RunSteps(const _bstr_t& computer)
{
    AuditStorageDevices();
    AuditLogicalDrives();
    AuditUserName();
    AuditNetworkAdapters();
    AuditText("Domain Name", "Win32_ComputerSystem", "Domain", m_result.Property(kDomain));
    AuditText("Asset Mfg", "Win32_ComputerSystem", "Manufacturer", m_result.Property(kManufacturer));
    AuditText("AssetName", "Win32_ComputerSystem", "Name", m_result.Property(kAssetName));
    AuditText("Asset Model", "Win32_ComputerSystem", "Model", m_result.Property(kModel));
    AuditText("Asset Model No.", "Win32_ComputerSystemProduct", "SKUNumber", m_result.Property(kModelNo));
    AuditAssetSerialNo();
    AuditAssetType();
    AuditText("Motherboard", "Win32_BaseBoard", "Product", m_result.Property(kMotherboardDescription));
    AuditText("Motherboard Mfg", "Win32_BaseBoard", "Manufacturer", m_result.Property(kMotherboardManufacturer));
    AuditText("Motherboard Serial No.", "Win32_BaseBoard", "SerialNumber", m_result.Property(kMotherboardSerialNo));
    AuditText("Motherboard Version", "Win32_BaseBoard", "Version", m_result.Property(kMotherboardVersion));
    AuditCpuCount();
    AuditText("CPU Description", "Win32_Processor", "Name", m_result.Property(kCpuDescription));
    AuditText("CPU Manufacturer", "Win32_Processor", "Manufacturer", m_result.Property(kCpuManufacturer));
    AuditText("CPU Type", "Win32_Processor", "Description", m_result.Property(kCpuType));
    AuditText("CPU Socket Type", "Win32_Processor", "SocketDesignation", m_result.Property(kCpuSocketType));
    AuditCpuSpeed();
    AuditRam();
    AuditPorts();
    AuditVideoCard();
    AuditText("Sound Card", "Win32_SoundDevice", "Caption", m_result.Property(kSoundCard));
    AuditText("MonitorDeviceID", "Win32_DesktopMonitor", "PNPDeviceID", m_result.Property(kMonitorDeviceId));
    AuditMonitor();
    AuditMonitorSerialNo(computer);
    AuditText("Keyboard", "Win32_Keyboard", "Description", m_result.Property(kKeyboardDescription));
    AuditText("Mouse", "Win32_PointingDevice", "Description", m_result.Property(kMouseDescription));
    AuditInstalledSoftware(computer);
    AuditText("BIOS", "Win32_BIOS", "Name", m_result.Property(kBiosDescription));
    AuditText("BIOS Version", "Win32_BIOS", "Version", m_result.Property(kBiosVersion));
    AuditText("BIOS Mfg", "Win32_BIOS", "Manufacturer", m_result.Property(kBiosManufacturer));
    AuditBiosDate();
    AuditText("BIOS Serial No.", "Win32_BIOS", "SerialNumber", m_result.Property(kBiosSerialNo));
    AuditText("Operating System", "Win32_OperatingSystem", "Caption", m_result.Property(kOsDescription));
    AuditText("Operating System Version", "Win32_OperatingSystem", "Version", m_result.Property(kOsVersion));
    AuditText("Operating System Service Pack Version", "Win32_OperatingSystem", "CSDVersion",
              m_result.Property(kServicePack));
    AuditOsInstallDate();
    AuditText("Operating System Serial No.", "Win32_OperatingSystem", "SerialNumber", m_result.Property(kOsSerialNo));
    AuditInternetExplorerVersion(computer);
    AuditHotfixes(computer);
    AuditPrinters();
}

void WMIAudit::LogComError(const _com_error& error)
{
    Log(3, t_exception(error).what());
}

void WMIAudit::AuditText(const char* label, const char* className, const char* property, AssetPropertyValue& target)
{
    Step(label, [&] { target.SetString(m_wmi->ReadWmiProperty(className, property)); });
}

void WMIAudit::AuditUserName()
{
    Step("Username", [&] {
        m_result.Property(kUserName).SetString(
            WmiAuditRules::UserNameWithoutDomain(m_wmi->ReadWmiProperty("Win32_ComputerSystem", "Username")));
    });
}

// The steps that read more than one value take a value the provider lacks or
// gives as NULL for 0 or "": one missing value must not cost the others (Wine
// has no ExtClock, no BIOS InstallDate and no enclosure SerialNumber).
void WMIAudit::AuditAssetSerialNo()
{
    Step("Asset Serial No.", [&] {
        std::string serial = m_wmi->ReadWmiPropertyOrEmpty("Win32_ComputerSystemProduct", "IdentifyingNumber");
        if (serial.empty()) {
            serial = m_wmi->ReadWmiPropertyOrEmpty("Win32_SystemEnclosure", "SerialNumber");
        }
        m_result.Property(kSerialNo).SetString(serial);
    });
}

// A portable chassis in any enclosure makes a laptop; otherwise the domain
// role tells servers from workstations. A failure still leaves a type.
void WMIAudit::AuditAssetType()
{
    AssetPropertyValue& type = m_result.Property(kAssetType);
    Step(
        "Asset Type",
        [&] {
            WmiObjectList enclosures;
            m_wmi->GetInstances("Win32_SystemEnclosure", enclosures);
            std::vector<int> chassisTypes;
            for (const _variant_t& enclosure : enclosures) {
                m_wmi->ReadObjectPropertyIntListIfAny(enclosure, "ChassisTypes", chassisTypes);
                for (int chassis : chassisTypes) {
                    if (WmiAuditRules::IsPortableChassis(chassis)) {
                        type.SetString("Laptop");
                        return;
                    }
                }
            }
            const int role = m_wmi->ReadWmiPropertyInt("Win32_ComputerSystem", "DomainRole");
            type.SetString(WmiAuditRules::AssetTypeFromDomainRole(role));
        },
        [&] { type.SetString("Workstation"); });
}

void WMIAudit::AuditCpuCount()
{
    Step(
        "No. of CPUs",
        [&] {
            const int count = m_wmi->ReadWmiPropertyInt("Win32_ComputerSystem", "NumberOfProcessors");
            m_result.SetCpuCount(count > 0 ? count : 1);
        },
        [&] { m_result.SetCpuCount(1); });
}

void WMIAudit::AuditCpuSpeed()
{
    Step("CPU Speed (MHz)", [&] {
        const int ext = m_wmi->ReadWmiPropertyIntOrZero("Win32_Processor", "ExtClock");
        const int current = m_wmi->ReadWmiPropertyIntOrZero("Win32_Processor", "CurrentClockSpeed");
        const int max = ext != 0 ? m_wmi->ReadWmiPropertyIntOrZero("Win32_Processor", "MaxClockSpeed") : 0;
        m_result.SetCpuSpeed(WmiAuditRules::CpuSpeed(ext, current, max));
    });
}

void WMIAudit::AuditRam()
{
    Step("RAM (MB)", [&] {
        m_result.SetRam(
            WmiAuditRules::RamMegabytes(m_wmi->ReadWmiPropertyInt64("Win32_ComputerSystem", "TotalPhysicalMemory")));
    });
}

// Four sub-steps, each with its own end-of-step check, so a failure in one
// keeps what it appended and the next still runs.
void WMIAudit::AuditPorts()
{
    boost::shared_ptr<StringCollectionImpl> ports = m_result.GetPorts();
    Step("Serial Port(s)", [&] {
        ports->Clear();
        ports->SetModified(true);
        AddDeviceIds("Win32_SerialPort", *ports);
    });
    Step("Parallel Port(s)", [&] { AddDeviceIds("Win32_ParallelPort", *ports); });
    Step("USB", [&] {
        WmiObjectList controllers;
        m_wmi->GetInstances("Win32_USBController", controllers);
        if (!controllers.empty()) {
            ports->Add("USB");
        }
    });
    Step("Firewire", [&] {
        WmiObjectList controllers;
        m_wmi->GetInstances("Win32_1394Controller", controllers);
        for (const _variant_t& controller : controllers) {
            // 12: IEEE 1394 in the CIM protocol list.
            if (m_wmi->ReadObjectPropertyIntOrZero(controller, "ProtocolSupported") == 12) {
                ports->Add("Firewire");
                break;
            }
        }
    });
}

void WMIAudit::AddDeviceIds(const char* className, StringCollectionImpl& ports)
{
    WmiObjectList devices;
    m_wmi->GetInstances(className, devices);
    for (const _variant_t& device : devices) {
        ports.Add(m_wmi->ReadObjectProperty(device, "DeviceID"));
    }
}

void WMIAudit::StoreDate(ComputerProp index, const std::string& date)
{
    _variant_t value(date.c_str());
    m_result.Property(index).SetVariant(value);
}

void WMIAudit::AuditBiosDate()
{
    Step("BIOS Date", [&] {
        std::string date = m_wmi->ReadWmiPropertyOrEmpty("Win32_BIOS", "InstallDate");
        if (date.empty()) {
            date = m_wmi->ReadWmiPropertyOrEmpty("Win32_BIOS", "ReleaseDate");
        }
        StoreDate(kBiosDate, CimDateToText(date));
    });
}

void WMIAudit::AuditOsInstallDate()
{
    Step("Operating System Install Date", [&] {
        StoreDate(kOsInstallDate, CimDateToText(m_wmi->ReadWmiProperty("Win32_OperatingSystem", "InstallDate")));
    });
}

// The description reaches the result only through GetMonitorDescription.
void WMIAudit::AuditMonitor()
{
    Step("Monitor", [&] { m_monitorDescription = m_wmi->ReadWmiProperty("Win32_DesktopMonitor", "Caption"); });
}

void WMIAudit::AuditVideoCard()
{
    Step("Video Card", [&] {
        std::string caption = m_wmi->ReadWmiProperty("Win32_VideoController", "Caption");
        if (caption.size() > 50) {
            caption.resize(50);
        }
        m_result.Property(kVideoCard).SetString(caption);
    });
}

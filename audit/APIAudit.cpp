// The Win32/registry engine and its small steps. Drives, the monitor and the
// installed software are steps of their own (DriveAudit, MonitorAudit,
// SoftwareAudit).
//
// The run stops at the first failure a step does not catch: the result keeps
// what the steps before stored, the failure's text is logged, and the caller
// sees a normal return whose outcome says the run failed. Only the Internet Explorer step logs its failure
// and goes on; the monitor step swallows its own.
#include "audit/APIAudit.h"

#include "asset/Exceptions.h"
#include "common/TextHelpers.h"
#include "audit/CpuInfo.h"
#include "audit/DriveAudit.h"
#include "audit/IpInfoHolder.h"
#include "audit/MonitorAudit.h"
#include "audit/OsVersionInfo.h"
#include "audit/RegistryKey.h"
#include "audit/SanitizeText.h"
#include "audit/SoftwareAudit.h"

#include <comdef.h>

#include <cstring>

using namespace AssetIMPL;

namespace {

const char kInternetExplorerKey[] = "SOFTWARE\\Microsoft\\Internet Explorer";
// GetStringValue's answer for a value that is not there.
const char kAbsent[] = "default value";

std::string Trimmed(std::string text)
{
    return TrimRight(TrimLeft(text));
}

} // namespace

APIAudit::APIAudit() : m_machine(HKEY_LOCAL_MACHINE) {}

APIAudit::APIAudit(HKEY machine) : m_machine(machine) {}

void APIAudit::Run(const _bstr_t&)
{
    try {
        BeginRun(kStepCount);
        AuditDrives();
        AuditUserName();
        AuditComputerName();
        AuditNetworkAdapters();
        AuditMemory();
        AuditProcessor();
        AuditMonitor();
        AuditOperatingSystem();
        AuditInternetExplorerVersion();
        AuditInstalledSoftware();
        EndRun(AuditOutcome::Completed);
    } catch (const audit_canceled&) {
        EndRun(AuditOutcome::Cancelled);
    } catch (...) {
        // The caller gets what was found so far and learns why it ends there.
        EndRunOnCurrentException();
    }
}

long APIAudit::RoundMegabytes(unsigned long long bytes)
{
    const unsigned long long megabytes = bytes >> 20;
    return static_cast<long>((megabytes + 4) & ~7ULL);
}

long APIAudit::PackageCount(long processors, int logicalPerPackage)
{
    if (logicalPerPackage > 0 && logicalPerPackage <= processors) {
        return processors / logicalPerPackage;
    }
    return processors;
}

std::string APIAudit::FormatMacAddress(const std::string& physicalAddress)
{
    std::string text = ToUpperCase(physicalAddress);
    for (char& c : text) {
        if (c == '-') {
            c = ':';
        }
    }
    return text;
}

void APIAudit::AuditDrives()
{
    Win32DriveQueries queries;
    DriveAudit::Run(m_result, queries, [this] { EndStep(); });
    Log(0, "Drive and Volume Information");
}

void APIAudit::AuditUserName()
{
    char name[261] = {};
    DWORD size = sizeof name;
    if (GetUserNameA(name, &size)) {
        name[sizeof name - 1] = '\0';
        m_result.Property(kUserName).SetString(SanitizeText(name));
    }
    Log(0, "Username");
    EndStep();
}

void APIAudit::AuditComputerName()
{
    char name[16] = {};
    DWORD size = sizeof name;
    if (GetComputerNameA(name, &size)) {
        name[sizeof name - 1] = '\0';
        m_result.Property(kAssetName).SetString(SanitizeText(name));
    }
    Log(0, "Computer Name (Description)");
    EndStep();
}

void APIAudit::AuditNetworkAdapters()
{
    IpInfoHolder ipInfo;
    m_result.Property(kDomain).SetString(ipInfo.GetText(kIpInfoDomainName));
    for (int r = 0; r < ipInfo.GetNumber(kIpInfoAdapterCount); ++r) {
        ipInfo.SelectAdapter(r + 1);
        boost::shared_ptr<NetworkAdapterImpl> adapter(new NetworkAdapterImpl());
        adapter->Property(kNic).SetString(SanitizeText(ipInfo.GetText(kIpInfoAdapterDescription)));
        adapter->Property(kIpAddress).SetString(ipInfo.GetText(kIpInfoAdapterIpAddress));
        adapter->Property(kGateway).SetString(ipInfo.GetText(kIpInfoAdapterGateway));
        adapter->Property(kDhcp).SetBool(ipInfo.GetNumber(kIpInfoAdapterDhcpEnabled) != 0);
        adapter->Property(kMacAddress).SetString(FormatMacAddress(ipInfo.GetText(kIpInfoAdapterPhysicalAddress)));
        adapter->Property(kSubnet).SetString(ipInfo.GetText(kIpInfoAdapterSubnetMask));
        m_result.GetNetworkAdapters()->Add(adapter);
    }
    Log(0, "Network Adapters");
    EndStep();
}

void APIAudit::AuditMemory()
{
    MEMORYSTATUS status = {};
    status.dwLength = sizeof status;
    GlobalMemoryStatus(&status);
    m_result.SetRam(RoundMegabytes(status.dwTotalPhys));
    Log(0, "RAM");
    EndStep();
}

void APIAudit::AuditProcessor()
{
    SYSTEM_INFO system = {};
    GetSystemInfo(&system);
    long processors = static_cast<long>(system.dwNumberOfProcessors);
    if (processors <= 0) {
        processors = 1;
    }
    CpuInfo cpu;
    if (!cpu.IsCpuidSupported()) {
        m_result.SetCpuCount(processors);
    } else {
        m_result.SetCpuCount(PackageCount(processors, cpu.GetLogicalPerPackage()));
        m_result.SetCpuSpeed(cpu.GetSpeedMHz());
        m_result.Property(kCpuManufacturer).SetString(SanitizeText(Trimmed(cpu.GetManufacturerName())));
        m_result.Property(kCpuDescription).SetString(SanitizeText(Trimmed(cpu.GetName())));
        // Composed here from numbers, so not sanitized.
        m_result.Property(kCpuType).SetString("x86 Family " + cpu.GetFamilyText() + " Model " + cpu.GetModelText() +
                                              " Stepping " + cpu.GetSteppingText());
    }
    Log(0, "CPU");
    EndStep();
}

void APIAudit::AuditMonitor()
{
    MonitorAudit::Run(m_machine, m_monitorDescription, m_monitorSerialNo);
}

void APIAudit::AuditOperatingSystem()
{
    OsVersionInfo version;
    if (version.Detect()) {
        m_result.Property(kAssetType).SetString(version.productType == kProductWorkstation ? "Workstation" : "Server");
        m_result.Property(kOsDescription).SetString(OsVersionInfo::GetOsName(version));
        m_result.Property(kServicePack)
            .SetString(std::string(version.servicePack, strnlen(version.servicePack, sizeof version.servicePack)));
        m_result.Property(kOsVersion).SetString(OsVersionInfo::GetVersionText(version));
    }
    Log(0, "Operating System Details");
    EndStep();
}

void APIAudit::AuditInternetExplorerVersion()
{
    try {
        RegistryKey key;
        key.Open(m_machine, kInternetExplorerKey, false, KEY_READ);
        std::string version;
        if (key.GetStringValue("Version", kAbsent) != kAbsent) {
            version = key.GetStringValue("Version", "");
        }
        key.Close();
        m_result.Property(kInternetExplorerVersion).SetString(version);
        Log(0, "Internet Explorer Version");
    } catch (const _com_error& error) {
        Log(3, t_exception(error).what());
    } catch (const t_exception& error) {
        Log(3, error.what());
    }
    EndStep();
}

void APIAudit::AuditInstalledSoftware()
{
    SoftwareAudit::Run(m_machine, m_result);
    Log(0, "Software");
    EndStep();
}

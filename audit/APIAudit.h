// The Win32/registry audit engine: audits the computer it runs on through
// Win32 calls, the registry, the processor's own identification and the
// IPInfo component, without WMI.
#pragma once

#include "audit/Audit.h"

#include <windows.h>

class APIAudit : public AuditEngine {
public:
    APIAudit();
    // machine stands in for HKEY_LOCAL_MACHINE in the registry steps (tests
    // point it at a key of their own); it is not owned.
    explicit APIAudit(HKEY machine);
    ~APIAudit() override = default;

    // Always audits this computer; the name is not read. Never throws: a
    // cancel or a failure ends the run, and RunOutcome tells which.
    void Run(const _bstr_t& computer) override;
    // This engine never audits another computer.
    void SetRemote(bool) override {}

    static const unsigned kStepCount = 32;

    // Whole megabytes rounded to the nearest multiple of 8, ties upward.
    static long RoundMegabytes(unsigned long long bytes);
    // Packages from the processor count and the logical processors of one.
    static long PackageCount(long processors, int logicalPerPackage);
    // Upper case with ":" between the bytes.
    static std::string FormatMacAddress(const std::string& physicalAddress);

private:
    void AuditDrives();
    void AuditUserName();
    void AuditComputerName();
    void AuditNetworkAdapters();
    void AuditMemory();
    void AuditProcessor();
    void AuditMonitor();
    void AuditOperatingSystem();
    void AuditInternetExplorerVersion();
    void AuditInstalledSoftware();

    HKEY m_machine;
};

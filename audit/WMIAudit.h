// The WMI audit engine: audits this computer or another one on the network
// through the WMI scripting objects, and through that computer's registry for
// Internet Explorer, the installed software, the hotfixes and the monitor's
// serial number.
#pragma once

#include "asset/Exceptions.h"
#include "audit/Audit.h"
#include "audit/WmiAccess.h"

#include <windows.h>

#include <memory>
#include <string>

class RegistryKey;

class WMIAudit : public AuditEngine {
public:
    WMIAudit();
    // machine stands in for this computer's HKEY_LOCAL_MACHINE in the local
    // registry steps (tests point it at a key of their own); not owned.
    explicit WMIAudit(HKEY machine);
    ~WMIAudit() override;

    // Failures inside a step are logged and the next step runs; a failed
    // connection leaves the record empty and the outcome Unreachable, with
    // the failure's text for the caller to report. Never throws _com_error or
    // audit_canceled.
    void Run(const _bstr_t& computer) override;
    // The registry steps read the named computer's registry when set.
    void SetRemote(bool remote) override { m_remote = remote; }

    static const unsigned kStepCount = 53;

protected:
    // Opens the WMI connection (SWbemServices) to the server; tests connect
    // to scripted objects instead.
    virtual IDispatchPtr ConnectServer(const _bstr_t& server);

private:
    void RunSteps(const _bstr_t& computer);

    // One step: the work, then its label at level 0; a COM failure skips the
    // label, runs onFailure and is logged at level 3. The end-of-step check
    // follows either way.
    template <class Work, class Failure>
    void Step(const char* label, Work&& work, Failure&& onFailure)
    {
        try {
            work();
            Log(0, label);
        } catch (const _com_error& error) {
            onFailure();
            LogComError(error);
        }
        EndStep();
    }
    template <class Work>
    void Step(const char* label, Work&& work)
    {
        Step(label, work, [] {});
    }
    // The same for the registry steps, whose registry failures are logged too.
    template <class Work>
    void RegistryStep(const char* label, Work&& work)
    {
        try {
            work();
            Log(0, label);
        } catch (const _com_error& error) {
            LogRegistryError(error);
        } catch (const t_exception& error) {
            LogRegistryError(error);
        }
        EndStep();
    }

    // A step that stores one text of the first instance of a class.
    void AuditText(const char* label, const char* className, const char* property, AssetPropertyValue& target);
    void LogComError(const _com_error& error);

    // Steps of more than one value or with rules of their own.
    void AuditUserName();
    void AuditAssetSerialNo();
    void AuditAssetType();
    void AuditCpuCount();
    void AuditCpuSpeed();
    void AuditRam();
    void AuditPorts();
    void AuditBiosDate();
    void AuditOsInstallDate();
    void AuditMonitor();
    void AuditVideoCard();
    void AddDeviceIds(const char* className, AssetIMPL::StringCollectionImpl& ports);
    void StoreDate(AssetIMPL::ComputerProp index, const std::string& date);

    // WMIAuditDevices.cpp
    void AuditStorageDevices();
    void StoreDeviceId(const _variant_t& device, AssetPropertyVector& p);
    void AuditLogicalDrives();
    void AuditPrinters();
    void AuditNetworkAdapters();
    void ExecAdapterQuery(WmiObjectList& adapters);

    // WMIAuditRegistry.cpp
    void OpenKey(RegistryKey& key, const std::string& computer, const std::string& path);
    void AuditInternetExplorerVersion(const _bstr_t& computer);
    void AuditInstalledSoftware(const _bstr_t& computer);
    void AuditHotfixes(const _bstr_t& computer);
    void AuditMonitorSerialNo(const _bstr_t& computer);
    void LogRegistryError(const _com_error& error);
    void LogRegistryError(const t_exception& error);

    HKEY m_machine;
    IDispatchPtr m_locator;
    IDispatchPtr m_services;
    std::unique_ptr<WmiAccess> m_wmi;
    bool m_remote = false;
};

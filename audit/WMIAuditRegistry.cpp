// The WMI engine's four registry steps: Internet Explorer's version, the
// installed software and the hotfixes from the Uninstall entries, and the
// monitor's serial number from its EDID block. In remote mode they read the
// audited computer's registry through the remote registry service; Windows
// 9x always reads itself. A registry or COM failure ends the step with its
// text at level 3.
#include "audit/WMIAudit.h"

#include "asset/AssetPropertyIndex.h"
#include "audit/AuditConstants.h"
#include "audit/EdidSerial.h"
#include "audit/RegistryKey.h"
#include "audit/SanitizeText.h"
#include "audit/SoftwareAudit.h"
#include "audit/WmiAuditRules.h"
#include "common/AppHelpers.h"

#include <set>

using namespace AssetIMPL;

namespace {

const char kInternetExplorerKey[] = "SOFTWARE\\Microsoft\\Internet Explorer";
const char kDefaultMarker[] = "default value";
const char k9xMonitorRoot[] = "Enum\\MONITOR";
const char kNtDisplayRoot[] = "SYSTEM\\CurrentControlSet\\Enum\\DISPLAY";

} // namespace

void WMIAudit::OpenKey(RegistryKey& key, const std::string& computer, const std::string& path)
{
    if (m_remote && !IsWindows9x()) {
        key.ConnectRemoteRegistry(computer, HKEY_LOCAL_MACHINE, path, false, KEY_READ);
    } else {
        key.Open(m_machine, path, false, KEY_READ);
    }
}

void WMIAudit::LogRegistryError(const _com_error& error)
{
    LogRegistryError(t_exception(error));
}

void WMIAudit::LogRegistryError(const t_exception& error)
{
    Log(3, error.what());
}

void WMIAudit::AuditInternetExplorerVersion(const _bstr_t& computer)
{
    RegistryStep("Internet Explorer Version", [&] {
        RegistryKey key;
        OpenKey(key, BstrToString(computer), kInternetExplorerKey);
        std::string version;
        if (key.GetStringValue("Version", kDefaultMarker) != kDefaultMarker) {
            version = key.GetStringValue("Version", "");
        }
        key.Close();
        m_result.Property(kInternetExplorerVersion).SetString(version);
    });
}

// Hotfix entries never become software; an entry that only looks like one
// counts unless it carries the "@" value of a hotfix. Equal title, maker and
// version are recorded once. Entries of both registry views are opened below
// the Uninstall key, also in the remote registry, which is connected once for
// the step.
void WMIAudit::AuditInstalledSoftware(const _bstr_t& computer)
{
    RegistryStep("Installed Software", [&] {
        RegistryKey uninstall;
        OpenKey(uninstall, BstrToString(computer), AuditConstants::kUninstallKey);
        const HKEY machine = uninstall.RemoteRoot() != nullptr ? uninstall.RemoteRoot() : m_machine;
        SoftwareTitleList titles(*m_result.GetSoftware());
        try {
            SoftwareAudit::ForEachEntry(machine, uninstall, [&](const std::string& entry, RegistryKey& key) {
                if (WmiAuditRules::IsHotfixName(entry)) {
                    return;
                }
                boost::shared_ptr<AssetSoftwareImpl> title = SoftwareAudit::TitleFromEntry(entry, key);
                if (title) {
                    titles.AddUnlessListed(title);
                }
            });
        } catch (...) {
            titles.Flush();
            throw;
        }
        titles.Flush();
    });
}

// Windows 9x lists its hotfixes in the Uninstall key in enumeration order;
// Windows 2000 before Service Pack 3 keeps them only there as Q numbers; any
// later system reports them through WMI, each by its description unless that
// fails to name the fix. The last two are sorted and unique.
void WMIAudit::AuditHotfixes(const _bstr_t& computer)
{
    RegistryStep("Operating System Hotfixes", [&] {
        boost::shared_ptr<StringCollectionImpl> hotfixes = m_result.GetHotfixes();
        hotfixes->Clear();
        hotfixes->SetModified(true);
        if (IsWindows9x()) {
            RegistryKey uninstall;
            uninstall.Open(m_machine, AuditConstants::kUninstallKey, false, KEY_READ);
            std::vector<std::string> entries;
            uninstall.GetSubKeyNames(entries);
            for (const std::string& entry : entries) {
                RegistryKey key;
                key.Open(uninstall.Handle(), entry, false, KEY_READ);
                if (WmiAuditRules::IsHotfixName(entry)) {
                    const std::string displayName = key.GetStringValue("DisplayName", "");
                    hotfixes->Add(SanitizeText(displayName.empty() ? entry : displayName));
                }
            }
            return;
        }
        std::set<std::string> found;
        if (WmiAuditRules::IsWindows2000BeforeSp3(m_result.Property(kOsDescription).GetString(),
                                                  m_result.Property(kServicePack).GetString())) {
            RegistryKey uninstall;
            OpenKey(uninstall, BstrToString(computer), AuditConstants::kUninstallKey);
            std::vector<std::string> entries;
            uninstall.GetSubKeyNames(entries);
            for (const std::string& entry : entries) {
                RegistryKey key;
                key.Open(uninstall.Handle(), entry, false, KEY_READ);
                if (WmiAuditRules::IsQHotfixName(entry)) {
                    found.insert(entry);
                }
            }
        } else {
            WmiObjectList fixes;
            m_wmi->GetInstances("Win32_QuickFixEngineering", fixes);
            for (const _variant_t& fix : fixes) {
                found.insert(WmiAuditRules::HotfixText(m_wmi->ReadObjectProperty(fix, "Description"),
                                                       m_wmi->ReadObjectProperty(fix, "HotFixID")));
            }
        }
        for (const std::string& text : found) {
            hotfixes->Add(text);
        }
        hotfixes->SetModified(true);
    });
}

// The first EDID 1.x block in enumeration order decides, even when its text
// is empty. The step has no label and no end-of-step check of its own.
void WMIAudit::AuditMonitorSerialNo(const _bstr_t& computer)
{
    try {
        const std::string name = BstrToString(computer);
        m_monitorSerialNo.clear();
        const bool windows9x = IsWindows9x();
        const std::string base = windows9x ? k9xMonitorRoot : kNtDisplayRoot;
        RegistryKey baseKey;
        OpenKey(baseKey, name, base);
        std::vector<std::string> classes;
        baseKey.GetSubKeyNames(classes);
        for (const std::string& deviceClass : classes) {
            RegistryKey classKey;
            OpenKey(classKey, name, base + "\\" + deviceClass);
            std::vector<std::string> instances;
            classKey.GetSubKeyNames(instances);
            for (const std::string& instance : instances) {
                std::string path = base + "\\" + deviceClass + "\\" + instance;
                if (!windows9x) {
                    path += "\\Device Parameters";
                }
                RegistryKey device;
                OpenKey(device, name, path);
                std::vector<char> edid;
                const bool read = device.GetBinaryValue("EDID", edid);
                device.Close();
                if (!read) {
                    continue;
                }
                // Blocks too short for what their revision names are passed
                // over like blocks of another version.
                const EdidSerial serial =
                    ReadEdidSerial(reinterpret_cast<const unsigned char*>(edid.data()), edid.size());
                if (serial.outcome != EdidOutcome::Decided) {
                    continue;
                }
                m_monitorSerialNo = SanitizeText(serial.serial);
                return;
            }
        }
    } catch (const _com_error& error) {
        LogRegistryError(error);
    } catch (const t_exception& error) {
        LogRegistryError(error);
    }
}

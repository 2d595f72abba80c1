// The WMI engine's steps that turn every instance of a class into a part of
// the record: storage devices (four classes), logical drives, printers and
// the IP-enabled network adapters. A COM failure ends that class's listing:
// the parts already added stay, the one being built is dropped.
#include "audit/WMIAudit.h"

#include "asset/AssetPropertyIndex.h"
#include "audit/AuditConstants.h"
#include "audit/WmiAuditRules.h"

using namespace AssetIMPL;

namespace {

const char kAdapterQuery[] = "select IPAddress, IPSubnet, DefaultIPGateway, MACAddress, Description, DHCPEnabled from "
                             "Win32_NetworkAdapterConfiguration where IPEnabled=-1";
const char kAdapterQueryBooleanLiteral[] =
    "select IPAddress, IPSubnet, DefaultIPGateway, MACAddress, Description, DHCPEnabled from "
    "Win32_NetworkAdapterConfiguration where IPEnabled=TRUE";
const HRESULT kWbemInvalidQuery = static_cast<HRESULT>(0x80041017);

// The first non-empty element of an array property; a failed read costs only
// this one value (a NULL array, such as a missing gateway, is normal).
void StoreFirstText(WmiAccess& wmi, const _variant_t& object, const char* name, AssetPropertyValue& target)
{
    try {
        std::vector<std::string> texts;
        wmi.ReadObjectPropertyTextList(object, name, texts);
        if (!texts.empty()) {
            target.SetString(texts.front());
        }
    } catch (const _com_error&) {
    }
}

// Every element of an array property; a failed read (a NULL array) gives
// none and costs only this one list.
std::vector<std::string> ElementTexts(WmiAccess& wmi, const _variant_t& object, const char* name)
{
    std::vector<std::string> texts;
    try {
        wmi.ReadObjectPropertyElementTexts(object, name, texts);
    } catch (const _com_error&) {
        texts.clear();
    }
    return texts;
}

} // namespace

void WMIAudit::AuditStorageDevices()
{
    boost::shared_ptr<StorageDeviceCollection> devices = m_result.GetStorageDevices();
    Step("CD Drive", [&] {
        WmiObjectList drives;
        m_wmi->GetInstances("Win32_CDROMDrive", drives);
        for (const _variant_t& drive : drives) {
            boost::shared_ptr<StorageDeviceImpl> device(new StorageDeviceImpl());
            AssetPropertyVector& p = device->Properties();
            const std::string caption = m_wmi->ReadObjectProperty(drive, "Caption");
            p[kStorageDeviceDescription].SetString(caption);
            p[kStorageDeviceType].SetString(WmiAuditRules::CdDriveType(caption));
            StoreDeviceId(drive, p);
            devices->Add(device);
        }
    });
    Step("Disk Drive", [&] {
        WmiObjectList disks;
        m_wmi->GetInstances("Win32_DiskDrive", disks);
        for (const _variant_t& disk : disks) {
            boost::shared_ptr<StorageDeviceImpl> device(new StorageDeviceImpl());
            AssetPropertyVector& p = device->Properties();
            p[kStorageDeviceDescription].SetString(m_wmi->ReadObjectProperty(disk, "Caption"));
            p[kStorageDeviceInterface].SetString(m_wmi->ReadObjectProperty(disk, "InterfaceType"));
            p[kStorageDeviceType].SetString(WmiAuditRules::DiskDriveType(m_wmi->ReadObjectProperty(disk, "MediaType")));
            p[kStorageDeviceSize].SetLong(WmiAuditRules::Megabytes(m_wmi->ReadObjectPropertyInt64(disk, "Size")));
            p[kStorageDeviceId].SetString(m_wmi->ReadObjectProperty(disk, "PNPDeviceID"));
            devices->Add(device);
        }
    });
    Step("Tape Drive", [&] {
        WmiObjectList tapes;
        m_wmi->GetInstances("Win32_TapeDrive", tapes);
        for (const _variant_t& tape : tapes) {
            boost::shared_ptr<StorageDeviceImpl> device(new StorageDeviceImpl());
            AssetPropertyVector& p = device->Properties();
            p[kStorageDeviceDescription].SetString(m_wmi->ReadObjectProperty(tape, "Caption"));
            p[kStorageDeviceType].SetString(AuditConstants::kTapeDrive);
            device->SetSize(WmiAuditRules::Megabytes(m_wmi->ReadObjectPropertyInt64(tape, "MaxMediaSize")));
            StoreDeviceId(tape, p);
            devices->Add(device);
        }
    });
    Step("Floppy Drive", [&] {
        WmiObjectList floppies;
        m_wmi->GetInstances("Win32_FloppyDrive", floppies);
        for (const _variant_t& floppy : floppies) {
            boost::shared_ptr<StorageDeviceImpl> device(new StorageDeviceImpl());
            AssetPropertyVector& p = device->Properties();
            const std::string caption = m_wmi->ReadObjectProperty(floppy, "Caption");
            p[kStorageDeviceDescription].SetString(caption);
            p[kStorageDeviceType].SetString(WmiAuditRules::FloppyDriveType(caption));
            StoreDeviceId(floppy, p);
            devices->Add(device);
        }
    });
}

// The device's PNP id, and the interface it names.
void WMIAudit::StoreDeviceId(const _variant_t& device, AssetPropertyVector& p)
{
    const std::string pnp = m_wmi->ReadObjectProperty(device, "PNPDeviceID");
    p[kStorageDeviceId].SetString(pnp);
    p[kStorageDeviceInterface].SetString(WmiAuditRules::PnpInterface(pnp));
}

// Sizes only for local disks (3) and network drives (4); every drive is
// listed whatever its type.
void WMIAudit::AuditLogicalDrives()
{
    boost::shared_ptr<LogicalDriveCollection> drives = m_result.GetLogicalDrives();
    Step("Logical Drives(s)", [&] {
        WmiObjectList disks;
        m_wmi->GetInstances("Win32_LogicalDisk", disks);
        for (const _variant_t& disk : disks) {
            boost::shared_ptr<LogicalDriveImpl> drive(new LogicalDriveImpl());
            AssetPropertyVector& p = drive->Properties();
            drive->SetDriveLetter(WmiAuditRules::DriveLetterFromName(m_wmi->ReadObjectProperty(disk, "Name")));
            // A drive whose type is NULL is listed as of unknown type (0).
            const int type = m_wmi->ReadObjectPropertyIntOrZero(disk, "DriveType");
            if (type == 3 || type == 4) {
                p[kLogicalDriveFreeSpace].SetLong(
                    WmiAuditRules::Megabytes(m_wmi->ReadObjectPropertyInt64(disk, "FreeSpace")));
                p[kLogicalDriveTotalSize].SetLong(
                    WmiAuditRules::Megabytes(m_wmi->ReadObjectPropertyInt64(disk, "Size")));
            }
            p[kNetworkDrive].SetBool(type == 4);
            if (p[kNetworkDrive].GetBool()) {
                p[kLogicalDrivePath].SetString(m_wmi->ReadObjectProperty(disk, "ProviderName"));
            }
            p[kLogicalDriveFileSystem].SetString(m_wmi->ReadObjectProperty(disk, "FileSystem"));
            drives->Add(drive);
        }
    });
}

void WMIAudit::AuditPrinters()
{
    boost::shared_ptr<StringCollectionImpl> printers = m_result.GetPrinters();
    Step("Printer(s)", [&] {
        printers->Clear();
        printers->SetModified(true);
        WmiObjectList list;
        m_wmi->GetInstances("Win32_Printer", list);
        for (const _variant_t& printer : list) {
            printers->Add(m_wmi->ReadObjectProperty(printer, "Caption"));
        }
    });
}

// Wine's WMI rejects the numeric boolean "IPEnabled=-1" (WBEM_E_INVALID_QUERY)
// that Windows takes: only then is the query asked with the literal TRUE.
void WMIAudit::ExecAdapterQuery(WmiObjectList& adapters)
{
    try {
        m_wmi->ExecWqlQuery(kAdapterQuery, adapters);
    } catch (const _com_error& error) {
        if (error.Error() != kWbemInvalidQuery) {
            throw;
        }
        adapters.clear();
        m_wmi->ExecWqlQuery(kAdapterQueryBooleanLiteral, adapters);
    }
}

void WMIAudit::AuditNetworkAdapters()
{
    boost::shared_ptr<NetworkAdapterCollection> collection = m_result.GetNetworkAdapters();
    Step("Network Adapter(s)", [&] {
        WmiObjectList adapters;
        ExecAdapterQuery(adapters);
        for (const _variant_t& adapter : adapters) {
            boost::shared_ptr<NetworkAdapterImpl> part(new NetworkAdapterImpl());
            AssetPropertyVector& p = part->Properties();
            p[kNic].SetString(m_wmi->ReadObjectProperty(adapter, "Description"));
            p[kMacAddress].SetString(m_wmi->ReadObjectProperty(adapter, "MACAddress"));
            const WmiAuditRules::AdapterAddress address = WmiAuditRules::ChooseAdapterAddress(
                ElementTexts(*m_wmi, adapter, "IPAddress"), ElementTexts(*m_wmi, adapter, "IPSubnet"));
            p[kIpAddress].SetString(address.address);
            StoreFirstText(*m_wmi, adapter, "DefaultIPGateway", p[kGateway]);
            p[kSubnet].SetString(address.subnet);
            p[kDhcp].SetBool(m_wmi->ReadObjectProperty(adapter, "DHCPEnabled") != "0");
            collection->Add(part);
        }
    });
}

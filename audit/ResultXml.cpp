// The result XML of one audited computer.
//
// Element and attribute order and empty list elements are what the asset
// server's reader expects; the audit values were sanitized already, so a "<"
// from the machine arrives as "&lt;" and is escaped once more here. The
// values are texts of the system's ANSI code page (registry, form, command
// line); the document says UTF-8, so each one is converted on the way in.
#include "audit/ResultXml.h"

#include "asset/Exceptions.h"
#include "common/AppHelpers.h"
#include "common/TextHelpers.h"
#include "common/XmlDocument.h"

#include <comdef.h>

using namespace AssetIMPL;

namespace {

const char kDeclaration[] = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";

class ResultWriter {
public:
    explicit ResultWriter(XmlDocument& doc) : m_doc(doc) {}

    // A new child of the current element; attributes then go to it.
    void Begin(const char* name, const std::string& text = std::string())
    {
        m_doc.AddElement(name, AnsiToUtf8(text).c_str(), true);
    }
    void Text(const char* name, const std::string& value)
    {
        m_doc.SetAttributeAt(m_doc.GetChildPos(), name, AnsiToUtf8(value).c_str());
    }
    void Text(const char* name, const AssetPropertyValue& value) { Text(name, value.GetString()); }
    void Number(const char* name, const AssetPropertyValue& value)
    {
        m_doc.SetNumberAttributeAt(m_doc.GetChildPos(), name, static_cast<int32_t>(value.GetLong()));
    }
    void Flag(const char* name, const AssetPropertyValue& value)
    {
        m_doc.SetNumberAttributeAt(m_doc.GetChildPos(), name, value.GetBool() ? 1 : 0);
    }
    void Date(const char* name, const AssetPropertyValue& value)
    {
        VARIANT copy;
        VariantInit(&copy);
        HRESULT hr = VariantCopy(&copy, const_cast<VARIANT*>(&value.GetVariant()));
        if (FAILED(hr)) {
            _com_issue_error(hr);
        }
        Text(name, FormatVariantDate(copy, false));
    }
    void Into() { m_doc.IntoElement(); }
    void Out() { m_doc.OutOfElement(); }

    // A list element with one text element per entry.
    void TextList(const char* list, const char* item, const StringCollectionImpl& values)
    {
        Begin(list);
        Into();
        for (const AssetPropertyValue& value : values.Values()) {
            Begin(item, value.GetString());
        }
        Out();
    }

private:
    XmlDocument& m_doc;
};

} // namespace

std::string BuildResultXml(Audit& engine, const std::string& formatVersion)
{
    AssetComputerImpl& pc = engine.Result();
    XmlDocument doc;
    doc.SetDocument(kDeclaration);
    doc.AddElement("Kestrova", nullptr, false);
    ResultWriter w(doc);

    w.Begin("Version", formatVersion);
    w.Begin("GUID", pc.GetGuid());

    w.Begin("Description");
    w.Text("name", pc.Property(kAssetName));
    w.Text("username", pc.Property(kUserName));
    w.Text("mfg", pc.Property(kManufacturer));
    w.Text("model", pc.Property(kModel));
    w.Text("modelno", pc.Property(kModelNo));
    w.Text("serialno", pc.Property(kSerialNo));
    w.Text("type", pc.Property(kAssetType));

    w.Begin("AssetUser");
    w.Text("fname", engine.GetUserFirstName());
    w.Text("minit", engine.GetUserMiddleInitial());
    w.Text("lname", engine.GetUserLastName());

    w.Begin("UserEntered");
    w.Text("location", pc.Property(kLocation));
    w.Text("department", pc.Property(kDepartment));
    w.Text("office", pc.Property(kOffice));
    w.Text("oemid", pc.Property(kOemId));
    w.Text("invno", pc.Property(kAssetTag));
    w.Text("keyno", pc.Property(kKeyboardSerialNo));
    w.Text("mouseno", pc.Property(kMouseSerialNo));

    w.Begin("NetworkAdapters");
    w.Text("Domain", pc.Property(kDomain));
    w.Into();
    for (const auto& nic : pc.GetNetworkAdapters()->Members()) {
        w.Begin("NIC");
        w.Text("ip", nic->Property(kIpAddress));
        w.Text("mac", nic->GetMacAddress());
        w.Text("gw", nic->Property(kGateway));
        w.Text("sub", nic->Property(kSubnet));
        w.Flag("dhcp", nic->Property(kDhcp));
        w.Text("desc", nic->Property(kNic));
    }
    w.Out();

    w.Begin("Modems");
    w.Into();
    w.Begin("Modem", pc.Property(kModem).GetString());
    w.Out();

    w.Begin("Motherboard");
    w.Text("desc", pc.Property(kMotherboardDescription));
    w.Text("mfg", pc.Property(kMotherboardManufacturer));
    w.Text("sn", pc.Property(kMotherboardSerialNo));
    w.Text("version", pc.Property(kMotherboardVersion));
    w.Number("ram", pc.Property(kRam));

    w.TextList("Ports", "Port", *pc.GetPorts());

    w.Begin("CPU");
    w.Text("desc", pc.Property(kCpuDescription));
    w.Text("mfg", pc.Property(kCpuManufacturer));
    w.Text("type", pc.Property(kCpuType));
    w.Number("speed", pc.Property(kCpuSpeed));
    w.Text("socket", pc.Property(kCpuSocketType));
    w.Number("no", pc.Property(kCpuNo));

    w.Begin("BIOS");
    w.Text("desc", pc.Property(kBiosDescription));
    w.Text("mfg", pc.Property(kBiosManufacturer));
    w.Text("version", pc.Property(kBiosVersion));
    w.Date("date", pc.Property(kBiosDate));
    w.Text("sn", pc.Property(kBiosSerialNo));

    w.Begin("InOut");
    w.Text("kb", pc.Property(kKeyboardDescription));
    w.Text("kbsn", pc.Property(kKeyboardSerialNo));
    w.Text("mouse", pc.Property(kMouseDescription));
    w.Text("mousesn", pc.Property(kMouseSerialNo));
    w.Text("monitorid", pc.Property(kMonitorDeviceId));
    w.Text("vid", pc.Property(kVideoCard));
    w.Text("audio", pc.Property(kSoundCard));
    w.Text("monitordesc", engine.GetMonitorDescription());
    w.Text("monitorsn", engine.GetMonitorSerialNo());

    w.Begin("StorageDevices");
    w.Into();
    for (const auto& device : pc.GetStorageDevices()->Members()) {
        w.Begin("Device");
        w.Text("id", device->GetId());
        w.Text("desc", device->Property(kStorageDeviceDescription));
        w.Text("type", device->Property(kStorageDeviceType));
        w.Text("interface", device->Property(kStorageDeviceInterface));
        w.Number("size", device->Property(kStorageDeviceSize));
    }
    w.Out();

    w.Begin("LogicalDrives");
    w.Into();
    for (const auto& drive : pc.GetLogicalDrives()->Members()) {
        w.Begin("Drive");
        w.Text("id", drive->Property(kLogicalDriveLetter));
        w.Text("fs", drive->Property(kLogicalDriveFileSystem));
        w.Number("freespace", drive->Property(kLogicalDriveFreeSpace));
        w.Number("totalsize", drive->Property(kLogicalDriveTotalSize));
        w.Flag("netdrive", drive->Property(kNetworkDrive));
        w.Text("unc", drive->Property(kLogicalDrivePath));
    }
    w.Out();

    w.TextList("Printers", "Printer", *pc.GetPrinters());

    w.Begin("OS");
    w.Text("desc", pc.Property(kOsDescription));
    w.Text("version", pc.Property(kOsVersion));
    w.Date("date", pc.Property(kOsInstallDate));
    w.Text("sn", pc.Property(kOsSerialNo));
    w.Text("sp", pc.Property(kServicePack));
    w.Text("ie", pc.Property(kInternetExplorerVersion));

    w.TextList("Hotfixes", "Hotfix", *pc.GetHotfixes());

    w.Begin("Software");
    w.Into();
    for (const auto& title : pc.GetSoftware()->Members()) {
        w.Begin("Title");
        w.Text("id", title->GetId());
        w.Text("desc", title->Property(kSoftwareDescription));
        w.Text("mfg", title->Property(kSoftwareManufacturer));
        w.Text("version", title->Property(kSoftwareVersion));
    }
    w.Out();

    return doc.IsWellFormed() ? doc.GetDocument() : std::string();
}

// The results page reads the result, never changes it. Each handler writes
// one value or answers one condition; the list sections walk a cursor per
// list (Has... answers whether the cursor is on an element, Next... moves it).
// Every value goes out as page text (markup characters as entities): a
// program's name or a result read back from a file may hold anything.

#include "app/ResultsTagReplacer.h"

#include "audit/Audit.h"
#include "audit/AuditDocument.h"

#include <windows.h>
#include <oleauto.h>

using namespace AssetIMPL;

namespace {

std::string Narrow(BSTR text)
{
    if (text == nullptr) {
        return std::string();
    }
    int length = static_cast<int>(SysStringLen(text));
    int bytes = WideCharToMultiByte(CP_ACP, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_ACP, 0, text, length, &narrow[0], bytes, nullptr, nullptr);
    return narrow;
}

// The named formats of VarFormatDateTime.
const int kLongDate = 1;
const int kShortDate = 2;
// VarFormatNumber's "use the user's default" for its yes/no options.
const int kUseDefault = -2;

} // namespace

std::string FormatVariantDate(const _variant_t& date, bool longForm)
{
    if (date.vt == VT_EMPTY || date.vt == VT_NULL) {
        return std::string();
    }
    _variant_t copy(date);
    BSTR formatted = nullptr;
    std::string text;
    if (SUCCEEDED(VarFormatDateTime(&copy, longForm ? kLongDate : kShortDate, 0, &formatted))) {
        text = Narrow(formatted);
    }
    SysFreeString(formatted);
    copy.Clear();
    return text;
}

std::string FormatLongValue(long value, bool localeForm)
{
    std::string digits = std::to_string(static_cast<int32_t>(value));
    if (!localeForm) {
        return digits;
    }
    _variant_t number(digits.c_str());
    BSTR formatted = nullptr;
    std::string text;
    if (SUCCEEDED(VarFormatNumber(&number, 0, kUseDefault, kUseDefault, kUseDefault, 0, &formatted))) {
        text = Narrow(formatted);
    }
    SysFreeString(formatted);
    return text;
}

template <class Collection>
void ResultsTagReplacer::ObjectCursor<Collection>::Reset(const boost::shared_ptr<Collection>& list)
{
    collection = list;
    index = 0;
    current.reset();
    if (Has()) {
        current = collection->Members()[0];
    }
}

template <class Collection>
bool ResultsTagReplacer::ObjectCursor<Collection>::Has() const
{
    return collection && index < static_cast<int>(collection->Members().size());
}

template <class Collection>
void ResultsTagReplacer::ObjectCursor<Collection>::Next()
{
    ++index;
    if (Has()) {
        current = collection->Members()[static_cast<size_t>(index)];
    }
}

bool ResultsTagReplacer::TextCursor::Has() const
{
    return list && index >= 0 && index < static_cast<int>(list->Values().size());
}

std::string ResultsTagReplacer::TextCursor::Current() const
{
    return Has() ? list->Values()[static_cast<size_t>(index)].GetString() : std::string();
}

bool ResultsTagReplacer::Start()
{
    m_engine = m_document.m_engine.get();
    if (m_engine == nullptr) {
        m_lastError = "There are no audit results to show.";
        return false;
    }
    AssetComputerImpl& pc = m_engine->Result();
    m_adapters.Reset(pc.GetNetworkAdapters());
    m_storageDevices.Reset(pc.GetStorageDevices());
    m_logicalDrives.Reset(pc.GetLogicalDrives());
    m_printers = TextCursor{pc.GetPrinters(), 0};
    m_hotfixes = TextCursor{pc.GetHotfixes(), 0};
    m_software.Reset(pc.GetSoftware());
    return true;
}

// Built once, on first use, and shared by every replacer.
const ResultsTagReplacer::Tag* ResultsTagReplacer::Tags(int& count)
{
    static const Tag kTags[] = {
#define KES_RESULTS_TAG(name) {#name, &ResultsTagReplacer::Tag##name},
#include "app/ResultsTags.inc"
#undef KES_RESULTS_TAG
    };
    count = static_cast<int>(sizeof(kTags) / sizeof(kTags[0]));
    return kTags;
}

int ResultsTagReplacer::FindHandler(const std::string& name) const
{
    int count = 0;
    const Tag* tags = Tags(count);
    for (int i = 0; i < count; ++i) {
        if (name == tags[i].name) {
            return i;
        }
    }
    return -1;
}

bool ResultsTagReplacer::CallHandler(int handler, TemplateOutputStream& out)
{
    int count = 0;
    const Tag* tags = Tags(count);
    if (handler < 0 || handler >= count || m_engine == nullptr) {
        return false;
    }
    return (this->*tags[handler].handler)(out);
}

std::string ResultsTagReplacer::FormatDate(const _variant_t& date, bool longForm)
{
    return FormatVariantDate(date, longForm);
}

std::string ResultsTagReplacer::FormatNumber(long value, bool localeForm)
{
    return FormatLongValue(value, localeForm);
}

AssetComputerImpl& ResultsTagReplacer::Computer() const
{
    return m_engine->Result();
}

bool ResultsTagReplacer::Write(TemplateOutputStream& out, const std::string& text)
{
    WriteHtmlText(out, text);
    return true;
}

bool ResultsTagReplacer::Generic(TemplateOutputStream& out, GenericProp index)
{
    return Write(out, Computer().Property(index).GetString());
}

bool ResultsTagReplacer::Own(TemplateOutputStream& out, ComputerProp index)
{
    return Write(out, Computer().Property(index).GetString());
}

#define KES_GENERIC_TAG(name, index)                                                                                   \
    bool ResultsTagReplacer::Tag##name(TemplateOutputStream& out)                                                      \
    {                                                                                                                  \
        return Generic(out, index);                                                                                    \
    }
#define KES_COMPUTER_TAG(name, index)                                                                                  \
    bool ResultsTagReplacer::Tag##name(TemplateOutputStream& out)                                                      \
    {                                                                                                                  \
        return Own(out, index);                                                                                        \
    }
#define KES_PART_TAG(name, cursor, index)                                                                              \
    bool ResultsTagReplacer::Tag##name(TemplateOutputStream& out)                                                      \
    {                                                                                                                  \
        return cursor.current ? Write(out, cursor.current->Property(index).GetString()) : true;                        \
    }
#define KES_PART_SIZE_TAG(name, cursor, index)                                                                         \
    bool ResultsTagReplacer::Tag##name(TemplateOutputStream& out)                                                      \
    {                                                                                                                  \
        return cursor.current ? Write(out, FormatNumber(cursor.current->Property(index).GetLong(), true)) : true;      \
    }
#define KES_CURSOR_TAGS(has, next, cursor)                                                                             \
    bool ResultsTagReplacer::Tag##has(TemplateOutputStream&)                                                           \
    {                                                                                                                  \
        return cursor.Has();                                                                                           \
    }                                                                                                                  \
    bool ResultsTagReplacer::Tag##next(TemplateOutputStream&)                                                          \
    {                                                                                                                  \
        cursor.Next();                                                                                                 \
        return true;                                                                                                   \
    }

KES_GENERIC_TAG(AssetTag, kAssetTag)
KES_GENERIC_TAG(OEMID, kOemId)
KES_GENERIC_TAG(AssetName, kAssetName)
KES_GENERIC_TAG(AssetType, kAssetType)
KES_GENERIC_TAG(Location, kLocation)
KES_GENERIC_TAG(Office, kOffice)
KES_GENERIC_TAG(Department, kDepartment)
KES_GENERIC_TAG(UserName, kUserName)
KES_GENERIC_TAG(Manufacturer, kManufacturer)
KES_GENERIC_TAG(Model, kModel)
KES_GENERIC_TAG(ModelNo, kModelNo)
KES_GENERIC_TAG(SerialNo, kSerialNo)

KES_COMPUTER_TAG(Domain, kDomain)
KES_COMPUTER_TAG(MotherboardDescription, kMotherboardDescription)
KES_COMPUTER_TAG(MotherboardManufacturer, kMotherboardManufacturer)
KES_COMPUTER_TAG(MotherboardSerialNo, kMotherboardSerialNo)
KES_COMPUTER_TAG(MotherboardVersion, kMotherboardVersion)
KES_COMPUTER_TAG(CPUDescription, kCpuDescription)
KES_COMPUTER_TAG(CPUManufacturer, kCpuManufacturer)
KES_COMPUTER_TAG(CPUType, kCpuType)
KES_COMPUTER_TAG(CPUSocketType, kCpuSocketType)
KES_COMPUTER_TAG(VideoCard, kVideoCard)
KES_COMPUTER_TAG(KeyboardDescription, kKeyboardDescription)
KES_COMPUTER_TAG(KeyboardSerialNo, kKeyboardSerialNo)
KES_COMPUTER_TAG(MouseDescription, kMouseDescription)
KES_COMPUTER_TAG(MouseSerialNo, kMouseSerialNo)
KES_COMPUTER_TAG(BIOSDescription, kBiosDescription)
KES_COMPUTER_TAG(BIOSVersion, kBiosVersion)
KES_COMPUTER_TAG(BIOSManufacturer, kBiosManufacturer)
KES_COMPUTER_TAG(BIOSSerialNo, kBiosSerialNo)
KES_COMPUTER_TAG(Modem, kModem)
KES_COMPUTER_TAG(OSDescription, kOsDescription)
KES_COMPUTER_TAG(OSVersion, kOsVersion)
KES_COMPUTER_TAG(ServicePack, kServicePack)
KES_COMPUTER_TAG(OSSerialNo, kOsSerialNo)
KES_COMPUTER_TAG(SoundCard, kSoundCard)
KES_COMPUTER_TAG(InternetExplorerVersion, kInternetExplorerVersion)

KES_PART_TAG(NIC, m_adapters, kNic)
KES_PART_TAG(IPAddress, m_adapters, kIpAddress)
KES_PART_TAG(Gateway, m_adapters, kGateway)
KES_PART_TAG(Subnet, m_adapters, kSubnet)
KES_PART_TAG(StorageDeviceDescription, m_storageDevices, kStorageDeviceDescription)
KES_PART_TAG(StorageDeviceType, m_storageDevices, kStorageDeviceType)
KES_PART_TAG(StorageDeviceManufacturer, m_storageDevices, kStorageDeviceManufacturer)
KES_PART_TAG(StorageDeviceModel, m_storageDevices, kStorageDeviceModel)
KES_PART_TAG(StorageDeviceModelNo, m_storageDevices, kStorageDeviceModelNo)
KES_PART_TAG(StorageDeviceSerialNo, m_storageDevices, kStorageDeviceSerialNo)
KES_PART_TAG(StorageDeviceInterface, m_storageDevices, kStorageDeviceInterface)
KES_PART_SIZE_TAG(StorageDeviceSize, m_storageDevices, kStorageDeviceSize)
KES_PART_TAG(LogicalDriveLetter, m_logicalDrives, kLogicalDriveLetter)
KES_PART_TAG(LogicalDrivePath, m_logicalDrives, kLogicalDrivePath)
KES_PART_TAG(LogicalDriveFileSystem, m_logicalDrives, kLogicalDriveFileSystem)
KES_PART_SIZE_TAG(LogicalDriveFreeSpace, m_logicalDrives, kLogicalDriveFreeSpace)
KES_PART_SIZE_TAG(LogicalDriveTotalSize, m_logicalDrives, kLogicalDriveTotalSize)
KES_PART_TAG(SoftwareDescription, m_software, kSoftwareDescription)
KES_PART_TAG(SoftwareVersion, m_software, kSoftwareVersion)
KES_PART_TAG(SoftwareManufacturer, m_software, kSoftwareManufacturer)

KES_CURSOR_TAGS(HasNetworkAdapters, NextNetworkAdapter, m_adapters)
KES_CURSOR_TAGS(HasStorageDevices, NextStorageDevice, m_storageDevices)
KES_CURSOR_TAGS(HasLogicalDrives, NextLogicalDrive, m_logicalDrives)
KES_CURSOR_TAGS(HasSoftware, NextSoftware, m_software)

bool ResultsTagReplacer::TagHasPrinters(TemplateOutputStream&)
{
    return m_printers.Has();
}

bool ResultsTagReplacer::TagNextPrinter(TemplateOutputStream&)
{
    ++m_printers.index;
    return true;
}

bool ResultsTagReplacer::TagPrinterDescription(TemplateOutputStream& out)
{
    return Write(out, m_printers.Current());
}

bool ResultsTagReplacer::TagHasHotfixes(TemplateOutputStream&)
{
    return m_hotfixes.Has();
}

bool ResultsTagReplacer::TagNextHotfix(TemplateOutputStream&)
{
    ++m_hotfixes.index;
    return true;
}

bool ResultsTagReplacer::TagHotfixDescription(TemplateOutputStream& out)
{
    return Write(out, m_hotfixes.Current());
}

// Hotfixes named in the old knowledge-base form (Q and six digits) get a link
// to their article.
bool ResultsTagReplacer::TagKBHotfix(TemplateOutputStream&)
{
    std::string hotfix = m_hotfixes.Current();
    return hotfix.size() == 7 && hotfix[0] == 'Q';
}

bool ResultsTagReplacer::TagRAM(TemplateOutputStream& out)
{
    return Write(out, FormatNumber(Computer().GetRam(), false));
}

bool ResultsTagReplacer::TagCPUSpeed(TemplateOutputStream& out)
{
    return Write(out, FormatNumber(Computer().GetCpuSpeed(), false));
}

bool ResultsTagReplacer::TagCPUNo(TemplateOutputStream& out)
{
    return Write(out, FormatNumber(Computer().GetCpuCount(), false));
}

bool ResultsTagReplacer::TagBIOSDate(TemplateOutputStream& out)
{
    return Write(out, FormatDate(Computer().GetBiosDate(), false));
}

bool ResultsTagReplacer::TagOSInstallDate(TemplateOutputStream& out)
{
    return Write(out, FormatDate(Computer().GetOsInstallDate(), true));
}

bool ResultsTagReplacer::TagMonitorDescription(TemplateOutputStream& out)
{
    return Write(out, m_engine->GetMonitorDescription());
}

bool ResultsTagReplacer::TagMonitorSerialNo(TemplateOutputStream& out)
{
    return Write(out, m_engine->GetMonitorSerialNo());
}

bool ResultsTagReplacer::TagUserFullName(TemplateOutputStream& out)
{
    std::string first = m_engine->GetUserFirstName();
    if (first.empty()) {
        return true;
    }
    std::string middle = m_engine->GetUserMiddleInitial();
    return Write(out, "(" + first + " " + (middle.empty() ? "" : middle + ". ") + m_engine->GetUserLastName() + ")");
}

bool ResultsTagReplacer::TagPorts(TemplateOutputStream& out)
{
    boost::shared_ptr<StringCollectionImpl> ports = Computer().GetPorts();
    if (ports) {
        for (const AssetPropertyValue& port : ports->Values()) {
            Write(out, port.GetString() + " ");
        }
    }
    return true;
}

bool ResultsTagReplacer::TagMACAddress(TemplateOutputStream& out)
{
    return m_adapters.current ? Write(out, m_adapters.current->GetMacAddress()) : true;
}

bool ResultsTagReplacer::TagDHCP(TemplateOutputStream& out)
{
    return m_adapters.current ? Write(out, m_adapters.current->GetDhcp() ? "Yes" : "No") : true;
}

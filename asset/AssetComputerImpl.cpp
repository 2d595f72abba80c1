#include "asset/AssetComputerImpl.h"

#include "common/TextHelpers.h"

namespace AssetIMPL {

namespace {

const AssetPropertyType S = AssetPropertyType::String;
const AssetPropertyType L = AssetPropertyType::Long;
const AssetPropertyType V = AssetPropertyType::Variant;

const AssetPropertyType kComputerTypes[kComputerPropCount] = {
    S, // 0  kGuid
    S, // 1  kDomain
    S, // 2  kMotherboardDescription
    S, // 3  kMotherboardManufacturer
    S, // 4  kMotherboardSerialNo
    S, // 5  kMotherboardVersion
    L, // 6  kCpuNo
    S, // 7  kCpuDescription
    S, // 8  kCpuManufacturer
    S, // 9  kCpuType
    S, // 10 kCpuSocketType
    L, // 11 kCpuSpeed
    L, // 12 kRam
    S, // 13 kVideoCard
    S, // 14 kKeyboardDescription
    S, // 15 kKeyboardSerialNo
    S, // 16 kMouseDescription
    S, // 17 kMouseSerialNo
    S, // 18 kBiosDescription
    S, // 19 kBiosVersion
    S, // 20 kBiosManufacturer
    V, // 21 kBiosDate
    S, // 22 kBiosSerialNo
    S, // 23 kModem
    S, // 24 kOsDescription
    S, // 25 kOsVersion
    S, // 26 kServicePack
    V, // 27 kOsInstallDate
    S, // 28 kOsSerialNo
    S, // 29 kMonitorDeviceId
    S, // 30 kSoundCard
    S, // 31 kInternetExplorerVersion
};

// Room for the properties later versions of the record add.
const size_t kComputerPropReserve = 35;

AssetPropertyVector MakeComputerProperties()
{
    AssetPropertyVector properties;
    properties.reserve(kComputerPropReserve);
    for (AssetPropertyType type : kComputerTypes) {
        properties.emplace_back(type);
    }
    return properties;
}

} // namespace

AssetComputerImpl::AssetComputerImpl()
    : m_properties(MakeComputerProperties()), m_software(new SoftwareCollection()),
      m_storageDevices(new StorageDeviceCollection()), m_logicalDrives(new LogicalDriveCollection()),
      m_networkAdapters(new NetworkAdapterCollection()), m_ports(new StringCollectionImpl()),
      m_printers(new StringCollectionImpl()), m_hotfixes(new StringCollectionImpl())
{
}

AssetComputerImpl::AssetComputerImpl(const AssetComputerImpl& other) : AssetComputerImpl()
{
    AssetGenericImpl::operator=(other);
    Assign(other);
}

const std::string& AssetComputerImpl::GetGuid()
{
    AssetPropertyValue& guid = m_properties[kGuid];
    if (guid.GetString().empty()) {
        guid.SetString(NewGuidString());
    }
    return guid.GetString();
}

long AssetComputerImpl::GetCpuCount() const
{
    return m_properties[kCpuNo].GetLong();
}

void AssetComputerImpl::SetCpuCount(long count)
{
    m_properties[kCpuNo].SetLong(count);
}

long AssetComputerImpl::GetCpuSpeed() const
{
    return m_properties[kCpuSpeed].GetLong();
}

void AssetComputerImpl::SetCpuSpeed(long megahertz)
{
    m_properties[kCpuSpeed].SetLong(megahertz);
}

long AssetComputerImpl::GetRam() const
{
    return m_properties[kRam].GetLong();
}

void AssetComputerImpl::SetRam(long megabytes)
{
    m_properties[kRam].SetLong(megabytes);
}

_variant_t AssetComputerImpl::GetBiosDate() const
{
    return _variant_t(m_properties[kBiosDate].GetVariant());
}

_variant_t AssetComputerImpl::GetOsInstallDate() const
{
    return _variant_t(m_properties[kOsInstallDate].GetVariant());
}

// Every copy is made before anything is replaced, so a failure (a record
// that cannot be made, say) leaves this computer as it was. The engines call
// this with a new computer to empty their result before a run.
void AssetComputerImpl::Assign(const AssetComputerImpl& other)
{
    if (this == &other) {
        return;
    }
    AssetPropertyVector properties;
    properties.reserve(kComputerPropReserve);
    properties = other.m_properties;
    boost::shared_ptr<SoftwareCollection> software(new SoftwareCollection(*other.m_software));
    boost::shared_ptr<StorageDeviceCollection> storageDevices(new StorageDeviceCollection(*other.m_storageDevices));
    boost::shared_ptr<LogicalDriveCollection> logicalDrives(new LogicalDriveCollection(*other.m_logicalDrives));
    boost::shared_ptr<NetworkAdapterCollection> networkAdapters(new NetworkAdapterCollection(*other.m_networkAdapters));
    boost::shared_ptr<StringCollectionImpl> ports(new StringCollectionImpl(*other.m_ports));
    boost::shared_ptr<StringCollectionImpl> printers(new StringCollectionImpl(*other.m_printers));
    boost::shared_ptr<StringCollectionImpl> hotfixes(new StringCollectionImpl(*other.m_hotfixes));

    m_properties.swap(properties);
    m_software.swap(software);
    m_storageDevices.swap(storageDevices);
    m_logicalDrives.swap(logicalDrives);
    m_networkAdapters.swap(networkAdapters);
    m_ports.swap(ports);
    m_printers.swap(printers);
    m_hotfixes.swap(hotfixes);
}

} // namespace AssetIMPL

// The result of one audit: a computer asset with its generic data, its own
// hardware and operating-system data, its parts and its text lists.
#pragma once

#include "asset/AssetGenericImpl.h"
#include "asset/AssetObjectLess.h"
#include "asset/AssetPropertyIndex.h"
#include "asset/AssetSoftwareImpl.h"
#include "asset/LogicalDriveImpl.h"
#include "asset/NetworkAdapterImpl.h"
#include "asset/ObjectCollectionImpl.h"
#include "asset/StorageDeviceImpl.h"
#include "asset/StringCollectionImpl.h"

#include <boost/shared_ptr.hpp>

#include <comutil.h>

#include <functional>
#include <string>

namespace AssetIMPL {

typedef ObjectCollectionImpl<AssetSoftwareImpl, 1, std::less<AssetSoftwareImpl>> SoftwareCollection;
typedef ObjectCollectionImpl<StorageDeviceImpl, 0, NullCompare<StorageDeviceImpl>> StorageDeviceCollection;
typedef ObjectCollectionImpl<LogicalDriveImpl, 1, std::less<LogicalDriveImpl>> LogicalDriveCollection;
typedef ObjectCollectionImpl<NetworkAdapterImpl, 1, std::less<NetworkAdapterImpl>> NetworkAdapterCollection;

class AssetComputerImpl : public AssetGenericImpl {
public:
    AssetComputerImpl();
    // A full copy: generic and own properties, deep copies of the parts.
    AssetComputerImpl(const AssetComputerImpl& other);
    AssetComputerImpl& operator=(const AssetComputerImpl&) = delete;
    ~AssetComputerImpl() override = default;

    using AssetGenericImpl::Property;
    AssetPropertyVector& ComputerProperties() { return m_properties; }
    const AssetPropertyVector& ComputerProperties() const { return m_properties; }
    AssetPropertyValue& Property(ComputerProp index) { return m_properties[index]; }
    const AssetPropertyValue& Property(ComputerProp index) const { return m_properties[index]; }

    // The identity GUID; a new one is stored when it is first read empty.
    const std::string& GetGuid();
    long GetCpuCount() const;
    void SetCpuCount(long count);
    long GetCpuSpeed() const;
    void SetCpuSpeed(long megahertz);
    long GetRam() const;
    void SetRam(long megabytes);
    _variant_t GetBiosDate() const;
    _variant_t GetOsInstallDate() const;

    boost::shared_ptr<SoftwareCollection> GetSoftware() const { return m_software; }
    boost::shared_ptr<StorageDeviceCollection> GetStorageDevices() const { return m_storageDevices; }
    boost::shared_ptr<LogicalDriveCollection> GetLogicalDrives() const { return m_logicalDrives; }
    boost::shared_ptr<NetworkAdapterCollection> GetNetworkAdapters() const { return m_networkAdapters; }
    boost::shared_ptr<StringCollectionImpl> GetPorts() const { return m_ports; }
    boost::shared_ptr<StringCollectionImpl> GetPrinters() const { return m_printers; }
    boost::shared_ptr<StringCollectionImpl> GetHotfixes() const { return m_hotfixes; }

    // Replaces everything but the generic part (properties and lease) with a
    // copy of the other computer's.
    void Assign(const AssetComputerImpl& other);

private:
    AssetPropertyVector m_properties;
    boost::shared_ptr<SoftwareCollection> m_software;
    boost::shared_ptr<StorageDeviceCollection> m_storageDevices;
    boost::shared_ptr<LogicalDriveCollection> m_logicalDrives;
    boost::shared_ptr<NetworkAdapterCollection> m_networkAdapters;
    boost::shared_ptr<StringCollectionImpl> m_ports;
    boost::shared_ptr<StringCollectionImpl> m_printers;
    boost::shared_ptr<StringCollectionImpl> m_hotfixes;
};

} // namespace AssetIMPL

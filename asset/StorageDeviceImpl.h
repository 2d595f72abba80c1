// A storage device (disk) of a computer.
#pragma once

#include "asset/AssetPropertyIndex.h"
#include "asset/AssetPropertyValue.h"

#include <string>

namespace AssetIMPL {

class StorageDeviceImpl {
public:
    StorageDeviceImpl();
    // From a storage-device record of the asset record type library.
    explicit StorageDeviceImpl(const VARIANT& record);
    virtual ~StorageDeviceImpl() = default;

    AssetPropertyVector& Properties() { return m_properties; }
    const AssetPropertyVector& Properties() const { return m_properties; }
    AssetPropertyValue& Property(StorageDeviceProp index) { return m_properties[index]; }
    const AssetPropertyValue& Property(StorageDeviceProp index) const { return m_properties[index]; }

    long GetSize() const;
    void SetSize(long megabytes);
    // The key: a new GUID text is stored when it is first read empty.
    const std::string& GetId();

    VARIANT ToRecord();
    void FromRecord(const VARIANT& record);

private:
    AssetPropertyVector m_properties;
};

} // namespace AssetIMPL

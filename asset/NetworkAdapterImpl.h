// A network adapter of a computer.
#pragma once

#include "asset/AssetPropertyIndex.h"
#include "asset/AssetPropertyValue.h"

#include <string>

namespace AssetIMPL {

class NetworkAdapterImpl {
public:
    NetworkAdapterImpl();
    // From a network-adapter record of the asset record type library.
    explicit NetworkAdapterImpl(const VARIANT& record);
    virtual ~NetworkAdapterImpl() = default;

    AssetPropertyVector& Properties() { return m_properties; }
    const AssetPropertyVector& Properties() const { return m_properties; }
    AssetPropertyValue& Property(NetworkAdapterProp index) { return m_properties[index]; }
    const AssetPropertyValue& Property(NetworkAdapterProp index) const { return m_properties[index]; }

    // The key: a new GUID text is stored when it is first read empty.
    const std::string& GetMacAddress();
    bool GetDhcp() const;

    VARIANT ToRecord();
    void FromRecord(const VARIANT& record);

private:
    AssetPropertyVector m_properties;
};

bool operator<(const NetworkAdapterImpl& left, const NetworkAdapterImpl& right);

} // namespace AssetIMPL

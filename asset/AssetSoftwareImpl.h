// A software title installed on a computer.
#pragma once

#include "asset/AssetPropertyIndex.h"
#include "asset/AssetPropertyValue.h"

#include <string>

namespace AssetIMPL {

class AssetSoftwareImpl {
public:
    AssetSoftwareImpl();
    // From a software record of the asset record type library.
    explicit AssetSoftwareImpl(const VARIANT& record);
    virtual ~AssetSoftwareImpl() = default;

    AssetPropertyVector& Properties() { return m_properties; }
    const AssetPropertyVector& Properties() const { return m_properties; }
    AssetPropertyValue& Property(SoftwareProp index) { return m_properties[index]; }
    const AssetPropertyValue& Property(SoftwareProp index) const { return m_properties[index]; }

    // The id is the key; it is kept in upper case, and one is made up (a new
    // GUID text) when it is first read empty.
    void SetId(const std::string& id);
    const std::string& GetId();

    VARIANT ToRecord();
    void FromRecord(const VARIANT& record);

private:
    AssetPropertyVector m_properties;
};

bool operator<(const AssetSoftwareImpl& left, const AssetSoftwareImpl& right);

} // namespace AssetIMPL

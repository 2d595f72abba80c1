// The lease data of a generic asset. The program keeps the record with every
// asset but reads and writes none of it.
#pragma once

#include "asset/AssetPropertyIndex.h"
#include "asset/AssetPropertyValue.h"

namespace AssetIMPL {

class AssetLeaseImpl {
public:
    AssetLeaseImpl();
    virtual ~AssetLeaseImpl() = default;

    AssetPropertyVector& Properties() { return m_properties; }
    const AssetPropertyVector& Properties() const { return m_properties; }
    AssetPropertyValue& Property(LeaseProp index) { return m_properties[index]; }
    const AssetPropertyValue& Property(LeaseProp index) const { return m_properties[index]; }

private:
    AssetPropertyVector m_properties;
};

} // namespace AssetIMPL

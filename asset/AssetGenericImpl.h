// The generic asset: what every asset has, whatever its kind.
#pragma once

#include "asset/AssetLeaseImpl.h"
#include "asset/AssetPropertyIndex.h"
#include "asset/AssetPropertyValue.h"

#include <boost/shared_ptr.hpp>

namespace AssetIMPL {

class AssetGenericImpl {
public:
    AssetGenericImpl();
    // Copies own their lease record.
    AssetGenericImpl(const AssetGenericImpl& other);
    AssetGenericImpl& operator=(const AssetGenericImpl& other);
    virtual ~AssetGenericImpl() = default;

    AssetPropertyVector& GenericProperties() { return m_properties; }
    const AssetPropertyVector& GenericProperties() const { return m_properties; }
    AssetPropertyValue& Property(GenericProp index) { return m_properties[index]; }
    const AssetPropertyValue& Property(GenericProp index) const { return m_properties[index]; }

    boost::shared_ptr<AssetLeaseImpl> GetLease() const { return m_lease; }

private:
    AssetPropertyVector m_properties;
    boost::shared_ptr<AssetLeaseImpl> m_lease;
};

} // namespace AssetIMPL

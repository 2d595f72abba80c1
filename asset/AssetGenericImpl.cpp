#include "asset/AssetGenericImpl.h"

namespace AssetIMPL {

namespace {

const AssetPropertyType S = AssetPropertyType::String;
const AssetPropertyType L = AssetPropertyType::Long;
const AssetPropertyType B = AssetPropertyType::Bool;
const AssetPropertyType D = AssetPropertyType::Double;
const AssetPropertyType V = AssetPropertyType::Variant;

// Most generic properties are not used by the program; their types are kept
// so the vector has the shape every reader of an asset expects.
const AssetPropertyType kGenericTypes[kGenericPropCount] = {
    L,                // 0  unused
    S,                // 1  kAssetTag
    S,                // 2  kOemId
    S,                // 3  kAssetName
    S,                // 4  kAssetType
    S,                // 5  unused
    S,                // 6  kLocation
    S,                // 7  kOffice
    S,                // 8  kDepartment
    S,                // 9  kUserName
    S,                // 10 unused
    S,                // 11 kManufacturer
    S,                // 12 kModel
    S,                // 13 kModelNo
    S,                // 14 kSerialNo
    S,                // 15 unused
    L,                // 16 unused
    V,                // 17 unused
    S,                // 18 unused
    V,                // 19 unused
    D,                // 20 unused
    S,                // 21 unused
    V,                // 22 unused
    S,                // 23 unused
    V,                // 24 unused
    S, S, S, S, S, S, // 25-30 unused
    B, B, B,          // 31-33 unused
};

} // namespace

AssetGenericImpl::AssetGenericImpl()
    : m_properties(MakePropertyVector(kGenericTypes, kGenericPropCount)), m_lease(new AssetLeaseImpl())
{
}

AssetGenericImpl::AssetGenericImpl(const AssetGenericImpl& other)
    : m_properties(other.m_properties), m_lease(new AssetLeaseImpl(*other.m_lease))
{
}

AssetGenericImpl& AssetGenericImpl::operator=(const AssetGenericImpl& other)
{
    if (this != &other) {
        boost::shared_ptr<AssetLeaseImpl> lease(new AssetLeaseImpl(*other.m_lease));
        m_properties = other.m_properties;
        m_lease = lease;
    }
    return *this;
}

} // namespace AssetIMPL

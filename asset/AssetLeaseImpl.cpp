#include "asset/AssetLeaseImpl.h"

namespace AssetIMPL {

namespace {

const AssetPropertyType kLeaseTypes[kLeasePropCount] = {
    AssetPropertyType::String, AssetPropertyType::String, AssetPropertyType::Variant, AssetPropertyType::Variant,
    AssetPropertyType::Long,   AssetPropertyType::Double, AssetPropertyType::Double,  AssetPropertyType::String,
};

} // namespace

AssetLeaseImpl::AssetLeaseImpl() : m_properties(MakePropertyVector(kLeaseTypes, kLeasePropCount)) {}

} // namespace AssetIMPL

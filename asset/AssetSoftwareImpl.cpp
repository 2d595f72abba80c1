#include "asset/AssetSoftwareImpl.h"

#include "asset/AssetObjectLess.h"
#include "asset/AssetRecords.h"
#include "common/TextHelpers.h"

namespace AssetIMPL {

namespace {

const AssetPropertyType kSoftwareTypes[kSoftwarePropCount] = {
    AssetPropertyType::String, // kSoftwareDescription
    AssetPropertyType::String, // kSoftwareVersion
    AssetPropertyType::String, // kSoftwareManufacturer
    AssetPropertyType::String, // kSoftwareUnused3
    AssetPropertyType::String, // kSoftwareId
};

} // namespace

AssetSoftwareImpl::AssetSoftwareImpl() : m_properties(MakePropertyVector(kSoftwareTypes, kSoftwarePropCount)) {}

AssetSoftwareImpl::AssetSoftwareImpl(const VARIANT& record) : AssetSoftwareImpl()
{
    FromRecord(record);
}

void AssetSoftwareImpl::SetId(const std::string& id)
{
    m_properties[kSoftwareId].SetString(ToUpperCase(id));
}

const std::string& AssetSoftwareImpl::GetId()
{
    AssetPropertyValue& id = m_properties[kSoftwareId];
    if (id.GetString().empty()) {
        id.SetString(NewGuidString());
    }
    return id.GetString();
}

// The key is read first, so a title without id gets one (in this object too)
// and the flags written include that change.
VARIANT AssetSoftwareImpl::ToRecord()
{
    std::string id = GetId();
    VARIANT record = CreateAssetRecord(kAssetRecordsLibId, kSoftwareRecordId, kAssetRecordsMajor, kAssetRecordsMinor);
    try {
        SoftwareRecord* data = static_cast<SoftwareRecord*>(record.pvRecord);
        data->description = RecordText(m_properties[kSoftwareDescription].GetString());
        data->version = RecordText(m_properties[kSoftwareVersion].GetString());
        data->manufacturer = RecordText(m_properties[kSoftwareManufacturer].GetString());
        data->unused = RecordText(m_properties[kSoftwareUnused3].GetString());
        data->id = RecordText(id);
        data->flags = RecordText(FormatModifiedFlags(m_properties));
    } catch (...) {
        VariantClear(&record);
        throw;
    }
    return record;
}

// The flags of the record replace those the setters leave.
void AssetSoftwareImpl::FromRecord(const VARIANT& record)
{
    const SoftwareRecord* data = static_cast<const SoftwareRecord*>(AssetRecordData(record, kSoftwareRecordId));
    m_properties[kSoftwareDescription].SetString(BstrToStdString(data->description));
    m_properties[kSoftwareVersion].SetString(BstrToStdString(data->version));
    m_properties[kSoftwareManufacturer].SetString(BstrToStdString(data->manufacturer));
    m_properties[kSoftwareUnused3].SetString(BstrToStdString(data->unused));
    SetId(BstrToStdString(data->id));
    ParseModifiedFlags(m_properties, BstrToStdString(data->flags));
}

bool operator<(const AssetSoftwareImpl& left, const AssetSoftwareImpl& right)
{
    return AssetObjectLess()(left, right);
}

} // namespace AssetIMPL

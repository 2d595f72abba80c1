#include "asset/StorageDeviceImpl.h"

#include "asset/AssetRecords.h"
#include "common/TextHelpers.h"

namespace AssetIMPL {

namespace {

const AssetPropertyType kStorageDeviceTypes[kStorageDevicePropCount] = {
    AssetPropertyType::String, // kStorageDeviceDescription
    AssetPropertyType::String, // kStorageDeviceType
    AssetPropertyType::String, // kStorageDeviceManufacturer
    AssetPropertyType::String, // kStorageDeviceModel
    AssetPropertyType::String, // kStorageDeviceModelNo
    AssetPropertyType::String, // kStorageDeviceSerialNo
    AssetPropertyType::Long,   // kStorageDeviceSize
    AssetPropertyType::String, // kStorageDeviceInterface
    AssetPropertyType::String, // kStorageDeviceId
};

} // namespace

StorageDeviceImpl::StorageDeviceImpl() : m_properties(MakePropertyVector(kStorageDeviceTypes, kStorageDevicePropCount))
{
}

StorageDeviceImpl::StorageDeviceImpl(const VARIANT& record) : StorageDeviceImpl()
{
    FromRecord(record);
}

long StorageDeviceImpl::GetSize() const
{
    return m_properties[kStorageDeviceSize].GetLong();
}

void StorageDeviceImpl::SetSize(long megabytes)
{
    m_properties[kStorageDeviceSize].SetLong(megabytes);
}

const std::string& StorageDeviceImpl::GetId()
{
    AssetPropertyValue& id = m_properties[kStorageDeviceId];
    if (id.GetString().empty()) {
        id.SetString(NewGuidString());
    }
    return id.GetString();
}

// The key is read first, so a device without id gets one (in this object too)
// and the flags written include that change. In this record the flags stand
// before the id.
VARIANT StorageDeviceImpl::ToRecord()
{
    std::string id = GetId();
    VARIANT record =
        CreateAssetRecord(kAssetRecordsLibId, kStorageDeviceRecordId, kAssetRecordsMajor, kAssetRecordsMinor);
    try {
        StorageDeviceRecord* data = static_cast<StorageDeviceRecord*>(record.pvRecord);
        data->description = RecordText(m_properties[kStorageDeviceDescription].GetString());
        data->deviceType = RecordText(m_properties[kStorageDeviceType].GetString());
        data->manufacturer = RecordText(m_properties[kStorageDeviceManufacturer].GetString());
        data->model = RecordText(m_properties[kStorageDeviceModel].GetString());
        data->modelNo = RecordText(m_properties[kStorageDeviceModelNo].GetString());
        data->serialNo = RecordText(m_properties[kStorageDeviceSerialNo].GetString());
        data->size = m_properties[kStorageDeviceSize].GetLong();
        data->deviceInterface = RecordText(m_properties[kStorageDeviceInterface].GetString());
        data->flags = RecordText(FormatModifiedFlags(m_properties));
        data->id = RecordText(id);
    } catch (...) {
        VariantClear(&record);
        throw;
    }
    return record;
}

void StorageDeviceImpl::FromRecord(const VARIANT& record)
{
    const StorageDeviceRecord* data =
        static_cast<const StorageDeviceRecord*>(AssetRecordData(record, kStorageDeviceRecordId));
    m_properties[kStorageDeviceDescription].SetString(BstrToStdString(data->description));
    m_properties[kStorageDeviceType].SetString(BstrToStdString(data->deviceType));
    m_properties[kStorageDeviceManufacturer].SetString(BstrToStdString(data->manufacturer));
    m_properties[kStorageDeviceModel].SetString(BstrToStdString(data->model));
    m_properties[kStorageDeviceModelNo].SetString(BstrToStdString(data->modelNo));
    m_properties[kStorageDeviceSerialNo].SetString(BstrToStdString(data->serialNo));
    SetSize(data->size);
    m_properties[kStorageDeviceInterface].SetString(BstrToStdString(data->deviceInterface));
    m_properties[kStorageDeviceId].SetString(BstrToStdString(data->id));
    ParseModifiedFlags(m_properties, BstrToStdString(data->flags));
}

} // namespace AssetIMPL

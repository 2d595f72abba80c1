#include "asset/LogicalDriveImpl.h"

#include "asset/AssetObjectLess.h"
#include "asset/AssetRecords.h"
#include "common/TextHelpers.h"

namespace AssetIMPL {

namespace {

const AssetPropertyType kLogicalDriveTypes[kLogicalDrivePropCount] = {
    AssetPropertyType::String, // kLogicalDriveLetter
    AssetPropertyType::Bool,   // kNetworkDrive
    AssetPropertyType::String, // kLogicalDrivePath
    AssetPropertyType::Long,   // kLogicalDriveFreeSpace
    AssetPropertyType::Long,   // kLogicalDriveTotalSize
    AssetPropertyType::String, // kLogicalDriveFileSystem
};

} // namespace

LogicalDriveImpl::LogicalDriveImpl() : m_properties(MakePropertyVector(kLogicalDriveTypes, kLogicalDrivePropCount)) {}

LogicalDriveImpl::LogicalDriveImpl(const VARIANT& record) : LogicalDriveImpl()
{
    FromRecord(record);
}

void LogicalDriveImpl::SetDriveLetter(std::string letter)
{
    m_properties[kLogicalDriveLetter].SetString(ToUpperCase(letter));
}

long LogicalDriveImpl::GetFreeSpace() const
{
    return m_properties[kLogicalDriveFreeSpace].GetLong();
}

void LogicalDriveImpl::SetFreeSpace(long megabytes)
{
    m_properties[kLogicalDriveFreeSpace].SetLong(megabytes);
}

long LogicalDriveImpl::GetTotalSize() const
{
    return m_properties[kLogicalDriveTotalSize].GetLong();
}

void LogicalDriveImpl::SetTotalSize(long megabytes)
{
    m_properties[kLogicalDriveTotalSize].SetLong(megabytes);
}

VARIANT LogicalDriveImpl::ToRecord()
{
    VARIANT record =
        CreateAssetRecord(kAssetRecordsLibId, kLogicalDriveRecordId, kAssetRecordsMajor, kAssetRecordsMinor);
    try {
        LogicalDriveRecord* data = static_cast<LogicalDriveRecord*>(record.pvRecord);
        data->driveLetter = RecordText(m_properties[kLogicalDriveLetter].GetString());
        data->networkDrive = RecordBool(m_properties[kNetworkDrive].GetBool());
        data->path = RecordText(m_properties[kLogicalDrivePath].GetString());
        data->freeSpace = m_properties[kLogicalDriveFreeSpace].GetLong();
        data->totalSize = m_properties[kLogicalDriveTotalSize].GetLong();
        data->fileSystem = RecordText(m_properties[kLogicalDriveFileSystem].GetString());
        data->flags = RecordText(FormatModifiedFlags(m_properties));
    } catch (...) {
        VariantClear(&record);
        throw;
    }
    return record;
}

void LogicalDriveImpl::FromRecord(const VARIANT& record)
{
    const LogicalDriveRecord* data =
        static_cast<const LogicalDriveRecord*>(AssetRecordData(record, kLogicalDriveRecordId));
    SetDriveLetter(BstrToStdString(data->driveLetter));
    m_properties[kNetworkDrive].SetBool(data->networkDrive != VARIANT_FALSE);
    m_properties[kLogicalDrivePath].SetString(BstrToStdString(data->path));
    SetFreeSpace(data->freeSpace);
    SetTotalSize(data->totalSize);
    m_properties[kLogicalDriveFileSystem].SetString(BstrToStdString(data->fileSystem));
    ParseModifiedFlags(m_properties, BstrToStdString(data->flags));
}

bool operator<(const LogicalDriveImpl& left, const LogicalDriveImpl& right)
{
    return AssetObjectLess()(left, right);
}

} // namespace AssetIMPL

#include "asset/NetworkAdapterImpl.h"

#include "asset/AssetObjectLess.h"
#include "asset/AssetRecords.h"
#include "common/TextHelpers.h"

namespace AssetIMPL {

namespace {

const AssetPropertyType kNetworkAdapterTypes[kNetworkAdapterPropCount] = {
    AssetPropertyType::String, // kNic
    AssetPropertyType::String, // kMacAddress
    AssetPropertyType::String, // kIpAddress
    AssetPropertyType::String, // kGateway
    AssetPropertyType::String, // kSubnet
    AssetPropertyType::Bool,   // kDhcp
};

} // namespace

NetworkAdapterImpl::NetworkAdapterImpl()
    : m_properties(MakePropertyVector(kNetworkAdapterTypes, kNetworkAdapterPropCount))
{
}

NetworkAdapterImpl::NetworkAdapterImpl(const VARIANT& record) : NetworkAdapterImpl()
{
    FromRecord(record);
}

const std::string& NetworkAdapterImpl::GetMacAddress()
{
    AssetPropertyValue& mac = m_properties[kMacAddress];
    if (mac.GetString().empty()) {
        mac.SetString(NewGuidString());
    }
    return mac.GetString();
}

bool NetworkAdapterImpl::GetDhcp() const
{
    return m_properties[kDhcp].GetBool();
}

// An adapter without MAC address gets a GUID text as its key (in this
// object too) before the record is written.
VARIANT NetworkAdapterImpl::ToRecord()
{
    std::string mac = GetMacAddress();
    VARIANT record =
        CreateAssetRecord(kAssetRecordsLibId, kNetworkAdapterRecordId, kAssetRecordsMajor, kAssetRecordsMinor);
    try {
        NetworkAdapterRecord* data = static_cast<NetworkAdapterRecord*>(record.pvRecord);
        data->description = RecordText(m_properties[kNic].GetString());
        data->macAddress = RecordText(mac);
        data->ipAddress = RecordText(m_properties[kIpAddress].GetString());
        data->gateway = RecordText(m_properties[kGateway].GetString());
        data->subnet = RecordText(m_properties[kSubnet].GetString());
        data->dhcp = RecordBool(m_properties[kDhcp].GetBool());
        data->flags = RecordText(FormatModifiedFlags(m_properties));
    } catch (...) {
        VariantClear(&record);
        throw;
    }
    return record;
}

void NetworkAdapterImpl::FromRecord(const VARIANT& record)
{
    const NetworkAdapterRecord* data =
        static_cast<const NetworkAdapterRecord*>(AssetRecordData(record, kNetworkAdapterRecordId));
    m_properties[kNic].SetString(BstrToStdString(data->description));
    m_properties[kMacAddress].SetString(BstrToStdString(data->macAddress));
    m_properties[kIpAddress].SetString(BstrToStdString(data->ipAddress));
    m_properties[kGateway].SetString(BstrToStdString(data->gateway));
    m_properties[kSubnet].SetString(BstrToStdString(data->subnet));
    m_properties[kDhcp].SetBool(data->dhcp != VARIANT_FALSE);
    ParseModifiedFlags(m_properties, BstrToStdString(data->flags));
}

bool operator<(const NetworkAdapterImpl& left, const NetworkAdapterImpl& right)
{
    return AssetObjectLess()(left, right);
}

} // namespace AssetIMPL

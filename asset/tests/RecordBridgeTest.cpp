#include "asset/AssetComputerImpl.h"
#include "asset/AssetRecords.h"
#include "common/TextHelpers.h"

#include <gtest/gtest.h>

#include <comdef.h>

#include <cstddef>
#include <vector>

using namespace AssetIMPL;

namespace {

class RecordBridge : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_HRESULT_SUCCEEDED(CoInitialize(nullptr)); }
    void TearDown() override { CoUninitialize(); }
};

// Values and flags of a whole vector as one comparable text.
std::string Dump(const AssetPropertyVector& values)
{
    std::string dump;
    for (const AssetPropertyValue& value : values) {
        switch (value.Type()) {
        case AssetPropertyType::String:
            dump += value.GetString();
            break;
        case AssetPropertyType::Long:
            dump += std::to_string(value.GetLong());
            break;
        case AssetPropertyType::Bool:
            dump += value.GetBool() ? "true" : "false";
            break;
        default:
            dump += "?";
            break;
        }
        dump += "|";
    }
    return dump + FormatModifiedFlags(values);
}

// Fills every property: texts from a running counter, numbers, truth values.
template <class Part>
boost::shared_ptr<Part> MakePart(const std::string& key, bool setAll)
{
    boost::shared_ptr<Part> part(new Part());
    AssetPropertyVector& values = part->Properties();
    values[0].SetString(key);
    for (size_t i = 1; setAll && i < values.size(); ++i) {
        switch (values[i].Type()) {
        case AssetPropertyType::String:
            values[i].SetString(ToUpperCase(key + " value " + std::to_string(i)));
            break;
        case AssetPropertyType::Long:
            values[i].SetLong(static_cast<long>(1000 * i));
            break;
        case AssetPropertyType::Bool:
            values[i].SetBool(true);
            break;
        default:
            break;
        }
    }
    return part;
}

template <class Collection>
void ExpectDeepCopy(Collection& source)
{
    typedef typename Collection::Part::element_type Part;
    Collection copy(source);
    EXPECT_EQ(source.ChangeStateText(), copy.ChangeStateText());
    ASSERT_EQ(source.Members().size(), copy.Members().size());
    ASSERT_EQ(source.Removed().size(), copy.Removed().size());
    for (size_t i = 0; i < source.Members().size(); ++i) {
        EXPECT_NE(source.Members()[i].get(), copy.Members()[i].get());
        EXPECT_EQ(Dump(source.Members()[i]->Properties()), Dump(copy.Members()[i]->Properties()));
    }
    for (size_t i = 0; i < source.Removed().size(); ++i) {
        EXPECT_EQ(Dump(source.Removed()[i]->Properties()), Dump(copy.Removed()[i]->Properties()));
    }
    // Records of one part type are refused by the others.
    VARIANT form;
    source.ToVariant(&form);
    const VARIANT& record = static_cast<VARIANT*>(form.parray->pvData)[1];
    EXPECT_EQ(VT_RECORD, record.vt);
    try {
        if (std::is_same<Part, AssetSoftwareImpl>::value) {
            LogicalDriveImpl wrong(record);
        } else {
            AssetSoftwareImpl wrong(record);
        }
        ADD_FAILURE() << "a record of another type was taken";
    } catch (const _com_error& e) {
        EXPECT_EQ(E_INVALIDARG, e.Error());
    }
    VariantClear(&form);
}

// Each part type through its record and back: new objects, equal values and
// flags, members in the source's order (a sorted collection is not sorted
// again).
TEST_F(RecordBridge, DeepCopyOfEachPartType)
{
    SoftwareCollection software;
    software.Add(MakePart<AssetSoftwareImpl>("Editor", true));
    software.Add(MakePart<AssetSoftwareImpl>("Browser", false));
    ExpectDeepCopy(software);
    EXPECT_EQ(38u, software.Members()[0]->Property(kSoftwareId).GetString().size()); // made up on the way

    StorageDeviceCollection devices;
    devices.Add(MakePart<StorageDeviceImpl>("Disk 2", true));
    devices.Add(MakePart<StorageDeviceImpl>("Disk 1", false));
    ExpectDeepCopy(devices);

    LogicalDriveCollection drives;
    drives.Add(MakePart<LogicalDriveImpl>("D:", true));
    drives.Add(MakePart<LogicalDriveImpl>("C:", false));
    ExpectDeepCopy(drives);

    NetworkAdapterCollection adapters;
    adapters.Add(MakePart<NetworkAdapterImpl>("Ethernet", true));
    boost::shared_ptr<NetworkAdapterImpl> noMac = MakePart<NetworkAdapterImpl>("Wireless", false);
    adapters.Add(noMac);
    NetworkAdapterCollection copy(adapters);
    // The key rule runs on the source while it is written.
    EXPECT_EQ(38u, noMac->Property(kMacAddress).GetString().size());
    EXPECT_EQ(noMac->Property(kMacAddress).GetString(), copy.Members()[1]->Property(kMacAddress).GetString());
    ExpectDeepCopy(adapters);
}

// The record layout, field by field, for the one record whose order differs
// from its property order: the storage device's flags stand before its id.
TEST_F(RecordBridge, StorageDeviceRecordFields)
{
    StorageDeviceImpl device;
    device.Property(kStorageDeviceDescription).SetString("Disk");
    device.SetSize(40960);
    device.Property(kStorageDeviceId).SetString("IDE\\DISK");
    VARIANT record = device.ToRecord();
    ASSERT_EQ(VT_RECORD, record.vt);
    GUID guid;
    ASSERT_HRESULT_SUCCEEDED(record.pRecInfo->GetGuid(&guid));
    EXPECT_TRUE(IsEqualGUID(kStorageDeviceRecordId, guid));
    const StorageDeviceRecord* data = static_cast<StorageDeviceRecord*>(record.pvRecord);
    EXPECT_STREQ(L"Disk", data->description);
    EXPECT_EQ(40960, data->size);
    EXPECT_STREQ(L"100000101", data->flags);
    EXPECT_STREQ(L"IDE\\DISK", data->id);
    // Texts read back go through the setter, so they are trimmed.
    SysFreeString(data->description);
    const_cast<StorageDeviceRecord*>(data)->description = SysAllocString(L"  Disk 2 ");
    StorageDeviceImpl back(record);
    EXPECT_EQ("Disk 2", back.Property(kStorageDeviceDescription).GetString());
    EXPECT_EQ("100000101", FormatModifiedFlags(back.Properties()));
    VariantClear(&record);
}

// The C layouts through which records are filled agree with the offsets the
// type library gives each field.
TEST_F(RecordBridge, RecordLayoutsMatchTheTypeLibrary)
{
    struct Layout {
        const GUID& id;
        ULONG size;
        std::vector<size_t> offsets;
    } layouts[] = {
        {kLogicalDriveRecordId,
         sizeof(LogicalDriveRecord),
         {offsetof(LogicalDriveRecord, driveLetter), offsetof(LogicalDriveRecord, networkDrive),
          offsetof(LogicalDriveRecord, path), offsetof(LogicalDriveRecord, freeSpace),
          offsetof(LogicalDriveRecord, totalSize), offsetof(LogicalDriveRecord, fileSystem),
          offsetof(LogicalDriveRecord, flags)}},
        {kStorageDeviceRecordId,
         sizeof(StorageDeviceRecord),
         {offsetof(StorageDeviceRecord, description), offsetof(StorageDeviceRecord, deviceType),
          offsetof(StorageDeviceRecord, manufacturer), offsetof(StorageDeviceRecord, model),
          offsetof(StorageDeviceRecord, modelNo), offsetof(StorageDeviceRecord, serialNo),
          offsetof(StorageDeviceRecord, size), offsetof(StorageDeviceRecord, deviceInterface),
          offsetof(StorageDeviceRecord, flags), offsetof(StorageDeviceRecord, id)}},
        {kNetworkAdapterRecordId,
         sizeof(NetworkAdapterRecord),
         {offsetof(NetworkAdapterRecord, description), offsetof(NetworkAdapterRecord, macAddress),
          offsetof(NetworkAdapterRecord, ipAddress), offsetof(NetworkAdapterRecord, gateway),
          offsetof(NetworkAdapterRecord, subnet), offsetof(NetworkAdapterRecord, dhcp),
          offsetof(NetworkAdapterRecord, flags)}},
        {kSoftwareRecordId,
         sizeof(SoftwareRecord),
         {offsetof(SoftwareRecord, description), offsetof(SoftwareRecord, version),
          offsetof(SoftwareRecord, manufacturer), offsetof(SoftwareRecord, unused), offsetof(SoftwareRecord, id),
          offsetof(SoftwareRecord, flags)}},
    };
    ITypeLib* library = nullptr;
    RegisterAssetRecords();
    ASSERT_HRESULT_SUCCEEDED(LoadRegTypeLib(kAssetRecordsLibId, 1, 0, GetUserDefaultLCID(), &library));
    for (const Layout& layout : layouts) {
        ITypeInfo* info = nullptr;
        ASSERT_HRESULT_SUCCEEDED(library->GetTypeInfoOfGuid(layout.id, &info));
        TYPEATTR* attributes = nullptr;
        ASSERT_HRESULT_SUCCEEDED(info->GetTypeAttr(&attributes));
        EXPECT_EQ(TKIND_RECORD, attributes->typekind);
        EXPECT_EQ(layout.size, attributes->cbSizeInstance);
        ASSERT_EQ(layout.offsets.size(), attributes->cVars);
        for (UINT i = 0; i < attributes->cVars; ++i) {
            VARDESC* field = nullptr;
            ASSERT_HRESULT_SUCCEEDED(info->GetVarDesc(i, &field));
            EXPECT_EQ(layout.offsets[i], field->oInst) << "field " << i;
            info->ReleaseVarDesc(field);
        }
        info->ReleaseTypeAttr(attributes);
        info->Release();
    }
    library->Release();
}

VARIANT MakeForm(const wchar_t* states, const std::vector<VARIANT>& records)
{
    SAFEARRAY* array = SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(records.size() + 1));
    VARIANT* elements = static_cast<VARIANT*>(array->pvData);
    elements[0].vt = VT_BSTR;
    elements[0].bstrVal = SysAllocString(states);
    for (size_t i = 0; i < records.size(); ++i) {
        elements[i + 1] = records[i];
    }
    VARIANT form;
    VariantInit(&form);
    form.vt = VT_ARRAY | VT_VARIANT;
    form.parray = array;
    return form;
}

// The VARIANT form with removed objects, by reference, and malformed ones.
TEST_F(RecordBridge, VariantForms)
{
    LogicalDriveImpl c, d, e;
    c.SetDriveLetter("c:");
    d.SetDriveLetter("d:");
    e.SetDriveLetter("e:");

    VARIANT form = MakeForm(L"102", {d.ToRecord(), c.ToRecord(), e.ToRecord()});
    LogicalDriveCollection drives;
    drives.FromVariant(form);
    EXPECT_EQ("102", drives.ChangeStateText());
    ASSERT_EQ(2u, drives.Members().size());
    EXPECT_EQ("D:", drives.Members()[0]->Property(kLogicalDriveLetter).GetString());
    EXPECT_EQ("E:", drives.Removed()[0]->Property(kLogicalDriveLetter).GetString());
    ASSERT_EQ(1u, drives.Added().size());
    EXPECT_EQ(drives.Added()[0], drives.Members()[0]);
    ExpectDeepCopy(drives);

    VARIANT reference;
    VariantInit(&reference);
    reference.vt = VT_ARRAY | VT_VARIANT | VT_BYREF;
    reference.pparray = &form.parray;
    LogicalDriveCollection byReference;
    byReference.FromVariant(reference);
    EXPECT_EQ("102", byReference.ChangeStateText());

    struct Malformed {
        const char* name;
        VARIANT form;
    };
    VARIANT number;
    VariantInit(&number);
    number.vt = VT_I4;
    VARIANT text;
    VariantInit(&text);
    text.vt = VT_BSTR;
    text.bstrVal = SysAllocString(L"1");
    VARIANT numbers;
    VariantInit(&numbers);
    numbers.vt = VT_ARRAY | VT_I4;
    numbers.parray = SafeArrayCreateVector(VT_I4, 0, 2);
    Malformed cases[] = {
        {"not an array", number},
        {"a text", text},
        {"an array of numbers", numbers},
        {"unknown change state", MakeForm(L"1x", {c.ToRecord(), d.ToRecord()})},
        {"more states than records", MakeForm(L"11", {c.ToRecord()})},
        {"a record of another type", MakeForm(L"1", {AssetSoftwareImpl().ToRecord()})},
        {"not a record", MakeForm(L"1", {number})},
    };
    for (Malformed& m : cases) {
        SCOPED_TRACE(m.name);
        LogicalDriveCollection target;
        try {
            target.FromVariant(m.form);
            ADD_FAILURE() << "no exception";
        } catch (const _com_error& error) {
            EXPECT_EQ(E_INVALIDARG, error.Error());
        }
        EXPECT_TRUE(target.Members().empty());
        VariantClear(&m.form);
    }

    // Arrays without records give an empty collection.
    LogicalDriveCollection empty;
    VARIANT statesOnly = MakeForm(L"", {});
    empty.FromVariant(statesOnly);
    EXPECT_TRUE(empty.Members().empty());
    VariantClear(&statesOnly);
    VariantClear(&form);
}

// Assign copies the other computer's own part, parts included, and leaves the
// generic part alone.
TEST_F(RecordBridge, AssignCopiesOwnPartsAndKeepsGenericProperties)
{
    AssetComputerImpl source;
    source.Property(kAssetName).SetString("SOURCE");
    source.Property(kDomain).SetString("WORKGROUP");
    source.SetCpuCount(2);
    source.Property(kOsInstallDate).SetVariant(_variant_t(L"1/2/2003"));
    source.GetSoftware()->Add(MakePart<AssetSoftwareImpl>("Editor", true));
    source.GetNetworkAdapters()->Add(MakePart<NetworkAdapterImpl>("Ethernet", false));
    source.GetHotfixes()->Add("KB1");

    AssetComputerImpl target;
    target.Property(kAssetName).SetString("TARGET");
    target.Assign(source);
    EXPECT_EQ("TARGET", target.Property(kAssetName).GetString());
    EXPECT_EQ(Dump(source.ComputerProperties()).substr(0, 20), Dump(target.ComputerProperties()).substr(0, 20));
    EXPECT_EQ(FormatModifiedFlags(source.ComputerProperties()), FormatModifiedFlags(target.ComputerProperties()));
    EXPECT_STREQ(L"1/2/2003", target.GetOsInstallDate().bstrVal);
    EXPECT_EQ(2, target.GetCpuCount());
    ASSERT_EQ(1u, target.GetSoftware()->Members().size());
    EXPECT_NE(source.GetSoftware()->Members()[0], target.GetSoftware()->Members()[0]);
    EXPECT_EQ(Dump(source.GetSoftware()->Members()[0]->Properties()),
              Dump(target.GetSoftware()->Members()[0]->Properties()));
    EXPECT_EQ(source.GetNetworkAdapters()->Members()[0]->GetMacAddress(),
              target.GetNetworkAdapters()->Members()[0]->GetMacAddress());
    ASSERT_EQ(1u, target.GetHotfixes()->Values().size());
    EXPECT_NE(source.GetHotfixes(), target.GetHotfixes());

    AssetComputerImpl full(source);
    EXPECT_EQ("SOURCE", full.Property(kAssetName).GetString());
    EXPECT_EQ(1u, full.GetSoftware()->Members().size());
}

// The embedded type library registers for this user and is found again.
TEST_F(RecordBridge, TypeLibraryRegistration)
{
    ITypeLib* library = nullptr;
    UnRegisterTypeLib(kAssetRecordsLibId, 1, 0, 0, SYS_WIN64);
    EXPECT_HRESULT_FAILED(LoadRegTypeLib(kAssetRecordsLibId, 1, 0, GetUserDefaultLCID(), &library));
    ASSERT_NO_THROW(RegisterAssetRecords());
    ASSERT_HRESULT_SUCCEEDED(LoadRegTypeLib(kAssetRecordsLibId, 1, 0, GetUserDefaultLCID(), &library));
    library->Release();
    BSTR path = nullptr;
    ASSERT_HRESULT_SUCCEEDED(QueryPathOfRegTypeLib(kAssetRecordsLibId, 1, 0, GetUserDefaultLCID(), &path));
    EXPECT_NE(std::wstring::npos, std::wstring(path).find(L"asset_tests.exe"));
    SysFreeString(path);
    try {
        CreateAssetRecord(kAssetRecordsLibId, kAssetRecordsLibId, 1, 0);
        ADD_FAILURE() << "a record of an unknown type was made";
    } catch (const _com_error& e) {
        EXPECT_TRUE(FAILED(e.Error()));
    }
}

} // namespace

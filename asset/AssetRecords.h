// The COM record forms of the parts of a computer asset and the VARIANT form
// of an object collection. The records are described by the asset record type
// library, which is embedded in the program and registered for the current
// user the first time a record is made.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <string>
#include <vector>

namespace AssetIMPL {

extern const GUID kAssetRecordsLibId;
extern const GUID kLogicalDriveRecordId;
extern const GUID kStorageDeviceRecordId;
extern const GUID kNetworkAdapterRecordId;
extern const GUID kSoftwareRecordId;
const WORD kAssetRecordsMajor = 1;
const WORD kAssetRecordsMinor = 0;

// The memory layouts of the records, field for field as in the type library.
// Fields are written and read through these rather than IRecordInfo::PutField
// and GetField, which some OLE Automation implementations get wrong.
struct LogicalDriveRecord {
    BSTR driveLetter;
    VARIANT_BOOL networkDrive;
    BSTR path;
    LONG freeSpace;
    LONG totalSize;
    BSTR fileSystem;
    BSTR flags;
};

struct StorageDeviceRecord {
    BSTR description;
    BSTR deviceType;
    BSTR manufacturer;
    BSTR model;
    BSTR modelNo;
    BSTR serialNo;
    LONG size;
    BSTR deviceInterface;
    BSTR flags;
    BSTR id;
};

struct NetworkAdapterRecord {
    BSTR description;
    BSTR macAddress;
    BSTR ipAddress;
    BSTR gateway;
    BSTR subnet;
    VARIANT_BOOL dhcp;
    BSTR flags;
};

struct SoftwareRecord {
    BSTR description;
    BSTR version;
    BSTR manufacturer;
    BSTR unused;
    BSTR id;
    BSTR flags;
};

// A new, empty record of the given type as a VT_RECORD VARIANT (the caller
// clears it). Failures are raised as _com_error.
VARIANT CreateAssetRecord(const GUID& libId, const GUID& recordId, WORD major, WORD minor);

// The record data of a VT_RECORD VARIANT of the given type; raises
// _com_error E_INVALIDARG for anything else.
void* AssetRecordData(const VARIANT& record, const GUID& recordId);

// Makes the type library known for the current user when it is not yet
// (no administrator rights needed). Raises _com_error when that fails.
void RegisterAssetRecords();

// A record field's text; raises _com_error E_OUTOFMEMORY when none can be
// allocated.
BSTR RecordText(const std::string& text);
inline VARIANT_BOOL RecordBool(bool value)
{
    return value ? VARIANT_TRUE : VARIANT_FALSE;
}

// The VARIANT form of a collection: VT_NULL for no records, else an array of
// VARIANTs, the change-state text first, then the records (whose ownership
// passes to the array; the vector is emptied).
VARIANT MakeCollectionVariant(const std::string& changeStates, std::vector<VARIANT>& records);

// Reads the VARIANT form of a collection, keeping the array locked while it
// lives. Raises _com_error E_INVALIDARG for a VARIANT of another form.
class CollectionVariantReader {
public:
    explicit CollectionVariantReader(const VARIANT& collection);
    ~CollectionVariantReader();
    CollectionVariantReader(const CollectionVariantReader&) = delete;
    CollectionVariantReader& operator=(const CollectionVariantReader&) = delete;

    const std::string& ChangeStates() const { return m_changeStates; }
    // The record that belongs to character i of the change-state text.
    const VARIANT& Record(size_t i) const;

private:
    SAFEARRAY* m_array = nullptr;
    VARIANT* m_elements = nullptr;
    size_t m_count = 0;
    std::string m_changeStates;
};

// Owns VARIANTs until they are handed on; clears what is left.
class VariantList {
public:
    VariantList() = default;
    ~VariantList();
    VariantList(const VariantList&) = delete;
    VariantList& operator=(const VariantList&) = delete;
    void Add(const VARIANT& value) { m_values.push_back(value); }
    std::vector<VARIANT>& Values() { return m_values; }

private:
    std::vector<VARIANT> m_values;
};

} // namespace AssetIMPL

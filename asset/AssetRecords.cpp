// COM records of the asset parts.
//
// The type library that describes the records is built with the program and
// embedded in it as TYPELIB resource 1. Records are made through the
// registered library (LoadRegTypeLib), so the first record made by a process
// that cannot load it registers the embedded copy for the current user:
// HKCU\Software\Classes\TypeLib needs no administrator rights. The keys are
// left to RegisterTypeLibForUser rather than written by hand: Wine's
// LoadRegTypeLib does not read per-user keys, and its RegisterTypeLibForUser
// registers machine-wide instead.
//
// Field data is written and read through the C layouts of AssetRecords.h; the
// size the type library gives each record is checked against them, so
// a library that disagrees with the layouts is refused rather than written
// past.
#include "asset/AssetRecords.h"

#include "common/TextHelpers.h"

#include <comdef.h>

#include <atomic>

extern "C" HRESULT WINAPI RegisterTypeLibForUser(ITypeLib* library, OLECHAR* path, OLECHAR* helpDir);

namespace AssetIMPL {

const GUID kAssetRecordsLibId = {0x02f8082f, 0x9ddc, 0x47a2, {0x90, 0xae, 0xca, 0x2a, 0xbf, 0xe1, 0xe5, 0xe2}};
const GUID kLogicalDriveRecordId = {0x75936011, 0x7f3f, 0x431f, {0xb0, 0xc4, 0x00, 0xd0, 0xd4, 0x1e, 0x78, 0xd0}};
const GUID kStorageDeviceRecordId = {0x667c726c, 0x7278, 0x4180, {0x9f, 0x54, 0x17, 0xe6, 0x8b, 0x59, 0xc7, 0x75}};
const GUID kNetworkAdapterRecordId = {0x7b8387b2, 0x98de, 0x4a02, {0x88, 0x1f, 0x3d, 0x23, 0xee, 0x0d, 0x30, 0x27}};
const GUID kSoftwareRecordId = {0x2af827da, 0xefac, 0x45c2, {0xb2, 0xdc, 0x94, 0xff, 0x57, 0x4b, 0xa0, 0xe3}};

namespace {

// Holds one interface reference.
template <class T>
class ComRef {
public:
    ComRef() = default;
    ~ComRef()
    {
        if (m_pointer != nullptr) {
            m_pointer->Release();
        }
    }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    T** Out() { return &m_pointer; }
    T* operator->() const { return m_pointer; }
    T* Get() const { return m_pointer; }
    T* Detach()
    {
        T* pointer = m_pointer;
        m_pointer = nullptr;
        return pointer;
    }

private:
    T* m_pointer = nullptr;
};

void Check(HRESULT hr)
{
    if (FAILED(hr)) {
        _com_issue_error(hr);
    }
}

std::atomic<bool> g_registrationTried{false};

// The module that holds the embedded type library: the one that holds this
// code, else the program itself.
HMODULE TypeLibraryModule()
{
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&TypeLibraryModule), &module);
    if (module != nullptr && FindResourceW(module, MAKEINTRESOURCEW(1), L"TYPELIB") != nullptr) {
        return module;
    }
    return GetModuleHandleW(nullptr);
}

std::wstring ModulePath(HMODULE module)
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD length = GetModuleFileNameW(module, &path[0], static_cast<DWORD>(path.size()));
        if (length == 0) {
            Check(HRESULT_FROM_WIN32(GetLastError()));
        }
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        if (path.size() >= 32768) {
            _com_issue_error(HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE));
        }
        path.resize(path.size() * 2);
    }
}

void LoadRecordLibrary(const GUID& libId, WORD major, WORD minor, ComRef<ITypeLib>& library)
{
    HRESULT hr = LoadRegTypeLib(libId, major, minor, GetUserDefaultLCID(), library.Out());
    if (FAILED(hr) && IsEqualGUID(libId, kAssetRecordsLibId) && !g_registrationTried.exchange(true)) {
        RegisterAssetRecords();
        hr = LoadRegTypeLib(libId, major, minor, GetUserDefaultLCID(), library.Out());
    }
    Check(hr);
}

// The size of our C layout for a record type of ours; 0 for any other type.
ULONG LayoutSize(const GUID& recordId)
{
    if (IsEqualGUID(recordId, kLogicalDriveRecordId)) {
        return sizeof(LogicalDriveRecord);
    }
    if (IsEqualGUID(recordId, kStorageDeviceRecordId)) {
        return sizeof(StorageDeviceRecord);
    }
    if (IsEqualGUID(recordId, kNetworkAdapterRecordId)) {
        return sizeof(NetworkAdapterRecord);
    }
    if (IsEqualGUID(recordId, kSoftwareRecordId)) {
        return sizeof(SoftwareRecord);
    }
    return 0;
}

} // namespace

void RegisterAssetRecords()
{
    std::wstring path = ModulePath(TypeLibraryModule());
    ComRef<ITypeLib> library;
    Check(LoadTypeLibEx(path.c_str(), REGKIND_NONE, library.Out()));
    Check(RegisterTypeLibForUser(library.Get(), &path[0], nullptr));
}

VARIANT CreateAssetRecord(const GUID& libId, const GUID& recordId, WORD major, WORD minor)
{
    ComRef<ITypeLib> library;
    LoadRecordLibrary(libId, major, minor, library);
    ComRef<ITypeInfo> typeInfo;
    Check(library->GetTypeInfoOfGuid(recordId, typeInfo.Out()));
    ComRef<IRecordInfo> recordInfo;
    Check(GetRecordInfoFromTypeInfo(typeInfo.Get(), recordInfo.Out()));

    ULONG expected = LayoutSize(recordId);
    if (expected != 0) {
        ULONG size = 0;
        Check(recordInfo->GetSize(&size));
        if (size != expected) {
            _com_issue_error(TYPE_E_TYPEMISMATCH);
        }
    }
    void* data = recordInfo->RecordCreate();
    if (data == nullptr) {
        _com_issue_error(E_OUTOFMEMORY);
    }
    VARIANT record;
    VariantInit(&record);
    record.vt = VT_RECORD;
    record.pvRecord = data;
    record.pRecInfo = recordInfo.Detach();
    return record;
}

void* AssetRecordData(const VARIANT& record, const GUID& recordId)
{
    if (record.vt != VT_RECORD || record.pRecInfo == nullptr || record.pvRecord == nullptr) {
        _com_issue_error(E_INVALIDARG);
    }
    GUID guid;
    Check(record.pRecInfo->GetGuid(&guid));
    if (!IsEqualGUID(guid, recordId)) {
        _com_issue_error(E_INVALIDARG);
    }
    return record.pvRecord;
}

BSTR RecordText(const std::string& text)
{
    const std::wstring wide = ToWideString(text);
    BSTR result = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
    if (result == nullptr) {
        _com_issue_error(E_OUTOFMEMORY);
    }
    return result;
}

VARIANT MakeCollectionVariant(const std::string& changeStates, std::vector<VARIANT>& records)
{
    VARIANT collection;
    VariantInit(&collection);
    if (records.empty()) {
        collection.vt = VT_NULL;
        return collection;
    }
    SAFEARRAY* array = SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(records.size() + 1));
    if (array == nullptr) {
        _com_issue_error(E_OUTOFMEMORY);
    }
    VARIANT* elements = nullptr;
    HRESULT hr = SafeArrayAccessData(array, reinterpret_cast<void**>(&elements));
    if (FAILED(hr)) {
        SafeArrayDestroy(array);
        _com_issue_error(hr);
    }
    BSTR states = nullptr;
    try {
        states = RecordText(changeStates);
    } catch (...) {
        SafeArrayUnaccessData(array);
        SafeArrayDestroy(array);
        throw;
    }
    elements[0].vt = VT_BSTR;
    elements[0].bstrVal = states;
    // The records move into the array as they are: no copy of their data.
    for (size_t i = 0; i < records.size(); ++i) {
        elements[i + 1] = records[i];
    }
    records.clear();
    SafeArrayUnaccessData(array);
    collection.vt = VT_ARRAY | VT_VARIANT;
    collection.parray = array;
    return collection;
}

CollectionVariantReader::CollectionVariantReader(const VARIANT& collection)
{
    if ((collection.vt & VT_ARRAY) == 0) {
        _com_issue_error(E_INVALIDARG);
    }
    SAFEARRAY* array = (collection.vt & VT_BYREF) != 0 ? (collection.pparray != nullptr ? *collection.pparray : nullptr)
                                                       : collection.parray;
    if (array == nullptr) {
        _com_issue_error(E_INVALIDARG);
    }
    // Only a one-dimensional array of VARIANTs can be read element by
    // element as VARIANTs.
    VARTYPE elementType = VT_EMPTY;
    if (SafeArrayGetDim(array) != 1 || FAILED(SafeArrayGetVartype(array, &elementType)) || elementType != VT_VARIANT) {
        _com_issue_error(E_INVALIDARG);
    }
    Check(SafeArrayLock(array));
    m_array = array;
    m_elements = static_cast<VARIANT*>(array->pvData);
    m_count = array->rgsabound[0].cElements;
    if (m_count <= 1) {
        return; // no records: an empty collection
    }
    try {
        _variant_t states;
        Check(VariantChangeType(&states, &m_elements[0], 0, VT_BSTR));
        m_changeStates = BstrToStdString(states.bstrVal);
    } catch (...) {
        SafeArrayUnlock(m_array);
        throw;
    }
}

CollectionVariantReader::~CollectionVariantReader()
{
    if (m_array != nullptr) {
        SafeArrayUnlock(m_array);
    }
}

// A change-state text longer than the array is refused rather than read past
// the array's end.
const VARIANT& CollectionVariantReader::Record(size_t i) const
{
    if (i + 1 >= m_count) {
        _com_issue_error(E_INVALIDARG);
    }
    return m_elements[i + 1];
}

VariantList::~VariantList()
{
    for (VARIANT& value : m_values) {
        VariantClear(&value);
    }
}

} // namespace AssetIMPL

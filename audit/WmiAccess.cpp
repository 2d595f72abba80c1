// The WMI reads of the audit engine, late-bound through IDispatch on the
// scripting objects (SWbemServices, SWbemObjectSet, SWbemObject,
// SWbemPropertySet, SWbemProperty), so the same walk runs against the real
// objects and against scripted ones in tests.
//
// Object-level reads walk the object's property set and compare each
// property's Name exactly (case matters); the class-level reads take the
// property of the first instance by name, as WMI matches it. Every failing
// call is raised as _com_error with the code (and the text) the object gave;
// smart pointers and _variant_t release what was taken on every path.
#include "audit/WmiAccess.h"

#include "audit/SanitizeText.h"
#include "audit/WmiAuditRules.h"
#include "common/TextHelpers.h"

#include <oleauto.h>
#include <wbemdisp.h>

_COM_SMARTPTR_TYPEDEF(ISWbemLocator, __uuidof(ISWbemLocator));

namespace {

const long kReturnImmediately = 16;
const long kCimBoolean = 11;
const long kCimString = 8;
const long kCimUint32 = 19;
const HRESULT kWbemNotFound = static_cast<HRESULT>(0x80041002);
// Arrays of strings (VT_BSTR) and of VARIANTs (VT_VARIANT) both carry this bit.
const VARTYPE kTextElementBit = 8;

std::string TrimBlanks(const std::string& text)
{
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return std::string();
    }
    const size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

// A failed Invoke that reports an exception carries its code and text in
// EXCEPINFO; they are handed on as the error's code and description.
void RaiseInvokeError(HRESULT hr, EXCEPINFO& info, IDispatch* object)
{
    if (hr != DISP_E_EXCEPTION) {
        IssueComError(hr, object, __uuidof(IDispatch));
    }
    if (info.pfnDeferredFillIn != nullptr) {
        info.pfnDeferredFillIn(&info);
    }
    HRESULT code = info.scode != 0 ? info.scode : hr;
    IErrorInfo* errorInfo = nullptr;
    if (info.bstrDescription != nullptr) {
        ICreateErrorInfo* create = nullptr;
        if (SUCCEEDED(CreateErrorInfo(&create))) {
            create->SetDescription(info.bstrDescription);
            create->SetSource(info.bstrSource);
            create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&errorInfo));
            create->Release();
        }
    }
    SysFreeString(info.bstrDescription);
    SysFreeString(info.bstrSource);
    SysFreeString(info.bstrHelpFile);
    _com_raise_error(code, errorInfo);
}

HRESULT TryInvoke(IDispatch* object, DISPID id, WORD flags, std::vector<_variant_t>& args, _variant_t& result)
{
    std::vector<VARIANTARG> reversed(args.rbegin(), args.rend());
    DISPPARAMS params = {reversed.empty() ? nullptr : reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    EXCEPINFO info = {};
    UINT argError = 0;
    result.Clear();
    const HRESULT hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, &result, &info, &argError);
    if (FAILED(hr)) {
        RaiseInvokeError(hr, info, object);
    }
    return hr;
}

_variant_t Invoke(IDispatch* object, const wchar_t* name, WORD flags, std::vector<_variant_t> args)
{
    if (object == nullptr) {
        _com_issue_error(E_POINTER);
    }
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[1] = {const_cast<LPOLESTR>(name)};
    const HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr)) {
        IssueComError(hr, object, __uuidof(IDispatch));
    }
    _variant_t result;
    TryInvoke(object, id, flags, args, result);
    return result;
}

struct FoundProperty {
    bool found = false;
    long cimType = kCimString;
    _variant_t value;
};

// The CIM type the classes the engine reads declare for the properties that
// are no strings; 0 for the others.
long DeclaredCimType(const std::string& name)
{
    static const struct {
        const char* name;
        long cimType;
    } kDeclared[] = {
        {"DHCPEnabled", kCimBoolean},
        {"DriveType", kCimUint32},
    };
    for (const auto& entry : kDeclared) {
        if (name == entry.name) {
            return entry.cimType;
        }
    }
    return 0;
}

// The type of a property taken by name. Where CIMType answers E_NOTIMPL (as
// Wine's does) the declared type is taken, and only for other properties is
// the type told by the value, so that a NULL keeps the type of its property.
long CimTypeOfNamedProperty(IDispatch* property, const std::string& name, const _variant_t& value)
{
    try {
        _variant_t cimType = DispatchGet(property, L"CIMType");
        return cimType.vt == VT_I4 ? cimType.lVal : static_cast<long>(cimType);
    } catch (const _com_error& error) {
        if (error.Error() != E_NOTIMPL) {
            throw;
        }
    }
    const long declared = DeclaredCimType(name);
    if (declared != 0) {
        return declared;
    }
    return value.vt == VT_BOOL ? kCimBoolean : kCimString;
}

// Wine's property sets cannot be walked (_NewEnum, Name and CIMType answer
// E_NOTIMPL): only then is the property taken by name.
FoundProperty ReadPropertyByNameFallback(IDispatch* properties, const std::string& name)
{
    FoundProperty property;
    _variant_t item;
    try {
        item = DispatchCall(properties, L"Item", {_variant_t(ToWideString(name).c_str()), _variant_t(0L)});
    } catch (const _com_error& error) {
        if (error.Error() == kWbemNotFound) {
            return property;
        }
        throw;
    }
    IDispatchPtr found = ObjectDispatch(item);
    property.value = DispatchGet(found, L"Value");
    property.cimType = CimTypeOfNamedProperty(found, name, property.value);
    property.found = true;
    return property;
}

// The first property of the object whose Name equals name exactly.
FoundProperty FindProperty(const _variant_t& object, const std::string& name, bool wantCimType)
{
    IDispatchPtr dispatch = ObjectDispatch(object);
    IDispatchPtr properties = ObjectDispatch(DispatchGet(dispatch, L"Properties_"));
    IEnumVARIANTPtr enumerator;
    try {
        enumerator = DispatchNewEnum(properties);
    } catch (const _com_error& error) {
        if (error.Error() == E_NOTIMPL) {
            return ReadPropertyByNameFallback(properties, name);
        }
        throw;
    }
    WmiObjectList list;
    CollectEnumVariants(enumerator, list);
    const std::wstring wanted = ToWideString(name);
    FoundProperty property;
    for (const _variant_t& element : list) {
        IDispatchPtr candidate = ObjectDispatch(element);
        _variant_t propertyName = DispatchGet(candidate, L"Name");
        if (propertyName.vt != VT_BSTR || propertyName.bstrVal == nullptr || wanted != propertyName.bstrVal) {
            continue;
        }
        if (wantCimType) {
            _variant_t cimType = DispatchGet(candidate, L"CIMType");
            property.cimType = cimType.vt == VT_I4 ? cimType.lVal : static_cast<long>(cimType);
        }
        property.value = DispatchGet(candidate, L"Value");
        property.found = true;
        break;
    }
    return property;
}

int ToInt(const _variant_t& value)
{
    _variant_t converted;
    const HRESULT hr = VariantChangeType(&converted, const_cast<_variant_t*>(&value), 0, VT_INT);
    if (FAILED(hr)) {
        _com_issue_error(hr);
    }
    return converted.intVal;
}

int ToI4OrZero(const VARIANT& value)
{
    _variant_t converted;
    if (FAILED(VariantChangeType(&converted, const_cast<VARIANT*>(&value), 0, VT_I4))) {
        return 0;
    }
    return converted.lVal;
}

long long ParseValueInt64(const _variant_t& value)
{
    VARIANT copy;
    VariantInit(&copy);
    VariantCopy(&copy, const_cast<_variant_t*>(&value));
    _bstr_t text = VariantToBstrOrEmpty(copy);
    return WmiAuditRules::ParseInt64(text.length() == 0 ? std::string() : static_cast<const char*>(text));
}

// The text elements of an array value, in array order.
WmiObjectList ArrayTexts(const _variant_t& value)
{
    WmiObjectList texts;
    SafeArrayToTextList(value, texts);
    return texts;
}

// Runs when an array of numbers is refused as no text array: Wine gives
// integer arrays (VT_ARRAY|VT_I4) where Windows gives VARIANT arrays.
bool AppendIntegerArray(const _variant_t& value, std::vector<int>& out)
{
    if (value.vt != (VT_ARRAY | VT_I4) || value.parray == nullptr || SafeArrayGetDim(value.parray) != 1) {
        return false;
    }
    LONG lower = 0;
    LONG upper = -1;
    if (FAILED(SafeArrayGetLBound(value.parray, 1, &lower)) || FAILED(SafeArrayGetUBound(value.parray, 1, &upper))) {
        return false;
    }
    for (LONG i = lower; i <= upper; ++i) {
        LONG element = 0;
        if (FAILED(SafeArrayGetElement(value.parray, &i, &element))) {
            return false;
        }
        out.push_back(static_cast<int>(element));
    }
    return true;
}

// The non-empty elements of an array value as numbers, in array order.
void AppendInts(const _variant_t& value, std::vector<int>& out)
{
    WmiObjectList texts;
    try {
        SafeArrayToTextList(value, texts);
    } catch (const _com_error& error) {
        if (error.Error() != E_INVALIDARG || !AppendIntegerArray(value, out)) {
            throw;
        }
        return;
    }
    for (const _variant_t& element : texts) {
        if (!VariantText(element).empty()) {
            out.push_back(ToI4OrZero(element));
        }
    }
}

class SafeArrayLockGuard {
public:
    explicit SafeArrayLockGuard(SAFEARRAY* array) : m_array(array)
    {
        const HRESULT hr = SafeArrayLock(array);
        if (FAILED(hr)) {
            _com_issue_error(hr);
        }
    }
    ~SafeArrayLockGuard() { SafeArrayUnlock(m_array); }
    SafeArrayLockGuard(const SafeArrayLockGuard&) = delete;
    SafeArrayLockGuard& operator=(const SafeArrayLockGuard&) = delete;

private:
    SAFEARRAY* m_array;
};

} // namespace

IDispatchPtr CreateWmiLocator()
{
    IUnknown* unknown = nullptr;
    HRESULT hr =
        CoCreateInstance(CLSID_SWbemLocator, nullptr, CLSCTX_ALL, IID_IUnknown, reinterpret_cast<void**>(&unknown));
    ISWbemLocator* locator = nullptr;
    if (SUCCEEDED(hr)) {
        hr = OleRun(unknown);
        if (SUCCEEDED(hr)) {
            hr = unknown->QueryInterface(__uuidof(ISWbemLocator), reinterpret_cast<void**>(&locator));
        }
        unknown->Release();
    }
    if (FAILED(hr) && hr != E_NOINTERFACE) {
        _com_issue_error(hr);
    }
    IDispatchPtr holder;
    holder.Attach(locator);
    return holder;
}

IDispatchPtr ConnectWmiServer(IDispatch* locator, const _bstr_t& server, long securityFlags)
{
    ISWbemLocatorPtr wbemLocator;
    if (locator == nullptr ||
        FAILED(locator->QueryInterface(__uuidof(ISWbemLocator), reinterpret_cast<void**>(&wbemLocator)))) {
        _com_issue_error(E_POINTER);
    }
    ISWbemServices* services = nullptr;
    const HRESULT hr = wbemLocator->ConnectServer(server, _bstr_t(L"root\\cimv2"), _bstr_t(L""), _bstr_t(L""),
                                                  _bstr_t(L""), _bstr_t(L""), securityFlags, nullptr, &services);
    if (FAILED(hr)) {
        IssueComError(hr, wbemLocator, __uuidof(ISWbemLocator));
    }
    IDispatchPtr connection;
    connection.Attach(services);
    return connection;
}

void IssueComError(HRESULT hr, IUnknown* object, REFIID iid)
{
    IErrorInfo* info = nullptr;
    ISupportErrorInfo* support = nullptr;
    if (object != nullptr &&
        SUCCEEDED(object->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(&support)))) {
        if (support->InterfaceSupportsErrorInfo(iid) == S_OK && GetErrorInfo(0, &info) != S_OK) {
            info = nullptr;
        }
        support->Release();
    }
    _com_raise_error(hr, info);
}

_variant_t DispatchGet(IDispatch* object, const wchar_t* name)
{
    return Invoke(object, name, DISPATCH_PROPERTYGET | DISPATCH_METHOD, {});
}

_variant_t DispatchCall(IDispatch* object, const wchar_t* name, std::vector<_variant_t> args)
{
    return Invoke(object, name, DISPATCH_METHOD | DISPATCH_PROPERTYGET, std::move(args));
}

IEnumVARIANTPtr DispatchNewEnum(IDispatch* collection)
{
    if (collection == nullptr) {
        _com_issue_error(E_POINTER);
    }
    std::vector<_variant_t> none;
    _variant_t result;
    TryInvoke(collection, DISPID_NEWENUM, DISPATCH_METHOD | DISPATCH_PROPERTYGET, none, result);
    IEnumVARIANTPtr enumerator;
    if (result.vt == VT_UNKNOWN || result.vt == VT_DISPATCH) {
        if (result.punkVal != nullptr) {
            result.punkVal->QueryInterface(__uuidof(IEnumVARIANT), reinterpret_cast<void**>(&enumerator));
        }
    }
    return enumerator;
}

IDispatchPtr ObjectDispatch(const _variant_t& element)
{
    IDispatchPtr dispatch;
    if ((element.vt == VT_DISPATCH || element.vt == VT_UNKNOWN) && element.punkVal != nullptr) {
        element.punkVal->QueryInterface(__uuidof(IDispatch), reinterpret_cast<void**>(&dispatch));
    }
    if (!dispatch) {
        _com_issue_error(E_POINTER);
    }
    return dispatch;
}

void CollectEnumVariants(IEnumVARIANT* enumerator, WmiObjectList& out)
{
    if (enumerator == nullptr) {
        _com_issue_error(E_POINTER);
    }
    for (;;) {
        VARIANT element;
        VariantInit(&element);
        ULONG fetched = 0;
        const HRESULT hr = enumerator->Next(1, &element, &fetched);
        if (FAILED(hr) || fetched < 1) {
            VariantClear(&element);
            return;
        }
        out.push_back(_variant_t(element, false));
    }
}

long SafeArrayToTextList(const VARIANT& value, WmiObjectList& out)
{
    if ((value.vt & VT_ARRAY) == 0 || (value.vt & kTextElementBit) == 0) {
        _com_issue_error(E_INVALIDARG);
    }
    SAFEARRAY* array =
        (value.vt & VT_BYREF) != 0 ? (value.pparray != nullptr ? *value.pparray : nullptr) : value.parray;
    if (array == nullptr || SafeArrayGetDim(array) != 1) {
        _com_issue_error(E_INVALIDARG);
    }
    // The type bit alone also admits booleans, interfaces, error codes and
    // decimals: only an array that really holds VARIANTs or strings is read.
    const bool holdsVariants = (array->fFeatures & FADF_VARIANT) != 0;
    const bool holdsStrings = (array->fFeatures & FADF_BSTR) != 0;
    if (holdsVariants ? array->cbElements != sizeof(VARIANT) : (!holdsStrings || array->cbElements != sizeof(BSTR))) {
        _com_issue_error(E_INVALIDARG);
    }
    SafeArrayLockGuard lock(array);
    LONG lower = 0;
    LONG upper = -1;
    HRESULT hr = SafeArrayGetLBound(array, 1, &lower);
    if (SUCCEEDED(hr)) {
        hr = SafeArrayGetUBound(array, 1, &upper);
    }
    if (FAILED(hr)) {
        _com_issue_error(hr);
    }
    const LONG count = upper - lower + 1;
    if ((array->fFeatures & FADF_VARIANT) != 0) {
        VARIANT* elements = static_cast<VARIANT*>(array->pvData);
        for (LONG i = 0; i < count; ++i) {
            if (elements[i].vt != VT_BSTR) {
                hr = VariantChangeType(&elements[i], &elements[i], VARIANT_ALPHABOOL, VT_BSTR);
                if (FAILED(hr)) {
                    _com_issue_error(hr);
                }
            }
            out.push_back(_variant_t(elements[i].bstrVal));
        }
    } else {
        BSTR* elements = static_cast<BSTR*>(array->pvData);
        for (LONG i = 0; i < count; ++i) {
            out.push_back(_variant_t(elements[i]));
        }
    }
    return count;
}

_bstr_t VariantToBstrOrEmpty(VARIANT& value)
{
    _bstr_t text;
    if (value.vt != VT_NULL) {
        VARIANT converted;
        VariantInit(&converted);
        if (SUCCEEDED(VariantChangeType(&converted, &value, 0, VT_BSTR))) {
            text = _bstr_t(converted.bstrVal);
        }
        VariantClear(&converted);
    }
    VariantClear(&value);
    return text;
}

std::string VariantText(const VARIANT& value)
{
    if (value.vt == VT_NULL) {
        return std::string();
    }
    _variant_t converted;
    if (value.vt == VT_BSTR) {
        converted = value;
    } else if (FAILED(VariantChangeType(&converted, const_cast<VARIANT*>(&value), 0, VT_BSTR))) {
        return std::string();
    }
    if (converted.bstrVal == nullptr) {
        return std::string();
    }
    return static_cast<const char*>(_bstr_t(converted.bstrVal));
}

void WmiDispatchAccess::GetInstances(const std::string& className, WmiObjectList& out)
{
    _variant_t set = DispatchCall(m_services, L"InstancesOf",
                                  {_variant_t(ToWideString(className).c_str()), _variant_t(kReturnImmediately),
                                   _variant_t(static_cast<IDispatch*>(nullptr))});
    CollectEnumVariants(DispatchNewEnum(ObjectDispatch(set)), out);
}

void WmiDispatchAccess::ExecWqlQuery(const std::string& query, WmiObjectList& out)
{
    _variant_t set = DispatchCall(m_services, L"ExecQuery",
                                  {_variant_t(ToWideString(query).c_str()), _variant_t(L"WQL"),
                                   _variant_t(kReturnImmediately), _variant_t(static_cast<IDispatch*>(nullptr))});
    CollectEnumVariants(DispatchNewEnum(ObjectDispatch(set)), out);
}

bool WmiDispatchAccess::ReadFirstInstanceValue(const std::string& className, const std::string& name, _variant_t& value)
{
    WmiObjectList instances;
    GetInstances(className, instances);
    if (instances.empty()) {
        return false;
    }
    IDispatchPtr properties = ObjectDispatch(DispatchGet(ObjectDispatch(instances.front()), L"Properties_"));
    _variant_t property = DispatchCall(properties, L"Item", {_variant_t(ToWideString(name).c_str()), _variant_t(0L)});
    value = DispatchGet(ObjectDispatch(property), L"Value");
    return true;
}

std::string WmiDispatchAccess::ReadWmiProperty(const std::string& className, const std::string& name)
{
    _variant_t value;
    if (!ReadFirstInstanceValue(className, name, value)) {
        return std::string();
    }
    return TrimBlanks(SanitizeText(VariantText(value)));
}

int WmiDispatchAccess::ReadWmiPropertyInt(const std::string& className, const std::string& name)
{
    _variant_t value;
    if (!ReadFirstInstanceValue(className, name, value) || VariantText(value).empty()) {
        return 0;
    }
    return ToInt(value);
}

long long WmiDispatchAccess::ReadWmiPropertyInt64(const std::string& className, const std::string& name)
{
    _variant_t value;
    if (!ReadFirstInstanceValue(className, name, value)) {
        return 0;
    }
    return ParseValueInt64(value);
}

std::string WmiDispatchAccess::ReadObjectProperty(const _variant_t& object, const std::string& name)
{
    FoundProperty property = FindProperty(object, name, true);
    if (!property.found) {
        return std::string();
    }
    if (property.cimType == kCimUint32) {
        return std::to_string(ToI4OrZero(property.value));
    }
    if (property.cimType == kCimBoolean) {
        _variant_t converted;
        const bool isTrue =
            SUCCEEDED(VariantChangeType(&converted, &property.value, 0, VT_BOOL)) && converted.boolVal != VARIANT_FALSE;
        return isTrue ? "1" : "0";
    }
    return TrimBlanks(SanitizeText(VariantText(property.value)));
}

int WmiDispatchAccess::ReadObjectPropertyInt(const _variant_t& object, const std::string& name)
{
    FoundProperty property = FindProperty(object, name, false);
    return property.found ? ToInt(property.value) : 0;
}

long long WmiDispatchAccess::ReadObjectPropertyInt64(const _variant_t& object, const std::string& name)
{
    FoundProperty property = FindProperty(object, name, false);
    return property.found ? ParseValueInt64(property.value) : 0;
}

void WmiDispatchAccess::ReadObjectPropertyIntList(const _variant_t& object, const std::string& name,
                                                  std::vector<int>& out)
{
    FoundProperty property = FindProperty(object, name, false);
    if (property.found) {
        AppendInts(property.value, out);
    }
}

void WmiDispatchAccess::ReadObjectPropertyTextList(const _variant_t& object, const std::string& name,
                                                   std::vector<std::string>& out)
{
    std::vector<std::string> texts;
    ReadObjectPropertyElementTexts(object, name, texts);
    for (std::string& text : texts) {
        if (!text.empty()) {
            out.push_back(std::move(text));
        }
    }
}

void WmiDispatchAccess::ReadObjectPropertyElementTexts(const _variant_t& object, const std::string& name,
                                                       std::vector<std::string>& out)
{
    FoundProperty property = FindProperty(object, name, false);
    if (!property.found) {
        return;
    }
    for (const _variant_t& element : ArrayTexts(property.value)) {
        out.push_back(VariantText(element));
    }
}

int WmiDispatchAccess::ReadObjectPropertyIntOrZero(const _variant_t& object, const std::string& name)
{
    FoundProperty property = FindProperty(object, name, false);
    return property.found && property.value.vt != VT_NULL ? ToInt(property.value) : 0;
}

void WmiDispatchAccess::ReadObjectPropertyIntListIfAny(const _variant_t& object, const std::string& name,
                                                       std::vector<int>& out)
{
    FoundProperty property = FindProperty(object, name, false);
    if (property.found && property.value.vt != VT_NULL) {
        AppendInts(property.value, out);
    }
}

namespace {

// Only WBEM_E_NOT_FOUND, the answer for a property the class does not have,
// reads as absent: a failing provider or connection still fails the read.
template <class T, class Read>
T ReadOrAbsent(T absent, Read read)
{
    try {
        return read();
    } catch (const _com_error& error) {
        if (error.Error() != kWbemNotFound) {
            throw;
        }
    }
    return absent;
}

} // namespace

int WmiAccess::ReadWmiPropertyIntOrZero(const std::string& className, const std::string& name)
{
    return ReadOrAbsent(0, [&] { return ReadWmiPropertyInt(className, name); });
}

std::string WmiAccess::ReadWmiPropertyOrEmpty(const std::string& className, const std::string& name)
{
    return ReadOrAbsent(std::string(), [&] { return ReadWmiProperty(className, name); });
}

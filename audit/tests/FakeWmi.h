// Scripted WMI scripting objects at the IDispatch level: services, object
// sets, objects, property sets and properties over a table of classes. They
// answer as the real objects do (names through GetIDsOfNames, _NewEnum,
// case-insensitive Item, case-sensitive Name), and can answer as Wine does
// (E_NOTIMPL for the property-set walk, a rejected "IPEnabled=-1").
#pragma once

#include "audit/WmiAccess.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

const long kCimString = 8;
const long kCimBoolean = 11;
const long kCimUint32 = 19;
const long kCimUint16Array = 0x2000 | 18;

struct FakeProperty {
    std::wstring name;
    long cimType;
    _variant_t value;
    HRESULT valueError = S_OK; // the Value read fails with it
    // With a text, the failure comes as an exception of the call
    // (DISP_E_EXCEPTION) carrying the code and this description.
    std::wstring errorText = std::wstring();
    // The property set's Item fails with it for this name (as an exception
    // with errorText when there is one, as Wine reports a missing property).
    HRESULT itemError = S_OK;
};

typedef std::vector<FakeProperty> FakeInstance;

struct FakeWmiData {
    std::map<std::wstring, std::vector<FakeInstance>> classes;
    // A query text answers with the instances of a class.
    std::map<std::wstring, std::wstring> queries;
    // InstancesOf or ExecQuery of this class or query text fails.
    std::map<std::wstring, HRESULT> failures;
    bool wineGaps = false;
    // The property-set walk (_NewEnum) fails with this code when set.
    HRESULT walkError = S_OK;
    // Every InstancesOf and ExecQuery argument, in order.
    std::vector<std::wstring> calls;

    FakeInstance& Add(const std::wstring& className)
    {
        classes[className].emplace_back();
        return classes[className].back();
    }
};

// The SWbemServices stand-in over the data (shared, so tests can change it).
IDispatchPtr MakeFakeServices(const std::shared_ptr<FakeWmiData>& data);

// Array values as WMI delivers them.
_variant_t VariantArray(std::vector<_variant_t> elements);       // VT_ARRAY|VT_VARIANT
_variant_t BstrArray(const std::vector<std::wstring>& elements); // VT_ARRAY|VT_BSTR
_variant_t I4Array(std::vector<long> elements);                  // VT_ARRAY|VT_I4
_variant_t NullValue();
_variant_t BoolValue(bool value);

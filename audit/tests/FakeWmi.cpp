#include "audit/tests/FakeWmi.h"

#include <oleauto.h>

#include <algorithm>
#include <cwctype>
#include <functional>

namespace {

const HRESULT kWbemNotFound = static_cast<HRESULT>(0x80041002);
const HRESULT kWbemInvalidQuery = static_cast<HRESULT>(0x80041017);

bool SameNoCase(const std::wstring& a, const std::wstring& b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) { return towlower(x) == towlower(y); });
}

template <class Interface>
class Counted : public Interface {
public:
    virtual ~Counted() = default;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        *out = iid == IID_IUnknown || iid == __uuidof(Interface) ? static_cast<Interface*>(this) : nullptr;
        return *out == nullptr ? E_NOINTERFACE : (AddRef(), S_OK);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_refs; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG refs = --m_refs;
        if (refs == 0) {
            delete this;
        }
        return refs;
    }

private:
    ULONG m_refs = 1;
};

// Members by name, numbered from 1; a failing call with a text comes back
// as an exception of the call, as the scripting objects raise it.
typedef std::function<HRESULT(DISPID, const std::vector<_variant_t>&, _variant_t&, std::wstring&)> Handler;

class Dispatch final : public Counted<IDispatch> {
public:
    Dispatch(std::vector<std::wstring> names, Handler handler)
        : m_names(std::move(names)), m_handler(std::move(handler))
    {
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override { return *count = 0, S_OK; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override
    {
        for (UINT i = 0; i < count; ++i) {
            auto found = std::find_if(m_names.begin(), m_names.end(),
                                      [&](const std::wstring& name) { return SameNoCase(name, names[i]); });
            if (found == m_names.end()) {
                return ids[i] = DISPID_UNKNOWN, DISP_E_UNKNOWNNAME;
            }
            ids[i] = static_cast<DISPID>(found - m_names.begin() + 1);
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* exception, UINT*) override
    {
        std::vector<_variant_t> args(params->rgvarg, params->rgvarg + params->cArgs);
        std::reverse(args.begin(), args.end());
        _variant_t value;
        std::wstring text;
        const HRESULT hr = m_handler(id, args, value, text);
        if (FAILED(hr) && !text.empty() && exception != nullptr) {
            *exception = EXCEPINFO();
            exception->scode = hr;
            exception->bstrSource = SysAllocString(L"SWbemProperty");
            exception->bstrDescription = SysAllocString(text.c_str());
            return DISP_E_EXCEPTION;
        }
        if (SUCCEEDED(hr) && result != nullptr) {
            *result = value.Detach();
        }
        return hr;
    }

private:
    std::vector<std::wstring> m_names;
    Handler m_handler;
};

class Enum final : public Counted<IEnumVARIANT> {
public:
    explicit Enum(std::vector<_variant_t> items) : m_items(std::move(items)) {}
    HRESULT STDMETHODCALLTYPE Next(ULONG count, VARIANT* out, ULONG* fetched) override
    {
        ULONG n = 0;
        for (; n < count && m_next < m_items.size(); ++n, ++m_next) {
            VariantInit(&out[n]);
            VariantCopy(&out[n], &m_items[m_next]);
        }
        if (fetched != nullptr) {
            *fetched = n;
        }
        return n == count ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override { return m_next += count, S_OK; }
    HRESULT STDMETHODCALLTYPE Reset() override { return m_next = 0, S_OK; }
    HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT**) override { return E_NOTIMPL; }

private:
    std::vector<_variant_t> m_items;
    size_t m_next = 0;
};

_variant_t Object(std::vector<std::wstring> names, Handler handler)
{
    return _variant_t(new Dispatch(std::move(names), std::move(handler)), false);
}

_variant_t NewEnum(std::vector<_variant_t> items)
{
    _variant_t value;
    value.vt = VT_UNKNOWN;
    value.punkVal = new Enum(std::move(items));
    return value;
}

_variant_t Property(const std::shared_ptr<FakeWmiData>& data, const FakeProperty& property)
{
    return Object({L"Name", L"CIMType", L"Value"}, [data, property](DISPID id, const std::vector<_variant_t>&,
                                                                    _variant_t& result, std::wstring& text) {
        if (id != 3 && data->wineGaps) {
            return E_NOTIMPL;
        }
        if (id == 3 && FAILED(property.valueError)) {
            text = property.errorText;
            return property.valueError;
        }
        result = id == 1 ? _variant_t(property.name.c_str()) : id == 2 ? _variant_t(property.cimType) : property.value;
        return S_OK;
    });
}

_variant_t Instance(const std::shared_ptr<FakeWmiData>& data, const FakeInstance& instance)
{
    Handler properties = [data, instance](DISPID id, const std::vector<_variant_t>& args, _variant_t& result,
                                          std::wstring& text) {
        if (id == DISPID_NEWENUM) {
            const HRESULT failure = FAILED(data->walkError) ? data->walkError : data->wineGaps ? E_NOTIMPL : S_OK;
            std::vector<_variant_t> items;
            for (const FakeProperty& property : instance) {
                items.push_back(Property(data, property));
            }
            return FAILED(failure) ? failure : (result = NewEnum(items), S_OK);
        }
        if (id == 2) {
            return result = static_cast<long>(instance.size()), S_OK;
        }
        if (args.empty() || args[0].vt != VT_BSTR) {
            return DISP_E_TYPEMISMATCH;
        }
        for (const FakeProperty& property : instance) {
            if (SameNoCase(property.name, args[0].bstrVal)) {
                if (FAILED(property.itemError)) {
                    text = property.errorText;
                    return property.itemError;
                }
                return result = Property(data, property), S_OK;
            }
        }
        return kWbemNotFound;
    };
    return Object({L"Properties_"},
                  [properties](DISPID, const std::vector<_variant_t>&, _variant_t& result, std::wstring&) {
                      return result = Object({L"Item", L"Count"}, properties), S_OK;
                  });
}

HRESULT Answer(const std::shared_ptr<FakeWmiData>& data, DISPID id, const std::vector<_variant_t>& args,
               _variant_t& result)
{
    if (args.empty() || args[0].vt != VT_BSTR) {
        return DISP_E_TYPEMISMATCH;
    }
    std::wstring key = args[0].bstrVal;
    data->calls.push_back(key);
    auto failure = data->failures.find(key);
    if (failure != data->failures.end()) {
        return failure->second;
    }
    if (id == 2) { // ExecQuery: Wine refuses a boolean compared with -1
        if (data->wineGaps && key.find(L"IPEnabled=-1") != std::wstring::npos) {
            return kWbemInvalidQuery;
        }
        auto query = data->queries.find(key);
        key = query != data->queries.end() ? query->second : std::wstring();
    }
    std::vector<_variant_t> objects;
    for (const FakeInstance& instance : data->classes[key]) {
        objects.push_back(Instance(data, instance));
    }
    result =
        Object({L"Count"}, [objects](DISPID member, const std::vector<_variant_t>&, _variant_t& set, std::wstring&) {
            set = member == DISPID_NEWENUM ? NewEnum(objects) : _variant_t(static_cast<long>(objects.size()));
            return S_OK;
        });
    return S_OK;
}

_variant_t ArrayOf(VARTYPE type, size_t count, const std::function<void*(LONG)>& element)
{
    _variant_t value;
    value.parray = SafeArrayCreateVector(type, 0, static_cast<ULONG>(count));
    value.vt = VT_ARRAY | type;
    for (LONG i = 0; i < static_cast<LONG>(count); ++i) {
        SafeArrayPutElement(value.parray, &i, element(i));
    }
    return value;
}

} // namespace

IDispatchPtr MakeFakeServices(const std::shared_ptr<FakeWmiData>& data)
{
    return IDispatchPtr(Object({L"InstancesOf", L"ExecQuery"},
                               [data](DISPID id, const std::vector<_variant_t>& args, _variant_t& result,
                                      std::wstring&) { return Answer(data, id, args, result); }));
}

_variant_t VariantArray(std::vector<_variant_t> elements)
{
    return ArrayOf(VT_VARIANT, elements.size(), [&](LONG i) { return &elements[static_cast<size_t>(i)]; });
}

_variant_t BstrArray(const std::vector<std::wstring>& elements)
{
    std::vector<_bstr_t> texts;
    for (const std::wstring& element : elements) {
        texts.emplace_back(element.c_str());
    }
    return ArrayOf(VT_BSTR, texts.size(), [&](LONG i) { return static_cast<BSTR>(texts[static_cast<size_t>(i)]); });
}

_variant_t I4Array(std::vector<long> elements)
{
    return ArrayOf(VT_I4, elements.size(), [&](LONG i) { return &elements[static_cast<size_t>(i)]; });
}

_variant_t NullValue()
{
    _variant_t value;
    value.vt = VT_NULL;
    return value;
}

_variant_t BoolValue(bool flag)
{
    return _variant_t(flag); // VT_BOOL
}

#include "audit/tests/FakeWmi.h"

#include <oleauto.h>

#include <algorithm>
#include <cwctype>

namespace {

const HRESULT kWbemNotFound = static_cast<HRESULT>(0x80041002);
const HRESULT kWbemInvalidQuery = static_cast<HRESULT>(0x80041017);

bool SameNoCase(const std::wstring& a, const std::wstring& b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) { return towlower(x) == towlower(y); });
}

// IDispatch with members by name; Invoke dispatches to Call.
class FakeDispatch : public IDispatch {
public:
    explicit FakeDispatch(std::vector<std::wstring> names) : m_names(std::move(names)) {}
    virtual ~FakeDispatch() = default;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (iid == IID_IUnknown || iid == IID_IDispatch) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
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
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override
    {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override
    {
        for (UINT i = 0; i < count; ++i) {
            ids[i] = DISPID_UNKNOWN;
            for (size_t n = 0; n < m_names.size(); ++n) {
                if (SameNoCase(m_names[n], names[i])) {
                    ids[i] = static_cast<DISPID>(n + 1);
                }
            }
            if (ids[i] == DISPID_UNKNOWN) {
                return DISP_E_UNKNOWNNAME;
            }
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* exception, UINT*) override
    {
        std::vector<_variant_t> args;
        for (UINT i = params->cArgs; i > 0; --i) {
            args.push_back(params->rgvarg[i - 1]);
        }
        _variant_t value;
        m_exceptionText.clear();
        const HRESULT hr = Call(id, args, value);
        if (FAILED(hr) && !m_exceptionText.empty() && exception != nullptr) {
            *exception = EXCEPINFO();
            exception->scode = hr;
            exception->bstrSource = SysAllocString(L"SWbemProperty");
            exception->bstrDescription = SysAllocString(m_exceptionText.c_str());
            return DISP_E_EXCEPTION;
        }
        if (SUCCEEDED(hr) && result != nullptr) {
            *result = value.Detach();
        }
        return hr;
    }

protected:
    virtual HRESULT Call(DISPID id, const std::vector<_variant_t>& args, _variant_t& result) = 0;

    std::wstring m_exceptionText;

private:
    std::vector<std::wstring> m_names;
    ULONG m_refs = 1;
};

class FakeEnum final : public IEnumVARIANT {
public:
    explicit FakeEnum(std::vector<_variant_t> items) : m_items(std::move(items)) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (iid == IID_IUnknown || iid == IID_IEnumVARIANT) {
            *out = static_cast<IEnumVARIANT*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
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
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override
    {
        m_next += count;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Reset() override
    {
        m_next = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT**) override { return E_NOTIMPL; }

private:
    std::vector<_variant_t> m_items;
    size_t m_next = 0;
    ULONG m_refs = 1;
};

_variant_t Wrap(IDispatch* object)
{
    return _variant_t(object, false);
}

_variant_t NewEnum(const std::vector<_variant_t>& items)
{
    IEnumVARIANT* enumerator = new FakeEnum(items);
    _variant_t value;
    value.vt = VT_UNKNOWN;
    value.punkVal = enumerator;
    return value;
}

class FakePropertyObject : public FakeDispatch {
public:
    FakePropertyObject(std::shared_ptr<FakeWmiData> data, FakeProperty property)
        : FakeDispatch({L"Name", L"CIMType", L"Value"}), m_data(std::move(data)), m_property(std::move(property))
    {
    }

protected:
    HRESULT Call(DISPID id, const std::vector<_variant_t>&, _variant_t& result) override
    {
        if (id != 3 && m_data->wineGaps) {
            return E_NOTIMPL;
        }
        switch (id) {
        case 1:
            result = m_property.name.c_str();
            return S_OK;
        case 2:
            result = m_property.cimType;
            return S_OK;
        default:
            if (FAILED(m_property.valueError)) {
                m_exceptionText = m_property.errorText;
                return m_property.valueError;
            }
            result = m_property.value;
            return S_OK;
        }
    }

private:
    std::shared_ptr<FakeWmiData> m_data;
    FakeProperty m_property;
};

class FakePropertySet : public FakeDispatch {
public:
    FakePropertySet(std::shared_ptr<FakeWmiData> data, FakeInstance instance)
        : FakeDispatch({L"Item", L"Count"}), m_data(std::move(data)), m_instance(std::move(instance))
    {
    }

protected:
    HRESULT Call(DISPID id, const std::vector<_variant_t>& args, _variant_t& result) override
    {
        if (id == DISPID_NEWENUM) {
            if (FAILED(m_data->walkError)) {
                return m_data->walkError;
            }
            if (m_data->wineGaps) {
                return E_NOTIMPL;
            }
            std::vector<_variant_t> items;
            for (const FakeProperty& property : m_instance) {
                items.push_back(Wrap(new FakePropertyObject(m_data, property)));
            }
            result = NewEnum(items);
            return S_OK;
        }
        if (id == 2) {
            result = static_cast<long>(m_instance.size());
            return S_OK;
        }
        if (args.empty() || args[0].vt != VT_BSTR) {
            return DISP_E_TYPEMISMATCH;
        }
        for (const FakeProperty& property : m_instance) {
            if (SameNoCase(property.name, args[0].bstrVal)) {
                result = Wrap(new FakePropertyObject(m_data, property));
                return S_OK;
            }
        }
        return kWbemNotFound;
    }

private:
    std::shared_ptr<FakeWmiData> m_data;
    FakeInstance m_instance;
};

class FakeObject : public FakeDispatch {
public:
    FakeObject(std::shared_ptr<FakeWmiData> data, FakeInstance instance)
        : FakeDispatch({L"Properties_"}), m_data(std::move(data)), m_instance(std::move(instance))
    {
    }

protected:
    HRESULT Call(DISPID, const std::vector<_variant_t>&, _variant_t& result) override
    {
        result = Wrap(new FakePropertySet(m_data, m_instance));
        return S_OK;
    }

private:
    std::shared_ptr<FakeWmiData> m_data;
    FakeInstance m_instance;
};

class FakeObjectSet : public FakeDispatch {
public:
    explicit FakeObjectSet(std::vector<_variant_t> objects) : FakeDispatch({L"Count"}), m_objects(std::move(objects)) {}

protected:
    HRESULT Call(DISPID id, const std::vector<_variant_t>&, _variant_t& result) override
    {
        if (id == DISPID_NEWENUM) {
            result = NewEnum(m_objects);
        } else {
            result = static_cast<long>(m_objects.size());
        }
        return S_OK;
    }

private:
    std::vector<_variant_t> m_objects;
};

class FakeServices : public FakeDispatch {
public:
    explicit FakeServices(std::shared_ptr<FakeWmiData> data)
        : FakeDispatch({L"InstancesOf", L"ExecQuery"}), m_data(std::move(data))
    {
    }

protected:
    HRESULT Call(DISPID id, const std::vector<_variant_t>& args, _variant_t& result) override
    {
        if (args.empty() || args[0].vt != VT_BSTR) {
            return DISP_E_TYPEMISMATCH;
        }
        std::wstring key = args[0].bstrVal;
        m_data->calls.push_back(key);
        auto failure = m_data->failures.find(key);
        if (failure != m_data->failures.end()) {
            return failure->second;
        }
        if (id == 2) {
            if (m_data->wineGaps && key.find(L"IPEnabled=-1") != std::wstring::npos) {
                return kWbemInvalidQuery;
            }
            auto query = m_data->queries.find(key);
            key = query != m_data->queries.end() ? query->second : std::wstring();
        }
        std::vector<_variant_t> objects;
        auto found = m_data->classes.find(key);
        if (found != m_data->classes.end()) {
            for (const FakeInstance& instance : found->second) {
                objects.push_back(Wrap(new FakeObject(m_data, instance)));
            }
        }
        result = Wrap(new FakeObjectSet(objects));
        return S_OK;
    }

private:
    std::shared_ptr<FakeWmiData> m_data;
};

} // namespace

IDispatchPtr MakeFakeServices(const std::shared_ptr<FakeWmiData>& data)
{
    IDispatchPtr services;
    services.Attach(new FakeServices(data));
    return services;
}

_variant_t MakeFakeObject(const std::shared_ptr<FakeWmiData>& data, const FakeInstance& instance)
{
    return Wrap(new FakeObject(data, instance));
}

_variant_t VariantArray(const std::vector<_variant_t>& elements)
{
    SAFEARRAY* array = SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(elements.size()));
    for (LONG i = 0; i < static_cast<LONG>(elements.size()); ++i) {
        SafeArrayPutElement(array, &i, const_cast<_variant_t*>(&elements[static_cast<size_t>(i)]));
    }
    _variant_t value;
    value.vt = VT_ARRAY | VT_VARIANT;
    value.parray = array;
    return value;
}

_variant_t BstrArray(const std::vector<std::wstring>& elements)
{
    SAFEARRAY* array = SafeArrayCreateVector(VT_BSTR, 0, static_cast<ULONG>(elements.size()));
    for (LONG i = 0; i < static_cast<LONG>(elements.size()); ++i) {
        _bstr_t text(elements[static_cast<size_t>(i)].c_str());
        SafeArrayPutElement(array, &i, static_cast<BSTR>(text));
    }
    _variant_t value;
    value.vt = VT_ARRAY | VT_BSTR;
    value.parray = array;
    return value;
}

_variant_t I4Array(const std::vector<long>& elements)
{
    SAFEARRAY* array = SafeArrayCreateVector(VT_I4, 0, static_cast<ULONG>(elements.size()));
    for (LONG i = 0; i < static_cast<LONG>(elements.size()); ++i) {
        long element = elements[static_cast<size_t>(i)];
        SafeArrayPutElement(array, &i, &element);
    }
    _variant_t value;
    value.vt = VT_ARRAY | VT_I4;
    value.parray = array;
    return value;
}

_variant_t NullValue()
{
    _variant_t value;
    value.vt = VT_NULL;
    return value;
}

_variant_t BoolValue(bool flag)
{
    _variant_t value;
    value.vt = VT_BOOL;
    value.boolVal = flag ? VARIANT_TRUE : VARIANT_FALSE;
    return value;
}

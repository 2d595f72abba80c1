#include "asset/AssetPropertyValue.h"

#include "asset/Exceptions.h"
#include "common/TextHelpers.h"

#include <comdef.h>

#include <cstring>

namespace {

const char kWrongTypeText[] = "Invalid Asset Property Data Type";
// GetVariant has always reported its mismatch in lower case; callers that
// compare texts rely on it.
const char kWrongVariantTypeText[] = "invalid asset property data type";

// Same variant type and same value, as the COM support classes compare. Kinds
// they cannot compare (arrays, records, references) count as different, so
// storing one always copies it rather than failing.
bool SameVariant(const VARIANT& left, const VARIANT& right)
{
    if (left.vt != right.vt) {
        return false;
    }
    switch (left.vt) {
    case VT_EMPTY:
    case VT_NULL:
        return true;
    case VT_BSTR: {
        UINT length = SysStringByteLen(left.bstrVal);
        return length == SysStringByteLen(right.bstrVal) &&
               (length == 0 || memcmp(left.bstrVal, right.bstrVal, length) == 0);
    }
    case VT_I1:
    case VT_UI1:
        return left.bVal == right.bVal;
    case VT_I2:
    case VT_UI2:
    case VT_BOOL:
        return left.iVal == right.iVal;
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_ERROR:
        return left.lVal == right.lVal;
    case VT_I8:
    case VT_UI8:
        return left.llVal == right.llVal;
    case VT_R4:
        return left.fltVal == right.fltVal;
    case VT_R8:
        return left.dblVal == right.dblVal;
    case VT_DATE:
        return left.date == right.date;
    case VT_CY:
        return left.cyVal.int64 == right.cyVal.int64;
    case VT_DECIMAL:
        return memcmp(&left.decVal, &right.decVal, sizeof(DECIMAL)) == 0;
    case VT_DISPATCH:
    case VT_UNKNOWN:
        return left.punkVal == right.punkVal;
    default:
        return false;
    }
}

} // namespace

AssetPropertyValue::AssetPropertyValue(AssetPropertyType type) : m_type(type)
{
    m_number.asDouble = 0.0;
    VariantInit(&m_variant);
    m_variant.vt = VT_NULL;
}

// Copies never share the text object: SetString writes into the object it
// holds, so a shared one would change the source along with the copy.
AssetPropertyValue::AssetPropertyValue(const AssetPropertyValue& other)
    : m_number(other.m_number), m_type(other.m_type), m_modified(other.m_modified)
{
    if (other.m_text) {
        m_text.reset(new std::string(*other.m_text));
    }
    VariantInit(&m_variant);
    HRESULT hr = VariantCopy(&m_variant, const_cast<VARIANT*>(&other.m_variant));
    if (FAILED(hr)) {
        _com_issue_error(hr);
    }
}

AssetPropertyValue& AssetPropertyValue::operator=(const AssetPropertyValue& other)
{
    if (this == &other) {
        return *this;
    }
    VARIANT copy;
    VariantInit(&copy);
    HRESULT hr = VariantCopy(&copy, const_cast<VARIANT*>(&other.m_variant));
    if (FAILED(hr)) {
        _com_issue_error(hr);
    }
    boost::shared_ptr<std::string> text;
    if (other.m_text) {
        text.reset(new std::string(*other.m_text));
    }
    VariantClear(&m_variant);
    m_variant = copy; // takes over the copy's contents
    m_text = text;
    m_number = other.m_number;
    m_type = other.m_type;
    m_modified = other.m_modified;
    return *this;
}

AssetPropertyValue::~AssetPropertyValue()
{
    VariantClear(&m_variant);
}

void AssetPropertyValue::CheckType(AssetPropertyType wanted) const
{
    if (m_type != wanted) {
        throw t_exception(kWrongTypeText, E_FAIL);
    }
}

std::string& AssetPropertyValue::GetString()
{
    CheckType(AssetPropertyType::String);
    if (!m_text) {
        m_text.reset(new std::string());
    }
    return *m_text;
}

const std::string& AssetPropertyValue::GetString() const
{
    static const std::string empty;
    CheckType(AssetPropertyType::String);
    return m_text ? *m_text : empty;
}

long AssetPropertyValue::GetLong() const
{
    CheckType(AssetPropertyType::Long);
    return m_number.asLong;
}

bool AssetPropertyValue::GetBool() const
{
    CheckType(AssetPropertyType::Bool);
    return m_number.asBool;
}

VARIANT& AssetPropertyValue::GetVariant()
{
    if (m_type != AssetPropertyType::Variant) {
        throw t_exception(kWrongVariantTypeText, E_FAIL);
    }
    return m_variant;
}

const VARIANT& AssetPropertyValue::GetVariant() const
{
    return const_cast<AssetPropertyValue*>(this)->GetVariant();
}

// The text is compared before trimming, so a new text that differs only in
// surrounding blanks still counts as a change.
void AssetPropertyValue::SetString(const std::string& text)
{
    CheckType(AssetPropertyType::String);
    if (m_text && *m_text == text) {
        return;
    }
    if (!m_text) {
        m_text.reset(new std::string(text));
    } else {
        *m_text = text;
    }
    TrimRight(*m_text);
    TrimLeft(*m_text);
    m_modified = true;
}

void AssetPropertyValue::SetLong(long value)
{
    CheckType(AssetPropertyType::Long);
    if (m_number.asLong != value) {
        m_number.asLong = value;
        m_modified = true;
    }
}

void AssetPropertyValue::SetBool(bool value)
{
    CheckType(AssetPropertyType::Bool);
    if (m_number.asBool != value) {
        m_number.asBool = value;
        m_modified = true;
    }
}

void AssetPropertyValue::SetVariant(const VARIANT& value)
{
    CheckType(AssetPropertyType::Variant);
    VARIANT& current = m_variant;
    if (SameVariant(current, value)) {
        return;
    }
    VARIANT copy;
    VariantInit(&copy);
    HRESULT hr = VariantCopy(&copy, const_cast<VARIANT*>(&value));
    if (FAILED(hr)) {
        _com_issue_error(hr);
    }
    VariantClear(&current);
    current = copy;
    m_modified = true;
}

std::string FormatModifiedFlags(const AssetPropertyVector& values)
{
    std::string flags;
    flags.reserve(values.size());
    for (const AssetPropertyValue& value : values) {
        flags += value.IsModified() ? '1' : '0';
    }
    return flags;
}

void ParseModifiedFlags(AssetPropertyVector& values, const std::string& flags)
{
    if (flags.empty()) {
        for (AssetPropertyValue& value : values) {
            value.SetModified(false);
        }
        return;
    }
    if (flags.size() != values.size()) {
        throw t_exception(E_INVALIDARG, static_cast<const char*>(nullptr));
    }
    for (size_t i = 0; i < values.size(); ++i) {
        values[i].SetModified(flags[i] == '1');
    }
}

AssetPropertyVector MakePropertyVector(const AssetPropertyType* types, size_t count)
{
    AssetPropertyVector values;
    values.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        values.emplace_back(types[i]);
    }
    return values;
}

// The WMI helpers' own walk, against scripted scripting objects: names found
// exactly, values by CIM type, NULLs, arrays, and Wine's missing property-set
// walk.
#include "audit/WmiAccess.h"
#include "asset/Exceptions.h"
#include "audit/tests/FakeWmi.h"

#include <gtest/gtest.h>

namespace {

HRESULT ErrorOf(const std::function<void()>& call)
{
    try {
        call();
    } catch (const _com_error& error) {
        return error.Error();
    }
    return S_OK;
}

class WmiAccessTest : public ::testing::TestWithParam<bool> {
protected:
    WmiAccessTest() : m_data(std::make_shared<FakeWmiData>()), m_wmi(MakeFakeServices(m_data))
    {
        m_data->wineGaps = GetParam();
        FakeInstance& item = m_data->Add(L"Kes_Item");
        item.push_back({L"Text", kCimString, _variant_t(L"  a<b>\"c\"\t")});
        item.push_back({L"Blank", kCimString, _variant_t(L" \t ")});
        item.push_back({L"Null", kCimString, NullValue()});
        item.push_back({L"NullList", kCimUint16Array, NullValue()});
        item.push_back({L"DHCPEnabled", kCimBoolean, NullValue()});
        item.push_back({L"DriveType", kCimUint32, NullValue()});
        item.push_back({L"Flag", kCimBoolean, BoolValue(true)});
        item.push_back({L"Off", kCimBoolean, BoolValue(false)});
        item.push_back({L"Big", kCimUint32, _variant_t(-1L)});
        item.push_back({L"Count", kCimUint32, _variant_t(42L)});
        item.push_back({L"Bytes", kCimString, _variant_t(L"8589934592")});
        item.push_back({L"Chassis", kCimUint16Array, VariantArray({_variant_t(3L), _variant_t(10L)})});
        item.push_back({L"ChassisI4", kCimUint16Array, I4Array({9})});
        item.push_back({L"Addresses", kCimString, BstrArray({L"", L"10.0.0.7", L"fe80::1"})});
        item.push_back({L"Broken", kCimString, _variant_t(L"x"), static_cast<HRESULT>(0x80041001)});
        item.push_back({L"Refused", kCimString, _variant_t(L"x"), E_ACCESSDENIED, L"Access is denied here."});
        m_data->Add(L"Kes_Item").push_back({L"Text", kCimString, _variant_t(L"second")});
        m_data->classes[L"Kes_Empty"];
    }

    _variant_t First()
    {
        WmiObjectList objects;
        m_wmi.GetInstances("Kes_Item", objects);
        return objects.at(0);
    }

    std::shared_ptr<FakeWmiData> m_data;
    WmiDispatchAccess m_wmi;
};

TEST_P(WmiAccessTest, ClassLevelReads)
{
    EXPECT_EQ("a&lt;b&gt;c", m_wmi.ReadWmiProperty("Kes_Item", "Text")); // the first of two instances
    EXPECT_EQ("a&lt;b&gt;c", m_wmi.ReadWmiProperty("Kes_Item", "TEXT")); // WMI matches names without case
    EXPECT_EQ("", m_wmi.ReadWmiProperty("Kes_Item", "Blank"));
    EXPECT_EQ("", m_wmi.ReadWmiProperty("Kes_Item", "Null"));
    EXPECT_EQ(0, m_wmi.ReadWmiPropertyInt("Kes_Item", "Null"));
    EXPECT_EQ(0, m_wmi.ReadWmiPropertyInt64("Kes_Item", "Null"));
    EXPECT_EQ(42, m_wmi.ReadWmiPropertyInt("Kes_Item", "Count"));
    EXPECT_EQ(8589934592ll, m_wmi.ReadWmiPropertyInt64("Kes_Item", "Bytes"));

    // A boolean reads as the platform's own text of it.
    _variant_t text;
    _variant_t flag = BoolValue(true);
    ASSERT_EQ(S_OK, VariantChangeType(&text, &flag, 0, VT_BSTR));
    EXPECT_EQ(std::string(_bstr_t(text.bstrVal)), m_wmi.ReadWmiProperty("Kes_Item", "Flag"));

    EXPECT_EQ("", m_wmi.ReadWmiProperty("Kes_Empty", "Text"));
    EXPECT_EQ(0, m_wmi.ReadWmiPropertyInt("Kes_Empty", "Text"));
    EXPECT_EQ(0, m_wmi.ReadWmiPropertyInt64("Kes_Empty", "Text"));
    EXPECT_EQ(0, m_wmi.ReadWmiPropertyInt64("Kes_Unknown", "Text"));

    EXPECT_EQ(static_cast<HRESULT>(0x80041002), ErrorOf([&] { m_wmi.ReadWmiProperty("Kes_Item", "Missing"); }));
    EXPECT_EQ(static_cast<HRESULT>(0x80041001), ErrorOf([&] { m_wmi.ReadWmiProperty("Kes_Item", "Broken"); }));
    // An exception of the call hands on its code and its text.
    try {
        m_wmi.ReadWmiProperty("Kes_Item", "Refused");
        ADD_FAILURE() << "no error";
    } catch (const _com_error& error) {
        EXPECT_EQ(E_ACCESSDENIED, error.Error());
        EXPECT_EQ(std::string("Access is denied here."), t_exception(error).what());
    }
    EXPECT_EQ(DISP_E_TYPEMISMATCH, ErrorOf([&] { m_wmi.ReadWmiPropertyInt("Kes_Item", "Text"); }));
    m_data->failures[L"Kes_Item"] = static_cast<HRESULT>(0x800706BA);
    EXPECT_EQ(static_cast<HRESULT>(0x800706BA), ErrorOf([&] { m_wmi.ReadWmiProperty("Kes_Item", "Text"); }));
}

TEST_P(WmiAccessTest, ObjectLevelReads)
{
    const _variant_t item = First();
    EXPECT_EQ("a&lt;b&gt;c", m_wmi.ReadObjectProperty(item, "Text"));
    EXPECT_EQ("", m_wmi.ReadObjectProperty(item, "Null"));
    // A NULL reads as its property's type says, also where the type cannot
    // be asked.
    EXPECT_EQ("0", m_wmi.ReadObjectProperty(item, "DHCPEnabled"));
    EXPECT_EQ("0", m_wmi.ReadObjectProperty(item, "DriveType"));
    EXPECT_EQ("", m_wmi.ReadObjectProperty(item, "Missing"));
    EXPECT_EQ("1", m_wmi.ReadObjectProperty(item, "Flag"));
    EXPECT_EQ("0", m_wmi.ReadObjectProperty(item, "Off"));
    EXPECT_EQ("-1", m_wmi.ReadObjectProperty(item, "Big"));
    EXPECT_EQ(42, m_wmi.ReadObjectPropertyInt(item, "Count"));
    EXPECT_EQ(0, m_wmi.ReadObjectPropertyInt(item, "Missing"));
    EXPECT_EQ(8589934592ll, m_wmi.ReadObjectPropertyInt64(item, "Bytes"));
    EXPECT_EQ(0, m_wmi.ReadObjectPropertyInt64(item, "Null"));
    EXPECT_EQ(0, m_wmi.ReadObjectPropertyInt64(item, "Missing"));
    EXPECT_NE(S_OK, ErrorOf([&] { m_wmi.ReadObjectPropertyInt(item, "Null"); }));

    std::vector<int> numbers;
    m_wmi.ReadObjectPropertyIntList(item, "Chassis", numbers);
    EXPECT_EQ((std::vector<int>{3, 10}), numbers);
    EXPECT_EQ(E_INVALIDARG, ErrorOf([&] { m_wmi.ReadObjectPropertyIntList(item, "NullList", numbers); }));
    // Wine delivers integer arrays as VT_ARRAY|VT_I4: read as numbers all the
    // same, while a text list still refuses them.
    m_wmi.ReadObjectPropertyIntList(item, "ChassisI4", numbers);
    EXPECT_EQ((std::vector<int>{3, 10, 9}), numbers);
    m_wmi.ReadObjectPropertyIntList(item, "Missing", numbers);
    EXPECT_EQ(3u, numbers.size());
    std::vector<std::string> notTexts;
    EXPECT_EQ(E_INVALIDARG, ErrorOf([&] { m_wmi.ReadObjectPropertyTextList(item, "ChassisI4", notTexts); }));

    std::vector<std::string> texts;
    m_wmi.ReadObjectPropertyTextList(item, "Addresses", texts);
    EXPECT_EQ((std::vector<std::string>{"10.0.0.7", "fe80::1"}), texts);
    EXPECT_EQ(E_INVALIDARG, ErrorOf([&] { m_wmi.ReadObjectPropertyTextList(item, "Null", texts); }));
    EXPECT_EQ(E_POINTER, ErrorOf([&] { m_wmi.ReadObjectProperty(_variant_t(), "Text"); }));
}

// The walk compares names exactly; Wine's property sets cannot be walked, and
// there the property is taken by name as WMI matches it.
TEST_P(WmiAccessTest, NamesDifferingInCase)
{
    const _variant_t item = First();
    std::vector<int> numbers;
    std::vector<std::string> texts;
    if (!GetParam()) {
        EXPECT_EQ("", m_wmi.ReadObjectProperty(item, "text"));
        EXPECT_EQ(0, m_wmi.ReadObjectPropertyInt(item, "count"));
        m_wmi.ReadObjectPropertyIntList(item, "chassis", numbers);
        m_wmi.ReadObjectPropertyTextList(item, "addresses", texts);
        EXPECT_TRUE(numbers.empty());
        EXPECT_TRUE(texts.empty());
    } else {
        EXPECT_EQ("a&lt;b&gt;c", m_wmi.ReadObjectProperty(item, "text"));
    }
}

// Only Wine's own answer to the walk leads to the read by name; any other
// failure is the caller's.
TEST_P(WmiAccessTest, OtherWalkFailuresAreRaised)
{
    const _variant_t item = First();
    for (HRESULT code : {E_FAIL, E_ACCESSDENIED, static_cast<HRESULT>(0x80041001)}) {
        m_data->walkError = code;
        EXPECT_EQ(code, ErrorOf([&] { m_wmi.ReadObjectProperty(item, "Text"); }));
        EXPECT_EQ(code, ErrorOf([&] { m_wmi.ReadObjectPropertyInt64(item, "Bytes"); }));
    }
}

INSTANTIATE_TEST_SUITE_P(Walk, WmiAccessTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "WineGaps" : "Full"; });

TEST(WmiAccessHelpers, ArraysAndValues)
{
    WmiObjectList texts;
    EXPECT_EQ(3, SafeArrayToTextList(VariantArray({_variant_t(7L), BoolValue(true), _variant_t(L"x")}), texts));
    ASSERT_EQ(3u, texts.size());
    EXPECT_EQ("7", VariantText(texts[0]));
    EXPECT_EQ("True", VariantText(texts[1]));
    EXPECT_EQ("x", VariantText(texts[2]));
    EXPECT_EQ(E_INVALIDARG, ErrorOf([&] { SafeArrayToTextList(_variant_t(1L), texts); }));
    EXPECT_EQ(0, SafeArrayToTextList(BstrArray({}), texts));

    // By reference, to its array.
    _variant_t array = BstrArray({L"a", L"b"});
    VARIANT reference;
    reference.vt = VT_ARRAY | VT_BSTR | VT_BYREF;
    reference.pparray = &array.parray;
    EXPECT_EQ(2, SafeArrayToTextList(reference, texts));

    // Other element types share the type bit of strings and VARIANTs; their
    // elements are no strings and must not be read as such.
    const size_t before = texts.size();
    for (VARTYPE type : {VT_BOOL, VT_DISPATCH, VT_UNKNOWN, VT_ERROR, VT_DECIMAL}) {
        _variant_t value;
        value.parray = SafeArrayCreateVector(type, 0, 3);
        value.vt = VT_ARRAY | type;
        memset(value.parray->pvData, 0xff, 3 * value.parray->cbElements);
        if (type == VT_DISPATCH || type == VT_UNKNOWN) {
            memset(value.parray->pvData, 0, 3 * value.parray->cbElements); // cleared as interfaces
        }
        EXPECT_EQ(E_INVALIDARG, ErrorOf([&] { SafeArrayToTextList(value, texts); })) << type;
    }
    // A value that calls its array one of strings while the array holds numbers.
    _variant_t mislabelled = I4Array({-1, -1, -1});
    mislabelled.vt = VT_ARRAY | VT_BSTR;
    EXPECT_EQ(E_INVALIDARG, ErrorOf([&] { SafeArrayToTextList(mislabelled, texts); }));
    mislabelled.vt = VT_ARRAY | VT_I4;
    EXPECT_EQ(before, texts.size());

    VARIANT null;
    null.vt = VT_NULL;
    EXPECT_EQ(0u, VariantToBstrOrEmpty(null).length());
    VARIANT number;
    number.vt = VT_I4;
    number.lVal = -5;
    EXPECT_EQ(std::string("-5"), static_cast<const char*>(VariantToBstrOrEmpty(number)));
    EXPECT_EQ(VT_EMPTY, number.vt);

    EXPECT_EQ(E_POINTER, ErrorOf([&] { CollectEnumVariants(nullptr, texts); }));
    WmiDispatchAccess none(nullptr);
    WmiObjectList objects;
    EXPECT_EQ(E_POINTER, ErrorOf([&] { none.GetInstances("Win32_BIOS", objects); }));
}

} // namespace

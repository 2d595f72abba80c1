#include "asset/AssetPropertyValue.h"
#include "asset/Exceptions.h"

#include <gtest/gtest.h>

#include <comdef.h>

#include <functional>

namespace {

const char kUpperText[] = "Invalid Asset Property Data Type";
const char kLowerText[] = "invalid asset property data type";

// Every accessor on every kind: only the matching one works, the others throw
// E_FAIL with the accessor's text.
TEST(AssetPropertyValue, AccessorsCheckTheKind)
{
    struct Accessor {
        const char* name;
        AssetPropertyType kind;
        const char* errorText;
        std::function<void(AssetPropertyValue&)> call;
    };
    _variant_t date(L"3/15/2004");
    const Accessor accessors[] = {
        {"GetString", AssetPropertyType::String, kUpperText, [](AssetPropertyValue& v) { v.GetString(); }},
        {"GetLong", AssetPropertyType::Long, kUpperText, [](AssetPropertyValue& v) { v.GetLong(); }},
        {"GetBool", AssetPropertyType::Bool, kUpperText, [](AssetPropertyValue& v) { v.GetBool(); }},
        {"GetVariant", AssetPropertyType::Variant, kLowerText, [](AssetPropertyValue& v) { v.GetVariant(); }},
        {"SetString", AssetPropertyType::String, kUpperText, [](AssetPropertyValue& v) { v.SetString("x"); }},
        {"SetLong", AssetPropertyType::Long, kUpperText, [](AssetPropertyValue& v) { v.SetLong(1); }},
        {"SetBool", AssetPropertyType::Bool, kUpperText, [](AssetPropertyValue& v) { v.SetBool(true); }},
        {"SetVariant", AssetPropertyType::Variant, kUpperText, [&date](AssetPropertyValue& v) { v.SetVariant(date); }},
    };
    const AssetPropertyType kinds[] = {AssetPropertyType::String, AssetPropertyType::Long, AssetPropertyType::Bool,
                                       AssetPropertyType::Double, AssetPropertyType::Variant};
    for (AssetPropertyType kind : kinds) {
        for (const Accessor& accessor : accessors) {
            SCOPED_TRACE(std::string(accessor.name) + " on kind " + std::to_string(static_cast<int>(kind)));
            AssetPropertyValue value(kind);
            if (kind == accessor.kind) {
                EXPECT_NO_THROW(accessor.call(value));
                continue;
            }
            try {
                accessor.call(value);
                ADD_FAILURE() << "no exception";
            } catch (const t_exception& e) {
                EXPECT_STREQ(accessor.errorText, e.what());
                EXPECT_EQ(E_FAIL, e.Code());
            }
            EXPECT_FALSE(value.IsModified());
        }
    }
}

TEST(AssetPropertyValue, InitialValuesAndChangeDetection)
{
    AssetPropertyValue text(AssetPropertyType::String);
    EXPECT_EQ("", static_cast<const AssetPropertyValue&>(text).GetString());
    EXPECT_FALSE(text.IsModified());

    // The flag is cleared before each step to see whether that step sets it.
    struct Step {
        const char* input;
        const char* stored;
        bool modified;
    } steps[] = {
        {"", "", true}, // the first set always counts
        {"  word  ", "word", true},
        {"word", "word", false},
        {" word", "word", true}, // compared before trimming
        {"\tword\t", "word", true},
        {"a  b", "a  b", true},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.input);
        text.SetModified(false);
        text.SetString(step.input);
        EXPECT_EQ(step.stored, text.GetString());
        EXPECT_EQ(step.modified, text.IsModified());
    }

    AssetPropertyValue number(AssetPropertyType::Long);
    EXPECT_EQ(0, number.GetLong());
    number.SetLong(0);
    EXPECT_FALSE(number.IsModified());
    number.SetLong(5);
    EXPECT_TRUE(number.IsModified());
    EXPECT_EQ(5, number.GetLong());

    AssetPropertyValue flag(AssetPropertyType::Bool);
    flag.SetBool(false);
    EXPECT_FALSE(flag.IsModified());
    flag.SetBool(true);
    EXPECT_TRUE(flag.IsModified());

    AssetPropertyValue variant(AssetPropertyType::Variant);
    EXPECT_EQ(VT_NULL, variant.GetVariant().vt);
    _variant_t null;
    null.vt = VT_NULL;
    variant.SetVariant(null);
    EXPECT_FALSE(variant.IsModified());
    _variant_t date(L"3/15/2004");
    variant.SetVariant(date);
    EXPECT_TRUE(variant.IsModified());
    variant.SetModified(false);
    variant.SetVariant(_variant_t(L"3/15/2004"));
    EXPECT_FALSE(variant.IsModified());
    variant.SetVariant(_variant_t(20040315L));
    EXPECT_TRUE(variant.IsModified());
    EXPECT_EQ(VT_I4, variant.GetVariant().vt);

    // A kind the equality cannot compare is stored, not refused.
    SAFEARRAY* array = SafeArrayCreateVector(VT_I4, 0, 2);
    VARIANT arrayValue;
    VariantInit(&arrayValue);
    arrayValue.vt = VT_ARRAY | VT_I4;
    arrayValue.parray = array;
    variant.SetModified(false);
    EXPECT_NO_THROW(variant.SetVariant(arrayValue));
    EXPECT_TRUE(variant.IsModified());
    VariantClear(&arrayValue);
}

// A copy or an assigned value owns its text: setting it leaves the source.
TEST(AssetPropertyValue, CopiesAreIndependent)
{
    AssetPropertyValue source(AssetPropertyType::String);
    source.SetString("source");
    AssetPropertyValue copy(source);
    EXPECT_TRUE(copy.IsModified());
    copy.SetString("copy");
    EXPECT_EQ("source", source.GetString());

    AssetPropertyValue assigned(AssetPropertyType::String);
    assigned = source;
    assigned.SetString("assigned");
    EXPECT_EQ("source", source.GetString());

    AssetPropertyValue date(AssetPropertyType::Variant);
    date.SetVariant(_variant_t(L"1/2/2003"));
    AssetPropertyValue dateCopy(date);
    date.SetVariant(_variant_t(L"4/5/2006"));
    EXPECT_STREQ(L"1/2/2003", dateCopy.GetVariant().bstrVal);
}

TEST(AssetPropertyValue, ModifiedFlagTexts)
{
    struct Case {
        const char* flags;
        bool throws;
        const char* after;
    } cases[] = {
        {"101", false, "101"}, {"1x1", false, "101"}, {"000", false, "000"},
        {"", false, "000"},    {"10", true, "010"},   {"1011", true, "010"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.flags);
        AssetPropertyVector values(3, AssetPropertyValue(AssetPropertyType::Long));
        values[1].SetLong(7);
        ASSERT_EQ("010", FormatModifiedFlags(values));
        if (c.throws) {
            try {
                ParseModifiedFlags(values, c.flags);
                ADD_FAILURE() << "no exception";
            } catch (const t_exception& e) {
                EXPECT_EQ(E_INVALIDARG, e.Code());
            }
        } else {
            ParseModifiedFlags(values, c.flags);
        }
        EXPECT_EQ(c.after, FormatModifiedFlags(values));
    }
}

} // namespace

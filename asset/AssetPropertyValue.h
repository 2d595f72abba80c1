// One typed value of an asset object's property vector.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <boost/shared_ptr.hpp>

#include <string>
#include <vector>

// The kind of a value, fixed when it is made. Code 2 is not used.
enum class AssetPropertyType : int {
    String = 0,
    Long = 1,
    Bool = 3,
    Double = 4,
    Variant = 5,
};

class AssetPropertyValue {
public:
    explicit AssetPropertyValue(AssetPropertyType type);
    AssetPropertyValue(const AssetPropertyValue& other);
    AssetPropertyValue& operator=(const AssetPropertyValue& other);
    ~AssetPropertyValue();

    AssetPropertyType Type() const { return m_type; }
    bool IsModified() const { return m_modified; }
    void SetModified(bool modified) { m_modified = modified; }

    std::string& GetString();
    const std::string& GetString() const;
    long GetLong() const;
    bool GetBool() const;
    VARIANT& GetVariant();
    const VARIANT& GetVariant() const;

    void SetString(const std::string& text);
    void SetLong(long value);
    void SetBool(bool value);
    void SetVariant(const VARIANT& value);

private:
    void CheckType(AssetPropertyType wanted) const;

    union Number {
        long asLong;
        double asDouble;
        bool asBool;
    } m_number;
    boost::shared_ptr<std::string> m_text;
    VARIANT m_variant;
    AssetPropertyType m_type;
    bool m_modified = false;
};

typedef std::vector<AssetPropertyValue> AssetPropertyVector;

// The modified flags of a whole vector as "0"/"1" characters in index order.
std::string FormatModifiedFlags(const AssetPropertyVector& values);
void ParseModifiedFlags(AssetPropertyVector& values, const std::string& flags);

// A fresh property vector with the given types in index order.
AssetPropertyVector MakePropertyVector(const AssetPropertyType* types, size_t count);

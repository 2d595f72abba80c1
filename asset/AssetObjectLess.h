// Ordering of asset parts by their property 0 (description or drive letter).
#pragma once

namespace AssetIMPL {

// Compares the property-0 texts as byte strings, so upper case sorts before
// lower case.
struct AssetObjectLess {
    template <class T>
    bool operator()(const T& left, const T& right) const
    {
        return left.Properties()[0].GetString() < right.Properties()[0].GetString();
    }
};

// The comparator of collections that keep the order of addition.
template <class T>
struct NullCompare {
    bool operator()(const T&, const T&) const { return false; }
};

} // namespace AssetIMPL

// A list of texts of a computer asset (ports, printers, hotfixes).
#pragma once

#include "asset/AssetPropertyValue.h"

#include <string>
#include <vector>

namespace AssetIMPL {

class StringCollectionImpl {
public:
    StringCollectionImpl() = default;
    // Copies the values; the copy starts unmodified.
    StringCollectionImpl(const StringCollectionImpl& other);
    StringCollectionImpl& operator=(const StringCollectionImpl& other);
    virtual ~StringCollectionImpl() = default;

    void Add(const std::string& text);
    void Clear();

    const AssetPropertyVector& Values() const { return m_values; }
    bool IsModified() const { return m_modified; }
    // An audit step that has just filled the list marks it changed even when
    // it stays empty.
    void SetModified(bool modified) { m_modified = modified; }

private:
    AssetPropertyVector m_values;
    bool m_modified = false;
};

} // namespace AssetIMPL

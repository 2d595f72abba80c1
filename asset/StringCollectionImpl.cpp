#include "asset/StringCollectionImpl.h"

namespace AssetIMPL {

StringCollectionImpl::StringCollectionImpl(const StringCollectionImpl& other) : m_values(other.m_values) {}

StringCollectionImpl& StringCollectionImpl::operator=(const StringCollectionImpl& other)
{
    if (this != &other) {
        m_values = other.m_values;
        m_modified = false;
    }
    return *this;
}

// The stored value carries no modified flag of its own: the list's flag
// records the change.
void StringCollectionImpl::Add(const std::string& text)
{
    AssetPropertyValue value(AssetPropertyType::String);
    value.SetString(text);
    value.SetModified(false);
    m_values.push_back(value);
    m_modified = true;
}

void StringCollectionImpl::Clear()
{
    if (!m_values.empty()) {
        m_values.clear();
        m_modified = true;
    }
}

} // namespace AssetIMPL

#include "netcomp/core/text/NameValueList.h"

#include <new>

#include "netcomp/core/framework/ResultCodes.h"

int NameValueList::Add(const char* name, uint32_t nameLength, const char* value, uint32_t valueLength)
{
    if (IsFull())
        return kOutOfMemory;
    if (m_count == m_entries.size()) {
        try {
            m_entries.emplace_back();
        } catch (const std::bad_alloc&) {
            return kOutOfMemory;
        }
    }
    Entry& entry = m_entries[m_count];
    int rc = entry.name.Assign(name, nameLength);
    if (rc == kResultOk)
        rc = entry.value.Assign(value, valueLength);
    if (rc != kResultOk)
        return rc;
    entry.extra = 0;
    entry.extra2 = 0;
    ++m_count;
    return kResultOk;
}

void NameValueList::Pop()
{
    if (m_count > 0)
        --m_count;
}

void NameValueList::Release()
{
    m_entries.clear();
    m_entries.shrink_to_fit();
    m_count = 0;
}

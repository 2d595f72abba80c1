#include "netcomp/core/text/NameValueList.h"

#include "netcomp/core/framework/ResultCodes.h"

int NameValueList::Add(const char* name, uint32_t nameLength, const char* value, uint32_t valueLength)
{
    if (m_count >= kMaxPairs)
        return kOutOfMemory;
    int rc = m_names[m_count].Assign(name, nameLength);
    if (rc == kResultOk)
        rc = m_values[m_count].Assign(value, valueLength);
    if (rc != kResultOk)
        return rc;
    m_extra[m_count] = 0;
    m_extra2[m_count] = 0;
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
    for (uint32_t i = 0; i < kMaxPairs; ++i) {
        m_names[i].Release();
        m_values[i].Release();
    }
    m_count = 0;
}

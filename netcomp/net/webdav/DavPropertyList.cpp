#include "netcomp/net/webdav/DavPropertyList.h"

#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/core/text/CStringHelpers.h"

int DavPropertyList::SetCount(uint32_t n)
{
    const uint32_t old = Count();
    int rc = m_names.SetCount(n);
    if (rc == kResultOk)
        rc = m_values.SetCount(n);
    if (rc == kResultOk)
        rc = m_operations.SetCount(n);
    if (rc == kResultOk)
        rc = m_statuses.SetCount(n);
    for (uint32_t i = old; rc == kResultOk && i < n; ++i)
        rc = m_operations.SetItemInt(i, kDavSet);
    if (rc != kResultOk) {
        // Never leave the four lists of different lengths.
        const uint32_t keep = old < n ? old : n;
        (void)m_names.SetCount(keep);
        (void)m_values.SetCount(keep);
        (void)m_operations.SetCount(keep);
        (void)m_statuses.SetCount(keep);
    }
    return rc;
}

int DavPropertyList::Add(const char* name, uint32_t nameLength, const char* value, uint32_t valueLength)
{
    const uint32_t at = Count();
    int rc = SetCount(at + 1);
    if (rc == kResultOk)
        rc = m_names.SetItemBytes(at, name, nameLength);
    if (rc == kResultOk)
        rc = m_values.SetItemBytes(at, value, valueLength);
    if (rc != kResultOk)
        (void)SetCount(at);
    return rc;
}

int DavPropertyList::Find(const char* name) const
{
    for (uint32_t i = 0; i < Count(); ++i) {
        if (StrCmp(m_names.Item(i), name ? name : "") == 0)
            return int(i);
    }
    return -1;
}

int DavNamespaceList::SetCount(uint32_t n)
{
    const uint32_t old = Count();
    int rc = m_prefixes.SetCount(n);
    if (rc == kResultOk)
        rc = m_uris.SetCount(n);
    if (rc != kResultOk) {
        const uint32_t keep = old < n ? old : n;
        (void)m_prefixes.SetCount(keep);
        (void)m_uris.SetCount(keep);
    }
    return rc;
}

int DavNamespaceList::Add(const char* prefix, const char* uri)
{
    const uint32_t at = Count();
    int rc = SetCount(at + 1);
    if (rc == kResultOk)
        rc = m_prefixes.SetItem(at, prefix ? prefix : "");
    if (rc == kResultOk)
        rc = m_uris.SetItem(at, uri ? uri : "");
    if (rc != kResultOk)
        (void)SetCount(at);
    return rc;
}

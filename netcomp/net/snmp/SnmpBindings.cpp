#include "netcomp/net/snmp/SnmpBindings.h"

#include <utility>

#include "netcomp/core/text/CStringHelpers.h"

int SnmpBindings::SetCount(int count)
{
    if (count < 0 || count > kMaxCount)
        return kTooMany;
    m_entries.resize(size_t(count));
    return 0;
}

bool SnmpBindings::Add(SnmpBinding binding)
{
    if (Count() >= kMaxCount)
        return false;
    m_entries.push_back(std::move(binding));
    return true;
}

const SnmpBinding* SnmpBindings::Find(const char* oid) const
{
    for (const SnmpBinding& b : m_entries) {
        if (StrICmp(b.oid.c_str(), oid ? oid : "") == 0)
            return &b;
    }
    return nullptr;
}

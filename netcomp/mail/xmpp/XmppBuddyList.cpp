#include "netcomp/mail/xmpp/XmppBuddyList.h"

#include <cstring>

#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/mail/xmpp/XmppText.h"

namespace {

// What a buddy's status reads until something else is known.
const char kInitialStatus[] = "Availible.";
constexpr int kRemove = 4;

} // namespace

int XmppBuddyList::Find(const char* jid) const
{
    for (uint32_t row = 0; row < Count(); ++row) {
        if (std::strcmp(Item(row, kJid), jid) == 0)
            return int(row);
    }
    return -1;
}

int XmppBuddyList::AddRow(StringList& rows, const XmppRosterItem& item)
{
    int rc = rows.Add(item.jid.c_str());
    if (rc == kResultOk)
        rc = rows.Add(item.name.c_str());
    if (rc == kResultOk)
        rc = rows.Add(item.groups.c_str());
    if (rc == kResultOk)
        rc = rows.Add(item.ask.c_str());
    if (rc == kResultOk)
        rc = rows.Add(kInitialStatus);
    if (rc == kResultOk)
        rc = rows.Add(std::to_string(item.subscription).c_str());
    if (rc == kResultOk)
        rc = rows.Add("0");
    return rc;
}

int XmppBuddyList::Assign(const std::vector<XmppRosterItem>& items)
{
    if (items.size() > kMaxBuddies)
        return kXmppProtocolError;
    StringList rows;
    for (const XmppRosterItem& item : items) {
        const int rc = AddRow(rows, item);
        if (rc != kResultOk)
            return rc;
    }
    m_rows = std::move(rows);
    return kResultOk;
}

// The list is rebuilt row by row: a replaced row keeps its place, a deleted
// one lets the rows behind it move up.
int XmppBuddyList::Apply(const XmppRosterItem& item, int* row)
{
    *row = -1;
    const int found = Find(item.jid.c_str());
    if (found < 0 && item.subscription == kRemove)
        return kResultOk;
    if (found < 0 && Count() >= kMaxBuddies)
        return kXmppProtocolError;
    StringList rows;
    int rc = kResultOk;
    for (uint32_t r = 0; r < Count() && rc == kResultOk; ++r) {
        if (int(r) == found) {
            if (item.subscription != kRemove) {
                rc = AddRow(rows, item);
                *row = found;
            }
            continue;
        }
        for (int c = 0; c < kColumns && rc == kResultOk; ++c)
            rc = rows.AddBytes(m_rows.Item(r * kColumns + c), m_rows.ItemLength(r * kColumns + c));
    }
    if (rc == kResultOk && found < 0) {
        rc = AddRow(rows, item);
        *row = int(Count());
    }
    if (rc != kResultOk) {
        *row = -1;
        return rc;
    }
    m_rows = std::move(rows);
    return kResultOk;
}

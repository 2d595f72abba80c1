#pragma once
// The roster as the component shows it: one row of seven texts per buddy
// (JID, name, groups joined by ",", the "ask" attribute, a status text, the
// subscription code as decimal text, and "0"), filled from a roster result
// and kept up to date by roster pushes (RFC 3921, 7).
#include <cstdint>
#include <vector>

#include "netcomp/core/text/StringList.h"
#include "netcomp/mail/xmpp/XmppStanza.h"

class XmppBuddyList {
public:
    enum Column { kJid, kName, kGroups, kAsk, kStatus, kSubscription, kSpare, kColumns };
    // The most buddies the list holds: a server's pushes of ever new ones
    // are refused beyond it (620) instead of growing the list for ever.
    static constexpr uint32_t kMaxBuddies = 10000;
    static constexpr char kFullDetail[] = "more than 10000 buddies";

    uint32_t Count() const { return m_rows.Count() / kColumns; }
    const char* Item(uint32_t row, Column column) const { return m_rows.Item(row * kColumns + column); }
    int Subscription(uint32_t row) const { return int(m_rows.ItemAsInt(row * kColumns + kSubscription)); }
    // The row of a JID, or -1.
    int Find(const char* jid) const;

    void Clear() { m_rows.Clear(); }
    // A roster result: exactly one row per item, in order; 620 for more
    // items than kMaxBuddies (the list stays as it was).
    [[nodiscard]] int Assign(const std::vector<XmppRosterItem>& items);
    // A roster push: the row with the item's JID replaced, or a new row
    // appended (620 when the list is full); subscription "remove" deletes
    // the row. *row is the row replaced or appended, or -1 when one was
    // deleted or nothing changed.
    [[nodiscard]] int Apply(const XmppRosterItem& item, int* row);

private:
    [[nodiscard]] int AddRow(StringList& rows, const XmppRosterItem& item);

    StringList m_rows;
};

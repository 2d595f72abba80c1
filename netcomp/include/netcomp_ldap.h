/* Property, method and event numbers of the LDAP component (LDAP_Get,
 * LDAP_Set, LDAP_Do and the event callback). The attribute list (AttrModOp,
 * AttrType, AttrValue) counts from 1. */
#ifndef NETCOMP_LDAP_H
#define NETCOMP_LDAP_H

/* What a server sends is bounded: a message is at most 32 MB (33554432
 * bytes); a longer one, or a length no message can have (indefinite, beyond
 * 4 bytes), is bad data: 446, "Error decoding incoming data.", and the
 * connection is closed. A paged search stops with NETCOMP_LDAP_PAGING_STOPPED
 * when the server sends a page's cookie again ("Paged search stopped: the
 * server sent the same cookie again.") or after 100 pages in a row without
 * an entry ("Paged search stopped: the server sent 100 pages in a row
 * without an entry."). */
#define NETCOMP_LDAP_PAGING_STOPPED 337

enum LdapProp {
    kLdapAcceptData = 1,
    kLdapAttrCount = 2,
    kLdapAttrModOp = 3,
    kLdapAttrType = 4,
    kLdapAttrValue = 5, /* binary */
    kLdapConnected = 6,
    kLdapDeleteOldRDN = 7,
    kLdapDN = 8,
    kLdapFirewallHost = 9,
    kLdapFirewallPassword = 10,
    kLdapFirewallPort = 11,
    kLdapFirewallType = 12,
    kLdapFirewallUser = 13,
    kLdapIdle = 14,
    kLdapLDAPVersion = 15,
    kLdapLocalHost = 16,
    kLdapMessageId = 17,
    kLdapPageSize = 18,
    kLdapPassword = 19,
    kLdapResultCode = 20,
    kLdapResultDescription = 21,
    kLdapResultDN = 22,
    kLdapSearchDerefAliases = 23,
    kLdapSearchReturnValues = 24,
    kLdapSearchScope = 25,
    kLdapSearchSizeLimit = 26,
    kLdapSearchTimeLimit = 27,
    kLdapServerName = 28,
    kLdapServerPort = 29,
    kLdapSortAttributes = 30,
    kLdapTimeout = 31
};

/* Abandon: the message id (int). ExtendedRequest: the request name (text)
 * and its value (bytes with their length). ModifyRDN: the new RDN (text).
 * Search: the filter (text). */
enum LdapMethod {
    kLdapConfig = 1,
    kLdapAbandon = 2,
    kLdapAdd = 3,
    kLdapBind = 4,
    kLdapCompare = 5,
    kLdapDelete = 6,
    kLdapDoEvents = 7,
    kLdapExtendedRequest = 8,
    kLdapInterrupt = 9,
    kLdapModify = 10,
    kLdapModifyRDN = 11,
    kLdapSearch = 12,
    kLdapUnbind = 13
};

/* Connected, Disconnected: StatusCode (int), Description (text).
 * ConnectionStatus: ConnectionEvent (text), StatusCode, Description.
 * Error: ErrorCode (int), Description (text). ExtendedResponse: MessageId
 * (int), MatchedDN (text), ResultCode (int), Description (text),
 * ResponseName (text), ResponseValue (bytes with their length). Result and
 * SearchComplete: MessageId, MatchedDN, ResultCode, Description. SearchPage:
 * the same and Cancel (bool, by reference: true stops the search after this
 * page). SearchResult: MessageId, DN (text); the entry's attributes are the
 * attribute list while the event runs. */
enum LdapEvent {
    kLdapEventConnected = 1,
    kLdapEventConnectionStatus = 2,
    kLdapEventDisconnected = 3,
    kLdapEventError = 4,
    kLdapEventExtendedResponse = 5,
    kLdapEventResult = 6,
    kLdapEventSearchComplete = 7,
    kLdapEventSearchPage = 8,
    kLdapEventSearchResult = 9
};

#endif /* NETCOMP_LDAP_H */

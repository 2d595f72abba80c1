/* Property, method and event numbers of the XMPP instant-messaging component
 * (XMPP_Get, XMPP_Set, XMPP_Do and the event callback). Indexed properties
 * count from 1. Texts the caller gives go out as UTF-8: a text that is UTF-8
 * already as it is, any other read in the ANSI code page (or the one the
 * Config key CodePage names). Texts from the server come as UTF-8. */
#ifndef NETCOMP_XMPP_H
#define NETCOMP_XMPP_H

/* The buddy list holds at most 10000 buddies: a roster or push beyond is
 * refused with 620 ("Jabber protocol error (more than 10000 buddies).") and
 * the list stays as it was. The server's stream is read with the bounds of
 * netcomp_xmlp.h (128 attributes on one element, 128 elements open at once,
 * 128 namespace declarations in scope): the 129th makes it XML the component
 * cannot read, 626 with the parser's "Out of memory." as the detail, and the
 * connection closes.
 *
 * A server ends a session with a stream error (its reason, a condition such
 * as policy-violation for a stanza too big) and the end of the stream. The
 * Error event carries 620 and "Server-defined error: <condition>.", the
 * connection closes with one Disconnected event carrying the same, and the
 * call under way, or else the next call that needs the session, returns
 * them (a send that finds the connection reset first reads what the server
 * said before it); the call after that logs in again. A stream that cannot
 * be read ends the session the same way with 626. Connect and Disconnect
 * start afresh. */

enum XmppProp {
    kXmppBuddyCount = 1,
    kXmppBuddyGroup = 2,        /* indexed; setting it sends the roster item again */
    kXmppBuddyId = 3,           /* indexed */
    kXmppBuddySubscription = 4, /* indexed: 0 none, 1 to, 2 from, 3 both, 4 remove; -1 at a bad index */
    kXmppConnected = 5,
    kXmppFirewallHost = 6,
    kXmppFirewallPassword = 7,
    kXmppFirewallPort = 8,
    kXmppFirewallType = 9,
    kXmppFirewallUser = 10,
    kXmppServerPort = 11,
    kXmppServer = 12,
    kXmppMessageHTML = 13,
    kXmppMessageSubject = 14,
    kXmppMessageText = 15,
    kXmppMessageThread = 16,
    kXmppMessageType = 17, /* 0 normal, 1 chat, 2 groupchat, 3 headline, 4 error */
    kXmppMessageOtherData = 18,
    kXmppPassword = 19,
    kXmppPresence = 20, /* 0 offline, 1 chat, 2 away, 3 xa, 4 dnd */
    kXmppResource = 21,
    kXmppStatusText = 22,
    kXmppTimeout = 23,
    kXmppUser = 24,
    kXmppUserInfoCount = 25,
    kXmppUserInfoField = 26, /* indexed */
    kXmppUserInfoValue = 27  /* indexed */
};

/* Add: JID, name, groups (comma-separated). Cancel, ProbePresence,
 * SubscribeTo, UnsubscribeTo, SendMessage: JID. ChangePresence: code (int),
 * status text. Connect: user, password. QueryRegister, Register: server.
 * Remove: JID, name, group. SendCommand: XML text. SetUserInfoField: name,
 * value. */
enum XmppMethod {
    kXmppConfig = 1,
    kXmppAdd = 2,
    kXmppCancel = 3,
    kXmppChangePresence = 4,
    kXmppConnect = 5,
    kXmppDisconnect = 6,
    kXmppDoEvents = 7,
    kXmppProbePresence = 8,
    kXmppQueryRegister = 9,
    kXmppRegister = 10,
    kXmppRemove = 11,
    kXmppRetrieveRoster = 12,
    kXmppSendCommand = 13,
    kXmppSendMessage = 14,
    kXmppSetUserInfoField = 15,
    kXmppSubscribeTo = 16,
    kXmppUnregister = 17,
    kXmppUnsubscribeTo = 18
};

/* BuddyUpdate: BuddyIdx (int, 1-based). Connected, Disconnected: StatusCode
 * (int), Description (text). ConnectionStatus: ConnectionEvent (text),
 * StatusCode (int), Description (text). Error: ErrorCode (int), Description
 * (text). Iq: Iq (text, the stanza's XML). MessageIn: User, Domain,
 * Resource, MessageText, MessageHTML (texts). ProtocolTrace: Direction (int:
 * 0 sent, 1 received, 2 progress), Text (text). Presence: User, Domain,
 * Resource (texts), Availability (int), Status (text). SubscriptionRequest:
 * User, Domain (texts), Accept (int, by reference, 1 on entry).
 * RosterReceived: none. */
enum XmppEvent {
    kXmppEventBuddyUpdate = 1,
    kXmppEventConnected = 2,
    kXmppEventConnectionStatus = 3,
    kXmppEventDisconnected = 4,
    kXmppEventError = 5,
    kXmppEventIq = 6,
    kXmppEventMessageIn = 7,
    kXmppEventProtocolTrace = 8,
    kXmppEventPresence = 9,
    kXmppEventSubscriptionRequest = 10,
    kXmppEventRosterReceived = 11
};

#endif /* NETCOMP_XMPP_H */

/* Property, method and event numbers of the POP component (POP_Get, POP_Set,
 * POP_Do and the event callback). */
#ifndef NETCOMP_POP_H
#define NETCOMP_POP_H

/* What a server sends is bounded. A reply is one status line of at most 65536
 * bytes: a longer one ends the call with 171 and "Reply line too long.", while
 * the connection stays, the rest of that line is passed over and the next reply
 * read is the next command's. A LIST or UIDL listing is read to its "." line
 * however long it is, one MessageList event per line, none of it kept; its
 * lines are reply lines, and one past 65536 bytes fires no event: the listing
 * is still read to its end, then the call ends with 171 and "Reply line too
 * long." as above. A retrieved message's header lines take at most 1 MB
 * together, kept or not; the headers and text kept in memory (MessageHeaders
 * and MessageText) at most Config MaxMessageSize bytes together (default
 * 67108864, 64 MB). A message that goes to LocalFile and the Transfer events
 * only has no bound. Past a message's bound the call ends with 171 and "Message
 * header section too large." or "Message too large.", the connection is closed,
 * and the message's texts and header values are empty. */

/* AuthMechanism: 0 USER/PASS, 1 AUTH CRAM-MD5, 2 APOP, other: none.
 * MessageCount, MailboxSize, MessageSize, MessageUid, MessageHeaders and
 * MessageText ask the server when read while connected. MailboxSize and
 * MessageSize are octets, pointer-sized. */
enum PopProp {
    kPopAuthMechanism = 1,
    kPopCommand = 2,
    kPopConnected = 3,
    kPopFirewallHost = 4,
    kPopFirewallPassword = 5,
    kPopFirewallPort = 6,
    kPopFirewallType = 7,
    kPopFirewallUser = 8,
    kPopIdle = 9,
    kPopLastReply = 10,
    kPopLocalFile = 11,
    kPopLocalHost = 12,
    kPopRemotePort = 13,
    kPopRemoteHost = 14,
    kPopMaxLines = 15,
    kPopMessageCc = 16,
    kPopMessageCount = 17,
    kPopMessageDate = 18,
    kPopMessageFrom = 19,
    kPopMessageHeaders = 20,
    kPopMessageNumber = 21,
    kPopMessageReplyTo = 22,
    kPopMessageSize = 23,
    kPopMessageSubject = 24,
    kPopMessageText = 25,
    kPopMessageTo = 26,
    kPopMessageUid = 27,
    kPopPassword = 28,
    kPopTimeout = 29,
    kPopMailboxSize = 30,
    kPopUser = 31
};

/* LocalizeDate: the date text; the local time comes back in the second
 * argument's slot. */
enum PopMethod {
    kPopConfig = 1,
    kPopConnect = 2,
    kPopDeleteMessage = 3,
    kPopDisconnect = 4,
    kPopDoEvents = 5,
    kPopInterrupt = 6,
    kPopListMessageSizes = 7,
    kPopListMessageUids = 8,
    kPopLocalizeDate = 9,
    kPopReset = 10,
    kPopRetrieveMessage = 11,
    kPopRetrieveWholeMessage = 12
};

/* ConnectionStatus: ConnectionEvent (text), StatusCode (int), Description
 * (text). EndTransfer: none. Error: ErrorCode (int), Description (text).
 * Header: Field (text), Value (text). MessageList: MessageNumber (int),
 * MessageUid (text), MessageSize (pointer-sized int). ProtocolTrail:
 * Direction (int: 0 command sent, 1 reply line, 2 status), Text (text).
 * StartTransfer: none. Transfer: BytesTransferred (pointer-sized int), Text
 * (bytes with their length), EOL (bool). */
enum PopEvent {
    kPopEventConnectionStatus = 1,
    kPopEventEndTransfer = 2,
    kPopEventError = 3,
    kPopEventHeader = 4,
    kPopEventMessageList = 5,
    kPopEventProtocolTrail = 6,
    kPopEventStartTransfer = 7,
    kPopEventTransfer = 8
};

#endif /* NETCOMP_POP_H */

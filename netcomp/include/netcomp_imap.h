/* Property, method and event numbers of the IMAP component (IMAP_Get,
 * IMAP_Set, IMAP_Do and the event callback). */
#ifndef NETCOMP_IMAP_H
#define NETCOMP_IMAP_H

/* What a server sends is bounded. A literal kept in memory (in any
 * response: an envelope's text, MessageHeaders, MessageText) is at most
 * Config MaxLiteralSize bytes (default 65024, below 255 x 255); a larger one
 * is refused at its announcement with 311 and "Server literal too large.",
 * and the connection is closed. A message's text or part fetched with
 * LocalFile set goes there without bound. One response with the literals it
 * keeps takes at most 16 MB. */

/* AuthMechanism: 0 LOGIN, 1 AUTHENTICATE CRAM-MD5, other: none. MessageBcc,
 * MessageCc and MessageTo are lists: the index of IMAP_Get picks the address
 * (from 0), past the last it reads as the empty text. */
enum ImapProp {
    kImapAuthMechanism = 1,
    kImapCommand = 2,
    kImapConnected = 3,
    kImapEndByte = 4,
    kImapFirewallHost = 5,
    kImapFirewallPassword = 6,
    kImapFirewallPort = 7,
    kImapFirewallType = 8,
    kImapFirewallUser = 9,
    kImapIdle = 10,
    kImapLastReply = 11,
    kImapLocalFile = 12,
    kImapLocalHost = 13,
    kImapMailbox = 14,
    kImapMailboxFlags = 15,
    kImapRemotePort = 16,
    kImapRemoteHost = 17,
    kImapMessageBcc = 18,
    kImapMessageCc = 19,
    kImapMessageContentEncoding = 20,
    kImapMessageContentType = 21,
    kImapMessageCount = 22,
    kImapMessageDate = 23,
    kImapMessageInternalDate = 24,
    kImapMessageFlags = 25,
    kImapMessageFrom = 26,
    kImapMessageHeaders = 27,
    kImapMessageNumber = 28,
    kImapMessageInReplyTo = 29,
    kImapMessageIdHeader = 30,
    kImapMessageReplyTo = 31,
    kImapMessageSender = 32,
    kImapMessageSet = 33,
    kImapMessageSize = 34, /* pointer-sized */
    kImapMessageSubject = 35,
    kImapMessageText = 36, /* binary; length 0: a text (a fetched text or a decoded part) */
    kImapMessageTo = 37,
    kImapPartId = 38,
    kImapPassword = 39,
    kImapPeekMode = 40,
    kImapRecentCount = 41,
    kImapSearchCriteria = 42,
    kImapSortCriteria = 43,
    kImapStartByte = 44,
    kImapTimeout = 45,
    kImapUIDMode = 46,
    kImapUser = 47
};

/* Arguments are texts: AddMessageFlags (flags), DeleteMailboxAcl (user),
 * LocalizeDate (date; the local time comes back in the second argument's
 * slot), RenameMailbox (new name), SetMailboxAcl (user, rights). */
enum ImapMethod {
    kImapConfig = 1,
    kImapAddMessageFlags = 2,
    kImapAppendToMailbox = 3,
    kImapCheckMailbox = 4,
    kImapCloseMailbox = 5,
    kImapConnect = 6,
    kImapCopyToMailbox = 7,
    kImapCreateMailbox = 8,
    kImapDeleteFromMailbox = 9,
    kImapDeleteMailbox = 10,
    kImapDeleteMailboxAcl = 11,
    kImapDisconnect = 12,
    kImapDoEvents = 13,
    kImapExamineMailbox = 14,
    kImapExpungeMailbox = 15,
    kImapFetchMessageHeaders = 16,
    kImapFetchMessageInfo = 17,
    kImapFetchMessagePart = 18,
    kImapFetchMessageText = 19,
    kImapGetMailboxAcl = 20,
    kImapInterrupt = 21,
    kImapListMailboxes = 22,
    kImapListSubscribedMailboxes = 23,
    kImapLocalizeDate = 24,
    kImapMoveToMailbox = 25,
    kImapNoop = 26,
    kImapRenameMailbox = 27,
    kImapSetMessageFlags = 28,
    kImapSearchMailbox = 29,
    kImapSelectMailbox = 30,
    kImapSetMailboxAcl = 31,
    kImapSubscribeMailbox = 32,
    kImapRemoveMessageFlags = 33,
    kImapUnsubscribeMailbox = 34
};

/* ConnectionStatus: ConnectionEvent (text), StatusCode (int), Description
 * (text). EndTransfer: none. Error: ErrorCode (int), Description (text).
 * MailboxAcl: Mailbox, User, Rights (texts). MailboxList: Mailbox,
 * Separator, Flags (texts). MessageInfo: MessageNumber (text: the message's
 * number, or its UID in UIDMode), Subject, MessageDate, From, Flags (texts),
 * Size (pointer-sized int). MessagePart: PartId (text), Size
 * (pointer-sized int), ContentType, FileName, ContentEncoding, Parameters,
 * MultipartMode (texts). ProtocolTrail: Direction (int: 0 command sent, 1 line received, 2
 * status), Text (text). StartTransfer: none. Transfer: Length (int, of this
 * line), Text (bytes with their length). */
enum ImapEvent {
    kImapEventConnectionStatus = 1,
    kImapEventEndTransfer = 2,
    kImapEventError = 3,
    kImapEventMailboxAcl = 4,
    kImapEventMailboxList = 5,
    kImapEventMessageInfo = 6,
    kImapEventMessagePart = 7,
    kImapEventProtocolTrail = 8,
    kImapEventStartTransfer = 9,
    kImapEventTransfer = 10
};

#endif /* NETCOMP_IMAP_H */

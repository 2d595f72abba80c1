/* Property, method and event numbers of the NNTP component (NNTP_Get,
 * NNTP_Set, NNTP_Do and the event callback). */
#ifndef NETCOMP_NNTP_H
#define NETCOMP_NNTP_H

/* What a server sends is bounded. An article's header lines take at most
 * 1 MB together, kept or not; ArticleHeaders and ArticleText kept in memory
 * at most Config MaxMessageSize bytes together (default 67108864, 64 MB);
 * the Transfer events have no bound. A reply takes at most 1 MB. Past a bound
 * the call ends with 181 and "Message header section too large.", "Message
 * too large." or "Reply too long.", the connection is closed, and the
 * article's texts and header values are empty. A line of a reply or of a
 * listing (LIST, NEWGROUPS, XOVER, XPAT) takes at most 65536 bytes: a
 * longer one fires no event, the reply or listing is still read to its
 * end, and the call ends with 181 and "Reply line too long." while the
 * connection stays. A longer body line comes in pieces, the Transfer events
 * of all but the last without their end-of-line flag. */

/* ArticleHeaders and ArticleText are fetched from the server (HEAD, BODY)
 * when read while connected with a CurrentArticle. Setting CurrentGroup sends
 * GROUP; setting Command sends it as one command. */
enum NntpProp {
    kNntpArticleCount = 1,
    kNntpArticleDate = 2,
    kNntpArticleFrom = 3,
    kNntpArticleHeaders = 4,
    kNntpArticleMessageId = 5,
    kNntpArticleReferences = 6,
    kNntpArticleReplyTo = 7,
    kNntpArticleSubject = 8,
    kNntpArticleText = 9,
    kNntpAttachedFile = 10,
    kNntpNewGroupsDate = 11,
    kNntpCommand = 12,
    kNntpConnected = 13,
    kNntpCurrentArticle = 14,
    kNntpCurrentGroup = 15,
    kNntpFirewallHost = 16,
    kNntpFirewallPassword = 17,
    kNntpFirewallPort = 18,
    kNntpFirewallType = 19,
    kNntpFirewallUser = 20,
    kNntpFirstArticle = 21,
    kNntpIdle = 22,
    kNntpLastArticle = 23,
    kNntpLastReply = 24,
    kNntpLocalHost = 25,
    kNntpMaxLines = 26,
    kNntpNewsgroups = 27,
    kNntpRemotePort = 28,
    kNntpRemoteHost = 29,
    kNntpOrganization = 30,
    kNntpOtherHeaders = 31,
    kNntpOverviewRange = 32,
    kNntpPassword = 33,
    kNntpSearchHeader = 34,
    kNntpSearchPattern = 35,
    kNntpSearchRange = 36,
    kNntpTimeout = 37,
    kNntpUser = 38
};

/* LocalizeDate: the date text; the local time comes back in the second
 * argument's slot. */
enum NntpMethod {
    kNntpConfig = 1,
    kNntpConnect = 2,
    kNntpDisconnect = 3,
    kNntpDoEvents = 4,
    kNntpFetchArticle = 5,
    kNntpFetchArticleBody = 6,
    kNntpFetchArticleHeaders = 7,
    kNntpGroupOverview = 8,
    kNntpGroupSearch = 9,
    kNntpInterrupt = 10,
    kNntpListGroups = 11,
    kNntpListNewGroups = 12,
    kNntpLocalizeDate = 13,
    kNntpPostArticle = 14,
    kNntpResetHeaders = 15
};

/* ConnectionStatus: ConnectionEvent (text), StatusCode (int), Description
 * (text). EndTransfer: none. Error: ErrorCode (int), Description (text).
 * GroupList: Group (text), FirstArticle (int), LastArticle (int), CanPost
 * (bool). GroupOverview: ArticleNumber (int), Subject, From, Date, MessageId,
 * References (texts), ArticleSize (pointer-sized int), ArticleLines (int),
 * OtherHeaders (text). GroupSearch: ArticleNumber (int), Header (text).
 * Header: Field (text), Value (text). ProtocolTrail: Direction (int: 0
 * command sent, 1 reply line, 2 status), Text (text). StartTransfer: none.
 * Transfer: BytesTransferred (pointer-sized int), Text (bytes with their
 * length), EOL (bool). */
enum NntpEvent {
    kNntpEventConnectionStatus = 1,
    kNntpEventEndTransfer = 2,
    kNntpEventError = 3,
    kNntpEventGroupList = 4,
    kNntpEventGroupOverview = 5,
    kNntpEventGroupSearch = 6,
    kNntpEventHeader = 7,
    kNntpEventProtocolTrail = 8,
    kNntpEventStartTransfer = 9,
    kNntpEventTransfer = 10
};

#endif /* NETCOMP_NNTP_H */

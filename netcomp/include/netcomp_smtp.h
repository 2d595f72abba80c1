/* Property, method and event numbers of the SMTP component (SMTP_Get,
 * SMTP_Set, SMTP_Do and the event callback). */
#ifndef NETCOMP_SMTP_H
#define NETCOMP_SMTP_H

/* A reply of the server takes at most 1 MB (its lines together): past it the
 * call ends with 161 and "Reply too long.", and the connection is closed. A
 * reply line takes at most 65536 bytes: past it the reply is still read to
 * its end, then the call ends with 161 and "Reply line too long." while the
 * connection stays. */

enum SmtpProp {
    kSmtpAllowExtensions = 1,
    kSmtpAttachedFile = 2,
    kSmtpAuthMechanism = 3, /* 0 AUTH LOGIN, 1 AUTH CRAM-MD5, other values none */
    kSmtpBCc = 4,
    kSmtpCc = 5,
    kSmtpCommand = 6, /* write only: sends the text as a command line */
    kSmtpConnected = 7,
    kSmtpDeliveryNotificationTo = 8,
    kSmtpFirewallHost = 9,
    kSmtpFirewallPassword = 10,
    kSmtpFirewallPort = 11,
    kSmtpFirewallType = 12,
    kSmtpFirewallUser = 13,
    kSmtpFrom = 14,
    kSmtpIdle = 15,
    kSmtpImportance = 16,
    kSmtpLastReply = 17,
    kSmtpLocalHost = 18,
    kSmtpMailPort = 19,
    kSmtpMailServer = 20,
    kSmtpMessageDate = 21,
    kSmtpMessageHeaders = 22,
    kSmtpMessageId = 23,
    kSmtpMessageText = 24,
    kSmtpOtherHeaders = 25,
    kSmtpPassword = 26,
    kSmtpPriority = 27,
    kSmtpReadReceiptTo = 28,
    kSmtpReplyTo = 29,
    kSmtpSendTo = 30,
    kSmtpSensitivity = 31,
    kSmtpSubject = 32,
    kSmtpTimeout = 33,
    kSmtpUser = 34
};

/* ProcessQueue and Queue: the folder (text); Queue gives the queue file's
 * path back in its second argument's slot. Verify: the address (text). */
enum SmtpMethod {
    kSmtpConfig = 1,
    kSmtpConnect = 2,
    kSmtpDisconnect = 3,
    kSmtpDoEvents = 4,
    kSmtpExpand = 5,
    kSmtpInterrupt = 6,
    kSmtpProcessQueue = 7,
    kSmtpQueue = 8,
    kSmtpResetHeaders = 9,
    kSmtpSend = 10,
    kSmtpSendToTerminalAndEmail = 11,
    kSmtpSendToTerminalOnly = 12,
    kSmtpSendToTerminalOrEmail = 13,
    kSmtpVerify = 14
};

/* ConnectionStatus: ConnectionEvent (text), StatusCode (int), Description
 * (text). EndTransfer, StartTransfer: none. Error: ErrorCode (int),
 * Description (text). Expand: Address (text). PITrail: Direction (int: 0
 * command sent, 1 reply line, 2 status), Message (text). Transfer:
 * BytesTransferred (pointer-sized int). */
enum SmtpEvent {
    kSmtpEventConnectionStatus = 1,
    kSmtpEventEndTransfer = 2,
    kSmtpEventError = 3,
    kSmtpEventExpand = 4,
    kSmtpEventPITrail = 5,
    kSmtpEventStartTransfer = 6,
    kSmtpEventTransfer = 7
};

#endif /* NETCOMP_SMTP_H */

/* Property, method and event numbers of the FileMailer component
 * (FileMailer_Get, FileMailer_Set, FileMailer_Do and the event callback). */
#ifndef NETCOMP_FILEMAILER_H
#define NETCOMP_FILEMAILER_H

enum FileMailerProp {
    kFileMailerAttachmentCount = 1,
    kFileMailerAttachments = 2, /* indexed 1 to AttachmentCount (another index: 169) */
    kFileMailerAuthMechanism = 3,
    kFileMailerBCc = 4,
    kFileMailerCc = 5,
    kFileMailerCommand = 6, /* write only */
    kFileMailerConnected = 7,
    kFileMailerDeliveryNotificationTo = 8,
    kFileMailerFirewallHost = 9,
    kFileMailerFirewallPassword = 10,
    kFileMailerFirewallPort = 11,
    kFileMailerFirewallType = 12,
    kFileMailerFirewallUser = 13,
    kFileMailerFrom = 14,
    kFileMailerIdle = 15,
    kFileMailerImportance = 16,
    kFileMailerLastReply = 17,
    kFileMailerLocalHost = 18,
    kFileMailerMailPort = 19,
    kFileMailerMailServer = 20,
    kFileMailerMessageDate = 21,
    kFileMailerMessageId = 22,
    kFileMailerMessageText = 23,
    kFileMailerOtherHeaders = 24,
    kFileMailerPassword = 25,
    kFileMailerPriority = 26,
    kFileMailerReadReceiptTo = 27,
    kFileMailerReplyTo = 28,
    kFileMailerSendTo = 29,
    kFileMailerSensitivity = 30,
    kFileMailerSubject = 31,
    kFileMailerTimeout = 32,
    kFileMailerUser = 33
};

/* AddAttachment: the file path. ProcessQueue and Queue: the folder (text);
 * Queue gives the queue file's path back in its second argument's slot. */
enum FileMailerMethod {
    kFileMailerConfig = 1,
    kFileMailerAddAttachment = 2,
    kFileMailerConnect = 3,
    kFileMailerDisconnect = 4,
    kFileMailerDoEvents = 5,
    kFileMailerInterrupt = 6,
    kFileMailerProcessQueue = 7,
    kFileMailerQueue = 8,
    kFileMailerResetHeaders = 9,
    kFileMailerSend = 10
};

/* As the SMTP component's, without Expand: ConnectionStatus (text, int,
 * text), EndTransfer, Error (int, text), PITrail (int: 0 command sent, 1
 * reply line, 2 status; text), StartTransfer, Transfer (pointer-sized int:
 * bytes). */
enum FileMailerEvent {
    kFileMailerEventConnectionStatus = 1,
    kFileMailerEventEndTransfer = 2,
    kFileMailerEventError = 3,
    kFileMailerEventPITrail = 4,
    kFileMailerEventStartTransfer = 5,
    kFileMailerEventTransfer = 6
};

#endif /* NETCOMP_FILEMAILER_H */

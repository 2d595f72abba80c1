/* Property, method and event numbers of the HTMLMailer component
 * (HTMLMailer_Get, HTMLMailer_Set, HTMLMailer_Do and the event callback). */
#ifndef NETCOMP_HTMLMAILER_H
#define NETCOMP_HTMLMAILER_H

enum HtmlMailerProp {
    kHtmlMailerAttachmentCount = 1,
    kHtmlMailerAttachments = 2, /* indexed 1 to AttachmentCount (another index: 169) */
    kHtmlMailerAuthMechanism = 3,
    kHtmlMailerBCc = 4,
    kHtmlMailerCc = 5,
    kHtmlMailerCommand = 6, /* write only */
    kHtmlMailerConnected = 7,
    kHtmlMailerDeliveryNotificationTo = 8,
    kHtmlMailerFirewallHost = 9,
    kHtmlMailerFirewallPassword = 10,
    kHtmlMailerFirewallPort = 11,
    kHtmlMailerFirewallType = 12,
    kHtmlMailerFirewallUser = 13,
    kHtmlMailerFrom = 14,
    kHtmlMailerHTMLFile = 15,
    kHtmlMailerIdle = 16,
    kHtmlMailerImageCount = 17, /* at most 128 */
    kHtmlMailerImageData = 18,  /* binary; indexed 1 to ImageCount (another index: 169) */
    kHtmlMailerImageFile = 19,  /* indexed 1 to ImageCount (another index: 169) */
    kHtmlMailerImageType = 20,  /* indexed 1 to ImageCount (another index: 169) */
    kHtmlMailerImportance = 21,
    kHtmlMailerLastReply = 22,
    kHtmlMailerLocalHost = 23,
    kHtmlMailerMailPort = 24,
    kHtmlMailerMailServer = 25,
    kHtmlMailerMessageDate = 26,
    kHtmlMailerMessageHTML = 27,
    kHtmlMailerMessageId = 28,
    kHtmlMailerMessageText = 29,
    kHtmlMailerOtherHeaders = 30,
    kHtmlMailerParseHTML = 31,
    kHtmlMailerPassword = 32,
    kHtmlMailerPriority = 33,
    kHtmlMailerReadReceiptTo = 34,
    kHtmlMailerReplyTo = 35,
    kHtmlMailerSendTo = 36,
    kHtmlMailerSensitivity = 37,
    kHtmlMailerSubject = 38,
    kHtmlMailerTimeout = 39,
    kHtmlMailerUser = 40
};

/* As FileMailer's. */
enum HtmlMailerMethod {
    kHtmlMailerConfig = 1,
    kHtmlMailerAddAttachment = 2,
    kHtmlMailerConnect = 3,
    kHtmlMailerDisconnect = 4,
    kHtmlMailerDoEvents = 5,
    kHtmlMailerInterrupt = 6,
    kHtmlMailerProcessQueue = 7,
    kHtmlMailerQueue = 8,
    kHtmlMailerResetHeaders = 9,
    kHtmlMailerSend = 10
};

/* As FileMailer's. */
enum HtmlMailerEvent {
    kHtmlMailerEventConnectionStatus = 1,
    kHtmlMailerEventEndTransfer = 2,
    kHtmlMailerEventError = 3,
    kHtmlMailerEventPITrail = 4,
    kHtmlMailerEventStartTransfer = 5,
    kHtmlMailerEventTransfer = 6
};

#endif /* NETCOMP_HTMLMAILER_H */

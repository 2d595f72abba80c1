/* Property, method and event numbers of the SMPP component (SMPP_Get,
 * SMPP_Set, SMPP_Do and the event callback). */
#ifndef NETCOMP_SMPP_H
#define NETCOMP_SMPP_H

/* Connected: connected and bound. RecipientAddress and RecipientType take
 * indexes from 1 to RecipientCount. SMPPVersion: 0 = 5.0, 1 = 3.4, 2 = 3.3.
 * ServiceType: 0 none, 1 CMT, 2 CPT, 3 VMN, 4 VMA, 5 WAP, 6 USSD, 7 CBS.
 * RecipientType: 0 an address, 1 a distribution list name. Config keys
 * besides the TCP ones: SourceTON, SourceNPI, DestinationTON,
 * DestinationNPI, SenderAddress. */
enum SmppProp {
    kSmppConnected = 1,
    kSmppFirewallHost = 2,
    kSmppFirewallPassword = 3,
    kSmppFirewallPort = 4,
    kSmppFirewallType = 5,
    kSmppFirewallUser = 6,
    kSmppExpiration = 7,
    kSmppMessageId = 8,
    kSmppMessagePriority = 9,
    kSmppPassword = 10,
    kSmppRecipient = 11,
    kSmppRecipientAddress = 12,
    kSmppRecipientCount = 13,
    kSmppRecipientType = 14,
    kSmppScheduledDelivery = 15,
    kSmppServiceType = 16,
    kSmppSMPPPort = 17,
    kSmppSMPPServer = 18,
    kSmppSMPPVersion = 19,
    kSmppSystemType = 20,
    kSmppTimeout = 21,
    kSmppUserId = 22
};

/* AddRecipient: type (int), address. QueryMessage: message id; the answer
 * (the final date, or "state:error") comes back in the second slot.
 * Connect: user id, password. ReplaceMessage: message id, message.
 * SendCommand: command id (int), body (bytes with their length); the
 * response body comes back in the third slot with its length. SendData:
 * data (bytes with their length). SendMessage: message. */
enum SmppMethod {
    kSmppConfig = 1,
    kSmppAddRecipient = 2,
    kSmppCancelMessage = 3,
    kSmppCheckLink = 4,
    kSmppQueryMessage = 5,
    kSmppConnect = 6,
    kSmppDisconnect = 7,
    kSmppReplaceMessage = 8,
    kSmppSendCommand = 9,
    kSmppSendData = 10,
    kSmppSendMessage = 11
};

/* Connected: StatusCode (int), Description (text). ConnectionStatus:
 * ConnectionEvent (text), StatusCode (int), Description (text).
 * Disconnected: StatusCode (int), Description (text). Error: ErrorCode
 * (int), Description (text). PduTrace: Direction (int: 1 sent, 0
 * received), PDU (bytes with their length). */
enum SmppEvent {
    kSmppEventConnected = 1,
    kSmppEventConnectionStatus = 2,
    kSmppEventDisconnected = 3,
    kSmppEventError = 4,
    kSmppEventPduTrace = 5
};

#endif /* NETCOMP_SMPP_H */

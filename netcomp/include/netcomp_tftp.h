/* Property, method and event numbers of the TFTP component (TFTP_Get,
 * TFTP_Set, TFTP_Do and the event callback). */
#ifndef NETCOMP_TFTP_H
#define NETCOMP_TFTP_H

/* With Config "AbsoluteTimeout=True", GetFile and PutFile end within Timeout
 * however many blocks the server sends (301, "Timeout."); without it Timeout
 * limits the time without an answer, so a server that never stops sending
 * blocks keeps a transfer going (LocalFile takes them all, nothing is held in
 * memory). */

enum TftpProp {
    kTftpIdle = 1,
    kTftpLocalFile = 2,
    kTftpLocalHost = 3,
    kTftpMaxRetransmissions = 4,
    kTftpRemoteFile = 5,
    kTftpRetransmitTimeout = 6,
    kTftpTftpPort = 7,
    kTftpTftpServer = 8,
    kTftpTimeout = 9
};

enum TftpMethod { kTftpConfig = 1, kTftpDoEvents = 2, kTftpGetFile = 3, kTftpInterrupt = 4, kTftpPutFile = 5 };

/* EndTransfer: none. Error: code (int), description (text). StartTransfer:
 * none. Transfer: bytes transferred (pointer-sized int), text (bytes with
 * their length: the block's data on a get, empty on a put). */
enum TftpEvent { kTftpEventEndTransfer = 1, kTftpEventError = 2, kTftpEventStartTransfer = 3, kTftpEventTransfer = 4 };

#endif /* NETCOMP_TFTP_H */

/* Property, method and event numbers of the FTP component (FTP_Get,
 * FTP_Set, FTP_Do and the event callback). */
#ifndef NETCOMP_FTP_H
#define NETCOMP_FTP_H

/* A reply of the server takes at most 1 MB (its lines together): past it the
 * call ends with 141 and "Reply too long.", and the connection is closed. A
 * reply line takes at most 65536 bytes: past it the reply is still read to
 * its end, then the call ends with 141 and "Reply line too long." while the
 * connection stays. A listing line is at most 1 MB; a file goes to
 * LocalFile or the Transfer events without bound. */

enum FtpProp {
    kFtpAccount = 1,
    kFtpCommand = 2, /* write only: sends the text as one command line */
    kFtpConnected = 3,
    kFtpFileSize = 4, /* read only: SIZE of RemoteFile; when it fails, the error code (FTP_GetLastErrorCode) */
    kFtpFileTime = 5, /* read only: MDTM of RemoteFile, as the server wrote it */
    kFtpFirewallHost = 6,
    kFtpFirewallPassword = 7,
    kFtpFirewallPort = 8,
    kFtpFirewallType = 9,
    kFtpFirewallUser = 10,
    kFtpIdle = 11,
    kFtpLastReply = 12,
    kFtpLocalFile = 13,
    kFtpLocalHost = 14,
    kFtpOverwrite = 15,
    kFtpPassive = 16,
    kFtpPassword = 17,
    kFtpRemoteFile = 18,
    kFtpRemoteHost = 19,
    kFtpRemotePath = 20,
    kFtpRemotePort = 21,
    kFtpStartByte = 22, /* decimal text: the restart offset */
    kFtpTimeout = 23,
    kFtpTransferMode = 24, /* 0 the server's, 1 ASCII, 2 binary */
    kFtpUser = 25
};

/* DeleteFile, MakeDirectory, RemoveDirectory: the name (text), which
 * becomes RemoteFile. RenameFile: the new name (text). */
enum FtpMethod {
    kFtpConfig = 1,
    kFtpAbort = 2,
    kFtpAppend = 3,
    kFtpDeleteFile = 4,
    kFtpDoEvents = 5,
    kFtpDownload = 6,
    kFtpInterrupt = 7,
    kFtpListDirectory = 8,
    kFtpListDirectoryLong = 9,
    kFtpLogoff = 10,
    kFtpLogon = 11,
    kFtpMakeDirectory = 12,
    kFtpRemoveDirectory = 13,
    kFtpRenameFile = 14,
    kFtpStoreUnique = 15,
    kFtpUpload = 16
};

/* ConnectionStatus: ConnectionEvent (text), StatusCode (int), Description
 * (text). DirEntry: EntryLine (text), FileName (text), IsDir (int 0/1),
 * FileSize (pointer-sized int), FileTime (text). EndTransfer, StartTransfer:
 * none. Error: ErrorCode (int), Description (text). PITrail: Direction (int:
 * 0 command sent, 1 reply line, 2 status), Message (text). Transfer:
 * BytesTransferred (pointer-sized int), Text (bytes with their length; none
 * for uploads and downloads to LocalFile). */
enum FtpEvent {
    kFtpEventConnectionStatus = 1,
    kFtpEventDirEntry = 2,
    kFtpEventEndTransfer = 3,
    kFtpEventError = 4,
    kFtpEventPITrail = 5,
    kFtpEventStartTransfer = 6,
    kFtpEventTransfer = 7
};

#endif /* NETCOMP_FTP_H */

#pragma once
// The FTP component's engine (RFC 959): the control connection carries the
// commands and their replies; a data connection per listing or transfer
// carries the bytes (FtpDataConnection). Every operation is an action that
// returns when the final reply has come and the data connection has
// closed; the calling thread's messages keep flowing meanwhile, so the
// owner's events arrive during the call.
#include <winsock2.h>
#include <windows.h>

#include <cstdint>

#include "netcomp/core/tcp/ProtocolClient.h"
#include "netcomp/core/text/NetString.h"
#include "netcomp/net/ftp/FtpDataConnection.h"

constexpr int kFtpProtocolError = 141;
constexpr int kFtpConnectionError = 142;
constexpr int kFtpBusy = 143;
constexpr int kFtpNoLocalFile = 145;
constexpr int kFtpNoRemoteFile = 146;
constexpr int kFtpLocalFileExists = 147;

class FtpEngine : public ProtocolClient {
public:
    enum Action : int {
        kIdle = -1,
        kInterrupt = 0,
        kAbort = 1,
        kLogon = 2,
        kLogoff = 3,
        kDownload = 4,
        kUpload = 5,
        kDelete = 6,
        kRename = 7,
        kNameList = 8,
        kLongList = 9,
        kMakeDirectory = 10,
        kRemoveDirectory = 11,
        kAppend = 12,
        kStoreUnique = 13,
        kTypeAscii = 14,
        kTypeBinary = 15,
        kChangeDirectory = 16,
        kCommand = 17,
        kSize = 18,
        kModificationTime = 19,
        kPrintDirectory = 20, // reading RemotePath
        kConnect = 21,        // setting Connected
    };

    FtpEngine();
    ~FtpEngine() override;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    // Properties.
    const char* GetAccount() const { return m_account.CStr(); }
    [[nodiscard]] int SetAccount(const char* text) { return m_account.AssignText(text); }
    [[nodiscard]] int SetCommand(const char* text);
    bool GetConnected() const { return IsConnected(); }
    [[nodiscard]] int SetConnectedState(bool on);
    int64_t FileSize();
    const char* FileTime();
    bool IsIdle() const { return m_action == kIdle; }
    const char* LastReply() const { return ReplyText(); }
    bool GetOverwrite() const { return m_overwrite; }
    void SetOverwrite(bool on) { m_overwrite = on; }
    bool GetPassive() const { return m_passive; }
    void SetPassive(bool on) { m_passive = on; }
    const char* GetPassword() const { return m_password.CStr(); }
    [[nodiscard]] int SetPassword(const char* text) { return m_password.AssignText(text); }
    const char* GetRemoteFile() const { return m_remoteFile.CStr(); }
    [[nodiscard]] int SetRemoteFile(const char* text) { return m_remoteFile.AssignText(text); }
    const char* GetRemotePath();
    [[nodiscard]] int SetRemotePath(const char* text);
    const char* GetStartByte() const { return m_startByte.CStr(); }
    [[nodiscard]] int SetStartByte(const char* text) { return m_startByte.AssignText(text); }
    int TimeoutSeconds() const { return int(GetTimeout()); }
    [[nodiscard]] int SetTimeoutSeconds(int seconds) { return SetTimeout(seconds < 0 ? 0u : unsigned(seconds)); }
    int GetTransferMode() const { return m_transferMode; }
    [[nodiscard]] int SetTransferMode(int mode);
    const char* GetUser() const { return m_user.CStr(); }
    [[nodiscard]] int SetUser(const char* text) { return m_user.AssignText(text); }

    // Methods.
    [[nodiscard]] int Abort();
    [[nodiscard]] int Append() { return RunAction(kAppend); }
    [[nodiscard]] int DeleteFile(const char* name) { return WithRemoteFile(name, kDelete); }
    [[nodiscard]] int Download() { return RunAction(kDownload); }
    [[nodiscard]] int InterruptAction();
    [[nodiscard]] int ListDirectory() { return RunAction(kNameList); }
    [[nodiscard]] int ListDirectoryLong() { return RunAction(kLongList); }
    [[nodiscard]] int Logoff() { return RunAction(kLogoff); }
    [[nodiscard]] int Logon() { return RunAction(kLogon); }
    [[nodiscard]] int MakeDirectory(const char* name) { return WithRemoteFile(name, kMakeDirectory); }
    [[nodiscard]] int RemoveDirectory(const char* name) { return WithRemoteFile(name, kRemoveDirectory); }
    [[nodiscard]] int RenameFile(const char* newName);
    [[nodiscard]] int StoreUnique() { return RunAction(kStoreUnique); }
    [[nodiscard]] int Upload() { return RunAction(kUpload); }

    // From the data connection.
    void DataStarted();
    void DataBlock(int64_t count, const char* data, uint32_t n);
    void DataEnded();
    void DataEntry(const char* line, uint32_t n, const FtpListEntry& entry);
    void DataError(int code, const char* text);
    void DataFailed();
    void DataActivity();

protected:
    void OnConnected(int code) override;
    void OnDisconnected(int code) override;
    void OnCommandLine(const char* line, uint32_t n) override;
    ReplyReader::Hint OnReplyLine(const char* line, uint32_t n) override;
    ReplyReader::Hint OnLongReplyLine(const char* head, uint32_t n) override;
    int OnReplyWaitRound() override;
    DWORD ReplyWaitStep() const override { return m_uploadMore ? 0 : 10; }

private:
    [[nodiscard]] int RunAction(int action);
    ReplyReader::Hint AbortHint(const char* line, uint32_t n) const;
    [[nodiscard]] int DoAction(int action);
    [[nodiscard]] int WithRemoteFile(const char* name, int action);
    [[nodiscard]] int Command(const char* command, const char* argument);
    [[nodiscard]] int ConnectAndGreet();
    [[nodiscard]] int SignOn();
    [[nodiscard]] int Quit();
    [[nodiscard]] int SendAbort();
    [[nodiscard]] int SendAbortNow(bool urgent);
    [[nodiscard]] int ReadAbortReply(int rc);
    void LeaveOwedReplies();
    [[nodiscard]] int ReadOwedReplies();
    void GiveUpControlConnection();
    [[nodiscard]] int ReceiveFile();
    [[nodiscard]] int SendFile(const char* verb);
    [[nodiscard]] int List(FtpDataConnection::Mode mode, const char* verb);
    [[nodiscard]] int Transfer(FtpDataConnection::Mode mode, const char* verb, const char* argument);
    [[nodiscard]] int OpenDataConnection();
    [[nodiscard]] int WaitForDataConnection(int commandResult);
    [[nodiscard]] int PrintDirectory();
    void Trail(int direction, const char* text);
    const char* ControlPeer();

    FtpDataConnection m_data;
    bool m_uploadMore = false; // the last pump stopped at its chunk count, not at a full socket
    int m_action = kIdle;
    int m_transferMode = 0;
    bool m_passive = false;
    bool m_overwrite = false;
    bool m_abortSent = false;     // an ABOR went out inside a running action
    bool m_lastWasAbort = false;  // the command last sent was ABOR
    bool m_transferSent = false;  // the action sent a transfer's command (RETR, STOR, LIST ...)
    bool m_transferReply = false; // the reply to that command is being read (no ABOR went since)
    int m_owed = 0;               // replies an interrupted action left for the next one to read
    NetString m_startByte;
    NetString m_user;
    NetString m_password;
    NetString m_account;
    NetString m_remotePath;
    NetString m_remoteFile;
    NetString m_renameTarget;
    NetString m_command;
    NetString m_fileTime;
    NetString m_line; // a line handed to the events
    NetString m_peerText;
};

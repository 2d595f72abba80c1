#pragma once
// The RCP component's engine: copies one file from a remote host ("rcp -f")
// or to it ("rcp -t") over the remote execution or the remote shell
// protocol. The copy is a dialogue of control lines and status bytes (see
// RcpProtocol.h) on the command connection, whose bytes go raw to the
// protocol reader; file bytes go straight to or from the local file, so
// memory does not grow with the file.
#include <cstdint>

#include "netcomp/core/text/FileHandle.h"
#include "netcomp/core/text/NetString.h"
#include "netcomp/net/rcommand/RCommandClient.h"
#include "netcomp/net/rcommand/RcpProtocol.h"

constexpr int kRcpBusy = 305;
constexpr int kRcpNoLocalFile = 306;
constexpr int kRcpNoRemoteFile = 307;
constexpr int kRcpCannotOpen = 309;
constexpr int kRcpServerError = 311;

class RcpEngine : public RCommandClient {
public:
    RcpEngine();
    ~RcpEngine() override;

    const char* GetFilePermissions() const { return m_permissions.CStr(); }
    [[nodiscard]] int SetFilePermissions(const char* text);
    bool IsIdle() const { return m_action == Action::None; }
    const char* GetLocalFile() const { return m_localFile.CStr(); }
    [[nodiscard]] int SetLocalFile(const char* text) { return m_localFile.AssignText(text); }
    const char* GetPassword() const { return m_userText2.CStr(); }
    [[nodiscard]] int SetPassword(const char* text) { return m_userText2.AssignText(text); }
    int GetProtocol() const { return m_protocol; }
    [[nodiscard]] int SetProtocol(int protocol);
    const char* GetRemoteFile() const { return m_remoteFile.CStr(); }
    [[nodiscard]] int SetRemoteFile(const char* text) { return m_remoteFile.AssignText(text); }
    int TimeoutSeconds() const { return int(GetTimeout()); }
    [[nodiscard]] int SetTimeoutSeconds(int seconds) { return SetTimeout(seconds < 0 ? 0u : unsigned(seconds)); }
    const char* GetUser() const { return m_userText1.CStr(); }
    [[nodiscard]] int SetUser(const char* text);

    [[nodiscard]] int GetFile();
    [[nodiscard]] int PutFile();
    [[nodiscard]] int InterruptTransfer();

protected:
    int FireStdout(const char* data, uint32_t n, bool eol) override;

private:
    enum class Action { None, Get, Put };
    // What the reader last reported to the waiting side.
    enum class Phase { Waiting, Line, Ack, Refused, Failed };

    [[nodiscard]] int Begin(Action action);
    [[nodiscard]] int End(int rc);
    [[nodiscard]] int Start(const char* verb);
    [[nodiscard]] int Receive();
    [[nodiscard]] int Store();
    [[nodiscard]] int Await();
    [[nodiscard]] int Answer(int rc);
    [[nodiscard]] int SendStatus();
    [[nodiscard]] int SendFileBytes(FileHandle& file, int64_t size);
    void Feed(const char* data, uint32_t n);
    void Failed(int code, const char* text);
    void Progress(int percent);
    void ProgressOf(int64_t done);

    Action m_action = Action::None;
    int m_protocol = 0;
    NetString m_permissions;
    NetString m_localFile;
    NetString m_remoteFile;
    RcpReader m_reader;
    Phase m_phase = Phase::Waiting;
    int m_failCode = 0;
    NetString m_failText;
    NetString m_pending; // bytes that came after what the reader was asked for
    FileHandle m_file;   // the file a get writes
    int64_t m_fileSize = 0;
    int64_t m_received = 0;
    int m_percent = -1;
    bool m_stopped = false; // the owner's Interrupt ended the transfer
};

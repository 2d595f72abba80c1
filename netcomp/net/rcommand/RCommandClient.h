#pragma once
// The engine of the Rshell, Rexec and RCP components: the BSD remote-command
// protocols (rsh, port 514; rexec, port 512). A command opens a connection
// from a reserved local port (rshd trusts the user names only from one) and
// sends the request: the port of a second connection, two user texts and
// the command. The server makes that second connection back to this side
// for the command's standard error, answers with one status byte (0, or 1
// and its reason) and then passes the command's output until it ends, when
// it closes both connections.
//
// Execute starts a command and returns; the output arrives as FireStdout and
// FireStderr calls while the owner's thread pumps messages (DoEvents).
#include <winsock2.h>
#include <windows.h>

#include <cstdint>

#include "netcomp/core/tcp/ProtocolClient.h"
#include "netcomp/core/text/NetString.h"
#include "netcomp/net/rcommand/AcceptSocket.h"

constexpr int kCommandBusy = 104;

class RCommandClient : public ProtocolClient {
public:
    RCommandClient();
    ~RCommandClient() override;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    int Init();
    // Starts the command; an empty or null command ends the current one.
    [[nodiscard]] int Execute(const char* command);
    // The error channel's listener on the first free port from 515 up to 999.
    [[nodiscard]] int ListenOnReservedPort();
    // The command connection from a free local port of 525-999.
    [[nodiscard]] int ConnectFromReservedPort();

    const char* GetCommand() const { return m_command.CStr(); }
    const char* GetErrorMessage() const { return m_errorMessage.CStr(); }
    ByteView ErrEolBytes() const { return m_errorChannel.EolBytes(); }
    [[nodiscard]] int SetErrEolBytes(const char* data, int length) { return m_errorChannel.SetEolBytes(data, length); }
    int ErrorChannelPort() const { return m_errorChannel.ListeningPort(); }

protected:
    // Standard output (the command connection, after the status byte) and
    // standard error (the error channel; its end is one zero byte with the
    // end-of-line flag set).
    virtual int FireStdout(const char* data, uint32_t n, bool eol);
    virtual int FireStderr(const char* data, uint32_t n, bool eol);
    int DataIn(const char* data, uint32_t n, bool eolFound) override;
    // Closes the command connection and the error channel.
    void CloseAll();

    bool m_firstDataSeen = false;
    bool m_useErrorChannel = true;
    NetString m_userText1;
    NetString m_userText2;
    NetString m_command;
    NetString m_errorMessage;

private:
    // The error channel: what arrives goes to the owner's standard error.
    class ErrorChannel final : public AcceptSocket {
    public:
        explicit ErrorChannel(RCommandClient& owner) : m_owner(owner) {}

    protected:
        void OnConnected(int) override {}
        int DataIn(const char* data, uint32_t n, bool eolFound) override;
        void OnDisconnected(int code) override;
        void OnError(int, const char*) override {}

    private:
        RCommandClient& m_owner;
    };

    // Execute's work once the command may start: listener, connection, request.
    [[nodiscard]] int StartCommand(const char* command);
    [[nodiscard]] int Fail(int code);

    ErrorChannel m_errorChannel;
    bool m_executing = false; // StartCommand runs
};

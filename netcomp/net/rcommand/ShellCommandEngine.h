#pragma once
// The engine of the Rshell and Rexec components: one command at a time, its
// standard output and standard error reported as they arrive. The two
// differ in their port and in what the two user texts of the request are:
// rsh sends the local and the remote user name (the local one defaults to
// the remote one), rexec the user name and the password.
#include <cstdint>

#include "netcomp/core/framework/ComponentValues.h"
#include "netcomp/net/rcommand/RCommandClient.h"

// The event numbers, the same for both components.
struct ShellCommandEvents {
    int connected;
    int connectionStatus;
    int disconnected;
    int error;
    int stderrData;
    int stdoutData;
};

class ShellCommandEngine : public RCommandClient {
public:
    enum class Kind { Rshell, Rexec };

    ShellCommandEngine(Kind kind, const ShellCommandEvents& events, const EventTable& shared);

    int BytesSent() const { return m_bytesSent; }
    [[nodiscard]] int SetCommandText(const char* text) { return Run(text); }
    bool GetConnected() const { return IsConnected(); }
    [[nodiscard]] int SetConnectedState(bool on);
    const char* GetLocalUser() const { return m_localUser.CStr(); }
    [[nodiscard]] int SetLocalUser(const char* text) { return m_localUser.AssignText(text); }
    const char* GetRemoteUser() const { return m_remoteUser.CStr(); }
    [[nodiscard]] int SetRemoteUser(const char* text) { return m_remoteUser.AssignText(text); }
    const char* GetRemotePassword() const { return m_remotePassword.CStr(); }
    [[nodiscard]] int SetRemotePassword(const char* text) { return m_remotePassword.AssignText(text); }
    int TimeoutSeconds() const { return int(GetTimeout()); }
    [[nodiscard]] int SetTimeoutSeconds(int seconds) { return SetTimeout(seconds < 0 ? 0u : unsigned(seconds)); }

    [[nodiscard]] int Disconnect() { return Execute(nullptr); }
    [[nodiscard]] int Run(const char* command);
    // Standard input of the command (the Stdin property and the Send method).
    [[nodiscard]] int Send(const char* data, int length);

protected:
    int FireStdout(const char* data, uint32_t n, bool eol) override;
    int FireStderr(const char* data, uint32_t n, bool eol) override;

private:
    int FireOutput(int event, const char* data, uint32_t n, bool eol);

    Kind m_kind;
    const ShellCommandEvents& m_events;
    NetString m_localUser;
    NetString m_remoteUser;
    NetString m_remotePassword;
    int m_bytesSent = 0;
};

#include "netcomp/net/rcommand/ShellCommandEngine.h"

#include "netcomp/core/framework/ResultCodes.h"

ShellCommandEngine::ShellCommandEngine(Kind kind, const ShellCommandEvents& events, const EventTable& shared)
    : m_kind(kind), m_events(events)
{
    SetEventTable(shared);
    (void)SetRemotePort(kind == Kind::Rshell ? 514 : 512);
    (void)SetTimeout(60);
}

int ShellCommandEngine::SetConnectedState(bool on)
{
    // A command connection is opened by a command only.
    return on ? kResultOk : Execute(nullptr);
}

int ShellCommandEngine::Run(const char* command)
{
    if (command && *command) {
        const NetString& first = m_kind == Kind::Rexec || m_localUser.IsEmpty() ? m_remoteUser : m_localUser;
        const NetString& second = m_kind == Kind::Rexec ? m_remotePassword : m_remoteUser;
        if (m_userText1.Assign(first.Length(), first.Data()) != kResultOk ||
            m_userText2.Assign(second.Length(), second.Data()) != kResultOk)
            return kOutOfMemory;
    }
    return Execute(command);
}

int ShellCommandEngine::Send(const char* data, int length)
{
    m_bytesSent = 0;
    if (!data || length <= 0)
        return kResultOk;
    StartTimeout();
    const int rc = SendBytes(data, uint32_t(length), false);
    if (rc == kResultOk)
        m_bytesSent = length;
    return rc;
}

int ShellCommandEngine::FireOutput(int event, const char* data, uint32_t n, bool eol)
{
    char* text = const_cast<char*>(data);
    return Fire(event, {EventParam::Binary(&text, int(n)), EventParam::Bool(&eol)});
}

int ShellCommandEngine::FireStdout(const char* data, uint32_t n, bool eol)
{
    return FireOutput(m_events.stdoutData, data, n, eol);
}

int ShellCommandEngine::FireStderr(const char* data, uint32_t n, bool eol)
{
    return FireOutput(m_events.stderrData, data, n, eol);
}

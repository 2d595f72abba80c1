// Every action clears the last error, refuses to start while another runs
// (an event handler may only interrupt) and ends idle on every way out.
// Replies are read and judged as SnppReply.h says: a negative one becomes
// the error text with 321. The greeting is judged too, and so is the reply
// to the message text: a server that refuses either refuses the page.
//
// A time-out or an interruption leaves the rest of a reply on its way; the
// next command would read it as its own, so the connection is closed then.
#include "netcomp/mail/snpp/SnppEngine.h"

#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/include/netcomp_snpp.h"
#include "netcomp/mail/snpp/SnppReply.h"

namespace {

constexpr EventTable kSnppEvents = {
    {SharedEvent::ConnectionStatus, kSnppEventConnectionStatus},
    {SharedEvent::Error, kSnppEventError},
    {SharedEvent::ProtocolTrail, kSnppEventProtocolTrail},
};

// Whether more lines of the reply follow, by the code its line begins with
// (enough of a line past the line limit).
ReplyReader::Hint EndOfReply(const char* line, uint32_t n)
{
    return JudgeSnppReply(line, n) == SnppReplyKind::More ? ReplyReader::Hint::More : ReplyReader::Hint::Final;
}

} // namespace

SnppEngine::SnppEngine()
{
    SetEventTable(kSnppEvents);
    (void)Init();
    (void)SetEOL("\r\n", 2);
    SetLineMode(true);
    // Where a reply ends, OnReplyLine tells; Judge says whether it is positive.
    SetReplyRules(kSingleLineReply);
    SetProtocolErrorCode(kSnppServerError);
    (void)SetRemotePort(444);
    (void)SetTimeout(60);
}

int SnppEngine::DoAction(int action)
{
    SetLastErrorText("");
    SetLastCode(0);
    if (m_busyAction != 0 && action != 0) {
        SetLastErrorText("Busy performing current action.");
        return kSnppBusy;
    }
    if (action == 0)
        return InterruptAction();
    StartTimeout();
    m_busyAction = action;
    int rc = RunAction(action);
    if (rc == kInterrupted && HasSocket()) {
        StartTimeout();
        (void)TcpClient::Disconnect();
    }
    m_busyAction = 0;
    return rc;
}

int SnppEngine::InterruptAction()
{
    if (m_busyAction != 0)
        NetComponent::Interrupt();
    return kResultOk;
}

int SnppEngine::RunAction(int action)
{
    switch (action) {
    case 1:
        return Login();
    case 2:
        return Quit();
    case 3: {
        const int rc = Login();
        return rc == kResultOk ? Page() : rc;
    }
    case 4:
        m_command.Clear();
        m_callerId.Clear();
        m_message.Clear();
        m_pagerId.Clear();
        return kResultOk;
    case 5:
        return Command(m_command.CStr(), nullptr);
    default:
        SetLastErrorText("Invalid Action code");
        return kSnppServerError;
    }
}

// Without a command only the reply is read (the greeting).
int SnppEngine::Command(const char* command, const char* argument)
{
    const int rc = SendCommandLine(command, " ", argument, "\r\n");
    return rc == kResultOk ? Judge() : rc;
}

int SnppEngine::Judge()
{
    uint32_t n = Reply().FinalLength();
    if (JudgeSnppReply(Reply().FinalLine(), n) == SnppReplyKind::Positive)
        return kResultOk;
    const char* line = SnppReplyText(Reply().FinalLine(), &n);
    NetString text;
    SetLastErrorText(text.Assign(n, line) == kResultOk ? text.CStr() : "");
    return kSnppServerError;
}

void SnppEngine::OnCommandLine(const char* line, uint32_t n)
{
    TrailLine(0, line, n);
}

ReplyReader::Hint SnppEngine::OnReplyLine(const char* line, uint32_t n)
{
    uint32_t length = n;
    const char* text = SnppReplyText(line, &length);
    if (m_lastReply.Assign(length, text) == kResultOk)
        Trail(1, m_lastReply.CStr());
    return EndOfReply(line, n);
}

ReplyReader::Hint SnppEngine::OnLongReplyLine(const char* head, uint32_t n)
{
    return EndOfReply(head, n);
}

int SnppEngine::Login()
{
    if (IsConnected())
        return kResultOk;
    Trail(2, "Connecting to SNPP server.");
    int rc = TcpClient::Connect();
    if (rc != kResultOk)
        return rc;
    if ((rc = Command(nullptr, nullptr)) != kResultOk) {
        // Refused, or never greeted: no session to keep.
        StartTimeout();
        (void)TcpClient::Disconnect();
        return rc;
    }
    return m_callerId.IsEmpty() ? kResultOk : Command("CALL", m_callerId.CStr());
}

int SnppEngine::Quit()
{
    if (!HasSocket())
        return kResultOk;
    int rc = IsConnected() ? Command("QUIT", nullptr) : kResultOk;
    if (QuitEnded(rc))
        rc = kResultOk;
    else if (rc != kResultOk)
        Trail(2, "Forcing disconnection from SNPP server.");
    StartTimeout();
    (void)TcpClient::Disconnect();
    (void)DoEvents();
    return rc;
}

// PAGE, DATA, the message and SEND. The message goes with every line that
// begins with "." doubled, so no line of it can end it early and have the
// rest read as commands; the server's reply to it is judged.
int SnppEngine::Page()
{
    if (m_pagerId.IsEmpty()) {
        SetLastErrorText("Please specify a PagerId.");
        return kSnppNoPager;
    }
    int rc = Command("PAGE", m_pagerId.CStr());
    if (rc == kResultOk)
        rc = Command("DATA", nullptr);
    NetString text;
    if (rc == kResultOk)
        rc = text.AssignDotStuffed(m_message.CStr());
    if (rc == kResultOk)
        rc = text.AppendCStr("\r\n.\r\n");
    if (rc == kResultOk)
        rc = TcpClient::SendCommand(text.Data(), text.Length());
    if (rc == kResultOk)
        rc = Judge();
    return rc == kResultOk ? Command("SEND", nullptr) : rc;
}

int SnppEngine::SetCommand(const char* text)
{
    const int rc = m_command.AssignText(text);
    return rc == kResultOk ? DoAction(5) : rc;
}

int SnppEngine::SetConnectedState(bool on)
{
    if (on)
        return DoAction(1);
    StartTimeout();
    return TcpClient::Disconnect();
}

// A completed connect or a clean close is a status line of the trail; a
// failed one, or a close with an error, is an Error event (322).
void SnppEngine::OnConnected(int code)
{
    TcpClient::OnConnected(code);
    TrailConnection(code, true, kSnppConnectError);
}

void SnppEngine::OnDisconnected(int code)
{
    TcpClient::OnDisconnected(code);
    TrailConnection(code, false, kSnppConnectError);
}

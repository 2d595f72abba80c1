// With a Timeout the calls block in wait steps until their work is done;
// without one they start it and the outcome arrives as events. GetLine is a
// reply wait over CR LF records: single-line mode holds delivery (AcceptData
// off) after each complete line, so the lines that follow stay in the receive
// buffer until the next GetLine asks for them.
#include "netcomp/net/tcpports/IpPortEngine.h"

#include <cstring>

#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/include/netcomp_ipport.h"

namespace {

constexpr EventTable kIpPortEvents = {
    {SharedEvent::Connected, kIpPortEventConnected}, {SharedEvent::ConnectionStatus, kIpPortEventConnectionStatus},
    {SharedEvent::DataIn, kIpPortEventDataIn},       {SharedEvent::Disconnected, kIpPortEventDisconnected},
    {SharedEvent::Error, kIpPortEventError},         {SharedEvent::ReadyToSend, kIpPortEventReadyToSend},
};

} // namespace

IpPortEngine::IpPortEngine()
{
    SetEventTable(kIpPortEvents);
    (void)Init();
    SetHoldReplies(false);
}

int IpPortEngine::SetConnectedState(bool on)
{
    if (GetTimeout() == 0)
        return SetConnected(on);
    StartTimeout();
    if (!on)
        return SetConnected(false);
    const int rc = TcpClient::Connect();
    if (rc == kResultOk)
        SetAcceptData(true);
    return rc;
}

int IpPortEngine::Connect(const char* host, int port)
{
    StartTimeout();
    return ConnectTo(host, port);
}

int IpPortEngine::DisconnectNow()
{
    if (GetTimeout() == 0)
        return SetConnected(false);
    StartTimeout();
    return TcpClient::Disconnect();
}

int IpPortEngine::GetLine(const char** line)
{
    if (!IsConnected()) {
        SetResultText("Disconnected.");
        return kInterrupted;
    }
    if (GetTimeout() == 0) {
        SetResultText("GetLine requires a positive Timeout value.");
        return kInterrupted;
    }
    StartTimeout();
    int rc = SetSingleLineMode(true);
    if (rc != kResultOk)
        return rc;
    rc = WaitForReply();
    if (rc != kResultOk)
        return rc;
    rc = m_line.Assign(ReplyLength(), ReplyText());
    if (rc != kResultOk)
        return rc;
    *line = m_line.CStr();
    return kResultOk;
}

int IpPortEngine::Send(const char* data, int length)
{
    if (length < 0 || (!data && length > 0))
        return kResultOk;
    if (GetTimeout() == 0)
        return SendOrEnd(data, length, 0);
    StartTimeout();
    const int rc = SendBytes(data, uint32_t(length), false);
    if (rc == kResultOk && !GetSingleLineMode())
        SetAcceptData(true);
    return rc;
}

int IpPortEngine::SendLine(const char* text)
{
    StartTimeout();
    if (GetSingleLineMode())
        SetAcceptData(false);
    NetString line;
    int rc = line.AppendCStr(text ? text : "");
    if (rc == kResultOk)
        rc = line.Append("\r\n", 2);
    return rc == kResultOk ? Send(line.Data(), int(line.Length())) : rc;
}

int IpPortEngine::SetSingleLineMode(bool on)
{
    const int rc = TcpClient::SetSingleLineMode(on);
    if (rc != kResultOk)
        return rc;
    if (on)
        SetAcceptData(false);
    SetHoldReplies(on);
    return kResultOk;
}

// Lines are gathered only while a GetLine waits: text nobody asked for is
// reported by DataIn alone instead of piling up.
int IpPortEngine::ProcessData(const char* data, uint32_t n, bool eolFound)
{
    if (GetTimeout() != 0 && m_busy)
        (void)TcpClient::ProcessData(data, n, eolFound);
    char* text = const_cast<char*>(data);
    bool eol = eolFound;
    Fire(kIpPortEventDataIn, {EventParam::Binary(&text, int(n)), EventParam::Bool(&eol)});
    return kResultOk;
}

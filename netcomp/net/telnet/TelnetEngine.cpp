// With a Timeout, connecting, disconnecting and sending data wait until they
// are done; without one they start the work and its end arrives as events.
// Negotiation bytes (commands, options, sub-negotiations, urgent data) go
// out in one send each, never waiting.
#include "netcomp/net/telnet/TelnetEngine.h"

#include <cstring>

#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/include/netcomp_telnet.h"

namespace {

constexpr EventTable kTelnetEvents = {
    {SharedEvent::Connected, kTelnetEventConnected},
    {SharedEvent::ConnectionStatus, kTelnetEventConnectionStatus},
    {SharedEvent::Disconnected, kTelnetEventDisconnected},
    {SharedEvent::Error, kTelnetEventError},
    {SharedEvent::ReadyToSend, kTelnetEventReadyToSend},
};

} // namespace

TelnetEngine::TelnetEngine()
{
    SetEventTable(kTelnetEvents);
    (void)Init();
    (void)SetRemotePort(23);
    SetHoldReplies(false);
}

int TelnetEngine::SetConnectedState(bool on)
{
    if (!on)
        return DisconnectNow();
    if (GetTimeout() == 0)
        return SetConnected(true);
    StartTimeout();
    return TcpClient::Connect();
}

int TelnetEngine::Connect(const char* host)
{
    const int rc = SetRemoteHost(host);
    if (rc != kResultOk)
        return rc;
    StartTimeout();
    return TcpClient::Connect();
}

int TelnetEngine::DisconnectNow()
{
    if (GetTimeout() == 0)
        return SetConnected(false);
    StartTimeout();
    return Disconnect();
}

int TelnetEngine::Send(const char* data, int length)
{
    if (length < 0 || (!data && length > 0))
        return kResultOk;
    if (GetTimeout() == 0)
        return SendOrEnd(data, length, 0);
    StartTimeout();
    return SendBytes(data, uint32_t(length), false);
}

int TelnetEngine::CheckByte(int value, const char* what)
{
    if (value >= 0 && value <= 255)
        return kResultOk;
    SetLastErrorText(what);
    return WSAEINVAL;
}

int TelnetEngine::SendOnce(const char* data, int n)
{
    return SendOrEnd(data, n, 0);
}

int TelnetEngine::SendCommand(int command)
{
    const int rc = CheckByte(command, "A command is a byte: 0 to 255.");
    if (rc != kResultOk)
        return rc;
    const char bytes[2] = {char(kTelnetIac), char(command)};
    return SendOnce(bytes, 2);
}

int TelnetEngine::SendVerb(unsigned char verb, int option)
{
    const int rc = CheckByte(option, "An option is a byte: 0 to 255.");
    if (rc != kResultOk)
        return rc;
    const char bytes[3] = {char(kTelnetIac), char(verb), char(option)};
    return SendOnce(bytes, 3);
}

// IAC SB, the option byte and its data, IAC SE. A 255 in the data is sent
// as IAC IAC, so that the server reads it as data and not as the end.
int TelnetEngine::SendSubOption(const char* data, int length)
{
    if (!data || length < 0)
        length = 0;
    if (length > kMaxSubOption) {
        SetLastErrorText("A sub-negotiation holds at most 1020 bytes.");
        return WSAEMSGSIZE;
    }
    char bytes[2 * kMaxSubOption + 4];
    int n = 0;
    bytes[n++] = char(kTelnetIac);
    bytes[n++] = char(kTelnetSb);
    for (int i = 0; i < length; ++i) {
        bytes[n++] = data[i];
        if (static_cast<unsigned char>(data[i]) == kTelnetIac)
            bytes[n++] = char(kTelnetIac);
    }
    bytes[n++] = char(kTelnetIac);
    bytes[n++] = char(kTelnetSe);
    return SendOnce(bytes, n);
}

int TelnetEngine::SendUrgent(const char* data, int length)
{
    if (!data || length <= 0)
        return kResultOk;
    SetOobInline(true);
    return SendOrEnd(data, length, MSG_OOB);
}

void TelnetEngine::OnConnected(int code)
{
    m_parser.Reset();
    TcpClient::OnConnected(code);
}

int TelnetEngine::ProcessData(const char* data, uint32_t n, bool)
{
    if (m_transparent) {
        m_parser.Reset();
        OnTelnetData(data, n);
        return kResultOk;
    }
    m_parser.Feed(data, n, *this);
    return kResultOk;
}

// The owner gets the bytes with a zero byte behind them, as texts have.
void TelnetEngine::FireBytes(int event, const char* data, uint32_t n)
{
    char* bytes = const_cast<char*>(data);
    if (m_eventBytes.Assign(n, data) == kResultOk)
        bytes = m_eventBytes.Data();
    Fire(event, {EventParam::Binary(&bytes, int(n))});
}

void TelnetEngine::OnTelnetData(const char* data, uint32_t n)
{
    FireBytes(kTelnetEventDataIn, data, n);
}

void TelnetEngine::OnTelnetCommand(unsigned char command)
{
    int value = command;
    Fire(kTelnetEventCommand, {EventParam::Int(&value)});
}

void TelnetEngine::OnTelnetOption(unsigned char verb, unsigned char option)
{
    int value = option;
    const int event = verb == kTelnetWill   ? kTelnetEventWill
                      : verb == kTelnetWont ? kTelnetEventWont
                      : verb == kTelnetDo   ? kTelnetEventDo
                                            : kTelnetEventDont;
    Fire(event, {EventParam::Int(&value)});
}

void TelnetEngine::OnTelnetSubOption(const char* data, uint32_t n)
{
    FireBytes(kTelnetEventSubOption, data, n);
}

void TelnetEngine::OnTelnetSubOptionTruncated()
{
    FireError(WSAEMSGSIZE, "SubOption string too long. Truncated.");
}

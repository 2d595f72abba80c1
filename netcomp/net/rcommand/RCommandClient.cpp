// The request goes out as one block: "port\0user1\0user2\0command\0". The
// first byte that comes back is the server's verdict; it is taken off the
// output, and a non-zero verdict keeps the reason that follows it.
#include "netcomp/net/rcommand/RCommandClient.h"

#include "netcomp/core/framework/NotifyWindow.h"
#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/net/rcommand/RcpProtocol.h"

namespace {

constexpr int kFirstErrorPort = 515;
constexpr int kFirstLocalPort = 525;
constexpr int kLocalPortSpread = 450;
constexpr int kLastReservedPort = 999;

// A port another socket holds: "in use", or "access denied" where the holder
// keeps it for itself (the answer to a bind with SO_REUSEADDR).
bool PortTaken(int rc)
{
    return rc == WSAEADDRINUSE || rc == WSAEACCES;
}

} // namespace

RCommandClient::RCommandClient() : m_errorChannel(*this)
{
    (void)Init();
}

RCommandClient::~RCommandClient() = default;

int RCommandClient::Init()
{
    if (!TcpClient::Init())
        return 0;
    m_firstDataSeen = false;
    m_userText1.Clear();
    m_userText2.Clear();
    m_command.Clear();
    m_errorMessage.Clear();
    if (SetEOL("\n", 1) != kResultOk || !m_errorChannel.InitOn(*this) || m_errorChannel.SetEOL("\n", 1) != kResultOk)
        return 0;
    m_useErrorChannel = true;
    return 1;
}

LRESULT RCommandClient::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == kMsgTcpSocket && m_errorChannel.Owns(SOCKET(wParam)))
        return m_errorChannel.WindowProc(message, wParam, lParam);
    return ProtocolClient::WindowProc(message, wParam, lParam);
}

void RCommandClient::CloseAll()
{
    (void)SetConnected(false);
    (void)m_errorChannel.SetConnected(false);
    m_errorChannel.CloseListener();
}

int RCommandClient::Fail(int code)
{
    NetString text;
    if (text.AssignText(LastErrorText()) != kResultOk)
        text.Clear();
    CloseAll();
    SetLastErrorText(text.CStr());
    return code;
}

int RCommandClient::Execute(const char* command)
{
    ClearInterruptRequest();
    if (!command || !*command) {
        m_command.Clear();
        CloseAll();
        return kResultOk;
    }
    // Another command from inside an event of this one's start (its Error
    // event, a connection status) would take its listener and connection.
    if (IsConnected() || m_executing) {
        SetLastErrorText("Busy executing current command.");
        return kCommandBusy;
    }
    m_executing = true;
    const int rc = StartCommand(command);
    m_executing = false;
    return rc;
}

int RCommandClient::StartCommand(const char* command)
{
    StartTimeout();
    m_firstDataSeen = false;
    m_errorMessage.Clear();
    SetLinger(true);
    int rc = m_command.AssignText(command);
    if (rc != kResultOk)
        return rc;
    if (m_useErrorChannel) {
        rc = ListenOnReservedPort();
        if (rc != kResultOk)
            return Fail(rc);
    }
    rc = ConnectFromReservedPort();
    // A wait that was stopped is not tried again from another port.
    if (rc != kResultOk && rc != kInterrupted) {
        (void)FireError(rc, "Could not connect through secure port. Trying alternate...");
        (void)SetLocalPort(0);
        rc = TcpClient::Connect();
    }
    if (rc != kResultOk)
        return Fail(rc);
    unsigned long peer = 0;
    int peerPort = 0;
    if (PeerEndpoint(Handle(), &peer, &peerPort))
        m_errorChannel.SetExpectedPeer(peer);
    NetString request;
    rc = BuildRCommandRequest(m_errorChannel.ListeningPort(), m_userText1.CStr(), m_userText2.CStr(), m_command.CStr(),
                              request);
    if (rc == kResultOk)
        rc = SendBytes(request.Data(), request.Length(), true);
    return rc == kResultOk ? kResultOk : Fail(rc);
}

// Every port taken gives 10048, whatever the last bind said.
int RCommandClient::ListenOnReservedPort()
{
    for (int port = kFirstErrorPort; port <= kLastReservedPort; ++port) {
        const int rc = m_errorChannel.Listen(port);
        if (!PortTaken(rc))
            return rc;
    }
    return WSAEADDRINUSE;
}

int RCommandClient::ConnectFromReservedPort()
{
    const int start = kFirstLocalPort + int(GetTickCount() % kLocalPortSpread);
    for (int port = start; port <= kLastReservedPort; ++port) {
        int rc = SetLocalPort(port);
        if (rc != kResultOk)
            return rc;
        rc = TcpClient::Connect();
        if (!PortTaken(rc))
            return rc;
    }
    return WSAEADDRINUSE;
}

int RCommandClient::DataIn(const char* data, uint32_t n, bool eolFound)
{
    if (!m_firstDataSeen) {
        m_firstDataSeen = true;
        if (n > 0) {
            const char status = data[0];
            ++data;
            --n;
            if (status != 0 && m_errorMessage.Assign(n, data) != kResultOk)
                m_errorMessage.Clear();
        }
    }
    return FireStdout(data, n, eolFound);
}

int RCommandClient::FireStdout(const char*, uint32_t, bool)
{
    return 0;
}

int RCommandClient::FireStderr(const char*, uint32_t, bool)
{
    return 0;
}

int RCommandClient::ErrorChannel::DataIn(const char* data, uint32_t n, bool eolFound)
{
    return m_owner.FireStderr(data, n, eolFound);
}

// The end of the error stream: one zero byte (in a buffer with room for
// the terminator the events put behind data).
void RCommandClient::ErrorChannel::OnDisconnected(int)
{
    char end[2] = {};
    (void)m_owner.FireStderr(end, 1, true);
}

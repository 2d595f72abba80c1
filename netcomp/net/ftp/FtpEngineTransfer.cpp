// Listings and transfers: the data connection is prepared, listened for
// (PORT) or asked for (PASV), the command is sent, and the action ends once
// the final reply has come and the data connection has closed. An upload's
// bytes go out from the reply wait, a few chunks per round, as fast as the
// socket takes them.
//
// The data connection is taken from the control connection's peer only: an
// active connection from another address is refused, and a passive one is
// made to the control peer's address whatever address the 227 reply names
// (only its port is used), so a reply cannot send the data elsewhere.
//
// A download's local file opens once the server has taken the RETR (its
// 1xx, or a 2xx) or the first data have come, whichever is first: a
// passive connection is up before the server answers, and a RETR it refuses
// (a missing file, no permission) leaves a file downloaded earlier as it
// was. An active server connects once it has taken the RETR, so there the
// file opens as the connection comes up.
#include <cstring>

#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/include/netcomp_ftp.h"
#include "netcomp/net/ftp/FtpEngine.h"
#include "netcomp/net/ftp/FtpReplies.h"

namespace {

constexpr int kUploadChunksPerRound = 30;
constexpr int kInvalidArgument = 10022;

} // namespace

int FtpEngine::ReceiveFile()
{
    const char* local = GetLocalFile();
    if (!m_overwrite && *local) {
        FileHandle existing;
        if (existing.OpenRead(local, 0) == 0) {
            SetLastErrorText("LocalFile already exists and Overwrite is False.");
            return kFtpLocalFileExists;
        }
    }
    return Transfer(*local ? FtpDataConnection::Mode::Download : FtpDataConnection::Mode::Receive, "RETR",
                    m_remoteFile.CStr());
}

int FtpEngine::SendFile(const char* verb)
{
    if (std::strcmp(verb, "STOU") != 0 && m_remoteFile.IsEmpty()) {
        SetLastErrorText("Please specify a remote file for upload.");
        return kFtpNoRemoteFile;
    }
    const char* local = GetLocalFile();
    if (!*local) {
        SetLastErrorText("Please specify a local file for upload.");
        return kFtpNoLocalFile;
    }
    FileHandle source;
    if (source.OpenRead(local, 0) != 0) {
        SetLastErrorText("Can't open LocalFile for reading.");
        return kFtpNoLocalFile;
    }
    source.Close();
    return Transfer(FtpDataConnection::Mode::Upload, verb, m_remoteFile.CStr());
}

int FtpEngine::List(FtpDataConnection::Mode mode, const char* verb)
{
    return Transfer(mode, verb, m_remoteFile.CStr());
}

int FtpEngine::Transfer(FtpDataConnection::Mode mode, const char* verb, const char* argument)
{
    const bool file = mode == FtpDataConnection::Mode::Receive || mode == FtpDataConnection::Mode::Download ||
                      mode == FtpDataConnection::Mode::Upload;
    const bool restart = file && !m_startByte.IsEmpty();
    int64_t startByte = 0;
    if (restart && !ParseOffset(m_startByte.CStr(), &startByte)) {
        SetLastErrorText("StartByte must be a number of bytes.");
        return kInvalidArgument;
    }
    m_uploadMore = false;
    int rc = m_data.Prepare(mode, startByte, GetLocalFile());
    if (rc == kResultOk)
        rc = OpenDataConnection();
    if (rc == kResultOk && restart)
        rc = Command("REST", m_startByte.CStr());
    if (rc == kResultOk) {
        m_transferSent = true;
        m_transferReply = true;
        rc = Command(verb, argument);
        m_transferReply = false;
    }
    return WaitForDataConnection(rc);
}

int FtpEngine::OpenDataConnection()
{
    unsigned long peer = 0;
    int peerPort = 0;
    if (!m_passive) {
        int rc = m_data.Listen(0);
        if (rc != kResultOk)
            return rc;
        if (PeerEndpoint(Handle(), &peer, &peerPort))
            m_data.SetExpectedPeer(peer);
        NetString argument;
        rc = m_data.PortArgument(Handle(), argument);
        return rc == kResultOk ? Command("PORT", argument.CStr()) : rc;
    }
    if (IsConnected())
        (void)m_data.SetLocalHost(TcpSocket::GetLocalHost());
    int rc = Command("PASV", nullptr);
    if (rc != kResultOk)
        return rc;
    uint8_t address[4];
    uint16_t port = 0;
    if (!ParsePassiveReply(ReplyText(), ReplyLength(), address, &port)) {
        (void)FireError(kFtpProtocolError, "Unexpected server reply.");
        SetLastErrorText("Unexpected server reply.");
        return kFtpProtocolError;
    }
    const int firewall = GetFirewallType();
    rc = m_data.SetFirewallType(firewall);
    if (rc == kResultOk && firewall != 0) {
        rc = m_data.SetFirewallHost(GetFirewallHost());
        m_data.SetFirewallPort(GetFirewallPort());
        if (rc == kResultOk)
            rc = m_data.SetFirewallUser(GetFirewallUser());
        if (rc == kResultOk)
            rc = m_data.SetFirewallPassword(GetFirewallPassword());
    }
    // Through a firewall the server is known by the name the firewall resolves.
    if (rc == kResultOk)
        rc = m_data.SetRemoteHost(firewall != 0 ? GetRemoteHost() : ControlPeer());
    if (rc == kResultOk)
        rc = m_data.SetRemotePort(port);
    return rc == kResultOk ? m_data.SetConnected(true) : rc;
}

// A local file error decides the result over the server's reply to the
// transfer it cut short.
int FtpEngine::WaitForDataConnection(int commandResult)
{
    if (commandResult == kResultOk) {
        while (m_data.Busy()) {
            if (!WaitStep(10, m_window))
                return kInterrupted;
        }
        (void)WaitStep(0, m_window);
    }
    if (m_data.FailureCode() != 0 && commandResult != kInterrupted) {
        SetLastErrorText(m_data.FailureText());
        return m_data.FailureCode();
    }
    return commandResult;
}

// A pump that stopped at its chunk count could go on at once: the next
// round does not sleep waiting for a message (no FD_WRITE comes for a socket
// that never refused a send), it only takes what is queued. The waits for
// the replies to PORT and REST pump nothing: the transfer's command has gone
// out whole only once its own reply is waited for, and from then on the
// upload goes on, whatever the server answers or an ABOR asks.
int FtpEngine::OnReplyWaitRound()
{
    if (m_transferReply)
        m_data.CommandSent();
    m_uploadMore = m_data.PumpUpload(kUploadChunksPerRound) == FtpDataConnection::Pump::More;
    return kResultOk;
}

// ---- From the data connection ----

void FtpEngine::DataStarted()
{
    Fire(kFtpEventStartTransfer, {});
}

void FtpEngine::DataBlock(int64_t count, const char* data, uint32_t n)
{
    std::intptr_t bytes = std::intptr_t(count);
    char* text = const_cast<char*>(data);
    Fire(kFtpEventTransfer, {EventParam::IntPtr(&bytes), EventParam::Binary(&text, int(n))});
}

void FtpEngine::DataEnded()
{
    Fire(kFtpEventEndTransfer, {});
}

void FtpEngine::DataEntry(const char* line, uint32_t n, const FtpListEntry& entry)
{
    NetString name;
    if (m_line.Assign(n, line) != kResultOk || name.Assign(entry.nameLength, entry.name) != kResultOk)
        return;
    const char* lineText = m_line.CStr();
    const char* nameText = name.CStr();
    const char* time = entry.time.CStr();
    int isDirectory = entry.isDirectory ? 1 : 0;
    std::intptr_t size = std::intptr_t(entry.size);
    Fire(kFtpEventDirEntry, {EventParam::Text(&lineText), EventParam::Text(&nameText), EventParam::Int(&isDirectory),
                             EventParam::IntPtr(&size), EventParam::Text(&time)});
}

void FtpEngine::DataError(int code, const char* text)
{
    (void)FireError(code, text);
}

// A local file error ends the transfer from this side. ABOR tells the
// server at once, before the data connection is reset, so that it answers
// the transfer (426, or 226 when it had sent it all) and the ABOR: a server
// left with nothing but a reset data connection may never answer at all.
// The running action reads both.
void FtpEngine::DataFailed()
{
    if (m_action != kIdle && IsConnected() && !m_abortSent && SendAbortNow(false) == kResultOk)
        m_abortSent = true;
}

void FtpEngine::DataActivity()
{
    if (!AbsoluteTimeout())
        StartTimeout();
}

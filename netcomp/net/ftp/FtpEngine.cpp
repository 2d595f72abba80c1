// Every operation is an action: one runs at a time, started by a method or
// by a property that talks to the server (Connected, RemotePath,
// TransferMode, FileSize, FileTime, Command), and actions that need the
// server log on first. Replies are read through the shared reply reader
// with RFC 959's rules: a multi-line reply ends only at a line of its own
// code and a blank, and a preliminary 1xx reply is followed by the real one.
//
// Abort from inside an event of a running transfer sends the urgent Telnet
// bytes and ABOR at once; the server then answers twice, first for the
// transfer (426, or 226 when it had ended or finished it anyway) and then
// for ABOR, and the running action reads both, so no reply is left over for
// the next command. Interrupt ends the action at once instead: the replies
// still owed are counted and read before the next command is sent.
#include "netcomp/net/ftp/FtpEngine.h"

#include <cstring>

#include "netcomp/core/framework/NotifyWindow.h"
#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/core/text/AddressText.h"
#include "netcomp/include/netcomp_ftp.h"
#include "netcomp/net/ftp/FtpReplies.h"

namespace {

constexpr EventTable kFtpEvents = {
    {SharedEvent::ConnectionStatus, kFtpEventConnectionStatus},
    {SharedEvent::EndTransfer, kFtpEventEndTransfer},
    {SharedEvent::Error, kFtpEventError},
    {SharedEvent::ProtocolTrail, kFtpEventPITrail},
    {SharedEvent::StartTransfer, kFtpEventStartTransfer},
    {SharedEvent::Transfer, kFtpEventTransfer},
};

// Telnet IAC IP, IAC DM: the interrupt that goes before ABOR (RFC 959 4.1.3).
const char kUrgentAbort[] = "\xff\xf4\xff\xf2";

const char kBusyText[] = "Busy performing current action.";

} // namespace

FtpEngine::FtpEngine() : m_data(*this)
{
    SetEventTable(kFtpEvents);
    (void)Init();
    (void)SetEOL("\r\n", 2);
    SetLineMode(true);
    SetReplyRules(kFtpReply);
    SetProtocolErrorCode(kFtpProtocolError);
    (void)SetRemotePort(21);
    (void)SetTimeout(60);
    (void)m_data.InitOn(*this);
}

FtpEngine::~FtpEngine() = default;

LRESULT FtpEngine::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == kMsgTcpSocket && m_data.Owns(SOCKET(wParam)))
        return m_data.WindowProc(message, wParam, lParam);
    return ProtocolClient::WindowProc(message, wParam, lParam);
}

// ---- Events ----

void FtpEngine::Trail(int direction, const char* text)
{
    Fire(kFtpEventPITrail, {EventParam::Int(&direction), EventParam::Text(&text)});
}

void FtpEngine::OnConnected(int code)
{
    ProtocolClient::OnConnected(code);
    if (code == 0) {
        Trail(2, "Connected.");
        return;
    }
    (void)FireErrorFor(kFtpConnectionError, "Failed to connect: ", code);
}

void FtpEngine::OnDisconnected(int code)
{
    ProtocolClient::OnDisconnected(code);
    if (code == 0) {
        Trail(2, "Disconnected.");
        return;
    }
    (void)FireErrorFor(kFtpConnectionError, "Disconnected: ", code);
}

void FtpEngine::OnCommandLine(const char* line, uint32_t n)
{
    m_lastWasAbort = n == 4 && std::memcmp(line, "ABOR", 4) == 0;
    if (m_line.Assign(n, line) == kResultOk)
        Trail(0, m_line.CStr());
}

// A positive reply to a transfer's command, preliminary (125, 150) or final,
// tells the data connection that the server has taken it: a download's file
// may open now.
ReplyReader::Hint FtpEngine::OnReplyLine(const char* line, uint32_t n)
{
    if (m_line.Assign(n, line) == kResultOk)
        Trail(1, m_line.CStr());
    const int code = ReplyReader::LeadingCode(line, n);
    if (m_transferReply && code >= 100 && code < 300 && Reply().Ends(line, n))
        m_data.TransferAccepted();
    return AbortHint(line, n);
}

ReplyReader::Hint FtpEngine::OnLongReplyLine(const char* head, uint32_t n)
{
    return AbortHint(head, n);
}

// A 426 after ABOR is the aborted transfer's; the ABOR's own reply follows.
// The start of a line tells (enough of one past the line limit).
ReplyReader::Hint FtpEngine::AbortHint(const char* line, uint32_t n) const
{
    if (m_lastWasAbort && n >= 3 && std::memcmp(line, "426", 3) == 0 && (n == 3 || line[3] == ' '))
        return ReplyReader::Hint::More;
    return ReplyReader::Hint::Rules;
}

// ---- Actions ----

int FtpEngine::RunAction(int action)
{
    SetLastCode(0);
    SetLastErrorText("");
    if (m_action != kIdle) {
        SetLastErrorText(kBusyText);
        return kFtpBusy;
    }
    StartTimeout();
    ClearInterrupted();
    m_action = action;
    m_transferSent = false;
    int rc = ReadOwedReplies();
    if (rc != kResultOk) {
        // A session given up while its replies were still owed needs no QUIT.
        if (action == kLogoff && !IsConnected())
            rc = kResultOk;
    } else {
        if (!IsConnected() && action != kLogon && action != kLogoff && action != kConnect)
            rc = DoAction(kLogon);
        if (rc == kResultOk)
            rc = DoAction(action);
        if (rc == kInterrupted)
            LeaveOwedReplies();
        else if (m_abortSent)
            rc = ReadAbortReply(rc);
    }
    // After an interrupt the data connection of an aborted transfer stays
    // open until the server has answered: what still arrives is dropped.
    if (rc != kResultOk && m_owed == 0)
        m_data.CloseAll();
    m_action = kIdle;
    return rc;
}

// The reply to an ABOR sent from inside an event comes after the action's own.
int FtpEngine::ReadAbortReply(int rc)
{
    m_abortSent = false;
    NetString text;
    (void)text.AssignText(LastErrorText());
    StartTimeout();
    const int abortReply = WaitForReply();
    SetLastErrorText(text.CStr());
    if (abortReply != kInterrupted)
        return rc;
    m_owed = Reply().Complete() ? 0 : 1;
    if (!WasInterrupted() || DestroyPending())
        GiveUpControlConnection();
    return rc == kResultOk ? abortReply : rc;
}

// Interrupt ends the action at once. The server may still owe replies: to
// the command last sent, and to an ABOR sent from inside an event; they are
// counted here and read before the next command goes out (ReadOwedReplies),
// so that each later command gets its own reply. A transfer under way is
// ended with ABOR first (the server then answers the transfer, 426 or 226,
// and the ABOR): a server that is only left with a closed data connection
// may never answer at all. The ABOR goes while the data connection is still
// open, as a reset that comes first can make a server lose it; a server
// blocked in a send may see it only once its data is read, so the data
// connection stays open, and what still arrives is read and dropped; it
// does not restart the time-out, so a server that ignores the ABOR and goes
// on sending still lets the next action end. After a time-out the replies may
// never come: the control connection is closed, and the next action logs on
// afresh. An upload's connection is cut after the
// ABOR: a server that reads it may look at the control connection only once
// the file has ended, and must not take it for complete.
void FtpEngine::LeaveOwedReplies()
{
    bool abortSent = m_abortSent;
    m_abortSent = false;
    const bool replyOwed = !Reply().Complete();
    if (!IsConnected() || (!replyOwed && !abortSent))
        return;
    if (!WasInterrupted() || DestroyPending()) {
        GiveUpControlConnection();
        return;
    }
    if (replyOwed && m_transferSent && !abortSent) {
        const bool upload = m_data.CurrentMode() == FtpDataConnection::Mode::Upload;
        m_data.Abandon();
        abortSent = SendAbortNow(false) == kResultOk;
        if (upload)
            m_data.CutUpload();
    }
    m_owed += (replyOwed ? 1 : 0) + (abortSent ? 1 : 0);
}

// What an interrupted action left owed, read within this action's time-out.
// Interrupted again, the rest stays owed; timed out, the connection goes.
int FtpEngine::ReadOwedReplies()
{
    if (m_owed == 0)
        return kResultOk;
    if (!IsConnected()) {
        m_owed = 0;
        m_data.CloseAll();
        return kResultOk;
    }
    while (m_owed > 0) {
        // An interrupt from the event of a reply's last line stops the wait
        // with that reply read.
        const int rc = WaitForReply();
        if (rc != kInterrupted || Reply().Complete())
            --m_owed;
        if (rc == kInterrupted) {
            if (!WasInterrupted() || DestroyPending())
                GiveUpControlConnection();
            return rc;
        }
    }
    m_data.CloseAll();
    SetLastErrorText("");
    return kResultOk;
}

void FtpEngine::GiveUpControlConnection()
{
    Trail(2, "No reply from the server to the stopped command: closing the connection.");
    m_owed = 0;
    m_data.CloseAll();
    (void)SetConnected(false);
}

int FtpEngine::DoAction(int action)
{
    switch (action) {
    case kAbort:
        return SendAbort();
    case kLogon:
        return SignOn();
    case kConnect:
        return ConnectAndGreet();
    case kLogoff:
        return Quit();
    case kDownload:
        return ReceiveFile();
    case kUpload:
        return SendFile("STOR");
    case kAppend:
        return SendFile("APPE");
    case kStoreUnique:
        return SendFile("STOU");
    case kDelete:
        return Command("DELE", m_remoteFile.CStr());
    case kRename: {
        const int rc = Command("RNFR", m_remoteFile.CStr());
        return rc == kResultOk ? Command("RNTO", m_renameTarget.CStr()) : rc;
    }
    case kNameList:
        return List(FtpDataConnection::Mode::NameList, "NLST");
    case kLongList:
        return List(FtpDataConnection::Mode::LongList, "LIST");
    case kMakeDirectory:
        return Command("MKD", m_remoteFile.CStr());
    case kRemoveDirectory:
        return Command("RMD", m_remoteFile.CStr());
    case kTypeAscii:
    case kTypeBinary: {
        const int rc = Command("TYPE", action == kTypeAscii ? "A" : "I");
        if (rc == kResultOk)
            m_transferMode = action == kTypeAscii ? 1 : 2;
        return rc;
    }
    case kChangeDirectory:
        return m_remotePath.Length() == 2 && std::memcmp(m_remotePath.Data(), "..", 2) == 0
                   ? Command("CDUP", nullptr)
                   : Command("CWD", m_remotePath.CStr());
    case kCommand:
        return Command(m_command.CStr(), nullptr);
    case kSize:
        return Command("SIZE", m_remoteFile.CStr());
    case kModificationTime:
        return Command("MDTM", m_remoteFile.CStr());
    case kPrintDirectory:
        return PrintDirectory();
    default:
        return kResultOk;
    }
}

int FtpEngine::Command(const char* command, const char* argument)
{
    return Exchange(command, argument);
}

int FtpEngine::WithRemoteFile(const char* name, int action)
{
    if (m_action != kIdle) {
        SetLastErrorText(kBusyText);
        return kFtpBusy;
    }
    const int rc = m_remoteFile.AssignText(name);
    return rc == kResultOk ? RunAction(action) : rc;
}

int FtpEngine::RenameFile(const char* newName)
{
    if (m_action != kIdle) {
        SetLastErrorText(kBusyText);
        return kFtpBusy;
    }
    const int rc = m_renameTarget.AssignText(newName);
    return rc == kResultOk ? RunAction(kRename) : rc;
}

int FtpEngine::InterruptAction()
{
    if (m_action != kIdle)
        Interrupt();
    return kResultOk;
}

// Inside a running transfer the data connection is left to the server: it
// ends the transfer and closes it once it has seen the ABOR (a reset from
// this side can reach a server before the ABOR does, and some then lose
// the ABOR). A server that finishes the transfer anyway answers 226.
int FtpEngine::Abort()
{
    if (m_action == kIdle)
        return IsConnected() ? RunAction(kAbort) : kResultOk;
    if (!IsConnected() || m_abortSent)
        return kResultOk;
    const int rc = SendAbortNow(true);
    if (rc == kResultOk)
        m_abortSent = true;
    return rc;
}

// ABOR sent at once without waiting: the replies are read by the running
// action, or by the next one. The owner's Abort sends the urgent Telnet
// interrupt before it. An ABOR that this side sends on its own (a local
// file error, an interrupt) goes without it: a server may lose the command
// that follows an urgent interrupt which reached it before its transfer
// began (pure-ftpd does), and with the data connection drained meanwhile a
// server that reads its control connection only between transfers still
// sees the ABOR once the transfer is over.
int FtpEngine::SendAbortNow(bool urgent)
{
    int rc = kResultOk;
    if (urgent) {
        SetOobInline(true);
        rc = SendRaw(kUrgentAbort, 4, MSG_OOB);
    }
    Trail(0, "ABOR");
    m_transferReply = false;
    if (rc == kResultOk)
        rc = SendBytes("ABOR\r\n", 6, false);
    return rc;
}

int FtpEngine::SendAbort()
{
    SetOobInline(true);
    const int rc = SendRaw(kUrgentAbort, 4, MSG_OOB);
    if (rc != kResultOk)
        return rc;
    m_data.CloseAll();
    return Command("ABOR", nullptr);
}

// ---- Connecting ----

int FtpEngine::ConnectAndGreet()
{
    if (IsConnected())
        return kResultOk;
    Trail(2, "Connecting to FTP server.");
    m_owed = 0;
    SetKeepAlive(true);
    int rc = TcpClient::Connect();
    if (rc != kResultOk)
        return rc;
    rc = WaitForReply();
    if (rc == kResultOk)
        rc = CheckReply();
    // A server that refused the session (421) is closing it: the next
    // action connects anew instead of sending on what is left of it.
    if (rc != kResultOk)
        (void)SetConnected(false);
    return rc;
}

int FtpEngine::SignOn()
{
    int rc = ConnectAndGreet();
    if (rc == kResultOk && !m_user.IsEmpty())
        rc = Command("USER", m_user.CStr());
    // A server that logs the user on at USER (230) asks for no password.
    const bool loggedOn = !m_user.IsEmpty() && Reply().Code() == 230;
    if (rc == kResultOk && !m_password.IsEmpty() && !loggedOn)
        rc = Command("PASS", m_password.CStr());
    if (rc == kResultOk && !m_account.IsEmpty())
        rc = Command("ACCT", m_account.CStr());
    if (rc == kResultOk && (m_transferMode == 1 || m_transferMode == 2))
        rc = Command("TYPE", m_transferMode == 1 ? "A" : "I");
    return rc;
}

int FtpEngine::Quit()
{
    if (!IsConnected()) {
        (void)SetConnected(false);
        return kResultOk;
    }
    int rc = Command("QUIT", nullptr);
    const bool ended = QuitEnded(rc);
    if (rc != kResultOk && !ended)
        Trail(2, "Forcing disconnection from FTP server.");
    if (ended)
        rc = kResultOk;
    m_data.CloseAll();
    (void)SetConnected(false);
    return rc;
}

// ---- Properties that talk to the server ----

int FtpEngine::SetConnectedState(bool on)
{
    if (on)
        return RunAction(kConnect);
    m_owed = 0;
    m_data.CloseAll();
    return SetConnected(false);
}

int FtpEngine::SetCommand(const char* text)
{
    if (m_action != kIdle) {
        SetLastErrorText(kBusyText);
        return kFtpBusy;
    }
    const int rc = m_command.AssignText(text);
    return rc == kResultOk ? RunAction(kCommand) : rc;
}

int FtpEngine::SetTransferMode(int mode)
{
    if (m_action != kIdle) {
        SetLastErrorText(kBusyText);
        return kFtpBusy;
    }
    if (IsConnected() && (mode == 1 || mode == 2))
        return RunAction(mode == 1 ? kTypeAscii : kTypeBinary);
    m_transferMode = mode;
    return kResultOk;
}

int FtpEngine::SetRemotePath(const char* text)
{
    if (m_action != kIdle) {
        SetLastErrorText(kBusyText);
        return kFtpBusy;
    }
    const int rc = m_remotePath.AssignText(text);
    if (rc != kResultOk || !IsConnected())
        return rc;
    return RunAction(kChangeDirectory);
}

const char* FtpEngine::GetRemotePath()
{
    if (m_action != kIdle) {
        SetLastErrorText(kBusyText);
        SetLastCode(kFtpBusy);
        return "";
    }
    m_remotePath.Clear();
    if (IsConnected()) {
        const int rc = RunAction(kPrintDirectory);
        if (rc != kResultOk)
            SetLastCode(CheckResult(rc));
    }
    return m_remotePath.CStr();
}

int FtpEngine::PrintDirectory()
{
    const int rc = Command("PWD", nullptr);
    if (rc != kResultOk)
        return rc;
    const char* start = nullptr;
    uint32_t length = 0;
    QuotedPath(ReplyText(), ReplyLength(), &start, &length);
    return m_remotePath.Assign(length, start);
}

// A refused SIZE reads as its error code, which is also the last error
// code (a size reads with the code 0).
int64_t FtpEngine::FileSize()
{
    int rc = RunAction(kSize);
    int64_t size = 0;
    if (rc == kResultOk && !NumberAfterCode(ReplyText(), ReplyLength(), &size)) {
        SetLastErrorText("Unexpected server reply.");
        rc = kFtpProtocolError;
    }
    if (rc != kResultOk) {
        const int code = CheckResult(rc);
        SetLastCode(code);
        return code;
    }
    return size;
}

const char* FtpEngine::FileTime()
{
    m_fileTime.Clear();
    const int rc = RunAction(kModificationTime);
    if (rc != kResultOk) {
        SetLastCode(CheckResult(rc));
        return "";
    }
    const char* blank = static_cast<const char*>(std::memchr(ReplyText(), ' ', ReplyLength()));
    if (blank && m_fileTime.Assign(uint32_t(ReplyText() + ReplyLength() - blank - 1), blank + 1) != kResultOk)
        m_fileTime.Clear();
    return m_fileTime.CStr();
}

const char* FtpEngine::ControlPeer()
{
    unsigned long address = 0;
    int port = 0;
    m_peerText.Clear();
    if (PeerEndpoint(Handle(), &address, &port))
        (void)m_peerText.AssignText(DottedAddress(uint32_t(address)).c_str());
    return m_peerText.CStr();
}

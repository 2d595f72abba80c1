// Blocking operations over the asynchronous socket: each starts the deadline,
// then loops on the wait step until the socket's handlers have set the state
// it waits for. Received bytes become lines in the line source, and the
// lines of a reply go through the reply reader until it says the reply is
// whole. Replies are held: once a reply is complete, delivery stops
// (AcceptData off) until the next wait asks for more, so lines that arrive
// early stay in the receive buffer (or the line source) for the next reply.
#include "netcomp/core/tcp/TcpClient.h"

#include <algorithm>
#include <cstring>

#include "netcomp/core/framework/EventTable.h"
#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/core/text/CStringHelpers.h"
#include "netcomp/core/text/TextEncodings.h"

int TcpClient::Init()
{
    if (!TcpSocket::Init())
        return 0;
    m_connectResult = 0;
    m_connectDone = false;
    m_disconnectResult = 0;
    m_busy = false;
    m_holdReplies = true;
    m_reply.Clear();
    m_connectText.Clear();
    m_lines.Clear();
    m_replyReader.Start();
    m_receptionMode = 0;
    m_receivedBytes = 0;
    return 1;
}

int TcpClient::Connect()
{
    ClearInterruptRequest();
    if (IsConnected())
        return kResultOk;
    m_reply.Clear();
    m_connectResult = 0;
    m_connectDone = false;
    m_connectText.Clear();
    m_lines.Clear();
    SetAcceptData(false);
    StartTimeout();
    int rc = SetConnected(true);
    if (rc != kResultOk) {
        SetAcceptData(true);
        return rc;
    }
    while (!m_connectDone) {
        if (!WaitStep(10, m_window)) {
            (void)SetConnected(false);
            SetAcceptData(true);
            return kInterrupted;
        }
    }
    SetAcceptData(true);
    if (m_connectResult != kResultOk && !m_connectText.IsEmpty())
        SetLastErrorText(m_connectText.CStr());
    return m_connectResult;
}

int TcpClient::ConnectTo(const char* host, int port)
{
    int rc = SetRemoteHost(host);
    if (rc == kResultOk)
        rc = SetRemotePort(port);
    return rc == kResultOk ? Connect() : rc;
}

int TcpClient::Disconnect()
{
    if (!HasSocket())
        return kResultOk;
    m_disconnectResult = 0;
    (void)SetConnected(false);
    return WaitForDisconnect();
}

int TcpClient::WaitForDisconnect()
{
    StartTimeout();
    while (HasSocket()) {
        if (!WaitStep(10, m_window))
            return kInterrupted;
    }
    return m_disconnectResult;
}

// A send that finds the peer gone delivers what it sent before (SendOrEnd):
// the caller may find the server's answer there (ReplyBeforeClose).
int TcpClient::SendBytes(const char* data, uint32_t n, bool progress)
{
    ClearInterruptRequest();
    const bool open = HasSocket();
    int64_t total = 0;
    while (n > 0) {
        // The peer's close was taken in a wait: the send ends as the
        // connection did.
        if (open && !HasSocket())
            return LostConnectionCode();
        const int chunk = n > 0x40000000u ? 0x40000000 : int(n);
        const int rc = SendOrEnd(data, chunk, 0);
        if (rc == kResultOk) {
            data += BytesSent();
            n -= uint32_t(BytesSent());
            total += BytesSent();
            continue;
        }
        if (rc != WSAEWOULDBLOCK)
            return rc;
        if (!WaitStep(10, m_window))
            return kInterrupted;
        if (progress) {
            const int stop = OnSendProgress(total);
            if (stop != kResultOk)
                return stop;
        }
    }
    return kResultOk;
}

int TcpClient::SendCommand(const char* data, uint32_t n)
{
    m_busy = true;
    m_reply.Clear();
    SetAcceptData(false);
    StartTimeout();
    const int rc = SendBytes(data, n, false);
    if (rc != kResultOk) {
        m_busy = false;
        if (IsPeerGone(rc))
            return ReplyBeforeClose(rc);
        SetAcceptData(true);
        return rc;
    }
    return WaitForReply();
}

// The server may have answered before it went: refused what was being sent
// (a message too large) or said why it goes (a shutdown). That reply is read
// from what the connection still held, and when it is whole and not
// positive it is the result, as any refusal is: 0 here, so that the caller
// judges it (CheckReply). Anything else leaves the send's code.
int TcpClient::ReplyBeforeClose(int sendResult)
{
    if (!IsPeerGone(sendResult))
        return sendResult;
    const int rc = WaitForReply();
    EndWaitingClose();
    if (rc == kResultOk && m_replyReader.Complete() && !m_replyReader.Positive())
        return kResultOk;
    SetErrorFromCode(sendResult);
    return sendResult;
}

int TcpClient::RefusalBeforeClose(int sendResult)
{
    const int rc = ReplyBeforeClose(sendResult);
    return rc == kResultOk ? CheckReply() : rc;
}

int TcpClient::ConnectionLost()
{
    if (m_disconnectResult != kResultOk) {
        SetErrorFromCode(m_disconnectResult);
        return m_disconnectResult;
    }
    SetLastErrorText("Connection closed by the server.");
    return WSAECONNRESET;
}

int TcpClient::LostConnectionCode() const
{
    return m_disconnectResult != kResultOk ? m_disconnectResult : WSAECONNRESET;
}

int TcpClient::SendCommandLine(const char* command, const char* separator, const char* argument, const char* suffix)
{
    if (!command || !*command) {
        StartTimeout();
        return WaitForReply();
    }
    if (HasLineBreak(command) || HasLineBreak(separator) || HasLineBreak(argument)) {
        SetLastErrorText("Invalid character (CR or LF) in a command line.");
        return m_protocolError;
    }
    NetString line;
    int rc = line.AppendCStr(command);
    if (rc == kResultOk && argument && *argument) {
        rc = line.AppendCStr(separator);
        if (rc == kResultOk)
            rc = line.AppendCStr(argument);
    }
    if (rc != kResultOk)
        return rc;
    OnCommandLine(line.Data(), line.Length());
    rc = line.AppendCStr(suffix);
    return rc == kResultOk ? SendCommand(line.Data(), line.Length()) : rc;
}

int TcpClient::Exchange(const char* command, const char* argument)
{
    const int rc = SendCommandLine(command, " ", argument, "\r\n");
    return rc == kResultOk ? CheckReply() : rc;
}

int TcpClient::CheckReply()
{
    if (m_replyReader.Positive())
        return kResultOk;
    SetLastErrorText(m_replyReader.FinalLine());
    return m_protocolError;
}

int TcpClient::WaitForReply()
{
    m_busy = true;
    m_reply.Clear();
    m_replyReader.Start();
    m_replyFailure = nullptr;
    // Lines that came before the wait are the reply's first.
    TakeReplyLines();
    if (m_busy || !m_holdReplies)
        AcceptDataNow();
    // A reply just asked for is seldom there yet: the first step sleeps
    // without looking at the queue first (each look is a wineserver request).
    const DWORD step = ReplyWaitStep();
    if (m_busy && step != 0 && HasSocket())
        WaitForInput(step);
    for (unsigned round = 1; m_busy; ++round) {
        if (!HasSocket()) {
            m_busy = false;
            return ConnectionLost();
        }
        if (!WaitStep(ReplyWaitStep(), m_window)) {
            m_busy = false;
            return kInterrupted;
        }
        if (round % 1000 == 0)
            ReadNow();
        const int stop = OnReplyWaitRound();
        if (stop != kResultOk) {
            m_busy = false;
            return stop;
        }
    }
    if (m_replyFailure) {
        SetLastErrorText(m_replyFailure);
        return m_protocolError;
    }
    return kResultOk;
}

// Hands complete lines to the reply reader until the reply is whole. A line
// or a reply past its limit fails the wait with the protocol's code. A line
// too long is passed over to its end, and the reply is still read to its
// end (its first bytes tell whether more lines follow), so that the next
// reply starts in step; a reply too long is given up with its connection, as
// its end may never come (endless continuation lines).
void TcpClient::TakeReplyLines()
{
    const char* line;
    uint32_t n;
    while (m_busy) {
        const LineSource::Result got = m_lines.Next(&line, &n);
        if (got == LineSource::Result::None)
            return;
        if (got == LineSource::Result::Block) {
            OnReplyBlock(line, n);
            continue;
        }
        ReplyReader::Hint hint;
        if (got == LineSource::Result::TooLong) {
            m_replyFailure = "Reply line too long.";
            n = std::min(n, kJudgedHead);
            hint = OnLongReplyLine(line, n);
        } else {
            if (m_reply.Assign(n, line) != kResultOk)
                m_reply.Clear();
            hint = OnReplyLine(line, n);
        }
        const ReplyReader::Step step = m_replyReader.Take(line, n, hint);
        if (m_replyReader.Overflowed()) {
            m_replyFailure = "Reply too long.";
            m_busy = false;
            (void)SetConnected(false);
            return;
        }
        if (step == ReplyReader::Step::Done) {
            if (m_replyReader.Error() == kOutOfMemory && !m_replyFailure)
                m_replyFailure = "Out of memory.";
            m_busy = false;
        }
    }
    if (m_holdReplies)
        SetAcceptData(false);
}

int TcpClient::WaitForTransfer()
{
    m_receptionMode = 1;
    m_messageLineStart = true;
    m_jisBody = false;
    m_receivedBytes = 0;
    // The message may have begun in the lines held behind its reply.
    const int rc = TakeMessageLines();
    if (rc != kResultOk) {
        m_receptionMode = 0;
        return rc;
    }
    StartTimeout();
    AcceptDataNow();
    while (m_receptionMode != 0) {
        for (int i = 0; i < 101 && m_receptionMode != 0; ++i) {
            if (!HasSocket()) {
                m_receptionMode = 0;
                return ConnectionLost();
            }
            if (!WaitStep(10, m_window)) {
                m_receptionMode = 0;
                return kInterrupted;
            }
        }
        if (m_receptionMode != 0)
            ReadNow();
    }
    return kResultOk;
}

int TcpClient::SetLocalFile(const char* text)
{
    return m_localFileName.AssignText(text);
}

int TcpClient::OpenLocalFile()
{
    if (m_localFileName.IsEmpty())
        return kResultOk;
    if (m_localFile.OpenWrite(m_localFileName.CStr(), 0) != 0) {
        FireError(kFileError, "Can't open local file for writing.");
        SetLastErrorText("Can't open local file for writing.");
        return kFileError;
    }
    return kResultOk;
}

// Received data comes a line at a time: it is gathered into blocks, since a
// file write per line costs a system call each.
void TcpClient::WriteLocalFile(const char* data, uint32_t n)
{
    if (!m_localFile.IsOpen())
        return;
    if (m_fileBlock.Length() + n > kFileBlockSize)
        FlushLocalFile();
    if (n >= kFileBlockSize)
        WriteLocalFileNow(data, n);
    else if (m_fileBlock.Append(data, n) != kResultOk)
        FireError(kOutOfMemory, "Error writing to LocalFile");
}

void TcpClient::FlushLocalFile()
{
    if (!m_fileBlock.IsEmpty())
        WriteLocalFileNow(m_fileBlock.Data(), m_fileBlock.Length());
    m_fileBlock.Clear();
}

void TcpClient::WriteLocalFileNow(const char* data, uint32_t n)
{
    const int rc = m_localFile.Write(data, n);
    if (rc != 0)
        FireError(rc, "Error writing to LocalFile");
}

void TcpClient::CloseLocalFile()
{
    if (m_localFile.IsOpen())
        FlushLocalFile();
    m_fileBlock.Clear();
    m_localFile.Close();
}

void TcpClient::OnConnected(int code)
{
    m_connectResult = code;
    m_connectDone = true;
    if (code != 0)
        (void)m_connectText.AssignText(Describe(code));
    TcpConnection::OnConnected(code);
}

void TcpClient::OnDisconnected(int code)
{
    m_disconnectResult = code;
    if (!m_connectDone) {
        m_connectResult = code ? code : WSAECONNRESET;
        m_connectDone = true;
    }
    CloseLocalFile();
    TcpConnection::OnDisconnected(code);
}

// Received bytes go to the line source; a waiting reply takes its lines at
// once. A message (reception modes 1 and 2) takes the records as they come,
// once the lines held behind its reply are used up. Either way a line longer
// than the socket's buffer or the line limit comes in pieces, each but the
// last without its line end.
int TcpClient::ProcessData(const char* data, uint32_t n, bool eolFound)
{
    if (m_receptionMode != 0 && m_lines.Held() == 0)
        return ReceiveMessageLine(data, n, eolFound);
    // Lines nobody waits for and nobody holds went to the owner's events only.
    if (m_receptionMode == 0 && !m_busy && !m_holdReplies)
        return kResultOk;
    // A raw chunk is only lent to the line source while its lines are taken;
    // what is left is copied before the receive buffer gets the bytes back.
    if ((eolFound ? m_lines.Feed(data, n, true) : m_lines.Lend(data, n)) != kResultOk)
        return OutOfMemoryInData();
    int rc = kResultOk;
    if (m_receptionMode != 0)
        rc = TakeMessageLines();
    else if (m_busy)
        TakeReplyLines();
    else if (eolFound || m_lines.Held() > m_lines.MaxLine())
        SetAcceptData(false);
    if (m_lines.Keep() != kResultOk)
        return OutOfMemoryInData();
    return rc;
}

int TcpClient::OutOfMemoryInData()
{
    FireError(kOutOfMemory, "Out of memory in DataIn [IPPMsg].");
    return kOutOfMemory;
}

int TcpClient::TakeMessageLines()
{
    const char* line;
    uint32_t n;
    while (m_receptionMode != 0) {
        const LineSource::Result got = m_lines.Next(&line, &n, LineSource::LongLine::Split);
        if (got == LineSource::Result::None)
            break;
        if (got != LineSource::Result::Line && got != LineSource::Result::Piece)
            continue;
        const int rc = ReceiveMessageLine(line, n, got == LineSource::Result::Line);
        if (rc != kResultOk)
            return rc;
    }
    return kResultOk;
}

namespace {

bool StartsWithField(const char* data, uint32_t n, const char* name)
{
    const uint32_t length = uint32_t(std::strlen(name));
    return n > length && data[length] == ':' && StrNICmp(data, name, length) == 0;
}

bool Contains(const char* data, uint32_t n, const char* text)
{
    return std::search(data, data + n, text, text + std::strlen(text)) != data + n;
}

} // namespace

// Multi-line messages: header lines up to the empty line, then body lines up
// to the line "."; a leading "." of a body line is the sender's stuffing.
// Only the first piece of a long line begins a line. With CharsetMode 1 a
// Japanese message is handed on in Shift-JIS: the encoded words of Subject,
// From and Reply-To are decoded, and the body of a message whose
// Content-Type names ISO-2022-JP is converted line by line.
int TcpClient::ReceiveMessageLine(const char* data, uint32_t n, bool eolFound)
{
    const bool lineStart = m_messageLineStart;
    m_messageLineStart = eolFound;
    if (m_receptionMode == 1) {
        if (!lineStart)
            return DeliverMessageLine(data, n, eolFound);
        if (n == 0 && eolFound)
            m_receptionMode = 2;
        if (StartsWithField(data, n, "Content-Type") &&
            (Contains(data, n, "ISO-2022-JP") || Contains(data, n, "iso-2022-jp")))
            m_jisBody = true;
        if (CharsetMode() == 1 && (StartsWithField(data, n, "Subject") || StartsWithField(data, n, "From") ||
                                   StartsWithField(data, n, "Reply-To"))) {
            NetString line, decoded;
            if (line.Assign(n, data) != kResultOk || decoded.AppendDecodedHeader(line.CStr()) != kResultOk)
                return kOutOfMemory;
            return DeliverMessageLine(decoded.Data(), decoded.Length(), eolFound);
        }
    } else if (lineStart && eolFound && n == 1 && data[0] == '.') {
        m_receptionMode = 0;
        CloseLocalFile();
        return kResultOk;
    } else {
        if (lineStart && n > 0 && data[0] == '.') {
            ++data;
            --n;
        }
        if (m_jisBody && CharsetMode() == 1) {
            NetString converted;
            if (JisBytesToSjis(data, n, converted) != kResultOk)
                return kOutOfMemory;
            return DeliverMessageLine(converted.Data(), converted.Length(), eolFound);
        }
    }
    return DeliverMessageLine(data, n, eolFound);
}

int TcpClient::DeliverMessageLine(const char* data, uint32_t n, bool eolFound)
{
    m_receivedBytes += n + (eolFound ? 2 : 0);
    WriteLocalFile(data, n);
    if (eolFound)
        WriteLocalFile("\r\n", 2);
    OnMessageLine(data, n);
    return kResultOk;
}

void TcpClient::Trail(int direction, const char* text)
{
    Fire(SharedEvent::ProtocolTrail, {EventParam::Int(&direction), EventParam::Text(&text)});
}

void TcpClient::TrailLine(int direction, const char* line, uint32_t n)
{
    NetString text;
    if (text.Assign(n, line) == kResultOk)
        Trail(direction, text.CStr());
}

void TcpClient::TrailConnection(int code, bool connecting, int errorCode)
{
    if (code == 0) {
        Trail(2, connecting ? "Connected." : "Disconnected.");
        return;
    }
    NetString message;
    if (message.AppendCStr(connecting ? "Failed to connect: " : "Disconnected: ") == kResultOk &&
        message.AppendCStr(Describe(code)) == kResultOk)
        FireError(errorCode, message.CStr());
}

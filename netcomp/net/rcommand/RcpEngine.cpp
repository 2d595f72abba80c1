// A get: "rcp -f <file>" runs the remote source, which waits for a ready
// byte, sends the file line, waits for its acknowledgement, sends exactly
// the announced number of bytes and one status byte, and ends once that is
// acknowledged too. A put: "rcp -t <file>" runs the remote sink, which says
// it is ready; it takes the file line (with the file's base name: the path
// is the command's), the bytes and this side's status byte, and answers each
// step. Every wait is a wait step on the component's window, bounded by the
// time-out, which data arriving restarts.
#include "netcomp/net/rcommand/RcpEngine.h"

#include <memory>

#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/core/text/CStringHelpers.h"
#include "netcomp/include/netcomp_rcp.h"

namespace {

constexpr EventTable kRcpEvents = {
    {SharedEvent::Connected, kRcpEventConnected},
    {SharedEvent::ConnectionStatus, kRcpEventConnectionStatus},
    {SharedEvent::Disconnected, kRcpEventDisconnected},
    {SharedEvent::Error, kRcpEventError},
};

constexpr uint32_t kReadBuffer = 1024 * 1024;
constexpr int kSocketBuffer = 64000;
constexpr uint32_t kSendBlock = 16384;
// What a peer may send ahead of the dialogue before the copy fails.
constexpr uint32_t kMaxPending = 64 * 1024;

const char kDropped[] = "Server dropped the connection.";

} // namespace

RcpEngine::RcpEngine()
{
    SetEventTable(kRcpEvents);
    (void)SetRemotePort(512);
    (void)SetTimeout(60);
    (void)m_permissions.AssignText("0600");
}

RcpEngine::~RcpEngine() = default;

int RcpEngine::SetFilePermissions(const char* text)
{
    const char* t = text ? text : "";
    uint32_t n = 0;
    while (n < 4 && t[n])
        ++n;
    return m_permissions.Assign(n, t);
}

int RcpEngine::SetProtocol(int protocol)
{
    m_protocol = protocol;
    if (protocol == 0)
        return SetRemotePort(512);
    if (protocol == 1)
        return SetRemotePort(514);
    return kResultOk;
}

int RcpEngine::SetUser(const char* text)
{
    int rc = m_userText1.AssignText(text);
    // rsh sends the local and the remote user name; both are this one.
    if (rc == kResultOk && m_protocol == 1)
        rc = m_userText2.AssignText(text);
    return rc;
}

// ---- One copy ----

int RcpEngine::Begin(Action action)
{
    if (m_action != Action::None) {
        SetLastErrorText("Busy performing current action.");
        return kRcpBusy;
    }
    if (m_localFile.IsEmpty()) {
        SetLastErrorText("A valid local file is required for this operation.");
        return kRcpNoLocalFile;
    }
    if (m_remoteFile.IsEmpty() || HasLineBreak(m_remoteFile.CStr())) {
        SetLastErrorText("A valid remote file is required for this operation.");
        return kRcpNoRemoteFile;
    }
    m_action = action;
    CloseAll();
    m_stopped = false;
    m_phase = Phase::Waiting;
    m_pending.Clear();
    m_failCode = 0;
    m_percent = -1;
    // The dialogue is read byte for byte; bulk reads for the file's bytes.
    int rc = SetEolBytes(nullptr, 0);
    if (rc == kResultOk)
        rc = SetReadBufferSize(kReadBuffer);
    SetInBufferSize(kSocketBuffer);
    SetOutBufferSize(kSocketBuffer);
    if (rc != kResultOk)
        m_action = Action::None;
    return rc;
}

int RcpEngine::End(int rc)
{
    // The owner's Interrupt closed the connection: whatever step failed
    // after it (a send, a wait) failed for that.
    if (rc != kResultOk && m_stopped)
        rc = kInterrupted;
    NetString text;
    if (text.AssignText(LastErrorText()) != kResultOk)
        text.Clear();
    m_file.Close();
    CloseAll();
    SetLastErrorText(text.CStr());
    m_action = Action::None;
    return rc;
}

int RcpEngine::Start(const char* verb)
{
    NetString command;
    int rc = command.AppendCStr(verb);
    if (rc == kResultOk)
        rc = AppendShellWord(m_remoteFile.CStr(), command);
    return rc == kResultOk ? Execute(command.CStr()) : rc;
}

int RcpEngine::GetFile()
{
    const int rc = Begin(Action::Get);
    return rc == kResultOk ? End(Receive()) : rc;
}

int RcpEngine::PutFile()
{
    const int rc = Begin(Action::Put);
    return rc == kResultOk ? End(Store()) : rc;
}

int RcpEngine::InterruptTransfer()
{
    if (m_action != Action::None) {
        // The running get or put ends with 301 once its wait sees this.
        m_stopped = true;
        Interrupt();
    }
    CloseAll();
    return kResultOk;
}

int RcpEngine::Receive()
{
    m_reader.ExpectLine();
    int rc = Start("rcp -f ");
    if (rc == kResultOk)
        rc = SendStatus();
    RcpFileLine file;
    while (rc == kResultOk) {
        rc = Answer(rc);
        if (rc != kResultOk)
            return rc;
        const char* line = m_reader.Text();
        // Folder lines and times of a recursive copy are acknowledged and passed over.
        if (line[0] == 'D' || line[0] == 'E' || line[0] == 'T') {
            m_phase = Phase::Waiting;
            m_reader.ExpectLine();
            rc = SendStatus();
            continue;
        }
        if (ParseRcpFileLine(line, m_reader.TextLength(), file))
            break;
        SetLastErrorText(line);
        return kRcpServerError;
    }
    if (rc != kResultOk)
        return rc;
    if (m_file.OpenWrite(m_localFile.CStr(), 0) != 0) {
        SetLastErrorText("Can't open local file for writing.");
        return kFileError;
    }
    m_fileSize = file.size;
    m_received = 0;
    m_phase = Phase::Waiting;
    m_reader.ExpectData(file.size);
    Progress(0);
    rc = Answer(SendStatus());
    if (rc != kResultOk)
        return rc;
    m_file.Close();
    rc = SendStatus();
    if (rc != kResultOk)
        return rc;
    Progress(100);
    // The source ends once it has read the acknowledgement.
    (void)WaitForDisconnect();
    return kResultOk;
}

int RcpEngine::Store()
{
    FileHandle file;
    if (file.OpenRead(m_localFile.CStr(), 0) != 0) {
        SetLastErrorText("Can't open local file.");
        return kRcpCannotOpen;
    }
    const int64_t size = file.Size();
    m_fileSize = size;
    m_reader.ExpectAck();
    int rc = Answer(Start("rcp -t "));
    if (rc != kResultOk)
        return rc;

    NetString line;
    rc = FormatRcpFileLine(m_permissions.CStr(), size, PathBaseName(m_remoteFile.CStr()), line);
    m_phase = Phase::Waiting;
    m_reader.ExpectAck();
    rc = Answer(rc == kResultOk ? SendBytes(line.Data(), line.Length(), false) : rc);
    if (rc != kResultOk)
        return rc;

    // The sink answers the whole file after its bytes and this side's status byte.
    m_phase = Phase::Waiting;
    m_reader.ExpectAck();
    Progress(0);
    rc = SendFileBytes(file, size);
    if (rc == kResultOk && m_phase == Phase::Waiting)
        rc = SendStatus();
    rc = Answer(rc);
    if (rc != kResultOk)
        return rc;
    Progress(100);
    return kResultOk;
}

int RcpEngine::SendFileBytes(FileHandle& file, int64_t size)
{
    std::unique_ptr<char[]> block(new char[kSendBlock]);
    int64_t sent = 0;
    // A sink that answers early has refused the file; the wait after the bytes tells why.
    while (sent < size && m_phase == Phase::Waiting) {
        const uint32_t want = size - sent < int64_t(kSendBlock) ? uint32_t(size - sent) : kSendBlock;
        uint32_t got = 0;
        if (file.Read(block.get(), want, &got) != 0 || got == 0) {
            SetLastErrorText("Error reading from local file.");
            return kFileError;
        }
        const int rc = SendBytes(block.get(), got, true);
        if (rc != kResultOk)
            return rc;
        sent += got;
        ProgressOf(sent);
    }
    return kResultOk;
}

int RcpEngine::SendStatus()
{
    const int rc = SendBytes("\0", 1, false);
    if (rc != kResultOk && !HasSocket()) {
        SetLastErrorText(kDropped);
        return kRcpServerError;
    }
    return rc;
}

int RcpEngine::Await()
{
    if (!m_pending.IsEmpty()) {
        NetString pending;
        if (pending.Assign(m_pending.Length(), m_pending.Data()) != kResultOk)
            return kOutOfMemory;
        m_pending.Clear();
        Feed(pending.Data(), pending.Length());
    }
    while (m_phase == Phase::Waiting) {
        if (m_stopped)
            return kInterrupted;
        if (!HasSocket()) {
            SetLastErrorText(kDropped);
            return kRcpServerError;
        }
        if (!WaitStep(10, m_window))
            return kInterrupted;
    }
    if (m_phase == Phase::Failed) {
        SetLastErrorText(m_failText.CStr());
        return m_failCode;
    }
    return kResultOk;
}

// After a step that went out with `rc`: the other side's answer, 0 for an
// acknowledgement or a line, the refusal's message as the error otherwise.
int RcpEngine::Answer(int rc)
{
    if (rc == kResultOk)
        rc = Await();
    if (rc == kResultOk && m_phase == Phase::Refused) {
        SetLastErrorText(m_reader.Text());
        rc = kRcpServerError;
    }
    return rc;
}

void RcpEngine::Failed(int code, const char* text)
{
    m_phase = Phase::Failed;
    m_failCode = code;
    if (m_failText.AssignText(text) != kResultOk)
        m_failText.Clear();
}

int RcpEngine::FireStdout(const char* data, uint32_t n, bool)
{
    Feed(data, n);
    return kResultOk;
}

// The daemon's own refusal (a non-zero first byte) ends the copy with its
// reason; otherwise the bytes go to the reader as the dialogue expects them.
void RcpEngine::Feed(const char* data, uint32_t n)
{
    if (m_action == Action::None)
        return;
    if (!m_errorMessage.IsEmpty() && m_phase == Phase::Waiting) {
        NetString reason;
        uint32_t length = m_errorMessage.Length();
        while (length > 0 && (m_errorMessage[length - 1] == '\n' || m_errorMessage[length - 1] == '\r'))
            --length;
        (void)reason.Assign(length, m_errorMessage.Data());
        Failed(kRcpServerError, reason.CStr());
        return;
    }
    while (n > 0) {
        if (m_phase != Phase::Waiting) {
            if (m_pending.Length() + n > kMaxPending || m_pending.Append(data, n) != kResultOk)
                Failed(kRcpServerError, "The server sent more than the copy expected.");
            return;
        }
        switch (m_reader.Next(data, n)) {
        case RcpReader::Event::NeedMore:
            return;
        case RcpReader::Event::Ack:
            m_phase = Phase::Ack;
            break;
        case RcpReader::Event::Refused:
            m_phase = Phase::Refused;
            break;
        case RcpReader::Event::Line:
            m_phase = Phase::Line;
            break;
        case RcpReader::Event::Data:
            if (m_file.Write(m_reader.Block(), m_reader.BlockLength()) != 0) {
                Failed(kFileError, "Error writing to local file.");
                return;
            }
            m_received += m_reader.BlockLength();
            ProgressOf(m_received);
            break;
        case RcpReader::Event::Unexpected:
        case RcpReader::Event::TooLong:
            Failed(kRcpServerError, "The server sent more than the copy expected.");
            return;
        }
    }
}

void RcpEngine::Progress(int percent)
{
    m_percent = percent;
    Fire(kRcpEventProgress, {EventParam::Int(&percent)});
}

// Percent steps between the 0 and the 100 that the copy fires itself.
void RcpEngine::ProgressOf(int64_t done)
{
    if (m_fileSize <= 0)
        return;
    const int percent = done >= m_fileSize             ? 100
                        : m_fileSize < INT64_MAX / 100 ? int(done * 100 / m_fileSize)
                                                       : int(done / (m_fileSize / 100));
    if (percent != m_percent && percent < 100)
        Progress(percent);
}

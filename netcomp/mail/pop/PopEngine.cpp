// Every action clears the last error, refuses to start while another runs
// (an event handler may only interrupt), connects and logs in first when it
// needs the connection, and ends idle with the local file closed. Replies
// that begin with "+" are positive; any other reply is the error text.
#include "netcomp/mail/pop/PopEngine.h"

#include <cstdio>
#include <cstring>

#include "netcomp/core/crypto/Md5.h"
#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/include/netcomp_pop.h"
#include "netcomp/mail/date/SystemZone.h"
#include "netcomp/mail/pop/PopReplies.h"

namespace {

constexpr EventTable kPopEvents = {
    {SharedEvent::ConnectionStatus, kPopEventConnectionStatus},
    {SharedEvent::EndTransfer, kPopEventEndTransfer},
    {SharedEvent::Error, kPopEventError},
    {SharedEvent::Header, kPopEventHeader},
    {SharedEvent::ProtocolTrail, kPopEventProtocolTrail},
    {SharedEvent::StartTransfer, kPopEventStartTransfer},
    {SharedEvent::Transfer, kPopEventTransfer},
};

// The header names whose last value the message properties give.
const char* const kFieldNames[] = {"CC", "FROM", "DATE", "REPLY-TO", "TO", "SUBJECT"};

int FieldOf(int property)
{
    switch (property) {
    case kPopMessageCc:
        return 0;
    case kPopMessageFrom:
        return 1;
    case kPopMessageDate:
        return 2;
    case kPopMessageReplyTo:
        return 3;
    case kPopMessageTo:
        return 4;
    case kPopMessageSubject:
        return 5;
    default:
        return -1;
    }
}

// The text after the first blank at or after the fifth character of a reply
// ("+OK 3 QhdPYR" gives "QhdPYR"), or the empty text.
const char* AfterStatus(const char* reply)
{
    if (std::strlen(reply) < 5)
        return "";
    const char* blank = std::strchr(reply + 4, ' ');
    return blank ? blank + 1 : "";
}

} // namespace

PopEngine::PopEngine() : m_fields(kFieldNames, 6), m_dates(SystemZone())
{
    SetEventTable(kPopEvents);
    (void)Init();
    (void)SetEOL("\r\n", 2);
    SetLineMode(true);
    SetReplyRules(kStatusReply);
    SetProtocolErrorCode(kPopServerError);
    // Messages come in bulk: reads of a larger buffer cost fewer calls.
    (void)SetReadBufferSize(kMaxLineSize);
    (void)SetRemotePort(110);
    (void)SetTimeout(60);
}

int PopEngine::DoAction(int action)
{
    SetLastErrorText("");
    SetLastCode(0);
    if (m_busyAction != 0 && action != 0) {
        SetLastErrorText("Busy performing current action.");
        return kPopBusy;
    }
    StartTimeout();
    if (action == 0) {
        if (m_busyAction != 0)
            NetComponent::Interrupt();
        return kResultOk;
    }
    if (action < 0 || action > 8)
        return kResultOk;
    m_busyAction = action;
    int rc = kResultOk;
    if (action > 2 && !IsConnected())
        rc = Login();
    if (rc == kResultOk)
        rc = RunAction(action);
    m_busyAction = 0;
    CloseLocalFile();
    return rc;
}

int PopEngine::RunAction(int action)
{
    char number[16];
    std::snprintf(number, sizeof number, "%d", m_messageNumber);
    switch (action) {
    case 1:
        return Login();
    case 2:
        return Quit();
    case 3:
        return Retrieve();
    case 4:
        return SendCommand("DELE", number);
    case 5:
        return SendCommand("RSET", nullptr);
    case 6: {
        const int rc = SendCommand(m_command.CStr(), nullptr);
        return m_command.IsEmpty() && rc == kPopServerError ? kResultOk : rc;
    }
    default: {
        m_listAction = action;
        m_refusedListLine.Clear();
        int rc = SendCommand(action == 7 ? "LIST" : "UIDL", nullptr);
        if (rc == kResultOk)
            rc = ReceiveList();
        if (rc == kResultOk && !m_refusedListLine.IsEmpty()) {
            SetLastErrorText(m_refusedListLine.CStr());
            rc = kPopServerError;
        }
        return rc;
    }
    }
}

// A reply that begins with "+" is positive; any other is the error text
// with 171 (TcpClient's Exchange, which also refuses CR and LF in the
// command). Without a command only the reply is read (the greeting).
int PopEngine::SendCommand(const char* command, const char* argument)
{
    if (command && *command)
        return Exchange(command, argument);
    const int rc = WaitForReply();
    return rc == kResultOk ? CheckReply() : rc;
}

int PopEngine::Login()
{
    int rc;
    if (!IsConnected()) {
        Trail(2, "Connecting to mail server.");
        if ((rc = TcpClient::Connect()) != kResultOk)
            return rc;
        // A server that refused the session is closing it: the next action
        // connects anew instead of sending on what is left of it.
        if ((rc = SendCommand(nullptr, nullptr)) != kResultOk) {
            (void)SetConnected(false);
            return rc;
        }
        if (m_greeting.AssignText(m_lastReply.CStr()) != kResultOk)
            return kOutOfMemory;
    }
    m_statDone = false;
    m_sizeNumber = -1;
    switch (m_authMechanism) {
    case 0:
        if ((rc = SendCommand("USER", m_user.CStr())) != kResultOk)
            return rc;
        return SendCommand("PASS", m_password.CStr());
    case 1: {
        if ((rc = SendCommand("AUTH", "CRAM-MD5")) != kResultOk)
            return rc;
        const char* blank = std::strchr(m_lastReply.CStr(), ' ');
        const char* answer = m_cram.Response(blank ? blank + 1 : "", m_user.CStr(), m_password.CStr());
        return answer ? SendCommand(answer, nullptr) : kOutOfMemory;
    }
    case 2: {
        // The digest covers the greeting's timestamp, from "<" through ">".
        const char* start = std::strchr(m_greeting.CStr(), '<');
        if (!start) {
            SetLastErrorText("APOP timestamp not found.");
            return kPopNoTimestamp;
        }
        const char* end = std::strchr(start, '>');
        NetString stamp, argument;
        rc = stamp.Assign(end ? uint32_t(end - start + 1) : uint32_t(std::strlen(start)), start);
        if (rc == kResultOk)
            rc = stamp.AppendCStr(m_password.CStr());
        if (rc == kResultOk)
            rc = argument.AppendCStr(m_user.CStr());
        if (rc == kResultOk)
            rc = argument.AppendChar(' ');
        if (rc == kResultOk)
            rc = Md5Hex(stamp.Data(), stamp.Length(), argument);
        return rc == kResultOk ? SendCommand("APOP", argument.CStr()) : rc;
    }
    default:
        return kResultOk;
    }
}

int PopEngine::Quit()
{
    if (!HasSocket())
        return kResultOk;
    int rc = IsConnected() ? SendCommand("QUIT", nullptr) : kResultOk;
    // A server that closes after QUIT without its reply ended the session as asked.
    if (rc != kInterrupted && QuitEnded(rc))
        rc = kResultOk;
    if (rc != kResultOk)
        Trail(2, "Forcing disconnection from mail server.");
    StartTimeout();
    (void)TcpClient::Disconnect();
    (void)DoEvents();
    return rc;
}

int PopEngine::Retrieve()
{
    char argument[32];
    int rc;
    if (m_maxLines == 0) {
        if ((rc = OpenLocalFile()) != kResultOk)
            return rc;
        std::snprintf(argument, sizeof argument, "%d", m_messageNumber);
        rc = SendCommand("RETR", argument);
    } else {
        std::snprintf(argument, sizeof argument, "%d %d", m_messageNumber, m_maxLines);
        rc = SendCommand("TOP", argument);
    }
    if (rc != kResultOk)
        return rc;
    m_fields.Clear();
    return ReceiveMessage(m_keepHeaders, m_keepBody);
}

int PopEngine::RetrieveWholeMessage()
{
    const int maxLines = m_maxLines;
    m_maxLines = 0;
    const int rc = DoAction(3);
    m_maxLines = maxLines;
    return rc;
}

int PopEngine::LocalizeDate(const char* text, const char** answer)
{
    return ::LocalizeDate(*this, m_dates, text, answer);
}

int PopEngine::SetCommand(const char* text)
{
    const int rc = m_command.AssignText(text);
    return rc == kResultOk ? DoAction(6) : rc;
}

int PopEngine::SetConnectedState(bool on)
{
    if (on)
        return DoAction(1);
    StartTimeout();
    return TcpClient::Disconnect();
}

void PopEngine::SetMessageNumber(int number)
{
    m_messageNumber = number;
    MessageHeaders().Clear();
    MessageText().Clear();
    m_fields.Clear();
    m_headersRead = false;
    m_textRead = false;
}

bool PopEngine::Read(int (PopEngine::*step)())
{
    if (!IsConnected() || m_busyAction != 0)
        return false;
    SetLastErrorText("");
    m_busyAction = -1;
    StartTimeout();
    const int rc = (this->*step)();
    m_busyAction = 0;
    CloseLocalFile();
    if (rc != kResultOk)
        SetLastCode(CheckResult(rc));
    return true;
}

int PopEngine::Stat()
{
    int rc = SendCommand("STAT", nullptr);
    if (rc != kResultOk)
        return rc;
    // "+OK count size": a number that is missing, negative or too big for the
    // properties is no answer, rather than a count made up from it.
    int count = 0;
    int64_t size = 0;
    if (!ParsePopStatReply(m_lastReply.CStr(), &count, &size)) {
        SetLastErrorText(m_lastReply.CStr());
        return kPopServerError;
    }
    m_messageCount = count;
    m_mailboxSize = size;
    m_statDone = true;
    return kResultOk;
}

int PopEngine::MessageCount()
{
    if (!m_statDone)
        Read(&PopEngine::Stat);
    return m_statDone ? m_messageCount : 0;
}

int64_t PopEngine::MailboxSize()
{
    if (!m_statDone)
        Read(&PopEngine::Stat);
    return m_statDone ? m_mailboxSize : 0;
}

int PopEngine::AskSize()
{
    char argument[16];
    std::snprintf(argument, sizeof argument, "%d", m_messageNumber);
    const int rc = SendCommand("LIST", argument);
    if (rc != kResultOk)
        return rc;
    // A size that is no number is no answer, as with STAT: the property
    // reads 0 and the next read asks again.
    int64_t size = 0;
    if (!ParsePopSizeReply(m_lastReply.CStr(), &size)) {
        SetLastErrorText(m_lastReply.CStr());
        return kPopServerError;
    }
    m_size = size;
    m_sizeNumber = m_messageNumber;
    return kResultOk;
}

int64_t PopEngine::MessageSize()
{
    if (m_sizeNumber != m_messageNumber)
        Read(&PopEngine::AskSize);
    return m_sizeNumber == m_messageNumber ? m_size : 0;
}

int PopEngine::AskUid()
{
    char argument[16];
    std::snprintf(argument, sizeof argument, "%d", m_messageNumber);
    const int rc = SendCommand("UIDL", argument);
    return rc == kResultOk ? m_uid.AssignText(AfterStatus(m_lastReply.CStr())) : rc;
}

const char* PopEngine::MessageUid()
{
    Read(&PopEngine::AskUid);
    return m_uid.CStr();
}

int PopEngine::RetrieveKeeping(bool headers, bool body)
{
    m_keepHeaders = headers;
    m_keepBody = body;
    const int rc = Retrieve();
    m_keepHeaders = false;
    m_keepBody = false;
    return rc;
}

int PopEngine::RetrieveHeaders()
{
    MessageHeaders().Clear();
    const int rc = RetrieveKeeping(true, false);
    m_headersRead = rc == kResultOk;
    return rc;
}

int PopEngine::RetrieveText()
{
    MessageHeaders().Clear();
    MessageText().Clear();
    const int rc = RetrieveKeeping(true, true);
    m_headersRead = true;
    m_textRead = true;
    return rc;
}

const char* PopEngine::Headers()
{
    if (!m_headersRead)
        Read(&PopEngine::RetrieveHeaders);
    return MessageHeaders().CStr();
}

const char* PopEngine::Text()
{
    if (!m_textRead)
        Read(&PopEngine::RetrieveText);
    return MessageText().CStr();
}

const char* PopEngine::HeaderValue(int property)
{
    return m_fields.Value(FieldOf(property));
}

int PopEngine::OnListLine(const char* line, uint32_t n)
{
    NetString copy;
    if (copy.Assign(n, line) != kResultOk)
        return kOutOfMemory;
    PopListLine item;
    if (!ParsePopListLine(copy.CStr(), m_listAction == 7, item)) {
        // No numbers are made up for the event; the listing is still read to
        // its end, so that the next reply is the next command's, and the
        // action then fails with the first such line.
        return m_refusedListLine.IsEmpty() ? m_refusedListLine.Assign(copy.Length(), copy.Data()) : kResultOk;
    }
    std::intptr_t size = std::intptr_t(item.size);
    Fire(kPopEventMessageList, {EventParam::Int(&item.number), EventParam::Text(&item.uid), EventParam::IntPtr(&size)});
    return kResultOk;
}

// A completed connect or a clean close is a status line of the trail; a
// failed one, or a close with an error, is an Error event (172).
void PopEngine::OnConnected(int code)
{
    PopMailClient::OnConnected(code);
    TrailConnection(code, true, kPopConnectError);
}

void PopEngine::OnDisconnected(int code)
{
    PopMailClient::OnDisconnected(code);
    TrailConnection(code, false, kPopConnectError);
}

int PopEngine::OnHeaderField(const char* name, const char* value)
{
    return m_fields.Add(name, value);
}

// Every protocol operation is an action: one runs at a time, and the calls
// block in the TCP client's wait steps (the calling thread's messages keep
// flowing, so events arrive during the call). A message goes out as
// headers, text and attached file through one dot-stuffer, so no line of
// what DATA carries can end it early; a queued message is the same stream
// written to a file, with its command lines before it (RFC 5321).
#include "netcomp/mail/smtp/SmtpEngine.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "netcomp/core/crypto/CramMd5.h"
#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/core/text/CStringHelpers.h"
#include "netcomp/core/text/StringList.h"
#include "netcomp/core/text/TextEncodings.h"
#include "netcomp/include/netcomp_smtp.h"

namespace {

constexpr uint32_t kTextChunk = 8192;
constexpr uint32_t kFileChunk = 16384;
constexpr int kQueueNotOpen = 5;
constexpr int kQueueWriteFailed = 7;

// A process-wide counter that makes each generated identifier differ.
unsigned g_messageIds = 0;

} // namespace

constexpr SmtpEventNumbers kSmtpEvents = {kSmtpEventConnectionStatus, kSmtpEventEndTransfer, kSmtpEventError,
                                          kSmtpEventExpand,           kSmtpEventPITrail,     kSmtpEventStartTransfer,
                                          kSmtpEventTransfer};

constexpr EventTable kSmtpSharedEvents = {
    {SharedEvent::ConnectionStatus, kSmtpEventConnectionStatus},
    {SharedEvent::EndTransfer, kSmtpEventEndTransfer},
    {SharedEvent::Error, kSmtpEventError},
    {SharedEvent::ProtocolTrail, kSmtpEventPITrail},
    {SharedEvent::StartTransfer, kSmtpEventStartTransfer},
    {SharedEvent::Transfer, kSmtpEventTransfer},
};

SmtpEngine::SmtpEngine() : SmtpEngine(kSmtpEvents, kSmtpSharedEvents) {}

SmtpEngine::SmtpEngine(const SmtpEventNumbers& events, const EventTable& shared) : m_events(events)
{
    SetEventTable(shared);
    (void)Init();
    (void)SetEOL("\r\n", 2);
    SetLineMode(true);
    SetReplyRules(kCodedReply);
    SetProtocolErrorCode(kSmtpProtocolError);
    (void)SetRemotePort(25);
    (void)SetTimeout(60);
    (void)m_messageDate.AssignText("*");
    (void)m_messageId.AssignText("*");
}

SmtpEngine::~SmtpEngine() = default;

int SmtpEngine::Config(const ConfigArg& arg, const char** answer)
{
    if (arg.KeyIs("KeepQueue")) {
        if (arg.query)
            return AnswerBool(m_keepQueue, answer);
        m_keepQueue = ParseConfigBool(arg.value.CStr());
        return kResultOk;
    }
    if (arg.KeyIs("MaxHeaderLength")) {
        if (arg.query)
            return AnswerInt(m_headerWidth, answer);
        return SetConfigInt(arg, [this](int value) {
            if (value < 0 || value > 0xFFFF)
                return ConfigError();
            m_headerWidth = value;
            return kResultOk;
        });
    }
    if (arg.KeyIs("Hello")) {
        if (arg.query)
            return AnswerText(m_hello.CStr(), answer);
        if (HasLineBreak(arg.value.CStr()))
            return ConfigError();
        return m_hello.AssignText(arg.value.CStr());
    }
    return ProtocolClient::Config(arg, answer);
}

// Header values are kept as they go out: under CharsetMode 1 Shift-JIS runs
// become ISO-2022-JP encoded words (the subject word by word), and long
// values are folded at the header width. Folding turns line ends into
// blanks, so no value adds a header line of its own.
int SmtpEngine::SetHeaderText(NetString& field, const char* text, bool words)
{
    const bool japanese = CharsetMode() == 1;
    const uint32_t width = uint32_t(m_headerWidth);
    return words ? field.AssignEncodedWords(text, width, japanese) : field.AssignEncodedHeader(text, width, japanese);
}

int SmtpEngine::SetReadReceiptTo(const char* text)
{
    return SetHeaderText(m_readReceiptTo, text, false);
}

int SmtpEngine::SetDeliveryNotificationTo(const char* text)
{
    return SetHeaderText(m_deliveryNotificationTo, text, false);
}

int SmtpEngine::SetMessageText(const char* text)
{
    return AssignBodyText(m_messageText, text, text ? uint32_t(std::strlen(text)) : 0);
}

// Under CharsetMode 1 a body text is kept as it goes: Shift-JIS runs become
// ISO-2022-JP.
int SmtpEngine::AssignBodyText(NetStringBase& field, const char* text, uint32_t n)
{
    if (CharsetMode() != 1)
        return field.Assign(n, text ? text : "");
    NetString converted;
    const int rc = SjisBytesToJis(text ? text : "", n, converted);
    return rc == kResultOk ? field.Assign(converted.Length(), converted.Data()) : rc;
}

// "*" asks for a value made at send time; once made it is kept behind the
// "*" until the message has gone, so a get and the send agree.
const char* SmtpEngine::Generated(NetString& field, bool date)
{
    if (field.Length() == 0 || field[0] != '*')
        return field.CStr();
    if (field.Length() == 1) {
        NetString value;
        int rc;
        if (date) {
            SYSTEMTIME now;
            GetSystemTime(&now);
            const MailTime t = {now.wYear, now.wMonth, now.wDay, now.wDayOfWeek, now.wHour, now.wMinute, now.wSecond};
            rc = FormatMailDate(t, value);
        } else {
            rc = FormatMessageId(unsigned(reinterpret_cast<uintptr_t>(this)), unsigned(GetTickCount()),
                                 unsigned(reinterpret_cast<uintptr_t>(&m_headers)), ++g_messageIds, m_from.CStr(),
                                 value);
        }
        if (rc == kResultOk)
            rc = field.Append(value.Data(), value.Length());
        if (rc != kResultOk)
            return "";
    }
    return field.CStr() + 1;
}

const char* SmtpEngine::GetMessageDate()
{
    return Generated(m_messageDate, true);
}

const char* SmtpEngine::GetMessageId()
{
    return Generated(m_messageId, false);
}

int SmtpEngine::BuildHeaders()
{
    MailHeaderFields f{};
    f.sendTo = m_sendTo.CStr();
    f.from = m_from.CStr();
    f.subject = m_subject.CStr();
    f.replyTo = m_replyTo.CStr();
    f.date = Generated(m_messageDate, true);
    f.messageId = Generated(m_messageId, false);
    f.cc = m_cc.CStr();
    f.readReceiptTo = m_readReceiptTo.CStr();
    f.deliveryNotificationTo = m_deliveryNotificationTo.CStr();
    f.priority = m_priority;
    f.importance = m_importance;
    f.sensitivity = m_sensitivity;
    f.otherHeaders = m_otherHeaders.CStr();
    f.japanese = CharsetMode() == 1;
    return BuildMailHeaders(f, m_headers);
}

const char* SmtpEngine::MessageHeaders()
{
    return BuildHeaders() == kResultOk ? m_headers.CStr() : "";
}

void SmtpEngine::ClearMessageFields()
{
    m_from.Clear();
    m_sendTo.Clear();
    m_cc.Clear();
    m_bcc.Clear();
    m_replyTo.Clear();
    m_subject.Clear();
    m_otherHeaders.Clear();
    m_messageText.Clear();
    m_attachedFile.Clear();
    m_headers.Clear();
    m_readReceiptTo.Clear();
    m_deliveryNotificationTo.Clear();
    (void)m_messageDate.AssignText("*");
    (void)m_messageId.AssignText("*");
    m_priority = 0;
    m_importance = 0;
    m_sensitivity = 0;
}

// ---- Events ----

int SmtpEngine::FireText(int event, const char* text)
{
    if (event == 0)
        return 0;
    return Fire(event, {EventParam::Text(&text)});
}

void SmtpEngine::Trail(int direction, const char* text)
{
    if (m_events.trail == 0)
        return;
    Fire(m_events.trail, {EventParam::Int(&direction), EventParam::Text(&text)});
}

void SmtpEngine::FireSmtpError(int code, const char* text)
{
    (void)FireError(code, text);
}

void SmtpEngine::OnConnected(int code)
{
    ProtocolClient::OnConnected(code);
    if (code == 0) {
        Trail(2, "Connected.");
        return;
    }
    (void)FireErrorFor(kSmtpConnectionError, "Failed to connect: ", code);
}

void SmtpEngine::OnDisconnected(int code)
{
    ProtocolClient::OnDisconnected(code);
    if (code == 0) {
        Trail(2, "Disconnected.");
        return;
    }
    (void)FireErrorFor(kSmtpConnectionError, "Disconnected ", code);
}

void SmtpEngine::OnCommandLine(const char* line, uint32_t n)
{
    (void)m_lastCommand.Assign(n, line);
    Trail(0, m_lastCommand.CStr());
}

// Each reply line goes to the trail; the lines of an EXPN reply that lists
// addresses go to Expand as well (a refusal lists none).
ReplyReader::Hint SmtpEngine::OnReplyLine(const char* line, uint32_t n)
{
    if (m_line.Assign(n, line) != kResultOk)
        return ReplyReader::Hint::Rules;
    Trail(1, m_line.CStr());
    const bool continued = n >= 4 && line[3] == '-';
    if (m_expanding && (continued || (n > 0 && line[0] == '2'))) {
        uint32_t length = 0;
        const char* address = ReplyTextAfterCode(line, n, &length);
        NetString text;
        if (text.Assign(length, address) == kResultOk)
            FireText(m_events.expand, text.CStr());
    }
    return ReplyReader::Hint::Rules;
}

// ---- Actions ----

int SmtpEngine::BeginAction(int action)
{
    SetLastCode(0);
    SetLastErrorText("");
    if (m_action != kIdle) {
        SetLastErrorText("Busy performing current action.");
        return kSmtpBusy;
    }
    m_action = action;
    StartTimeout();
    return kResultOk;
}

int SmtpEngine::RunAction(int action)
{
    int rc = BeginAction(action);
    if (rc != kResultOk)
        return rc;
    rc = DoAction(action);
    EndAction();
    return rc;
}

int SmtpEngine::DoAction(int action)
{
    switch (action) {
    case kConnect:
        return ConnectAndGreet();
    case kDisconnect:
        return Quit();
    case kSend:
        return SendMessage("MAIL");
    case kSendSaml:
        return SendMessage("SAML");
    case kSendSoml:
        return SendMessage("SOML");
    case kSendSend:
        return SendMessage("SEND");
    case kReset:
        ClearMessageFields();
        return kResultOk;
    case kExpand:
        return ExpandOrVerify("EXPN");
    case kVerify:
        return ExpandOrVerify("VRFY");
    case kCommand: {
        int rc = ConnectAndGreet();
        return rc == kResultOk ? Command(m_command.CStr(), nullptr) : rc;
    }
    default:
        return kResultOk;
    }
}

int SmtpEngine::InterruptAction()
{
    Interrupt();
    return kResultOk;
}

void SmtpEngine::CloseNow()
{
    if (HasSocket())
        (void)SetConnected(false);
}

int SmtpEngine::SetConnectedState(bool on)
{
    if (on)
        return Connect();
    CloseNow();
    return kResultOk;
}

int SmtpEngine::SetCommand(const char* text)
{
    // The text is kept for the action; a running action's command stays its own.
    if (m_action != kIdle) {
        SetLastErrorText("Busy performing current action.");
        return kSmtpBusy;
    }
    int rc = m_command.AssignText(text);
    return rc == kResultOk ? RunAction(kCommand) : rc;
}

int SmtpEngine::Verify(const char* address)
{
    if (m_action != kIdle) {
        SetLastErrorText("Busy performing current action.");
        return kSmtpBusy;
    }
    int rc = m_sendTo.AssignText(address);
    return rc == kResultOk ? RunAction(kVerify) : rc;
}

// ---- Connecting ----

int SmtpEngine::ConnectAndGreet()
{
    if (IsConnected())
        return kResultOk;
    Trail(2, "Connecting to mail server.");
    if (m_hello.IsEmpty()) {
        const char* name = NetComponent::GetLocalHost();
        (void)m_hello.Assign(uint32_t(std::min<size_t>(std::strlen(name ? name : ""), 99)), name ? name : "");
    }
    int rc = TcpClient::Connect();
    if (rc != kResultOk)
        return rc;
    rc = Greet();
    if (rc == kResultOk)
        rc = Authenticate();
    // A session that could not be opened is not left half-open: the next
    // action connects anew instead of sending unauthenticated.
    if (rc != kResultOk)
        CloseNow();
    return rc;
}

int SmtpEngine::Greet()
{
    int rc = WaitForReply();
    if (rc == kResultOk)
        rc = CheckReply();
    if (rc != kResultOk)
        return rc;
    if (m_allowExtensions != 0) {
        rc = Exchange("EHLO", m_hello.CStr());
        if (rc != kSmtpProtocolError || !IsConnected())
            return rc;
    }
    return Exchange("HELO", m_hello.CStr());
}

int SmtpEngine::Authenticate()
{
    if (m_user.IsEmpty() || m_password.IsEmpty())
        return kResultOk;
    if (m_authMechanism == 0) {
        int rc = Exchange("AUTH", "LOGIN");
        NetString line;
        if (rc == kResultOk)
            rc = line.AppendBase64(m_user.Data(), m_user.Length(), false);
        if (rc == kResultOk)
            rc = Exchange(line.CStr(), nullptr);
        line.Clear();
        if (rc == kResultOk)
            rc = line.AppendBase64(m_password.Data(), m_password.Length(), false);
        return rc == kResultOk ? Exchange(line.CStr(), nullptr) : rc;
    }
    if (m_authMechanism == 1) {
        int rc = Exchange("AUTH", "CRAM-MD5");
        if (rc != kResultOk)
            return rc;
        uint32_t n = 0;
        const char* challenge = ReplyTextAfterBlank(Reply().FinalLine(), Reply().FinalLength(), &n);
        NetString text;
        if (text.Assign(n, challenge) != kResultOk)
            return kOutOfMemory;
        CramMd5 cram;
        const char* answer = cram.Response(text.CStr(), m_user.CStr(), m_password.CStr());
        return answer ? Exchange(answer, nullptr) : kOutOfMemory;
    }
    return kResultOk;
}

int SmtpEngine::Quit()
{
    if (!HasSocket()) {
        (void)DoEvents();
        return kResultOk;
    }
    int rc = IsConnected() ? Exchange("QUIT", nullptr) : kInterrupted;
    // The server may close first: a wait cut short by its close is the end we asked for.
    const bool ended = QuitEnded(rc);
    if (rc != kResultOk && !ended)
        Trail(2, "Forcing disconnection from mail server.");
    if (ended) {
        rc = kResultOk;
        SetLastErrorText("");
    }
    if (HasSocket() && TcpClient::Disconnect() != kResultOk)
        CloseNow();
    return rc;
}

// ---- Commands and data ----

// One command: to the server with its whole reply judged, or, while a
// message is queued, into the queue file as its line.
int SmtpEngine::Command(const char* command, const char* argument)
{
    if (!m_queueOut)
        return Exchange(command, argument);
    if (HasLineBreak(command) || HasLineBreak(argument)) {
        SetLastErrorText("Invalid character (CR or LF) in a command line.");
        return kSmtpProtocolError;
    }
    NetString line;
    int rc = line.AppendCStr(command);
    if (rc == kResultOk && argument && *argument) {
        rc = line.AppendChar(' ');
        if (rc == kResultOk)
            rc = line.AppendCStr(argument);
    }
    if (rc == kResultOk)
        rc = m_lastCommand.Assign(line.Length(), line.Data());
    if (rc == kResultOk)
        rc = line.Append("\r\n", 2);
    return rc == kResultOk ? Output(line.Data(), line.Length()) : rc;
}

int SmtpEngine::Output(const char* data, uint32_t n)
{
    if (!m_queueOut && m_gathering) {
        int rc = m_dataOut.Append(data, n);
        if (rc == kResultOk && m_dataOut.Length() >= kFileChunk) {
            rc = SendBytes(m_dataOut.Data(), m_dataOut.Length(), false);
            m_dataOut.Clear();
        }
        return rc;
    }
    if (!m_queueOut)
        return SendBytes(data, n, false);
    if (!m_queueOut->IsOpen())
        return kQueueNotOpen;
    if (m_queueOut->Write(data, n) != 0) {
        m_queueOut->Close();
        return kQueueWriteFailed;
    }
    return kResultOk;
}

int SmtpEngine::SendStuffed(const char* data, uint32_t n)
{
    if (n == 0)
        return kResultOk;
    // Whether the data so far ends in CR LF, the pair possibly split between pieces.
    const bool crBefore = n >= 2 ? data[n - 2] == '\r' : m_lastByteCr;
    m_dataEndsInLineEnd = data[n - 1] == '\n' && crBefore;
    m_lastByteCr = data[n - 1] == '\r';
    NetString stuffed;
    int rc = m_stuffer->Stuff(data, n, stuffed);
    return rc == kResultOk ? Output(stuffed.Data(), stuffed.Length()) : rc;
}

int SmtpEngine::SendMessage(const char* verb)
{
    if (m_from.IsEmpty()) {
        SetLastErrorText("Please specify a sender (From).");
        return kSmtpNoSender;
    }
    if (m_sendTo.IsEmpty()) {
        SetLastErrorText("Please specify a recipient (To).");
        return kSmtpNoRecipient;
    }
    const bool connectHere = !m_queueOut && !IsConnected();
    int rc = connectHere ? ConnectAndGreet() : kResultOk;
    if (rc == kResultOk)
        rc = Transaction(verb);
    if (connectHere && HasSocket()) {
        // The send's own result stands, whatever QUIT answers.
        NetString error;
        (void)error.AssignText(LastErrorText());
        (void)Quit();
        SetLastErrorText(error.CStr());
    }
    return rc;
}

int SmtpEngine::Transaction(const char* verb)
{
    // The attached file is opened before anything is sent: a file that
    // cannot be read must not leave a message cut short at the server.
    FileHandle attached;
    if (!m_attachedFile.IsEmpty() && attached.OpenRead(m_attachedFile.CStr(), 0) != 0) {
        SetLastErrorText("Can't open file for reading.");
        return kFileError;
    }
    int rc = m_queueOut ? kResultOk : Exchange("RSET", nullptr);
    NetString path;
    if (rc == kResultOk)
        rc = ReversePath(m_from.CStr(), path);
    NetString argument;
    if (rc == kResultOk)
        rc = argument.AppendCStr("FROM:<");
    if (rc == kResultOk)
        rc = argument.Append(path.Data(), path.Length());
    if (rc == kResultOk)
        rc = argument.AppendChar('>');
    if (rc == kResultOk)
        rc = Command(verb, argument.CStr());
    if (rc == kResultOk)
        rc = Recipients(m_sendTo.CStr(), true);
    if (rc == kResultOk)
        rc = Recipients(m_cc.CStr(), true);
    if (rc == kResultOk)
        rc = Recipients(m_bcc.CStr(), false);
    if (rc == kResultOk)
        rc = Command("DATA", nullptr);
    if (rc != kResultOk)
        return rc;

    DotStuffer stuffer;
    m_stuffer = &stuffer;
    m_dataEndsInLineEnd = false;
    m_lastByteCr = false;
    m_gathering = true;
    m_dataOut.Clear();
    rc = MessageData();
    if (rc == kResultOk && attached.IsOpen())
        rc = SendAttachedFile(attached);
    m_stuffer = nullptr;
    // The line end before "." belongs to the last line when the data ends in
    // one: a second would add an empty line to every such message.
    if (rc == kResultOk && !m_dataEndsInLineEnd)
        rc = Output("\r\n", 2);
    m_gathering = false;
    if (rc == kResultOk) {
        rc = m_queueOut ? Command(".", nullptr) : EndData();
        m_dataOut.Clear();
        return rc;
    }
    m_dataOut.Clear();
    // Whatever stopped the data, the message must not be taken as whole. A
    // server that refused it as it came (too large) and went has said why.
    if (!m_queueOut) {
        rc = RefusalBeforeClose(rc);
        CloseNow();
    }
    return rc;
}

// The last of the message and the final "." go out in one send: sent apart,
// the dot would wait for the server to acknowledge the data before it (the
// sender holds back a small segment while one is unacknowledged, and the
// server delays its acknowledgement while it has nothing to answer), which
// costs tens of milliseconds a message.
int SmtpEngine::EndData()
{
    OnCommandLine(".", 1);
    int rc = m_dataOut.Append(".\r\n", 3);
    if (rc == kResultOk)
        rc = SendCommand(m_dataOut.Data(), m_dataOut.Length());
    return rc == kResultOk ? CheckReply() : rc;
}

int SmtpEngine::Recipients(const char* list, bool refusalEnds)
{
    StringList addresses;
    int rc = SplitAddressList(list, addresses);
    for (uint32_t i = 0; i < addresses.Count() && rc == kResultOk; ++i) {
        NetString argument;
        rc = argument.AppendCStr("TO:<");
        if (rc == kResultOk)
            rc = argument.Append(addresses.Item(i), addresses.ItemLength(i));
        if (rc == kResultOk)
            rc = argument.AppendChar('>');
        if (rc == kResultOk)
            rc = Command("RCPT", argument.CStr());
        if (rc == kSmtpProtocolError && !refusalEnds && IsConnected()) {
            FireSmtpError(kSmtpProtocolError, Reply().FinalLine());
            SetLastErrorText("");
            rc = kResultOk;
        }
    }
    return rc;
}

int SmtpEngine::MessageData()
{
    int rc = BuildHeaders();
    // A generated date and identifier are this message's: the next gets new ones.
    if (m_messageDate.Length() > 0 && m_messageDate[0] == '*')
        (void)m_messageDate.AssignText("*");
    if (m_messageId.Length() > 0 && m_messageId[0] == '*')
        (void)m_messageId.AssignText("*");
    NetString headers;
    if (rc == kResultOk)
        rc = headers.Assign(m_headers.Length(), m_headers.Data());
    if (rc == kResultOk)
        rc = headers.Append("\r\n", 2);
    if (rc == kResultOk)
        rc = SendStuffed(headers.Data(), headers.Length());
    return rc == kResultOk ? SendText() : rc;
}

// The text goes out in chunks with the Transfer event after each. Each chunk
// is read afresh from the field, so a handler that changes the text during
// the send cannot leave the loop reading freed memory.
int SmtpEngine::SendText()
{
    if (m_messageText.IsEmpty())
        return kResultOk;
    if (m_events.startTransfer != 0)
        Fire(m_events.startTransfer, {});
    m_bodyTransfer = true;
    int rc = kResultOk;
    for (uint32_t sent = 0; sent < m_messageText.Length() && rc == kResultOk;) {
        const uint32_t n = std::min(kTextChunk, m_messageText.Length() - sent);
        NetString chunk;
        rc = chunk.Assign(n, m_messageText.Data() + sent);
        if (rc == kResultOk)
            rc = SendStuffed(chunk.Data(), n);
        sent += n;
        if (rc == kResultOk && m_events.transfer != 0) {
            std::intptr_t bytes = std::intptr_t(sent);
            Fire(m_events.transfer, {EventParam::IntPtr(&bytes)});
        }
    }
    m_bodyTransfer = false;
    if (rc == kResultOk && m_events.endTransfer != 0)
        Fire(m_events.endTransfer, {});
    return rc;
}

int SmtpEngine::SendAttachedFile(FileHandle& file)
{
    if (m_events.startTransfer != 0)
        Fire(m_events.startTransfer, {});
    m_bodyTransfer = true;
    std::unique_ptr<char[]> block(new char[kFileChunk]);
    int64_t sent = 0;
    int rc = kResultOk;
    for (;;) {
        uint32_t got = 0;
        if (file.Read(block.get(), kFileChunk, &got) != 0) {
            SetLastErrorText("Can't open file for reading.");
            rc = kFileError;
            break;
        }
        if (got == 0)
            break;
        rc = SendStuffed(block.get(), got);
        if (rc != kResultOk)
            break;
        sent += got;
        if (m_events.transfer != 0) {
            std::intptr_t bytes = std::intptr_t(sent);
            Fire(m_events.transfer, {EventParam::IntPtr(&bytes)});
        }
    }
    m_bodyTransfer = false;
    if (rc == kResultOk && m_events.endTransfer != 0)
        Fire(m_events.endTransfer, {});
    return rc;
}

// Only 250 names the mailbox (RFC 5321, 3.5.1): 251 and 252 are sentences
// ("Cannot VRFY user, but will accept message"), which SendTo must not take
// for addresses.
int SmtpEngine::ExpandOrVerify(const char* verb)
{
    int rc = ConnectAndGreet();
    m_expanding = CurrentAction() == kExpand;
    if (rc == kResultOk)
        rc = Command(verb, m_sendTo.CStr());
    m_expanding = false;
    if (rc == kResultOk && CurrentAction() == kVerify && Reply().Code() == 250) {
        uint32_t n = 0;
        const char* text = ReplyTextAfterCode(Reply().FinalLine(), Reply().FinalLength(), &n);
        NetString address;
        rc = address.Assign(n, text);
        if (rc == kResultOk)
            rc = m_sendTo.Assign(address.Length(), address.Data());
    }
    return rc;
}

// ---- The queue folder ----

// The name holds the component's address and the tick it is made in; a
// second message of the same tick takes the first free variant "a" to "z".
int SmtpEngine::CreateQueueFile(const char* folder, FileHandle& file)
{
    int rc = QueueFileName(folder, unsigned(reinterpret_cast<uintptr_t>(this)), unsigned(Now()), m_queueFile);
    if (rc != kResultOk)
        return rc;
    for (int i = -1; i < 26; ++i) {
        if (i >= 0)
            QueueFileVariant(m_queueFile, i);
        if (file.OpenNew(m_queueFile.CStr()) == 0)
            return kResultOk;
    }
    NetString text;
    (void)text.AssignText("Can't open queue file [");
    (void)text.AppendCStr(m_queueFile.CStr());
    (void)text.AppendCStr("].");
    SetLastErrorText(text.CStr());
    m_queueFile.Clear();
    return kFileError;
}

int SmtpEngine::Queue(const char* folder, const char** fileName)
{
    int rc = BeginAction(kQueue);
    if (rc != kResultOk)
        return rc;
    if (m_from.IsEmpty()) {
        SetLastErrorText("Please specify a sender (From).");
        rc = kSmtpNoSender;
    } else if (m_sendTo.IsEmpty()) {
        SetLastErrorText("Please specify a recipient (To).");
        rc = kSmtpNoRecipient;
    }
    FileHandle file;
    if (rc == kResultOk)
        rc = CreateQueueFile(folder, file);
    if (rc == kResultOk) {
        m_queueOut = &file;
        rc = Transaction("MAIL");
        m_queueOut = nullptr;
        file.Close();
        if (rc != kResultOk) {
            DeleteFileA(m_queueFile.CStr());
            m_queueFile.Clear();
        }
    }
    if (rc == kResultOk && fileName)
        *fileName = m_queueFile.CStr();
    EndAction();
    return rc;
}

int SmtpEngine::ProcessQueue(const char* folder)
{
    int rc = BeginAction(kProcessQueue);
    if (rc != kResultOk)
        return rc;
    NetString pattern;
    const char* f = folder ? folder : "";
    uint32_t n = uint32_t(std::strlen(f));
    while (n > 0 && (f[n - 1] == '\\' || f[n - 1] == '/'))
        --n;
    NetString base;
    rc = base.Append(f, n);
    if (rc == kResultOk)
        rc = base.AppendChar('\\');
    if (rc == kResultOk)
        rc = pattern.Assign(base.Length(), base.Data());
    if (rc == kResultOk)
        rc = pattern.AppendCStr("*.queued");
    // The names are listed first: the renames below must not disturb the listing.
    StringList names;
    if (rc == kResultOk) {
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA(pattern.CStr(), &found);
        if (search == INVALID_HANDLE_VALUE) {
            const DWORD error = GetLastError();
            if (error == ERROR_PATH_NOT_FOUND) {
                SetLastErrorText("Can't open queue folder");
                rc = kFileError;
            } else if (error != ERROR_FILE_NOT_FOUND && error != ERROR_NO_MORE_FILES) {
                SetLastErrorWithCode("Can't open queue file [", unsigned(error), "].");
                rc = kFileError;
            }
        } else {
            do {
                if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && rc == kResultOk)
                    rc = names.Add(found.cFileName);
            } while (FindNextFileA(search, &found));
            FindClose(search);
        }
    }
    if (rc == kResultOk && names.Count() > 0) {
        rc = ConnectAndGreet();
        for (uint32_t i = 0; i < names.Count() && rc == kResultOk; ++i) {
            NetString path;
            rc = path.Assign(base.Length(), base.Data());
            if (rc == kResultOk)
                rc = path.AppendCStr(names.Item(i));
            if (rc != kResultOk)
                break;
            NetString status;
            (void)status.AssignText("Processing queued message file: ");
            (void)status.AppendCStr(names.Item(i));
            Trail(2, status.CStr());
            rc = SendQueueFile(path.CStr());
        }
        NetString error;
        (void)error.AssignText(LastErrorText());
        (void)Quit();
        SetLastErrorText(error.CStr());
    }
    EndAction();
    return rc;
}

// One queued file: renamed while it is sent, then deleted (or kept as
// ".sent"), or renamed ".failed" when the server would not take it.
int SmtpEngine::SendQueueFile(const char* path)
{
    NetString sending;
    int rc = ReplaceExtension(path, "sending", sending);
    if (rc != kResultOk)
        return rc;
    rc = Exchange("RSET", nullptr);
    if (rc == kResultOk && !MoveFileA(path, sending.CStr())) {
        SetLastErrorWithCode("Can't open queue file [", unsigned(GetLastError()), "].");
        return kFileError;
    }
    FileHandle file;
    if (rc == kResultOk && file.OpenRead(sending.CStr(), 0) != 0) {
        SetLastErrorText("Can't open file for reading.");
        rc = kFileError;
    }
    // Command lines up to DATA, each with its reply; then the message as it stands.
    QueueLineReader lines;
    std::unique_ptr<char[]> block(new char[QueueLineReader::kMaxLine]);
    bool data = false;
    while (rc == kResultOk && !data) {
        const char* line = nullptr;
        uint32_t length = 0;
        const QueueLineReader::Result got = lines.Next(&line, &length);
        if (got == QueueLineReader::Result::Line) {
            rc = Exchange(line, nullptr);
            data = std::strcmp(line, "DATA") == 0;
            continue;
        }
        uint32_t read = 0;
        if (got == QueueLineReader::Result::TooLong || file.Read(block.get(), QueueLineReader::kMaxLine, &read) != 0 ||
            read == 0) {
            SetLastErrorText("Invalid queue file.");
            rc = kFileError;
        } else {
            rc = lines.Feed(block.get(), read);
        }
    }
    if (rc == kResultOk) {
        // The message in blocks of kFileChunk, its end with the final dot in
        // the last send (see EndData).
        uint32_t n = 0;
        const char* rest = lines.Rest(&n);
        NetString out;
        rc = out.Append(rest, n);
        for (uint32_t read = 1; rc == kResultOk && read > 0;) {
            if (out.Length() >= kFileChunk) {
                rc = SendBytes(out.Data(), out.Length(), false);
                out.Clear();
            } else if (file.Read(block.get(), QueueLineReader::kMaxLine, &read) != 0) {
                SetLastErrorText("Can't open file for reading.");
                rc = kFileError;
            } else {
                rc = out.Append(block.get(), read);
            }
        }
        if (rc == kResultOk) {
            rc = SendCommand(out.Data(), out.Length());
            if (rc == kResultOk)
                rc = CheckReply();
        } else {
            CloseNow();
        }
    }
    file.Close();
    if (rc != kResultOk) {
        NetString failed;
        if (ReplaceExtension(path, "failed", failed) == kResultOk)
            MoveFileA(sending.IsEmpty() || GetFileAttributesA(sending.CStr()) == INVALID_FILE_ATTRIBUTES
                          ? path
                          : sending.CStr(),
                      failed.CStr());
        Trail(2, "Error while sending queued file.");
        return rc;
    }
    Trail(2, "Queued message succesfully sent.");
    if (m_keepQueue) {
        NetString sent;
        if (ReplaceExtension(path, "sent", sent) == kResultOk)
            MoveFileA(sending.CStr(), sent.CStr());
        Trail(2, "Queue file extension changed to .sent");
    } else {
        DeleteFileA(sending.CStr());
        Trail(2, "Queue file deleted.");
    }
    return kResultOk;
}

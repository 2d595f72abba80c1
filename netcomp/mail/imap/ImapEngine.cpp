// Every action clears the last error, refuses to start while another runs
// (an event handler may only interrupt), logs in first when the connection
// is down, and sends its commands one at a time: a command goes out in
// pieces when it carries literals (each after the server's continuation
// request), then the untagged responses are dispatched by the current action
// until the tagged completion, which decides the result.
//
// The socket delivers raw bytes to the response reader
// (ImapEngineResponses.cpp). A wait ends when the response it waits for has
// come, when the reader refuses the stream (the connection is then closed:
// it is out of step), or with 301.
#include "netcomp/mail/imap/ImapEngine.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/core/text/CStringHelpers.h"
#include "netcomp/include/netcomp_imap.h"
#include "netcomp/mail/date/SystemZone.h"

namespace {

constexpr EventTable kImapEvents = {
    {SharedEvent::ConnectionStatus, kImapEventConnectionStatus},
    {SharedEvent::Error, kImapEventError},
    {SharedEvent::ProtocolTrail, kImapEventProtocolTrail},
};

constexpr uint32_t kReadBuffer = 256u << 10;

// What an action needs before it runs.
enum Needs { kNone = 0, kMailbox = 1, kMessageSet = 2 };

int NeedsOf(int action)
{
    switch (action) {
    case 9:
    case 10:
    case 12:
    case 13:
    case 14:
    case 22:
        return kMailbox;
    case 11:
    case 19:
    case 20:
    case 21:
    case 23:
    case 24:
    case 25:
    case 28:
    case 29:
        return kMailbox | kMessageSet;
    default:
        return kNone;
    }
}

} // namespace

ImapEngine::ImapEngine() : m_reader(*this), m_bodyLines(*this), m_dates(SystemZone())
{
    SetEventTable(kImapEvents);
    (void)Init();
    // Raw delivery: the line source cuts the lines, and literals arrive byte
    // for byte.
    (void)SetEOL("", 0);
    SetLineMode(false);
    (void)SetReadBufferSize(kReadBuffer);
    SetReplyRules(kSingleLineReply);
    SetProtocolErrorCode(kImapServerError);
    SetMaxReplyLine(ImapResponseReader::kMaxResponse);
    // The untagged responses of one reply are read one by one, not kept.
    SetMaxReplySize(0);
    (void)SetRemotePort(143);
    (void)SetTimeout(60);
    (void)m_mailbox.AssignText("Inbox");
}

int ImapEngine::Config(const ConfigArg& arg, const char** answer)
{
    if (arg.KeyIs("AutoDecodeParts")) {
        if (arg.query)
            return AnswerBool(m_autoDecode, answer);
        m_autoDecode = ParseConfigBool(arg.value.CStr());
        return kResultOk;
    }
    if (arg.KeyIs("MaxLiteralSize")) {
        const int rc = ConfigSize(arg, m_maxLiteral, 0, answer);
        m_reader.SetMaxLiteral(m_maxLiteral);
        return rc;
    }
    return TcpClient::Config(arg, answer);
}

int ImapEngine::DoAction(int action)
{
    SetLastErrorText("");
    if (m_action != 0 && action != 0) {
        SetLastErrorText("Busy performing current action.");
        return kImapBusy;
    }
    StartTimeout();
    if (action == 0) {
        if (m_action != 0)
            NetComponent::Interrupt();
        return kResultOk;
    }
    if (action < 0 || action > 32 || action == kSearchFetch) {
        SetLastErrorText("Invalid Action code");
        return kImapBadAction;
    }
    int rc = kResultOk;
    m_action = action;
    if (!IsConnected() && action != 2 && action != 3) {
        m_action = 2;
        rc = Login();
        m_action = action;
    }
    if (rc == kResultOk)
        rc = RunAction(action);
    m_action = 0;
    m_sorting = false;
    CloseLocalFile();
    if (rc == kInterrupted)
        SetLastErrorText("Interrupted");
    return rc;
}

int ImapEngine::RunAction(int action)
{
    const int needs = NeedsOf(action);
    if ((needs & kMailbox) && !m_selected) {
        SetLastErrorText("Please select a mailbox first.");
        return kImapNoMailbox;
    }
    if (action == 22 && m_partId.IsEmpty()) {
        SetLastErrorText("A valid PartId is required for this Action.");
        return kImapBadArgument;
    }
    if (needs & kMessageSet) {
        const int rc = SortStep();
        if (rc != kResultOk)
            return rc;
        if (m_messageSet.IsEmpty()) {
            SetLastErrorText("MessageSet cannot be empty for this Action.");
            return kImapBadArgument;
        }
    }
    ImapCommand* c = nullptr;
    switch (action) {
    case 1:
        return Run(NewCommand("NOOP"));
    case 2:
        return Login();
    case 3:
        return Logout();
    case 4:
    case 5: {
        m_mailboxFlags.Clear();
        m_messageCount = 0;
        m_recentCount = 0;
        m_selected = false;
        m_refusedCount.Clear();
        int rc = Simple(action == 4 ? "SELECT" : "EXAMINE", m_mailbox.CStr());
        if (rc == kResultOk && !m_refusedCount.IsEmpty()) {
            // What the server said of the mailbox cannot be told: none of it
            // is kept, and the mailbox is not taken as selected.
            SetLastErrorText(m_refusedCount.CStr());
            m_mailboxFlags.Clear();
            m_messageCount = 0;
            m_recentCount = 0;
            rc = kImapServerError;
        }
        m_selected = rc == kResultOk;
        return rc;
    }
    case 6:
        return Simple("CREATE", m_mailbox.CStr());
    case 7:
        return Simple("DELETE", m_mailbox.CStr());
    case 8:
        c = &NewCommand("RENAME");
        (void)c->String(m_mailbox.CStr());
        (void)c->String(m_newName.CStr());
        return Run(*c);
    case 9:
        return Search();
    case 10: {
        c = &NewCommand("APPEND");
        (void)c->String(m_mailbox.CStr());
        NetString flags;
        if (!m_message.flags.IsEmpty() && Flags(m_message.flags.CStr(), flags) == kResultOk)
            (void)c->Raw(flags.CStr());
        (void)c->Literal(m_text.Data(), m_text.Length());
        return Run(*c);
    }
    case 11:
    case 28: {
        c = &NewCommand("COPY", true);
        (void)c->Raw(m_messageSet.CStr());
        (void)c->String(m_mailbox.CStr());
        const int rc = Run(*c);
        return rc == kResultOk && action == 28 ? Store("+FLAGS", "(\\Deleted)") : rc;
    }
    case 12:
        return Run(NewCommand("CHECK"));
    case 13:
        return Run(NewCommand("EXPUNGE"));
    case 14: {
        const int rc = Run(NewCommand("CLOSE"));
        m_selected = false;
        return rc;
    }
    case 15:
    case 16:
        c = &NewCommand(action == 15 ? "LIST" : "LSUB");
        (void)c->Raw("");
        (void)c->String(m_mailbox.CStr());
        return Run(*c);
    case 17:
        return Simple("SUBSCRIBE", m_mailbox.CStr());
    case 18:
        return Simple("UNSUBSCRIBE", m_mailbox.CStr());
    case 19:
    case 20:
    case 21:
    case 22: {
        static const char* const kItems[][2] = {
            {"FULL", "FULL"}, {"RFC822.HEADER", "BODY.PEEK[HEADER]"}, {"RFC822.TEXT", "BODY.PEEK[TEXT]"}};
        NetString item;
        if (action == 22) {
            const int rc = PartItem(item);
            if (rc != kResultOk)
                return rc;
        } else if (item.AssignText(kItems[action - 19][m_peekMode ? 1 : 0]) != kResultOk) {
            return kOutOfMemory;
        }
        if (action == 20)
            m_headers.Clear();
        c = &NewCommand("FETCH", true);
        (void)c->Raw(m_messageSet.CStr());
        (void)c->Raw(item.CStr());
        return Run(*c);
    }
    case 23:
        return Store("FLAGS", m_message.flags.CStr());
    case 24:
        return Store("+FLAGS", m_message.flags.CStr());
    case 25:
        return Store("-FLAGS", m_message.flags.CStr());
    case 26:
        c = &NewCommand(m_command.CStr());
        return Run(*c);
    case 29:
        return Store("+FLAGS", "(\\Deleted)");
    case 30:
        c = &NewCommand("SETACL");
        (void)c->String(m_mailbox.CStr());
        (void)c->String(m_aclUser.CStr());
        (void)c->String(m_aclRights.CStr());
        return Run(*c);
    case 31:
        return Simple("GETACL", m_mailbox.CStr());
    case 32:
        c = &NewCommand("DELETEACL");
        (void)c->String(m_mailbox.CStr());
        (void)c->String(m_aclUser.CStr());
        return Run(*c);
    default:
        SetLastErrorText("Invalid Action code");
        return kImapBadAction;
    }
}

// A part of the message, and a range of it when StartByte or EndByte is
// set: from StartByte (1 when 0) through EndByte, or to the end of the part
// when EndByte is 0.
int ImapEngine::PartItem(NetStringBase& item)
{
    int rc = item.AssignText(m_peekMode ? "BODY.PEEK[" : "BODY[");
    if (rc == kResultOk)
        rc = item.AppendCStr(m_partId.CStr());
    if (rc == kResultOk)
        rc = item.AppendChar(']');
    if (rc != kResultOk || (m_startByte == 0 && m_endByte == 0))
        return rc;
    const int64_t first = m_startByte > 0 ? m_startByte : 1;
    if (m_endByte != 0 && m_endByte < first) {
        SetLastErrorText("EndByte cannot be below StartByte.");
        return kImapBadArgument;
    }
    const int64_t count = m_endByte == 0 ? 4294967295ll - (first - 1) : m_endByte - first + 1;
    char range[48];
    std::snprintf(range, sizeof range, "<%lld.%lld>", static_cast<long long>(first - 1), static_cast<long long>(count));
    return item.AppendCStr(range);
}

int ImapEngine::Flags(const char* flags, NetStringBase& out)
{
    if (!*flags)
        return out.AssignText("()");
    if (*flags == '(')
        return out.AssignText(flags);
    int rc = out.AssignText("(");
    if (rc == kResultOk)
        rc = out.AppendCStr(flags);
    return rc == kResultOk ? out.AppendChar(')') : rc;
}

int ImapEngine::Store(const char* change, const char* flags)
{
    NetString text;
    int rc = Flags(flags, text);
    if (rc != kResultOk)
        return rc;
    ImapCommand& c = NewCommand("STORE", true);
    (void)c.Raw(m_messageSet.CStr());
    (void)c.Raw(change);
    (void)c.Raw(text.CStr());
    return Run(c);
}

int ImapEngine::Simple(const char* verb, const char* mailbox)
{
    ImapCommand& c = NewCommand(verb);
    (void)c.String(mailbox);
    return Run(c);
}

// The message set in the order of SortCriteria: the untagged SORT answer
// replaces it. An empty set sorts every message.
int ImapEngine::SortStep()
{
    if (m_sortCriteria.IsEmpty())
        return kResultOk;
    NetString argument;
    int rc = argument.AssignText("(");
    if (rc == kResultOk)
        rc = argument.AppendCStr(m_sortCriteria.CStr());
    if (rc == kResultOk)
        rc = argument.AppendCStr(") UTF-8 ");
    if (rc == kResultOk)
        rc = argument.AppendCStr(m_messageSet.IsEmpty() ? "ALL" : m_messageSet.CStr());
    if (rc != kResultOk)
        return rc;
    ImapCommand& c = NewCommand("SORT", true);
    (void)c.Raw(argument.CStr());
    m_sorting = true;
    rc = Run(c);
    m_sorting = false;
    return rc;
}

int ImapEngine::Search()
{
    m_searchResult.Clear();
    ImapCommand& c = NewCommand("SEARCH", true);
    (void)c.Raw(m_searchCriteria.CStr());
    int rc = Run(c);
    if (rc != kResultOk)
        return rc;
    NetString found;
    if (found.Assign(m_searchResult.Length(), m_searchResult.Data()) != kResultOk)
        return kOutOfMemory;
    m_action = kSearchFetch;
    for (char* next = found.Data(); next && *next && rc == kResultOk;) {
        char* number = next;
        next = StrSplitAt(number, ',');
        ImapCommand& fetch = NewCommand("FETCH", true);
        (void)fetch.Raw(number);
        (void)fetch.Raw("FULL");
        rc = Run(fetch);
    }
    m_action = 9;
    return rc;
}

int ImapEngine::Login()
{
    int rc;
    if (!IsConnected()) {
        m_tagCounter = 0;
        Trail(2, "Connecting to IMAP server.");
        Expect(Wait::Greeting);
        if ((rc = TcpClient::Connect()) != kResultOk || (rc = Await()) != kResultOk)
            return rc;
        if (!GreetingAccepted()) {
            // The server refused the session ("* BYE") and is closing it:
            // the next action connects anew.
            (void)SetConnected(false);
            SetLastErrorText(m_greeting.CStr());
            return kImapServerError;
        }
    }
    if (m_authMechanism == 0) {
        ImapCommand& c = NewCommand("LOGIN");
        (void)c.String(m_user.CStr());
        (void)c.String(m_password.CStr());
        return Run(c);
    }
    if (m_authMechanism == 1) {
        ImapCommand& c = NewCommand("AUTHENTICATE");
        (void)c.Raw("CRAM-MD5");
        return Run(c);
    }
    return kResultOk;
}

int ImapEngine::Logout()
{
    if (!HasSocket())
        return kResultOk;
    if (IsConnected()) {
        // A server that answers with its BYE and closes has ended the
        // session as asked.
        const int rc = Run(NewCommand("LOGOUT"));
        if (rc != kResultOk && rc != kInterrupted && HasSocket())
            Trail(2, "Forcing disconnection from IMAP server.");
    }
    m_selected = false;
    StartTimeout();
    return TcpClient::Disconnect();
}

ImapCommand& ImapEngine::NewCommand(const char* verb, bool uidVerb)
{
    if (m_tagCounter >= 9990)
        m_tagCounter = 1;
    std::snprintf(m_tag, sizeof m_tag, "x%04d ", m_tagCounter++);
    m_commandLine.Start(m_tag, uidVerb && m_uidMode ? "UID " : "");
    (void)m_commandLine.Verb(verb); // a whole command for action 26: it cannot break the line either
    return m_commandLine;
}

int ImapEngine::Run(ImapCommand& command)
{
    int rc = command.Finish();
    if (rc == kImapBadArgument)
        SetLastErrorText("Invalid character (CR or LF) in a command argument.");
    if (rc != kResultOk)
        return rc;
    Trail(0, command.Trail());
    // Each piece but the last ends in a literal's announcement: the server
    // must ask for the literal before it goes.
    for (int i = 0; i < command.PieceCount(); ++i) {
        const bool last = i + 1 == command.PieceCount();
        uint32_t n = 0;
        const char* piece = command.Piece(i, &n);
        Expect(last ? Wait::Tagged : Wait::Continuation);
        if ((rc = SendAndAwait(piece, n)) != kResultOk)
            return rc;
        if (!last && m_continuation.IsEmpty())
            break;
    }
    while (m_tagged.IsEmpty()) {
        // A challenge of AUTHENTICATE CRAM-MD5 (RFC 2195); any other request
        // is answered with an empty line.
        const char* challenge = m_continuation.CStr() + (m_continuation.Length() > 1 ? 2 : 1);
        const char* answer =
            m_authMechanism == 1 && m_action == 2 ? m_cram.Response(challenge, m_user.CStr(), m_password.CStr()) : "";
        NetString line;
        if (!answer || line.AssignText(answer) != kResultOk || line.Append("\r\n", 2) != kResultOk)
            return kOutOfMemory;
        Expect(Wait::Tagged);
        if ((rc = SendAndAwait(line.Data(), line.Length())) != kResultOk)
            return rc;
    }
    // "tag OK" in any case, then the end or a blank.
    const char* t = m_tagged.CStr();
    const bool ok = m_tagged.Length() >= 8 && StrNICmp(t + 6, "OK", 2) == 0 && (t[8] == '\0' || t[8] == ' ');
    if (ok)
        return kResultOk;
    SetLastErrorText(t);
    return kImapServerError;
}

// The wait is set before the command goes: its answer may be read while a
// long command is still being sent.
void ImapEngine::Expect(Wait what)
{
    m_tagged.Clear();
    m_continuation.Clear();
    m_bye.Clear();
    m_readError = kResultOk;
    m_streamError = kResultOk;
    m_waitDone = false;
    SetWait(what);
}

// WaitForReply reads responses (OnReplyLine) until the one waited for, or a
// response that cannot be read: untagged responses are dispatched as they
// come.
int ImapEngine::Await()
{
    int rc = kResultOk;
    while (!m_waitDone && m_readError == kResultOk && rc == kResultOk)
        rc = WaitForReply();
    SetWait(Wait::Nothing);
    if (rc == kResultOk && m_readError != kResultOk) {
        rc = m_readError;
        if (*m_reader.ErrorText())
            SetLastErrorText(m_reader.ErrorText());
    }
    // A server that said BYE and closed has said why the wait ended.
    if (rc != kResultOk && rc != kInterrupted && !HasSocket() && !m_bye.IsEmpty()) {
        SetLastErrorText(m_bye.CStr());
        rc = kImapServerError;
    }
    // A response the reader or the line source refused leaves the stream out
    // of step: nothing later could be read right.
    if (rc == kImapServerError)
        (void)SetConnected(false);
    if (rc == kResultOk && m_streamError != kResultOk)
        rc = m_streamError;
    return rc;
}

// A server that refused a literal as it came (too large) or shut down while
// the command went out answered before it closed: a tagged completion or a
// BYE that came is the result, as it would have been after the send.
int ImapEngine::SendAndAwait(const char* data, uint32_t n)
{
    const int sent = SendBytes(data, n, false);
    if (sent != kResultOk && !IsPeerGone(sent))
        return sent;
    const int rc = Await();
    if (sent != kResultOk)
        EndWaitingClose();
    if (sent == kResultOk || rc == kImapServerError || (rc == kResultOk && !m_tagged.IsEmpty()))
        return rc;
    SetErrorFromCode(sent);
    return sent;
}

int ImapEngine::AddMessageFlags(const char* flags)
{
    if (m_action != 0)
        return DoAction(24); // busy: refused without touching the flags
    const int rc = m_message.flags.AssignText(flags);
    return rc == kResultOk ? DoAction(24) : rc;
}

int ImapEngine::DeleteMailboxAcl(const char* user)
{
    if (m_action != 0)
        return DoAction(32);
    const int rc = m_aclUser.AssignText(user);
    return rc == kResultOk ? DoAction(32) : rc;
}

int ImapEngine::SetMailboxAcl(const char* user, const char* rights)
{
    if (m_action != 0)
        return DoAction(30);
    int rc = m_aclUser.AssignText(user);
    if (rc == kResultOk)
        rc = m_aclRights.AssignText(rights);
    return rc == kResultOk ? DoAction(30) : rc;
}

int ImapEngine::RenameMailbox(const char* name)
{
    if (m_action != 0)
        return DoAction(8);
    const int rc = m_newName.AssignText(name);
    return rc == kResultOk ? DoAction(8) : rc;
}

// With AutoDecodeParts the body structure is read first (FETCH FULL), so
// that the part's transfer encoding is known.
int ImapEngine::FetchMessagePart()
{
    if (!m_autoDecode || m_action != 0)
        return DoAction(22);
    m_facts.decoding = ImapDecoding::None;
    const int rc = DoAction(19);
    return rc == kResultOk ? DoAction(22) : rc;
}

int ImapEngine::LocalizeDate(const char* text, const char** answer)
{
    return ::LocalizeDate(*this, m_dates, text, answer);
}

int ImapEngine::SetCommand(const char* text)
{
    if (m_action != 0)
        return DoAction(26);
    const int rc = m_command.AssignText(text);
    return rc == kResultOk ? DoAction(26) : rc;
}

int ImapEngine::SetConnectedState(bool on)
{
    if (on)
        return DoAction(2);
    m_selected = false;
    StartTimeout();
    return TcpClient::Disconnect();
}

int ImapEngine::SetUidMode(bool on)
{
    if (m_action != 0 && on != m_uidMode) {
        SetLastErrorText("UIDMode canot be changed while an action is being performed.");
        return kImapBusy;
    }
    m_uidMode = on;
    return kResultOk;
}

void ImapEngine::SetEndByte(int n)
{
    m_endByte = n;
    if (n != 0 && m_startByte == 0)
        m_startByte = 1;
}

const char* ImapEngine::Text(int property)
{
    switch (property) {
    case kImapMailbox:
        return m_mailbox.CStr();
    case kImapMailboxFlags:
        return m_mailboxFlags.CStr();
    case kImapMessageContentEncoding:
        return m_message.contentEncoding.CStr();
    case kImapMessageContentType:
        return m_message.contentType.CStr();
    case kImapMessageDate:
        return m_message.date.CStr();
    case kImapMessageInternalDate:
        return m_message.internalDate.CStr();
    case kImapMessageFlags:
        return m_message.flags.CStr();
    case kImapMessageFrom:
        return m_message.from.CStr();
    case kImapMessageHeaders:
        return m_headers.CStr();
    case kImapMessageNumber:
        return m_message.number.CStr();
    case kImapMessageInReplyTo:
        return m_message.inReplyTo.CStr();
    case kImapMessageIdHeader:
        return m_message.messageId.CStr();
    case kImapMessageReplyTo:
        return m_message.replyTo.CStr();
    case kImapMessageSender:
        return m_message.sender.CStr();
    case kImapMessageSet:
        return m_messageSet.CStr();
    case kImapMessageSubject:
        return m_message.subject.CStr();
    case kImapPartId:
        return m_partId.CStr();
    case kImapPassword:
        return m_password.CStr();
    case kImapSearchCriteria:
        return m_searchCriteria.CStr();
    case kImapSortCriteria:
        return m_sortCriteria.CStr();
    case kImapUser:
        return m_user.CStr();
    default:
        return "";
    }
}

// A set never frees what a running action reads: while one runs, the texts
// it uses stay as they are.
int ImapEngine::SetText(int property, const char* text)
{
    NetStringBase* field = nullptr;
    switch (property) {
    case kImapMailbox:
        field = &m_mailbox;
        break;
    case kImapMessageFlags:
        field = &m_message.flags;
        break;
    case kImapMessageHeaders:
        field = &m_headers;
        break;
    case kImapMessageSet:
        field = &m_messageSet;
        break;
    case kImapPartId:
        field = &m_partId;
        break;
    case kImapPassword:
        field = &m_password;
        break;
    case kImapSearchCriteria:
        field = &m_searchCriteria;
        break;
    case kImapSortCriteria:
        field = &m_sortCriteria;
        break;
    case kImapUser:
        field = &m_user;
        break;
    default:
        return kUnknownSetting;
    }
    if (m_action != 0) {
        SetLastErrorText("Busy performing current action.");
        return kImapBusy;
    }
    return field->AssignText(text);
}

// Given with a length, MessageText takes the bytes; without one, a text.
int ImapEngine::SetMessageText(const char* data, int length)
{
    if (m_action != 0) {
        SetLastErrorText("Busy performing current action.");
        return kImapBusy;
    }
    if (length <= 0 || !data)
        return m_text.AssignText(data);
    return m_text.Assign(uint32_t(length), data);
}

const char* ImapEngine::Address(int property, int index) const
{
    const StringList& list = property == kImapMessageBcc  ? m_message.bcc
                             : property == kImapMessageCc ? m_message.cc
                                                          : m_message.to;
    return index >= 0 ? list.Item(uint32_t(index)) : "";
}

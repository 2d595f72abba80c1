// Every action clears the last error, refuses to start while another runs
// (an event handler may only interrupt), connects and logs in first when it
// needs the connection, and ends idle on every way out. Replies carry
// three-digit codes; 2xx and 3xx are positive, any other reply is the error
// text with 181. The greeting is judged too: a server that refuses the
// reader (400, 502) refuses the connection.
//
// A time-out or an interruption leaves the rest of an answer on its way; the
// next command would read it as its reply, so the connection is closed then
// and the next action connects anew.
#include "netcomp/mail/nntp/NntpEngine.h"

#include <cstring>

#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/core/text/CStringHelpers.h"
#include "netcomp/core/text/TextEncodings.h"
#include "netcomp/include/netcomp_nntp.h"
#include "netcomp/mail/date/SystemZone.h"
#include "netcomp/mail/nntp/NntpLines.h"
#include "netcomp/mail/smtp/SmtpText.h"

namespace {

constexpr EventTable kNntpEvents = {
    {SharedEvent::ConnectionStatus, kNntpEventConnectionStatus},
    {SharedEvent::EndTransfer, kNntpEventEndTransfer},
    {SharedEvent::Error, kNntpEventError},
    {SharedEvent::Header, kNntpEventHeader},
    {SharedEvent::ProtocolTrail, kNntpEventProtocolTrail},
    {SharedEvent::StartTransfer, kNntpEventStartTransfer},
    {SharedEvent::Transfer, kNntpEventTransfer},
};

constexpr uint32_t kHeaderWidth = 80;
constexpr int kMaxNntpLine = 8192;

} // namespace

NntpEngine::NntpEngine() : m_dates(SystemZone())
{
    SetEventTable(kNntpEvents);
    (void)Init();
    (void)SetEOL("\r\n", 2);
    SetLineMode(true);
    (void)SetMaxLineSize(kMaxNntpLine);
    // Listings and articles come in bulk: reads of a larger buffer cost fewer calls.
    (void)SetReadBufferSize(kMaxLineSize);
    SetReplyRules(kCodedReply);
    SetProtocolErrorCode(kNntpServerError);
    (void)SetRemotePort(119);
    (void)SetTimeout(60);
    (void)m_newGroupsDate.AssignText("000101 000000");
    (void)m_overviewRange.AssignText("-");
    (void)m_searchRange.AssignText("-");
}

int NntpEngine::DoAction(int action)
{
    SetLastErrorText("");
    SetLastCode(0);
    if (m_busyAction != 0 && action != 0) {
        SetLastErrorText("Busy performing current action.");
        return kNntpBusy;
    }
    if (action == 0) {
        if (m_busyAction != 0)
            NetComponent::Interrupt();
        return kResultOk;
    }
    if (action < 0 || action > 14 || action == 13)
        return kResultOk;
    StartTimeout();
    m_busyAction = action;
    // A post that lacks what it needs is refused before anything is sent.
    int rc = action == 9 ? CheckPost() : kResultOk;
    // Resetting the article's fields is local; every other action talks to
    // the server and connects first.
    if (rc == kResultOk && action > 2 && action != 10 && !IsConnected())
        rc = Login();
    if (rc == kResultOk)
        rc = RunAction(action);
    m_listing = Listing::None;
    m_fetch = Fetch::None;
    if (rc == kInterrupted && HasSocket()) {
        StartTimeout();
        (void)TcpClient::Disconnect();
    }
    m_busyAction = 0;
    CloseLocalFile();
    return rc;
}

int NntpEngine::RunAction(int action)
{
    switch (action) {
    case 1:
        return Login();
    case 2:
        return Quit();
    case 3:
        return List("LIST", nullptr, Listing::Groups);
    case 4:
        return List("NEWGROUPS", m_newGroupsDate.CStr(), Listing::Groups);
    case 5:
        return List("XOVER", m_overviewRange.CStr(), Listing::Overview);
    case 6:
        ClearArticle();
        return Receive("ARTICLE", Fetch::Article);
    case 7:
        ClearArticle();
        return Receive("HEAD", Fetch::Head);
    case 8:
        return Receive("BODY", Fetch::Body);
    case 9:
        return Post();
    case 10:
        ClearArticle();
        return kResultOk;
    case 11: {
        NetString argument;
        const int rc =
            AppendAll(argument, {m_searchHeader.CStr(), " ", m_searchRange.CStr(), " ", m_searchPattern.CStr()});
        return rc == kResultOk ? List("XPAT", argument.CStr(), Listing::Search) : rc;
    }
    case 12:
        return SendCommand(m_command.CStr(), nullptr);
    default: // 14
        return SelectGroup();
    }
}

// Without a command only the reply is read (the greeting).
int NntpEngine::SendCommand(const char* command, const char* argument)
{
    if (command && *command)
        return Exchange(command, argument);
    StartTimeout();
    const int rc = WaitForReply();
    return rc == kResultOk ? CheckReply() : rc;
}

int NntpEngine::Login()
{
    int rc;
    if (!IsConnected()) {
        Trail(2, "Connecting to news server.");
        if ((rc = TcpClient::Connect()) != kResultOk)
            return rc;
        if ((rc = SendCommand(nullptr, nullptr)) != kResultOk) {
            // Refused (400, 502) or never greeted: no session to keep.
            StartTimeout();
            (void)TcpClient::Disconnect();
            return rc;
        }
    }
    if (!m_user.IsEmpty() && (rc = SendCommand("AUTHINFO USER", m_user.CStr())) != kResultOk)
        return rc;
    if (!m_password.IsEmpty())
        return SendCommand("AUTHINFO PASS", m_password.CStr());
    return kResultOk;
}

int NntpEngine::Quit()
{
    if (!HasSocket())
        return kResultOk;
    int rc = IsConnected() ? SendCommand("QUIT", nullptr) : kResultOk;
    if (QuitEnded(rc))
        rc = kResultOk;
    else if (rc != kResultOk)
        Trail(2, "Forcing disconnection from news server.");
    StartTimeout();
    (void)TcpClient::Disconnect();
    (void)DoEvents();
    return rc;
}

int NntpEngine::SelectGroup()
{
    const int rc = SendCommand("GROUP", m_currentGroup.CStr());
    if (rc != kResultOk)
        return rc;
    NntpGroupCounts counts;
    const bool read = ParseGroupReply(m_lastReply.CStr(), counts);
    m_articleCount = counts.count;
    m_firstArticle = counts.first;
    m_lastArticle = counts.last;
    if (!read) {
        // Numbers that are none are not the group's: the counts read 0 and
        // the group is not kept (SetCurrentGroup).
        SetLastErrorText(m_lastReply.CStr());
        return kNntpServerError;
    }
    return kResultOk;
}

int NntpEngine::List(const char* command, const char* argument, Listing listing)
{
    const int rc = SendCommand(command, argument);
    if (rc != kResultOk)
        return rc;
    m_listing = listing;
    return ReceiveList();
}

int NntpEngine::OnListLine(const char* line, uint32_t n)
{
    if (n == 0)
        return kResultOk;
    NetString copy;
    if (copy.Assign(n, line) != kResultOk)
        return kOutOfMemory;
    char* text = const_cast<char*>(copy.CStr());
    switch (m_listing) {
    case Listing::Groups: {
        NntpGroupLine group;
        SplitGroupLine(text, group);
        Fire(kNntpEventGroupList, {EventParam::Text(&group.name), EventParam::Int(&group.first),
                                   EventParam::Int(&group.last), EventParam::Bool(&group.canPost)});
        return kResultOk;
    }
    case Listing::Overview: {
        NntpOverviewLine o;
        SplitOverviewLine(text, o);
        NetString subject, from;
        if (CharsetMode() == 1) {
            if (subject.AppendDecodedHeader(o.subject) != kResultOk || from.AppendDecodedHeader(o.from) != kResultOk)
                return kOutOfMemory;
            o.subject = subject.CStr();
            o.from = from.CStr();
        }
        std::intptr_t bytes = std::intptr_t(o.bytes);
        Fire(kNntpEventGroupOverview,
             {EventParam::Int(&o.number), EventParam::Text(&o.subject), EventParam::Text(&o.from),
              EventParam::Text(&o.date), EventParam::Text(&o.messageId), EventParam::Text(&o.references),
              EventParam::IntPtr(&bytes), EventParam::Int(&o.lines), EventParam::Text(&o.rest)});
        return kResultOk;
    }
    case Listing::Search: {
        NntpSearchLine found;
        SplitSearchLine(text, found);
        Fire(kNntpEventGroupSearch, {EventParam::Int(&found.number), EventParam::Text(&found.rest)});
        return kResultOk;
    }
    default:
        return kResultOk;
    }
}

int NntpEngine::Receive(const char* command, Fetch fetch)
{
    const int rc = SendCommand(command, m_currentArticle.CStr());
    if (rc != kResultOk)
        return rc;
    m_fetch = fetch;
    m_lastField = nullptr;
    if (fetch == Fetch::Body) {
        m_textStuffed = false;
        return ReceiveBody(false);
    }
    return ReceiveMessage(m_keepHeaders, false);
}

int NntpEngine::OnHeaderField(const char* name, const char* value)
{
    NetString* field = nullptr;
    if (!*name)
        field = m_lastField;
    else if (StrICmp(name, "FROM") == 0)
        field = &m_from;
    else if (StrICmp(name, "REPLY-TO") == 0)
        field = &m_replyTo;
    else if (StrICmp(name, "NEWSGROUPS") == 0)
        field = &m_newsgroups;
    else if (StrICmp(name, "REFERENCES") == 0)
        field = &m_references;
    else if (StrICmp(name, "ORGANIZATION") == 0)
        field = &m_organization;
    else if (StrICmp(name, "SUBJECT") == 0)
        field = &m_subject;
    else if (StrICmp(name, "DATE") == 0)
        field = &m_date;
    else if (StrICmp(name, "MESSAGE-ID") == 0)
        field = &m_messageId;
    if (!*name) {
        // A folded line continues the last field, joined with one blank.
        if (!field)
            return kResultOk;
        return field->AppendChar(' ') == kResultOk ? field->AppendCStr(value) : kOutOfMemory;
    }
    m_lastField = field;
    return field ? field->AssignText(value) : kResultOk;
}

// The body starts (StartTransfer, the line count from 0) in ARTICLE and
// BODY; a HEAD ends at its "." with no body to announce.
int NntpEngine::OnMailBodyStart()
{
    if (m_fetch == Fetch::Head)
        return kResultOk;
    m_bodyLines = 0;
    if (m_keepText) {
        m_articleText.Clear();
        m_textStuffed = false;
    }
    return PopMailClient::OnMailBodyStart();
}

// Every line is reported; the text keeps the first MaxLines lines (0: all).
int NntpEngine::OnMailBodyLine(int64_t bytes, const char* line, uint32_t n, bool eol)
{
    if (m_keepText && (m_maxLines == 0 || m_bodyLines < m_maxLines)) {
        const int rc = KeepMessageLine(m_articleText, line, n, eol);
        if (rc != kResultOk)
            return rc;
    }
    if (eol)
        ++m_bodyLines;
    return PopMailClient::OnMailBodyLine(bytes, line, n, eol);
}

void NntpEngine::OnMessageGivenUp()
{
    if (m_fetch == Fetch::Body)
        m_articleText.Clear();
    else
        ClearArticle();
}

int NntpEngine::OnMailEnd()
{
    return m_fetch == Fetch::Head ? kResultOk : PopMailClient::OnMailEnd();
}

void NntpEngine::ClearArticle()
{
    m_from.Clear();
    m_replyTo.Clear();
    m_subject.Clear();
    m_newsgroups.Clear();
    m_references.Clear();
    m_organization.Clear();
    m_otherHeaders.Clear();
    m_articleText.Clear();
    m_textStuffed = true;
    m_attachedFile.Clear();
    m_messageId.Clear();
    m_date.Clear();
    m_bodyLines = 0;
    m_lastField = nullptr;
}

int NntpEngine::CheckPost()
{
    if (m_from.IsEmpty()) {
        SetLastErrorText("Please specify a sender (From).");
        return kNntpNoSender;
    }
    if (m_subject.IsEmpty()) {
        SetLastErrorText("Please specify a subject (Subject).");
        return kNntpNoSubject;
    }
    if (m_newsgroups.IsEmpty() && m_currentGroup.IsEmpty()) {
        SetLastErrorText("Please specify at least a newsgroup to post to (CurrentGroup or Newsgroups).");
        return kNntpNoGroup;
    }
    return kResultOk;
}

int NntpEngine::Post()
{
    const int rc = SendCommand("POST", nullptr);
    return rc == kResultOk ? SendPost() : rc;
}

// The article after the server's 340: headers, the empty line, the text and
// the attached file, each line that begins with "." stuffed, then the
// closing "." line, whose reply is the post's result.
int NntpEngine::SendPost()
{
    NetString head;
    int rc =
        AppendAll(head, {"From: ", m_from.CStr(), "\r\nSubject: ", m_subject.CStr(),
                         "\r\nNewsgroups: ", m_newsgroups.IsEmpty() ? m_currentGroup.CStr() : m_newsgroups.CStr()});
    if (rc == kResultOk && !m_replyTo.IsEmpty())
        rc = AppendAll(head, {"\r\nReply-To: ", m_replyTo.CStr()});
    if (rc == kResultOk && !m_references.IsEmpty())
        rc = AppendAll(head, {"\r\nReferences: ", m_references.CStr()});
    if (rc == kResultOk && !m_organization.IsEmpty())
        rc = AppendAll(head, {"\r\nOrganization: ", m_organization.CStr()});
    if (rc == kResultOk)
        rc = head.AppendCStr("\r\n");
    if (rc == kResultOk)
        rc = AppendWithOneLineEnd(head, m_otherHeaders.CStr());
    if (rc == kResultOk && CharsetMode() == 1 && !StrIStr(m_otherHeaders.CStr(), "Content-Type:"))
        rc = head.AppendCStr("Content-Type: text/plain; charset=iso-2022-jp\r\n");
    if (rc == kResultOk)
        rc = head.AppendCStr("\r\n");
    // The owner's other headers may hold a line "." that would end the
    // article there: the header block is stuffed like the text.
    NetString stuffedHead;
    if (rc == kResultOk)
        rc = stuffedHead.AssignDotStuffedBytes(head.Data(), head.Length());
    if (rc == kResultOk)
        rc = SendBytes(stuffedHead.Data(), stuffedHead.Length(), false);
    bool lineEnded = true;
    if (rc == kResultOk && !m_articleText.IsEmpty()) {
        // A fetched text is kept as it was read: it is stuffed on its way out.
        NetString stuffed;
        const NetString* text = &m_articleText;
        if (!m_textStuffed) {
            rc = stuffed.AssignDotStuffedBytes(m_articleText.Data(), m_articleText.Length());
            text = &stuffed;
        }
        Fire(SharedEvent::StartTransfer, {});
        if (rc == kResultOk)
            rc = SendBytes(text->Data(), text->Length(), true);
        if (rc == kResultOk) {
            std::intptr_t bytes = std::intptr_t(text->Length());
            const char* empty = "";
            char* none = const_cast<char*>(empty);
            bool eol = false;
            Fire(SharedEvent::Transfer,
                 {EventParam::IntPtr(&bytes), EventParam::Binary(&none, 0), EventParam::Bool(&eol)});
            lineEnded = text->Data()[text->Length() - 1] == '\n';
        }
        Fire(SharedEvent::EndTransfer, {});
    }
    if (rc == kResultOk && !m_attachedFile.IsEmpty()) {
        Fire(SharedEvent::StartTransfer, {});
        rc = SendFile(m_attachedFile.CStr(), true);
        Fire(SharedEvent::EndTransfer, {});
        lineEnded = false;
    }
    // A server that refused the article as it came and went has said why.
    if (rc != kResultOk)
        return RefusalBeforeClose(rc);
    // The closing "." must stand on a line of its own.
    if (!lineEnded && (rc = SendBytes("\r\n", 2, false)) != kResultOk)
        return rc;
    return SendCommand(".", nullptr);
}

int NntpEngine::OnUploadProgress(int64_t bytes)
{
    std::intptr_t count = std::intptr_t(bytes);
    char* none = const_cast<char*>("");
    bool eol = false;
    Fire(SharedEvent::Transfer, {EventParam::IntPtr(&count), EventParam::Binary(&none, 0), EventParam::Bool(&eol)});
    return kResultOk;
}

int NntpEngine::LocalizeDate(const char* text, const char** answer)
{
    return ::LocalizeDate(*this, m_dates, text, answer);
}

int NntpEngine::SetHeaderText(NetString& field, const char* text, bool words)
{
    const bool japanese = CharsetMode() == 1;
    const char* value = text ? text : "";
    return words ? field.AssignEncodedWords(value, kHeaderWidth, japanese)
                 : field.AssignEncodedHeader(value, kHeaderWidth, japanese);
}

int NntpEngine::SetFolded(NetString& field, const char* text)
{
    const char* value = text ? text : "";
    return field.AssignFolded(value, uint32_t(std::strlen(value)), kHeaderWidth);
}

// The text of a post: kept with every line that begins with "." doubled
// (and in ISO-2022-JP under CharsetMode 1).
int NntpEngine::SetArticleText(const char* text)
{
    const char* value = text ? text : "";
    m_textStuffed = true;
    if (CharsetMode() != 1)
        return m_articleText.AssignDotStuffed(value);
    NetString converted;
    const int rc = SjisBytesToJis(value, uint32_t(std::strlen(value)), converted);
    return rc == kResultOk ? m_articleText.AssignDotStuffedBytes(converted.Data(), converted.Length()) : rc;
}

void NntpEngine::FetchForRead(int action, bool& keep)
{
    if (!IsConnected() || m_currentArticle.IsEmpty() || m_busyAction != 0)
        return;
    keep = true;
    const int rc = DoAction(action);
    keep = false;
    if (rc != kResultOk)
        SetLastCode(CheckResult(rc));
}

const char* NntpEngine::ArticleHeaders()
{
    MessageHeaders().Clear();
    FetchForRead(7, m_keepHeaders);
    return MessageHeaders().CStr();
}

const char* NntpEngine::GetArticleText()
{
    if (IsConnected() && !m_currentArticle.IsEmpty() && m_busyAction == 0) {
        m_articleText.Clear();
        FetchForRead(8, m_keepText);
    }
    return m_articleText.CStr();
}

int NntpEngine::SetCommand(const char* text)
{
    const int rc = m_command.AssignText(text);
    return rc == kResultOk ? DoAction(12) : rc;
}

int NntpEngine::SetConnectedState(bool on)
{
    if (on)
        return DoAction(1);
    StartTimeout();
    return TcpClient::Disconnect();
}

int NntpEngine::SetCurrentArticle(const char* text)
{
    MessageHeaders().Clear();
    m_articleText.Clear();
    m_textStuffed = true;
    return m_currentArticle.AssignText(text);
}

// A group the server refuses is not kept; one whose GROUP timed out is.
int NntpEngine::SetCurrentGroup(const char* text)
{
    MessageHeaders().Clear();
    m_articleText.Clear();
    m_textStuffed = true;
    if (HasLineBreak(text)) {
        m_currentGroup.Clear();
        SetLastErrorText("Invalid character (CR or LF) in a command line.");
        return kNntpServerError;
    }
    int rc = m_currentGroup.AssignText(text);
    if (rc != kResultOk || m_currentGroup.IsEmpty())
        return rc;
    rc = DoAction(14);
    if (rc != kResultOk && rc != kInterrupted)
        m_currentGroup.Clear();
    return rc;
}

// A completed connect or a clean close is a status line of the trail; a
// failed one, or a close with an error, is an Error event (182).
void NntpEngine::OnConnected(int code)
{
    PopMailClient::OnConnected(code);
    TrailConnection(code, true, kNntpConnectError);
}

void NntpEngine::OnDisconnected(int code)
{
    PopMailClient::OnDisconnected(code);
    TrailConnection(code, false, kNntpConnectError);
}

// The stream comes in as raw bytes: the stream reader's cutter turns them
// into pieces (header, stanzas, end of stream), and only once the bytes of a
// read are parsed are the pieces dispatched, so events never run inside the
// parser. An event may pump messages (a request made from inside it waits);
// the reads that brings nest, and their pieces are dispatched in order where
// they arrive. A wait takes the stanza it waits for (its reply, the stream
// features, the next SASL answer) as it is dispatched, keeping its text, so
// stanzas that follow cannot overwrite it in the stanza reader.
#include "netcomp/mail/xmpp/XmppEngine.h"

#include <cstring>

#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/core/text/CStringHelpers.h"
#include "netcomp/include/netcomp_xmpp.h"
#include "netcomp/mail/xmpp/XmppStanza.h"

namespace {

constexpr EventTable kXmppEvents = {
    {SharedEvent::Connected, kXmppEventConnected},
    {SharedEvent::ConnectionStatus, kXmppEventConnectionStatus},
    {SharedEvent::Disconnected, kXmppEventDisconnected},
    {SharedEvent::Error, kXmppEventError},
};

const char kSaslNamespace[] = "urn:ietf:params:xml:ns:xmpp-sasl";

const char* CodeText(int code)
{
    switch (code) {
    case kXmppProtocolError:
        return "Jabber protocol error";
    case kXmppConnectFailed:
        return "Cannot complete connection";
    case kXmppAuthFailed:
        return "Cannot complete authorization";
    case kXmppHashFailed:
        return "Cannot encrypt password";
    case kXmppUserWhileConnected:
        return "Cannot change user during a connection";
    case kXmppResourceWhileConnected:
        return "Cannot change resource during a connection";
    case kXmppInvalidXml:
        return "XML data is invalid";
    case kXmppBadIndex:
        return "Array index out of bounds";
    case kXmppServerDisconnected:
        return "Server disconnected";
    default:
        return "General unspecified error";
    }
}

} // namespace

// ---- Message fields ----

int XmppEngine::MessageField::Set(const char* text)
{
    int rc = m_outgoing.AssignText(text);
    return rc == kResultOk ? m_shown.AssignText(text) : rc;
}

int XmppEngine::MessageField::Receive(const std::string& text)
{
    return m_shown.Assign(uint32_t(text.size()), text.data());
}

void XmppEngine::MessageField::Clear()
{
    m_shown.Clear();
    m_outgoing.Clear();
}

// ---- Set-up and properties ----

XmppEngine::XmppEngine()
{
    SetEventTable(kXmppEvents);
    (void)Init();
    SetHoldReplies(false);
    // The stream arrives raw; a read takes what a busy stream has waiting.
    (void)SetReadBufferSize(65536);
    (void)SetTimeout(20);
    (void)SetRemotePort(5222);
    (void)m_resource.AssignText("Tessarine XMPP Agent");
    (void)m_status.AssignText("Available for Chat.");
    // The server this machine runs, when the owner names no other.
    (void)SetServer("localhost");
}

XmppEngine::~XmppEngine() = default;

int XmppEngine::Config(const ConfigArg& arg, const char** answer)
{
    if (arg.KeyIs("MessageXML")) {
        if (!arg.query)
            return ConfigError();
        return AnswerText(m_lastStanza.CStr(), answer);
    }
    return TcpClient::Config(arg, answer);
}

int XmppEngine::Fail(int code, const char* detail)
{
    NetString text;
    int rc = text.AppendCStr(CodeText(code));
    if (rc == kResultOk && detail && *detail)
        rc = AppendAll(text, {" (", detail, ")"});
    if (rc == kResultOk)
        rc = text.AppendChar('.');
    SetLastErrorText(rc == kResultOk ? text.CStr() : CodeText(code));
    return code;
}

void XmppEngine::SetStream(Stream state)
{
    m_stream = state;
    if (state <= Stream::Connected)
        m_features = false;
}

std::string XmppEngine::NextId()
{
    const std::string id = RequestId(++m_requestCounter);
    (void)m_lastId.AssignText(id.c_str());
    return id;
}

void XmppEngine::Trace(int direction, const char* text)
{
    Fire(kXmppEventProtocolTrace, {EventParam::Int(&direction), EventParam::Text(&text)});
}

int XmppEngine::CheckBuddyIndex(int index)
{
    return index >= 1 && index <= BuddyCount() ? kResultOk : Fail(kXmppBadIndex, "Invalid Buddy index");
}

// BuddySubscription reads -1 for a bad index, with the index error to read.
int XmppEngine::CheckBuddyRead(int index, IndexUse use)
{
    return use == IndexUse::Access ? kResultOk : CheckBuddyIndex(index);
}

const char* XmppEngine::BuddyGroup(int index) const
{
    return m_buddies.Item(uint32_t(index - 1), XmppBuddyList::kGroups);
}

const char* XmppEngine::BuddyId(int index) const
{
    return m_buddies.Item(uint32_t(index - 1), XmppBuddyList::kJid);
}

int XmppEngine::BuddySubscription(int index)
{
    if (CheckBuddyIndex(index) == kResultOk)
        return m_buddies.Subscription(uint32_t(index - 1));
    SetLastCode(kXmppBadIndex);
    return -1;
}

int XmppEngine::SetBuddyGroup(int index, const char* groups)
{
    const uint32_t row = uint32_t(index - 1);
    const std::string jid = m_buddies.Item(row, XmppBuddyList::kJid);
    const std::string name = m_buddies.Item(row, XmppBuddyList::kName);
    return Add(jid.c_str(), name.c_str(), groups);
}

int XmppEngine::SetConnectedState(bool on)
{
    return on ? Connect(m_user.CStr(), m_password.CStr()) : Disconnect();
}

int XmppEngine::SetServer(const char* text)
{
    int rc = SetRemoteHost(text);
    return rc == kResultOk ? m_server.AssignText(text) : rc;
}

int XmppEngine::SetMessageType(int type)
{
    if (type < 0 || type > 4)
        return Fail(kXmppBadIndex, "MessageType must be between 0 and 4");
    m_messageType = type;
    return kResultOk;
}

int XmppEngine::SetPresence(int code)
{
    if (code < 0 || code > 4)
        return Fail(kXmppBadIndex, "Presence must be between 0 and 4");
    m_presence = code;
    return LoggedIn() ? SendPresence() : kResultOk;
}

int XmppEngine::SetStatusText(const char* text)
{
    int rc = m_status.AssignText(text);
    if (rc == kResultOk && LoggedIn())
        rc = SendPresence();
    return rc;
}

int XmppEngine::SetResource(const char* text)
{
    if (IsConnected())
        return Fail(kXmppResourceWhileConnected, nullptr);
    return m_resource.AssignText(text);
}

int XmppEngine::SetUser(const char* text)
{
    if (IsConnected())
        return Fail(kXmppUserWhileConnected, nullptr);
    return m_user.AssignText(text);
}

int XmppEngine::SetUserInfoCount(int count)
{
    if (count < 0 || count > kMaxUserInfo)
        return Fail(kXmppBadIndex, "Count must be beteen 0 and 13");
    int rc = m_infoNames.SetCount(uint32_t(count));
    return rc == kResultOk ? m_infoValues.SetCount(uint32_t(count)) : rc;
}

int XmppEngine::CheckUserInfoIndex(int index)
{
    return index >= 1 && index <= UserInfoCount() ? kResultOk : Fail(kXmppBadIndex, "Invalid UserInfo index.");
}

int XmppEngine::SetUserInfoFieldAt(int index, const char* name)
{
    return m_infoNames.SetItem(uint32_t(index - 1), name ? name : "");
}

int XmppEngine::SetUserInfoValueAt(int index, const char* value)
{
    return m_infoValues.SetItem(uint32_t(index - 1), value ? value : "");
}

int XmppEngine::SetUserInfoField(const char* name, const char* value)
{
    for (uint32_t i = 0; i < m_infoNames.Count(); ++i) {
        if (StrICmp(m_infoNames.Item(i), name ? name : "") == 0)
            return m_infoValues.SetItem(i, value ? value : "");
    }
    if (UserInfoCount() >= kMaxUserInfo)
        return Fail(kXmppBadIndex, "Count must be beteen 0 and 13");
    int rc = m_infoNames.Add(name ? name : "");
    return rc == kResultOk ? m_infoValues.Add(value ? value : "") : rc;
}

// ---- Sending and waiting ----

// A text that is not well-formed XML on its own would break the stream for
// everything after it; it is refused with the parser's code and text.
int XmppEngine::CheckXml(const std::string& text)
{
    m_checkReader.Start();
    int rc = m_checkReader.InputBytes(text.data(), uint32_t(text.size()));
    if (rc == kResultOk)
        rc = m_checkReader.FinishParse(true);
    if (rc != kResultOk)
        SetLastErrorText(m_checkReader.LastErrorText());
    m_checkReader.Start();
    return rc;
}

int XmppEngine::Send(const std::string& text)
{
    const int rc = CheckXml(text);
    return rc == kResultOk ? SendUnchecked(text) : rc;
}

int XmppEngine::SendUnchecked(const std::string& text)
{
    if (m_ended != kResultOk)
        return TakeEnded();
    m_pending = 0;
    m_lastStanza.Clear();
    if (!IsConnected())
        return Fail(kXmppServerDisconnected, nullptr);
    Trace(0, text.c_str());
    // A send that finds the connection reset first delivers what the server
    // said before it: a server ends the stream with its reason (a stream
    // error) and closes, and the rest of what was sent to it resets the
    // connection.
    const int rc = SendBytes(text.data(), uint32_t(text.size()), false);
    return rc != kResultOk && m_ended != kResultOk ? TakeEnded() : rc;
}

// A read notification that went missing would leave a stanza unread until
// the server sends the next one: the socket is read now and then as well.
void XmppEngine::PollSocket()
{
    const DWORD now = Now();
    if (!HasSocket() || now - m_lastPoll < 200)
        return;
    m_lastPoll = now;
    ReadNow();
}

int XmppEngine::DoEvents()
{
    const int rc = NetComponent::DoEvents();
    PollSocket();
    return rc;
}

int XmppEngine::WaitRound()
{
    PollSocket();
    if (WaitStep(10, m_window))
        return kResultOk;
    if (std::strcmp(LastErrorText(), "Timeout.") == 0)
        SetResultText("Timeout.");
    return kInterrupted;
}

void XmppEngine::Arm(Capture capture)
{
    m_reply.Clear();
    m_taken = false;
    m_capture = capture;
}

// Waits until the armed capture has its stanza, a stanza left a pending
// result, the connection drops, or the time is up.
int XmppEngine::Await()
{
    int rc = kResultOk;
    while (!m_taken && m_pending == kResultOk && rc == kResultOk)
        rc = IsConnected() ? WaitRound() : Fail(kXmppServerDisconnected, nullptr);
    m_capture = Capture::None;
    if (rc == kResultOk && !m_taken)
        rc = PendingResult();
    return rc;
}

// The pending result as the call's result, with its text; what the end of
// the session left is returned with it, and only then.
int XmppEngine::PendingResult()
{
    SetLastErrorText(m_pendingText.CStr());
    m_ended = kResultOk;
    return m_pending;
}

void XmppEngine::EndSession(int code, const char* text)
{
    if (m_ended != kResultOk)
        return;
    m_ended = code;
    (void)m_endedText.AssignText(text);
}

// The call after the end of the session returns its result, once; the one
// after that logs in again. A server that sent its stream error and kept the
// connection has ended the stream all the same: the connection goes too.
int XmppEngine::TakeEnded()
{
    const int rc = m_ended;
    const NetString text(m_endedText);
    if (HasSocket()) {
        SetStream(Stream::Connected);
        StartTimeout();
        (void)TcpClient::Disconnect();
    }
    m_ended = kResultOk;
    SetLastErrorText(text.CStr());
    return rc;
}

int XmppEngine::Request(const std::string& text)
{
    if (m_capture != Capture::None) {
        SetLastErrorText("Busy performing current action.");
        return 143;
    }
    Arm(Capture::Reply);
    int rc = Send(text);
    if (rc != kResultOk) {
        m_capture = Capture::None;
        return rc;
    }
    StartTimeout();
    rc = Await();
    return rc == kResultOk ? JudgeReply() : rc;
}

int XmppEngine::ParseReply()
{
    const int rc = ParseStanza(m_stanzaReader.Parser(), m_reply.Data(), m_reply.Length());
    return rc == kResultOk ? kResultOk : Fail(kXmppInvalidXml, "The reply cannot be read");
}

int XmppEngine::JudgeReply()
{
    int rc = ParseReply();
    if (rc != kResultOk)
        return rc;
    const XmppStanzaTop top = ReadStanzaTop(m_stanzaReader.Parser());
    return top.type == "error" ? ServerError() : kResultOk;
}

// The error child of the stanza in the stanza reader: 620 with its code and
// text as the detail.
int XmppEngine::ServerError()
{
    std::string detail;
    if (!ReadStanzaError(m_stanzaReader.Parser(), detail)) {
        SetLastErrorText("Unspecified error from server.");
        return kXmppProtocolError;
    }
    return Fail(kXmppProtocolError, detail.c_str());
}

// ---- What the server sends ----

int XmppEngine::ProcessData(const char* data, uint32_t n, bool)
{
    if (m_stream < Stream::Opened)
        return kResultOk;
    const int rc = m_streamReader.InputBytes(data, n);
    if (rc != kResultOk) {
        const char* why =
            *m_streamReader.Cutter().ErrorText() ? m_streamReader.Cutter().ErrorText() : m_streamReader.LastErrorText();
        m_pending = Fail(kXmppInvalidXml, why);
        (void)m_pendingText.AssignText(LastErrorText());
    }
    DispatchPending();
    if (rc != kResultOk) {
        // Nothing after a piece that cannot be read belongs anywhere.
        EndSession(kXmppInvalidXml, m_pendingText.CStr());
        FireError(kXmppInvalidXml, m_pendingText.CStr());
        (void)SetConnected(false);
    }
    return kResultOk;
}

void XmppEngine::DispatchPending()
{
    XmppStreamCutter::Piece piece;
    while (m_streamReader.Cutter().Next(piece))
        Dispatch(piece);
}

void XmppEngine::Dispatch(XmppStreamCutter::Piece& piece)
{
    switch (piece.kind) {
    case XmppStreamCutter::Kind::StreamStart:
        Trace(1, piece.text.c_str());
        m_mechanism.Clear();
        (void)m_streamId.AssignText(piece.id.c_str());
        m_features = piece.version1;
        SetStream(Stream::HeaderReceived);
        break;
    case XmppStreamCutter::Kind::StreamEnd: {
        Trace(1, piece.text.c_str());
        SetStream(Stream::Connected);
        // A stream error that came before keeps its result.
        const int rc = TcpClient::Disconnect();
        if (m_pending == kResultOk)
            m_pending = rc;
        break;
    }
    case XmppStreamCutter::Kind::Stanza:
        DispatchStanza(piece.text);
        break;
    }
}

void XmppEngine::DispatchStanza(const std::string& text)
{
    (void)m_lastStanza.Assign(uint32_t(text.size()), text.data());
    Trace(1, text.c_str());
    // Nothing after a stream error belongs to the session.
    if (m_ended != kResultOk)
        return;
    XmlParser& parser = m_stanzaReader.Parser();
    if (ParseStanza(parser, text.data(), uint32_t(text.size())) != kResultOk) {
        m_pending = Fail(kXmppInvalidXml, "A stanza from the server cannot be read");
        (void)m_pendingText.AssignText(LastErrorText());
        return;
    }
    const XmppStanzaTop top = ReadStanzaTop(parser);
    if (top.name == "stream:error") {
        // The server's reason for ending the stream (RFC 6120, 4.9): the
        // result of a wait under way, else of the next call, and the reason
        // the connection closes once the stream's end comes.
        NetString error;
        (void)AppendAll(error, {"Server-defined error: ", ReadStreamErrorCondition(parser).c_str(), "."});
        (void)m_pendingText.AssignText(error.CStr());
        SetLastErrorText(error.CStr());
        m_pending = kXmppProtocolError;
        EndSession(kXmppProtocolError, error.CStr());
        FireError(kXmppProtocolError, error.CStr());
        return;
    }
    const bool taken = (m_capture == Capture::Reply && top.id == m_lastId.CStr()) || m_capture == Capture::NextStanza ||
                       (m_capture == Capture::Sasl && top.uri == kSaslNamespace);
    if (taken) {
        (void)m_reply.Assign(uint32_t(text.size()), text.data());
        m_capture = Capture::None;
        m_taken = true;
        return;
    }
    if (top.localName == "presence")
        OnPresence();
    else if (top.localName == "message")
        OnMessage(text);
    else if (top.localName == "iq") {
        if (top.childCount > 0 && top.firstChild == "query" && top.firstChildUri == "jabber:iq:roster")
            OnRoster();
        else {
            const char* xml = text.c_str();
            Fire(kXmppEventIq, {EventParam::Text(&xml)});
        }
    }
}

void XmppEngine::OnPresence()
{
    const XmppIncomingPresence p = ReadPresence(m_stanzaReader.Parser());
    if (p.type == "error") {
        m_pending = ServerError();
        (void)m_pendingText.AssignText(LastErrorText());
        return;
    }
    const XmppJid from = SplitJid(p.from.c_str());
    if (p.type == "subscribe") {
        const char* user = from.user.c_str();
        const char* domain = from.domain.c_str();
        int accept = 1;
        Fire(kXmppEventSubscriptionRequest,
             {EventParam::Text(&user), EventParam::Text(&domain), EventParam::Int(&accept, true)});
        if (accept != 0) {
            if (SendSubscription(p.from.c_str(), "subscribed") == kResultOk)
                (void)Send("<presence to='" + XmlText(p.from.c_str()) + "'/>");
        } else {
            (void)SendSubscription(p.from.c_str(), "unsubscribed");
        }
        return;
    }
    const char* user = from.user.c_str();
    const char* domain = from.domain.c_str();
    const char* resource = from.resource.c_str();
    int code = p.code;
    const char* status = p.status.c_str();
    Fire(kXmppEventPresence, {EventParam::Text(&user), EventParam::Text(&domain), EventParam::Text(&resource),
                              EventParam::Int(&code), EventParam::Text(&status)});
}

// The thread, subject and other children of the message read back through
// their properties, but only what the owner sets goes out with the next
// message.
void XmppEngine::OnMessage(const std::string& text)
{
    const XmppIncomingMessage m = ReadMessage(m_stanzaReader.Parser(), text.c_str());
    m_messageType = m.type;
    (void)m_thread.Receive(m.thread);
    (void)m_subject.Receive(m.subject);
    (void)m_otherData.Receive(m.other);
    const XmppJid from = SplitJid(m.from.c_str());
    const char* user = from.user.c_str();
    const char* domain = from.domain.c_str();
    const char* resource = from.resource.c_str();
    const char* body = m.text.c_str();
    const char* html = m.html.c_str();
    Fire(kXmppEventMessageIn, {EventParam::Text(&user), EventParam::Text(&domain), EventParam::Text(&resource),
                               EventParam::Text(&body), EventParam::Text(&html)});
}

// A roster push (RFC 3921, 7.4), or a result nobody waits for: the buddy
// list takes the items; a push is acknowledged.
void XmppEngine::OnRoster()
{
    const XmppStanzaTop top = ReadStanzaTop(m_stanzaReader.Parser());
    std::vector<XmppRosterItem> items;
    const char* why = "";
    const auto full = [this] {
        NetString text;
        if (AppendAll(text, {CodeText(kXmppProtocolError), " (", XmppBuddyList::kFullDetail, ")."}) == kResultOk)
            FireError(kXmppProtocolError, text.CStr());
    };
    if (ReadRoster(m_stanzaReader.Parser(), items, &why) != kResultOk) {
        m_pending = Fail(kXmppInvalidXml, why);
        (void)m_pendingText.AssignText(LastErrorText());
        return;
    }
    if (top.type == "result") {
        if (m_buddies.Assign(items) == kXmppProtocolError)
            full();
        return;
    }
    // Only the server speaks for the roster (RFC 6121, 2.1.6): a push from
    // anyone else is not taken.
    const std::string own = std::string(m_user.CStr()) + "@" + m_server.CStr();
    if (top.type != "set" || !(top.from.empty() || StrICmp(top.from.c_str(), own.c_str()) == 0))
        return;
    for (const XmppRosterItem& item : items) {
        int row = -1;
        const int rc = m_buddies.Apply(item, &row);
        if (rc == kXmppProtocolError)
            full();
        if (rc == kResultOk && row >= 0) {
            int index = row + 1;
            Fire(kXmppEventBuddyUpdate, {EventParam::Int(&index)});
        }
    }
    (void)Send(IqResult(top.id));
}

void XmppEngine::OnDisconnected(int code)
{
    SetStream(Stream::Closed);
    // A session the server ended with a reason closes for that reason.
    if (m_ended != kResultOk) {
        SetLastErrorText(m_endedText.CStr());
        code = m_ended;
    }
    TcpClient::OnDisconnected(code);
}

// The session: opening the stream, the login, the roster, presence and
// subscriptions, messages and registration. Each method reads in order:
// send, wait for the reply, read it. Methods that need a session log in
// first with User and Password.
//
// The login is the legacy jabber:iq:auth exchange (XEP-0078). A SASL
// mechanism the server offers is announced (RFC 3920, 6), and since the
// client carries no SASL exchange, a challenge is answered with <abort/>
// and the server's <failure/> ends the attempt before the legacy login.
#include <cstring>
#include <vector>

#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/core/text/CStringHelpers.h"
#include "netcomp/core/text/CodePageText.h"
#include "netcomp/include/netcomp_xmpp.h"
#include "netcomp/mail/xmpp/XmppEngine.h"
#include "netcomp/mail/xmpp/XmppStanza.h"

namespace {

std::string Text(const char* text)
{
    return text ? text : "";
}

} // namespace

void XmppEngine::Begin()
{
    SetLastErrorText("");
    SetLastCode(0);
}

std::string XmppEngine::OwnJid() const
{
    return Wire(m_user.CStr()) + "@" + Wire(m_server.CStr()) + "/" + Wire(m_resource.CStr());
}

// The stream is UTF-8 (RFC 3920, 11.5). The owner's text that is UTF-8
// already goes as it is; any other is a Windows program's text in its ANSI
// code page (or in the one CodePage names) and is converted. A text that
// does not convert is left to the escaping, which writes each odd byte as a
// character reference.
std::string XmppEngine::Wire(const char* text) const
{
    if (!text || IsUtf8Text(text))
        return Text(text);
    const UINT page = CodePage() > 0 ? UINT(CodePage()) : CP_ACP;
    std::string out;
    return RecodeText(text, page, 0, CP_UTF8, out) ? out : std::string(text);
}

int XmppEngine::EnsureLoggedIn()
{
    if (m_ended != kResultOk)
        return TakeEnded();
    return LoggedIn() ? kResultOk : Connect(m_user.CStr(), m_password.CStr());
}

// ---- Login ----

int XmppEngine::Connect(const char* user, const char* password)
{
    // A login of the owner's starts afresh after a session that ended.
    if (m_ended != kResultOk)
        (void)TakeEnded();
    Begin();
    if (LoggedIn())
        return !user || Text(user) == m_user.CStr() ? kResultOk : Fail(kXmppUserWhileConnected, nullptr);
    // An argument not given keeps what User or Password holds.
    int rc = user ? m_user.AssignText(user) : kResultOk;
    if (rc == kResultOk && password)
        rc = m_password.AssignText(password);
    if (rc != kResultOk)
        return rc;
    m_pending = kResultOk;
    StartTimeout();
    m_checkReader.Start();
    rc = Login();
    if (rc == kResultOk && m_pending != kResultOk) {
        rc = m_pending;
        const NetString text(m_pendingText);
        (void)Disconnect();
        SetLastErrorText(text.CStr());
    }
    return rc;
}

int XmppEngine::Login()
{
    int rc = kResultOk;
    if (m_stream < Stream::HeaderReceived) {
        rc = OpenStream();
        if (rc == kResultOk)
            rc = NegotiateSasl();
        if (rc != kResultOk)
            return rc;
    }
    rc = Authenticate();
    if (rc != kResultOk)
        return rc;
    SetStream(Stream::LoggedIn);
    if (m_features) {
        Trace(2, "Initiating IM session.");
        rc = Request(SessionRequest(NextId()));
        if (rc != kResultOk)
            return rc;
    }
    Trace(2, "Retrieving roster (buddy list).");
    rc = RetrieveRoster();
    if (rc != kResultOk)
        return rc;
    Trace(2, "Setting status to 'available'.");
    rc = Send("<presence/>");
    if (rc == kResultOk)
        rc = SendPresence();
    if (rc != kResultOk)
        return rc;
    FireConnected(0, "Login Complete.");
    return kResultOk;
}

// Connects, sends the stream header and waits for the server's; with a
// version 1.0 stream, reads the features that follow it and chooses the SASL
// mechanism to announce.
int XmppEngine::OpenStream()
{
    Trace(2, "Connecting to server.");
    int rc = ConnectTo(m_server.CStr(), GetRemotePort());
    if (rc != kResultOk)
        return rc;
    SetStream(Stream::Connected);
    Trace(2, "Opening XML streams.");
    m_streamReader.Start();
    m_mechanism.Clear();
    Arm(Capture::NextStanza);
    SetStream(Stream::Opened);
    rc = SendUnchecked(StreamHeader(Wire(m_server.CStr()).c_str()));
    while (rc == kResultOk && m_stream < Stream::HeaderReceived) {
        if (m_pending != kResultOk) {
            rc = PendingResult();
        } else {
            rc = IsConnected() ? WaitRound() : Fail(kXmppServerDisconnected, nullptr);
        }
    }
    if (rc != kResultOk || !m_features) {
        m_capture = Capture::None;
        return rc;
    }
    rc = Await();
    if (rc == kResultOk)
        rc = ParseReply();
    if (rc != kResultOk)
        return rc;
    if (ReadStanzaTop(m_stanzaReader.Parser()).name != "stream:features")
        return Fail(kXmppInvalidXml, "The stream features are missing");
    std::string mechanism;
    bool startTls = false;
    rc = ReadFeatures(m_stanzaReader.Parser(), mechanism, startTls);
    return rc == kResultOk ? m_mechanism.AssignText(mechanism.c_str()) : Fail(rc, nullptr);
}

int XmppEngine::NegotiateSasl()
{
    if (!m_features || m_mechanism.IsEmpty()) {
        Trace(2, "No SASL mechanism to be used.");
        return kResultOk;
    }
    Trace(2, "Negotiating SASL auth mechanism.");
    Arm(Capture::Sasl);
    int rc = Send(SaslAuth(m_mechanism.CStr()));
    if (rc == kResultOk)
        rc = Await();
    if (rc == kResultOk)
        rc = ParseReply();
    if (rc == kResultOk && ReadStanzaTop(m_stanzaReader.Parser()).localName == "challenge") {
        Arm(Capture::Sasl);
        rc = Send(SaslAbort());
        if (rc == kResultOk)
            rc = Await();
        if (rc == kResultOk)
            rc = ParseReply();
    }
    m_capture = Capture::None;
    if (rc != kResultOk)
        return rc;
    if (ReadStanzaTop(m_stanzaReader.Parser()).localName == "success")
        return Fail(kXmppAuthFailed, "The server ended SASL with success, without credentials");
    NetString text;
    (void)AppendAll(text, {"SASL mechanism ", m_mechanism.CStr(), " not completed; legacy authentication follows."});
    Trace(2, text.CStr());
    return kResultOk;
}

int XmppEngine::Authenticate()
{
    Trace(2, "Authenticating.");
    const std::string user = Wire(m_user.CStr()), password = Wire(m_password.CStr());
    int rc = Request(AuthQuery(NextId(), user.c_str()));
    if (rc != kResultOk)
        return rc;
    const XmppFields asked = ReadQueryFields(m_stanzaReader.Parser());
    for (const auto& field : asked) {
        if (field.first == "digest" && LoginDigest(m_streamId.CStr(), password.c_str()).empty())
            return Fail(kXmppHashFailed, nullptr);
    }
    const std::string id = NextId();
    return Request(
        AuthAnswer(id, asked, user.c_str(), password.c_str(), Wire(m_resource.CStr()).c_str(), m_streamId.CStr()));
}

// A stream without a login, for registration.
int XmppEngine::EnsureStream()
{
    if (m_ended != kResultOk)
        return TakeEnded();
    if (m_stream >= Stream::HeaderReceived)
        return kResultOk;
    StartTimeout();
    m_checkReader.Start();
    return OpenStream();
}

int XmppEngine::Disconnect()
{
    Begin();
    m_ended = kResultOk;
    if (IsConnected() && m_stream >= Stream::Opened) {
        if (LoggedIn())
            (void)Send("<presence type='unavailable'/>");
        (void)SendUnchecked(kStreamEnd);
    }
    SetStream(Stream::Connected);
    StartTimeout();
    const int rc = TcpClient::Disconnect();
    SetStream(Stream::Closed);
    return rc;
}

// ---- Roster ----

int XmppEngine::RetrieveRoster()
{
    Begin();
    int rc = EnsureLoggedIn();
    if (rc == kResultOk)
        rc = Request(RosterQuery(NextId()));
    if (rc != kResultOk)
        return rc;
    std::vector<XmppRosterItem> items;
    const char* why = "";
    rc = ReadRoster(m_stanzaReader.Parser(), items, &why);
    if (rc != kResultOk)
        return Fail(rc, why);
    rc = m_buddies.Assign(items);
    if (rc == kXmppProtocolError)
        return Fail(rc, XmppBuddyList::kFullDetail);
    if (rc == kResultOk)
        Fire(kXmppEventRosterReceived, {});
    return rc;
}

int XmppEngine::Add(const char* jid, const char* name, const char* groups)
{
    Begin();
    int rc = EnsureLoggedIn();
    return rc == kResultOk ? Request(RosterItem(NextId(), Wire(jid).c_str(), Wire(name).c_str(), Wire(groups).c_str()))
                           : rc;
}

// Without a group, the buddy goes: first the subscriptions in either
// direction, then the roster item. With one, only that group goes.
int XmppEngine::Remove(const char* jid, const char* name, const char* group)
{
    Begin();
    int rc = EnsureLoggedIn();
    if (rc != kResultOk)
        return rc;
    const int row = m_buddies.Find(Wire(jid).c_str());
    if (row < 0)
        return kResultOk;
    if (group && *group) {
        const std::string groups = m_buddies.Item(uint32_t(row), XmppBuddyList::kGroups);
        std::string kept;
        std::size_t start = 0;
        while (start <= groups.size()) {
            std::size_t comma = groups.find(',', start);
            if (comma == std::string::npos)
                comma = groups.size();
            const std::string piece = groups.substr(start, comma - start);
            if (!piece.empty() && StrICmp(piece.c_str(), Wire(group).c_str()) != 0)
                kept += (kept.empty() ? "" : ",") + piece;
            start = comma + 1;
        }
        return Add(jid, name, kept.c_str());
    }
    const int subscription = m_buddies.Subscription(uint32_t(row));
    if (subscription == 2 || subscription == 3)
        rc = SendSubscription(jid, "unsubscribed");
    if (rc == kResultOk && (subscription == 1 || subscription == 3))
        rc = SendSubscription(jid, "unsubscribe");
    return rc == kResultOk ? Request(RosterRemoval(NextId(), OwnJid().c_str(), Wire(jid).c_str())) : rc;
}

// ---- Presence and subscriptions ----

int XmppEngine::SendPresence()
{
    return Send(PresenceStanza(m_presence, Wire(m_status.CStr()).c_str()));
}

int XmppEngine::SendSubscription(const char* jid, const char* type)
{
    return Send(SubscriptionStanza(Wire(jid).c_str(), type));
}

int XmppEngine::ChangePresence(int code, const char* status)
{
    Begin();
    if (code < 0 || code > 4)
        return Fail(kXmppBadIndex, "Presence must be between 0 and 4");
    m_presence = code;
    const int rc = m_status.AssignText(status);
    if (rc != kResultOk)
        return rc;
    // A login sends the presence itself.
    return LoggedIn() ? SendPresence() : EnsureLoggedIn();
}

int XmppEngine::ProbePresence(const char* jid)
{
    Begin();
    int rc = EnsureLoggedIn();
    return rc == kResultOk ? Send(ProbeStanza(Wire(jid).c_str())) : rc;
}

int XmppEngine::SubscribeTo(const char* jid)
{
    Begin();
    int rc = EnsureLoggedIn();
    return rc == kResultOk ? SendSubscription(jid, "subscribe") : rc;
}

int XmppEngine::UnsubscribeTo(const char* jid)
{
    Begin();
    int rc = EnsureLoggedIn();
    return rc == kResultOk ? SendSubscription(jid, "unsubscribe") : rc;
}

int XmppEngine::Cancel(const char* jid)
{
    Begin();
    int rc = EnsureLoggedIn();
    return rc == kResultOk ? SendSubscription(jid, "unsubscribed") : rc;
}

// ---- Messages and commands ----

int XmppEngine::SendMessage(const char* jid)
{
    Begin();
    int rc = EnsureLoggedIn();
    if (rc != kResultOk)
        return rc;
    const std::string to = Wire(jid), from = OwnJid(), server = Wire(m_server.CStr());
    const std::string thread = Wire(m_thread.Outgoing()), subject = Wire(m_subject.Outgoing());
    const std::string text = Wire(m_text.Outgoing()), html = Wire(m_html.Outgoing());
    const std::string other = Wire(m_otherData.Outgoing());
    XmppOutgoingMessage m{to.c_str(),      from.c_str(), server.c_str(), m_messageType, thread.c_str(),
                          subject.c_str(), text.c_str(), html.c_str(),   other.c_str()};
    rc = Send(MessageStanza(m));
    for (MessageField* field : {&m_otherData, &m_thread, &m_subject, &m_html, &m_text})
        field->Clear();
    return rc;
}

int XmppEngine::SendCommand(const char* xml)
{
    Begin();
    int rc = IsConnected() ? kResultOk : EnsureLoggedIn();
    return rc == kResultOk ? Send(Wire(xml)) : rc;
}

// ---- Registration (XEP-0077) ----

int XmppEngine::QueryRegister(const char* server)
{
    Begin();
    int rc = EnsureStream();
    if (rc == kResultOk)
        rc = Request(RegisterQuery(NextId(), Wire(server && *server ? server : m_server.CStr()).c_str()));
    if (rc != kResultOk)
        return rc;
    for (const auto& [name, text] : ReadQueryFields(m_stanzaReader.Parser())) {
        if (name == "instructions")
            continue;
        rc = SetUserInfoField(name.c_str(), text.c_str());
        if (rc != kResultOk)
            return rc;
    }
    return kResultOk;
}

int XmppEngine::Register(const char* server)
{
    Begin();
    int rc = EnsureStream();
    if (rc != kResultOk)
        return rc;
    XmppFields fields;
    for (uint32_t i = 0; i < m_infoNames.Count(); ++i)
        fields.emplace_back(Wire(m_infoNames.Item(i)), Wire(m_infoValues.Item(i)));
    return Request(RegisterRequest(NextId(), Wire(server && *server ? server : m_server.CStr()).c_str(), fields));
}

int XmppEngine::Unregister()
{
    Begin();
    int rc = EnsureLoggedIn();
    return rc == kResultOk ? Request(UnregisterRequest(NextId(), Wire(m_server.CStr()).c_str())) : rc;
}

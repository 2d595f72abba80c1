#pragma once
// The XMPP instant-messaging client: opens the XML stream to the server,
// logs in with the legacy jabber:iq:auth exchange, keeps the roster as a
// buddy list, and turns incoming presence, message and iq stanzas into
// events; its methods send messages, presence, subscriptions and roster
// changes and register accounts. A request waits in wait steps for the reply
// with its id while the calling thread's messages keep flowing.
#include <cstdint>
#include <string>

#include "netcomp/core/tcp/TcpClient.h"
#include "netcomp/core/text/NetString.h"
#include "netcomp/core/text/StringList.h"
#include "netcomp/mail/xmpp/XmppBuddyList.h"
#include "netcomp/mail/xmpp/XmppText.h"
#include "netcomp/mail/xmpp/XmppXmlReader.h"

class XmppEngine : public TcpClient {
public:
    static constexpr int kMaxUserInfo = 13;

    XmppEngine();
    ~XmppEngine() override;

    [[nodiscard]] int Config(const ConfigArg& arg, const char** answer) override;

    // Properties; indexes are 1-based.
    int BuddyCount() const { return int(m_buddies.Count()); }
    [[nodiscard]] int CheckBuddyIndex(int index);
    const char* BuddyGroup(int index) const;
    [[nodiscard]] int SetBuddyGroup(int index, const char* groups);
    const char* BuddyId(int index) const;
    [[nodiscard]] int CheckBuddyRead(int index, IndexUse use);
    int BuddySubscription(int index);
    bool GetConnected() const { return IsConnected(); }
    [[nodiscard]] int SetConnectedState(bool on);
    int GetServerPort() const { return GetRemotePort(); }
    [[nodiscard]] int SetServerPort(int port) { return SetRemotePort(port); }
    const char* GetServer() const { return m_server.CStr(); }
    [[nodiscard]] int SetServer(const char* text);
    const char* GetMessageHtml() const { return m_html.Shown(); }
    [[nodiscard]] int SetMessageHtml(const char* text) { return m_html.Set(text); }
    const char* GetMessageSubject() const { return m_subject.Shown(); }
    [[nodiscard]] int SetMessageSubject(const char* text) { return m_subject.Set(text); }
    const char* GetMessageText() const { return m_text.Shown(); }
    [[nodiscard]] int SetMessageText(const char* text) { return m_text.Set(text); }
    const char* GetMessageThread() const { return m_thread.Shown(); }
    [[nodiscard]] int SetMessageThread(const char* text) { return m_thread.Set(text); }
    int GetMessageType() const { return m_messageType; }
    [[nodiscard]] int SetMessageType(int type);
    const char* GetMessageOtherData() const { return m_otherData.Shown(); }
    [[nodiscard]] int SetMessageOtherData(const char* text) { return m_otherData.Set(text); }
    const char* GetPassword() const { return m_password.CStr(); }
    [[nodiscard]] int SetPassword(const char* text) { return m_password.AssignText(text); }
    int GetPresence() const { return m_presence; }
    [[nodiscard]] int SetPresence(int code);
    const char* GetResource() const { return m_resource.CStr(); }
    [[nodiscard]] int SetResource(const char* text);
    const char* GetStatusText() const { return m_status.CStr(); }
    [[nodiscard]] int SetStatusText(const char* text);
    int TimeoutSeconds() const { return int(GetTimeout()); }
    [[nodiscard]] int SetTimeoutSeconds(int seconds) { return SetTimeout(seconds < 0 ? 0u : unsigned(seconds)); }
    const char* GetUser() const { return m_user.CStr(); }
    [[nodiscard]] int SetUser(const char* text);
    int UserInfoCount() const { return int(m_infoNames.Count()); }
    [[nodiscard]] int SetUserInfoCount(int count);
    [[nodiscard]] int CheckUserInfoIndex(int index);
    const char* UserInfoField(int index) const { return m_infoNames.Item(uint32_t(index - 1)); }
    [[nodiscard]] int SetUserInfoFieldAt(int index, const char* name);
    const char* UserInfoValue(int index) const { return m_infoValues.Item(uint32_t(index - 1)); }
    [[nodiscard]] int SetUserInfoValueAt(int index, const char* value);

    // Methods.
    [[nodiscard]] int Add(const char* jid, const char* name, const char* groups);
    [[nodiscard]] int Cancel(const char* jid);
    [[nodiscard]] int ChangePresence(int code, const char* status);
    [[nodiscard]] int Connect(const char* user, const char* password);
    [[nodiscard]] int Disconnect();
    [[nodiscard]] int ProbePresence(const char* jid);
    [[nodiscard]] int QueryRegister(const char* server);
    [[nodiscard]] int Register(const char* server);
    [[nodiscard]] int Remove(const char* jid, const char* name, const char* group);
    [[nodiscard]] int RetrieveRoster();
    [[nodiscard]] int SendCommand(const char* xml);
    [[nodiscard]] int SendMessage(const char* jid);
    [[nodiscard]] int SetUserInfoField(const char* name, const char* value);
    [[nodiscard]] int SubscribeTo(const char* jid);
    [[nodiscard]] int Unregister();
    [[nodiscard]] int UnsubscribeTo(const char* jid);
    // One wait step of 20 ms that lets pending notifications run.
    [[nodiscard]] int DoEvents();

protected:
    int ProcessData(const char* data, uint32_t n, bool eolFound) override;
    void OnDisconnected(int code) override;

private:
    // Where the stream stands (RFC 3920, 4): the TCP connection, our header
    // sent, the server's header read, the login done.
    enum class Stream { Closed, Connected, Opened, HeaderReceived, LoggedIn };
    // What the running wait takes for its own: the reply with the last
    // request id, the next stanza (the stream features), or the next stanza
    // of the SASL exchange.
    enum class Capture { None, Reply, NextStanza, Sasl };

    // A message field that reads back the latest of what the owner set and
    // what an incoming message brought, while only what the owner set goes
    // out with the next message.
    class MessageField {
    public:
        [[nodiscard]] int Set(const char* text);
        [[nodiscard]] int Receive(const std::string& text);
        void Clear();
        const char* Shown() const { return m_shown.CStr(); }
        const char* Outgoing() const { return m_outgoing.CStr(); }

    private:
        NetString m_shown;
        NetString m_outgoing;
    };

    // Clears the last error at the start of a method.
    void Begin();
    std::string OwnJid() const;
    // A text of the owner as it goes on the stream: in UTF-8.
    std::string Wire(const char* text) const;
    void SetStream(Stream state);
    bool LoggedIn() const { return m_stream == Stream::LoggedIn; }
    std::string NextId();
    void Trace(int direction, const char* text);
    [[nodiscard]] int Fail(int code, const char* detail);
    [[nodiscard]] int CheckXml(const std::string& text);

    // Sending and waiting (XmppEngine.cpp).
    [[nodiscard]] int Send(const std::string& text);
    [[nodiscard]] int SendUnchecked(const std::string& text);
    [[nodiscard]] int Request(const std::string& text);
    void Arm(Capture capture);
    [[nodiscard]] int Await();
    [[nodiscard]] int WaitRound();
    void PollSocket();
    [[nodiscard]] int JudgeReply();
    [[nodiscard]] int ParseReply();
    [[nodiscard]] int PendingResult();
    // The session ends with the stream (RFC 6120, 4.9): a stream error or a
    // stream that cannot be read leaves its result for the next call.
    void EndSession(int code, const char* text);
    [[nodiscard]] int TakeEnded();

    // What the server sends (XmppEngine.cpp).
    void DispatchPending();
    void Dispatch(XmppStreamCutter::Piece& piece);
    void DispatchStanza(const std::string& text);
    void OnPresence();
    void OnMessage(const std::string& text);
    void OnRoster();
    [[nodiscard]] int ServerError();

    // The session (XmppSession.cpp).
    [[nodiscard]] int EnsureLoggedIn();
    [[nodiscard]] int OpenStream();
    [[nodiscard]] int NegotiateSasl();
    [[nodiscard]] int Authenticate();
    [[nodiscard]] int Login();
    [[nodiscard]] int SendPresence();
    [[nodiscard]] int SendSubscription(const char* jid, const char* type);
    [[nodiscard]] int EnsureStream();

    XmppXmlReader m_stanzaReader{false};
    XmppXmlReader m_checkReader{false};
    XmppXmlReader m_streamReader{true};

    Stream m_stream = Stream::Closed;
    bool m_features = false;
    NetString m_user;
    NetString m_password;
    NetString m_resource;
    NetString m_streamId;
    NetString m_mechanism;
    NetString m_status;
    NetString m_server;
    int m_presence = 1;
    int m_messageType = 0;
    MessageField m_otherData, m_thread, m_subject, m_html, m_text;
    NetString m_lastId;
    uint32_t m_requestCounter = 0;
    NetString m_lastStanza;
    NetString m_reply; // the stanza a wait took for its own
    Capture m_capture = Capture::None;
    bool m_taken = false; // the armed capture has its stanza in m_reply
    StringList m_infoNames;
    StringList m_infoValues;
    XmppBuddyList m_buddies;
    int m_pending = 0;
    int m_ended = 0; // what the end of the session left, until a call returns it
    NetString m_endedText;
    DWORD m_lastPoll = 0;
    NetString m_pendingText;
};

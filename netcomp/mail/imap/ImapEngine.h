#pragma once
// The IMAP component's engine: an IMAP4 client (RFC 3501 commands, the ACL
// commands of RFC 4314 and SORT of RFC 5256) whose operations are numbered
// actions run one at a time, each a tagged command (or a few) and the
// untagged responses it brings. Responses are read as bytes and assembled by
// ImapResponseReader, so literals are framed by their length; the text of a
// fetched body or part streams to MessageText or LocalFile.
#include <cstdint>

#include "netcomp/core/crypto/CramMd5.h"
#include "netcomp/core/framework/ComponentValues.h"
#include "netcomp/core/tcp/TcpClient.h"
#include "netcomp/mail/date/Rfc822Date.h"
#include "netcomp/mail/imap/ImapBodyLines.h"
#include "netcomp/mail/imap/ImapMessage.h"
#include "netcomp/mail/imap/ImapResponseReader.h"
#include "netcomp/mail/imap/ImapTokens.h"

class ImapEngine : public TcpClient,
                   private ImapResponseSink,
                   private ImapPartSink,
                   private ImapListSink,
                   private ImapBodyLineSink {
public:
    ImapEngine();

    [[nodiscard]] int DoAction(int action);
    [[nodiscard]] int Config(const ConfigArg& arg, const char** answer) override;

    // Methods beyond a bare action.
    [[nodiscard]] int AddMessageFlags(const char* flags);
    [[nodiscard]] int DeleteMailboxAcl(const char* user);
    [[nodiscard]] int FetchMessagePart();
    [[nodiscard]] int LocalizeDate(const char* text, const char** answer);
    [[nodiscard]] int RenameMailbox(const char* name);
    [[nodiscard]] int SetMailboxAcl(const char* user, const char* rights);

    // Properties with logic of their own.
    [[nodiscard]] int SetCommand(const char* text);
    bool GetConnected() const { return IsConnected(); }
    [[nodiscard]] int SetConnectedState(bool on);
    bool IsIdle() const { return m_action == 0; }
    [[nodiscard]] int SetUidMode(bool on);
    bool GetUidMode() const { return m_uidMode; }
    void SetEndByte(int n);
    int GetEndByte() const { return m_endByte; }
    void SetStartByte(int n) { m_startByte = n; }
    int GetStartByte() const { return m_startByte; }
    [[nodiscard]] int SetTimeoutSeconds(int seconds) { return SetTimeout(seconds < 0 ? 0u : unsigned(seconds)); }
    int TimeoutSeconds() const { return int(GetTimeout()); }
    int GetAuthMechanism() const { return m_authMechanism; }
    void SetAuthMechanism(int mechanism) { m_authMechanism = mechanism; }
    bool GetPeekMode() const { return m_peekMode; }
    void SetPeekMode(bool on) { m_peekMode = on; }
    int MessageCount() const { return m_messageCount; }
    int RecentCount() const { return m_recentCount; }
    int64_t MessageSize() const { return m_message.size; }
    const char* LastReply() const { return m_lastReply.CStr(); }

    // A fetched text or part, which decoded may be binary; an APPEND's message.
    ByteView MessageText() const { return {m_text.CStr(), int(m_text.Length())}; }
    [[nodiscard]] int SetMessageText(const char* data, int length);
    // The text properties that are plain fields, by property number.
    const char* Text(int property);
    [[nodiscard]] int SetText(int property, const char* text);
    // The address lists, by property number and index.
    const char* Address(int property, int index) const;

protected:
    void OnConnected(int code) override;
    void OnDisconnected(int code) override;
    ReplyReader::Hint OnReplyLine(const char* line, uint32_t n) override;
    void OnReplyBlock(const char* data, uint32_t n) override;

private:
    enum class Wait { Nothing, Greeting, Continuation, Tagged };
    // The action under which SEARCH fetches what it found (never started from outside).
    static constexpr int kSearchFetch = 27;

    [[nodiscard]] int RunAction(int action);
    [[nodiscard]] int Login();
    [[nodiscard]] int Logout();
    [[nodiscard]] int Search();
    [[nodiscard]] int SortStep();
    [[nodiscard]] int PartItem(NetStringBase& item);

    // A new command with the next tag; "UID " goes before uidVerb commands
    // in UID mode.
    ImapCommand& NewCommand(const char* verb, bool uidVerb = false);
    [[nodiscard]] int Run(ImapCommand& command);
    [[nodiscard]] int Simple(const char* verb, const char* mailbox);
    [[nodiscard]] int Store(const char* change, const char* flags);
    void Expect(Wait what);
    [[nodiscard]] int Await();
    // A piece of a command out, then its wait (Await); a send that found the
    // server gone reads what it answered before it went.
    [[nodiscard]] int SendAndAwait(const char* data, uint32_t n);
    [[nodiscard]] int Flags(const char* flags, NetStringBase& out);

    void SetWait(Wait what) { m_wait = what; }

    // Response side.
    bool StreamImapLiteral(const char* response, uint32_t length, uint32_t n) override;
    int OnImapLiteralData(const char* data, uint32_t n) override;
    int OnImapLiteralEnd() override;
    int OnImapResponse(const char* response, uint32_t length) override;
    int OnImapPart(const ImapPart& part) override;
    int OnImapMailbox(const char* name, const char* separator, const char* flags) override;
    int OnImapAcl(const char* mailbox, const char* user, const char* rights) override;
    int OnImapBodyLine(const char* line, uint32_t n, bool lineEnd) override;
    [[nodiscard]] int Untagged(const char* response, uint32_t length);
    bool GreetingAccepted() const;
    [[nodiscard]] int FetchLine(const char* response, uint32_t length);

    // Connection and login.
    int m_authMechanism = 0;
    NetString m_user;
    NetString m_password;
    int m_tagCounter = 0;
    char m_tag[8] = {};
    int m_action = 0;
    bool m_sorting = false;
    bool m_selected = false;
    NetString m_lastReply;
    CramMd5 m_cram;

    // Mailbox.
    NetString m_mailbox;
    NetString m_newName;
    NetString m_aclUser;
    NetString m_aclRights;
    NetString m_mailboxFlags;
    int m_messageCount = 0;
    int m_recentCount = 0;
    NetString m_refusedCount; // the first SELECT data whose count was none

    // Selection and options.
    NetString m_messageSet;
    NetString m_searchCriteria;
    NetString m_sortCriteria;
    NetString m_partId;
    NetString m_command;
    NetString m_searchResult;
    int m_startByte = 0;
    int m_endByte = 0;
    bool m_uidMode = false;
    bool m_peekMode = false;
    bool m_autoDecode = false;
    // The largest literal kept in memory (a message's text or headers
    // included); literals that go to LocalFile have no bound.
    uint32_t m_maxLiteral = ImapResponseReader::kDefaultMaxLiteral;
    ImapBodyFacts m_facts;

    // Message data.
    ImapMessage m_message; // its flags are also what STORE and APPEND send
    NetString m_headers;
    NetString m_text;

    // The exchange in progress.
    ImapCommand m_commandLine;
    ImapResponseReader m_reader;
    ImapBodyLines m_bodyLines;
    Wait m_wait = Wait::Nothing;
    bool m_waitDone = false;
    NetString m_tagged;       // the tagged completion
    NetString m_continuation; // the last continuation request
    NetString m_greeting;
    NetString m_bye; // an untagged BYE of this exchange: why the server goes
    int m_readError = 0;
    bool m_streamingBody = false; // the streamed literal is a body, not headers
    int m_streamError = 0;
    Rfc822Date m_dates;
};

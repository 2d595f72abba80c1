#pragma once
// The POP component's engine: a POP3 client (RFC 1939, APOP, and AUTH
// CRAM-MD5 of RFC 2195) whose operations are numbered actions run one at a
// time. Some property reads ask the server: the count and size of the
// mailbox (STAT, once per login), and the size, unique id, headers and text
// of the current message.
#include <cstdint>

#include "netcomp/core/crypto/CramMd5.h"
#include "netcomp/core/framework/ComponentValues.h"
#include "netcomp/mail/client/PopMailClient.h"
#include "netcomp/mail/date/Rfc822Date.h"

enum PopResult : int {
    kPopServerError = 171,
    kPopConnectError = 172,
    kPopBusy = 174,
    kPopNoTimestamp = 175,
};

class PopEngine : public PopMailClient {
public:
    PopEngine();

    [[nodiscard]] int DoAction(int action);

    [[nodiscard]] int Connect() { return DoAction(1); }
    [[nodiscard]] int Disconnect() { return DoAction(2); }
    [[nodiscard]] int RetrieveMessage() { return DoAction(3); }
    [[nodiscard]] int RetrieveWholeMessage();
    [[nodiscard]] int DeleteMessage() { return DoAction(4); }
    [[nodiscard]] int ResetMailbox() { return DoAction(5); }
    [[nodiscard]] int Interrupt() { return DoAction(0); }
    [[nodiscard]] int ListMessageSizes() { return DoAction(7); }
    [[nodiscard]] int ListMessageUids() { return DoAction(8); }
    [[nodiscard]] int LocalizeDate(const char* text, const char** answer);

    int GetAuthMechanism() const { return m_authMechanism; }
    void SetAuthMechanism(int mechanism) { m_authMechanism = mechanism; }
    [[nodiscard]] int SetCommand(const char* text);
    bool GetConnected() const { return IsConnected(); }
    [[nodiscard]] int SetConnectedState(bool on);
    bool IsIdle() const { return m_busyAction == 0; }
    int GetMaxLines() const { return m_maxLines; }
    void SetMaxLines(int lines) { m_maxLines = lines; }
    int GetMessageNumber() const { return m_messageNumber; }
    void SetMessageNumber(int number);
    [[nodiscard]] int SetUser(const char* text) { return m_user.AssignText(text); }
    const char* GetUser() const { return m_user.CStr(); }
    [[nodiscard]] int SetPassword(const char* text) { return m_password.AssignText(text); }
    const char* GetPassword() const { return m_password.CStr(); }
    [[nodiscard]] int SetTimeoutSeconds(int seconds) { return SetTimeout(seconds < 0 ? 0u : unsigned(seconds)); }
    int TimeoutSeconds() const { return int(GetTimeout()); }

    // Reads that may ask the server; their failure is left as the last error.
    int MessageCount();
    int64_t MailboxSize();
    int64_t MessageSize();
    const char* MessageUid();
    const char* Headers();
    const char* Text();
    const char* HeaderValue(int property);

protected:
    void OnConnected(int code) override;
    void OnDisconnected(int code) override;
    int OnHeaderField(const char* name, const char* value) override;
    void OnMessageGivenUp() override { m_fields.Clear(); }
    int OnListLine(const char* line, uint32_t n) override;

private:
    [[nodiscard]] int RunAction(int action);
    [[nodiscard]] int Login();
    [[nodiscard]] int Quit();
    [[nodiscard]] int Retrieve();
    [[nodiscard]] int SendCommand(const char* command, const char* argument);
    [[nodiscard]] int Stat();
    [[nodiscard]] int AskSize();
    [[nodiscard]] int AskUid();
    // A step run for a property read, as an action of its own; its failure
    // is left as the last error. False when the step could not run.
    bool Read(int (PopEngine::*step)());
    [[nodiscard]] int RetrieveKeeping(bool headers, bool body);
    [[nodiscard]] int RetrieveHeaders();
    [[nodiscard]] int RetrieveText();

    int m_authMechanism = 0;
    NetString m_user;
    NetString m_password;
    int m_maxLines = 0;
    int m_messageNumber = 0;
    int m_busyAction = 0;
    bool m_statDone = false;
    bool m_headersRead = false;
    bool m_textRead = false;
    bool m_keepHeaders = false;
    bool m_keepBody = false;
    int m_messageCount = 0;
    int64_t m_mailboxSize = 0;
    int m_sizeNumber = -1;
    int64_t m_size = 0;
    int m_listAction = 0;
    NetString m_uid;
    NetString m_refusedListLine; // the first line of a listing that held no numbers
    NetString m_command;
    NetString m_greeting;
    HeaderFieldStore m_fields;
    CramMd5 m_cram;
    Rfc822Date m_dates;
};

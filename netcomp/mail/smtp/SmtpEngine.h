#pragma once
// The SMTP client engine: connects, greets with EHLO or HELO, authenticates
// (AUTH LOGIN, CRAM-MD5), builds the headers from its fields and sends a
// message with MAIL (or SAML, SOML, SEND), RCPT and DATA, or writes it into
// a queue folder to be sent later by ProcessQueue. FileMailer and HTMLMailer
// derive from it and put a MIME body into its message text.
#include <cstdint>

#include "netcomp/core/tcp/ProtocolClient.h"
#include "netcomp/core/text/FileHandle.h"
#include "netcomp/core/text/NetString.h"
#include "netcomp/mail/smtp/SmtpText.h"

constexpr int kSmtpProtocolError = 161;
constexpr int kSmtpConnectionError = 162;
constexpr int kSmtpNoSender = 164;
constexpr int kSmtpNoRecipient = 165;
constexpr int kSmtpBusy = 166;

// The numbers under which a component built on the engine fires its events
// (0: the component has no such event).
struct SmtpEventNumbers {
    int connectionStatus;
    int endTransfer;
    int error;
    int expand;
    int trail;
    int startTransfer;
    int transfer;
};

class SmtpEngine : public ProtocolClient {
public:
    // What the flat interface's actions do; each runs as one of them.
    enum Action : int {
        kIdle = 0,
        kConnect = 1,
        kDisconnect = 2,
        kSend = 3,
        kReset = 4,
        kExpand = 5,
        kVerify = 6,
        kSendSaml = 7,
        kSendSoml = 8,
        kSendSend = 9,
        kCommand = 10,
        kQueue = 11,
        kProcessQueue = 12,
    };

    // The SMTP component's engine, with its event numbers.
    SmtpEngine();
    ~SmtpEngine() override;

    [[nodiscard]] int Config(const ConfigArg& arg, const char** answer) override;

    // Properties.
    int GetAllowExtensions() const { return m_allowExtensions; }
    void SetAllowExtensions(int value) { m_allowExtensions = value; }
    const char* GetAttachedFile() const { return m_attachedFile.CStr(); }
    [[nodiscard]] int SetAttachedFile(const char* text) { return m_attachedFile.AssignText(text); }
    int GetAuthMechanism() const { return m_authMechanism; }
    void SetAuthMechanism(int value) { m_authMechanism = value; }
    const char* GetBCc() const { return m_bcc.CStr(); }
    [[nodiscard]] int SetBCc(const char* text) { return SetHeaderText(m_bcc, text, false); }
    const char* GetCc() const { return m_cc.CStr(); }
    [[nodiscard]] int SetCc(const char* text) { return SetHeaderText(m_cc, text, false); }
    [[nodiscard]] int SetCommand(const char* text);
    bool GetConnected() const { return IsConnected(); }
    [[nodiscard]] int SetConnectedState(bool on);
    const char* GetDeliveryNotificationTo() const { return m_deliveryNotificationTo.CStr(); }
    [[nodiscard]] int SetDeliveryNotificationTo(const char* text);
    const char* GetFrom() const { return m_from.CStr(); }
    [[nodiscard]] int SetFrom(const char* text) { return SetHeaderText(m_from, text, false); }
    bool IsIdle() const { return m_action == kIdle; }
    int GetImportance() const { return m_importance; }
    void SetImportance(int value) { m_importance = value; }
    const char* LastReply() const { return ReplyText(); }
    const char* GetMailServer() { return GetRemoteHost(); }
    [[nodiscard]] int SetMailServer(const char* text) { return SetRemoteHost(text); }
    int GetMailPort() const { return GetRemotePort(); }
    [[nodiscard]] int SetMailPort(int port) { return SetRemotePort(port); }
    const char* GetMessageDate();
    [[nodiscard]] int SetMessageDate(const char* text) { return m_messageDate.AssignText(text); }
    const char* MessageHeaders();
    const char* GetMessageId();
    [[nodiscard]] int SetMessageId(const char* text) { return m_messageId.AssignText(text); }
    const char* GetMessageText() const { return m_messageText.CStr(); }
    [[nodiscard]] int SetMessageText(const char* text);
    const char* GetOtherHeaders() const { return m_otherHeaders.CStr(); }
    [[nodiscard]] int SetOtherHeaders(const char* text) { return m_otherHeaders.AssignText(text); }
    const char* GetPassword() const { return m_password.CStr(); }
    [[nodiscard]] int SetPassword(const char* text) { return m_password.AssignText(text); }
    int GetPriority() const { return m_priority; }
    void SetPriority(int value) { m_priority = value; }
    const char* GetReadReceiptTo() const { return m_readReceiptTo.CStr(); }
    [[nodiscard]] int SetReadReceiptTo(const char* text);
    const char* GetReplyTo() const { return m_replyTo.CStr(); }
    [[nodiscard]] int SetReplyTo(const char* text) { return SetHeaderText(m_replyTo, text, false); }
    const char* GetSendTo() const { return m_sendTo.CStr(); }
    [[nodiscard]] int SetSendTo(const char* text) { return SetHeaderText(m_sendTo, text, false); }
    int GetSensitivity() const { return m_sensitivity; }
    void SetSensitivity(int value) { m_sensitivity = value; }
    const char* GetSubject() const { return m_subject.CStr(); }
    [[nodiscard]] int SetSubject(const char* text) { return SetHeaderText(m_subject, text, true); }
    int TimeoutSeconds() const { return int(GetTimeout()); }
    [[nodiscard]] int SetTimeoutSeconds(int seconds) { return SetTimeout(seconds < 0 ? 0u : unsigned(seconds)); }
    const char* GetUser() const { return m_user.CStr(); }
    [[nodiscard]] int SetUser(const char* text) { return m_user.AssignText(text); }

    // Methods.
    [[nodiscard]] int Connect() { return RunAction(kConnect); }
    [[nodiscard]] int Disconnect() { return RunAction(kDisconnect); }
    [[nodiscard]] int Expand() { return RunAction(kExpand); }
    [[nodiscard]] int InterruptAction();
    [[nodiscard]] int ResetHeaders() { return RunAction(kReset); }
    [[nodiscard]] virtual int Send() { return RunAction(kSend); }
    [[nodiscard]] int SendToTerminalAndEmail() { return RunAction(kSendSaml); }
    [[nodiscard]] int SendToTerminalOnly() { return RunAction(kSendSend); }
    [[nodiscard]] int SendToTerminalOrEmail() { return RunAction(kSendSoml); }
    [[nodiscard]] int Verify(const char* address);
    [[nodiscard]] virtual int Queue(const char* folder, const char** fileName);
    [[nodiscard]] int ProcessQueue(const char* folder);

protected:
    // An engine of another component, which numbers its events its own way.
    // The shared table names what the TCP layers fire (ConnectionStatus, Error).
    SmtpEngine(const SmtpEventNumbers& events, const EventTable& shared);

    // Runs one action: refused with the busy code while another runs; the
    // last error is cleared and the deadline started first.
    [[nodiscard]] int RunAction(int action);
    [[nodiscard]] virtual int DoAction(int action);
    // The busy code of the component and its check, for actions of the
    // derived engines that are not SMTP actions (a FileMailer send).
    [[nodiscard]] int BeginAction(int action);
    void EndAction() { m_action = kIdle; }
    int CurrentAction() const { return m_action; }
    // Closes the socket at once, without QUIT.
    void CloseNow();

    [[nodiscard]] int AssignBodyText(NetStringBase& field, const char* text, uint32_t n);
    void Trail(int direction, const char* text);
    void FireSmtpError(int code, const char* text);
    const SmtpEventNumbers& EventNumbers() const { return m_events; }

    // The message fields that FileMailer's preparation fills.
    NetString& MessageTextField() { return m_messageText; }
    NetString& OtherHeadersField() { return m_otherHeaders; }
    NetString& AttachedFileField() { return m_attachedFile; }
    void ClearMessageFields();

    void OnConnected(int code) override;
    void OnDisconnected(int code) override;
    void OnCommandLine(const char* line, uint32_t n) override;
    ReplyReader::Hint OnReplyLine(const char* line, uint32_t n) override;

private:
    [[nodiscard]] int ConnectAndGreet();
    [[nodiscard]] int Greet();
    [[nodiscard]] int Authenticate();
    [[nodiscard]] int Quit();
    [[nodiscard]] int SendMessage(const char* verb);
    [[nodiscard]] int Transaction(const char* verb);
    [[nodiscard]] int Recipients(const char* list, bool refusalEnds);
    [[nodiscard]] int MessageData();
    [[nodiscard]] int SendStuffed(const char* data, uint32_t n);
    [[nodiscard]] int EndData();
    [[nodiscard]] int SendText();
    [[nodiscard]] int SendAttachedFile(FileHandle& file);
    [[nodiscard]] int Command(const char* command, const char* argument);
    [[nodiscard]] int Output(const char* data, uint32_t n);
    [[nodiscard]] int BuildHeaders();
    [[nodiscard]] int ExpandOrVerify(const char* verb);
    [[nodiscard]] int CreateQueueFile(const char* folder, FileHandle& file);
    [[nodiscard]] int SendQueueFile(const char* path);
    [[nodiscard]] int SetHeaderText(NetString& field, const char* text, bool words);
    const char* Generated(NetString& field, bool date);
    int FireText(int event, const char* text);

    const SmtpEventNumbers& m_events;
    int m_action = kIdle;
    bool m_bodyTransfer = false;
    int m_headerWidth = 72;
    NetString m_from;
    NetString m_sendTo;
    NetString m_cc;
    NetString m_bcc;
    NetString m_replyTo;
    NetString m_subject;
    NetString m_messageDate;
    NetString m_messageId;
    NetString m_attachedFile;
    NetString m_hello;
    NetString m_command;
    NetString m_user;
    NetString m_password;
    NetString m_lastCommand;
    NetString m_queueFile;
    NetString m_readReceiptTo;
    NetString m_deliveryNotificationTo;
    int m_allowExtensions = -1;
    int m_sensitivity = 0;
    int m_importance = 0;
    int m_priority = 0;
    bool m_keepQueue = false;
    NetString m_headers;
    NetString m_otherHeaders;
    int m_authMechanism = 0;
    NetString m_messageText;
    NetString m_line;                 // a reply line handed to the events
    FileHandle* m_queueOut = nullptr; // the queue file that commands go to instead of the server
    DotStuffer* m_stuffer = nullptr;  // the stuffing of the message being sent
    bool m_dataEndsInLineEnd = false; // what was sent of the message ends in CR LF
    bool m_lastByteCr = false;
    bool m_gathering = false; // the message's bytes gather in m_dataOut
    NetString m_dataOut;
    bool m_expanding = false; // an EXPN reply is being read
};

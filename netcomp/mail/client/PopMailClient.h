#pragma once
// The mail-client layer between ProtocolClient and the engines that read
// dot-ended answers (POP3 and news): after a positive reply, a message goes
// through the receive handler (MailMessageReader: header lines, then body
// lines to MessageText, LocalFile and the Transfer event), and a list (LIST,
// UIDL, a group list) line by line to OnListLine, each up to the line ".".
//
// An engine on it sends its command with Exchange (TcpClient.h), then calls
// ReceiveMessage or ReceiveList. The retrieval fires the shared events Header
// (field, value), StartTransfer, Transfer (bytes so far, line with its
// length, end-of-line flag) and EndTransfer under the numbers of the
// engine's event table.
#include <cstdint>

#include "netcomp/core/tcp/ProtocolClient.h"
#include "netcomp/mail/client/MailMessageReader.h"

class PopMailClient : public ProtocolClient, protected MailMessageSink {
public:
    // The default of Config "MaxMessageSize": the most bytes of one message
    // held in memory (its kept headers and text together).
    static constexpr uint32_t kDefaultMaxMessageSize = 64u << 20;

    PopMailClient() : m_reader(*this) {}

    [[nodiscard]] int Config(const ConfigArg& arg, const char** answer) override;
    uint32_t MaxMessageSize() const { return m_maxMessageSize; }

    // The message after a positive reply, up to its "." line; the header and
    // body lines are also kept in MessageHeaders() and MessageText() when
    // asked. LocalFile, when open, gets the body lines.
    [[nodiscard]] int ReceiveMessage(bool keepHeaders, bool keepBody);
    // A body without headers (NNTP BODY), up to its "." line.
    [[nodiscard]] int ReceiveBody(bool keepBody);
    // The lines of a list after a positive reply, up to its "." line. A line
    // past the reply-line limit goes to no OnListLine, and the list, read to
    // its end all the same, fails with the protocol's code and "Reply line
    // too long.".
    [[nodiscard]] int ReceiveList();

    NetString& MessageHeaders() { return m_reader.Headers(); }
    NetString& MessageText() { return m_reader.Body(); }
    // The last reply line, without its line end.
    const char* LastReply() const { return m_lastReply.CStr(); }

protected:
    void OnConnected(int code) override;
    int ReceiveMessageLine(const char* data, uint32_t n, bool eolFound) override;
    // Commands and reply lines go to the protocol trail; each reply line is
    // kept as the last reply.
    void OnCommandLine(const char* line, uint32_t n) override;
    ReplyReader::Hint OnReplyLine(const char* line, uint32_t n) override;

    // One line of a list (dot unstuffed), without its line end, of at most
    // MaxReplyLine bytes; a line that came in pieces comes joined.
    virtual int OnListLine(const char*, uint32_t) { return 0; }
    // Each header line before its Header event (a continuation with an
    // empty name); 0, or a code that ends the retrieval.
    virtual int OnHeaderField(const char*, const char*) { return 0; }
    // For an engine that keeps body lines of its own: the line and, with
    // eol, CR LF appended to text. Past MaxMessageSize with the headers the
    // reader keeps, text is emptied and the retrieval fails (as with a
    // message the reader holds): the protocol's code, "Message too large.".
    [[nodiscard]] int KeepMessageLine(NetStringBase& text, const char* line, uint32_t n, bool eol);
    // A retrieval past its bound was given up: what the engine kept of that
    // message (header fields, text) goes too.
    virtual void OnMessageGivenUp() {}

    int OnMailHeader(const char* name, const char* value) override;
    int OnMailBodyStart() override;
    int OnMailBodyLine(int64_t bytes, const char* line, uint32_t n, bool eol) override;
    int OnMailEnd() override;

    NetString m_lastReply;

private:
    enum class Receiving { Nothing, Message, List };

    [[nodiscard]] int Receive(Receiving what);
    void ListLine(const char* data, uint32_t n, bool eolFound);
    // A message past its bound: the connection goes (the rest of the message
    // would come as further replies), the reason is the last error.
    void GiveUpMessage(const char* why);

    MailMessageReader m_reader;
    Receiving m_receiving = Receiving::Nothing;
    NetString m_listLine;           // a list line that came in pieces
    bool m_listLineCut = false;     // the last piece ended without its line end
    bool m_listLineTooLong = false; // passing over the rest of a line past the limit
    bool m_listTooLong = false;     // the list held such a line
    int m_receiveError = 0;
    uint32_t m_maxMessageSize = kDefaultMaxMessageSize;
};

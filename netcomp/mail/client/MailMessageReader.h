#pragma once
// The receive handler of a mail message sent as dot-stuffed lines (POP3 RETR
// and TOP, NNTP ARTICLE, HEAD and BODY): header lines up to the empty line,
// then body lines up to the line ".". Fed the lines as the socket cuts them;
// a long line (past the socket's buffer or the line limit) comes in pieces,
// the last one with its line end.
#include <cstdint>

#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/core/text/NetString.h"

class MailMessageSink {
public:
    // One header line split into name and value; a folded continuation line
    // comes with an empty name.
    virtual int OnMailHeader(const char* name, const char* value) = 0;
    virtual int OnMailBodyStart() = 0;
    // One body line, or a piece of one (eol false); bytes counts what the
    // message has brought so far, line ends as two bytes.
    virtual int OnMailBodyLine(int64_t bytes, const char* line, uint32_t n, bool eol) = 0;
    virtual int OnMailEnd() = 0;

protected:
    ~MailMessageSink() = default;
};

class MailMessageReader {
public:
    // The longest header line kept; what goes beyond is dropped.
    static constexpr uint32_t kMaxHeaderLine = 1u << 20;
    // The most bytes the header lines of one message take together, kept or
    // not (the header fields a sink keeps grow with them).
    static constexpr uint32_t kMaxHeaderSection = 1u << 20;

    explicit MailMessageReader(MailMessageSink& sink) : m_sink(sink) {}

    // A new message: with keepHeaders the header lines are collected in
    // Headers(), with keepBody the body lines in Body(). With CharsetMode 1 a
    // Japanese message is handed on in Shift-JIS: encoded words of Subject,
    // From, To, Cc and Reply-To decoded, and the body of a message whose
    // Content-Type names ISO-2022-JP converted line by line. With bodyOnly
    // the message is a body without headers (NNTP BODY): its body start comes
    // with its first line, and under CharsetMode 1 it is taken as
    // ISO-2022-JP.
    void Start(bool keepHeaders, bool keepBody, int charsetMode, bool bodyOnly = false);
    // Past kMaxHeaderSection, or past maxKept bytes in Headers() and Body()
    // together, the message is given up: both are emptied and Feed answers
    // `code` with TooLargeText() saying which.
    void SetLimit(uint32_t maxKept, int code)
    {
        m_maxKept = maxKept;
        m_tooLargeCode = code;
    }
    // 0, 200 when memory runs out, the code of SetLimit, or what a sink call
    // answered (not 0).
    [[nodiscard]] int Feed(const char* data, uint32_t n, bool eol);
    bool Done() const { return m_state == State::Done; }
    int64_t Bytes() const { return m_bytes; }
    const char* TooLargeText() const { return m_tooLarge; }

    NetString& Headers() { return m_headers; }
    NetString& Body() { return m_body; }

private:
    enum class State { Headers, Body, Done };

    [[nodiscard]] int HeaderLine(const char* data, uint32_t n);
    [[nodiscard]] int BodyLine(const char* data, uint32_t n, bool eol);
    [[nodiscard]] int End();
    [[nodiscard]] int GiveUp(const char* why);

    MailMessageSink& m_sink;
    State m_state = State::Done;
    bool m_keepHeaders = false;
    bool m_keepBody = false;
    int m_charsetMode = 0;
    bool m_jisBody = false;
    bool m_announceBody = false; // the body start is still to be told
    bool m_lineStart = true;     // the next body piece begins a line
    int64_t m_bytes = 0;
    uint32_t m_headerBytes = 0; // of the header section so far
    uint32_t m_maxKept = 0xFFFFFFFFu;
    int m_tooLargeCode = kOutOfMemory;
    const char* m_tooLarge = "";
    NetString m_line; // a header line that came in pieces
    NetString m_headers;
    NetString m_body;
};

// The last value of each of a few header names, folded lines joined with one
// blank; a later line of the same name replaces the value.
class HeaderFieldStore {
public:
    static constexpr int kMaxNames = 8;

    // names: header names, looked up case-insensitively; at most kMaxNames.
    HeaderFieldStore(const char* const* names, int count)
        : m_names(names), m_count(count < kMaxNames ? count : kMaxNames)
    {
    }

    void Clear();
    [[nodiscard]] int Add(const char* name, const char* value);
    // The value of names[i], or the empty text when the header was not seen.
    const char* Value(int i) const { return i >= 0 && i < m_count ? m_values[i].CStr() : ""; }

private:
    const char* const* m_names;
    int m_count;
    NetString m_values[kMaxNames];
    int m_last = -1; // the name of the last line, for a continuation
};

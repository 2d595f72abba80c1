#pragma once
// Assembles IMAP server responses from their lines and literals: a response
// is a line, or a line ending in a literal announcement "{N}" followed by N
// bytes and the rest of the response, as often as the server nests them.
// The lines and literal bytes come from a LineSource (TcpClient's, or
// FeedImapBytes below): a line that announces a literal tells its size, and
// the source then gives out that many bytes as blocks.
//
// A response is handed on in one buffer where each literal stands as one
// element: kLiteralMark, its length in four bytes (big-endian), then the
// bytes. The "{N}" text is not kept. A literal can instead be streamed: the
// sink is asked for each one, gets its bytes as they come, and the response
// then holds the literal as empty.
#include <cstdint>

#include "netcomp/core/tcp/LineSource.h"
#include "netcomp/core/text/NetString.h"

// The IMAP component's result codes.
enum ImapResult : int {
    kImapServerError = 311, // a tagged reply other than OK, or a reply that cannot be read
    kImapBusy = 312,
    kImapBadAction = 313,
    kImapNoMailbox = 314,
    kImapBadArgument = 315,
};

class ImapResponseSink {
public:
    // A literal of n bytes follows the response so far: true to stream it
    // through OnImapLiteralData and OnImapLiteralEnd.
    virtual bool StreamImapLiteral(const char* response, uint32_t length, uint32_t n) = 0;
    virtual int OnImapLiteralData(const char* data, uint32_t n) = 0;
    virtual int OnImapLiteralEnd() = 0;
    // A whole response in the form above.
    virtual int OnImapResponse(const char* response, uint32_t length) = 0;

protected:
    ~ImapResponseSink() = default;
};

class ImapResponseReader {
public:
    static constexpr char kLiteralMark = '\n';
    // What one response may keep, literals included; streamed literals do
    // not count.
    static constexpr uint32_t kMaxResponse = 16u << 20;
    // The largest literal a response keeps by default: below 255 x 255
    // bytes.
    static constexpr uint32_t kDefaultMaxLiteral = 65024;

    explicit ImapResponseReader(ImapResponseSink& sink) : m_sink(sink) {}

    // A literal the sink does not stream is refused beyond this many bytes.
    void SetMaxLiteral(uint32_t bytes) { m_maxLiteral = bytes; }

    // Forgets a response begun (a new connection).
    void Reset();
    // One line, without its end. When it announces a literal, *literal gets
    // the literal's size (the bytes come next, through Block), else -1 and
    // a response that ends with the line is handed on.
    // 0, kImapServerError when the response breaks its bounds (the stream is
    // then out of step: the reader refuses more until Reset), 200 when memory
    // runs out, or the first non-zero answer of a sink call.
    [[nodiscard]] int Line(const char* line, uint32_t n, int64_t* literal);
    // Bytes of the announced literal (no more than it has left).
    [[nodiscard]] int Block(const char* data, uint32_t n);
    uint32_t LiteralLeft() const { return m_remaining; }
    const char* ErrorText() const { return m_error; }

private:
    [[nodiscard]] int Refuse(const char* text);
    [[nodiscard]] int EndLiteral();

    ImapResponseSink& m_sink;
    NetString m_response;
    uint32_t m_remaining = 0; // literal bytes still to come
    uint32_t m_maxLiteral = kDefaultMaxLiteral;
    bool m_streaming = false;
    bool m_broken = false;
    const char* m_error = "";
};

// What TcpClient does with a socket's bytes, for code that holds the bytes
// themselves: they go through the line source to the reader, each announced
// literal as a block. The result as Line and Block give it.
[[nodiscard]] int FeedImapBytes(LineSource& lines, ImapResponseReader& reader, const char* data, uint32_t n);

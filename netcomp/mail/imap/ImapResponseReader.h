#pragma once
// Assembles IMAP server responses from the bytes as they arrive: a response
// is a line, or a line ending in a literal announcement "{N}" followed by N
// bytes and the rest of the response, as often as the server nests them.
//
// A response is handed on in one buffer where each literal stands as one
// element: kLiteralMark, its length in four bytes (big-endian), then the
// bytes. The "{N}" text is not kept. A literal can instead be streamed: the
// sink is asked for each one, gets its bytes as they come, and the response
// then holds the literal as empty.
#include <cstdint>

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
    // Each protocol line as received, without its line end (literal bytes are
    // not lines).
    virtual int OnImapLine(const char* line, uint32_t n) = 0;
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

    explicit ImapResponseReader(ImapResponseSink& sink) : m_sink(sink) {}

    // Forgets a response begun (a new connection).
    void Reset();
    // 0, kImapServerError when a response breaks its bounds (the connection
    // is then out of step and the reader refuses more until Reset), 200 when
    // memory runs out, or the first non-zero answer of a sink call.
    [[nodiscard]] int Feed(const char* data, uint32_t n);
    const char* ErrorText() const { return m_error; }

private:
    enum class State { Line, Literal, Broken };

    void SetState(State state) { m_state = state; }
    [[nodiscard]] int LineEnd();
    [[nodiscard]] int Refuse(const char* text);

    ImapResponseSink& m_sink;
    State m_state = State::Line;
    NetString m_response;
    uint32_t m_lineStart = 0; // where the line being read begins in m_response
    uint32_t m_remaining = 0; // literal bytes still to come
    bool m_streaming = false;
    const char* m_error = "";
};

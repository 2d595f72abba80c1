#pragma once
// The HTTP response as it arrives: status line, interim (1xx) replies,
// header lines, and a body delimited by Content-Length, chunked coding or the
// close of the connection. Bytes may come in any split; the parser keeps
// only the line it is reading and hands body bytes on without copying.
#include <cstdint>

#include "netcomp/core/text/NetString.h"

class HttpResponseSink {
public:
    // The final (not 1xx) status line.
    virtual int OnStatus(const char* version, int code, const char* description) = 0;
    // One header line as received (without its line end), then its field and value.
    virtual int OnHeader(const char* line, uint32_t length, const char* field, const char* value) = 0;
    // The blank line after the headers, when a body follows.
    virtual int OnHeadersEnd() = 0;
    virtual int OnBody(const char* data, uint32_t n) = 0;

protected:
    ~HttpResponseSink() = default;
};

class HttpResponseParser {
public:
    static constexpr uint32_t kMaxLine = 65536;
    // The most bytes the lines of one response (status lines, interim
    // replies, header lines, trailers) may take together.
    static constexpr uint32_t kMaxHeaderBytes = 1u << 20;

    enum class State : uint8_t {
        StatusLine, // expecting the status line
        Interim,    // after a 1xx status line, until its blank line
        Headers,    //
        Body,       // raw body bytes, by length or to the close
        ChunkSize,  //
        ChunkData,  //
        ChunkEnd,   // the CR LF behind a chunk's data
        Trailer,    // after the last chunk, until the blank line
    };

    explicit HttpResponseParser(HttpResponseSink& sink) : m_sink(sink) {}

    // Starts a new response. A HEAD request has no body whatever the headers say.
    void Start(bool bodiless);
    // Nonzero: what the sink answered, 151 for a line over kMaxLine or a
    // chunk size that is none, or 154 for lines over kMaxHeaderBytes
    // (ErrorText says which).
    [[nodiscard]] int Feed(const char* data, uint32_t n);
    // The connection closed: a response whose end only the close marks is
    // complete now. False when no status line arrived or the body was cut short.
    bool Close();

    bool Complete() const { return m_complete; }
    bool HasStatus() const { return m_hasStatus; }
    State GetState() const { return m_state; }
    int StatusCode() const { return m_code; }
    const char* StatusLine() const { return m_statusLine.CStr(); }
    const char* Version() const { return m_version.CStr(); }
    const char* Description() const { return m_description.CStr(); }
    int64_t ContentLength() const { return m_contentLength; }
    bool Chunked() const { return m_chunked; }
    int64_t BodyBytes() const { return m_bodyBytes; }
    const char* ErrorText() const { return m_error; }

private:
    [[nodiscard]] int Line();
    [[nodiscard]] int StatusLineReceived();
    [[nodiscard]] int HeaderLine();
    [[nodiscard]] int HeadersEnd();
    [[nodiscard]] int Body(const char* data, uint32_t n);

    HttpResponseSink& m_sink;
    State m_state = State::StatusLine;
    bool m_bodiless = false;
    bool m_complete = false;
    bool m_hasStatus = false;
    bool m_chunked = false;
    bool m_lineHadCr = false;
    int m_code = 0;
    int64_t m_contentLength = -1;
    int64_t m_remaining = 0; // of the body by length, or of the current chunk
    int64_t m_bodyBytes = 0;
    uint32_t m_headerBytes = 0; // of the lines read so far, their ends included
    const char* m_error = nullptr;
    NetString m_line;
    NetString m_statusLine;
    NetString20 m_version;
    NetString m_description;
};

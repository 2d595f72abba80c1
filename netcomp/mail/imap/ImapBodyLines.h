#pragma once
// A fetched text or part as it streams in: cut into lines, each decoded when
// asked (base64, or quoted-printable with its soft line breaks) and turned
// from ISO-2022-JP into Shift-JIS for a Japanese body. The text ends exactly
// where its literal ends: a last line without a line end gets none.
#include <cstdint>

#include "netcomp/core/text/NetString.h"
#include "netcomp/mail/imap/ImapMessage.h"

class ImapBodyLineSink {
public:
    // One line, decoded; lineEnd: CR LF follows it in the text (a decoded
    // quoted-printable line carries the line end the decoder gave it).
    virtual int OnImapBodyLine(const char* line, uint32_t n, bool lineEnd) = 0;

protected:
    ~ImapBodyLineSink() = default;
};

class ImapBodyLines {
public:
    // A line longer than this goes on in pieces.
    static constexpr uint32_t kMaxLine = 64u << 10;

    explicit ImapBodyLines(ImapBodyLineSink& sink) : m_sink(sink) {}

    void Start(ImapDecoding decoding, bool jisToSjis);
    // 0, 200, or what the sink answered.
    [[nodiscard]] int Feed(const char* data, uint32_t n);
    [[nodiscard]] int Finish();

private:
    [[nodiscard]] int Line(const char* data, uint32_t n, bool eol);

    ImapBodyLineSink& m_sink;
    ImapDecoding m_decoding = ImapDecoding::None;
    bool m_jis = false;
    NetString m_partial;
};

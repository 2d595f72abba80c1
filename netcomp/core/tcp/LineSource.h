#pragma once
// The lines a line protocol's peer sends, from bytes in whatever pieces the
// socket delivers them: whole records of a socket in line mode, records cut
// at a longer EOL, or raw chunks. A line ends at LF; a CR right before the LF
// belongs to the line end (CR LF and a bare LF end a line alike). Nothing a
// peer sends makes it hold more than one line of at most MaxLine bytes.
//
//   LineSource lines;
//   lines.Feed(data, n, eolFound);          // every delivered record
//   const char* line; uint32_t length;
//   while (lines.Next(&line, &length) == LineSource::Result::Line) ...
//
// IMAP literals: ExpectBlock(n) makes the next n bytes come out as blocks,
// whatever they hold, before lines are cut again.
//
// A line longer than MaxLine is refused (TooLong, the rest of it dropped up
// to its end) or, where the caller asks for it, given out in pieces of
// MaxLine bytes (a message body line, which has no bound).
//
// Raw chunks that arrive while nothing is held can be lent instead of fed:
// lines and blocks are then given out of the caller's bytes, and Keep copies
// what is left of them before the caller lets them go (a literal of many
// megabytes passes through without being copied).
#include <cstdint>

#include "netcomp/core/text/NetString.h"

class LineSource {
public:
    static constexpr uint32_t kDefaultMaxLine = 65536;

    enum class Result {
        None,    // no complete line yet
        Line,    // a line, without its end
        Block,   // a piece of the bytes ExpectBlock asked for
        TooLong, // a line passed MaxLine: its first MaxLine bytes; the rest is dropped up to its end
        Piece,   // the first MaxLine bytes of a longer line (LongLine::Split); the rest comes next
    };
    enum class LongLine { Refuse, Split };

    void SetMaxLine(uint32_t n) { m_maxLine = n ? n : 1; }
    uint32_t MaxLine() const { return m_maxLine; }
    // Forgets every byte held (a new connection).
    void Clear();

    // Takes delivered bytes; `ended` says that a line end followed them and
    // was removed by the socket's framing. 0, or 200 when memory runs out.
    [[nodiscard]] int Feed(const char* data, uint32_t n, bool ended);
    // Takes raw bytes without copying them: they must stay as they are
    // until Keep. 0, or 200 when memory runs out.
    [[nodiscard]] int Lend(const char* data, uint32_t n);
    // Copies what Next has not given out of lent bytes; 0 or 200.
    [[nodiscard]] int Keep();

    // The next line or block; the pointer stays valid until the next Feed or Next.
    Result Next(const char** data, uint32_t* length, LongLine whenLong = LongLine::Refuse);

    // The next n bytes are a block (an IMAP literal), given out as they come.
    void ExpectBlock(uint32_t n) { m_blockLeft = n; }
    uint32_t BlockLeft() const { return m_blockLeft; }
    // Bytes held that no Next has given out yet.
    uint32_t Held() const { return m_buffer.Length() - m_read + m_lentLength - m_lentRead; }

private:
    void Compact();

    NetString m_buffer;
    uint32_t m_read = 0;          // bytes of m_buffer already given out
    const char* m_lent = nullptr; // lent bytes; m_buffer then holds nothing unread
    uint32_t m_lentLength = 0;
    uint32_t m_lentRead = 0;
    uint32_t m_scanned = 0; // bytes after m_read known to hold no LF
    uint32_t m_maxLine = kDefaultMaxLine;
    uint32_t m_blockLeft = 0;
    bool m_skipping = false; // dropping the rest of a line that was too long
};

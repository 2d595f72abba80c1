#pragma once
// The byte-level rules of sending mail, apart from the socket: address lists
// and the addresses in them, the generated Date and Message-Id values, the
// header block, dot-stuffing of what DATA carries, the reply texts that the
// engine reads (an EXPN line, a CRAM-MD5 challenge) and the names of queue
// files.
#include <cstdint>

#include "netcomp/core/text/NetString.h"
#include "netcomp/core/text/StringList.h"

// Splits an address list at the commas that stand outside double quotes,
// outside parenthesised comments (which nest) and outside angle brackets; a
// backslash takes the next character literally. Each entry's address goes to
// out: the text inside "<" and ">" when the entry has them, else the entry
// without comments and surrounding white space. Empty entries are skipped.
[[nodiscard]] int SplitAddressList(const char* list, StringList& out);

// The address of MAIL FROM: the From text without one leading "<" and one
// trailing ">"; a text that then begins with the byte 7 is taken as it
// stands after it; else the text between "<" and the next ">" when it holds
// "<"; else the text itself. Line ends and tabs of a folded From are dropped.
[[nodiscard]] int ReversePath(const char* from, NetStringBase& out);

// The generated Date value: "Tue, 3 Mar 2026 14:05:09 GMT" (RFC 5322 with
// the day of the month unpadded). wday 0 is Sunday, month 1 January.
struct MailTime {
    int year, month, day, wday, hour, minute, second;
};
[[nodiscard]] int FormatMailDate(const MailTime& t, NetStringBase& out);

// The generated Message-Id: "<" and the four numbers, each followed by "l"
// ("<a" "l." "b" "l" "c" "l" "d" "l"), then the domain part of the sender's
// address from its "@" on, and ">". The address is the one ReversePath finds,
// so a display name or angle brackets in From never reach the identifier.
[[nodiscard]] int FormatMessageId(unsigned a, unsigned b, unsigned c, unsigned d, const char* from, NetStringBase& out);

// What the header block is built from; null or empty values write nothing.
struct MailHeaderFields {
    const char* sendTo;
    const char* from;
    const char* subject;
    const char* replyTo;
    const char* date;
    const char* messageId;
    const char* cc;
    const char* readReceiptTo;
    const char* deliveryNotificationTo;
    int priority;    // 1 Normal, 2 Urgent, 3 Non-Urgent
    int importance;  // 1 High, 2 Normal, 3 Low
    int sensitivity; // 1 Personal, 2 Private, 3 Company-Confidential
    const char* otherHeaders;
    bool japanese; // adds the ISO-2022-JP Content-Type unless otherHeaders has one
};

// The header block, each line ending in CR LF (the empty line that ends the
// headers is the caller's). Other headers that begin with CR LF replace the
// generated ones; else they follow them, made to end in exactly one CR LF.
[[nodiscard]] int BuildMailHeaders(const MailHeaderFields& fields, NetStringBase& out);

// Appends header lines made to end in exactly one CR LF (nothing for an
// empty text).
[[nodiscard]] int AppendWithOneLineEnd(NetStringBase& out, const char* text);

// Dot-stuffing of a DATA stream given in pieces: every "." that begins a
// line is doubled, the line starts being tracked across the pieces.
class DotStuffer {
public:
    // Appends the stuffed bytes to out.
    [[nodiscard]] int Stuff(const char* data, uint32_t n, NetStringBase& out);
    // Whether the next byte starts a line.
    bool AtLineStart() const { return m_lineStart; }
    void Reset() { m_lineStart = true; }

private:
    bool m_lineStart = true;
};

// The text of a reply line after its code and separator ("250-alice" gives
// "alice"); the empty text for a line of four characters or fewer.
const char* ReplyTextAfterCode(const char* line, uint32_t n, uint32_t* length);
// The text after the first blank of a line: the challenge of "334 PDE...".
const char* ReplyTextAfterBlank(const char* line, uint32_t n, uint32_t* length);

// Queue files: "<folder>\<a>l_<b>l0.queued"; Variant replaces the "0" by
// "a" + i (0 to 25). ReplaceExtension swaps everything after the last "."
// of the file name for the extension.
[[nodiscard]] int QueueFileName(const char* folder, unsigned a, unsigned b, NetStringBase& out);
bool QueueFileVariant(NetStringBase& name, int i);
[[nodiscard]] int ReplaceExtension(const char* path, const char* extension, NetStringBase& out);

// Reads a queue file's command lines: each line up to LF (CR LF taken off)
// while the commands last, then the rest of the file is the message. The
// engine feeds it blocks and takes lines until it reaches "DATA".
class QueueLineReader {
public:
    static constexpr uint32_t kMaxLine = 4096;

    // Takes a block of the file; 0, or 200 when memory runs out.
    [[nodiscard]] int Feed(const char* data, uint32_t n);
    // The next whole line; false when none is held. A line past kMaxLine is
    // given as TooLong.
    enum class Result { None, Line, TooLong };
    Result Next(const char** line, uint32_t* length);
    // The bytes held after the lines taken (the message's first bytes).
    const char* Rest(uint32_t* length) const;
    void Clear();

private:
    NetString m_buffer;
    uint32_t m_read = 0;
    NetString m_line;
};

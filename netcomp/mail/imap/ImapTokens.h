#pragma once
// Reading the parts of an assembled IMAP response (ImapResponseReader) and
// writing the arguments of a command.
#include <cstdint>

#include "netcomp/core/text/NetString.h"

struct ImapToken {
    enum class Kind { None, Atom, Quoted, List, Literal };

    Kind kind = Kind::None;
    const char* data = nullptr; // a quoted string and a list with their delimiters
    uint32_t length = 0;

    // NIL in any case.
    bool IsNil() const;
    // An atom equal to word, ASCII case-insensitive.
    bool Is(const char* word) const;
    // An atom of digits: its value (0 past 2^31 - 1 or for anything else).
    int Number() const;
    // An atom of digits whose value fits an int: true and the value.
    bool Count(int* value) const;
    // An atom of digits as a size in octets (0 past 2^63 - 1 or for anything else).
    int64_t Size() const;
};

// Tokens are separated by blanks. A quoted string (with backslash escapes), a
// parenthesised list and an atom with a bracketed section (BODY[HEADER.FIELDS
// (DATE)]) are one token each, whatever blanks they hold; a literal is one
// token of its bytes. Malformed input ends at the end of the text.
class ImapTokenReader {
public:
    ImapTokenReader(const char* data, uint32_t n) : m_data(data), m_end(data + n) {}
    // The tokens inside a list token.
    static ImapTokenReader Inside(const ImapToken& list);

    bool Next(ImapToken& token);
    // The token after the next blanks, without taking it.
    ImapToken Peek() const;
    // What is left, leading blanks skipped.
    const char* Rest();
    uint32_t RestLength();

private:
    void SkipBlanks();
    const char* SkipLiteral(const char* p) const;
    const char* SkipQuoted(const char* p) const;

    const char* m_data;
    const char* m_end;
};

// The text of a value: a quoted string without its quotes and escapes, a
// literal's bytes, an atom or a list as it stands; NIL gives the empty text.
[[nodiscard]] int ImapValue(const ImapToken& token, NetStringBase& out);
[[nodiscard]] int ImapAppendValue(const ImapToken& token, NetStringBase& out);

// A command line with its arguments. Arguments that carry the caller's text
// cannot break the line: a raw argument (search criteria, a message set, a
// whole command) is refused when it holds CR or LF; a string argument
// (mailbox, user, password) goes as an atom, as a quoted string or, when it
// holds 8-bit bytes, CR or LF, as a literal.
class ImapCommand {
public:
    static constexpr int kMaxLiterals = 8;

    // The tag (with its blank) and the command's first words, as they stand.
    void Start(const char* tag, const char* verb = "");
    [[nodiscard]] int Verb(const char* text);
    [[nodiscard]] int Raw(const char* text);
    [[nodiscard]] int String(const char* text);
    [[nodiscard]] int Literal(const char* data, uint32_t n);
    [[nodiscard]] int Finish();

    // The bytes to send, in pieces: after each piece but the last the server
    // must answer with a continuation request before the next goes.
    int PieceCount() const { return m_breakCount + 1; }
    const char* Piece(int i, uint32_t* n) const;
    // The command as the protocol trail shows it: the lines, each literal as
    // its announcement.
    const char* Trail() const { return m_trail.CStr(); }
    int Error() const { return m_error; }

private:
    [[nodiscard]] int Add(const char* data, uint32_t n, bool trail);

    NetString m_text;
    NetString m_trail;
    uint32_t m_breaks[kMaxLiterals] = {};
    int m_breakCount = 0;
    int m_error = 0;
};

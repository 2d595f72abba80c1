#pragma once
// The reply of a line protocol, line by line: where it ends and whether it
// is positive. Three forms cover the protocols of the library:
//   kSingleLineReply  one line is the reply (IPPort's GetLine, simple peers);
//   kCodedReply       three-digit codes: a line whose fourth character is "-"
//                     is followed by more, a final 1xx is preliminary and the
//                     real reply follows, 2xx and 3xx are positive (SMTP,
//                     NNTP, SNPP; RFC 5321);
//   kFtpReply         the same, but a reply opened by "NNN-" ends only at a
//                     line of the same code and a blank, whatever lines stand
//                     between (RFC 959);
//   kStatusReply      "+" is positive, anything else ("-ERR") negative (POP).
// The engine may know more than the form about one line (FTP's 426 after
// ABOR, SNPP's 214 help lines): its hint decides for that line.
//
//   ReplyReader reply(kCodedReply);
//   reply.Start();
//   for each line: if (reply.Take(line, n) != ReplyReader::Step::More) break;
//   reply.Positive(), reply.Code(), reply.FinalLine(), reply.Text()
//
// What a peer sends is bounded: the text keeps at most MaxSize bytes; lines
// beyond it are not kept, and Overflowed() says so from the first of them
// (TcpClient then gives the reply up). MaxSize 0 keeps no text at all, for
// an engine that reads each line itself (IMAP's untagged responses).
#include <cstdint>

#include "netcomp/core/text/NetString.h"

enum class ReplyForm : uint8_t { SingleLine, Coded, Status };

struct ReplyRules {
    ReplyForm form;
    // Coded: an "NNN-" reply ends only at a line starting with the same code
    // and a blank (or holding the three digits alone).
    bool sameCodeEnds;
    // Coded: a final 1xx reply is preliminary; the real reply follows.
    bool preliminaryWaits;
    // Coded: the first digits of a positive reply.
    const char* positiveDigits;
};

constexpr ReplyRules kSingleLineReply = {ReplyForm::SingleLine, false, false, ""};
constexpr ReplyRules kCodedReply = {ReplyForm::Coded, false, true, "23"};
constexpr ReplyRules kFtpReply = {ReplyForm::Coded, true, true, "23"};
constexpr ReplyRules kStatusReply = {ReplyForm::Status, false, false, ""};

class ReplyReader {
public:
    static constexpr uint32_t kDefaultMaxSize = 1u << 20;

    enum class Step { More, Done };
    // What the engine knows of a line: nothing (the rules decide), that more
    // lines follow, or that it ends the reply.
    enum class Hint { Rules, More, Final };

    explicit ReplyReader(const ReplyRules& rules = kSingleLineReply) : m_rules(rules) {}

    // The number of a line that begins with three digits, else 0.
    static int LeadingCode(const char* line, uint32_t n);

    void SetRules(const ReplyRules& rules) { m_rules = rules; }
    const ReplyRules& Rules() const { return m_rules; }
    void SetMaxSize(uint32_t bytes) { m_maxSize = bytes; }

    // Forgets the last reply; the next line starts a new one.
    void Start();
    // One line of the reply, without its line end. A line after a complete
    // reply starts the next one.
    Step Take(const char* line, uint32_t n, Hint hint = Hint::Rules);

    // Whether this line, taken next, would end the reply, or its preliminary
    // part (1xx), by the rules: for an engine that acts on a reply while its
    // lines come (FTP opens a download's file once its RETR is taken).
    bool Ends(const char* line, uint32_t n) const;

    bool Complete() const { return m_complete; }
    // The three-digit code of the final line; 0 when it has none.
    int Code() const { return m_code; }
    bool Positive() const { return m_positive; }
    const char* FinalLine() const { return m_final.CStr(); }
    uint32_t FinalLength() const { return m_final.Length(); }
    // Every line kept, each followed by CR LF.
    const NetStringBase& Text() const { return m_text; }
    int LineCount() const { return m_lines; }
    bool Overflowed() const { return m_overflowed; }
    // 200 when a line could not be kept for want of memory.
    int Error() const { return m_error; }

private:
    bool EndsReply(const char* line, uint32_t n);
    void Judge(const char* line, uint32_t n);

    ReplyRules m_rules;
    uint32_t m_maxSize = kDefaultMaxSize;
    NetString m_text;
    NetString m_final;
    char m_openCode[3] = {};
    bool m_open = false; // an "NNN-" reply is open
    bool m_complete = false;
    bool m_positive = false;
    bool m_overflowed = false;
    int m_code = 0;
    int m_lines = 0;
    int m_error = 0;
};

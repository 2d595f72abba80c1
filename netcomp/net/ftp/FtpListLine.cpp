// A token is a run of characters other than blank and tab. DOS lines:
//   03-15-04  02:30PM       <DIR>          docs
//   03-15-04  02:31PM                 1024 notes.txt
// Unix lines: permissions, links, owner, group (some servers leave the
// group out), size, then the month, day and year or time; the name is the
// rest of the line, blanks included:
//   drwxr-xr-x    2 ftp      ftp          4096 Mar 15  2004 my docs
// A numeric group is told from the size by what follows: when the fifth
// token is a number too, it is the size.
#include "netcomp/net/ftp/FtpListLine.h"

#include <cstdint>
#include <initializer_list>

#include "netcomp/core/framework/ResultCodes.h"

namespace {

struct Cursor {
    const char* p;
    const char* end;
};

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

void SkipBlanks(Cursor& c)
{
    while (c.p < c.end && IsBlank(*c.p))
        ++c.p;
}

struct Token {
    const char* data = nullptr;
    uint32_t length = 0;
};

Token NextToken(Cursor& c)
{
    SkipBlanks(c);
    Token t{c.p, 0};
    while (c.p < c.end && !IsBlank(*c.p))
        ++c.p;
    t.length = uint32_t(c.p - t.data);
    return t;
}

bool AllDigits(const Token& t)
{
    if (t.length == 0)
        return false;
    for (uint32_t i = 0; i < t.length; ++i) {
        if (!IsDigit(t.data[i]))
            return false;
    }
    return true;
}

// The leading decimal digits; saturates instead of wrapping.
int64_t Decimal(const Token& t)
{
    int64_t value = 0;
    for (uint32_t i = 0; i < t.length && IsDigit(t.data[i]); ++i) {
        const int digit = t.data[i] - '0';
        if (value > (INT64_MAX - digit) / 10)
            return INT64_MAX;
        value = value * 10 + digit;
    }
    return value;
}

int AppendToken(NetStringBase& out, const Token& t)
{
    if (t.length == 0)
        return kResultOk;
    if (!out.IsEmpty() && out.AppendChar(' ') != kResultOk)
        return kOutOfMemory;
    return out.Append(t.data, t.length);
}

void TakeRest(Cursor& c, FtpListEntry& entry)
{
    SkipBlanks(c);
    entry.name = c.p;
    entry.nameLength = uint32_t(c.end - c.p);
}

} // namespace

FtpListResult ParseFtpListLine(const char* line, uint32_t n, bool longMode, FtpListEntry& entry)
{
    entry.name = line;
    entry.nameLength = n;
    entry.isDirectory = false;
    entry.size = 0;
    entry.time.Clear();
    if (n == 0)
        return FtpListResult::Skip;
    if (!longMode)
        return FtpListResult::Entry;
    if (n >= 2 && (line[0] == 't' || line[0] == 'T') && (line[1] == 'o' || line[1] == 'O'))
        return FtpListResult::Skip;

    Cursor c{line, line + n};
    int rc = kResultOk;
    if (IsDigit(line[0])) {
        const Token date = NextToken(c);
        const Token clock = NextToken(c);
        const Token third = NextToken(c);
        rc = AppendToken(entry.time, date);
        if (rc == kResultOk)
            rc = AppendToken(entry.time, clock);
        if (third.length > 0 && third.data[0] == '<')
            entry.isDirectory = true;
        else
            entry.size = Decimal(third);
    } else {
        entry.isDirectory = line[0] == 'd';
        for (int i = 0; i < 3; ++i)
            NextToken(c);
        const Token fourth = NextToken(c);
        const Token fifth = NextToken(c);
        Token month;
        if (AllDigits(fourth) && !AllDigits(fifth)) {
            entry.size = Decimal(fourth);
            month = fifth;
        } else {
            entry.size = Decimal(fifth);
            month = NextToken(c);
        }
        const Token day = NextToken(c);
        const Token last = NextToken(c);
        for (const Token& t : {month, day, last}) {
            if (rc == kResultOk)
                rc = AppendToken(entry.time, t);
        }
    }
    TakeRest(c, entry);
    return rc == kResultOk ? FtpListResult::Entry : FtpListResult::NoMemory;
}

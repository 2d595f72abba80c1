#pragma once
// Header dates of mail and news ("Date:" lines, IMAP envelope dates, news
// overview lines) turned into this computer's local time, written as
// "MM/DD/YYYY hh:mm:ss". The local zone is a seam: the components pass the
// system's zone, tests pass zones of their own.
#include <cstdint>

#include "netcomp/core/text/NetString.h"

constexpr int kBadRfc822Date = 303;

struct CivilTime {
    int year = 0;
    int month = 0; // 1-12
    int day = 0;   // 1-31
    int hour = 0;
    int minute = 0;
    int second = 0;
};

class LocalZone {
public:
    // The local time at the UTC time given, with the zone's rules for that
    // date (daylight saving included); false when it cannot be converted.
    virtual bool ToLocal(const CivilTime& utc, CivilTime* local) const = 0;

protected:
    ~LocalZone() = default;
};

// The zone of a computer that keeps UTC.
class UtcZone final : public LocalZone {
public:
    bool ToLocal(const CivilTime& utc, CivilTime* local) const override
    {
        *local = utc;
        return true;
    }
};

class Rfc822Date {
public:
    explicit Rfc822Date(const LocalZone& zone) : m_zone(zone) {}

    // 0 with *out at the converted text (valid until the next conversion),
    // 303 with ErrorText() for a date that cannot be read, 200 when memory
    // runs out; after a failure *out is the empty text.
    [[nodiscard]] int Convert(const char* text, const char** out);
    const char* ErrorText() const { return m_error; }

    // The offset of a zone token from UTC in seconds, east positive; an
    // absent token is UTC. 0 or 303.
    [[nodiscard]] static int ParseZone(const char* token, int* seconds);
    // The next token of *cursor: leading delimiters skipped, the delimiter
    // that ends it overwritten by a NUL; null at the end of the text.
    static char* NextToken(char** cursor, const char* delimiters);
    // An optional sign and digits only (the empty text and a lone sign count).
    static bool IsNumber(const char* text);

private:
    [[nodiscard]] int Parse(char* text);

    const LocalZone& m_zone;
    NetString30 m_text;
    const char* m_error = "";
};

// Calendar arithmetic on the proleptic Gregorian calendar, in seconds from
// 1 January 1970 (negative before).
bool IsValidCivilTime(const CivilTime& t);
int64_t CivilToSeconds(const CivilTime& t);
CivilTime SecondsToCivil(int64_t seconds);

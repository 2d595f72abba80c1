// RFC 822 dates: [day-name ","] day month year hour ":" minute ":" second
// [zone]. Tokens are split at blanks, commas and colons, so "08:05:09" gives
// three tokens; names compare case-sensitively as the RFC writes them, and
// anything after the zone (a comment in parentheses) is ignored.
#include "netcomp/mail/date/Rfc822Date.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "netcomp/core/framework/ResultCodes.h"

namespace {

const char* const kDayNames[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const kMonthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

struct ZoneName {
    const char* name;
    int hours;
};

// RFC 822 zones; the military letters with the RFC's signs ("A" is one hour
// behind UTC). "J" is no zone.
const ZoneName kZones[] = {
    {"UT", 0},   {"UTC", 0},  {"GMT", 0},  {"Z", 0},   {"EDT", -4}, {"EST", -5}, {"CDT", -5}, {"CST", -6}, {"MDT", -6},
    {"MST", -7}, {"PDT", -7}, {"PST", -8}, {"A", -1},  {"B", -2},   {"C", -3},   {"D", -4},   {"E", -5},   {"F", -6},
    {"G", -7},   {"H", -8},   {"I", -9},   {"K", -10}, {"L", -11},  {"M", -12},  {"N", 1},    {"O", 2},    {"P", 3},
    {"Q", 4},    {"R", 5},    {"S", 6},    {"T", 7},   {"U", 8},    {"V", 9},    {"W", 10},   {"X", 11},   {"Y", 12},
};

const char kDelimiters[] = " ,:";
const char kNotCompliant[] = "Input date is not RFC822 compliant.";
const char kBadZone[] = "Invalid offset or timezone abbreviation.";

int IndexOf(const char* const* names, int count, const char* token)
{
    for (int i = 0; i < count; ++i)
        if (std::strcmp(names[i], token) == 0)
            return i;
    return -1;
}

// A number token within [low, high]; long enough tokens never wrap.
bool NumberIn(const char* token, long low, long high, long* value)
{
    if (!token || !Rfc822Date::IsNumber(token) || std::strlen(token) > 9)
        return false;
    *value = std::strtol(token, nullptr, 10);
    return *value >= low && *value <= high;
}

bool IsLeap(int64_t year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int64_t year, int month)
{
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeap(year) ? 29 : kDays[month - 1];
}

// Days from 1970-01-01 to the date, and back (H. Hinnant's algorithms).
int64_t DaysFromCivil(int64_t y, int m, int d)
{
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, CivilTime& t)
{
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    t.day = int(doy - (153 * mp + 2) / 5 + 1);
    t.month = int(mp < 10 ? mp + 3 : mp - 9);
    t.year = int(yoe + era * 400 + (t.month <= 2));
}

} // namespace

bool IsValidCivilTime(const CivilTime& t)
{
    return t.month >= 1 && t.month <= 12 && t.day >= 1 && t.day <= DaysInMonth(t.year, t.month) && t.hour >= 0 &&
           t.hour <= 23 && t.minute >= 0 && t.minute <= 59 && t.second >= 0 && t.second <= 59;
}

int64_t CivilToSeconds(const CivilTime& t)
{
    return DaysFromCivil(t.year, t.month, t.day) * 86400 + t.hour * 3600 + t.minute * 60 + t.second;
}

CivilTime SecondsToCivil(int64_t seconds)
{
    int64_t days = seconds / 86400;
    int64_t rest = seconds % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    CivilTime t;
    CivilFromDays(days, t);
    t.hour = int(rest / 3600);
    t.minute = int(rest / 60 % 60);
    t.second = int(rest % 60);
    return t;
}

bool Rfc822Date::IsNumber(const char* text)
{
    if (!text)
        return false;
    if (*text == '+' || *text == '-')
        ++text;
    for (; *text; ++text)
        if (*text < '0' || *text > '9')
            return false;
    return true;
}

char* Rfc822Date::NextToken(char** cursor, const char* delimiters)
{
    char* p = *cursor;
    while (*p && std::strchr(delimiters, *p))
        ++p;
    if (!*p) {
        *cursor = p;
        return nullptr;
    }
    char* token = p;
    while (*p && !std::strchr(delimiters, *p))
        ++p;
    if (*p)
        *p++ = '\0';
    *cursor = p;
    return token;
}

int Rfc822Date::ParseZone(const char* token, int* seconds)
{
    *seconds = 0;
    if (!token)
        return kResultOk;
    for (const ZoneName& zone : kZones) {
        if (std::strcmp(zone.name, token) == 0) {
            *seconds = zone.hours * 3600;
            return kResultOk;
        }
    }
    int sign = 1;
    if (*token == '-') {
        sign = -1;
        ++token;
    } else if (*token == '+') {
        ++token;
    }
    long value = 0;
    if (std::strlen(token) != 4 || !NumberIn(token, 0, 1200, &value))
        return kBadRfc822Date;
    const int hours = (token[0] - '0') * 10 + (token[1] - '0');
    const int minutes = (token[2] - '0') * 10 + (token[3] - '0');
    *seconds = sign * (hours * 60 + minutes) * 60;
    return kResultOk;
}

int Rfc822Date::Convert(const char* text, const char** out)
{
    m_text.Clear();
    m_error = "";
    *out = m_text.CStr();
    NetString copy;
    if (copy.AssignText(text ? text : "") != kResultOk)
        return kOutOfMemory;
    const int rc = Parse(copy.Data());
    if (rc != kResultOk)
        m_text.Clear();
    *out = m_text.CStr();
    return rc;
}

int Rfc822Date::Parse(char* text)
{
    m_error = kNotCompliant;
    char* cursor = text;
    char* token = NextToken(&cursor, kDelimiters);
    if (!token)
        return kBadRfc822Date;
    if (!IsNumber(token)) {
        if (IndexOf(kDayNames, 7, token) < 0)
            return kBadRfc822Date;
        token = NextToken(&cursor, kDelimiters);
    }
    char* fields[5];
    for (char*& field : fields)
        field = NextToken(&cursor, kDelimiters);
    char* zone = NextToken(&cursor, kDelimiters);

    long day = 0, year = 0, hour = 0, minute = 0, second = 0;
    const int month = IndexOf(kMonthNames, 12, fields[0] ? fields[0] : "");
    if (!NumberIn(token, 1, 31, &day) || month < 0 || !fields[1] || std::strlen(fields[1]) != 4 ||
        !NumberIn(fields[1], 1900, 9999, &year) || !NumberIn(fields[2], 0, 24, &hour) ||
        !NumberIn(fields[3], 0, 59, &minute) || !NumberIn(fields[4], 0, 59, &second))
        return kBadRfc822Date;

    int offset = 0;
    if (ParseZone(zone, &offset) != kResultOk) {
        m_error = kBadZone;
        return kBadRfc822Date;
    }
    CivilTime stated;
    stated.year = int(year);
    stated.month = month + 1;
    stated.day = int(day);
    stated.hour = int(hour);
    stated.minute = int(minute);
    stated.second = int(second);
    if (!IsValidCivilTime(stated))
        return kBadRfc822Date; // 30 February, hour 24
    const CivilTime utc = SecondsToCivil(CivilToSeconds(stated) - offset);
    CivilTime local;
    if (!m_zone.ToLocal(utc, &local) || !IsValidCivilTime(local))
        return kBadRfc822Date;

    char out[48];
    std::snprintf(out, sizeof out, "%02d/%02d/%d %02d:%02d:%02d", local.month, local.day, local.year, local.hour,
                  local.minute, local.second);
    if (m_text.AssignText(out) != kResultOk)
        return kOutOfMemory;
    m_error = "";
    return kResultOk;
}

#include "netcomp/net/netclock/TimeProtocol.h"

#include <cstdio>

namespace time_protocol {

bool ReadAnswer(const char* data, std::size_t length, std::uint32_t& seconds)
{
    if (length < 4)
        return false;
    const auto* p = reinterpret_cast<const unsigned char*>(data);
    seconds = std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
    return seconds != 0;
}

CalendarTime FromSeconds(std::uint32_t secondsSince1900)
{
    CalendarTime t;
    const std::uint32_t days = secondsSince1900 / 86400;
    std::uint32_t rest = secondsSince1900 % 86400;
    t.hour = int(rest / 3600);
    rest %= 3600;
    t.minute = int(rest / 60);
    t.second = int(rest % 60);
    // Days since 1900-01-01 to the Gregorian date, counted in eras of 400
    // years from 0000-03-01, so that 1900 and 2100 are no leap years.
    const long z = long(days) + 693901;
    const long era = z / 146097;
    const long doe = z - era * 146097;
    const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long mp = (5 * doy + 2) / 153;
    t.day = int(doy - (153 * mp + 2) / 5 + 1);
    t.month = int(mp < 10 ? mp + 3 : mp - 9);
    t.year = int(yoe + era * 400 + (t.month <= 2 ? 1 : 0));
    return t;
}

std::string Text(const CalendarTime& time)
{
    char text[40];
    std::snprintf(text, sizeof text, "%02d/%02d/%04d %02d:%02d:%02d", time.month, time.day, time.year, time.hour,
                  time.minute, time.second);
    return text;
}

} // namespace time_protocol

#include "netcomp/mail/date/SystemZone.h"

#include <winsock2.h>
#include <windows.h>

namespace {

// UTC to local time with the bias in force on that date: the zone's rules
// for the date's year, not today's offset.
class WindowsZone final : public LocalZone {
public:
    bool ToLocal(const CivilTime& utc, CivilTime* local) const override
    {
        if (utc.year < 1601 || utc.year > 30827)
            return false;
        SYSTEMTIME in{};
        in.wYear = WORD(utc.year);
        in.wMonth = WORD(utc.month);
        in.wDay = WORD(utc.day);
        in.wHour = WORD(utc.hour);
        in.wMinute = WORD(utc.minute);
        in.wSecond = WORD(utc.second);
        TIME_ZONE_INFORMATION zone{};
        const bool ofYear = GetTimeZoneInformationForYear(in.wYear, nullptr, &zone) != FALSE;
        SYSTEMTIME out{};
        if (!SystemTimeToTzSpecificLocalTime(ofYear ? &zone : nullptr, &in, &out))
            return false;
        local->year = out.wYear;
        local->month = out.wMonth;
        local->day = out.wDay;
        local->hour = out.wHour;
        local->minute = out.wMinute;
        local->second = out.wSecond;
        return true;
    }
};

} // namespace

const LocalZone& SystemZone()
{
    static const WindowsZone zone;
    return zone;
}

int LocalizeDate(ComponentBase& engine, Rfc822Date& dates, const char* text, const char** answer)
{
    const int rc = dates.Convert(text, answer);
    if (rc == kBadRfc822Date)
        engine.SetLastErrorText(dates.ErrorText());
    return rc;
}

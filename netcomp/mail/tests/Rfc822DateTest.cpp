// Header dates to local time: the rules of the format (tokens, names, ranges,
// zones) on a UTC computer, and whole conversions compared with Python's
// email.utils on a UTC computer and in two zones with daylight saving, for
// dates in both seasons.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

#include "netcomp/mail/date/Rfc822Date.h"

namespace {

// The zone of the TZ setting given, through the C library.
class PosixZone final : public LocalZone {
public:
    explicit PosixZone(std::string tz) : m_tz(std::move(tz)) {}
    bool ToLocal(const CivilTime& utc, CivilTime* local) const override
    {
        setenv("TZ", m_tz.c_str(), 1);
        tzset();
        const time_t t = time_t(CivilToSeconds(utc));
        struct tm tm {};
        if (!localtime_r(&t, &tm))
            return false;
        local->year = tm.tm_year + 1900;
        local->month = tm.tm_mon + 1;
        local->day = tm.tm_mday;
        local->hour = tm.tm_hour;
        local->minute = tm.tm_min;
        local->second = tm.tm_sec;
        return true;
    }

private:
    std::string m_tz;
};

std::string Convert(const LocalZone& zone, const char* text, int expected = 0)
{
    Rfc822Date date(zone);
    const char* out = "unset";
    const int rc = date.Convert(text, &out);
    EXPECT_EQ(rc, expected) << text;
    return rc == 0 ? out : std::string(out) + "|" + date.ErrorText();
}

TEST(Rfc822Date, FormatRulesOnUtcComputer)
{
    const UtcZone utc;
    EXPECT_EQ(Convert(utc, "Mon, 12 Jan 2004 08:05:09 +0100"), "01/12/2004 07:05:09");
    EXPECT_EQ(Convert(utc, "12 Jan 2004 08:05:09 GMT"), "01/12/2004 08:05:09");
    EXPECT_EQ(Convert(utc, "Mon, 12 Jan 2004 08:05:09"), "01/12/2004 08:05:09");
    EXPECT_EQ(Convert(utc, "29 Feb 2004 23:59:59 +0000"), "02/29/2004 23:59:59");
    EXPECT_EQ(Convert(utc, "Sun, 5 Sep 2004 07:05:09 Z (a comment)"), "09/05/2004 07:05:09");
    // The day name is not compared with the date.
    EXPECT_EQ(Convert(utc, "Fri, 12 Jan 2004 08:05:09 UT"), "01/12/2004 08:05:09");

    // Zones: names, military letters with the RFC's signs, numeric offsets
    // with or without a sign; the minutes are not limited to 59.
    EXPECT_EQ(Convert(utc, "12 Jan 2004 08:05:09 +0530"), "01/12/2004 02:35:09");
    EXPECT_EQ(Convert(utc, "12 Jan 2004 08:05:09 0530"), "01/12/2004 02:35:09");
    EXPECT_EQ(Convert(utc, "12 Jan 2004 08:05:09 -0800"), "01/12/2004 16:05:09");
    EXPECT_EQ(Convert(utc, "12 Jan 2004 08:05:09 EST"), "01/12/2004 13:05:09");
    EXPECT_EQ(Convert(utc, "12 Jan 2004 08:05:09 PDT"), "01/12/2004 15:05:09");
    EXPECT_EQ(Convert(utc, "12 Jan 2004 08:05:09 A"), "01/12/2004 09:05:09");
    EXPECT_EQ(Convert(utc, "12 Jan 2004 08:05:09 Y"), "01/11/2004 20:05:09");
    EXPECT_EQ(Convert(utc, "12 Jan 2004 08:05:09 +0099"), "01/12/2004 06:26:09");
    EXPECT_EQ(Convert(utc, "1 Jan 1900 00:00:00 +1200"), "12/31/1899 12:00:00");
    EXPECT_EQ(Convert(utc, "31 Dec 9999 23:00:00 -1200"), "01/01/10000 11:00:00");

    const std::string notCompliant = "|Input date is not RFC822 compliant.";
    const std::string badZone = "|Invalid offset or timezone abbreviation.";
    for (const char* bad :
         {"", "   ", "Mon 12 Jan 2004 08:05 GMT", "mon, 12 jan 2004 08:05:09 gmt", "12 Jan 04 08:05:09 GMT",
          "12 Jan 1899 08:05:09 GMT", "31 Apr 2004 10:00:00 GMT", "29 Feb 2100 10:00:00 GMT",
          "12 Jan 2004 24:00:00 GMT", "12 Jan 2004 08:60:09", "12 Jan 2004 08:05:60", "0 Jan 2004 08:05:09",
          "32 Jan 2004 08:05:09", "Xyz, 12 Jan 2004 08:05:09", "12 January 2004 08:05:09", "+ Jan 2004 08:05:09",
          "12 Jan +200 08:05:09", "12 Jan 2004 -1:05:09", "12 Jan 2004 99999999999999999999:0:0"})
        EXPECT_EQ(Convert(utc, bad, 303), notCompliant) << bad;
    for (const char* bad : {"12 Jan 2004 08:05:09 +05:30", "12 Jan 2004 08:05:09 J", "12 Jan 2004 08:05:09 +1300",
                            "12 Jan 2004 08:05:09 gmt", "12 Jan 2004 08:05:09 +-100", "12 Jan 2004 08:05:09 +01000"})
        EXPECT_EQ(Convert(utc, bad, 303), badZone) << bad;
}

TEST(Rfc822Date, TextStaysUntilNextConversionAndEmptiesOnFailure)
{
    const UtcZone utc;
    Rfc822Date date(utc);
    const char* first = nullptr;
    ASSERT_EQ(date.Convert("12 Jan 2004 08:05:09 GMT", &first), 0);
    EXPECT_STREQ(first, "01/12/2004 08:05:09");
    const char* second = nullptr;
    EXPECT_EQ(date.Convert(nullptr, &second), 303);
    EXPECT_STREQ(second, "");
    EXPECT_STREQ(first, "");
}

// Python's email.utils on the same texts in the same zone, one line each.
std::vector<std::string> PythonLocalTimes(const std::string& tz, const std::vector<std::string>& dates)
{
    const std::string input = testing::TempDir() + "/dates.txt";
    std::ofstream(input) << [&] {
        std::string all;
        for (const std::string& d : dates)
            all += d + "\n";
        return all;
    }();
    const std::string command = "TZ=" + tz +
                                " /usr/bin/python3 -c \"import email.utils, sys, time\n"
                                "for line in open(sys.argv[1]):\n"
                                "    t = email.utils.mktime_tz(email.utils.parsedate_tz(line.strip()))\n"
                                "    print(time.strftime('%m/%d/%Y %H:%M:%S', time.localtime(t)))\" " +
                                input;
    std::vector<std::string> out;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return out;
    char line[128];
    while (std::fgets(line, sizeof line, pipe)) {
        std::string text(line);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
            text.pop_back();
        out.push_back(text);
    }
    pclose(pipe);
    return out;
}

TEST(Rfc822Date, AgreesWithPythonInZonesWithDaylightSaving)
{
    // Winter and summer dates, the nights the clocks change, and zones that
    // move the date across midnight and the year's end.
    const std::vector<std::string> dates = {
        "Mon, 12 Jan 2004 08:05:09 +0100", "Mon, 12 Jul 2004 08:05:09 +0100", "Sun, 28 Mar 2004 00:59:59 GMT",
        "Sun, 28 Mar 2004 01:00:00 GMT",   "Sun, 31 Oct 2004 00:59:59 GMT",   "Sun, 31 Oct 2004 01:00:00 GMT",
        "Sun, 14 Mar 2021 06:59:59 GMT",   "Sun, 14 Mar 2021 07:00:00 GMT",   "Sun, 7 Nov 2021 05:59:59 GMT",
        "Sun, 7 Nov 2021 06:00:00 GMT",    "31 Dec 2023 23:30:00 -0500",      "1 Jan 2024 00:15:00 +1200",
        "15 Aug 2023 12:00:00 EDT",        "15 Feb 2023 12:00:00 PST",        "29 Feb 2024 23:59:59 -1200",
    };
    for (const char* tz : {"UTC", "Europe/Berlin", "America/New_York"}) {
        const std::vector<std::string> expected = PythonLocalTimes(tz, dates);
        ASSERT_EQ(expected.size(), dates.size()) << "python3 failed for " << tz;
        const PosixZone zone(tz);
        for (size_t i = 0; i < dates.size(); ++i)
            EXPECT_EQ(Convert(zone, dates[i].c_str()), expected[i]) << tz << ": " << dates[i];
    }
    unsetenv("TZ");
    tzset();
}

} // namespace

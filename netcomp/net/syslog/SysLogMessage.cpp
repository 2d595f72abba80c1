#include "netcomp/net/syslog/SysLogMessage.h"

#include <cctype>
#include <cstdio>

namespace syslog_message {

namespace {

const char* const kMonths[] = {"Jan ", "Feb ", "Mar ", "Apr ", "May ", "Jun ",
                               "Jul ", "Aug ", "Sep ", "Oct ", "Nov ", "Dec "};

bool IsMonth(const char* p)
{
    for (const char* month : kMonths) {
        int i = 0;
        while (i < 4 && std::tolower(static_cast<unsigned char>(p[i])) == std::tolower(month[i]))
            ++i;
        if (i == 4)
            return true;
    }
    return false;
}

} // namespace

const char* FacilityName(int facility)
{
    static const char* const kNames[] = {"Kernel",
                                         "User-level",
                                         "Mail System",
                                         "System Daemons",
                                         "Security/authorization",
                                         "Internal",
                                         "Line Printer Subsystem",
                                         "Network News Subsystem",
                                         "UUCP Subsystem",
                                         "Clock Daemon",
                                         "Security/Authorization",
                                         "FTP",
                                         "NTP Subsystem",
                                         "Log Audit",
                                         "Log Alert",
                                         "Clock Daemon",
                                         "Local Use 0",
                                         "Local Use 1",
                                         "Local Use 2",
                                         "Local Use 3",
                                         "Local Use 4",
                                         "Local Use 5",
                                         "Local Use 6",
                                         "Local Use 7"};
    return facility >= 0 && facility < 24 ? kNames[facility] : "<unknown facility>";
}

const char* SeverityName(int severity)
{
    static const char* const kNames[] = {"Emergency: System Is Unusable",
                                         "Alert: Action Must Be Taken Immediately",
                                         "Critical Condition",
                                         "Error Condition",
                                         "Warning Condition",
                                         "Notice: Normal But Significant Condition",
                                         "Informational Message",
                                         "Debug-level Messages"};
    return severity >= 0 && severity < 8 ? kNames[severity] : "<unknown severity>";
}

bool Format(int facility, int severity, const Time& time, const std::string& host, const char* message,
            std::size_t messageLength, std::string& out)
{
    if (time.month < 1 || time.month > 12)
        return false;
    const unsigned pri = unsigned(facility * 8 + (severity & 7)) & 0xFF;
    char head[48];
    std::snprintf(head, sizeof head, "<%u>%s%2d %02d:%02d:%02d ", pri, kMonths[time.month - 1], time.day % 100,
                  time.hour % 100, time.minute % 100, time.second % 100);
    out = head;
    out += host;
    out += ' ';
    if (message)
        out.append(message, messageLength);
    return true;
}

Parsed Parse(const char* data, std::size_t length)
{
    Parsed parsed;
    std::size_t at = 0;
    if (length > 0 && data[0] == '<') {
        std::size_t digits = 0;
        int pri = 0;
        while (digits < 4 && 1 + digits < length && std::isdigit(static_cast<unsigned char>(data[1 + digits]))) {
            pri = pri * 10 + (data[1 + digits] - '0');
            ++digits;
        }
        if (1 + digits < length && data[1 + digits] == '>') {
            parsed.severity = pri & 7;
            parsed.facility = (pri >> 3) & 31;
            at = 2 + digits;
        }
    }
    if (at == 0) {
        parsed.message.assign(data, length);
        return parsed;
    }
    const char* rest = data + at;
    const std::size_t restLength = length - at;
    bool stamped = restLength > 15 && IsMonth(rest);
    for (std::size_t i = 4; stamped && i < 15; ++i) {
        const char c = rest[i];
        stamped = std::isdigit(static_cast<unsigned char>(c)) || c == ' ' || c == ':';
    }
    if (!stamped) {
        std::size_t skip = restLength > 0 && rest[0] == ' ' ? 1 : 0;
        parsed.message.assign(rest + skip, restLength - skip);
        return parsed;
    }
    parsed.timestamp.assign(rest, 15);
    std::size_t i = 15;
    if (i < restLength && rest[i] == ' ')
        ++i;
    const std::size_t hostStart = i;
    while (i < restLength && rest[i] != ' ')
        ++i;
    parsed.hostname.assign(rest + hostStart, i - hostStart);
    if (i < restLength) {
        parsed.conforming = true;
        ++i;
    }
    parsed.message.assign(rest + i, restLength - i);
    return parsed;
}

} // namespace syslog_message

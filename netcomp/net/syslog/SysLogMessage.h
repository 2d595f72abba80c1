#pragma once
// BSD syslog messages (RFC 3164): the datagram the SysLog component sends,
// and the split of a received one into priority, timestamp, host name and
// text.
#include <cstddef>
#include <string>

namespace syslog_message {

constexpr int kDefaultFacility = 1;
constexpr int kDefaultSeverity = 5;

const char* FacilityName(int facility);
const char* SeverityName(int severity);

struct Time {
    int month; // 1-12
    int day;
    int hour;
    int minute;
    int second;
};

// "<PRI>Mmm dd hh:mm:ss host message"; false when the month is not 1-12.
bool Format(int facility, int severity, const Time& time, const std::string& host, const char* message,
            std::size_t messageLength, std::string& out);

struct Parsed {
    int facility = kDefaultFacility;
    int severity = kDefaultSeverity;
    std::string timestamp;
    std::string hostname;
    std::string message;
    bool conforming = false;
};

Parsed Parse(const char* data, std::size_t length);

} // namespace syslog_message

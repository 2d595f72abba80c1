#pragma once
// The Time Protocol (RFC 868): a time server answers with the seconds since
// 1900-01-01 00:00 UTC as four bytes, big-endian. This file turns them into
// a calendar date and the texts of the NetClock component.
#include <cstddef>
#include <cstdint>
#include <string>

namespace time_protocol {

struct CalendarTime {
    int year;
    int month; // 1-12
    int day;
    int hour;
    int minute;
    int second;
};

// The seconds of an answer; false when it holds fewer than four bytes or
// says 0, which no server means as a time.
bool ReadAnswer(const char* data, std::size_t length, std::uint32_t& seconds);

CalendarTime FromSeconds(std::uint32_t secondsSince1900);

// "MM/DD/YYYY hh:mm:ss"; the server time adds " GMT".
std::string Text(const CalendarTime& time);

} // namespace time_protocol

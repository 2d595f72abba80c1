// Text forms of the IPInfo component's answers: lease times, hardware
// addresses, adapter and node types, address lists. No Windows header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ipinfo {

struct DateTime {
    int year, month, day, hour, minute, second;
};

// "MM/DD/YYYY hh:mm:ss"
std::string FormatLeaseTime(const DateTime& local);

// Two lower-case hexadecimal digits a byte, joined by "-".
std::string FormatHardwareAddress(const std::uint8_t* bytes, std::size_t length);

std::string AdapterTypeName(unsigned type);
std::string NodeTypeName(unsigned type);

// Texts joined by single blanks, cut to at most maxLength characters
// (0: no limit).
std::string JoinWithBlanks(const std::vector<std::string>& items, std::size_t maxLength = 0);

} // namespace ipinfo

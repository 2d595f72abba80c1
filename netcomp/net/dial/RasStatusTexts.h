#pragma once
// NetDial's texts for the connection states and the RAS errors: its own
// table, whatever language the platform speaks.
#include <string>

namespace ras {

// The number of codes the table describes.
constexpr int kStatusTextCount = 181;

// The RAS errors the table describes.
constexpr int kFirstError = 600;
constexpr int kLastError = 752;

// The table's text for a connection state or RAS error; null for a code it
// does not hold.
const char* StatusText(int code);

// The text of a connection state or RAS error ("[n] (no description
// available)" for a number the table does not hold).
std::string Describe(int code);
// The same for an error code: only the RAS errors (600 and up) have texts,
// so that a system error such as 1 is not named after a connection state.
std::string DescribeError(int code);

} // namespace ras

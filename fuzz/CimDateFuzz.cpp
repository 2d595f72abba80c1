// Date texts as a remote WMI may hand them over: any length, any bytes. The
// answer is always a ten-character month/day/year text.
#include "audit/CimDate.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string date = CimDateToText(text);
    if (date.size() != 10 || date[2] != '/' || date[5] != '/') {
        __builtin_trap();
    }
    return 0;
}

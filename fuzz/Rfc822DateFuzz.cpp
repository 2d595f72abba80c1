// Any text as a header date: the conversion must stay inside the text and,
// when it succeeds, give "MM/DD/YYYY hh:mm:ss" (a year of four or five digits).
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "netcomp/mail/date/Rfc822Date.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const UtcZone utc;
    Rfc822Date date(utc);
    const char* out = nullptr;
    const int rc = date.Convert(text.c_str(), &out);
    const size_t n = std::strlen(out);
    if (rc == 0 ? (n != 19 && n != 20) || out[2] != '/' || out[n - 9] != ' ' : n != 0)
        std::abort();
    return 0;
}

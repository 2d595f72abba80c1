// The numbers of a POP3 server's answers (STAT, "LIST n", LIST and UIDL
// listing lines): what reads is never negative, what does not read leaves
// nothing behind, and a UIDL line's id lies within the line.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "netcomp/mail/pop/PopReplies.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string line(reinterpret_cast<const char*>(data), size);
    int count = -7;
    int64_t total = -7;
    if (ParsePopStatReply(line.c_str(), &count, &total) ? count < 0 || total < 0 : count != -7 || total != -7)
        std::abort();
    int64_t one = -7;
    if (ParsePopSizeReply(line.c_str(), &one) ? one < 0 : one != -7)
        std::abort();
    for (const bool sizes : {true, false}) {
        PopListLine item;
        const bool read = ParsePopListLine(line.c_str(), sizes, item);
        if (item.number < 0 || item.size < 0 || (!read && (item.number || item.size || *item.uid)))
            std::abort();
        if (*item.uid && (item.uid < line.c_str() || item.uid > line.c_str() + line.size()))
            std::abort();
    }
    return 0;
}

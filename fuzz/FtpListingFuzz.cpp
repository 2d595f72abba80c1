// Plays an FTP server's listing and replies: the first byte chooses a name
// list, a long listing or reply lines; the rest is cut into lines at LF. A
// parsed entry must lie within its line, and no reader may read past it.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "netcomp/net/ftp/FtpListLine.h"
#include "netcomp/net/ftp/FtpReplies.h"

namespace {

void Reply(const char* line, uint32_t n)
{
    uint8_t address[4];
    uint16_t port = 0;
    if (ParsePassiveReply(line, n, address, &port) && port == 0)
        std::abort();
    const char* start = nullptr;
    uint32_t length = 0;
    QuotedPath(line, n, &start, &length);
    if (start < line || start + length > line + n)
        std::abort();
    int64_t value = 0;
    if (NumberAfterCode(line, n, &value) && value < 0)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const int kind = data[0] % 3;
    const char* p = reinterpret_cast<const char*>(data + 1);
    const char* end = reinterpret_cast<const char*>(data + size);
    FtpListEntry entry;
    while (p < end) {
        const char* lf = static_cast<const char*>(std::memchr(p, '\n', size_t(end - p)));
        const char* stop = lf ? lf : end;
        // A copy of exactly the line's bytes, so a read past it is caught.
        std::vector<char> line(p, stop);
        const uint32_t n = uint32_t(line.size());
        const char* text = line.empty() ? "" : line.data();
        if (kind == 2) {
            Reply(text, n);
        } else if (ParseFtpListLine(text, n, kind == 1, entry) == FtpListResult::Entry) {
            if (entry.name < text || entry.name + entry.nameLength > text + n || entry.size < 0 ||
                entry.time.Length() > n)
                std::abort();
        }
        p = lf ? lf + 1 : end;
    }
    return 0;
}

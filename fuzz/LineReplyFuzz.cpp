// Plays the peer of a line protocol: the input chooses the reply form, how
// the bytes are cut (whole socket records or raw chunks) and whether long
// lines are refused or split, then gives the bytes. Lines, pieces and
// replies must stay within their bounds, and a line that ends in "{n}"
// makes the next n bytes an IMAP literal.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "netcomp/core/tcp/LineSource.h"
#include "netcomp/core/tcp/ReplyReader.h"

namespace {

constexpr uint32_t kMaxLine = 200;
constexpr uint32_t kMaxReply = 600;

// "{n}" at the end of a line announces n literal bytes (kept small here).
uint32_t LiteralLength(const char* line, uint32_t n)
{
    if (n < 3 || line[n - 1] != '}')
        return 0;
    uint32_t i = n - 1;
    while (i > 0 && line[i - 1] >= '0' && line[i - 1] <= '9' && n - i < 8)
        --i;
    if (i == 0 || i == n - 1 || line[i - 1] != '{')
        return 0;
    uint32_t value = 0;
    for (; i < n - 1; ++i)
        value = value * 10 + uint32_t(line[i] - '0');
    return value % 5000;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    const ReplyRules* forms[] = {&kSingleLineReply, &kCodedReply, &kFtpReply, &kStatusReply};
    ReplyReader reply(*forms[data[0] % 4]);
    reply.SetMaxSize(kMaxReply);
    LineSource lines;
    lines.SetMaxLine(kMaxLine);
    const size_t step = size_t(data[1] & 0x3F) + 1;
    const bool records = (data[1] & 0x80) != 0; // cut at LF like a socket in line mode
    const LineSource::LongLine whenLong =
        (data[1] & 0x40) != 0 ? LineSource::LongLine::Split : LineSource::LongLine::Refuse;
    size_t pos = 2;
    while (pos < size) {
        const char* chunk = reinterpret_cast<const char*>(data + pos);
        size_t n = step < size - pos ? step : size - pos;
        bool ended = false;
        if (records) {
            const void* lf = std::memchr(chunk, '\n', n);
            if (lf) {
                n = size_t(static_cast<const char*>(lf) - chunk) + 1;
                ended = true;
            }
        }
        pos += n;
        if (lines.Feed(chunk, uint32_t(ended ? n - 1 : n), ended) != 0)
            return 0;
        const char* line;
        uint32_t length;
        for (;;) {
            const LineSource::Result r = lines.Next(&line, &length, whenLong);
            if (r == LineSource::Result::None)
                break;
            if (r == LineSource::Result::Block)
                continue;
            if (length > kMaxLine || std::memchr(line, '\n', length))
                std::abort();
            if (r == LineSource::Result::TooLong || r == LineSource::Result::Piece) {
                // The first bytes of a long line, refused or handed on as asked.
                if (length != kMaxLine || (r == LineSource::Result::Piece) != (whenLong == LineSource::LongLine::Split))
                    std::abort();
                continue;
            }
            lines.ExpectBlock(LiteralLength(line, length));
            const ReplyReader::Step step = reply.Take(line, length);
            if (reply.Text().Length() > kMaxReply || reply.FinalLength() != length)
                std::abort();
            if ((step == ReplyReader::Step::Done) != reply.Complete())
                std::abort();
        }
        if (lines.Held() > kMaxLine + 2 + n && lines.BlockLeft() == 0)
            std::abort();
    }
    return 0;
}

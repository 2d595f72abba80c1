// A retrieved message as a line-mode socket delivers it, lines cut into
// pieces of a size the input chooses: the receive handler must give the same
// headers, body, byte count and end whether lines come whole or in pieces,
// and never count more than it was given plus two per line end.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "netcomp/mail/client/MailMessageReader.h"

namespace {

struct Sink final : MailMessageSink {
    std::string headers;
    int OnMailHeader(const char* name, const char* value) override
    {
        headers += std::string(name) + ":" + value + "\n";
        return 0;
    }
    int OnMailBodyStart() override { return 0; }
    int OnMailBodyLine(int64_t, const char*, uint32_t, bool) override { return 0; }
    int OnMailEnd() override { return 0; }
};

struct Result {
    std::string headers, body;
    int64_t bytes;
    bool done;
};

// Lines end at LF; a piece size of k cuts every line into pieces of k bytes.
Result Run(const char* data, size_t size, size_t piece, int charsetMode)
{
    Sink sink;
    MailMessageReader reader(sink);
    reader.Start(true, true, charsetMode);
    size_t start = 0;
    for (size_t i = 0; i <= size; ++i) {
        if (i < size && data[i] != '\n')
            continue;
        const bool eol = i < size;
        size_t from = start;
        while (piece && i - from > piece) {
            if (reader.Feed(data + from, uint32_t(piece), false) != 0)
                std::abort();
            from += piece;
        }
        if ((eol || i > from) && reader.Feed(data + from, uint32_t(i - from), eol) != 0)
            std::abort();
        start = i + 1;
    }
    return {sink.headers, std::string(reader.Body().Data(), reader.Body().Length()), reader.Bytes(), reader.Done()};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const size_t piece = data[0] % 16;
    const char* text = reinterpret_cast<const char*>(data + 1);
    const Result whole = Run(text, size - 1, 0, 0);
    if (whole.bytes > int64_t(2 * size + 2))
        std::abort();
    (void)Run(text, size - 1, 0, 1);
    // Cut into pieces, lines must give the same headers, body, count and end.
    const Result pieces = Run(text, size - 1, piece, 0);
    if (pieces.headers != whole.headers || pieces.body != whole.body || pieces.bytes != whole.bytes ||
        pieces.done != whole.done)
        std::abort();
    return 0;
}

// The SMTP text rules on what a caller or a queue file gives: address lists
// (every address is a whole entry of the list, without comma outside quotes
// or brackets), the reverse path and the identifier made from From, the
// header block, dot-stuffing (undone it gives the input back, however the
// input is cut) and queue files read line by line.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "netcomp/mail/smtp/SmtpText.h"

namespace {

// Undoes dot-stuffing: a "." that begins a line is dropped once.
std::string Unstuff(const char* data, uint32_t n)
{
    std::string out;
    bool lineStart = true;
    for (uint32_t i = 0; i < n; ++i) {
        if (!(lineStart && data[i] == '.'))
            out += data[i];
        else if (i + 1 >= n || data[i + 1] != '.')
            abort(); // a line-leading dot that was not doubled
        else
            out += data[++i];
        lineStart = data[i] == '\n';
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    const char* c = text.c_str(); // up to the first NUL, as the properties take it
    const uint8_t choice = data[0];

    StringList addresses;
    if (SplitAddressList(c, addresses) == 0) {
        for (uint32_t i = 0; i < addresses.Count(); ++i) {
            if (addresses.ItemLength(i) == 0)
                abort();
        }
    }
    NetString path;
    NetString id;
    if (ReversePath(c, path) != 0 || FormatMessageId(1, 2, 3, 4, c, id) != 0)
        return 0;
    if (id.Length() < 2 || id[0] != '<' || id[id.Length() - 1] != '>' || id.Find(">", 1) != int(id.Length() - 1))
        abort();

    MailHeaderFields fields{};
    fields.from = "a@x";
    fields.otherHeaders = c;
    fields.japanese = (choice & 1) != 0;
    NetString headers;
    if (BuildMailHeaders(fields, headers) != 0)
        return 0;

    // Stuffed in pieces whose sizes come from the choice byte.
    DotStuffer stuffer;
    NetString stuffed;
    const uint32_t step = 1 + choice % 17;
    for (size_t at = 0; at < text.size(); at += step) {
        const uint32_t n = uint32_t(std::min<size_t>(step, text.size() - at));
        if (stuffer.Stuff(text.data() + at, n, stuffed) != 0)
            return 0;
    }
    if (Unstuff(stuffed.Data(), stuffed.Length()) != text)
        abort();

    QueueLineReader reader;
    for (size_t at = 0; at < text.size(); at += step) {
        const uint32_t n = uint32_t(std::min<size_t>(step, text.size() - at));
        if (reader.Feed(text.data() + at, n) != 0)
            return 0;
        const char* line = nullptr;
        uint32_t length = 0;
        while (reader.Next(&line, &length) == QueueLineReader::Result::Line) {
            if (length > QueueLineReader::kMaxLine || std::memchr(line, '\n', length))
                abort();
        }
    }
    NetString renamed;
    (void)ReplaceExtension(c, "sending", renamed);
    return 0;
}

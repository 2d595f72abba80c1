// UUencode: "begin <mode> <name>", lines of up to 45 bytes (a length
// character, then four characters per three bytes, each six bits + 32 with 0
// written as "`"), a zero-length line and "end". Split output numbers its
// parts in header and trailer lines, which the decoder passes over.
#include <cstdio>
#include <cstring>

#include "netcomp/mail/coders/CoderBuffer.h"
#include "netcomp/mail/coders/CoderErrors.h"
#include "netcomp/mail/coders/Coders.h"

namespace {

constexpr size_t kLineBytes = 45;
constexpr size_t kLineChars = 1 + kLineBytes / 3 * 4 + 2;
constexpr size_t kMaxLine = 1024;

char UuChar(unsigned v)
{
    return v ? char(v + 32) : '`';
}

unsigned UuValue(char c)
{
    return unsigned(c - 32) & 63;
}

char* EncodeLine(const unsigned char* p, size_t n, char* o)
{
    *o++ = UuChar(unsigned(n));
    for (size_t i = 0; i < n; i += 3) {
        const unsigned b0 = p[i], b1 = i + 1 < n ? p[i + 1] : 0, b2 = i + 2 < n ? p[i + 2] : 0;
        *o++ = UuChar(b0 >> 2);
        *o++ = UuChar((b0 << 4 | b1 >> 4) & 63);
        *o++ = UuChar((b1 << 2 | b2 >> 6) & 63);
        *o++ = UuChar(b2 & 63);
    }
    *o++ = '\r';
    *o++ = '\n';
    return o;
}

size_t TrimLineEnd(const char* line, size_t n)
{
    while (n && (line[n - 1] == '\n' || line[n - 1] == '\r' || line[n - 1] == ' ' || line[n - 1] == '\t'))
        --n;
    return n;
}

bool StartsWith(const char* line, size_t n, const char* word)
{
    const size_t k = std::strlen(word);
    return n >= k && std::memcmp(line, word, k) == 0;
}

} // namespace

int UuEncode(CoderStream& in, CoderStream& out, const UuEncodeOptions& options)
{
    CoderBuffer buffer(out);
    const uint64_t split = out.SplitSize();
    const uint64_t lines = options.inputSize / kLineBytes + 1;
    // Lines per file: what fits beside the part, begin and end lines.
    const uint64_t overhead = 128 + std::strlen(options.fileName) + std::strlen(options.fileMode);
    uint64_t perFile = lines;
    if (split) {
        perFile = split > overhead + kLineChars ? (split - overhead) / kLineChars : 1;
    }
    const uint64_t parts = (lines + perFile - 1) / perFile;
    unsigned part = 1;
    char text[160];
    if (split && parts > 1) {
        std::snprintf(text, sizeof text, "------------ Part %u of %u ------------\r\n", part, unsigned(parts));
        buffer.Put(text);
    }
    buffer.Put("begin ");
    buffer.Put(options.fileMode);
    buffer.Put(" ");
    buffer.Put(options.fileName);
    buffer.Put("\r\n");

    unsigned char line[kLineBytes];
    size_t held = 0;
    uint64_t linesInFile = 0;
    auto putLine = [&](const unsigned char* p, size_t n) {
        if (split && parts > 1 && linesInFile == perFile) {
            std::snprintf(text, sizeof text, "-------- End of part %u of %u --------\r\n", part, unsigned(parts));
            buffer.Put(text);
            if (buffer.Flush() || out.NextSplit())
                return;
            ++part;
            std::snprintf(text, sizeof text, "------------ Part %u of %u ------------\r\n", part, unsigned(parts));
            buffer.Put(text);
            linesInFile = 0;
        }
        buffer.Commit(EncodeLine(p, n, buffer.Reserve()));
        ++linesInFile;
    };
    const char* block;
    size_t n;
    while (in.NextBlock(&block, &n)) {
        const unsigned char* p = reinterpret_cast<const unsigned char*>(block);
        if (held) {
            const size_t take = kLineBytes - held < n ? kLineBytes - held : n;
            std::memcpy(line + held, p, take);
            held += take;
            p += take;
            n -= take;
            if (held < kLineBytes)
                continue;
            putLine(line, kLineBytes);
            held = 0;
        }
        for (; n >= kLineBytes; p += kLineBytes, n -= kLineBytes)
            putLine(p, kLineBytes);
        std::memcpy(line, p, n);
        held = n;
        if (buffer.Error())
            return buffer.Error();
    }
    if (held)
        putLine(line, held);
    buffer.Put("`\r\nend\r\n");
    if (split && parts > 1) {
        std::snprintf(text, sizeof text, "-------- End of part %u of %u --------\r\n", part, unsigned(parts));
        buffer.Put(text);
    }
    if (int rc = buffer.Flush())
        return rc;
    return in.Error();
}

int UuDecode(CoderStream& in, CoderOutput& output)
{
    const char* line;
    size_t n;
    // Up to the "begin" line.
    for (;;) {
        if (!in.NextLine(&line, &n, kMaxLine))
            return in.Error() ? in.Error() : kCoderNoBegin;
        if (StartsWith(line, n, "begin "))
            break;
    }
    n = TrimLineEnd(line, n);
    size_t i = 6;
    while (i < n && line[i] == ' ')
        ++i;
    char mode[10] = "";
    size_t m = 0;
    // The mode word: its octal digits are the mode; the name follows the word.
    bool octal = true;
    while (i < n && line[i] != ' ') {
        if (octal && line[i] >= '0' && line[i] <= '7' && m + 1 < sizeof mode)
            mode[m++] = line[i];
        else
            octal = false;
        ++i;
    }
    mode[m] = '\0';
    while (i < n && line[i] == ' ')
        ++i;
    NetString name;
    if (name.Assign(uint32_t(n - i), line + i))
        return kCoderCantWrite;
    CoderStream* out = nullptr;
    if (int rc = output.Open(name.CStr(), mode, &out))
        return rc;
    CoderBuffer buffer(*out);
    bool sawEmpty = false;
    for (;;) {
        if (!in.NextLine(&line, &n, kMaxLine)) {
            if (int rc = buffer.Flush())
                return rc;
            if (in.Error())
                return in.Error();
            return sawEmpty ? kCoderNoEnd : kCoderShortUu;
        }
        const size_t length = TrimLineEnd(line, n);
        if (length == 3 && std::memcmp(line, "end", 3) == 0)
            break;
        if (length == 0)
            continue;
        size_t bytes = UuValue(line[0]);
        const size_t need = 1 + (bytes + 2) / 3 * 4;
        // Part lines of split files look like data of another length.
        if (StartsWith(line, length, "--------") && length > need)
            continue;
        if (bytes == 0) {
            sawEmpty = true;
            continue;
        }
        // A line shorter than its count gives only the bytes its characters hold.
        size_t chars = n;
        while (chars && (line[chars - 1] == '\n' || line[chars - 1] == '\r'))
            --chars;
        if (bytes > (chars - 1) * 3 / 4)
            bytes = (chars - 1) * 3 / 4;
        char* o = buffer.Reserve();
        for (size_t k = 0; k < bytes; k += 3) {
            unsigned v[4];
            for (size_t j = 0; j < 4; ++j) {
                const size_t at = 1 + k / 3 * 4 + j;
                v[j] = at < n && line[at] != '\r' && line[at] != '\n' ? UuValue(line[at]) : 0;
            }
            const unsigned char b[3] = {static_cast<unsigned char>(v[0] << 2 | v[1] >> 4),
                                        static_cast<unsigned char>(v[1] << 4 | v[2] >> 2),
                                        static_cast<unsigned char>(v[2] << 6 | v[3])};
            for (size_t j = 0; j < 3 && k + j < bytes; ++j)
                *o++ = char(b[j]);
        }
        buffer.Commit(o);
        if (buffer.Error())
            return buffer.Error();
    }
    if (int rc = buffer.Flush())
        return rc;
    return in.Error();
}

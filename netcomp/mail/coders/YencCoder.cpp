// yEnc: each byte plus 42, with the critical results (NUL, LF, CR, "=", ".")
// and a blank or tab at either end of a line escaped as "=" and the value
// plus 64; lines of 128 characters; a CRC-32 in the trailer. Split output
// writes one yEnc part per file, each with its own "=ypart" range and CRC.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "netcomp/mail/coders/CoderBuffer.h"
#include "netcomp/mail/coders/CoderErrors.h"
#include "netcomp/mail/coders/Coders.h"
#include "netcomp/mail/coders/Crc32.h"

namespace {

constexpr int kLineLength = 128;
constexpr size_t kMaxLine = 8192;

bool StartsWith(const char* line, size_t n, const char* word)
{
    const size_t k = std::strlen(word);
    return n >= k && std::memcmp(line, word, k) == 0;
}

// The value of " key=" in a header or trailer line, as text up to the line end.
bool FindValue(const char* line, size_t n, const char* key, NetStringBase& value)
{
    const size_t k = std::strlen(key);
    for (size_t i = 0; i + k <= n; ++i) {
        if (std::memcmp(line + i, key, k) != 0)
            continue;
        size_t start = i + k;
        size_t end = start;
        // The name runs to the line end (it may hold blanks); other values to a blank.
        const bool toEnd = std::strcmp(key, " name=") == 0;
        while (end < n && line[end] != '\r' && line[end] != '\n' && (toEnd || line[end] != ' '))
            ++end;
        return value.Assign(uint32_t(end - start), line + start) == 0;
    }
    return false;
}

bool FindHex(const char* line, size_t n, const char* key, uint32_t* out)
{
    NetString20 text;
    if (!FindValue(line, n, key, text) || text.IsEmpty())
        return false;
    char* end = nullptr;
    *out = uint32_t(std::strtoul(text.CStr(), &end, 16));
    return end && *end == '\0';
}

class YencLineWriter {
public:
    explicit YencLineWriter(CoderBuffer& out) : m_out(out) {}

    void Put(const unsigned char* p, size_t n)
    {
        for (size_t i = 0; i < n; ++i) {
            if (m_column == 0)
                m_line = m_out.Reserve();
            const unsigned char o = static_cast<unsigned char>(p[i] + 42);
            const bool edge = m_column == 0 || m_column >= kLineLength - 1;
            if (o == 0 || o == '\n' || o == '\r' || o == '=' || o == '.' || (edge && (o == ' ' || o == '\t'))) {
                *m_line++ = '=';
                *m_line++ = char(o + 64);
                m_column += 2;
            } else {
                *m_line++ = char(o);
                ++m_column;
            }
            if (m_column >= kLineLength)
                EndLine();
        }
    }
    void EndLine()
    {
        if (m_column == 0)
            return;
        *m_line++ = '\r';
        *m_line++ = '\n';
        m_out.Commit(m_line);
        m_column = 0;
    }

private:
    CoderBuffer& m_out;
    char* m_line = nullptr;
    int m_column = 0;
};

} // namespace

int YencEncode(CoderStream& in, CoderStream& out, const YencEncodeOptions& options)
{
    CoderBuffer buffer(out);
    YencLineWriter writer(buffer);
    const uint64_t split = out.SplitSize();
    // Input bytes per part, so that even all-escaped data stays under the split size.
    const uint64_t overhead = 256 + std::strlen(options.fileName);
    uint64_t perPart = options.inputSize ? options.inputSize : 1;
    if (split)
        perPart = split > overhead ? (split - overhead) * kLineLength / (2 * (kLineLength + 2)) : 1;
    if (perPart == 0)
        perPart = 1;
    const bool parted = split && options.inputSize > perPart;
    char text[200];
    Crc32 total;
    Crc32 partCrc;
    unsigned part = 1;
    uint64_t partStart = 0;
    uint64_t done = 0;
    auto header = [&] {
        if (parted) {
            const uint64_t end = partStart + perPart < options.inputSize ? partStart + perPart : options.inputSize;
            std::snprintf(text, sizeof text, "=ybegin part=%u line=%d size=%llu name=", part, kLineLength,
                          static_cast<unsigned long long>(options.inputSize));
            buffer.Put(text);
            buffer.Put(options.fileName);
            std::snprintf(text, sizeof text, "\r\n=ypart begin=%llu end=%llu\r\n",
                          static_cast<unsigned long long>(partStart + 1), static_cast<unsigned long long>(end));
            buffer.Put(text);
        } else {
            std::snprintf(text, sizeof text, "=ybegin line=%d size=%llu name=", kLineLength,
                          static_cast<unsigned long long>(options.inputSize));
            buffer.Put(text);
            buffer.Put(options.fileName);
            buffer.Put("\r\n");
        }
    };
    header();
    const char* block;
    size_t n;
    while (in.NextBlock(&block, &n)) {
        const unsigned char* p = reinterpret_cast<const unsigned char*>(block);
        while (n) {
            size_t take = n;
            if (parted && done - partStart + take > perPart)
                take = size_t(perPart - (done - partStart));
            writer.Put(p, take);
            total.Update(p, take);
            partCrc.Update(p, take);
            done += take;
            p += take;
            n -= take;
            if (parted && done - partStart == perPart && done < options.inputSize) {
                writer.EndLine();
                std::snprintf(text, sizeof text, "=yend size=%llu part=%u pcrc32=%x\r\n",
                              static_cast<unsigned long long>(perPart), part, partCrc.Value());
                buffer.Put(text);
                if (int rc = buffer.Flush())
                    return rc;
                if (int rc = out.NextSplit())
                    return rc;
                ++part;
                partStart = done;
                partCrc.Reset();
                header();
            }
        }
        if (buffer.Error())
            return buffer.Error();
    }
    writer.EndLine();
    if (parted) {
        std::snprintf(text, sizeof text, "=yend size=%llu part=%u pcrc32=%x crc32=%x\r\n",
                      static_cast<unsigned long long>(done - partStart), part, partCrc.Value(), total.Value());
    } else {
        std::snprintf(text, sizeof text, "=yend size=%llu crc32=%x\r\n", static_cast<unsigned long long>(done),
                      total.Value());
    }
    buffer.Put(text);
    if (int rc = buffer.Flush())
        return rc;
    return in.Error();
}

int YencDecode(CoderStream& in, CoderOutput& output)
{
    const char* line;
    size_t n;
    CoderStream* out = nullptr;
    Crc32 total;
    bool anyPart = false;
    for (;;) {
        // Up to the next "=ybegin " (the first, or the next part of a split input).
        bool found = false;
        while (in.NextLine(&line, &n, kMaxLine)) {
            if (StartsWith(line, n, "=ybegin ")) {
                found = true;
                break;
            }
        }
        if (in.Error())
            return in.Error();
        if (!found) {
            if (!anyPart)
                return kCoderYencFormat;
            break;
        }
        if (!out) {
            NetString name;
            if (!FindValue(line, n, " name=", name))
                return kCoderYencFormat;
            if (int rc = output.Open(name.CStr(), "", &out))
                return rc;
        }
        CoderBuffer buffer(*out);
        Crc32 crc;
        bool sawPart = false;
        bool ended = false;
        bool first = true;
        while (in.NextLine(&line, &n, kMaxLine)) {
            if (first && StartsWith(line, n, "=ypart ")) {
                sawPart = true;
                first = false;
                continue;
            }
            first = false;
            if (StartsWith(line, n, "=yend")) {
                uint32_t expected;
                if ((sawPart && FindHex(line, n, " pcrc32=", &expected)) ||
                    (!sawPart && FindHex(line, n, " crc32=", &expected))) {
                    if (buffer.Flush())
                        return buffer.Error();
                    if (expected != crc.Value())
                        return kCoderYencCrc;
                }
                if (sawPart && FindHex(line, n, " crc32=", &expected) && expected != total.Value())
                    return kCoderYencCrc;
                ended = true;
                break;
            }
            char decoded[kMaxLine];
            size_t m = 0;
            for (size_t i = 0; i < n; ++i) {
                unsigned char c = static_cast<unsigned char>(line[i]);
                if (c == '\r' || c == '\n')
                    continue;
                if (c == '=') {
                    if (i + 1 >= n || line[i + 1] == '\r' || line[i + 1] == '\n')
                        return kCoderYencEscapeAtEnd;
                    c = static_cast<unsigned char>(line[++i] - 64);
                }
                decoded[m++] = char(c - 42);
            }
            crc.Update(decoded, m);
            total.Update(decoded, m);
            buffer.Put(decoded, m);
            if (buffer.Error())
                return buffer.Error();
        }
        if (int rc = buffer.Flush())
            return rc;
        if (in.Error())
            return in.Error();
        if (!ended)
            return kCoderYencNoEnd;
        anyPart = true;
        if (!sawPart)
            break;
    }
    return 0;
}

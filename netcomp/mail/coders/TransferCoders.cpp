// The transfer encodings of MIME bodies: copying, quoted-printable and Base64.
//
// All of them read blocks in place (CoderStream::NextBlock) and keep what a
// block boundary cuts in two (a Base64 group, an "=XX" escape, a CR that may
// start a CR LF) in a few bytes of state, so the output never depends on how
// the input was read.
#include <cstdint>
#include <cstring>

#include "netcomp/mail/coders/CoderBuffer.h"
#include "netcomp/mail/coders/CoderErrors.h"
#include "netcomp/mail/coders/Coders.h"

namespace {

const char kUpperHex[] = "0123456789ABCDEF";
const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr int kQpColumns = 75;
constexpr size_t kBase64LineBytes = 54;

int Finish(CoderBuffer& buffer, CoderStream& in)
{
    if (int rc = buffer.Flush())
        return rc;
    return in.Error();
}

// Base64 value of each byte: 0-63, kSkip outside the alphabet, kPad for "=".
constexpr unsigned char kSkip = 0x40;
constexpr unsigned char kPad = 0x41;
struct Base64Table {
    unsigned char value[256];
    Base64Table()
    {
        std::memset(value, kSkip, sizeof value);
        for (int i = 0; i < 64; ++i)
            value[static_cast<unsigned char>(kAlphabet[i])] = static_cast<unsigned char>(i);
        value[static_cast<unsigned char>('=')] = kPad;
    }
};
const Base64Table g_base64;

// Two output characters for each 12-bit value, so a group of three bytes
// takes two lookups.
struct Base64Pairs {
    char pair[4096][2];
    Base64Pairs()
    {
        for (int i = 0; i < 4096; ++i) {
            pair[i][0] = kAlphabet[i >> 6];
            pair[i][1] = kAlphabet[i & 63];
        }
    }
};
const Base64Pairs g_pairs;

char* EncodeGroups(const unsigned char* p, size_t groups, char* o)
{
    for (size_t g = 0; g < groups; ++g, p += 3, o += 4) {
        const uint32_t v = uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
        std::memcpy(o, g_pairs.pair[v >> 12], 2);
        std::memcpy(o + 2, g_pairs.pair[v & 0xFFF], 2);
    }
    return o;
}

char* EncodeTail(const unsigned char* p, size_t n, char* o)
{
    const uint32_t v = uint32_t(p[0]) << 16 | (n > 1 ? uint32_t(p[1]) << 8 : 0);
    *o++ = kAlphabet[v >> 18];
    *o++ = kAlphabet[(v >> 12) & 63];
    *o++ = n > 1 ? kAlphabet[(v >> 6) & 63] : '=';
    *o++ = '=';
    return o;
}

// Character classes of the quoted-printable coders.
// Printable bytes and blanks first, so one comparison tells what a line may carry as it is.
enum : unsigned char { kQpPlain = 0, kQpBlank = 1, kQpEscape = 2, kQpCr = 3, kQpLf = 4, kQpEquals = 5 };
struct QpTable {
    unsigned char cls[256];
    QpTable()
    {
        for (int c = 0; c < 256; ++c)
            cls[c] = (c >= 33 && c <= 126) ? kQpPlain : kQpEscape;
        cls[unsigned(' ')] = cls[unsigned('\t')] = kQpBlank;
        cls[unsigned('\r')] = kQpCr;
        cls[unsigned('\n')] = kQpLf;
        cls[unsigned('=')] = kQpEquals;
    }
};
const QpTable g_qp;

struct HexTable {
    signed char value[256];
    HexTable()
    {
        std::memset(value, -1, sizeof value);
        for (int i = 0; i < 10; ++i)
            value['0' + i] = static_cast<signed char>(i);
        for (int i = 0; i < 6; ++i)
            value['A' + i] = value['a' + i] = static_cast<signed char>(10 + i);
    }
};
const HexTable g_hex;

int HexValue(unsigned char c)
{
    return g_hex.value[c];
}

// The encoder's per-byte rule with one byte of look-ahead (next < 0: the end).
class QpEncoder {
public:
    explicit QpEncoder(CoderBuffer& out) : m_out(out) {}

    void Byte(unsigned char c, int next)
    {
        if (m_column >= kQpColumns && c != '\n' && !(c == '\r' && next == '\n'))
            SoftBreak();
        switch (g_qp.cls[c]) {
        case kQpPlain:
            m_out.Put(char(c));
            ++m_column;
            return;
        case kQpLf:
            m_out.Put("\r\n", 2);
            m_column = 0;
            (void)m_out.SplitIfDue(80);
            return;
        case kQpCr:
            // CR LF is a line end, written once by its LF.
            if (next == '\n')
                return;
            break;
        case kQpBlank:
            // A blank that ends a line would be lost in transport.
            if (next >= 0 && next != '\n' && next != '\r') {
                m_out.Put(char(c));
                ++m_column;
                return;
            }
            break;
        default:
            break;
        }
        if (m_column > kQpColumns - 3)
            SoftBreak();
        const char escape[3] = {'=', kUpperHex[c >> 4], kUpperHex[c & 15]};
        m_out.Put(escape, 3);
        m_column += 3;
    }

    // Encodes the bytes that start p (at most n) while the current line has
    // room and no line end or soft break is due; gives their count. p[n] is
    // still input (the caller keeps one byte of look-ahead), so a blank can be
    // checked against what follows it.
    size_t LineRun(const unsigned char* p, size_t n)
    {
        char* o = m_out.Reserve(); // a line never takes more than the slack
        int column = m_column;
        size_t k = 0;
        while (k < n && column < kQpColumns) {
            // Printable bytes and inner blanks, as far as the line has room.
            size_t stop = k + size_t(kQpColumns - column);
            if (stop > n)
                stop = n;
            const size_t start = k;
            while (k < stop && g_qp.cls[p[k]] <= kQpBlank) {
                o[k - start] = char(p[k]);
                ++k;
            }
            // A blank right before a line end is taken back: it goes out escaped.
            if (k > start && (p[k] == '\n' || p[k] == '\r') && g_qp.cls[p[k - 1]] == kQpBlank)
                --k;
            o += k - start;
            column += int(k - start);
            if (k == stop)
                continue;
            const unsigned char c = p[k];
            const unsigned char cls = g_qp.cls[c];
            if ((cls != kQpEscape && cls != kQpEquals) || column > kQpColumns - 3)
                break;
            o[0] = '=';
            o[1] = kUpperHex[c >> 4];
            o[2] = kUpperHex[c & 15];
            o += 3;
            column += 3;
            ++k;
        }
        m_out.Commit(o);
        m_column = column;
        return k;
    }

private:
    void SoftBreak()
    {
        m_out.Put("=\r\n", 3);
        m_column = 0;
        (void)m_out.SplitIfDue(80);
    }

    CoderBuffer& m_out;
    int m_column = 0;
};

} // namespace

uint64_t QpEncodedBound(uint64_t n)
{
    // At most three characters a byte, and a soft break per 72 characters.
    return 4 * n + 16;
}

uint64_t Base64EncodedBound(uint64_t n)
{
    return (n / kBase64LineBytes + 1) * 74;
}

int CopyCoder(CoderStream& in, CoderStream& out)
{
    char chunk[2048];
    while (size_t n = in.Read(chunk, sizeof chunk)) {
        if (int rc = out.Write(chunk, n))
            return rc;
    }
    return in.Error() ? in.Error() : out.Error();
}

int QpEncode(CoderStream& in, CoderStream& out)
{
    CoderBuffer buffer(out);
    QpEncoder encoder(buffer);
    const char* block;
    size_t n;
    int carry = -1;
    while (in.NextBlock(&block, &n)) {
        const unsigned char* p = reinterpret_cast<const unsigned char*>(block);
        if (carry >= 0)
            encoder.Byte(static_cast<unsigned char>(carry), p[0]);
        for (size_t i = 0; i + 1 < n;) {
            size_t run = encoder.LineRun(p + i, n - 1 - i);
            if (run) {
                i += run;
                continue;
            }
            encoder.Byte(p[i], p[i + 1]);
            ++i;
        }
        carry = p[n - 1];
        if (buffer.Error())
            return buffer.Error();
    }
    if (carry >= 0)
        encoder.Byte(static_cast<unsigned char>(carry), -1);
    return Finish(buffer, in);
}

namespace {

// Decodes one line of quoted-printable text (without its LF). The blanks that
// end a line were added in transport and go; "=" at its end is a soft break.
void QpDecodeLine(const char* s, size_t n, bool lineEnd, CoderBuffer& out)
{
    if (lineEnd && n && s[n - 1] == '\r')
        --n;
    while (n && (s[n - 1] == ' ' || s[n - 1] == '\t'))
        --n;
    const bool soft = n && s[n - 1] == '=';
    if (soft)
        --n;
    size_t i = 0;
    // Lines of usual length decode straight into the output buffer.
    if (n + 2 <= CoderBuffer::kSlack) {
        char* o = out.Reserve();
        const char* q = s;
        const char* const end = s + n;
        while (q < end) {
            const char c = *q;
            *o = c;
            if (c == '=' && end - q > 2) {
                const int high = HexValue(static_cast<unsigned char>(q[1]));
                const int low = HexValue(static_cast<unsigned char>(q[2]));
                if ((high | low) >= 0) {
                    *o++ = char(high << 4 | low);
                    q += 3;
                    continue;
                }
            }
            ++o;
            ++q;
        }
        if (lineEnd && !soft) {
            *o++ = '\r';
            *o++ = '\n';
        }
        out.Commit(o);
        return;
    }
    while (i < n) {
        const char* eq = static_cast<const char*>(std::memchr(s + i, '=', n - i));
        const size_t run = eq ? size_t(eq - (s + i)) : n - i;
        out.Put(s + i, run);
        i += run;
        if (i >= n)
            break;
        // At "=": two hex digits give a byte; anything else stays as it stands.
        int high, low;
        if (i + 2 < n && (high = HexValue(static_cast<unsigned char>(s[i + 1]))) >= 0 &&
            (low = HexValue(static_cast<unsigned char>(s[i + 2]))) >= 0) {
            out.Put(char(high << 4 | low));
            i += 3;
        } else {
            out.Put('=');
            ++i;
        }
    }
    if (lineEnd && !soft)
        out.Put("\r\n", 2);
}

} // namespace

int QpDecode(CoderStream& in, CoderStream& out)
{
    CoderBuffer buffer(out);
    NetString carry; // a line cut by the end of a read
    const char* block;
    size_t n;
    while (in.NextBlock(&block, &n)) {
        const char* p = block;
        const char* end = block + n;
        while (p < end) {
            const char* lf = static_cast<const char*>(std::memchr(p, '\n', size_t(end - p)));
            if (!lf) {
                if (carry.Append(p, uint32_t(end - p)))
                    return kCoderNoSpace;
                break;
            }
            if (!carry.IsEmpty()) {
                if (carry.Append(p, uint32_t(lf - p)))
                    return kCoderNoSpace;
                QpDecodeLine(carry.Data(), carry.Length(), true, buffer);
                carry.Clear();
            } else {
                QpDecodeLine(p, size_t(lf - p), true, buffer);
            }
            p = lf + 1;
        }
        if (buffer.Error())
            return buffer.Error();
    }
    if (!carry.IsEmpty())
        QpDecodeLine(carry.Data(), carry.Length(), false, buffer);
    return Finish(buffer, in);
}

int Base64Encode(CoderStream& in, CoderStream& out)
{
    CoderBuffer buffer(out);
    unsigned char line[kBase64LineBytes];
    size_t held = 0; // bytes of a started line kept from the last block
    const char* block;
    size_t n;
    auto putLine = [&](const unsigned char* p) {
        char* o = buffer.Reserve();
        o = EncodeGroups(p, kBase64LineBytes / 3, o);
        *o++ = '\r';
        *o++ = '\n';
        buffer.Commit(o);
        (void)buffer.SplitIfDue(74);
    };
    while (in.NextBlock(&block, &n)) {
        const unsigned char* p = reinterpret_cast<const unsigned char*>(block);
        if (held) {
            const size_t take = kBase64LineBytes - held < n ? kBase64LineBytes - held : n;
            std::memcpy(line + held, p, take);
            held += take;
            p += take;
            n -= take;
            if (held < kBase64LineBytes)
                continue;
            putLine(line);
            held = 0;
        }
        for (; n >= kBase64LineBytes; p += kBase64LineBytes, n -= kBase64LineBytes)
            putLine(p);
        std::memcpy(line, p, n);
        held = n;
        if (buffer.Error())
            return buffer.Error();
    }
    if (held) {
        char* o = buffer.Reserve();
        o = EncodeGroups(line, held / 3, o);
        if (held % 3)
            o = EncodeTail(line + held / 3 * 3, held % 3, o);
        *o++ = '\r';
        *o++ = '\n';
        buffer.Commit(o);
    }
    return Finish(buffer, in);
}

int Base64Decode(CoderStream& in, CoderStream& out)
{
    CoderBuffer buffer(out);
    uint32_t bits = 0;
    int count = 0; // characters of the current group
    const char* block;
    size_t n;
    while (in.NextBlock(&block, &n)) {
        const unsigned char* p = reinterpret_cast<const unsigned char*>(block);
        const unsigned char* end = p + n;
        while (p < end) {
            char* o = buffer.Reserve();
            char* const oEnd = o + CoderBuffer::kSlack - 4;
            // Whole groups of four alphabet characters, the common case.
            if (count == 0) {
                while (o < oEnd && end - p >= 4) {
                    const uint32_t a = g_base64.value[p[0]], b = g_base64.value[p[1]], c = g_base64.value[p[2]],
                                   d = g_base64.value[p[3]];
                    if ((a | b | c | d) & 0xC0)
                        break;
                    const uint32_t v = a << 18 | b << 12 | c << 6 | d;
                    o[0] = char(v >> 16);
                    o[1] = char(v >> 8);
                    o[2] = char(v);
                    o += 3;
                    p += 4;
                }
            }
            // One character at a time across line ends, padding and block ends.
            for (int k = 0; k < 8 && p < end; ++k) {
                const unsigned char v = g_base64.value[*p++];
                if (v == kSkip)
                    continue;
                if (v == kPad) {
                    if (count >= 2)
                        *o++ = char(bits >> (count == 2 ? 4 : 10));
                    if (count == 3)
                        *o++ = char(bits >> 2);
                    count = 0;
                    bits = 0;
                    continue;
                }
                bits = bits << 6 | v;
                if (++count == 4) {
                    o[0] = char(bits >> 16);
                    o[1] = char(bits >> 8);
                    o[2] = char(bits);
                    o += 3;
                    count = 0;
                    bits = 0;
                    break;
                }
            }
            buffer.Commit(o);
        }
        if (buffer.Error())
            return buffer.Error();
    }
    // A group cut short by the end of the input, as if padded.
    if (count >= 2)
        buffer.Put(char(bits >> (count == 2 ? 4 : 10)));
    if (count == 3)
        buffer.Put(char(bits >> 2));
    return Finish(buffer, in);
}

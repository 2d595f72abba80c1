// The small NetCode formats: URL form encoding, hex, the two digests and the
// Japanese conversion.
#include <cstring>

#include "netcomp/core/crypto/Md5.h"
#include "netcomp/core/crypto/Sha1.h"
#include "netcomp/core/text/CStringHelpers.h"
#include "netcomp/core/text/TextEncodings.h"
#include "netcomp/mail/coders/CoderBuffer.h"
#include "netcomp/mail/coders/CoderErrors.h"
#include "netcomp/mail/coders/Coders.h"

namespace {

const char kLowerHex[] = "0123456789abcdef";
const char kUpperHex[] = "0123456789ABCDEF";

bool UrlSafe(unsigned char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '*' || c == '-' ||
           c == '.' || c == '/' || c == '@' || c == '_';
}

int Finish(CoderBuffer& buffer, CoderStream& in)
{
    if (int rc = buffer.Flush())
        return rc;
    return in.Error();
}

// Reads the whole input into text (the JIS conversions work on whole texts).
int ReadAll(CoderStream& in, NetStringBase& text)
{
    const char* block;
    size_t n;
    while (in.NextBlock(&block, &n)) {
        if (n > NetStringBase::kMaxLength - text.Length() || text.Append(block, uint32_t(n)))
            return kCoderNoSpace;
    }
    return in.Error();
}

} // namespace

int UrlEncode(CoderStream& in, CoderStream& out)
{
    CoderBuffer buffer(out);
    // Split files end between escapes, so each one decodes alone.
    const bool splitting = out.SplitSize() != 0;
    const char* block;
    size_t n;
    while (in.NextBlock(&block, &n)) {
        for (size_t i = 0; i < n; ++i) {
            const unsigned char c = static_cast<unsigned char>(block[i]);
            if (splitting)
                (void)buffer.SplitIfDue(3);
            if (UrlSafe(c)) {
                buffer.Put(char(c));
            } else if (c == ' ') {
                buffer.Put('+');
            } else {
                const char escape[3] = {'%', kUpperHex[c >> 4], kUpperHex[c & 15]};
                buffer.Put(escape, 3);
            }
        }
    }
    return Finish(buffer, in);
}

int UrlDecode(CoderStream& in, CoderStream& out)
{
    CoderBuffer buffer(out);
    // An escape cut by a block end: "%" and up to one digit.
    char pending[2];
    int held = 0;
    const char* block;
    size_t n;
    while (in.NextBlock(&block, &n)) {
        for (size_t i = 0; i < n; ++i) {
            const char c = block[i];
            if (held == 0) {
                if (c == '%')
                    pending[held++] = c;
                else
                    buffer.Put(c == '+' ? ' ' : c);
            } else if (held == 1) {
                if (HexDigitValue(c) >= 0) {
                    pending[held++] = c;
                } else {
                    buffer.Put('%');
                    held = 0;
                    --i;
                }
            } else {
                if (HexDigitValue(c) >= 0) {
                    buffer.Put(char(HexDigitValue(pending[1]) << 4 | HexDigitValue(c)));
                } else {
                    buffer.Put(pending, 2);
                    --i;
                }
                held = 0;
            }
        }
    }
    buffer.Put(pending, size_t(held));
    return Finish(buffer, in);
}

int HexEncode(CoderStream& in, CoderStream& out)
{
    CoderBuffer buffer(out);
    const bool splitting = out.SplitSize() != 0;
    const char* block;
    size_t n;
    while (in.NextBlock(&block, &n)) {
        for (size_t i = 0; i < n; ++i) {
            const unsigned char c = static_cast<unsigned char>(block[i]);
            if (splitting)
                (void)buffer.SplitIfDue(2);
            const char pair[2] = {kLowerHex[c >> 4], kLowerHex[c & 15]};
            buffer.Put(pair, 2);
        }
    }
    return Finish(buffer, in);
}

int HexDecode(CoderStream& in, CoderStream& out)
{
    // Digits pair up across blanks and line ends; other characters are passed over.
    CoderBuffer buffer(out);
    int high = -1;
    const char* block;
    size_t n;
    while (in.NextBlock(&block, &n)) {
        for (size_t i = 0; i < n; ++i) {
            const int v = HexDigitValue(block[i]);
            if (v < 0)
                continue;
            if (high < 0) {
                high = v;
            } else {
                buffer.Put(char(high << 4 | v));
                high = -1;
            }
        }
    }
    return Finish(buffer, in);
}

// Converted text or a digest, split anywhere when the output is split.
static int WriteWhole(CoderStream& out, const char* data, size_t n)
{
    CoderBuffer buffer(out);
    buffer.PutAnywhere(data, n);
    return buffer.Flush();
}

// A digest as lower-case hexadecimal text.
static int WriteLowerHex(CoderStream& out, const unsigned char* digest, int n)
{
    char hex[2 * 20];
    for (int i = 0; i < n; ++i) {
        hex[2 * i] = kLowerHex[digest[i] >> 4];
        hex[2 * i + 1] = kLowerHex[digest[i] & 15];
    }
    return WriteWhole(out, hex, size_t(2 * n));
}

int Md5HexCoder(CoderStream& in, CoderStream& out)
{
    Md5 md5;
    const char* block;
    size_t n;
    while (in.NextBlock(&block, &n))
        md5.Update(block, n);
    if (in.Error())
        return in.Error();
    return WriteLowerHex(out, md5.Final(), 16);
}

int Sha1HexCoder(CoderStream& in, CoderStream& out)
{
    Sha1 sha1;
    const char* block;
    size_t n;
    while (in.NextBlock(&block, &n))
        sha1.Update(block, n);
    if (in.Error())
        return in.Error();
    const unsigned char* digest = sha1.Final();
    if (!digest)
        return kCoderCantRead;
    return WriteLowerHex(out, digest, 20);
}

int JisEncode(CoderStream& in, CoderStream& out)
{
    NetString text;
    NetString converted;
    if (int rc = ReadAll(in, text))
        return rc;
    if (SjisBytesToJis(text.Data(), text.Length(), converted))
        return kCoderNoSpace;
    return WriteWhole(out, converted.Data(), converted.Length());
}

int JisDecode(CoderStream& in, CoderStream& out)
{
    NetString text;
    NetString converted;
    if (int rc = ReadAll(in, text))
        return rc;
    if (JisBytesToSjis(text.Data(), text.Length(), converted))
        return kCoderNoSpace;
    return out.Write(converted.Data(), converted.Length());
}

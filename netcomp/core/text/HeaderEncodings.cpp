// MIME encoded words for Japanese headers (RFC 2047 with ISO-2022-JP inside,
// RFC 1468). Texts without 8-bit bytes, or components not in Japanese mode,
// only get folded.
#include <cstring>

#include "netcomp/core/text/CStringHelpers.h"
#include "netcomp/core/text/NetString.h"
#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/core/text/TextEncodings.h"

namespace {

const char kWordStart[] = "=?ISO-2022-JP?B?";

bool IsWordBreak(char c)
{
    return c == ' ' || c == '\t' || c == ',';
}

// Q decoding of RFC 2047: "=XX" gives a byte, "_" a blank. An "=" without
// two hexadecimal digits is kept together with the character behind it, so
// "=_" stays "=_" and "==41" stays "==41".
int AppendQDecoded(const char* data, uint32_t n, NetStringBase& out)
{
    int rc = kResultOk;
    for (uint32_t i = 0; i < n && rc == kResultOk; ++i) {
        char c = data[i];
        if (c == '_') {
            rc = out.AppendChar(' ');
        } else if (c == '=' && i + 2 < n && HexPairValue(data[i + 1], data[i + 2]) != 0xFFFF) {
            rc = out.AppendChar(char(HexPairValue(data[i + 1], data[i + 2])));
            i += 2;
        } else if (c == '=' && i + 1 < n) {
            rc = out.Append(data + i, 2);
            ++i;
        } else {
            rc = out.AppendChar(c);
        }
    }
    return rc;
}

} // namespace

int NetStringBase::AppendEncodedWordBytes(const char* data, uint32_t n)
{
    NetString jis;
    int rc = SjisBytesToJis(data, n, jis);
    NetString word;
    if (rc == kResultOk)
        rc = word.AppendCStr(kWordStart);
    if (rc == kResultOk)
        rc = word.AppendBase64(jis.Data(), jis.Length(), true);
    if (rc == kResultOk)
        rc = word.Append("?=", 2);
    if (rc == kResultOk)
        rc = Append(word.Data(), word.Length());
    return rc;
}

int NetStringBase::AppendEncodedWord(const char* text)
{
    if (!text)
        text = "";
    return AppendEncodedWordBytes(text, uint32_t(std::strlen(text)));
}

int NetStringBase::AppendHeaderParam(const char* name, const char* value, uint32_t n, bool japanese)
{
    if (!name)
        name = "";
    if (!value)
        n = 0;
    NetString out;
    int rc = kResultOk;
    if (!japanese || !IsEightBitBytes(value, n)) {
        rc = out.AppendChar(' ');
        if (rc == kResultOk)
            rc = out.AppendCStr(name);
        if (rc == kResultOk)
            rc = out.Append("=\"", 2);
        if (rc == kResultOk)
            rc = out.Append(value, n);
        if (rc == kResultOk)
            rc = out.AppendChar('"');
    } else {
        rc = out.Append("\r\n\t", 3);
        if (rc == kResultOk)
            rc = out.AppendCStr(name);
        if (rc == kResultOk)
            rc = out.Append("=\"", 2);
        uint32_t start = 0;
        uint32_t i = 0;
        bool first = true;
        while (i < n && rc == kResultOk) {
            i += (IsSjisLead(static_cast<unsigned char>(value[i])) && i + 1 < n) ? 2 : 1;
            if (i - start > (first ? 35u : 50u)) {
                if (!first)
                    rc = out.Append("\r\n\t", 3);
                if (rc == kResultOk)
                    rc = out.AppendEncodedWordBytes(value + start, i - start);
                start = i;
                first = false;
            }
        }
        if (start < n && rc == kResultOk) {
            if (!first)
                rc = out.Append("\r\n\t", 3);
            if (rc == kResultOk)
                rc = out.AppendEncodedWordBytes(value + start, n - start);
        }
        if (rc == kResultOk)
            rc = out.AppendChar('"');
    }
    if (rc == kResultOk)
        rc = Append(out.Data(), out.Length());
    return rc;
}

int NetStringBase::AssignEncodedHeader(const char* text, uint32_t width, bool japanese)
{
    if (!text)
        text = "";
    const uint32_t n = uint32_t(std::strlen(text));
    if (!japanese || !IsEightBitBytes(text, n))
        return AssignFolded(text, n, width);
    NetString out;
    int rc = kResultOk;
    uint32_t i = 0;
    while (i < n && rc == kResultOk) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '"') {
            const char* close = static_cast<const char*>(std::memchr(text + i + 1, '"', n - i - 1));
            if (!close) {
                rc = out.AppendEncodedWordBytes(text + i + 1, n - i - 1);
                break;
            }
            const uint32_t end = uint32_t(close - text);
            if (IsEightBitBytes(text + i + 1, end - i - 1))
                rc = out.AppendEncodedWordBytes(text + i + 1, end - i - 1);
            else
                rc = out.Append(text + i, end - i + 1);
            i = end + 1;
        } else if (IsSjisLead(c) && i + 1 < n) {
            uint32_t k = i;
            while (k + 1 < n && IsSjisLead(static_cast<unsigned char>(text[k])))
                k += 2;
            rc = out.AppendEncodedWordBytes(text + i, k - i);
            i = k;
        } else {
            rc = out.Append(text + i, 1);
            ++i;
        }
    }
    if (rc != kResultOk)
        return rc;
    return AssignFolded(out.Data(), out.Length(), width);
}

int NetStringBase::AssignEncodedWords(const char* text, uint32_t width, bool japanese)
{
    if (!text)
        text = "";
    const uint32_t n = uint32_t(std::strlen(text));
    if (!japanese || !IsEightBitBytes(text, n))
        return AssignFolded(text, n, width);
    const uint32_t limit = width > 40 ? width - 40 : 0;
    NetString out;
    NetString word;
    int rc = kResultOk;
    auto flushWord = [&]() {
        if (rc != kResultOk)
            return;
        if (IsEightBitBytes(word.Data(), word.Length()))
            rc = out.AppendEncodedWordBytes(word.Data(), word.Length());
        else
            rc = out.Append(word.Data(), word.Length());
    };
    uint32_t i = 0;
    while (i < n && rc == kResultOk) {
        char c = text[i];
        if (c == '\r' || c == '\n')
            c = ' ';
        if (IsWordBreak(c)) {
            if (c == ',')
                rc = word.AppendChar(',');
            const bool shortWord = word.Length() < limit;
            flushWord();
            if (rc == kResultOk) {
                if (!shortWord)
                    rc = out.Append("\r\n\t", 3);
                else if (c != ',')
                    rc = out.AppendChar(c);
            }
            word.Clear();
            ++i;
        } else if (IsSjisLead(static_cast<unsigned char>(c)) && i + 1 < n) {
            if (word.Length() > limit) {
                flushWord();
                if (rc == kResultOk)
                    rc = out.Append("\r\n\t", 3);
                word.Clear();
            }
            if (rc == kResultOk)
                rc = word.Append(text + i, 2);
            i += 2;
        } else {
            rc = word.AppendChar(c);
            ++i;
        }
    }
    flushWord();
    if (rc != kResultOk)
        return rc;
    return Assign(out.Length(), out.Data());
}

int NetStringBase::AssignDecodedHeader(const char* text)
{
    NetString out;
    int rc = out.AppendDecodedHeader(text);
    if (rc != kResultOk)
        return rc;
    return Assign(out.Length(), out.Data());
}

int NetStringBase::AppendDecodedHeader(const char* text)
{
    if (!text)
        return kResultOk;
    NetString out;
    int rc = kResultOk;
    const char* p = text;
    while (*p && rc == kResultOk) {
        if (p[0] == '=' && p[1] == '?') {
            // =?charset?encoding?data?=
            const char* charsetEnd = std::strchr(p + 2, '?');
            if (charsetEnd && charsetEnd[1] && charsetEnd[2] == '?') {
                const char encoding = charsetEnd[1];
                const char* data = charsetEnd + 3;
                const char* end = std::strstr(data, "?=");
                const bool iso2022 = size_t(charsetEnd - (p + 2)) == 11 && StrNICmp(p + 2, "ISO-2022-JP", 11) == 0;
                if (end && iso2022 && (encoding == 'B' || encoding == 'b' || encoding == 'Q' || encoding == 'q')) {
                    NetString decoded;
                    if (encoding == 'B' || encoding == 'b') {
                        rc = decoded.Assign(uint32_t(end - data), data);
                        decoded.DecodeBase64();
                    } else {
                        rc = AppendQDecoded(data, uint32_t(end - data), decoded);
                    }
                    if (rc == kResultOk)
                        rc = JisBytesToSjis(decoded.Data(), decoded.Length(), out);
                    p = end + 2;
                    continue;
                }
            }
        }
        rc = out.AppendChar(*p);
        ++p;
    }
    if (rc == kResultOk)
        rc = Append(out.Data(), out.Length());
    return rc;
}

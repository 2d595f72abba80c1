// The Shift-JIS <-> ISO-2022-JP conversions used for
// Japanese mail headers (RFC 1468). The conversions are plain arithmetic on
// the JIS X 0208 row/cell numbers; half-width katakana, which ISO-2022-JP
// cannot carry, become their full-width forms.
#include "netcomp/core/text/TextEncodings.h"

#include <cstring>

#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/core/text/CStringHelpers.h"

namespace {

// Full-width Shift-JIS forms of the half-width katakana 0xA1-0xDF.
const unsigned short kHalfWidthKana[63] = {
    0x8142, 0x8175, 0x8176, 0x8141, 0x8145, 0x8392, 0x8340, 0x8342, 0x8344, 0x8346, 0x8348, 0x8383, 0x8385,
    0x8387, 0x8362, 0x815B, 0x8341, 0x8343, 0x8345, 0x8347, 0x8349, 0x834A, 0x834C, 0x834E, 0x8350, 0x8352,
    0x8354, 0x8356, 0x8358, 0x835A, 0x835C, 0x835E, 0x8360, 0x8363, 0x8365, 0x8367, 0x8369, 0x836A, 0x836B,
    0x836C, 0x836D, 0x836E, 0x8371, 0x8374, 0x8377, 0x837A, 0x837D, 0x837E, 0x8380, 0x8381, 0x8382, 0x8384,
    0x8386, 0x8388, 0x8389, 0x838A, 0x838B, 0x838C, 0x838D, 0x838F, 0x8393, 0x814A, 0x814B,
};

const char kJisOn[] = "\x1b$B";
const char kJisOff[] = "\x1b(B";

void SjisPairToJis(unsigned char lead, unsigned char trail, char out[2])
{
    unsigned j1 = lead - (lead >= 0xA0 ? 0xB0u : 0x70u);
    j1 <<= 1;
    unsigned j2;
    if (trail < 0x9F) {
        j1 -= 1;
        j2 = trail - (trail < 0x80 ? 0x1Fu : 0x20u);
    } else {
        j2 = trail - 0x7Eu;
    }
    out[0] = char(j1 & 0xFF);
    out[1] = char(j2 & 0xFF);
}

void JisPairToSjis(unsigned char j1, unsigned char j2, char out[2])
{
    unsigned s1 = ((j1 + 1u) >> 1) + (j1 <= 0x5E ? 0x70u : 0xB0u);
    unsigned s2 = j2 + ((j1 & 1) ? (j2 < 0x60 ? 0x1Fu : 0x20u) : 0x7Eu);
    out[0] = char(s1 & 0xFF);
    out[1] = char(s2 & 0xFF);
}

} // namespace

bool IsSjisLead(unsigned char c)
{
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xEF);
}

bool IsEightBit(const char* text)
{
    return text && IsEightBitBytes(text, uint32_t(std::strlen(text)));
}

bool IsEightBitBytes(const char* data, uint32_t n)
{
    for (uint32_t i = 0; data && i < n; ++i) {
        if (static_cast<unsigned char>(data[i]) > 127)
            return true;
    }
    return false;
}

unsigned HexPairValue(char high, char low)
{
    int h = HexDigitValue(high);
    int l = HexDigitValue(low);
    if (h < 0 || l < 0)
        return 0xFFFF;
    return unsigned(h * 16 + l);
}

int SjisBytesToJis(const char* text, uint32_t n, NetStringBase& out)
{
    bool inRun = false;
    int rc = kResultOk;
    auto closeRun = [&]() {
        if (inRun && rc == kResultOk)
            rc = out.Append(kJisOff, 3);
        inRun = false;
    };
    auto appendJis = [&](unsigned char lead, unsigned char trail) {
        if (!inRun && rc == kResultOk)
            rc = out.Append(kJisOn, 3);
        inRun = true;
        char jis[2];
        SjisPairToJis(lead, trail, jis);
        if (rc == kResultOk)
            rc = out.Append(jis, 2);
    };
    uint32_t i = 0;
    while (i < n && rc == kResultOk) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (IsSjisLead(c)) {
            if (i + 1 >= n)
                break; // a lead byte with nothing behind it is dropped
            const unsigned char t = static_cast<unsigned char>(text[i + 1]);
            if (t < 0x40 || t > 0xFC) {
                closeRun();
                if (rc == kResultOk)
                    rc = out.Append(text + i, 2);
            } else {
                appendJis(c, t);
            }
            i += 2;
        } else if (c >= 0xA1 && c <= 0xDF) {
            unsigned code = kHalfWidthKana[c - 0xA1];
            const unsigned char next = i + 1 < n ? static_cast<unsigned char>(text[i + 1]) : 0;
            if (next == 0xDE && c == 0xB3) {
                code = 0x8394;
                ++i;
            } else if (next == 0xDE && ((c >= 0xB6 && c <= 0xC4) || (c >= 0xCA && c <= 0xCE))) {
                code += 1;
                ++i;
            } else if (next == 0xDF && c >= 0xCA && c <= 0xCE) {
                code += 2;
                ++i;
            }
            appendJis(static_cast<unsigned char>(code >> 8), static_cast<unsigned char>(code & 0xFF));
            ++i;
        } else {
            closeRun();
            if (rc == kResultOk)
                rc = out.Append(text + i, 1);
            ++i;
        }
    }
    closeRun();
    return rc;
}

int JisBytesToSjis(const char* text, uint32_t n, NetStringBase& out)
{
    bool doubleByte = false;
    int rc = kResultOk;
    uint32_t i = 0;
    while (i < n && rc == kResultOk) {
        const char c = text[i];
        if (c == '\x1b') {
            const char next = i + 1 < n ? text[i + 1] : '\0';
            uint32_t skip = 2;
            if (next == '$') {
                doubleByte = true;
                skip = 3;
            } else if (next == 'K') {
                doubleByte = true;
            } else {
                doubleByte = false;
                if (next == '(')
                    skip = 3;
            }
            i = (n - i < skip) ? n : i + skip;
        } else if (c == '\r' || c == '\n') {
            doubleByte = false;
            rc = out.Append(&c, 1);
            ++i;
        } else if (doubleByte && i + 1 < n) {
            char sjis[2];
            JisPairToSjis(static_cast<unsigned char>(c), static_cast<unsigned char>(text[i + 1]), sjis);
            rc = out.Append(sjis, 2);
            i += 2;
        } else {
            rc = out.Append(&c, 1);
            ++i;
        }
    }
    return rc;
}

int NetStringBase::AppendSjisAsJis(const char* text)
{
    if (!text)
        return kResultOk;
    NetString out;
    int rc = SjisBytesToJis(text, uint32_t(std::strlen(text)), out);
    if (rc == kResultOk)
        rc = Append(out.Data(), out.Length());
    return rc;
}

int NetStringBase::AppendJisAsSjis(const char* text)
{
    if (!text)
        return kResultOk;
    NetString out;
    int rc = JisBytesToSjis(text, uint32_t(std::strlen(text)), out);
    if (rc == kResultOk)
        rc = Append(out.Data(), out.Length());
    return rc;
}

#include <gtest/gtest.h>

#include <string>

#include "netcomp/core/text/NetString.h"
#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/core/text/TextEncodings.h"

namespace {

std::string Str(const NetStringBase& s)
{
    return std::string(s.Data(), s.Length());
}

// "日本語" and "テスト" in Shift-JIS, and their ISO-2022-JP forms.
const std::string kNihongo = "\x93\xfa\x96\x7b\x8c\xea";
const std::string kTesuto = "\x83\x65\x83\x58\x83\x67";
const std::string kNihongoJis = "\x1b$BF|K\\8l\x1b(B";
const std::string kNihongoWord = "=?ISO-2022-JP?B?GyRCRnxLXDhsGyhC?=";

std::string Base64(const std::string& in, bool breakLines)
{
    NetString s;
    EXPECT_EQ(s.AppendBase64(in.data(), uint32_t(in.size()), breakLines), kResultOk);
    return Str(s);
}

TEST(Base64, Rfc4648Vectors)
{
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"", ""},
        {"f", "Zg=="},
        {"fo", "Zm8="},
        {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="},
        {"fooba", "Zm9vYmE="},
        {"foobar", "Zm9vYmFy"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Base64(c.in, false), c.out);
        NetString d(c.out);
        d.DecodeBase64();
        EXPECT_EQ(Str(d), c.in);
    }
    EXPECT_EQ(Base64(std::string("\xff\xfe\x00", 3), false), "//4A");
}

TEST(Base64, LineBreaksEvery48InputBytes)
{
    const std::string out = Base64(std::string(96, 'x'), true);
    ASSERT_EQ(out.size(), 64u + 2 + 64);
    EXPECT_EQ(out.substr(64, 2), "\r\n");
    EXPECT_EQ(out.find("\r\n", 66), std::string::npos);
    EXPECT_EQ(Base64(std::string(48, 'x'), true).find('\r'), std::string::npos);

    NetString d(out.c_str());
    d.DecodeBase64();
    EXPECT_EQ(Str(d), std::string(96, 'x'));
    NetString spaced(" Zm9v\r\nYmFy =ignored");
    spaced.DecodeBase64();
    EXPECT_EQ(Str(spaced), "foobar");
}

TEST(Base64, AppendsToItsOwnContents)
{
    NetString s("abc");
    ASSERT_EQ(s.AppendBase64(s.Data(), s.Length(), false), kResultOk);
    EXPECT_EQ(Str(s), "abcYWJj");
}

// Lengths across the four-character fast path and its hand-over to the
// careful path: line breaks and stray characters at every offset, the final
// incomplete group, and "=" in the middle of a run.
TEST(Base64, DecodesAroundEveryGroupBoundary)
{
    std::string data;
    for (int i = 0; i < 300; ++i)
        data += char((i * 73 + 5) & 0xff);
    for (size_t n = 0; n <= 200; n += 7) {
        const std::string plain = data.substr(0, n);
        for (bool breakLines : {false, true}) {
            NetString d(Base64(plain, breakLines).c_str());
            d.DecodeBase64();
            EXPECT_EQ(Str(d), plain) << n;
        }
        const std::string encoded = Base64(plain, false);
        for (size_t at = 0; at < encoded.size(); at += 5) {
            std::string noisy = encoded;
            noisy.insert(at, at % 2 ? "\r\n" : " *");
            NetString d(noisy.c_str());
            d.DecodeBase64();
            EXPECT_EQ(Str(d), plain) << n << " " << at;
        }
    }
    NetString early("QUJDREVGR0hJ=kxNTk9Q");
    early.DecodeBase64();
    EXPECT_EQ(Str(early), "ABCDEFGHI");
    NetString partial("QUJDREVGR0hJSw");
    partial.DecodeBase64();
    EXPECT_EQ(Str(partial), "ABCDEFGHIK");
}

TEST(JapaneseConversion, ShiftJisToIso2022Jp)
{
    const struct {
        std::string sjis;
        std::string jis;
    } cases[] = {
        {kNihongo, kNihongoJis},
        {"a" + kNihongo + "b", "a" + kNihongoJis + "b"},
        // half-width katakana with voiced and semi-voiced marks merged, a line break inside a run
        {kNihongo + "\xb6\xde\xca\xdf\r\n" + kTesuto, "\x1b$BF|K\\8l%,%Q\x1b(B\r\n\x1b$B%F%9%H\x1b(B"},
        {"\xb3\xde", "\x1b$B%t\x1b(B"},    // vu
        {"\xb1\xde", "\x1b$B%\"!+\x1b(B"}, // a has no voiced form: the mark stays a character
        {"A\x93", "A"},                    // lead byte at the end is dropped
        {"\x93\x20x", "\x93\x20x"},        // bad trail byte: copied as it is
    };
    for (const auto& c : cases) {
        NetString s;
        ASSERT_EQ(s.AppendSjisAsJis(c.sjis.c_str()), kResultOk);
        EXPECT_EQ(Str(s), c.jis);
    }
}

TEST(JapaneseConversion, Iso2022JpToShiftJis)
{
    const struct {
        std::string jis;
        std::string sjis;
    } cases[] = {
        {kNihongoJis, kNihongo},
        {"x\x1b$BF|\r\nK\\\x1b(B", "x\x93\xfa\r\nK\\"}, // line end leaves double-byte mode
        {"\x1bKF|\x1bHab", "\x93\xfa"
                           "ab"},
        {"\x1b$", ""},
        {"\x1b$BF", "F"},
    };
    for (const auto& c : cases) {
        NetString s;
        ASSERT_EQ(s.AppendJisAsSjis(c.jis.c_str()), kResultOk);
        EXPECT_EQ(Str(s), c.sjis);
    }
}

TEST(HeaderEncoding, EncodedWordsAndParameters)
{
    NetString word;
    ASSERT_EQ(word.AppendEncodedWord(kNihongo.c_str()), kResultOk);
    EXPECT_EQ(Str(word), kNihongoWord);

    NetString plain;
    ASSERT_EQ(plain.AppendHeaderParam("name", "file.txt", 8, true), kResultOk);
    EXPECT_EQ(Str(plain), " name=\"file.txt\"");
    NetString notJapanese;
    ASSERT_EQ(notJapanese.AppendHeaderParam("name", kNihongo.data(), 6, false), kResultOk);
    EXPECT_EQ(Str(notJapanese), " name=\"" + kNihongo + "\"");

    NetString jp;
    ASSERT_EQ(jp.AppendHeaderParam("name", kNihongo.data(), 6, true), kResultOk);
    EXPECT_EQ(Str(jp), "\r\n\tname=\"" + kNihongoWord + "\"");

    // 20 double-byte characters: a first word of 36 bytes, then the rest.
    std::string longValue;
    for (int i = 0; i < 20; ++i)
        longValue += "\x83\x65";
    NetString split;
    ASSERT_EQ(split.AppendHeaderParam("filename", longValue.data(), uint32_t(longValue.size()), true), kResultOk);
    const std::string encoded = Str(split);
    EXPECT_EQ(encoded.find("=?ISO-2022-JP?B?"), 13u);
    EXPECT_NE(encoded.find("?=\r\n\t=?ISO-2022-JP?B?"), std::string::npos);
    NetString back;
    ASSERT_EQ(back.AssignDecodedHeader(encoded.c_str()), kResultOk);
    EXPECT_EQ(Str(back), "\r\n\tfilename=\"" + longValue.substr(0, 36) + "\r\n\t" + longValue.substr(36) + "\"");
}

TEST(HeaderEncoding, EncodedHeaderAndWords)
{
    const std::string text = "Re: " + kNihongo + " \"abc\" \"" + kTesuto + "\"";
    NetString h;
    ASSERT_EQ(h.AssignEncodedHeader(text.c_str(), 0, true), kResultOk);
    NetString tesutoWord;
    ASSERT_EQ(tesutoWord.AppendEncodedWord(kTesuto.c_str()), kResultOk);
    EXPECT_EQ(Str(h), "Re: " + kNihongoWord + " \"abc\" " + Str(tesutoWord));

    NetString unclosed;
    ASSERT_EQ(unclosed.AssignEncodedHeader(("x \"" + kNihongo).c_str(), 0, true), kResultOk);
    EXPECT_EQ(Str(unclosed), "x " + kNihongoWord);

    // Not Japanese, or nothing 8-bit: only folding.
    for (bool japanese : {false, true}) {
        NetString folded, encoded;
        const char* ascii = "aaa bbb ccc ddd";
        ASSERT_EQ(folded.AssignFolded(ascii, 15, 5), kResultOk);
        ASSERT_EQ(encoded.AssignEncodedHeader(ascii, 5, japanese), kResultOk);
        EXPECT_EQ(Str(encoded), Str(folded));
    }
    NetString raw;
    ASSERT_EQ(raw.AssignEncodedHeader(text.c_str(), 0, false), kResultOk);
    EXPECT_EQ(Str(raw), text);

    NetString words;
    ASSERT_EQ(words.AssignEncodedWords(("abc " + kNihongo).c_str(), 100, true), kResultOk);
    EXPECT_EQ(Str(words), "abc " + kNihongoWord);
    NetString tight;
    ASSERT_EQ(tight.AssignEncodedWords(("abc " + kNihongo).c_str(), 40, true), kResultOk);
    const std::string t = Str(tight);
    EXPECT_EQ(t.substr(0, 6), "abc\r\n\t");
    EXPECT_EQ(std::count(t.begin(), t.end(), '\t'), 3); // one word per character after the break
}

TEST(HeaderEncoding, DecodesIso2022JpWordsOnly)
{
    const struct {
        std::string in;
        std::string out;
    } cases[] = {
        {"Subject: " + kNihongoWord + " end", "Subject: " + kNihongo + " end"},
        {"=?iso-2022-jp?b?GyRCRnxLXDhsGyhC?=", kNihongo},
        {"=?ISO-2022-JP?Q?=1B$BF|K\\8l=1B(B_x?=", kNihongo + " x"},
        {"=?ISO-2022-JP?Q?=zz?=", "=zz"},
        // "=" without two hexadecimal digits keeps itself and the next character as they are.
        {"=?ISO-2022-JP?Q?a=_b?=", "a=_b"},
        {"=?ISO-2022-JP?Q?=x=41?=", "=xA"},
        {"=?ISO-2022-JP?Q?==41?=", "==41"},
        {"=?UTF-8?B?w6k=?=", "=?UTF-8?B?w6k=?="},
        {"=?ISO-2022-JP?B?GyRC", "=?ISO-2022-JP?B?GyRC"},
        {"=?ISO-2022-JP?X?abc?=", "=?ISO-2022-JP?X?abc?="},
        {"plain =? text", "plain =? text"},
    };
    for (const auto& c : cases) {
        NetString s("old");
        ASSERT_EQ(s.AssignDecodedHeader(c.in.c_str()), kResultOk);
        EXPECT_EQ(Str(s), c.out) << c.in;
    }
    NetString appended("A: ");
    ASSERT_EQ(appended.AppendDecodedHeader(kNihongoWord.c_str()), kResultOk);
    EXPECT_EQ(Str(appended), "A: " + kNihongo);
}

TEST(EncodingHelpers, EightBitAndHexPairs)
{
    EXPECT_FALSE(IsEightBit("plain"));
    EXPECT_TRUE(IsEightBit(kNihongo.c_str()));
    EXPECT_FALSE(IsEightBit(nullptr));
    EXPECT_TRUE(IsEightBitBytes("\0\x80", 2));
    EXPECT_EQ(HexPairValue('4', 'f'), 0x4Fu);
    EXPECT_EQ(HexPairValue('A', 'b'), 0xABu);
    EXPECT_EQ(HexPairValue('g', '0'), 0xFFFFu);
}

} // namespace

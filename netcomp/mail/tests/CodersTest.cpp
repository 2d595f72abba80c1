// The coders: fixed vectors for the rules that matter, round trips over
// random data read in random pieces, and our output checked against
// independent decoders (Python's quopri, base64, binascii, zlib; uudeview).
#include <gtest/gtest.h>

#include "netcomp/mail/coders/CoderErrors.h"
#include "netcomp/mail/coders/Coders.h"
#include "netcomp/mail/coders/Crc32.h"
#include "netcomp/mail/tests/CoderTestSupport.h"

namespace {

// Decoder output for UU and yEnc, into a string.
class StringOutput final : public CoderOutput {
public:
    std::string name, mode;
    std::string buffer = std::string(1 << 20, '\0');
    CoderMemoryStream stream{kCoderOutput, &buffer[0], buffer.size()};
    int Open(const char* n, const char* m, CoderStream** out) override
    {
        name = n;
        mode = m;
        *out = &stream;
        return 0;
    }
    std::string Data() const { return buffer.substr(0, size_t(stream.Written())); }
};

std::string UuEncodeText(const std::string& data, const char* name)
{
    UuEncodeOptions o;
    o.fileName = name;
    o.inputSize = data.size();
    return RunCoder([&](CoderStream& in, CoderStream& out) { return UuEncode(in, out, o); }, data);
}

std::string YencEncodeText(const std::string& data, const char* name)
{
    YencEncodeOptions o;
    o.fileName = name;
    o.inputSize = data.size();
    return RunCoder([&](CoderStream& in, CoderStream& out) { return YencEncode(in, out, o); }, data);
}

std::string Crlf(const std::string& s)
{
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\n' && (i == 0 || s[i - 1] != '\r'))
            out += '\r';
        out += s[i];
    }
    return out;
}

} // namespace

TEST(Coders, QuotedPrintableRules)
{
    EXPECT_EQ(RunCoder(QpEncode, "a b\n"), "a b\r\n");
    EXPECT_EQ(RunCoder(QpEncode, "a \nb\t"), "a=20\r\nb=09");
    EXPECT_EQ(RunCoder(QpEncode, "x=1\r\n\x80\x7f"), "x=3D1\r\n=80=7F");
    EXPECT_EQ(RunCoder(QpEncode, "a\rb"), "a=0Db");
    const std::string line80(80, 'q');
    EXPECT_EQ(RunCoder(QpEncode, line80), std::string(75, 'q') + "=\r\n" + std::string(5, 'q'));
    // A line of exactly 75 characters needs no soft break before its end.
    EXPECT_EQ(RunCoder(QpEncode, std::string(75, 'q') + "\n"), std::string(75, 'q') + "\r\n");
    // An escape that would pass column 75 moves to the next line.
    EXPECT_EQ(RunCoder(QpEncode, std::string(73, 'q') + "\xff"), std::string(73, 'q') + "=\r\n=FF");

    EXPECT_EQ(RunCoder(QpDecode, "a=3Db=\r\nc=\nd\n"), "a=bcd\r\n");
    EXPECT_EQ(RunCoder(QpDecode, "e=3d=ZZ= \t\r\nf  \r\ng \t"), "e==ZZf\r\ng");
    EXPECT_EQ(RunCoder(QpDecode, "cut=4"), "cut=4");
}

TEST(Coders, Base64CarriesGroupsAcrossReads)
{
    EXPECT_EQ(RunCoder(Base64Encode, "abc"), "YWJj\r\n");
    EXPECT_EQ(RunCoder(Base64Encode, "ab"), "YWI=\r\n");
    EXPECT_EQ(RunCoder(Base64Encode, std::string(55, 'x')).find("\r\n"), 72u);
    EXPECT_EQ(RunCoder(Base64Decode, "YW\r\nJj\r\nYQ==YWI"), "abcaab");
    EXPECT_EQ(RunCoder(Base64Decode, " \tYWJj*YWJj\n"), "abcabc");
    // A long unwrapped body read in odd pieces decodes whole.
    std::mt19937 rng(7);
    const std::string data = RandomBytes(rng, 5000, false);
    std::string flat = RunCoder(Base64Encode, data);
    flat.erase(std::remove(flat.begin(), flat.end(), '\r'), flat.end());
    flat.erase(std::remove(flat.begin(), flat.end(), '\n'), flat.end());
    EXPECT_EQ(RunCoder(Base64Decode, flat, nullptr, {1023, 5, 2, 1}), data);
}

TEST(Coders, RoundTripsAtAnySplit)
{
    std::mt19937 rng(42);
    struct Pair {
        const char* name;
        CoderFn encode, decode;
        bool lineEnds; // CR LF and LF come back as CR LF
    };
    const Pair pairs[] = {
        {"qp", QpEncode, QpDecode, true},
        {"qp-binary", QpEncode, QpDecode, true},
        {"base64", Base64Encode, Base64Decode, false},
        {"url", UrlEncode, UrlDecode, false},
        {"hex", HexEncode, HexDecode, false},
    };
    for (const Pair& p : pairs) {
        for (int round = 0; round < 40; ++round) {
            const std::string data = RandomBytes(rng, rng() % 3000, std::string(p.name) == "qp");
            std::vector<size_t> pieces = {1 + rng() % 7, 1 + rng() % 300, 1 + rng() % 3};
            int rc = -1;
            const std::string encoded = RunCoder(p.encode, data, &rc, pieces);
            ASSERT_EQ(rc, 0) << p.name;
            std::string expected = data;
            if (p.lineEnds)
                expected = Crlf(data);
            EXPECT_TRUE(RunCoder(p.decode, encoded, &rc, {pieces[1], pieces[0]}) == expected) << p.name << round;
            EXPECT_EQ(rc, 0);
        }
    }
    for (int round = 0; round < 20; ++round) {
        const std::string data = RandomBytes(rng, rng() % 4000, false);
        StringOutput uu, y;
        const std::string uue = UuEncodeText(data, "f.bin");
        CoderMemoryStream in1(uue.data(), uue.size());
        EXPECT_EQ(UuDecode(in1, uu), 0);
        EXPECT_TRUE(uu.Data() == data);
        EXPECT_EQ(uu.name, "f.bin");
        EXPECT_EQ(uu.mode, "0755");
        const std::string ye = YencEncodeText(data, "y name.bin");
        PiecewiseStream in2(ye, {3, 700});
        EXPECT_EQ(YencDecode(in2, y), 0);
        EXPECT_TRUE(y.Data() == data);
        EXPECT_EQ(y.name, "y name.bin");
    }
}

TEST(Coders, SmallFormats)
{
    EXPECT_EQ(RunCoder(UrlEncode, "a b&c*-./@_~"), "a+b%26c*-./@_%7E");
    EXPECT_EQ(RunCoder(UrlDecode, "a+b%26%zz%4"), "a b&%zz%4");
    EXPECT_EQ(RunCoder(HexEncode, std::string("\x00\xff", 2)), "00ff");
    EXPECT_EQ(RunCoder(Md5HexCoder, "abc"), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(RunCoder(Sha1HexCoder, "abc"), "a9993e364706816aba3e25717850c26c9cd0d89d");
    EXPECT_EQ(RunCoder(JisEncode, "\x82\xa0"
                                  "a"),
              "\x1b$B$\"\x1b(Ba");
    EXPECT_EQ(RunCoder(JisDecode, "\x1b$B$\"\x1b(Ba"), "\x82\xa0"
                                                       "a");
}

TEST(Coders, YencRulesAndErrors)
{
    std::string data("\xd6\x00", 2);
    const std::string enc = YencEncodeText(data, "n");
    // 214 + 42 wraps to 0 and is escaped; the CRC is zlib.crc32's.
    EXPECT_EQ(enc, "=ybegin line=128 size=2 name=n\r\n=@*\r\n=yend size=2 crc32=96bb7066\r\n");

    auto decode = [](const std::string& text) {
        StringOutput out;
        CoderMemoryStream in(text.data(), text.size());
        return YencDecode(in, out);
    };
    EXPECT_EQ(decode("nothing here\r\n"), kCoderYencFormat);
    EXPECT_EQ(decode("=ybegin line=128 size=1 name=a\r\nk\r\n"), kCoderYencNoEnd);
    EXPECT_EQ(decode("=ybegin line=128 size=1 name=a\r\nk=\r\n=yend size=1\r\n"), kCoderYencEscapeAtEnd);
    EXPECT_EQ(decode("=ybegin line=128 size=1 name=a\r\nk\r\n=yend size=1 crc32=12345678\r\n"), kCoderYencCrc);

    auto uudecode = [](const std::string& text) {
        StringOutput out;
        CoderMemoryStream in(text.data(), text.size());
        return UuDecode(in, out);
    };
    EXPECT_EQ(uudecode("no begin\n"), kCoderNoBegin);
    EXPECT_EQ(uudecode("begin 644 a\n#86)C\n"), kCoderShortUu);
    EXPECT_EQ(uudecode("begin 644 a\n#86)C\n`\n"), kCoderNoEnd);
}

TEST(Coders, IndependentDecodersAgree)
{
    std::mt19937 rng(99);
    const std::string binary = RandomBytes(rng, 20000, false);
    const std::string text = RandomBytes(rng, 20000, true) + " \t";
    ScratchFile("binary.bin", binary);
    ScratchFile("text.txt", text);
    ScratchFile("ours.qp", RunCoder(QpEncode, text));
    ScratchFile("ours.b64", RunCoder(Base64Encode, binary));
    ScratchFile("ours.uue", UuEncodeText(binary, "binary.bin"));
    Crc32 crc;
    crc.Update(binary.data(), binary.size());
    int status = -1;
    const std::string report = RunPython(R"(
import base64, binascii, quopri, sys, zlib
binary = open('binary.bin', 'rb').read()
text = open('text.txt', 'rb').read()
norm = text.replace(b'\r\n', b'\n').replace(b'\n', b'\r\n')
qp = open('ours.qp', 'rb').read()
print('qp', quopri.decodestring(qp) == norm, max(len(l) for l in qp.split(b'\r\n')) <= 76)
print('b64', base64.b64decode(open('ours.b64', 'rb').read()) == binary)
lines = open('ours.uue', 'rb').read().split(b'\r\n')
assert lines[0] == b'begin 0755 binary.bin'
data = b''.join(binascii.a2b_uu(l) for l in lines[1:] if l and l != b'end')
print('uu', data == binary)
print('crc', '%x' % zlib.crc32(binary))
)",
                                         {}, &status);
    EXPECT_EQ(status, 0) << report;
    EXPECT_NE(report.find("qp True True"), std::string::npos) << report;
    EXPECT_NE(report.find("b64 True"), std::string::npos) << report;
    EXPECT_NE(report.find("uu True"), std::string::npos) << report;
    char hex[16];
    snprintf(hex, sizeof hex, "crc %x", crc.Value());
    EXPECT_NE(report.find(hex), std::string::npos) << report;

    // Their encodings decode here: LF-only Base64 lines of 76, quopri's soft breaks.
    const std::string theirs = RunPython(R"(
import base64, quopri
open('py.b64', 'wb').write(base64.encodebytes(open('binary.bin', 'rb').read()))
open('py.qp', 'wb').write(quopri.encodestring(open('text.txt', 'rb').read()))
)",
                                         {}, &status);
    EXPECT_EQ(status, 0) << theirs;
    EXPECT_TRUE(RunCoder(Base64Decode, ReadWholeFile("py.b64"), nullptr, {1023}) == binary);
    EXPECT_TRUE(RunCoder(QpDecode, ReadWholeFile("py.qp")) == Crlf(text));

    // uudeview decodes our UU and yEnc files.
    ScratchFile("ours.yenc", YencEncodeText(binary, "ydata.bin"));
    RunCommand("mkdir -p uudv && uudeview -i -o -q -p uudv ours.uue ours.yenc >/dev/null 2>&1", &status);
    EXPECT_TRUE(ReadWholeFile("uudv/binary.bin") == binary);
    EXPECT_TRUE(ReadWholeFile("uudv/ydata.bin") == binary);
}

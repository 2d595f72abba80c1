// The NetCode engine: string actions in every format, split output files and
// their names, names from encoded data kept inside the chosen folder, and
// output bounds that hold for the worst input.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "netcomp/mail/coders/CoderErrors.h"
#include "netcomp/mail/coders/NetCodeEngine.h"
#include "netcomp/mail/tests/CoderTestSupport.h"

namespace {

std::string Text(const NetStringBase& s)
{
    return std::string(s.Data(), s.Length());
}

std::string EncodeString(NetCodeEngine& e, int format, const std::string& data, int* rc = nullptr)
{
    e.SetFormat(format);
    EXPECT_EQ(e.DecodedData().Assign(uint32_t(data.size()), data.data()), 0);
    const int r = e.Run(kNetCodeRunEncodeString);
    if (rc)
        *rc = r;
    else
        EXPECT_EQ(r, 0) << e.LastErrorText();
    return Text(e.EncodedData());
}

std::string DecodeString(NetCodeEngine& e, int format, const std::string& data, int* rc = nullptr)
{
    e.SetFormat(format);
    EXPECT_EQ(e.EncodedData().Assign(uint32_t(data.size()), data.data()), 0);
    const int r = e.Run(kNetCodeRunDecodeString);
    if (rc)
        *rc = r;
    else
        EXPECT_EQ(r, 0) << e.LastErrorText();
    return Text(e.DecodedData());
}

} // namespace

TEST(NetCodeEngine, StringActions)
{
    NetCodeEngine e;
    EXPECT_EQ(EncodeString(e, kNetCodeUrl, "a b&"), "a+b%26");
    EXPECT_EQ(EncodeString(e, kNetCodeHex, std::string("\x00\xff", 2)), "00ff");
    EXPECT_NE(EncodeString(e, kNetCodeYenc, "\xd6").find("\r\n=@\r\n"), std::string::npos);
    EXPECT_EQ(EncodeString(e, kNetCodeMd5, ""), "d41d8cd98f00b204e9800998ecf8427e");
    int rc = 0;
    DecodeString(e, kNetCodeMd5, "x", &rc);
    EXPECT_EQ(rc, kCoderNoDecoding);
    EXPECT_STREQ(e.LastErrorText(), "Format does not support decoding.");
    EncodeString(e, 9, "x", &rc);
    EXPECT_EQ(rc, kCoderNoOutputLength);

    // Worst cases for the reserves: every byte escaped, LF-only lines decoded to CR LF.
    const std::string high(100000, '\xff');
    EXPECT_EQ(DecodeString(e, kNetCodeQp, EncodeString(e, kNetCodeQp, high)), high);
    EXPECT_EQ(DecodeString(e, kNetCodeQp, std::string(5000, '\n')).size(), 10000u);
    const std::string critical(50000, char(256 - 42)); // all escaped in yEnc
    EXPECT_EQ(DecodeString(e, kNetCodeYenc, EncodeString(e, kNetCodeYenc, critical)), critical);
    EXPECT_EQ(DecodeString(e, kNetCodeUrl, EncodeString(e, kNetCodeUrl, high)), high);
    const std::string katakana(30000, '\xb1');
    const std::string jis = EncodeString(e, kNetCodeJis, katakana + "a\xb1");
    EXPECT_EQ(jis.substr(0, 5), "\x1b$B%\"");

    // UU names: a string encode needs one, a decode reports the one in the data.
    e.FileName().Clear();
    EncodeString(e, kNetCodeUu, "abc", &rc);
    EXPECT_EQ(rc, kCoderNoUuName);
    EXPECT_EQ(DecodeString(e, kNetCodeUu, "begin 644 ..\\..\\evil.txt\r\n#86)C\r\n`\r\nend\r\n"), "abc");
    EXPECT_EQ(Text(e.FileName()), "evil.txt");
    EXPECT_EQ(Text(e.FileMode()), "644");
}

TEST(NetCodeEngine, SplitFilesAndNames)
{
    std::mt19937 rng(11);
    const std::string data = RandomBytes(rng, 50000, false);
    ScratchFile("input.bin", data);
    NetCodeEngine e;
    e.SetFormat(kNetCodeUu);
    e.SetMaxFileSize(10000);
    ASSERT_EQ(e.DecodedData().AssignText("input.bin"), 0);
    ASSERT_EQ(e.EncodedData().AssignText("part???"), 0);
    ASSERT_EQ(e.Run(kNetCodeRunEncodeFile), 0) << e.LastErrorText();
    EXPECT_EQ(e.FileCount(), 8);
    const std::string first = ReadWholeFile("part001.UUE");
    EXPECT_EQ(first.substr(0, 39), "------------ Part 1 of 8 ------------\r\n");
    EXPECT_LE(first.size(), 10000u);
    EXPECT_TRUE(ReadWholeFile("part009.UUE").empty());
    // Writing again without Overwrite refuses to replace the files.
    EXPECT_EQ(e.Run(kNetCodeRunEncodeFile), kCoderFileExists);
    e.SetOverwrite(true);

    // uudeview decodes the parts received in order; we read the numbered files in turn.
    int status = -1;
    RunCommand("cat part00?.UUE > joined.uue && mkdir -p uu && uudeview -i -o -q -p uu joined.uue >/dev/null 2>&1",
               &status);
    EXPECT_TRUE(ReadWholeFile("uu/input.bin") == data);
    mkdir("out", 0755);
    e.DecodedData().Clear();
    ASSERT_EQ(e.FileName().AssignText("out/"), 0);
    ASSERT_EQ(e.Run(kNetCodeRunDecodeFile), 0) << e.LastErrorText();
    EXPECT_EQ(e.FileCount(), 8);
    EXPECT_TRUE(ReadWholeFile("out/input.bin") == data);

    // yEnc and Base64 split the same way; one digit is too few names for twelve files.
    e.SetFormat(kNetCodeYenc);
    e.FileName().Clear();
    ASSERT_EQ(e.DecodedData().AssignText("input.bin"), 0);
    ASSERT_EQ(e.EncodedData().AssignText("y??"), 0);
    ASSERT_EQ(e.Run(kNetCodeRunEncodeFile), 0) << e.LastErrorText();
    EXPECT_GT(e.FileCount(), 5);
    e.SetFormat(kNetCodeBase64);
    ASSERT_EQ(e.EncodedData().AssignText("b?"), 0);
    e.SetMaxFileSize(6000);
    EXPECT_EQ(e.Run(kNetCodeRunEncodeFile), kCoderSplitNamesShort);
    ASSERT_EQ(e.EncodedData().AssignText("single.b64"), 0);
    ASSERT_EQ(e.Run(kNetCodeRunEncodeFile), 0);
    EXPECT_EQ(e.FileCount(), 1);

    // A name from the data never leaves the chosen folder.
    ScratchFile("evil.uue", "begin 644 ../../../tmp/evil.txt\r\n#86)C\r\n`\r\nend\r\n");
    e.SetFormat(kNetCodeUu);
    ASSERT_EQ(e.EncodedData().AssignText("evil.uue"), 0);
    e.DecodedData().Clear();
    ASSERT_EQ(e.FileName().AssignText("out/"), 0);
    ASSERT_EQ(e.Run(kNetCodeRunDecodeFile), 0) << e.LastErrorText();
    EXPECT_EQ(ReadWholeFile("out/evil.txt"), "abc");
    ScratchFile("dots.uue", "begin 644 ..\r\n#86)C\r\n`\r\nend\r\n");
    ASSERT_EQ(e.EncodedData().AssignText("dots.uue"), 0);
    EXPECT_EQ(e.Run(kNetCodeRunDecodeFile), kCoderNoUuName);
    e.SetUseEncodedName(false);
    ASSERT_EQ(e.EncodedData().AssignText("evil.uue"), 0);
    EXPECT_EQ(e.Run(kNetCodeRunDecodeFile), kCoderNoUuName);
}

// Every format splits its encoded file into numbered files of at most the
// maximum size (the text formats at line ends, URL and hex between escapes,
// JIS and the digests anywhere) and joins them again when decoding.
TEST(NetCodeEngine, EveryFormatSplitsAndJoins)
{
    std::mt19937 rng(23);
    const std::string binary = RandomBytes(rng, 40000, false);
    std::string text;
    while (text.size() < 30000)
        text += "\x93\xfa\x96\x7b\x8c\xea and ASCII, line\r\n"; // Shift-JIS
    const struct {
        int format;
        const char* extension;
        bool decodes;
    } formats[] = {
        {kNetCodeUu, ".UUE", true},   {kNetCodeBase64, ".B64", true}, {kNetCodeQp, ".Q_P", true},
        {kNetCodeUrl, ".Q_P", true},  {kNetCodeJis, ".Q_P", true},    {kNetCodeYenc, ".Q_P", true},
        {kNetCodeMd5, ".Q_P", false}, {kNetCodeSha1, ".Q_P", false},  {kNetCodeHex, ".Q_P", true},
    };
    for (const auto& f : formats) {
        SCOPED_TRACE(f.format);
        // The text formats take text: quoted-printable writes each line end as CR LF.
        const std::string& data = f.format == kNetCodeJis || f.format == kNetCodeQp ? text : binary;
        const std::string input = "split" + std::to_string(f.format) + ".in";
        ScratchFile(input, data);
        const std::string stem = "s" + std::to_string(f.format) + "_";
        NetCodeEngine e;
        e.SetFormat(f.format);
        e.SetOverwrite(true);
        e.SetMaxFileSize(f.decodes ? 9000 : 20);
        ASSERT_EQ(e.DecodedData().AssignText(input.c_str()), 0);
        ASSERT_EQ(e.EncodedData().AssignText((stem + "??").c_str()), 0);
        ASSERT_EQ(e.Run(kNetCodeRunEncodeFile), 0) << e.LastErrorText();
        const int files = e.FileCount();
        EXPECT_GT(files, 1);
        std::string joined;
        for (int i = 1; i <= files; ++i) {
            const std::string part = ReadWholeFile(stem + (i < 10 ? "0" : "") + std::to_string(i) + f.extension);
            EXPECT_FALSE(part.empty()) << i;
            EXPECT_LE(part.size(), size_t(f.decodes ? 9000 : 20)) << i;
            joined += part;
        }
        EXPECT_TRUE(ReadWholeFile(stem + std::to_string(files + 1) + f.extension).empty());
        if (!f.decodes) {
            EXPECT_EQ(joined.size(), f.format == kNetCodeMd5 ? 32u : 40u);
            continue;
        }
        const std::string output = "split" + std::to_string(f.format) + ".out";
        ASSERT_EQ(e.DecodedData().AssignText(output.c_str()), 0);
        EXPECT_EQ(e.Run(kNetCodeRunDecodeFile), 0) << e.LastErrorText();
        EXPECT_EQ(e.FileCount(), files);
        EXPECT_TRUE(ReadWholeFile(output) == data);
    }
}

// The output of a file action is never its own input: encoding or decoding a
// file onto itself would cut it short, or read its own output for ever.
TEST(NetCodeEngine, AnOutputThatIsTheInputIsRefused)
{
    const std::string data(5000, 'd');
    ScratchFile("self.bin", data);
    ScratchFile("self01.Q_P", data);
    NetCodeEngine e;
    e.SetOverwrite(true);
    e.SetFormat(kNetCodeHex);
    const struct {
        const char* input;
        const char* output;
        int split;
    } cases[] = {
        {"self.bin", "self.bin", 0},
        {"self.bin", "./self.bin", 0},
        {"./self01.Q_P", "self??", 100},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.output);
        e.SetMaxFileSize(c.split);
        ASSERT_EQ(e.DecodedData().AssignText(c.input), 0);
        ASSERT_EQ(e.EncodedData().AssignText(c.output), 0);
        EXPECT_EQ(e.Run(kNetCodeRunEncodeFile), kCoderCantCreate);
        EXPECT_STREQ(e.LastErrorText(), "Can't create the file for write (illegal name ?)");
    }
    EXPECT_TRUE(ReadWholeFile("self.bin") == data);
    EXPECT_TRUE(ReadWholeFile("self01.Q_P") == data);

    // Decoding: the named output, and the name the data brings.
    e.SetMaxFileSize(0);
    ScratchFile("self.hex", "6162");
    ASSERT_EQ(e.EncodedData().AssignText("self.hex"), 0);
    ASSERT_EQ(e.DecodedData().AssignText("./self.hex"), 0);
    EXPECT_EQ(e.Run(kNetCodeRunDecodeFile), kCoderCantCreate);
    EXPECT_EQ(ReadWholeFile("self.hex"), "6162");
    ScratchFile("named.uue", "begin 644 named.uue\r\n#86)C\r\n`\r\nend\r\n");
    e.SetFormat(kNetCodeUu);
    e.DecodedData().Clear();
    e.FileName().Clear();
    ASSERT_EQ(e.EncodedData().AssignText("named.uue"), 0);
    EXPECT_EQ(e.Run(kNetCodeRunDecodeFile), kCoderCantCreate);
    EXPECT_EQ(ReadWholeFile("named.uue"), "begin 644 named.uue\r\n#86)C\r\n`\r\nend\r\n");
}

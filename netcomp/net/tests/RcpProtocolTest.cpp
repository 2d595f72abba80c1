// The remote-command request, rcp's file line both ways, the shell word of a
// remote file name, and the reader of what a source or sink sends, fed in
// pieces as the socket delivers them.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "netcomp/net/rcommand/RcpProtocol.h"

namespace {

TEST(RcpProtocol, RequestFileLineShellWordAndBaseName)
{
    NetString request;
    ASSERT_EQ(BuildRCommandRequest(515, "a", "b", "ls", request), 0);
    EXPECT_EQ(std::string(request.Data(), request.Length()), std::string("515\0a\0b\0ls\0", 11));
    ASSERT_EQ(BuildRCommandRequest(0, nullptr, "", "id", request), 0);
    EXPECT_EQ(std::string(request.Data(), request.Length()), std::string("0\0\0\0id\0", 7));

    NetString line;
    ASSERT_EQ(FormatRcpFileLine("0644", 10, "x.txt", line), 0);
    EXPECT_STREQ(line.CStr(), "C0644 10 x.txt\n");
    ASSERT_EQ(FormatRcpFileLine("0600", 6000000000LL, "big", line), 0);
    EXPECT_STREQ(line.CStr(), "C0600 6000000000 big\n");

    RcpFileLine f;
    const char* text = "C0644 6000000000 name with blanks";
    ASSERT_TRUE(ParseRcpFileLine(text, uint32_t(std::strlen(text)), f));
    EXPECT_EQ(std::string(f.mode, f.modeLength), "0644");
    EXPECT_EQ(f.size, 6000000000LL);
    EXPECT_EQ(std::string(f.name, f.nameLength), "name with blanks");
    for (const char* bad : {"C0644 10", "C0644 10 ", "C0644 x name", "C 10 name", "D0755 0 dir", "C0644",
                            "C0644 99999999999999999999 n", ""})
        EXPECT_FALSE(ParseRcpFileLine(bad, uint32_t(std::strlen(bad)), f)) << bad;

    const auto word = [](const char* w) {
        NetString out;
        EXPECT_EQ(AppendShellWord(w, out), 0);
        return std::string(out.CStr());
    };
    EXPECT_EQ(word("dir/file-1.txt"), "dir/file-1.txt");
    EXPECT_EQ(word("my file"), "'my file'");
    EXPECT_EQ(word("x; rm -rf ~"), "'x; rm -rf ~'");
    EXPECT_EQ(word("it's"), "'it'\\''s'");
    EXPECT_EQ(word("$(id)"), "'$(id)'");
    EXPECT_EQ(word(""), "''");

    EXPECT_STREQ(PathBaseName("/tmp/dir/x.txt"), "x.txt");
    EXPECT_STREQ(PathBaseName("dir\\sub\\y.bin"), "y.bin");
    EXPECT_STREQ(PathBaseName("plain"), "plain");
    EXPECT_STREQ(PathBaseName("ends/"), "");
}

// What the reader made of some input, as text: one item per event.
std::vector<std::string> Events(RcpReader& reader, const std::string& input, std::size_t piece)
{
    std::vector<std::string> out;
    std::string data;
    for (std::size_t at = 0; at < input.size(); at += piece) {
        const std::string part = input.substr(at, piece);
        const char* p = part.data();
        uint32_t n = uint32_t(part.size());
        while (n > 0) {
            const RcpReader::Event e = reader.Next(p, n);
            switch (e) {
            case RcpReader::Event::NeedMore:
                break;
            case RcpReader::Event::Ack:
                out.push_back("ack");
                break;
            case RcpReader::Event::Refused:
                out.push_back(std::string(reader.Fatal() ? "fatal:" : "warning:") + reader.Text());
                break;
            case RcpReader::Event::Line:
                out.push_back(std::string("line:") + reader.Text());
                if (reader.Text()[0] == 'C')
                    reader.ExpectData(std::stoll(std::string(reader.Text()).substr(6)));
                break;
            case RcpReader::Event::Data:
                data.append(reader.Block(), reader.BlockLength());
                if (reader.DataLeft() == 0)
                    out.push_back("data:" + data);
                break;
            case RcpReader::Event::Unexpected:
                out.push_back("unexpected");
                return out;
            case RcpReader::Event::TooLong:
                out.push_back("too long");
                break;
            }
            if (e == RcpReader::Event::NeedMore)
                break;
        }
    }
    return out;
}

TEST(RcpReader, SourceAndSinkDialoguesInAnyPieces)
{
    // A source's file: its line, exactly its bytes (zero bytes and line feeds
    // among them), then its status byte.
    const std::string source =
        std::string("C0644 10 f.bin\n") + std::string("a\0b\nc\0\0\0\nz", 10) + std::string(1, '\0');
    for (std::size_t piece : {1u, 3u, 7u, 100u}) {
        SCOPED_TRACE(piece);
        RcpReader reader;
        reader.ExpectLine();
        EXPECT_EQ(
            Events(reader, source, piece),
            (std::vector<std::string>{"line:C0644 10 f.bin", "data:" + std::string("a\0b\nc\0\0\0\nz", 10), "ack"}));
        EXPECT_TRUE(reader.Idle());
    }

    RcpReader reader;
    reader.ExpectAck();
    EXPECT_EQ(Events(reader, std::string("\x01scp: no such file\n", 19), 4),
              (std::vector<std::string>{"warning:scp: no such file"}));
    reader.ExpectLine();
    EXPECT_EQ(Events(reader, "\x02rcp: fatal\n", 100), (std::vector<std::string>{"fatal:rcp: fatal"}));
    // Any other status byte begins its message.
    reader.ExpectAck();
    EXPECT_EQ(Events(reader, "Permission denied.\n", 100), (std::vector<std::string>{"fatal:Permission denied."}));
    // An empty file has no data, only its status.
    reader.ExpectData(0);
    EXPECT_EQ(Events(reader, std::string(1, '\0'), 1), (std::vector<std::string>{"ack"}));
    // Nothing expected: nothing taken.
    EXPECT_EQ(Events(reader, "x", 1), (std::vector<std::string>{"unexpected"}));

    reader.ExpectLine();
    const std::string longLine = "C" + std::string(RcpReader::kMaxLine + 10, '7') + "\n";
    EXPECT_EQ(Events(reader, longLine, 4096), (std::vector<std::string>{"too long"}));
}

} // namespace

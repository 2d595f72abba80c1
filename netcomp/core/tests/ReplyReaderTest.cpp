// Replies of real peers (aiosmtpd, exim, pure-ftpd, Net::SNPP::Server,
// dovecot), cut into lines and read as replies, whole and in pieces.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/core/tcp/LineSource.h"
#include "netcomp/core/tcp/ReplyReader.h"

namespace {

using HintFor = std::function<ReplyReader::Hint(const std::string&)>;

// Every complete reply as "<code><+ or -><line count>", space-separated; the
// bytes go in as raw pieces of `step` bytes (0: all at once).
std::string Replies(const ReplyRules& rules, const std::string& bytes, size_t step, HintFor hint = nullptr)
{
    LineSource lines;
    ReplyReader reply(rules);
    std::string out;
    for (size_t pos = 0; pos < bytes.size();) {
        const size_t n = step && step < bytes.size() - pos ? step : bytes.size() - pos;
        EXPECT_EQ(lines.Feed(bytes.data() + pos, uint32_t(n), false), kResultOk);
        pos += n;
        const char* line;
        uint32_t length;
        while (lines.Next(&line, &length) == LineSource::Result::Line) {
            const std::string text(line, length);
            if (reply.Take(line, length, hint ? hint(text) : ReplyReader::Hint::Rules) == ReplyReader::Step::Done)
                out += (out.empty() ? "" : " ") + std::to_string(reply.Code()) + (reply.Positive() ? "+" : "-") +
                       std::to_string(reply.LineCount());
        }
    }
    return out;
}

// The same replies whether the bytes come whole, one by one or in odd pieces.
void ExpectReplies(const ReplyRules& rules, const std::string& bytes, const std::string& expected,
                   HintFor hint = nullptr)
{
    for (size_t step : {0, 1, 7}) {
        SCOPED_TRACE(step);
        EXPECT_EQ(Replies(rules, bytes, step, hint), expected);
    }
}

TEST(ReplyReader, ThreeDigitRepliesOfMailServers)
{
    // aiosmtpd: greeting, a 6-line EHLO answer, DATA's 354, a 500.
    ExpectReplies(kCodedReply,
                  "220 localhost Python SMTP 1.4.3\r\n"
                  "250-localhost\r\n250-SIZE 33554432\r\n250-8BITMIME\r\n250-SMTPUTF8\r\n250-AUTH LOGIN PLAIN\r\n"
                  "250 HELP\r\n"
                  "354 End data with <CR><LF>.<CR><LF>\r\n"
                  "500 Error: command \"FOO\" not recognized\r\n",
                  "220+1 250+6 354+1 500-1");
    // exim: a multi-line HELP (214), a refused recipient.
    ExpectReplies(kCodedReply,
                  "214-Commands supported:\r\n214 AUTH STARTTLS HELO EHLO MAIL RCPT DATA BDAT NOOP QUIT RSET HELP\r\n"
                  "550 relay not permitted\r\n",
                  "214+2 550-1");
    // A multi-line greeting, a preliminary 1xx before the real reply, and a
    // code change inside a continuation: the line without "-" ends it and
    // its code counts. Bare LF ends lines as CR LF does.
    ExpectReplies(kCodedReply, "220-mx.kes.test ESMTP\r\n220-no UCE\n220 ready\r\n150 opening\n250 done\r\n",
                  "220+3 250+2");
    ExpectReplies(kCodedReply, "250-first\r\n251 forwarded\r\n", "251+2");
    // Lines that are no reply at all are negative, not a crash.
    ExpectReplies(kCodedReply, "hello\r\n25\r\n\r\n", "0-1 0-1 0-1");

    ReplyReader reply(kCodedReply);
    for (const char* line : {"250-a", "250 b"})
        (void)reply.Take(line, uint32_t(std::string(line).size()));
    EXPECT_EQ(reply.Text().CStr(), std::string("250-a\r\n250 b\r\n"));
    EXPECT_STREQ(reply.FinalLine(), "250 b");
}

TEST(ReplyReader, FtpRepliesEndOnlyAtTheirOwnCode)
{
    // pure-ftpd: the greeting's first line is "220" and dashes; FEAT lists its
    // features on lines that begin with a blank.
    ExpectReplies(kFtpReply,
                  "220---------- Welcome to Pure-FTPd [privsep] [TLS] ----------\r\n"
                  "220-You are user number 1 of 10 allowed.\r\n"
                  "220 You will be disconnected after 15 minutes of inactivity.\r\n"
                  "211-Extensions supported:\r\n UTF8\r\n EPRT\r\n REST STREAM\r\n211 End.\r\n"
                  "331 User alice OK. Password required\r\n530 Login authentication failed\r\n",
                  "220+3 211+5 331+1 530-1");
    // Inside "211-" another code, even without a dash, is text; "2110" is too.
    ExpectReplies(kFtpReply, "211-status\r\n212 not the end\r\n2110\r\n211\r\n", "211+4");
    ExpectReplies(kFtpReply, "150 opening data connection\r\n226 Transfer complete\r\n", "226+2");

    // Asked before a line is taken: inside "550-" a line of another code
    // ends nothing, even one that reads like a preliminary reply.
    ReplyReader reply(kFtpReply);
    EXPECT_TRUE(reply.Ends("150 opening", 11));
    EXPECT_FALSE(reply.Ends("150-opening", 11));
    (void)reply.Take("550-no such file", 16);
    EXPECT_FALSE(reply.Ends("150 opening", 11));
    EXPECT_FALSE(reply.Ends("5500", 4));
    EXPECT_TRUE(reply.Ends("550", 3));
    (void)reply.Take("550 end", 7);
    EXPECT_TRUE(reply.Ends("150 opening", 11));
}

TEST(ReplyReader, StatusRepliesAndEngineHints)
{
    // dovecot's POP3: "+OK" and "-ERR", one line each.
    ExpectReplies(kStatusReply,
                  "+OK Dovecot (Debian) ready. <1615.1.6b164683@vm>\r\n+OK\r\n-ERR [AUTH] Authentication failed.\r\n",
                  "0+1 0+1 0-1");
    // Net::SNPP::Server sends its help as "214 " lines without a dash: the
    // SNPP engine knows they are followed by more.
    const HintFor snpp = [](const std::string& line) {
        return line.compare(0, 3, "214") == 0 ? ReplyReader::Hint::More : ReplyReader::Hint::Rules;
    };
    ExpectReplies(kCodedReply,
                  "220 SNPP Gateway Ready\r\n214 \r\n214 Level 1 commands: \r\n214     PAGEr <pager ID> \r\n"
                  "250 End of Help Information\r\n550 Error, Invalid Pager ID\r\n",
                  "220+1 250+4 550-1", snpp);
    ExpectReplies(kSingleLineReply, "one\r\n-two\r\n\r\n", "0+1 0+1 0+1");
}

// A peer cannot make a reply grow without limit: lines past the limit are
// read to the reply's end but not kept.
TEST(ReplyReader, ReplySizeIsBounded)
{
    ReplyReader reply(kCodedReply);
    reply.SetMaxSize(20);
    const std::string line = "250-0123456789";
    EXPECT_EQ(reply.Take(line.data(), uint32_t(line.size())), ReplyReader::Step::More);
    for (int i = 0; i < 1000; ++i)
        EXPECT_EQ(reply.Take(line.data(), uint32_t(line.size())), ReplyReader::Step::More);
    EXPECT_EQ(reply.Take("250 end", 7), ReplyReader::Step::Done);
    EXPECT_TRUE(reply.Overflowed());
    EXPECT_EQ(reply.Text().Length(), 16u);
    EXPECT_EQ(reply.Code(), 250);
    EXPECT_EQ(reply.LineCount(), 1002);
    // The next reply starts afresh.
    EXPECT_EQ(reply.Take("221 bye", 7), ReplyReader::Step::Done);
    EXPECT_FALSE(reply.Overflowed());
    EXPECT_EQ(reply.Text().CStr(), std::string("221 bye\r\n"));
}

TEST(LineSource, RecordsChunksLongLinesAndLiterals)
{
    LineSource lines;
    lines.SetMaxLine(8);
    std::vector<std::string> got;
    const auto drain = [&] {
        const char* data;
        uint32_t n;
        for (LineSource::Result r; (r = lines.Next(&data, &n)) != LineSource::Result::None;)
            got.push_back(r == LineSource::Result::TooLong ? "<" + std::string(data, n) + ">"
                          : r == LineSource::Result::Block ? "[" + std::string(data, n) + "]"
                                                           : std::string(data, n));
    };
    // Records of a socket in line mode come without their line ends; a CR LF
    // split between two raw reads counts once.
    ASSERT_EQ(lines.Feed("abc", 3, true), kResultOk);
    ASSERT_EQ(lines.Feed("", 0, true), kResultOk);
    ASSERT_EQ(lines.Feed("de\r", 3, false), kResultOk);
    drain();
    ASSERT_EQ(lines.Feed("\nf\rg\n", 5, false), kResultOk);
    drain();
    EXPECT_EQ(got, (std::vector<std::string>{"abc", "", "de", "f\rg"}));

    // A line past the limit is dropped to its end, in one piece or in many;
    // its first bytes tell what it was.
    got.clear();
    ASSERT_EQ(lines.Feed("0123456789ab\r\nok\r\n", 18, false), kResultOk);
    drain();
    for (int i = 0; i < 100; ++i) {
        ASSERT_EQ(lines.Feed("0123456789", 10, false), kResultOk);
        drain();
        EXPECT_LE(lines.Held(), 20u);
    }
    ASSERT_EQ(lines.Feed("xyz", 3, true), kResultOk);
    ASSERT_EQ(lines.Feed("12345678", 8, true), kResultOk);
    drain();
    EXPECT_EQ(got, (std::vector<std::string>{"<01234567>", "ok", "<01234567>", "12345678"}));

    // Asked for pieces, a long line comes whole all the same, in pieces of
    // the limit, whether it has ended yet or not; a CR LF split between two
    // feeds counts once.
    got.clear();
    for (const std::string bytes : {"0123456789abcdefghij\r\nok\r\nABCDEFGH\r", "\n0123456789", "abcdefgh\r", "\n"}) {
        ASSERT_EQ(lines.Feed(bytes.data(), uint32_t(bytes.size()), false), kResultOk);
        const char* data;
        uint32_t n;
        for (LineSource::Result r;
             (r = lines.Next(&data, &n, LineSource::LongLine::Split)) != LineSource::Result::None;)
            got.push_back(std::string(data, n) + (r == LineSource::Result::Piece ? "+" : ""));
    }
    EXPECT_EQ(got, (std::vector<std::string>{"01234567+", "89abcdef+", "ghij", "ok", "ABCDEFGH", "01234567+",
                                             "89abcdef+", "gh"}));

    // dovecot's FETCH: "{21}" announces a literal of 21 bytes, line ends and all.
    got.clear();
    lines.SetMaxLine(100);
    const std::string fetch = "* 1 FETCH (BODY[] {21}\r\nSubject: hi\r\n\r\nbody\r\n)\r\n";
    ASSERT_EQ(lines.Feed(fetch.data(), 30, false), kResultOk);
    const char* data;
    uint32_t n;
    ASSERT_EQ(lines.Next(&data, &n), LineSource::Result::Line);
    EXPECT_EQ(std::string(data, n), "* 1 FETCH (BODY[] {21}");
    lines.ExpectBlock(21);
    drain();
    ASSERT_EQ(lines.Feed(fetch.data() + 30, uint32_t(fetch.size() - 30), false), kResultOk);
    drain();
    EXPECT_EQ(got, (std::vector<std::string>{"[Subjec]", "[t: hi\r\n\r\nbody\r\n]", ")"}));
}

// Lent chunks are cut where they lie; what is left when the lender takes
// them back (Keep) is a copy, and the next chunk goes on from it.
TEST(LineSource, LentChunksKeepOnlyTheirRest)
{
    LineSource lines;
    std::vector<std::string> got;
    const auto drain = [&] {
        const char* data;
        uint32_t n;
        for (LineSource::Result r; (r = lines.Next(&data, &n)) != LineSource::Result::None;)
            got.push_back(r == LineSource::Result::Block ? "[" + std::string(data, n) + "]" : std::string(data, n));
    };
    std::string chunk = "one\r\ntwo\r\nthr";
    ASSERT_EQ(lines.Lend(chunk.data(), uint32_t(chunk.size())), kResultOk);
    EXPECT_EQ(lines.Held(), chunk.size());
    drain();
    EXPECT_EQ(lines.Held(), 3u);
    ASSERT_EQ(lines.Keep(), kResultOk);
    chunk.assign(chunk.size(), '#'); // the lender's buffer takes the next read
    chunk = "ee\r\n{5}\r\n";
    ASSERT_EQ(lines.Lend(chunk.data(), uint32_t(chunk.size())), kResultOk);
    drain();
    lines.ExpectBlock(5);
    ASSERT_EQ(lines.Keep(), kResultOk);
    // A literal lent in two pieces comes out as two blocks, then lines again.
    std::string literal = "ab";
    ASSERT_EQ(lines.Lend(literal.data(), 2), kResultOk);
    drain();
    ASSERT_EQ(lines.Keep(), kResultOk);
    literal = "cde)\r\n";
    ASSERT_EQ(lines.Lend(literal.data(), uint32_t(literal.size())), kResultOk);
    // Fed bytes behind lent ones come after them.
    ASSERT_EQ(lines.Feed("tail", 4, true), kResultOk);
    literal.assign(literal.size(), '#');
    drain();
    EXPECT_EQ(got, (std::vector<std::string>{"one", "two", "three", "{5}", "[ab]", "[cde]", ")", "tail"}));
    EXPECT_EQ(lines.Held(), 0u);
}

} // namespace

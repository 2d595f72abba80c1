// The receive handler of dot-stuffed messages: header lines split and folded
// lines kept apart, the body unstuffed and ended by ".", lines that arrive in
// pieces, Japanese messages, and the header fields a POP or news client keeps.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "netcomp/mail/client/MailMessageReader.h"

namespace {

struct Recorder final : MailMessageSink {
    std::vector<std::string> events;
    int OnMailHeader(const char* name, const char* value) override
    {
        events.push_back(std::string("H ") + name + "=" + value);
        return 0;
    }
    int OnMailBodyStart() override
    {
        events.push_back("start");
        return 0;
    }
    int OnMailBodyLine(int64_t bytes, const char* line, uint32_t n, bool eol) override
    {
        events.push_back("B " + std::to_string(bytes) + " " + std::string(line, n) + (eol ? "$" : ""));
        return 0;
    }
    int OnMailEnd() override
    {
        events.push_back("end");
        return 0;
    }
};

// Lines as a line-mode socket delivers them; "|" splits a line into pieces.
void Feed(MailMessageReader& reader, const std::vector<std::string>& lines)
{
    for (const std::string& line : lines) {
        size_t from = 0;
        for (size_t bar; (bar = line.find('|', from)) != std::string::npos; from = bar + 1)
            ASSERT_EQ(reader.Feed(line.data() + from, uint32_t(bar - from), false), 0);
        ASSERT_EQ(reader.Feed(line.data() + from, uint32_t(line.size() - from), true), 0);
    }
}

TEST(MailMessageReader, HeadersBodyAndTheEnd)
{
    Recorder sink;
    MailMessageReader reader(sink);
    reader.Start(true, true, 0);
    Feed(reader, {"Subject: Plain hello", " folded on", "From:\"Bob\" <bob@kes.test>", "X-Empty:", "No colon here", "",
                  "Hello", "..a line that begins with a dot", "", ".", "after the end"});
    EXPECT_TRUE(reader.Done());
    EXPECT_EQ(sink.events,
              (std::vector<std::string>{"H Subject=Plain hello", "H =folded on", "H From=\"Bob\" <bob@kes.test>",
                                        "H X-Empty=", "H No colon here=", "start", "B 95 Hello$",
                                        "B 127 .a line that begins with a dot$", "B 129 $", "end"}));
    EXPECT_EQ(std::string(reader.Headers().CStr()),
              "Subject: Plain hello\r\n folded on\r\nFrom:\"Bob\" <bob@kes.test>\r\nX-Empty:\r\nNo colon here\r\n");
    EXPECT_EQ(std::string(reader.Body().CStr()), "Hello\r\n.a line that begins with a dot\r\n\r\n");

    // TOP n 0 of a message without a body line: "." right after the headers.
    Recorder top;
    MailMessageReader headersOnly(top);
    headersOnly.Start(false, false, 0);
    Feed(headersOnly, {"Subject: x", "."});
    EXPECT_EQ(top.events, (std::vector<std::string>{"H Subject=x", "start", "end"}));
    EXPECT_TRUE(headersOnly.Headers().IsEmpty());
}

TEST(MailMessageReader, LinesInPiecesAndJapaneseMessages)
{
    Recorder sink;
    MailMessageReader reader(sink);
    reader.Start(false, true, 0);
    // A long header line in pieces is one header; a body line in pieces keeps
    // its pieces, and a "." inside it is no stuffing and no end.
    Feed(reader, {"Subj|ect: a| b", "", ".|.", ".x|.", ".|", "."});
    EXPECT_EQ(sink.events, (std::vector<std::string>{"H Subject=a b", "start", "B 16 ", "B 19 .$", "B 20 x", "B 23 .$",
                                                     "B 23 ", "B 25 $", "end"}));
    EXPECT_EQ(std::string(reader.Body().CStr()), ".\r\nx.\r\n\r\n");

    Recorder jp;
    MailMessageReader japanese(jp);
    japanese.Start(false, false, 1);
    Feed(japanese, {"Subject: =?ISO-2022-JP?B?GyRCJCIbKEI=?=", "Content-Type: text/plain; charset=ISO-2022-JP", "",
                    "\x1b$B$\"\x1b(B", "."});
    EXPECT_EQ(jp.events,
              (std::vector<std::string>{"H Subject=\x82\xA0", "H Content-Type=text/plain; charset=ISO-2022-JP", "start",
                                        "B 94 \x82\xA0$", "end"}));

    // A body alone (news BODY): no header lines, the start with the first
    // line, ISO-2022-JP taken for granted under CharsetMode 1.
    Recorder body;
    MailMessageReader bodyOnly(body);
    bodyOnly.Start(true, true, 1, true);
    Feed(bodyOnly, {"Subject: not a header", "\x1b$B$\"\x1b(B", "."});
    EXPECT_EQ(body.events, (std::vector<std::string>{"start", "B 23 Subject: not a header$", "B 27 \x82\xA0$", "end"}));
    EXPECT_TRUE(bodyOnly.Headers().IsEmpty());
    Recorder empty;
    MailMessageReader emptyBody(empty);
    emptyBody.Start(false, false, 0, true);
    Feed(emptyBody, {"."});
    EXPECT_EQ(empty.events, (std::vector<std::string>{"start", "end"}));
}

TEST(HeaderFieldStore, LastValueOfEachNameWithFoldedLinesJoined)
{
    static const char* const kNames[] = {"CC", "FROM", "DATE", "REPLY-TO", "TO", "SUBJECT"};
    HeaderFieldStore store(kNames, 6);
    ASSERT_EQ(store.Add("Subject", "first"), 0);
    ASSERT_EQ(store.Add("subject", "Plain hello"), 0);
    ASSERT_EQ(store.Add("", "folded on"), 0);
    ASSERT_EQ(store.Add("X-Other", "x"), 0);
    ASSERT_EQ(store.Add("", "not for the subject"), 0);
    ASSERT_EQ(store.Add("Reply-To", "r@kes.test"), 0);
    EXPECT_STREQ(store.Value(5), "Plain hello folded on");
    EXPECT_STREQ(store.Value(3), "r@kes.test");
    EXPECT_STREQ(store.Value(0), "");
    EXPECT_STREQ(store.Value(6), "");
    store.Clear();
    EXPECT_STREQ(store.Value(5), "");
}

} // namespace

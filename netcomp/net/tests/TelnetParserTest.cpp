// The Telnet receive state machine: what it reports for streams of data,
// commands, negotiations and sub-negotiations, however they are cut.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "netcomp/net/telnet/TelnetParser.h"

namespace {

// Writes each report as a short line: "D:text", "C:n", "DO:n", "SB:hex", "TRUNC".
struct Log final : TelnetSink {
    std::vector<std::string> lines;

    void OnTelnetData(const char* data, uint32_t n) override { lines.push_back("D:" + std::string(data, n)); }
    void OnTelnetCommand(unsigned char command) override { lines.push_back("C:" + std::to_string(command)); }
    void OnTelnetOption(unsigned char verb, unsigned char option) override
    {
        const char* name = verb == kTelnetWill   ? "WILL"
                           : verb == kTelnetWont ? "WONT"
                           : verb == kTelnetDo   ? "DO"
                                                 : "DONT";
        lines.push_back(std::string(name) + ":" + std::to_string(option));
    }
    void OnTelnetSubOption(const char* data, uint32_t n) override
    {
        std::string hex;
        for (uint32_t i = 0; i < n && i < 8; ++i) {
            char b[3];
            std::snprintf(b, sizeof b, "%02x", static_cast<unsigned char>(data[i]));
            hex += b;
        }
        if (n > 8)
            hex += "...(" + std::to_string(n) + ")";
        lines.push_back("SB:" + hex);
    }
    void OnTelnetSubOptionTruncated() override { lines.push_back("TRUNC"); }

    // Neighbouring data lines joined, as the owner would join the text.
    std::vector<std::string> Joined() const
    {
        std::vector<std::string> out;
        for (const std::string& l : lines) {
            if (!out.empty() && l.rfind("D:", 0) == 0 && out.back().rfind("D:", 0) == 0)
                out.back() += l.substr(2);
            else
                out.push_back(l);
        }
        return out;
    }
};

const std::string IAC = "\xff";

std::vector<std::string> Parse(const std::string& stream)
{
    TelnetParser parser;
    Log log;
    parser.Feed(stream.data(), uint32_t(stream.size()), log);
    return log.lines;
}

using Lines = std::vector<std::string>;

TEST(TelnetParser, DataCommandsAndOptions)
{
    EXPECT_EQ(Parse("ab" + IAC + "\xfd\x18" + "c"), (Lines{"D:ab", "DO:24", "D:c"}));
    EXPECT_EQ(Parse("a" + IAC + IAC + "b"), (Lines{"D:a", "D:\xff", "D:b"}));
    EXPECT_EQ(Parse(IAC + "\xfb\x01" + IAC + "\xfc\x03" + IAC + "\xfe\x1f"), (Lines{"WILL:1", "WONT:3", "DONT:31"}));
    // NOP, Data Mark, Are You There, and an SE with no sub-negotiation open.
    EXPECT_EQ(Parse(IAC + "\xf1" + IAC + "\xf2" + "x" + IAC + "\xf6" + IAC + "\xf0"),
              (Lines{"C:241", "C:242", "D:x", "C:246", "C:240"}));
    EXPECT_EQ(Parse(std::string("\xf0\xfd\x00", 3)), (Lines{std::string("D:\xf0\xfd\x00", 5)}));
}

TEST(TelnetParser, SubNegotiations)
{
    EXPECT_EQ(Parse(IAC + "\xfa\x18" + std::string("\x00", 1) + IAC + "\xf0" + "ok"), (Lines{"SB:1800", "D:ok"}));
    // A data byte 240 does not end it; IAC IAC inside is one 255.
    EXPECT_EQ(Parse(IAC + "\xfa\x18\x01\xf0x" + IAC + IAC + "\x05" + IAC + "\xf0"), (Lines{"SB:1801f078ff05"}));
    // IAC and a verb inside: the sub-negotiation ends there and the verb counts.
    EXPECT_EQ(Parse(IAC + "\xfa\x18\x01" + IAC + "\xfb\x01z"), (Lines{"SB:1801", "WILL:1", "D:z"}));
    // Longer than the buffer: reported once, the last byte in the last place.
    std::string body(2000, 'a');
    body.back() = 'z';
    TelnetParser parser;
    Log log;
    const std::string stream = IAC + "\xfa\x27" + body + IAC + "\xf0";
    struct Last final : TelnetSink {
        std::string sub;
        int truncated = 0;
        void OnTelnetData(const char*, uint32_t) override {}
        void OnTelnetCommand(unsigned char) override {}
        void OnTelnetOption(unsigned char, unsigned char) override {}
        void OnTelnetSubOption(const char* data, uint32_t n) override { sub.assign(data, n); }
        void OnTelnetSubOptionTruncated() override { ++truncated; }
    } last;
    parser.Feed(stream.data(), uint32_t(stream.size()), last);
    EXPECT_EQ(last.truncated, 1);
    ASSERT_EQ(last.sub.size(), TelnetParser::kSubOptionSize);
    EXPECT_EQ(last.sub[0], '\x27');
    EXPECT_EQ(last.sub.back(), 'z');
    EXPECT_EQ(last.sub[1022], 'a');
}

TEST(TelnetParser, CutAnywhere)
{
    const std::string stream = "login: " + IAC + "\xfd\x18" + IAC + "\xfa\x18\x01" + IAC + IAC + "\xf0" + IAC + "\xf0" +
                               "a" + IAC + IAC + "b" + IAC + "\xf1" + IAC + "\xfb\x01" + "end";
    TelnetParser whole;
    Log all;
    whole.Feed(stream.data(), uint32_t(stream.size()), all);
    const Lines expected = {"D:login: ",
                            "DO:24",
                            "SB:1801fff0",
                            "D:a\xff"
                            "b",
                            "C:241",
                            "WILL:1",
                            "D:end"};
    EXPECT_EQ(all.Joined(), expected);
    for (size_t cut = 1; cut < stream.size(); ++cut) {
        TelnetParser parser;
        Log log;
        parser.Feed(stream.data(), uint32_t(cut), log);
        parser.Feed(stream.data() + cut, uint32_t(stream.size() - cut), log);
        EXPECT_EQ(log.Joined(), expected) << cut;
    }
    TelnetParser bytewise;
    Log each;
    for (char c : stream)
        bytewise.Feed(&c, 1, each);
    EXPECT_EQ(each.Joined(), expected);
}

} // namespace

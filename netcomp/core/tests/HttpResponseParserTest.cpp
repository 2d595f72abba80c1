#include <gtest/gtest.h>

#include <string>

#include "netcomp/core/web/HttpResponseParser.h"
#include "netcomp/core/framework/ResultCodes.h"

namespace {

// Records the parser's calls as text.
struct Recorder final : HttpResponseSink {
    std::string log;
    std::string body;
    int OnStatus(const char* version, int code, const char* description) override
    {
        log += "S(" + std::string(version) + "," + std::to_string(code) + "," + description + ")";
        return 0;
    }
    int OnHeader(const char*, uint32_t, const char* field, const char* value) override
    {
        log += "H(" + std::string(field) + "=" + value + ")";
        return 0;
    }
    int OnHeadersEnd() override
    {
        log += "E";
        return 0;
    }
    int OnBody(const char* data, uint32_t n) override
    {
        body.append(data, n);
        return 0;
    }
};

// Feeds the reply in pieces of the given size and returns whether it completed.
bool Parse(HttpResponseParser& p, const std::string& reply, size_t step, bool bodiless = false)
{
    p.Start(bodiless);
    for (size_t i = 0; i < reply.size(); i += step) {
        const size_t n = std::min(step, reply.size() - i);
        EXPECT_EQ(p.Feed(reply.data() + i, uint32_t(n)), kResultOk);
    }
    return p.Complete();
}

TEST(HttpResponseParser, ReplyShapesInAnySplit)
{
    const struct {
        const char* name;
        std::string reply;
        bool complete;
        const char* log;
        std::string body;
    } cases[] = {
        {"length", "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhelloEXTRA", true,
         "S(HTTP/1.1,200,OK)H(Content-Length=5)E", "hello"},
        {"interim", "HTTP/1.1 100 Continue\r\nX: 1\r\n\r\nHTTP/1.1 201 Created here\r\nContent-Length: 0\r\n\r\n", true,
         "S(HTTP/1.1,201,Created here)H(Content-Length=0)E", ""},
        {"chunked with CR LF inside the data",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: Chunked\r\n\r\n4;ext\r\na\r\nb\r\n3\r\n\r\n\r\r\n0\r\nT: x\r\n\r\n",
         true, "S(HTTP/1.1,200,OK)H(Transfer-Encoding=Chunked)E", "a\r\nb\r\n\r"},
        {"to the close", "HTTP/1.0 404 Not Found\nServer: s\n\nbody", false, "S(HTTP/1.0,404,Not Found)H(Server=s)E",
         "body"},
        {"no status line", "plain\r\ntext", false, "", "plain\r\ntext"},
        {"no content", "HTTP/1.1 204 No Content\r\nContent-Length: 9\r\n\r\n", true,
         "S(HTTP/1.1,204,No Content)H(Content-Length=9)", ""},
    };
    for (const auto& c : cases) {
        for (size_t step : {size_t(1), size_t(3), size_t(7), c.reply.size()}) {
            Recorder r;
            HttpResponseParser p(r);
            EXPECT_EQ(Parse(p, c.reply, step), c.complete) << c.name << " step " << step;
            EXPECT_EQ(r.log, c.log) << c.name << " step " << step;
            EXPECT_EQ(r.body, c.body) << c.name << " step " << step;
        }
    }
}

TEST(HttpResponseParser, CloseEndsOrCutsTheReply)
{
    Recorder r;
    HttpResponseParser p(r);
    EXPECT_FALSE(Parse(p, "HTTP/1.0 200 OK\r\n\r\nall of it", 4));
    EXPECT_TRUE(p.Close());
    EXPECT_FALSE(Parse(p, "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nshort", 4));
    EXPECT_FALSE(p.Close());
    EXPECT_FALSE(Parse(p, "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nab", 4));
    EXPECT_FALSE(p.Close());
    EXPECT_FALSE(Parse(p, "", 1));
    EXPECT_FALSE(p.Close());
    EXPECT_FALSE(p.HasStatus());
    // HEAD: the headers end the reply.
    EXPECT_TRUE(Parse(p, "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n", 5, true));
}

TEST(HttpResponseParser, OverlongLineIsRefused)
{
    Recorder r;
    HttpResponseParser p(r);
    p.Start(false);
    const std::string line(HttpResponseParser::kMaxLine + 1, 'H');
    EXPECT_EQ(p.Feed(line.data(), uint32_t(line.size())), 151);
}

// A chunk size line must start with a hexadecimal digit and stay below 2^50:
// a sign, a blank line or a size that does not fit is refused, not taken as
// the last chunk (which would end a cut body as a whole one).
TEST(HttpResponseParser, ChunkSizesThatAreNoSizesAreRefused)
{
    const std::string head = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n";
    for (const char* size : {"-5", "-0", "+5", "", " ", "x1", "4000000000001", "FFFFFFFFFFFFFFFFFFFF"}) {
        for (size_t step : {size_t(1), size_t(1000)}) {
            Recorder r;
            HttpResponseParser p(r);
            p.Start(false);
            const std::string reply = head + size + "\r\nhello\r\n0\r\n\r\n";
            int rc = kResultOk;
            for (size_t i = 0; i < reply.size() && rc == kResultOk; i += step)
                rc = p.Feed(reply.data() + i, uint32_t(std::min(step, reply.size() - i)));
            EXPECT_EQ(rc, 151) << "\"" << size << "\" step " << step;
            EXPECT_STREQ(p.ErrorText(), "Invalid chunk size.") << size;
            EXPECT_FALSE(p.Complete()) << size;
            EXPECT_EQ(r.body, "abc") << size;
        }
    }
    // Leading blanks and zeros, an extension and a size right at the bound
    // are sizes.
    for (const char* size : {" \t5", "00000000000000000000005", "5;name=value", "5 ; x", "4000000000000"}) {
        Recorder r;
        HttpResponseParser p(r);
        p.Start(false);
        const std::string reply = head + size + "\r\nhello";
        EXPECT_EQ(p.Feed(reply.data(), uint32_t(reply.size())), kResultOk) << size;
        EXPECT_EQ(r.body, "abchello") << size;
    }
}

// Headers without end, interim replies without end and trailers without end
// stop at the bound of a response's lines (each line short enough); the
// chunk framing of a long body does not count against it.
TEST(HttpResponseParser, HeaderLinesTogetherAreBounded)
{
    const std::string header = "X-Pad: " + std::string(1000, 'x') + "\r\n";
    const std::string interim = "HTTP/1.1 100 Continue\r\n" + header + "\r\n";
    const std::string trailer = header;
    const struct {
        const char* name;
        std::string start;
        std::string repeated;
    } floods[] = {
        {"headers", "HTTP/1.1 200 OK\r\n", header},
        {"interim replies", "", interim},
        {"trailers", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n1\r\na\r\n0\r\n", trailer},
    };
    for (const auto& f : floods) {
        Recorder r;
        HttpResponseParser p(r);
        p.Start(false);
        ASSERT_EQ(p.Feed(f.start.data(), uint32_t(f.start.size())), kResultOk) << f.name;
        int rc = kResultOk;
        uint64_t fed = 0;
        while (rc == kResultOk && fed < 4 * uint64_t(HttpResponseParser::kMaxHeaderBytes)) {
            rc = p.Feed(f.repeated.data(), uint32_t(f.repeated.size()));
            fed += f.repeated.size();
        }
        EXPECT_EQ(rc, 154) << f.name;
        EXPECT_STREQ(p.ErrorText(), "Response headers too large.") << f.name;
        EXPECT_LE(fed, uint64_t(HttpResponseParser::kMaxHeaderBytes) + f.repeated.size()) << f.name;
    }

    // 1.5 MB of body in chunks of one byte: 3 MB of chunk lines, all read.
    Recorder r;
    HttpResponseParser p(r);
    std::string chunked = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
    for (int i = 0; i < 1500000; ++i)
        chunked += "1\r\nz\r\n";
    chunked += "0\r\n\r\n";
    EXPECT_TRUE(Parse(p, chunked, 65536));
    EXPECT_EQ(r.body.size(), 1500000u);
}

} // namespace

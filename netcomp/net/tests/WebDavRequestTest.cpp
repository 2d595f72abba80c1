// WebDAV requests as they go out, and replies servers may give that the real
// peers of WebDavPeersTest do not: a scripted HTTP peer on 127.0.0.1.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "netcomp/net/tests/FloodPeer.h"
#include "netcomp/net/tests/WebDavTestSupport.h"
#include "netcomp/testing/ScriptedServer.h"

namespace {

std::string Response(const std::string& status, const std::string& body)
{
    return "HTTP/1.1 " + status + "\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\nConnection: close\r\n\r\n" + body;
}

// The request line and the header lines a WebDAV request adds (the HTTP
// client's own, such as Host and User-Agent, left out).
std::string Shape(const std::string& header)
{
    std::istringstream lines(header);
    std::string line;
    std::string out;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        for (const char* keep : {"PROPFIND", "COPY", "LOCK", "UNLOCK", "GET", "Depth:", "Destination:", "If:",
                                 "Lock-Token:", "Timeout:", "Content-Type:", "X-", "Cache-Control:"}) {
            if (line.rfind(keep, 0) == 0)
                out += line + "\n";
        }
    }
    return out;
}

const char kLockBody[] = "<?xml version=\"1.0\" encoding=\"utf-8\"?><D:lockinfo xmlns:D=\"DAV:\"><D:lockscope>"
                         "<D:shared/></D:lockscope><D:owner><D:href>me &amp; &lt;you&gt;</D:href></D:owner>"
                         "</D:lockinfo>";

TEST(WebDavRequests, HeadersBodiesAndHowRepliesAreJudged)
{
    const std::string propfind = "<?xml version=\"1.0\" encoding=\"utf-8\"?><D:propfind xmlns:D=\"DAV:\" "
                                 "xmlns:A=\"urn:a\" xmlns:B=\"urn:b&amp;c\"><D:prop><A:x/></D:prop></D:propfind>";
    const std::string cut = "<?xml version=\"1.0\"?><D:multistatus xmlns:D=\"DAV:\"><D:response><D:href>/a</D:href>";
    std::string binary = std::string("\0\x01<D:multistatus xmlns:D='DAV:'>&&</x>", 34) + "\xff";
    const std::string noToken = "<D:prop xmlns:D=\"DAV:\"><D:lockdiscovery><D:activelock><D:locktype><D:write/>"
                                "</D:locktype></D:activelock></D:lockdiscovery></D:prop>";
    ScriptedServer server;
    server.ExpectUntil("")
        .Send(Response("207 Multi-Status", "<D:multistatus xmlns:D='DAV:'/>"))
        .Disconnect()
        .Accept()
        .ExpectUntil("")
        .ExpectBytes(propfind)
        .Send(Response("207 Multi-Status", cut))
        .Disconnect()
        .Accept()
        .ExpectUntil("")
        .Send(Response("200 OK", binary))
        .Disconnect()
        .Accept()
        .ExpectUntil("")
        .ExpectBytes(kLockBody)
        .Send(Response("200 OK", noToken))
        .Disconnect()
        .Accept()
        .ExpectUntil("")
        .Send(Response("204 No Content", ""))
        .Disconnect();
    ASSERT_TRUE(server.Start());
    const std::string base = "http://127.0.0.1:" + std::to_string(server.Port()) + "/dav/";

    DavObject dav;
    // COPY: the caller's lines first, then the destination, depth and token;
    // a 207 means some member failed.
    ASSERT_EQ(dav.Set(kWebDavOtherHeaders, "X-One: 1\r\nX-Two: 2"), 0);
    ASSERT_EQ(dav.SetInt(kWebDavDepth, 3), 0);
    ASSERT_EQ(dav.Set(kWebDavLockTokens, "opaquelocktoken:1"), 0);
    EXPECT_EQ(dav.Do(kWebDavMethodCopyResource, {base + "a", base + "b"}), 471);
    EXPECT_EQ(dav.Error(), "HTTP/1.1 207 Multi-Status");

    // A line break in a value of a header line is refused before anything goes out.
    EXPECT_EQ(dav.Do(kWebDavMethodMoveResource, {base + "a", base + "b\r\nX-Evil: 1"}), 151);
    EXPECT_EQ(dav.Error(), "Invalid character (CR or LF) in a request header value.");

    // PROPFIND: the namespaces declared, their URIs escaped; the lists are
    // emptied for the reply, which here is cut short.
    ASSERT_EQ(dav.Set(kWebDavOtherHeaders, ""), 0);
    ASSERT_EQ(dav.Set(kWebDavLockTokens, ""), 0);
    ASSERT_EQ(dav.SetInt(kWebDavDepth, 2), 0);
    ASSERT_EQ(dav.Do(kWebDavMethodAddNamespace, {"A", "urn:a"}), 0);
    ASSERT_EQ(dav.Do(kWebDavMethodAddNamespace, {"B", "urn:b&c"}), 0);
    ASSERT_EQ(dav.Do(kWebDavMethodSetProperty, {"<A:x/>", ""}), 0);
    EXPECT_EQ(dav.Do(kWebDavMethodFindProperties, {base}), 206);
    EXPECT_EQ(dav.Error(), "Document contains unbalanced elements.");
    EXPECT_EQ(dav.Int(kWebDavNamespaceCount), 0);

    // A body after that reaches the caller untouched.
    ASSERT_EQ(dav.Do(kWebDavMethodGetResource, {base + "f.bin"}), 0) << dav.Error();
    EXPECT_EQ(dav.Data(), binary);

    // LOCK: the timeout line, the owner escaped; a reply without a token.
    ASSERT_EQ(dav.SetInt(kWebDavDepth, 0), 0);
    ASSERT_EQ(dav.SetInt(kWebDavLockTimeout, 60), 0);
    ASSERT_EQ(dav.Set(kWebDavLockScope, "shared"), 0);
    ASSERT_EQ(dav.Set(kWebDavLockOwner, "me & <you>"), 0);
    EXPECT_EQ(dav.Do(kWebDavMethodLockResource, {base + "f"}), 476);
    EXPECT_EQ(dav.Error(), "Server did not return a locktoken value.");
    EXPECT_EQ(dav.Text(kWebDavLockType), "D:write");

    // UNLOCK sends the token in its own header line.
    ASSERT_EQ(dav.Set(kWebDavLockTokens, "opaquelocktoken:2"), 0);
    EXPECT_EQ(dav.Do(kWebDavMethodUnLockResource, {base + "f"}), 0);

    EXPECT_EQ(server.Finish(), "");
    EXPECT_EQ(Shape(server.Captured(0)), "COPY /dav/a HTTP/1.1\nX-One: 1\nX-Two: 2\nDestination: " + base +
                                             "b\nDepth: infinity\nIf: (<opaquelocktoken:1>)\n");
    EXPECT_EQ(Shape(server.Captured(1)),
              "PROPFIND /dav/ HTTP/1.1\nDepth: 1\nContent-Type: text/xml; charset=\"utf-8\"\n");
    EXPECT_EQ(Shape(server.Captured(2)), "GET /dav/f.bin HTTP/1.1\n");
    EXPECT_EQ(Shape(server.Captured(3)),
              "LOCK /dav/f HTTP/1.1\nTimeout: Second-60\nContent-Type: text/xml; charset=\"utf-8\"\n");
    EXPECT_EQ(Shape(server.Captured(4)), "UNLOCK /dav/f HTTP/1.1\nLock-Token: <opaquelocktoken:2>\n");
}

// A body whose next chunk size is none (a sign) fails the GET with 151,
// rather than ending it as a whole, shorter resource.
TEST(WebDavRequests, AChunkSizeThatIsNoneFailsTheRequest)
{
    ScriptedServer server;
    server.ExpectUntil("")
        .Send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n-5\r\nhello\r\n0\r\n\r\n")
        .Disconnect();
    ASSERT_TRUE(server.Start());
    DavObject dav;
    EXPECT_EQ(dav.Do(kWebDavMethodGetResource, {"http://127.0.0.1:" + std::to_string(server.Port()) + "/f"}), 151);
    EXPECT_EQ(dav.Error(), "Invalid chunk size.");
    EXPECT_EQ(server.Finish(), "");
}

// The numbers of LockTimeout, and the lists' bounds.
TEST(WebDavRequests, SettingsAndLists)
{
    DavObject dav;
    EXPECT_EQ(dav.Int(kWebDavTimeout), 60);
    EXPECT_EQ(dav.SetInt(kWebDavTimeout, -1), 151);
    EXPECT_EQ(dav.Int(kWebDavTimeout), 60);
    EXPECT_EQ(dav.Int(kWebDavFirewallPort), 80);
    EXPECT_EQ(dav.SetInt(kWebDavLockTimeout, -1), 0);
    EXPECT_EQ(dav.Int(kWebDavLockTimeout), -1);
    EXPECT_EQ(dav.SetInt(kWebDavLockTimeout, 3600), 0);
    EXPECT_EQ(dav.Int(kWebDavLockTimeout), 3600);

    EXPECT_EQ(dav.SetInt(kWebDavPropertyCount, -1), 231);
    EXPECT_EQ(dav.Error(), "Array size cannot be negative.");
    ASSERT_EQ(dav.SetInt(kWebDavPropertyCount, 2), 0);
    EXPECT_EQ(dav.Int(kWebDavPropertyOperation, 2), 1);
    EXPECT_EQ(dav.SetInt(kWebDavPropertyOperation, 3, 1), 475);
    EXPECT_EQ(dav.Error(), "Invalid property operation: operation not supported.");
    EXPECT_EQ(WebDAV_CheckIndex(dav.obj, kWebDavPropertyName, 3), 280);
    EXPECT_EQ(dav.Error(), "Invalid property index.");
    EXPECT_EQ(WebDAV_CheckIndex(dav.obj, kWebDavNamespaceURIs, 1), 280);
    EXPECT_EQ(dav.Error(), "Invalid array index.");

    // SetProperty fills an empty entry before it adds one.
    ASSERT_EQ(dav.Do(kWebDavMethodSetProperty, {"<a/>", "1"}), 0);
    ASSERT_EQ(dav.Do(kWebDavMethodSetProperty, {"<a/>", "2"}), 0);
    EXPECT_EQ(dav.Int(kWebDavPropertyCount), 2);
    EXPECT_EQ(dav.Text(kWebDavPropertyValue, 1), "2");
    ASSERT_EQ(dav.Do(kWebDavMethodSetProperty, {"<b/>", "3"}), 0);
    ASSERT_EQ(dav.Do(kWebDavMethodSetProperty, {"<c/>", "4"}), 0);
    EXPECT_EQ(dav.Int(kWebDavPropertyCount), 3);
    std::string value;
    EXPECT_EQ(dav.Ask(kWebDavMethodGetProperty, "<c/>", value), 0);
    EXPECT_EQ(value, "4");

    // Reset keeps the namespaces and the cookies.
    ASSERT_EQ(dav.Do(kWebDavMethodAddNamespace, {"Z", "urn:z"}), 0);
    ASSERT_EQ(dav.Do(kWebDavMethodAddCookie, {"session", "42"}), 0);
    ASSERT_EQ(dav.Set(kWebDavLockOwner, "me"), 0);
    ASSERT_EQ(dav.Do(kWebDavMethodReset), 0);
    EXPECT_EQ(dav.Int(kWebDavPropertyCount), 0);
    EXPECT_EQ(dav.Text(kWebDavLockOwner), "");
    EXPECT_EQ(dav.Text(kWebDavNamespaceURIs, 1), "urn:z");
    EXPECT_EQ(dav.Text(kWebDavCookieValue, 1), "42");
}

const char kMultistatusStart[] = "HTTP/1.1 207 Multi-Status\r\nContent-Type: text/xml\r\n\r\n"
                                 "<?xml version=\"1.0\"?><D:multistatus xmlns:D=\"DAV:\">";

// A multistatus reply of any length is read as it comes; what the reader
// holds at once (one response element, one text) is bounded by MaxReplySize,
// past which the call ends with 154 and nothing of the reply is kept. The
// floods send 8 MB, then close.
TEST(WebDavHostile, RepliesAreReadAsTheyComeAndWhatIsHeldIsBounded)
{
    const std::string entry = "<D:response><D:href>/f</D:href><D:propstat><D:prop><D:displayname>f</D:displayname>"
                              "</D:prop><D:status>HTTP/1.1 200 OK</D:status></D:propstat></D:response>";
    std::string listing;
    int entries = 0;
    for (; listing.size() < (2u << 20); ++entries)
        listing += entry;
    ScriptedServer server;
    server.ExpectUntil("").Send(std::string(kMultistatusStart) + listing + "</D:multistatus>").Disconnect();
    ASSERT_TRUE(server.Start());
    DavObject dav;
    std::string answer;
    ASSERT_EQ(dav.Ask(kWebDavMethodConfig, "MaxReplySize", answer), 0);
    EXPECT_EQ(answer, "16777216");
    ASSERT_EQ(dav.Ask(kWebDavMethodConfig, "MaxReplySize=100000", answer), 0);
    EXPECT_EQ(dav.Do(kWebDavMethodListDirectory, {"http://127.0.0.1:" + std::to_string(server.Port()) + "/"}), 0)
        << dav.Error();
    EXPECT_EQ(dav.events.Of(kWebDavEventDirList).size(), size_t(entries));
    EXPECT_EQ(server.Finish(), "");

    const struct {
        const char* name;
        int method;
        std::string start;
        std::string block;
    } floods[] = {
        {"one text", kWebDavMethodListDirectory, "<D:response><D:href>", std::string(1000, 'x')},
        {"one response", kWebDavMethodFindProperties, "<D:response><D:href>/a</D:href><D:propstat><D:prop>",
         "<A:p xmlns:A=\"urn:a\">v</A:p>"},
    };
    for (const auto& f : floods) {
        FloodPeer peer(FloodPeer::Role::Serve, 0, kMultistatusStart + f.start, f.block, 8u << 20);
        EXPECT_EQ(dav.Do(f.method, {"http://127.0.0.1:" + std::to_string(peer.Port()) + "/"}), 154) << f.name;
        EXPECT_EQ(dav.Error(), "WebDAV reply too large.") << f.name;
        EXPECT_EQ(dav.Int(kWebDavPropertyCount), 0) << f.name;
    }
}

} // namespace

// The HTTP component against the scripted peer (tools/peers/http_capture.py):
// requests checked byte for byte through its echo, the odd reply shapes, the
// refusals, the Config defaults, and the firewall kinds' failure replies.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>

#include "netcomp/core/tests/HttpTestSupport.h"
#include "netcomp/net/tests/FloodPeer.h"
#include "netcomp/testing/ResetAtConnect.h"
#include "netcomp/testing/ScriptedServer.h"
#include "netcomp/testing/WinsockStandIns.h"

namespace {

const std::string kAgent = "User-Agent: Tessarine HTTP/S Control\r\n";

TEST(HttpCapture, RequestHeadersByteForByte)
{
    HttpObject http;
    ASSERT_EQ(http.Get(Url(kCapturePort, "/echo")), 0) << http.Error();
    EXPECT_EQ(http.Data(), "GET /echo HTTP/1.1\r\nHost: 127.0.0.1:20400\r\n" + kAgent + "Connection: close\r\n\r\n");
    EXPECT_EQ(http.Text(kHttpStatusLine), "HTTP/1.1 200 OK");
    EXPECT_EQ(http.Text(kHttpTransferredHeaders),
              "Content-Length: " + std::to_string(http.Data().size()) + "\r\nConnection: close\r\n");
    http.events.clear();

    // Every header in its place; CookieCount pads with empty cookies.
    ASSERT_EQ(http.Set(kHttpAccept, "*/*"), 0);
    ASSERT_EQ(http.Set(kHttpFrom, "me@example.test"), 0);
    ASSERT_EQ(http.Set(kHttpReferer, "http://r.test/"), 0);
    ASSERT_EQ(http.Set(kHttpRange, "0-3"), 0);
    ASSERT_EQ(http.Set(kHttpUser, "u"), 0);
    ASSERT_EQ(http.Set(kHttpPassword, "p"), 0);
    ASSERT_EQ(http.SetInt(kHttpCookieCount, 2), 0);
    ASSERT_EQ(http.Set(kHttpOtherHeaders, "X-Test: 1\r\n\r\n"), 0);
    ASSERT_EQ(http.Set(kHttpContentType, "text/plain"), 0);
    ASSERT_EQ(http.SetBytes(kHttpPostData, std::string("a\0b", 3)), 0);
    ASSERT_EQ(http.Do(kHttpMethodPost, Url(kCapturePort, "/echo").c_str()), 0) << http.Error();
    EXPECT_EQ(http.Data(),
              "POST /echo HTTP/1.1\r\nHost: 127.0.0.1:20400\r\nAuthorization: Basic dTpw\r\nAccept: */*\r\n"
              "From: me@example.test\r\n" +
                  kAgent +
                  "Referer: http://r.test/\r\nRange: bytes=0-3\r\nCookie: =; =\r\nConnection: close\r\n"
                  "X-Test: 1\r\nContent-Type: text/plain\r\nContent-Length: 3\r\n\r\n" +
                  std::string("a\0b", 3));
    EXPECT_EQ(http.Count(kHttpEventStartTransfer), 2); // request body, then response
    EXPECT_EQ(http.Count(kHttpEventEndTransfer), 2);

    // A verb of the caller's own replaces the action's.
    ASSERT_EQ(http.Set(kHttpHTTPMethod, "OPTIONS"), 0);
    ASSERT_EQ(http.Get(Url(kCapturePort, "/echo")), 0) << http.Error();
    EXPECT_EQ(http.Data().substr(0, 24), "OPTIONS /echo HTTP/1.1\r\n");
    ASSERT_EQ(http.Set(kHttpHTTPMethod, ""), 0);

    // Through a proxy the request line carries the whole URL, also for https.
    ASSERT_EQ(http.Set(kHttpProxyServer, "127.0.0.1"), 0);
    ASSERT_EQ(http.SetInt(kHttpProxyPort, kCapturePort), 0);
    ASSERT_EQ(http.Get("https://secure.test/echo"), 0) << http.Error();
    EXPECT_EQ(http.Data().substr(0, 66), "GET https://secure.test:443/echo HTTP/1.1\r\nHost: secure.test:443\r\n");
    ASSERT_EQ(http.Set(kHttpProxyServer, ""), 0);

    // An empty PUT still says its length; Reset keeps the verb and the range.
    ASSERT_EQ(http.Set(kHttpHTTPMethod, "PROPFIND"), 0);
    ASSERT_EQ(http.Do(kHttpMethodReset), 0);
    EXPECT_EQ(http.Text(kHttpHTTPMethod), "PROPFIND");
    EXPECT_EQ(http.Text(kHttpUser), "");
    ASSERT_EQ(http.Set(kHttpHTTPMethod, ""), 0);
    ASSERT_EQ(http.Do(kHttpMethodPut, Url(kCapturePort, "/echo").c_str()), 0);
    EXPECT_EQ(http.Data(), "PUT /echo HTTP/1.1\r\nHost: 127.0.0.1:20400\r\n" + kAgent +
                               "Range: bytes=0-3\r\nConnection: close\r\nContent-Length: 0\r\n\r\n");
}

TEST(HttpCapture, ReplyShapes)
{
    HttpObject http;
    ASSERT_EQ(http.Get(Url(kCapturePort, "/continue")), 0) << http.Error();
    EXPECT_EQ(http.Data(), "done");
    ASSERT_EQ(http.Count(kHttpEventStatus), 1);
    for (const auto& e : http.events) {
        if (e.event == kHttpEventStatus) {
            EXPECT_EQ(e.values[1], 200);
        }
    }

    ASSERT_EQ(http.Get(Url(kCapturePort, "/chunked")), 0) << http.Error();
    EXPECT_EQ(http.Data(), "a\r\nb\r\n\r\n\r");
    ASSERT_EQ(http.Get(Url(kCapturePort, "/trickle")), 0) << http.Error();
    EXPECT_EQ(http.Data(), "slowly");

    ASSERT_EQ(http.Config("MaxTransferredData=3"), "");
    ASSERT_EQ(http.Get(Url(kCapturePort, "/echo")), 0);
    EXPECT_EQ(http.Data(), "GET");
    ASSERT_EQ(http.Config("MaxTransferredData=0"), "");

    // Nothing came back, or too little: the connection's failure, not success.
    EXPECT_NE(http.Get(Url(kCapturePort, "/close")), 0);
    EXPECT_EQ(http.Error(), "Connection closed by the server before any response.");
    EXPECT_EQ(http.Get(Url(kCapturePort, "/reset")), 10054);
    EXPECT_NE(http.Get(Url(kCapturePort, "/length-short")), 0);
    EXPECT_EQ(http.Error(), "Connection closed before the whole response arrived.");

    EXPECT_EQ(http.Get(Url(kCapturePort, "/status/404")), 151);
    EXPECT_EQ(http.Error(), "Scripted Status");

    // An old-style reply, without a status line, is all body and a success.
    ASSERT_EQ(http.Get(Url(kCapturePort, "/old-style")), 0) << http.Error();
    EXPECT_EQ(http.Data(), "<html>old\r\nstyle</html>");
    EXPECT_EQ(http.Text(kHttpStatusLine), "");

    // A time-out and an interruption from the owner's event both end the call with 301.
    ASSERT_EQ(http.SetInt(kHttpTimeout, 1), 0);
    EXPECT_EQ(http.Get(Url(kCapturePort, "/hang")), 301);
    EXPECT_EQ(http.Error(), "Interrupted.");
    ASSERT_EQ(http.SetInt(kHttpTimeout, 60), 0);
    http.interruptOnStatus = true;
    EXPECT_EQ(http.Get(Url(kCapturePort, "/trickle")), 301);
    EXPECT_EQ(http.Int(kHttpIdle), 1);
}

TEST(HttpCapture, AttachedFileAndKeptConnections)
{
    HttpObject http;
    {
        std::ofstream file("attached.txt", std::ios::binary);
        file << "FILE";
    }
    ASSERT_EQ(http.Set(kHttpAttachedFile, "attached.txt"), 0);
    ASSERT_EQ(http.SetBytes(kHttpPostData, "post+"), 0);
    ASSERT_EQ(http.Do(kHttpMethodPost, Url(kCapturePort, "/echo").c_str()), 0) << http.Error();
    EXPECT_EQ(http.Data().substr(http.Data().size() - 30), "Content-Length: 9\r\n\r\npost+FILE");
    ASSERT_EQ(http.Set(kHttpAttachedFile, "missing.txt"), 0);
    EXPECT_EQ(http.Do(kHttpMethodPost, Url(kCapturePort, "/echo").c_str()), 302);
    EXPECT_EQ(http.Error(), "Can't open attached file for reading.");
    ASSERT_EQ(http.Set(kHttpAttachedFile, ""), 0);

    // A body far larger than what goes out with the header arrives whole and
    // in order, followed by an attached file.
    std::string body;
    for (int i = 0; body.size() < 300000; ++i)
        body += std::to_string(i) + ",";
    {
        std::ofstream file("attached.txt", std::ios::binary);
        file << "END";
    }
    ASSERT_EQ(http.Set(kHttpAttachedFile, "attached.txt"), 0);
    ASSERT_EQ(http.SetBytes(kHttpPostData, body), 0);
    ASSERT_EQ(http.Config("MaxTransferredData=0"), "");
    ASSERT_EQ(http.Do(kHttpMethodPost, Url(kCapturePort, "/echo").c_str()), 0) << http.Error();
    const std::string sent = "Content-Length: " + std::to_string(body.size() + 3) + "\r\n\r\n" + body + "END";
    ASSERT_GE(http.Data().size(), sent.size());
    EXPECT_TRUE(http.Data().compare(http.Data().size() - sent.size(), sent.size(), sent) == 0);
    ASSERT_EQ(http.Set(kHttpAttachedFile, ""), 0);
    ASSERT_EQ(http.SetBytes(kHttpPostData, ""), 0);

    // A kept connection the server closed while idle: the request goes again on a new one.
    ASSERT_EQ(http.Config("KeepAlive=true"), "");
    ASSERT_EQ(http.Get(Url(kCapturePort, "/keep")), 0) << http.Error();
    EXPECT_EQ(http.Int(kHttpConnected), 1);
    Sleep(800);
    ASSERT_EQ(http.Get(Url(kCapturePort, "/echo")), 0) << http.Error();
    EXPECT_EQ(http.Data().find("Connection: close"), std::string::npos);
}

TEST(HttpCapture, RedirectsAndCookies)
{
    HttpObject http;
    EXPECT_EQ(http.Get(Url(kCapturePort, "/redirect?to=/echo")), 151);
    ASSERT_EQ(http.SetInt(kHttpFollowRedirects, 1), 0);
    ASSERT_EQ(http.Get(Url(kCapturePort, "/redirect?to=/echo")), 0) << http.Error();
    EXPECT_EQ(http.Text(kHttpURL), "/echo");
    EXPECT_EQ(http.Count(kHttpEventRedirect), 1);

    // A to B to A: stopped, not followed for ever.
    EXPECT_EQ(http.Get(Url(kCapturePort, "/loop/a")), 151);
    EXPECT_EQ(http.Error(), "Too many redirects.");

    // Mode 2 follows the same scheme and refuses another; the owner may refuse any.
    ASSERT_EQ(http.SetInt(kHttpFollowRedirects, 2), 0);
    ASSERT_EQ(http.Get(Url(kCapturePort, "/redirect?to=http://127.0.0.1:20400/echo")), 0) << http.Error();
    EXPECT_EQ(http.Get(Url(kCapturePort, "/redirect?to=https://127.0.0.1/")), 151);
    http.RefuseRedirects();
    ASSERT_EQ(http.SetInt(kHttpFollowRedirects, 1), 0);
    EXPECT_EQ(http.Get(Url(kCapturePort, "/redirect?to=/echo")), 151);

    http.events.clear();
    ASSERT_EQ(http.Get(Url(kCapturePort, "/cookies")), 0);
    std::vector<std::string> cookies;
    for (const auto& e : http.events)
        if (e.event == kHttpEventSetCookie)
            cookies.push_back(e.texts[0] + "=" + e.texts[1] + "|" + e.texts[2] + "|" + e.texts[3] + "|" + e.texts[4] +
                              "|" + std::to_string(e.values[5]));
    EXPECT_EQ(cookies, (std::vector<std::string>{"a=1|||/p|1", "b=two|Wed, 01 Jan 2031 00:00:00 GMT|x.test||0"}));
}

TEST(HttpCapture, RefusalsAndDefaults)
{
    HttpObject http;
    EXPECT_EQ(http.Int(kHttpTimeout), 60);
    EXPECT_EQ(http.Int(kHttpFirewallPort), 80);
    EXPECT_EQ(http.Int(kHttpIdle), 1);
    const std::string agent = http.Config("UserAgent");
    EXPECT_EQ(agent, "Tessarine HTTP/S Control");
    EXPECT_EQ(http.Config("KeepAlive"), "False");
    EXPECT_EQ(http.Config("MaxTransferredData"), "4096");
    EXPECT_EQ(http.Config("InBufferSize"), "64000");
    EXPECT_EQ(http.Config("HTTPVersion"), "1.1");
    EXPECT_EQ(http.Config("NoSuchKey"), "");
    EXPECT_EQ(http.m_lastConfig, -1);
    ASSERT_EQ(http.SetInt(kHttpFirewallType, 3), 0);
    EXPECT_EQ(http.Int(kHttpFirewallPort), 1080);
    ASSERT_EQ(http.SetInt(kHttpFirewallType, 0), 0);
    EXPECT_EQ(http.Int(kHttpFirewallPort), 80);
    EXPECT_EQ(HTTP_CheckIndex(http.Handle(), kHttpCookieName, 1), 280);
    EXPECT_EQ(http.Error(), "Invalid cookie index (out of range).");
    // A text read past the array is an empty text, never a null pointer, with
    // the index error to read.
    const INT_PTR pastEnd = HTTP_Get(http.Handle(), kHttpCookieName, 1, nullptr);
    ASSERT_NE(pastEnd, 0);
    EXPECT_STREQ(reinterpret_cast<const char*>(pastEnd), "");
    EXPECT_EQ(HTTP_GetLastErrorCode(http.Handle()), 156);
    EXPECT_EQ(http.Error(), "Invalid cookie index (out of range).");
    EXPECT_EQ(HTTP_Set(http.Handle(), kHttpIdle, 0, 1, 0), -1);

    EXPECT_EQ(http.Get(""), 152);
    EXPECT_EQ(http.Error(), "No server specified in URL");
    // The URL is Get's argument: set as the property alone, it is not taken.
    ASSERT_EQ(http.Set(kHttpURL, Url(kCapturePort, "/echo").c_str()), 0);
    EXPECT_EQ(HTTP_Do(http.Handle(), kHttpMethodGet, 0, nullptr, nullptr), 152);
    EXPECT_EQ(http.Text(kHttpURL), "");
    EXPECT_EQ(http.Get("https://127.0.0.1:20400/"), 153);
    EXPECT_EQ(http.Error(), "Specified URLScheme is invalid.");
    EXPECT_EQ(http.Get("http://127.0.0.1:20499/"), 10061); // nothing listens there
    EXPECT_EQ(http.Error(), "[10061] Connection refused");

    // Line breaks in a URL, a header value or a cookie never reach the wire.
    EXPECT_EQ(http.Get(Url(kCapturePort, "/echo\r\nX-Injected: 1")), 151);
    ASSERT_EQ(http.Set(kHttpReferer, "x\nX-Injected: 1"), 0);
    EXPECT_EQ(http.Get(Url(kCapturePort, "/echo")), 151);
    ASSERT_EQ(http.Set(kHttpReferer, ""), 0);
    INT_PTR args[2] = {reinterpret_cast<INT_PTR>("c"), reinterpret_cast<INT_PTR>("v\r\nX-Injected: 1")};
    int lengths[2] = {};
    ASSERT_EQ(HTTP_Do(http.Handle(), kHttpMethodAddCookie, 2, args, lengths), 0);
    EXPECT_EQ(http.Get(Url(kCapturePort, "/echo")), 151);
    EXPECT_EQ(http.Error(), "Invalid character (CR or LF) in a cookie.");
}

// The scripted peer plays each firewall kind; what follows the firewall's
// reply in the same write is the remote host's answer and must arrive.
TEST(HttpCapture, FirewallReplies)
{
    HttpObject http;
    ASSERT_EQ(http.SetInt(kHttpFirewallType, 1), 0);
    EXPECT_EQ(http.Get("http://ok.test/"), 102);
    EXPECT_EQ(http.Error(), "The FirewallHost address is invalid (0.0.0.0).");
    ASSERT_EQ(http.Set(kHttpFirewallHost, "127.0.0.1"), 0);
    ASSERT_EQ(http.SetInt(kHttpFirewallPort, 0), 0);
    EXPECT_EQ(http.Get("http://ok.test/"), 116);
    EXPECT_EQ(http.Error(), "The FirewallPort is invalid (0).");
    ASSERT_EQ(http.Set(kHttpFirewallHost, "127.0.0.1"), 0);
    ASSERT_EQ(http.SetInt(kHttpFirewallPort, kCapturePort), 0);
    ASSERT_EQ(http.Get("http://ok.test:81/"), 0) << http.Error();
    EXPECT_EQ(http.Data(), "tunnel");
    EXPECT_EQ(http.Get("http://other.test/"), 118);
    EXPECT_EQ(http.Error(), "HTTP/1.0 407 Proxy Authentication Required");
    EXPECT_EQ(http.Int(kHttpConnected), 0);

    ASSERT_EQ(http.SetInt(kHttpFirewallType, 2), 0);
    ASSERT_EQ(http.SetInt(kHttpFirewallPort, kCapturePort), 0);
    ASSERT_EQ(http.Get("http://127.0.0.1:82/"), 0) << http.Error();
    EXPECT_EQ(http.Data(), "socks4");
    ASSERT_EQ(http.Set(kHttpFirewallUser, "reject"), 0);
    EXPECT_EQ(http.Get("http://127.0.0.1:82/"), 118);
    EXPECT_EQ(http.Error(), "firewall request rejected or failed");

    ASSERT_EQ(http.SetInt(kHttpFirewallType, 3), 0);
    ASSERT_EQ(http.SetInt(kHttpFirewallPort, kCapturePort), 0);
    ASSERT_EQ(http.Set(kHttpFirewallUser, ""), 0);
    ASSERT_EQ(http.Get("http://*name.test/"), 0) << http.Error();
    EXPECT_EQ(http.Data(), "socks5");
    EXPECT_EQ(http.Get("http://*refused.test/"), 118);
    EXPECT_EQ(http.Error(), "connection refused");
    EXPECT_EQ(http.Get("http://*" + std::string(256, 'a') + "/"), 118);
    ASSERT_EQ(http.Set(kHttpFirewallUser, "u"), 0);
    ASSERT_EQ(http.Set(kHttpFirewallPassword, "p"), 0);
    EXPECT_EQ(http.Get("http://*name.test/"), 118);
    EXPECT_EQ(http.Error(), "no acceptable firewall authentication methods");
}

// A server whose header lines do not end (8 MB of them, then it closes):
// what is read of them stops at the bound of a response's lines, the call
// ends with 154 and its reason, and nothing of the response is kept.
TEST(HttpHostile, EndlessHeadersEndTheCall)
{
    const std::string pad = "X-Pad: " + std::string(100, 'x') + "\r\n";
    FloodPeer peer(FloodPeer::Role::Serve, 0, "HTTP/1.1 200 OK\r\n", pad, 8u << 20);
    HttpObject http;
    EXPECT_EQ(http.Get(Url(peer.Port(), "/")), 154);
    EXPECT_EQ(http.Error(), "Response headers too large.");
    EXPECT_EQ(http.Text(kHttpTransferredHeaders), "");
    EXPECT_EQ(http.Data(), "");
    EXPECT_EQ(http.Int(kHttpConnected), 0);
    EXPECT_LE(size_t(http.Count(kHttpEventHeader)), (size_t(1) << 20) / pad.size());
}

// A chunk size that is none (here a sign) ends the call with 151 and the
// parser's reason; it is not read as the last chunk of a whole, empty body.
// A kept connection is not used again after it: the rest of that reply
// would be read as the next one.
TEST(HttpScripted, AChunkSizeThatIsNoneFailsTheCall)
{
    const std::string head = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
    ScriptedServer server;
    server.ExpectUntil("")
        .Send(head + "-5\r\nhello\r\n0\r\n\r\n")
        .ExpectClose()
        .Accept()
        .ExpectUntil("")
        .Send(head + "3\r\nabc\r\n0\r\n\r\n")
        .Disconnect();
    ASSERT_TRUE(server.Start());
    HttpObject http;
    ASSERT_EQ(http.SetInt(kHttpTimeout, 10), 0);
    ASSERT_EQ(http.Config("KeepAlive=true"), "");
    EXPECT_EQ(http.Get(Url(server.Port(), "/")), 151);
    EXPECT_EQ(http.Error(), "Invalid chunk size.");
    EXPECT_EQ(http.Data(), "");
    EXPECT_EQ(http.Int(kHttpConnected), 0);
    ASSERT_EQ(http.Get(Url(server.Port(), "/")), 0) << http.Error();
    EXPECT_EQ(http.Data(), "abc");
    EXPECT_EQ(server.Finish(), "");
}

// Sends that wait inside the send while the socket takes nothing, not in a
// wait step: no message is taken meanwhile, so a response that comes while
// the body goes out stays unread until a send finds the server gone.
class SendsThatNeverWait {
public:
    SendsThatNeverWait()
    {
        m_winsock.Entries().send = &SendsThatNeverWait::Send;
        s_self = this;
    }
    ~SendsThatNeverWait() { s_self = nullptr; }

private:
    static int WSAAPI Send(SOCKET socket, const char* data, int length, int flags)
    {
        const WinsockApi& ws = s_self->m_winsock.Real();
        for (;;) {
            const int sent = ws.send(socket, data, length, flags);
            if (sent != SOCKET_ERROR || ws.WSAGetLastError() != WSAEWOULDBLOCK)
                return sent;
            Sleep(1);
        }
    }

    static inline SendsThatNeverWait* s_self = nullptr;
    WinsockStandIns m_winsock;
};

// A server that refuses a 20 MB body after 1 MB of it and goes at once (a
// close with the rest unread, or a reset) has answered: the call ends with
// 151 and the response's status, not a bare socket error, whether the
// response is read while the body goes out or only after a send found the
// server gone. A server that resets the connection as soon as it is
// accepted ends the call with the reset's code, and the Disconnected event
// says the same.
TEST(HttpScripted, AServerThatAnswersAndGoesHasItsAnswerHeard)
{
    const std::string body(20 << 20, 'p');
    for (int kind = 0; kind < 4; ++kind) {
        const bool reset = kind % 2 == 1;
        const bool neverWait = kind >= 2;
        SCOPED_TRACE(std::string(reset ? "reset" : "close") + (neverWait ? ", sends that never wait" : ""));
        ScriptedServer server;
        server.ExpectUntil("")
            .ExpectBytes(1 << 20, [](const std::string&) { return std::string(); })
            .Send("HTTP/1.1 413 Payload Too Large\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
        if (reset)
            server.Reset();
        else
            server.Disconnect();
        ASSERT_TRUE(server.Start());
        HttpObject http;
        ASSERT_EQ(http.SetInt(kHttpTimeout, 10), 0);
        ASSERT_EQ(http.SetBytes(kHttpPostData, body), 0);
        std::unique_ptr<SendsThatNeverWait> sends(neverWait ? new SendsThatNeverWait : nullptr);
        EXPECT_EQ(http.Do(kHttpMethodPost, Url(server.Port(), "/upload").c_str()), 151) << http.Error();
        sends.reset();
        EXPECT_EQ(http.Text(kHttpStatusLine), "HTTP/1.1 413 Payload Too Large");
        EXPECT_EQ(http.Int(kHttpConnected), 0);
        EXPECT_EQ(server.Finish(), "");
    }

    // Winsock may tell of the connect only once the reset has come: the
    // connection was made and is gone before the request goes out.
    for (const bool connectTellsReset : {false, true}) {
        SCOPED_TRACE(connectTellsReset ? "the connect notification tells the reset" : "reset at the accept");
        ScriptedServer gone;
        gone.Reset();
        ASSERT_TRUE(gone.Start());
        HttpObject http;
        ASSERT_EQ(http.SetInt(kHttpTimeout, 10), 0);
        std::unique_ptr<ResetAtConnect> late(connectTellsReset ? new ResetAtConnect : nullptr);
        const int rc = http.Get(Url(gone.Port(), "/"));
        if (late) {
            EXPECT_EQ(late->Posted(), 1);
        }
        late.reset();
        EXPECT_TRUE(rc == WSAECONNRESET || rc == WSAECONNABORTED) << rc << " " << http.Error();
        std::vector<int> ends;
        for (const RecordedEvent& e : http.events)
            if (e.event == kHttpEventDisconnected)
                ends.push_back(int(e.values[0]));
        EXPECT_EQ(ends, std::vector<int>{rc});
        EXPECT_EQ(gone.Finish(), "");
    }
}

} // namespace

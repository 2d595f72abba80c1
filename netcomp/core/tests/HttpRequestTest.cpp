#include <gtest/gtest.h>

#include <string>

#include "netcomp/core/web/HttpRequestHeader.h"
#include "netcomp/core/web/HttpUrl.h"
#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/core/text/StringList.h"

namespace {

std::string Header(const HttpRequestFields& f)
{
    NetString out;
    const char* error = nullptr;
    EXPECT_EQ(BuildHttpRequestHeader(f, out, &error), kResultOk);
    return out.CStr();
}

TEST(HttpRequestHeader, OrderAndHostRules)
{
    HttpRequestFields f;
    f.server = "h";
    f.userAgent = "UA";
    EXPECT_EQ(Header(f), "GET / HTTP/1.1\r\nHost: h\r\nUser-Agent: UA\r\nConnection: close\r\n\r\n");

    StringList cookies;
    ASSERT_EQ(cookies.Add("a"), kResultOk);
    ASSERT_EQ(cookies.Add("1"), kResultOk);
    ASSERT_EQ(cookies.Add("b"), kResultOk);
    ASSERT_EQ(cookies.Add(""), kResultOk);
    f.port = 8080;
    f.method = "POST";
    f.bodiless = false;
    f.keepAlive = true;
    f.authorization = "Basic x";
    f.proxyAuthorization = "Basic y";
    f.accept = "*/*";
    f.from = "me@x";
    f.ifModifiedSince = "today";
    f.referer = "r";
    f.pragma = "no-cache";
    f.range = "0-9";
    f.cookies = &cookies;
    f.otherHeaders = "X-A: 1\r\nX-B: 2\n\n";
    EXPECT_EQ(Header(f), "POST / HTTP/1.1\r\nHost: h:8080\r\nAuthorization: Basic x\r\nProxy-Authorization: Basic y\r\n"
                         "Accept: */*\r\nFrom: me@x\r\nUser-Agent: UA\r\nIf-Modified-Since: today\r\nReferer: r\r\n"
                         "Pragma: no-cache\r\nRange: bytes=0-9\r\nCookie: a=1; b=\r\nX-A: 1\r\nX-B: 2\r\n");

    // Through a proxy the request line names the whole URL; the port only when not the default.
    HttpRequestFields p;
    p.server = "h";
    p.viaProxy = true;
    p.otherHeaders = "Host: other";
    EXPECT_EQ(Header(p), "GET http://h/ HTTP/1.1\r\nConnection: close\r\nHost: other\r\n\r\n");
    p.port = 81;
    p.otherHeaders = "X: 1\r\nHost: other";
    EXPECT_EQ(Header(p), "GET http://h:81/ HTTP/1.1\r\nHost: h:81\r\nConnection: close\r\nX: 1\r\nHost: other\r\n\r\n");

    NetString body;
    ASSERT_EQ(AppendBodyHeaders("text/xml", 0, body), kResultOk);
    EXPECT_STREQ(body.CStr(), "Content-Type: text/xml\r\nContent-Length: 0\r\n\r\n");
    body.Clear();
    ASSERT_EQ(AppendBodyHeaders("", 5000000000, body), kResultOk);
    EXPECT_STREQ(body.CStr(), "Content-Length: 5000000000\r\n\r\n");
}

TEST(HttpRequestHeader, LineBreaksAreRefused)
{
    StringList cookies;
    ASSERT_EQ(cookies.Add("a"), kResultOk);
    ASSERT_EQ(cookies.Add("1\r\nX: injected"), kResultOk);
    HttpRequestFields f;
    f.server = "h";
    f.cookies = &cookies;
    NetString out;
    const char* error = nullptr;
    EXPECT_EQ(BuildHttpRequestHeader(f, out, &error), kHttpError);
    EXPECT_STREQ(error, "Invalid character (CR or LF) in a cookie.");
    f.cookies = nullptr;
    f.referer = "x\nSet: y";
    EXPECT_EQ(BuildHttpRequestHeader(f, out, &error), kHttpError);
    HttpUrlParts parts;
    EXPECT_EQ(ParseHttpUrl("http://h/a\r\nX: y", parts, &error), kHttpError);
}

TEST(HttpUrl, Parsing)
{
    const struct {
        const char* url;
        const char* scheme;
        const char* server;
        int port;
        const char* path;
        const char* user;
        const char* password;
    } cases[] = {
        {"http://h", "http", "h", 80, "/", "", ""},
        {"http://u:p@h:8080/a/b?q=1", "http", "h", 8080, "/a/b?q=1", "u", "p"},
        {"https://h?x=1", "https", "h", 443, "/?x=1", "", ""},
        {"/only/path", "keep", "", 7, "/only/path", "", ""},
        {"ftp:rel", "ftp", "", 7, "/rel", "", ""},
        {"HTTP://user@h/", "HTTP", "h", 80, "/", "user", ""},
    };
    for (const auto& c : cases) {
        HttpUrlParts parts;
        ASSERT_EQ(parts.scheme.AssignText("keep"), kResultOk);
        parts.port = 7;
        const char* error = nullptr;
        ASSERT_EQ(ParseHttpUrl(c.url, parts, &error), kResultOk) << c.url;
        EXPECT_STREQ(parts.scheme.CStr(), c.scheme) << c.url;
        EXPECT_STREQ(parts.server.CStr(), c.server) << c.url;
        EXPECT_EQ(parts.port, c.port) << c.url;
        EXPECT_STREQ(parts.path.CStr(), c.path) << c.url;
        EXPECT_STREQ(parts.user.CStr(), c.user) << c.url;
        EXPECT_STREQ(parts.password.CStr(), c.password) << c.url;
    }
    HttpUrlParts parts;
    const char* error = nullptr;
    EXPECT_EQ(ParseHttpUrl("http://h:70000/", parts, &error), kHttpError);
}

} // namespace

// WebForm through its exported functions: the requests as they go out (the
// capture peer echoes them), forms read by a CGI program on apache2 (by the
// cgi module and by the email package), and the action rules.
#include <gtest/gtest.h>

#include <string>

#include "netcomp/core/framework/ComponentHolder.h"
#include "netcomp/include/netcomp_webform.h"
#include "netcomp/net/tests/WebTestSupport.h"
#include "netcomp/testing/EventRecorder.h"
#include "netcomp/testing/ScriptedServer.h"

namespace {

class Form {
public:
    EventRecorder events;
    ComponentHolder<WebFormFunctions> c{EventRecorder::Callback, events.User()};

    Form()
    {
        WebForm_StaticInit(GetModuleHandleA(nullptr));
        events.TextsAt(kWebFormEventTransfer, {1});
        // Whole bodies in TransferredData.
        EXPECT_EQ(c.Config("MaxTransferredData=0"), 0);
    }
    void Vars(std::initializer_list<std::pair<const char*, const char*>> vars)
    {
        ASSERT_EQ(c.Set(kWebFormFormVarCount, 0), 0);
        for (const auto& v : vars)
            ASSERT_EQ(c.Do(kWebFormMethodAddFormVar, {v.first, v.second}), 0);
    }
    int Submit(const std::string& url) { return c.Do(kWebFormMethodSubmitTo, {url.c_str()}); }
    EchoedRequest Echo(const std::string& path)
    {
        EXPECT_EQ(Submit(CaptureUrl(path)), 0) << c.LastError();
        return EchoedRequest(c.GetBytes(kWebFormTransferredData));
    }
    std::string Reply() { return c.GetBytes(kWebFormTransferredData); }
};

// The boundary a multipart Content-Type names, without its quotes.
std::string BoundaryOf(const std::string& contentType)
{
    const size_t at = contentType.find("boundary=");
    std::string b = at == std::string::npos ? "" : contentType.substr(at + 9);
    if (b.size() >= 2 && b.front() == '"' && b.back() == '"')
        b = b.substr(1, b.size() - 2);
    return b;
}

} // namespace

TEST(WebForm, RequestsAsTheyGoOut)
{
    Form form;
    form.Vars({{"a", "x y"}, {"b", "1/2"}});
    EXPECT_EQ(form.c.GetInt(kWebFormEncoding), kWebFormUrlEncoded);
    EXPECT_EQ(form.c.GetText(kWebFormContentType), "application/x-www-form-urlencoded");
    EchoedRequest post = form.Echo("/echo/form");
    EXPECT_EQ(post.line, "POST /echo/form HTTP/1.1");
    EXPECT_EQ(post.Header("Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(post.body, "a=x%20y&b=1%2F2");

    // One variable still makes two delimited parts; the boundary is quoted.
    ASSERT_EQ(form.c.Set(kWebFormEncoding, kWebFormMultipart), 0);
    form.Vars({{"q\"x", "line\r\nnext"}});
    post = form.Echo("/echo/multi");
    const std::string type = post.Header("Content-Type");
    EXPECT_EQ(type.rfind("multipart/form-data; boundary=\"--boundary.tsn.", 0), 0u) << type;
    const std::string b = BoundaryOf(type);
    EXPECT_EQ(post.body, "--" + b + "\r\nContent-Disposition: form-data; name=\"q\\\"x\"\r\n\r\nline\r\nnext\r\n--" +
                             b + "\r\n\r\n\r\n--" + b + "--\r\n");

    // A query: the URL keeps what the caller gave it, so the pairs go once.
    ASSERT_EQ(form.c.Set(kWebFormEncoding, kWebFormQueryString), 0);
    EXPECT_EQ(form.c.GetText(kWebFormContentType), "");
    form.Vars({{"a", "x y"}, {"b", "1/2"}});
    EXPECT_EQ(form.Echo("/echo/path").line, "GET /echo/path?a=x%20y&b=1%2F2 HTTP/1.1");
    EXPECT_EQ(form.c.GetText(kWebFormURL), CaptureUrl("/echo/path"));
    ASSERT_EQ(form.c.Do(kWebFormMethodSubmit), 0);
    EXPECT_EQ(EchoedRequest(form.Reply()).line, "GET /echo/path?a=x%20y&b=1%2F2 HTTP/1.1");
    EXPECT_EQ(form.Echo("/echo/q?k=1").line, "GET /echo/q?k=1&a=x%20y&b=1%2F2 HTTP/1.1");
    form.Vars({});
    EXPECT_EQ(form.Echo("/echo/none").line, "GET /echo/none? HTTP/1.1");
    EXPECT_EQ(form.c.GetText(kWebFormURL), CaptureUrl("/echo/none"));

    // Other encodings send nothing.
    ASSERT_EQ(form.c.Set(kWebFormEncoding, 7), 0);
    form.events.Clear();
    EXPECT_EQ(form.Submit(CaptureUrl("/echo/x")), 0);
    EXPECT_TRUE(form.events.events.empty());

    // Reset: no variables, url-encoded again.
    ASSERT_EQ(form.c.Do(kWebFormMethodReset), 0);
    EXPECT_EQ(form.c.GetInt(kWebFormFormVarCount), 0);
    EXPECT_EQ(form.c.GetInt(kWebFormEncoding), 0);
    EXPECT_EQ(form.c.GetText(kWebFormContentType), "application/x-www-form-urlencoded");
    EXPECT_EQ(form.c.GetText(kWebFormURL), "");
}

TEST(WebForm, FormsTheServerReads)
{
    Form form;
    const std::string url = WebUrl("/cgi-bin/form.py");
    form.Vars({{"q", "a b&c=d+e"}, {"name", "J\xc3\xbcrgen"}, {"empty", ""}});
    ASSERT_EQ(form.Submit(url), 0) << form.c.LastError();
    std::string reply = form.Reply();
    EXPECT_NE(reply.find("\"fields\": {\"empty\": [\"\"], \"name\": [\"J\\u00fcrgen\"], \"q\": [\"a b&c=d+e\"]}"),
              std::string::npos)
        << reply;
    EXPECT_NE(reply.find("\"method\": \"POST\""), std::string::npos);

    // Multipart: values with line breaks and bytes of every kind arrive as
    // they were, in the cgi module and in the email package.
    ASSERT_EQ(form.c.Set(kWebFormEncoding, kWebFormMultipart), 0);
    form.Vars({{"note", "one\r\ntwo \"quoted\""}, {"a\\b", "\x01\x7f\xfe"}});
    ASSERT_EQ(form.Submit(url), 0) << form.c.LastError();
    reply = form.Reply();
    EXPECT_NE(reply.find("\"fields\": {\"a\\\\b\": [\"\\u0001\\u007f\\ufffd\"], \"note\": "
                         "[\"one\\r\\ntwo \\\"quoted\\\"\"]}"),
              std::string::npos)
        << reply;
    EXPECT_NE(reply.find("\"defects\": []"), std::string::npos) << reply;
    EXPECT_NE(reply.find("\"md5\": \"" + Md5Of("\x01\x7f\xfe") + "\", \"name\": \"a\\\\b\""), std::string::npos)
        << reply;
    EXPECT_NE(
        reply.find("{\"filename\": null, \"md5\": \"" + Md5Of("one\r\ntwo \"quoted\"") + "\", \"name\": \"note\""),
        std::string::npos)
        << reply;

    ASSERT_EQ(form.c.Set(kWebFormEncoding, kWebFormQueryString), 0);
    form.Vars({{"k", "v w"}});
    ASSERT_EQ(form.Submit(url), 0);
    EXPECT_NE(form.Reply().find("\"fields\": {\"k\": [\"v w\"]}"), std::string::npos) << form.Reply();
    EXPECT_NE(form.Reply().find("\"method\": \"GET\""), std::string::npos);

    // A status other than 2xx fails with the HTTP client's code and text.
    EXPECT_EQ(form.Submit(WebUrl("/cgi-bin/none.py")), 151);
    EXPECT_EQ(form.c.GetText(kWebFormStatusLine), "HTTP/1.1 404 Not Found");
    EXPECT_STREQ(form.c.LastError(), "Not Found");
}

TEST(WebForm, ActionsVariablesAndIndexes)
{
    Form form;
    form.Vars({{"a", "1"}});
    ASSERT_EQ(form.c.SetText(kWebFormFormVarNames, "b", 1), 0);
    EXPECT_EQ(form.c.GetText(kWebFormFormVarNames, 1), "b");
    EXPECT_EQ(form.c.CheckIndex(kWebFormFormVarValues, 2), 280);
    EXPECT_EQ(form.c.CheckIndex(kWebFormFormVarValues, 0), 280);
    EXPECT_STREQ(form.c.LastError(), "Invalid form variable index (out of range).");
    EXPECT_NE(form.c.SetText(kWebFormFormVarValues, "x", 2), 0);
    EXPECT_EQ(form.c.GetText(kWebFormFormVarValues, 2), "");
    EXPECT_EQ(form.c.CheckIndex(kWebFormCookieName, 1), 280);
    EXPECT_STREQ(form.c.LastError(), "Invalid cookie index (out of range).");
    EXPECT_EQ(form.c.Set(kWebFormFormVarCount, -1), 159);
    ASSERT_EQ(form.c.Set(kWebFormFormVarCount, 3), 0);
    EXPECT_EQ(form.c.GetText(kWebFormFormVarNames, 3), "");
    EXPECT_EQ(form.c.Set(kWebFormTimeout, -1), 151);
    EXPECT_EQ(form.c.GetInt(kWebFormTimeout), 60);

    // From inside an event of a running submit: another action is refused,
    // Interrupt ends the submit.
    int nested = -1;
    form.events.OnEvent(kWebFormEventStatus, [&](const RecordedEvent&) {
        nested = form.c.Do(kWebFormMethodSubmit);
        EXPECT_FALSE(form.c.GetBool(kWebFormIdle));
        EXPECT_EQ(form.c.Do(kWebFormMethodReset), 143);
        EXPECT_EQ(form.c.Do(kWebFormMethodInterrupt), 0);
        EXPECT_EQ(form.c.Do(kWebFormMethodSubmit), 143);
    });
    EXPECT_EQ(form.Submit(CaptureUrl("/trickle")), 301);
    EXPECT_EQ(nested, 143);
    EXPECT_TRUE(form.c.GetBool(kWebFormIdle));
    EXPECT_EQ(form.c.GetInt(kWebFormFormVarCount), 3); // Reset was refused
    form.events.OnEvent(kWebFormEventStatus, nullptr);
    EXPECT_EQ(form.Submit(CaptureUrl("/echo/after")), 0);
}

// A reply whose chunk size is none (a sign) fails the submission with 151,
// rather than passing for a success with an empty reply.
TEST(WebForm, AChunkSizeThatIsNoneFailsTheSubmission)
{
    ScriptedServer server;
    server.ExpectUntil("")
        .ExpectBytes("a=1")
        .Send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n-5\r\nhello\r\n0\r\n\r\n")
        .Disconnect();
    ASSERT_TRUE(server.Start());
    Form form;
    form.Vars({{"a", "1"}});
    EXPECT_EQ(form.Submit("http://127.0.0.1:" + std::to_string(server.Port()) + "/form"), 151);
    EXPECT_STREQ(form.c.LastError(), "Invalid chunk size.");
    EXPECT_EQ(form.Reply(), "");
    EXPECT_EQ(server.Finish(), "");
}

// The SOAP component through its exported functions, against a SOAP service
// made with spyne (tools/peers/soap_service.py), a raw server for the
// replies such a service does not send (tools/peers/raw_reply_server.py) and
// services that are no web servers (tools/peers/banner_server.py).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "netcomp/include/netcomp.h"
#include "netcomp/include/netcomp_soap.h"
#include "netcomp/net/tests/FloodPeer.h"
#include "netcomp/testing/EventRecorder.h"
#include "netcomp/testing/ScriptedServer.h"

namespace {

constexpr int kSpynePort = 20510;
constexpr int kRawPort = 20511;
constexpr int kSshBannerPort = 20512;
constexpr int kMailBannerPort = 20513;
const char kSshBanner[] = "SSH-2.0-OpenSSH_9.2p1 Debian-2+deb12u3";
const char kMailBanner[] = "220 mail.kestrova.test ESMTP ready";
const char kNs[] = "urn:KestrovaUploadService";
const char kEncoding[] = "http://schemas.xmlsoap.org/soap/encoding/";

std::string Url(int port, const char* path)
{
    return "http://127.0.0.1:" + std::to_string(port) + path;
}

class Soap {
public:
    Soap()
    {
        SOAP_StaticInit(GetModuleHandleA(nullptr));
        m_obj = SOAP_Create(&EventRecorder::Callback, events.User(), nullptr);
    }
    ~Soap() { SOAP_Destroy(m_obj); }
    Soap(const Soap&) = delete;
    Soap& operator=(const Soap&) = delete;

    int Set(int property, const std::string& text, int index = 0)
    {
        return SOAP_Set(m_obj, property, index, reinterpret_cast<INT_PTR>(text.c_str()), int(text.size()));
    }
    int SetInt(int property, int value) { return SOAP_Set(m_obj, property, 0, value, 0); }
    std::string Text(int property, int index = 0)
    {
        int length = 0;
        const char* p = reinterpret_cast<const char*>(SOAP_Get(m_obj, property, index, &length));
        if (!p)
            return "<null>";
        return property == kSoapSOAPPacket ? std::string(p, size_t(length)) : std::string(p);
    }
    INT_PTR Int(int property) { return SOAP_Get(m_obj, property, 0, nullptr); }
    int Do(int method, const std::string& a = "", const std::string& b = "", std::string* answer = nullptr)
    {
        INT_PTR args[2] = {reinterpret_cast<INT_PTR>(a.c_str()), reinterpret_cast<INT_PTR>(b.c_str())};
        int lengths[2] = {int(a.size()), int(b.size())};
        const int rc = SOAP_Do(m_obj, method, 2, args, lengths);
        if (answer)
            *answer = reinterpret_cast<const char*>(args[1]);
        return rc;
    }
    std::string Error() { return SOAP_GetLastError(m_obj); }
    int Code() { return SOAP_GetLastErrorCode(m_obj); }
    void* Handle() { return m_obj; }

    // The desktop application's order of calls for one request.
    void Prepare(const std::string& url, const std::string& method)
    {
        ASSERT_EQ(Do(kSoapReset), 0);
        ASSERT_EQ(Set(kSoapContentType, "text/xml"), 0);
        ASSERT_EQ(Set(kSoapSOAPEncoding, kEncoding), 0);
        ASSERT_EQ(Set(kSoapMethodURI, kNs), 0);
        ASSERT_EQ(Set(kSoapActionURI, std::string(kNs) + "#" + method), 0);
        ASSERT_EQ(Set(kSoapMethod, method), 0);
        ASSERT_EQ(Set(kSoapURL, url), 0);
    }

    EventRecorder events;

private:
    void* m_obj;
};

TEST(SoapLocal, StartingValuesConfigAndBuiltPacket)
{
    Soap soap;
    EXPECT_EQ(soap.Text(kSoapOtherHeaders), "SOAPAction: #");
    EXPECT_EQ(soap.Text(kSoapContentType), "text/xml");
    EXPECT_EQ(soap.Text(kSoapSOAPEncoding), kEncoding);
    EXPECT_EQ(soap.Int(kSoapTimeout), 60);
    EXPECT_EQ(soap.Int(kSoapNamespaceCount), 1);
    EXPECT_EQ(soap.Int(kSoapParamCount), 0);

    std::string answer;
    ASSERT_EQ(soap.Do(kSoapConfig, "MethodNamespacePrefix=ns1"), 0);
    ASSERT_EQ(soap.Do(kSoapConfig, "methodnamespaceprefix", "", &answer), 0);
    EXPECT_EQ(answer, "ns1");
    EXPECT_EQ(soap.Do(kSoapBuildPacket), 171);
    EXPECT_EQ(soap.Error(), "No method name. Please specify a valid Method.");
    ASSERT_EQ(soap.Set(kSoapMethod, "M"), 0);
    EXPECT_EQ(soap.Text(kSoapActionURI), "#M");
    ASSERT_EQ(soap.Set(kSoapMethodURI, "urn:u"), 0);
    EXPECT_EQ(soap.Text(kSoapOtherHeaders), "SOAPAction: urn:u#M");
    ASSERT_EQ(soap.Do(kSoapAddNamespace, "xsd", "urn:xsd"), 0);
    ASSERT_EQ(soap.SetInt(kSoapRawValues, 1), 0);
    ASSERT_EQ(soap.Do(kSoapAddParameter, "p", "<b/>"), 0);
    ASSERT_EQ(soap.Set(kSoapParamAttr, "t=\"1\"", 1), 0);
    ASSERT_EQ(soap.Do(kSoapBuildPacket), 0);
    EXPECT_EQ(soap.Text(kSoapSOAPPacket),
              "<?xml version=\"1.0\" encoding=\"utf-8\"?><SOAP-ENV:Envelope "
              "xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\" "
              "SOAP-ENV:encodingStyle=\"http://schemas.xmlsoap.org/soap/encoding/\" xmlns:xsd=\"urn:xsd\">"
              "<SOAP-ENV:Body><ns1:M xmlns:ns1=\"urn:u\"><p t=\"1\"><b/></p></ns1:M></SOAP-ENV:Body>"
              "</SOAP-ENV:Envelope>");
    // The packet as it stands evaluates as a reply: its first Body element.
    ASSERT_EQ(soap.Do(kSoapEvalPacket), 0) << soap.Error();
    EXPECT_EQ(soap.Text(kSoapParamName, 0), "p");
    EXPECT_EQ(soap.Text(kSoapParamAttr, 0), "t=\"1\"");
    EXPECT_EQ(soap.Do(kSoapReset), 0);
    EXPECT_EQ(soap.Text(kSoapOtherHeaders), "");
    EXPECT_EQ(soap.Text(kSoapMethod), "M");
    EXPECT_EQ(soap.Text(kSoapSOAPPacket), "");

    // Counts are refused below 0 and beyond the bound, with each list's code.
    const struct {
        int property;
        int code;
        const char* text;
    } counts[] = {
        {kSoapParamCount, 169, "Invalid param index (out of range)."},
        {kSoapNamespaceCount, 170, "Invalid namespace index (out of range)."},
        {kSoapCookieCount, 156, "Invalid cookie index (out of range)."},
    };
    for (const auto& c : counts) {
        for (int bad : {-1, 100001, 2147483647}) {
            EXPECT_EQ(soap.SetInt(c.property, bad), c.code) << c.property << " " << bad;
            EXPECT_EQ(soap.Error(), c.text);
        }
        EXPECT_EQ(soap.SetInt(c.property, 3), 0);
        EXPECT_EQ(soap.Int(c.property), 3);
    }
}

TEST(SoapSpyne, UploadReturnsOkAndABadLoginIsAFault)
{
    Soap soap;
    soap.Prepare(Url(kSpynePort, "/"), "UploadAuditResults");
    const char* params[][2] = {{"guid", "{6F9619FF-8B86-D011-B42D-00C04FC964FF}"},
                               {"uid", "auditor"},
                               {"pwd", "s3cret"},
                               {"db", "assets"},
                               {"audit", "PEtlc3Ryb3ZhLz4="}};
    for (auto& p : params)
        ASSERT_EQ(soap.Do(kSoapAddParameter, p[0], p[1]), 0);
    ASSERT_EQ(soap.Do(kSoapSendRequest), 0) << soap.Error();
    EXPECT_EQ(soap.Text(kSoapReturnValue), "OK");
    EXPECT_EQ(soap.Int(kSoapParamCount), 0);
    EXPECT_EQ(soap.Text(kSoapStatusLine).substr(0, 12), "HTTP/1.0 200");
    EXPECT_EQ(soap.events.Of(kSoapEventStartTransfer).size(), 1u);
    EXPECT_EQ(soap.events.Of(kSoapEventEndTransfer).size(), 1u);
    ASSERT_FALSE(soap.events.Of(kSoapEventTransfer).empty());
    EXPECT_EQ(soap.events.Of(kSoapEventTransfer).back().values[0], INT_PTR(soap.Text(kSoapSOAPPacket).size()));

    // The reply cursor.
    ASSERT_EQ(soap.Set(kSoapXPath, "/Envelope/Body/[1]"), 0);
    EXPECT_EQ(soap.Text(kSoapXElement), "tns:UploadAuditResultsResponse");
    EXPECT_EQ(soap.Text(kSoapXPrefix), "tns");
    EXPECT_EQ(soap.Text(kSoapXNamespace), kNs);
    EXPECT_EQ(soap.Text(kSoapXParent), "Body");
    EXPECT_EQ(soap.Int(kSoapXChildren), 1);
    EXPECT_EQ(soap.Set(kSoapXPath, "/Envelope/Body/Fault"), 208);
    EXPECT_EQ(soap.Error(), "No such child.");
    EXPECT_EQ(soap.Text(kSoapXPath), "/Envelope/Body/Fault");

    soap.Prepare(Url(kSpynePort, "/"), "UploadAuditResults");
    for (auto& p : params)
        ASSERT_EQ(soap.Do(kSoapAddParameter, p[0], std::string(p[0]) == "pwd" ? "wrong" : p[1]), 0);
    EXPECT_EQ(soap.Do(kSoapSendRequest), 173);
    EXPECT_EQ(soap.Error(), "SOAP Fault. See the FaultCode or FaultString property for details.");
    EXPECT_EQ(soap.Text(kSoapFaultString), "Invalid user or password.");
    EXPECT_EQ(soap.Text(kSoapFaultCode), "soap11env:Client.Login");
    EXPECT_EQ(soap.Text(kSoapFaultActor), "");
}

TEST(SoapSpyne, TenMegabytesEchoedWithEscapingAndOutputParameters)
{
    Soap soap;
    std::string big;
    for (int i = 0; big.size() < 10 * 1024 * 1024; ++i)
        big += "line " + std::to_string(i) + " of the <audit>\n";
    soap.Prepare(Url(kSpynePort, "/"), "Echo");
    ASSERT_EQ(soap.Do(kSoapAddParameter, "text", big), 0);
    ASSERT_EQ(soap.Do(kSoapSendRequest), 0) << soap.Error();
    EXPECT_TRUE(soap.Text(kSoapReturnValue) == big.substr(0, big.size() - 1)); // the last LF is trailing blank
    EXPECT_EQ(soap.Int(kSoapParamCount), 1);
    EXPECT_EQ(soap.Text(kSoapParamName, 1), "tns:length");
    std::string value;
    EXPECT_EQ(soap.Do(kSoapValue, "TNS:LENGTH", "", &value), 0);
    EXPECT_EQ(value, std::to_string(big.size()));
    EXPECT_EQ(soap.Do(kSoapValue, "tns:text", "", &value), 174); // the return value is not a parameter
    EXPECT_EQ(soap.Error(), "Parameter does not exist.");

    // Fault with an actor, and a reply that comes too late.
    soap.Prepare(Url(kSpynePort, "/"), "Fail");
    ASSERT_EQ(soap.Do(kSoapAddParameter, "why", "a<b"), 0);
    EXPECT_EQ(soap.Do(kSoapSendRequest), 173);
    EXPECT_EQ(soap.Text(kSoapFaultString), "It broke: a<b");
    EXPECT_EQ(soap.Text(kSoapFaultActor), "urn:actor");

    soap.Prepare(Url(kSpynePort, "/"), "Slow");
    ASSERT_EQ(soap.Do(kSoapAddParameter, "seconds", "3"), 0);
    ASSERT_EQ(soap.SetInt(kSoapTimeout, 1), 0);
    EXPECT_EQ(soap.Do(kSoapSendRequest), 301);
    EXPECT_EQ(soap.Int(kSoapIdle), 1);
}

TEST(SoapRaw, EnvelopeAndHeadersByteForByte)
{
    Soap soap;
    soap.Prepare(Url(kRawPort, "/echo-request"), "TestLogin");
    ASSERT_EQ(soap.Do(kSoapAddParameter, "uid", "a<b&\"c\"'"), 0);
    ASSERT_EQ(soap.Do(kSoapSendRequest), 0) << soap.Error();
    const std::string envelope =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?><SOAP-ENV:Envelope "
        "xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\" "
        "SOAP-ENV:encodingStyle=\"http://schemas.xmlsoap.org/soap/encoding/\"><SOAP-ENV:Body>"
        "<m:TestLogin xmlns:m=\"urn:KestrovaUploadService\"><uid>a&lt;b&amp;&quot;c&quot;'</uid></m:TestLogin>"
        "</SOAP-ENV:Body></SOAP-ENV:Envelope>";
    EXPECT_EQ(soap.Text(kSoapReturnValue), "POST /echo-request HTTP/1.1\r\nHost: 127.0.0.1:20511\r\n"
                                           "User-Agent: Tessarine HTTP/S Control\r\nConnection: close\r\n"
                                           "SOAPAction: urn:KestrovaUploadService#TestLogin\r\n"
                                           "Content-Type: text/xml\r\nContent-Length: " +
                                               std::to_string(envelope.size()) + "\r\n\r\n" + envelope);

    // Attributes of the cursor element, and the index checks.
    ASSERT_EQ(soap.Set(kSoapXPath, "/Envelope/Body/R/request"), 0);
    ASSERT_EQ(soap.Int(kSoapXAttrCount), 2);
    EXPECT_EQ(soap.Text(kSoapXAttrName, 1), "kind");
    EXPECT_EQ(soap.Text(kSoapXAttrValue, 1), "raw");
    EXPECT_EQ(soap.Text(kSoapXAttrPrefix, 2), "xml");
    EXPECT_EQ(soap.Text(kSoapXAttrNamespace, 2), "http://www.w3.org/XML/1998/namespace");
    EXPECT_EQ(soap.Text(kSoapParamAttr, 0), "kind=\"raw\" lang=\"en\"");
    // A bad index gives each list's own code to a Get or Set, 280 to CheckIndex;
    // the Get reads null.
    EXPECT_EQ(soap.Text(kSoapXAttrName, 3), "<null>");
    EXPECT_EQ(soap.Code(), 101);
    EXPECT_EQ(soap.Error(), "Invalid attribute index.");
    EXPECT_EQ(SOAP_CheckIndex(soap.Handle(), kSoapXAttrName, 0), 280);
    ASSERT_EQ(soap.Set(kSoapXPath, "/Envelope/Body/R"), 0);
    EXPECT_EQ(soap.Text(kSoapXAttrName, 1), "<null>");
    EXPECT_EQ(soap.Code(), 102);
    EXPECT_EQ(soap.Error(), "No attributes available.");
    EXPECT_EQ(soap.Text(kSoapParamName, 1), "<null>");
    EXPECT_EQ(soap.Code(), 169);
    EXPECT_EQ(soap.Error(), "Invalid param index (out of range).");
    EXPECT_EQ(SOAP_Set(soap.Handle(), kSoapParamAttr, 7, reinterpret_cast<INT_PTR>("a=\"1\""), 0), 169);
    EXPECT_EQ(soap.Text(kSoapCookieName, 0), "<null>");
    EXPECT_EQ(soap.Code(), 156);
    EXPECT_EQ(soap.Error(), "Invalid cookie index (out of range).");
    EXPECT_EQ(SOAP_CheckIndex(soap.Handle(), kSoapCookieValue, 0), 280);
    EXPECT_EQ(soap.Text(kSoapNamespacePrefix, 1), "SOAP-ENV");
    EXPECT_EQ(soap.Text(kSoapNamespaceURI, 2), "<null>");
    EXPECT_EQ(soap.Code(), 170);
    EXPECT_EQ(soap.Error(), "Invalid namespace index (out of range).");
    EXPECT_EQ(SOAP_Set(soap.Handle(), kSoapNamespacePrefix, 0, reinterpret_cast<INT_PTR>("p"), 0), 170);
    EXPECT_EQ(SOAP_CheckIndex(soap.Handle(), kSoapNamespaceURI, 2), 280);

    // A second send without a reset keeps the SOAPAction line it had.
    ASSERT_EQ(soap.Set(kSoapActionURI, "urn:other"), 0);
    ASSERT_EQ(soap.Set(kSoapMethod, "Other"), 0);
    ASSERT_EQ(soap.Do(kSoapSendRequest), 0) << soap.Error();
    EXPECT_NE(soap.Text(kSoapReturnValue).find("SOAPAction: urn:other\r\n"), std::string::npos);

    // An action that would add a header line of its own is refused, set
    // directly or made from the method URI.
    EXPECT_EQ(soap.Set(kSoapActionURI, "urn:x\r\nX-Injected: 1"), 151);
    EXPECT_EQ(soap.Error(), "Invalid character (CR or LF) in a request header value.");
    EXPECT_EQ(soap.Set(kSoapMethodURI, "urn:x\rX-Injected: 1"), 151);
    EXPECT_EQ(soap.Error(), "Invalid character (CR or LF) in a request header value.");

    ASSERT_EQ(soap.SetInt(kSoapFirewallType, 3), 0);
    EXPECT_EQ(soap.Int(kSoapFirewallPort), 1080);
    ASSERT_EQ(soap.SetInt(kSoapFirewallPort, 81), 0);
    EXPECT_EQ(soap.Int(kSoapFirewallPort), 81);
}

TEST(SoapRaw, RepliesASoapServiceDoesNotSend)
{
    Soap soap;
    soap.Prepare(Url(kRawPort, "/empty-fault"), "M");
    EXPECT_EQ(soap.Do(kSoapSendRequest), 173);
    EXPECT_EQ(soap.Text(kSoapFaultString), "");
    EXPECT_EQ(soap.Code(), 0); // the element is there, only empty
    EXPECT_EQ(soap.Text(kSoapFaultCode), "soap:Server");

    soap.Prepare(Url(kRawPort, "/html-500"), "M");
    EXPECT_EQ(soap.Do(kSoapSendRequest), 201);
    EXPECT_EQ(soap.Error(), "Unbalanced element tag.");
    EXPECT_NE(soap.Text(kSoapSOAPPacket).find("Internal Server Error"), std::string::npos);

    // A status other than 2xx with an answer that is no fault: the status stands.
    soap.Prepare(Url(kRawPort, "/envelope-500"), "M");
    EXPECT_EQ(soap.Do(kSoapSendRequest), 151);
    EXPECT_EQ(soap.Error(), "Internal Server Error");
    EXPECT_EQ(soap.Text(kSoapReturnValue), "1");

    soap.Prepare(Url(kRawPort, "/big"), "M");
    ASSERT_EQ(soap.Do(kSoapSendRequest), 0) << soap.Error();
    EXPECT_EQ(soap.Text(kSoapReturnValue).size(), 10u * 1024 * 1024);
    EXPECT_EQ(soap.Text(kSoapParamValue, 1), "2");
}

// Only what the server sent is read as its reply. A service that is no web
// server sends its banner line and closes: no status line, and a reply that
// is no envelope. A status without a body leaves nothing to read. Neither
// passes for an answer, least of all the request's own envelope, whose first
// parameter would read as the return value.
TEST(SoapRaw, OnlyWhatTheServerSentIsEvaluated)
{
    const char guid[] = "{BEA5DDF9-5C1B-4A51-9E0B-2C2B5E0F6A11}";
    const struct {
        int port;
        const char* banner;
    } banners[] = {{kSshBannerPort, kSshBanner}, {kMailBannerPort, kMailBanner}};
    for (const auto& b : banners) {
        SCOPED_TRACE(b.banner);
        Soap soap;
        soap.Prepare(Url(b.port, "/Kestrova/KestrovaUpload.dll"), "TestLogin");
        ASSERT_EQ(soap.Do(kSoapAddParameter, "guid", guid), 0);
        ASSERT_EQ(soap.Do(kSoapAddParameter, "uid", "auditor"), 0);
        // No element at all: the parser has no tree to find an envelope in.
        EXPECT_EQ(soap.Do(kSoapSendRequest), 210);
        EXPECT_EQ(soap.Error(), "DOM tree unavailable (set BuildDOM to true and reparse).");
        EXPECT_EQ(soap.Text(kSoapStatusLine), "");
        EXPECT_EQ(soap.Text(kSoapSOAPPacket), std::string(b.banner) + "\r\n");
        EXPECT_EQ(soap.Text(kSoapReturnValue), "");
        EXPECT_EQ(soap.Text(kSoapFaultString), "");
        // The reply's transfer is told as any other: it starts, runs, ends.
        EXPECT_EQ(soap.events.Of(kSoapEventStartTransfer).size(), 1u);
        EXPECT_EQ(soap.events.Of(kSoapEventEndTransfer).size(), 1u);
        ASSERT_FALSE(soap.events.Of(kSoapEventTransfer).empty());
        EXPECT_EQ(soap.events.Of(kSoapEventTransfer).back().values[0], INT_PTR(std::strlen(b.banner) + 2));
    }

    // 204 is a success status without a body, 304 another without one.
    const struct {
        const char* path;
        const char* status;
    } bodiless[] = {{"/no-content", "HTTP/1.1 204 No Content"}, {"/not-modified", "HTTP/1.1 304 Not Modified"}};
    for (const auto& r : bodiless) {
        SCOPED_TRACE(r.path);
        Soap soap;
        soap.Prepare(Url(kRawPort, r.path), "TestLogin");
        ASSERT_EQ(soap.Do(kSoapAddParameter, "guid", guid), 0);
        EXPECT_EQ(soap.Do(kSoapSendRequest), 210);
        EXPECT_EQ(soap.Text(kSoapStatusLine), r.status);
        EXPECT_EQ(soap.Text(kSoapSOAPPacket), "");
        EXPECT_EQ(soap.Text(kSoapReturnValue), "");
    }
}

// A 401 with a Digest challenge is answered by posting the envelope again,
// not the error page that came with the 401.
TEST(SoapRaw, DigestRetryPostsTheEnvelope)
{
    Soap soap;
    soap.Prepare(Url(kRawPort, "/digest"), "Echo");
    ASSERT_EQ(soap.SetInt(kSoapAuthScheme, 1), 0);
    ASSERT_EQ(soap.Set(kSoapUser, "u"), 0);
    ASSERT_EQ(soap.Set(kSoapPassword, "p"), 0);
    ASSERT_EQ(soap.Do(kSoapAddParameter, "text", "x"), 0);
    ASSERT_EQ(soap.Do(kSoapSendRequest), 0) << soap.Error();
    EXPECT_EQ(soap.Text(kSoapReturnValue), "Echo");
    EXPECT_EQ(soap.events.Of(kSoapEventStartTransfer).size(), 2u);
}

// When the HTTP exchange under a call fails, the call ends with the
// transport's code and text (as the Error event tells them for a chunk size
// that is no size), whatever status came first; nothing of a reply that
// broke off is read as SOAP, even an envelope that arrived whole before the
// break.
TEST(SoapScripted, ABrokenExchangeEndsWithItsOwnCodeAndText)
{
    const std::string envelope =
        "<?xml version=\"1.0\"?><soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/"
        "envelope/\"><soap:Body><m:R xmlns:m=\"urn:r\"><v>1</v></m:R></soap:Body></soap:Envelope>";
    char size[16];
    std::snprintf(size, sizeof size, "%zx\r\n", envelope.size());
    const std::string chunked = "\r\nTransfer-Encoding: chunked\r\n\r\n";
    const struct {
        std::string reply; // empty: none comes
        int code;
        const char* text;
    } cases[] = {
        {"HTTP/1.1 200 OK" + chunked + "zz\r\n" + envelope + "\r\n0\r\n\r\n", 151, "Invalid chunk size."},
        {"HTTP/1.1 500 Internal Server Error" + chunked + size + envelope + "\r\n-5\r\n", 151, "Invalid chunk size."},
        {"HTTP/1.1 200 OK\r\nContent-Length: 900\r\n\r\n" + envelope, 10054,
         "Connection closed before the whole response arrived."},
        {"", 301, "Interrupted."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reply);
        Soap soap;
        soap.events.TextsAt(kSoapEventError, {1});
        soap.Prepare("http://127.0.0.1:1/", "M");
        ASSERT_EQ(soap.Do(kSoapBuildPacket), 0);
        ScriptedServer server;
        server.ExpectUntil("").ExpectBytes(soap.Text(kSoapSOAPPacket).size(), [](const std::string&) { return ""; });
        if (c.reply.empty())
            server.Silence();
        else
            server.Send(c.reply).Disconnect();
        ASSERT_TRUE(server.Start());
        ASSERT_EQ(soap.Set(kSoapURL, Url(server.Port(), "/")), 0);
        ASSERT_EQ(soap.SetInt(kSoapTimeout, 2), 0);
        EXPECT_EQ(soap.Do(kSoapSendRequest), c.code);
        EXPECT_EQ(soap.Error(), c.text);
        EXPECT_EQ(soap.Text(kSoapReturnValue), "");
        if (c.code == 151) {
            ASSERT_EQ(soap.events.Of(kSoapEventError).size(), 1u);
            EXPECT_EQ(soap.events.Of(kSoapEventError)[0].values[0], 151);
            EXPECT_EQ(soap.events.Of(kSoapEventError)[0].texts[1], c.text);
        }
        EXPECT_EQ(server.Finish(), "");
    }
}

// A reply body that does not end (16 MB of it, then the server closes): it
// is kept up to MaxReplySize, then the call ends with 154 and its reason;
// the packet keeps nothing of it and no return value is read from it.
TEST(SoapHostile, EndlessReplyEndsTheCall)
{
    FloodPeer peer(FloodPeer::Role::Serve, 0, "HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\n\r\n<x>",
                   std::string(1000, 'y'), 16u << 20);
    Soap soap;
    soap.Prepare(Url(peer.Port(), "/"), "M");
    ASSERT_EQ(soap.Do(kSoapConfig, "MaxReplySize=1000000"), 0);
    std::string answer;
    ASSERT_EQ(soap.Do(kSoapConfig, "MaxReplySize", "", &answer), 0);
    EXPECT_EQ(answer, "1000000");
    EXPECT_EQ(soap.Do(kSoapSendRequest), 154);
    EXPECT_EQ(soap.Error(), "SOAP reply too large.");
    EXPECT_EQ(soap.Text(kSoapSOAPPacket), "");
    EXPECT_EQ(soap.Text(kSoapReturnValue), "");
    EXPECT_EQ(soap.Int(kSoapConnected), 0);
}

} // namespace

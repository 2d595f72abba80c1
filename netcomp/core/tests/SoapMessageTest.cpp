#include <gtest/gtest.h>

#include <string>

#include "netcomp/core/web/SoapMessage.h"

namespace {

std::string Envelope(const SoapMessage& message, int* rc = nullptr)
{
    NetString packet;
    const int result = message.BuildEnvelope(packet);
    if (rc)
        *rc = result;
    return std::string(packet.Data(), packet.Length());
}

TEST(SoapEnvelope, OneLineByteForByte)
{
    SoapMessage message;
    ASSERT_EQ(message.SetMethod("TestLogin"), 0);
    ASSERT_EQ(message.SetMethodURI("urn:KestrovaUploadService"), 0);
    EXPECT_EQ(Envelope(message),
              "<?xml version=\"1.0\" encoding=\"utf-8\"?><SOAP-ENV:Envelope "
              "xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\" "
              "SOAP-ENV:encodingStyle=\"http://schemas.xmlsoap.org/soap/encoding/\"><SOAP-ENV:Body>"
              "<m:TestLogin xmlns:m=\"urn:KestrovaUploadService\"></m:TestLogin></SOAP-ENV:Body></SOAP-ENV:Envelope>");
    EXPECT_STREQ(message.ActionURI(), "urn:KestrovaUploadService#TestLogin");

    // Values are escaped (the apostrophe stays), raw values go as they are.
    ASSERT_EQ(message.AddParameter("guid", "a<b & \"c\" 'd'>"), 0);
    message.SetRawValues(true);
    ASSERT_EQ(message.AddParameter("raw", "<x>a<b</x>"), 0);
    ASSERT_EQ(message.ParamAttributes().SetItem(2, "t=\"1\""), 0);
    ASSERT_EQ(message.AddNamespace("xsd", "http://www.w3.org/2001/XMLSchema"), 0);
    ASSERT_EQ(message.Header().AssignText("<h>1</h>"), 0);
    ASSERT_EQ(message.MethodNamespacePrefix().AssignText(""), 0);
    message.EncodingStyle().Clear();
    ASSERT_EQ(message.NamespacePrefixes().SetItem(0, "soap"), 0);
    EXPECT_EQ(Envelope(message),
              "<?xml version=\"1.0\" encoding=\"utf-8\"?><soap:Envelope "
              "xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\" "
              "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\"><soap:Header><h>1</h></soap:Header><soap:Body>"
              "<TestLogin xmlns=\"urn:KestrovaUploadService\"><guid>a&lt;b &amp; &quot;c&quot; 'd'&gt;</guid>"
              "<raw t=\"1\"><x>a<b</x></raw></TestLogin></soap:Body></soap:Envelope>");
    EXPECT_EQ(message.ParamCount(), 2);
}

TEST(SoapEnvelope, MethodRulesAndIndexes)
{
    SoapMessage message;
    int rc = 0;
    Envelope(message, &rc);
    EXPECT_EQ(rc, 171);
    ASSERT_EQ(message.SetMethod("M"), 0);
    Envelope(message, &rc);
    EXPECT_EQ(rc, 172);
    EXPECT_STREQ(message.ActionURI(), "#M");
    ASSERT_EQ(message.SetMethodURI("urn:u"), 0);
    EXPECT_STREQ(message.ActionURI(), "urn:u#M");
    ASSERT_EQ(message.SetActionURI("act"), 0);
    NetString header;
    ASSERT_EQ(message.ActionHeader(header), 0);
    EXPECT_STREQ(header.CStr(), "SOAPAction: act");

    EXPECT_EQ(message.SetParamValue(1, "x"), 169);
    EXPECT_EQ(message.SetParamValue(-1, "x"), 169);
    ASSERT_EQ(message.SetParamCount(2), 0);
    EXPECT_EQ(message.SetParamValue(2, "x"), 0);
    EXPECT_EQ(message.ParamValues().Count(), 3u);
    EXPECT_EQ(message.ParamAttributes().Count(), 3u);
    ASSERT_EQ(message.SetParamCount(0), 0);
    EXPECT_EQ(message.ParamCount(), 0);
    EXPECT_STREQ(message.ParamValues().Item(0), "");
}

TEST(SoapReply, ReturnValuesAndParameters)
{
    SoapMessage message;
    ASSERT_EQ(message.AddParameter("in", "1"), 0);
    const std::string reply =
        "<?xml version='1.0' encoding='UTF-8'?>\n"
        "<soap11env:Envelope xmlns:soap11env=\"http://schemas.xmlsoap.org/soap/envelope/\" xmlns:tns=\"urn:t\">"
        "<soap11env:Body><tns:TestResponse><tns:a>OK &amp; more</tns:a><b k=\"v\" l=\"w\">2</b>"
        "<c>3</c></tns:TestResponse></soap11env:Body></soap11env:Envelope>";
    const char* error = nullptr;
    ASSERT_EQ(message.EvaluatePacket(reply.data(), uint32_t(reply.size()), &error), 0);
    EXPECT_EQ(error, nullptr);
    EXPECT_EQ(message.ParamCount(), 2);
    EXPECT_STREQ(message.ParamNames().Item(0), "tns:a");
    EXPECT_STREQ(message.ParamValues().Item(0), "OK & more");
    EXPECT_STREQ(message.ParamNames().Item(1), "b");
    EXPECT_STREQ(message.ParamAttributes().Item(1), "k=\"v\" l=\"w\"");
    const char* value = nullptr;
    EXPECT_EQ(message.ParamValueByName("C", &value), 0);
    EXPECT_STREQ(value, "3");
    EXPECT_EQ(message.ParamValueByName("tns:a", &value), 174); // item 0 is the return value
    EXPECT_STREQ(value, "");

    // A response element without children leaves the bare return slot.
    const std::string empty = "<e:Envelope xmlns:e='x'><e:Body><R/></e:Body></e:Envelope>";
    ASSERT_EQ(message.EvaluatePacket(empty.data(), uint32_t(empty.size()), &error), 0);
    EXPECT_EQ(message.ParamCount(), 0);
    EXPECT_STREQ(message.ParamValues().Item(0), "");
}

TEST(SoapReply, FaultsAndBadReplies)
{
    SoapMessage message;
    const std::string fault = "<e:Envelope xmlns:e='http://schemas.xmlsoap.org/soap/envelope/'><e:Body><e:Fault>"
                              "<faultcode>e:Server</faultcode><faultstring>Bad &lt;guid&gt;</faultstring>"
                              "</e:Fault></e:Body></e:Envelope>";
    const char* error = nullptr;
    EXPECT_EQ(message.EvaluatePacket(fault.data(), uint32_t(fault.size()), &error), 173);
    EXPECT_STREQ(error, "SOAP Fault. See the FaultCode or FaultString property for details.");
    int code = -1;
    EXPECT_STREQ(message.FaultPart("faultcode", &code), "e:Server");
    EXPECT_EQ(code, 0);
    EXPECT_STREQ(message.FaultPart("faultstring", &code), "Bad <guid>");
    EXPECT_STREQ(message.FaultPart("faultactor", &code), "");
    EXPECT_EQ(code, 208);

    const std::string html = "<html><head><title>500 Internal Server Error</title></head><body><p>Oops<br></p>"
                             "</body></html>";
    EXPECT_EQ(message.EvaluatePacket(html.data(), uint32_t(html.size()), &error), 201);
    EXPECT_STREQ(error, "Unbalanced element tag.");
    const std::string other = "<x><Body/></x>";
    EXPECT_EQ(message.EvaluatePacket(other.data(), uint32_t(other.size()), &error), 209);
    const std::string noResponse = "<Envelope><Body></Body></Envelope>";
    EXPECT_EQ(message.EvaluatePacket(noResponse.data(), uint32_t(noResponse.size()), &error), 207);
    EXPECT_STREQ(error, "Invalid XPath.");
    EXPECT_EQ(message.EvaluatePacket("", 0, &error), 210);
}

// A reply may declare 128 namespaces in scope and give an element 128
// attributes; the 129th stops the evaluation with the parser's 200.
TEST(SoapReply, AtMost128DeclarationsAndAttributes)
{
    auto reply = [](int declarations, int attributes) {
        std::string doc = "<e:Envelope xmlns:e='http://schemas.xmlsoap.org/soap/envelope/'";
        for (int i = 1; i < declarations; ++i)
            doc += " xmlns:n" + std::to_string(i) + "='urn:n" + std::to_string(i) + "'";
        doc += "><e:Body><R><r";
        for (int i = 0; i < attributes; ++i)
            doc += " a" + std::to_string(i) + "='" + std::to_string(i) + "'";
        return doc + ">OK</r></R></e:Body></e:Envelope>";
    };
    SoapMessage message;
    const char* error = nullptr;
    const std::string most = reply(128, 128);
    ASSERT_EQ(message.EvaluatePacket(most.data(), uint32_t(most.size()), &error), 0);
    EXPECT_STREQ(message.ParamValues().Item(0), "OK");
    EXPECT_NE(std::string(message.ParamAttributes().Item(0)).find("a127=\"127\""), std::string::npos);

    for (const std::string& refused : {reply(129, 0), reply(1, 129)}) {
        EXPECT_EQ(message.EvaluatePacket(refused.data(), uint32_t(refused.size()), &error), 200);
        EXPECT_STREQ(error, "Out of memory.");
    }
}

} // namespace

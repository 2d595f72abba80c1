// The asset-server exchange against a scripted SOAP component: the request
// pattern in its order, the password on the wire, and the reply rules.
// winsock2.h, which the holder brings, must come before windows.h.
#include "netcomp/core/framework/ComponentHolder.h"

#include "app/ServerExchange.h"
#include "app/ServerPasswordCipher.h"
#include "asset/Exceptions.h"
#include "common/Base64.h"
#include "common/ConfigCipher.h"

#include <comdef.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// What the scripted component saw, and what it answers.
struct Script {
    std::vector<std::string> m_transcript;
    int m_sendResult = 0;
    std::string m_fault;
    std::string m_value = "OK";
    int m_errorCode = 0;
    std::string m_errorText;
    std::string m_statusLine;
    int m_objects = 0;
} g_script;

int g_object;

void* WINAPI FakeCreate(ComponentEventCallback, INT_PTR, const char*)
{
    ++g_script.m_objects;
    return &g_object;
}
int WINAPI FakeDestroy(void*)
{
    --g_script.m_objects;
    return 0;
}
INT_PTR WINAPI FakeGet(void*, int property, int, int* length)
{
    const std::string& text = property == kSoapFaultString  ? g_script.m_fault
                              : property == kSoapStatusLine ? g_script.m_statusLine
                                                            : g_script.m_value;
    if (length != nullptr) {
        *length = static_cast<int>(text.size());
    }
    return reinterpret_cast<INT_PTR>(text.c_str());
}
int WINAPI FakeSet(void*, int property, int, INT_PTR value, int)
{
    const std::string text =
        property == kSoapTimeout ? std::to_string(value) : std::string(reinterpret_cast<const char*>(value));
    g_script.m_transcript.push_back("set " + std::to_string(property) + " " + text);
    return 0;
}
int WINAPI FakeDo(void*, int method, int count, INT_PTR* args, int*)
{
    std::string line = "do " + std::to_string(method);
    for (int i = 0; i < count; ++i) {
        line += std::string(" ") + reinterpret_cast<const char*>(args[i]);
    }
    g_script.m_transcript.push_back(line);
    return method == kSoapSendRequest ? g_script.m_sendResult : 0;
}

const char* WINAPI FakeLastError(void*)
{
    return g_script.m_errorText.c_str();
}
int WINAPI FakeLastErrorCode(void*)
{
    return g_script.m_errorCode;
}

// The exchange reads no index checks.
const ComponentApi kFakeApi = {FakeCreate, FakeDestroy, FakeGet,       FakeSet,
                               FakeDo,     nullptr,     FakeLastError, FakeLastErrorCode};

class ServerExchange : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_script = Script();
        SetSoapApi(&kFakeApi);
        m_login.m_server = "127.0.0.1";
        m_login.m_port = 8080;
        m_login.m_user = "auditor";
        m_login.m_password = "abc";
        m_login.m_database = "assets";
    }
    void TearDown() override { SetSoapApi(nullptr); }
    ServerLogin m_login;
};

} // namespace

TEST_F(ServerExchange, UploadSendsTheRequestPatternInOrder)
{
    SoapComponent component;
    std::string error;
    ASSERT_TRUE(UploadResultXml(component, m_login, "<Audit/>", error));
    EXPECT_EQ("", error);
    std::string audit;
    ASSERT_TRUE(EncodeBase64String("<Audit/>", audit));
    const auto& t = g_script.m_transcript;
    ASSERT_EQ(15u, t.size());
    EXPECT_EQ("do 9", t[0]);
    EXPECT_EQ("set 6 text/xml", t[1]);
    EXPECT_EQ("set 38 http://schemas.xmlsoap.org/soap/encoding/", t[2]);
    EXPECT_EQ("set 23 urn:KestrovaUploadService", t[3]);
    EXPECT_EQ("set 2 #UploadAuditResults", t[4]);
    EXPECT_EQ("set 22 UploadAuditResults", t[5]);
    EXPECT_EQ("set 43 http://127.0.0.1:8080/Kestrova/KestrovaUpload.dll", t[6]);
    // The whole exchange is bounded: the time-out is not restarted by data.
    EXPECT_EQ("do 1 AbsoluteTimeout=TRUE", t[7]);
    EXPECT_EQ("set 42 120", t[8]);
    EXPECT_EQ(0u, t[9].find("do 4 guid {"));
    EXPECT_EQ(10u + 38u, t[9].size()); // "do 4 guid " and 38 characters
    EXPECT_EQ("do 4 uid auditor", t[10]);
    EXPECT_EQ("do 4 pwd ED423D11", t[11]); // 3 characters: 8 hexadecimal digits
    EXPECT_EQ("do 4 db assets", t[12]);
    EXPECT_EQ("do 4 audit " + audit, t[13]);
    EXPECT_EQ("do 11", t[14]);

    // A second upload sends a new request id.
    std::string firstGuid = t[9];
    g_script.m_transcript.clear();
    ASSERT_TRUE(UploadResultXml(component, m_login, "<Audit/>", error));
    EXPECT_NE(firstGuid, g_script.m_transcript.at(9));
}

TEST_F(ServerExchange, UploadReplyRules)
{
    SoapComponent component;
    std::string error = "kept ";
    g_script.m_value = "ok";
    EXPECT_FALSE(UploadResultXml(component, m_login, "x", error));
    EXPECT_EQ("ok", error); // the reply replaces the error text

    g_script.m_value = "Database locked&#x000D;&#x000A;";
    error.clear();
    EXPECT_FALSE(UploadResultXml(component, m_login, "x", error));
    EXPECT_EQ("Database locked", error);

    // A SOAP fault without a text.
    g_script.m_sendResult = 173;
    g_script.m_errorCode = 173;
    g_script.m_statusLine = "HTTP/1.1 500 Internal Server Error";
    error.clear();
    EXPECT_FALSE(UploadResultXml(component, m_login, "x", error));
    EXPECT_EQ("Error: The Ondelmark server did not specify an error.\r\n", error);

    // An answer that is no SOAP: its status line, with the server and port.
    g_script.m_sendResult = 210;
    g_script.m_errorCode = 210;
    g_script.m_errorText = "DOM tree unavailable (set BuildDOM to true and reparse).";
    g_script.m_statusLine = "HTTP/1.1 404 Not Found";
    error.clear();
    EXPECT_FALSE(UploadResultXml(component, m_login, "x", error));
    EXPECT_EQ("The Ondelmark server at 127.0.0.1:8080 did not answer in SOAP (\"HTTP/1.1 404 Not Found\").\r\n", error);

    // No server was reached: why, in plain words.
    g_script.m_sendResult = 10061;
    g_script.m_errorCode = 10061;
    g_script.m_errorText = "[10061] Connection refused";
    g_script.m_statusLine = "";
    error.clear();
    EXPECT_FALSE(UploadResultXml(component, m_login, "x", error));
    EXPECT_EQ("Could not connect to the Ondelmark server at 127.0.0.1:8080: the connection was refused.\r\n", error);
    g_script.m_errorCode = 0;
    g_script.m_errorText = "";

    g_script.m_fault = "Server was unable to process request.";
    error = "before\r\n";
    EXPECT_FALSE(UploadResultXml(component, m_login, "x", error));
    EXPECT_EQ("before\r\nServer was unable to process request.\r\n", error);
}

// The password's bytes on the wire are those that servers have always been
// sent: the configuration file's cipher under the server's pass phrase, over
// the text and its zero. Enciphering them makes no key container: the
// current user's keys are looked for in a key of this test's own, which the
// configuration's cipher fills and the password's leaves empty.
TEST(ServerPasswordCipher, BytesOfTheConfigurationCipherWithoutAKeyContainer)
{
    const std::string serverPassPhrase = "7C3E91A04B6D28F5E0A9C4D71B3F8E26";
    const std::string texts[] = {"a", "abc", "secret", "P@ss w\xf6rd <&>", std::string(200, 'x')};
    const std::string user = "Software\\Kestrova Tests\\ServerPasswordCipher-" + std::to_string(GetCurrentProcessId());
    HKEY profile = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, user.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                             KEY_ALL_ACCESS, nullptr, &profile, nullptr));
    ASSERT_EQ(ERROR_SUCCESS, RegOverridePredefKey(HKEY_CURRENT_USER, profile));
    const auto keysMade = [profile] {
        DWORD subKeys = 0;
        RegQueryInfoKeyA(profile, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, nullptr, nullptr, nullptr,
                         nullptr, nullptr);
        return subKeys;
    };
    std::vector<std::string> sent;
    std::string failure;
    try {
        for (const std::string& text : texts) {
            sent.push_back(CipherServerPassword(text));
        }
        sent.push_back(CipherServerPassword(""));
    } catch (const _com_error& error) {
        failure = t_exception(error).what();
    }
    const DWORD madeByPassword = keysMade();
    std::vector<std::string> expected;
    for (const std::string& text : texts) {
        std::string hex;
        EXPECT_TRUE(CipherConfigValue(text + '\0', serverPassPhrase, true, hex)) << text;
        expected.push_back(hex);
    }
    const DWORD madeByConfiguration = keysMade();
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    RegCloseKey(profile);
    RegDeleteTreeA(HKEY_CURRENT_USER, user.c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Kestrova Tests"); // when no other test uses it

    EXPECT_EQ(0u, madeByPassword);
    EXPECT_NE(0u, madeByConfiguration); // where the container would have gone
    ASSERT_EQ("", failure);
    ASSERT_EQ(std::size(texts) + 1, sent.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(expected[i], sent[i]) << texts[i];
        EXPECT_EQ(2 * (texts[i].size() + 1), sent[i].size());
    }
    EXPECT_EQ("ED423D11", sent[1]); // 3 characters: 8 hexadecimal digits
    EXPECT_EQ("FF453D636417D1", sent[2]);
    EXPECT_EQ("", sent.back());
}

// The key may leave its provider, as a key of this cipher always could.
TEST(ServerPasswordCipher, TheKeyIsExportable)
{
    const ServerPasswordKey key;
    DWORD permissions = 0;
    DWORD size = sizeof(permissions);
    ASSERT_TRUE(CryptGetKeyParam(key.Handle(), KP_PERMISSIONS, reinterpret_cast<BYTE*>(&permissions), &size, 0));
    EXPECT_EQ(static_cast<DWORD>(CRYPT_EXPORT), permissions & CRYPT_EXPORT);
}

TEST_F(ServerExchange, EmptyPasswordTravelsAsEmptyText)
{
    m_login.m_password = "";
    SoapComponent component;
    std::string error;
    ASSERT_TRUE(UploadResultXml(component, m_login, "x", error));
    EXPECT_EQ("do 4 pwd ", g_script.m_transcript.at(11));
}

TEST_F(ServerExchange, TestLoginAndLookups)
{
    std::string message;
    g_script.m_value = "anything at all";
    EXPECT_TRUE(TestServerLogin(m_login, message));
    EXPECT_EQ("Success!", message);
    EXPECT_EQ("set 22 TestLogin", g_script.m_transcript.at(5));
    EXPECT_EQ(14u, g_script.m_transcript.size()); // no parameters of its own
    EXPECT_EQ(0, g_script.m_objects);             // the temporary component is gone

    g_script.m_sendResult = 301;
    g_script.m_errorCode = 301;
    g_script.m_errorText = "Timeout.";
    EXPECT_FALSE(TestServerLogin(m_login, message));
    // Stopped at once: not the limit running out.
    EXPECT_EQ("Unable to verify Ondelmark login credentials.\r\n"
              "The call to the Ondelmark server at 127.0.0.1:8080 was interrupted.\r\n",
              message);

    g_script = Script();
    g_script.m_value = "<R><U f=\"Ann\" m=\"B\" l=\"Cole\"/></R>";
    AssetUserNames names;
    std::string error;
    ASSERT_TRUE(GetAssetUser(m_login, "acole", names, error));
    EXPECT_TRUE(names.m_found);
    EXPECT_EQ("Ann", names.m_first);
    EXPECT_EQ("B", names.m_middle);
    EXPECT_EQ("Cole", names.m_last);
    EXPECT_EQ("do 4 username acole", g_script.m_transcript.at(g_script.m_transcript.size() - 2));

    g_script.m_value = "";
    EXPECT_FALSE(GetAssetUser(m_login, "acole", names, error));
    EXPECT_EQ("Unable to retrieve user account information from Ondelmark.\r\n"
              "Error: The XML document was empty.\r\n",
              error);

    g_script.m_value = "<R>&#x000D;&#x000A;<L><l>North</l><l>South</l><l>East</l></L></R>";
    std::vector<std::string> locations{"stale"};
    std::vector<std::string> departments{"stale"};
    error.clear();
    ASSERT_TRUE(GetLookupValues(m_login, locations, departments, error));
    EXPECT_EQ((std::vector<std::string>{"North", "South", "East"}), locations);
    EXPECT_TRUE(departments.empty());
    EXPECT_EQ("", error);

    // Both lookups say why, each on lines of its own.
    g_script.m_sendResult = 173;
    g_script.m_errorCode = 173;
    g_script.m_fault = "Login failed for user tester";
    EXPECT_FALSE(GetAssetUser(m_login, "acole", names, error));
    g_script.m_sendResult = 11001;
    g_script.m_errorCode = 11001;
    g_script.m_errorText = "Host not found";
    g_script.m_fault = "";
    EXPECT_FALSE(GetLookupValues(m_login, locations, departments, error));
    EXPECT_EQ("Unable to retrieve user account information from Ondelmark.\r\n"
              "Login failed for user tester\r\n"
              "Unable to retrieve the location and department information from Ondelmark.\r\n"
              "Could not connect to the Ondelmark server at 127.0.0.1:8080: the host name was not found.\r\n",
              error);
}

TEST_F(ServerExchange, ALongReplyAddsAFewKilobytesAndSaysHowMuchWasLeftOut)
{
    SoapComponent component;
    std::string error;
    g_script.m_value = std::string(4000, 'x') + "&#x000D;&#x000A;" + std::string(100000, 'y');
    EXPECT_FALSE(UploadResultXml(component, m_login, "x", error));
    EXPECT_EQ(std::string(4000, 'x') + std::string(96, 'y') + "... (99904 more bytes of the reply left out)", error);

    g_script.m_sendResult = 151;
    g_script.m_fault = std::string(5000, 'f');
    error.clear();
    EXPECT_FALSE(UploadResultXml(component, m_login, "x", error));
    EXPECT_EQ(std::string(4096, 'f') + "... (904 more bytes of the reply left out)\r\n", error);

    // The cut falls before a character, not inside one.
    const std::string euro = "\xE2\x82\xAC";
    std::string text = std::string(4095, 'a') + euro + "b";
    EXPECT_EQ(std::string(4095, 'a') + "... (4 more bytes of the reply left out)", BoundedReplyText(text));
    EXPECT_EQ(text.substr(0, 4096), BoundedReplyText(text.substr(0, 4096)));
}

TEST_F(ServerExchange, AReplyWithoutStatusIsQuotedByItsFirstLine)
{
    SoapComponent component;
    g_script.m_sendResult = 204;
    g_script.m_errorCode = 204;
    g_script.m_errorText = "Invalid XML markup.";
    g_script.m_value = "220 mail ready\r\n250 more";
    std::string error;
    EXPECT_FALSE(UploadResultXml(component, m_login, "x", error));
    EXPECT_EQ("The Ondelmark server at 127.0.0.1:8080 did not answer in SOAP (\"220 mail ready\").\r\n", error);

    // Only a short line of it, and only what a message box can show.
    EXPECT_EQ("a?b?c", ReplyOpening(std::string("a\x01"
                                                "b\xFF"
                                                "c\nrest")));
    EXPECT_EQ(std::string(80, 'x') + "...", ReplyOpening(std::string(200, 'x')));
    EXPECT_EQ(std::string(80, 'x'), ReplyOpening(std::string(80, 'x') + "\r\n"));
    EXPECT_EQ("", ReplyOpening(""));
}

TEST(ServerFailureText, SaysWhatHappenedWithServerAndPort)
{
    const struct {
        int code;
        const char* componentText;
        const char* statusLine;
        bool timedOut;
        const char* text;
    } kCases[] = {
        {10061, "[10061] Connection refused", "", false,
         "Could not connect to the Ondelmark server at srv:81: the connection was refused.\r\n"},
        {11001, "[11001] Host not found", "", false,
         "Could not connect to the Ondelmark server at srv:81: the host name was not found.\r\n"},
        {11004, "", "", false, "Could not connect to the Ondelmark server at srv:81: the host name was not found.\r\n"},
        {10065, "[10065] No route to host", "", false,
         "Could not connect to the Ondelmark server at srv:81: there is no route to the host.\r\n"},
        {10051, "", "", false,
         "Could not connect to the Ondelmark server at srv:81: the network cannot be reached.\r\n"},
        {10060, "", "", false, "Could not connect to the Ondelmark server at srv:81: the connection timed out.\r\n"},
        {301, "Timeout.", "", true, "The Ondelmark server at srv:81 did not answer within 120 seconds.\r\n"},
        {301, "Timeout.", "HTTP/1.1 200 OK", true,
         "The Ondelmark server at srv:81 did not answer within 120 seconds.\r\n"},
        {301, "Interrupted.", "", false, "The call to the Ondelmark server at srv:81 was interrupted.\r\n"},
        {10054, "Connection closed by the server before any response.", "", false,
         "The Ondelmark server at srv:81 closed the connection without an answer.\r\n"},
        {10054, "Connection closed before the whole response arrived.", "HTTP/1.1 200 OK", false,
         "The Ondelmark server at srv:81 closed the connection before its whole answer arrived.\r\n"},
        {210, "DOM tree unavailable (set BuildDOM to true and reparse).", "HTTP/1.1 404 Not Found", false,
         "The Ondelmark server at srv:81 did not answer in SOAP (\"HTTP/1.1 404 Not Found\").\r\n"},
        {151, "Bad Gateway", "HTTP/1.0 502 Bad Gateway", false,
         "The Ondelmark server at srv:81 did not answer in SOAP (\"HTTP/1.0 502 Bad Gateway\").\r\n"},
        {151, "Invalid chunk size.", "HTTP/1.1 200 OK", false,
         "The Ondelmark server at srv:81 sent an answer that could not be read (Invalid chunk size).\r\n"},
        {10049, "[10049] Cannot assign requested address", "", false,
         "Could not connect to the Ondelmark server at srv:81: Cannot assign requested address (error 10049).\r\n"},
        {118, "Invalid URL.", "", false,
         "The call to the Ondelmark server at srv:81 failed: Invalid URL (error 118).\r\n"},
        {173, "SOAP Fault. See the FaultCode or FaultString property for details.", "HTTP/1.1 500 Server Error", false,
         "Error: The Ondelmark server did not specify an error.\r\n"},
    };
    for (const auto& c : kCases) {
        ServerFailure failure;
        failure.m_componentCode = c.code;
        failure.m_componentText = c.componentText;
        failure.m_statusLine = c.statusLine;
        failure.m_timedOut = c.timedOut;
        failure.m_limitSeconds = 120;
        failure.m_address = "srv:81";
        EXPECT_EQ(c.text, FailureText(failure)) << c.code;
    }
    // No status line but bytes that are no envelope: a service that is no
    // web server, quoted by the start of what it sent.
    ServerFailure banner;
    banner.m_componentCode = 210;
    banner.m_componentText = "DOM tree unavailable (set BuildDOM to true and reparse).";
    banner.m_address = "srv:81";
    banner.m_replyStart = "SSH-2.0-OpenSSH_9.2p1";
    EXPECT_EQ("The Ondelmark server at srv:81 did not answer in SOAP (\"SSH-2.0-OpenSSH_9.2p1\").\r\n",
              FailureText(banner));
    banner.m_componentCode = 201;
    banner.m_replyStart.clear();
    EXPECT_EQ("The Ondelmark server at srv:81 did not answer in SOAP.\r\n", FailureText(banner));

    // The server's own text wins, and ends its line.
    ServerFailure fault;
    fault.m_componentCode = 173;
    fault.m_fault = "Login failed for user tester";
    EXPECT_EQ("Login failed for user tester\r\n", FailureText(fault));
    fault.m_fault = "Two lines\r\n";
    EXPECT_EQ("Two lines\r\n", FailureText(fault));
}

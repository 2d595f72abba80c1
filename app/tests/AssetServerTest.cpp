// The exchange with the SOAP component on the wire, against the stand-in
// asset server started by the test set-up: what arrives there, and how each
// kind of answer is judged.
#include "app/ServerExchange.h"
#include "app/ServerPasswordCipher.h"
#include "app/tests/KestrovaRun.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

ServerLogin Login()
{
    ServerLogin login;
    login.m_server = "127.0.0.1";
    login.m_port = kServerPort;
    login.m_user = "auditor";
    login.m_password = "abc";
    login.m_database = "assets";
    return login;
}

class AssetServer : public ::testing::Test {
protected:
    void SetUp() override
    {
        Answer("{\"mode\": \"ok\"}");
        ClearRequests();
    }
};

} // namespace

TEST_F(AssetServer, UploadCarriesEveryParameter)
{
    SoapComponent component;
    ASSERT_TRUE(component.IsValid());
    std::string error;
    ASSERT_TRUE(UploadResultXml(component, Login(), "<Kestrova><GUID>{1}</GUID></Kestrova>", error)) << error;
    std::string log = Requests();
    EXPECT_NE(std::string::npos, log.find("\"method\": \"UploadAuditResults\""));
    EXPECT_NE(std::string::npos, log.find("\"uid\": \"auditor\""));
    EXPECT_NE(std::string::npos, log.find("\"pwd\": \"ED423D11\""));
    EXPECT_NE(std::string::npos, log.find("\"db\": \"assets\""));
    EXPECT_NE(std::string::npos, log.find("\"decoded\": \"<Kestrova><GUID>{1}</GUID></Kestrova>\""));
    EXPECT_NE(std::string::npos, log.find("\"guid\": \"{"));
}

TEST_F(AssetServer, ReplyRules)
{
    SoapComponent component;
    std::string error;
    Answer("{\"mode\": \"text\", \"text\": \"ok\"}");
    EXPECT_FALSE(UploadResultXml(component, Login(), "x", error));
    EXPECT_EQ("ok", error);

    Answer("{\"mode\": \"fault\", \"text\": \"Login refused\"}");
    error.clear();
    EXPECT_FALSE(UploadResultXml(component, Login(), "x", error));
    EXPECT_EQ("Login refused\r\n", error);

    // A fault without a text: only the fixed line.
    Answer("{\"mode\": \"emptyfault\"}");
    error.clear();
    EXPECT_FALSE(UploadResultXml(component, Login(), "x", error));
    EXPECT_EQ("Error: The Ondelmark server did not specify an error.\r\n", error);

    // A web server without the service: its status, not a parser's complaint.
    Answer("{\"mode\": \"status\", \"status\": \"404 Not Found\"}");
    error.clear();
    EXPECT_FALSE(UploadResultXml(component, Login(), "x", error));
    EXPECT_EQ("The Ondelmark server at 127.0.0.1:20650 did not answer in SOAP (\"HTTP/1.0 404 Not Found\").\r\n",
              error);

    Answer("{\"mode\": \"text\", \"text\": \"anything\"}");
    std::string message;
    EXPECT_TRUE(TestServerLogin(Login(), message));

    ServerLogin closed = Login();
    closed.m_port = 20699; // nothing listens there
    EXPECT_FALSE(TestServerLogin(closed, message));
    EXPECT_EQ(0u, message.find("Unable to verify Ondelmark login credentials.\r\n"));
}

namespace {
// The text of a JSON string field of the last request ("" when absent);
// enough for the recorder's own output, which escapes only quotes,
// backslashes and control characters.
std::string LastField(const std::string& log, const std::string& name)
{
    size_t line = log.rfind("{\"method\"");
    size_t at = log.find("\"" + name + "\": \"", line);
    if (line == std::string::npos || at == std::string::npos) {
        return std::string();
    }
    std::string value;
    for (size_t i = at + name.size() + 5; i < log.size() && log[i] != '"'; ++i) {
        if (log[i] == '\\' && i + 1 < log.size()) {
            char next = log[++i];
            value += next == 'n' ? '\n' : next == 'r' ? '\r' : next == 't' ? '\t' : next;
        } else {
            value += log[i];
        }
    }
    return value;
}

// The document with the values that differ from run to run emptied: the
// drives' free space, the storage devices' keys (new ones each audit) and
// the measured processor clock.
std::string WithoutChangingValues(std::string text)
{
    for (const std::string key : {"freespace=\"", "<Device id=\"", "speed=\""}) {
        for (size_t at = text.find(key); at != std::string::npos; at = text.find(key, at + 1)) {
            size_t end = text.find('"', at + key.size());
            text.erase(at + key.size(), end - at - key.size());
        }
    }
    return text;
}

std::string Between(const std::string& text, const std::string& open, const std::string& close)
{
    size_t start = text.find(open);
    size_t end = text.find(close, start);
    return start == std::string::npos || end == std::string::npos ? std::string()
                                                                  : text.substr(start, end - start + close.size());
}
} // namespace

TEST_F(AssetServer, HiddenRunUploadsTheResultXml)
{
    // A saved run first: the upload must carry the same kind of document.
    std::string folder = MakeFolder("upload");
    WriteConfig(folder, kServerPort);
    std::string out = MakeFolder("upload-saved");
    ASSERT_EQ(0, RunKestrova("/H /L:Lab /S:\"" + out + "\"", folder));
    std::string saved = ReadFileText(out + "\\" + ComputerName() + ".kes");
    EXPECT_EQ("", Requests()); // a saved run sends nothing

    ASSERT_EQ(0, RunKestrova("/H /L:Lab", folder));
    std::string log = Requests();
    EXPECT_EQ("UploadAuditResults", LastField(log, "method"));
    std::string guid = LastField(log, "guid");
    EXPECT_EQ(38u, guid.size());
    EXPECT_EQ('{', guid.front());
    EXPECT_EQ("", LastField(log, "uid"));
    EXPECT_NE(std::string::npos, log.find("\"pwd\": \"\"")); // the empty password travels as ""
    EXPECT_EQ("assets", LastField(log, "db"));
    std::string audit = LastField(log, "decoded");
    EXPECT_EQ(0u, audit.find("<?xml"));
    EXPECT_NE(std::string::npos, audit.find("location=\"Lab\""));
    // Same computer, same identity, same description as the saved result.
    EXPECT_EQ(Between(saved, "<GUID>", "</GUID>"), Between(audit, "<GUID>", "</GUID>"));
    EXPECT_EQ(Between(saved, "<Description", "/>"), Between(audit, "<Description", "/>"));
    EXPECT_EQ(WithoutChangingValues(saved), WithoutChangingValues(audit));
}

TEST_F(AssetServer, RefusedConnectionDroppedAndBrokenReplies)
{
    SoapComponent component;
    std::string error;
    ServerLogin closed = Login();
    closed.m_port = 20699;
    EXPECT_FALSE(UploadResultXml(component, closed, "x", error));
    EXPECT_EQ("Could not connect to the Ondelmark server at 127.0.0.1:20699: the connection was refused.\r\n", error);

    ServerLogin nameless = Login();
    nameless.m_server = "";
    error.clear();
    EXPECT_FALSE(UploadResultXml(component, nameless, "x", error));
    EXPECT_NE(std::string::npos, error.find("the Ondelmark server at :20650")) << error;
    EXPECT_EQ(std::string::npos, error.find("did not specify")) << error;

    Answer("{\"mode\": \"drop\"}");
    error.clear();
    EXPECT_FALSE(UploadResultXml(component, Login(), "x", error));
    EXPECT_EQ("The Ondelmark server at 127.0.0.1:20650 closed the connection without an answer.\r\n", error);

    Answer("{\"mode\": \"badchunk\"}");
    error.clear();
    EXPECT_FALSE(UploadResultXml(component, Login(), "x", error));
    EXPECT_EQ("The Ondelmark server at 127.0.0.1:20650 sent an answer that could not be read (Invalid chunk size).\r\n",
              error);
}

// A port where a service that is no web server answers (the computer's SSH
// server, say): its banner and close are no answer, and the upload's error
// says so, with what the service sent, instead of taking the request it sent
// for the server's reply. (The credential Test's box: OptionsTest.)
TEST_F(AssetServer, AServiceThatIsNoWebServerDidNotAnswerInSoap)
{
    SoapComponent component;
    ServerLogin ssh = Login();
    ssh.m_port = kSshBannerPort;
    std::string error;
    EXPECT_FALSE(UploadResultXml(component, ssh, "<Kestrova/>", error));
    EXPECT_EQ("The Ondelmark server at 127.0.0.1:20651 did not answer in SOAP (\"" + std::string(kSshBanner) +
                  "\").\r\n",
              error);
}

// A server whose headers or body never end: the exchange ends at the
// component's bound on what it holds, long before its limit, and the error
// text (which an unattended run writes to the log) says why. A server that
// is never cut off would run for its whole minute.
TEST_F(AssetServer, AFloodingServerEndsTheExchangeWithItsCause)
{
    const struct {
        const char* mode;
        const char* text;
    } floods[] = {
        {"headerflood", "The Ondelmark server at 127.0.0.1:20650 sent more than an answer may hold (Response headers "
                        "too large).\r\n"},
        {"bodyflood", "The Ondelmark server at 127.0.0.1:20650 sent more than an answer may hold (SOAP reply too "
                      "large).\r\n"},
    };
    for (const auto& f : floods) {
        Answer(std::string("{\"mode\": \"") + f.mode + "\", \"for\": 60}");
        const int previous = SetServerExchangeLimit(30);
        SoapComponent component;
        std::string error;
        EXPECT_FALSE(UploadResultXml(component, Login(), "x", error)) << f.mode;
        SetServerExchangeLimit(previous);
        EXPECT_EQ(f.text, error);
    }
}

TEST_F(AssetServer, ADrippingServerCannotStretchTheExchange)
{
    // One byte every half second restarts no clock: the call ends at its
    // overall limit with the component's time-out, long before the server
    // would stop on its own.
    Answer("{\"mode\": \"drip\", \"interval\": 0.5, \"for\": 60}");
    const int previous = SetServerExchangeLimit(3);
    SoapComponent component;
    std::string error;
    EXPECT_FALSE(UploadResultXml(component, Login(), "x", error));
    SetServerExchangeLimit(previous);
    EXPECT_EQ("The Ondelmark server at 127.0.0.1:20650 did not answer within 3 seconds.\r\n", error);
}

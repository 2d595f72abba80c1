// The exchange with the SOAP component on the wire, against the stand-in
// asset server started by the test set-up: what arrives there, and how each
// kind of answer is judged.
#include "app/ServerExchange.h"
#include "app/ServerPasswordCipher.h"
#include "app/tests/KestrovaRun.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

const int kServerPort = 20650;

std::string StateFolder()
{
    const char* binary = getenv("KES_BINARY_DIR");
    std::string path = std::string("Z:") + (binary != nullptr ? binary : "") + "/peers/asset_server";
    for (char& c : path) {
        if (c == '/') {
            c = '\\';
        }
    }
    return path;
}

void Answer(const std::string& json)
{
    std::ofstream(StateFolder() + "\\answer", std::ios::binary | std::ios::trunc) << json;
}

std::string Requests()
{
    return ReadFileText(StateFolder() + "\\requests.jsonl");
}

void ClearRequests()
{
    DeleteFileA((StateFolder() + "\\requests.jsonl").c_str());
}

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
    EXPECT_NE(std::string::npos, log.find("\"audit\": \"<Kestrova><GUID>{1}</GUID></Kestrova>\""));
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
    EXPECT_EQ("Login refused", error);

    Answer("{\"mode\": \"emptyfault\"}");
    error.clear();
    EXPECT_FALSE(UploadResultXml(component, Login(), "x", error));
    EXPECT_EQ("Error: The Ondelmark server did not specify an error.\r\n", error);

    Answer("{\"mode\": \"text\", \"text\": \"anything\"}");
    std::string message;
    EXPECT_TRUE(TestServerLogin(Login(), message));

    ServerLogin closed = Login();
    closed.m_port = 20699; // nothing listens there
    EXPECT_FALSE(TestServerLogin(closed, message));
    EXPECT_EQ(0u, message.find("Unable to verify Ondelmark login credentials.\r\n"));
}

TEST_F(AssetServer, HiddenRunUploadsTheResultXml)
{
    std::string folder = MakeFolder("upload");
    WriteConfig(folder, kServerPort);
    ASSERT_EQ(0, RunKestrova("/H /L:Lab", folder));
    std::string log = Requests();
    EXPECT_NE(std::string::npos, log.find("\"method\": \"UploadAuditResults\""));
    EXPECT_NE(std::string::npos, log.find("location=\\\"Lab\\\""));
    EXPECT_NE(std::string::npos, log.find("\"pwd\": \"\"")); // the empty password travels as ""
}

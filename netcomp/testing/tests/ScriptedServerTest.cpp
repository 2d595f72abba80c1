// The scripted server against a plain blocking client: a transcript that
// goes as written passes, and each way a client can stray is reported.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "netcomp/testing/ScriptedServer.h"

namespace {

class Client {
public:
    explicit Client(unsigned short port)
    {
        m_socket = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        DWORD timeout = 2000;
        setsockopt(m_socket, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(port);
        m_connected = connect(m_socket, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    ~Client() { Close(); }

    bool Connected() const { return m_connected; }
    void Send(const std::string& bytes) { send(m_socket, bytes.data(), int(bytes.size()), 0); }
    void Close()
    {
        if (m_socket != INVALID_SOCKET)
            closesocket(m_socket);
        m_socket = INVALID_SOCKET;
    }
    void SetReadTimeout(DWORD milliseconds)
    {
        setsockopt(m_socket, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&milliseconds),
                   sizeof milliseconds);
    }

    // Everything until the peer closes or goes quiet for the read time-out;
    // *closed tells which.
    std::string ReadAll(bool* closed)
    {
        std::string all;
        char buffer[512];
        for (;;) {
            const int n = recv(m_socket, buffer, sizeof buffer, 0);
            if (n <= 0) {
                *closed = n == 0;
                return all;
            }
            all.append(buffer, std::size_t(n));
        }
    }

    // One line with its CR LF, or what came before the peer closed.
    std::string ReadLine()
    {
        std::string line;
        char c;
        while (line.size() < 2 || line.compare(line.size() - 2, 2, "\r\n") != 0) {
            if (recv(m_socket, &c, 1, 0) != 1)
                break;
            line += c;
        }
        return line;
    }

private:
    SOCKET m_socket = INVALID_SOCKET;
    bool m_connected = false;
};

TEST(ScriptedServer, TranscriptAsWrittenPasses)
{
    ScriptedServer server;
    server.Reply("220 ready")
        .Expect("USER bob")
        .Reply("331 password")
        .ExpectPrefix("PASS ")
        .Reply("530 Login incorrect.")
        .Expect("DATA")
        .Reply("354 go on")
        .ExpectUntil(".")
        .Reply("451 local error")
        .Expect("QUIT")
        .Reply("221 bye")
        .ExpectClose();
    ASSERT_TRUE(server.Start());
    Client client(server.Port());
    ASSERT_TRUE(client.Connected());
    EXPECT_EQ("220 ready\r\n", client.ReadLine());
    client.Send("USER bob\r\n");
    EXPECT_EQ("331 password\r\n", client.ReadLine());
    client.Send("PASS s3cret\r\n");
    EXPECT_EQ("530 Login incorrect.\r\n", client.ReadLine());
    client.Send("DATA\r\n");
    EXPECT_EQ("354 go on\r\n", client.ReadLine());
    client.Send("Subject: x\r\n\r\nbody\r\n.\r\n"); // in pieces the server must join
    EXPECT_EQ("451 local error\r\n", client.ReadLine());
    client.Send("QUIT\r\n");
    EXPECT_EQ("221 bye\r\n", client.ReadLine());
    client.Close();
    EXPECT_EQ("", server.Finish());
    EXPECT_EQ("Subject: x\r\n\r\nbody\r\n.\r\n", server.Captured(0));
    const std::vector<std::string> received = server.Received();
    ASSERT_EQ(8u, received.size());
    EXPECT_EQ("PASS s3cret", received[1]);
}

TEST(ScriptedServer, StrayCommandsAreReported)
{
    const struct {
        const char* sent;
        const char* failure; // what Finish must say
    } cases[] = {
        {"EHLO me\r\n", "step 2: expected 'HELO me', got 'EHLO me'"},
        {"HELO me\n", "step 2: 'HELO me' ends in LF without CR"},
        {"HELO me\r\nNOOP\r\n", "step 4: after the script, unexpected 'NOOP'"},
        {"", "step 2: expected 'HELO me', the client closed the connection"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.failure);
        ScriptedServer server;
        server.Reply("220 ready").Expect("HELO me").Reply("250 ok");
        ASSERT_TRUE(server.Start());
        Client client(server.Port());
        EXPECT_EQ("220 ready\r\n", client.ReadLine());
        client.Send(c.sent);
        client.Close();
        EXPECT_EQ(c.failure, server.Finish());
    }

    // A client that says nothing fails the step once its time is up.
    ScriptedServer server;
    server.SetStepTimeout(200);
    server.Expect("HELO me");
    ASSERT_TRUE(server.Start());
    Client client(server.Port());
    EXPECT_EQ("step 1: expected 'HELO me', nothing came within 200 ms", server.Finish());
    EXPECT_EQ("the server was not started", ScriptedServer().Finish());
}

TEST(ScriptedServer, DisconnectMidReplyAndReconnect)
{
    ScriptedServer server;
    server.Send("250-first line\r\n250 sec").Disconnect().Accept().Reply("220 again");
    ASSERT_TRUE(server.Start());
    {
        Client client(server.Port());
        bool closed = false;
        EXPECT_EQ("250-first line\r\n250 sec", client.ReadAll(&closed));
        EXPECT_TRUE(closed);
    }
    Client again(server.Port());
    EXPECT_EQ("220 again\r\n", again.ReadLine());
    EXPECT_EQ("", server.Finish());
}

TEST(ScriptedServer, SilentPeerAnswersNothing)
{
    ScriptedServer server;
    server.Reply("220 ready").Silence();
    ASSERT_TRUE(server.Start());
    Client client(server.Port());
    EXPECT_EQ("220 ready\r\n", client.ReadLine());
    client.Send("NOOP\r\n");
    client.SetReadTimeout(300);
    bool closed = true;
    EXPECT_EQ("", client.ReadAll(&closed));
    EXPECT_FALSE(closed); // still connected, only quiet
    EXPECT_EQ("", server.Finish());
    ASSERT_EQ(1u, server.Received().size());
    EXPECT_EQ("NOOP", server.Received()[0]);
}

} // namespace

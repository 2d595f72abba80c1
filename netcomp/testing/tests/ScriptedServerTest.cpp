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

    // n bytes, or what came before the peer closed or went quiet.
    std::string Read(std::size_t n)
    {
        std::string bytes;
        char c;
        while (bytes.size() < n && recv(m_socket, &c, 1, 0) == 1)
            bytes += c;
        return bytes;
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

// A datagram client on a port of its own; Receive tells whence the answer came.
class DatagramClient {
public:
    DatagramClient()
    {
        m_socket = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
        DWORD timeout = 2000;
        setsockopt(m_socket, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
    }
    ~DatagramClient() { closesocket(m_socket); }

    void SendTo(unsigned short port, const std::string& bytes)
    {
        sockaddr_in to = {};
        to.sin_family = AF_INET;
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        to.sin_port = htons(port);
        sendto(m_socket, bytes.data(), int(bytes.size()), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
    }
    std::string Receive(unsigned short* fromPort = nullptr)
    {
        char buffer[2048];
        sockaddr_in from = {};
        int length = sizeof from;
        const int n = recvfrom(m_socket, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &length);
        if (fromPort)
            *fromPort = ntohs(from.sin_port);
        return n < 0 ? "(nothing)" : std::string(buffer, std::size_t(n));
    }

private:
    SOCKET m_socket = INVALID_SOCKET;
};

// A request id in the first two bytes, as DNS and SNMP-like PDUs carry one.
std::string EchoId(const std::string& request)
{
    return request.substr(0, 2) + std::string("\x81\x80", 2);
}

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

// Connections have no step time: a client that comes, or comes back, later
// than a command may take is still taken (a component notices a dropped
// connection only within its own time-out); one that never comes fails the
// script once Finish's time has run out.
TEST(ScriptedServer, LateConnectionsAreTakenMissingOnesFailAtFinish)
{
    ScriptedServer server;
    server.SetStepTimeout(100);
    server.Reply("220 first").Disconnect().Accept().Reply("220 again");
    ASSERT_TRUE(server.Start());
    HANDLE never = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    WaitForSingleObject(never, 300); // past the step time before the first connection
    {
        Client client(server.Port());
        EXPECT_EQ("220 first\r\n", client.ReadLine());
    }
    WaitForSingleObject(never, 300); // and before the reconnect
    CloseHandle(never);
    Client again(server.Port());
    EXPECT_EQ("220 again\r\n", again.ReadLine());
    EXPECT_EQ("", server.Finish());

    ScriptedServer nobody;
    nobody.Reply("220 ready");
    ASSERT_TRUE(nobody.Start());
    EXPECT_EQ("step 1: no client connected before the server stopped", nobody.Finish(100));
}

// A client that takes none of a long reply cannot hold the server: Finish
// stops it in the middle of its send.
TEST(ScriptedServer, SendToAClientThatReadsNothingEndsAtFinish)
{
    ScriptedServer server;
    server.Send(std::string(64 << 20, 'x'));
    ASSERT_TRUE(server.Start());
    Client client(server.Port());
    const std::string failure = server.Finish(200);
    EXPECT_EQ(0u, failure.find("step 1: could not send")) << failure.substr(0, 80);
}

// Trickled bytes come as many times as written; a client that closes in
// the middle ends the trickle, and the script goes on.
TEST(ScriptedServer, TrickleEndsAtItsCountOrWhenTheClientCloses)
{
    ScriptedServer server;
    server.Trickle("ab", 10, 3).Disconnect().Accept().Trickle("tick", 50, 1000).Accept().Reply("220 again");
    ASSERT_TRUE(server.Start());
    {
        Client client(server.Port());
        bool closed = false;
        EXPECT_EQ("ababab", client.ReadAll(&closed));
        EXPECT_TRUE(closed);
    }
    {
        Client client(server.Port());
        EXPECT_EQ("ticktick", client.Read(8));
    }
    Client again(server.Port());
    EXPECT_EQ("220 again\r\n", again.ReadLine());
    EXPECT_EQ("", server.Finish());
}

// A quiet step passes when nothing comes and the connection stays, and
// fails on the first byte or on the close.
TEST(ScriptedServer, QuietStepsTakeNoBytesAndNoClose)
{
    {
        ScriptedServer server;
        server.ExpectQuiet(200).Reply("now").Expect("GO");
        ASSERT_TRUE(server.Start());
        Client client(server.Port());
        EXPECT_EQ("now\r\n", client.ReadLine());
        client.Send("GO\r\n");
        EXPECT_EQ("", server.Finish());
    }
    const struct {
        const char* sent; // null: the client closes
        const char* failure;
    } cases[] = {
        {"early", "step 1: expected nothing for 1000 ms, got 'early'"},
        {nullptr, "step 1: expected nothing for 1000 ms, the client closed the connection"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.failure);
        ScriptedServer server;
        server.ExpectQuiet(1000).Reply("now");
        ASSERT_TRUE(server.Start());
        Client client(server.Port());
        if (c.sent)
            client.Send(c.sent);
        else
            client.Close();
        EXPECT_EQ(c.failure, server.Finish());
    }
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

// A datagram peer: the first try is lost, the second answered; answers go
// to the client's port, from the channel that plays them.
TEST(ScriptedServer, DatagramsDroppedAndAnswered)
{
    ScriptedServer server(ScriptTransport::Udp);
    const int transfer = server.AddChannel(ScriptTransport::Udp);
    ASSERT_EQ(1, transfer);
    const std::string query("\x12\x34\x01\x00", 4);
    server.ExpectBytes(query).ExpectBytes(query).SendWith(EchoId).On(transfer).Expect("ACK 1").Send("DATA 2");
    ASSERT_TRUE(server.Start());
    DatagramClient client;
    client.SendTo(server.Port(), query);
    client.SendTo(server.Port(), query);
    unsigned short from = 0;
    EXPECT_EQ(std::string("\x12\x34\x81\x80", 4), client.Receive(&from));
    EXPECT_EQ(server.Port(), from);
    client.SendTo(server.Port(transfer), "ACK 1");
    EXPECT_EQ("DATA 2", client.Receive(&from));
    EXPECT_EQ(server.Port(transfer), from);
    EXPECT_EQ("", server.Finish());
    EXPECT_EQ(3u, server.Received().size());

    // What the script does not expect is reported, in hex when it is binary.
    ScriptedServer strict(ScriptTransport::Udp);
    strict.Expect("TIME?");
    ASSERT_TRUE(strict.Start());
    DatagramClient other;
    other.SendTo(strict.Port(), "TIME?");
    other.SendTo(strict.Port(), std::string("\x01\xff", 2));
    EXPECT_EQ("step 2: after the script, unexpected <01 ff>", strict.Finish());

    ScriptedServer answersFirst(ScriptTransport::Udp);
    answersFirst.Send("too early");
    ASSERT_TRUE(answersFirst.Start());
    EXPECT_EQ("step 1: no datagram came yet to answer", answersFirst.Finish());
}

// Binary PDUs over TCP: exact bytes, a count judged by the test's own check,
// and a reply built from the request.
TEST(ScriptedServer, BinaryExpectations)
{
    const std::string bind("\x00\x00\x00\x10\x00\x00\x00\x02", 8);
    ScriptedServer server;
    server.ExpectBytes(bind)
        .ExpectBytes(4,
                     [](const std::string& pdu) {
                         return pdu[0] == '\x07' ? std::string() : std::string("no sequence number 7");
                     })
        .SendWith(EchoId)
        .ExpectBytes(std::string("\x00\x01", 2));
    ASSERT_TRUE(server.Start());
    Client client(server.Port());
    client.Send(bind + std::string("\x07\x00\x00\x00", 4));
    bool closed = false;
    client.SetReadTimeout(300);
    EXPECT_EQ(std::string("\x07\x00\x81\x80", 4), client.ReadAll(&closed));
    client.Send(std::string("\x00\x02", 2));
    EXPECT_EQ("step 4: expected <00 01>, got <00 02>", server.Finish());

    ScriptedServer checked;
    checked.ExpectBytes(2, [](const std::string&) { return std::string("wrong kind"); });
    ASSERT_TRUE(checked.Start());
    Client other(checked.Port());
    other.Send("AB");
    EXPECT_EQ("step 1: wrong kind in 'AB'", checked.Finish());
}

// A control connection with a data connection that the client opens, and an
// error channel that the server opens to a port the client names (as rsh
// does), all at once.
TEST(ScriptedServer, SeveralConnectionsAtOnce)
{
    ScriptedServer server;
    const int data = server.AddChannel(ScriptTransport::Tcp);
    const int errors = server.AddChannel(ScriptTransport::Tcp);
    ASSERT_TRUE(data > 0 && errors > data);
    SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof address;
    ASSERT_EQ(0, bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address));
    ASSERT_EQ(0, listen(listener, 1));
    ASSERT_EQ(0, getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length));
    const std::string errorPort = std::to_string(ntohs(address.sin_port));

    server.Expect("ERRORS " + errorPort)
        .On(errors)
        .ConnectBack([](const std::string& line) { return static_cast<unsigned short>(std::stoi(line.substr(7))); })
        .Send("warning\n")
        .On(0)
        .Reply("227 " + std::to_string(server.Port(data)))
        .On(data)
        .Accept()
        .Send("the file")
        .Disconnect()
        .On(0)
        .Reply("226 done")
        .Expect("QUIT")
        .On(errors)
        .Disconnect();
    ASSERT_TRUE(server.Start());
    Client control(server.Port());
    control.Send("ERRORS " + errorPort + "\r\n");
    fd_set ready;
    FD_ZERO(&ready);
    FD_SET(listener, &ready);
    timeval wait = {5, 0};
    ASSERT_EQ(1, select(0, &ready, nullptr, nullptr, &wait)) << server.Finish();
    SOCKET errorChannel = accept(listener, nullptr, nullptr);
    ASSERT_NE(INVALID_SOCKET, errorChannel);
    EXPECT_EQ("227 " + std::to_string(server.Port(data)) + "\r\n", control.ReadLine());
    Client transfer(server.Port(data));
    bool closed = false;
    EXPECT_EQ("the file", transfer.ReadAll(&closed));
    EXPECT_TRUE(closed);
    EXPECT_EQ("226 done\r\n", control.ReadLine());
    control.Send("QUIT\r\n");
    char buffer[64];
    const int n = recv(errorChannel, buffer, sizeof buffer, 0);
    EXPECT_EQ("warning\n", std::string(buffer, std::size_t(n > 0 ? n : 0)));
    EXPECT_EQ("", server.Finish());
    closesocket(errorChannel);
    closesocket(listener);
}

} // namespace

// Rshell, Rexec and RCP through their exported functions against the
// scripted server playing rshd and rexecd: the request's bytes, the status
// byte and its reason, standard output and the error channel (which takes
// the server's connection only, not a stranger's, and then no other), the
// reserved ports all taken elsewhere, and rcp's dialogue in
// both directions byte for byte: a get reads exactly the announced size,
// zero bytes and all, and acknowledges the end; a put names the file by its
// base name and ends with its status byte.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "netcomp/include/netcomp.h"
#include "netcomp/include/netcomp_rcp.h"
#include "netcomp/include/netcomp_rexec.h"
#include "netcomp/include/netcomp_rshell.h"
#include "netcomp/net/tests/TransferTestSupport.h"
#include "netcomp/testing/ScriptedServer.h"

using namespace transfertest;

namespace {

// The fields of a request, split at its zero bytes.
std::vector<std::string> Fields(const std::string& request)
{
    std::vector<std::string> out;
    std::string field;
    for (char c : request) {
        if (c == '\0') {
            out.push_back(field);
            field.clear();
        } else {
            field += c;
        }
    }
    return out;
}

unsigned short ErrorPortOf(const std::string& request)
{
    return static_cast<unsigned short>(std::atoi(request.c_str()));
}

// Pumps messages until the command's connection has closed (at most 10 s).
void RunToEnd(ComponentHandle& c, int connectedProperty, int doEvents)
{
    const DWORD start = GetTickCount();
    while (c.GetBool(connectedProperty) && GetTickCount() - start < 10000)
        (void)c.Do(doEvents);
    for (int i = 0; i < 20; ++i)
        (void)c.Do(doEvents);
}

// Tries to connect to the port now and then until a connection is refused
// (true), or the milliseconds run out.
bool RefusedWithin(unsigned short port, DWORD milliseconds)
{
    sockaddr_in to = {};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = inet_addr("127.0.0.1");
    to.sin_port = htons(port);
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds) {
        SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        const bool refused = connect(s, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0;
        closesocket(s);
        if (refused)
            return true;
        Sleep(20);
    }
    return false;
}

std::vector<std::string> Texts(const EventRecorder& events, int event)
{
    std::vector<std::string> out;
    for (const RecordedEvent& e : events.Of(event))
        out.push_back(e.texts[0] + (e.values[1] ? "|" : ""));
    return out;
}

class RCommandTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        Rshell_StaticInit(GetModuleHandleA(nullptr));
        Rexec_StaticInit(GetModuleHandleA(nullptr));
        RCP_StaticInit(GetModuleHandleA(nullptr));
    }
};

TEST_F(RCommandTest, RshellRequestOutputAndAnErrorChannelForTheServerOnly)
{
    EventRecorder events;
    events.TextsAt(kRshellEventStdout, {0});
    events.TextsAt(kRshellEventStderr, {0});
    ComponentHandle rsh(RshellFunctions::kApi, EventRecorder::Callback, events.User());
    SOCKET stranger = INVALID_SOCKET;
    unsigned short errorPort = 0;
    bool secondRefused = false;
    std::vector<std::string> request;
    ScriptedServer server;
    const int errors = server.AddChannel(ScriptTransport::Tcp);
    server
        .ExpectBytes(19,
                     [&](const std::string& got) {
                         request = Fields(got);
                         errorPort = ErrorPortOf(got);
                         // A stranger tries the error channel first.
                         stranger = ConnectFromStranger(errorPort);
                         return std::string();
                     })
        .On(errors)
        .ConnectBack(ErrorPortOf)
        .On(0)
        .SendWith([&](const std::string&) {
            // Once the server's connection is taken, the port takes no other.
            secondRefused = RefusedWithin(errorPort, 5000);
            return std::string("\0out one\nout two\n", 17);
        })
        .On(errors)
        .Send("err one\n")
        .Disconnect()
        .On(0)
        .Disconnect();
    ASSERT_TRUE(server.Start());
    ASSERT_EQ(rsh.SetText(kRshellRemoteHost, "127.0.0.1"), 0);
    ASSERT_EQ(rsh.Set(kRshellRemotePort, server.Port()), 0);
    ASSERT_EQ(rsh.SetText(kRshellRemoteUser, "kes"), 0); // the local user too
    ASSERT_EQ(rsh.Do(kRshellExecute, {"id -un"}), 0) << rsh.LastError();
    EXPECT_EQ(rsh.Do(kRshellExecute, {"again"}), 104);
    EXPECT_STREQ(rsh.LastError(), "Busy executing current command.");
    // The command connection comes from a reserved port.
    const int local = rsh.GetInt(kRshellLocalPort);
    EXPECT_TRUE(local >= 525 && local <= 999) << local;
    RunToEnd(rsh, kRshellConnected, kRshellDoEvents);
    EXPECT_EQ(server.Finish(), "");

    ASSERT_EQ(request.size(), 4u);
    EXPECT_TRUE(errorPort >= 515 && errorPort <= 999) << errorPort;
    EXPECT_EQ(request[1], "kes");
    EXPECT_EQ(request[2], "kes");
    EXPECT_EQ(request[3], "id -un");
    EXPECT_EQ(Texts(events, kRshellEventStdout), (std::vector<std::string>{"out one|", "out two|"}));
    EXPECT_EQ(Texts(events, kRshellEventStderr), (std::vector<std::string>{"err one|", std::string(1, '\0') + "|"}));
    EXPECT_EQ(rsh.GetText(kRshellErrorMessage), "");
    EXPECT_EQ(events.Of(kRshellEventDisconnected).size(), 1u);
    ASSERT_NE(stranger, INVALID_SOCKET);
    EXPECT_TRUE(ClosedByPeer(stranger));
    closesocket(stranger);
    EXPECT_TRUE(secondRefused);
}

// A refusal: the status byte 1 and its reason, delivered as output too. With
// no terminator the reason keeps its line feed.
TEST_F(RCommandTest, RexecRefusalKeepsTheReason)
{
    EventRecorder events;
    events.TextsAt(kRexecEventStdout, {0});
    ComponentHandle rexec(RexecFunctions::kApi, EventRecorder::Callback, events.User());
    std::vector<std::string> request;
    ScriptedServer server;
    server
        .ExpectBytes(4 + 6 + 7 + 3,
                     [&](const std::string& got) {
                         request = Fields(got);
                         return std::string();
                     })
        .Send("\x01Permission denied.\n")
        .Disconnect();
    ASSERT_TRUE(server.Start());
    ASSERT_EQ(rexec.SetText(kRexecRemoteHost, "127.0.0.1"), 0);
    ASSERT_EQ(rexec.Set(kRexecRemotePort, server.Port()), 0);
    ASSERT_EQ(rexec.SetText(kRexecRemoteUser, "alice"), 0);
    ASSERT_EQ(rexec.SetText(kRexecRemotePassword, "secret"), 0);
    ASSERT_EQ(rexec.SetBytes(kRexecEOL, ""), 0);
    ASSERT_EQ(rexec.SetText(kRexecCommand, "ls"), 0) << rexec.LastError();
    RunToEnd(rexec, kRexecConnected, kRexecDoEvents);
    EXPECT_EQ(server.Finish(), "");
    ASSERT_EQ(request.size(), 4u);
    EXPECT_EQ(request[1], "alice");
    EXPECT_EQ(request[2], "secret");
    EXPECT_EQ(request[3], "ls");
    EXPECT_EQ(rexec.GetText(kRexecErrorMessage), "Permission denied.\n");
    EXPECT_EQ(Texts(events, kRexecEventStdout), (std::vector<std::string>{"Permission denied.\n"}));
}

// Listeners of the test's own on the wildcard address, as other programs
// would hold ports, from `first` to `last`.
class HeldPorts {
public:
    HeldPorts(int first, int last)
    {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
        for (int port = first; port <= last; ++port) {
            SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
            sockaddr_in at = {};
            at.sin_family = AF_INET;
            at.sin_port = htons(u_short(port));
            if (bind(s, reinterpret_cast<sockaddr*>(&at), sizeof at) == 0 && listen(s, 1) == 0)
                m_held[port] = s;
            else
                closesocket(s);
        }
    }
    ~HeldPorts()
    {
        for (const auto& held : m_held)
            closesocket(held.second);
        WSACleanup();
    }
    HeldPorts(const HeldPorts&) = delete;
    HeldPorts& operator=(const HeldPorts&) = delete;

    size_t Count() const { return m_held.size(); }
    void Release(int port)
    {
        closesocket(m_held.at(port));
        m_held.erase(port);
    }

private:
    std::map<int, SOCKET> m_held;
};

// Reserved ports all taken: without a port for the error channel the
// command fails before it connects; without one for the command connection
// an Error event says so once and the command goes out from any port.
TEST_F(RCommandTest, ReservedPortsTakenElsewhere)
{
    HeldPorts held(515, 999);
    ASSERT_EQ(held.Count(), 485u);
    EventRecorder events;
    events.TextsAt(kRshellEventError, {1});
    events.TextsAt(kRshellEventStdout, {0});
    ComponentHandle rsh(RshellFunctions::kApi, EventRecorder::Callback, events.User());

    SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in at = {};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = inet_addr("127.0.0.1");
    int length = sizeof at;
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&at), sizeof at), 0);
    ASSERT_EQ(listen(listener, 4), 0);
    ASSERT_EQ(getsockname(listener, reinterpret_cast<sockaddr*>(&at), &length), 0);
    ASSERT_EQ(rsh.SetText(kRshellRemoteHost, "127.0.0.1"), 0);
    ASSERT_EQ(rsh.Set(kRshellRemotePort, ntohs(at.sin_port)), 0);
    ASSERT_EQ(rsh.SetText(kRshellRemoteUser, "kes"), 0);
    EXPECT_EQ(rsh.Do(kRshellExecute, {"true"}), WSAEADDRINUSE);
    EXPECT_FALSE(rsh.GetBool(kRshellConnected));
    fd_set pending;
    FD_ZERO(&pending);
    FD_SET(listener, &pending);
    timeval none = {0, 0};
    EXPECT_EQ(select(0, &pending, nullptr, nullptr, &none), 0) << "a connection was made";
    closesocket(listener);
    EXPECT_TRUE(events.Of(kRshellEventError).empty());

    // A second command from inside the first one's Error event is refused
    // and leaves the first alone.
    held.Release(515);
    void* handle = rsh.Handle();
    std::vector<int> nested;
    bool tried = false;
    events.OnEvent(kRshellEventError, [&](const RecordedEvent&) {
        if (!tried) {
            tried = true;
            nested.push_back(Rshell_Set(handle, kRshellCommand, 0, reinterpret_cast<INT_PTR>("nested"), 0));
        }
    });
    std::vector<std::string> request;
    ScriptedServer server;
    server
        .ExpectBytes(4 + 4 + 4 + 5,
                     [&](const std::string& got) {
                         request = Fields(got);
                         return std::string();
                     })
        .Send(std::string("\0done\n", 6))
        .Disconnect();
    ASSERT_TRUE(server.Start());
    ASSERT_EQ(rsh.Set(kRshellRemotePort, server.Port()), 0);
    ASSERT_EQ(rsh.SetText(kRshellCommand, "true"), 0) << rsh.LastError();
    EXPECT_EQ(nested, std::vector<int>{104});
    const int local = rsh.GetInt(kRshellLocalPort);
    EXPECT_TRUE(local < 512 || local > 1023) << local;
    RunToEnd(rsh, kRshellConnected, kRshellDoEvents);
    EXPECT_EQ(server.Finish(), "");
    ASSERT_EQ(request.size(), 4u);
    EXPECT_EQ(request[0], "515");
    EXPECT_EQ(request[3], "true");
    const std::vector<RecordedEvent> errors = events.Of(kRshellEventError);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].values[0], WSAEADDRINUSE);
    EXPECT_EQ(errors[0].texts[1], "Could not connect through secure port. Trying alternate...");
    EXPECT_EQ(Texts(events, kRshellEventStdout), (std::vector<std::string>{"done|"}));
}

class RcpScriptTest : public RCommandTest {
protected:
    RcpScriptTest() : rcp(RCPFunctions::kApi, EventRecorder::Callback, events.User()) {}

    void Server(ScriptedServer& server)
    {
        ASSERT_TRUE(server.Start());
        ASSERT_EQ(rcp.SetText(kRcpRemoteHost, "127.0.0.1"), 0);
        ASSERT_EQ(rcp.Set(kRcpRemotePort, server.Port()), 0);
        ASSERT_EQ(rcp.Set(kRcpTimeout, 10), 0);
        ASSERT_EQ(rcp.SetText(kRcpUser, "kes"), 0);
        ASSERT_EQ(rcp.SetText(kRcpPassword, "pw"), 0);
    }
    std::vector<int> Progress() const
    {
        std::vector<int> out;
        for (const RecordedEvent& e : events.Of(kRcpEventProgress))
            out.push_back(int(e.values[0]));
        return out;
    }

    EventRecorder events;
    ComponentHandle rcp;
    std::vector<std::string> request;
};

// The source's file holds zero bytes and line feeds; exactly its size is
// read, then the status byte, and the end is acknowledged.
TEST_F(RcpScriptTest, GetReadsTheAnnouncedSizeAndAcknowledgesTheEnd)
{
    const std::string file = BinaryBytes(40000);
    const std::string command = "rcp -f 'dir/my file.bin'";
    ScriptedServer server;
    server
        .ExpectBytes(4 + 4 + 3 + command.size() + 1,
                     [&](const std::string& got) {
                         request = Fields(got);
                         return std::string();
                     })
        .Send(std::string(1, '\0')) // rexecd's verdict
        .ExpectBytes(std::string(1, '\0'))
        .Send("C0644 40000 my file.bin\n")
        .ExpectBytes(std::string(1, '\0'))
        .Send(file + std::string(1, '\0'))
        .ExpectBytes(std::string(1, '\0'))
        .Disconnect();
    Server(server);
    ASSERT_EQ(rcp.SetText(kRcpRemoteFile, "dir/my file.bin"), 0);
    ASSERT_EQ(rcp.SetText(kRcpLocalFile, "got.bin"), 0);
    ASSERT_EQ(rcp.Do(kRcpGetFile), 0) << rcp.LastError();
    EXPECT_EQ(server.Finish(), "");
    ASSERT_EQ(request.size(), 4u);
    EXPECT_EQ(request[1], "kes");
    EXPECT_EQ(request[2], "pw");
    EXPECT_EQ(request[3], command);
    EXPECT_TRUE(SameBytes(ReadFile("got.bin"), file));
    const std::vector<int> progress = Progress();
    ASSERT_GE(progress.size(), 2u);
    EXPECT_EQ(progress.front(), 0);
    EXPECT_EQ(progress.back(), 100);
    EXPECT_TRUE(rcp.GetBool(kRcpIdle));
}

// While a get runs, another action or a Set from its Progress event is
// refused with RCP's busy code and leaves the copy alone; an Interrupt from
// there ends it with 301, and the component is idle and usable again.
TEST_F(RcpScriptTest, InsideAGetOnlyInterruptIsTaken)
{
    ScriptedServer server;
    server.ExpectBytes(4 + 4 + 3 + 14 + 1, [](const std::string&) { return std::string(); })
        .Send(std::string(1, '\0'))
        .ExpectBytes(std::string(1, '\0'))
        .Send("C0644 90000 slow.bin\n")
        .ExpectBytes(std::string(1, '\0'))
        .Send(std::string(1000, 'x'))
        .Silence();
    Server(server);
    ASSERT_EQ(rcp.SetText(kRcpRemoteFile, "slow.bin"), 0);
    ASSERT_EQ(rcp.SetText(kRcpLocalFile, "slow.bin"), 0);
    void* handle = rcp.Handle();
    std::vector<int> inside;
    std::string localFile;
    events.OnEvent(kRcpEventProgress, [&](const RecordedEvent& e) {
        if (e.values[0] != 0)
            return;
        inside.push_back(RCP_Do(handle, kRcpGetFile, 0, nullptr, nullptr));
        inside.push_back(RCP_Set(handle, kRcpLocalFile, 0, reinterpret_cast<INT_PTR>("other.bin"), 0));
        localFile = reinterpret_cast<const char*>(RCP_Get(handle, kRcpLocalFile, 0, nullptr));
        inside.push_back(RCP_Do(handle, kRcpInterrupt, 0, nullptr, nullptr));
    });
    EXPECT_EQ(rcp.Do(kRcpGetFile), 301);
    EXPECT_STREQ(rcp.LastError(), "Interrupted.");
    EXPECT_EQ(inside, (std::vector<int>{305, 305, 0}));
    EXPECT_EQ(localFile, "slow.bin");
    EXPECT_TRUE(rcp.GetBool(kRcpIdle));
    EXPECT_EQ(rcp.SetText(kRcpLocalFile, "other.bin"), 0);
    EXPECT_EQ(server.Finish(), "");
}

// The file line names the file by its base name (the path is the
// command's), and the bytes end with this side's status byte.
TEST_F(RcpScriptTest, PutNamesTheBaseNameAndEndsWithItsStatusByte)
{
    WriteFile("put.txt", "0123456789");
    const std::string command = "rcp -t /tmp/dir/x.txt";
    ScriptedServer server;
    server
        .ExpectBytes(4 + 4 + 4 + command.size() + 1,
                     [&](const std::string& got) {
                         request = Fields(got);
                         return std::string();
                     })
        .Send(std::string(2, '\0')) // rshd's verdict, then the sink is ready
        .ExpectBytes("C0644 10 x.txt\n")
        .Send(std::string(1, '\0'))
        .ExpectBytes(std::string("0123456789\0", 11))
        .Send(std::string(1, '\0'))
        .ExpectClose();
    Server(server);
    // Over rsh the user is both user names.
    ASSERT_EQ(rcp.Set(kRcpProtocol, 1), 0);
    EXPECT_EQ(rcp.GetInt(kRcpRemotePort), 514);
    ASSERT_EQ(rcp.Set(kRcpRemotePort, server.Port()), 0);
    ASSERT_EQ(rcp.SetText(kRcpUser, "kes"), 0);
    ASSERT_EQ(rcp.SetText(kRcpFilePermissions, "0644"), 0);
    ASSERT_EQ(rcp.SetText(kRcpRemoteFile, "/tmp/dir/x.txt"), 0);
    ASSERT_EQ(rcp.SetText(kRcpLocalFile, "put.txt"), 0);
    ASSERT_EQ(rcp.Do(kRcpPutFile), 0) << rcp.LastError();
    EXPECT_EQ(server.Finish(), "");
    ASSERT_EQ(request.size(), 4u);
    EXPECT_EQ(request[1], "kes");
    EXPECT_EQ(request[2], "kes");
    EXPECT_EQ(request[3], command);
    EXPECT_EQ(Progress().back(), 100);
}

TEST_F(RcpScriptTest, RefusalsBeforeAndDuringACopy)
{
    EXPECT_EQ(rcp.Do(kRcpGetFile), 306);
    EXPECT_STREQ(rcp.LastError(), "A valid local file is required for this operation.");
    ASSERT_EQ(rcp.SetText(kRcpLocalFile, "x.bin"), 0);
    EXPECT_EQ(rcp.Do(kRcpGetFile), 307);
    EXPECT_STREQ(rcp.LastError(), "A valid remote file is required for this operation.");
    ASSERT_EQ(rcp.SetText(kRcpRemoteFile, "a\nrm -rf /"), 0);
    EXPECT_EQ(rcp.Do(kRcpGetFile), 307);
    ASSERT_EQ(rcp.SetText(kRcpLocalFile, "no such file.bin"), 0);
    ASSERT_EQ(rcp.SetText(kRcpRemoteFile, "x.bin"), 0);
    EXPECT_EQ(rcp.Do(kRcpPutFile), 309);
    ASSERT_EQ(rcp.SetText(kRcpFilePermissions, "0644777"), 0);
    EXPECT_EQ(rcp.GetText(kRcpFilePermissions), "0644");

    // The source refuses: its message is the error.
    ScriptedServer server;
    server.ExpectBytes(4 + 4 + 3 + 12 + 1, [](const std::string&) { return std::string(); })
        .Send(std::string(1, '\0'))
        .ExpectBytes(std::string(1, '\0'))
        .Send("\x01rcp: x.bin: No such file or directory\n")
        .Disconnect();
    Server(server);
    ASSERT_EQ(rcp.SetText(kRcpLocalFile, "x.bin"), 0);
    EXPECT_EQ(rcp.Do(kRcpGetFile), 311);
    EXPECT_STREQ(rcp.LastError(), "rcp: x.bin: No such file or directory");
    EXPECT_EQ(server.Finish(), "");
}

} // namespace

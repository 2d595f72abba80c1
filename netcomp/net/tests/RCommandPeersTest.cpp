// Rshell, Rexec and RCP against netkit's rshd and rexecd on the loopback (a
// test user of their own, in a private mount namespace): commands with
// their standard output and error, standard input, refusals, and rcp copies
// of text and binary files both ways over either protocol, checked against
// the files in the user's home folder.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "netcomp/include/netcomp.h"
#include "netcomp/include/netcomp_rcp.h"
#include "netcomp/include/netcomp_rexec.h"
#include "netcomp/include/netcomp_rshell.h"
#include "netcomp/net/tests/TransferTestSupport.h"

using namespace transfertest;

namespace {

constexpr int kRexecPort = 21612;
constexpr int kRshellPort = 21614;

// The test user's home, as Wine sees it and as the server does (the peer's
// private namespace puts its home folder at /home).
std::string Home(const std::string& name)
{
    return PeerFolder("rshd") + "\\home\\kesuser\\" + name;
}
std::string ServerHome()
{
    return "/home/kesuser";
}

// The records of an output event joined, each with "|" where a line ended.
std::string Joined(const EventRecorder& events, int event)
{
    std::string out;
    for (const RecordedEvent& e : events.Of(event))
        out += e.texts[0] + (e.values[1] ? "|" : "");
    return out;
}

// Pumps messages until the command's connection has closed and the error
// channel has ended (at most 20 s).
void RunToEnd(ComponentHandle& c, const EventRecorder& events, int connected, int stderrEvent, int doEvents)
{
    const DWORD start = GetTickCount();
    const auto ended = [&] {
        const std::vector<RecordedEvent> errors = events.Of(stderrEvent);
        return !errors.empty() && errors.back().lengths[0] == 1 && errors.back().texts[0][0] == '\0';
    };
    while ((c.GetBool(connected) || !ended()) && GetTickCount() - start < 20000)
        (void)c.Do(doEvents);
}

class RCommandPeerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        Rshell_StaticInit(GetModuleHandleA(nullptr));
        Rexec_StaticInit(GetModuleHandleA(nullptr));
        RCP_StaticInit(GetModuleHandleA(nullptr));
    }
};

TEST_F(RCommandPeerTest, RexecdRunsACommandAndRefusesABadPassword)
{
    WriteFile(Home("file.txt"), "hello rexec\n");
    EventRecorder events;
    events.TextsAt(kRexecEventStdout, {0});
    events.TextsAt(kRexecEventStderr, {0});
    ComponentHandle rexec(RexecFunctions::kApi, EventRecorder::Callback, events.User());
    ASSERT_EQ(rexec.SetText(kRexecRemoteHost, "127.0.0.1"), 0);
    ASSERT_EQ(rexec.Set(kRexecRemotePort, kRexecPort), 0);
    ASSERT_EQ(rexec.SetText(kRexecRemoteUser, "kesuser"), 0);
    ASSERT_EQ(rexec.SetText(kRexecRemotePassword, "wonder"), 0);
    ASSERT_EQ(rexec.Do(kRexecExecute, {"id -un; echo to stderr >&2; cat file.txt"}), 0) << rexec.LastError();
    RunToEnd(rexec, events, kRexecConnected, kRexecEventStderr, kRexecDoEvents);
    EXPECT_EQ(Joined(events, kRexecEventStdout), "kesuser|hello rexec|");
    EXPECT_EQ(Joined(events, kRexecEventStderr), std::string("to stderr|") + '\0' + "|");
    EXPECT_EQ(rexec.GetText(kRexecErrorMessage), "");

    // rexecd closes without a word on a wrong password.
    events.Clear();
    ASSERT_EQ(rexec.SetText(kRexecRemotePassword, "wrong"), 0);
    ASSERT_EQ(rexec.Do(kRexecExecute, {"id"}), 0) << rexec.LastError();
    RunToEnd(rexec, events, kRexecConnected, kRexecEventStderr, kRexecDoEvents);
    EXPECT_EQ(Joined(events, kRexecEventStdout), "");
    EXPECT_EQ(events.Of(kRexecEventDisconnected).size(), 1u);
}

TEST_F(RCommandPeerTest, RshdTrustsTheUserFromAReservedPortAndTakesStandardInput)
{
    EventRecorder events;
    events.TextsAt(kRshellEventStdout, {0});
    events.TextsAt(kRshellEventStderr, {0});
    ComponentHandle rsh(RshellFunctions::kApi, EventRecorder::Callback, events.User());
    void* handle = rsh.Handle();
    // Input goes to the command once its first output has come.
    events.OnEvent(kRshellEventStdout, [handle](const RecordedEvent& e) {
        if (e.texts[0] == "ready") {
            const char line[] = "typed line\n";
            Rshell_Set(handle, kRshellStdin, 0, reinterpret_cast<INT_PTR>(line), int(sizeof line - 1));
        }
    });
    ASSERT_EQ(rsh.SetText(kRshellRemoteHost, "127.0.0.1"), 0);
    ASSERT_EQ(rsh.Set(kRshellRemotePort, kRshellPort), 0);
    ASSERT_EQ(rsh.SetText(kRshellRemoteUser, "kesuser"), 0);
    ASSERT_EQ(rsh.Do(kRshellExecute, {"echo ready; head -n 1; pwd; echo oops >&2"}), 0) << rsh.LastError();
    RunToEnd(rsh, events, kRshellConnected, kRshellEventStderr, kRshellDoEvents);
    EXPECT_EQ(Joined(events, kRshellEventStdout), "ready|typed line|" + ServerHome() + "|");
    EXPECT_EQ(Joined(events, kRshellEventStderr), std::string("oops|") + '\0' + "|");
    EXPECT_EQ(rsh.GetInt(kRshellBytesSent), 11);

    // A local user the remote .rhosts does not trust.
    events.Clear();
    ASSERT_EQ(rsh.SetText(kRshellLocalUser, "stranger"), 0);
    ASSERT_EQ(rsh.Do(kRshellExecute, {"id"}), 0) << rsh.LastError();
    RunToEnd(rsh, events, kRshellConnected, kRshellEventStderr, kRshellDoEvents);
    EXPECT_EQ(rsh.GetText(kRshellErrorMessage), "Permission denied.");
}

struct CopyCase {
    int protocol; // 0 rexec, 1 rsh
    const char* name;
};

class RcpPeerTest : public ::testing::TestWithParam<CopyCase> {
protected:
    RcpPeerTest() : rcp(RCPFunctions::kApi, EventRecorder::Callback, events.User()) {}
    static void SetUpTestSuite() { RCP_StaticInit(GetModuleHandleA(nullptr)); }

    void SetUp() override
    {
        ASSERT_EQ(rcp.SetText(kRcpRemoteHost, "127.0.0.1"), 0);
        ASSERT_EQ(rcp.Set(kRcpProtocol, GetParam().protocol), 0);
        ASSERT_EQ(rcp.Set(kRcpRemotePort, GetParam().protocol == 0 ? kRexecPort : kRshellPort), 0);
        ASSERT_EQ(rcp.SetText(kRcpUser, "kesuser"), 0);
        if (GetParam().protocol == 0) {
            ASSERT_EQ(rcp.SetText(kRcpPassword, "wonder"), 0);
        }
        ASSERT_EQ(rcp.Set(kRcpTimeout, 20), 0);
        prefix = GetParam().name;
    }

    EventRecorder events;
    ComponentHandle rcp;
    std::string prefix;
};

TEST_P(RcpPeerTest, GetAndPutTextAndBinaryFiles)
{
    const std::string text = "hello rcp\nsecond line\n";
    const std::string binary = BinaryBytes(1024 * 1024 + 3);
    WriteFile(Home(prefix + "-text.txt"), text);
    WriteFile(Home(prefix + "-data.bin"), binary);

    ASSERT_EQ(rcp.SetText(kRcpRemoteFile, (prefix + "-text.txt").c_str()), 0);
    ASSERT_EQ(rcp.SetText(kRcpLocalFile, "text.txt"), 0);
    ASSERT_EQ(rcp.Do(kRcpGetFile), 0) << rcp.LastError();
    EXPECT_EQ(ReadFile("text.txt"), text);
    ASSERT_EQ(rcp.SetText(kRcpRemoteFile, (prefix + "-data.bin").c_str()), 0);
    ASSERT_EQ(rcp.SetText(kRcpLocalFile, "data.bin"), 0);
    ASSERT_EQ(rcp.Do(kRcpGetFile), 0) << rcp.LastError();
    EXPECT_TRUE(SameBytes(ReadFile("data.bin"), binary));

    // A put to a path with folders and a blank: the base name goes in the file line.
    const std::string remote = ServerHome() + "/" + prefix + " up.bin";
    ASSERT_EQ(rcp.SetText(kRcpRemoteFile, remote.c_str()), 0);
    ASSERT_EQ(rcp.SetText(kRcpLocalFile, "data.bin"), 0);
    ASSERT_EQ(rcp.SetText(kRcpFilePermissions, "0640"), 0);
    ASSERT_EQ(rcp.Do(kRcpPutFile), 0) << rcp.LastError();
    EXPECT_TRUE(SameBytes(ReadFile(Home(prefix + " up.bin")), binary));

    ASSERT_EQ(rcp.SetText(kRcpRemoteFile, "no-such-file"), 0);
    EXPECT_EQ(rcp.Do(kRcpGetFile), 311);
    EXPECT_NE(std::string(rcp.LastError()).find("No such file"), std::string::npos) << rcp.LastError();
    ASSERT_EQ(rcp.SetText(kRcpRemoteFile, "/no/such/folder/x.bin"), 0);
    EXPECT_EQ(rcp.Do(kRcpPutFile), 311);
    EXPECT_NE(std::string(rcp.LastError()).find("No such file"), std::string::npos) << rcp.LastError();
    EXPECT_TRUE(rcp.GetBool(kRcpIdle));
}

INSTANTIATE_TEST_SUITE_P(Protocols, RcpPeerTest, ::testing::Values(CopyCase{0, "rexec"}, CopyCase{1, "rsh"}),
                         [](const ::testing::TestParamInfo<CopyCase>& info) { return std::string(info.param.name); });

} // namespace

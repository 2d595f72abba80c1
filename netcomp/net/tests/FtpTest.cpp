// The FTP component through its exported functions against the scripted
// server: the whole transcript of a session (a multi-line greeting, logon,
// directories, the raw command, SIZE and MDTM), passive and active data
// connections (which take the data from the control connection's peer
// only), listings of both forms, uploads from a restart offset, active
// uploads to a server that connects at PORT (nothing goes before the STOR),
// an abort from inside a transfer, interrupts (one of them of a server that
// goes on sending whatever it is told), a slow transfer, downloads refused
// once their data connection is up (the local file stays as it was), and the
// refusals that send nothing.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "netcomp/include/netcomp.h"
#include "netcomp/include/netcomp_ftp.h"
#include "netcomp/testing/ResetAtConnect.h"
#include "netcomp/net/tests/TransferTestSupport.h"
#include "netcomp/testing/ScriptedServer.h"

using namespace transfertest;

namespace {

// "h1,h2,h3,h4,p1,p2" of a PORT command to its port.
unsigned short PortOfCommand(const std::string& line)
{
    int a, b, c, d, p1, p2;
    if (std::sscanf(line.c_str(), "PORT %d,%d,%d,%d,%d,%d", &a, &b, &c, &d, &p1, &p2) != 6)
        return 0;
    return static_cast<unsigned short>(p1 * 256 + p2);
}

// An active transfer's PORT command, answered; port takes the port that the
// data connection goes back to.
ScriptedServer& ExpectPort(ScriptedServer& server, unsigned short& port)
{
    return server.ExpectPrefix("PORT 127,0,0,1,").SendWith([&port](const std::string& last) {
        port = PortOfCommand(last);
        return std::string("200 port ok\r\n");
    });
}

std::string PassiveReply(const char* host, unsigned short port)
{
    return std::string("227 Entering Passive Mode (") + host + "," + std::to_string(port / 256) + "," +
           std::to_string(port % 256) + ")";
}

// A passive transfer's PASV command, answered with the port of channel on
// host; the data connection is taken there, and the script goes on with the
// control connection.
ScriptedServer& ExpectPassive(ScriptedServer& server, int channel, const char* host = "127,0,0,1")
{
    return server.Expect("PASV").Reply(PassiveReply(host, server.Port(channel))).On(channel).Accept().On(0);
}

// Holds a step of the scripted server until the test opens it.
class Gate {
public:
    Gate() : m_event(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
    ~Gate() { CloseHandle(m_event); }
    Gate(const Gate&) = delete;
    Gate& operator=(const Gate&) = delete;
    void Open() { SetEvent(m_event); }
    void Wait() const { WaitForSingleObject(m_event, INFINITE); }

private:
    HANDLE m_event;
};

// Opens the gate when the test ends, so that a failed test lets its server go.
struct GateOpener {
    Gate& gate;
    ~GateOpener() { gate.Open(); }
};

class FtpTest : public ::testing::Test {
protected:
    FtpTest() : ftp(FTPFunctions::kApi, EventRecorder::Callback, events.User())
    {
        events.TextsAt(kFtpEventPITrail, {1});
        events.TextsAt(kFtpEventError, {1});
        events.TextsAt(kFtpEventDirEntry, {0, 1, 4});
        events.TextsAt(kFtpEventTransfer, {1});
    }
    static void SetUpTestSuite() { FTP_StaticInit(GetModuleHandleA(nullptr)); }

    void Server(ScriptedServer& server)
    {
        ASSERT_TRUE(server.Start());
        ASSERT_EQ(ftp.SetText(kFtpRemoteHost, "127.0.0.1"), 0);
        ASSERT_EQ(ftp.Set(kFtpRemotePort, server.Port()), 0);
        ASSERT_EQ(ftp.Set(kFtpTimeout, 10), 0);
        ASSERT_EQ(ftp.SetText(kFtpUser, "alice"), 0);
        ASSERT_EQ(ftp.SetText(kFtpPassword, "wonder"), 0);
    }
    // The server's side of a logon.
    static ScriptedServer& Greeted(ScriptedServer& server)
    {
        return server.Reply("220 ready")
            .Expect("USER alice")
            .Reply("331 password")
            .Expect("PASS wonder")
            .Reply("230 in");
    }
    // The server's side of a passive RETR of big.bin under way, up to the
    // ABOR with which the client cuts it short.
    static ScriptedServer& DownloadUnderWay(ScriptedServer& server, int data)
    {
        return ExpectPassive(Greeted(server), data)
            .Expect("RETR big.bin")
            .Reply("150 here it comes")
            .On(data)
            .Send(std::string(30000, 'x'))
            .On(0);
    }
    // The same, cut short by the owner's Abort: the urgent Telnet interrupt and ABOR.
    static ScriptedServer& CutShortDownload(ScriptedServer& server, int data)
    {
        return DownloadUnderWay(server, data).ExpectPrefix("\xff\xf4");
    }
    // Starts the server, and sets a passive download of the file.
    void StartDownload(ScriptedServer& server, const char* file)
    {
        Server(server);
        ASSERT_EQ(ftp.Set(kFtpPassive, 1), 0);
        ASSERT_EQ(ftp.SetText(kFtpRemoteFile, file), 0);
    }
    // A download of endless.bin, passive or active, that the server answers
    // with 150 and then a block every 0.2 s for 30 s, ignoring the ABOR that
    // the client's Interrupt sends. The Interrupt ends the call at once; the
    // blocks that go on coming on the given-up data connection are dropped
    // and restart no Timeout, so the next command, which waits for the
    // replies owed, ends within its own: the control connection goes, and the
    // call after it logs on again.
    void AbortIgnoredByAServerThatGoesOnSending(bool passive)
    {
        ScriptedServer server;
        const int data = server.AddChannel(ScriptTransport::Tcp);
        unsigned short port = 0;
        Greeted(server);
        if (passive) {
            ExpectPassive(server, data).Expect("RETR endless.bin");
        } else {
            ExpectPort(server, port)
                .Expect("RETR endless.bin")
                .On(data)
                .ConnectBack([&port](const std::string&) { return port; })
                .On(0);
        }
        server.Reply("150 here it comes")
            .On(data)
            .Trickle(std::string(1000, 'e'), 200, 150)
            .On(0)
            .Expect("ABOR")
            .ExpectClose()
            .Accept();
        Greeted(server).Expect("SIZE endless.bin").Reply("213 1000");
        Server(server);
        ASSERT_EQ(ftp.Set(kFtpPassive, passive ? 1 : 0), 0);
        ASSERT_EQ(ftp.SetText(kFtpRemoteFile, "endless.bin"), 0);
        bool interrupted = false;
        InterruptAtFirstTransfer(&interrupted);
        EXPECT_EQ(ftp.Do(kFtpDownload), 301);
        EXPECT_TRUE(interrupted);
        events.OnEvent(kFtpEventTransfer, {});
        ASSERT_EQ(ftp.Set(kFtpTimeout, 2), 0);
        const DWORD start = GetTickCount();
        EXPECT_EQ(ftp.Get(kFtpFileSize), 301);
        EXPECT_LT(GetTickCount() - start, 10000u) << "the dropped blocks kept the wait for the replies going";
        EXPECT_FALSE(ftp.GetBool(kFtpConnected));
        EXPECT_EQ(ftp.Get(kFtpFileSize), 1000) << ftp.LastError() << TrailText();
        EXPECT_EQ(server.Finish(), "");
    }
    // A RETR that the server refuses leaves a file downloaded earlier under
    // the LocalFile name as it was, and makes none where there was none. The
    // data connection is up before the refusal comes (passive: the client
    // connects at once; active: a server that connects back before it looks
    // for the file), and the server refuses only once the client has fired
    // StartTransfer for it. Then a download of an empty file still empties
    // the local one, and a resumed download adds to the local file; in
    // passive mode its data comes before the 150, which the server holds
    // back until the client has had the first block.
    void RefusedDownloadLeavesTheLocalFile(bool passive)
    {
        Gate gates[3];
        int started = 0;
        events.OnEvent(kFtpEventStartTransfer, [&](const RecordedEvent&) {
            if (started < 2)
                gates[started++].Open();
        });
        events.OnEvent(kFtpEventTransfer, [&](const RecordedEvent&) { gates[2].Open(); });
        auto heldBack = [](Gate& gate, const std::string& line) {
            return [&gate, line](const std::string&) {
                gate.Wait();
                return line + "\r\n";
            };
        };
        ScriptedServer server;
        // Gone before the server, whose thread may wait at a gate.
        GateOpener openers[3] = {{gates[0]}, {gates[1]}, {gates[2]}};
        int data[4];
        for (int& channel : data)
            channel = server.AddChannel(ScriptTransport::Tcp);
        unsigned short port = 0;
        // The data connection for the command (after REST 3 when `restart`),
        // up before the server answers it when `connectFirst`, else (active
        // only) made after the answer.
        auto connection = [&](int channel, const std::string& command, bool connectFirst,
                              bool restart) -> ScriptedServer& {
            if (passive)
                ExpectPassive(server, channel);
            else
                ExpectPort(server, port);
            if (restart)
                server.Expect("REST 3").Reply("350 restarting");
            server.Expect(command);
            if (!passive && connectFirst)
                server.On(channel).ConnectBack([&port](const std::string&) { return port; }).On(0);
            return server;
        };
        auto connectBack = [&](int channel) -> ScriptedServer& {
            if (!passive)
                server.On(channel).ConnectBack([&port](const std::string&) { return port; });
            return server.On(channel);
        };
        Greeted(server);
        // The first refusal holds a line that only looks like a 150.
        for (int i = 0; i < 2; ++i)
            connection(data[i], i == 0 ? "RETR missing.txt" : "RETR never.txt", true, false)
                .SendWith(heldBack(gates[i], i == 0 ? "550-Can't open missing.txt:\r\n"
                                                      "150 lines of a refusal look like this one\r\n"
                                                      "550 No such file or directory"
                                                    : "550 Can't open: No such file or directory"))
                .On(data[i])
                .Disconnect()
                .On(0);
        connection(data[2], "RETR empty.txt", false, false).Reply("150 opening");
        connectBack(data[2]).Disconnect().On(0).Reply("226 done");
        if (passive) {
            connection(data[3], "RETR tail.bin", true, true)
                .On(data[3])
                .Send("defg")
                .On(0)
                .SendWith(heldBack(gates[2], "150 opening"));
        } else {
            connection(data[3], "RETR tail.bin", false, true).Reply("150 opening");
            connectBack(data[3]).Send("defg");
        }
        server.On(data[3]).Disconnect().On(0).Reply("226 done");
        Server(server);
        ASSERT_EQ(ftp.Set(kFtpPassive, passive ? 1 : 0), 0);
        ASSERT_EQ(ftp.Set(kFtpOverwrite, 1), 0);

        WriteFile("earlier.txt", "downloaded earlier");
        ASSERT_EQ(ftp.SetText(kFtpLocalFile, "earlier.txt"), 0);
        ASSERT_EQ(ftp.SetText(kFtpRemoteFile, "missing.txt"), 0);
        EXPECT_EQ(ftp.Do(kFtpDownload), 141);
        EXPECT_STREQ(ftp.LastError(), "550 No such file or directory");
        EXPECT_EQ(events.Of(kFtpEventStartTransfer).size(), 1u);
        EXPECT_EQ(ReadFile("earlier.txt"), "downloaded earlier");
        ASSERT_EQ(ftp.SetText(kFtpLocalFile, "never.txt"), 0);
        ASSERT_EQ(ftp.SetText(kFtpRemoteFile, "never.txt"), 0);
        EXPECT_EQ(ftp.Do(kFtpDownload), 141);
        EXPECT_FALSE(FileExists("never.txt"));
        EXPECT_TRUE(events.Of(kFtpEventError).empty());

        ASSERT_EQ(ftp.SetText(kFtpLocalFile, "earlier.txt"), 0);
        ASSERT_EQ(ftp.SetText(kFtpRemoteFile, "empty.txt"), 0);
        ASSERT_EQ(ftp.Do(kFtpDownload), 0) << ftp.LastError() << TrailText();
        EXPECT_TRUE(FileExists("earlier.txt"));
        EXPECT_EQ(ReadFile("earlier.txt"), "");

        WriteFile("tail.bin", "abc");
        ASSERT_EQ(ftp.SetText(kFtpLocalFile, "tail.bin"), 0);
        ASSERT_EQ(ftp.SetText(kFtpRemoteFile, "tail.bin"), 0);
        ASSERT_EQ(ftp.SetText(kFtpStartByte, "3"), 0);
        ASSERT_EQ(ftp.Do(kFtpDownload), 0) << ftp.LastError() << TrailText();
        EXPECT_EQ(ReadFile("tail.bin"), "abcdefg");
        ASSERT_FALSE(events.Of(kFtpEventTransfer).empty());
        EXPECT_EQ(events.Of(kFtpEventTransfer).back().values[0], 7);
        EXPECT_EQ(events.Of(kFtpEventStartTransfer).size(), 4u);
        EXPECT_EQ(events.Of(kFtpEventEndTransfer).size(), 4u);
        EXPECT_TRUE(events.Of(kFtpEventError).empty());
        EXPECT_EQ(server.Finish(), "");
    }

    // The owner interrupts from inside the first Transfer event.
    void InterruptAtFirstTransfer(bool* interrupted)
    {
        void* handle = ftp.Handle();
        events.OnEvent(kFtpEventTransfer, [handle, interrupted](const RecordedEvent&) {
            if (!*interrupted) {
                *interrupted = true;
                EXPECT_EQ(FTP_Do(handle, kFtpInterrupt, 0, nullptr, nullptr), 0);
            }
        });
    }
    // The whole protocol trail, a line each, for failure messages.
    std::string TrailText() const
    {
        std::string out;
        for (const RecordedEvent& e : events.Of(kFtpEventPITrail))
            out += "\n" + std::to_string(e.values[0]) + " " + e.texts[1];
        return out;
    }
    std::vector<std::string> Trail(int direction) const
    {
        std::vector<std::string> out;
        for (const RecordedEvent& e : events.Of(kFtpEventPITrail))
            if (int(e.values[0]) == direction)
                out.push_back(e.texts[1]);
        return out;
    }

    EventRecorder events;
    ComponentHandle ftp;
};

TEST_F(FtpTest, SessionTranscript)
{
    ScriptedServer server;
    server.Reply("220-Welcome")
        .Reply("220-220 a line that only looks like the end")
        .Reply("   indented text")
        .Reply("220 ready")
        .Expect("USER alice")
        .Reply("331 password")
        .Expect("PASS wonder")
        .Reply("230 in")
        .Expect("ACCT dept")
        .Reply("202 superfluous")
        .Expect("TYPE I")
        .Reply("200 binary")
        .Expect("CWD my dir")
        .Reply("250 ok")
        .Expect("CDUP")
        .Reply("250 ok")
        .Expect("PWD")
        .Reply("257 \"/home/alice\" is current")
        .Expect("MKD new")
        .Reply("257 \"new\" created")
        .Expect("RMD old")
        .Reply("250 removed")
        .Expect("DELE gone.txt")
        .Reply("250 deleted")
        .Expect("RNFR gone.txt")
        .Reply("350 ready")
        .Expect("RNTO kept.txt")
        .Reply("250 renamed")
        .Expect("SITE CHMOD 600 kept.txt")
        .Reply("200-first")
        .Reply("200 done")
        .Expect("SIZE big.iso")
        .Reply("213 5368709120")
        .Expect("SIZE missing")
        .Reply("550 Could not get file size.")
        .Expect("MDTM big.iso")
        .Reply("213 20260101120000")
        .Expect("TYPE A")
        .Reply("200 ascii")
        .Expect("QUIT")
        .Reply("221 bye")
        .ExpectClose();
    Server(server);
    ASSERT_EQ(ftp.SetText(kFtpAccount, "dept"), 0);
    ASSERT_EQ(ftp.Set(kFtpTransferMode, 2), 0); // kept for the logon
    EXPECT_EQ(ftp.GetText(kFtpRemotePath), "");
    ASSERT_EQ(ftp.Do(kFtpLogon), 0) << ftp.LastError();
    EXPECT_TRUE(ftp.GetBool(kFtpConnected));
    ASSERT_EQ(ftp.SetText(kFtpRemotePath, "my dir"), 0) << ftp.LastError();
    ASSERT_EQ(ftp.SetText(kFtpRemotePath, ".."), 0);
    EXPECT_EQ(ftp.GetText(kFtpRemotePath), "/home/alice");
    ASSERT_EQ(ftp.Do(kFtpMakeDirectory, {"new"}), 0);
    ASSERT_EQ(ftp.Do(kFtpRemoveDirectory, {"old"}), 0);
    ASSERT_EQ(ftp.Do(kFtpDeleteFile, {"gone.txt"}), 0);
    EXPECT_EQ(ftp.GetText(kFtpRemoteFile), "gone.txt");
    ASSERT_EQ(ftp.Do(kFtpRenameFile, {"kept.txt"}), 0);
    ASSERT_EQ(ftp.SetText(kFtpCommand, "SITE CHMOD 600 kept.txt"), 0);
    EXPECT_EQ(ftp.GetText(kFtpLastReply), "200 done");
    ASSERT_EQ(ftp.SetText(kFtpRemoteFile, "big.iso"), 0);
    EXPECT_EQ(ftp.Get(kFtpFileSize), INT_PTR(5368709120LL));
    // A refused SIZE is a failure, not a size.
    ASSERT_EQ(ftp.SetText(kFtpRemoteFile, "missing"), 0);
    EXPECT_EQ(ftp.Get(kFtpFileSize), 141);
    EXPECT_EQ(ftp.LastErrorCode(), 141);
    EXPECT_STREQ(ftp.LastError(), "550 Could not get file size.");
    ASSERT_EQ(ftp.SetText(kFtpRemoteFile, "big.iso"), 0);
    EXPECT_EQ(ftp.GetText(kFtpFileTime), "20260101120000");
    ASSERT_EQ(ftp.Set(kFtpTransferMode, 1), 0);
    EXPECT_EQ(ftp.GetInt(kFtpTransferMode), 1);
    ASSERT_EQ(ftp.Do(kFtpLogoff), 0);
    EXPECT_FALSE(ftp.GetBool(kFtpConnected));
    EXPECT_EQ(server.Finish(), "");

    const std::vector<std::string> received = Trail(1);
    ASSERT_GE(received.size(), 4u);
    EXPECT_EQ(received[1], "220-220 a line that only looks like the end");
    EXPECT_EQ(received[3], "220 ready");
    EXPECT_EQ(Trail(0).front(), "USER alice");
    EXPECT_EQ(Trail(2), (std::vector<std::string>{"Connecting to FTP server.", "Connected.", "Disconnected."}));
}

TEST_F(FtpTest, PassiveTransfersGoToTheControlPeerWhateverTheReplyNames)
{
    const std::string file = BinaryBytes(100000);
    ScriptedServer server;
    const int data = server.AddChannel(ScriptTransport::Tcp);
    const int data2 = server.AddChannel(ScriptTransport::Tcp);
    ASSERT_GT(data, 0);
    // The reply names 127.0.0.2, where nothing listens: the data connection
    // must go to the control peer, 127.0.0.1, at the port the reply names.
    ExpectPassive(Greeted(server), data, "127,0,0,2")
        .Expect("RETR pic.bin")
        .Reply("150-opening")
        .Reply("150 data follows")
        .On(data)
        .Send(file)
        .Disconnect()
        .On(0)
        .Reply("226 done");
    ExpectPassive(server, data2, "127,0,0,2")
        .Expect("RETR small.txt")
        .Reply("150 go")
        .On(data2)
        .Send("hello\r\n")
        .Disconnect()
        .On(0)
        .Reply("226 done");
    Server(server);
    ASSERT_EQ(ftp.Set(kFtpPassive, 1), 0);
    ASSERT_EQ(ftp.SetText(kFtpRemoteFile, "pic.bin"), 0);
    ASSERT_EQ(ftp.SetText(kFtpLocalFile, "pic.bin"), 0);
    ASSERT_EQ(ftp.Set(kFtpOverwrite, 1), 0);
    ASSERT_EQ(ftp.Do(kFtpDownload), 0) << ftp.LastError();
    EXPECT_TRUE(SameBytes(ReadFile("pic.bin"), file));
    ASSERT_EQ(events.Of(kFtpEventStartTransfer).size(), 1u);
    ASSERT_EQ(events.Of(kFtpEventEndTransfer).size(), 1u);
    EXPECT_EQ(events.Of(kFtpEventTransfer).back().values[0], INT_PTR(file.size()));

    // Without a local file the bytes come with the Transfer events.
    events.Clear();
    ASSERT_EQ(ftp.SetText(kFtpRemoteFile, "small.txt"), 0);
    ASSERT_EQ(ftp.SetText(kFtpLocalFile, ""), 0);
    ASSERT_EQ(ftp.Do(kFtpDownload), 0) << ftp.LastError();
    std::string got;
    for (const RecordedEvent& e : events.Of(kFtpEventTransfer))
        got += e.texts[1];
    EXPECT_EQ(got, "hello\r\n");
    EXPECT_EQ(server.Finish(), "");
}

TEST_F(FtpTest, ActiveDataConnectionTurnsAStrangerAway)
{
    const std::string file = BinaryBytes(50000);
    SOCKET stranger = INVALID_SOCKET;
    // As the PORT command goes out, a connection from 127.0.0.2 comes first.
    events.OnEvent(kFtpEventPITrail, [&](const RecordedEvent& e) {
        if (e.values[0] == 0 && e.texts[1].rfind("PORT ", 0) == 0 && stranger == INVALID_SOCKET)
            stranger = ConnectFromStranger(PortOfCommand(e.texts[1]));
    });
    ScriptedServer real;
    const int channel = real.AddChannel(ScriptTransport::Tcp);
    unsigned short port = 0;
    ExpectPort(Greeted(real), port)
        .Expect("RETR file.bin")
        .On(channel)
        .ConnectBack([&port](const std::string&) { return port; })
        .On(0)
        .Reply("150 data follows")
        .On(channel)
        .Send(file)
        .Disconnect()
        .On(0)
        .Reply("226 done");
    Server(real);
    ASSERT_EQ(ftp.SetText(kFtpRemoteFile, "file.bin"), 0);
    ASSERT_EQ(ftp.SetText(kFtpLocalFile, "active.bin"), 0);
    ASSERT_EQ(ftp.Set(kFtpOverwrite, 1), 0);
    ASSERT_EQ(ftp.Do(kFtpDownload), 0) << ftp.LastError();
    EXPECT_TRUE(SameBytes(ReadFile("active.bin"), file));
    EXPECT_EQ(real.Finish(), "");
    ASSERT_NE(stranger, INVALID_SOCKET);
    EXPECT_TRUE(ClosedByPeer(stranger));
    closesocket(stranger);
}

// Abort from inside a Transfer event: the server closes the data connection
// and answers the transfer (426) and then the ABOR (226); both are read, so
// the next command gets its own reply. An Abort while idle waits past a 426
// for the ABOR's reply.
TEST_F(FtpTest, AbortInsideATransferLeavesNoReplyBehind)
{
    ScriptedServer server;
    const int data = server.AddChannel(ScriptTransport::Tcp);
    CutShortDownload(server, data)
        .On(data)
        .Disconnect()
        .On(0)
        .Reply("426 transfer aborted")
        .Reply("226 abort successful")
        .Expect("NOOP")
        .Reply("200 fine")
        .ExpectPrefix("\xff\xf4")
        .Reply("426 nothing to abort")
        .Reply("225 no transfer")
        .Expect("NOOP")
        .Reply("200 still fine");
    StartDownload(server, "big.bin");
    void* handle = ftp.Handle();
    int abortResult = -1;
    events.OnEvent(kFtpEventTransfer, [&](const RecordedEvent&) {
        if (abortResult == -1)
            abortResult = FTP_Do(handle, kFtpAbort, 0, nullptr, nullptr);
    });
    EXPECT_EQ(ftp.Do(kFtpDownload), 141);
    EXPECT_STREQ(ftp.LastError(), "426 transfer aborted");
    EXPECT_EQ(abortResult, 0);
    ASSERT_EQ(ftp.SetText(kFtpCommand, "NOOP"), 0) << ftp.LastError();
    EXPECT_EQ(ftp.GetText(kFtpLastReply), "200 fine");
    ASSERT_EQ(ftp.Do(kFtpAbort), 0) << ftp.LastError();
    EXPECT_EQ(ftp.GetText(kFtpLastReply), "225 no transfer");
    ASSERT_EQ(ftp.SetText(kFtpCommand, "NOOP"), 0);
    EXPECT_EQ(ftp.GetText(kFtpLastReply), "200 still fine");
    EXPECT_EQ(server.Finish(), "");
    for (const std::string& line : server.Received()) {
        if (line.rfind("\xff\xf4", 0) == 0) {
            EXPECT_EQ(line.substr(line.size() - 4), "ABOR");
        }
    }
}

// A reply line past the 65536-byte line limit fails the command with 141 and
// "Reply line too long."; the reply is still read to its end (a line inside
// an "NNN-" reply, or a 426 after ABOR, which the ABOR's own reply follows),
// so the connection stays and the next reply is the next command's.
TEST_F(FtpTest, ReplyLinesPastTheLimitKeepTheSessionInStep)
{
    const std::string past(70000, 'n');
    ScriptedServer server;
    Greeted(server)
        .Expect("STAT")
        .Reply("211-status of kes.test")
        .Reply(" " + past)
        .Reply("211 end of status")
        .Expect("NOOP")
        .Reply("200 in step")
        .ExpectPrefix("\xff\xf4")
        .Reply("426 " + past)
        .Reply("225 no transfer")
        .Expect("NOOP")
        .Reply("200 still in step");
    Server(server);
    ASSERT_EQ(ftp.Do(kFtpLogon), 0) << ftp.LastError();
    EXPECT_EQ(ftp.SetText(kFtpCommand, "STAT"), 141);
    EXPECT_STREQ(ftp.LastError(), "Reply line too long.");
    ASSERT_EQ(ftp.SetText(kFtpCommand, "NOOP"), 0) << ftp.LastError();
    EXPECT_EQ(ftp.GetText(kFtpLastReply), "200 in step");
    EXPECT_EQ(ftp.Do(kFtpAbort), 141);
    EXPECT_STREQ(ftp.LastError(), "Reply line too long.");
    ASSERT_EQ(ftp.SetText(kFtpCommand, "NOOP"), 0) << ftp.LastError();
    EXPECT_EQ(ftp.GetText(kFtpLastReply), "200 still in step");
    EXPECT_EQ(server.Finish(), "");
}

TEST_F(FtpTest, UploadFromARestartOffsetAndListingsOfBothForms)
{
    const std::string file = BinaryBytes(70000);
    WriteFile("up.bin", file);
    ScriptedServer server;
    const int up = server.AddChannel(ScriptTransport::Tcp);
    const int list = server.AddChannel(ScriptTransport::Tcp);
    const int names = server.AddChannel(ScriptTransport::Tcp);
    ExpectPassive(Greeted(server), up)
        .Expect("REST 5000")
        .Reply("350 restarting")
        .Expect("APPE up.bin")
        .Reply("150 send it")
        .On(up)
        .ExpectBytes(file.substr(5000))
        .ExpectClose()
        .On(0)
        .Reply("226 stored");
    ExpectPassive(server, list)
        .Expect("LIST")
        .Reply("150 listing")
        .On(list)
        .Send("total 3\r\n"
              "drwxr-xr-x    2 ftp      ftp          4096 Mar 15  2004 my docs\r\n"
              "-rw-r--r--    1 0          0            5368709120 Dec  7 06:40 big.iso\r\n"
              "03-15-04  02:30PM       <DIR>          dos dir\r\n"
              "03-15-04  02:31PM                 1024 notes.txt\r\n")
        .Disconnect()
        .On(0)
        .Reply("226 listed");
    ExpectPassive(server, names)
        .Expect("NLST *.txt")
        .Reply("150 names")
        .On(names)
        .Send("total 12\r\nnotes.txt\r\n")
        .Disconnect()
        .On(0)
        .Reply("226 named");
    Server(server);
    ASSERT_EQ(ftp.Set(kFtpPassive, 1), 0);
    ASSERT_EQ(ftp.SetText(kFtpLocalFile, "up.bin"), 0);
    ASSERT_EQ(ftp.SetText(kFtpRemoteFile, "up.bin"), 0);
    ASSERT_EQ(ftp.SetText(kFtpStartByte, "5000"), 0);
    ASSERT_EQ(ftp.Do(kFtpAppend), 0) << ftp.LastError();
    EXPECT_EQ(events.Of(kFtpEventTransfer).back().values[0], INT_PTR(file.size()));

    ASSERT_EQ(ftp.SetText(kFtpStartByte, ""), 0);
    ASSERT_EQ(ftp.SetText(kFtpRemoteFile, ""), 0);
    ASSERT_EQ(ftp.Do(kFtpListDirectoryLong), 0) << ftp.LastError();
    ASSERT_EQ(ftp.SetText(kFtpRemoteFile, "*.txt"), 0);
    ASSERT_EQ(ftp.Do(kFtpListDirectory), 0) << ftp.LastError();
    EXPECT_EQ(server.Finish(), "");

    const std::vector<RecordedEvent> entries = events.Of(kFtpEventDirEntry);
    ASSERT_EQ(entries.size(), 6u);
    const char* names_[] = {"my docs", "big.iso", "dos dir", "notes.txt", "total 12", "notes.txt"};
    const int dirs[] = {1, 0, 1, 0, 0, 0};
    const INT_PTR sizes[] = {4096, INT_PTR(5368709120LL), 0, 1024, 0, 0};
    const char* times[] = {"Mar 15 2004", "Dec 7 06:40", "03-15-04 02:30PM", "03-15-04 02:31PM", "", ""};
    for (size_t i = 0; i < entries.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(entries[i].texts[1], names_[i]);
        EXPECT_EQ(entries[i].values[2], dirs[i]);
        EXPECT_EQ(entries[i].values[3], sizes[i]);
        EXPECT_EQ(entries[i].texts[4], times[i]);
    }
    EXPECT_EQ(entries[0].texts[0], "drwxr-xr-x    2 ftp      ftp          4096 Mar 15  2004 my docs");
}

// A server that connects back as soon as it has the PORT command, and takes
// for the file only what comes after the STOR: nothing of an upload goes
// before its command, neither of a large file nor of a small one that would
// be sent and closed at once. The server holds its reply to the PORT until
// the client has taken the connection (StartTransfer) and then watches it
// for a while before it answers.
TEST_F(FtpTest, ActiveUploadsWaitForTheirCommandWhenTheServerConnectsAtPort)
{
    const std::string files[2] = {BinaryBytes(5000000), "seventeen bytes.\n"};
    const char* names[2] = {"large.bin", "small.txt"};
    Gate started[2];
    int starts = 0;
    events.OnEvent(kFtpEventStartTransfer, [&](const RecordedEvent&) {
        if (starts < 2)
            started[starts++].Open();
    });
    ScriptedServer server;
    // Gone before the server, whose thread may wait at a gate.
    GateOpener openers[2] = {{started[0]}, {started[1]}};
    unsigned short port = 0;
    Greeted(server);
    for (int i = 0; i < 2; ++i) {
        WriteFile(names[i], files[i]);
        const int data = server.AddChannel(ScriptTransport::Tcp);
        Gate& taken = started[i];
        server.ExpectPrefix("PORT 127,0,0,1,")
            .SendWith([&port](const std::string& last) {
                port = PortOfCommand(last);
                return std::string();
            })
            .On(data)
            .ConnectBack([&port](const std::string&) { return port; })
            .On(0)
            .SendWith([&taken](const std::string&) {
                taken.Wait();
                return std::string();
            })
            .On(data)
            .ExpectQuiet(500)
            .On(0)
            .Reply("200 port ok")
            .Expect(std::string("STOR ") + names[i])
            .Reply("150 send it")
            .On(data)
            .ExpectBytes(files[i])
            .ExpectClose()
            .On(0)
            .Reply("226 stored");
    }
    Server(server);
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(names[i]);
        ASSERT_EQ(ftp.SetText(kFtpLocalFile, names[i]), 0);
        ASSERT_EQ(ftp.SetText(kFtpRemoteFile, names[i]), 0);
        EXPECT_EQ(ftp.Do(kFtpUpload), 0) << ftp.LastError() << TrailText();
        ASSERT_FALSE(events.Of(kFtpEventTransfer).empty());
        EXPECT_EQ(events.Of(kFtpEventTransfer).back().values[0], INT_PTR(files[i].size()));
    }
    // A connection the client never took fails the script rather than holding it.
    for (Gate& gate : started)
        gate.Open();
    EXPECT_EQ(server.Finish(), "");
}

// What the caller gets wrong is refused before anything goes out; what the
// server gets wrong ends the action with its reply.
TEST_F(FtpTest, RefusalsAndOddReplies)
{
    WriteFile("exists.txt", "keep me");
    ScriptedServer server;
    Greeted(server)
        .Expect("PASV")
        .Reply("227 Entering Passive Mode 127,0,0,1,4,1")
        .ExpectPrefix("PORT 127,0,0,1,")
        .Reply("200 ok")
        .Expect("STOU")
        .Reply("what?")
        .Expect("NOOP")
        .Reply("200 ok");
    Server(server);
    ASSERT_EQ(ftp.Do(kFtpLogon), 0) << ftp.LastError();
    EXPECT_EQ(ftp.Do(kFtpUpload), 146);
    EXPECT_STREQ(ftp.LastError(), "Please specify a remote file for upload.");
    ASSERT_EQ(ftp.SetText(kFtpRemoteFile, "r.txt"), 0);
    EXPECT_EQ(ftp.Do(kFtpUpload), 145);
    EXPECT_STREQ(ftp.LastError(), "Please specify a local file for upload.");
    ASSERT_EQ(ftp.SetText(kFtpLocalFile, "no such file.txt"), 0);
    EXPECT_EQ(ftp.Do(kFtpUpload), 145);
    EXPECT_STREQ(ftp.LastError(), "Can't open LocalFile for reading.");
    ASSERT_EQ(ftp.SetText(kFtpLocalFile, "exists.txt"), 0);
    EXPECT_EQ(ftp.Do(kFtpDownload), 147);
    EXPECT_STREQ(ftp.LastError(), "LocalFile already exists and Overwrite is False.");
    EXPECT_EQ(ReadFile("exists.txt"), "keep me");
    EXPECT_EQ(ftp.Do(kFtpDeleteFile, {"a\r\nDELE b"}), 141);
    EXPECT_EQ(ftp.SetText(kFtpCommand, "NOOP\r\nQUIT"), 141);
    ASSERT_EQ(ftp.SetText(kFtpStartByte, "12x"), 0);
    EXPECT_EQ(ftp.Do(kFtpUpload), 10022);
    ASSERT_EQ(ftp.SetText(kFtpStartByte, ""), 0);

    // A passive reply without its parenthesis.
    ASSERT_EQ(ftp.Set(kFtpPassive, 1), 0);
    EXPECT_EQ(ftp.Do(kFtpListDirectory), 141);
    EXPECT_STREQ(ftp.LastError(), "Unexpected server reply.");
    ASSERT_FALSE(events.Of(kFtpEventError).empty());
    EXPECT_EQ(events.Of(kFtpEventError).back().texts[1], "Unexpected server reply.");
    // STOU without a remote file goes alone; a reply without a code is a refusal.
    ASSERT_EQ(ftp.Set(kFtpPassive, 0), 0);
    ASSERT_EQ(ftp.SetText(kFtpRemoteFile, ""), 0);
    EXPECT_EQ(ftp.Do(kFtpStoreUnique), 141);
    ASSERT_EQ(ftp.SetText(kFtpCommand, "NOOP"), 0);
    EXPECT_EQ(server.Finish(), "");
}

// Whether the running action came from a Set (Command) or a method.
TEST_F(FtpTest, NoActionFromInsideAnEventOfARunningOne)
{
    ScriptedServer server;
    Greeted(server).Expect("NOOP").Reply("200 ok").Expect("DELE a").Reply("250 gone");
    Server(server);
    void* handle = ftp.Handle();
    std::vector<int> nested;
    events.OnEvent(kFtpEventPITrail, [&](const RecordedEvent& e) {
        if (e.values[0] != 0 || (e.texts[1] != "NOOP" && e.texts[1] != "DELE a"))
            return;
        nested.push_back(FTP_Do(handle, kFtpListDirectory, 0, nullptr, nullptr));
        nested.push_back(FTP_Set(handle, kFtpRemotePath, 0, reinterpret_cast<INT_PTR>("x"), 0));
        nested.push_back(FTP_Set(handle, kFtpTransferMode, 0, 2, 0));
        nested.push_back(int(FTP_Get(handle, kFtpIdle, 0, nullptr)));
        // A size that cannot be asked for now reads as the busy code.
        nested.push_back(int(FTP_Get(handle, kFtpFileSize, 0, nullptr)));
        nested.push_back(FTP_GetLastErrorCode(handle));
    });
    ASSERT_EQ(ftp.SetText(kFtpCommand, "NOOP"), 0);
    EXPECT_EQ(nested, (std::vector<int>{143, 143, 143, 0, 143, 143}));
    nested.clear();
    ASSERT_EQ(ftp.Do(kFtpDeleteFile, {"a"}), 0) << ftp.LastError();
    EXPECT_EQ(nested, (std::vector<int>{143, 143, 143, 0, 143, 143}));
    EXPECT_TRUE(ftp.GetBool(kFtpIdle));
    EXPECT_EQ(server.Finish(), "");
}

// A server that resets the connection during the logon ends it with the
// reset's code, not as an interruption; one that refuses in its greeting
// and resets at once, before Winsock told the client it was connected, has
// its refusal as the result (141 with the reply). A refused session is not
// left open, whenever the server's close comes: the next logon connects anew.
TEST_F(FtpTest, ALogonThatMeetsAResetEndsWithTheServersWords)
{
    ScriptedServer server;
    server.Reply("220 ready").Expect("USER alice").Reset();
    Server(server);
    const int rc = ftp.Do(kFtpLogon);
    EXPECT_TRUE(rc == WSAECONNRESET || rc == WSAECONNABORTED) << rc;
    EXPECT_FALSE(ftp.GetBool(kFtpConnected));
    EXPECT_EQ(server.Finish(), "");

    ScriptedServer busy;
    busy.Reply("421 too many users").Reset();
    Server(busy);
    {
        ResetAtConnect reset;
        EXPECT_EQ(ftp.Do(kFtpLogon), 141);
        EXPECT_EQ(reset.Posted(), 1);
    }
    EXPECT_STREQ(ftp.LastError(), "421 too many users");
    EXPECT_EQ(ftp.GetText(kFtpLastReply), "421 too many users");
    EXPECT_FALSE(ftp.GetBool(kFtpConnected));
    EXPECT_EQ(busy.Finish(), "");

    ScriptedServer slow;
    slow.Reply("421 try later").ExpectClose().Accept().Reply("421 still busy").Silence();
    Server(slow);
    EXPECT_EQ(ftp.Do(kFtpLogon), 141);
    EXPECT_FALSE(ftp.GetBool(kFtpConnected));
    EXPECT_EQ(ftp.Do(kFtpLogon), 141);
    EXPECT_STREQ(ftp.LastError(), "421 still busy");
    EXPECT_EQ(slow.Finish(), "");
}

// A server that goes away inside a reply (the close's code), one that falls
// silent and an owner who interrupts (301): each ends the action, leaves the
// component idle, and the next action logs on afresh.
TEST_F(FtpTest, ServerGoneSilentOrInterrupted)
{
    ScriptedServer server;
    const int data = server.AddChannel(ScriptTransport::Tcp);
    Greeted(server).Expect("DELE a").Send("250-deleting\r\n250-still").Disconnect().Accept();
    ExpectPassive(Greeted(server), data)
        .Expect("RETR slow.bin")
        .Reply("150 here")
        .On(data)
        .Send("a little")
        .On(0)
        .Silence();
    Server(server);
    ASSERT_EQ(ftp.Set(kFtpTimeout, 2), 0);
    EXPECT_EQ(ftp.Do(kFtpDeleteFile, {"a"}), WSAECONNRESET);
    EXPECT_FALSE(ftp.GetBool(kFtpConnected));
    EXPECT_TRUE(ftp.GetBool(kFtpIdle));

    ASSERT_EQ(ftp.Set(kFtpPassive, 1), 0);
    ASSERT_EQ(ftp.SetText(kFtpRemoteFile, "slow.bin"), 0);
    bool interrupted = false;
    InterruptAtFirstTransfer(&interrupted);
    EXPECT_EQ(ftp.Do(kFtpDownload), 301);
    EXPECT_TRUE(interrupted);
    EXPECT_TRUE(ftp.GetBool(kFtpIdle));
    EXPECT_TRUE(ftp.GetBool(kFtpConnected));
    // The silent server answers neither the cut-off RETR nor the ABOR that
    // ends it: the next command waits for those replies, and once its
    // time-out has passed, the control connection goes, and says why; the
    // command itself is not sent.
    EXPECT_EQ(ftp.SetText(kFtpCommand, "NOOP"), 301);
    EXPECT_FALSE(ftp.GetBool(kFtpConnected));
    const std::vector<std::string> status = Trail(2);
    EXPECT_NE(std::find(status.begin(), status.end(),
                        "No reply from the server to the stopped command: closing the connection."),
              status.end());
    EXPECT_EQ(server.Finish(), "");
    const std::vector<std::string> received = server.Received();
    EXPECT_EQ(std::find(received.begin(), received.end(), "NOOP"), received.end());
}

TEST_F(FtpTest, PassiveRefusedDownloadLeavesTheLocalFile)
{
    RefusedDownloadLeavesTheLocalFile(true);
}

TEST_F(FtpTest, ActiveRefusedDownloadLeavesTheLocalFile)
{
    RefusedDownloadLeavesTheLocalFile(false);
}

TEST_F(FtpTest, PassiveAbortIgnoredByAServerThatGoesOnSending)
{
    AbortIgnoredByAServerThatGoesOnSending(true);
}

TEST_F(FtpTest, ActiveAbortIgnoredByAServerThatGoesOnSending)
{
    AbortIgnoredByAServerThatGoesOnSending(false);
}

// A transfer under way goes on for as long as its blocks keep coming within
// the Timeout, however long it takes as a whole.
TEST_F(FtpTest, ASlowTransferLastsWhileItsBlocksKeepComing)
{
    ScriptedServer server;
    const int data = server.AddChannel(ScriptTransport::Tcp);
    ExpectPassive(Greeted(server), data)
        .Expect("RETR slow.bin")
        .Reply("150 here it comes")
        .On(data)
        .Trickle(std::string(100, 's'), 500, 10)
        .Disconnect()
        .On(0)
        .Reply("226 done");
    StartDownload(server, "slow.bin");
    ASSERT_EQ(ftp.Set(kFtpTimeout, 2), 0);
    ASSERT_EQ(ftp.Do(kFtpDownload), 0) << ftp.LastError();
    ASSERT_FALSE(events.Of(kFtpEventTransfer).empty());
    EXPECT_EQ(events.Of(kFtpEventTransfer).back().values[0], 1000);
    EXPECT_EQ(server.Finish(), "");
}

// Interrupt from inside a Transfer event: the transfer is ended with ABOR,
// and the server's replies to it (426 for the transfer, 226 for the ABOR)
// are read before the next command goes out, so each later command gets its
// own; the data connection stays open until they have come.
TEST_F(FtpTest, InterruptInsideATransferReadsTheRepliesOwed)
{
    ScriptedServer server;
    const int data = server.AddChannel(ScriptTransport::Tcp);
    DownloadUnderWay(server, data)
        .Expect("ABOR")
        .Reply("426 Transfer aborted")
        .Reply("226 Abort successful")
        .On(data)
        .ExpectClose()
        .On(0)
        .Expect("NOOP")
        .Reply("200 fine")
        .Expect("NOOP")
        .Reply("200 still fine");
    StartDownload(server, "big.bin");
    bool interrupted = false;
    InterruptAtFirstTransfer(&interrupted);
    EXPECT_EQ(ftp.Do(kFtpDownload), 301);
    EXPECT_STREQ(ftp.LastError(), "Interrupted.");
    EXPECT_TRUE(interrupted);
    EXPECT_TRUE(ftp.GetBool(kFtpConnected));
    events.OnEvent(kFtpEventTransfer, {});
    for (const char* reply : {"200 fine", "200 still fine"}) {
        ASSERT_EQ(ftp.SetText(kFtpCommand, "NOOP"), 0) << ftp.LastError();
        EXPECT_EQ(ftp.GetText(kFtpLastReply), reply);
    }
    EXPECT_EQ(server.Finish(), "");
}

// Interrupt ends the call at once, whether or not the server has answered
// the ABOR: here it answers only once the call has returned (the gates), and
// the next command reads those replies before it goes out. Interrupted while
// it reads them, that command is not sent, and the reply still owed is read
// by the one after it.
TEST_F(FtpTest, InterruptDoesNotWaitForTheServer)
{
    Gate transferReply;
    Gate abortReply;
    ScriptedServer server;
    GateOpener opener1{transferReply};
    GateOpener opener2{abortReply};
    const int data = server.AddChannel(ScriptTransport::Tcp);
    DownloadUnderWay(server, data)
        .Expect("ABOR")
        .SendWith([&transferReply](const std::string&) {
            transferReply.Wait();
            return std::string("426 Transfer aborted\r\n");
        })
        .SendWith([&abortReply](const std::string&) {
            abortReply.Wait();
            return std::string("226 Abort successful\r\n");
        })
        .Expect("NOOP")
        .Reply("200 fine");
    StartDownload(server, "big.bin");
    ASSERT_EQ(ftp.Set(kFtpTimeout, 5), 0);
    bool interrupted = false;
    InterruptAtFirstTransfer(&interrupted);
    EXPECT_EQ(ftp.Do(kFtpDownload), 301);
    EXPECT_TRUE(interrupted);
    EXPECT_STREQ(ftp.LastError(), "Interrupted.");
    EXPECT_TRUE(ftp.GetBool(kFtpConnected)) << "the call waited for the server";
    events.OnEvent(kFtpEventTransfer, {});

    void* handle = ftp.Handle();
    events.OnEvent(kFtpEventPITrail, [handle](const RecordedEvent& e) {
        if (e.values[0] == 1 && e.texts[1] == "426 Transfer aborted") {
            EXPECT_EQ(FTP_Do(handle, kFtpInterrupt, 0, nullptr, nullptr), 0);
        }
    });
    transferReply.Open();
    EXPECT_EQ(ftp.SetText(kFtpCommand, "NOOP"), 301);
    EXPECT_TRUE(ftp.GetBool(kFtpConnected));
    events.OnEvent(kFtpEventPITrail, {});
    abortReply.Open();
    ASSERT_EQ(ftp.SetText(kFtpCommand, "NOOP"), 0) << ftp.LastError() << TrailText();
    EXPECT_EQ(ftp.GetText(kFtpLastReply), "200 fine");
    EXPECT_EQ(server.Finish(), "");
    const std::vector<std::string> sent = Trail(0);
    EXPECT_EQ(std::count(sent.begin(), sent.end(), "NOOP"), 1);
}

// A local file that cannot be opened ends the download with ABOR, sent as a
// plain command: some servers lose the command that follows an urgent
// interrupt which reached them before the transfer began.
TEST_F(FtpTest, ALocalFileErrorEndsTheTransferWithAPlainAbort)
{
    WriteFile("plain", "a file where a folder should be");
    ScriptedServer server;
    const int data = server.AddChannel(ScriptTransport::Tcp);
    DownloadUnderWay(server, data)
        .Expect("ABOR")
        .Reply("426 Transfer aborted")
        .Reply("226 Abort successful")
        .Expect("NOOP")
        .Reply("200 fine");
    StartDownload(server, "big.bin");
    ASSERT_EQ(ftp.SetText(kFtpLocalFile, "plain\\big.bin"), 0);
    ASSERT_EQ(ftp.Set(kFtpOverwrite, 1), 0);
    EXPECT_EQ(ftp.Do(kFtpDownload), 4);
    EXPECT_STREQ(ftp.LastError(), "Error opening local file.");
    ASSERT_EQ(ftp.SetText(kFtpCommand, "NOOP"), 0) << ftp.LastError();
    EXPECT_EQ(ftp.GetText(kFtpLastReply), "200 fine");
    EXPECT_EQ(server.Finish(), "");
}

} // namespace

// The FTP component against real servers on the loopback, in passive and in
// active mode: pure-ftpd with a virtual user, vsftpd with a local user (and
// a banner of three lines) and pyftpdlib, which in active mode connects as
// soon as it has the PORT command. Listings, downloads and uploads of text
// and binary files compared with the server's copies, uploads of a large and
// a small file in turn, append, restart in both directions, rename, delete,
// folders, SIZE and MDTM, a refused download that leaves the local file
// alone, and an abort or an interrupt in the middle of a download after
// which the session goes on.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "netcomp/include/netcomp.h"
#include "netcomp/include/netcomp_ftp.h"
#include "netcomp/net/tests/TransferTestSupport.h"

using namespace transfertest;

namespace {

struct Peer {
    const char* name; // its state folder
    int port;
    const char* user;
    bool passive;
};

const Peer kPeers[] = {
    {"ftp_pure", 21021, "alice", true},      {"ftp_pure", 21021, "alice", false},
    {"ftp_vsftpd", 21022, "kesuser", true},  {"ftp_vsftpd", 21022, "kesuser", false},
    {"ftp_pyftpdlib", 21023, "alice", true}, {"ftp_pyftpdlib", 21023, "alice", false},
};

class FtpPeerTest : public ::testing::TestWithParam<Peer> {
protected:
    FtpPeerTest() : ftp(FTPFunctions::kApi, EventRecorder::Callback, events.User())
    {
        events.TextsAt(kFtpEventPITrail, {1});
        events.TextsAt(kFtpEventDirEntry, {0, 1, 4});
    }
    static void SetUpTestSuite() { FTP_StaticInit(GetModuleHandleA(nullptr)); }

    void SetUp() override
    {
        const Peer& p = GetParam();
        ASSERT_EQ(ftp.SetText(kFtpRemoteHost, "127.0.0.1"), 0);
        ASSERT_EQ(ftp.Set(kFtpRemotePort, p.port), 0);
        ASSERT_EQ(ftp.Set(kFtpTimeout, 20), 0);
        ASSERT_EQ(ftp.SetText(kFtpUser, p.user), 0);
        ASSERT_EQ(ftp.SetText(kFtpPassword, "wonder"), 0);
        ASSERT_EQ(ftp.Set(kFtpPassive, p.passive ? 1 : 0), 0);
        ASSERT_EQ(ftp.Set(kFtpTransferMode, 2), 0);
        ASSERT_EQ(ftp.Set(kFtpOverwrite, 1), 0);
        prefix = std::string(p.passive ? "pasv-" : "port-");
    }
    void TearDown() override { (void)ftp.Do(kFtpLogoff); }

    // The protocol trail so far, a line each, for failure messages.
    std::string Trail() const
    {
        std::string out;
        for (const RecordedEvent& e : events.Of(kFtpEventPITrail))
            out += std::to_string(e.values[0]) + " " + e.texts[1] + "\n";
        return out;
    }
    // A file in the user's home folder (home/<user> in the server's state folder).
    std::string Home(const std::string& name) const
    {
        return PeerFolder(GetParam().name) + "\\home\\" + GetParam().user + "\\" + name;
    }
    [[nodiscard]] int Get(const std::string& remote, const std::string& local)
    {
        if (ftp.SetText(kFtpRemoteFile, remote.c_str()) != 0 || ftp.SetText(kFtpLocalFile, local.c_str()) != 0)
            return -1;
        return ftp.Do(kFtpDownload);
    }
    // Interrupts the running transfer from its first Transfer event past
    // 1 MB (`interrupted` tells whether it came), until a test takes the
    // handler away.
    void InterruptPastAMegabyte()
    {
        events.OnEvent(kFtpEventTransfer, [this](const RecordedEvent& e) {
            if (!interrupted && e.values[0] > 1000000) {
                interrupted = true;
                EXPECT_EQ(FTP_Do(ftp.Handle(), kFtpInterrupt, 0, nullptr, nullptr), 0);
            }
        });
    }
    [[nodiscard]] int Put(const std::string& local, const std::string& remote, int method = kFtpUpload)
    {
        if (ftp.SetText(kFtpRemoteFile, remote.c_str()) != 0 || ftp.SetText(kFtpLocalFile, local.c_str()) != 0)
            return -1;
        return ftp.Do(method);
    }

    EventRecorder events;
    ComponentHandle ftp;
    std::string prefix;
    bool interrupted = false;
};

TEST_P(FtpPeerTest, ListGetAndPutTextAndBinary)
{
    const std::string text = "hello ftp\r\nsecond line\r\n";
    const std::string binary = BinaryBytes(3 * 1024 * 1024 + 17);
    WriteFile(Home(prefix + "hello.txt"), text);
    WriteFile(Home(prefix + "data.bin"), binary);
    ASSERT_EQ(ftp.Do(kFtpLogon), 0) << ftp.LastError();

    ASSERT_EQ(ftp.SetText(kFtpRemoteFile, ""), 0);
    ASSERT_EQ(ftp.Do(kFtpListDirectoryLong), 0) << ftp.LastError();
    bool seen = false;
    for (const RecordedEvent& e : events.Of(kFtpEventDirEntry)) {
        if (e.texts[1] != prefix + "data.bin")
            continue;
        seen = true;
        EXPECT_EQ(e.values[2], 0);
        EXPECT_EQ(e.values[3], INT_PTR(binary.size()));
        EXPECT_NE(e.texts[4], "");
    }
    EXPECT_TRUE(seen);
    events.Clear();
    ASSERT_EQ(ftp.Do(kFtpListDirectory), 0) << ftp.LastError();
    std::vector<std::string> names;
    for (const RecordedEvent& e : events.Of(kFtpEventDirEntry))
        names.push_back(e.texts[1]);
    EXPECT_NE(std::find(names.begin(), names.end(), prefix + "hello.txt"), names.end());

    ASSERT_EQ(Get(prefix + "hello.txt", "hello.txt"), 0) << ftp.LastError();
    EXPECT_TRUE(SameBytes(ReadFile("hello.txt"), text));
    ASSERT_EQ(Get(prefix + "data.bin", "data.bin"), 0) << ftp.LastError();
    EXPECT_TRUE(SameBytes(ReadFile("data.bin"), binary));

    WriteFile("up.bin", binary);
    ASSERT_EQ(Put("up.bin", prefix + "up.bin"), 0) << ftp.LastError();
    EXPECT_TRUE(SameBytes(ReadFile(Home(prefix + "up.bin")), binary));
    ASSERT_EQ(ftp.SetText(kFtpRemoteFile, (prefix + "up.bin").c_str()), 0);
    EXPECT_EQ(ftp.Get(kFtpFileSize), INT_PTR(binary.size()));
    EXPECT_EQ(ftp.GetText(kFtpFileTime).size(), 14u);
    ASSERT_EQ(ftp.SetText(kFtpRemoteFile, "no-such-file"), 0);
    EXPECT_EQ(ftp.Get(kFtpFileSize), 141);
    EXPECT_EQ(ftp.LastErrorCode(), 141);
    EXPECT_EQ(std::string(ftp.LastError()).substr(0, 3), "550");
}

// A large and a small file in turn, each compared with the server's copy
// (gone before each upload): nothing of an upload may go before its STOR,
// even to a server that connects at PORT, which would drop it (the large
// file then comes short or empty, the small one never ends). Whether the
// client takes the connection before the PORT reply is the machine's
// affair, so the uploads are many.
TEST_P(FtpPeerTest, UploadsOfALargeAndASmallFileInTurn)
{
    const std::string large = BinaryBytes(5000000);
    const std::string small = "seventeen bytes.\n";
    WriteFile("large.bin", large);
    WriteFile("small.txt", small);
    for (int i = 0; i < 20; ++i) {
        for (const std::string* file : {&large, &small}) {
            const bool isLarge = file == &large;
            const std::string remote = prefix + (isLarge ? "large.bin" : "small.txt");
            SCOPED_TRACE(remote + " " + std::to_string(i));
            DeleteFileA(Home(remote).c_str());
            events.Clear();
            ASSERT_EQ(Put(isLarge ? "large.bin" : "small.txt", remote), 0) << ftp.LastError() << "\n" << Trail();
            EXPECT_TRUE(SameBytes(ReadFile(Home(remote)), *file)) << remote;
            ASSERT_FALSE(events.Of(kFtpEventTransfer).empty());
            EXPECT_EQ(events.Of(kFtpEventTransfer).back().values[0], INT_PTR(file->size()));
        }
    }
}

TEST_P(FtpPeerTest, AppendRestartRenameDeleteAndFolders)
{
    const std::string whole = BinaryBytes(300000);
    WriteFile("first.bin", whole.substr(0, 100000));
    WriteFile("second.bin", whole.substr(100000));
    ASSERT_EQ(Put("first.bin", prefix + "joined.bin"), 0) << ftp.LastError();
    ASSERT_EQ(Put("second.bin", prefix + "joined.bin", kFtpAppend), 0) << ftp.LastError();
    EXPECT_TRUE(SameBytes(ReadFile(Home(prefix + "joined.bin")), whole));

    // A download resumed after its first 120000 bytes.
    WriteFile("resumed.bin", whole.substr(0, 120000));
    ASSERT_EQ(ftp.SetText(kFtpStartByte, "120000"), 0);
    ASSERT_EQ(Get(prefix + "joined.bin", "resumed.bin"), 0) << ftp.LastError();
    EXPECT_TRUE(SameBytes(ReadFile("resumed.bin"), whole));
    // An upload resumed after the server's first 200000 bytes.
    WriteFile("partial.bin", whole.substr(0, 200000));
    ASSERT_EQ(ftp.SetText(kFtpStartByte, ""), 0);
    ASSERT_EQ(Put("partial.bin", prefix + "partial.bin"), 0) << ftp.LastError();
    WriteFile("whole.bin", whole);
    ASSERT_EQ(ftp.SetText(kFtpStartByte, "200000"), 0);
    ASSERT_EQ(Put("whole.bin", prefix + "partial.bin"), 0) << ftp.LastError();
    EXPECT_TRUE(SameBytes(ReadFile(Home(prefix + "partial.bin")), whole));
    ASSERT_EQ(ftp.SetText(kFtpStartByte, ""), 0);

    ASSERT_EQ(ftp.SetText(kFtpRemoteFile, (prefix + "joined.bin").c_str()), 0);
    ASSERT_EQ(ftp.Do(kFtpRenameFile, {(prefix + "renamed.bin").c_str()}), 0) << ftp.LastError();
    EXPECT_FALSE(FileExists(Home(prefix + "joined.bin")));
    EXPECT_TRUE(SameBytes(ReadFile(Home(prefix + "renamed.bin")), whole));
    ASSERT_EQ(ftp.Do(kFtpDeleteFile, {(prefix + "renamed.bin").c_str()}), 0) << ftp.LastError();
    EXPECT_FALSE(FileExists(Home(prefix + "renamed.bin")));
    EXPECT_EQ(ftp.Do(kFtpDeleteFile, {(prefix + "renamed.bin").c_str()}), 141);

    const std::string folder = prefix + "folder";
    ASSERT_EQ(ftp.Do(kFtpMakeDirectory, {folder.c_str()}), 0) << ftp.LastError();
    ASSERT_EQ(ftp.SetText(kFtpRemotePath, folder.c_str()), 0) << ftp.LastError();
    const std::string path = ftp.GetText(kFtpRemotePath);
    EXPECT_EQ(path.substr(path.size() - folder.size()), folder);
    ASSERT_EQ(ftp.SetText(kFtpRemotePath, ".."), 0) << ftp.LastError();
    ASSERT_EQ(ftp.Do(kFtpRemoveDirectory, {folder.c_str()}), 0) << ftp.LastError();
    EXPECT_FALSE(FileExists(Home(folder)));
}

TEST_P(FtpPeerTest, AbortInTheMiddleOfADownload)
{
    WriteFile(Home(prefix + "big.bin"), BinaryBytes(40 * 1024 * 1024));
    WriteFile(Home(prefix + "after.txt"), "after");
    void* handle = ftp.Handle();
    int abortResult = -1;
    events.OnEvent(kFtpEventTransfer, [&](const RecordedEvent& e) {
        if (abortResult == -1 && e.values[0] > 1000000)
            abortResult = FTP_Do(handle, kFtpAbort, 0, nullptr, nullptr);
    });
    const int rc = Get(prefix + "big.bin", "big.bin");
    EXPECT_EQ(abortResult, 0);
    // pure-ftpd and pyftpdlib stop the transfer (426); vsftpd finishes it
    // first (226), and then the whole file is there.
    if (std::string(GetParam().name) != "ftp_vsftpd") {
        EXPECT_EQ(rc, 141);
        EXPECT_EQ(std::string(ftp.LastError()).substr(0, 3), "426");
    } else {
        EXPECT_EQ(rc, 0) << ftp.LastError();
        EXPECT_TRUE(SameBytes(ReadFile("big.bin"), ReadFile(Home(prefix + "big.bin"))));
    }
    events.OnEvent(kFtpEventTransfer, {});
    ASSERT_EQ(Get(prefix + "after.txt", "after.txt"), 0) << ftp.LastError();
    EXPECT_EQ(ReadFile("after.txt"), "after");
}

// Interrupt from inside a Transfer event: the call ends at once, the
// transfer is ended with ABOR, and the server's answers to the RETR and the
// ABOR are read before the next command goes out, so the commands that
// follow get their own replies.
TEST_P(FtpPeerTest, InterruptInTheMiddleOfADownload)
{
    WriteFile(Home(prefix + "cut.bin"), BinaryBytes(40 * 1024 * 1024));
    WriteFile(Home(prefix + "after.txt"), "after");
    InterruptPastAMegabyte();
    EXPECT_EQ(Get(prefix + "cut.bin", "cut.bin"), 301);
    EXPECT_TRUE(interrupted);
    events.OnEvent(kFtpEventTransfer, {});
    EXPECT_TRUE(ftp.GetBool(kFtpConnected));
    ASSERT_EQ(ftp.SetText(kFtpCommand, "NOOP"), 0) << ftp.LastError() << "\n" << Trail();
    EXPECT_EQ(ftp.GetText(kFtpLastReply).substr(0, 4), "200 ") << Trail();
    ASSERT_EQ(Get(prefix + "after.txt", "after.txt"), 0) << ftp.LastError();
    EXPECT_EQ(ReadFile("after.txt"), "after");
}

// Interrupt from inside a Transfer event of an upload: the call ends at once
// and the session goes on in step, as after a download. The upload's data
// connection is cut, so the server, which reads it, answers the STOR and the
// ABOR instead of waiting for more of the file.
TEST_P(FtpPeerTest, InterruptInTheMiddleOfAnUpload)
{
    WriteFile("big.bin", BinaryBytes(40 * 1024 * 1024));
    InterruptPastAMegabyte();
    EXPECT_EQ(Put("big.bin", prefix + "cut-up.bin"), 301);
    EXPECT_TRUE(interrupted);
    events.OnEvent(kFtpEventTransfer, {});
    EXPECT_TRUE(ftp.GetBool(kFtpConnected));
    ASSERT_EQ(ftp.SetText(kFtpCommand, "NOOP"), 0) << ftp.LastError() << "\n" << Trail();
    EXPECT_EQ(ftp.GetText(kFtpLastReply).substr(0, 4), "200 ") << Trail();
    WriteFile("after.txt", "after");
    ASSERT_EQ(Put("after.txt", prefix + "after-up.txt"), 0) << ftp.LastError() << "\n" << Trail();
    EXPECT_EQ(ReadFile(Home(prefix + "after-up.txt")), "after");
}

// A local file that cannot be opened ends the download with its code; the
// server's answers are read, and the session goes on in step. (pure-ftpd
// lost the NOOP when the ABOR came with the urgent Telnet interrupt before
// its transfer had begun: the trail shows what was sent and answered.)
TEST_P(FtpPeerTest, ADownloadWhoseLocalFileCannotBeOpened)
{
    WriteFile(Home(prefix + "cut.bin"), BinaryBytes(40 * 1024 * 1024));
    WriteFile("plain", "a file where a folder should be");
    EXPECT_EQ(Get(prefix + "cut.bin", "plain\\cut.bin"), 4) << Trail();
    EXPECT_STREQ(ftp.LastError(), "Error opening local file.");
    EXPECT_TRUE(ftp.GetBool(kFtpConnected));
    ASSERT_EQ(ftp.SetText(kFtpCommand, "NOOP"), 0) << ftp.LastError() << "\n" << Trail();
    EXPECT_EQ(ftp.GetText(kFtpLastReply).substr(0, 4), "200 ") << Trail();
}

// A RETR of a file the server does not have, onto a LocalFile downloaded
// earlier, with Overwrite on: the refusal is the result, and the earlier
// file stays as it was (in passive mode the data connection is mostly up
// before the refusal comes; which of the two the client takes first is the
// machine's affair, and the scripted test holds that order); none is made
// where there was none. An empty remote file still empties the local one.
TEST_P(FtpPeerTest, ARefusedDownloadLeavesTheLocalFile)
{
    const std::string earlier = prefix + "earlier.txt";
    const std::string never = prefix + "never.txt";
    WriteFile(earlier, "downloaded earlier");
    EXPECT_EQ(Get(prefix + "no-such-file", earlier), 141) << Trail();
    EXPECT_EQ(std::string(ftp.LastError()).substr(0, 3), "550");
    EXPECT_LE(events.Of(kFtpEventStartTransfer).size(), 1u);
    EXPECT_EQ(ReadFile(earlier), "downloaded earlier");
    EXPECT_EQ(Get(prefix + "no-such-file", never), 141);
    EXPECT_FALSE(FileExists(never));
    WriteFile(Home(prefix + "empty.txt"), "");
    ASSERT_EQ(Get(prefix + "empty.txt", earlier), 0) << ftp.LastError();
    EXPECT_TRUE(FileExists(earlier));
    EXPECT_EQ(ReadFile(earlier), "");
}

// Once per server: pure-ftpd answers a refused logon only after a pause.
TEST_P(FtpPeerTest, RefusedLogonAndAMultiLineBanner)
{
    if (!GetParam().passive)
        return;
    ASSERT_EQ(ftp.SetText(kFtpPassword, "wrong"), 0);
    EXPECT_EQ(ftp.Do(kFtpLogon), 141);
    EXPECT_EQ(std::string(ftp.LastError()).substr(0, 3), "530");
    ASSERT_EQ(ftp.SetText(kFtpPassword, "wonder"), 0);
    (void)ftp.Do(kFtpLogoff);
    events.Clear();
    ASSERT_EQ(ftp.Do(kFtpLogon), 0) << ftp.LastError();
    std::vector<std::string> lines;
    for (const RecordedEvent& e : events.Of(kFtpEventPITrail))
        if (e.values[0] == 1)
            lines.push_back(e.texts[1]);
    ASSERT_GE(lines.size(), 3u);
    if (std::string(GetParam().name) == "ftp_vsftpd") {
        EXPECT_EQ(lines[0], "220-Kestrova test server.");
        EXPECT_EQ(lines[2], "220-220 A line that looks like the end.");
        EXPECT_EQ(lines[3], "220 ");
    }
    EXPECT_NE(std::find_if(lines.begin(), lines.end(), [](const std::string& l) { return l.rfind("230", 0) == 0; }),
              lines.end());
}

INSTANTIATE_TEST_SUITE_P(Servers, FtpPeerTest, ::testing::ValuesIn(kPeers),
                         [](const ::testing::TestParamInfo<Peer>& info) {
                             return std::string(info.param.name + 4) + (info.param.passive ? "Passive" : "Active");
                         });

} // namespace

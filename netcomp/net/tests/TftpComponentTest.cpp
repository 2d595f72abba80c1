// TFTP through its exported functions: gets and puts against tftpd-hpa on
// port 21069 (its files under the peer's state folder), and against a
// scripted UDP peer for lost, duplicated and foreign packets and for gets
// that fail over a file downloaded earlier.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "netcomp/include/netcomp.h"
#include "netcomp/include/netcomp_tftp.h"
#include "netcomp/testing/EventRecorder.h"
#include "netcomp/testing/LoopbackSocket.h"
#include "netcomp/testing/ScriptedServer.h"

namespace {

constexpr int kTftpdPort = 21069;

INT_PTR T(const char* text)
{
    return reinterpret_cast<INT_PTR>(text);
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

// A file in the server's folder, as this program reaches it.
std::string ServerFile(const std::string& name)
{
    const char* binary = std::getenv("KES_BINARY_DIR");
    return std::string("Z:") + (binary ? binary : "") + "/peers/tftpd/root/" + name;
}

std::string Pattern(std::size_t n)
{
    std::string bytes(n, '\0');
    for (std::size_t i = 0; i < n; ++i)
        bytes[i] = char((i * 7 + i / 256) & 0xFF);
    return bytes;
}

struct Tftp {
    EventRecorder events;
    void* obj;

    explicit Tftp(int port)
    {
        obj = TFTP_Create(EventRecorder::Callback, events.User(), nullptr);
        events.TextsAt(kTftpEventTransfer, {1});
        events.TextsAt(kTftpEventError, {1});
        EXPECT_EQ(TFTP_Set(obj, kTftpTftpServer, 0, T("127.0.0.1"), 0), 0);
        EXPECT_EQ(TFTP_Set(obj, kTftpTftpPort, 0, port, 0), 0);
        EXPECT_EQ(TFTP_Set(obj, kTftpRetransmitTimeout, 0, 1, 0), 0);
        EXPECT_EQ(TFTP_Set(obj, kTftpTimeout, 0, 10, 0), 0);
    }
    ~Tftp() { TFTP_Destroy(obj); }

    int Transfer(int method, const char* remote, const char* local)
    {
        events.Clear();
        EXPECT_EQ(TFTP_Set(obj, kTftpRemoteFile, 0, T(remote), 0), 0);
        EXPECT_EQ(TFTP_Set(obj, kTftpLocalFile, 0, T(local), 0), 0);
        return TFTP_Do(obj, method, 0, nullptr, nullptr);
    }
    std::string Error() { return TFTP_GetLastError(obj); }
    std::string TransferredData()
    {
        std::string data;
        for (const RecordedEvent& e : events.Of(kTftpEventTransfer))
            data += e.texts[1];
        return data;
    }
};

TEST(TftpAgainstTftpd, GetAndPut)
{
    Tftp tftp(kTftpdPort);
    ASSERT_EQ(tftp.Transfer(kTftpGetFile, "big.bin", "big.bin"), 0) << tftp.Error();
    EXPECT_EQ(ReadFile("big.bin"), Pattern(100000));
    EXPECT_EQ(tftp.events.Of(kTftpEventStartTransfer).size(), 1u);
    EXPECT_EQ(tftp.events.Of(kTftpEventEndTransfer).size(), 1u);
    ASSERT_EQ(tftp.events.Of(kTftpEventTransfer).size(), 196u);
    EXPECT_EQ(tftp.events.Of(kTftpEventTransfer).back().values[0], 100000);
    EXPECT_TRUE(TFTP_Get(tftp.obj, kTftpIdle, 0, nullptr));

    // Without a local file the data comes only through the events.
    ASSERT_EQ(tftp.Transfer(kTftpGetFile, "small.txt", ""), 0) << tftp.Error();
    EXPECT_EQ(tftp.TransferredData(), "hello from tftpd\n");

    // Whole blocks end with an empty one; an empty file is one empty block.
    WriteFile("up1024.bin", Pattern(1024));
    ASSERT_EQ(tftp.Transfer(kTftpPutFile, "up1024.bin", "up1024.bin"), 0) << tftp.Error();
    EXPECT_EQ(ReadFile(ServerFile("up1024.bin")), Pattern(1024));
    ASSERT_EQ(tftp.events.Of(kTftpEventTransfer).size(), 3u);
    EXPECT_EQ(tftp.events.Of(kTftpEventTransfer)[2].values[0], 1024);
    WriteFile("empty.bin", "");
    ASSERT_EQ(tftp.Transfer(kTftpPutFile, "empty.bin", "empty.bin"), 0) << tftp.Error();
    EXPECT_EQ(ReadFile(ServerFile("empty.bin")), "");
    WriteFile("up.bin", Pattern(70000));
    ASSERT_EQ(tftp.Transfer(kTftpPutFile, "up.bin", "up.bin"), 0) << tftp.Error();
    EXPECT_EQ(ReadFile(ServerFile("up.bin")), Pattern(70000));

    // A refused get leaves a file downloaded earlier under that name alone.
    WriteFile("missing.txt", "an earlier download\n");
    EXPECT_EQ(tftp.Transfer(kTftpGetFile, "missing.txt", "missing.txt"), 124);
    EXPECT_EQ(tftp.Error(), "Server error: [1] File not found.");
    EXPECT_EQ(ReadFile("missing.txt"), "an earlier download\n");
    EXPECT_EQ(tftp.Transfer(kTftpPutFile, "x", ""), 126);
    EXPECT_EQ(tftp.Error(), "A valid LocalFile must be provided for PUT operations.");
    EXPECT_EQ(tftp.Transfer(kTftpPutFile, "x", "no-such-file.bin"), 127);
    EXPECT_EQ(tftp.Transfer(kTftpGetFile, "small.txt", "no-such-folder\\a.txt"), 127);
    EXPECT_EQ(TFTP_Set(tftp.obj, kTftpIdle, 0, 0, 0), -1);
}

std::string Block(unsigned n, const std::string& data)
{
    return std::string{0, 3, char(n >> 8), char(n & 0xFF)} + data;
}

std::string Ack(unsigned n)
{
    return {0, 4, char(n >> 8), char(n & 0xFF)};
}

const std::string kReadRequest("\0\1x.bin\0octet\0", 14);
const std::string kWriteRequest("\0\2x.bin\0octet\0", 14);

// A data block that comes twice is written once and acknowledged again;
// datagrams from a port other than the transfer port are ignored.
TEST(TftpScripted, GetWithDuplicatedBlockAndForeignPort)
{
    ScriptedServer server(ScriptTransport::Udp);
    const int transfer = server.AddChannel(ScriptTransport::Udp);
    const int foreign = server.AddChannel(ScriptTransport::Udp);
    const std::string first(512, 'a');
    server.ExpectBytes(kReadRequest)
        .On(transfer)
        .Send(Block(1, first))
        .ExpectBytes(Ack(1))
        .On(foreign)
        .Send(Block(2, "forged"))
        .On(transfer)
        .Send(Block(1, first))
        .ExpectBytes(Ack(1))
        .Send(Block(2, "end"))
        .ExpectBytes(Ack(2));
    ASSERT_TRUE(server.Start());
    Tftp tftp(server.Port());
    ASSERT_EQ(tftp.Transfer(kTftpGetFile, "x.bin", "x.bin"), 0) << tftp.Error();
    EXPECT_EQ(ReadFile("x.bin"), first + "end");
    EXPECT_EQ(tftp.TransferredData(), first + "end");
    EXPECT_EQ(server.Finish(), "");
}

// A lost acknowledgement makes the block go again after RetransmitTimeout; an
// acknowledgement that comes twice sends nothing.
TEST(TftpScripted, PutWithDelayedAndDuplicatedAcks)
{
    ScriptedServer server(ScriptTransport::Udp);
    const int transfer = server.AddChannel(ScriptTransport::Udp);
    const std::string data = Pattern(600);
    server.ExpectBytes(kWriteRequest)
        .On(transfer)
        .Send(Ack(0))
        .ExpectBytes(Block(1, data.substr(0, 512)))
        .ExpectBytes(Block(1, data.substr(0, 512))) // the first went unanswered
        .Send(Ack(1))
        .ExpectBytes(Block(2, data.substr(512)))
        .Send(Ack(1))
        .Send(Ack(2));
    ASSERT_TRUE(server.Start());
    Tftp tftp(server.Port());
    WriteFile("x.bin", data);
    ASSERT_EQ(tftp.Transfer(kTftpPutFile, "x.bin", "x.bin"), 0) << tftp.Error();
    Sleep(300); // time for a wrong resend to reach the peer
    EXPECT_EQ(server.Finish(), "");
    EXPECT_TRUE(tftp.events.Of(kTftpEventError).empty());
}

TEST(TftpScripted, ErrorPacketsWrongAnswersAndTimeouts)
{
    ScriptedServer server(ScriptTransport::Udp);
    const int transfer = server.AddChannel(ScriptTransport::Udp);
    server.ExpectBytes(kReadRequest)
        .On(transfer)
        .Send(std::string("\0\5\0\2Access violation\0", 21))
        .On(0)
        .ExpectBytes(kReadRequest)
        .Send(Ack(1))
        .ExpectBytes(kWriteRequest)
        .Send(Block(1, "x"))
        .ExpectBytes(kWriteRequest)
        .Send(Ack(0))
        .ExpectBytes(Block(1, "ab"))
        .Send(Block(9, "?")) // not an acknowledgement: reported, and the block goes again
        .ExpectBytes(Block(1, "ab"))
        .Send(Ack(1))
        .ExpectBytes(kReadRequest)
        .ExpectBytes(kReadRequest)
        .Silence();
    ASSERT_TRUE(server.Start());
    Tftp tftp(server.Port());
    EXPECT_EQ(tftp.Transfer(kTftpGetFile, "x.bin", "x.bin"), 124);
    EXPECT_EQ(tftp.Error(), "Server error: [2] Access violation.");
    EXPECT_EQ(tftp.Transfer(kTftpGetFile, "x.bin", ""), 123);
    EXPECT_EQ(tftp.Error(), "Wrong response type from server.");
    WriteFile("x.bin", "ab");
    EXPECT_EQ(tftp.Transfer(kTftpPutFile, "x.bin", "x.bin"), 125);
    EXPECT_EQ(tftp.Error(), "Invalid server response.");
    ASSERT_EQ(tftp.Transfer(kTftpPutFile, "x.bin", "x.bin"), 0) << tftp.Error();
    ASSERT_EQ(tftp.events.Of(kTftpEventError).size(), 1u);
    EXPECT_EQ(tftp.events.Of(kTftpEventError)[0].values[0], 125);
    // One resend, then the time-out.
    ASSERT_EQ(TFTP_Set(tftp.obj, kTftpMaxRetransmissions, 0, 1, 0), 0);
    EXPECT_EQ(tftp.Transfer(kTftpGetFile, "x.bin", ""), 301);
    EXPECT_EQ(tftp.Error(), "Timeout.");
    EXPECT_TRUE(TFTP_Get(tftp.obj, kTftpIdle, 0, nullptr));
    EXPECT_EQ(server.Finish(), "");
}

// From inside an event a second transfer and a change of the files are
// refused as busy; Interrupt closes the socket, and the transfer ends with
// the failure of its next send.
TEST(TftpScripted, InterruptInsideTransferEvent)
{
    ScriptedServer server(ScriptTransport::Udp);
    const int transfer = server.AddChannel(ScriptTransport::Udp);
    server.ExpectBytes(kReadRequest).On(transfer).Send(Block(1, std::string(512, 'z'))).Silence();
    ASSERT_TRUE(server.Start());
    Tftp tftp(server.Port());
    int nested = 0;
    int setFile = 0;
    tftp.events.OnEvent(kTftpEventTransfer, [&](const RecordedEvent&) {
        nested = TFTP_Do(tftp.obj, kTftpPutFile, 0, nullptr, nullptr);
        setFile = TFTP_Set(tftp.obj, kTftpRemoteFile, 0, T("other.bin"), 0);
        TFTP_Do(tftp.obj, kTftpInterrupt, 0, nullptr, nullptr);
    });
    EXPECT_EQ(tftp.Transfer(kTftpGetFile, "x.bin", ""), 109);
    EXPECT_EQ(nested, 130);
    EXPECT_EQ(setFile, 130);
    EXPECT_STREQ(reinterpret_cast<const char*>(TFTP_Get(tftp.obj, kTftpRemoteFile, 0, nullptr)), "x.bin");
    EXPECT_EQ(tftp.Error(), "The control must be Active for this operation.");
    EXPECT_TRUE(TFTP_Get(tftp.obj, kTftpIdle, 0, nullptr));
    EXPECT_TRUE(tftp.events.Of(kTftpEventEndTransfer).empty());
    EXPECT_EQ(server.Finish(), "");
}

// The names in a folder of the test's own.
std::vector<std::string> FilesIn(const std::string& folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do {
        const std::string name = found.cFileName;
        if (name != "." && name != "..")
            names.push_back(name);
    } while (FindNextFileA(find, &found));
    FindClose(find);
    return names;
}

// A get refused at once, one that fails after a block (a server error, the
// resends running out, an Interrupt) and one whose LocalFile cannot be
// written over each leave the file of that name as it was, and nothing else
// beside it; a get that ends well replaces it.
TEST(TftpScripted, AFailedGetLeavesTheEarlierFileAsItWas)
{
    ScriptedServer server(ScriptTransport::Udp);
    const int transfer = server.AddChannel(ScriptTransport::Udp);
    const std::string first(512, 'n');
    const std::string notFound("\0\5\0\1File not found\0", 19);
    const std::string diskFull("\0\5\0\3Disk full\0", 14);
    server.ExpectBytes(kReadRequest)
        .On(transfer)
        .Send(notFound)
        .On(0)
        .ExpectBytes(kReadRequest)
        .On(transfer)
        .Send(Block(1, first))
        .ExpectBytes(Ack(1))
        .Send(diskFull)
        .On(0)
        .ExpectBytes(kReadRequest)
        .On(transfer)
        .Send(Block(1, first))
        .ExpectBytes(Ack(1)) // and then nothing
        .On(0)
        .ExpectBytes(kReadRequest)
        .On(transfer)
        .Send(Block(1, first)) // interrupted here
        .On(0)
        .ExpectBytes(kReadRequest)
        .On(transfer)
        .Send(Block(1, first))
        .ExpectBytes(Ack(1))
        .Send(Block(2, "new"))
        .ExpectBytes(Ack(2));
    ASSERT_TRUE(server.Start());
    Tftp tftp(server.Port());
    ASSERT_EQ(TFTP_Set(tftp.obj, kTftpMaxRetransmissions, 0, 0, 0), 0);
    ASSERT_TRUE(CreateDirectoryA("earlier", nullptr));
    const std::string earlier = "an earlier download\n";
    WriteFile("earlier\\x.bin", earlier);
    const std::vector<std::string> only{"x.bin"};

    // A folder of that name cannot be written over: refused before any request.
    ASSERT_TRUE(CreateDirectoryA("earlier\\folder.bin", nullptr));
    EXPECT_EQ(tftp.Transfer(kTftpGetFile, "x.bin", "earlier\\folder.bin"), 127);
    ASSERT_TRUE(RemoveDirectoryA("earlier\\folder.bin"));

    EXPECT_EQ(tftp.Transfer(kTftpGetFile, "x.bin", "earlier\\x.bin"), 124);
    EXPECT_EQ(tftp.Error(), "Server error: [1] File not found.");
    EXPECT_EQ(ReadFile("earlier\\x.bin"), earlier);
    EXPECT_EQ(FilesIn("earlier"), only);

    EXPECT_EQ(tftp.Transfer(kTftpGetFile, "x.bin", "earlier\\x.bin"), 124);
    EXPECT_EQ(tftp.Error(), "Server error: [3] Disk full.");
    EXPECT_EQ(tftp.events.Of(kTftpEventTransfer).size(), 1u);
    EXPECT_EQ(ReadFile("earlier\\x.bin"), earlier);
    EXPECT_EQ(FilesIn("earlier"), only);

    EXPECT_EQ(tftp.Transfer(kTftpGetFile, "x.bin", "earlier\\x.bin"), 301);
    EXPECT_EQ(tftp.Error(), "Timeout.");
    EXPECT_EQ(ReadFile("earlier\\x.bin"), earlier);
    EXPECT_EQ(FilesIn("earlier"), only);

    tftp.events.OnEvent(kTftpEventTransfer,
                        [&](const RecordedEvent&) { TFTP_Do(tftp.obj, kTftpInterrupt, 0, nullptr, nullptr); });
    EXPECT_NE(tftp.Transfer(kTftpGetFile, "x.bin", "earlier\\x.bin"), 0);
    EXPECT_EQ(ReadFile("earlier\\x.bin"), earlier);
    EXPECT_EQ(FilesIn("earlier"), only);
    tftp.events.OnEvent(kTftpEventTransfer, {});

    ASSERT_EQ(tftp.Transfer(kTftpGetFile, "x.bin", "earlier\\x.bin"), 0) << tftp.Error();
    EXPECT_EQ(ReadFile("earlier\\x.bin"), first + "new");
    EXPECT_EQ(FilesIn("earlier"), only);
    EXPECT_EQ(tftp.events.Of(kTftpEventStartTransfer).size(), 1u);
    EXPECT_EQ(tftp.events.Of(kTftpEventEndTransfer).size(), 1u);
    EXPECT_EQ(server.Finish(), "");
}

// A server on a thread of its own that answers the read request and every
// acknowledgement with the next full block: a file without end. It stops
// answering after 25 s.
class EndlessTftpServer {
public:
    EndlessTftpServer() : m_socket(BindLoopback(SOCK_DGRAM, 0))
    {
        DWORD wait = 200;
        setsockopt(m_socket, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&wait), sizeof wait);
        m_thread = std::thread([this] { Serve(); });
    }
    ~EndlessTftpServer()
    {
        m_stop = true;
        m_thread.join();
        closesocket(m_socket);
        WSACleanup();
    }
    EndlessTftpServer(const EndlessTftpServer&) = delete;
    EndlessTftpServer& operator=(const EndlessTftpServer&) = delete;

    int Port() const { return BoundPort(m_socket); }
    int Blocks() const { return m_blocks; }

private:
    void Serve()
    {
        const DWORD end = GetTickCount() + 25000;
        while (!m_stop && int(GetTickCount() - end) < 0) {
            char packet[600];
            sockaddr_in from{};
            int length = sizeof from;
            const int got = recvfrom(m_socket, packet, sizeof packet, 0, reinterpret_cast<sockaddr*>(&from), &length);
            if (got < 4)
                continue;
            const unsigned acked = packet[1] == 4 ? (unsigned(uint8_t(packet[2])) << 8 | uint8_t(packet[3])) : 0;
            const std::string block = Block((acked + 1) & 0xFFFF, std::string(512, 'e'));
            sendto(m_socket, block.data(), int(block.size()), 0, reinterpret_cast<sockaddr*>(&from), length);
            ++m_blocks;
        }
    }

    SOCKET m_socket;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_blocks{0};
    std::thread m_thread;
};

// With AbsoluteTimeout a transfer ends by its Timeout however many exchanges
// it is made of; without it, every answer would start the Timeout again.
// (The bound on the time taken is only for a transfer that never ends.)
TEST(TftpScripted, AbsoluteTimeoutEndsAnEndlessTransfer)
{
    EndlessTftpServer server;
    Tftp tftp(server.Port());
    ASSERT_EQ(TFTP_Set(tftp.obj, kTftpTimeout, 0, 2, 0), 0);
    INT_PTR args[2] = {T("AbsoluteTimeout=True"), 0};
    int lengths[2] = {};
    ASSERT_EQ(TFTP_Do(tftp.obj, kTftpConfig, 2, args, lengths), 0);
    const DWORD start = GetTickCount();
    EXPECT_EQ(tftp.Transfer(kTftpGetFile, "endless.bin", ""), 301);
    EXPECT_EQ(tftp.Error(), "Timeout.");
    EXPECT_LT(GetTickCount() - start, 20000u);
    EXPECT_GT(server.Blocks(), 10);
}

// A server on a thread of its own that sends a file of 65,537 blocks, so
// that the block numbers wrap: 1 to 65535, then 0, 1 and 2 (short: the
// end). Block 0 goes a second time once acknowledged, as from a server that
// took its first send for lost, and the transfer goes on only once that one
// is acknowledged too, within 300 ms (the client's own resend of its last
// acknowledgement comes only after its RetransmitTimeout). Each other block
// is resent after 500 ms unanswered, three times at most; then the server
// gives up.
class WrappingTftpServer {
public:
    static constexpr unsigned kBlocks = 65537;
    static constexpr unsigned kLastBlockBytes = 100;

    WrappingTftpServer() : m_socket(BindLoopback(SOCK_DGRAM, 0))
    {
        DWORD wait = 500;
        setsockopt(m_socket, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&wait), sizeof wait);
        m_thread = std::thread([this] { Serve(); });
    }
    ~WrappingTftpServer()
    {
        m_thread.join();
        closesocket(m_socket);
        WSACleanup();
    }
    WrappingTftpServer(const WrappingTftpServer&) = delete;
    WrappingTftpServer& operator=(const WrappingTftpServer&) = delete;

    int Port() const { return BoundPort(m_socket); }
    // What went wrong on the server's side, or "".
    const std::string& Failure() const { return m_failure; }

    // The bytes of the i-th block (from 1).
    static std::string Data(unsigned i)
    {
        std::string data(i == kBlocks ? kLastBlockBytes : 512, '\0');
        for (std::size_t j = 0; j < data.size(); ++j)
            data[j] = char((i * 131 + j) & 0xFF);
        return data;
    }

private:
    void Serve()
    {
        char packet[600];
        sockaddr_in client{};
        int length = sizeof client;
        if (recvfrom(m_socket, packet, sizeof packet, 0, reinterpret_cast<sockaddr*>(&client), &length) < 2 ||
            packet[1] != 1) {
            m_failure = "no read request";
            return;
        }
        for (unsigned i = 1; i <= kBlocks && m_failure.empty(); ++i) {
            Exchange(i, client, 4);
            if (i == 65536 && m_failure.empty()) {
                DWORD wait = 300;
                setsockopt(m_socket, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&wait), sizeof wait);
                Exchange(i, client, 1);
                wait = 500;
                setsockopt(m_socket, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&wait), sizeof wait);
            }
        }
    }

    // Sends block i until its acknowledgement comes, `sends` times at most.
    void Exchange(unsigned i, const sockaddr_in& client, int sends)
    {
        const unsigned number = i & 0xFFFF;
        const std::string block = Block(number, Data(i));
        for (int sent = 0; sent < sends; ++sent) {
            sendto(m_socket, block.data(), int(block.size()), 0, reinterpret_cast<const sockaddr*>(&client),
                   sizeof client);
            for (;;) {
                char packet[600];
                const int got = recv(m_socket, packet, sizeof packet, 0);
                if (got < 0)
                    break; // unanswered: send again
                if (got >= 4 && packet[1] == 4 && (unsigned(uint8_t(packet[2])) << 8 | uint8_t(packet[3])) == number)
                    return;
            }
        }
        m_failure = "block " + std::to_string(i) + " (number " + std::to_string(number) + ") not acknowledged";
    }

    SOCKET m_socket;
    std::string m_failure;
    std::thread m_thread;
};

// A get of more than 65,535 blocks: the numbers wrap to 0, the transfer
// starts once, every block is written once in its place, and a block that
// comes again just after the wrap is acknowledged again.
TEST(TftpScripted, GetAcrossTheBlockNumbersWrap)
{
    struct Counts {
        int starts = 0;
        int ends = 0;
        long long lastCount = 0;
    } counts;
    auto onEvent = [](INT_PTR user, int event, int, INT_PTR* params, int*) -> int {
        auto* c = reinterpret_cast<Counts*>(user);
        if (event == kTftpEventStartTransfer)
            ++c->starts;
        else if (event == kTftpEventEndTransfer)
            ++c->ends;
        else if (event == kTftpEventTransfer)
            c->lastCount = params[0];
        return 0;
    };
    WrappingTftpServer server;
    void* tftp = TFTP_Create(onEvent, reinterpret_cast<INT_PTR>(&counts), nullptr);
    ASSERT_EQ(TFTP_Set(tftp, kTftpTftpServer, 0, T("127.0.0.1"), 0), 0);
    ASSERT_EQ(TFTP_Set(tftp, kTftpTftpPort, 0, server.Port(), 0), 0);
    ASSERT_EQ(TFTP_Set(tftp, kTftpRetransmitTimeout, 0, 1, 0), 0);
    ASSERT_EQ(TFTP_Set(tftp, kTftpTimeout, 0, 10, 0), 0);
    ASSERT_EQ(TFTP_Set(tftp, kTftpRemoteFile, 0, T("wrap.bin"), 0), 0);
    ASSERT_EQ(TFTP_Set(tftp, kTftpLocalFile, 0, T("wrap.bin"), 0), 0);
    const int rc = TFTP_Do(tftp, kTftpGetFile, 0, nullptr, nullptr);
    EXPECT_EQ(rc, 0) << TFTP_GetLastError(tftp);
    TFTP_Destroy(tftp);
    EXPECT_EQ(server.Failure(), "");
    EXPECT_EQ(counts.starts, 1);
    EXPECT_EQ(counts.ends, 1);
    const long long size = 65536LL * 512 + WrappingTftpServer::kLastBlockBytes;
    EXPECT_EQ(counts.lastCount, size);
    const std::string file = ReadFile("wrap.bin");
    ASSERT_EQ(file.size(), std::size_t(size));
    for (unsigned i : {1u, 2u, 65535u, 65536u, 65537u}) {
        SCOPED_TRACE(i);
        EXPECT_EQ(file.substr(std::size_t(i - 1) * 512, 512), WrappingTftpServer::Data(i));
    }
}

} // namespace

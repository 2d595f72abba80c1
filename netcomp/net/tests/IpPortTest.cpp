// IPPort through its exported functions against openbsd-inetd's internal
// services on 127.0.0.1: echo on 20901, daytime on 20902, chargen on 20903;
// also through the firewalls of the HTTP tests: tinyproxy's CONNECT tunnel,
// dante (SOCKS 4 and 5), microsocks (SOCKS 5 with a user) and the scripted
// firewalls of the capture peer; and against a peer of the test's own on
// 20904 that keeps sending.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "netcomp/core/framework/NetComponent.h"
#include "netcomp/include/netcomp.h"
#include "netcomp/include/netcomp_ipport.h"
#include "netcomp/net/tests/FloodPeer.h"
#include "netcomp/testing/EventRecorder.h"
#include "netcomp/testing/LoopbackSocket.h"
#include "netcomp/testing/PumpWaits.h"
#include "netcomp/testing/ResetAtConnect.h"
#include "netcomp/testing/ScriptedServer.h"

namespace {

constexpr int kEcho = 20901;
constexpr int kDaytime = 20902;
constexpr int kChargen = 20903;
constexpr int kCapture = 20400;
constexpr int kTinyproxy = 20402;
constexpr int kDante = 20403;
constexpr int kMicrosocks = 20404;
constexpr int kFlood = 20904; // a FloodPeer of the test's own

struct Port {
    void* obj = nullptr;
    EventRecorder events;

    Port()
    {
        events.TextsAt(kIpPortEventDataIn, {0});
        events.TextsAt(kIpPortEventConnectionStatus, {0});
        // The text arrives with a zero byte behind it.
        events.OnEvent(kIpPortEventDataIn, [](const RecordedEvent& e) {
            EXPECT_EQ(reinterpret_cast<const char*>(e.values[0])[e.lengths[0]], '\0');
        });
        obj = IPPort_Create(EventRecorder::Callback, events.User(), nullptr);
    }
    ~Port() { IPPort_Destroy(obj); }

    std::vector<std::string> Data() const
    {
        std::vector<std::string> out;
        for (const RecordedEvent& e : events.Of(kIpPortEventDataIn))
            out.push_back(e.texts[0]);
        return out;
    }
    bool Eol(size_t i) const { return events.Of(kIpPortEventDataIn).at(i).values[1] != 0; }
    std::vector<bool> Eols() const
    {
        std::vector<bool> out;
        for (const RecordedEvent& e : events.Of(kIpPortEventDataIn))
            out.push_back(e.values[1] != 0);
        return out;
    }
    // The status code of the last Connected or Disconnected event; -1 before one.
    int Code(int event) const
    {
        const std::vector<RecordedEvent> list = events.Of(event);
        return list.empty() ? -1 : int(list.back().values[0]);
    }
    std::string LastStatus() const { return events.Of(kIpPortEventConnectionStatus).back().texts[0]; }

    int Set(int property, INT_PTR value, int length = 0) { return IPPort_Set(obj, property, 0, value, length); }
    int SetText(int property, const char* text) { return Set(property, reinterpret_cast<INT_PTR>(text)); }
    // Config "key=value", or the answer of Config "key".
    int Config(const char* setting, std::string* answer = nullptr)
    {
        INT_PTR args[2] = {reinterpret_cast<INT_PTR>(setting), 0};
        const int rc = IPPort_Do(obj, kIpPortConfig, 2, args, nullptr);
        if (answer)
            *answer = args[1] ? reinterpret_cast<const char*>(args[1]) : "";
        return rc;
    }
    INT_PTR Get(int property) { return IPPort_Get(obj, property, 0, nullptr); }
    int Connect(int port)
    {
        INT_PTR args[2] = {reinterpret_cast<INT_PTR>("127.0.0.1"), port};
        return IPPort_Do(obj, kIpPortConnect, 2, args, nullptr);
    }
    int SendLine(const char* text)
    {
        INT_PTR args[1] = {reinterpret_cast<INT_PTR>(text)};
        return IPPort_Do(obj, kIpPortSendLine, 1, args, nullptr);
    }
    int Send(const std::string& bytes)
    {
        INT_PTR args[1] = {reinterpret_cast<INT_PTR>(bytes.data())};
        int lengths[1] = {int(bytes.size())};
        return IPPort_Do(obj, kIpPortSend, 1, args, lengths);
    }
    int GetLine(std::string& line)
    {
        INT_PTR args[1] = {0};
        const int rc = IPPort_Do(obj, kIpPortGetLine, 1, args, nullptr);
        line = args[0] ? reinterpret_cast<const char*>(args[0]) : "";
        return rc;
    }
    // Pumps until `count` DataIn events have come, for 10 s at most (the
    // messages a busy machine delivers in that time, whatever their number).
    void PumpUntil(size_t count)
    {
        const DWORD start = GetTickCount();
        while (Data().size() < count && GetTickCount() - start < 10000)
            IPPort_Do(obj, kIpPortDoEvents, 0, nullptr, nullptr);
    }
    std::string Joined() const
    {
        std::string all;
        for (const std::string& d : Data())
            all += d;
        return all;
    }
};

TEST(IpPort, GetLineReadsEchoedLinesOneAtATime)
{
    Port p;
    ASSERT_EQ(p.Set(kIpPortTimeout, 5), 0);
    ASSERT_EQ(p.Connect(kEcho), 0) << IPPort_GetLastError(p.obj);
    EXPECT_EQ(p.Code(kIpPortEventConnected), 0);
    EXPECT_EQ(p.Get(kIpPortConnected), 1);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(p.Get(kIpPortRemoteHost))), "127.0.0.1");

    ASSERT_EQ(p.Set(kIpPortSingleLineMode, 1), 0);
    ASSERT_EQ(p.SendLine("abc"), 0);
    EXPECT_EQ(p.Get(kIpPortBytesSent), 5);
    std::string line;
    ASSERT_EQ(p.GetLine(line), 0) << IPPort_GetLastError(p.obj);
    EXPECT_EQ(line, "abc");

    // Three lines in one send come back one per GetLine, in order.
    ASSERT_EQ(p.Send("one\r\ntwo\r\n\r\nfour\r\n"), 0);
    for (const char* expected : {"one", "two", "", "four"}) {
        ASSERT_EQ(p.GetLine(line), 0) << IPPort_GetLastError(p.obj);
        EXPECT_EQ(line, expected);
    }
    EXPECT_EQ(p.Data().size(), 5u);

    // Nothing more comes: the wait ends at the deadline.
    ASSERT_EQ(p.Set(kIpPortTimeout, 1), 0);
    EXPECT_EQ(p.GetLine(line), 301);

    ASSERT_EQ(p.Set(kIpPortTimeout, 0), 0);
    EXPECT_EQ(p.GetLine(line), 301);
    EXPECT_STREQ(IPPort_GetLastError(p.obj), "GetLine requires a positive Timeout value.");
    ASSERT_EQ(IPPort_Do(p.obj, kIpPortDisconnect, 0, nullptr, nullptr), 0);
    EXPECT_EQ(p.Code(kIpPortEventDisconnected), 0);
    EXPECT_EQ(p.Get(kIpPortConnected), 0);
    ASSERT_EQ(p.Set(kIpPortTimeout, 5), 0);
    EXPECT_EQ(p.GetLine(line), 301);
    EXPECT_STREQ(IPPort_GetLastError(p.obj), "Disconnected.");
}

TEST(IpPort, EventsWithoutTimeoutAndRecordsCutAtTheEol)
{
    Port p;
    ASSERT_EQ(p.Set(kIpPortRemoteHost, reinterpret_cast<INT_PTR>("127.0.0.1")), 0);
    ASSERT_EQ(p.Set(kIpPortRemotePort, kChargen), 0);
    ASSERT_EQ(p.Set(kIpPortEOL, reinterpret_cast<INT_PTR>("\r\n"), 2), 0);
    int length = 0;
    const char* eol = reinterpret_cast<const char*>(IPPort_Get(p.obj, kIpPortEOL, 0, &length));
    EXPECT_EQ(std::string(eol, size_t(length)), "\r\n");
    ASSERT_EQ(p.Set(kIpPortConnected, 1), 0);
    p.PumpUntil(5);
    ASSERT_GE(p.Data().size(), 5u);
    EXPECT_EQ(p.Code(kIpPortEventConnected), 0);
    // chargen's lines are 72 characters, each starting one further on.
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(p.Data()[i].size(), 72u) << i;
        EXPECT_TRUE(p.Eol(i));
    }
    EXPECT_EQ(p.Data()[1].substr(0, 71), p.Data()[0].substr(1));
    ASSERT_EQ(p.Set(kIpPortConnected, 0), 0);
    EXPECT_EQ(p.Code(kIpPortEventDisconnected), 0);
    EXPECT_EQ(p.LastStatus(), "Remote host disconnected.");

    // Raw delivery: the echo service's answer arrives as it comes.
    Port echo;
    ASSERT_EQ(echo.Set(kIpPortTimeout, 5), 0);
    ASSERT_EQ(echo.Connect(kEcho), 0);
    ASSERT_EQ(echo.Set(kIpPortTimeout, 0), 0);
    const std::string block(5000, 'x');
    ASSERT_EQ(echo.Send(block), 0);
    EXPECT_EQ(echo.Get(kIpPortBytesSent), 5000);
    for (const DWORD start = GetTickCount(); echo.Joined().size() < block.size() && GetTickCount() - start < 10000;)
        IPPort_Do(echo.obj, kIpPortDoEvents, 0, nullptr, nullptr);
    EXPECT_EQ(echo.Joined(), block);
}

TEST(IpPort, DaytimeLineThenTheServerCloses)
{
    Port p;
    ASSERT_EQ(p.Set(kIpPortTimeout, 5), 0);
    ASSERT_EQ(p.Connect(kDaytime), 0);
    std::string line;
    ASSERT_EQ(p.GetLine(line), 0) << IPPort_GetLastError(p.obj);
    SYSTEMTIME now;
    GetSystemTime(&now);
    EXPECT_NE(line.find(std::to_string(now.wYear)), std::string::npos) << line;
    for (const DWORD start = GetTickCount(); p.Code(kIpPortEventDisconnected) < 0 && GetTickCount() - start < 10000;)
        IPPort_Do(p.obj, kIpPortDoEvents, 0, nullptr, nullptr);
    EXPECT_EQ(p.Code(kIpPortEventDisconnected), 0);
    EXPECT_EQ(p.Get(kIpPortConnected), 0);
}

// A peer that keeps sending: the close delivers what is on its way, up to a
// bound, then closes and returns, with and without a Timeout.
TEST(IpPort, ClosingWhileThePeerKeepsSending)
{
    for (int timeout : {0, 5}) {
        SCOPED_TRACE(timeout);
        FloodPeer peer(FloodPeer::Role::Serve, kFlood);
        Port p;
        ASSERT_EQ(p.Set(kIpPortTimeout, timeout), 0);
        ASSERT_EQ(p.Connect(kFlood), 0) << IPPort_GetLastError(p.obj);
        const DWORD start = GetTickCount();
        while (p.Joined().size() < 100000 && GetTickCount() - start < 20000)
            IPPort_Do(p.obj, kIpPortDoEvents, 0, nullptr, nullptr);
        const size_t before = p.Joined().size();
        ASSERT_GT(before, 100000u);
        if (timeout == 0)
            ASSERT_EQ(p.Set(kIpPortConnected, 0), 0);
        else
            ASSERT_EQ(IPPort_Do(p.obj, kIpPortDisconnect, 0, nullptr, nullptr), 0);
        EXPECT_LE(p.Joined().size() - before, size_t(2) << 20);
        EXPECT_EQ(p.Get(kIpPortConnected), 0);
        EXPECT_EQ(p.Code(kIpPortEventDisconnected), 0);
    }
}

// Lines of every length from 0 to 149 bytes, numbered, about 80 KB in all.
std::string NumberedLines()
{
    std::string lines;
    for (int i = 0; i < 1000; ++i)
        lines += std::to_string(i) + ":" + std::string(std::size_t(i % 150), char('a' + i % 26)) + "\n";
    return lines;
}

// A peer sends 4 MB of lines (and what is left of its last block) and closes, while the component reads in large
// blocks: each DataIn carries at most MaxLineLength bytes, each record ends
// where the EOL is (a longer one goes in pieces of MaxLineLength without
// it), what is read while the owner has AcceptData off waits and comes in
// its order once it is on again, and the close comes after everything that
// was sent, also when it comes while AcceptData is off.
TEST(IpPort, LargeReadsKeepTheRecordsTheirLimitAndTheirOrder)
{
    const std::string lines = NumberedLines();
    const unsigned long long total = 4ull << 20;
    enum class Off { Never, NowAndThen, AtTheEnd };
    for (Off off : {Off::Never, Off::NowAndThen, Off::AtTheEnd}) {
        SCOPED_TRACE(off == Off::Never        ? "AcceptData on"
                     : off == Off::NowAndThen ? "AcceptData off now and then"
                                              : "AcceptData off at the end");
        FloodPeer peer(FloodPeer::Role::Serve, kFlood, "", lines, total);
        Port p;
        p.events.TextsAt(kIpPortEventDataIn, {});
        std::string stream;
        std::size_t longest = 0, events = 0;
        bool closedAfterData = true;
        DWORD offAtTheEnd = 0;
        p.events.OnEvent(kIpPortEventDataIn, [&](const RecordedEvent& e) {
            const char* text = reinterpret_cast<const char*>(e.values[0]);
            stream.append(text, std::size_t(e.lengths[0]));
            if (e.values[1])
                stream += '\n';
            longest = std::max(longest, std::size_t(e.lengths[0]));
            ++events;
            // At the end: in the last read's records, once the peer has
            // sent all and closed, so that its close comes while they wait.
            const bool end = off == Off::AtTheEnd && offAtTheEnd == 0 && peer.Sent() >= total &&
                             stream.size() + 65536 >= peer.Sent();
            if ((off == Off::NowAndThen && events % 97 == 0) || end) {
                EXPECT_EQ(p.Set(kIpPortAcceptData, 0), 0);
                offAtTheEnd = end ? GetTickCount() : offAtTheEnd;
            }
            p.events.events.clear();
        });
        p.events.OnEvent(kIpPortEventDisconnected,
                         [&](const RecordedEvent&) { closedAfterData = stream.size() == peer.Sent(); });
        ASSERT_EQ(p.Config("MaxLineLength=100"), 0);
        ASSERT_EQ(p.Set(kIpPortEOL, reinterpret_cast<INT_PTR>("\n"), 1), 0);
        ASSERT_EQ(p.Set(kIpPortTimeout, 10), 0);
        ASSERT_EQ(p.Connect(kFlood), 0) << IPPort_GetLastError(p.obj);
        const DWORD start = GetTickCount();
        while (p.Get(kIpPortConnected) && GetTickCount() - start < 30000) {
            IPPort_Do(p.obj, kIpPortDoEvents, 0, nullptr, nullptr);
            if (!p.Get(kIpPortAcceptData) && (offAtTheEnd == 0 || GetTickCount() - offAtTheEnd > 300)) {
                EXPECT_EQ(p.Set(kIpPortAcceptData, 1), 0);
            }
        }
        EXPECT_EQ(p.Get(kIpPortConnected), 0);
        EXPECT_TRUE(closedAfterData) << stream.size() << " of " << peer.Sent() << " bytes before the close";
        EXPECT_LE(longest, 100u);
        ASSERT_GE(peer.Sent(), total);
        ASSERT_EQ(stream.size(), peer.Sent());
        std::string expected;
        while (expected.size() < stream.size())
            expected += lines;
        EXPECT_TRUE(stream == expected.substr(0, stream.size())) << "the lines came out of order or changed";
    }
}

// An owner that pumps its messages in each DataIn event (DoEvents) reads a
// stream of 4 MB whole and in order, up to the peer's close, and its
// DoEvents calls, one per 2,048-byte event, do not wait their step for the
// next read's notification: the next event is what comes. A DoEvents waits
// only where its event was the last of a read that found the socket empty
// (the owner then waits for the peer), never after one that filled its
// room: the waits are counted where the component makes them, as the time
// they took is a busy machine's.
TEST(IpPort, AnOwnerThatPumpsInEachDataInReadsTheStreamWhole)
{
    std::string block(65536, '\0');
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = char(i % 251);
    const unsigned long long total = 4ull << 20;
    FloodPeer peer(FloodPeer::Role::Serve, kFlood, "", block, total);
    Port p;
    p.events.TextsAt(kIpPortEventDataIn, {});
    unsigned long long received = 0, misplaced = 0;
    int pumps = 0, waited = 0;
    std::unique_ptr<PumpWaits> counted;
    p.events.OnEvent(kIpPortEventDataIn, [&](const RecordedEvent& e) {
        const char* text = reinterpret_cast<const char*>(e.values[0]);
        for (int i = 0; i < e.lengths[0]; ++i)
            misplaced += static_cast<unsigned char>(text[i]) != (received + unsigned(i)) % 65536 % 251;
        received += unsigned(e.lengths[0]);
        p.events.events.clear();
        ++pumps;
        const DWORD before = GetTickCount();
        if (counted)
            counted->InEvent(true);
        IPPort_Do(p.obj, kIpPortDoEvents, 0, nullptr, nullptr);
        if (counted)
            counted->InEvent(false);
        waited += GetTickCount() - before >= 15;
    });
    ASSERT_EQ(p.Set(kIpPortTimeout, 10), 0);
    ASSERT_EQ(p.Connect(kFlood), 0) << IPPort_GetLastError(p.obj);
    counted = std::make_unique<PumpWaits>();
    const DWORD start = GetTickCount();
    while (p.Get(kIpPortConnected) && GetTickCount() - start < 30000)
        IPPort_Do(p.obj, kIpPortDoEvents, 0, nullptr, nullptr);
    const DWORD took = GetTickCount() - start;
    const int fullReads = counted->FullReads(), waitsInEvents = counted->WaitsInEvents(),
              waitsAfterFullReads = counted->WaitsAfterFullReads();
    counted.reset();
    std::printf("[ ipport   ] 4 MB with DoEvents in each of %d DataIn events: %lu ms, %d of them waited 15 ms or "
                "more; %d waits of the component's in them, %d after one of the %d reads that filled their room\n",
                pumps, (unsigned long)took, waited, waitsInEvents, waitsAfterFullReads, fullReads);
    EXPECT_GE(received, total);
    EXPECT_EQ(received, peer.Sent());
    EXPECT_EQ(misplaced, 0u);
    // One that waits at the end of each large read would wait some 64 times.
    ASSERT_GE(fullReads, 8);
    EXPECT_EQ(waitsAfterFullReads, 0);
}

// 42,000 bytes of a server that then resets the connection, read without a
// Timeout by an owner that echoes each DataIn (the echo finds the reset: it
// gives its code, and so does every send after it), or that pumps its
// messages in each DataIn (the close notification is taken there): every byte
// the server sent reaches DataIn, and the one Disconnected comes after the
// DataIn in which the reset was found has returned, not inside it.
TEST(IpPort, AResetFoundInsideDataInLosesNothing)
{
    const std::string sent = NumberedLines().substr(0, 42000);
    for (bool echo : {true, false}) {
        SCOPED_TRACE(echo ? "echo" : "DoEvents");
        ScriptedServer server;
        server.Send(sent).Reset();
        ASSERT_TRUE(server.Start());
        Port p;
        p.events.TextsAt(kIpPortEventDataIn, {});
        std::string received;
        int inDataIn = 0, endedInside = 0, resetsSeen = 0, otherFailures = 0;
        p.events.OnEvent(kIpPortEventDataIn, [&](const RecordedEvent& e) {
            ++inDataIn;
            const std::string text(reinterpret_cast<const char*>(e.values[0]), std::size_t(e.lengths[0]));
            received += text;
            p.events.events.clear();
            Sleep(5);
            if (echo) {
                const int rc = p.Send(text);
                resetsSeen += rc == WSAECONNRESET || rc == WSAECONNABORTED;
                otherFailures += rc != 0 && rc != WSAECONNRESET && rc != WSAECONNABORTED;
            } else {
                // The close notification, posted once the reset came, is
                // taken in the first DataIn.
                for (int i = 0; i < 5; ++i)
                    IPPort_Do(p.obj, kIpPortDoEvents, 0, nullptr, nullptr);
            }
            --inDataIn;
        });
        ASSERT_EQ(p.Set(kIpPortTimeout, 5), 0);
        ASSERT_EQ(p.Connect(server.Port()), 0) << IPPort_GetLastError(p.obj);
        ASSERT_EQ(p.Set(kIpPortTimeout, 0), 0);
        int disconnected = 0;
        p.events.OnEvent(kIpPortEventDisconnected, [&](const RecordedEvent&) {
            endedInside += inDataIn > 0;
            ++disconnected;
        });
        const DWORD start = GetTickCount();
        while (p.Get(kIpPortConnected) && GetTickCount() - start < 10000)
            IPPort_Do(p.obj, kIpPortDoEvents, 0, nullptr, nullptr);
        for (int i = 0; i < 10; ++i)
            IPPort_Do(p.obj, kIpPortDoEvents, 0, nullptr, nullptr);
        EXPECT_EQ(server.Finish(), "");
        EXPECT_EQ(received.size(), sent.size());
        EXPECT_TRUE(received == sent) << "the bytes came out of order or changed";
        if (echo) {
            EXPECT_GE(resetsSeen, 1) << "no echo found the reset: nothing was tested";
            EXPECT_EQ(otherFailures, 0);
        }
        EXPECT_EQ(disconnected, 1);
        EXPECT_EQ(endedInside, 0);
    }
}

// What a server sends before it resets the connection reaches DataIn
// before the Disconnected, whatever finds the reset: a send with a Timeout
// (after a greeting of 20,000 bytes, the server reading 100 bytes of the
// client's first; or after a line "BYE now"), or the connect itself (the
// reset came before Winsock told the client it was connected: the
// connection was made, so Connected says 0).
TEST(IpPort, WhatTheServerSentBeforeItsResetComesFirst)
{
    const std::string greeting = NumberedLines().substr(0, 20000);
    const struct {
        const char* what;
        std::string sent;
        bool atConnect;
    } kinds[] = {{"a greeting, then a reset while the client sends", greeting, false},
                 {"a line, then a reset while the client sends", "BYE now\r\n", false},
                 {"a greeting and a reset before the connect is told", greeting, true}};
    for (const auto& kind : kinds) {
        SCOPED_TRACE(kind.what);
        ScriptedServer server;
        if (kind.atConnect)
            server.Send(kind.sent).Reset();
        else
            server.Send(kind.sent).ExpectBytes(100, [](const std::string&) { return std::string(); }).Reset();
        ASSERT_TRUE(server.Start());
        Port p;
        p.events.TextsAt(kIpPortEventDataIn, {});
        std::string received;
        bool dataAfterEnd = false;
        p.events.OnEvent(kIpPortEventDataIn, [&](const RecordedEvent& e) {
            received.append(reinterpret_cast<const char*>(e.values[0]), std::size_t(e.lengths[0]));
            dataAfterEnd = dataAfterEnd || !p.events.Of(kIpPortEventDisconnected).empty();
        });
        ASSERT_EQ(p.Set(kIpPortTimeout, 5), 0);
        if (kind.atConnect) {
            ResetAtConnect reset;
            EXPECT_EQ(p.Connect(server.Port()), 0) << IPPort_GetLastError(p.obj);
            EXPECT_EQ(reset.Posted(), 1);
        } else {
            ASSERT_EQ(p.Connect(server.Port()), 0) << IPPort_GetLastError(p.obj);
            ASSERT_EQ(p.Send(std::string(100, 'c')), 0);
            // The reset comes while nothing is read.
            for (const DWORD start = GetTickCount(); server.Received().empty() && GetTickCount() - start < 5000;)
                Sleep(10);
            Sleep(200);
            const int rc = p.Send(std::string(100, 'd'));
            EXPECT_TRUE(rc == WSAECONNRESET || rc == WSAECONNABORTED) << rc;
        }
        for (int i = 0; i < 10; ++i)
            IPPort_Do(p.obj, kIpPortDoEvents, 0, nullptr, nullptr);
        EXPECT_EQ(server.Finish(), "");
        EXPECT_EQ(p.Code(kIpPortEventConnected), 0);
        EXPECT_TRUE(received == kind.sent) << received.size() << " of " << kind.sent.size() << " bytes";
        EXPECT_FALSE(dataAfterEnd);
        ASSERT_EQ(p.events.Of(kIpPortEventDisconnected).size(), 1u);
        const int code = p.Code(kIpPortEventDisconnected);
        EXPECT_TRUE(code == WSAECONNRESET || code == WSAECONNABORTED || (!kind.atConnect && code == 0)) << code;
        EXPECT_EQ(p.Get(kIpPortConnected), 0);
    }
}

// A send without a Timeout (one send, at once) that finds the server gone
// ends the connection there and then, as a read that finds it so does: the
// send gives the reset's code, what the server sent before its reset (its
// read notification still queued, after a first line that was read) has
// come in DataIn and Disconnected after it, and the close the system posts
// later changes nothing.
TEST(IpPort, ASendThatFindsTheServerGoneEndsTheConnection)
{
    const std::string said = NumberedLines().substr(0, 20000);
    const SOCKET listener = BindLoopback(SOCK_STREAM, 0);
    ASSERT_NE(listener, INVALID_SOCKET);
    ASSERT_EQ(listen(listener, 1), 0);
    Port p;
    p.events.TextsAt(kIpPortEventDataIn, {});
    std::string received;
    p.events.OnEvent(kIpPortEventDataIn, [&](const RecordedEvent& e) {
        received.append(reinterpret_cast<const char*>(e.values[0]), std::size_t(e.lengths[0]));
    });
    ASSERT_EQ(p.Set(kIpPortTimeout, 5), 0);
    ASSERT_EQ(p.Connect(BoundPort(listener)), 0) << IPPort_GetLastError(p.obj);
    ASSERT_EQ(p.Set(kIpPortTimeout, 0), 0);
    SOCKET server = accept(listener, nullptr, nullptr);
    // A first line read, then what comes before the reset.
    ASSERT_EQ(send(server, "hi\r\n", 4, 0), 4);
    p.PumpUntil(1);
    ASSERT_EQ(received, "hi\r\n");
    received.clear();
    ASSERT_EQ(send(server, said.data(), int(said.size()), 0), int(said.size()));
    Sleep(50);
    CloseWithReset(server);
    Sleep(100);
    // No message is taken between the reset and the send.
    const int rc = p.Send("still there?");
    EXPECT_TRUE(rc == WSAECONNRESET || rc == WSAECONNABORTED) << rc;
    EXPECT_TRUE(received == said) << received.size() << " of " << said.size() << " bytes";
    EXPECT_EQ(p.Code(kIpPortEventDisconnected), rc);
    EXPECT_EQ(p.Get(kIpPortConnected), 0);
    for (int i = 0; i < 10; ++i)
        IPPort_Do(p.obj, kIpPortDoEvents, 0, nullptr, nullptr);
    EXPECT_EQ(p.events.Of(kIpPortEventDisconnected).size(), 1u);
    closesocket(listener);
    WSACleanup();
}

TEST(IpPort, FirewallTypeChoosesItsPortAndConfigNumbersFit)
{
    Port p;
    EXPECT_EQ(p.Get(kIpPortFirewallPort), 80);
    ASSERT_EQ(p.Set(kIpPortFirewallType, 2), 0);
    EXPECT_EQ(p.Get(kIpPortFirewallPort), 1080);
    ASSERT_EQ(p.Set(kIpPortFirewallType, 1), 0);
    EXPECT_EQ(p.Get(kIpPortFirewallPort), 80);
    ASSERT_EQ(p.Set(kIpPortFirewallHost, reinterpret_cast<INT_PTR>("localhost")), 0);
    EXPECT_STREQ(reinterpret_cast<const char*>(p.Get(kIpPortFirewallHost)), "127.0.0.1");

    // Config numbers that do not fit an int are refused, not wrapped.
    std::string answer;
    EXPECT_EQ(p.Config("MaxLineLength=4294967298"), -1);
    EXPECT_STREQ(IPPort_GetLastError(p.obj), "Unknown config setting.");
    EXPECT_EQ(p.Config("InBufferSize=99999999999"), -1);
    ASSERT_EQ(p.Config("MaxLineLength", &answer), 0);
    EXPECT_EQ(answer, "2048");
    ASSERT_EQ(p.Config("InBufferSize", &answer), 0);
    EXPECT_EQ(answer, "2048");
    ASSERT_EQ(p.Config("MaxLineLength=100"), 0);
    ASSERT_EQ(p.Config("MaxLineLength", &answer), 0);
    EXPECT_EQ(answer, "100");
}

struct Firewall {
    int type;
    int port;
    const char* user;
    const char* password;
};

// A firewall negotiates in raw bytes whatever framing the owner set before
// the connect; the lines of the remote host then arrive cut at the EOL, or
// one per GetLine in single-line mode.
TEST(IpPort, LineModeThroughEveryFirewall)
{
    const Firewall firewalls[] = {
        {1, kTinyproxy, "proxyuser", "proxypass"},
        {2, kDante, "", ""},
        {3, kDante, "", ""},
        {3, kMicrosocks, "sockuser", "sockpass"},
    };
    for (const Firewall& f : firewalls) {
        for (bool singleLine : {false, true}) {
            SCOPED_TRACE(std::to_string(f.type) + " on " + std::to_string(f.port) + (singleLine ? " single" : " eol"));
            Port p;
            ASSERT_EQ(p.Set(kIpPortTimeout, 5), 0);
            if (singleLine)
                ASSERT_EQ(p.Set(kIpPortSingleLineMode, 1), 0);
            else
                ASSERT_EQ(p.Set(kIpPortEOL, reinterpret_cast<INT_PTR>("\r\n"), 2), 0);
            ASSERT_EQ(p.Set(kIpPortFirewallType, f.type), 0);
            ASSERT_EQ(p.SetText(kIpPortFirewallHost, "127.0.0.1"), 0);
            ASSERT_EQ(p.Set(kIpPortFirewallPort, f.port), 0);
            ASSERT_EQ(p.SetText(kIpPortFirewallUser, f.user), 0);
            ASSERT_EQ(p.SetText(kIpPortFirewallPassword, f.password), 0);
            ASSERT_EQ(p.Connect(kEcho), 0) << IPPort_GetLastError(p.obj);
            EXPECT_EQ(p.Code(kIpPortEventConnected), 0);
            ASSERT_EQ(p.Send("one\r\ntwo\r\n"), 0);
            if (singleLine) {
                std::string line;
                ASSERT_EQ(p.GetLine(line), 0) << IPPort_GetLastError(p.obj);
                EXPECT_EQ(line, "one");
                ASSERT_EQ(p.GetLine(line), 0) << IPPort_GetLastError(p.obj);
                EXPECT_EQ(line, "two");
            } else {
                p.PumpUntil(2);
                EXPECT_EQ(p.Data(), (std::vector<std::string>{"one", "two"}));
                EXPECT_EQ(p.Eols(), (std::vector<bool>{true, true}));
            }
            ASSERT_EQ(IPPort_Do(p.obj, kIpPortDisconnect, 0, nullptr, nullptr), 0);
        }
    }
}

// The scripted firewalls send their grant and the remote host's first bytes
// in one write: those bytes are the host's and are cut at the EOL too.
TEST(IpPort, BytesBehindTheFirewallReplyKeepTheFraming)
{
    for (int type : {1, 2, 3}) {
        SCOPED_TRACE(type);
        Port p;
        ASSERT_EQ(p.Set(kIpPortTimeout, 5), 0);
        ASSERT_EQ(p.Set(kIpPortEOL, reinterpret_cast<INT_PTR>("\r\n"), 2), 0);
        ASSERT_EQ(p.Set(kIpPortFirewallType, type), 0);
        ASSERT_EQ(p.SetText(kIpPortFirewallHost, "127.0.0.1"), 0);
        ASSERT_EQ(p.Set(kIpPortFirewallPort, kCapture), 0);
        INT_PTR args[2] = {reinterpret_cast<INT_PTR>(type == 1 ? "ok.test" : "127.0.0.1"), 80};
        ASSERT_EQ(IPPort_Do(p.obj, kIpPortConnect, 2, args, nullptr), 0) << IPPort_GetLastError(p.obj);
        p.PumpUntil(4);
        ASSERT_GE(p.Data().size(), 4u);
        EXPECT_EQ(p.Data()[0], "HTTP/1.1 200 OK");
        EXPECT_EQ(p.Data()[1], "Content-Length: 6");
        EXPECT_EQ(p.Data()[2], "Connection: close");
        EXPECT_EQ(p.Data()[3], "");
        EXPECT_TRUE(p.Eol(0) && p.Eol(1) && p.Eol(2) && p.Eol(3));
    }
}

// From inside DataIn, once the handler has closed the connection, a setting
// that would free the receive buffer the text lies in waits for the event
// to end: MaxLineLength is refused as while connected.
TEST(IpPort, TheReceivedTextOutlivesItsDataIn)
{
    Port p;
    std::vector<int> results;
    p.events.OnEvent(kIpPortEventDataIn, [&](const RecordedEvent&) {
        results.push_back(p.Set(kIpPortConnected, 0));
        results.push_back(p.Config("MaxLineLength=16"));
    });
    ASSERT_EQ(p.Connect(kEcho), 0) << IPPort_GetLastError(p.obj);
    ASSERT_EQ(p.SendLine("hello"), 0);
    p.PumpUntil(1);
    ASSERT_EQ(results, (std::vector<int>{0, 112}));
    EXPECT_STREQ(IPPort_GetLastError(p.obj),
                 "You cannot change MaxLineSize at this time. A connection is in progress.");
    // Afterwards the buffer may change.
    EXPECT_EQ(p.Config("MaxLineLength=16"), 0);
}

// A tunnelling proxy that refuses the CONNECT (the capture peer answers 407
// for any host but ok.test): the connection is closed, so the component is
// not left connected and the next attempt gets the same answer.
TEST(IpPort, ARefusedTunnelClosesTheConnection)
{
    Port p;
    ASSERT_EQ(p.Set(kIpPortTimeout, 5), 0);
    ASSERT_EQ(p.Set(kIpPortFirewallType, 1), 0);
    ASSERT_EQ(p.Set(kIpPortFirewallHost, reinterpret_cast<INT_PTR>("127.0.0.1")), 0);
    ASSERT_EQ(p.Set(kIpPortFirewallPort, kCapture), 0);
    for (int attempt = 0; attempt < 2; ++attempt) {
        SCOPED_TRACE(attempt);
        INT_PTR args[2] = {reinterpret_cast<INT_PTR>("other.test"), 80};
        EXPECT_EQ(IPPort_Do(p.obj, kIpPortConnect, 2, args, nullptr), 118);
        EXPECT_STREQ(IPPort_GetLastError(p.obj), "HTTP/1.0 407 Proxy Authentication Required");
        EXPECT_EQ(p.Get(kIpPortConnected), 0);
    }
}

} // namespace

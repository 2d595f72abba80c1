// The Telnet component through its exported functions: negotiation byte for
// byte against scripted servers, urgent data against a peer that reads out
// of band (127.0.0.1:21524), and a login session with telnetd under
// openbsd-inetd (127.0.0.1:21523, user kesuser, password "wonder").
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "netcomp/include/netcomp.h"
#include "netcomp/include/netcomp_telnet.h"
#include "netcomp/testing/EventRecorder.h"
#include "netcomp/testing/ResetAtConnect.h"
#include "netcomp/testing/ScriptedServer.h"

namespace {

constexpr int kTelnetd = 21523;
constexpr int kUrgentPeer = 21524;
const std::string IAC = "\xff";

INT_PTR P(const char* text)
{
    return reinterpret_cast<INT_PTR>(text);
}

struct Telnet {
    void* obj = nullptr;
    EventRecorder events;
    std::string data; // every DataIn, joined

    Telnet()
    {
        events.TextsAt(kTelnetEventDataIn, {0});
        events.TextsAt(kTelnetEventSubOption, {0});
        events.TextsAt(kTelnetEventError, {1});
        events.OnEvent(kTelnetEventDataIn, [this](const RecordedEvent& e) {
            data += e.texts[0];
            // The bytes come with a zero byte behind them.
            EXPECT_EQ(reinterpret_cast<const char*>(e.values[0])[e.lengths[0]], '\0');
        });
        obj = Telnet_Create(EventRecorder::Callback, events.User(), nullptr);
    }
    ~Telnet() { Telnet_Destroy(obj); }

    INT_PTR Get(int property) { return Telnet_Get(obj, property, 0, nullptr); }
    int Set(int property, INT_PTR value, int length = 0) { return Telnet_Set(obj, property, 0, value, length); }
    int SetBytes(int property, const std::string& bytes) { return Set(property, P(bytes.data()), int(bytes.size())); }
    int Connect(int port)
    {
        EXPECT_EQ(Set(kTelnetRemotePort, port), 0);
        INT_PTR args[1] = {P("127.0.0.1")};
        return Telnet_Do(obj, kTelnetConnect, 1, args, nullptr);
    }
    int Send(const std::string& bytes)
    {
        INT_PTR args[1] = {P(bytes.data())};
        int lengths[1] = {int(bytes.size())};
        return Telnet_Do(obj, kTelnetSend, 1, args, lengths);
    }
    // Runs DoEvents until done() holds, at most seconds long.
    bool WaitFor(const std::function<bool()>& done, DWORD seconds = 10)
    {
        const DWORD start = GetTickCount();
        while (!done()) {
            if (GetTickCount() - start > seconds * 1000)
                return false;
            Telnet_Do(obj, kTelnetDoEvents, 0, nullptr, nullptr);
        }
        return true;
    }
    bool WaitForText(const std::string& text, DWORD seconds = 10)
    {
        return WaitFor([&] { return data.find(text) != std::string::npos; }, seconds);
    }
    std::vector<int> Options(int event) const
    {
        std::vector<int> out;
        for (const RecordedEvent& e : events.Of(event))
            out.push_back(int(e.values[0]));
        return out;
    }
    std::vector<std::string> SubOptions() const
    {
        std::vector<std::string> out;
        for (const RecordedEvent& e : events.Of(kTelnetEventSubOption))
            out.push_back(e.texts[0]);
        return out;
    }
};

TEST(TelnetScripted, NegotiationBothWays)
{
    ScriptedServer server;
    server.Send("ab" + IAC + "\xfd\x18" + "c")
        .ExpectBytes(IAC + "\xfb\x18")
        .Send(IAC + "\xfa\x18\x01" + IAC + "\xf0")
        .ExpectBytes(IAC + "\xfa\x18" + std::string("\x00", 1) + "VT100" + IAC + "\xf0")
        // A data byte 240 and an IAC IAC inside a sub-negotiation are data.
        .Send(IAC + "\xfa\x27\x01\xf0" + IAC + IAC + IAC + "\xf0" + IAC + "\xfb\x01" + IAC + "\xf1" + IAC + IAC)
        .ExpectBytes(IAC + "\xfd\x01" + IAC + "\xfe\x03" + IAC + "\xfc\x05" + IAC + "\xf6")
        // A sub-negotiation's 255 goes out doubled.
        .ExpectBytes(IAC + "\xfa\x20\xff\xff\x01" + IAC + "\xf0")
        .ExpectBytes("plain data\r\n")
        .Send(IAC + "\xfd\x01" + "x")
        .ExpectClose();
    ASSERT_TRUE(server.Start());
    Telnet telnet;
    // The owner answers: WILL for the terminal type, its name when asked.
    telnet.events.OnEvent(kTelnetEventDo, [&](const RecordedEvent& e) {
        if (e.values[0] == 24) {
            EXPECT_EQ(telnet.Set(kTelnetWillOption, 24), 0);
        }
    });
    telnet.events.OnEvent(kTelnetEventSubOption, [&](const RecordedEvent& e) {
        if (e.texts[0] == "\x18\x01") {
            EXPECT_EQ(telnet.SetBytes(kTelnetDoSubOption, std::string("\x18\x00VT100", 7)), 0);
        }
    });
    ASSERT_EQ(telnet.Set(kTelnetTimeout, 10), 0);
    ASSERT_EQ(telnet.Connect(server.Port()), 0);
    ASSERT_TRUE(telnet.WaitFor([&] { return telnet.events.Of(kTelnetEventCommand).size() == 1; })) << server.Finish();
    std::vector<std::string> data;
    for (const RecordedEvent& e : telnet.events.Of(kTelnetEventDataIn))
        data.push_back(e.texts[0]);
    EXPECT_EQ(data, (std::vector<std::string>{"ab", "c", "\xff"}));
    EXPECT_EQ(telnet.Options(kTelnetEventDo), std::vector<int>{24});
    EXPECT_EQ(telnet.SubOptions(), (std::vector<std::string>{"\x18\x01", "\x27\x01\xf0\xff"}));
    EXPECT_EQ(telnet.Options(kTelnetEventWill), std::vector<int>{1});
    EXPECT_EQ(telnet.Options(kTelnetEventCommand), std::vector<int>{241});

    EXPECT_EQ(telnet.Set(kTelnetDoOption, 1), 0);
    EXPECT_EQ(telnet.Set(kTelnetDontOption, 3), 0);
    EXPECT_EQ(telnet.Set(kTelnetWontOption, 5), 0);
    EXPECT_EQ(telnet.Set(kTelnetCommand, 246), 0);
    EXPECT_EQ(telnet.Set(kTelnetCommand, 256), WSAEINVAL);
    EXPECT_EQ(telnet.Set(kTelnetDoOption, -1), WSAEINVAL);
    EXPECT_EQ(telnet.SetBytes(kTelnetDoSubOption, std::string("\x20\xff\x01", 3)), 0);
    EXPECT_EQ(telnet.SetBytes(kTelnetDoSubOption, std::string(1021, 'x')), WSAEMSGSIZE);
    EXPECT_EQ(std::string(Telnet_GetLastError(telnet.obj)), "A sub-negotiation holds at most 1020 bytes.");
    EXPECT_EQ(telnet.Send("plain data\r\n"), 0);
    EXPECT_EQ(telnet.Get(kTelnetBytesSent), 12);

    // Transparent: the negotiation arrives as data.
    ASSERT_EQ(telnet.Set(kTelnetTransparent, 1), 0);
    telnet.data.clear();
    ASSERT_TRUE(telnet.WaitForText(IAC + "\xfd\x01x"));
    EXPECT_EQ(telnet.Options(kTelnetEventDo), std::vector<int>{24});
    ASSERT_EQ(telnet.Set(kTelnetConnected, 0), 0);
    EXPECT_EQ(telnet.Get(kTelnetConnected), 0);
    EXPECT_EQ("", server.Finish());
}

// A sub-negotiation longer than the buffer: reported once, cut, and the
// stream goes on in step.
TEST(TelnetScripted, LongSubNegotiation)
{
    ScriptedServer server;
    server.Send(IAC + "\xfa\x18" + std::string(3000, 'a') + IAC + "\xf0" + "after").Silence();
    ASSERT_TRUE(server.Start());
    Telnet telnet;
    ASSERT_EQ(telnet.Set(kTelnetTimeout, 10), 0);
    ASSERT_EQ(telnet.Connect(server.Port()), 0);
    ASSERT_TRUE(telnet.WaitForText("after"));
    const std::vector<RecordedEvent> errors = telnet.events.Of(kTelnetEventError);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].texts[1], "SubOption string too long. Truncated.");
    ASSERT_EQ(telnet.SubOptions().size(), 1u);
    EXPECT_EQ(telnet.SubOptions()[0].size(), 1024u);
    EXPECT_EQ(telnet.data, "after");
    EXPECT_EQ(telnet.Set(kTelnetConnected, 0), 0);
    EXPECT_EQ("", server.Finish());
}

// An owner that pumps messages from inside an event: what arrives meanwhile,
// the server's close too, comes after the rest of the block being read, in
// order, and nothing stalls.
TEST(TelnetScripted, DoEventsInsideAnEvent)
{
    ScriptedServer server;
    server.Send("ab" + IAC + "\xfd\x18" + "ef").ExpectBytes(IAC + "\xfb\x18").Send("cd").Disconnect();
    ASSERT_TRUE(server.Start());
    Telnet telnet;
    size_t inside = 0;
    telnet.events.OnEvent(kTelnetEventDo, [&](const RecordedEvent&) {
        EXPECT_EQ(telnet.Set(kTelnetWillOption, 24), 0);
        while (server.Received().empty())
            Telnet_Do(telnet.obj, kTelnetDoEvents, 0, nullptr, nullptr);
        for (int i = 0; i < 10; ++i)
            Telnet_Do(telnet.obj, kTelnetDoEvents, 0, nullptr, nullptr);
        inside = telnet.data.size();
    });
    ASSERT_EQ(telnet.Set(kTelnetTimeout, 10), 0);
    ASSERT_EQ(telnet.Connect(server.Port()), 0);
    ASSERT_TRUE(telnet.WaitFor([&] { return telnet.Get(kTelnetConnected) == 0; })) << telnet.data;
    EXPECT_EQ(inside, 2u);
    EXPECT_EQ(telnet.data, "abefcd");
    EXPECT_EQ(telnet.events.Of(kTelnetEventDisconnected).size(), 1u);
    EXPECT_EQ("", server.Finish());
}

// What a server sends before it resets the connection reaches DataIn, and
// the one Disconnected comes after it (and after the event whose send found
// the reset), whatever finds the reset: an echo inside DataIn without a
// Timeout, a send with a Timeout while nothing was read, or the connect (the
// reset came before Winsock told the client it was connected).
TEST(TelnetScripted, WhatTheServerSentBeforeItsResetReachesDataIn)
{
    std::string sent;
    for (int i = 0; sent.size() < 42000; ++i)
        sent += "line " + std::to_string(i) + " of the server's\r\n";
    enum class Finds { EchoInDataIn, SendWithTimeout, Connect };
    for (Finds finds : {Finds::EchoInDataIn, Finds::SendWithTimeout, Finds::Connect}) {
        SCOPED_TRACE(finds == Finds::EchoInDataIn ? "echo in DataIn" : finds == Finds::Connect ? "connect" : "send");
        ScriptedServer server;
        if (finds == Finds::SendWithTimeout)
            server.Send(sent).ExpectBytes("first").Reset();
        else
            server.Send(sent).Reset();
        ASSERT_TRUE(server.Start());
        Telnet telnet;
        int inDataIn = 0, endedInside = 0, resetsSeen = 0;
        telnet.events.OnEvent(kTelnetEventDataIn, [&](const RecordedEvent& e) {
            telnet.data += e.texts[0];
            if (finds != Finds::EchoInDataIn)
                return;
            ++inDataIn;
            Sleep(5);
            const int rc = telnet.Send(e.texts[0]);
            resetsSeen += rc == WSAECONNRESET || rc == WSAECONNABORTED;
            --inDataIn;
        });
        telnet.events.OnEvent(kTelnetEventDisconnected, [&](const RecordedEvent&) { endedInside += inDataIn > 0; });
        ASSERT_EQ(telnet.Set(kTelnetTimeout, 5), 0);
        if (finds == Finds::Connect) {
            ResetAtConnect reset;
            EXPECT_EQ(telnet.Connect(server.Port()), 0) << Telnet_GetLastError(telnet.obj);
            EXPECT_EQ(reset.Posted(), 1);
        } else {
            ASSERT_EQ(telnet.Connect(server.Port()), 0) << Telnet_GetLastError(telnet.obj);
        }
        if (finds == Finds::SendWithTimeout) {
            ASSERT_EQ(telnet.Send("first"), 0);
            for (const DWORD start = GetTickCount(); server.Received().empty() && GetTickCount() - start < 5000;)
                Sleep(10);
            Sleep(200);
            const int rc = telnet.Send("second");
            resetsSeen += rc == WSAECONNRESET || rc == WSAECONNABORTED;
        }
        if (finds == Finds::EchoInDataIn) {
            ASSERT_EQ(telnet.Set(kTelnetTimeout, 0), 0);
        }
        EXPECT_TRUE(telnet.WaitFor([&] { return telnet.Get(kTelnetConnected) == 0; }));
        for (int i = 0; i < 10; ++i)
            Telnet_Do(telnet.obj, kTelnetDoEvents, 0, nullptr, nullptr);
        EXPECT_EQ("", server.Finish());
        EXPECT_TRUE(telnet.data == sent) << telnet.data.size() << " of " << sent.size() << " bytes";
        if (finds != Finds::Connect) {
            EXPECT_GE(resetsSeen, 1) << "no send found the reset: nothing was tested";
        }
        EXPECT_EQ(endedInside, 0);
        EXPECT_EQ(telnet.events.Of(kTelnetEventDisconnected).size(), 1u);
        const std::vector<RecordedEvent> connected = telnet.events.Of(kTelnetEventConnected);
        ASSERT_EQ(connected.size(), 1u);
        EXPECT_EQ(connected[0].values[0], 0);
    }
}

TEST(TelnetPeers, UrgentDataGoesOutOfBand)
{
    Telnet telnet;
    ASSERT_EQ(telnet.Set(kTelnetTimeout, 10), 0);
    ASSERT_EQ(telnet.Connect(kUrgentPeer), 0);
    ASSERT_EQ(telnet.Send("ab"), 0);
    // Telnet's Synch: IAC DM, the DM marked urgent.
    ASSERT_EQ(telnet.SetBytes(kTelnetUrgentData, IAC + "\xf2"), 0);
    ASSERT_TRUE(telnet.WaitForText("\r\n"));
    EXPECT_EQ(telnet.data, "inline=6162ff oob=f2\r\n");
}

// A whole session with telnetd: the owner answers the negotiation, gives
// its terminal type, logs in and runs a command; then interrupts a long one.
TEST(TelnetPeers, LoginSession)
{
    Telnet telnet;
    telnet.events.OnEvent(kTelnetEventDo, [&](const RecordedEvent& e) {
        const int option = int(e.values[0]);
        EXPECT_EQ(telnet.Set(option == 24 ? kTelnetWillOption : kTelnetWontOption, option), 0);
    });
    telnet.events.OnEvent(kTelnetEventWill, [&](const RecordedEvent& e) {
        const int option = int(e.values[0]);
        EXPECT_EQ(telnet.Set(option == 1 || option == 3 ? kTelnetDoOption : kTelnetDontOption, option), 0);
    });
    telnet.events.OnEvent(kTelnetEventSubOption, [&](const RecordedEvent& e) {
        if (e.texts[0] == "\x18\x01") {
            EXPECT_EQ(telnet.SetBytes(kTelnetDoSubOption, std::string("\x18\x00VT100", 7)), 0);
        }
    });
    ASSERT_EQ(telnet.Set(kTelnetTimeout, 10), 0);
    ASSERT_EQ(telnet.Connect(kTelnetd), 0);
    ASSERT_TRUE(telnet.WaitForText("login: ")) << telnet.data;
    EXPECT_EQ(telnet.Options(kTelnetEventDo).front(), 24) << "telnetd asks for the terminal type first";
    EXPECT_FALSE(telnet.SubOptions().empty());
    ASSERT_EQ(telnet.Send("kesuser\r\n"), 0);
    ASSERT_TRUE(telnet.WaitForText("Password: ")) << telnet.data;
    ASSERT_EQ(telnet.Send("wonder\r\n"), 0);
    ASSERT_TRUE(telnet.WaitForText("kes$ ")) << telnet.data;
    ASSERT_EQ(telnet.Send("echo TELNET-$((6*7)) $TERM\r\n"), 0);
    ASSERT_TRUE(telnet.WaitForText("TELNET-42 vt100")) << telnet.data;
    // Interrupt Process stops the command that runs; telnetd answers with
    // its Synch (IAC DM), then the shell prompts again. "started" comes from
    // the command itself, so it holds the terminal when the interrupt comes.
    ASSERT_EQ(telnet.Send("sh -c 'echo start\"\"ed; exec sleep 60'; echo la''te\r\n"), 0);
    ASSERT_TRUE(telnet.WaitForText("started\r\n"));
    const size_t started = telnet.data.size();
    ASSERT_EQ(telnet.Set(kTelnetCommand, 244), 0);
    ASSERT_TRUE(telnet.WaitFor([&] { return telnet.data.find("kes$ ", started) != std::string::npos; })) << telnet.data;
    EXPECT_EQ(telnet.Options(kTelnetEventCommand), std::vector<int>{242});
    ASSERT_EQ(telnet.Send("echo after-$((1+1))\r\n"), 0);
    ASSERT_TRUE(telnet.WaitForText("after-2")) << telnet.data;
    EXPECT_EQ(telnet.data.find("late\r\n"), std::string::npos);
    ASSERT_EQ(telnet.Send("exit\r\n"), 0);
    ASSERT_TRUE(telnet.WaitFor([&] { return telnet.Get(kTelnetConnected) == 0; }));
    EXPECT_EQ(telnet.events.Of(kTelnetEventDisconnected).size(), 1u);
}

} // namespace

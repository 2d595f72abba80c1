// UDPPort through its exported functions on 127.0.0.1: between two
// components, and against the Python peer on port 20801 (echo, one big
// datagram, many datagrams on request).
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "netcomp/core/framework/AnswerText.h"
#include "netcomp/include/netcomp.h"
#include "netcomp/include/netcomp_udpport.h"
#include "netcomp/testing/EventRecorder.h"

namespace {

constexpr int kPeerPort = 20801;

struct Port {
    void* obj = nullptr;
    EventRecorder events;

    Port()
    {
        events.TextsAt(kUdpPortEventDataIn, {0, 1});
        events.TextsAt(kUdpPortEventError, {1});
        obj = UDPPort_Create(EventRecorder::Callback, events.User(), nullptr);
    }
    ~Port() { UDPPort_Destroy(obj); }

    std::vector<std::string> Data() const
    {
        std::vector<std::string> out;
        for (const RecordedEvent& e : events.Of(kUdpPortEventDataIn))
            out.push_back(e.texts[0]);
        return out;
    }
    std::string Source(size_t i) const
    {
        const RecordedEvent e = events.Of(kUdpPortEventDataIn).at(i);
        return e.texts[1] + ":" + std::to_string(e.values[2]);
    }
    std::vector<RecordedEvent> Errors() const { return events.Of(kUdpPortEventError); }
    void CloseOnData()
    {
        events.OnEvent(kUdpPortEventDataIn, [this](const RecordedEvent&) { Set(kUdpPortActive, 0); });
    }

    int Set(int property, INT_PTR value, int length = 0) { return UDPPort_Set(obj, property, 0, value, length); }
    int SetText(int property, const char* text) { return Set(property, reinterpret_cast<INT_PTR>(text)); }
    INT_PTR Get(int property) { return UDPPort_Get(obj, property, 0, nullptr); }
    std::string GetText(int property) { return reinterpret_cast<const char*>(Get(property)); }
    int Send(const std::string& bytes)
    {
        return Set(kUdpPortDataToSend, reinterpret_cast<INT_PTR>(bytes.data()), int(bytes.size()));
    }

    std::string Config(const char* setting)
    {
        INT_PTR args[2] = {reinterpret_cast<INT_PTR>(setting), 0};
        int lengths[2] = {};
        const int rc = UDPPort_Do(obj, kUdpPortConfig, 2, args, lengths);
        return rc != 0 ? "rc" + std::to_string(rc) : AnswerText(args[1]);
    }

    // Pumps the component's window until count datagrams or errors have come, at most about 3 s.
    void Pump(size_t count)
    {
        for (int i = 0; i < 150 && Data().size() + Errors().size() < count; ++i)
            UDPPort_Do(obj, kUdpPortDoEvents, 0, nullptr, nullptr);
    }
    void PumpIdle()
    {
        for (int i = 0; i < 15; ++i)
            UDPPort_Do(obj, kUdpPortDoEvents, 0, nullptr, nullptr);
    }
};

void ToPeer(Port& p)
{
    ASSERT_EQ(p.SetText(kUdpPortRemoteHost, "127.0.0.1"), 0);
    ASSERT_EQ(p.Set(kUdpPortRemotePort, kPeerPort), 0);
    ASSERT_EQ(p.Set(kUdpPortActive, 1), 0) << UDPPort_GetLastError(p.obj);
}

TEST(UdpPort, SendsAndReceivesBetweenTwoPorts)
{
    Port a, b;
    ASSERT_EQ(a.Set(kUdpPortLocalPort, 20802), 0);
    ASSERT_EQ(a.Set(kUdpPortActive, 1), 0) << UDPPort_GetLastError(a.obj);
    ASSERT_EQ(b.SetText(kUdpPortRemoteHost, "127.0.0.1"), 0);
    ASSERT_EQ(b.Set(kUdpPortRemotePort, 20802), 0);
    ASSERT_EQ(b.Set(kUdpPortActive, 1), 0);
    const int bPort = int(b.Get(kUdpPortLocalPort));
    EXPECT_NE(bPort, 0); // the port the system chose
    const std::string binary("one\0two\xff", 8);
    ASSERT_EQ(b.Send(binary), 0);
    ASSERT_EQ(b.Send(""), 0); // nothing is sent
    ASSERT_EQ(b.Send("second"), 0);
    // The Send method takes the bytes with the length given for them.
    INT_PTR args[1] = {reinterpret_cast<INT_PTR>("third\0x")};
    int lengths[1] = {7};
    ASSERT_EQ(UDPPort_Do(b.obj, kUdpPortSend, 1, args, lengths), 0);
    a.Pump(3);
    a.PumpIdle();
    ASSERT_EQ(a.Data().size(), 3u);
    EXPECT_EQ(a.Data()[0], binary);
    EXPECT_EQ(a.Data()[1], "second");
    EXPECT_EQ(a.Data()[2], std::string("third\0x", 7));
    EXPECT_EQ(a.Source(0), "127.0.0.1:" + std::to_string(bPort));
}

TEST(UdpPort, EchoAndOversizeDatagramsFromPeer)
{
    Port p;
    // Sizes below 0, and values that are no number, are refused.
    for (const char* bad : {"MaxPacketSize=-1", "MaxPacketSize=abc", "InBufferSize=-5", "OutBufferSize=-2147483648"})
        EXPECT_EQ(p.Config(bad), "rc-1") << bad;
    EXPECT_EQ(p.Config("MaxPacketSize"), "8192");
    ASSERT_EQ(p.Config("MaxPacketSize=100"), "");
    ToPeer(p);
    EXPECT_EQ(p.Config("MaxPacketSize=200"), "rc112");
    ASSERT_EQ(p.Send("hello, peer"), 0);
    p.Pump(1);
    EXPECT_GE(p.events.Of(kUdpPortEventReadyToSend).size(), 1); // the socket reports it can send once it is set up
    ASSERT_EQ(p.Data().size(), 1u);
    EXPECT_EQ(p.Data()[0], "hello, peer");
    EXPECT_EQ(p.Source(0), "127.0.0.1:20801");
    // 100 bytes fit exactly; 101 do not.
    ASSERT_EQ(p.Send("BIG 100"), 0);
    p.Pump(2);
    ASSERT_EQ(p.Data().size(), 2u);
    EXPECT_EQ(p.Data()[1], std::string(100, 'x'));
    ASSERT_EQ(p.Send("BIG 5000"), 0);
    p.Pump(3);
    ASSERT_EQ(p.Errors().size(), 1u);
    EXPECT_EQ(p.Errors()[0].values[0], 10040);
    EXPECT_EQ(p.Errors()[0].texts[1], "Winsock error in recv()");
}

TEST(UdpPort, ConnectedSocketTalksToItsPeerOnly)
{
    Port p;
    EXPECT_EQ(p.Config("UseConnection=True"), "");
    EXPECT_EQ(p.Set(kUdpPortActive, 1), 116);
    EXPECT_EQ(p.Get(kUdpPortActive), 0);
    ToPeer(p);
    EXPECT_EQ(p.Config("UseConnection"), "True");
    EXPECT_EQ(p.Config("UseConnection=False"), "rc117");
    EXPECT_EQ(p.SetText(kUdpPortRemoteHost, "127.0.0.2"), 114);
    EXPECT_EQ(p.Set(kUdpPortRemotePort, 7), 115);
    ASSERT_EQ(p.Send("connected"), 0);
    p.Pump(1);
    ASSERT_EQ(p.Data().size(), 1u);
    EXPECT_EQ(p.Data()[0], "connected");
    EXPECT_EQ(p.Source(0), "127.0.0.1:20801");
}

TEST(UdpPort, PropertiesAndOptionsReadBack)
{
    Port p;
    EXPECT_EQ(p.Get(kUdpPortAcceptData), 1);
    EXPECT_EQ(p.Send("x"), 109);
    EXPECT_STREQ(UDPPort_GetLastError(p.obj), "The control must be Active for this operation.");
    EXPECT_EQ(p.GetText(kUdpPortRemoteHost), "");
    ASSERT_EQ(p.SetText(kUdpPortRemoteHost, "255.255.255.255"), 0);
    EXPECT_EQ(p.GetText(kUdpPortRemoteHost), "255.255.255.255");
    // A label over 63 characters is refused by the resolver itself, so no
    // query leaves the machine.
    EXPECT_NE(p.SetText(kUdpPortRemoteHost, (std::string(70, 'x') + ".invalid").c_str()), 0);
    EXPECT_EQ(p.GetText(kUdpPortRemoteHost), "");
    EXPECT_EQ(p.Set(kUdpPortTimeToLive, 33), 0);
    EXPECT_EQ(p.Set(kUdpPortTimeToLive, 0), 0);
    EXPECT_EQ(p.Get(kUdpPortTimeToLive), 33);
    EXPECT_EQ(p.Get(kUdpPortDataToSend), 0);
    EXPECT_EQ(p.Set(99, 1), -1);
    EXPECT_EQ(p.Get(99), 0);
    ToPeer(p);
    EXPECT_EQ(p.Set(kUdpPortActive, 1), 104);
    EXPECT_EQ(p.Set(kUdpPortLocalPort, 5), 106);
    EXPECT_EQ(p.SetText(kUdpPortLocalHost, "127.0.0.1"), 107);
    EXPECT_EQ(p.GetText(kUdpPortLocalHost), "0.0.0.0");
    EXPECT_EQ(p.Config("QOSFlags=16"), "");
    EXPECT_EQ(p.Config("QOSFlags"), "16");
    EXPECT_EQ(p.Config("InBufferSize=65536"), "");
    EXPECT_EQ(p.Config("InBufferSize"), "65536");
    EXPECT_EQ(p.Set(kUdpPortDontRoute, 1), 0);
    EXPECT_EQ(p.Get(kUdpPortDontRoute), 1);
    EXPECT_NE(p.Config("SocketHandle"), "-1");
    ASSERT_EQ(p.Set(kUdpPortAcceptData, 0), 0);
    ASSERT_EQ(p.Set(kUdpPortActive, 0), 0);
    EXPECT_EQ(p.Get(kUdpPortAcceptData), 1);
    EXPECT_EQ(p.Config("SocketHandle"), "-1");
}

TEST(UdpPort, AcceptDataHoldsAndReleasesDatagrams)
{
    Port p;
    ToPeer(p);
    ASSERT_EQ(p.Set(kUdpPortAcceptData, 0), 0);
    ASSERT_EQ(p.Send("MANY 3"), 0);
    p.PumpIdle();
    EXPECT_TRUE(p.Data().empty());
    ASSERT_EQ(p.Set(kUdpPortAcceptData, 1), 0);
    p.Pump(3);
    ASSERT_EQ(p.Data().size(), 3u);
    EXPECT_EQ(p.Data()[0] + p.Data()[1] + p.Data()[2], "123");
}

TEST(UdpPort, ClosingInsideDataInEndsDelivery)
{
    Port p;
    ToPeer(p);
    p.CloseOnData();
    ASSERT_EQ(p.Set(kUdpPortAcceptData, 0), 0);
    ASSERT_EQ(p.Send("MANY 4"), 0);
    p.PumpIdle();
    ASSERT_EQ(p.Set(kUdpPortAcceptData, 1), 0);
    p.Pump(1);
    p.PumpIdle();
    EXPECT_EQ(p.Data().size(), 1u);
    EXPECT_EQ(p.Get(kUdpPortActive), 0);
}

TEST(UdpPort, SharedLocalPort)
{
    Port a, b, c;
    ASSERT_EQ(a.Config("ShareLocalPort=True"), "");
    ASSERT_EQ(a.Set(kUdpPortLocalPort, 20803), 0);
    ASSERT_EQ(a.Set(kUdpPortActive, 1), 0);
    ASSERT_EQ(b.Set(kUdpPortLocalPort, 20803), 0);
    EXPECT_EQ(b.Set(kUdpPortActive, 1), 10048);
    EXPECT_EQ(b.Get(kUdpPortActive), 0);
    ASSERT_EQ(c.Config("ShareLocalPort=True"), "");
    ASSERT_EQ(c.Set(kUdpPortLocalPort, 20803), 0);
    EXPECT_EQ(c.Set(kUdpPortActive, 1), 0);
    EXPECT_EQ(c.Config("ShareLocalPort"), "True");
}

} // namespace

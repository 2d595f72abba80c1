// UDPPort through its exported functions on 127.0.0.1: between two
// components, and against the Python peer on port 20801 (echo, one big
// datagram, many datagrams on request).
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "netcomp/include/netcomp.h"
#include "netcomp/include/netcomp_udpport.h"

namespace {

constexpr int kPeerPort = 20801;

struct Port {
    void* obj = nullptr;
    std::vector<std::string> data;
    std::vector<std::string> sources;
    std::vector<int> errors;
    std::vector<std::string> errorTexts;
    int readyToSend = 0;
    bool closeOnData = false;

    Port() { obj = UDPPort_Create(&Port::Record, reinterpret_cast<INT_PTR>(this), nullptr); }
    ~Port() { UDPPort_Destroy(obj); }

    static int WINAPI Record(INT_PTR user, int event, int, INT_PTR* params, int* lengths)
    {
        auto* self = reinterpret_cast<Port*>(user);
        if (event == kUdpPortEventDataIn) {
            self->data.emplace_back(reinterpret_cast<const char*>(params[0]), size_t(lengths[0]));
            self->sources.push_back(std::string(reinterpret_cast<const char*>(params[1])) + ":" +
                                    std::to_string(params[2]));
            if (self->closeOnData)
                UDPPort_Set(self->obj, kUdpPortActive, 0, 0, 0);
        } else if (event == kUdpPortEventReadyToSend) {
            ++self->readyToSend;
        } else if (event == kUdpPortEventError) {
            self->errors.push_back(int(params[0]));
            self->errorTexts.push_back(reinterpret_cast<const char*>(params[1]));
        }
        return 0;
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
        return rc != 0 ? "rc" + std::to_string(rc) : args[1] ? reinterpret_cast<const char*>(args[1]) : "";
    }

    // Pumps the component's window until count datagrams or errors have come, at most about 3 s.
    void Pump(size_t count)
    {
        for (int i = 0; i < 150 && data.size() + errors.size() < count; ++i)
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
    a.Pump(2);
    a.PumpIdle();
    ASSERT_EQ(a.data.size(), 2u);
    EXPECT_EQ(a.data[0], binary);
    EXPECT_EQ(a.data[1], "second");
    EXPECT_EQ(a.sources[0], "127.0.0.1:" + std::to_string(bPort));
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
    EXPECT_GE(p.readyToSend, 1); // the socket reports it can send once it is set up
    ASSERT_EQ(p.data.size(), 1u);
    EXPECT_EQ(p.data[0], "hello, peer");
    EXPECT_EQ(p.sources[0], "127.0.0.1:20801");
    // 100 bytes fit exactly; 101 do not.
    ASSERT_EQ(p.Send("BIG 100"), 0);
    p.Pump(2);
    ASSERT_EQ(p.data.size(), 2u);
    EXPECT_EQ(p.data[1], std::string(100, 'x'));
    ASSERT_EQ(p.Send("BIG 5000"), 0);
    p.Pump(3);
    ASSERT_EQ(p.errors.size(), 1u);
    EXPECT_EQ(p.errors[0], 10040);
    EXPECT_EQ(p.errorTexts[0], "Winsock error in recv()");
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
    ASSERT_EQ(p.data.size(), 1u);
    EXPECT_EQ(p.data[0], "connected");
    EXPECT_EQ(p.sources[0], "127.0.0.1:20801");
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
    EXPECT_NE(p.SetText(kUdpPortRemoteHost, "no-such-host.invalid"), 0);
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
    EXPECT_TRUE(p.data.empty());
    ASSERT_EQ(p.Set(kUdpPortAcceptData, 1), 0);
    p.Pump(3);
    ASSERT_EQ(p.data.size(), 3u);
    EXPECT_EQ(p.data[0] + p.data[1] + p.data[2], "123");
}

TEST(UdpPort, ClosingInsideDataInEndsDelivery)
{
    Port p;
    ToPeer(p);
    p.closeOnData = true;
    ASSERT_EQ(p.Set(kUdpPortAcceptData, 0), 0);
    ASSERT_EQ(p.Send("MANY 4"), 0);
    p.PumpIdle();
    ASSERT_EQ(p.Set(kUdpPortAcceptData, 1), 0);
    p.Pump(1);
    p.PumpIdle();
    EXPECT_EQ(p.data.size(), 1u);
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

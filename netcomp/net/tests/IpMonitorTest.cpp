// IPMonitor through its exported functions under Wine, which has no raw
// socket of protocol 0 and no receive-all switch: activation fails with the
// platform's Winsock error and leaves the monitor inactive. Packets are
// handed to the engine as its socket would, to see them reported.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "netcomp/core/framework/ComponentObject.h"
#include "netcomp/include/netcomp.h"
#include "netcomp/include/netcomp_ipmonitor.h"
#include "netcomp/net/icmp/IpMonitorEngine.h"
#include "netcomp/testing/EventRecorder.h"

namespace {

struct Monitor {
    void* obj = nullptr;
    EventRecorder events;

    Monitor()
    {
        events.TextsAt(kIpMonitorEventPacketIn, {0, 2, 12});
        events.TextsAt(kIpMonitorEventInterface, {0});
        obj = IPMonitor_Create(EventRecorder::Callback, events.User(), nullptr);
    }
    ~Monitor() { IPMonitor_Destroy(obj); }

    std::string Packet()
    {
        int length = -1;
        const auto* data = reinterpret_cast<const char*>(IPMonitor_Get(obj, kIpMonitorIPPacket, 0, &length));
        return std::string(data, std::size_t(length < 0 ? 0 : length));
    }
    void Deliver(const std::vector<std::uint8_t>& packet)
    {
        ComponentObject<IpMonitorEngine>::FromHandle(obj)->GetEngine().DeliverRaw(packet.data(), int(packet.size()),
                                                                                  "");
    }
};

TEST(IpMonitor, ActivationFailsWithThePlatformsErrorUnderWine)
{
    Monitor monitor;
    const int rc = IPMonitor_Set(monitor.obj, kIpMonitorActive, 0, 1, 0);
    EXPECT_EQ(10043, rc) << "no raw socket of protocol 0 (WSAEPROTONOSUPPORT)";
    EXPECT_STRNE("", IPMonitor_GetLastError(monitor.obj));
    EXPECT_EQ(0, IPMonitor_Get(monitor.obj, kIpMonitorActive, 0, nullptr));
    // The empty LocalHost became this computer's own address.
    EXPECT_STRNE("", reinterpret_cast<const char*>(IPMonitor_Get(monitor.obj, kIpMonitorLocalHost, 0, nullptr)));

    int length = 0;
    EXPECT_EQ(rc, IPMonitor_Do(monitor.obj, kIpMonitorListInterfaces, 0, nullptr, &length));
    EXPECT_TRUE(monitor.events.Of(kIpMonitorEventInterface).empty());
    EXPECT_EQ(0, IPMonitor_Set(monitor.obj, kIpMonitorActive, 0, 0, 0));
}

TEST(IpMonitor, ReportsEachPacketWithThePacketReadableMeanwhile)
{
    Monitor monitor;
    // A TCP SYN from 127.0.0.1:1025 to 127.0.0.1:80, as captured on Linux.
    const std::vector<std::uint8_t> syn = {0x45, 0x00, 0x00, 0x3c, 0x60, 0x85, 0x40, 0x00, 0x40, 0x06, 0xdc, 0x34,
                                           0x7f, 0x00, 0x00, 0x01, 0x7f, 0x00, 0x00, 0x01, 0x04, 0x01, 0x00, 0x50,
                                           0xe1, 0x1a, 0xec, 0xa0, 0x00, 0x00, 0x00, 0x00, 0xa0, 0x02, 0xff, 0xd7,
                                           0xfe, 0x30, 0x00, 0x00, 0x02, 0x04, 0xff, 0xd7, 0x04, 0x02, 0x08, 0x0a,
                                           0x1d, 0x8c, 0x5b, 0xb2, 0x00, 0x00, 0x00, 0x00, 0x01, 0x03, 0x03, 0x07};
    std::string during;
    monitor.events.OnEvent(kIpMonitorEventPacketIn, [&](const RecordedEvent&) { during = monitor.Packet(); });
    monitor.Deliver(syn);
    const auto packets = monitor.events.Of(kIpMonitorEventPacketIn);
    ASSERT_EQ(1u, packets.size());
    const RecordedEvent& p = packets[0];
    EXPECT_EQ("127.0.0.1", p.texts[0]);
    EXPECT_EQ(1025, p.values[1]);
    EXPECT_EQ(80, p.values[3]);
    EXPECT_EQ(4, p.values[4]);
    EXPECT_EQ(0x6085, p.values[6]);
    EXPECT_EQ(2, p.values[7]);
    EXPECT_EQ(64, p.values[9]);
    EXPECT_EQ(0xdc34, p.values[10]);
    EXPECT_EQ(6, p.values[11]);
    EXPECT_EQ(40, p.lengths[12]);
    EXPECT_EQ(std::string(syn.begin() + 20, syn.end()), p.texts[12]);
    EXPECT_EQ(std::string(syn.begin(), syn.end()), during);
    EXPECT_EQ("", monitor.Packet()) << "only during PacketIn";

    // A header longer than what arrived reports no payload and no ports.
    monitor.events.Clear();
    std::vector<std::uint8_t> lying(syn.begin(), syn.begin() + 22);
    lying[0] = 0x4F;
    monitor.Deliver(lying);
    ASSERT_EQ(1u, monitor.events.Of(kIpMonitorEventPacketIn).size());
    EXPECT_EQ(0, monitor.events.Of(kIpMonitorEventPacketIn)[0].lengths[12]);
    EXPECT_EQ(0, monitor.events.Of(kIpMonitorEventPacketIn)[0].values[1]);
    // Under 20 bytes there is no header to report.
    monitor.Deliver(std::vector<std::uint8_t>(syn.begin(), syn.begin() + 12));
    EXPECT_EQ(1u, monitor.events.Of(kIpMonitorEventPacketIn).size());
}

} // namespace

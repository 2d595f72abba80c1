// MCast through its exported functions in the client namespace of hops.sh:
// two objects on one shared port and group, joined on the client's
// interface 198.18.1.2 (the only one multicast may use in there), and
// mcast_peer.py, a Python socket in the same group that answers each
// datagram to its source.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "netcomp/include/netcomp.h"
#include "netcomp/include/netcomp_mcast.h"
#include "netcomp/testing/EventRecorder.h"

namespace {

constexpr const char* kGroup = "239.255.42.99";
constexpr const char* kOtherGroup = "239.255.42.100"; // the peer's is kGroup
constexpr const char* kInterface = "198.18.1.2";
constexpr int kPort = 20810;
constexpr int kPeerPort = 20811;

INT_PTR T(const char* text)
{
    return reinterpret_cast<INT_PTR>(text);
}

struct Mcast {
    void* obj = nullptr;
    EventRecorder events;

    Mcast()
    {
        events.TextsAt(kMcastEventDataIn, {0, 1});
        events.TextsAt(kMcastEventError, {1});
        obj = MCast_Create(EventRecorder::Callback, events.User(), nullptr);
    }
    ~Mcast() { MCast_Destroy(obj); }

    int Set(int property, INT_PTR value, int length = 0) { return MCast_Set(obj, property, 0, value, length); }
    std::string Text(int property) { return reinterpret_cast<const char*>(MCast_Get(obj, property, 0, nullptr)); }
    int Send(const std::string& data)
    {
        return Set(kMcastDataToSend, reinterpret_cast<INT_PTR>(data.data()), int(data.size()));
    }
    // On the client's interface, in the group, on the shared port.
    void Join(const char* group = kGroup)
    {
        ASSERT_EQ(0, Set(kMcastLocalPort, kPort));
        ASSERT_EQ(0, Set(kMcastReceiveInterface, T(kInterface)));
        ASSERT_EQ(0, Set(kMcastSendInterface, T(kInterface)));
        ASSERT_EQ(0, Set(kMcastMulticastGroup, T(group)));
        ASSERT_EQ(0, Set(kMcastActive, 1)) << MCast_GetLastError(obj);
    }
    std::vector<std::string> Data() const
    {
        std::vector<std::string> out;
        for (const RecordedEvent& e : events.Of(kMcastEventDataIn))
            out.push_back(e.texts[0]);
        return out;
    }
    void Pump(int steps)
    {
        for (int i = 0; i < steps; ++i) {
            int length = 0;
            MCast_Do(obj, kMcastDoEvents, 0, nullptr, &length);
        }
    }
};

// Pumps both objects until pred holds, for at most ten seconds.
template <class Pred>
bool WaitFor(Mcast& a, Mcast& b, Pred pred)
{
    for (int i = 0; i < 250 && !pred(); ++i) {
        a.Pump(1);
        b.Pump(1);
    }
    return pred();
}

using Texts = std::vector<std::string>;

TEST(Mcast, TwoObjectsShareAPortAndAGroup)
{
    Mcast a, b;
    a.Join();
    b.Join();
    EXPECT_EQ(kGroup, a.Text(kMcastMulticastGroup)) << "a plain group is kept for the next activation";
    ASSERT_EQ(0, a.Set(kMcastRemoteHost, T(kGroup)));
    ASSERT_EQ(0, a.Set(kMcastRemotePort, kPort));
    ASSERT_EQ(0, a.Send("to the group"));
    ASSERT_TRUE(WaitFor(a, b, [&] { return !a.Data().empty() && !b.Data().empty(); }));
    EXPECT_EQ(Texts{"to the group"}, b.Data());
    EXPECT_EQ(Texts{"to the group"}, a.Data()) << "Loopback is on";
    const RecordedEvent in = b.events.Of(kMcastEventDataIn)[0];
    EXPECT_EQ(kInterface, in.texts[1]);
    EXPECT_EQ(kPort, in.values[2]);
}

// The group's datagrams reach this computer while one of its sockets is a
// member (Linux then hands them to every socket on the port): b alone is the
// member of this group, a only sends.
TEST(Mcast, LeavingAndJoiningWhileActive)
{
    Mcast a, b;
    a.Join("");
    b.Join(kOtherGroup);
    ASSERT_EQ(0, a.Set(kMcastRemoteHost, T(kOtherGroup)));
    ASSERT_EQ(0, a.Set(kMcastRemotePort, kPort));
    ASSERT_EQ(0, a.Send("member"));
    ASSERT_TRUE(WaitFor(a, b, [&] { return !b.Data().empty(); }));

    ASSERT_EQ(0, b.Set(kMcastMulticastGroup, T("-239.255.42.100")));
    EXPECT_EQ("", b.Text(kMcastMulticastGroup)) << "a signed text acts once";
    b.events.Clear();
    ASSERT_EQ(0, a.Send("after leaving"));
    a.Pump(25);
    b.Pump(25);
    EXPECT_TRUE(b.Data().empty());

    ASSERT_EQ(0, b.Set(kMcastMulticastGroup, T("+239.255.42.100")));
    ASSERT_EQ(0, a.Send("joined again"));
    ASSERT_TRUE(WaitFor(a, b, [&] { return !b.Data().empty(); }));
    EXPECT_EQ(Texts{"joined again"}, b.Data());

    // Loopback off keeps a's datagrams off this computer's own sockets.
    ASSERT_EQ(0, a.Set(kMcastLoopback, 0));
    EXPECT_EQ(0, MCast_Get(a.obj, kMcastLoopback, 0, nullptr));
    b.events.Clear();
    ASSERT_EQ(0, a.Send("unheard"));
    a.Pump(25);
    b.Pump(25);
    EXPECT_TRUE(b.Data().empty());
}

TEST(Mcast, APeerInTheGroupAnswers)
{
    Mcast a, unused;
    a.Join();
    ASSERT_EQ(0, a.Set(kMcastRemoteHost, T(kGroup)));
    ASSERT_EQ(0, a.Set(kMcastRemotePort, kPeerPort));
    const std::string big(1500, 'm');
    for (const std::string& data : {std::string("ping:1"), big}) {
        a.events.Clear();
        ASSERT_EQ(0, a.Send(data));
        ASSERT_TRUE(WaitFor(a, unused, [&] { return !a.Data().empty(); }));
        EXPECT_EQ("echo:" + data, a.Data()[0]);
        EXPECT_EQ(kInterface, a.events.Of(kMcastEventDataIn)[0].texts[1]);
        EXPECT_EQ(kPeerPort, a.events.Of(kMcastEventDataIn)[0].values[2]);
    }
}

TEST(Mcast, AFailedJoinFailsTheActivation)
{
    Mcast a;
    ASSERT_EQ(0, a.Set(kMcastLocalPort, kPort));
    ASSERT_EQ(0, a.Set(kMcastMulticastGroup, T(kInterface))); // no group address
    const int rc = a.Set(kMcastActive, 1);
    EXPECT_NE(0, rc);
    EXPECT_EQ(0, MCast_Get(a.obj, kMcastActive, 0, nullptr));
    EXPECT_STRNE("", MCast_GetLastError(a.obj));

    // Joining while active fails the same way and the socket stays.
    ASSERT_EQ(0, a.Set(kMcastMulticastGroup, T("")));
    ASSERT_EQ(0, a.Set(kMcastActive, 1));
    EXPECT_NE(0, a.Set(kMcastMulticastGroup, T("+198.18.1.2")));
    EXPECT_EQ(1, MCast_Get(a.obj, kMcastActive, 0, nullptr));
    EXPECT_EQ(104, a.Set(kMcastActive, 1));
    EXPECT_EQ(106, a.Set(kMcastLocalPort, 1));
}

TEST(Mcast, RefusesWhatNeedsAnActiveSocket)
{
    Mcast a;
    EXPECT_EQ(109, a.Set(kMcastMulticastGroup, T("+239.255.42.99")));
    EXPECT_STREQ("The control must be Active before any join/leave operations may be performed.",
                 MCast_GetLastError(a.obj));
    EXPECT_EQ(109, a.Send("x"));
    EXPECT_STREQ("MCast must be Active for this operation.", MCast_GetLastError(a.obj));
    ASSERT_EQ(0, a.Set(kMcastReceiveInterface, T("not an address")));
    EXPECT_EQ("", a.Text(kMcastReceiveInterface));
    EXPECT_EQ(7, MCast_Get(a.obj, kMcastTimeToLive, 0, nullptr));
}

} // namespace

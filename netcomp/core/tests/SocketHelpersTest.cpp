// The helpers that every socket engine stands on: the socket holder closes
// what it holds exactly once, host texts resolve without Winsock's own
// errors getting lost, and socket options report the Winsock code.
#include <gtest/gtest.h>

#include "netcomp/core/framework/NetComponent.h"
#include "netcomp/core/framework/OwnedHandle.h"
#include "netcomp/core/framework/WinsockBinding.h"
#include "netcomp/core/tests/ProbeComponent.h"

namespace {

bool IsOpenSocket(SOCKET s)
{
    int type = 0;
    return NetComponent::GetSocketOption(s, SOL_SOCKET, SO_TYPE, &type) == 0;
}

TEST(SocketHelpers, HolderClosesOnceAndReleaseGivesUp)
{
    void* probe = Probe_Create(nullptr, 0, nullptr); // holds Winsock
    ASSERT_NE(probe, nullptr);
    SOCKET first = Ws().socket(AF_INET, SOCK_DGRAM, 0);
    SOCKET second = Ws().socket(AF_INET, SOCK_DGRAM, 0);
    ASSERT_TRUE(first != INVALID_SOCKET && second != INVALID_SOCKET);
    {
        SocketHandle holder(first);
        holder.Reset(second); // the first goes now
        EXPECT_FALSE(IsOpenSocket(first));
        EXPECT_TRUE(IsOpenSocket(second));
        SocketHandle moved(std::move(holder));
        EXPECT_FALSE(holder.IsOpen());
        EXPECT_EQ(second, moved.Get());
    }
    EXPECT_FALSE(IsOpenSocket(second));

    SOCKET kept = Ws().socket(AF_INET, SOCK_DGRAM, 0);
    {
        SocketHandle holder(kept);
        EXPECT_EQ(kept, holder.Release());
    }
    EXPECT_TRUE(IsOpenSocket(kept));
    EXPECT_EQ(0, NetComponent::SetSocketOption(kept, SOL_SOCKET, SO_BROADCAST, 1));
    int value = 0;
    EXPECT_EQ(0, NetComponent::GetSocketOption(kept, SOL_SOCKET, SO_BROADCAST, &value));
    EXPECT_NE(0, value);
    Ws().closesocket(kept);
    EXPECT_EQ(WSAENOTSOCK, NetComponent::SetSocketOption(kept, SOL_SOCKET, SO_BROADCAST, 1));
    Probe_Destroy(probe);
}

TEST(SocketHelpers, ResolveHost)
{
    unsigned long address = 0;
    EXPECT_EQ(WSANOTINITIALISED, NetComponent::ResolveHost("127.0.0.1", &address)); // nothing holds Winsock
    EXPECT_EQ(0u, address);
    void* probe = Probe_Create(nullptr, 0, nullptr);
    ASSERT_NE(probe, nullptr);
    for (const char* host : {"127.0.0.1", "localhost"}) {
        address = 0;
        EXPECT_EQ(0, NetComponent::ResolveHost(host, &address)) << host;
        EXPECT_EQ(Ws().htonl(INADDR_LOOPBACK), address) << host;
    }
    EXPECT_EQ(0, NetComponent::ResolveHost("10.1.2.3", &address)); // dotted: no look-up
    EXPECT_EQ(Ws().htonl(0x0A010203), address);
    Probe_Destroy(probe);
}

} // namespace

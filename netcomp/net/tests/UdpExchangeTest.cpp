// The request/reply wait of the datagram protocols against a scripted peer
// on 127.0.0.1: a lost request is sent again, datagrams that are not the
// reply are passed over, the resends and the Timeout bound the wait, and a
// wait asked for from inside a delivery gets its reply.
#include <gtest/gtest.h>

#include <string>

#include "netcomp/core/framework/NotifyWindow.h"
#include "netcomp/net/udp/UdpSocket.h"
#include "netcomp/testing/ScriptedServer.h"

namespace {

class Asker final : public UdpSocket {
public:
    explicit Asker(unsigned short port) : UdpSocket("Asker")
    {
        (void)SetTimeout(10);
        EXPECT_EQ(SetRemoteHost("127.0.0.1"), 0);
        EXPECT_EQ(SetRemotePort(port), 0);
        EXPECT_EQ(SetActive(true), 0);
    }

    int Ask(const std::string& request, const Retransmission& resend, const std::string& reply)
    {
        return Exchange(request.data(), int(request.size()), resend,
                        [&](const char* data, int length, const char* address, int port) {
                            ++seen;
                            if (std::string(data, std::size_t(length)) != reply)
                                return false;
                            answer = std::string(data) + " from " + address + ":" + std::to_string(port);
                            return true;
                        });
    }

    int seen = 0;
    std::string answer;
    // Asks "ping" from inside the next delivery, and keeps what that
    // delivery's datagram reads afterwards.
    bool askInside = false;
    int insideRc = -1;
    std::string delivered;

protected:
    int OnDataIn(const char* data, int length, const char* address, int port) override
    {
        if (!askInside)
            return UdpSocket::OnDataIn(data, length, address, port);
        askInside = false;
        insideRc = Ask("ping", Retransmission{}, "pong");
        delivered = std::string(data, std::size_t(length)) + " from " + address + ":" + std::to_string(port);
        return 0;
    }
};

class UdpExchange : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetLibraryInstance(GetModuleHandleA(nullptr));
        LibraryStartup();
    }
};

TEST_F(UdpExchange, LostRequestIsSentAgain)
{
    const std::string query("\x12\x34 what time?", 13);
    ScriptedServer peer(ScriptTransport::Udp);
    peer.ExpectBytes(query).ExpectBytes(query).Send("not yet").Send("noon");
    ASSERT_TRUE(peer.Start());
    Asker asker(peer.Port());
    EXPECT_EQ(asker.SetAcceptData(false), 0); // the exchange takes datagrams all the same
    EXPECT_EQ(asker.Ask(query, Retransmission{500, 3}, "noon"), 0) << asker.LastErrorText();
    EXPECT_EQ(asker.answer, "noon from 127.0.0.1:" + std::to_string(peer.Port()));
    EXPECT_EQ(asker.seen, 2);
    // Exactly two requests: none once the reply was in.
    EXPECT_EQ(peer.Finish(), "");
}

TEST_F(UdpExchange, ResendsAndTimeoutEndTheWait)
{
    ScriptedServer peer(ScriptTransport::Udp);
    peer.Expect("ping").Expect("ping").Expect("ping").Silence();
    ASSERT_TRUE(peer.Start());
    Asker asker(peer.Port());
    EXPECT_EQ(asker.Ask("ping", Retransmission{100, 2}, "pong"), 301);
    EXPECT_STREQ(asker.LastErrorText(), "Timeout.");
    EXPECT_EQ(peer.Finish(), "");
    EXPECT_EQ(peer.Received().size(), 3u); // the request and two resends

    // Unlimited resends stop at the Timeout, and datagrams that are not the
    // reply do not stretch it: about ten requests in one second, though the
    // peer answers the first 25 of them.
    ScriptedServer noisy(ScriptTransport::Udp);
    for (int i = 0; i < 25; ++i)
        noisy.Expect("ping").Send("noise");
    noisy.Silence();
    ASSERT_TRUE(noisy.Start());
    Asker patient(noisy.Port());
    (void)patient.SetTimeout(1);
    EXPECT_EQ(patient.Ask("ping", Retransmission{100, -1}, "pong"), 301);
    EXPECT_STREQ(patient.LastErrorText(), "Timeout.");
    (void)noisy.Finish(0);
    EXPECT_LE(noisy.Received().size(), 20u);

    EXPECT_EQ(patient.SetActive(false), 0);
    EXPECT_EQ(patient.Ask("ping", Retransmission{}, "pong"), 109);
}

// An exchange asked for while a datagram is delivered (from the owner's
// event) takes its reply in a round of its own, and the datagram being
// delivered is as it was.
TEST_F(UdpExchange, AnExchangeInsideADelivery)
{
    ScriptedServer peer(ScriptTransport::Udp);
    peer.Expect("hello").Send("delivered first").Expect("ping").Send("pong");
    ASSERT_TRUE(peer.Start());
    Asker asker(peer.Port());
    asker.askInside = true;
    ASSERT_EQ(asker.Send("hello", 5), 0);
    for (int i = 0; i < 250 && asker.delivered.empty(); ++i)
        (void)asker.DoEvents();
    const std::string from = " from 127.0.0.1:" + std::to_string(peer.Port());
    EXPECT_EQ(asker.insideRc, 0) << asker.LastErrorText();
    EXPECT_EQ(asker.answer, "pong" + from);
    EXPECT_EQ(asker.delivered, "delivered first" + from);
    EXPECT_EQ(peer.Finish(), "");
}

TEST_F(UdpExchange, TextsNameTheComponent)
{
    ScriptedServer peer(ScriptTransport::Udp);
    peer.Silence();
    ASSERT_TRUE(peer.Start());
    Asker asker(peer.Port());
    EXPECT_EQ(asker.SetActive(true), 104);
    EXPECT_STREQ(asker.LastErrorText(), "Asker is already Active.");
    EXPECT_EQ(peer.Finish(), "");
}

} // namespace

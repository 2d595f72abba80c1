// The HTTP component with a negative Timeout: the method returns before the
// connection is made and the owner follows the transfer by its events while it
// pumps messages through DoEvents.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "netcomp/core/tests/HttpTestSupport.h"

namespace {

constexpr int kRefusedPort = 21300; // nothing listens here

// DoEvents until the action is over; bounded (a DoEvents waits at most 20 ms).
bool PumpUntilIdle(HttpObject& http)
{
    for (int i = 0; i < 500 && !http.Int(kHttpIdle); ++i)
        http.Do(kHttpMethodDoEvents);
    return http.Int(kHttpIdle) != 0;
}

int Find(const HttpObject& http, int event, INT_PTR first)
{
    for (size_t i = 0; i < http.events.size(); ++i) {
        if (http.events[i].event == event && !http.events[i].values.empty() && http.events[i].values[0] == first)
            return int(i);
    }
    return -1;
}

// The events of an asynchronous transfer come from the message loop, after
// the method has returned; the transfer is still the component's running
// action, so a handler cannot change what it sends or where.
TEST(HttpAsync, NoSetFromInsideTheTransfer)
{
    HttpObject http;
    ASSERT_EQ(http.SetInt(kHttpTimeout, -1), 0);
    std::vector<int> results;
    http.OnEvent(kHttpEventTransfer, [&] {
        results.push_back(http.SetBytes(kHttpPostData, "changed"));
        results.push_back(http.Set(kHttpURL, "http://127.0.0.1:1/"));
        results.push_back(http.Do(kHttpMethodGet, "http://127.0.0.1:1/"));
    });
    ASSERT_EQ(http.SetBytes(kHttpPostData, std::string(100000, 'p')), 0);
    ASSERT_EQ(http.Do(kHttpMethodPost, Url(kCapturePort, "/sink").c_str()), 0) << http.Error();
    ASSERT_TRUE(PumpUntilIdle(http));
    EXPECT_EQ(http.Data(), "100000");
    ASSERT_FALSE(results.empty());
    for (int rc : results)
        EXPECT_EQ(rc, 143);
    // Once the transfer is over the settings take again.
    EXPECT_EQ(http.SetBytes(kHttpPostData, "changed"), 0);
}

TEST(HttpAsync, GetPostAndFailuresWithoutWaiting)
{
    HttpObject http;
    ASSERT_EQ(http.SetInt(kHttpTimeout, -1), 0);
    EXPECT_EQ(http.Int(kHttpTimeout), -1);

    ASSERT_EQ(http.Get(Url(kCapturePort, "/echo")), 0) << http.Error();
    EXPECT_EQ(http.Int(kHttpIdle), 0);
    EXPECT_EQ(http.Count(kHttpEventStatus), 0); // nothing happened yet
    EXPECT_EQ(http.Get(Url(kCapturePort, "/echo")), 143);
    ASSERT_TRUE(PumpUntilIdle(http));
    EXPECT_EQ(http.Data().rfind("GET /echo HTTP/1.1\r\nHost: 127.0.0.1:20400\r\n", 0), 0u);
    EXPECT_EQ(http.Text(kHttpStatusLine), "HTTP/1.1 200 OK");
    EXPECT_GT(http.Count(kHttpEventTransfer), 0);
    const int end = Find(http, kHttpEventEndTransfer, 1);
    ASSERT_GE(end, 0);
    EXPECT_GT(Find(http, kHttpEventDisconnected, 0), end);
    EXPECT_EQ(http.Int(kHttpConnected), 0);
    EXPECT_EQ(http.Count(kHttpEventError), 0);

    // A POST sends its body once the connection is up.
    http.events.clear();
    ASSERT_EQ(http.SetBytes(kHttpPostData, "name=value"), 0);
    ASSERT_EQ(http.Do(kHttpMethodPost, Url(kCapturePort, "/echo").c_str()), 0) << http.Error();
    ASSERT_TRUE(PumpUntilIdle(http));
    const std::string echoed = http.Data();
    EXPECT_EQ(echoed.rfind("POST /echo HTTP/1.1\r\n", 0), 0u);
    EXPECT_NE(echoed.find("Content-Length: 10\r\n\r\nname=value"), std::string::npos) << echoed;
    EXPECT_GE(Find(http, kHttpEventEndTransfer, 0), 0);
    EXPECT_GE(Find(http, kHttpEventEndTransfer, 1), 0);
    ASSERT_EQ(http.SetBytes(kHttpPostData, ""), 0);

    // A refused port, a tunnel the proxy refuses and a server that closes
    // without a reply: one Error event each, and the component is idle again.
    http.events.clear();
    ASSERT_EQ(http.Get(Url(kRefusedPort, "/")), 0) << http.Error();
    ASSERT_TRUE(PumpUntilIdle(http));
    EXPECT_EQ(http.Count(kHttpEventError), 1);
    EXPECT_GE(Find(http, kHttpEventError, 10061), 0);
    EXPECT_EQ(http.Count(kHttpEventEndTransfer), 0);
    ASSERT_EQ(http.SetInt(kHttpFirewallType, 1), 0);
    ASSERT_EQ(http.Set(kHttpFirewallHost, "127.0.0.1"), 0);
    ASSERT_EQ(http.SetInt(kHttpFirewallPort, kCapturePort), 0);
    http.events.clear();
    ASSERT_EQ(http.Get("http://other.test/"), 0) << http.Error();
    ASSERT_TRUE(PumpUntilIdle(http));
    EXPECT_EQ(http.Count(kHttpEventError), 1);
    EXPECT_GE(Find(http, kHttpEventError, 118), 0);
    EXPECT_EQ(http.Count(kHttpEventStatus), 0);
    ASSERT_EQ(http.SetInt(kHttpFirewallType, 0), 0);
    http.events.clear();
    ASSERT_EQ(http.Get(Url(kCapturePort, "/close")), 0);
    ASSERT_TRUE(PumpUntilIdle(http));
    EXPECT_EQ(http.Count(kHttpEventError), 1);
    EXPECT_GE(Find(http, kHttpEventError, 10054), 0);
    EXPECT_EQ(http.Int(kHttpConnected), 0);

    // Interrupt ends a running transfer at once and quietly.
    http.events.clear();
    ASSERT_EQ(http.Get(Url(kCapturePort, "/hang")), 0);
    for (int i = 0; i < 5; ++i)
        http.Do(kHttpMethodDoEvents);
    EXPECT_EQ(http.Int(kHttpIdle), 0);
    EXPECT_EQ(http.Do(kHttpMethodInterrupt), 0);
    EXPECT_EQ(http.Int(kHttpIdle), 1);
    EXPECT_EQ(http.Int(kHttpConnected), 0);
    EXPECT_EQ(http.Count(kHttpEventError), 0);

    // Back to a waiting Timeout: the method returns with the whole reply.
    ASSERT_EQ(http.SetInt(kHttpTimeout, 5), 0);
    EXPECT_EQ(http.Int(kHttpTimeout), 5);
    ASSERT_EQ(http.Get(Url(kCapturePort, "/echo")), 0) << http.Error();
    EXPECT_EQ(http.Data().rfind("GET /echo HTTP/1.1\r\n", 0), 0u);
}

} // namespace

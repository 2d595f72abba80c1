// TraceRoute and ICMPPort through their exported functions, run by hops.sh in
// a client namespace of their own: two routers to the target 198.18.3.2, R2
// silent towards 198.18.5.2, R1 without a route to 198.18.9.0/24, the router
// names in /etc/hosts, and (icmp_crafter.py) crafted ICMP messages arriving
// at 198.18.1.2.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "netcomp/core/framework/ComponentObject.h"
#include "netcomp/include/netcomp.h"
#include "netcomp/include/netcomp_icmpport.h"
#include "netcomp/include/netcomp_traceroute.h"
#include "netcomp/net/icmp/IcmpPortEngine.h"
#include "netcomp/testing/EventRecorder.h"
#include "netcomp/testing/WinsockFiles.h"

namespace {

INT_PTR T(const char* text)
{
    return reinterpret_cast<INT_PTR>(text);
}

struct Trace {
    void* obj = nullptr;
    EventRecorder events;

    Trace()
    {
        events.TextsAt(kTraceRouteEventHop, {1});
        events.TextsAt(kTraceRouteEventHopResolved, {2});
        events.TextsAt(kTraceRouteEventError, {1});
        obj = TraceRoute_Create(EventRecorder::Callback, events.User(), nullptr);
        Set(kTraceRouteHopTimeout, 1);
        Set(kTraceRouteTimeout, 20);
    }
    ~Trace() { TraceRoute_Destroy(obj); }

    int Set(int property, INT_PTR value) { return TraceRoute_Set(obj, property, 0, value, 0); }
    int To(const char* host)
    {
        INT_PTR args[1] = {T(host)};
        int lengths[1] = {};
        return TraceRoute_Do(obj, kTraceRouteTraceTo, 1, args, lengths);
    }
    int Count() { return int(TraceRoute_Get(obj, kTraceRouteHopCount, 0, nullptr)); }
    std::string Text(int property, int hop)
    {
        return reinterpret_cast<const char*>(TraceRoute_Get(obj, property, hop, nullptr));
    }
    std::vector<std::string> Addresses()
    {
        std::vector<std::string> out;
        for (int i = 1; i <= Count(); ++i)
            out.push_back(Text(kTraceRouteHopHostAddress, i));
        return out;
    }
    std::string Error() { return TraceRoute_GetLastError(obj); }
};

using Hops = std::vector<std::string>;

TEST(TraceRoute, RecordsEveryHopToTheTargetAndStopsAtItsAnswer)
{
    Trace trace;
    ASSERT_EQ(0, trace.To("198.18.3.2")) << trace.Error();
    EXPECT_EQ(Hops({"198.18.1.1", "198.18.2.2", "198.18.3.2"}), trace.Addresses());
    const auto hops = trace.events.Of(kTraceRouteEventHop);
    ASSERT_EQ(3u, hops.size());
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(i + 1, hops[i].values[0]);
        EXPECT_EQ(trace.Addresses()[i], hops[i].texts[1]);
        EXPECT_EQ(INT_PTR(TraceRoute_Get(trace.obj, kTraceRouteHopTime, i + 1, nullptr)), hops[i].values[2]);
        // Answered hops come back well before their time-out.
        EXPECT_LT(hops[i].values[2], 1000);
    }
    EXPECT_EQ("", trace.Text(kTraceRouteHopHostName, 1)) << "names only when asked";
    // Hop numbers run from 1 to HopCount; the others read empty.
    EXPECT_EQ(0, TraceRoute_CheckIndex(trace.obj, kTraceRouteHopHostAddress, 3));
    EXPECT_EQ(280, TraceRoute_CheckIndex(trace.obj, kTraceRouteHopHostAddress, 4));
    EXPECT_EQ(280, TraceRoute_CheckIndex(trace.obj, kTraceRouteHopTime, 0));
    EXPECT_EQ(280, TraceRoute_CheckIndex(trace.obj, kTraceRouteHopHostName, -1));
    EXPECT_EQ("", trace.Text(kTraceRouteHopHostAddress, 4));
    EXPECT_EQ(280, TraceRoute_GetLastErrorCode(trace.obj));

    // Setting RemoteHost runs a new trace, with a new hop limit.
    trace.events.Clear();
    ASSERT_EQ(0, trace.Set(kTraceRouteHopLimit, 2));
    ASSERT_EQ(0, TraceRoute_Set(trace.obj, kTraceRouteRemoteHost, 0, T("198.18.3.2"), 0)) << trace.Error();
    EXPECT_EQ(Hops({"198.18.1.1", "198.18.2.2"}), trace.Addresses());
    EXPECT_EQ(2u, trace.events.Of(kTraceRouteEventHop).size());
    EXPECT_EQ("198.18.3.2", trace.Text(kTraceRouteRemoteHost, 0));
}

TEST(TraceRoute, ASilentHopTimesOutAndTheTraceGoesOn)
{
    Trace trace;
    ASSERT_EQ(0, trace.To("198.18.5.2")) << trace.Error();
    EXPECT_EQ(Hops({"198.18.1.1", "", "198.18.5.2"}), trace.Addresses());
    EXPECT_GE(TraceRoute_Get(trace.obj, kTraceRouteHopTime, 2, nullptr), 1000);
    const auto hops = trace.events.Of(kTraceRouteEventHop);
    ASSERT_EQ(3u, hops.size());
    EXPECT_EQ("", hops[1].texts[1]);

    // Without a time-out for the hop, the trace's own time-out ends the wait:
    // the hops before it stay recorded.
    trace.events.Clear();
    trace.Set(kTraceRouteHopTimeout, 0);
    trace.Set(kTraceRouteTimeout, 2);
    EXPECT_EQ(301, trace.To("198.18.5.2"));
    EXPECT_EQ("Timeout.", trace.Error());
    EXPECT_EQ(Hops({"198.18.1.1"}), trace.Addresses());

    // Interrupt from inside an event ends it the same way.
    trace.Set(kTraceRouteTimeout, 20);
    trace.events.OnEvent(kTraceRouteEventHop, [&](const RecordedEvent&) {
        int length = 0;
        EXPECT_EQ(0, TraceRoute_Do(trace.obj, kTraceRouteInterrupt, 0, nullptr, &length));
    });
    EXPECT_EQ(301, trace.To("198.18.5.2"));
    EXPECT_EQ(1, trace.Count());
}

TEST(TraceRoute, AnUnreachableAnswerEndsTheTrace)
{
    Trace trace;
    trace.Set(kTraceRouteHopLimit, 30);
    ASSERT_EQ(0, trace.To("198.18.9.9")) << trace.Error();
    EXPECT_EQ(Hops({"198.18.1.1"}), trace.Addresses());
}

TEST(TraceRoute, LooksUpHopNamesWhenAsked)
{
    Trace trace;
    ASSERT_EQ(0, trace.Set(kTraceRouteResolveNames, 1));
    ASSERT_EQ(0, trace.To("198.18.5.2")) << trace.Error();
    // The trace returns once every look-up has ended.
    EXPECT_EQ("hop-one.kes.test", trace.Text(kTraceRouteHopHostName, 1));
    EXPECT_EQ("", trace.Text(kTraceRouteHopHostName, 2)) << "no address, no look-up";
    const std::string failed = trace.Text(kTraceRouteHopHostName, 3);
    ASSERT_GT(failed.size(), 2u) << "the target has no name";
    EXPECT_EQ('<', failed.front());
    EXPECT_EQ('>', failed.back());
    const auto resolved = trace.events.Of(kTraceRouteEventHopResolved);
    ASSERT_EQ(2u, resolved.size());
    for (const RecordedEvent& e : resolved) {
        if (e.values[0] == 1) {
            EXPECT_EQ(0, e.values[1]);
            EXPECT_EQ("hop-one.kes.test", e.texts[2]);
        } else {
            EXPECT_EQ(3, e.values[0]);
            EXPECT_NE(0, e.values[1]);
            EXPECT_EQ(failed, e.texts[2]);
        }
    }

    trace.events.Clear();
    ASSERT_EQ(0, trace.To("198.18.3.2")) << trace.Error();
    EXPECT_EQ("hop-two.kes.test", trace.Text(kTraceRouteHopHostName, 2));
    EXPECT_EQ(3u, trace.events.Of(kTraceRouteEventHopResolved).size());
}

// A hop's name is answered by a thread of the system that still runs in
// Winsock after it has posted the answer, which may end the last component.
// Answered, or cancelled when the trace is stopped before its look-up ended
// and the component goes, Winsock must still be there.
TEST(TraceRoute, LeavesWinsockLoadedForTheLookUpsOfHopNames)
{
    for (const bool cancel : {false, true}) {
        ASSERT_EQ(0u, g_winsock.LoadCount());
        std::vector<std::string> files;
        {
            Trace trace;
            files = BoundWinsockFiles();
            ASSERT_EQ(0, trace.Set(kTraceRouteResolveNames, 1));
            if (cancel) {
                trace.events.OnEvent(kTraceRouteEventHop, [&](const RecordedEvent&) {
                    int length = 0;
                    TraceRoute_Do(trace.obj, kTraceRouteInterrupt, 0, nullptr, &length);
                });
                ASSERT_EQ(301, trace.To("127.0.0.1"));
                EXPECT_EQ(0u, trace.events.Of(kTraceRouteEventHopResolved).size());
            } else {
                ASSERT_EQ(0, trace.To("127.0.0.1")) << trace.Error();
                EXPECT_EQ(1u, trace.events.Of(kTraceRouteEventHopResolved).size());
            }
        }
        EXPECT_EQ(0u, g_winsock.LoadCount());
        EXPECT_EQ(std::vector<std::string>(), UnloadedOf(files)) << (cancel ? "cancelled" : "answered");
    }
}

TEST(TraceRoute, RefusesWhatItCannotTrace)
{
    Trace trace;
    EXPECT_EQ(0, trace.To(""));
    EXPECT_EQ(0, trace.Count());
    const std::string unknown = std::string(70, 'x') + ".invalid";
    EXPECT_NE(0, trace.To(unknown.c_str()));
    EXPECT_EQ(0, trace.Count());
    EXPECT_EQ(0, trace.Set(kTraceRouteHopLimit, 1000));
    EXPECT_EQ(255, TraceRoute_Get(trace.obj, kTraceRouteHopLimit, 0, nullptr));
}

struct Port {
    void* obj = nullptr;
    EventRecorder events;

    Port()
    {
        events.TextsAt(kIcmpPortEventDataIn, {2, 4});
        events.TextsAt(kIcmpPortEventError, {1});
        obj = ICMPPort_Create(EventRecorder::Callback, events.User(), nullptr);
    }
    ~Port() { ICMPPort_Destroy(obj); }

    int Set(int property, INT_PTR value, int length = 0) { return ICMPPort_Set(obj, property, 0, value, length); }
    int Send(const std::string& body)
    {
        return Set(kIcmpPortDataToSend, reinterpret_cast<INT_PTR>(body.data()), int(body.size()));
    }
    // Pumps until pred holds; false after ten seconds.
    template <class Pred>
    bool WaitFor(Pred pred)
    {
        for (int i = 0; i < 500 && !pred(); ++i) {
            int length = 0;
            ICMPPort_Do(obj, kIcmpPortDoEvents, 0, nullptr, &length);
        }
        return pred();
    }
    void Pump(int steps)
    {
        for (int i = 0; i < steps; ++i) {
            int length = 0;
            ICMPPort_Do(obj, kIcmpPortDoEvents, 0, nullptr, &length);
        }
    }
    std::vector<RecordedEvent> Messages(int type)
    {
        std::vector<RecordedEvent> out;
        for (const RecordedEvent& e : events.Of(kIcmpPortEventDataIn))
            if (e.values[0] == type)
                out.push_back(e);
        return out;
    }
    std::string Error() { return ICMPPort_GetLastError(obj); }
};

TEST(IcmpPort, AnEchoRequestIsAnsweredWithItsBody)
{
    Port port;
    ASSERT_EQ(109, port.Send("early")) << "inactive";
    ASSERT_EQ(0, port.Set(kIcmpPortMessageType, 8));
    ASSERT_EQ(0, port.Set(kIcmpPortRemoteHost, T("198.18.3.2")));
    ASSERT_EQ(0, port.Set(kIcmpPortActive, 1)) << port.Error();
    // Identifier and sequence number, then the data: the target's kernel
    // answers only a request whose checksum is right.
    const std::string body("\x12\x34\x00\x01hops and more\x00\xff", 19);
    ASSERT_EQ(0, port.Send(body)) << port.Error();
    ASSERT_TRUE(port.WaitFor([&] { return !port.Messages(0).empty(); }));
    const RecordedEvent reply = port.Messages(0)[0];
    EXPECT_EQ(0, reply.values[1]);
    EXPECT_EQ(body, reply.texts[2]);
    EXPECT_EQ(1, reply.values[3]) << "checksum valid";
    EXPECT_EQ("198.18.3.2", reply.texts[4]);

    // With time-to-live 1 the first router answers instead, quoting the request.
    ASSERT_EQ(0, port.Set(kIcmpPortTimeToLive, 1));
    EXPECT_EQ(1, ICMPPort_Get(port.obj, kIcmpPortTimeToLive, 0, nullptr));
    ASSERT_EQ(0, port.Send(body));
    ASSERT_TRUE(port.WaitFor([&] { return !port.Messages(11).empty(); }));
    const RecordedEvent exceeded = port.Messages(11)[0];
    EXPECT_EQ("198.18.1.1", exceeded.texts[4]);
    EXPECT_EQ(1, exceeded.values[3]);
    ASSERT_GE(exceeded.texts[2].size(), 28 + body.size());
    EXPECT_EQ(body, exceeded.texts[2].substr(28, body.size()));
}

TEST(IcmpPort, ReportsEveryMessageWithItsChecksumVerdict)
{
    Port port;
    ASSERT_EQ(0, port.Set(kIcmpPortActive, 1)) << port.Error();
    auto crafted = [&](int code) {
        for (const RecordedEvent& e : port.Messages(42))
            if (e.values[1] == code)
                return true;
        return false;
    };
    ASSERT_TRUE(port.WaitFor([&] { return crafted(7) && crafted(8); })) << "crafted messages arrive every 100 ms";
    for (const RecordedEvent& e : port.Messages(42)) {
        if (e.values[1] == 7) {
            EXPECT_EQ("good-sum", e.texts[2]);
            EXPECT_EQ(1, e.values[3]);
        } else {
            EXPECT_EQ("bad-sum!", e.texts[2]);
            EXPECT_EQ(0, e.values[3]);
        }
        EXPECT_EQ("198.18.1.2", e.texts[4]);
    }
    // Linux passes no ICMP message under 8 bytes to a raw socket: one of
    // three bytes is handed to the engine as its socket would.
    const std::uint8_t tiny[] = {0x45, 0, 0, 23, 0, 0, 0, 0, 64, 1, 0, 0, 198, 18, 1, 2, 198, 18, 1, 2, 42, 9, 0};
    ComponentObject<IcmpPortEngine>::FromHandle(port.obj)->GetEngine().DeliverRaw(tiny, int(sizeof tiny), "198.18.1.2");
    ASSERT_EQ(1u, port.events.Of(kIcmpPortEventError).size());
    const RecordedEvent error = port.events.Of(kIcmpPortEventError)[0];
    EXPECT_EQ(119, error.values[0]);
    EXPECT_EQ("Message too short.", error.texts[1]);

    // AcceptData off holds messages back; on again delivers them.
    ASSERT_EQ(0, port.Set(kIcmpPortAcceptData, 0));
    port.Pump(5);
    port.events.Clear();
    port.Pump(25);
    EXPECT_TRUE(port.events.Of(kIcmpPortEventDataIn).empty());
    ASSERT_EQ(0, port.Set(kIcmpPortAcceptData, 1));
    EXPECT_TRUE(port.WaitFor([&] { return !port.Messages(42).empty(); }));
}

TEST(IcmpPort, TypeAndCodeAreOneByteEach)
{
    Port port;
    EXPECT_EQ(0, port.Set(kIcmpPortMessageType, 255));
    EXPECT_EQ(121, port.Set(kIcmpPortMessageType, 256));
    EXPECT_EQ(121, port.Set(kIcmpPortMessageSubType, -1));
    EXPECT_EQ(255, ICMPPort_Get(port.obj, kIcmpPortMessageType, 0, nullptr));
    EXPECT_EQ(0, ICMPPort_Get(port.obj, kIcmpPortMessageSubType, 0, nullptr));
}

} // namespace

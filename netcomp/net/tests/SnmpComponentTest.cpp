// SNMPMgr and SNMPAgent through their exported functions, with each other on
// 127.0.0.1: settings and their checks, the bytes of what they send, the
// agent's answer left out on request, and SNMPv3 between the two on a clock
// the test moves.
#include <gtest/gtest.h>

#include <string>

#include "netcomp/include/netcomp_snmpagent.h"
#include "netcomp/include/netcomp_snmpmgr.h"
#include "netcomp/net/snmp/SnmpEngine.h"
#include "netcomp/net/snmp/SnmpMessage.h"
#include "netcomp/net/tests/SnmpTestSupport.h"

namespace {

constexpr int kAgentPort = 23164;
constexpr int kNobodyPort = 23199;
using Manager = SnmpComponent<SNMPMgrFunctions>;
using Agent = SnmpComponent<SNMPAgentFunctions>;

std::string Query(Manager& c, const char* key)
{
    std::string answer;
    return c.Query(key, answer) == 0 ? answer : "rc" + std::to_string(c.LastErrorCode());
}

// The last datagram the component sent, as the message it holds.
SnmpMessage LastSent(const EventRecorder& events, int traceEvent, SnmpBindings& bindings)
{
    SnmpMessage m;
    for (const RecordedEvent& e : events.Of(traceEvent)) {
        if (e.values[1] == 2) {
            EXPECT_EQ(ParseSnmpMessage(e.texts[0].data(), uint32_t(e.texts[0].size()), m, bindings, nullptr), 0);
        }
    }
    return m;
}

TEST(SnmpComponent, SettingsAndTheirChecks)
{
    EventRecorder events;
    Manager m(events);
    EXPECT_EQ(Query(m, "TimeWindow") + Query(m, "ForceLocalPort") + Query(m, "TrapCommunity"), "150Truevastro");
    EXPECT_EQ(m.Set(kSnmpMgrSNMPVersion, 4), 0);
    EXPECT_EQ(m.GetInt(kSnmpMgrSNMPVersion), 1);
    EXPECT_EQ(m.Config("TrapCommunity=other"), 0);
    EXPECT_EQ(m.GetText(kSnmpMgrCommunity), "other");

    EXPECT_EQ(m.Config("TrapAgentAddress=abc"), 306);
    EXPECT_STREQ(m.LastError(), "Value must be an IP address.");
    EXPECT_EQ(m.Config("TrapAgentAddress=255.255.255.255"), 0);
    EXPECT_EQ(Query(m, "TrapAgentAddress"), "255.255.255.255");
    EXPECT_EQ(m.Config("TrapAgentAddress="), 0);
    EXPECT_EQ(Query(m, "TrapAgentAddress"), "");

    EXPECT_EQ(m.Set(kSnmpMgrObjCount, 257), 302);
    EXPECT_STREQ(m.LastError(), "Value exceeds maximum number of objects allowed.");
    EXPECT_EQ(m.Set(kSnmpMgrObjCount, 2), 0);
    EXPECT_EQ(m.GetInt(kSnmpMgrObjType, 2), 4);
    EXPECT_EQ(m.GetInt(kSnmpMgrObjType, 3), 0);
    EXPECT_EQ(m.LastErrorCode(), 280);
    EXPECT_STREQ(m.LastError(), "Invalid object index: must be in [1..ObjCount].");
    EXPECT_EQ(m.SetBytes(kSnmpMgrObjValue, "x", 0), 280);
    EXPECT_EQ(m.CheckIndex(kSnmpMgrObjId, 3), 280);
    EXPECT_EQ(m.CheckIndex(kSnmpMgrObjId, 2), 0);

    EventRecorder agentEvents;
    Agent a(agentEvents);
    EXPECT_EQ(a.Set(kSnmpAgentLocalPort, 0), 0);
    EXPECT_EQ(a.Set(kSnmpAgentActive, 1), 0);
    EXPECT_EQ(a.Set(kSnmpAgentActive, 1), 104);
    EXPECT_STREQ(a.LastError(), "SNMPAgent is already Active.");
    EXPECT_EQ(a.Set(kSnmpAgentSysUpTime, 500000), 0);
    EXPECT_GE(a.GetInt(kSnmpAgentSysUpTime), 500000);
    EXPECT_LT(a.GetInt(kSnmpAgentSysUpTime), 500100);
}

TEST(SnmpComponent, WhatGoesOnTheWire)
{
    EventRecorder events;
    Manager m(events);
    events.TextsAt(kSnmpMgrEventPacketTrace, {0, 2});
    EXPECT_EQ(m.Set(kSnmpMgrLocalPort, 0), 0);
    EXPECT_EQ(m.SetText(kSnmpMgrRemoteHost, "127.0.0.1"), 0);
    EXPECT_EQ(m.Set(kSnmpMgrRemotePort, kNobodyPort), 0);
    EXPECT_EQ(m.Set(kSnmpMgrTimeout, 0), 0);
    // A GetRequest asks with NULL values, whatever the table held.
    EXPECT_EQ(m.Set(kSnmpMgrObjCount, 2), 0);
    m.Bind(kSnmpMgrObjId, kSnmpMgrObjType, kSnmpMgrObjValue, 1, "1.3.6.1.2.1.1.5.0", 2, "5");
    m.Bind(kSnmpMgrObjId, kSnmpMgrObjType, kSnmpMgrObjValue, 2, "1.3.6.1.2.1.1.6.0", 4, "text");
    ASSERT_EQ(m.Call(kSnmpMgrSendGetRequest), 0) << m.LastError();
    SnmpBindings sent;
    SnmpMessage get = LastSent(events, kSnmpMgrEventPacketTrace, sent);
    EXPECT_EQ(get.version, kSnmpWireV2c);
    EXPECT_EQ(get.community, "vastro");
    EXPECT_EQ(get.pduType, kSnmpGetRequest);
    EXPECT_EQ(get.errorStatus + get.errorIndex, 0);
    ASSERT_EQ(sent.Count(), 2);
    EXPECT_EQ(sent.At(0).type + sent.At(1).type, 10);
    EXPECT_EQ(events.Of(kSnmpMgrEventPacketTrace).back().texts[2], "127.0.0.1");
    EXPECT_EQ(events.Of(kSnmpMgrEventPacketTrace).back().values[3], kNobodyPort);
    // The next request carries the next request-id.
    const int next = m.GetInt(kSnmpMgrRequestId);
    EXPECT_EQ(next, get.requestId + 1);
    ASSERT_EQ(m.Call(kSnmpMgrSendGetBulkRequest, {1, 7}), 0) << m.LastError();
    SnmpMessage bulk = LastSent(events, kSnmpMgrEventPacketTrace, sent);
    EXPECT_EQ(bulk.requestId, next);
    EXPECT_EQ(bulk.nonRepeaters * 10 + bulk.maxRepetitions, 17);

    // A signature of an unknown kind cannot be made.
    EXPECT_EQ(m.Set(kSnmpMgrSNMPVersion, 3), 0);
    EXPECT_EQ(m.SetText(kSnmpMgrUser, "someone"), 0);
    EXPECT_EQ(m.SetText(kSnmpMgrPassword, "password123"), 0);
    EXPECT_EQ(m.SetBytes(kSnmpMgrRemoteEngineId, "\x80\x01\x02\x03\x04"), 0);
    EXPECT_EQ(m.Set(kSnmpMgrRemoteEngineTime, 100), 0);
    EXPECT_EQ(m.Set(kSnmpMgrAuthenticationProtocol, 3), 0);
    EXPECT_EQ(m.Call(kSnmpMgrSendGetRequest), 445);
    EXPECT_STREQ(m.LastError(), "Error building SNMP packet.");

    // An SNMPv1 trap by name: the standard traps' enterprise and numbers.
    EventRecorder agentEvents;
    Agent a(agentEvents);
    agentEvents.TextsAt(kSnmpAgentEventPacketTrace, {0, 2});
    EXPECT_EQ(a.Set(kSnmpAgentLocalPort, 0), 0);
    EXPECT_EQ(a.Set(kSnmpAgentSNMPVersion, 1), 0);
    EXPECT_EQ(a.Config(("TrapPort=" + std::to_string(kNobodyPort)).c_str()), 0);
    EXPECT_EQ(a.Config("TrapAgentAddress=10.1.2.3"), 0);
    ASSERT_EQ(a.Do(kSnmpAgentSendTrap, {"127.0.0.1", "LINKUP"}), 0) << a.LastError();
    SnmpMessage trap = LastSent(agentEvents, kSnmpAgentEventPacketTrace, sent);
    EXPECT_EQ(trap.pduType, kSnmpTrapV1);
    EXPECT_EQ(trap.enterprise, "1.3.6.1.6.3.1.1.5");
    EXPECT_EQ(trap.genericTrap, 3);
    EXPECT_EQ(trap.specificTrap, 0);
    EXPECT_EQ(trap.agentAddress[0] + trap.agentAddress[3], 13);
    // An SNMPv2c trap brings sysUpTime and the trap's identifier itself.
    EXPECT_EQ(a.Set(kSnmpAgentSNMPVersion, 2), 0);
    ASSERT_EQ(a.Do(kSnmpAgentSendTrap, {"127.0.0.1", "1.3.6.1.4.1.55555.0.9"}), 0) << a.LastError();
    trap = LastSent(agentEvents, kSnmpAgentEventPacketTrace, sent);
    EXPECT_EQ(trap.pduType, kSnmpTrapV2);
    ASSERT_EQ(sent.Count(), 2);
    EXPECT_EQ(sent.At(0).oid + " " + std::to_string(sent.At(0).type), "1.3.6.1.2.1.1.3.0 67");
    EXPECT_EQ(sent.At(1).value, "1.3.6.1.4.1.55555.0.9");
    // A value that cannot be written stops the action with its reason.
    EXPECT_EQ(a.Set(kSnmpAgentObjType, 64, 1), 0);
    EXPECT_EQ(a.SetBytes(kSnmpAgentObjValue, "not an address", 1), 0);
    EXPECT_EQ(a.Do(kSnmpAgentSendTrap, {"127.0.0.1", "coldStart"}), 306);
    EXPECT_STREQ(a.LastError(), "Value must be an IP address.");
}

// The agent's side for the in-process pair: answers GetRequest from a fixed
// value, knows one user, and leaves out the answer when told to.
struct PairAgent {
    void* obj = nullptr;
    bool silent = false;
    bool trapOnGet = false;
    int trap = -1;
    int requests = 0;

    static int WINAPI Callback(INT_PTR user, int event, int, INT_PTR* params, int*)
    {
        auto* self = reinterpret_cast<PairAgent*>(user);
        if (event == kSnmpAgentEventGetUserPassword && std::string(reinterpret_cast<const char*>(params[0])) == "pair")
            params[1] = reinterpret_cast<INT_PTR>("pairpass123");
        if (event == kSnmpAgentEventGetRequest) {
            ++self->requests;
            if (self->silent) {
                params[8] = -1;
                return 0;
            }
            if (self->trapOnGet) {
                INT_PTR args[] = {reinterpret_cast<INT_PTR>("127.0.0.1"), reinterpret_cast<INT_PTR>("coldStart")};
                self->trap = SNMPAgent_Do(self->obj, kSnmpAgentSendTrap, 2, args, nullptr);
                return 0;
            }
            (void)SNMPAgent_Set(self->obj, kSnmpAgentObjType, 1, 4, 0);
            (void)SNMPAgent_Set(self->obj, kSnmpAgentObjValue, 1, reinterpret_cast<INT_PTR>("pair value"), 10);
        }
        return 0;
    }
};

uint64_t g_now = 5000000;
uint64_t TestClock()
{
    return g_now;
}

TEST(SnmpComponent, ManagerAndAgentTogether)
{
    PairAgent pair;
    pair.obj = SNMPAgent_Create(&PairAgent::Callback, reinterpret_cast<INT_PTR>(&pair), nullptr);
    const std::string engine("\x80\0\0\0\x01\x09\x09\x09", 8);
    EXPECT_EQ(SNMPAgent_Set(pair.obj, kSnmpAgentLocalPort, 0, kAgentPort, 0), 0);
    EXPECT_EQ(SNMPAgent_Set(pair.obj, kSnmpAgentLocalEngineId, 0, reinterpret_cast<INT_PTR>(engine.data()), 8), 0);
    EXPECT_EQ(SNMPAgent_Set(pair.obj, kSnmpAgentActive, 0, 1, 0), 0);
    EventRecorder events;
    Manager m(events);
    events.TextsAt(kSnmpMgrEventTrap, {5});
    EXPECT_EQ(m.Set(kSnmpMgrLocalPort, 0), 0);
    EXPECT_EQ(m.SetText(kSnmpMgrRemoteHost, "127.0.0.1"), 0);
    EXPECT_EQ(m.Set(kSnmpMgrRemotePort, kAgentPort), 0);
    EXPECT_EQ(m.Set(kSnmpMgrTimeout, 1), 0);
    EXPECT_EQ(m.Set(kSnmpMgrObjCount, 1), 0);
    EXPECT_EQ(m.SetText(kSnmpMgrObjId, "1.3.6.1.4.1.55555.7.0", 1), 0);
    ASSERT_EQ(m.Call(kSnmpMgrSendGetRequest), 0) << m.LastError();
    EXPECT_EQ(m.GetBytes(kSnmpMgrObjValue, 1), "pair value");

    // Error status -1 from the agent's owner: no answer, the manager's wait runs out.
    pair.silent = true;
    EXPECT_EQ(m.Call(kSnmpMgrSendGetRequest), 301);
    EXPECT_STREQ(m.LastError(), "Timeout.");
    EXPECT_EQ(pair.requests, 2);
    pair.silent = false;

    // A trap sent from inside the GetRequest event (to the waiting manager)
    // brings its own bindings; the Response answers with the request's, none.
    const std::string trapPort = "TrapPort=" + std::to_string(m.GetInt(kSnmpMgrLocalPort));
    INT_PTR config[] = {reinterpret_cast<INT_PTR>(trapPort.c_str())};
    EXPECT_EQ(SNMPAgent_Do(pair.obj, 1, 1, config, nullptr), 0);
    pair.trapOnGet = true;
    EXPECT_EQ(m.Set(kSnmpMgrObjCount, 0), 0);
    ASSERT_EQ(m.Call(kSnmpMgrSendGetRequest), 0) << m.LastError();
    EXPECT_EQ(pair.trap, 0);
    ASSERT_EQ(events.Of(kSnmpMgrEventTrap).size(), 1u);
    EXPECT_EQ(events.Of(kSnmpMgrEventTrap)[0].texts[5], "1.3.6.1.6.3.1.1.5.1");
    EXPECT_EQ(m.GetInt(kSnmpMgrObjCount), 0);
    pair.trapOnGet = false;
    EXPECT_EQ(m.Set(kSnmpMgrObjCount, 1), 0);

    // SNMPv3 on a clock that the test moves: the agent's engine time is that
    // clock in seconds, and what the manager learned of it moves with it.
    SnmpEngine::SetClockSource(TestClock);
    EXPECT_EQ(m.Set(kSnmpMgrSNMPVersion, 3), 0);
    EXPECT_EQ(m.SetText(kSnmpMgrUser, "pair"), 0);
    EXPECT_EQ(m.SetText(kSnmpMgrPassword, "pairpass123"), 0);
    EXPECT_EQ(m.Set(kSnmpMgrAuthenticationProtocol, 2), 0);
    ASSERT_EQ(m.Call(kSnmpMgrDiscover), 0) << m.LastError();
    EXPECT_EQ(m.GetInt(kSnmpMgrRemoteEngineTime), 5000);
    g_now += 40ull * 86400 * 1000; // forty days on, past any month's end
    EXPECT_EQ(m.GetInt(kSnmpMgrRemoteEngineTime), 5000 + 40 * 86400);
    EXPECT_EQ(m.SetText(kSnmpMgrObjId, "1.3.6.1.4.1.55555.7.0", 1), 0);
    ASSERT_EQ(m.Call(kSnmpMgrSendGetRequest), 0) << m.LastError();
    EXPECT_EQ(m.GetBytes(kSnmpMgrObjValue, 1), "pair value");
    EXPECT_EQ(events.Of(kSnmpMgrEventResponse).back().values[4], 1); // signed
    // A manager clock beyond the window draws the agent's Report.
    EXPECT_EQ(m.Set(kSnmpMgrRemoteEngineTime, m.GetInt(kSnmpMgrRemoteEngineTime) - 151), 0);
    EXPECT_EQ(m.Call(kSnmpMgrSendGetRequest), 313);
    EXPECT_STREQ(m.LastError(), "Request answered by a Report (usmStatsNotInTimeWindows).");
    SnmpEngine::SetClockSource(nullptr);
    SNMPAgent_Destroy(pair.obj);
}

} // namespace

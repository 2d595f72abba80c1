// SNMPMgr through its exported functions against net-snmp on 127.0.0.1:
// snmpd on port 23161 (tools/peers/snmpd.sh: communities public and private,
// users md5user and shauser with "authpass123", noauthuser), snmptrapd on
// 23162 for informs, and snmptrap and snmpinform sending to the manager.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "netcomp/include/netcomp_snmpagent.h"
#include "netcomp/include/netcomp_snmpmgr.h"
#include "netcomp/include/netcomp_udpport.h"
#include "netcomp/net/tests/SnmpTestSupport.h"

namespace {

constexpr int kAgentPort = 23161;
constexpr int kTrapdPort = 23162;
constexpr int kManagerPort = 23171;
const char* const kSysName = "1.3.6.1.2.1.1.5.0";
const char* const kSysContact = "1.3.6.1.2.1.1.4.0";

class Manager : public SnmpComponent<SNMPMgrFunctions> {
public:
    explicit Manager(EventRecorder& events) : SnmpComponent(events)
    {
        events.TextsAt(kSnmpMgrEventBadPacket, {0, 1, 4});
        events.TextsAt(kSnmpMgrEventDiscoveryResponse, {0, 3, 5});
        events.TextsAt(kSnmpMgrEventError, {1});
        events.TextsAt(kSnmpMgrEventInformRequest, {2, 3, 5, 9});
        events.TextsAt(kSnmpMgrEventPacketTrace, {0, 2});
        events.TextsAt(kSnmpMgrEventReport, {2, 3, 5, 9});
        events.TextsAt(kSnmpMgrEventResponse, {2, 3, 5, 9});
        events.TextsAt(kSnmpMgrEventTrap, {2, 3, 5, 7});
        EXPECT_EQ(Set(kSnmpMgrLocalPort, 0), 0);
        EXPECT_EQ(Set(kSnmpMgrTimeout, 5), 0);
    }
    void ToAgent(int version, int port = kAgentPort)
    {
        EXPECT_EQ(SetText(kSnmpMgrRemoteHost, "127.0.0.1"), 0);
        EXPECT_EQ(Set(kSnmpMgrRemotePort, port), 0);
        EXPECT_EQ(Set(kSnmpMgrSNMPVersion, version), 0);
    }
    void Objects(std::initializer_list<const char*> oids)
    {
        EXPECT_EQ(Set(kSnmpMgrObjCount, int(oids.size())), 0);
        int i = 0;
        for (const char* oid : oids)
            Bind(kSnmpMgrObjId, kSnmpMgrObjType, kSnmpMgrObjValue, ++i, oid);
    }
    // Identifier, type and value of binding i, as "oid=type:value".
    std::string Object(int i)
    {
        return GetText(kSnmpMgrObjId, i) + "=" + std::to_string(GetInt(kSnmpMgrObjType, i)) + ":" +
               GetBytes(kSnmpMgrObjValue, i);
    }
    void Pump()
    {
        for (int i = 0; i < 5; ++i)
            (void)Call(kSnmpMgrDoEvents);
    }
    // Until the events have recorded `count` of `event` (a trap that a tool
    // sent before it ended), at most 3 s.
    void PumpUntil(const EventRecorder& events, int event, std::size_t count)
    {
        for (int i = 0; i < 150 && events.Of(event).size() < count; ++i)
            (void)Call(kSnmpMgrDoEvents);
    }
};

TEST(SnmpMgrPeer, CommunityGetsSetsAndErrors)
{
    EventRecorder events;
    Manager m(events);
    m.ToAgent(1);
    EXPECT_EQ(m.GetText(kSnmpMgrCommunity), "vastro");
    EXPECT_EQ(m.SetText(kSnmpMgrCommunity, "public"), 0);
    m.Objects({kSysName});
    ASSERT_EQ(m.Call(kSnmpMgrSendGetRequest), 0) << m.LastError();
    EXPECT_EQ(m.Object(1), std::string(kSysName) + "=4:kes-snmp-peer");
    ASSERT_EQ(events.Of(kSnmpMgrEventResponse).size(), 1u);
    EXPECT_EQ(events.Of(kSnmpMgrEventResponse)[0].values[1], 1); // version
    EXPECT_EQ(events.Of(kSnmpMgrEventResponse)[0].texts[2], "public");
    // SNMPv1 names the missing object in the error status.
    m.Objects({"1.3.6.1.2.1.1.99.0"});
    ASSERT_EQ(m.Call(kSnmpMgrSendGetRequest), 0) << m.LastError();
    EXPECT_EQ(m.GetInt(kSnmpMgrErrorStatus), 2);
    EXPECT_EQ(m.GetInt(kSnmpMgrErrorIndex), 1);
    EXPECT_EQ(m.GetText(kSnmpMgrErrorDescription), "noSuchName");
    // Reset clears what goes out, the bindings among it; the error stays
    // that of the last PDU received.
    ASSERT_EQ(m.Call(kSnmpMgrReset), 0) << m.LastError();
    EXPECT_EQ(m.GetInt(kSnmpMgrErrorStatus), 2);
    EXPECT_EQ(m.GetInt(kSnmpMgrErrorIndex), 1);
    EXPECT_EQ(m.GetText(kSnmpMgrErrorDescription), "noSuchName");
    EXPECT_EQ(m.GetInt(kSnmpMgrObjCount), 0);
    // So it does from inside the Response event of the request under way,
    // where another request is refused.
    m.Objects({"1.3.6.1.2.1.1.99.0"});
    std::vector<int> fromEvent;
    events.OnEvent(kSnmpMgrEventResponse, [&](const RecordedEvent&) {
        fromEvent.push_back(m.Call(kSnmpMgrReset));
        fromEvent.push_back(m.GetInt(kSnmpMgrObjCount));
        fromEvent.push_back(m.Call(kSnmpMgrSendGetRequest));
    });
    ASSERT_EQ(m.Call(kSnmpMgrSendGetRequest), 0) << m.LastError();
    events.OnEvent(kSnmpMgrEventResponse, {});
    EXPECT_EQ(fromEvent, (std::vector<int>{0, 0, 307}));
    EXPECT_STREQ(m.LastError(), "");
    EXPECT_EQ(m.GetInt(kSnmpMgrObjCount), 0);
    EXPECT_EQ(m.GetText(kSnmpMgrErrorDescription), "noSuchName");
    // SNMPv2c names it in the value.
    m.ToAgent(2);
    m.Objects({"1.3.6.1.2.1.1.99.0", kSysName});
    ASSERT_EQ(m.Call(kSnmpMgrSendGetRequest), 0) << m.LastError();
    EXPECT_EQ(m.GetInt(kSnmpMgrErrorStatus), 0);
    EXPECT_EQ(m.Object(1), "1.3.6.1.2.1.1.99.0=128:error: noSuchObject");
    EXPECT_EQ(m.Answer(kSnmpMgrValueOf, kSysName), "kes-snmp-peer");
    EXPECT_EQ(m.Answer(kSnmpMgrValueOf, "1.3.6.1.2.1.1.6.0"), "rc322");
    EXPECT_STREQ(m.LastError(), "OID does not exist.");

    // A set with the read community is refused; with the write community it holds.
    m.Objects({kSysContact});
    (void)m.Set(kSnmpMgrObjType, 4, 1);
    (void)m.SetBytes(kSnmpMgrObjValue, "ops@kes.test", 1);
    ASSERT_EQ(m.Call(kSnmpMgrSendSetRequest), 0) << m.LastError();
    EXPECT_EQ(m.GetText(kSnmpMgrErrorDescription), "noAccess");
    EXPECT_EQ(m.SetText(kSnmpMgrCommunity, "private"), 0);
    m.Objects({kSysContact});
    (void)m.Set(kSnmpMgrObjType, 4, 1);
    (void)m.SetBytes(kSnmpMgrObjValue, "ops@kes.test", 1);
    ASSERT_EQ(m.Call(kSnmpMgrSendSetRequest), 0) << m.LastError();
    EXPECT_EQ(m.GetInt(kSnmpMgrErrorStatus), 0);
    m.Objects({kSysContact});
    ASSERT_EQ(m.Call(kSnmpMgrSendGetRequest), 0) << m.LastError();
    EXPECT_EQ(m.Object(1), std::string(kSysContact) + "=4:ops@kes.test");
}

TEST(SnmpMgrPeer, WalksLikeSnmpwalk)
{
    EventRecorder events;
    Manager m(events);
    m.ToAgent(2);
    EXPECT_EQ(m.SetText(kSnmpMgrCommunity, "public"), 0);
    const ToolRun expected = RunTool("snmpwalk -m '' -v2c -c public -On -Oe 127.0.0.1:23161 1.3.6.1.2.1.1", [] {});
    ASSERT_EQ(expected.status, 0) << expected;
    // The walk's rows are the answer's lines of the form ".<oid> = <value>".
    int rows = 0;
    std::istringstream lines(expected.out);
    for (std::string line; std::getline(lines, line);)
        if (line.rfind(".1.3.6.1.2.1.1.", 0) == 0 && line.find(" = ") != std::string::npos)
            ++rows;
    m.Objects({"1.3.6.1.2.1.1"});
    int walked = 0;
    for (;;) {
        ASSERT_EQ(m.Call(kSnmpMgrSendGetNextRequest), 0) << m.LastError();
        const std::string oid = m.GetText(kSnmpMgrObjId, 1);
        if (oid.rfind("1.3.6.1.2.1.1.", 0) != 0)
            break;
        ++walked;
        EXPECT_NE(expected.out.find("." + oid + " = "), std::string::npos) << oid;
        ASSERT_LT(walked, 200);
    }
    EXPECT_EQ(walked, rows) << expected;
    // One bulk request brings ten of them.
    m.Objects({"1.3.6.1.2.1.1"});
    ASSERT_EQ(m.Call(kSnmpMgrSendGetBulkRequest, {0, 10}), 0) << m.LastError();
    EXPECT_EQ(m.GetInt(kSnmpMgrObjCount), 10);
    EXPECT_EQ(m.GetText(kSnmpMgrObjId, 1), "1.3.6.1.2.1.1.1.0");
}

// snmpd's engine identifier, read with SNMPv2c.
std::string AgentEngineId()
{
    EventRecorder events;
    Manager m(events);
    m.ToAgent(2);
    EXPECT_EQ(m.SetText(kSnmpMgrCommunity, "public"), 0);
    m.Objects({"1.3.6.1.6.3.10.2.1.1.0"});
    EXPECT_EQ(m.Call(kSnmpMgrSendGetRequest), 0) << m.LastError();
    return m.GetBytes(kSnmpMgrObjValue, 1);
}

TEST(SnmpMgrPeer, UserSecurityDiscoveryAndTimeWindow)
{
    const std::string engineId = AgentEngineId();
    ASSERT_GE(engineId.size(), 5u);
    EventRecorder events;
    Manager m(events);
    m.ToAgent(3);
    EXPECT_EQ(m.SetText(kSnmpMgrUser, "md5user"), 0);
    EXPECT_EQ(m.SetText(kSnmpMgrPassword, "authpass123"), 0);
    // Authenticated requests need the agent's clock, and its discovery waits for answers.
    m.Objects({kSysName});
    EXPECT_EQ(m.Call(kSnmpMgrSendGetRequest), 311);
    EXPECT_EQ(m.Set(kSnmpMgrTimeout, 0), 0);
    EXPECT_EQ(m.Call(kSnmpMgrDiscover), 312);
    EXPECT_EQ(m.Set(kSnmpMgrTimeout, 5), 0);

    // Discovery finds the engine identifier, then the engine's boots and time.
    ASSERT_EQ(m.Call(kSnmpMgrDiscover), 0) << m.LastError();
    EXPECT_EQ(m.GetBytes(kSnmpMgrRemoteEngineId), engineId);
    EXPECT_GE(m.GetInt(kSnmpMgrRemoteEngineBoots), 1);
    EXPECT_GT(m.GetInt(kSnmpMgrRemoteEngineTime), 0);
    ASSERT_EQ(events.Of(kSnmpMgrEventDiscoveryResponse).size(), 2u);
    EXPECT_EQ(events.Of(kSnmpMgrEventDiscoveryResponse)[1].values[4], 1); // authenticated
    m.Objects({kSysName});
    ASSERT_EQ(m.Call(kSnmpMgrSendGetRequest), 0) << m.LastError();
    EXPECT_EQ(m.Object(1), std::string(kSysName) + "=4:kes-snmp-peer");
    const RecordedEvent response = events.Of(kSnmpMgrEventResponse).back();
    EXPECT_EQ(response.values[1], 3);
    EXPECT_EQ(response.texts[3], "md5user");
    EXPECT_EQ(response.values[4], 1);

    // The same engine for a user with SHA-1, and a write.
    EXPECT_EQ(m.SetText(kSnmpMgrUser, "shauser"), 0);
    EXPECT_EQ(m.Set(kSnmpMgrAuthenticationProtocol, 2), 0);
    m.Objects({kSysContact});
    (void)m.Set(kSnmpMgrObjType, 4, 1);
    (void)m.SetBytes(kSnmpMgrObjValue, "v3 contact", 1);
    ASSERT_EQ(m.Call(kSnmpMgrSendSetRequest), 0) << m.LastError();
    EXPECT_EQ(m.GetInt(kSnmpMgrErrorStatus), 0);

    // A wrong password is answered by an unsigned Report, which ends the
    // signed request as an answer that is not signed.
    EXPECT_EQ(m.SetText(kSnmpMgrPassword, "wrongpass123"), 0);
    m.Objects({kSysName});
    EXPECT_EQ(m.Call(kSnmpMgrSendGetRequest), 321);
    EXPECT_STREQ(m.LastError(), "An authenticated message was expected, but the received message is not signed.");

    // A clock far from the agent's: the agent's Report brings its own, and a
    // new discovery puts things right.
    EXPECT_EQ(m.SetText(kSnmpMgrPassword, "authpass123"), 0);
    EXPECT_EQ(m.Set(kSnmpMgrRemoteEngineTime, m.GetInt(kSnmpMgrRemoteEngineTime) + 1000), 0);
    EXPECT_EQ(m.Call(kSnmpMgrSendGetRequest), 313);
    EXPECT_STREQ(m.LastError(), "Request answered by a Report (usmStatsNotInTimeWindows).");
    ASSERT_EQ(m.Call(kSnmpMgrDiscover), 0) << m.LastError();
    m.Objects({kSysName});
    ASSERT_EQ(m.Call(kSnmpMgrSendGetRequest), 0) << m.LastError();
    EXPECT_EQ(m.Object(1), std::string(kSysName) + "=4:kes-snmp-peer");

    // A new address forgets the engine.
    EXPECT_EQ(m.SetText(kSnmpMgrRemoteHost, "127.0.0.1"), 0);
    EXPECT_EQ(m.GetBytes(kSnmpMgrRemoteEngineId), "");
    EXPECT_EQ(m.GetInt(kSnmpMgrRemoteEngineBoots) + m.GetInt(kSnmpMgrRemoteEngineTime), 0);

    // Without authentication only the engine identifier is needed.
    EXPECT_EQ(m.SetText(kSnmpMgrUser, "noauthuser"), 0);
    EXPECT_EQ(m.SetText(kSnmpMgrPassword, ""), 0);
    ASSERT_EQ(m.Call(kSnmpMgrDiscover), 0) << m.LastError();
    m.Objects({kSysName});
    ASSERT_EQ(m.Call(kSnmpMgrSendGetRequest), 0) << m.LastError();
    EXPECT_EQ(m.Object(1), std::string(kSysName) + "=4:kes-snmp-peer");
    EXPECT_EQ(events.Of(kSnmpMgrEventResponse).back().values[4], 0);
}

TEST(SnmpMgrPeer, TrapsAndInformsFromNetSnmp)
{
    EventRecorder events;
    Manager m(events);
    ASSERT_EQ(m.Set(kSnmpMgrLocalPort, kManagerPort), 0);
    ASSERT_EQ(m.Set(kSnmpMgrActive, 1), 0) << m.LastError();
    auto pump = [&] { m.Pump(); };
    const std::string to = " 127.0.0.1:" + std::to_string(kManagerPort);
    EXPECT_EQ(RunTool("snmptrap -m '' -v1 -c public" + to +
                          " 1.3.6.1.4.1.55555 127.0.0.1 6 17 4321 "
                          "1.3.6.1.4.1.55555.1 s 'v1 trap'",
                      pump)
                  .status,
              0);
    EXPECT_EQ(RunTool("snmptrap -m '' -v1 -c public" + to + " 1.3.6.1.6.3.1.1.5 127.0.0.1 2 0 ''", pump).status, 0);
    EXPECT_EQ(
        RunTool("snmptrap -m '' -v2c -c public" + to + " 12345 1.3.6.1.6.3.1.1.5.3 1.3.6.1.2.1.2.2.1.1.2 i 2", pump)
            .status,
        0);
    m.PumpUntil(events, kSnmpMgrEventTrap, 3);
    EXPECT_EQ(m.GetInt(kSnmpMgrObjCount), 3); // the last trap's bindings
    EXPECT_EQ(m.Object(3), "1.3.6.1.2.1.2.2.1.1.2=2:2");
    // An authenticated SNMPv3 trap from an engine whose clock the manager was given.
    EXPECT_EQ(m.SetBytes(kSnmpMgrRemoteEngineId, std::string("\x80\0\0\0\x01\x02\x03\x04", 8)), 0);
    EXPECT_EQ(m.Set(kSnmpMgrRemoteEngineBoots, 1), 0);
    EXPECT_EQ(m.Set(kSnmpMgrRemoteEngineTime, 100), 0);
    EXPECT_EQ(m.SetText(kSnmpMgrUser, "trapuser"), 0);
    EXPECT_EQ(m.SetText(kSnmpMgrPassword, "trappass123"), 0);
    EXPECT_EQ(m.Set(kSnmpMgrAuthenticationProtocol, 2), 0);
    EXPECT_EQ(RunTool("snmptrap -m '' -v3 -e 0x8000000001020304 -u trapuser -l authNoPriv -a SHA -A trappass123 "
                      "-Z 1,100" +
                          to + " 777 1.3.6.1.6.3.1.1.5.1",
                      pump)
                  .status,
              0);
    m.PumpUntil(events, kSnmpMgrEventTrap, 4);
    const std::vector<RecordedEvent> traps = events.Of(kSnmpMgrEventTrap);
    ASSERT_EQ(traps.size(), 4u);
    EXPECT_EQ(traps[0].values[1], 1);
    EXPECT_EQ(traps[0].texts[2], "public");
    EXPECT_EQ(traps[0].texts[5], "1.3.6.1.4.1.55555.6.17");
    EXPECT_EQ(traps[0].values[6], 4321);
    EXPECT_EQ(traps[0].texts[7], "127.0.0.1");
    EXPECT_EQ(traps[1].texts[5], "1.3.6.1.6.3.1.1.5.3");
    EXPECT_EQ(traps[2].values[1], 2);
    EXPECT_EQ(traps[2].texts[5], "1.3.6.1.6.3.1.1.5.3");
    EXPECT_EQ(traps[2].values[6], 12345);
    EXPECT_EQ(traps[3].values[1], 3);
    EXPECT_EQ(traps[3].texts[3], "trapuser");
    EXPECT_EQ(traps[3].values[4], 1);
    EXPECT_EQ(traps[3].texts[5], "1.3.6.1.6.3.1.1.5.1");
    EXPECT_EQ(traps[3].values[6], 777);

    // Informs are answered, so the senders end well.
    EXPECT_EQ(RunTool("snmpinform -m '' -v2c -c public" + to + " 1 1.3.6.1.6.3.1.1.5.4", pump).status, 0);
    EXPECT_EQ(m.SetBytes(kSnmpMgrLocalEngineId, std::string("\x80\0\0\0\x01\xaa\xbb\xcc", 8)), 0);
    EXPECT_EQ(RunTool("snmpinform -m '' -v3 -l noAuthNoPriv -u informer -e 0x8000000001aabbcc" + to +
                          " 2 1.3.6.1.6.3.1.1.5.4",
                      pump)
                  .status,
              0);
    const std::vector<RecordedEvent> informs = events.Of(kSnmpMgrEventInformRequest);
    ASSERT_EQ(informs.size(), 2u);
    EXPECT_EQ(informs[1].texts[3], "informer");
    EXPECT_TRUE(events.Of(kSnmpMgrEventError).empty());

    // A request sent from inside a Trap event asks the agent for the trap's
    // objects and waits for its own answer, which the handler reads; when
    // the event returns, the table is the trap's again.
    m.ToAgent(2);
    EXPECT_EQ(m.SetText(kSnmpMgrCommunity, "public"), 0);
    int nested = -1;
    std::string nestedError = "not called", answered;
    events.OnEvent(kSnmpMgrEventTrap, [&](const RecordedEvent&) {
        nested = m.Call(kSnmpMgrSendGetRequest);
        nestedError = m.LastError();
        answered = m.Answer(kSnmpMgrValueOf, kSysName);
    });
    const size_t responses = events.Of(kSnmpMgrEventResponse).size();
    EXPECT_EQ(
        RunTool("snmptrap -m '' -v2c -c public" + to + " 555 1.3.6.1.6.3.1.1.5.1 " + kSysName + " s 'in the trap'",
                pump)
            .status,
        0);
    m.PumpUntil(events, kSnmpMgrEventTrap, 5);
    events.OnEvent(kSnmpMgrEventTrap, {});
    EXPECT_EQ(nested, 0);
    EXPECT_EQ(nestedError, "");
    EXPECT_EQ(answered, "kes-snmp-peer");
    EXPECT_EQ(events.Of(kSnmpMgrEventResponse).size(), responses + 1);
    EXPECT_EQ(m.GetInt(kSnmpMgrObjCount), 3);
    EXPECT_EQ(m.Answer(kSnmpMgrValueOf, kSysName), "in the trap");
}

// A manager whose owner looks at the table, and tries another request,
// while a trap's event runs.
struct WatchingOwner {
    void* obj = nullptr;
    EventRecorder events;
    std::string tableDuringTrap;
    int nestedRequest = -1;
    bool closeOnTrap = false;
    bool resetOnTrap = false;
    int reset = -1;

    WatchingOwner()
    {
        events.TextsAt(kSnmpMgrEventBadPacket, {1, 4});
        events.OnEvent(kSnmpMgrEventTrap, [this](const RecordedEvent&) {
            tableDuringTrap = reinterpret_cast<const char*>(SNMPMgr_Get(obj, kSnmpMgrObjId, 2, nullptr));
            nestedRequest = SNMPMgr_Do(obj, kSnmpMgrSendGetRequest, 0, nullptr, nullptr);
            if (resetOnTrap)
                reset = SNMPMgr_Do(obj, kSnmpMgrReset, 0, nullptr, nullptr);
            if (closeOnTrap)
                SNMPMgr_Set(obj, kSnmpMgrActive, 0, 0, 0);
        });
        obj = SNMPMgr_Create(EventRecorder::Callback, events.User(), nullptr);
    }
    ~WatchingOwner() { SNMPMgr_Destroy(obj); }
};

// What arrives while a request waits: a trap is delivered with its own
// bindings and leaves the request's table alone; a Response from elsewhere
// is a bad packet and the wait goes on; a request for an agent is refused.
TEST(SnmpMgrPeer, DatagramsWhileARequestWaits)
{
    WatchingOwner owner;
    auto set = [&](int p, INT_PTR v) { return SNMPMgr_Set(owner.obj, p, 0, v, 0); };
    EXPECT_EQ(set(kSnmpMgrLocalPort, kManagerPort + 1), 0);
    EXPECT_EQ(set(kSnmpMgrRemoteHost, reinterpret_cast<INT_PTR>("127.0.0.1")), 0);
    EXPECT_EQ(set(kSnmpMgrRemotePort, kAgentPort), 0);
    EXPECT_EQ(set(kSnmpMgrCommunity, reinterpret_cast<INT_PTR>("public")), 0);
    EXPECT_EQ(set(kSnmpMgrTimeout, 5), 0);
    EXPECT_EQ(set(kSnmpMgrActive, 1), 0);

    // A trap and a stray Response wait in the manager's socket before the request goes out.
    void* agent = SNMPAgent_Create(nullptr, 0, nullptr);
    EXPECT_EQ(SNMPAgent_Set(agent, kSnmpAgentLocalPort, 0, 0, 0), 0);
    INT_PTR config[] = {reinterpret_cast<INT_PTR>("TrapPort=23172")};
    EXPECT_EQ(SNMPAgent_Do(agent, 1, 1, config, nullptr), 0);
    INT_PTR trap[] = {reinterpret_cast<INT_PTR>("127.0.0.1"), reinterpret_cast<INT_PTR>("warmStart")};
    ASSERT_EQ(SNMPAgent_Do(agent, kSnmpAgentSendTrap, 2, trap, nullptr), 0) << SNMPAgent_GetLastError(agent);
    void* stray = UDPPort_Create(nullptr, 0, nullptr);
    EXPECT_EQ(UDPPort_Set(stray, kUdpPortRemoteHost, 0, reinterpret_cast<INT_PTR>("127.0.0.1"), 0), 0);
    EXPECT_EQ(UDPPort_Set(stray, kUdpPortRemotePort, 0, kManagerPort + 1, 0), 0);
    EXPECT_EQ(UDPPort_Set(stray, kUdpPortActive, 0, 1, 0), 0);
    const std::string response("\x30\x18\x02\x01\x01\x04\x06public\xa2\x0b\x02\x01\x01\x02\x01\x00\x02\x01\x00\x30\x00",
                               26);
    EXPECT_EQ(
        UDPPort_Set(stray, kUdpPortDataToSend, 0, reinterpret_cast<INT_PTR>(response.data()), int(response.size())), 0);

    EXPECT_EQ(set(kSnmpMgrObjCount, 1), 0);
    EXPECT_EQ(SNMPMgr_Set(owner.obj, kSnmpMgrObjId, 1, reinterpret_cast<INT_PTR>(kSysName), 0), 0);
    ASSERT_EQ(SNMPMgr_Do(owner.obj, kSnmpMgrSendGetRequest, 0, nullptr, nullptr), 0) << SNMPMgr_GetLastError(owner.obj);
    ASSERT_EQ(owner.events.Of(kSnmpMgrEventTrap).size(), 1u);
    EXPECT_EQ(owner.tableDuringTrap, "1.3.6.1.6.3.1.1.4.1.0");
    EXPECT_EQ(owner.nestedRequest, 307);
    EXPECT_STREQ(SNMPMgr_GetLastError(owner.obj), "") << "the refusal was the nested request's";
    const std::vector<RecordedEvent> bad = owner.events.Of(kSnmpMgrEventBadPacket);
    ASSERT_EQ(bad.size(), 1u);
    EXPECT_EQ(bad[0].values[3], 318);
    EXPECT_EQ(bad[0].texts[4], "Message origin unknown.");
    EXPECT_EQ(SNMPMgr_Get(owner.obj, kSnmpMgrObjCount, 0, nullptr), 1);
    EXPECT_STREQ(reinterpret_cast<const char*>(SNMPMgr_Get(owner.obj, kSnmpMgrObjId, 1, nullptr)), kSysName);
    EXPECT_STREQ(reinterpret_cast<const char*>(SNMPMgr_Get(owner.obj, kSnmpMgrObjValue, 1, nullptr)), "kes-snmp-peer");

    // Nothing answers: what arrived meanwhile leaves the request's table as the caller set it.
    EXPECT_EQ(set(kSnmpMgrRemotePort, 23199), 0);
    EXPECT_EQ(set(kSnmpMgrTimeout, 1), 0);
    ASSERT_EQ(SNMPAgent_Do(agent, kSnmpAgentSendTrap, 2, trap, nullptr), 0);
    EXPECT_EQ(
        UDPPort_Set(stray, kUdpPortDataToSend, 0, reinterpret_cast<INT_PTR>(response.data()), int(response.size())), 0);
    EXPECT_EQ(SNMPMgr_Do(owner.obj, kSnmpMgrSendGetRequest, 0, nullptr, nullptr), 301);
    EXPECT_EQ(owner.events.Of(kSnmpMgrEventTrap).size(), 2u);
    EXPECT_EQ(SNMPMgr_Get(owner.obj, kSnmpMgrObjCount, 0, nullptr), 1);
    EXPECT_STREQ(reinterpret_cast<const char*>(SNMPMgr_Get(owner.obj, kSnmpMgrObjId, 1, nullptr)), kSysName);
    // Unless the owner resets from the trap's event: then the table is empty afterwards.
    owner.resetOnTrap = true;
    ASSERT_EQ(SNMPAgent_Do(agent, kSnmpAgentSendTrap, 2, trap, nullptr), 0);
    EXPECT_EQ(SNMPMgr_Do(owner.obj, kSnmpMgrSendGetRequest, 0, nullptr, nullptr), 301);
    EXPECT_EQ(owner.events.Of(kSnmpMgrEventTrap).size(), 3u);
    EXPECT_EQ(owner.reset, 0);
    EXPECT_EQ(SNMPMgr_Get(owner.obj, kSnmpMgrObjCount, 0, nullptr), 0);
    owner.resetOnTrap = false;
    EXPECT_EQ(set(kSnmpMgrObjCount, 1), 0);
    EXPECT_EQ(SNMPMgr_Set(owner.obj, kSnmpMgrObjId, 1, reinterpret_cast<INT_PTR>(kSysName), 0), 0);

    // The owner closes the socket from an event: the request ends at once.
    owner.closeOnTrap = true;
    EXPECT_EQ(set(kSnmpMgrTimeout, 60), 0);
    ASSERT_EQ(SNMPAgent_Do(agent, kSnmpAgentSendTrap, 2, trap, nullptr), 0);
    const DWORD start = GetTickCount();
    EXPECT_EQ(SNMPMgr_Do(owner.obj, kSnmpMgrSendGetRequest, 0, nullptr, nullptr), 301);
    EXPECT_LT(GetTickCount() - start, 10000u);
    EXPECT_STREQ(SNMPMgr_GetLastError(owner.obj), "Interrupted.");
    EXPECT_EQ(SNMPMgr_Get(owner.obj, kSnmpMgrActive, 0, nullptr), 0);
    owner.closeOnTrap = false;
    EXPECT_EQ(set(kSnmpMgrActive, 1), 0);

    // A manager takes no requests.
    const ToolRun out = RunTool("snmpget -m '' -v2c -c public -t 1 -r 0 127.0.0.1:23172 1.3.6.1.2.1.1.5.0",
                                [&] { (void)SNMPMgr_Do(owner.obj, kSnmpMgrDoEvents, 0, nullptr, nullptr); });
    EXPECT_NE(out.err.find("Timeout"), std::string::npos) << out;
    ASSERT_EQ(owner.events.Of(kSnmpMgrEventBadPacket).size(), 3u);
    EXPECT_EQ(owner.events.Of(kSnmpMgrEventBadPacket)[2].texts[4], "Operation not permitted in current role.");
    UDPPort_Destroy(stray);
    SNMPAgent_Destroy(agent);
}

} // namespace

// SNMPAgent through its exported functions, asked by net-snmp's snmpget,
// snmpwalk, snmpbulkget and snmpset on 127.0.0.1:23163 and sending traps to
// snmptrapd on 23162 (tools/peers/snmptrapd.sh logs them); the manager's
// informs to snmptrapd are here too, as they end in the same log.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "netcomp/include/netcomp_snmpagent.h"
#include "netcomp/include/netcomp_snmpmgr.h"
#include "netcomp/net/tests/SnmpTestSupport.h"

namespace {

constexpr int kAgentPort = 23163;
constexpr int kTrapdPort = 23162;
const char* const kWritable = "1.3.6.1.4.1.55555.1.0";
const std::string kEngineId("\x80\0\0\0\x01\x05\x06\x07", 8);

struct Entry {
    std::vector<unsigned> arcs;
    std::string oid;
    int type;
    std::string value;
};

std::vector<unsigned> Arcs(const std::string& oid)
{
    std::vector<unsigned> arcs;
    for (const char* p = oid.c_str(); *p;) {
        arcs.push_back(unsigned(std::strtoul(p, const_cast<char**>(&p), 10)));
        if (*p == '.')
            ++p;
        else if (*p)
            break;
    }
    return arcs;
}

// A small agent: a sorted table of objects, one of them writable, and two
// SNMPv3 users with the password "agentpass123" (agentuser signs with MD5,
// shaagent with SHA-1).
class TestAgent {
public:
    TestAgent()
    {
        for (const auto& [oid, type, value] : std::vector<std::tuple<std::string, int, std::string>>{
                 {"1.3.6.1.2.1.1.1.0", 4, "Kestrova test agent"},
                 {"1.3.6.1.2.1.1.3.0", 67, "4200"},
                 {"1.3.6.1.2.1.1.5.0", 4, "kes-agent"},
                 {"1.3.6.1.2.1.2.1.0", 2, "-3"},
                 {"1.3.6.1.2.1.4.20.1.1.127.0.0.1", 64, "127.0.0.1"},
                 {"1.3.6.1.2.1.31.1.1.1.6.1", 70, "18446744073709551615"},
                 {kWritable, 4, "initial"}})
            m_mib.push_back({Arcs(oid), oid, type, value});
        m_obj = SNMPAgent_Create(&TestAgent::Callback, reinterpret_cast<INT_PTR>(this), nullptr);
        events.TextsAt(kSnmpAgentEventBadPacket, {4});
        events.TextsAt(kSnmpAgentEventError, {1});
        EXPECT_EQ(SNMPAgent_Set(m_obj, kSnmpAgentLocalPort, 0, kAgentPort, 0), 0);
        EXPECT_EQ(SNMPAgent_Set(m_obj, kSnmpAgentLocalEngineId, 0, reinterpret_cast<INT_PTR>(kEngineId.data()),
                                int(kEngineId.size())),
                  0);
        EXPECT_EQ(SNMPAgent_Set(m_obj, kSnmpAgentActive, 0, 1, 0), 0) << SNMPAgent_GetLastError(m_obj);
    }
    ~TestAgent() { SNMPAgent_Destroy(m_obj); }

    void* Handle() const { return m_obj; }
    ToolRun Run(const std::string& command)
    {
        return RunTool(command + " 127.0.0.1:" + std::to_string(kAgentPort) + " " + m_request,
                       [this] { (void)SNMPAgent_Do(m_obj, kSnmpAgentDoEvents, 0, nullptr, nullptr); });
    }
    void Objects(const std::string& oids) { m_request = oids; }
    const std::string& Value(const std::string& oid)
    {
        for (const Entry& e : m_mib)
            if (e.oid == oid)
                return e.value;
        static const std::string none;
        return none;
    }

    EventRecorder events;
    // Runs in the GetRequest event, after the request's objects are filled in.
    std::function<void()> afterGet;

private:
    static int WINAPI Callback(INT_PTR user, int event, int count, INT_PTR* params, int* lengths)
    {
        auto* self = reinterpret_cast<TestAgent*>(user);
        EventRecorder::Callback(self->events.User(), event, count, params, lengths);
        switch (event) {
        case kSnmpAgentEventGetUserPassword: {
            const std::string name = reinterpret_cast<const char*>(params[0]);
            if (name == "agentuser" || name == "shaagent")
                params[1] = reinterpret_cast<INT_PTR>("agentpass123");
            break;
        }
        case kSnmpAgentEventGetRequest:
            self->Answer(params, int(params[1]), false, &params[7], &params[8]);
            if (self->afterGet)
                self->afterGet();
            break;
        case kSnmpAgentEventGetNextRequest:
            self->Answer(params, int(params[1]), true, &params[7], &params[8]);
            break;
        case kSnmpAgentEventGetBulkRequest:
            self->Bulk(int(params[8]));
            break;
        case kSnmpAgentEventSetRequest:
            self->Write(&params[7], &params[8]);
            break;
        default:
            break;
        }
        return 0;
    }

    int Count() const { return int(SNMPAgent_Get(m_obj, kSnmpAgentObjCount, 0, nullptr)); }
    std::string Id(int i) const
    {
        return reinterpret_cast<const char*>(SNMPAgent_Get(m_obj, kSnmpAgentObjId, i, nullptr));
    }
    void Put(int i, const Entry* e, int missingType)
    {
        if (e)
            (void)SNMPAgent_Set(m_obj, kSnmpAgentObjId, i, reinterpret_cast<INT_PTR>(e->oid.c_str()), 0);
        (void)SNMPAgent_Set(m_obj, kSnmpAgentObjType, i, e ? e->type : missingType, 0);
        (void)SNMPAgent_Set(m_obj, kSnmpAgentObjValue, i, reinterpret_cast<INT_PTR>(e ? e->value.data() : ""),
                            e ? int(e->value.size()) : 0);
    }
    const Entry* Find(const std::string& oid, bool next) const
    {
        const std::vector<unsigned> arcs = Arcs(oid);
        for (const Entry& e : m_mib) {
            if (next ? e.arcs > arcs : e.arcs == arcs)
                return &e;
        }
        return nullptr;
    }
    // SNMPv1 names a missing object in the error status, SNMPv2c in its value.
    void Answer(INT_PTR*, int version, bool next, INT_PTR* errorIndex, INT_PTR* errorStatus)
    {
        for (int i = 1; i <= Count(); ++i) {
            const Entry* e = Find(Id(i), next);
            if (!e && version == 1) {
                *errorStatus = 2;
                *errorIndex = i;
                return;
            }
            Put(i, e, next ? 130 : 128);
        }
    }
    void Bulk(int maxRepetitions)
    {
        std::string from = Id(1);
        (void)SNMPAgent_Set(m_obj, kSnmpAgentObjCount, 0, 0, 0);
        for (int i = 1; i <= maxRepetitions; ++i) {
            const Entry* e = Find(from, true);
            (void)SNMPAgent_Set(m_obj, kSnmpAgentObjCount, 0, i, 0);
            if (!e) {
                (void)SNMPAgent_Set(m_obj, kSnmpAgentObjId, i, reinterpret_cast<INT_PTR>(from.c_str()), 0);
                Put(i, nullptr, 130);
                break;
            }
            Put(i, e, 0);
            from = e->oid;
        }
    }
    void Write(INT_PTR* errorIndex, INT_PTR* errorStatus)
    {
        for (int i = 1; i <= Count(); ++i) {
            if (Id(i) != kWritable) {
                *errorStatus = 17; // notWritable
                *errorIndex = i;
                return;
            }
            int length = 0;
            const char* v = reinterpret_cast<const char*>(SNMPAgent_Get(m_obj, kSnmpAgentObjValue, i, &length));
            m_mib.back().value.assign(v, size_t(length));
        }
    }

    std::vector<Entry> m_mib;
    void* m_obj = nullptr;
    std::string m_request;
};

bool Has(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

TEST(SnmpAgentPeer, CommunityManagersAskTheAgent)
{
    TestAgent agent;
    agent.Objects("1.3.6.1.2.1.1.5.0 1.3.6.1.2.1.2.1.0");
    ToolRun out = agent.Run("snmpget -m '' -On -v2c -c public");
    EXPECT_TRUE(Has(out.out, ".1.3.6.1.2.1.1.5.0 = STRING: \"kes-agent\"")) << out;
    EXPECT_TRUE(Has(out.out, ".1.3.6.1.2.1.2.1.0 = INTEGER: -3")) << out;
    agent.Objects("1.3.6.1.2.1.1.5.0 1.3.6.1.2.1.1.99.0");
    out = agent.Run("snmpget -m '' -On -v1 -c public");
    EXPECT_TRUE(Has(out.err, "noSuchName")) << out;
    EXPECT_TRUE(Has(out.err, ".1.3.6.1.2.1.1.99.0")) << out;
    out = agent.Run("snmpget -m '' -On -v2c -c public");
    EXPECT_TRUE(Has(out.out, ".1.3.6.1.2.1.1.99.0 = No Such Object")) << out;

    // The whole table in order, ending at the end of the view.
    agent.Objects("1.3.6.1");
    out = agent.Run("snmpwalk -m '' -On -v2c -c public");
    const char* const rows[] = {
        ".1.3.6.1.2.1.1.1.0 = STRING: \"Kestrova test agent\"", ".1.3.6.1.2.1.1.3.0 = Timeticks: (4200)",
        ".1.3.6.1.2.1.4.20.1.1.127.0.0.1 = IpAddress: 127.0.0.1",
        ".1.3.6.1.2.1.31.1.1.1.6.1 = Counter64: 18446744073709551615", ".1.3.6.1.4.1.55555.1.0 = STRING: \"initial\""};
    EXPECT_EQ(out.status, 0) << out;
    size_t at = 0;
    for (const char* row : rows) {
        const size_t found = out.out.find(row, at);
        EXPECT_NE(found, std::string::npos) << row << "\n" << out;
        at = found == std::string::npos ? at : found;
    }
    agent.Objects("1.3.6.1.2.1.1");
    out = agent.Run("snmpbulkget -m '' -On -v2c -c public -Cn0 -Cr3");
    EXPECT_TRUE(Has(out.out, ".1.3.6.1.2.1.1.5.0 = STRING: \"kes-agent\"")) << out;
    EXPECT_FALSE(Has(out.out, ".1.3.6.1.2.1.2.1.0")) << out;
    EXPECT_EQ(agent.events.Of(kSnmpAgentEventGetBulkRequest).back().values[8], 3); // max-repetitions

    agent.Objects(std::string(kWritable) + " s written");
    out = agent.Run("snmpset -m '' -On -v2c -c private");
    EXPECT_EQ(out.status, 0) << out;
    EXPECT_EQ(agent.Value(kWritable), "written");
    agent.Objects("1.3.6.1.2.1.1.5.0 s other");
    out = agent.Run("snmpset -m '' -On -v2c -c private");
    EXPECT_TRUE(Has(out.err, "notWritable")) << out;
    EXPECT_EQ(agent.events.Of(kSnmpAgentEventSetRequest).back().texts.size(), 10u);
}

TEST(SnmpAgentPeer, UserSecurityManagersAskTheAgent)
{
    TestAgent agent;
    agent.Objects("1.3.6.1.2.1.1.5.0");
    // net-snmp discovers the engine, then asks signed, and checks that the
    // answer comes back signed for its user.
    ToolRun out = agent.Run("snmpget -m '' -On -v3 -l authNoPriv -u agentuser -a MD5 -A agentpass123");
    EXPECT_TRUE(Has(out.out, "STRING: \"kes-agent\"")) << out;
    ASSERT_FALSE(agent.events.Of(kSnmpAgentEventDiscoveryRequest).empty());
    EXPECT_EQ(agent.events.Of(kSnmpAgentEventDiscoveryRequest)[0].values[7], 1); // a Report is to follow
    EXPECT_EQ(agent.events.Of(kSnmpAgentEventGetRequest).back().values[4], 1);   // authenticated
    out = agent.Run("snmpget -m '' -On -v3 -l authNoPriv -u shaagent -a SHA -A agentpass123");
    EXPECT_TRUE(Has(out.out, "STRING: \"kes-agent\"")) << out;
    agent.Objects("1.3.6.1");
    out = agent.Run("snmpwalk -m '' -On -v3 -l authNoPriv -u agentuser -a MD5 -A agentpass123");
    EXPECT_TRUE(Has(out.out, ".1.3.6.1.4.1.55555.1.0 = STRING: \"initial\"")) << out;
    agent.Objects(std::string(kWritable) + " s secure");
    out = agent.Run("snmpset -m '' -On -v3 -l authNoPriv -u shaagent -a SHA -A agentpass123");
    EXPECT_EQ(out.status, 0) << out;
    EXPECT_EQ(agent.Value(kWritable), "secure");

    // A manager that starts from a wrong clock gets the agent's in a Report and asks again.
    agent.Objects("1.3.6.1.2.1.1.5.0");
    const size_t discoveries = agent.events.Of(kSnmpAgentEventDiscoveryRequest).size();
    out = agent.Run("snmpget -m '' -On -v3 -l authNoPriv -u agentuser -a MD5 -A agentpass123 -e 0x8000000001050607 "
                    "-Z 7,5");
    EXPECT_TRUE(Has(out.out, "STRING: \"kes-agent\"")) << out;
    EXPECT_EQ(agent.events.Of(kSnmpAgentEventDiscoveryRequest).size(), discoveries + 1);

    // A signed request for another engine draws the unknown engine's Report, as
    // snmpd's does (net-snmp, holding to the engine it was given, waits on).
    const size_t reports = agent.events.Of(kSnmpAgentEventDiscoveryRequest).size();
    out = agent.Run("snmpget -m '' -On -v3 -l authNoPriv -u agentuser -a MD5 -A agentpass123 -e 0x80000000010a0b0c "
                    "-t 1 -r 0");
    EXPECT_TRUE(Has(out.err, "Timeout")) << out;
    EXPECT_EQ(agent.events.Of(kSnmpAgentEventDiscoveryRequest).size(), reports + 1);
    out = agent.Run("snmpget -m '' -On -v3 -l authNoPriv -u agentuser -a MD5 -A wrongpass123");
    EXPECT_TRUE(Has(out.err, "Authentication failure")) << out;
    EXPECT_EQ(agent.events.Of(kSnmpAgentEventBadPacket).back().values[3], 24);
    out = agent.Run("snmpget -m '' -On -v3 -l authNoPriv -u stranger -a MD5 -A agentpass123");
    EXPECT_TRUE(Has(out.err, "Unknown user name")) << out;
    out = agent.Run("snmpget -m '' -On -v3 -l noAuthNoPriv -u stranger");
    EXPECT_TRUE(Has(out.out, "STRING: \"kes-agent\"")) << out;
}

// The lines snmptrapd has logged so far.
std::string TrapLog()
{
    const char* binary = std::getenv("KES_BINARY_DIR");
    std::ifstream f(std::string("Z:") + (binary ? binary : "") + "/peers/snmptrapd/traps.log");
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

// Waits (pumping) until the log holds text, at most about 5 s.
bool Logged(const std::string& text, const std::function<void()>& pump)
{
    for (int i = 0; i < 250; ++i) {
        if (Has(TrapLog(), text))
            return true;
        pump();
    }
    return false;
}

TEST(SnmpAgentPeer, TrapsAndInformsReachSnmptrapd)
{
    EventRecorder events;
    SnmpComponent<SNMPAgentFunctions> agent(events);
    auto pump = [&] { (void)agent.Call(kSnmpAgentDoEvents); };
    EXPECT_EQ(agent.Set(kSnmpAgentLocalPort, 0), 0);
    EXPECT_EQ(agent.Config(("TrapPort=" + std::to_string(kTrapdPort)).c_str()), 0);
    EXPECT_EQ(agent.Config("TrapCommunity=public"), 0);
    EXPECT_EQ(agent.Config("TrapEnterprise=1.3.6.1.4.1.55555"), 0);
    EXPECT_EQ(agent.Config("TrapAgentAddress=127.0.0.1"), 0);
    EXPECT_EQ(agent.Set(kSnmpAgentSNMPVersion, 1), 0);
    ASSERT_EQ(agent.Do(kSnmpAgentSendTrap, {"127.0.0.1", "6.17"}), 0) << agent.LastError();
    EXPECT_TRUE(Logged("TRAP1 TRAP, SNMP v1, community public .1.3.6.1.4.1.55555 6 .17", pump)) << TrapLog();
    EXPECT_EQ(agent.Set(kSnmpAgentSNMPVersion, 2), 0);
    ASSERT_EQ(agent.Do(kSnmpAgentSendTrap, {"127.0.0.1", "linkUp"}), 0) << agent.LastError();
    EXPECT_TRUE(Logged("OID: .1.3.6.1.6.3.1.1.5.4", pump)) << TrapLog();
    // Signed for the user snmptrapd knows at this engine.
    EXPECT_EQ(agent.SetBytes(kSnmpAgentLocalEngineId, std::string("\x80\0\0\0\x01\x02\x03\x04", 8)), 0);
    ASSERT_EQ(agent.Call(kSnmpAgentReset), 0);
    ASSERT_EQ(agent.Do(kSnmpAgentSendSecureTrap, {"127.0.0.1", "coldStart", "agentuser", "agentpass123"}), 0)
        << agent.LastError();
    EXPECT_TRUE(Logged("TRAP2 TRAP2, SNMP v3, user agentuser", pump)) << TrapLog();
    EXPECT_TRUE(Has(TrapLog(), "OID: .1.3.6.1.6.3.1.1.5.1")) << TrapLog();
    EXPECT_EQ(agent.GetInt(kSnmpAgentSNMPVersion), 3);

    // The manager's informs wait for snmptrapd's Response.
    EventRecorder managerEvents;
    SnmpComponent<SNMPMgrFunctions> manager(managerEvents);
    EXPECT_EQ(manager.Set(kSnmpMgrLocalPort, 0), 0);
    EXPECT_EQ(manager.Set(kSnmpMgrTimeout, 5), 0);
    EXPECT_EQ(manager.SetText(kSnmpMgrRemoteHost, "127.0.0.1"), 0);
    EXPECT_EQ(manager.Set(kSnmpMgrRemotePort, kTrapdPort), 0);
    EXPECT_EQ(manager.SetText(kSnmpMgrCommunity, "public"), 0);
    // An inform's bindings: sysUpTime, the notification's identifier, and a text.
    auto inform = [&](const char* text) {
        EXPECT_EQ(manager.Set(kSnmpMgrObjCount, 3), 0);
        manager.Bind(kSnmpMgrObjId, kSnmpMgrObjType, kSnmpMgrObjValue, 1, "1.3.6.1.2.1.1.3.0", 67, "4711");
        manager.Bind(kSnmpMgrObjId, kSnmpMgrObjType, kSnmpMgrObjValue, 2, "1.3.6.1.6.3.1.1.4.1.0", 6,
                     "1.3.6.1.4.1.55555.0.1");
        manager.Bind(kSnmpMgrObjId, kSnmpMgrObjType, kSnmpMgrObjValue, 3, "1.3.6.1.4.1.55555.2", 4, text);
    };
    inform("inform v2c");
    ASSERT_EQ(manager.Call(kSnmpMgrSendInformRequest), 0) << manager.LastError();
    EXPECT_TRUE(Logged("INFORM, SNMP v2c, community public", pump)) << TrapLog();
    EXPECT_TRUE(Has(TrapLog(), "STRING: \"inform v2c\"")) << TrapLog();
    EXPECT_EQ(manager.Set(kSnmpMgrSNMPVersion, 3), 0);
    EXPECT_EQ(manager.SetText(kSnmpMgrUser, "informuser"), 0);
    EXPECT_EQ(manager.SetText(kSnmpMgrPassword, "informpass123"), 0);
    EXPECT_EQ(manager.Set(kSnmpMgrAuthenticationProtocol, 2), 0);
    ASSERT_EQ(manager.Call(kSnmpMgrDiscover), 0) << manager.LastError();
    EXPECT_EQ(manager.GetText(kSnmpMgrObjId, 1), "1.3.6.1.6.3.15.1.1.2.0"); // the Report's binding
    inform("inform v3");
    ASSERT_EQ(manager.Call(kSnmpMgrSendInformRequest), 0) << manager.LastError();
    EXPECT_TRUE(Logged("INFORM, SNMP v3, user informuser", pump)) << TrapLog();
    EXPECT_TRUE(Has(TrapLog(), "STRING: \"inform v3\"")) << TrapLog();

    // A trap sent from inside the GetRequest event carries the objects as
    // the handler filled them in, and the Response still answers snmpget.
    TestAgent asked;
    void* obj = asked.Handle();
    for (const char* setting : {"TrapPort=23162", "TrapCommunity=public", "TrapEnterprise=1.3.6.1.4.1.55555"}) {
        INT_PTR args[] = {reinterpret_cast<INT_PTR>(setting)};
        EXPECT_EQ(SNMPAgent_Do(obj, 1, 1, args, nullptr), 0) << setting;
    }
    EXPECT_EQ(SNMPAgent_Set(obj, kSnmpAgentSNMPVersion, 0, 1, 0), 0);
    int trap = -1;
    std::string trapError = "not called";
    asked.afterGet = [&] {
        INT_PTR args[] = {reinterpret_cast<INT_PTR>("127.0.0.1"), reinterpret_cast<INT_PTR>("6.23")};
        trap = SNMPAgent_Do(obj, kSnmpAgentSendTrap, 2, args, nullptr);
        trapError = SNMPAgent_GetLastError(obj);
    };
    asked.Objects("1.3.6.1.2.1.1.5.0");
    const ToolRun out = asked.Run("snmpget -m '' -On -v2c -c public");
    EXPECT_TRUE(Has(out.out, ".1.3.6.1.2.1.1.5.0 = STRING: \"kes-agent\"")) << out;
    EXPECT_EQ(trap, 0);
    EXPECT_EQ(trapError, "");
    EXPECT_TRUE(Logged("6 .23 | .1.3.6.1.2.1.1.5.0 = STRING: \"kes-agent\"", [&] {
        (void)SNMPAgent_Do(obj, kSnmpAgentDoEvents, 0, nullptr, nullptr);
    })) << TrapLog();
}

} // namespace

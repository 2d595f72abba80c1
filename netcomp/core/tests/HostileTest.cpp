// A hostile caller of the exported interface, for every component of the
// export list through netcomp.dll: thousands of calls with bad arguments
// (unknown numbers, bad indexes, extreme and negative numbers, null, long and
// odd texts, null or short byte buffers, argument arrays shorter than the
// method reads, Config texts of every shape), and calls made from inside the
// component's own events (actions, Sets, reads, Destroy). It passes when no
// call crashes, every call returns, and the memory stays bounded.
//
// The peers are loopback sockets of the test's own: an echo server on 20952
// (where a component may connect), a client that keeps connecting to 20953
// (where a component may listen), 20954 for datagrams a component sends to
// itself, and 20955 between an SNMP manager and agent. Each component gets
// 3,000 calls or 8 s; KES_HOSTILE_CALLS sets the calls per component without
// a time limit (a longer run by hand). Outside the test namespace the texts
// are kept to ones that never make the resolver ask a name server.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "netcomp/core/framework/ComponentObject.h"
#include "netcomp/core/framework/ComponentTable.h"
#include "netcomp/core/tests/ComponentApi.h"
#include "netcomp/include/netcomp_dns.h"
#include "netcomp/include/netcomp_filemailer.h"
#include "netcomp/include/netcomp_ftp.h"
#include "netcomp/include/netcomp_htmlmailer.h"
#include "netcomp/include/netcomp_http.h"
#include "netcomp/include/netcomp_icmpport.h"
#include "netcomp/include/netcomp_imap.h"
#include "netcomp/include/netcomp_ipdaemon.h"
#include "netcomp/include/netcomp_ipport.h"
#include "netcomp/include/netcomp_mcast.h"
#include "netcomp/include/netcomp_netdial.h"
#include "netcomp/include/netcomp_ldap.h"
#include "netcomp/include/netcomp_mx.h"
#include "netcomp/include/netcomp_netclock.h"
#include "netcomp/include/netcomp_nntp.h"
#include "netcomp/include/netcomp_ping.h"
#include "netcomp/include/netcomp_pop.h"
#include "netcomp/include/netcomp_rcp.h"
#include "netcomp/include/netcomp_rexec.h"
#include "netcomp/include/netcomp_rshell.h"
#include "netcomp/include/netcomp_rss.h"
#include "netcomp/include/netcomp_smpp.h"
#include "netcomp/include/netcomp_smtp.h"
#include "netcomp/include/netcomp_snpp.h"
#include "netcomp/include/netcomp_snmpagent.h"
#include "netcomp/include/netcomp_snmpmgr.h"
#include "netcomp/include/netcomp_soap.h"
#include "netcomp/include/netcomp_traceroute.h"
#include "netcomp/include/netcomp_syslog.h"
#include "netcomp/include/netcomp_telnet.h"
#include "netcomp/include/netcomp_tftp.h"
#include "netcomp/include/netcomp_udpport.h"
#include "netcomp/include/netcomp_webdav.h"
#include "netcomp/include/netcomp_webform.h"
#include "netcomp/include/netcomp_webupload.h"
#include "netcomp/include/netcomp_whois.h"
#include "netcomp/include/netcomp_xmpp.h"

namespace {

constexpr int kEchoPort = 20952;
constexpr int kListenPort = 20953;
constexpr int kDatagramPort = 20954;
constexpr int kAgentPort = 20955; // an SNMP agent under test listens, a manager asks

// What the run knows of some components: the Timeout property, kept at one
// second so that a wait the random calls start ends soon (the run never sets
// it otherwise), and settings that put the object where its actions fire
// events: connected to the echo peer, listening where the knocking client
// connects, sending datagrams to itself. Made anew every so many calls.
struct Setting {
    int property;
    INT_PTR number;
    const char* text;
};
struct Known {
    int timeoutProperty;
    std::vector<Setting> settings;
};
const std::map<std::string, Known> kKnown = {
    {"Ping", {kPingTimeout, {{kPingRemoteHost, 0, "127.0.0.1"}}}},
    {"HTTP", {kHttpTimeout, {{kHttpURL, 0, "http://127.0.0.1:20952/h"}}}},
    {"SOAP",
     {kSoapTimeout, {{kSoapURL, 0, "http://127.0.0.1:20952/s"}, {kSoapMethod, 0, "M"}, {kSoapMethodURI, 0, "urn:m"}}}},
    {"IPPort",
     {kIpPortTimeout,
      {{kIpPortRemoteHost, 0, "127.0.0.1"}, {kIpPortRemotePort, kEchoPort, nullptr}, {kIpPortConnected, 1, nullptr}}}},
    {"IPDaemon", {0, {{kIpDaemonLocalPort, kListenPort, nullptr}, {kIpDaemonListening, 1, nullptr}}}},
    {"UDPPort",
     {0,
      {{kUdpPortActive, 0, nullptr},
       {kUdpPortLocalPort, kDatagramPort, nullptr},
       {kUdpPortRemoteHost, 0, "127.0.0.1"},
       {kUdpPortRemotePort, kDatagramPort, nullptr},
       {kUdpPortActive, 1, nullptr}}}},
    {"SMTP", {kSmtpTimeout, {{kSmtpMailServer, 0, "127.0.0.1"}, {kSmtpMailPort, kEchoPort, nullptr}}}},
    {"SNMPMgr",
     {kSnmpMgrTimeout,
      {{kSnmpMgrRemoteHost, 0, "127.0.0.1"}, {kSnmpMgrRemotePort, kAgentPort, nullptr}, {kSnmpMgrActive, 1, nullptr}}}},
    {"SNMPAgent", {0, {{kSnmpAgentLocalPort, kAgentPort, nullptr}, {kSnmpAgentActive, 1, nullptr}}}},
    {"FileMailer",
     {kFileMailerTimeout, {{kFileMailerMailServer, 0, "127.0.0.1"}, {kFileMailerMailPort, kEchoPort, nullptr}}}},
    {"HTMLMailer",
     {kHtmlMailerTimeout, {{kHtmlMailerMailServer, 0, "127.0.0.1"}, {kHtmlMailerMailPort, kEchoPort, nullptr}}}},
    {"WebDAV", {kWebDavTimeout, {}}},
    {"WebForm", {kWebFormTimeout, {{kWebFormURL, 0, "http://127.0.0.1:20952/f"}}}},
    {"WebUpload", {kWebUploadTimeout, {{kWebUploadURL, 0, "http://127.0.0.1:20952/u"}}}},
    {"RSS", {kRssTimeout, {}}},
    {"XMPP", {kXmppTimeout, {{kXmppServer, 0, "127.0.0.1"}, {kXmppServerPort, kEchoPort, nullptr}}}},
    {"POP", {kPopTimeout, {}}},
    {"IMAP", {kImapTimeout, {}}},
    {"TraceRoute", {kTraceRouteTimeout, {{kTraceRouteHopLimit, 2, nullptr}, {kTraceRouteHopTimeout, 1, nullptr}}}},
    {"ICMPPort", {0, {{kIcmpPortRemoteHost, 0, "127.0.0.1"}, {kIcmpPortActive, 1, nullptr}}}},
    {"IPMonitor", {0, {}}},
    {"NetDial", {kNetDialTimeout, {}}},
    {"MCast",
     {0,
      {{kMcastActive, 0, nullptr},
       {kMcastLocalPort, kDatagramPort, nullptr},
       {kMcastSendInterface, 0, "127.0.0.1"},
       {kMcastRemoteHost, 0, "127.0.0.1"},
       {kMcastRemotePort, kDatagramPort, nullptr},
       {kMcastActive, 1, nullptr}}}},
    {"LDAP", {kLdapTimeout, {{kLdapServerName, 0, "127.0.0.1"}, {kLdapServerPort, kEchoPort, nullptr}}}},
    {"Telnet",
     {kTelnetTimeout,
      {{kTelnetRemoteHost, 0, "127.0.0.1"}, {kTelnetRemotePort, kEchoPort, nullptr}, {kTelnetConnected, 1, nullptr}}}},
    // Its default referral server is a host on the internet; 127.0.0.2 has
    // no whois server, not even the whois tests' on 127.0.0.1.
    {"Whois", {kWhoisTimeout, {{kWhoisDefaultServer, 0, "127.0.0.2"}}}},
    {"NNTP", {kNntpTimeout, {{kNntpRemoteHost, 0, "127.0.0.1"}, {kNntpRemotePort, kEchoPort, nullptr}}}},
    {"SNPP", {kSnppTimeout, {{kSnppRemoteHost, 0, "127.0.0.1"}, {kSnppRemotePort, kEchoPort, nullptr}}}},
    {"SMPP", {kSmppTimeout, {{kSmppSMPPServer, 0, "127.0.0.1"}, {kSmppSMPPPort, kEchoPort, nullptr}}}},
    {"FTP", {kFtpTimeout, {{kFtpRemoteHost, 0, "127.0.0.1"}, {kFtpRemotePort, kEchoPort, nullptr}}}},
    {"Rshell", {kRshellTimeout, {{kRshellRemoteHost, 0, "127.0.0.1"}, {kRshellRemotePort, kEchoPort, nullptr}}}},
    {"Rexec", {kRexecTimeout, {{kRexecRemoteHost, 0, "127.0.0.1"}, {kRexecRemotePort, kEchoPort, nullptr}}}},
    {"RCP", {kRcpTimeout, {{kRcpRemoteHost, 0, "127.0.0.1"}, {kRcpRemotePort, kEchoPort, nullptr}}}},
    // The datagram clients ask the loopback (their defaults point off this
    // machine), on a port where no server answers.
    {"DNS", {kDnsTimeout, {{kDnsDnsServer, 0, "127.0.0.1"}, {kDnsDnsPort, kDatagramPort, nullptr}}}},
    {"MX", {kMxTimeout, {{kMxDnsServer, 0, "127.0.0.1"}, {kMxDnsPort, kDatagramPort, nullptr}}}},
    {"TFTP", {kTftpTimeout, {{kTftpTftpServer, 0, "127.0.0.1"}, {kTftpTftpPort, kDatagramPort, nullptr}}}},
    {"NetClock",
     {kNetClockTimeout, {{kNetClockTimeServer, 0, "127.0.0.1"}, {kNetClockTimePort, kDatagramPort, nullptr}}}},
    {"SysLog",
     {0,
      {{kSysLogActive, 0, nullptr},
       {kSysLogLocalPort, kDatagramPort, nullptr},
       {kSysLogRemoteHost, 0, "127.0.0.1"},
       {kSysLogRemotePort, kDatagramPort, nullptr},
       {kSysLogActive, 1, nullptr}}}},
};

// The loopback peers, each on a thread of its own, for the whole run.
class LoopbackPeers {
public:
    LoopbackPeers()
    {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
        m_listener = socket(AF_INET, SOCK_STREAM, 0);
        BOOL reuse = TRUE;
        setsockopt(m_listener, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&reuse), sizeof reuse);
        const sockaddr_in echo = Address(kEchoPort);
        bind(m_listener, reinterpret_cast<const sockaddr*>(&echo), sizeof echo);
        listen(m_listener, 16);
        m_threads.emplace_back([this] { Echo(); });
        m_threads.emplace_back([this] { Knock(); });
    }
    ~LoopbackPeers()
    {
        m_stop = true;
        closesocket(m_listener);
        for (std::thread& t : m_threads)
            t.join();
        WSACleanup();
    }
    LoopbackPeers(const LoopbackPeers&) = delete;
    LoopbackPeers& operator=(const LoopbackPeers&) = delete;

private:
    static sockaddr_in Address(int port)
    {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = htons(u_short(port));
        return a;
    }

    // Echoes each client on a thread of its own until the client goes or
    // stays silent for 100 ms (so that a client waiting for more ends soon).
    void Echo()
    {
        std::vector<std::thread> clients;
        for (;;) {
            SOCKET client = accept(m_listener, nullptr, nullptr);
            if (client == INVALID_SOCKET)
                break;
            DWORD wait = 100;
            setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&wait), sizeof wait);
            clients.emplace_back([this, client] {
                char buffer[4096];
                while (!m_stop) {
                    const int n = recv(client, buffer, sizeof buffer, 0);
                    if (n <= 0 || send(client, buffer, n, 0) <= 0)
                        break;
                }
                closesocket(client);
            });
        }
        for (std::thread& t : clients)
            t.join();
    }

    // Connects to the listening port now and then, sends a few lines, and goes.
    void Knock()
    {
        const sockaddr_in target = Address(kListenPort);
        while (!m_stop) {
            SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
            if (connect(s, reinterpret_cast<const sockaddr*>(&target), sizeof target) == 0) {
                const char lines[] = "one\r\ntwo\r\nthree";
                send(s, lines, int(sizeof lines - 1), 0);
                Sleep(20);
            }
            closesocket(s);
            Sleep(30);
        }
    }

    SOCKET m_listener = INVALID_SOCKET;
    std::atomic<bool> m_stop{false};
    std::vector<std::thread> m_threads;
};

// The values a hostile caller passes, by kind.
class Values {
public:
    explicit Values(bool names)
    {
        m_texts = {"",
                   "127.0.0.1",
                   "localhost",
                   "0",
                   "1",
                   "-1",
                   "2147483648",
                   std::string(70000, 'A'),
                   "\r\n",
                   "=",
                   "%41%",
                   "=?ISO-2022-JP?B?GyRCJCIbKEI=?=",
                   "\x93\xfa\x96\x7b"};
        // Texts that a component may take for a host name to look up.
        if (names) {
            for (const char* t : {"a.txt", "out??", "in.bin", "x", "http://127.0.0.1:20952/x", "http://127.0.0.1:1/",
                                  "*name", "user@127.0.0.1", "CodePage=932", "begin 644 a.txt", "--b"})
                m_texts.push_back(t);
        }
        m_configs = {"CodePage=932",
                     "CodePage=abc",
                     "CharsetMode=1",
                     "AbsoluteTimeout=true",
                     "MaxFileSize=7",
                     "MaxFileSize=-1",
                     "MaxLineLength=1",
                     "MaxLineLength=-5",
                     "InBufferSize=-1",
                     "OutBufferSize=99999999999",
                     "MaxConnections=5",
                     "MaxConnections=-1",
                     "MaxPacketSize=-1",
                     "MaxPacketSize=70000",
                     "KeepAlive=true",
                     "MaxTransferredData=3",
                     "UserAgent",
                     "FirewallData=x",
                     "SocketHandle",
                     "WinsockInfo",
                     "UseConnection=true",
                     "ShareLocalPort=1",
                     "UseICMPDLL=1",
                     "=",
                     "",
                     "NoSuchKey=1"};
        m_ints = {0,     1,       2,       3,         -1,          100,           1000,   65535,
                  65536, INT_MAX, INT_MIN, kEchoPort, kListenPort, kDatagramPort, 1 << 20};
    }

    const std::string& Text(std::mt19937& rng) const { return m_texts[rng() % m_texts.size()]; }
    const std::string& Config(std::mt19937& rng) const { return m_configs[rng() % m_configs.size()]; }
    int Int(std::mt19937& rng) const { return m_ints[rng() % m_ints.size()]; }

private:
    std::vector<std::string> m_texts;
    std::vector<std::string> m_configs;
    std::vector<int> m_ints;
};

class Hostile {
public:
    Hostile(const ComponentApi& api, const Values& values, const std::string& component, unsigned seed)
        : m_api(api), m_values(values), m_rng(seed)
    {
        const auto known = kKnown.find(component);
        if (known != kKnown.end())
            m_known = &known->second;
        m_timeoutProperty = m_known ? m_known->timeoutProperty : 0;
    }

    // Runs the calls on one object after another (an object destroyed from
    // inside its own event makes way for a new one), or as many as fit in the
    // budget of milliseconds: a component whose requests wait out their
    // time-out makes fewer.
    void Run(long calls, DWORD budget)
    {
        const DWORD start = GetTickCount();
        for (long i = 0; i < calls && GetTickCount() - start < budget; ++i) {
            if (!m_obj && !Create())
                return;
            if (m_rng() % 500 == 0) {
                EXPECT_EQ(m_api.destroy(m_obj), 0);
                m_obj = nullptr;
                continue;
            }
            if (i % 150 == 0)
                Prepare();
            // An event of the settings may have destroyed the object already.
            if (!m_destroyed)
                OneCall();
            if (m_destroyed) {
                m_obj = nullptr;
                m_destroyed = false;
            }
        }
        if (m_obj)
            m_api.destroy(m_obj);
        m_obj = nullptr;
    }

private:
    bool Create()
    {
        m_obj = m_api.create(&Hostile::Callback, reinterpret_cast<INT_PTR>(this), nullptr);
        if (!m_obj) {
            ADD_FAILURE() << "create";
            return false;
        }
        m_info = &ComponentObjectBase::FromHandle(m_obj)->Info();
        Prepare();
        return true;
    }

    void Prepare()
    {
        if (m_timeoutProperty)
            m_api.set(m_obj, m_timeoutProperty, 0, 1, 0);
        for (const Setting& s : m_known ? m_known->settings : std::vector<Setting>()) {
            if (!m_destroyed)
                m_api.set(m_obj, s.property, 0, s.text ? reinterpret_cast<INT_PTR>(s.text) : s.number, 0);
        }
    }

    static int WINAPI Callback(INT_PTR user, int, int count, INT_PTR* params, int* lengths)
    {
        auto* self = reinterpret_cast<Hostile*>(user);
        ++self->m_events;
        // Reads the bytes of every byte parameter, as an owner would.
        for (int i = 0; i < count; ++i) {
            if (lengths[i] > 0)
                self->m_checksum +=
                    std::memchr(reinterpret_cast<const char*>(params[i]), 1, size_t(lengths[i])) != nullptr;
        }
        if (self->m_depth < 2 && !self->m_destroyed && self->m_rng() % 3 == 0) {
            ++self->m_depth;
            for (int n = 1 + int(self->m_rng() % 3); n > 0 && !self->m_destroyed; --n) {
                ++self->m_inside;
                self->OneCall();
            }
            --self->m_depth;
        }
        return 0;
    }

    int RandomProperty()
    {
        if (m_rng() % 5 == 0 || m_info->propertyCount == 0)
            return int(m_rng() % 80) - 5;
        return m_info->properties[m_rng() % unsigned(m_info->propertyCount)].number;
    }
    int RandomMethod()
    {
        if (m_rng() % 6 == 0 || m_info->methodCount == 0)
            return int(m_rng() % 30) - 3;
        return m_info->methods[m_rng() % unsigned(m_info->methodCount)].number;
    }
    int RandomIndex()
    {
        const int indexes[] = {0, 1, 2, -1, 5, 1000, INT_MAX, INT_MIN};
        return indexes[m_rng() % (sizeof indexes / sizeof indexes[0])];
    }
    // A text or byte buffer of the pool (or none), and a length that never
    // runs past it: 0, -1, the whole or a part.
    INT_PTR Bytes(int* length)
    {
        if (m_rng() % 8 == 0) {
            *length = int(m_rng() % 10);
            return 0;
        }
        const std::string& text = m_values.Text(m_rng);
        const int choices[] = {0, -1, int(text.size()), int(text.size() / 2)};
        *length = choices[m_rng() % 4];
        return reinterpret_cast<INT_PTR>(text.c_str());
    }

    void OneCall()
    {
        // A reset among the random calls may have put the time-out back to its default.
        if (m_timeoutProperty)
            m_api.set(m_obj, m_timeoutProperty, 0, 1, 0);
        const unsigned r = m_rng() % 100;
        if (r < 30)
            SetSomething();
        else if (r < 48)
            GetSomething();
        else if (r < 72)
            DoSomething();
        else if (r < 80)
            ConfigSomething();
        else if (r < 88)
            m_checksum += m_api.checkIndex(m_obj, RandomProperty(), RandomIndex());
        else if (r < 93)
            m_checksum += std::strlen(m_api.lastError(m_obj)) + unsigned(m_api.lastErrorCode(m_obj));
        else if (r < 95 || m_depth == 0)
            Pump();
        else
            DestroyFromInside();
    }

    void SetSomething()
    {
        const int property = RandomProperty();
        if (property == m_timeoutProperty && property != 0)
            return;
        const PropertyInfo* p = m_info->Property(property);
        INT_PTR value = 0;
        int length = 0;
        if (!p || p->type == ValueType::Int)
            value = m_values.Int(m_rng);
        else if (p->type == ValueType::Bool)
            value = m_rng() % 2;
        else
            value = Bytes(&length);
        m_api.set(m_obj, property, RandomIndex(), value, p && p->type == ValueType::Binary ? length : 0);
    }

    void GetSomething()
    {
        const int property = RandomProperty();
        const PropertyInfo* p = m_info->Property(property);
        int length = -7;
        const INT_PTR value = m_api.get(m_obj, property, RandomIndex(), m_rng() % 2 ? &length : nullptr);
        if (!p || value == 0)
            return;
        if (p->type == ValueType::Text)
            m_checksum += std::strlen(reinterpret_cast<const char*>(value));
        else if (p->type == ValueType::Binary && length > 0)
            m_checksum += std::memchr(reinterpret_cast<const char*>(value), 1, size_t(length)) != nullptr;
    }

    void DoSomething()
    {
        const int method = RandomMethod();
        const MethodInfo* m = m_info->Method(method);
        // Arguments are texts of the pool or none (a number read from a text
        // slot is merely large); the array may be shorter than the method reads.
        const int count = int(m_rng() % unsigned((m ? m->argCount : 2) + 2));
        INT_PTR args[8] = {};
        int lengths[8] = {};
        for (int i = 0; i < count && i < 8; ++i)
            args[i] = Bytes(&lengths[i]);
        m_api.doMethod(m_obj, method, count, m_rng() % 4 ? args : nullptr, m_rng() % 3 ? lengths : nullptr);
    }

    void ConfigSomething()
    {
        INT_PTR args[2] = {reinterpret_cast<INT_PTR>(m_values.Config(m_rng).c_str()), 0};
        int lengths[2] = {};
        m_api.doMethod(m_obj, NETCOMP_METHOD_CONFIG, int(m_rng() % 3), args, lengths);
    }

    // The methods that run at any time (DoEvents): messages of the sockets flow.
    // One of them may fire events in which the object is destroyed: the rest
    // are not called on it then.
    void Pump()
    {
        for (int i = 0; i < m_info->methodCount && !m_destroyed; ++i) {
            if (m_info->methods[i].anyTime && m_rng() % 2)
                m_api.doMethod(m_obj, m_info->methods[i].number, 0, nullptr, nullptr);
        }
    }

    void DestroyFromInside()
    {
        if (m_depth == 0)
            return;
        EXPECT_EQ(m_api.destroy(m_obj), 0);
        m_destroyed = true;
    }

    const ComponentApi& m_api;
    const Values& m_values;
    std::mt19937 m_rng;
    const Known* m_known = nullptr;
    int m_timeoutProperty = 0;
    void* m_obj = nullptr;
    const ComponentInfo* m_info = nullptr;
    bool m_destroyed = false;
    int m_depth = 0;
    size_t m_checksum = 0;

public:
    long m_events = 0;
    long m_inside = 0;
};

class HostileTest : public ::testing::TestWithParam<const char*> {
protected:
    static void SetUpTestSuite()
    {
        s_dll = LoadLibraryA("netcomp.dll");
        s_peers = new LoopbackPeers;
    }
    static void TearDownTestSuite()
    {
        delete s_peers;
        FreeLibrary(s_dll);
    }

    static HMODULE s_dll;
    static LoopbackPeers* s_peers;
};

HMODULE HostileTest::s_dll = nullptr;
LoopbackPeers* HostileTest::s_peers = nullptr;

TEST_P(HostileTest, BadArgumentsAndCallsFromInsideEvents)
{
    ASSERT_NE(s_dll, nullptr);
    ComponentApi api;
    ASSERT_TRUE(api.Bind(s_dll, GetParam()));
    ASSERT_EQ(api.staticInit(s_dll), 0);
    const char* inNamespace = std::getenv("KES_IN_NETNS");
    const Values values(inNamespace && std::strcmp(inNamespace, "1") == 0);
    const char* configured = std::getenv("KES_HOSTILE_CALLS");
    const long calls = configured ? std::atol(configured) : 3000;
    const DWORD budget = configured ? INFINITE : 8000;

    const SIZE_T before = PrivateBytes();
    unsigned seed = 0;
    for (const char* c = GetParam(); *c; ++c)
        seed = seed * 31 + unsigned(*c);
    Hostile hostile(api, values, GetParam(), seed);
    hostile.Run(calls, budget);
    std::printf("%s: %ld events, %ld calls from inside them\n", GetParam(), hostile.m_events, hostile.m_inside);
    EXPECT_LT(PrivateBytes(), before + (256u << 20));
    EXPECT_EQ(api.staticDestroy(), 0);
}

INSTANTIATE_TEST_SUITE_P(Components, HostileTest, ::testing::ValuesIn(kComponentNames),
                         [](const ::testing::TestParamInfo<const char*>& info) { return std::string(info.param); });

} // namespace

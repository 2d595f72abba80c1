// Actions of the SNMP engine: the outgoing message is built from the engine's
// fields and the binding table, signed in place when the user authenticates,
// sent, and for a manager with a Timeout waited for in steps of the modal
// wait until the receive path (SnmpEngineReceive.cpp) has taken its answer.
//
// The engine clock counts seconds of a clock that never goes back, so the
// time that a remote engine learns from this one, and the remote clock kept
// here relative to it, advance evenly across days, months and years.
#include "netcomp/net/snmp/SnmpEngine.h"

#include <cstring>
#include <utility>

#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/core/text/AddressText.h"
#include "netcomp/core/text/CStringHelpers.h"
#include "netcomp/net/snmp/SnmpValue.h"

namespace {

uint64_t SystemMilliseconds()
{
    return GetTickCount64();
}

SnmpEngine::ClockSource g_clock = SystemMilliseconds;

constexpr int kWaitStepMs = 50;
const char* const kBuildFailed = "Error building SNMP packet.";
const char* const kSysUpTimeOid = "1.3.6.1.2.1.1.3.0";
const char* const kTrapOidOid = "1.3.6.1.6.3.1.1.4.1.0";
const char* const kStandardTraps = "1.3.6.1.6.3.1.1.5";

const struct {
    const char* name;
    const char* oid;
} kTrapNames[] = {
    {"coldStart", "1.3.6.1.6.3.1.1.5.1"},
    {"warmStart", "1.3.6.1.6.3.1.1.5.2"},
    {"linkDown", "1.3.6.1.6.3.1.1.5.3"},
    {"linkUp", "1.3.6.1.6.3.1.1.5.4"},
    {"authenticationFailure", "1.3.6.1.6.3.1.1.5.5"},
    {"egpNeighborLoss", "1.3.6.1.6.3.1.1.5.6"},
    {"enterpriseSpecific", "1.3.6.1.6.3.1.1.5.7"},
};

uint8_t PduOf(int action, int version)
{
    switch (action) {
    case kSnmpActionGet:
    case kSnmpActionDiscoverEngine:
    case kSnmpActionDiscoverTime:
        return kSnmpGetRequest;
    case kSnmpActionGetNext:
        return kSnmpGetNextRequest;
    case kSnmpActionSet:
        return kSnmpSetRequest;
    case kSnmpActionResponse:
        return kSnmpResponse;
    case kSnmpActionTrap:
        return version == kSnmpWireV1 ? kSnmpTrapV1 : kSnmpTrapV2;
    case kSnmpActionGetBulk:
        return kSnmpGetBulkRequest;
    case kSnmpActionInform:
        return kSnmpInformRequest;
    default:
        return kSnmpReport;
    }
}

bool IsManagerAction(int action)
{
    switch (action) {
    case kSnmpActionGet:
    case kSnmpActionGetNext:
    case kSnmpActionSet:
    case kSnmpActionGetBulk:
    case kSnmpActionInform:
    case kSnmpActionDiscoverEngine:
    case kSnmpActionDiscoverTime:
        return true;
    default:
        return false;
    }
}

std::string Text(const char* text)
{
    return text ? text : "";
}

// A leading run of decimal digits, as the trap texts "6.17" are read.
int LeadingNumber(const char*& p)
{
    int value = 0;
    while (*p >= '0' && *p <= '9' && value < 100000000)
        value = value * 10 + (*p++ - '0');
    return value;
}

} // namespace

// An action that the handler of a received message's event starts leaves
// that message as the handler had it, for the rest of the event and for what
// the receive path does after it (the agent's Response is built from the
// table): what the action changes in the table to send (NULL values, a
// trap's own bindings) is undone when it returns; the answer it waited for
// (bindings, ErrorStatus, ErrorIndex) stays to be read until the event
// returns, and then the message comes back.
class SnmpEngine::NestedAction {
public:
    explicit NestedAction(SnmpEngine& engine)
        : m_engine(engine), m_event(engine.m_nestedAction ? nullptr : engine.m_messageEvent)
    {
        if (!m_event)
            return;
        m_message = {engine.m_bindings, engine.m_errorStatus, engine.m_errorIndex};
        engine.m_nestedAction = true;
        engine.m_answerAdopted = false;
    }
    ~NestedAction()
    {
        if (!m_event)
            return;
        m_engine.m_nestedAction = false;
        if (!m_engine.m_answerAdopted) {
            m_engine.RestoreMessage(m_message);
        } else if (!m_event->restore) {
            // An earlier action of the same event may have left it already.
            m_event->message = std::move(m_message);
            m_event->restore = true;
        }
    }
    NestedAction(const NestedAction&) = delete;
    NestedAction& operator=(const NestedAction&) = delete;

private:
    SnmpEngine& m_engine;
    MessageEvent* const m_event;
    MessageState m_message;
};

void SnmpEngine::RestoreMessage(MessageState& message)
{
    m_bindings.Swap(message.bindings);
    m_errorStatus = message.errorStatus;
    m_errorIndex = message.errorIndex;
}

void SnmpEngine::SetClockSource(ClockSource source)
{
    g_clock = source ? source : SystemMilliseconds;
}

uint64_t SnmpEngine::ClockMilliseconds()
{
    return g_clock();
}

SnmpEngine::SnmpEngine(SnmpRole role, const char* component, const SnmpEventNumbers& events, const EventTable& shared)
    : UdpSocket(component), m_role(role), m_events(events)
{
    SetEventTable(shared);
    // sysUpTime starts at 0 with the engine.
    m_upTimeBase = -int64_t(ClockMilliseconds() / 10);
}

bool SnmpEngine::ActionAllowed(int action) const
{
    switch (m_role) {
    case SnmpRole::Manager:
        return action == kSnmpActionReset || IsManagerAction(action);
    case SnmpRole::Agent:
        return action == kSnmpActionReset || action == kSnmpActionResponse || action == kSnmpActionTrap ||
               action == kSnmpActionReport || action == kSnmpActionReportFailure;
    default:
        return true;
    }
}

int SnmpEngine::Activate()
{
    if (IsActive())
        return kResultOk;
    int rc = SetActive(true);
    if (rc != kResultOk && m_role == SnmpRole::Manager && !m_forceLocalPort) {
        // Traps and informs cannot reach this manager then, but its requests can go out.
        (void)SetLocalPort(0);
        rc = SetActive(true);
    }
    return rc;
}

int SnmpEngine::SetActiveState(bool active)
{
    if (!active || IsActive())
        return SetActive(active);
    return Activate();
}

// Events of a received message may start actions: a trap sent from the
// agent's GetRequest event, a request sent from the manager's Trap event,
// which waits for its answer in a receive round of its own. Only an action
// that comes while another one runs (from an event raised during its wait)
// is refused.
int SnmpEngine::DoAction(int action)
{
    SetLastErrorText("");
    if (action != kSnmpActionReset && m_currentAction != 0) {
        SetLastErrorText("Busy performing current action.");
        return kSnmpBusy;
    }
    if (action < 0 || action > kSnmpActionReportFailure) {
        SetLastErrorText("Invalid Action code");
        return kSnmpBadAction;
    }
    if (action == kSnmpActionDiscoverTime && !m_password.empty() && m_remoteEngineId.empty()) {
        // Time discovery is authenticated: the engine identifier must be known first.
        if (GetTimeout() == 0) {
            SetLastErrorText("Timeout must be positive for the requested operation.");
            return kSnmpTimeoutNeeded;
        }
        const int rc = DoAction(kSnmpActionDiscoverEngine);
        if (rc != kResultOk)
            return rc;
    }
    if (!ActionAllowed(action)) {
        SetLastErrorText("Operation not permitted in current role.");
        return kSnmpWrongRole;
    }
    if (action == kSnmpActionReset)
        return ResetOutgoing();
    const NestedAction nested(*this);
    int rc = Activate();
    if (rc != kResultOk)
        return rc;
    m_currentAction = action;
    m_actionResult = kResultOk;
    BerCodec message;
    rc = BuildMessage(action, nullptr, message);
    if (rc == kResultOk) {
        if (GetTimeout() != 0 && m_role == SnmpRole::Manager && IsManagerAction(action))
            rc = SendAndWait(message);
        else
            rc = SendTo(message, nullptr, 0);
    }
    m_currentAction = 0;
    m_awaitingResponse = false;
    // Texts that events of the wait left (a request of theirs refused as
    // busy) are not this action's.
    if (rc == kResultOk)
        SetLastErrorText("");
    else if (LastErrorText()[0] == '\0')
        SetLastErrorText(kBuildFailed);
    return rc;
}

// Reset clears what goes out: the table and the fields of the next message.
// ErrorStatus, ErrorIndex and ErrorDescription stay those of the last PDU
// received. Reset is taken at any time, also from an event, as nothing that
// a running action or the receive path still reads is freed by it.
int SnmpEngine::ResetOutgoing()
{
    ++m_resets;
    m_bindings.Clear();
    m_enterprise.clear();
    m_genericTrap = 0;
    m_specificTrap = 0;
    m_nonRepeaters = 0;
    m_maxRepetitions = 0;
    m_password.clear();
    m_msgMaxSize = GetMaxPacketSize();
    return kResultOk;
}

// Every datagram of the wait goes through the receive path, which ends the
// wait once the answer is settled; traps and informs that come meanwhile are
// delivered as at any other time. Nothing is sent again: a request that is
// sent twice may be carried out twice.
int SnmpEngine::SendAndWait(const BerCodec& message)
{
    const std::string host = GetRemoteHost();
    FirePacketTrace(message.Buffer().Data(), int(message.Buffer().Length()), 2, host.c_str(), GetRemotePort());
    m_awaitingResponse = true;
    ClearInterruptRequest();
    const int rc = Exchange(message.Buffer().Data(), int(message.Buffer().Length()), Retransmission{},
                            [this](const char* data, int length, const char* address, int port) {
                                (void)OnDataIn(data, length, address, port);
                                return !m_awaitingResponse;
                            });
    if (rc == kSnmpTimeout && std::strcmp(LastErrorText(), "Timeout.") == 0)
        SetResultText("Timeout.");
    return rc != kResultOk ? rc : m_actionResult;
}

void SnmpEngine::FillSecurity(int action, const Answer* answer, SnmpMessage& m, Security& security)
{
    if (answer) {
        // An answer goes out as the request's user, at its security level,
        // under the same message identifier.
        security = answer->security;
        m.msgId = answer->request->msgId;
        m.engineId = m_localEngineId;
        m.engineTime = uint32_t(EngineSeconds());
        m.contextName = answer->request->contextName;
    } else if (action == kSnmpActionDiscoverEngine) {
        security = Security();
        m.msgId = m_msgId++;
    } else {
        security.user = m_user;
        security.protocol = m_authProtocol;
        security.authenticated = !m_password.empty();
        m.msgId = m_msgId++;
        if (IsManagerAction(action)) {
            m.engineId = m_remoteEngineId;
            if (action == kSnmpActionDiscoverTime)
                m_remoteClock.Forget();
            m.engineBoots = m_remoteClock.Boots(EngineSeconds());
            m.engineTime = m_remoteClock.Time(EngineSeconds());
        } else {
            m.engineId = m_localEngineId;
            m.engineTime = uint32_t(EngineSeconds());
        }
        if (security.authenticated)
            security.key = m_keys.Key(security.protocol, m_password, m.engineId);
    }
    m.user = security.user;
    // An answer names the request's context, which the requester matches.
    m.contextEngineId = answer ? answer->request->contextEngineId : m.engineId;
    // Only a request that expects an answer may draw a Report (RFC 3412,
    // 6.4): a receiver takes a reportable trap for a request to itself.
    if (IsManagerAction(action))
        m.msgFlags = kSnmpFlagReportable;
    if (security.authenticated && action != kSnmpActionDiscoverEngine) {
        m.msgFlags |= kSnmpFlagAuth;
        m.authParams.assign(kSnmpAuthParamsSize, '\0');
    }
}

int SnmpEngine::BuildMessage(int action, const Answer* answer, BerCodec& out)
{
    SnmpMessage m;
    m.version = answer ? answer->request->version : m_version;
    m.community = answer ? answer->request->community : m_community;
    m.msgMaxSize = m_msgMaxSize;
    m.pduType = PduOf(action, m.version);
    Security security;
    if (m.version == kSnmpWireV3) {
        if (!answer && m_password.size() > 0 && IsManagerAction(action) && action != kSnmpActionDiscoverEngine &&
            action != kSnmpActionDiscoverTime && !m_remoteClock.Known()) {
            SetLastErrorText("RemoteEngineTime must be known in order to complete the requested operation. Perform "
                             "a discover first.");
            return kSnmpRemoteTimeUnknown;
        }
        FillSecurity(action, answer, m, security);
    }
    if (answer) {
        m.requestId = answer->request->requestId;
        m.errorStatus = answer->errorStatus;
        m.errorIndex = answer->errorIndex;
    } else {
        m.requestId = m_requestId++;
        m.nonRepeaters = m_nonRepeaters;
        m.maxRepetitions = m_maxRepetitions;
        m.enterprise = m_enterprise;
        std::memcpy(m.agentAddress, m_trapAgentAddress, 4);
        m.genericTrap = m_genericTrap;
        m.specificTrap = m_specificTrap;
        m.timeStamp = uint32_t(GetSysUpTime());
        if (action == kSnmpActionGet || action == kSnmpActionDiscoverEngine || action == kSnmpActionDiscoverTime) {
            for (int i = 0; i < m_bindings.Count(); ++i)
                m_bindings.At(i).type = kSnmpNull;
        }
        m_expectedRequestId = m.requestId;
        m_expectedMsgId = m.msgId;
        m_sentUser = m.user;
        m_sentEngineId = m.engineId;
    }
    BerCodec pdu;
    int rc = BuildSnmpPdu(m, m_bindings, pdu);
    if (rc != kResultOk) {
        SetLastErrorText(rc == kSnmpNotAnIpAddress ? "Value must be an IP address." : "Error building SNMP PDU.");
        return rc;
    }
    uint32_t authAt = 0;
    rc = BuildSnmpMessage(m, pdu, out, &authAt);
    // A message that cannot be signed (an unknown protocol) is one that cannot be built.
    if (rc == kResultOk && (m.msgFlags & kSnmpFlagAuth) &&
        SignSnmpMessage(security.protocol, security.key, out.Buffer().Data(), out.Buffer().Length(), authAt) != 0)
        rc = kBerCannotEncode;
    if (rc != kResultOk)
        SetLastErrorText(kBuildFailed);
    return rc;
}

int SnmpEngine::SendTo(const BerCodec& message, const char* address, int port)
{
    const char* data = message.Buffer().Data();
    const int length = int(message.Buffer().Length());
    if (address) {
        // An answer goes to the request's sender.
        FirePacketTrace(data, length, 2, address, port);
        return UdpSocket::SendTo(data, length, address, port);
    }
    const std::string host = GetRemoteHost();
    FirePacketTrace(data, length, 2, host.c_str(), GetRemotePort());
    return Send(data, length);
}

int SnmpEngine::Discover()
{
    return DoAction(m_password.empty() ? kSnmpActionDiscoverEngine : kSnmpActionDiscoverTime);
}

int SnmpEngine::SendGetBulkRequest(int nonRepeaters, int maxRepetitions)
{
    m_nonRepeaters = nonRepeaters;
    m_maxRepetitions = maxRepetitions;
    return DoAction(kSnmpActionGetBulk);
}

int SnmpEngine::SendTrap(const char* address, const char* trap)
{
    SetLastErrorText("");
    if (m_currentAction != 0) {
        SetLastErrorText("Busy performing current action.");
        return kSnmpBusy;
    }
    // The bindings a trap brings itself are undone afterwards in an event.
    const NestedAction nested(*this);
    std::string oid = Text(trap);
    for (const auto& t : kTrapNames) {
        if (StrICmp(oid.c_str(), t.name) == 0)
            oid = t.oid;
    }
    const size_t standard = std::strlen(kStandardTraps);
    const bool isStandard =
        oid.compare(0, standard, kStandardTraps) == 0 && oid.size() > standard + 1 && oid[standard] == '.';
    if (m_version == kSnmpWireV1) {
        if (isStandard) {
            const char* p = oid.c_str() + standard + 1;
            m_enterprise = kStandardTraps;
            m_genericTrap = LeadingNumber(p) - 1;
            m_specificTrap = 0;
        } else {
            const char* p = oid.c_str();
            m_enterprise = m_trapEnterprise;
            m_genericTrap = LeadingNumber(p);
            if (*p != '\0')
                ++p;
            m_specificTrap = LeadingNumber(p);
        }
    } else if (m_bindings.Count() == 0) {
        m_bindings.Add({kSysUpTimeOid, std::to_string(uint32_t(GetSysUpTime())), kSnmpTimeTicks});
        m_bindings.Add({kTrapOidOid, oid, kSnmpObjectId});
    }
    int rc = UdpSocket::SetRemoteHost(address);
    if (rc == kResultOk)
        rc = UdpSocket::SetRemotePort(m_trapPort);
    return rc != kResultOk ? rc : DoAction(kSnmpActionTrap);
}

int SnmpEngine::SendSecureTrap(const char* address, const char* trap, const char* user, const char* password)
{
    m_version = kSnmpWireV3;
    m_user = Text(user);
    m_password = Text(password);
    const int rc = SendTrap(address, trap);
    m_user.clear();
    m_password.clear();
    return rc;
}

int SnmpEngine::Interrupt()
{
    NetComponent::Interrupt();
    return kResultOk;
}

int SnmpEngine::ValueOf(const char* oid, ByteView* value)
{
    const SnmpBinding* b = m_bindings.Find(oid);
    if (!b) {
        SetLastErrorText("OID does not exist.");
        return kSnmpNoSuchOid;
    }
    *value = Bytes(b->value);
    return kResultOk;
}

int SnmpEngine::SetObjCount(int count)
{
    if (m_bindings.SetCount(count) != kResultOk) {
        SetLastErrorText("Value exceeds maximum number of objects allowed.");
        return kSnmpTooManyObjects;
    }
    return kResultOk;
}

int SnmpEngine::CheckObjIndex(int index)
{
    if (index >= 1 && index <= m_bindings.Count())
        return kResultOk;
    SetLastErrorText("Invalid object index: must be in [1..ObjCount].");
    return kIndexOutOfRange;
}

int SnmpEngine::SetObjId(int index, const char* oid)
{
    m_bindings.At(index - 1).oid = Text(oid);
    return kResultOk;
}

int SnmpEngine::SetObjType(int index, int type)
{
    m_bindings.At(index - 1).type = type;
    return kResultOk;
}

ByteView SnmpEngine::GetObjValue(int index) const
{
    return Bytes(m_bindings.At(index - 1).value);
}

int SnmpEngine::SetObjValue(int index, const char* data, int length)
{
    m_bindings.At(index - 1).value.assign(data ? data : "", data && length > 0 ? size_t(length) : 0);
    return kResultOk;
}

int SnmpEngine::SetCommunity(const char* community)
{
    m_community = Text(community);
    return kResultOk;
}

int SnmpEngine::GetSnmpVersion() const
{
    return m_version == kSnmpWireV3 ? 3 : m_version == kSnmpWireV2c ? 2 : 1;
}

int SnmpEngine::SetSnmpVersion(int version)
{
    m_version = version == 3 ? kSnmpWireV3 : version == 2 ? kSnmpWireV2c : kSnmpWireV1;
    return kResultOk;
}

int SnmpEngine::SetUser(const char* user)
{
    m_user = Text(user);
    return kResultOk;
}

int SnmpEngine::SetPassword(const char* password)
{
    m_password = Text(password);
    return kResultOk;
}

int SnmpEngine::SetAuthProtocol(int protocol)
{
    m_authProtocol = protocol;
    return kResultOk;
}

int SnmpEngine::SetLocalEngineId(const char* data, int length)
{
    m_localEngineId.assign(data ? data : "", data && length > 0 ? size_t(length) : 0);
    return kResultOk;
}

int SnmpEngine::SetRemoteEngineId(const char* data, int length)
{
    m_remoteEngineId.assign(data ? data : "", data && length > 0 ? size_t(length) : 0);
    return kResultOk;
}

int SnmpEngine::GetRemoteEngineBoots() const
{
    return int(m_remoteClock.Boots(EngineSeconds()));
}

int SnmpEngine::GetRemoteEngineTime() const
{
    return int(m_remoteClock.Time(EngineSeconds()));
}

void SnmpEngine::SetRemoteClockPart(bool boots, uint32_t value)
{
    const uint64_t now = EngineSeconds();
    const uint32_t b = boots ? value : m_remoteClock.Boots(now);
    const uint32_t t = boots ? m_remoteClock.Time(now) : value;
    if (b == 0 && t == 0)
        m_remoteClock.Forget();
    else
        m_remoteClock.Learn(b, t, now);
}

int SnmpEngine::SetRemoteEngineBoots(int boots)
{
    SetRemoteClockPart(true, uint32_t(boots));
    return kResultOk;
}

int SnmpEngine::SetRemoteEngineTime(int time)
{
    SetRemoteClockPart(false, uint32_t(time));
    return kResultOk;
}

void SnmpEngine::ForgetRemoteEngine()
{
    m_remoteEngineId.clear();
    m_remoteClock.Forget();
}

int SnmpEngine::SetRemoteHost(const char* host)
{
    ForgetRemoteEngine();
    return UdpSocket::SetRemoteHost(host);
}

int SnmpEngine::SetRemotePort(int port)
{
    ForgetRemoteEngine();
    return UdpSocket::SetRemotePort(port);
}

int SnmpEngine::SetRequestId(int id)
{
    m_requestId = id;
    return kResultOk;
}

int SnmpEngine::SetTimeoutSeconds(int seconds)
{
    return SetTimeout(seconds < 0 ? 0u : unsigned(seconds));
}

int SnmpEngine::GetSysUpTime() const
{
    return int(uint32_t(int64_t(ClockMilliseconds() / 10) + m_upTimeBase));
}

int SnmpEngine::SetSysUpTime(int hundredths)
{
    m_upTimeBase = int64_t(uint32_t(hundredths)) - int64_t(ClockMilliseconds() / 10);
    return kResultOk;
}

int SnmpEngine::Config(const ConfigArg& arg, const char** answer)
{
    if (arg.KeyIs("TimeWindow"))
        return arg.query ? AnswerInt(m_timeWindow, answer) : SetConfigInt(arg, [this](int v) {
            m_timeWindow = v;
            return kResultOk;
        });
    if (arg.KeyIs("TrapPort"))
        return arg.query ? AnswerInt(m_trapPort, answer) : SetConfigInt(arg, [this](int v) {
            m_trapPort = v;
            return kResultOk;
        });
    if (arg.KeyIs("TrapCommunity"))
        return arg.query ? AnswerText(m_community.c_str(), answer) : SetCommunity(arg.value.CStr());
    if (arg.KeyIs("TrapEnterprise")) {
        if (arg.query)
            return AnswerText(m_trapEnterprise.c_str(), answer);
        m_trapEnterprise = arg.value.CStr();
        return kResultOk;
    }
    if (arg.KeyIs("ForceLocalPort")) {
        if (arg.query)
            return AnswerBool(m_forceLocalPort, answer);
        m_forceLocalPort = ParseConfigBool(arg.value.CStr());
        return kResultOk;
    }
    if (arg.KeyIs("TrapAgentAddress")) {
        if (arg.query)
            return AnswerText(m_trapAgentAddressSet ? DottedAddress(m_trapAgentAddress).c_str() : "", answer);
        uint8_t address[4] = {};
        if (!arg.value.IsEmpty() && !ParseDottedAddress(arg.value.CStr(), address)) {
            SetLastErrorText("Value must be an IP address.");
            return kSnmpNotAnIpAddress;
        }
        std::memcpy(m_trapAgentAddress, address, 4);
        m_trapAgentAddressSet = !arg.value.IsEmpty();
        return kResultOk;
    }
    return UdpSocket::Config(arg, answer);
}

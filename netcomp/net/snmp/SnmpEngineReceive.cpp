// The receive path of the SNMP engine. Each datagram is parsed into a record
// and a binding table of its own, then checked in order: does it answer the
// request that waits, may this role receive it, is its SNMPv3 engine known
// and its clock in the time window, does its signature hold. Only a message
// that passes replaces the owner's binding table; a trap or an inform that
// arrives while a request waits shows its bindings during its own event and
// leaves the table of the waiting request as it was. Requests are answered
// from here (the agent's Response, the Reports of RFC 3414). The handler of
// a message's event may start an action of its own (NestedAction in
// SnmpEngine.cpp): the message is as the handler left it when its event
// returns, and its record here is the receive path's own.
#include <cstdlib>
#include <string>
#include <utility>

#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/net/snmp/SnmpEngine.h"

namespace {

// usmStats counters (RFC 3414), carried by the Reports the agent sends.
const char* const kUnsupportedSecLevelsOid = "1.3.6.1.6.3.15.1.1.1.0";
const char* const kNotInTimeWindowsOid = "1.3.6.1.6.3.15.1.1.2.0";
const char* const kUnknownUserNamesOid = "1.3.6.1.6.3.15.1.1.3.0";
const char* const kUnknownEngineIdsOid = "1.3.6.1.6.3.15.1.1.4.0";
const char* const kWrongDigestsOid = "1.3.6.1.6.3.15.1.1.5.0";
const char* const kSysUpTimeOid = "1.3.6.1.2.1.1.3.0";
const char* const kTrapOidOid = "1.3.6.1.6.3.1.1.4.1.0";

constexpr int kUnknownEngine = 21;
constexpr int kOutsideWindow = 22;
constexpr int kNotAuthentic = 24;

bool IsRequestPdu(uint8_t pdu)
{
    return pdu == kSnmpGetRequest || pdu == kSnmpGetNextRequest || pdu == kSnmpSetRequest ||
           pdu == kSnmpGetBulkRequest || pdu == kSnmpInformRequest;
}

bool IsNotification(uint8_t pdu)
{
    return pdu == kSnmpTrapV1 || pdu == kSnmpTrapV2 || pdu == kSnmpInformRequest;
}

int VersionNumber(int wire)
{
    return wire == kSnmpWireV3 ? 3 : wire == kSnmpWireV2c ? 2 : 1;
}

// A name for the Report that answered a request, for the action's error text.
std::string ReportName(const SnmpBindings& bindings)
{
    static const struct {
        const char* oid;
        const char* name;
    } kKnown[] = {
        {kUnsupportedSecLevelsOid, "usmStatsUnsupportedSecLevels"},
        {kNotInTimeWindowsOid, "usmStatsNotInTimeWindows"},
        {kUnknownUserNamesOid, "usmStatsUnknownUserNames"},
        {kUnknownEngineIdsOid, "usmStatsUnknownEngineIDs"},
        {kWrongDigestsOid, "usmStatsWrongDigests"},
        {"1.3.6.1.6.3.15.1.1.6.0", "usmStatsDecryptionErrors"},
    };
    if (bindings.Count() == 0)
        return "no bindings";
    for (const auto& k : kKnown) {
        if (bindings.At(0).oid == k.oid)
            return k.name;
    }
    return bindings.At(0).oid;
}

} // namespace

struct SnmpEngine::Received {
    char* data;
    int length;
    const char* address;
    int port;
    SnmpMessage message;
    SnmpBindings bindings;
    uint32_t authAt = 0;
    std::string password;
    bool answer = false;    // the answer the waiting action expects
    bool temporary = false; // a notification while a request waits
    bool learnClock = false;
    bool learnedClock = false;
    int status = 0;    // 21 unknown engine, 22 outside the time window, 24 not authentic
    int failure = 0;   // why it is not authentic
    int level = 0;     // 0 none, 1 authenticated, 3 authenticated with the privacy flag
    Security security; // how an answer to it goes out
};

int SnmpEngine::OnDataIn(const char* data, int length, const char* address, int port)
{
    FirePacketTrace(data, length, 1, address, port);
    Received r;
    r.data = const_cast<char*>(data);
    r.length = length;
    r.address = address;
    r.port = port;
    const int rc = ParseSnmpMessage(data, uint32_t(length), r.message, r.bindings, &r.authAt);
    if (rc != kResultOk) {
        FireError(rc, "SNMP: Error parsing received packet.");
        return 0;
    }
    const SnmpMessage& m = r.message;
    if (m.version == kSnmpWireV3 && !m.user.empty())
        r.password = PasswordOf(m.user);
    if (DestroyPending() || !CheckAwaitedAnswer(r) || !CheckRole(r))
        return 0;
    if (m.version == kSnmpWireV3) {
        CheckEngineAndTime(r);
        if (!Authenticate(r))
            return 0;
    }
    AdoptBindings(r);
    const unsigned resets = m_resets;
    if (r.status != 0)
        HandleStatus(r);
    else
        Dispatch(r);
    EndAnsweredAction(r);
    if (r.temporary) {
        // The waiting request's table comes back, unless the owner reset it
        // from the event.
        m_bindings.Swap(r.bindings);
        if (m_resets != resets)
            m_bindings.Clear();
    }
    return 0;
}

std::string SnmpEngine::PasswordOf(const std::string& user)
{
    const char* password = user == m_user ? m_password.c_str() : "";
    if (m_events.getUserPassword != 0) {
        const char* name = user.c_str();
        Fire(m_events.getUserPassword, {EventParam::Text(&name), EventParam::Text(&password, true)});
    }
    return password ? password : "";
}

bool SnmpEngine::CheckAwaitedAnswer(Received& r)
{
    if (!m_awaitingResponse)
        return true;
    const SnmpMessage& m = r.message;
    if (IsNotification(m.pduType)) {
        r.temporary = true;
        return true;
    }
    const char* mismatch = nullptr;
    if (GetRemoteHost() != std::string(r.address) || GetRemotePort() != r.port)
        mismatch = "Message origin unknown.";
    else if (m.version != m_version)
        mismatch = "SNMP Version mismatch.";
    else if (m.version == kSnmpWireV3 && m.msgId != m_expectedMsgId)
        mismatch = "SNMP V3 MessageId mismatch.";
    else if (m.version == kSnmpWireV3 && !m.user.empty() && !m_sentUser.empty() && m.user != m_sentUser)
        mismatch = "SNMP V3 User mismatch.";
    else if (m.version == kSnmpWireV3 && !m.engineId.empty() && !m_sentEngineId.empty() && m.engineId != m_sentEngineId)
        mismatch = "SNMP V3 EngineId mismatch.";
    else if (m.version != kSnmpWireV3 && m.requestId != m_expectedRequestId)
        mismatch = "SNMP RequestId mismatch.";
    if (mismatch) {
        bool report = false;
        FireBadPacket(r, kSnmpMismatch, mismatch, &report);
        return false;
    }
    m_awaitingResponse = false;
    r.answer = true;
    return true;
}

bool SnmpEngine::CheckRole(Received& r)
{
    const uint8_t pdu = r.message.pduType;
    bool accepted = true;
    if (m_role == SnmpRole::Manager)
        accepted = pdu == kSnmpResponse || pdu == kSnmpTrapV1 || pdu == kSnmpInformRequest || pdu == kSnmpTrapV2 ||
                   pdu == kSnmpReport;
    else if (m_role == SnmpRole::Agent)
        accepted = pdu == kSnmpGetRequest || pdu == kSnmpGetNextRequest || pdu == kSnmpSetRequest ||
                   pdu == kSnmpGetBulkRequest || pdu == kSnmpReport;
    if (accepted)
        return true;
    const char* text = "Operation not permitted in current role.";
    bool report = false;
    FireBadPacket(r, kSnmpWrongRole, text, &report);
    if (r.answer) {
        m_actionResult = kSnmpWrongRole;
        SetLastErrorText(text);
    }
    return false;
}

void SnmpEngine::CheckEngineAndTime(Received& r)
{
    const SnmpMessage& m = r.message;
    // Requests name this engine; answers and notifications the remote one.
    const bool request = IsRequestPdu(m.pduType);
    const std::string& expected = request ? m_localEngineId : m_remoteEngineId;
    if (m.engineId.empty() || m.engineId != expected) {
        r.status = kUnknownEngine;
        return;
    }
    if (!(m.msgFlags & kSnmpFlagAuth))
        return;
    const uint64_t now = EngineSeconds();
    // This engine's own clock goes out as boots 0 and its engine time.
    const int64_t distance = request ? SnmpClockOffset(m.engineBoots, m.engineTime, now)
                                     : m_remoteClock.Distance(m.engineBoots, m.engineTime, now);
    if (std::llabs(distance) > m_timeWindow)
        r.status = kOutsideWindow;
    else
        r.learnClock = !request;
}

bool SnmpEngine::Fail(Received& r, int code, const char* text)
{
    if (r.answer) {
        m_actionResult = code;
        SetLastErrorText(text);
        return false;
    }
    FireError(code, text);
    r.status = kNotAuthentic;
    r.failure = code;
    return true;
}

bool SnmpEngine::Authenticate(Received& r)
{
    const SnmpMessage& m = r.message;
    // A message for another engine is answered without looking at its
    // signature (RFC 3414, 3.2): no key is made for an engine identifier
    // that a sender chose.
    if (r.status == kUnknownEngine)
        return true;
    if (!(m.msgFlags & kSnmpFlagAuth)) {
        // An unsigned answer to a signed request (the Report of an unknown
        // user or a wrong digest) ends the action with this failure too.
        if (!r.password.empty() && m_currentAction != kSnmpActionDiscoverEngine)
            return Fail(r, kSnmpNotSigned,
                        "An authenticated message was expected, but the received message is not signed.");
        return true;
    }
    if (r.password.empty())
        return Fail(r, kSnmpNoLocalPassword,
                    "User authentication failed (incoming packet claims to be signed but local user credentials do "
                    "not provide an authentication password).");
    if (m.authParams.empty())
        return Fail(r, kSnmpSignatureMissing,
                    "User authentication failed (incoming packet claims to be signed but it is missing the "
                    "signature).");
    if (m.user.empty()) {
        return Fail(r, kSnmpSignatureWrong,
                    "User authentication failed (signature of incoming packet could not be verified with the local "
                    "user credentials).");
    }
    // The configured protocol first; an agent serves users of both.
    const int protocols[] = {m_authProtocol, m_authProtocol == kSnmpAuthSha1 ? kSnmpAuthMd5 : kSnmpAuthSha1};
    for (int protocol : protocols) {
        const std::string& key = m_keys.Key(protocol, r.password, m.engineId);
        if (key.empty() || !CheckSnmpSignature(protocol, key, r.data, size_t(r.length), r.authAt))
            continue;
        r.level = (m.msgFlags & kSnmpFlagPriv) ? 3 : 1;
        r.security.user = m.user;
        r.security.protocol = protocol;
        r.security.key = key;
        // Only a message whose signature holds may move the remote clock.
        if (r.learnClock) {
            m_remoteClock.Learn(m.engineBoots, m.engineTime, EngineSeconds());
            r.learnedClock = true;
        }
        return true;
    }
    return Fail(r, kSnmpSignatureWrong,
                "User authentication failed (signature of incoming packet could not be verified with the local user "
                "credentials).");
}

void SnmpEngine::AdoptBindings(Received& r)
{
    m_bindings.Swap(r.bindings);
    if (r.answer)
        m_answerAdopted = true;
    if (!r.temporary) {
        m_errorStatus = r.message.errorStatus;
        m_errorIndex = r.message.errorIndex;
    }
}

void SnmpEngine::Ignore(Received& r, const char* text)
{
    if (r.answer) {
        m_actionResult = kSnmpIgnored;
        SetLastErrorText(text);
    } else {
        FireError(kSnmpIgnored, text);
    }
}

void SnmpEngine::HandleStatus(Received& r)
{
    SnmpMessage& m = r.message;
    const bool get = m.pduType == kSnmpGetRequest;
    const bool reportPdu = m.pduType == kSnmpReport;
    bool report = (m.msgFlags & kSnmpFlagReportable) != 0;
    if (r.status == kNotAuthentic) {
        if (!get) {
            FireError(kSnmpIgnored, "Malformed packet. Ignored.");
            return;
        }
        FireBadPacket(r, kNotAuthentic, "Malformed message.", &report);
        if (!report || DestroyPending())
            return;
        if (r.failure == kSnmpNoLocalPassword)
            SendReport(r, kSnmpActionReportFailure, kUnknownUserNamesOid, m_unknownUserNames);
        else if (r.failure == kSnmpNotSigned)
            SendReport(r, kSnmpActionReportFailure, kUnsupportedSecLevelsOid, m_unsupportedSecLevels);
        else
            SendReport(r, kSnmpActionReportFailure, kWrongDigestsOid, m_wrongDigests);
        return;
    }
    const bool unknownEngine = r.status == kUnknownEngine;
    if (get) {
        FireDiscovery(r, m_events.discoveryRequest, &report);
        if (report && !DestroyPending()) {
            if (unknownEngine)
                SendReport(r, kSnmpActionReport, kUnknownEngineIdsOid, m_unknownEngineIds);
            else
                SendReport(r, kSnmpActionReport, kNotInTimeWindowsOid, m_notInTimeWindows);
        }
    } else if (reportPdu) {
        if (unknownEngine && m_currentAction == kSnmpActionDiscoverEngine) {
            m_remoteEngineId = m.engineId;
        } else if (!unknownEngine && m_currentAction == kSnmpActionDiscoverTime) {
            m_remoteClock.Learn(m.engineBoots, m.engineTime, EngineSeconds());
            r.learnedClock = true;
        }
        FireDiscovery(r, m_events.discoveryResponse, nullptr);
    } else {
        Ignore(r, unknownEngine ? "Invalid or unknown EngineId in packet. Packet ignored."
                                : "Invalid packet timing paramters. Packet ignored.");
    }
}

void SnmpEngine::Dispatch(Received& r)
{
    switch (r.message.pduType) {
    case kSnmpGetRequest:
        DispatchRequest(r, m_events.getRequest);
        break;
    case kSnmpGetNextRequest:
        DispatchRequest(r, m_events.getNextRequest);
        break;
    case kSnmpSetRequest:
        DispatchRequest(r, m_events.setRequest);
        break;
    case kSnmpGetBulkRequest:
        DispatchRequest(r, m_events.getBulkRequest);
        break;
    case kSnmpInformRequest:
        DispatchRequest(r, m_events.informRequest);
        break;
    case kSnmpResponse:
    case kSnmpReport: {
        int errorIndex = r.message.errorIndex;
        int errorStatus = r.message.errorStatus;
        FireRequestEvent(r, r.message.pduType == kSnmpResponse ? m_events.response : m_events.report, &errorIndex,
                         &errorStatus);
        break;
    }
    case kSnmpTrapV1:
    case kSnmpTrapV2:
        DispatchTrap(r);
        break;
    default:
        break;
    }
}

// A request that ends in a Report has failed (an unsigned Report to a signed
// request already has, above), as has a time discovery whose Report brought
// no clock.
void SnmpEngine::EndAnsweredAction(Received& r)
{
    if (!r.answer || r.message.pduType != kSnmpReport || m_actionResult != kResultOk)
        return;
    const bool request = m_currentAction == kSnmpActionGet || m_currentAction == kSnmpActionGetNext ||
                         m_currentAction == kSnmpActionSet || m_currentAction == kSnmpActionGetBulk ||
                         m_currentAction == kSnmpActionInform;
    if (!request && !(m_currentAction == kSnmpActionDiscoverTime && !r.learnedClock))
        return;
    m_actionResult = kSnmpAnsweredByReport;
    SetLastErrorText(("Request answered by a Report (" + ReportName(m_bindings) + ").").c_str());
}

void SnmpEngine::DispatchRequest(Received& r, int event)
{
    int errorIndex = r.message.errorIndex;
    int errorStatus = r.message.errorStatus;
    FireRequestEvent(r, event, &errorIndex, &errorStatus);
    // Error status -1 is the owner's way to send no answer.
    if (errorStatus == -1 || DestroyPending())
        return;
    ReplyTo(r, kSnmpActionResponse, errorStatus, errorIndex);
}

void SnmpEngine::DispatchTrap(Received& r)
{
    const SnmpMessage& m = r.message;
    std::string trap;
    int timeStamp = int(m.timeStamp);
    if (m.pduType == kSnmpTrapV1) {
        if (m.enterprise == "1.3.6.1.6.3.1.1.5")
            trap = m.enterprise + "." + std::to_string(m.genericTrap + 1);
        else
            trap = m.enterprise + "." + std::to_string(m.genericTrap) + "." + std::to_string(m.specificTrap);
    } else {
        if (const SnmpBinding* b = m_bindings.Find(kTrapOidOid))
            trap = b->value;
        const SnmpBinding* b = m_bindings.Find(kSysUpTimeOid);
        timeStamp = b ? int(std::strtoul(b->value.c_str(), nullptr, 10)) : 0;
    }
    if (m_events.trap == 0)
        return;
    int requestId = m.requestId;
    int version = VersionNumber(m.version);
    const char* community = m.community.c_str();
    const char* user = m.user.c_str();
    int level = r.level;
    const char* trapOid = trap.c_str();
    const char* address = r.address;
    int port = r.port;
    FireMessageEvent(m_events.trap,
                     {EventParam::Int(&requestId), EventParam::Int(&version), EventParam::Text(&community),
                      EventParam::Text(&user), EventParam::Int(&level), EventParam::Text(&trapOid),
                      EventParam::Int(&timeStamp), EventParam::Text(&address), EventParam::Int(&port)});
}

void SnmpEngine::SendReport(Received& r, int action, const char* counterOid, uint32_t& counter)
{
    ++counter;
    m_bindings.Clear();
    m_bindings.Add({counterOid, std::to_string(counter), kSnmpCounter32});
    ReplyTo(r, action, 0, 0);
}

void SnmpEngine::ReplyTo(Received& r, int action, int errorStatus, int errorIndex)
{
    // Unknown engines and failed signatures are answered without
    // authentication (RFC 3414, 3.2); everything else at the request's level.
    Security security = r.security;
    security.authenticated = r.level != 0 && r.status != kUnknownEngine && r.status != kNotAuthentic;
    security.user = r.message.user;
    const Answer answer{&r.message, security, r.address, r.port, errorStatus, errorIndex};
    BerCodec message;
    int rc = BuildMessage(action, &answer, message);
    if (rc != kResultOk) {
        FireError(rc, "Error building response packet.");
        return;
    }
    rc = SendTo(message, answer.address, answer.port);
    if (rc != kResultOk)
        FireError(rc, "Error sending response packet.");
}

void SnmpEngine::OnError(int code, const char* description)
{
    FireError(code, description);
}

void SnmpEngine::FirePacketTrace(const char* data, int length, int direction, const char* address, int port)
{
    if (m_events.packetTrace == 0)
        return;
    char* packet = const_cast<char*>(data);
    Fire(m_events.packetTrace, {EventParam::Binary(&packet, length), EventParam::Int(&direction),
                                EventParam::Text(&address), EventParam::Int(&port)});
}

void SnmpEngine::FireMessageEvent(int event, std::initializer_list<EventParam> params)
{
    struct Scope {
        SnmpEngine& engine;
        MessageEvent under;
        explicit Scope(SnmpEngine& e) : engine(e) { under.outer = std::exchange(e.m_messageEvent, &under); }
        ~Scope()
        {
            engine.m_messageEvent = under.outer;
            if (under.restore)
                engine.RestoreMessage(under.message);
        }
    } scope(*this);
    Fire(event, params);
}

void SnmpEngine::FireBadPacket(Received& r, int code, const char* text, bool* report)
{
    if (m_events.badPacket == 0)
        return;
    const char* address = r.address;
    int port = r.port;
    FireMessageEvent(m_events.badPacket,
                     {EventParam::Binary(&r.data, r.length), EventParam::Text(&address), EventParam::Int(&port),
                      EventParam::Int(&code), EventParam::Text(&text), EventParam::Bool(report, true)});
}

void SnmpEngine::FireDiscovery(Received& r, int event, bool* report)
{
    if (event == 0)
        return;
    const SnmpMessage& m = r.message;
    char* engineId = const_cast<char*>(m.engineId.data());
    int boots = int(m.engineBoots);
    int time = int(m.engineTime);
    const char* user = m.user.c_str();
    int level = r.level;
    const char* address = r.address;
    int port = r.port;
    if (report)
        FireMessageEvent(event, {EventParam::Binary(&engineId, int(m.engineId.size())), EventParam::Int(&boots),
                                 EventParam::Int(&time), EventParam::Text(&user), EventParam::Int(&level),
                                 EventParam::Text(&address), EventParam::Int(&port), EventParam::Bool(report, true)});
    else
        FireMessageEvent(event, {EventParam::Binary(&engineId, int(m.engineId.size())), EventParam::Int(&boots),
                                 EventParam::Int(&time), EventParam::Text(&user), EventParam::Int(&level),
                                 EventParam::Text(&address), EventParam::Int(&port)});
}

void SnmpEngine::FireRequestEvent(Received& r, int event, int* errorIndex, int* errorStatus)
{
    if (event == 0)
        return;
    const SnmpMessage& m = r.message;
    int requestId = m.requestId;
    int version = VersionNumber(m.version);
    const char* community = m.community.c_str();
    const char* user = m.user.c_str();
    int level = r.level;
    const char* address = r.address;
    int port = r.port;
    const char* description = SnmpErrorStatusName(*errorStatus);
    if (m.pduType == kSnmpGetBulkRequest) {
        int nonRepeaters = m.nonRepeaters;
        int maxRepetitions = m.maxRepetitions;
        FireMessageEvent(event, {EventParam::Int(&requestId), EventParam::Int(&version), EventParam::Text(&community),
                                 EventParam::Text(&user), EventParam::Int(&level), EventParam::Text(&address),
                                 EventParam::Int(&port), EventParam::Int(&nonRepeaters),
                                 EventParam::Int(&maxRepetitions), EventParam::Int(errorIndex, true),
                                 EventParam::Int(errorStatus, true), EventParam::Text(&description)});
        return;
    }
    FireMessageEvent(event, {EventParam::Int(&requestId), EventParam::Int(&version), EventParam::Text(&community),
                             EventParam::Text(&user), EventParam::Int(&level), EventParam::Text(&address),
                             EventParam::Int(&port), EventParam::Int(errorIndex, true),
                             EventParam::Int(errorStatus, true), EventParam::Text(&description)});
}

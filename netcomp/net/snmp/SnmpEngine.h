#pragma once
// The protocol engine of SNMPMgr and SNMPAgent on the datagram socket: the
// binding table that the components' properties edit, SNMPv1, SNMPv2c and
// SNMPv3 messages (user-based security with HMAC-MD5-96 and HMAC-SHA-96, no
// privacy), the request that waits for its answer, and the receive path that
// turns every datagram into one of the component's events.
#include <cstdint>
#include <initializer_list>
#include <string>

#include "netcomp/core/framework/ComponentValues.h"
#include "netcomp/net/snmp/SnmpBindings.h"
#include "netcomp/net/snmp/SnmpEngineTypes.h"
#include "netcomp/net/snmp/SnmpMessage.h"
#include "netcomp/net/snmp/SnmpUsm.h"
#include "netcomp/net/udp/UdpSocket.h"

class SnmpEngine : public UdpSocket {
public:
    // Milliseconds of a clock that never goes back (the engine time and
    // sysUpTime derive from it); tests put their own in its place.
    using ClockSource = uint64_t (*)();
    static void SetClockSource(ClockSource source);

    // `component` names the component in the socket's texts; `shared` gives
    // its number of the Error event.
    SnmpEngine(SnmpRole role, const char* component, const SnmpEventNumbers& events, const EventTable& shared);

    [[nodiscard]] int Config(const ConfigArg& arg, const char** answer) override;

    [[nodiscard]] int DoAction(int action);
    // The Active property: opening retries on any free port for a manager
    // without ForceLocalPort, as actions do.
    [[nodiscard]] int SetActiveState(bool active);
    [[nodiscard]] int Discover();
    [[nodiscard]] int Reset() { return DoAction(kSnmpActionReset); }
    [[nodiscard]] int SendGetRequest() { return DoAction(kSnmpActionGet); }
    [[nodiscard]] int SendGetNextRequest() { return DoAction(kSnmpActionGetNext); }
    [[nodiscard]] int SendSetRequest() { return DoAction(kSnmpActionSet); }
    [[nodiscard]] int SendInformRequest() { return DoAction(kSnmpActionInform); }
    [[nodiscard]] int SendGetBulkRequest(int nonRepeaters, int maxRepetitions);
    [[nodiscard]] int SendTrap(const char* address, const char* trap);
    [[nodiscard]] int SendSecureTrap(const char* address, const char* trap, const char* user, const char* password);
    [[nodiscard]] int Interrupt();
    [[nodiscard]] int ValueOf(const char* oid, ByteView* value);

    // The binding table, indexed 1..ObjCount.
    int GetObjCount() const { return m_bindings.Count(); }
    [[nodiscard]] int SetObjCount(int count);
    [[nodiscard]] int CheckObjIndex(int index);
    const char* GetObjId(int index) const { return m_bindings.At(index - 1).oid.c_str(); }
    [[nodiscard]] int SetObjId(int index, const char* oid);
    int GetObjType(int index) const { return m_bindings.At(index - 1).type; }
    [[nodiscard]] int SetObjType(int index, int type);
    ByteView GetObjValue(int index) const;
    [[nodiscard]] int SetObjValue(int index, const char* data, int length);

    const char* GetCommunity() const { return m_community.c_str(); }
    [[nodiscard]] int SetCommunity(const char* community);
    int GetSnmpVersion() const;
    [[nodiscard]] int SetSnmpVersion(int version);
    const char* GetUser() const { return m_user.c_str(); }
    [[nodiscard]] int SetUser(const char* user);
    const char* GetPassword() const { return m_password.c_str(); }
    [[nodiscard]] int SetPassword(const char* password);
    int GetAuthProtocol() const { return m_authProtocol; }
    [[nodiscard]] int SetAuthProtocol(int protocol);
    ByteView GetLocalEngineId() const { return Bytes(m_localEngineId); }
    [[nodiscard]] int SetLocalEngineId(const char* data, int length);
    ByteView GetRemoteEngineId() const { return Bytes(m_remoteEngineId); }
    [[nodiscard]] int SetRemoteEngineId(const char* data, int length);
    int GetRemoteEngineBoots() const;
    [[nodiscard]] int SetRemoteEngineBoots(int boots);
    int GetRemoteEngineTime() const;
    [[nodiscard]] int SetRemoteEngineTime(int time);
    // The agent's address and port: a new one forgets what was learned of the old.
    [[nodiscard]] int SetRemoteHost(const char* host);
    [[nodiscard]] int SetRemotePort(int port);
    int GetRequestId() const { return m_requestId; }
    [[nodiscard]] int SetRequestId(int id);
    int GetTimeoutSeconds() const { return int(GetTimeout()); }
    [[nodiscard]] int SetTimeoutSeconds(int seconds);
    int GetSysUpTime() const;
    [[nodiscard]] int SetSysUpTime(int hundredths);
    // Of the last PDU received.
    int GetErrorStatus() const { return m_errorStatus; }
    int GetErrorIndex() const { return m_errorIndex; }
    const char* GetErrorDescription() const { return SnmpErrorStatusName(m_errorStatus); }

protected:
    int OnDataIn(const char* data, int length, const char* address, int port) override;
    void OnError(int code, const char* description) override;

private:
    // Who signs an outgoing message, and how.
    struct Security {
        std::string user;
        bool authenticated = false;
        int protocol = kSnmpAuthMd5;
        std::string key;
    };
    // A request the engine answers from its receive path.
    struct Answer {
        const SnmpMessage* request;
        Security security;
        const char* address;
        int port;
        int errorStatus;
        int errorIndex;
    };
    struct Received;
    // The bindings, ErrorStatus and ErrorIndex: what the handler of a received
    // message's event reads, and what the agent answers from afterwards.
    struct MessageState {
        SnmpBindings bindings;
        int errorStatus = 0;
        int errorIndex = 0;
    };
    // An event of a received message under way. An action of its handler
    // that brings an answer of its own leaves the message here, to come back
    // when the event returns (restore).
    struct MessageEvent {
        MessageEvent* outer = nullptr;
        bool restore = false;
        MessageState message;
    };
    class NestedAction;

    static ByteView Bytes(const std::string& s) { return {s.data(), int(s.size())}; }
    static uint64_t ClockMilliseconds();
    static uint64_t EngineSeconds() { return ClockMilliseconds() / 1000; }

    bool ActionAllowed(int action) const;
    [[nodiscard]] int Activate();
    [[nodiscard]] int ResetOutgoing();
    [[nodiscard]] int BuildMessage(int action, const Answer* answer, BerCodec& out);
    void FillSecurity(int action, const Answer* answer, SnmpMessage& m, Security& security);
    [[nodiscard]] int SendTo(const BerCodec& message, const char* address, int port);
    [[nodiscard]] int SendAndWait(const BerCodec& message);
    void ForgetRemoteEngine();
    void SetRemoteClockPart(bool boots, uint32_t value);

    // Receive path (SnmpEngineReceive.cpp).
    bool CheckAwaitedAnswer(Received& r);
    bool CheckRole(Received& r);
    void CheckEngineAndTime(Received& r);
    bool Authenticate(Received& r);
    bool Fail(Received& r, int code, const char* text);
    void Ignore(Received& r, const char* text);
    void AdoptBindings(Received& r);
    void HandleStatus(Received& r);
    void Dispatch(Received& r);
    void DispatchRequest(Received& r, int event);
    void DispatchTrap(Received& r);
    void SendReport(Received& r, int action, const char* counterOid, uint32_t& counter);
    void ReplyTo(Received& r, int action, int errorStatus, int errorIndex);
    void EndAnsweredAction(Received& r);
    void RestoreMessage(MessageState& message);
    std::string PasswordOf(const std::string& user);

    // Events.
    void FirePacketTrace(const char* data, int length, int direction, const char* address, int port);
    void FireMessageEvent(int event, std::initializer_list<EventParam> params);
    void FireBadPacket(Received& r, int code, const char* text, bool* report);
    void FireDiscovery(Received& r, int event, bool* report);
    void FireRequestEvent(Received& r, int event, int* errorIndex, int* errorStatus);

    const SnmpRole m_role;
    const SnmpEventNumbers m_events;
    SnmpBindings m_bindings;

    // The outgoing message's fields that outlive one action.
    int m_version = kSnmpWireV2c;
    std::string m_community = "vastro";
    std::string m_user;
    std::string m_password;
    int m_authProtocol = kSnmpAuthMd5;
    int32_t m_requestId = 1;
    int32_t m_msgId = 1;
    int32_t m_msgMaxSize = 16384;
    int32_t m_nonRepeaters = 0;
    int32_t m_maxRepetitions = 0;
    std::string m_enterprise;
    int32_t m_genericTrap = 0;
    int32_t m_specificTrap = 0;

    // Engines and clocks.
    std::string m_localEngineId;
    std::string m_remoteEngineId;
    SnmpRemoteClock m_remoteClock;
    int64_t m_upTimeBase = 0; // hundredths of a second
    SnmpKeyCache m_keys;

    // Config.
    int m_timeWindow = 150;
    int m_trapPort = 162;
    bool m_trapAgentAddressSet = false;
    uint8_t m_trapAgentAddress[4] = {};
    std::string m_trapEnterprise;
    bool m_forceLocalPort = true;

    // The action under way.
    int m_currentAction = 0;
    bool m_awaitingResponse = false;
    int m_actionResult = 0;
    int32_t m_expectedRequestId = 0;
    int32_t m_expectedMsgId = 0;
    std::string m_sentUser;
    std::string m_sentEngineId;
    MessageEvent* m_messageEvent = nullptr; // the innermost event of a received message
    bool m_nestedAction = false;            // an action started from such an event runs
    bool m_answerAdopted = false;           // the running action's answer is in the table
    unsigned m_resets = 0;                  // Reset calls so far (one may come from an event)

    // Of the last PDU received.
    int m_errorStatus = 0;
    int m_errorIndex = 0;

    // Counters of the reports the agent sends (RFC 3414 usmStats).
    uint32_t m_unknownEngineIds = 0;
    uint32_t m_notInTimeWindows = 0;
    uint32_t m_wrongDigests = 0;
    uint32_t m_unknownUserNames = 0;
    uint32_t m_unsupportedSecLevels = 0;
};

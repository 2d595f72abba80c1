#pragma once
// The SMPP component's engine: an ESME client of the Short Message
// Peer-to-Peer protocol (versions 3.3, 3.4 and 5.0) over one TCP connection.
// It binds as a transmitter, submits messages to one or more recipients
// (submit_sm, submit_multi, data_sm), queries, cancels and replaces them,
// checks the link and unbinds. Each operation writes one PDU and waits,
// pumping the thread's messages, for the response with its sequence number.
#include <cstdint>
#include <string>
#include <vector>

#include "netcomp/core/framework/ComponentValues.h"
#include "netcomp/core/tcp/TcpClient.h"
#include "netcomp/mail/smpp/SmppPdu.h"

enum SmppResult : int {
    kSmppFramingError = 500,
    kSmppProtocolError = 660,
    kSmppUserIdWhileBound = 661,
    kSmppPasswordWhileBound = 662,
    kSmppVersionWhileBound = 663,
    kSmppOutOfRange = 664,
    kSmppUnsupportedVersion = 665,
    kSmppBadRecipientIndex = 666,
    kSmppTooLong = 667,
    kSmppServerDisconnected = 671,
};

class SmppEngine : public TcpClient {
public:
    static constexpr int kMaxRecipients = 255;

    SmppEngine();

    [[nodiscard]] int Config(const ConfigArg& arg, const char** answer) override;

    bool GetConnected() const { return IsConnected() && m_bound; }
    const char* GetExpiration() const { return m_expiration.c_str(); }
    void SetExpiration(const char* text) { m_expiration = text ? text : ""; }
    const char* GetMessageId() const { return m_messageId.c_str(); }
    int GetMessagePriority() const { return m_priority; }
    [[nodiscard]] int SetMessagePriority(int priority);
    const char* GetPassword() const { return m_password.c_str(); }
    [[nodiscard]] int SetPassword(const char* text);
    const char* GetRecipient() const { return m_addresses.empty() ? "" : m_addresses[0].c_str(); }
    void SetRecipient(const char* text);
    [[nodiscard]] int CheckRecipientIndex(int index);
    const char* GetRecipientAddress(int index) const { return m_addresses[std::size_t(index - 1)].c_str(); }
    void SetRecipientAddress(int index, const char* text) { m_addresses[std::size_t(index - 1)] = text ? text : ""; }
    int GetRecipientCount() const { return int(m_addresses.size()); }
    [[nodiscard]] int SetRecipientCount(int count);
    int GetRecipientType(int index) const { return m_types[std::size_t(index - 1)]; }
    [[nodiscard]] int SetRecipientType(int index, int type);
    const char* GetScheduledDelivery() const { return m_scheduled.c_str(); }
    void SetScheduledDelivery(const char* text) { m_scheduled = text ? text : ""; }
    int GetServiceType() const { return m_serviceType; }
    [[nodiscard]] int SetServiceType(int type);
    int GetVersion() const { return m_version; }
    [[nodiscard]] int SetVersion(int version);
    const char* GetSystemType() const { return m_systemType.c_str(); }
    [[nodiscard]] int SetSystemType(const char* text);
    [[nodiscard]] int SetTimeoutSeconds(int seconds) { return SetTimeout(seconds < 0 ? 0u : unsigned(seconds)); }
    int TimeoutSeconds() const { return int(GetTimeout()); }
    const char* GetUserId() const { return m_userId.c_str(); }
    [[nodiscard]] int SetUserId(const char* text);

    [[nodiscard]] int AddRecipient(int type, const char* address);
    [[nodiscard]] int CancelMessage(const char* messageId);
    [[nodiscard]] int CheckLink();
    [[nodiscard]] int QueryMessage(const char* messageId, const char** answer);
    [[nodiscard]] int Connect(const char* userId, const char* password);
    [[nodiscard]] int Disconnect();
    [[nodiscard]] int ReplaceMessage(const char* messageId, const char* message);
    [[nodiscard]] int SendCommand(int command, ByteView body, ByteView* response);
    [[nodiscard]] int SendData(ByteView data);
    [[nodiscard]] int SendMessage(const char* message);

protected:
    int ProcessData(const char* data, uint32_t n, bool eolFound) override;
    void OnDisconnected(int code) override;

private:
    // One request and its response: 0 with the response body, 660 for a
    // response with a status, 500 for a stream that broke, 671 when the
    // server closed, 301 for a time-out.
    [[nodiscard]] int Transact(uint32_t command, const smpp::Writer& body, std::string* response);
    [[nodiscard]] int ConnectSocket();
    [[nodiscard]] int Bind();
    [[nodiscard]] int Unbind();
    // Runs an operation bound: with a session of its own (bound first,
    // unbound and closed after) when there is none.
    template <class Operation>
    [[nodiscard]] int InSession(Operation&& operation);
    void HandlePdu(const std::string& pdu);
    void Answer(uint32_t command, uint32_t sequence, const std::string& body);
    void Trace(int direction, const std::string& pdu);
    // The code's text, with " (" detail ")" when a detail is given, and ".".
    [[nodiscard]] int Fail(int code, const char* detail = nullptr);
    [[nodiscard]] int OutOfRange(const char* detail, int limit);
    std::string SourceAddress();
    void SourceFields(smpp::Writer& w);
    void FirstDestination(smpp::Writer& w);
    const char* ServiceTypeText() const;

    int m_version = 0;
    int m_serviceType = 0;
    int m_sourceTon = 0;
    int m_sourceNpi = 0;
    int m_destinationTon = 0;
    int m_destinationNpi = 0;
    int m_priority = 1;
    int m_dataCoding = 0;
    bool m_bound = false;
    std::string m_userId;
    std::string m_password;
    std::string m_systemType;
    std::string m_expiration;
    std::string m_scheduled;
    std::string m_senderAddress;
    std::vector<std::string> m_addresses;
    std::vector<int> m_types;
    std::string m_messageId;
    std::string m_queryAnswer;
    std::string m_commandResponse;
    uint32_t m_sequence = 0;
    smpp::Framer m_framer;
    bool m_framingReported = false;
    // The request being answered: its sequence number (0: none), and the
    // response once it came.
    uint32_t m_waitSequence = 0;
    bool m_answered = false;
    uint32_t m_responseStatus = 0;
    std::string m_responseBody;
};

// Requests go out whole (TcpClient::SendBytes); what arrives is cut into
// PDUs by the framer as it comes, and the response whose sequence number the
// waiting request carries ends its wait. The server's own requests are
// answered at once: enquire_link, unbind, and a deliver_sm; anything else
// with generic_nack. A stream whose command_length is out of bounds cannot
// be read on: the connection is closed.
#include "netcomp/mail/smpp/SmppEngine.h"

#include <cstdio>
#include <cstring>

#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/include/netcomp_smpp.h"

namespace {

constexpr EventTable kSmppEvents = {
    {SharedEvent::Connected, kSmppEventConnected},
    {SharedEvent::ConnectionStatus, kSmppEventConnectionStatus},
    {SharedEvent::Disconnected, kSmppEventDisconnected},
    {SharedEvent::Error, kSmppEventError},
};

const char* CodeText(int code)
{
    switch (code) {
    case kSmppProtocolError:
        return "SMPP protocol error";
    case kSmppUserIdWhileBound:
        return "You cannot change UserId while connected";
    case kSmppPasswordWhileBound:
        return "You cannot change Password while connected";
    case kSmppVersionWhileBound:
        return "You cannot change SMPPVersion while connected";
    case kSmppOutOfRange:
        return "Field value out of range";
    case kSmppUnsupportedVersion:
        return "Unsupported SMPP Version";
    case kSmppBadRecipientIndex:
        return "Recipient index out of bounds";
    case kSmppTooLong:
        return "Message parameter too long";
    default:
        return "Server disconnected";
    }
}

constexpr std::size_t kMaxMessage = 0xFF;
constexpr std::size_t kMaxData = 0xFFFF;
constexpr uint32_t kMessagePayload = 0x0424;
const unsigned kInterfaceVersions[] = {0x50, 0x34, 0x33};

} // namespace

SmppEngine::SmppEngine()
{
    SetEventTable(kSmppEvents);
    (void)Init();
    // PDUs arrive as bytes: no line framing.
    (void)SetEOL("", 0);
    SetLineMode(false);
    (void)SetReadBufferSize(kMaxLineSize);
    SetProtocolErrorCode(kSmppProtocolError);
    (void)SetRemotePort(2775);
    (void)SetTimeout(10);
}

int SmppEngine::Fail(int code, const char* detail)
{
    std::string text = CodeText(code);
    if (detail)
        text.append(" (").append(detail).append(")");
    text.append(".");
    SetLastErrorText(text.c_str());
    return code;
}

int SmppEngine::OutOfRange(const char* detail, int limit)
{
    char text[128];
    std::snprintf(text, sizeof text, detail, limit);
    return Fail(kSmppOutOfRange, text);
}

int SmppEngine::Config(const ConfigArg& arg, const char** answer)
{
    int* numbers[] = {&m_sourceTon, &m_sourceNpi, &m_destinationTon, &m_destinationNpi};
    const char* keys[] = {"SourceTON", "SourceNPI", "DestinationTON", "DestinationNPI"};
    for (int i = 0; i < 4; ++i) {
        if (!arg.KeyIs(keys[i]))
            continue;
        if (arg.query)
            return AnswerInt(*numbers[i], answer);
        // One byte on the wire.
        return SetConfigInt(arg, [&](int value) {
            if (value < 0 || value > 0xFF)
                return ConfigError();
            *numbers[i] = value;
            return kResultOk;
        });
    }
    if (arg.KeyIs("SenderAddress")) {
        if (arg.query) {
            m_queryAnswer = SourceAddress();
            return AnswerText(m_queryAnswer.c_str(), answer);
        }
        if (m_bound) {
            SetLastErrorText("Cannot change SenderAddress while bound.");
            return kUnknownSetting;
        }
        m_senderAddress = arg.value.CStr();
        return kResultOk;
    }
    return TcpClient::Config(arg, answer);
}

int SmppEngine::SetMessagePriority(int priority)
{
    if (priority < 0 || priority > 3)
        return OutOfRange("Message Priority must be between 0 and %i", 3);
    m_priority = priority;
    return kResultOk;
}

int SmppEngine::SetPassword(const char* text)
{
    if (m_bound)
        return Fail(kSmppPasswordWhileBound);
    m_password = text ? text : "";
    return kResultOk;
}

int SmppEngine::SetUserId(const char* text)
{
    if (m_bound)
        return Fail(kSmppUserIdWhileBound);
    m_userId = text ? text : "";
    return kResultOk;
}

int SmppEngine::SetVersion(int version)
{
    if (m_bound)
        return Fail(kSmppVersionWhileBound);
    if (version < 0 || version > 2)
        return Fail(kSmppUnsupportedVersion);
    m_version = version;
    return kResultOk;
}

int SmppEngine::SetSystemType(const char* text)
{
    const char* value = text ? text : "";
    if (std::strlen(value) > 12)
        return Fail(kSmppOutOfRange, "system type cannot be longer than 12 bytes");
    m_systemType = value;
    return kResultOk;
}

int SmppEngine::SetServiceType(int type)
{
    if (type < 0 || type > 7)
        return OutOfRange("service type must be between 0 and %i", 7);
    m_serviceType = type;
    return kResultOk;
}

const char* SmppEngine::ServiceTypeText() const
{
    static const char* const kTypes[] = {"", "CMT", "CPT", "VMN", "VMA", "WAP", "USSD", "CBS"};
    return kTypes[m_serviceType];
}

void SmppEngine::SetRecipient(const char* text)
{
    m_addresses.assign(1, text ? text : "");
    m_types.assign(1, 0);
}

int SmppEngine::CheckRecipientIndex(int index)
{
    if (index >= 1 && index <= int(m_addresses.size()))
        return kResultOk;
    return Fail(kSmppBadRecipientIndex);
}

int SmppEngine::SetRecipientCount(int count)
{
    if (count < 0 || count > kMaxRecipients)
        return OutOfRange("recipient count must be between 0 and %i", kMaxRecipients);
    m_addresses.resize(std::size_t(count));
    m_types.resize(std::size_t(count), 0);
    return kResultOk;
}

int SmppEngine::SetRecipientType(int index, int type)
{
    if (type != 0 && type != 1)
        return Fail(kSmppOutOfRange, "recipient type can only be 0 or 1");
    m_types[std::size_t(index - 1)] = type;
    return kResultOk;
}

int SmppEngine::AddRecipient(int type, const char* address)
{
    if (m_addresses.size() >= std::size_t(kMaxRecipients))
        return Fail(kSmppOutOfRange, "already at max recipient count");
    if (type != 0 && type != 1)
        return Fail(kSmppOutOfRange, "recipient type can only be 0 or 1");
    m_addresses.push_back(address ? address : "");
    m_types.push_back(type);
    return kResultOk;
}

// The source_addr of every PDU: SenderAddress, or the address the
// connection uses while it is empty.
std::string SmppEngine::SourceAddress()
{
    if (!m_senderAddress.empty())
        return m_senderAddress;
    const char* local = GetLocalHost();
    return local ? local : "";
}

void SmppEngine::SourceFields(smpp::Writer& w)
{
    w.Int(uint32_t(m_sourceTon), 1);
    w.Int(uint32_t(m_sourceNpi), 1);
    w.CString(SourceAddress());
}

void SmppEngine::FirstDestination(smpp::Writer& w)
{
    w.Int(uint32_t(m_destinationTon), 1);
    w.Int(uint32_t(m_destinationNpi), 1);
    w.CString(m_addresses.empty() ? std::string() : m_addresses[0]);
}

int SmppEngine::ConnectSocket()
{
    if (HasSocket() && IsConnected())
        return kResultOk;
    if (HasSocket()) {
        StartTimeout();
        (void)TcpClient::Disconnect();
    }
    m_framer.Clear();
    m_framingReported = false;
    m_bound = false;
    return TcpClient::Connect();
}

int SmppEngine::Transact(uint32_t command, const smpp::Writer& body, std::string* response)
{
    if (!IsConnected())
        return Fail(kSmppServerDisconnected);
    const uint32_t sequence = ++m_sequence;
    const std::string pdu = body.Pdu(command, 0, sequence);
    m_waitSequence = sequence;
    m_answered = false;
    StartTimeout();
    int rc = SendBytes(pdu.data(), uint32_t(pdu.size()), false);
    if (rc == kResultOk)
        Trace(1, pdu);
    StartTimeout();
    while (rc == kResultOk && !m_answered) {
        if (m_framer.Broken()) {
            SetLastErrorText(m_framer.Broken());
            rc = kSmppFramingError;
        } else if (!HasSocket()) {
            rc = Fail(kSmppServerDisconnected);
        } else if (!WaitStep(10, m_window)) {
            rc = kInterrupted;
        }
    }
    m_waitSequence = 0;
    if (rc != kResultOk) {
        // The answer may still come, or the stream cannot be read on: the
        // next request must not take it for its own.
        if (rc != kSmppServerDisconnected && HasSocket()) {
            StartTimeout();
            (void)TcpClient::Disconnect();
        }
        m_bound = false;
        return rc;
    }
    if (m_responseStatus != 0)
        return Fail(kSmppProtocolError, smpp::StatusText(m_responseStatus));
    if (response)
        response->swap(m_responseBody);
    return kResultOk;
}

int SmppEngine::ProcessData(const char* data, uint32_t n, bool)
{
    m_framer.Feed(data, n);
    std::string pdu;
    while (m_framer.Next(pdu))
        HandlePdu(pdu);
    if (m_framer.Broken() && !m_framingReported) {
        m_framingReported = true;
        FireError(kSmppFramingError, m_framer.Broken());
    }
    return kResultOk;
}

void SmppEngine::HandlePdu(const std::string& pdu)
{
    Trace(0, pdu);
    const smpp::Header h = smpp::ReadHeader(pdu.data());
    if (h.command & smpp::kResponse) {
        if (m_waitSequence != 0 && h.sequence == m_waitSequence && !m_answered) {
            m_answered = true;
            m_responseStatus = h.status;
            m_responseBody.assign(pdu, smpp::kHeaderLength, std::string::npos);
        }
        return;
    }
    switch (h.command) {
    case smpp::kEnquireLink:
        Answer(smpp::kEnquireLink | smpp::kResponse, h.sequence, std::string());
        break;
    case smpp::kUnbind:
        m_bound = false;
        Answer(smpp::kUnbind | smpp::kResponse, h.sequence, std::string());
        break;
    case smpp::kDeliverSm:
        Answer(smpp::kDeliverSm | smpp::kResponse, h.sequence, std::string(1, '\0'));
        break;
    default: {
        smpp::Writer nack;
        const std::string bytes = nack.Pdu(smpp::kGenericNack, 3, h.sequence);
        (void)SendRaw(bytes.data(), int(bytes.size()), 0);
        Trace(1, bytes);
        break;
    }
    }
}

// A response to the server's own request, sent at once from the receive
// handler (it is small; a send that would block drops it).
void SmppEngine::Answer(uint32_t command, uint32_t sequence, const std::string& body)
{
    smpp::Writer w;
    w.Bytes(body.data(), body.size());
    const std::string bytes = w.Pdu(command, 0, sequence);
    (void)SendRaw(bytes.data(), int(bytes.size()), 0);
    Trace(1, bytes);
}

void SmppEngine::Trace(int direction, const std::string& pdu)
{
    char* data = const_cast<char*>(pdu.data());
    Fire(kSmppEventPduTrace, {EventParam::Int(&direction), EventParam::Binary(&data, int(pdu.size()))});
}

void SmppEngine::OnDisconnected(int code)
{
    m_bound = false;
    TcpClient::OnDisconnected(code);
}

int SmppEngine::Bind()
{
    int rc = ConnectSocket();
    if (rc != kResultOk)
        return rc;
    smpp::Writer w;
    w.CString(m_userId);
    w.CString(m_password);
    w.CString(m_systemType);
    w.Int(kInterfaceVersions[m_version], 1);
    w.Int(uint32_t(m_sourceTon), 1);
    w.Int(uint32_t(m_sourceNpi), 1);
    const char* local = GetLocalHost();
    w.CString(local ? local : "");
    rc = Transact(smpp::kBindTransmitter, w, nullptr);
    if (rc != kResultOk) {
        // A refused bind leaves no session: the connection goes too.
        if (HasSocket()) {
            StartTimeout();
            (void)TcpClient::Disconnect();
        }
        return rc;
    }
    m_bound = true;
    const char* ok = "Ok.";
    int zero = 0;
    Fire(SharedEvent::Connected, {EventParam::Int(&zero), EventParam::Text(&ok)});
    return kResultOk;
}

int SmppEngine::Unbind()
{
    const int rc = Transact(smpp::kUnbind, smpp::Writer(), nullptr);
    m_bound = false;
    return rc;
}

template <class Operation>
int SmppEngine::InSession(Operation&& operation)
{
    const bool ownSession = !GetConnected();
    int rc = ownSession ? Bind() : kResultOk;
    if (rc != kResultOk)
        return rc;
    rc = operation();
    if (ownSession) {
        if (GetConnected())
            (void)Unbind();
        StartTimeout();
        (void)TcpClient::Disconnect();
    }
    return rc;
}

int SmppEngine::Connect(const char* userId, const char* password)
{
    if (GetConnected())
        return kResultOk;
    m_userId = userId ? userId : "";
    m_password = password ? password : "";
    return Bind();
}

int SmppEngine::Disconnect()
{
    int rc = kResultOk;
    if (GetConnected())
        rc = Unbind();
    if (HasSocket()) {
        StartTimeout();
        (void)TcpClient::Disconnect();
    }
    return rc == kSmppServerDisconnected ? kResultOk : rc;
}

int SmppEngine::CheckLink()
{
    int rc = ConnectSocket();
    return rc == kResultOk ? Transact(smpp::kEnquireLink, smpp::Writer(), nullptr) : rc;
}

int SmppEngine::SendMessage(const char* message)
{
    const std::string text = message ? message : "";
    if (text.size() > kMaxMessage)
        return Fail(kSmppTooLong, "message body cannot be longer than 0x0FF");
    return InSession([&] {
        smpp::Writer w;
        w.CString(ServiceTypeText());
        SourceFields(w);
        const bool single = m_addresses.size() == 1 && m_types[0] == 0;
        if (single) {
            FirstDestination(w);
        } else {
            w.Int(uint32_t(m_addresses.size()), 1);
            for (std::size_t i = 0; i < m_addresses.size(); ++i) {
                if (m_types[i] == 0) {
                    w.Int(1, 1);
                    w.Int(uint32_t(m_destinationTon), 1);
                    w.Int(uint32_t(m_destinationNpi), 1);
                } else {
                    w.Int(2, 1);
                }
                w.CString(m_addresses[i]);
            }
        }
        w.Int(0, 1); // esm_class
        w.Int(0, 1); // protocol_id
        w.Int(uint32_t(m_priority), 1);
        w.CString(m_scheduled);
        w.CString(m_expiration);
        w.Int(0, 1); // registered_delivery
        w.Int(0, 1); // replace_if_present_flag
        w.Int(uint32_t(m_dataCoding), 1);
        w.Int(0, 1); // sm_default_msg_id
        w.Int(uint32_t(text.size()), 1);
        w.Bytes(text.data(), text.size());
        std::string response;
        int rc = Transact(single ? smpp::kSubmitSm : smpp::kSubmitMulti, w, &response);
        if (rc != kResultOk)
            return rc;
        if (single)
            return smpp::ReadMessageId(response, m_messageId) ? kResultOk
                                                              : Fail(kSmppProtocolError, "malformed response");
        std::vector<smpp::Unsuccessful> failed;
        if (!smpp::ReadSubmitMultiResp(response, m_messageId, failed))
            rc = Fail(kSmppProtocolError, "malformed response");
        for (const smpp::Unsuccessful& u : failed)
            FireError(kSmppProtocolError, smpp::StatusText(u.status));
        return rc;
    });
}

int SmppEngine::SendData(ByteView data)
{
    const std::size_t n = data.data && data.length > 0 ? std::size_t(data.length) : 0;
    if (n > kMaxData)
        return Fail(kSmppTooLong, "data body cannot be longer than 0x0FFFF");
    return InSession([&] {
        smpp::Writer w;
        w.CString(ServiceTypeText());
        SourceFields(w);
        FirstDestination(w);
        w.Int(0, 1); // esm_class
        w.Int(0, 1); // registered_delivery
        w.Int(2, 1); // data_coding
        w.Int(kMessagePayload, 2);
        w.Int(uint32_t(n), 2);
        w.Bytes(data.data, n);
        std::string response;
        const int rc = Transact(smpp::kDataSm, w, &response);
        if (rc != kResultOk)
            return rc;
        return smpp::ReadMessageId(response, m_messageId) ? kResultOk : Fail(kSmppProtocolError, "malformed response");
    });
}

int SmppEngine::QueryMessage(const char* messageId, const char** answer)
{
    const std::string id = messageId ? messageId : "";
    return InSession([&] {
        smpp::Writer w;
        w.CString(id);
        SourceFields(w);
        std::string response;
        const int rc = Transact(smpp::kQuerySm, w, &response);
        if (rc != kResultOk)
            return rc;
        smpp::QueryAnswer q;
        if (!smpp::ReadQueryResp(response, q))
            return Fail(kSmppProtocolError, "malformed response");
        m_messageId = q.messageId;
        if (!q.finalDate.empty())
            m_queryAnswer = q.finalDate;
        else
            m_queryAnswer = std::to_string(q.state) + ":" + std::to_string(q.error);
        *answer = m_queryAnswer.c_str();
        return kResultOk;
    });
}

int SmppEngine::CancelMessage(const char* messageId)
{
    const std::string id = messageId ? messageId : "";
    return InSession([&] {
        smpp::Writer w;
        w.CString(ServiceTypeText());
        w.CString(id);
        SourceFields(w);
        FirstDestination(w);
        return Transact(smpp::kCancelSm, w, nullptr);
    });
}

int SmppEngine::ReplaceMessage(const char* messageId, const char* message)
{
    const std::string id = messageId ? messageId : "";
    const std::string text = message ? message : "";
    if (text.size() > kMaxMessage)
        return Fail(kSmppTooLong, "message body cannot be longer than 0x0FF");
    return InSession([&] {
        smpp::Writer w;
        w.CString(id);
        SourceFields(w);
        w.CString(""); // schedule_delivery_time
        w.CString(""); // validity_period
        w.Int(0, 1);   // registered_delivery
        w.Int(0, 1);   // sm_default_msg_id
        w.Int(uint32_t(text.size()), 1);
        w.Bytes(text.data(), text.size());
        return Transact(smpp::kReplaceSm, w, nullptr);
    });
}

int SmppEngine::SendCommand(int command, ByteView body, ByteView* response)
{
    int rc = ConnectSocket();
    if (rc != kResultOk)
        return rc;
    smpp::Writer w;
    if (body.data && body.length > 0)
        w.Bytes(body.data, std::size_t(body.length));
    rc = Transact(uint32_t(command), w, &m_commandResponse);
    if (rc == kResultOk)
        *response = {m_commandResponse.data(), int(m_commandResponse.size())};
    return rc;
}

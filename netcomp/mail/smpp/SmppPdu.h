#pragma once
// SMPP protocol data units (SMPP 3.3, 3.4 and 5.0): a 16-byte header of four
// big-endian integers (command_length, command_id, command_status,
// sequence_number) and a body of integers and NUL-terminated strings.
// Building a request, cutting a byte stream into PDUs, and reading the
// responses the client needs, all bounded: a peer's command_length is
// refused beyond kMaxPduLength, and a body that ends early is an error,
// never a read past it.
#include <cstdint>
#include <string>
#include <vector>

namespace smpp {

enum Command : uint32_t {
    kGenericNack = 0x80000000,
    kBindTransmitter = 0x00000002,
    kQuerySm = 0x00000003,
    kSubmitSm = 0x00000004,
    kDeliverSm = 0x00000005,
    kUnbind = 0x00000006,
    kReplaceSm = 0x00000007,
    kCancelSm = 0x00000008,
    kEnquireLink = 0x00000015,
    kSubmitMulti = 0x00000021,
    kDataSm = 0x00000103,
    kResponse = 0x80000000, // the bit that marks a response
};

constexpr uint32_t kHeaderLength = 16;
// The largest PDU taken from a peer: a data_sm with a message payload of
// 64 KB and room for the rest of its fields and options.
constexpr uint32_t kMaxPduLength = 0x10000 + 0x1000;

struct Header {
    uint32_t length = 0;
    uint32_t command = 0;
    uint32_t status = 0;
    uint32_t sequence = 0;
};

// The body of a request as it is built; Pdu() puts the header before it.
class Writer {
public:
    // An integer of 1, 2 or 4 bytes, big-endian.
    void Int(uint32_t value, int bytes);
    // The bytes of text and one NUL.
    void CString(const std::string& text);
    void Bytes(const char* data, std::size_t n);
    const std::string& Body() const { return m_body; }
    std::string Pdu(uint32_t command, uint32_t status, uint32_t sequence) const;

private:
    std::string m_body;
};

// Reads a body front to back; a field that runs past its end sets Failed()
// and reads as 0 or the empty text.
class Reader {
public:
    Reader(const char* data, std::size_t n) : m_data(data), m_n(n) {}
    uint32_t Int(int bytes);
    // Up to the NUL; a string without one, or longer than maxLength bytes
    // before it, fails.
    std::string CString(std::size_t maxLength);
    bool Failed() const { return m_failed; }
    std::size_t Left() const { return m_n - m_at; }

private:
    const char* m_data;
    std::size_t m_n;
    std::size_t m_at = 0;
    bool m_failed = false;
};

Header ReadHeader(const char* bytes);

// Cuts a byte stream into PDUs. Feed takes bytes as they arrive; Next gives
// each complete PDU (header and body) in order. A command_length under 16 or
// over kMaxPduLength ends the stream: Broken() then tells why, and nothing
// more is taken.
class Framer {
public:
    void Feed(const char* data, std::size_t n);
    bool Next(std::string& pdu);
    const char* Broken() const { return m_broken; }
    void Clear();

private:
    std::string m_buffer;
    std::size_t m_start = 0;
    const char* m_broken = nullptr;
};

// The most a message_id, a date or an address of a response may hold.
constexpr std::size_t kMaxMessageId = 64;
constexpr std::size_t kMaxDate = 16;
constexpr std::size_t kMaxAddress = 64;

// submit_sm_resp, data_sm_resp: the message_id (an empty body gives "").
bool ReadMessageId(const std::string& body, std::string& messageId);

struct Unsuccessful {
    uint8_t ton = 0;
    uint8_t npi = 0;
    std::string address;
    uint32_t status = 0;
};

// submit_multi_resp: the message_id and the destinations that failed.
bool ReadSubmitMultiResp(const std::string& body, std::string& messageId, std::vector<Unsuccessful>& failed);

struct QueryAnswer {
    std::string messageId;
    std::string finalDate;
    uint8_t state = 0;
    uint8_t error = 0;
};

bool ReadQueryResp(const std::string& body, QueryAnswer& answer);

// The text of a command_status; "no error description available" for a
// code the table lacks.
const char* StatusText(uint32_t status);

} // namespace smpp

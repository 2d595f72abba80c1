#pragma once
// DNS messages as the DNS and MX components send and read them (RFC 1035):
// the query, the header, domain names with message compression, and the
// records of a response with their fields as text. Every read is bounded by
// the message and by the record's own data length, so counts, offsets and
// lengths that a server got wrong read as missing, never past the bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace dns {

constexpr int kBadRecordIndex = 220;
constexpr int kBadFieldIndex = 221;
constexpr int kBadRecordSource = 222;
constexpr int kUnknownRecordType = 223;
constexpr int kMalformedRecord = 224;
constexpr int kBadName = 225;
constexpr int kMalformedResponse = 226;
constexpr int kTruncatedResponse = 227;

constexpr int kTypeA = 1;
constexpr int kTypeMx = 15;
constexpr int kClassIn = 1;
constexpr int kMaxRecords = 256;

// The query for one name and type (only the type's low byte is sent):
// 0, or kBadName for an empty label, a label over 63 bytes or a name over
// 255 bytes on the wire. "." alone asks for the root.
[[nodiscard]] int BuildQuery(unsigned id, bool recursionDesired, const std::string& name, int type, std::string& out);

struct Header {
    unsigned id = 0;
    int rcode = 0;
    int authoritative = 0;   // the AA bit as it stands in the flags byte: 4 or 0
    bool truncated = false;  // TC: the server cut the message to fit a datagram
    unsigned counts[4] = {}; // questions, answers, authority, additional
};

// Reads the name at offset into text (labels joined with "."), following
// compression pointers. Each pointer must lead before the place where the
// current run of labels began, and the name may hold at most 255 bytes, so
// loops end. `next` is the offset after the name where it started; ok is
// false when the name ran off the message, broke one of those rules or held
// a label type other than a length or a pointer.
struct NameRead {
    std::size_t next;
    bool ok;
};
NameRead ReadName(const unsigned char* message, std::size_t length, std::size_t offset, std::string& text);

// The type table of the field reader: the empty name and 0 fields for a
// type it does not know.
const char* TypeName(int type);
int FieldCount(int type);
// The name of field 1..FieldCount, else the empty text.
const char* FieldName(int type, int field);

// The text of an RCODE: "Format error" ... "Refused", else "Unknown Error".
const char* RcodeText(int rcode);

struct Record {
    int type;
    int rclass;
    std::uint32_t ttl;
    std::uint32_t nameOffset; // the owner name
    std::uint32_t dataOffset; // the first byte of RDATA
    std::uint32_t dataLength; // RDLENGTH
};

// One response, kept whole and walked once: the header, the name of the last
// question, and the records of the three sections in order, at most
// kMaxRecords.
class Response {
public:
    // False (and nothing kept) when the datagram is shorter than a header.
    bool Parse(const char* data, std::size_t length);
    void Clear();
    // False when the questions or the records do not read: a name that runs
    // off the message or does not end, counts beyond the records present,
    // record data past the message or too short for its type's fields. No
    // record is kept then. A message with the truncation bit set keeps the
    // records that came whole before the place where it was cut.
    bool Readable() const { return m_readable; }

    const Header& GetHeader() const { return m_header; }
    const std::string& Domain() const { return m_domain; }
    // Records stored for section 0 answers, 1 authority, 2 additional;
    // section 3 and others hold none.
    int SectionCount(int section) const;
    // Record `number` (from 1) of a section, or null.
    const Record* Find(int section, int number) const;
    const std::vector<Record>& Records() const { return m_records; }

    std::string OwnerName(const Record& record) const;
    const char* Data(const Record& record) const { return m_message.data() + record.dataOffset; }
    // Field 1..FieldCount of the record as text: 0, kUnknownRecordType,
    // kBadFieldIndex or kMalformedRecord (the data does not hold the field).
    [[nodiscard]] int FieldValue(const Record& record, int field, std::string& out) const;
    // MX: preference and exchange of an MX record; false when the data does not hold them.
    bool MailExchange(const Record& record, int& preference, std::string& exchange) const;

private:
    const unsigned char* Bytes() const { return reinterpret_cast<const unsigned char*>(m_message.data()); }
    // A name that begins inside the record's data and ends within it.
    bool DataName(const Record& record, std::size_t& at, std::string& out) const;
    // The questions and the records, stored as they are read; false at the
    // first that does not read.
    bool Walk();
    // Every field of the record's type reads from its data.
    bool HoldsFields(const Record& record) const;

    std::string m_message;
    Header m_header;
    std::string m_domain;
    std::vector<Record> m_records;
    int m_counts[3] = {};
    bool m_readable = false;
};

} // namespace dns

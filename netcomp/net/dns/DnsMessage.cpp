#include "netcomp/net/dns/DnsMessage.h"

#include <cstdio>

namespace dns {

namespace {

constexpr std::size_t kHeaderSize = 12;
constexpr std::size_t kMaxNameBytes = 255;

struct TypeInfo {
    const char* name;
    const char* fields[7];
};

// Indexed by type number 0..33; the empty name marks a type without fields.
const TypeInfo kTypes[] = {
    {"", {}},
    {"A", {"ADDRESS"}},
    {"NS", {"DNAME"}},
    {"MD", {"MADNAME"}},
    {"MF", {"MADNAME"}},
    {"CNAME", {"CNAME"}},
    {"SOA", {"MNAME", "RNAME", "SERIAL", "REFRESH", "RETRY", "EXPIRE", "MINIMUM"}},
    {"MB", {"MADNAME"}},
    {"MG", {"MGMNAME"}},
    {"MR", {"NEWNAME"}},
    {"NULL", {}},
    {"WKS", {"ADDRESS", "PROTOCOL", "SERVICEMAP"}},
    {"PTR", {"PTRDNAME"}},
    {"HINFO", {"CPU", "OS"}},
    {"MINFO", {"RMAILBX", "EMAILBX"}},
    {"MX", {"PREFERENCE", "EXCHANGE"}},
    {"TXT", {"TXT"}},
    {"RP", {"MBOXDNAME", "TXTDNAME"}},
    {"AFSDB", {"SUBTYPE", "HOSTNAME"}},
    {"X25", {"PSDNADDRESS"}},
    {"ISDN", {"ISDNADDRESS"}},
    {"RT", {"PREFERENCE", "INTERMEDIATE"}},
    {"", {}},
    {"", {}},
    {"", {}},
    {"", {}},
    {"", {}},
    {"", {}},
    {"AAAA", {"ADDRESS"}},
    {"", {}},
    {"", {}},
    {"", {}},
    {"", {}},
    {"SRV", {"PRIORITY", "WEIGHT", "PORT", "TARGET"}},
};
constexpr int kTypeCount = int(sizeof kTypes / sizeof kTypes[0]);

const TypeInfo* Info(int type)
{
    return type > 0 && type < kTypeCount && *kTypes[type].name ? &kTypes[type] : nullptr;
}

unsigned U16(const unsigned char* p)
{
    return unsigned(p[0]) << 8 | p[1];
}

std::uint32_t U32(const unsigned char* p)
{
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}

std::string Dotted(const unsigned char* p)
{
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", p[0], p[1], p[2], p[3]);
    return text;
}

// x:x:x:x:x:x:d.d.d.d (RFC 4291): six groups of four hexadecimal digits with
// the longest run of zero groups written as "::", then the last four bytes
// dotted.
std::string Ipv6Text(const unsigned char* p)
{
    unsigned groups[6];
    for (int i = 0; i < 6; ++i)
        groups[i] = U16(p + 2 * i);
    int runStart = -1, runLength = 0;
    for (int i = 0; i < 6;) {
        if (groups[i] != 0) {
            ++i;
            continue;
        }
        int j = i;
        while (j < 6 && groups[j] == 0)
            ++j;
        if (j - i > runLength)
            runStart = i, runLength = j - i;
        i = j;
    }
    std::string text;
    for (int i = 0; i < 6; ++i) {
        if (i == runStart) {
            text += "::";
            i += runLength - 1;
            continue;
        }
        if (!text.empty() && text.back() != ':')
            text += ':';
        char group[8];
        std::snprintf(group, sizeof group, "%04x", groups[i]);
        text += group;
    }
    if (text.empty() || text.back() != ':')
        text += ':';
    return text + Dotted(p + 12);
}

// The character-strings of [at, end): each a length byte and its bytes;
// joined by `separator`. False when one runs past the end.
bool CharacterStrings(const unsigned char* p, std::size_t at, std::size_t end, const char* separator, std::string& out)
{
    bool first = true;
    while (at < end) {
        const std::size_t n = p[at++];
        if (n > end - at)
            return false;
        if (!first)
            out += separator;
        out.append(reinterpret_cast<const char*>(p + at), n);
        at += n;
        first = false;
    }
    return true;
}

} // namespace

int BuildQuery(unsigned id, bool recursionDesired, const std::string& name, int type, std::string& out)
{
    std::string qname;
    if (name != ".") {
        std::size_t start = 0;
        while (start < name.size()) {
            std::size_t dot = name.find('.', start);
            if (dot == std::string::npos)
                dot = name.size();
            const std::size_t n = dot - start;
            if (n == 0 || n > 63)
                return kBadName;
            qname += char(n);
            qname.append(name, start, n);
            start = dot + 1;
        }
        if (qname.empty())
            return kBadName;
    }
    qname += '\0';
    if (qname.size() > kMaxNameBytes)
        return kBadName;
    out.assign({char(id >> 8 & 0x7F), char(id & 0xFF), char(recursionDesired ? 1 : 0), 0, 0, 1, 0, 0, 0, 0, 0, 0});
    out += qname;
    out += {0, char(type & 0xFF), 0, char(kClassIn)};
    return 0;
}

NameRead ReadName(const unsigned char* message, std::size_t length, std::size_t offset, std::string& text)
{
    std::size_t at = offset;
    std::size_t next = 0; // set at the first pointer
    bool jumped = false;
    std::size_t runStart = offset;
    std::size_t wire = 1; // the final zero byte
    while (at < length) {
        const unsigned n = message[at];
        if (n == 0)
            return {jumped ? next : at + 1, true};
        // 0x40 and 0x80 are label types RFC 1035 reserves (RFC 6891's
        // extended labels): nothing after one can be read.
        if ((n & 0xC0) == 0x40 || (n & 0xC0) == 0x80)
            break;
        if (n & 0xC0) {
            if (at + 1 >= length)
                break;
            const std::size_t target = (n & 0x3F) << 8 | message[at + 1];
            if (!jumped)
                next = at + 2;
            jumped = true;
            if (target >= runStart)
                return {next, false};
            runStart = at = target;
            continue;
        }
        wire += n + 1;
        if (wire > kMaxNameBytes || n > length - at - 1)
            break;
        if (!text.empty())
            text += '.';
        text.append(reinterpret_cast<const char*>(message + at + 1), n);
        at += n + 1;
    }
    return {jumped ? next : length, false};
}

const char* TypeName(int type)
{
    const TypeInfo* info = Info(type);
    return info ? info->name : "";
}

int FieldCount(int type)
{
    const TypeInfo* info = Info(type);
    int n = 0;
    while (info && n < 7 && info->fields[n])
        ++n;
    return n;
}

const char* FieldName(int type, int field)
{
    return field >= 1 && field <= FieldCount(type) ? kTypes[type].fields[field - 1] : "";
}

const char* RcodeText(int rcode)
{
    static const char* const kTexts[] = {"OK",         "Format error",    "Server failure",
                                         "Name error", "Not implemented", "Refused"};
    return rcode >= 1 && rcode <= 5 ? kTexts[rcode] : "Unknown Error";
}

void Response::Clear()
{
    m_message.clear();
    m_header = Header();
    m_domain.clear();
    m_records.clear();
    m_counts[0] = m_counts[1] = m_counts[2] = 0;
    m_readable = false;
}

bool Response::Parse(const char* data, std::size_t length)
{
    if (length < kHeaderSize)
        return false;
    Clear();
    m_message.assign(data, length);
    const unsigned char* p = Bytes();
    m_header.id = U16(p);
    m_header.authoritative = p[2] & 4;
    m_header.truncated = (p[2] & 2) != 0;
    m_header.rcode = p[3] & 0x0F;
    for (int i = 0; i < 4; ++i)
        m_header.counts[i] = U16(p + 4 + 2 * i);
    m_readable = Walk();
    if (!m_readable) {
        m_records.clear();
        m_counts[0] = m_counts[1] = m_counts[2] = 0;
    }
    return true;
}

// Records past kMaxRecords are still walked: a fault behind them makes the
// response unreadable as one in front of them does.
bool Response::Walk()
{
    const unsigned char* p = Bytes();
    const std::size_t length = m_message.size();
    std::size_t at = kHeaderSize;
    for (unsigned q = 0; q < m_header.counts[0]; ++q) {
        std::string name;
        const NameRead read = ReadName(p, length, at, name);
        if (!read.ok || read.next + 4 > length)
            return false;
        m_domain = name;
        at = read.next + 4;
    }
    // A server may cut a message that does not fit a datagram anywhere and
    // set TC (RFC 1035 4.2.1); the records that came whole are its answer
    // (RFC 2181 9).
    const bool truncated = m_header.truncated;
    for (int section = 0; section < 3; ++section) {
        for (unsigned i = 0; i < m_header.counts[section + 1]; ++i) {
            std::string owner;
            const NameRead read = ReadName(p, length, at, owner);
            if (!read.ok || read.next + 10 > length)
                return truncated;
            const unsigned char* fixed = p + read.next;
            Record r;
            r.type = int(U16(fixed));
            r.rclass = int(U16(fixed + 2));
            r.ttl = U32(fixed + 4);
            r.dataLength = U16(fixed + 8);
            r.nameOffset = std::uint32_t(at);
            r.dataOffset = std::uint32_t(read.next + 10);
            if (r.dataLength > length - r.dataOffset)
                return truncated;
            if (!HoldsFields(r))
                return false;
            if (m_records.size() < std::size_t(kMaxRecords)) {
                m_records.push_back(r);
                ++m_counts[section];
            }
            at = r.dataOffset + r.dataLength;
        }
    }
    return true;
}

bool Response::HoldsFields(const Record& record) const
{
    std::string text;
    for (int field = 1; field <= FieldCount(record.type); ++field) {
        if (FieldValue(record, field, text) != 0)
            return false;
    }
    return true;
}

int Response::SectionCount(int section) const
{
    return section >= 0 && section < 3 ? m_counts[section] : 0;
}

const Record* Response::Find(int section, int number) const
{
    if (number < 1 || number > SectionCount(section))
        return nullptr;
    int first = 0;
    for (int s = 0; s < section; ++s)
        first += m_counts[s];
    return &m_records[std::size_t(first + number - 1)];
}

std::string Response::OwnerName(const Record& record) const
{
    std::string name;
    ReadName(Bytes(), m_message.size(), record.nameOffset, name);
    return name;
}

bool Response::DataName(const Record& record, std::size_t& at, std::string& out) const
{
    const std::size_t end = std::size_t(record.dataOffset) + record.dataLength;
    if (at >= end)
        return false;
    const NameRead read = ReadName(Bytes(), m_message.size(), at, out);
    if (!read.ok || read.next > end)
        return false;
    at = read.next;
    return true;
}

bool Response::MailExchange(const Record& record, int& preference, std::string& exchange) const
{
    if (record.dataLength < 3)
        return false;
    preference = int(U16(Bytes() + record.dataOffset));
    std::size_t at = record.dataOffset + 2;
    return DataName(record, at, exchange);
}

int Response::FieldValue(const Record& record, int field, std::string& out) const
{
    out.clear();
    const int type = record.type;
    if (!Info(type))
        return kUnknownRecordType;
    if (field < 1 || field > FieldCount(type))
        return kBadFieldIndex;
    const unsigned char* p = Bytes();
    const std::size_t start = record.dataOffset;
    const std::size_t end = start + record.dataLength;
    const std::size_t size = record.dataLength;
    std::size_t at = start;
    // Two names in a row (MINFO, RP, the SOA's first fields): the first is
    // skipped to reach the second.
    auto name = [&](int which) {
        std::string skipped;
        for (int i = 1; i < which; ++i) {
            if (!DataName(record, at, skipped))
                return false;
        }
        return DataName(record, at, out);
    };
    auto number16 = [&](std::size_t offset) {
        if (offset + 2 > size)
            return false;
        out = std::to_string(U16(p + start + offset));
        return true;
    };
    bool ok = false;
    switch (type) {
    case 1: // A
        ok = size >= 4;
        if (ok)
            out = Dotted(p + start);
        break;
    case 2:
    case 3:
    case 4:
    case 5:
    case 7:
    case 8:
    case 9:
    case 12:
        ok = name(1);
        break;
    case 6: // SOA
        if (field <= 2) {
            ok = name(field);
        } else {
            std::string skipped;
            ok = DataName(record, at, skipped) && DataName(record, at, skipped) && end - at >= 20;
            if (ok)
                out = std::to_string(U32(p + at + 4 * std::size_t(field - 3)));
        }
        break;
    case 11: // WKS
        ok = size >= 5;
        if (ok && field == 1) {
            out = Dotted(p + start);
        } else if (ok && field == 2) {
            out = std::to_string(p[start + 4]);
        } else if (ok) {
            for (std::size_t k = 0; k < size - 5; ++k) {
                for (int bit = 0; bit < 8; ++bit) {
                    if (p[start + 5 + k] & (0x80 >> bit))
                        out += std::to_string(8 * k + std::size_t(bit)) + ' ';
                }
            }
            if (!out.empty())
                out.pop_back();
        }
        break;
    case 13: { // HINFO: two character-strings
        std::size_t s = start;
        for (int i = 1; i <= field; ++i) {
            if (s >= end || p[s] > end - s - 1) {
                ok = false;
                break;
            }
            if (i == field)
                out.assign(reinterpret_cast<const char*>(p + s + 1), p[s]);
            s += std::size_t(p[s]) + 1;
            ok = true;
        }
        break;
    }
    case 14:
    case 17: // MINFO, RP
        ok = name(field);
        break;
    case 15:
    case 18:
    case 21: // MX, AFSDB, RT
        if (field == 1) {
            ok = number16(0);
        } else {
            at = start + 2;
            ok = size >= 3 && DataName(record, at, out);
        }
        break;
    case 16: // TXT: its strings one after another, as long texts are split
        ok = CharacterStrings(p, start, end, "", out);
        break;
    case 19: // X25
        ok = CharacterStrings(p, start, end, "", out);
        break;
    case 20: // ISDN: the address, then its subaddress when there is one
        ok = CharacterStrings(p, start, end, " ", out);
        break;
    case 28: // AAAA
        ok = size >= 16;
        if (ok)
            out = Ipv6Text(p + start);
        break;
    case 33: // SRV
        if (field <= 3) {
            ok = number16(std::size_t(field - 1) * 2);
        } else {
            at = start + 6;
            ok = size >= 7 && DataName(record, at, out);
        }
        break;
    default:
        return kBadFieldIndex; // NULL: no field
    }
    if (!ok) {
        out.clear();
        return kMalformedRecord;
    }
    return 0;
}

} // namespace dns

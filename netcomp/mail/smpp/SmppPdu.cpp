#include "netcomp/mail/smpp/SmppPdu.h"

#include <cstring>

namespace smpp {

void Writer::Int(uint32_t value, int bytes)
{
    for (int shift = (bytes - 1) * 8; shift >= 0; shift -= 8)
        m_body.push_back(char((value >> shift) & 0xFF));
}

void Writer::CString(const std::string& text)
{
    m_body.append(text.c_str());
    m_body.push_back('\0');
}

void Writer::Bytes(const char* data, std::size_t n)
{
    m_body.append(data, n);
}

std::string Writer::Pdu(uint32_t command, uint32_t status, uint32_t sequence) const
{
    Writer header;
    header.Int(uint32_t(kHeaderLength + m_body.size()), 4);
    header.Int(command, 4);
    header.Int(status, 4);
    header.Int(sequence, 4);
    return header.m_body + m_body;
}

uint32_t Reader::Int(int bytes)
{
    if (m_failed || Left() < std::size_t(bytes)) {
        m_failed = true;
        return 0;
    }
    uint32_t value = 0;
    for (int i = 0; i < bytes; ++i)
        value = (value << 8) | uint8_t(m_data[m_at++]);
    return value;
}

std::string Reader::CString(std::size_t maxLength)
{
    if (m_failed)
        return std::string();
    const void* nul = std::memchr(m_data + m_at, '\0', Left());
    if (!nul) {
        m_failed = true;
        return std::string();
    }
    const std::size_t length = std::size_t(static_cast<const char*>(nul) - (m_data + m_at));
    if (length > maxLength) {
        m_failed = true;
        return std::string();
    }
    std::string text(m_data + m_at, length);
    m_at += length + 1;
    return text;
}

Header ReadHeader(const char* bytes)
{
    Reader r(bytes, kHeaderLength);
    Header h;
    h.length = r.Int(4);
    h.command = r.Int(4);
    h.status = r.Int(4);
    h.sequence = r.Int(4);
    return h;
}

void Framer::Feed(const char* data, std::size_t n)
{
    if (m_broken)
        return;
    // What was handed out already goes once it is most of the buffer.
    if (m_start > 0 && m_start >= m_buffer.size() / 2) {
        m_buffer.erase(0, m_start);
        m_start = 0;
    }
    m_buffer.append(data, n);
}

bool Framer::Next(std::string& pdu)
{
    if (m_broken || m_buffer.size() - m_start < kHeaderLength)
        return false;
    const Header h = ReadHeader(m_buffer.data() + m_start);
    if (h.length < kHeaderLength) {
        m_broken = "pdu is of invalid length. Header missing.";
        return false;
    }
    if (h.length > kMaxPduLength) {
        m_broken = "pdu is of invalid length. Too long.";
        return false;
    }
    if (m_buffer.size() - m_start < h.length)
        return false;
    pdu.assign(m_buffer, m_start, h.length);
    m_start += h.length;
    return true;
}

void Framer::Clear()
{
    m_buffer.clear();
    m_start = 0;
    m_broken = nullptr;
}

bool ReadMessageId(const std::string& body, std::string& messageId)
{
    messageId.clear();
    if (body.empty())
        return true;
    Reader r(body.data(), body.size());
    messageId = r.CString(kMaxMessageId);
    return !r.Failed();
}

bool ReadSubmitMultiResp(const std::string& body, std::string& messageId, std::vector<Unsuccessful>& failed)
{
    failed.clear();
    Reader r(body.data(), body.size());
    messageId = r.CString(kMaxMessageId);
    const uint32_t count = r.Int(1);
    for (uint32_t i = 0; i < count && !r.Failed(); ++i) {
        Unsuccessful u;
        u.ton = uint8_t(r.Int(1));
        u.npi = uint8_t(r.Int(1));
        u.address = r.CString(kMaxAddress);
        u.status = r.Int(4);
        if (!r.Failed())
            failed.push_back(u);
    }
    return !r.Failed();
}

bool ReadQueryResp(const std::string& body, QueryAnswer& answer)
{
    Reader r(body.data(), body.size());
    answer.messageId = r.CString(kMaxMessageId);
    answer.finalDate = r.CString(kMaxDate);
    answer.state = uint8_t(r.Int(1));
    answer.error = uint8_t(r.Int(1));
    return !r.Failed();
}

const char* StatusText(uint32_t status)
{
    struct Entry {
        uint32_t code;
        const char* text;
    };
    static const Entry kTexts[] = {
        {0, "no error"},
        {1, "message length is invalid"},
        {2, "command length is invalid"},
        {3, "command id is invalid"},
        {4, "invalid bind status"},
        {5, "already bound"},
        {6, "invalid priority value"},
        {7, "invalid registered delivery value"},
        {8, "MC error (system unavailable)"},
        {10, "invalid source address"},
        {11, "invalid desination address"},
        {12, "invalid message id"},
        {13, "bind operation failed"},
        {14, "invalid password"},
        {15, "invalid user id"},
        {17, "cancel operation failed"},
        {18, "replace operation failed"},
        {19, "message queue full"},
        {21, "invalid service type"},
        {51, "invalid number of recipients"},
        {52, "invalid distribution list name"},
        {64, "invalid recipient type"},
        {66, "submit with replace option invalid"},
        {67, "invalid esm class"},
        {68, "cannot submit to distribution list"},
        {69, "submit operation failed"},
        {72, "invalid source TON (Type Of Number)"},
        {73, "invalid source NPI (Numbering Plan Indicator)"},
        {80, "invalid destination TON (Type Of Number)"},
        {81, "invalid destination NPI (Numbering Plan Indicator)"},
        {83, "invalid system type"},
        {84, "invalid replace if present value"},
        {85, "invalid number of messages"},
        {88, "message throttled (exceeded message limit)"},
        {97, "invalid scheduled delivery value"},
        {98, "invalid expiration date"},
        {99, "invalid message id"},
        {100, "receiver temporary application error (retry message)"},
        {101, "receiver permanent application error (do not retry message)"},
        {102, "receiver reject errpr (message rejected)"},
        {103, "query operation failed"},
        {192, "error in TLV options"},
        {193, "TLV not allowed for this PDU"},
        {194, "invalid TLV length"},
        {195, "missing an expected TLV"},
        {196, "invalid TLV value"},
        {254, "delivery failure"},
        {255, "unknown error"},
        {256, "unauthorized use of service type"},
        {257, "operation prohibited due to use"},
        {258, "service type unavailable"},
        {259, "service type denied due to use"},
        {260, "invalid data coding scheme"},
        {261, "invalid source address sub unit"},
        {262, "invalid desination address sub unit"},
        {263, "invalid broadcast frequency interval"},
        {264, "invalid broadcast alias name"},
        {265, "invalid broadcast area format"},
        {266, "invalid number of broadcast areas"},
        {267, "invalid broadcast content type"},
        {268, "invalid broadcast message class"},
        {269, "broadcast operation failed"},
        {270, "query broadcast operation failed"},
        {271, "cancel broadcast operation failed"},
    };
    for (const Entry& e : kTexts)
        if (e.code == status)
            return e.text;
    return "no error description available";
}

} // namespace smpp

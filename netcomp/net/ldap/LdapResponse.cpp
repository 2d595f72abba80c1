// What the server sends is read in place: a cursor walks the elements of
// each constructed element with the codec's element reader, every length is
// checked against the bytes there, and only the texts the component keeps
// are copied out.
#include <cstring>

#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/net/ldap/LdapMessages.h"

namespace {

constexpr unsigned char kInteger = 0x02;
constexpr unsigned char kOctetString = 0x04;
constexpr unsigned char kEnumerated = 0x0A;
constexpr unsigned char kSequence = 0x30;
constexpr unsigned char kSet = 0x31;
constexpr unsigned char kControls = 0xA0;
constexpr unsigned char kResponseName = 0x8A;
constexpr unsigned char kResponseValue = 0x8B;

// The elements inside one constructed element, in order.
class Cursor {
public:
    explicit Cursor(const BerElement& outer) : m_p(outer.content), m_left(outer.length) {}

    bool Next(BerElement& element)
    {
        if (m_left == 0)
            return false;
        const uint32_t size = BerCodec::ReadElement(m_p, m_left, element);
        if (size == 0) {
            m_bad = true;
            return false;
        }
        m_p += size;
        m_left -= size;
        return true;
    }
    // The next element, which must carry tag: another one makes the cursor bad.
    bool Next(BerElement& element, unsigned char tag)
    {
        if (!Next(element))
            return false;
        m_bad = m_bad || element.tag != tag;
        return !m_bad;
    }
    bool Bad() const { return m_bad; }

private:
    const unsigned char* m_p;
    uint32_t m_left;
    bool m_bad = false;
};

void Take(const BerElement& element, std::string& text)
{
    text.assign(reinterpret_cast<const char*>(element.content), element.length);
}

bool ReadResult(Cursor& fields, LdapResponse& response)
{
    BerElement code, matched, diagnostic;
    if (!fields.Next(code, kEnumerated) || BerCodec::DecodeInteger(code, response.resultCode) != kResultOk ||
        !fields.Next(matched, kOctetString) || !fields.Next(diagnostic, kOctetString))
        return false;
    Take(matched, response.matchedDn);
    Take(diagnostic, response.diagnostic);
    return true;
}

bool ReadEntry(const BerElement& op, LdapResponse& response)
{
    Cursor fields(op);
    BerElement name, list;
    if (!fields.Next(name, kOctetString) || !fields.Next(list, kSequence))
        return false;
    Take(name, response.objectName);
    Cursor attributes(list);
    BerElement attribute;
    while (attributes.Next(attribute, kSequence)) {
        Cursor parts(attribute);
        BerElement type, values;
        if (!parts.Next(type, kOctetString) || !parts.Next(values, kSet))
            return false;
        LdapAttribute first;
        Take(type, first.type);
        response.attributes.push_back(std::move(first));
        Cursor each(values);
        BerElement value;
        bool firstValue = true;
        while (each.Next(value, kOctetString)) {
            if (!firstValue)
                response.attributes.emplace_back();
            Take(value, response.attributes.back().value);
            firstValue = false;
        }
        if (each.Bad())
            return false;
    }
    return !attributes.Bad();
}

bool ReadExtended(const BerElement& op, LdapResponse& response)
{
    Cursor fields(op);
    if (!ReadResult(fields, response))
        return false;
    BerElement more;
    while (fields.Next(more)) {
        if (more.tag == kResponseName)
            Take(more, response.responseName);
        else if (more.tag == kResponseValue)
            Take(more, response.responseValue);
    }
    return !fields.Bad();
}

// Controls ::= SEQUENCE OF Control { controlType, criticality, controlValue };
// of them only the paged-results value is read: SEQUENCE { size, cookie }.
bool ReadControls(const BerElement& list, LdapResponse& response)
{
    Cursor controls(list);
    BerElement control;
    while (controls.Next(control, kSequence)) {
        Cursor parts(control);
        BerElement type, part;
        if (!parts.Next(type, kOctetString))
            return false;
        const size_t n = std::strlen(kLdapPagedControl);
        if (type.length != n || std::memcmp(type.content, kLdapPagedControl, n) != 0)
            continue;
        while (parts.Next(part) && part.tag != kOctetString) {
        }
        if (parts.Bad() || part.tag != kOctetString)
            return false;
        BerElement value, size, cookie;
        if (BerCodec::ReadElement(part.content, part.length, value) == 0 || value.tag != kSequence)
            return false;
        Cursor fields(value);
        if (!fields.Next(size, kInteger) || !fields.Next(cookie, kOctetString))
            return false;
        response.paged = true;
        Take(cookie, response.cookie);
    }
    return !controls.Bad();
}

} // namespace

void LdapResponse::Clear()
{
    messageId = 0;
    operation = 0;
    resultCode = 0;
    matchedDn.clear();
    diagnostic.clear();
    objectName.clear();
    attributes.clear();
    responseName.clear();
    responseValue.clear();
    paged = false;
    cookie.clear();
}

LdapFrame FrameLdapMessage(const char* data, uint32_t n, uint32_t maxSize, uint32_t& size)
{
    const auto* p = reinterpret_cast<const unsigned char*>(data);
    if (n == 0)
        return LdapFrame::NeedMore;
    if (p[0] != kSequence)
        return LdapFrame::Malformed;
    if (n < 2)
        return LdapFrame::NeedMore;
    uint64_t header = 2;
    uint64_t length = p[1];
    if (p[1] & 0x80) {
        const unsigned count = p[1] & 0x7F;
        if (count == 0 || count > 4)
            return LdapFrame::Malformed;
        if (n < 2 + count)
            return LdapFrame::NeedMore;
        length = 0;
        for (unsigned i = 0; i < count; ++i)
            length = (length << 8) | p[2 + i];
        header += count;
    }
    if (header + length > maxSize)
        return LdapFrame::Malformed;
    if (header + length > n)
        return LdapFrame::NeedMore;
    size = uint32_t(header + length);
    return LdapFrame::Whole;
}

bool IsLdapResult(unsigned char operation)
{
    switch (operation) {
    case kLdapOpBindResponse:
    case kLdapOpSearchResultDone:
    case kLdapOpModifyResponse:
    case kLdapOpAddResponse:
    case kLdapOpDelResponse:
    case kLdapOpModifyDnResponse:
    case kLdapOpCompareResponse:
    case kLdapOpExtendedResponse:
        return true;
    default:
        return false;
    }
}

int DecodeLdapMessage(const char* data, uint32_t n, LdapResponse& response)
{
    response.Clear();
    BerElement message;
    if (BerCodec::ReadElement(reinterpret_cast<const unsigned char*>(data), n, message) == 0 ||
        message.tag != kSequence)
        return kBerMalformed;
    Cursor fields(message);
    BerElement id, op, controls;
    if (!fields.Next(id, kInteger) || BerCodec::DecodeInteger(id, response.messageId) != kResultOk || !fields.Next(op))
        return kBerMalformed;
    response.operation = op.tag;
    while (fields.Next(controls)) {
        if (controls.tag == kControls && !ReadControls(controls, response))
            return kBerMalformed;
    }
    if (fields.Bad())
        return kBerMalformed;
    bool read = true;
    if (op.tag == kLdapOpSearchResultEntry) {
        read = ReadEntry(op, response);
    } else if (op.tag == kLdapOpExtendedResponse) {
        read = ReadExtended(op, response);
    } else if (IsLdapResult(op.tag)) {
        Cursor result(op);
        read = ReadResult(result, response);
    }
    return read ? kResultOk : kBerMalformed;
}

const char* LdapResultName(int code)
{
    static const struct {
        int code;
        const char* name;
    } kNames[] = {
        {0, "[ok]"},
        {1, "[operations error]"},
        {2, "[protocol error]"},
        {3, "[time limit exceeded]"},
        {4, "[size limit exceeded]"},
        {5, "[false]"},
        {6, "[true]"},
        {7, "[auth method not supported]"},
        {8, "[strong auth required]"},
        {16, "[no such attribute]"},
        {17, "[undefined attribute type]"},
        {18, "[inappropriate matching]"},
        {19, "[constraint violation]"},
        {20, "[attribute or value exists]"},
        {21, "[invalid attribute syntax]"},
        {32, "[no such object]"},
        {33, "[alias problem]"},
        {34, "[invalid dn syntax]"},
        {35, "[is leaf]"},
        {36, "[alias dereferencing problem]"},
        {48, "[inappropriate authentication]"},
        {49, "[invalid credentials]"},
        {50, "[insufficient access rights]"},
        {51, "[busy]"},
        {52, "[unavailable]"},
        {53, "[unwilling to perform]"},
        {54, "[loop detect]"},
        {64, "[naming violation]"},
        {65, "[object class violation]"},
        {66, "[not allowed on non leaf]"},
        {67, "[not allowed on rdn]"},
        {68, "[entry already exists]"},
        {69, "[object class mods prohibited]"},
        {80, "[other]"},
    };
    for (const auto& n : kNames) {
        if (n.code == code)
            return n.name;
    }
    return "";
}

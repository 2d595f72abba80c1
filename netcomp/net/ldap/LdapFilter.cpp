// Filters are read by recursive descent and encoded inside out: each filter
// is built in a codec of its own, whose header goes in front once its content
// is complete, and its bytes are then appended to its parent's content.
//
// Values follow RFC 4515: "\" and two hex digits stand for one byte (so
// "\2a", "\28", "\29" and "\5c" are a literal *, (, ) and \), an unescaped
// "*" in an equality item makes it a substrings or a presence filter, and
// "(" may not appear unescaped. Extensible items (attr:dn:rule:=value) are
// read as RFC 4515 gives them.
#include "netcomp/net/ldap/LdapFilter.h"

#include <string>
#include <vector>

#include "netcomp/core/framework/ResultCodes.h"
#include "netcomp/core/text/CStringHelpers.h"
#include "netcomp/net/ber/BerCodec.h"

namespace {

// The Filter CHOICE (RFC 4511 section 4.5.1).
constexpr unsigned char kAnd = 0xA0;
constexpr unsigned char kOr = 0xA1;
constexpr unsigned char kNot = 0xA2;
constexpr unsigned char kEquality = 0xA3;
constexpr unsigned char kSubstrings = 0xA4;
constexpr unsigned char kGreaterOrEqual = 0xA5;
constexpr unsigned char kLessOrEqual = 0xA6;
constexpr unsigned char kPresent = 0x87;
constexpr unsigned char kApprox = 0xA8;
constexpr unsigned char kExtensible = 0xA9;
// SubstringFilter pieces and MatchingRuleAssertion fields.
constexpr unsigned char kInitial = 0x80;
constexpr unsigned char kAny = 0x81;
constexpr unsigned char kFinal = 0x82;
constexpr unsigned char kMatchingRule = 0x81;
constexpr unsigned char kMatchType = 0x82;
constexpr unsigned char kMatchValue = 0x83;
constexpr unsigned char kDnAttributes = 0x84;
constexpr unsigned char kOctetString = 0x04;
constexpr unsigned char kSequence = 0x30;

// Nesting deeper than this is refused rather than followed down the stack.
constexpr int kMaxDepth = 64;

bool IsSpace(char c)
{
    return c == ' ' || (c >= 9 && c <= 13);
}

int AppendBytes(NetStringBase& out, const NetStringBase& element)
{
    return out.Append(element.Data(), element.Length());
}

int AppendString(BerCodec& codec, const std::string& s, unsigned char tag)
{
    return codec.AppendOctetString(s.data(), int(s.size()), tag);
}

// The value of an item, cut at its unescaped stars; escapes are resolved.
struct ItemValue {
    std::vector<std::string> pieces{std::string()};
    int stars = 0;
};

class FilterParser {
public:
    FilterParser(const char* text, uint32_t length) : m_p(text), m_end(text + length) {}

    int Parse(NetStringBase& out)
    {
        while (m_end > m_p && IsSpace(m_end[-1]))
            --m_end;
        SkipSpace();
        NetString filter;
        int rc = At('(') ? Filter(filter, 0) : Component(filter, 0);
        if (rc != kResultOk)
            return rc;
        SkipSpace();
        if (m_p != m_end)
            return kLdapBadFilter;
        return AppendBytes(out, filter);
    }

private:
    bool At(char c) const { return m_p < m_end && *m_p == c; }

    void SkipSpace()
    {
        while (m_p < m_end && IsSpace(*m_p))
            ++m_p;
    }

    int Filter(NetStringBase& out, int depth)
    {
        if (depth > kMaxDepth || !At('('))
            return kLdapBadFilter;
        ++m_p;
        const int rc = Component(out, depth);
        if (rc != kResultOk)
            return rc;
        if (!At(')'))
            return kLdapBadFilter;
        ++m_p;
        return kResultOk;
    }

    int Component(NetStringBase& out, int depth)
    {
        if (At('&') || At('|')) {
            const unsigned char tag = *m_p++ == '&' ? kAnd : kOr;
            return List(tag, out, depth);
        }
        if (At('!')) {
            ++m_p;
            SkipSpace();
            BerCodec inner;
            int rc = Filter(inner.Buffer(), depth + 1);
            if (rc == kResultOk)
                rc = inner.WrapSequence(kNot);
            return rc == kResultOk ? AppendBytes(out, inner.Buffer()) : rc;
        }
        return Item(out);
    }

    // The filters of an AND or an OR, blanks and line ends between them
    // skipped; an empty list is the absolute true or false of RFC 4526.
    int List(unsigned char tag, NetStringBase& out, int depth)
    {
        BerCodec set;
        for (;;) {
            SkipSpace();
            if (!At('('))
                break;
            const int rc = Filter(set.Buffer(), depth + 1);
            if (rc != kResultOk)
                return rc;
        }
        const int rc = set.WrapSequence(tag);
        return rc == kResultOk ? AppendBytes(out, set.Buffer()) : rc;
    }

    int Item(NetStringBase& out)
    {
        const char* start = m_p;
        while (m_p < m_end && *m_p != '=') {
            const char c = *m_p;
            if (c == '(' || c == ')' || c == '*' || c == '\\' || IsSpace(c))
                return kLdapBadFilter;
            ++m_p;
        }
        if (m_p == m_end)
            return kLdapBadFilter;
        std::string left(start, m_p);
        ++m_p;
        ItemValue value;
        int rc = ReadValue(value);
        if (rc != kResultOk)
            return rc;
        const char last = left.empty() ? '\0' : left.back();
        unsigned char tag = kEquality;
        if (last == '~' || last == '>' || last == '<' || last == ':') {
            left.pop_back();
            if (value.stars != 0)
                return kLdapBadFilter;
            if (last == ':')
                return Extensible(left, value.pieces[0], out);
            tag = last == '~' ? kApprox : last == '>' ? kGreaterOrEqual : kLessOrEqual;
        }
        if (left.empty() || left.find(':') != std::string::npos)
            return kLdapBadFilter;
        BerCodec item;
        if (value.stars == 1 && value.pieces[0].empty() && value.pieces[1].empty()) {
            rc = AppendString(item, left, kPresent);
            return rc == kResultOk ? AppendBytes(out, item.Buffer()) : rc;
        }
        rc = AppendString(item, left, kOctetString);
        if (rc == kResultOk)
            rc = value.stars == 0 ? AppendString(item, value.pieces[0], kOctetString) : Substrings(value, item);
        if (rc == kResultOk)
            rc = item.WrapSequence(value.stars == 0 ? tag : kSubstrings);
        return rc == kResultOk ? AppendBytes(out, item.Buffer()) : rc;
    }

    // The assertion value up to the item's closing parenthesis.
    int ReadValue(ItemValue& value)
    {
        while (m_p < m_end && *m_p != ')') {
            const char c = *m_p++;
            if (c == '(')
                return kLdapBadFilter;
            if (c == '*') {
                ++value.stars;
                value.pieces.emplace_back();
                continue;
            }
            if (c != '\\') {
                value.pieces.back() += c;
                continue;
            }
            if (m_end - m_p < 2)
                return kLdapBadFilter;
            const unsigned byte = HexPairValue(m_p[0], m_p[1]);
            if (byte > 0xFF)
                return kLdapBadFilter;
            value.pieces.back() += char(byte);
            m_p += 2;
        }
        return kResultOk;
    }

    // SubstringFilter: the type, then SEQUENCE OF initial, any and final.
    static int Substrings(const ItemValue& value, BerCodec& item)
    {
        BerCodec pieces;
        int rc = kResultOk;
        const size_t last = value.pieces.size() - 1;
        for (size_t i = 0; i <= last && rc == kResultOk; ++i) {
            if (value.pieces[i].empty())
                continue;
            const unsigned char tag = i == 0 ? kInitial : i == last ? kFinal : kAny;
            rc = AppendString(pieces, value.pieces[i], tag);
        }
        if (rc != kResultOk)
            return rc;
        if (pieces.Buffer().IsEmpty())
            return kLdapBadFilter; // "**": no piece to match
        rc = pieces.WrapSequence(kSequence);
        return rc == kResultOk ? AppendBytes(item.Buffer(), pieces.Buffer()) : rc;
    }

    // attr[:dn][:rule] or [:dn]:rule, the ":=" already taken.
    static int Extensible(const std::string& left, const std::string& value, NetStringBase& out)
    {
        std::vector<std::string> parts{std::string()};
        for (char c : left) {
            if (c == ':')
                parts.emplace_back();
            else
                parts.back() += c;
        }
        const std::string& type = parts[0];
        size_t i = 1;
        bool dn = false;
        if (i < parts.size() && StrICmp(parts[i].c_str(), "dn") == 0) {
            dn = true;
            ++i;
        }
        std::string rule;
        if (i < parts.size())
            rule = parts[i++];
        if (i != parts.size() || (i > 1 && parts[i - 1].empty()) || (type.empty() && rule.empty()))
            return kLdapBadFilter;
        BerCodec item;
        int rc = kResultOk;
        if (!rule.empty())
            rc = AppendString(item, rule, kMatchingRule);
        if (rc == kResultOk && !type.empty())
            rc = AppendString(item, type, kMatchType);
        if (rc == kResultOk)
            rc = AppendString(item, value, kMatchValue);
        if (rc == kResultOk && dn)
            rc = item.AppendOctetString("\xFF", 1, kDnAttributes);
        if (rc == kResultOk)
            rc = item.WrapSequence(kExtensible);
        return rc == kResultOk ? AppendBytes(out, item.Buffer()) : rc;
    }

    const char* m_p;
    const char* m_end;
};

} // namespace

int EncodeLdapFilter(const char* text, uint32_t length, NetStringBase& out)
{
    if (!text)
        return kLdapBadFilter;
    FilterParser parser(text, length);
    return parser.Parse(out);
}
